// Quadrilaterals: exact-size drawing, the shared diagonal blended once, the box test, and every combination of the
// draw state against the reference model.
#include <gtest/gtest.h>

#include <vector>

#include "engine/softrender/quad.h"
#include "tests/softrender_geometry/geometry_test_util.h"

namespace {

using namespace geomtest;

class Quad : public GeometryTest {};

TEST_F(Quad, AtExactSizeItReproducesTheImage) {
  PixelMaker pm(7);
  for (int format : {kFormat16, kFormat32}) {
    for (auto [w, h] : {std::pair{13, 9}, std::pair{8, 8}, std::pair{1, 5}}) {
      Image src, dst;
      softtest::MakeSource(&src, format, softtest::kDirect, w, h, pm);
      MakeBlank(&dst, 30, 30, format);
      g_GraphDrawState.DrawArea = RECT{0, 0, 30, 30};
      const int c[8] = {5, 7, 5 + w, 7, 5, 7 + h, 5 + w, 7 + h};
      DrawMemImgQuad(dst.get(), src.get(), c, 0, nullptr);
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
          const bool inside = x >= 5 && x < 5 + w && y >= 7 && y < 7 + h;
          ASSERT_EQ(GetPixel(dst.get(), x, y), inside ? GetPixel(src.get(), x - 5, y - 7) : 0u)
              << format << " " << w << "x" << h << " at " << x << ", " << y;
        }
    }
  }
}

// Under add with a source of ones every pixel shows how often it was drawn.
TEST_F(Quad, EveryPixelIsDrawnOnceAlsoOnTheSharedDiagonal) {
  Image src, dst;
  MakeMemImg(src.get(), 16, 16, kFormat32);
  src.get()->TransColor = 0xFFFFFFFFu;
  FillMemImg(src.get(), nullptr, 0x00010101u);
  MakeBlank(&dst, 64, 64, kFormat32);
  g_GraphDrawState.DrawArea = RECT{0, 0, 64, 64};
  g_GraphDrawState.BlendMode = 2;
  g_GraphDrawState.BlendParam = 255;
  PixelMaker pm(99);
  const std::vector<std::vector<int>> fixed = {
      {0, 0, 16, 0, 0, 16, 16, 16},      // exact size
      {10, 3, 50, 12, 4, 40, 44, 55},    // skewed
      {60, 2, 3, 5, 58, 61, 1, 59},      // mirrored both ways
      {20, 0, 40, 20, 0, 20, 20, 40},    // turned 45 degrees
  };
  for (int n = 0; n < 200; ++n) {
    std::vector<int> c(8);
    if (n < static_cast<int>(fixed.size())) {
      c = fixed[static_cast<std::size_t>(n)];
    } else {
      for (int& v : c) v = pm.Below(70) - 3;
    }
    FillMemImg(dst.get(), nullptr, 0);
    DrawMemImgQuad(dst.get(), src.get(), c.data(), 0, nullptr);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) ASSERT_LE(GetPixel(dst.get(), x, y) & 0xFF, 1u) << "quad " << n << " " << x << ", " << y;
  }
}

TEST_F(Quad, UnderAlphaTheDiagonalLooksLikeTheRest) {
  Image src, dst;
  MakeMemImg(src.get(), 20, 20, kFormat32);
  src.get()->TransColor = 0xFFFFFFFFu;
  FillMemImg(src.get(), nullptr, 0x00FFFFFFu);
  MakeBlank(&dst, 40, 40, kFormat32);
  g_GraphDrawState.DrawArea = RECT{0, 0, 40, 40};
  g_GraphDrawState.BlendMode = 1;
  g_GraphDrawState.BlendParam = 128;
  const int c[8] = {3, 4, 33, 6, 5, 30, 35, 36};
  DrawMemImgQuad(dst.get(), src.get(), c, 0, nullptr);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const std::uint32_t p = GetPixel(dst.get(), x, y) & 0xFFFFFF;
      ASSERT_TRUE(p == 0 || p == 0x7F7F7F) << x << ", " << y << " " << p;
    }
}

TEST_F(Quad, CornersWhollyPastTheMarginsDrawNothing) {
  Image src, dst;
  MakeMemImg(src.get(), 8, 8, kFormat32);
  src.get()->TransColor = 0xFFFFFFFFu;
  FillMemImg(src.get(), nullptr, 0x00FFFFFFu);
  MakeBlank(&dst, 60, 60, kFormat32);
  g_GraphDrawState.DrawArea = RECT{10, 10, 50, 50};
  // Every x >= right + 2, or every x <= left - 4: the box misses the area.
  const int right[8] = {52, 20, 60, 20, 52, 30, 60, 30};
  const int left[8] = {0, 20, 6, 20, 0, 30, 6, 30};
  DrawMemImgQuad(dst.get(), src.get(), right, 0, nullptr);
  DrawMemImgQuad(dst.get(), src.get(), left, 0, nullptr);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(GetPixel(dst.get(), x, y), 0u);
}

TEST_F(Quad, EveryCombinationMatchesTheReference) {
  PixelMaker pm(77);
  const RECT area{2, 3, 27, 23};
  for (const Combo& c : AllCombos()) {
    Image src, dst, map;
    softtest::MakeSource(&src, c.format, c.kind, 9, 7, pm);
    softtest::MakeDest(&dst, c.format, 30, 26, pm);
    MakeMap(&map, 9, 7, pm);
    std::vector<std::uint32_t> entries;
    const softref::Source rs = softtest::RefSource(src.get(), &entries);
    const softref::Plane srcPlane = ToPlane(src.get());
    const softref::Plane levels = LevelPlane(map.get());
    softref::Plane want = ToPlane(dst.get());
    c.Apply(area);
    int corners[8];
    for (int i = 0; i < 4; ++i) {
      corners[2 * i] = pm.Below(34) - 2 + (i % 2 == 1 ? 6 : -6);
      corners[2 * i + 1] = pm.Below(30) - 2 + (i >= 2 ? 6 : -6);
    }
    DrawMemImgQuad(dst.get(), src.get(), corners, c.transparent, c.map ? map.get() : nullptr);
    softref::DrawQuad(corners, rs, c.RefDraw(), srcPlane, c.map ? &levels : nullptr,
                      {area.left, area.top, area.right, area.bottom}, &want);
    const std::string diff = Diff(dst.get(), want);
    ASSERT_TRUE(diff.empty()) << c.Name() << "\n" << diff;
  }
}

}  // namespace
