// The stage's pools: spawning, the gimmicks' movements, ladders, scenery acting on the hero, the stage entry and
// camera start, and rebuilding an area without leaks or stale records.
#include <gtest/gtest.h>

#include "engine/graphics/graph_handle.h"
#include "game/flow/resources.h"
#include "game/stage/level_data.h"
#include "tests/game_stage/stage_fixture.h"

namespace {

using game_test::StageTest;

struct Counts {
  int gimmicks, a, b, c, ladders, in_use_gimmicks, in_use_a, in_use_b, in_use_c;
  bool operator==(const Counts&) const = default;
};

template <typename Pool>
int in_use(const Pool& pool) {
  int n = 0;
  for (const auto& r : pool) n += r.in_use != 0;
  return n;
}

Counts counts() {
  int segments = 0;
  for (const LadderRecord& s : ladders) segments += s.part != 0;
  return {gimmick_count, scenery_a_count, scenery_b_count, scenery_c_count, segments,
          in_use(gimmicks), in_use(scenery_a), in_use(scenery_b), in_use(scenery_c)};
}

TEST_F(StageTest, EveryDataSetRebuildsToTheSameRecordsWithoutLeaks) {
  for (int i = 0; i < level_data_set_count; ++i) {
    for (int hero_id : {0, 1}) {
      SCOPED_TRACE(std::string(level_data_sets[i].source) + " hero " + std::to_string(hero_id));
      stage = level_data_sets[i].stage;
      area = level_data_sets[i].area;
      hero = hero_id;
      const int handles = g_GraphTable.count;
      clear_object_pools();
      build_stage();
      const Counts first = counts();
      EXPECT_EQ(g_GraphTable.count, handles);
      EXPECT_EQ(first.gimmicks, first.in_use_gimmicks);
      clear_object_pools();
      build_stage();
      EXPECT_EQ(counts(), first);
      EXPECT_EQ(g_GraphTable.count, handles);
      for (int r = gimmick_count; r < gimmick_pool_size; ++r) EXPECT_EQ(gimmicks[r].in_use, 0) << r;
    }
  }
  clear_object_pools();
  EXPECT_EQ(counts(), Counts{});
}

TEST_F(StageTest, EnteringAStageAgainFreesTheImagesItReplaces) {
  game_test::WriteBytes("gsx/bk/01/000.jpg", game_test::kTinyPng);
  game_test::WriteBytes("gsx/st/01/w01.png", game_test::kTinyPng);
  game_test::WriteBytes("gsx/system/menu_back2.png", game_test::kTinyPng);
  game_test::WriteBytes("gsx/cr/common.png", game_test::kTinyPng);
  hero = 1;
  load_stage_images(0);
  load_hero_images();
  const int handles = g_GraphTable.count;
  EXPECT_NE(hero_menu_back, -1) << "hero 1 has its own menu background";
  load_stage_images(0);
  load_hero_images();
  EXPECT_EQ(g_GraphTable.count, handles);
}

TEST_F(StageTest, SpawnedGimmicksTakeTheirTypeRowAndNothingOfTheRecordsPastUse) {
  spawn_gimmick(3, 6, 1, 2, 100, 60, 1);
  const StageObject& wall = gimmicks[0];
  EXPECT_EQ(wall.x, 740);
  EXPECT_EQ(wall.y, 1020);
  EXPECT_EQ(wall.start_y, 1020);
  EXPECT_EQ(wall.solid, 1);
  EXPECT_EQ(wall.box_x1, 120);
  EXPECT_EQ(wall.stand_offset, 95);
  EXPECT_EQ(wall.cell_x, 128);
  EXPECT_EQ(wall.cell_y, 120);
  EXPECT_EQ(wall.mirror, 1);
  // The tile wall and types without a row (30..39) reuse the record with no box and not solid.
  for (int type : {50, 35}) {
    clear_object_pools();
    spawn_gimmick(type, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(gimmicks[0].solid, 0) << type;
    EXPECT_EQ(gimmicks[0].box_x1, 0) << type;
    EXPECT_EQ(gimmicks[0].box_y1, 0) << type;
  }
  clear_object_pools();
  spawn_gimmick(99, 99, 0, 1, 0, 360, 0);
  EXPECT_EQ(gimmicks[0].solid, 1);
  EXPECT_EQ(gimmicks[0].box_y0, 45);
  spawn_gimmick(40, 103, 0, 0, 400, 100, 1);
  EXPECT_EQ(gimmicks[1].cell_h, 294);
  EXPECT_EQ(gimmicks[1].box_y1, 275);
  EXPECT_EQ(find_door(103), &gimmicks[1]);
  EXPECT_EQ(find_door(104), nullptr);
  const struct {
    int sub, breakable, hit_points;
  } breakables[] = {{17, 1, 30}, {19, 1, 80}, {7, 0, 0}};
  for (const auto& b : breakables) {
    spawn_gimmick(8, b.sub, 0, 0, 0, 0, 0);
    EXPECT_EQ(gimmicks[gimmick_count - 1].breakable, b.breakable) << b.sub;
    EXPECT_EQ(gimmicks[gimmick_count - 1].hit_points, b.hit_points) << b.sub;
  }
}

TEST_F(StageTest, AFullPoolDropsTheSpawnAndKeepsItsCount) {
  for (int i = 0; i < gimmick_pool_size; ++i) spawn_gimmick(1, 0, 0, 0, 0, 0, 0);
  spawn_gimmick(3, 6, 5, 0, 0, 0, 0);
  EXPECT_EQ(gimmick_count, gimmick_pool_size);
  for (const StageObject& g : gimmicks) EXPECT_EQ(g.type, 1);
  for (int i = 0; i < ladder_pool_size + 1; ++i) spawn_ladder(0, 0, 0, i, 0, 2);
  EXPECT_EQ(ladders[ladder_pool_size - 1].x, ladder_pool_size - 1) << "the 66th segment is dropped";
}

TEST_F(StageTest, SidewaysPlatformFlipsOnItsFiveHundredthStepAndCarriesTheHero) {
  spawn_gimmick(13, 7, 0, 0, 1000, 300, 0);
  StageObject& p = gimmicks[0];
  p.direction = 1;
  mx = 100;
  p.stood_on = 1;
  update_gimmicks();
  EXPECT_EQ(mx, 102);
  EXPECT_EQ(p.stood_on, 0) << "cleared after each frame";
  EXPECT_EQ(p.x, 1002);
  for (int i = 1; i < 249; ++i) update_gimmicks();
  EXPECT_EQ(p.x, 1498);
  update_gimmicks();  // timer reaches 500: the direction flips and it moves back in the same frame
  EXPECT_EQ(p.direction, 0);
  EXPECT_EQ(p.x, 1496);
  // At the screen's middle the camera moves instead of the hero.
  p.direction = 1;
  p.stood_on = 1;
  mx = 300;
  update_gimmicks();
  EXPECT_EQ(mx, 300);
  EXPECT_EQ(g_x, 2);
}

TEST_F(StageTest, LiftCarryingTheHeroDownStopsTheCameraAtTheColumnsLowestRow) {
  stage = 1;
  area = 1;
  screen_col = 0;  // lowest row 0 in column 0 of stage 1, area 1
  spawn_gimmick(14, 7, 0, 0, 0, 300, 0);
  StageObject& lift = gimmicks[0];
  lift.direction = 1;
  my = 300;
  g_y = 0;
  for (int i = 0; i < 3; ++i) {
    lift.stood_on = 1;
    update_gimmicks();
  }
  EXPECT_EQ(g_y, 0) << "clamped at -480 x 0";
  EXPECT_EQ(my, 306) << "the hero moves on the screen instead";
  EXPECT_EQ(lift.y, 306);
}

TEST_F(StageTest, FallingFloorCracksFallsAndComesBackOnceTheHeroIsFarAway) {
  spawn_gimmick(6, 7, 0, 0, 400, 240, 0);
  StageObject& f = gimmicks[0];
  f.stood_on = 1;
  mx = 380;
  for (int i = 0; i < 24; ++i) update_gimmicks();
  EXPECT_EQ(f.y, 240) << "it waits 24 frames";
  update_gimmicks();
  EXPECT_EQ(f.y, 245);
  for (int i = 0; i < 10; ++i) update_gimmicks();
  EXPECT_EQ(f.y, 295) << "it keeps falling without the hero on it";
  mx = 0;
  g_x = 1300;  // more than 800 pixels away
  update_gimmicks();
  EXPECT_EQ(f.y, 240);
  EXPECT_EQ(f.timer, 0);
  EXPECT_EQ(f.stood_on, 0);
}

TEST_F(StageTest, DoorRisesTwoHundredPixelsAndStops) {
  spawn_gimmick(40, 101, 0, 2, 400, 100, 0);
  StageObject& door = gimmicks[0];
  door.door_state = door_state_rising;
  for (int i = 0; i < 49; ++i) update_gimmicks();
  EXPECT_EQ(door.door_state, door_state_rising);
  update_gimmicks();
  EXPECT_EQ(door.y, 1060 - 200);
  EXPECT_EQ(door.door_state, door_state_rest);
  update_gimmicks();
  EXPECT_EQ(door.y, 860);
}

TEST_F(StageTest, FallingCrateGainsTwoSpeedAFrameAndStopsOnAFloor) {
  spawn_gimmick(8, 17, 0, 0, 0, 0, 0);
  update_gimmicks();
  EXPECT_EQ(gimmicks[0].fall_speed, 2);
  EXPECT_EQ(gimmicks[0].y, 3) << "two gravity steps of 1 and 2";
  spawn_gimmick(3, 6, 0, 0, 0, 100, 0);  // a block under it
  for (int i = 0; i < 40; ++i) update_gimmicks();
  EXPECT_EQ(gimmicks[0].fall_speed, 0);
  EXPECT_LT(gimmicks[0].y + 59, 100 + 10) << "resting on the block";
}

TEST_F(StageTest, SpikesKillOnlyAHealthyUnhurtHeroAndCurrentsPushLeft) {
  spawn_scenery_a(0, 0, 0, 100, 300, 0, 1);
  mx = 100;
  my = 260;
  hp = 50;
  update_scenery_a(2);
  EXPECT_EQ(hp, 50) << "another layer is not drawn nor acted";
  update_scenery_a(1);
  EXPECT_EQ(hp, 0);
  EXPECT_EQ(hurt, 1);
  spawn_scenery_b(1, 0, 0, 100, 300, 0, 1);
  hurt = 0;
  mx = 100;
  update_scenery_b(1);
  EXPECT_EQ(mx, 99);
  hurt = 1;
  update_scenery_b(1);
  EXPECT_EQ(mx, 99) << "a hurt hero is not pushed";
}

TEST_F(StageTest, StageEntryAndCameraStartByStageAndArea) {
  const struct {
    int stage, area, g_x, g_y, my, landed;
  } cases[] = {{1, 1, 0, 0, 200, 1},    {1, 2, 0, -480, 300, 1}, {1, 3, 0, 0, 200, 1}, {2, 2, 0, -960, 320, 1},
               {4, 3, 77, 77, 0, 1},    {6, 2, 0, 0, 0, 1},      {7, 1, 0, -480, 0, 0}, {9, 2, 0, -480, 300, 1},
               {0, 1, 77, 77, 0, 1}};
  for (const auto& c : cases) {
    stage = c.stage;
    area = c.area;
    g_x = g_y = 77;
    max_hp = 120;
    hp = 1;
    stage_entry();
    EXPECT_EQ(g_x, c.g_x) << c.stage << "/" << c.area;
    EXPECT_EQ(g_y, c.g_y) << c.stage << "/" << c.area;
    EXPECT_EQ(my, c.my) << c.stage << "/" << c.area;
    EXPECT_EQ(mx, 30);
    EXPECT_EQ(landed, c.landed);
    EXPECT_EQ(hp, 120);
  }
  stage = 2;
  area = 2;
  my = 0;
  start_camera();
  EXPECT_EQ(g_y, -960);
  EXPECT_EQ(my, 250);
}

TEST_F(StageTest, BuildingKeepsTheExitLineWhereTheAreaHasNone) {
  stage = 1;
  area = 1;
  build_stage();
  EXPECT_EQ(area_exit_column * 640 + area_exit_offset, 9700);
  clear_object_pools();
  area = 3;
  build_stage();
  EXPECT_EQ(area_exit_column * 640 + area_exit_offset, 9700) << "area 3 writes no exit line";
  EXPECT_EQ(gimmick_count, 20);
  for (int s : {0, 10}) {
    clear_object_pools();
    stage = s;
    build_stage();
    EXPECT_EQ(gimmick_count, 0);
  }
}

TEST_F(StageTest, ScreenIndexKeepsItsValueBeyondTheLastColumnAndRow) {
  mx = 100;
  g_x = 1300;
  my = 100;
  g_y = -480;
  update_screen_index();
  EXPECT_EQ(screen_col, 2);
  EXPECT_EQ(screen_row, 1);
  g_x = 11500;
  g_y = -3400;
  update_screen_index();
  EXPECT_EQ(screen_col, 2);
  EXPECT_EQ(screen_row, 1);
  g_x = -200;
  g_y = 200;
  update_screen_index();
  EXPECT_EQ(screen_col, 0);
  EXPECT_EQ(screen_row, 0);
}

}  // namespace
