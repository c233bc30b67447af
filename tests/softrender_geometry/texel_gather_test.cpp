// The plain texel copies: along a slanted source line, the scalar and the AVX2 form (where the processor has it)
// give the texels at the stepped coordinates, for lines in every direction, steps below and above one pixel, and
// lengths that end inside a group of eight and on one; picked by a column table, both forms give the row's pixels
// at the columns, for tables that rise, fall, repeat and skip, near the row's end and in rows narrower than 16.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/softrender/texel_gather.h"
#include "tests/softrender_geometry/geometry_test_util.h"

namespace {

using namespace geomtest;

TEST(TexelGather, BothFormsCopyTheSteppedTexels) {
  PixelMaker pm(31);
  Image src;
  softtest::MakeSource(&src, kFormat32, softtest::kDirect, 45, 38, pm);
  const MEMIMG* m = src.get();
  ASSERT_TRUE(texel::GatherCopy32FitsLanes(m->Width, m->Height, m->Pitch));
  std::vector<texel::GatherCopyFn> forms = {texel::GatherCopy32Scalar};
  if (__builtin_cpu_supports("avx2") != 0) forms.push_back(texel::GatherCopy32Avx2);
  const std::int64_t one = std::int64_t{1} << 18;
  struct Line {
    double x, y, dx, dy;  // start texel and step in pixels
  };
  const Line lines[] = {
      {0.2, 20.5, 0.866, -0.5},   {44.9, 1.1, -0.5, 0.866},  {3.0, 0.0, 0.0, 1.0},     {10.5, 37.9, 0.0, -1.0},
      {0.0, 0.0, 1.0, 1.0},       {40.0, 30.0, -2.7, -1.9},  {22.0, 19.0, 0.001, 0.0007}, {1.0, 36.0, 3.7, -0.3},
  };
  for (const Line& l : lines) {
    const std::int64_t u = std::llround(l.x * one), v = std::llround(l.y * one);
    const std::int64_t du = std::llround(l.dx * one), dv = std::llround(l.dy * one);
    // The longest run from the start that stays inside the source, and shorter ones.
    std::int64_t inside = 0;
    while (inside < 200) {
      const std::int64_t tu = u + inside * du, tv = v + inside * dv;
      if (tu < 0 || tv < 0 || tu >= m->Width * one || tv >= m->Height * one) break;
      ++inside;
    }
    ASSERT_GT(inside, 0);
    for (std::int64_t count : {std::int64_t{1}, std::int64_t{7}, std::int64_t{8}, std::int64_t{9}, inside}) {
      if (count > inside) continue;
      std::vector<std::uint32_t> want(static_cast<std::size_t>(count));
      for (std::int64_t i = 0; i < count; ++i)
        want[static_cast<std::size_t>(i)] =
            GetPixel(m, static_cast<int>((u + i * du) >> 18), static_cast<int>((v + i * dv) >> 18));
      for (std::size_t f = 0; f < forms.size(); ++f) {
        std::vector<std::uint32_t> got(static_cast<std::size_t>(count) + 1, 0xDEADBEEFu);
        forms[f](reinterpret_cast<std::uint8_t*>(got.data()), m->Image, m->Pitch, count, u, v, du, dv);
        EXPECT_EQ(got.back(), 0xDEADBEEFu) << "form " << f << " wrote past the run";
        got.pop_back();
        ASSERT_EQ(got, want) << "form " << f << " from " << l.x << ", " << l.y << " step " << l.dx << ", " << l.dy
                             << " count " << count;
      }
    }
  }
}

TEST(TexelGather, BothFormsPickTheRowsColumns) {
  PixelMaker pm(32);
  std::vector<texel::GatherColumnsFn> forms = {texel::GatherColumns32Scalar};
  if (__builtin_cpu_supports("avx2") != 0) forms.push_back(texel::GatherColumns32Avx2);
  struct Table {
    const char* what;
    int width, first;
    double step;  // source columns per destination pixel; negative falls
    int n;
  };
  const Table tables[] = {
      {"doubled", 100, 0, 0.5, 200},       {"halved", 100, 0, 2.0, 50},         {"a third", 100, 1, 3.0, 33},
      {"mirrored", 100, 99, -1.0, 100},    {"mirrored halved", 100, 99, -2.0, 50}, {"near the end", 40, 20, 0.9, 21},
      {"narrow row", 10, 0, 0.7, 14},      {"odd scale", 77, 3, 1.37, 53},      {"one pixel", 5, 4, 0.0, 9},
  };
  for (const Table& t : tables) {
    std::vector<std::uint32_t> row(static_cast<std::size_t>(t.width));
    for (auto& p : row) p = pm.Colour(kFormat32);
    std::vector<std::int32_t> columns;
    for (int j = 0; j < t.n; ++j) columns.push_back(static_cast<std::int32_t>(t.first + std::floor(j * t.step)));
    for (std::int32_t c : columns) ASSERT_TRUE(c >= 0 && c < t.width) << t.what;
    std::vector<std::uint32_t> want;
    for (std::int32_t c : columns) want.push_back(row[static_cast<std::size_t>(c)]);
    for (std::size_t f = 0; f < forms.size(); ++f) {
      std::vector<std::uint32_t> got(static_cast<std::size_t>(t.n) + 1, 0xDEADBEEFu);
      forms[f](reinterpret_cast<std::uint8_t*>(got.data()), reinterpret_cast<const std::uint8_t*>(row.data()),
               t.width, columns.data(), t.n);
      EXPECT_EQ(got.back(), 0xDEADBEEFu) << t.what << " form " << f << " wrote past the row";
      got.pop_back();
      EXPECT_EQ(got, want) << t.what << " form " << f;
    }
  }
}

// The AVX2 form takes only sources whose coordinates and offsets fit its 32-bit lanes.
TEST(TexelGather, LaneFitOfSourceSizes) {
  struct Case {
    std::int64_t w, h, pitch;
    bool fits;
  };
  const Case cases[] = {
      {640, 480, 2560, true}, {8191, 16, 32768, true}, {8192, 16, 32768, false}, {16, 8192, 64, false},
      {16, 16, 66, false},    {4096, 8191, 1 << 21, false}, {1, 1, 4, true},  {0, 1, 4, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(texel::GatherCopy32FitsLanes(c.w, c.h, c.pitch), c.fits) << c.w << " x " << c.h << " pitch " << c.pitch;
}

}  // namespace
