// The textured triangle: coverage in any vertex order, texels outside the source, rounding of negative positions,
// refusals, and every combination of the draw state against the reference model.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "engine/softrender/triangle.h"
#include "tests/softrender_geometry/geometry_test_util.h"

namespace {

using namespace geomtest;

class Triangle : public GeometryTest {};

// A 32-bit source whose every pixel is opaque and not the transparent colour.
void MakeSolidSource(Image* src, int w, int h, std::uint32_t value, int format = kFormat32) {
  MakeMemImg(src->get(), w, h, format);
  src->get()->TransColor = 0xFFFFFFFFu;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(src->get(), x, y, value);
}

// Rows of covered columns: for each row, the first and last column drawn (-1, -1 for none).
std::vector<std::pair<int, int>> RowSpans(const MEMIMG* m) {
  std::vector<std::pair<int, int>> out;
  for (int y = 0; y < m->Height; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < m->Width; ++x)
      if (GetPixel(m, x, y) != 0) {
        if (first < 0) first = x;
        last = x;
      }
    out.push_back({first, last});
  }
  return out;
}

std::vector<std::uint32_t> DrawCoverage(const std::array<int, 12>& v, int w = 24, int h = 24) {
  Image src, dst;
  MakeSolidSource(&src, 64, 64, 0x00FFFFFFu);
  MakeBlank(&dst, w, h, kFormat32);
  g_GraphDrawState.DrawArea = RECT{0, 0, w, h};
  DrawMemImgTriangle(dst.get(), src.get(), v.data(), 0, nullptr, 0);
  return softtest::Snapshot(dst.get());
}

TEST_F(Triangle, RowsAndColumnsOfTheCornerExampleInEveryVertexOrder) {
  const int verts[3][4] = {{0, 0, 0, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}};
  std::array<int, 3> order = {0, 1, 2};
  std::vector<std::uint32_t> first;
  do {
    std::array<int, 12> v{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 4; ++j) v[static_cast<std::size_t>(4 * i + j)] = verts[order[static_cast<std::size_t>(i)]][j];
    const std::vector<std::uint32_t> got = DrawCoverage(v, 8, 8);
    if (first.empty()) first = got;
    EXPECT_EQ(got, first) << "vertex order " << order[0] << order[1] << order[2];
  } while (std::next_permutation(order.begin(), order.end()));

  Image dst;
  MakeBlank(&dst, 8, 8, kFormat32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) SetPixel(dst.get(), x, y, first[static_cast<std::size_t>(y * 8 + x)]);
  const auto spans = RowSpans(dst.get());
  for (int y = 0; y < 4; ++y) EXPECT_EQ(spans[static_cast<std::size_t>(y)], std::make_pair(0, 4 - y)) << "row " << y;
  for (int y = 4; y < 8; ++y) EXPECT_EQ(spans[static_cast<std::size_t>(y)], std::make_pair(-1, -1)) << "row " << y;
}

TEST_F(Triangle, CoverageMatchesTheReferenceForAnyVertexOrder) {
  PixelMaker pm(11);
  for (int n = 0; n < 300; ++n) {
    std::array<int, 12> v{};
    for (int i = 0; i < 3; ++i) {
      v[static_cast<std::size_t>(4 * i)] = pm.Below(40) - 8;
      v[static_cast<std::size_t>(4 * i + 1)] = pm.Below(40) - 8;
      v[static_cast<std::size_t>(4 * i + 2)] = v[static_cast<std::size_t>(4 * i)] + 8;
      v[static_cast<std::size_t>(4 * i + 3)] = v[static_cast<std::size_t>(4 * i + 1)] + 8;
    }
    const std::vector<std::uint32_t> got = DrawCoverage(v);
    std::vector<std::uint32_t> want(24 * 24, 0);
    for (const softref::Sample& s : softref::TriangleSamples(v.data(), {0, 0, 24, 24}))
      want[static_cast<std::size_t>(s.y * 24 + s.x)] = 0x00FFFFFFu;
    ASSERT_EQ(got, want) << "triangle " << n;
    // Rotating the vertex list keeps the covered pixels.
    std::array<int, 12> r{};
    for (int i = 0; i < 12; ++i) r[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>((i + 4) % 12)];
    ASSERT_EQ(DrawCoverage(r), got) << "triangle " << n;
  }
}

TEST_F(Triangle, DegenerateTrianglesDrawNothing) {
  const std::array<int, 12> cases[] = {
      {0, 0, 0, 0, 5, 5, 5, 5, 10, 10, 10, 10},  // on one line
      {3, 3, 0, 0, 3, 3, 0, 0, 8, 1, 0, 0},      // two equal vertices
      {2, 2, 0, 0, 2, 2, 0, 0, 2, 2, 0, 0},      // one point
  };
  for (const auto& v : cases) {
    const std::vector<std::uint32_t> got = DrawCoverage(v);
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](std::uint32_t p) { return p == 0; }));
  }
}

TEST_F(Triangle, OneRowHighTriangleDrawsItsUpperRow) {
  const std::vector<std::uint32_t> got = DrawCoverage({0, 0, 0, 0, 4, 0, 4, 0, 0, 1, 0, 1}, 8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(got[static_cast<std::size_t>(y * 8 + x)] != 0, y == 0 && x <= 4) << x << ", " << y;
}

TEST_F(Triangle, TexelsOutsideTheSourceLeaveTheirPixelsAlone) {
  Image src, dst;
  MakeSolidSource(&src, 4, 4, 0x00ABCDEFu);
  MakeBlank(&dst, 16, 16, kFormat32);
  g_GraphDrawState.DrawArea = RECT{0, 0, 16, 16};
  // The texture runs from -4 to 12 across the triangle: only texels 0..3 exist.
  const int v[12] = {0, 0, -4, -4, 16, 0, 12, -4, 0, 16, -4, 12};
  DrawMemImgTriangle(dst.get(), src.get(), v, 0, nullptr, 0);
  int drawn = 0;
  for (const softref::Sample& s : softref::TriangleSamples(v, {0, 0, 16, 16})) {
    const bool inside = s.u >= 0 && s.v >= 0 && s.u < (4 << 18) && s.v < (4 << 18);
    EXPECT_EQ(GetPixel(dst.get(), s.x, s.y), inside ? 0x00ABCDEFu : 0u) << s.x << ", " << s.y;
    drawn += inside ? 1 : 0;
  }
  EXPECT_GT(drawn, 10);
  EXPECT_LT(drawn, 16 * 16 / 2);
}

// With truncation toward zero a triangle whose top lies above row 0 would draw its middle vertex's row twice.
TEST_F(Triangle, NegativePositionsRoundDownSoNoPixelIsDrawnTwice) {
  Image src, dst;
  MakeSolidSource(&src, 64, 64, 0x00010101u);
  MakeBlank(&dst, 40, 40, kFormat32);
  g_GraphDrawState.DrawArea = RECT{0, 0, 40, 40};
  g_GraphDrawState.BlendMode = 2;  // add: every draw of a pixel adds 1
  g_GraphDrawState.BlendParam = 255;
  const std::array<int, 12> cases[] = {
      {-7, -9, 0, 0, -20, 6, 0, 0, 30, 25, 0, 0},
      {10, -13, 0, 0, -5, 3, 0, 0, 22, 30, 0, 0},
      {-3, -1, 0, 0, 35, 0, 0, 0, 5, 20, 0, 0},
  };
  for (const auto& v : cases) {
    FillMemImg(dst.get(), nullptr, 0);
    DrawMemImgTriangle(dst.get(), src.get(), v.data(), 0, nullptr, 0);
    std::vector<int> count(40 * 40, 0);
    for (const softref::Sample& s : softref::TriangleSamples(v.data(), {0, 0, 40, 40}))
      ++count[static_cast<std::size_t>(s.y * 40 + s.x)];
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) {
        const std::uint32_t p = GetPixel(dst.get(), x, y);
        ASSERT_LE(p & 0xFF, 1u) << x << ", " << y;
        ASSERT_EQ(static_cast<int>(p & 0xFF), count[static_cast<std::size_t>(y * 40 + x)]) << x << ", " << y;
      }
  }
}

TEST_F(Triangle, RefusalsLeaveTheDestinationUnchanged) {
  PixelMaker pm(3);
  const int v[12] = {1, 1, 0, 0, 14, 2, 8, 0, 3, 13, 0, 8};
  struct Case {
    const char* what;
    int srcFormat, dstFormat, dstPalette, dstAlpha, mode, param;
  } cases[] = {
      {"formats differ", kFormat16, kFormat32, 0, 0, 0, 255},
      {"palette destination", kFormat32, kFormat32, 1, 0, 0, 255},
      {"alpha destination", kFormat32, kFormat32, 0, 1, 0, 255},
      {"8-bit images", kFormat8, kFormat8, 0, 0, 0, 255},
      {"mode 5", kFormat32, kFormat32, 0, 0, 5, 255},
      {"alpha at P 0", kFormat32, kFormat32, 0, 0, 1, 0},
      {"add at P 0", kFormat32, kFormat32, 0, 0, 2, 0},
      {"subtract at P 0", kFormat32, kFormat32, 0, 0, 3, 0},
  };
  for (const Case& c : cases) {
    Image src, dst;
    InitMemImg(src.get(), 8, 8, -1, 0, c.srcFormat, 0, 0, 0);
    FillMemImg(src.get(), nullptr, 0x5A5A5A5Au);
    InitMemImg(dst.get(), 16, 16, -1, 0, c.dstFormat, c.dstPalette, c.dstAlpha, 0);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) SetPixel(dst.get(), x, y, pm.Raw());
    const auto before = softtest::Snapshot(dst.get());
    g_GraphDrawState.DrawArea = RECT{0, 0, 16, 16};
    g_GraphDrawState.BlendMode = c.mode;
    g_GraphDrawState.BlendParam = c.param;
    DrawMemImgTriangle(dst.get(), src.get(), v, 0, nullptr, 0);
    EXPECT_EQ(softtest::Snapshot(dst.get()), before) << c.what;
  }
}

TEST_F(Triangle, ExtremeCoordinatesAreClippedOrRefused) {
  Image src, dst;
  MakeSolidSource(&src, 16, 16, 0x00FFFFFFu);
  MakeBlank(&dst, 32, 32, kFormat32);
  g_GraphDrawState.DrawArea = RECT{4, 4, 28, 28};
  const std::array<int, 12> cases[] = {
      {-100000, -100000, 0, 0, 100000, -100000, 16, 0, 0, 100000, 8, 16},           // far outside, covers all
      {INT32_MIN, 0, 0, 0, INT32_MAX, 5, 16, 0, 0, INT32_MAX, 0, 16},                // beyond the limit: refused
      {-(1 << 24), -(1 << 24), 0, 0, 1 << 24, -(1 << 24), 16, 0, 0, 1 << 24, 0, 16},  // at the limit
      {0, 0, 0, 0, 1, 0, 1 << 24, 0, 0, 1, 0, 1 << 24},                             // steep texture gradient
  };
  for (std::size_t n = 0; n < std::size(cases); ++n) {
    FillMemImg(dst.get(), nullptr, 0);
    DrawMemImgTriangle(dst.get(), src.get(), cases[n].data(), 0, nullptr, 0);
    // The two large triangles cover the whole area with texels near the source's middle.
    const bool fillsArea = n == 0 || n == 2;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const bool outside = x < 4 || y < 4 || x >= 28 || y >= 28;
        ASSERT_EQ(GetPixel(dst.get(), x, y), !outside && fillsArea ? 0x00FFFFFFu : 0u) << n << ": " << x << ", " << y;
      }
    }
  }
  // Coordinates beyond the limit are refused.
  FillMemImg(dst.get(), nullptr, 0);
  DrawMemImgTriangle(dst.get(), src.get(), cases[1].data(), 0, nullptr, 0);
  EXPECT_EQ(GetPixel(dst.get(), 10, 10), 0u);
}

TEST_F(Triangle, ReservedArgumentAndModeOneAtFullParameterChangeNothing) {
  PixelMaker pm(5);
  for (auto kind : {softtest::kDirect, softtest::kAlpha, softtest::kPalette}) {
    for (int format : {kFormat16, kFormat32}) {
      Image src, a, b;
      softtest::MakeSource(&src, format, kind, 12, 10, pm);
      softtest::MakeDest(&a, format, 20, 20, pm);
      MakeBlank(&b, 20, 20, format);
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) SetPixel(b.get(), x, y, GetPixel(a.get(), x, y));
      const int v[12] = {-2, 1, 0, 0, 19, 4, 12, 0, 3, 18, 0, 10};
      g_GraphDrawState.DrawArea = RECT{0, 0, 20, 20};
      g_GraphDrawState.Brightness = 0x80FF40;
      g_GraphDrawState.BlendMode = 0;
      DrawMemImgTriangle(a.get(), src.get(), v, 1, nullptr, 0);
      g_GraphDrawState.BlendMode = 1;
      g_GraphDrawState.BlendParam = 255;
      DrawMemImgTriangle(b.get(), src.get(), v, 1, nullptr, 12345);
      EXPECT_EQ(softtest::Snapshot(a.get()), softtest::Snapshot(b.get())) << format << " " << kind;
    }
  }
}

// 16-bit add with source alpha and brightness: the alpha weighs the raw field before the brightness row.
TEST_F(Triangle, SixteenBitAddWeighsAlphaBeforeBrightness) {
  Image src, dst;
  InitMemImg(src.get(), 1, 1, -1, 0, kFormat16, 0, 1, 0);
  SetPixel(src.get(), 0, 0, 0x001Fu | 200u << 16);  // blue 31, alpha 200
  MakeBlank(&dst, 4, 4, kFormat16);
  g_GraphDrawState.DrawArea = RECT{0, 0, 4, 4};
  g_GraphDrawState.BlendMode = 2;
  g_GraphDrawState.BlendParam = 255;
  g_GraphDrawState.Brightness = 0xFFFF81;  // blue 129
  const int v[12] = {0, 0, 0, 0, 4, 0, 1, 0, 0, 4, 0, 1};
  DrawMemImgTriangle(dst.get(), src.get(), v, 0, nullptr, 0);
  // (31 * 200) >> 8 = 24, then 24 * 129 / 255 = 12 (brightness first would give 15 * 200 >> 8 = 11).
  EXPECT_EQ(GetPixel(dst.get(), 0, 0), 12u);
}

// The transparent colour is compared with the whole index or word: one that no texel can equal (a palette index
// above 255, a 16-bit word above 0xFFFF) skips nothing, although its low bits match texels.
TEST_F(Triangle, TransparentColourNoTexelCanEqualSkipsNothing) {
  PixelMaker pm(21);
  const struct {
    int format;
    softtest::SourceKind kind;
    std::uint32_t trans;
  } cases[] = {
      {kFormat32, softtest::kPalette, 0x107u},
      {kFormat16, softtest::kPalette, 0x107u},
      {kFormat16, softtest::kDirect, 0x11234u},
  };
  const int v[12] = {-1, -1, 0, 0, 30, 2, 9, 0, 2, 28, 0, 7};
  for (const auto& c : cases) {
    Image src, keyed, plain;
    softtest::MakeSource(&src, c.format, c.kind, 9, 7, pm);  // 1 in 5 texels hold the low bits of c.trans
    src.get()->TransColor = c.trans;
    softtest::MakeDest(&keyed, c.format, 30, 30, pm);
    MakeBlank(&plain, 30, 30, c.format);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x) SetPixel(plain.get(), x, y, GetPixel(keyed.get(), x, y));
    std::vector<std::uint32_t> entries;
    softref::Plane want = ToPlane(keyed.get());
    g_GraphDrawState.DrawArea = RECT{0, 0, 30, 30};
    DrawMemImgTriangle(keyed.get(), src.get(), v, 1, nullptr, 0);
    DrawMemImgTriangle(plain.get(), src.get(), v, 0, nullptr, 0);
    EXPECT_EQ(softtest::Snapshot(keyed.get()), softtest::Snapshot(plain.get())) << c.format << " " << c.kind;
    softref::Draw draw;
    draw.transparent = 1;
    softref::DrawSamples(softref::TriangleSamples(v, {0, 0, 30, 30}), softtest::RefSource(src.get(), &entries), draw,
                         ToPlane(src.get()), nullptr, &want);
    EXPECT_EQ(Diff(keyed.get(), want), "") << c.format << " " << c.kind;
  }
}

TEST_F(Triangle, EveryCombinationMatchesTheReference) {
  PixelMaker pm(2024);
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
    for (int n = 0; n < 3; ++n) {
      int v[12];
      for (int i = 0; i < 3; ++i) {
        v[4 * i] = pm.Below(36) - 4;
        v[4 * i + 1] = pm.Below(32) - 4;
        v[4 * i + 2] = pm.Below(14) - 2;
        v[4 * i + 3] = pm.Below(11) - 2;
      }
      DrawMemImgTriangle(dst.get(), src.get(), v, c.transparent, c.map ? map.get() : nullptr, 0);
      softref::DrawSamples(softref::TriangleSamples(v, {area.left, area.top, area.right, area.bottom}), rs,
                           c.RefDraw(), srcPlane, c.map ? &levels : nullptr, &want);
    }
    const std::string diff = Diff(dst.get(), want);
    ASSERT_TRUE(diff.empty()) << c.Name() << "\n" << diff;
  }
}

}  // namespace
