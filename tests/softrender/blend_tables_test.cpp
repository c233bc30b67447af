// The blend tables and the level table against their definitions (computed independently by the reference).
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/graphics/blend_tables.h"
#include "tests/softrender/reference/softrender_reference.h"

namespace {

TEST(BlendTables, MatchTheirDefinitions) {
  BuildBlendTables();
  EXPECT_EQ(g_BlendTablesReady, 1);
  for (int r = 0; r < 256; ++r) {
    for (int v = 0; v < 256; ++v) ASSERT_EQ(BlendScaleTable[r][v], softref::Scale(r, v)) << r << " " << v;
    for (int e = -255; e <= 255; ++e) ASSERT_EQ(BlendDeltaTable[r][kBlendDeltaZero + e], softref::Delta(r, e));
  }
  for (int k = 0; k < 64; ++k)
    for (int s = 0; s < 64; ++s)
      for (int d = 0; d < 64; ++d) ASSERT_EQ(BlendMixTable64[k][s][d], softref::Mix64(k, s, d));
  EXPECT_EQ(BlendDeltaTable[128][kBlendDeltaZero - 255], -128);  // rounds toward zero
  EXPECT_EQ(BlendDeltaTable[128][kBlendDeltaZero + 255], 128);
}

// The division by 255 that the vector loops use in place of BlendScaleTable: (x * 0x8081) >> 23 for 16-bit x.
TEST(BlendTables, DivisionBy255ShortcutIsExactForEveryProduct) {
  for (std::uint32_t x = 0; x <= 0xFFFF; ++x) ASSERT_EQ((x * 0x8081u) >> 23, x / 255) << x;
}

struct LevelCase {
  int border, range;
  std::vector<std::pair<int, int>> points;  // v, level
};

TEST(BlendTables, LevelTableRows) {
  const LevelCase cases[] = {
      {128, 255, {{0, 0}, {1, 1}, {100, 100}, {255, 255}}},
      {128, 0, {{0, 0}, {127, 0}, {128, 128}, {129, 255}, {255, 255}}},
      {64, 127, {{0, 64}, {1, 66}, {64, 192}, {95, 254}, {96, 255}, {255, 255}}},
      {200, 50, {{0, 0}, {188, 0}, {200, 56}, {240, 255}, {255, 255}}},
      {0, 0, {{0, 255}, {128, 255}, {255, 255}}},
      {0, 77, {{0, 255}, {255, 255}}},
      {255, 255, {{0, 0}, {254, 0}, {255, 1}}},
      {255, 3, {{0, 0}, {254, 0}, {255, 1}}},
      {300, -4, {{0, 0}, {254, 0}, {255, 1}}},  // clamped to 255, 0
  };
  for (const LevelCase& c : cases) {
    BuildBlendGraphLevelTable(c.border, c.range);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(BlendGraphLevelTable[v], softref::Level(c.border, c.range, v));
    for (auto [v, level] : c.points) EXPECT_EQ(BlendGraphLevelTable[v], level) << c.border << "," << c.range << " v=" << v;
  }
}

}  // namespace
