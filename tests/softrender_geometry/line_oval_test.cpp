// Lines, box outlines and ovals: the pixel lists, row widths and counts, clipping, blending each pixel once, the
// constant-colour operation per pixel, and limits.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "engine/softrender/graphics_glue.h"
#include "engine/softrender/line.h"
#include "engine/softrender/oval.h"
#include "tests/softrender_geometry/geometry_test_util.h"

namespace {

using namespace geomtest;
using Pixels = std::set<std::pair<int, int>>;

class LinesAndOvals : public GeometryTest {
 protected:
  void SetUp() override {
    GeometryTest::SetUp();
    MakeBlank(&dst_, 100, 100, kFormat32);
    g_GraphDrawState.DrawArea = RECT{0, 0, 100, 100};
  }
  // The pixels that are no longer 0.
  Pixels Drawn() {
    Pixels out;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x)
        if (GetPixel(dst_.get(), x, y) != 0) out.insert({x, y});
    return out;
  }
  // Under add with colour 1 at P = 255 each pixel counts its draws; the largest count.
  void CountMode() {
    g_GraphDrawState.BlendMode = 2;
    g_GraphDrawState.BlendParam = 255;
  }
  std::uint32_t MaxCount() {
    std::uint32_t m = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) m = std::max(m, GetPixel(dst_.get(), x, y) & 0xFF);
    return m;
  }
  Image dst_;
};

TEST_F(LinesAndOvals, LinePixelListsLeaveOutTheEndPoint) {
  struct Case {
    int x1, y1, x2, y2;
    Pixels want;
  } cases[] = {
      {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {5, 5, 5, 5, {}},
      {-5, 7, 0, 7, {}},
      {-5, 7, 3, 7, {{0, 7}, {1, 7}, {2, 7}}},
      {9, 2, 9, -3, {{9, 2}, {9, 1}, {9, 0}}},
      {3, 10, 0, 4, {{3, 10}, {3, 9}, {2, 8}, {2, 7}, {1, 6}, {1, 5}}},
  };
  for (const Case& c : cases) {
    FillMemImg(dst_.get(), nullptr, 0);
    DrawMemImgLine(dst_.get(), c.x1, c.y1, c.x2, c.y2, 0x00FFFFFFu);
    EXPECT_EQ(Drawn(), c.want) << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2;
  }
}

TEST_F(LinesAndOvals, LinesLeavingTheAreaStopAtItsEdge) {
  g_GraphDrawState.DrawArea = RECT{10, 20, 60, 70};
  DrawMemImgLine(dst_.get(), 30, 40, 200, 40, 0x00FFFFFFu);  // leaves on the right
  DrawMemImgLine(dst_.get(), 15, 300, 15, 50, 0x00FFFFFFu);  // enters from below
  const Pixels got = Drawn();
  EXPECT_TRUE(got.count({59, 40}) == 1 && got.count({60, 40}) == 0);
  EXPECT_TRUE(got.count({15, 69}) == 1 && got.count({15, 70}) == 0);
}

// Both walks: the plain 32-bit store and the blended one (add, which also counts each pixel's draws).
TEST_F(LinesAndOvals, RandomLinesMatchTheReferenceAndStayInTheArea) {
  PixelMaker pm(31);
  const RECT area{7, 11, 83, 90};
  g_GraphDrawState.DrawArea = area;
  for (int n = 0; n < 4000; ++n) {
    if (n == 2000) CountMode();
    const int range = n % 2000 < 1000 ? 140 : 2000000000;
    auto coord = [&]() { return range < 1000 ? pm.Below(range) - 20 : static_cast<int>(pm.Raw()); };
    const int x1 = coord(), y1 = coord(), x2 = coord(), y2 = coord();
    FillMemImg(dst_.get(), nullptr, 0);
    DrawMemImgLine(dst_.get(), x1, y1, x2, y2, 0x00010101u);
    Pixels want;
    for (const auto& p : softref::LinePixels(x1, y1, x2, y2, {area.left, area.top, area.right, area.bottom})) {
      ASSERT_TRUE(p.first >= area.left && p.first < area.right && p.second >= area.top && p.second < area.bottom);
      want.insert(p);
    }
    ASSERT_EQ(Drawn(), want) << x1 << "," << y1 << " - " << x2 << "," << y2;
    ASSERT_LE(MaxCount(), 1u);
  }
}

// The longest lines an image holds (32768 pixels along either axis), where the plain store's fixed-point slope
// rounds most.
TEST_F(LinesAndOvals, LongestLinesMatchTheReference) {
  constexpr int kLong = kMemImgMaxSide, kShort = 5;
  const int lines[][4] = {{0, 0, kLong, 3}, {kLong - 1, 4, -1, 0}, {0, 4, kLong, 0}, {3, 0, kLong, 4}, {0, 1, kLong - 1, 4}};
  for (bool tall : {false, true}) {
    const int w = tall ? kShort : kLong, h = tall ? kLong : kShort;
    Image img;
    MakeBlank(&img, w, h, kFormat32);
    g_GraphDrawState.DrawArea = RECT{0, 0, w, h};
    for (const auto& l : lines) {
      const int x1 = tall ? l[1] : l[0], y1 = tall ? l[0] : l[1], x2 = tall ? l[3] : l[2], y2 = tall ? l[2] : l[3];
      FillMemImg(img.get(), nullptr, 0);
      DrawMemImgLine(img.get(), x1, y1, x2, y2, 0x00FFFFFFu);
      const auto want = softref::LinePixels(x1, y1, x2, y2, {0, 0, w, h});
      std::size_t drawn = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) drawn += GetPixel(img.get(), x, y) != 0 ? 1 : 0;
      EXPECT_EQ(drawn, want.size()) << x1 << "," << y1 << " - " << x2 << "," << y2;
      for (const auto& p : want) ASSERT_NE(GetPixel(img.get(), p.first, p.second), 0u) << p.first << "," << p.second;
    }
  }
}

// Every pixel a line or an oval covers takes the operation, in both formats and every mode, and no other pixel
// changes: two lines (one per major axis) and the 5 x 3 filled oval (rows 5, 9, 11, 11, 11, 9, 5 wide), apart.
TEST_F(LinesAndOvals, EachPixelTakesTheConstantColourOperation) {
  Pixels covered;
  for (const auto& p : softref::LinePixels(1, 2, 37, 30, {0, 0, 40, 40})) covered.insert(p);
  for (const auto& p : softref::LinePixels(38, 0, 36, 39, {0, 0, 40, 40})) covered.insert(p);
  const int ovalWidths[7] = {5, 9, 11, 11, 11, 9, 5};
  for (int row = 0; row < 7; ++row)
    for (int i = 0; i < ovalWidths[row]; ++i) covered.insert({30 - ovalWidths[row] / 2 + i, 5 + row});
  ASSERT_EQ(covered.size(), 36u + 39u + 61u);
  PixelMaker pm(12);
  for (int format : {kFormat16, kFormat32})
    for (int mode : {0, 1, 2, 3, 4, 5})
      for (int p : {0, 1, 128, 255})
        for (std::uint32_t br : {0xFFFFFFu, 0x80FF40u}) {
          Image d;
          softtest::MakeDest(&d, format, 40, 40, pm);
          const softref::Plane before = ToPlane(d.get());
          g_GraphDrawState.DrawArea = RECT{0, 0, 40, 40};
          g_GraphDrawState.BlendMode = mode;
          g_GraphDrawState.BlendParam = p;
          g_GraphDrawState.Brightness = br;
          const std::uint32_t colour = pm.Colour(format);
          DrawMemImgLine(d.get(), 1, 2, 37, 30, colour);
          DrawMemImgLine(d.get(), 38, 0, 36, 39, colour);
          DrawMemImgOval(d.get(), 30, 8, 5, 3, colour, 1);
          for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
              const std::uint32_t was = before.At(x, y);
              const std::uint32_t want =
                  covered.count({x, y}) != 0 ? softref::FillPixel(format, mode, p, br, colour, was) : was;
              ASSERT_EQ(GetPixel(d.get(), x, y), want)
                  << format << " mode " << mode << " P " << p << " at " << x << ", " << y;
            }
        }
}

TEST_F(LinesAndOvals, BoxOutlineWritesEveryCornerOnce) {
  SetGlueDirectDrawReady(1);
  DrawScreenMemImg = dst_.get();
  CountMode();
  EXPECT_EQ(DrawBoxFrameSoft(10, 10, 20, 15, 0x00010101u), 0);
  Pixels want;
  for (int x = 10; x < 20; ++x) want.insert({x, 10}), want.insert({x, 14});
  for (int y = 10; y < 15; ++y) want.insert({10, y}), want.insert({19, y});
  EXPECT_EQ(Drawn(), want);
  EXPECT_EQ(MaxCount(), 1u);
  // One pixel wide: the inner pixels twice, the ends once. One by one: nothing.
  FillMemImg(dst_.get(), nullptr, 0);
  DrawBoxFrameSoft(30, 30, 31, 34, 0x00010101u);
  EXPECT_EQ(GetPixel(dst_.get(), 30, 30) & 0xFF, 1u);
  EXPECT_EQ(GetPixel(dst_.get(), 30, 31) & 0xFF, 2u);
  EXPECT_EQ(GetPixel(dst_.get(), 30, 33) & 0xFF, 1u);
  FillMemImg(dst_.get(), nullptr, 0);
  DrawBoxFrameSoft(40, 40, 41, 41, 0x00010101u);
  EXPECT_TRUE(Drawn().empty());
  EXPECT_EQ(DrawLineSoft(5, 5, 5, 5, 0xFFu), 0);
  ResetGlue();
}

TEST_F(LinesAndOvals, OvalRowWidthsAndPixelCounts) {
  struct Case {
    int rx, ry, fill;
    int count;
    std::vector<int> widths;  // filled: widths of the rows from the top
  } cases[] = {
      {1, 1, 1, 5, {1, 3, 1}},
      {1, 1, 0, 4, {}},
      {2, 2, 1, 21, {3, 5, 5, 5, 3}},
      {2, 2, 0, 12, {}},
      {5, 3, 1, 61, {5, 9, 11, 11, 11, 9, 5}},
      {5, 3, 0, 28, {}},
      {3, 7, 1, 97, {5, 5, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 5, 5}},
      {3, 7, 0, 40, {}},
      {10, 1, 1, 23, {1, 21, 1}},
      {10, 1, 0, 22, {}},
      {-5, -3, 1, 61, {5, 9, 11, 11, 11, 9, 5}},
  };
  for (const Case& c : cases) {
    FillMemImg(dst_.get(), nullptr, 0);
    CountMode();
    DrawMemImgOval(dst_.get(), 50, 50, c.rx, c.ry, 0x00010101u, c.fill);
    const Pixels got = Drawn();
    EXPECT_EQ(static_cast<int>(got.size()), c.count) << c.rx << "x" << c.ry << " fill " << c.fill;
    EXPECT_EQ(MaxCount(), 1u) << c.rx << "x" << c.ry << " fill " << c.fill;
    if (!c.widths.empty()) {
      std::map<int, int> rows;
      for (const auto& p : got) ++rows[p.second];
      std::vector<int> widths;
      for (const auto& [y, w] : rows) widths.push_back(w);
      EXPECT_EQ(widths, c.widths) << c.rx << "x" << c.ry;
      EXPECT_EQ(rows.begin()->first, 50 - static_cast<int>(c.widths.size() / 2));
    }
  }
  // The flat outline keeps its centre row without the centre pixel.
  FillMemImg(dst_.get(), nullptr, 0);
  DrawMemImgOval(dst_.get(), 50, 50, 10, 1, 0x00010101u, 0);
  const Pixels flat = Drawn();
  EXPECT_EQ(flat.count({50, 50}), 0u);
  EXPECT_EQ(flat.count({40, 50}) + flat.count({60, 50}) + flat.count({50, 49}) + flat.count({50, 51}), 4u);
}

// The oval walk one step at a time, straight from its tables: the pixels of the oval centred at (50, 50) inside the
// 100 x 100 area (filled: whole rows, each row once at the first X that reaches it).
Pixels ReferenceOval(std::int64_t a, std::int64_t b, bool fill) {
  Pixels out;
  std::set<std::int64_t> rows;
  auto row = [&](std::int64_t yy, std::int64_t xl, std::int64_t xr) {
    if (yy < 0 || yy > 99 || !rows.insert(yy).second || xr < 0 || xl > 99) return;
    for (std::int64_t x = std::max<std::int64_t>(xl, 0); x <= std::min<std::int64_t>(xr, 99); ++x)
      out.insert({static_cast<int>(x), static_cast<int>(yy)});
  };
  auto plot = [&](std::int64_t px, std::int64_t py) {
    if (px >= 0 && px <= 99 && py >= 0 && py <= 99) out.insert({static_cast<int>(px), static_cast<int>(py)});
  };
  std::int64_t X = a, Y = 0, acc = 0, d1 = 3 - 2 * a, d2 = 3 - 4 * a;
  const bool wide = a >= b;
  const std::int64_t tr = wide ? a * a / b : b * b / a;
  bool moved = false;
  auto step = [&] {
    const std::int64_t ox = X, oy = Y;
    const bool rise = d1 < 0;
    const bool both = !rise && d2 >= 0;
    if (wide) {
      if (!rise) --X;
      if (!both) {
        acc += b;
        if (acc >= tr) ++Y, acc -= tr;
      }
    } else {
      if (!rise) {
        acc += a;
        if (acc >= tr) --X, acc -= tr;
      }
      if (!both) ++Y;
    }
    if (rise) d1 += 4 * Y + 2, d2 += 4 * Y;
    else if (both) d1 -= 4 * X, d2 += 2 - 4 * X;
    else d1 += 4 * (Y - X) + 2, d2 += 4 * (Y - X) + 2;
    moved = fill ? Y != oy : (X != ox || Y != oy);
  };
  if (fill) row(50, 50 - a, 50 + a);
  else plot(50 - a, 50), plot(50 + a, 50);
  for (step(); X > 0; step()) {
    if (!moved) continue;
    if (fill) row(50 + Y, 50 - X, 50 + X), row(50 - Y, 50 - X, 50 + X);
    else plot(50 - X, 50 + Y), plot(50 + X, 50 + Y), plot(50 - X, 50 - Y), plot(50 + X, 50 - Y);
  }
  if (fill) row(50 - Y, 50 - X, 50 + X), row(50 + Y, 50 - X, 50 + X);
  else plot(50 + X, 50 - Y), plot(50 - X, 50 + Y);
  return out;
}

// Flat and tall ovals far past any step count are drawn, with the pixels of the one-step-at-a-time walk.
TEST_F(LinesAndOvals, FlatOvalsMatchTheStepByStepWalk) {
  // 4200 x 1 walks 4200^2 > 2^24 steps, past the old step limit; the reference walker is slow there, so those two
  // take one kind each.
  const struct {
    int rx, ry, firstFill, lastFill;
  } cases[] = {{1, 1, 0, 1},    {7, 7, 0, 1},      {60, 3, 0, 1},     {3, 60, 0, 1},  {257, 2, 0, 1},
               {2, 257, 0, 1},  {4200, 1, 1, 1},   {1, 4200, 0, 0},   {9000, 37, 0, 1}, {37, 9000, 0, 1},
               {45, 44, 0, 1},  {44, 45, 0, 1}};
  CountMode();
  for (const auto& c : cases) {
    for (int fill = c.firstFill; fill <= c.lastFill; ++fill) {
      FillMemImg(dst_.get(), nullptr, 0);
      DrawMemImgOval(dst_.get(), 50, 50, c.rx, c.ry, 0x00010101u, fill);
      EXPECT_EQ(Drawn(), ReferenceOval(c.rx, c.ry, fill != 0)) << c.rx << "x" << c.ry << " fill " << fill;
      EXPECT_EQ(MaxCount(), 1u) << c.rx << "x" << c.ry << " fill " << fill;
    }
  }
  // The flattest ovals the radius limit allows: the centre row (or column) crosses the whole area.
  for (const auto& c : {std::pair{46340, 1}, std::pair{1, 46340}}) {
    FillMemImg(dst_.get(), nullptr, 0);
    DrawMemImgOval(dst_.get(), 50, 50, c.first, c.second, 0x00010101u, 1);
    const Pixels got = Drawn();
    for (int i = 0; i < 100; ++i)
      ASSERT_EQ(got.count(c.first > 1 ? std::pair{i, 50} : std::pair{50, i}), 1u) << c.first << "x" << c.second;
    EXPECT_EQ(MaxCount(), 1u);
  }
}

TEST_F(LinesAndOvals, OvalsAreClippedByTheDrawArea) {
  g_GraphDrawState.DrawArea = RECT{20, 30, 60, 70};
  CountMode();
  for (int fill : {0, 1}) {
    FillMemImg(dst_.get(), nullptr, 0);
    DrawMemImgOval(dst_.get(), 25, 35, 30, 20, 0x00010101u, fill);
    const Pixels got = Drawn();
    EXPECT_FALSE(got.empty());
    for (const auto& p : got) ASSERT_TRUE(p.first >= 20 && p.first < 60 && p.second >= 30 && p.second < 70);
    EXPECT_EQ(MaxCount(), 1u);
  }
}

TEST_F(LinesAndOvals, OvalLimitsAndRefusals) {
  const struct {
    int rx, ry;
  } refused[] = {{0, 5}, {5, 0}, {46341, 10}, {INT32_MIN, 3}};
  for (const auto& c : refused) {
    FillMemImg(dst_.get(), nullptr, 0);
    DrawMemImgOval(dst_.get(), 50, 50, c.rx, c.ry, 0xFFFFFFu, 1);
    DrawMemImgOval(dst_.get(), 50, 50, c.rx, c.ry, 0xFFFFFFu, 0);
    EXPECT_TRUE(Drawn().empty()) << c.rx << "x" << c.ry;
  }
  // The largest radius is still drawn (clipped), and centres far outside draw nothing.
  DrawMemImgOval(dst_.get(), 50, 50, 46340, 46340, 0xFFFFFFu, 1);
  EXPECT_EQ(Drawn().size(), 100u * 100u);
  FillMemImg(dst_.get(), nullptr, 0);
  DrawMemImgOval(dst_.get(), INT32_MAX, INT32_MIN, 40, 40, 0xFFFFFFu, 1);
  DrawMemImgOval(dst_.get(), INT32_MIN, INT32_MAX, 40, 40, 0xFFFFFFu, 0);
  EXPECT_TRUE(Drawn().empty());
  // Other formats and blend mode 5 leave the image alone.
  Image z;
  MakeZBufferMemImg(z.get(), 20, 20);
  FillMemImg(z.get(), nullptr, 0x1234);
  DrawMemImgOval(z.get(), 10, 10, 3, 3, 0xFFFFu, 1);
  EXPECT_EQ(GetPixel(z.get(), 10, 10), 0x1234u);
  g_GraphDrawState.BlendMode = 5;
  DrawMemImgOval(dst_.get(), 50, 50, 5, 5, 0xFFFFFFu, 1);
  EXPECT_TRUE(Drawn().empty());
}

}  // namespace
