// Every combination of format x source kind x blend mode x brightness x transparent flag x blend graphic x P, drawn
// through the per-pixel, run-coded and stretched transfers onto random destinations, compared pixel by pixel with
// the reference model; pixels outside the draw area (a canary margin) must not change.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/graphics/blend_tables.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/draw_memimg.h"
#include "tests/softrender/test_images.h"

namespace {

using softtest::Image;
using softtest::PixelMaker;

constexpr int kBorder = 100, kRange = 80;  // blend-graphic levels: 0 below ~78, ramp, 255 above ~120
using Combo = softtest::BlendCombo;
std::vector<Combo> AllCombos() { return softtest::AllBlendCombos(); }

class TransferMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildBlendTables();
    BuildBlendGraphLevelTable(kBorder, kRange);
    ResetGraphDrawState();
  }
  void TearDown() override { ResetGraphDrawState(); }

  // A blend graphic: one byte per pixel, bytes around the level table's edges.
  static void MakeMap(Image* out, int w, int h, PixelMaker& pm) {
    InitMemImg(out->get(), w, h, -1, 0, kFormat8, 0, 0, 0);
    static constexpr std::uint8_t kBytes[] = {0, 1, 77, 78, 100, 119, 120, 254, 255};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        out->get()->Image[y * out->get()->Pitch + x] =
            pm.Below(3) == 0 ? static_cast<std::uint8_t>(pm.Raw()) : kBytes[pm.Below(9)];
  }

  static void Apply(const Combo& c) {
    g_GraphDrawState.BlendMode = c.mode;
    g_GraphDrawState.BlendParam = c.param;
    g_GraphDrawState.Brightness = c.brightness;
  }
};

softref::Draw RefDraw(const Combo& c, softref::Path path) {
  softref::Draw d;
  d.mode = c.mode;
  d.param = c.param;
  d.brightness = c.brightness;
  d.transparent = c.transparent;
  d.useLevel = c.map;
  d.path = path;
  return d;
}

// Checks every destination pixel: inside `drawn` (destination coordinates) the expected function's value, elsewhere
// the old value.
template <typename Expect>
void CheckDest(const MEMIMG* dest, const std::vector<std::uint32_t>& before, const RECT& drawn, Expect expect,
               const std::string& what, int* failures) {
  for (int y = 0; y < dest->Height; ++y)
    for (int x = 0; x < dest->Width; ++x) {
      const std::uint32_t old = before[static_cast<std::size_t>(y * dest->Width + x)];
      const bool inside = x >= drawn.left && x < drawn.right && y >= drawn.top && y < drawn.bottom;
      const std::uint32_t want = inside ? expect(x, y, old) : old;
      const std::uint32_t got = softtest::GetPixel(dest, x, y);
      if (got != want && ++*failures <= 10)
        ADD_FAILURE() << what << " at (" << x << "," << y << ") got 0x" << std::hex << got << " want 0x" << want
                      << " old 0x" << old;
    }
}

TEST_F(TransferMatrix, PerPixelPathMatchesReference) {
  int failures = 0;
  std::uint32_t seed = 1;
  for (const Combo& c : AllCombos()) {
    PixelMaker pm(seed++);
    Image src, dst, map;
    softtest::MakeSource(&src, c.format, c.kind, 13, 9, pm);
    softtest::MakeDest(&dst, c.format, 24, 16, pm);
    MakeMap(&map, 16, 12, pm);
    std::vector<std::uint32_t> entries;
    const softref::Source rs = softtest::RefSource(src.get(), &entries);
    const auto before = softtest::Snapshot(dst.get());
    Apply(c);
    g_GraphDrawState.DrawArea = {2, 2, 22, 14};  // canary margin of 2 pixels
    const int x = -3, y = 7;                     // clipped on the left and at the bottom
    DrawMemImg(dst.get(), src.get(), x, y, c.transparent, c.map ? map.get() : nullptr);
    const softref::Draw rd = RefDraw(c, softref::Path::kPerPixel);
    CheckDest(dst.get(), before, RECT{2, 7, 10, 14}, [&](int dx, int dy, std::uint32_t old) {
      const int sx = dx - x, sy = dy - y;
      return softref::BlendPixel(rs, rd, softtest::GetPixel(src.get(), sx, sy), old,
                                 softref::Level(kBorder, kRange, map.get()->Image[sy * map.get()->Pitch + sx]));
    }, "per-pixel " + c.Name(), &failures);
    if (failures > 10) return;
  }
}

TEST_F(TransferMatrix, RunCodedPathMatchesReference) {
  int failures = 0;
  std::uint32_t seed = 100000;
  for (const Combo& c : AllCombos()) {
    if (c.transparent != 1) continue;
    PixelMaker pm(seed++);
    Image src, dst, map;
    // 70 pixels wide: rows split into runs longer than 64.
    softtest::MakeSource(&src, c.format, c.kind, 70, 5, pm);
    for (int x = 0; x < 70; ++x) softtest::SetPixel(src.get(), x, 0, c.kind == softtest::kAlpha ? 0xFF000000u | (c.format == kFormat16 ? 0xFF0000u : 0u) | static_cast<std::uint32_t>(x) : static_cast<std::uint32_t>(x + 100));
    // Row 1: long transparent stretches (runs of 64 and more) between drawn pixels, which the walk jumps over.
    for (int x = 0; x < 70; ++x) {
      if (x == 3 || x == 4 || x == 50 || x == 69) continue;
      const std::uint32_t old = softtest::GetPixel(src.get(), x, 1);
      softtest::SetPixel(src.get(), x, 1,
                         c.kind == softtest::kAlpha ? (c.format == kFormat16 ? old & 0xFF00FFFFu : old & 0x00FFFFFFu)
                                                    : src.get()->TransColor);
    }
    BuildMemImgRunTable(src.get());
    softtest::MakeDest(&dst, c.format, 76, 9, pm);
    MakeMap(&map, 72, 5, pm);
    std::vector<std::uint32_t> entries;
    const softref::Source rs = softtest::RefSource(src.get(), &entries);
    const auto before = softtest::Snapshot(dst.get());
    Apply(c);
    g_GraphDrawState.DrawArea = {2, 2, 74, 8};
    DrawMemImg(dst.get(), src.get(), 3, 2, 1, c.map ? map.get() : nullptr);
    softref::Draw rd = RefDraw(c, softref::Path::kRunCoded);
    CheckDest(dst.get(), before, RECT{3, 2, 73, 7}, [&](int dx, int dy, std::uint32_t old) {
      const std::uint32_t s = softtest::GetPixel(src.get(), dx - 3, dy - 2);
      if (softref::IsSkipPixel(rs, s)) return old;
      rd.run = softref::RunKindOf(rs, s);
      return softref::BlendPixel(rs, rd, s, old, softref::Level(kBorder, kRange, map.get()->Image[(dy - 2) * map.get()->Pitch + dx - 3]));
    }, "run-coded " + c.Name(), &failures);
    if (failures > 10) return;
  }
}

// Wide rows whose transparent stretches reach and pass the length the walk jumps over (256 pixels, four full skip
// runs) at several offsets in the code bytes, next to shorter ones, and a row that is all transparent; the same rows
// again at the bottom, after more rows without such stretches than the walk reads before it stops using the table.
TEST_F(TransferMatrix, RunCodedPathOverLongTransparentStretchesMatchesReference) {
  constexpr int kW = 600, kH = 24;
  const std::vector<std::vector<int>> drawnColumns = {{3, 4, 50, 69, 341, 598, 599}, {0, 256, 599}, {}};
  auto patternOf = [&](int row) -> const std::vector<int>* {
    if (row >= 1 && row <= 3) return &drawnColumns[static_cast<std::size_t>(row - 1)];
    if (row >= kH - 3) return &drawnColumns[static_cast<std::size_t>(row - (kH - 3))];
    return nullptr;
  };
  int failures = 0;
  std::uint32_t seed = 200000;
  for (const Combo& c : AllCombos()) {
    if (c.transparent != 1 || c.map) continue;
    PixelMaker pm(seed++);
    Image src, dst;
    softtest::MakeSource(&src, c.format, c.kind, kW, kH, pm);
    for (int row = 1; row < kH; ++row) {
      if (patternOf(row) == nullptr) continue;
      const std::vector<int>& keep = *patternOf(row);
      for (int x = 0; x < kW; ++x) {
        if (std::find(keep.begin(), keep.end(), x) != keep.end()) continue;
        const std::uint32_t old = softtest::GetPixel(src.get(), x, row);
        softtest::SetPixel(src.get(), x, row,
                           c.kind == softtest::kAlpha ? (c.format == kFormat16 ? old & 0xFF00FFFFu : old & 0x00FFFFFFu)
                                                      : src.get()->TransColor);
      }
    }
    BuildMemImgRunTable(src.get());
    softtest::MakeDest(&dst, c.format, kW + 6, kH + 4, pm);
    std::vector<std::uint32_t> entries;
    const softref::Source rs = softtest::RefSource(src.get(), &entries);
    const auto before = softtest::Snapshot(dst.get());
    Apply(c);
    g_GraphDrawState.DrawArea = {2, 2, kW + 4, kH + 3};
    DrawMemImg(dst.get(), src.get(), 3, 2, 1, nullptr);
    softref::Draw rd = RefDraw(c, softref::Path::kRunCoded);
    CheckDest(dst.get(), before, RECT{3, 2, kW + 3, kH + 2}, [&](int dx, int dy, std::uint32_t old) {
      const std::uint32_t s = softtest::GetPixel(src.get(), dx - 3, dy - 2);
      if (softref::IsSkipPixel(rs, s)) return old;
      rd.run = softref::RunKindOf(rs, s);
      return softref::BlendPixel(rs, rd, s, old, 0);
    }, "run-coded wide " + c.Name(), &failures);
    if (failures > 10) return;
  }
}

struct StretchCase {
  int rect[4];   // x1, y1, x2, y2
  RECT area;     // draw area
  int srcW = 13, srcH = 9;
};

TEST_F(TransferMatrix, StretchedPathMatchesReference) {
  const StretchCase cases[] = {
      {{14, 3, 1, 12}, {2, 2, 30, 20}},   // mirrored 1:1 in x, clipped on the left
      {{1, 12, 14, 3}, {0, 0, 30, 20}},   // mirrored 1:1 in y
      {{14, 12, 1, 3}, {2, 5, 30, 20}},   // mirrored 1:1 both ways, clipped on the left and at the top
      {{0, 0, 26, 18}, {3, 1, 28, 17}},   // doubled, clipped
      {{4, 4, 10, 8}, {0, 0, 30, 20}},    // reduced (13 -> 6, 9 -> 4)
      {{29, 19, 2, 1}, {1, 2, 27, 18}},   // odd scale, mirrored both ways, clipped
      {{1, 3, 7, 7}, {2, 4, 30, 20}, 12, 8},    // halved (12 -> 6, 8 -> 4), a column and a row clipped
      {{6, 13, 3, 3}, {0, 4, 30, 20}, 12, 8},   // quartered across (12 -> 3), 8 -> 10 down, mirrored, clipped
  };
  int failures = 0;
  std::uint32_t seed = 200000;
  for (const Combo& c : AllCombos()) {
    for (const StretchCase& sc : cases) {
      PixelMaker pm(seed++);
      Image src, dst, map;
      softtest::MakeSource(&src, c.format, c.kind, sc.srcW, sc.srcH, pm);
      softtest::MakeDest(&dst, c.format, 32, 22, pm);
      MakeMap(&map, sc.srcW, sc.srcH, pm);
      std::vector<std::uint32_t> entries;
      const softref::Source rs = softtest::RefSource(src.get(), &entries);
      const auto before = softtest::Snapshot(dst.get());
      Apply(c);
      g_GraphDrawState.DrawArea = sc.area;
      DrawMemImgStretched(dst.get(), src.get(), sc.rect, c.transparent, c.map ? map.get() : nullptr);
      const int left = std::min(sc.rect[0], sc.rect[2]), right = std::max(sc.rect[0], sc.rect[2]);
      const int top = std::min(sc.rect[1], sc.rect[3]), bottom = std::max(sc.rect[1], sc.rect[3]);
      RECT drawn{std::max(left, static_cast<int>(sc.area.left)), std::max(top, static_cast<int>(sc.area.top)),
                 std::min(right, static_cast<int>(sc.area.right)), std::min(bottom, static_cast<int>(sc.area.bottom))};
      const softref::Draw rd = RefDraw(c, softref::Path::kStretched);
      const bool stopAtZero = softref::StretchStopsAtZero(rs, rd);
      CheckDest(dst.get(), before, drawn, [&](int dx, int dy, std::uint32_t old) {
        int sx = softref::StretchedSourceIndex(dx - left, right - left, sc.srcW, stopAtZero);
        int sy = softref::StretchedSourceIndex(dy - top, bottom - top, sc.srcH, stopAtZero);
        if (sc.rect[0] > sc.rect[2]) sx = sc.srcW - 1 - sx;
        if (sc.rect[1] > sc.rect[3]) sy = sc.srcH - 1 - sy;
        return softref::BlendPixel(rs, rd, softtest::GetPixel(src.get(), sx, sy), old,
                                   softref::Level(kBorder, kRange, map.get()->Image[sy * map.get()->Pitch + sx]));
      }, "stretched " + c.Name(), &failures);
      if (failures > 10) return;
    }
  }
}

}  // namespace
