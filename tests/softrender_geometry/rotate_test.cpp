// Rotated drawing: translation at angle 0 and scale 1, an exact quarter turn, mirroring through the quad, refusals
// and limits, and every combination of the draw state against the reference model.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/softrender/rotate.h"
#include "tests/softrender_geometry/geometry_test_util.h"

namespace {

using namespace geomtest;

class Rotate : public GeometryTest {};

constexpr float kQuarter = 1.57079632679489661923f;

TEST_F(Rotate, AngleZeroAtScaleOneIsATranslation) {
  PixelMaker pm(1);
  for (int format : {kFormat16, kFormat32})
    for (auto [w, h] : {std::pair{6, 4}, std::pair{7, 5}, std::pair{1, 1}}) {
      Image src, dst;
      softtest::MakeSource(&src, format, softtest::kDirect, w, h, pm);
      MakeBlank(&dst, 32, 32, format);
      g_GraphDrawState.DrawArea = RECT{0, 0, 32, 32};
      DrawMemImgRotated(dst.get(), src.get(), 15, 12, 0.0f, 1.0f, 0, 0, nullptr);
      const int x0 = 15 - (w >> 1), y0 = 12 - (h >> 1);
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
          const bool inside = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
          ASSERT_EQ(GetPixel(dst.get(), x, y), inside ? GetPixel(src.get(), x - x0, y - y0) : 0u)
              << format << " " << w << "x" << h << " at " << x << ", " << y;
        }
    }
}

TEST_F(Rotate, QuarterTurnRotatesAnAsymmetricImageExactly) {
  Image src, dst;
  MakeMemImg(src.get(), 4, 3, kFormat32);
  src.get()->TransColor = 0xFFFFFFFFu;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) SetPixel(src.get(), x, y, 0x00100000u + static_cast<std::uint32_t>(y * 4 + x + 1));
  MakeBlank(&dst, 20, 20, kFormat32);
  g_GraphDrawState.DrawArea = RECT{0, 0, 20, 20};
  DrawMemImgRotated(dst.get(), src.get(), 10, 10, kQuarter, 1.0f, 0, 0, nullptr);
  // Clockwise: the source's top row becomes the rightmost column, read downwards.
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const int dx = x - 10, dy = y - 10;
      const bool inside = dx >= -1 && dx <= 1 && dy >= -2 && dy <= 1;
      const std::uint32_t want = inside ? GetPixel(src.get(), 2 + dy, 1 - dx) : 0u;
      ASSERT_EQ(GetPixel(dst.get(), x, y), want) << x << ", " << y;
    }
  EXPECT_EQ(GetPixel(dst.get(), 11, 8), GetPixel(src.get(), 0, 0));  // top-left lands top-right
}

TEST_F(Rotate, MirroringGoesThroughTheQuad) {
  PixelMaker pm(4);
  Image src, dst;
  softtest::MakeSource(&src, kFormat32, softtest::kDirect, 6, 4, pm);
  MakeBlank(&dst, 24, 24, kFormat32);
  g_GraphDrawState.DrawArea = RECT{0, 0, 24, 24};
  DrawMemImgRotated(dst.get(), src.get(), 12, 12, 0.0f, 1.0f, 0, 1, nullptr);
  // Corners P3, P0, P2, P1 become the quad's row-order corners: the source's left column lands on the right.
  const int corners[8] = {15, 10, 9, 10, 15, 14, 9, 14};
  std::vector<std::uint32_t> entries;
  softref::Plane want = ToPlane(dst.get());
  for (auto& p : want.px) p = 0;
  softref::DrawQuad(corners, softtest::RefSource(src.get(), &entries), softref::Draw{}, ToPlane(src.get()), nullptr,
                    {0, 0, 24, 24}, &want);
  EXPECT_EQ(Diff(dst.get(), want), "");
  // Row by row the source reads right to left (one column to the right of the unmirrored place).
  for (int y = 0; y < 4; ++y)
    for (int i = 0; i < 6; ++i) EXPECT_EQ(GetPixel(dst.get(), 10 + i, 10 + y), GetPixel(src.get(), 5 - i, y));
}

TEST_F(Rotate, DegenerateAndExtremeInputIsRefusedOrClipped) {
  PixelMaker pm(8);
  Image src, dst, tall;
  softtest::MakeSource(&src, kFormat32, softtest::kDirect, 8, 8, pm);
  MakeBlank(&dst, 40, 40, kFormat32);
  g_GraphDrawState.DrawArea = RECT{5, 5, 35, 35};
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct Case {
    int x, y;
    float angle, scale;
    int mirror;
  } cases[] = {
      {20, 20, 0.3f, 0.0f, 0},     {20, 20, 0.3f, 0.0f, 1},      {20, 20, nan, 1.0f, 0},
      {20, 20, 0.0f, inf, 0},      {20, 20, 0.0f, 1e30f, 0},     {20, 20, 0.0f, 1e-30f, 0},
      {20, 20, 1.0f, 5000.0f, 0},  {20, 20, 1.0f, 5000.0f, 1},   {INT32_MAX, INT32_MIN, 0.5f, 3.0f, 0},
      {INT32_MIN, 20, 0.5f, 3.0f, 1}, {-1000000, 20, 0.5f, 200000.0f, 0}, {20, 20, 1e9f, -2.0f, 0},
  };
  for (const Case& c : cases) {
    DrawMemImgRotated(dst.get(), src.get(), c.x, c.y, c.angle, c.scale, 0, c.mirror, nullptr);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x)
        if (x < 5 || y < 5 || x >= 35 || y >= 35) {
          ASSERT_EQ(GetPixel(dst.get(), x, y), 0u) << x << ", " << y;
        }
  }
  // A source far taller than 4096 rows is drawn like any other.
  softtest::MakeSource(&tall, kFormat32, softtest::kDirect, 3, 9000, pm);
  FillMemImg(dst.get(), nullptr, 0);
  DrawMemImgRotated(dst.get(), tall.get(), 20, 20, 0.0f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(GetPixel(dst.get(), 19, 20), GetPixel(tall.get(), 0, 4500));
}

// A palette source whose transparent colour is above 255, or a 16-bit source whose one is above 0xFFFF, never
// skips a pixel.
TEST_F(Rotate, TransparentColourNoTexelCanEqualSkipsNothing) {
  PixelMaker pm(22);
  const struct {
    int format;
    softtest::SourceKind kind;
    std::uint32_t trans;
  } cases[] = {
      {kFormat32, softtest::kPalette, 0x107u},
      {kFormat16, softtest::kPalette, 0x107u},
      {kFormat16, softtest::kDirect, 0x11234u},
  };
  for (const auto& c : cases) {
    Image src, keyed;
    softtest::MakeSource(&src, c.format, c.kind, 9, 7, pm);  // 1 in 5 texels hold the low bits of c.trans
    src.get()->TransColor = c.trans;
    softtest::MakeDest(&keyed, c.format, 30, 30, pm);
    std::vector<std::uint32_t> entries;
    softref::Plane want = ToPlane(keyed.get());
    g_GraphDrawState.DrawArea = RECT{0, 0, 30, 30};
    DrawMemImgRotated(keyed.get(), src.get(), 15, 14, 0.4f, 1.7f, 1, 0, nullptr);
    softref::Draw draw;
    draw.transparent = 1;
    softref::DrawSamples(softref::RotatedSamples(9, 7, 15, 14, 0.4f, 1.7f, {0, 0, 30, 30}),
                         softtest::RefSource(src.get(), &entries), draw, ToPlane(src.get()), nullptr, &want);
    EXPECT_EQ(Diff(keyed.get(), want), "") << c.format << " " << c.kind;
  }
}

TEST_F(Rotate, EveryCombinationMatchesTheReference) {
  PixelMaker pm(555);
  const RECT area{2, 3, 29, 25};
  for (const Combo& c : AllCombos()) {
    Image src, dst, map;
    softtest::MakeSource(&src, c.format, c.kind, 9, 6, pm);
    softtest::MakeDest(&dst, c.format, 32, 28, pm);
    MakeMap(&map, 9, 6, pm);
    std::vector<std::uint32_t> entries;
    const softref::Source rs = softtest::RefSource(src.get(), &entries);
    const softref::Plane srcPlane = ToPlane(src.get());
    const softref::Plane levels = LevelPlane(map.get());
    softref::Plane want = ToPlane(dst.get());
    c.Apply(area);
    const float angle = static_cast<float>(pm.Below(2000) - 1000) / 150.0f;
    const float scale = static_cast<float>(pm.Below(300) + 20) / 100.0f * (pm.Below(5) == 0 ? -1.0f : 1.0f);
    const int x = pm.Below(30), y = pm.Below(26);
    DrawMemImgRotated(dst.get(), src.get(), x, y, angle, scale, c.transparent, 0, c.map ? map.get() : nullptr);
    softref::DrawSamples(softref::RotatedSamples(9, 6, x, y, angle, scale, {area.left, area.top, area.right, area.bottom}),
                         rs, c.RefDraw(), srcPlane, c.map ? &levels : nullptr, &want);
    const std::string diff = Diff(dst.get(), want);
    ASSERT_TRUE(diff.empty()) << c.Name() << " angle " << angle << " scale " << scale << "\n" << diff;
  }
}

}  // namespace
