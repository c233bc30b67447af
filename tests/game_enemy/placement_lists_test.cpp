// The placement lists against their design (kinds, counts, parameters, room spans, guards, the places of the guarded
// entries), their entries inside rooms that hold geometry, enemies on floors and coins within the hero's reach, and
// the guards at placement.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/enemy/placement_lists.h"
#include "game/flow/game_parts.h"
#include "game/stage/gimmicks.h"
#include "game/stage/level_data.h"
#include "game/stage/stage_build.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;

struct KindCount {
  int kind;
  int count;
  std::set<int> params;
};
struct ListDesign {
  int stage;
  int hero;
  int area;
  int entries;  // enemy entries, guarded ones included
  int col_lo, col_hi, row_lo, row_hi;
  std::vector<KindCount> kinds;
};

const ListDesign kLists[] = {
    {1, 0, 1, 64, 0, 14, 0, 2, {{4, 3, {0}}, {5, 21, {1, 2, 3}}, {6, 2, {1}}, {7, 4, {2, 4, 5}}, {10, 1, {1}}, {37, 33, {1}}}},
    {1, 0, 2, 66, 1, 15, 1, 2, {{4, 4, {0}}, {5, 19, {1, 2, 3}}, {6, 7, {1, 2}}, {7, 4, {2, 3}}, {37, 32, {1}}}},
    {1, 1, 1, 76, 1, 14, 0, 2,
     {{4, 5, {0, 1}}, {5, 20, {1, 2, 3}}, {7, 2, {2, 4}}, {13, 9, {1, 2}}, {30, 6, {1}}, {35, 1, {0}}, {37, 27, {1}},
      {38, 4, {1}}, {39, 2, {1}}}},
    {1, 1, 2, 46, 1, 15, 1, 2,
     {{4, 6, {0, 1}}, {5, 10, {1, 2, 3}}, {7, 4, {2, 3}}, {13, 15, {1, 2}}, {30, 11, {1, 153, 154, 253, 254, 255}}}},
    {2, 0, 1, 72, 1, 15, 0, 2, {{2, 8, {3}}, {4, 2, {0}}, {5, 11, {1, 2, 3}}, {6, 2, {1, 2}}, {9, 1, {1}},
     {14, 5, {0}}, {37, 43, {1}}}},
    {2, 0, 2, 76, 1, 12, 0, 3, {{2, 10, {3, 5, 7}}, {5, 14, {1, 2, 3}}, {6, 4, {1, 2}}, {9, 5, {1}}, {14, 7, {0}},
     {37, 24, {1}}, {38, 9, {1}}, {39, 3, {1}}}},
    {2, 1, 1, 85, 0, 15, 0, 2, {{5, 8, {1, 2, 3}}, {13, 5, {1, 2}}, {14, 14, {0}},
     {30, 12, {1, 203, 204, 205, 206, 303, 305, 306}}, {32, 6, {2}}, {37, 34, {1}}, {38, 6, {1}}}},
    {2, 1, 2, 115, 1, 12, 0, 3, {{5, 17, {1, 2, 3}}, {13, 11, {1, 2}}, {14, 13, {0}},
     {30, 21, {1, 102, 223, 224, 333, 334, 335, 373, 374, 383, 384, 386}}, {32, 6, {2}}, {35, 1, {1}},
     {37, 27, {1}}, {38, 16, {1}}, {39, 3, {1}}}},
    {3, 0, 1, 57, 1, 12, 0, 3, {{3, 6, {1}}, {11, 16, {1, 203, 204, 252, 253, 254}}, {22, 5, {1, 2}}, {25, 3, {1}},
     {37, 25, {1}}, {38, 2, {1}}}},
    {3, 0, 2, 90, 1, 16, 1, 3, {{3, 8, {1}}, {11, 25, {1, 252, 253, 254, 304, 325}}, {21, 10, {2}}, {22, 8, {3}},
     {25, 4, {1}}, {37, 18, {1}}, {38, 15, {1}}, {39, 2, {1}}}},
    {3, 1, 1, 62, 1, 12, 0, 2, {{19, 8, {1, 2, 3}}, {29, 6, {150, 180, 200, 250}},
     {30, 15, {1, 203, 204, 253, 254, 255}}, {37, 20, {1}}, {38, 13, {1}}}},
    {3, 1, 2, 114, 1, 16, 0, 3, {{19, 26, {1, 2, 3}}, {29, 9, {220, 240, 250, 300, 310, 460, 550}},
     {30, 16, {1, 233, 234, 252, 253, 254, 294, 295, 303, 305, 306}}, {35, 1, {2}}, {37, 39, {1}}, {38, 19, {1}},
     {39, 4, {1}}}},
    {4, 0, 1, 90, 1, 15, 0, 3, {{5, 14, {1, 2, 3}}, {6, 6, {1, 2}}, {8, 15, {1, 2}}, {10, 6, {1}}, {17, 1, {200}},
     {23, 4, {1}}, {37, 29, {1}}, {38, 10, {1}}, {39, 5, {1}}}},
    {4, 0, 2, 67, 1, 15, 0, 2, {{5, 3, {1, 2}}, {7, 3, {3}}, {8, 5, {1, 2}}, {10, 4, {1}}, {17, 7, {1, 200}},
     {23, 7, {1}}, {37, 29, {1}}, {38, 7, {1}}, {39, 2, {1}}}},
    {4, 1, 1, 96, 1, 15, 0, 3, {{15, 3, {1}}, {16, 13, {1}}, {18, 6, {1}}, {20, 9, {2}}, {24, 9, {1, 2}},
     {34, 1, {2}}, {37, 34, {1}}, {38, 19, {1}}, {39, 2, {1}}}},
    {4, 1, 2, 76, 1, 16, 0, 2, {{15, 10, {1}}, {16, 8, {1}}, {18, 3, {1}}, {20, 3, {1}}, {24, 13, {1, 2}},
     {35, 1, {3}}, {37, 28, {1}}, {38, 8, {1}}, {39, 2, {1}}}},
    {5, 0, 1, 66, 1, 14, 0, 2, {{5, 16, {1, 2, 3}}, {7, 8, {2, 3, 4, 5}}, {9, 7, {1}}, {12, 4, {1}}, {37, 26, {1}},
     {38, 4, {1}}, {39, 1, {1}}}},
    {5, 0, 2, 95, 0, 13, 0, 3, {{2, 2, {5, 7}}, {5, 22, {1, 2, 3}}, {7, 8, {2, 3, 4, 6}}, {9, 11, {1, 2}},
     {12, 4, {1}}, {15, 1, {1}}, {37, 34, {1}}, {38, 10, {1}}, {39, 3, {1}}}},
    {5, 1, 1, 75, 1, 14, 0, 2, {{7, 6, {2, 3, 4, 5}}, {12, 2, {1}}, {13, 11, {1, 2}}, {15, 12, {1}}, {37, 28, {1}},
     {38, 16, {1}}}},
    {5, 1, 2, 84, 0, 13, 0, 3, {{7, 8, {2, 3, 4}}, {12, 6, {1}}, {13, 8, {1, 2}}, {15, 15, {1}}, {35, 1, {4}},
     {37, 36, {1}}, {38, 8, {1}}, {39, 2, {1}}}},
    {6, 1, 1, 67, 1, 17, 0, 2, {{15, 8, {1}}, {16, 11, {1}}, {18, 4, {1}}, {24, 5, {1, 2}}, {28, 4, {1}},
     {37, 26, {1}}, {38, 9, {1}}}},
    {6, 1, 2, 93, 0, 17, 0, 3, {{15, 11, {1}}, {16, 14, {1}}, {18, 6, {1}}, {24, 6, {1, 2}}, {28, 8, {1}},
     {31, 2, {1}}, {34, 1, {1}}, {37, 18, {1}}, {38, 21, {1}}, {39, 6, {1}}}},
};

TEST_F(Enemies, ListsMatchTheirKindsCountsParametersAndSpans) {
  for (const ListDesign& design : kLists) {
    const auto list = placement_list(design.stage, design.hero, design.area);
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
      // The two kind-31 enemies of stage 6 share one room, the second at an offset in the next column.
      if (e.kind != 31) {
        EXPECT_TRUE(e.x >= 0 && e.x < 640 && e.y >= 0 && e.y < 480) << e.kind << " offset " << e.x << "," << e.y;
      }
    }
    const std::string name = "stage " + std::to_string(design.stage) + " hero " + std::to_string(design.hero) + " area " +
                             std::to_string(design.area);
    EXPECT_EQ(entries, design.entries) << name;
    EXPECT_EQ(std::make_pair(col_lo, col_hi), std::make_pair(design.col_lo, design.col_hi)) << name;
    EXPECT_EQ(std::make_pair(row_lo, row_hi), std::make_pair(design.row_lo, design.row_hi)) << name;
    EXPECT_EQ(counts.size(), design.kinds.size()) << name;
    for (const KindCount& k : design.kinds) {
      EXPECT_EQ(counts[k.kind], k.count) << name << " kind " << k.kind;
      EXPECT_EQ(params[k.kind], k.params) << name << " kind " << k.kind;
    }
  }
  EXPECT_EQ(placement_list(1, 0, 3).data(), placement_list(1, 0, 2).data()) << "area 3 takes the list of area 2";
  EXPECT_TRUE(placement_list(6, 0, 1).empty()) << "stage 6 has lists for the second hero only";
  EXPECT_TRUE(placement_list(6, 0, 2).empty());
  EXPECT_TRUE(placement_list(7, 0, 1).empty());
}

TEST_F(Enemies, StageOneEntriesStandInRoomsOfTheArea) {
  for (const ListDesign& design : kLists) {
    if (design.stage != 1) continue;
    const LevelDataSet* level = find_level_data(1, design.area);
    ASSERT_NE(level, nullptr);
    std::set<std::pair<int, int>> rooms;
    for (int k = 0; k < level->entry_count; ++k) {
      const LevelEntry& g = level->entries[k];
      if (g.kind == EntryKind::gimmick) rooms.insert({g.room_x, g.room_y});
    }
    for (const Placement& e : placement_list(1, design.hero, design.area)) {
      if (e.pickup) continue;
      EXPECT_TRUE(rooms.count({e.room_x, e.room_y})) << "kind " << e.kind << " in room " << e.room_x << ","
                                                       << e.room_y << " (hero " << design.hero << ")";
    }
  }
}

// Stages 2 to 6: every enemy stands over a floor of its area within its kind's height, every coin hangs within the
// hero's jump over a floor. Guarded items and the fixed entries keep their own places; an enemy in a row below the
// area's floors comes up from below.
TEST_F(Enemies, EnemiesStandOnFloorsAndCoinsHangWithinReach) {
  struct Floor {
    int x0, x1, top;
  };
  for (const ListDesign& design : kLists) {
    if (design.stage == 1) continue;
    stage = design.stage;
    area = design.area;
    hero = design.hero;
    clear_object_pools();
    build_stage();
    std::vector<Floor> floors;
    for (int i = 0; i < gimmick_count; ++i) {
      const StageObject& g = gimmicks[i];
      if (g.in_use == 1 && g.solid != 0) floors.push_back({g.x + g.box_x0, g.x + g.box_x1, g.y + g.box_y0});
    }
    const LevelDataSet* level = find_level_data(design.stage, design.area);
    ASSERT_NE(level, nullptr);
    for (const Placement& e : placement_list(design.stage, design.hero, design.area)) {
      if (e.pickup || e.guard != PlacementGuard::none || e.kind == 31 || e.room_y >= level->rows) continue;
      const int x = e.room_x * 640 + e.x + 10, y = e.room_y * 480 + e.y;
      int floor = -1;
      for (const Floor& f : floors) {
        if (f.x0 <= x && x < f.x1 && f.top >= y && (floor == -1 || f.top < floor)) floor = f.top;
      }
      SCOPED_TRACE("stage " + std::to_string(design.stage) + " hero " + std::to_string(design.hero) + " area " +
                   std::to_string(design.area) + " kind " + std::to_string(e.kind) + " at " + std::to_string(x) +
                   ", " + std::to_string(y));
      ASSERT_NE(floor, -1) << "nothing under it";
      if (e.kind >= 37) {
        EXPECT_TRUE(floor - y >= 20 && floor - y <= 130) << "a coin " << floor - y << " above its floor";
      } else {
        EXPECT_LE(floor - y, 260) << "an enemy high over its floor";
      }
    }
  }
}

// Every guarded entry, and the two great walkers of stage 6, at its own place: the items the story needs stand
// where the level data is shaped for them, so a list that moves one is wrong.
TEST_F(Enemies, GuardedEntriesAndTheGreatWalkersStandAtTheirPlaces) {
  using G = PlacementGuard;
  struct Fixed {
    int stage, hero, area;
    Placement entry;
  };
  auto pickup = [](int x, int y, int kind, G guard) { return Placement{kind, 0, 0, 0, x, y, true, guard}; };
  auto enemy = [](int kind, int param, int rx, int ry, int x, int y, G guard) {
    return Placement{kind, param, rx, ry, x, y, false, guard};
  };
  const Fixed fixed[] = {
      {1, 0, 1, pickup(6060, 1280, 120, G::stage_item)},    {1, 0, 1, pickup(7500, 1280, 110, G::sp_item)},
      {1, 0, 2, pickup(9700, 1200, 109, G::hp_item)},       {1, 1, 1, enemy(35, 0, 10, 1, 610, 360, G::stage_item)},
      {2, 0, 1, pickup(8680, 710, 109, G::hp_item)},        {2, 0, 2, pickup(5600, 1420, 110, G::sp_item)},
      {2, 0, 2, pickup(6880, 1640, 121, G::stage_item)},    {2, 1, 2, pickup(5600, 1420, 131, G::equipment_10)},
      {2, 1, 2, enemy(35, 1, 10, 3, 480, 200, G::stage_item)},
      {3, 0, 2, pickup(7320, 1740, 109, G::hp_item)},       {3, 0, 2, pickup(7360, 1740, 110, G::sp_item)},
      {3, 0, 2, pickup(10140, 1520, 122, G::stage_item)},   {3, 1, 2, pickup(7320, 1740, 132, G::equipment_11)},
      {3, 1, 2, enemy(35, 2, 15, 3, 150, 50, G::stage_item)},
      {4, 0, 1, pickup(7220, 1325, 130, G::equipment_6)},   {4, 0, 1, pickup(8080, 450, 123, G::stage_item)},
      {4, 0, 2, pickup(5780, 460, 110, G::sp_item)},        {4, 0, 2, pickup(9750, 300, 109, G::hp_item)},
      {4, 1, 1, enemy(34, 2, 11, 2, 140, 345, G::collectible)},
      {4, 1, 2, enemy(35, 3, 8, 1, 300, 230, G::stage_item)},
      {5, 0, 1, pickup(2580, 300, 110, G::sp_item)},        {5, 0, 2, pickup(940, 780, 124, G::stage_item)},
      {5, 0, 2, pickup(4490, 780, 109, G::hp_item)},        {5, 1, 2, enemy(35, 4, 7, 1, 180, 280, G::stage_item)},
      {6, 1, 2, enemy(34, 1, 3, 0, 180, 345, G::collectible)},
      {6, 1, 2, enemy(31, 1, 16, 3, 300, 130, G::none)},    {6, 1, 2, enemy(31, 1, 16, 3, 700, 130, G::none)},
  };
  auto same = [](const Placement& a, const Placement& b) {
    return a.kind == b.kind && a.param == b.param && a.x == b.x && a.y == b.y && a.pickup == b.pickup &&
           a.guard == b.guard && (a.pickup || (a.room_x == b.room_x && a.room_y == b.room_y));
  };
  for (const ListDesign& design : kLists) {
    const std::string name = "stage " + std::to_string(design.stage) + " hero " + std::to_string(design.hero) +
                             " area " + std::to_string(design.area);
    std::vector<Placement> want;
    for (const Fixed& f : fixed) {
      if (f.stage == design.stage && f.hero == design.hero && f.area == design.area) want.push_back(f.entry);
    }
    std::vector<Placement> have;
    for (const Placement& e : placement_list(design.stage, design.hero, design.area)) {
      if (e.guard != PlacementGuard::none || e.kind == 31) have.push_back(e);
    }
    EXPECT_EQ(have.size(), want.size()) << name;
    for (const Placement& w : want) {
      int found = 0;
      for (const Placement& h : have) found += same(h, w);
      EXPECT_EQ(found, 1) << name << ": kind " << w.kind << " at " << w.x << ", " << w.y;
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
