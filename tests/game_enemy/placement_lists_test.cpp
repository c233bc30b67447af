// The placement lists of stage 1 against their specification (kinds, counts, parameters, room spans, guards), their
// entries inside rooms that hold geometry, and the guards at placement.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "game/enemy/placement_lists.h"
#include "game/stage/level_data.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;

struct KindCount {
  int kind;
  int count;
  std::set<int> params;
};
struct ListSpec {
  int hero;
  int area;
  int entries;  // enemy entries, guarded ones included
  int col_lo, col_hi, row_lo, row_hi;
  std::vector<KindCount> kinds;
};

const ListSpec kStage1[] = {
    {0, 1, 64, 0, 14, 0, 2, {{4, 3, {0}}, {5, 21, {1, 2, 3}}, {6, 2, {1}}, {7, 4, {2, 4, 5}}, {10, 1, {1}}, {37, 33, {1}}}},
    {0, 2, 66, 1, 15, 1, 2, {{4, 4, {0}}, {5, 19, {1, 2, 3}}, {6, 7, {1, 2}}, {7, 4, {2, 3}}, {37, 32, {1}}}},
    {1, 1, 76, 1, 14, 0, 2,
     {{4, 5, {0, 1}}, {5, 20, {1, 2, 3}}, {7, 2, {2, 4}}, {13, 9, {1, 2}}, {30, 6, {1}}, {35, 1, {0}}, {37, 27, {1}},
      {38, 4, {1}}, {39, 2, {1}}}},
    {1, 2, 46, 1, 15, 1, 2,
     {{4, 6, {0, 1}}, {5, 10, {1, 2, 3}}, {7, 4, {2, 3}}, {13, 15, {1, 2}}, {30, 11, {1, 153, 154, 253, 254, 255}}}},
};

TEST_F(Enemies, StageOneListsMatchTheirKindsCountsParametersAndSpans) {
  for (const ListSpec& spec : kStage1) {
    const auto list = placement_list(1, spec.hero, spec.area);
    std::map<int, int> counts;
    std::map<int, std::set<int>> params;
    int entries = 0;
    int col_lo = 99, col_hi = -1, row_lo = 99, row_hi = -1;
    for (const Placement& e : list) {
      if (e.pickup) continue;
      ++entries;
      ++counts[e.kind];
      params[e.kind].insert(e.param);
      col_lo = std::min(col_lo, e.room_x);
      col_hi = std::max(col_hi, e.room_x);
      row_lo = std::min(row_lo, e.room_y);
      row_hi = std::max(row_hi, e.room_y);
      EXPECT_TRUE(e.x >= 0 && e.x < 640 && e.y >= 0 && e.y < 480) << e.kind << " offset " << e.x << "," << e.y;
    }
    const std::string name = "hero " + std::to_string(spec.hero) + " area " + std::to_string(spec.area);
    EXPECT_EQ(entries, spec.entries) << name;
    EXPECT_EQ(std::make_pair(col_lo, col_hi), std::make_pair(spec.col_lo, spec.col_hi)) << name;
    EXPECT_EQ(std::make_pair(row_lo, row_hi), std::make_pair(spec.row_lo, spec.row_hi)) << name;
    EXPECT_EQ(counts.size(), spec.kinds.size()) << name;
    for (const KindCount& k : spec.kinds) {
      EXPECT_EQ(counts[k.kind], k.count) << name << " kind " << k.kind;
      EXPECT_EQ(params[k.kind], k.params) << name << " kind " << k.kind;
    }
  }
  EXPECT_EQ(placement_list(1, 0, 3).data(), placement_list(1, 0, 2).data()) << "area 3 takes the list of area 2";
  EXPECT_TRUE(placement_list(7, 0, 1).empty());
}

TEST_F(Enemies, StageOneEntriesStandInRoomsOfTheArea) {
  for (const ListSpec& spec : kStage1) {
    const LevelDataSet* level = find_level_data(1, spec.area);
    ASSERT_NE(level, nullptr);
    std::set<std::pair<int, int>> rooms;
    for (int k = 0; k < level->entry_count; ++k) {
      const LevelEntry& g = level->entries[k];
      if (g.kind == EntryKind::gimmick) rooms.insert({g.room_x, g.room_y});
    }
    for (const Placement& e : placement_list(1, spec.hero, spec.area)) {
      if (e.pickup) continue;
      EXPECT_TRUE(rooms.count({e.room_x, e.room_y})) << "kind " << e.kind << " in room " << e.room_x << ","
                                                       << e.room_y << " (hero " << spec.hero << ")";
    }
  }
}

TEST_F(Enemies, GuardedEntriesArePlacedOnlyWhileTheirItemIsNotTaken) {
  auto placeable = [](int hero_id, int area_id, bool pickups) {
    int n = 0;
    for (const Placement& e : placement_list(1, hero_id, area_id)) n += e.pickup == pickups && placement_guard_holds(e);
    return n;
  };
  stage = 1;
  EXPECT_EQ(placeable(0, 1, true), 2);
  stage_flags[1] = 1;
  EXPECT_EQ(placeable(0, 1, false), 64);
  EXPECT_EQ(placeable(0, 1, true), 1) << "the skill gem is gone, the max-SP item is still there";
  sp_up[0] = 1;
  EXPECT_EQ(placeable(0, 1, true), 0);
  EXPECT_EQ(placeable(0, 2, true), 1);
  hp_up[0] = 1;
  EXPECT_EQ(placeable(0, 2, true), 0);
  EXPECT_EQ(placeable(1, 1, false), 75) << "the second hero's skill item is gone";
  stage_flags[1] = 0;
  hero = 1;
  area = 1;
  place_enemies_stage1();
  EXPECT_EQ(enemy_count, 76);
  int orbs = 0;
  for (const EnemyRecord& e : enemy_pool) orbs += e.state == enemy_active && e.type == 35 && e.param == 0;
  EXPECT_EQ(orbs, 1);
}

}  // namespace
