// Hazard kinds: paths over their lifetimes, when they end, when they hurt, how they react to solid gimmicks, and the
// pool's limits.
#include <gtest/gtest.h>

#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;

// Frames until record `i` is freed, up to `limit` (-1 when it stays).
int FramesUntilFree(int i, int limit = 3000) {
  for (int n = 1; n <= limit; ++n) {
    update_hazards();
    if (hazard_pool[i].state == hazard_free) return n;
  }
  return -1;
}

TEST_F(Enemies, HazardsMoveAlongTheirPaths) {
  struct Case {
    int kind;
    int direction;
    int param;
    int frames;
    int dx;
    int dy;
  };
  const Case cases[] = {
      {3, 0, 1, 10, -20, 0},   {3, 1, 1, 10, 20, 0},    {7, 0, 1, 10, -70, 0},   {7, 1, 1, 10, 70, 0},
      {13, 2, 1, 10, 40, -40}, {13, 7, 1, 10, -50, 0},  {13, 5, 1, 10, 0, 50},   {13, 0, 1, 30, 0, 0},
      {16, 0, 1, 10, -100, 0}, {17, 1, 1, 10, 100, 0},  {18, 1, 1, 10, 80, -30}, {23, 1, 1, 10, 40, 0},
      {27, 0, 1, 10, -80, 0},  {28, 1, 1, 5, 150, 0},   {37, 0, 3, 10, -30, 0},  {37, 1, 10, 10, 50, 0},
      {37, 1, 11, 10, 40, -30}, {37, 0, 12, 10, -40, 30}, {37, 0, 20, 10, 0, 0}, {10, 1, 1, 4, 4, 6},
      {42, 1, 1, 4, 16, 6},    {15, 0, 1, 4, -16, 3},   {14, 0, 1, 4, 0, 3},     {20, 0, 1, 10, -20, -20},
      {20, 0, 3, 10, 20, -20}, {9, 0, 1, 21, 0, 0},     {1, 1, 1, 4, 20, -28},   {50, 0, 1, 10, -10, 20},
      {49, 0, 1, 10, 0, 20},   {26, 1, 1, 40, 80, 0},   {12, 0, 2, 4, -8, -27},  {40, 0, 1, 20, 0, 0},
  };
  for (const Case& c : cases) {
    free_all_hazards();
    FarPlayer();
    spawn_hazard(c.kind, c.direction, 300, 200, c.param);
    HazardFrames(c.frames);
    const HazardRecord& h = hazard_pool[0];
    EXPECT_EQ(h.state, hazard_live) << "kind " << c.kind;
    EXPECT_EQ(h.x - 300, c.dx) << "kind " << c.kind << " dir " << c.direction << " param " << c.param;
    EXPECT_EQ(h.y - 200, c.dy) << "kind " << c.kind << " dir " << c.direction << " param " << c.param;
  }
}

TEST_F(Enemies, HazardsEndAfterTheirLifetimes) {
  struct Case {
    int kind;
    int param;
    int frames;  // the frame on which the record is freed
  };
  const Case cases[] = {{6, 1, 25},  {19, 1, 26}, {30, 1, 35}, {31, 1, 20},  {32, 1, 20},  {36, 1, 25},
                        {44, 1, 25}, {11, 1, 61}, {22, 1, 12}, {38, 1, 84},  {2, 1, 127},  {26, 1, 240},
                        {12, 2, 150}, {43, 1, 155}, {42, 1, 126}, {29, 1, 63}, {35, 1, 63}, {9, 1, 201}};
  for (const Case& c : cases) {
    free_all_hazards();
    FarPlayer();
    spawn_hazard(c.kind, 0, 300, 200, c.param);
    EXPECT_EQ(FramesUntilFree(0), c.frames) << "kind " << c.kind;
  }
  free_all_hazards();
  spawn_hazard(46, 0, 2853, 580, -500);
  EXPECT_EQ(FramesUntilFree(0, 2000), -1) << "the pillar decoration never ends";
}

TEST_F(Enemies, ProjectilesLeaveTheScreen) {
  struct Case {
    int kind;
    int direction;
    int frames;
  };
  // From x 300: the horizontal end is past 750 on the right or below -100 on the left.
  for (const Case& c : {Case{7, 1, 65}, Case{7, 0, 58}, Case{28, 1, 15}, Case{3, 0, 201}, Case{16, 0, 41}}) {
    free_all_hazards();
    FarPlayer();
    spawn_hazard(c.kind, c.direction, 300, 200, 1);
    EXPECT_EQ(FramesUntilFree(0), c.frames) << "kind " << c.kind;
  }
  // The camera moving away ends a star that does not move.
  free_all_hazards();
  spawn_hazard(13, 0, 300, 200, 1);
  HazardFrames(50);
  EXPECT_EQ(hazard_pool[0].state, hazard_live);
  g_x = 500;
  HazardFrames(1);
  EXPECT_EQ(hazard_pool[0].state, hazard_free);
}

TEST_F(Enemies, AFullPoolDropsNewHazards) {
  for (int k = 0; k < hazard_pool_size; ++k) spawn_hazard(46, 0, 40 * k, 0, 1);
  HazardRecord before[hazard_pool_size];
  for (int k = 0; k < hazard_pool_size; ++k) before[k] = hazard_pool[k];
  spawn_hazard(7, 1, 0, 0, 1);
  for (int k = 0; k < hazard_pool_size; ++k) EXPECT_EQ(hazard_pool[k].type, before[k].type);
  hazard_pool[5].state = hazard_free;
  spawn_hazard(7, 1, 0, 0, 1);
  EXPECT_EQ(hazard_pool[5].type, 7);
  EXPECT_EQ(hazard_pool[5].alpha, 255);
  EXPECT_EQ(hazard_pool[5].toggle, 1);
  EXPECT_EQ(hazard_pool[5].breakable, 10);
}

TEST_F(Enemies, BrokenProjectilesWithoutABreakUpFreeTheirRecord) {
  for (int kind : {2, 3, 7, 10, 16, 17, 18}) {
    free_all_hazards();
    spawn_hazard(kind, 0, 300, 200, 1);
    hazard_pool[0].state = hazard_breaking;
    HazardFrames(1);
    EXPECT_EQ(hazard_pool[0].state, hazard_free) << kind;
  }
  // Kinds with a break-up play it and then free the record.
  struct Case {
    int kind;
    int frames;
  };
  for (const Case& c : {Case{5, 40}, Case{13, 40}, Case{27, 40}, Case{26, 1}, Case{28, 1}, Case{23, 1}, Case{9, 1},
                        Case{20, 57}}) {
    free_all_hazards();
    spawn_hazard(c.kind, 0, 300, 200, 1);
    hazard_pool[0].state = hazard_breaking;
    EXPECT_EQ(FramesUntilFree(0), c.frames) << c.kind;
  }
}

TEST_F(Enemies, TheAimedOrbAimsOnItsFirstFrameAtAPointBelowRightOfThePlayer) {
  PlayerAt(500, 200);
  spawn_hazard(5, 0, 300, 200, 1);
  HazardFrames(1);
  const HazardRecord& h = hazard_pool[0];
  EXPECT_EQ(h.vx, 4);  // (200 + 30) / (200 / 4)
  EXPECT_EQ(h.vy, 0);  // 30 / 50
  EXPECT_EQ(h.x, 300) << "nothing moves on the aiming frame";
  HazardFrames(10);
  EXPECT_EQ(h.x, 340);
  // On top of the player there is no distance to divide by: it drops straight down.
  free_all_hazards();
  PlayerAt(300, 200);
  spawn_hazard(5, 0, 301, 201, 1);
  HazardFrames(2);
  EXPECT_EQ(hazard_pool[0].vx, 0);
  EXPECT_GT(hazard_pool[0].vy, 0);
}

TEST_F(Enemies, AttackAreasHurtOnlyInTheirWindow) {
  struct Case {
    int kind;
    int first_hurting_frame;
  };
  // The player stands inside each box; frames are counted from the spawn.
  for (const Case& c : {Case{36, 6}, Case{44, 6}, Case{19, 1}, Case{11, 1}}) {
    free_all_hazards();
    PlayerAt(300, 200);
    hurt = 0;
    hp = 1000;
    const HazardBoxRow& b = hazard_box_row(c.kind);
    spawn_hazard(c.kind, 0, 330 - b.left, 250 - b.top, 1);
    int first = -1;
    for (int n = 1; n <= 30 && first < 0; ++n) {
      update_hazards();
      if (hurt != 0) first = n;
    }
    EXPECT_EQ(first, c.first_hurting_frame) << c.kind;
  }
  // The great pillar stops hurting after 110 frames although it still shows.
  free_all_hazards();
  PlayerAt(300, 200);
  spawn_hazard(43, 0, 280, 200, 1);
  HazardFrames(110);
  hurt = 0;
  HazardFrames(1);
  EXPECT_EQ(hurt, 0);
  EXPECT_EQ(hazard_pool[0].state, hazard_live);
}

TEST_F(Enemies, TheWideBeamReaches1300PixelsLeftWithinItsBand) {
  struct Case {
    int player_x;
    int player_y;
    bool hit;
  };
  // Beam at (2000, 300): box x 700..2050, y 360..410; the player's box is mx + 19..40, my + 17..85.
  for (const Case& c : {Case{700, 300, true}, Case{2030, 300, true}, Case{2031, 300, false}, Case{660, 300, false},
                        Case{1500, 275, false}, Case{1500, 276, true}, Case{1500, 392, true},
                        Case{1500, 393, false}}) {
    free_all_hazards();
    hurt = 0;
    PlayerAt(c.player_x, c.player_y);
    spawn_hazard(38, 0, 2000, 300, 1);
    HazardFrames(1);
    EXPECT_EQ(hurt != 0, c.hit) << c.player_x << "," << c.player_y;
  }
}

TEST_F(Enemies, TheHeldBeamFollowsItsEnemyUpAndDownButNotSideways) {
  const int parent = Spawn(19, 1, 400, 200);
  spawn_hazard(21, 0, 420, 200, parent);
  HazardFrames(1);
  enemy_pool[parent].x = 600;
  enemy_pool[parent].y = 150;
  HazardFrames(1);
  EXPECT_EQ(hazard_pool[0].y, 150);
  EXPECT_EQ(hazard_pool[0].x, 420);
  // A beam whose record does not hold its kind ends at once.
  spawn_hazard(21, 0, 420, 200, 77);
  HazardFrames(1);
  EXPECT_EQ(hazard_pool[1].state, hazard_free);
}

TEST_F(Enemies, TheEscortFadesWhenItsParentIsDefeated) {
  const int parent = Spawn(32, 2, 400, 200);
  enemy_pool[parent].facing = 1;
  spawn_hazard(34, 0, 380, 200, parent);
  HazardFrames(1);
  EXPECT_EQ(hazard_pool[0].direction, 1) << "walks the way its parent faces";
  enemy_pool[parent].state = enemy_defeated;
  HazardFrames(1);
  EXPECT_EQ(hazard_pool[0].state, hazard_fading);
  const int y = hazard_pool[0].y;
  EXPECT_EQ(FramesUntilFree(0), 50);
  EXPECT_EQ(hazard_pool[0].y, y + 50) << "sinks a pixel a frame";
}

TEST_F(Enemies, AStoneLandingOnTwoGimmicksLeavesTwoClouds) {
  AddSolid(300, 230, 0, 400, 0, 50);
  AddSolid(350, 230, 0, 400, 0, 50);
  FarPlayer();
  spawn_hazard(1, 1, 300, 200, 1);
  for (int n = 0; n < 60 && hazard_pool[0].state == hazard_live; ++n) HazardFrames(1);
  EXPECT_EQ(hazard_pool[0].state, hazard_breaking);
  int clouds = 0;
  for (const HazardRecord& h : hazard_pool) clouds += h.state == hazard_live && h.type == 2;
  EXPECT_EQ(clouds, 2);
}

TEST_F(Enemies, TheSkullBouncesLowerEachTimeThenRests) {
  AddSolid(-1000, 300, 0, 3000, 0, 50);
  FarPlayer();
  spawn_hazard(9, 1, 0, 300 - 41 + 1, 1);
  std::vector<int> rises;
  int last = hazard_pool[0].rise_speed;
  for (int n = 0; n < 200 && hazard_pool[0].state == hazard_live; ++n) {
    HazardFrames(1);
    if (hazard_pool[0].rise_speed != last) {
      last = hazard_pool[0].rise_speed;
      rises.push_back(last);
    }
  }
  EXPECT_EQ(rises, (std::vector<int>{6, 4, 2, 0}));
}

TEST_F(Enemies, CeilingSpikesWaitForAPlayerBelowThenFallAndBreak) {
  AddSolid(0, 600, 0, 1000, 0, 50);
  spawn_hazard(39, 0, 300, 100, 1);
  PlayerAt(250, 100);  // level with it
  HazardFrames(100);
  EXPECT_EQ(hazard_pool[0].anim_frame, 0);
  PlayerAt(250, 50);  // above it
  HazardFrames(10);
  EXPECT_EQ(hazard_pool[0].anim_frame, 0);
  PlayerAt(800, 300);  // below, too far to the side
  HazardFrames(10);
  EXPECT_EQ(hazard_pool[0].anim_frame, 0);
  PlayerAt(400, 300);
  HazardFrames(1);
  EXPECT_EQ(hazard_pool[0].anim_frame, 1);
  HazardFrames(30);
  EXPECT_EQ(hazard_pool[0].anim_frame, 2);
  EXPECT_EQ(hazard_pool[0].y, 100) << "shaking does not move it down";
  EXPECT_GT(FramesUntilFree(0, 200), 0) << "it breaks on the floor";
}

TEST_F(Enemies, TheCrushingBlockDropsRestsAndRises) {
  AddSolid(0, 500, 0, 1000, 0, 50);
  PlayerAt(300, 400);
  spawn_hazard(40, 0, 300, 300, 1);
  HazardFrames(1);
  EXPECT_EQ(hazard_pool[0].anim_frame, 1);
  FarPlayer();
  int n = 0;
  while (hazard_pool[0].anim_frame == 1 && n < 1000) {
    HazardFrames(1);
    ++n;
  }
  EXPECT_EQ(hazard_pool[0].anim_frame, 2);
  EXPECT_GT(hazard_pool[0].y, 300);
  EXPECT_GE(n, 100) << "rests for 100 counts on the floor";
  while (hazard_pool[0].anim_frame == 2 && n < 2000) {
    HazardFrames(1);
    ++n;
  }
  EXPECT_EQ(hazard_pool[0].anim_frame, 0);
  EXPECT_LT(hazard_pool[0].y, 300);
  EXPECT_GE(hazard_pool[0].y, 298) << "rises 2 pixels a frame to just above its top";
}

TEST_F(Enemies, TheLightColumnFlashesTheScreenAndEndsWithoutItsBoss) {
  const int boss = Spawn(26, 1, 400, 100);
  spawn_hazard(8, 0, 380, 0, boss);
  flash_request = 0;
  HazardFrames(1);
  EXPECT_EQ(flash_request, 1);
  EXPECT_EQ(FramesUntilFree(0), 119);
  spawn_hazard(8, 0, 380, 0, 999);
  HazardFrames(1);
  EXPECT_EQ(hazard_pool[0].state, hazard_free);
}

TEST_F(Enemies, EndingObjectsSwayWithinTheTables) {
  for (int start = 0; start < 400; ++start) {
    free_all_hazards();
    spawn_hazard(47 + start % 2, 0, 300, -150, 1);
    hazard_pool[0].counter_a = 1;
    hazard_pool[0].rise_speed = start % 360;
    HazardFrames(30);
    ASSERT_GE(hazard_pool[0].rise_speed, 0);
    ASSERT_LT(hazard_pool[0].rise_speed, 360);
  }
}

}  // namespace
