// Enemy kinds 13 to 25 and 28 to 32 at known places with a scripted player: how long each death runs, and the
// frames at which they wake, shoot, leap, split and hand over.
#include <gtest/gtest.h>

#include <set>

#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/game_parts.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;
using enemy_test::FramesUntilHazard;
using enemy_test::FramesWhile;

TEST_F(Enemies, DyingKinds13To32EndAfterTheirOwnNumberOfFrames) {
  struct Case {
    int kind;
    int param;
    int hero;
    int frames;
  };
  for (const Case& c : {Case{13, 1, 0, 49}, Case{14, 1, 0, 307}, Case{14, 1, 1, 85}, Case{15, 1, 0, 127},
                        Case{16, 1, 0, 112}, Case{17, 1, 0, 70}, Case{18, 1, 0, 104}, Case{19, 1, 0, 104},
                        Case{20, 1, 0, 120}, Case{21, 1, 0, 65}, Case{22, 1, 0, 50}, Case{23, 1, 0, 100},
                        Case{24, 1, 0, 66}, Case{24, 2, 0, 1}, Case{28, 1, 0, 86}, Case{29, 50, 0, 100},
                        Case{30, 1, 0, 100}, Case{31, 1, 0, 153}, Case{32, 1, 0, 17}}) {
    free_all_enemies();
    free_all_hazards();
    gimmick_count = 0;
    AddSolid(0, 450, 0, 3000, 0, 100);
    hero = c.hero;
    boss_phase_a = 0;
    const int i = Spawn(c.kind, c.param, 300, 150);
    PlayerAt(300, 150);
    enemy_pool[i].state = enemy_dying;
    EXPECT_EQ(FramesWhile(i, enemy_dying), c.frames) << c.kind << " param " << c.param << " hero " << c.hero;
    EXPECT_EQ(enemy_pool[i].state, enemy_defeated) << c.kind;
  }
}

TEST_F(Enemies, DeathsThatStartAHazardOrABurstDoSoOnTheFirstFrame) {
  struct Case {
    int kind;
    int hero;
    int hazard;
  };
  for (const Case& c : {Case{14, 1, 35}, Case{14, 0, 0}, Case{18, 0, 25}, Case{20, 0, 29}}) {
    free_all_enemies();
    free_all_hazards();
    hero = c.hero;
    const int i = Spawn(c.kind, 1, 300, 150);
    PlayerAt(300, 150);
    enemy_pool[i].state = enemy_dying;
    EnemyFrames(1);
    int live = 0;
    for (const HazardRecord& h : hazard_pool) live += h.state == hazard_live ? h.type : 0;
    EXPECT_EQ(live, c.hazard) << c.kind << " hero " << c.hero;
  }
}

TEST_F(Enemies, Kind13StandingChargesEveryParameterFramesAndFiresAfter130) {
  // The charge keeps the walking cycle's timer: with a parameter of 40 it starts from 0.
  const int i = Spawn(13, 40, 300, 150);
  PlayerAt(500, 150);
  EnemyFrames(40);
  EXPECT_EQ(enemy_pool[i].mode, 3);
  EXPECT_EQ(enemy_pool[i].facing, 1);
  EXPECT_EQ(FramesUntilHazard(27), 130);
  EXPECT_EQ(LiveHazards(27)[0]->x, 360);
  EnemyFrames(70);
  EXPECT_EQ(enemy_pool[i].mode, 0) << "200 frames of charging";
  PlayerAt(1200, 150);
  enemy_pool[i].state = enemy_dying;
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].state, enemy_defeated) << "far away it goes home even while dying";
  EXPECT_EQ(enemy_pool[i].x, 300);
  EXPECT_EQ(enemy_pool[i].hp, 1000);
}

TEST_F(Enemies, Kind13PatrollerNoticesOnItsBeatAndThrowsTheReturningGhost) {
  const int i = Spawn(13, 1, 300, 150);
  PlayerAt(500, 150);
  EnemyFrames(39);
  EXPECT_EQ(enemy_pool[i].mode, 0);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 1) << "on the 40-frame beat";
  EnemyFrames(101);
  EXPECT_EQ(enemy_pool[i].mode, 2);
  EXPECT_EQ(enemy_pool[i].x, 401);
  EXPECT_EQ(FramesUntilHazard(26), 40);
  EXPECT_EQ(LiveHazards(26)[0]->param, i);
}

TEST_F(Enemies, Kind14FiresOncePerShotOnItsTwentyFirstFrameKeepingItsFacing) {
  const int i = Spawn(14, 1, 300, 150);
  PlayerAt(420, 150);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 1);
  EXPECT_EQ(enemy_pool[i].facing, 1);
  PlayerAt(100, 150);
  EXPECT_EQ(FramesUntilHazard(9), 21);
  EXPECT_EQ(LiveHazards(9)[0]->x, 360);
  EXPECT_EQ(LiveHazards(9)[0]->direction, 1);
  EnemyFrames(98);
  EXPECT_EQ(enemy_pool[i].mode, 1);
  EXPECT_EQ(enemy_pool[i].facing, 1) << "keeps its facing through the shot";
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 0);
}

TEST_F(Enemies, Kind15FallsFasterEachFrameUntilItStandsAndShootsOnFrame42) {
  const int i = Spawn(15, 1, 300, 100);
  AddSolid(0, 300, 0, 1000, 0, 50);
  EnemyFrames(3);
  EXPECT_EQ(enemy_pool[i].y, 103) << "0, 1, 2";
  EnemyFrames(60);
  EXPECT_EQ(enemy_pool[i].fall, 0);
  const int y = enemy_pool[i].y;
  EXPECT_GT(y + 134, 300) << "its box meets the floor";
  PlayerAt(200, y);
  EXPECT_EQ(FramesUntilHazard(28), 43);
  EXPECT_EQ(LiveHazards(28)[0]->x, 265);
}

TEST_F(Enemies, Kind16WithShortSightAttacksOnTheSpotThenWalks) {
  AddSolid(0, 450, 0, 3000, 0, 100);
  const int i = Spawn(16, 0, 300, 300);
  PlayerAt(200, 300);
  EnemyFrames(5);
  EXPECT_EQ(enemy_pool[i].mode, 0) << "outside the short window";
  PlayerAt(260, 300);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 2);
  EXPECT_EQ(enemy_pool[i].x, 300) << "no walk before the first attack";
  EXPECT_EQ(FramesUntilHazard(31), 30);
  EXPECT_EQ(LiveHazards(31)[0]->x, 240);
  EnemyFrames(50);
  EXPECT_EQ(enemy_pool[i].mode, 1);
}

TEST_F(Enemies, Kind18WalksTheSceneStepAndRaisesItOnce) {
  AddSolid(0, 450, 0, 3000, 0, 100);
  const int i = Spawn(18, 1, 100, 250);
  PlayerAt(300, 250);
  PlayerState = player_story_scene;
  scene_state.step = 3;
  EnemyFrames(10);
  EXPECT_EQ(enemy_pool[i].x, 100) << "stands while the step is not 4";
  scene_state.step = 4;
  int n = 0;
  while (scene_state.step == 4 && n < 400) {
    update_enemies();
    ++n;
  }
  EXPECT_EQ(n, 251);
  EXPECT_EQ(enemy_pool[i].x, 351);
  EXPECT_EQ(scene_state.step, 5);
  EnemyFrames(10);
  EXPECT_EQ(enemy_pool[i].x, 351);
  EXPECT_EQ(scene_state.step, 5);
}

TEST_F(Enemies, Kind19LeapsCrouchesRisesHangsAndSlamsWithItsOwnIndex) {
  AddSolid(0, 450, 0, 3000, 0, 100);
  Spawn(37, 1, 0, 0);
  const int i = Spawn(19, 1, 300, 300);
  PlayerAt(800, 300);  // near, outside its window: it waits
  EnemyFrames(10);     // settle on the floor
  const int ground = enemy_pool[i].y;
  EXPECT_EQ(enemy_pool[i].fall, 0);
  EnemyRecord& e = enemy_pool[i];
  e.mode = 2;
  e.timer = 0;
  int top = ground;
  for (int n = 0; n < 40 && e.mode == 2; ++n) {
    update_enemies();
    if (e.y < top) top = e.y;
    if (n < 10) {
      ASSERT_EQ(e.y, ground) << "the crouch keeps it on the ground";
    }
  }
  EXPECT_EQ(ground - top, 153);
  EXPECT_EQ(e.mode, 3);
  EXPECT_EQ(FramesUntilHazard(21), 10);
  EXPECT_EQ(LiveHazards(21)[0]->param, i);
}

TEST_F(Enemies, Kind21SurgesCover129PixelsIn39Frames) {
  const int i = Spawn(21, 0, 300, 200);
  PlayerAt(500, 200);
  EnemyFrames(1);
  ASSERT_EQ(enemy_pool[i].mode, 1);
  EXPECT_EQ(enemy_pool[i].facing, 1);
  const int x = enemy_pool[i].x;
  EnemyFrames(39);
  EXPECT_EQ(enemy_pool[i].x - x, 129);
}

TEST_F(Enemies, Kind22SpitterSpitsOnceFortyFramesIntoItsHang) {
  const int i = Spawn(22, 2, 300, 300);
  PlayerAt(300, 300);
  // 100 hidden frames, 40 rising (the fall reaches the jump power of 20), then 40 into the hang.
  EXPECT_EQ(FramesUntilHazard(15), 180);
  EXPECT_EQ(enemy_pool[i].mode, 2);
  EXPECT_EQ(LiveHazards(15)[0]->y, enemy_pool[i].y + 20);
  EnemyFrames(30);
  EXPECT_EQ(enemy_pool[i].mode, 3);
  EXPECT_EQ(LiveHazards(15).size(), 1u);
}

TEST_F(Enemies, Kind17DiverSinksAimsOnceAndIsFreedOutside) {
  const int i = Spawn(17, 14, 250, -120);
  PlayerAt(300, 300);
  int n = 0;
  while (enemy_pool[i].toggle == 0 && n < 300) {
    update_enemies();
    ++n;
  }
  EXPECT_EQ(n, 126) << "4 pixels a frame from -120 past 380";
  const int vx = enemy_pool[i].vx, vy = enemy_pool[i].vy;
  PlayerAt(0, 0);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].vx, vx) << "aims once";
  EXPECT_EQ(enemy_pool[i].vy, vy);
  EXPECT_GE(FramesWhile(i, enemy_active), 1);
  EXPECT_EQ(enemy_pool[i].state, enemy_free);
}

TEST_F(Enemies, Kind24CasterFiresThreeInItsSecondCycle) {
  const int i = Spawn(24, 1, 300, 200);
  PlayerAt(250, 200);
  EnemyFrames(1);
  ASSERT_EQ(enemy_pool[i].mode, 1);
  std::set<int> qs;
  for (int n = 0; n < 200; ++n) {
    update_enemies();
    for (const HazardRecord& h : hazard_pool) {
      if (h.state == hazard_live && h.type == 20) qs.insert(h.param);
    }
    if (n == 38) {
      EXPECT_TRUE(qs.empty()) << "nothing in the first cycle";
    }
  }
  EXPECT_EQ(qs, (std::set<int>{1, 2, 3}));
  EXPECT_EQ(enemy_pool[i].mode, 0) << "five cycles";
}

TEST_F(Enemies, Kind28CastsItsVolleys) {
  for (int trial = 0; trial < 8; ++trial) {
    free_all_enemies();
    free_all_hazards();
    const int i = Spawn(28, 1, 300, 100);
    PlayerAt(300, 100);
    EnemyFrames(50);
    const int mode = enemy_pool[i].mode;
    ASSERT_GE(mode, 1);
    int shots = 0;
    while (enemy_pool[i].mode == mode) {
      const std::size_t before = LiveHazards(37).size();
      update_enemies();
      shots += static_cast<int>(LiveHazards(37).size() - before);
    }
    const int want[5] = {0, 2, 6, 3, 6};
    EXPECT_EQ(shots, want[mode]) << mode;
  }
}

TEST_F(Enemies, Kind31SecondDefeatBringsTheOrbOrEndsTheStage) {
  struct Case {
    int flag;
    bool orb;
  };
  for (const Case& c : {Case{0, true}, Case{1, false}}) {
    free_all_enemies();
    stage = 6;
    stage_flags[6] = static_cast<std::uint8_t>(c.flag);
    boss_phase_a = 0;
    frame_counter = 0;
    const int a = Spawn(31, 1, 300, 100);
    const int b = Spawn(31, 1, 700, 100);
    PlayerAt(20000, 100);
    enemy_pool[a].state = enemy_dying;
    EnemyFrames(153);
    EXPECT_EQ(boss_phase_a, 1);
    EXPECT_EQ(LastSpawned(35, 17 * 640 + 100, 3 * 480 + 230), -1);
    enemy_pool[b].state = enemy_dying;
    EnemyFrames(153);
    EXPECT_EQ(boss_phase_a, 2);
    EXPECT_EQ(LastSpawned(35, 17 * 640 + 100, 3 * 480 + 230) >= 0, c.orb);
    EXPECT_EQ(frame_counter, c.orb ? 0 : 1000);
  }
}

TEST_F(Enemies, Kind31RoarsOnTheThirdWrapOfItsCycleEvery150Frames) {
  const int i = Spawn(31, 1, 300, 100);
  PlayerAt(20000, 100);
  for (int roar = 0; roar < 2; ++roar) {
    EnemyFrames(119);
    EXPECT_EQ(enemy_pool[i].mode, 0) << roar;
    EnemyFrames(1);
    EXPECT_EQ(enemy_pool[i].mode, 3) << "three 40-frame wraps " << roar;
    EnemyFrames(30);
    EXPECT_EQ(enemy_pool[i].mode, 0) << "30 frames of roaring " << roar;
  }
}

TEST_F(Enemies, ParkedWalkersStayWhereTheyWereParked) {
  // Parked (or, for the boss, freed) in mid-air with nothing below: neither drawn nor tested, they do not fall.
  struct Case {
    int kind;
    int state;
  };
  for (const Case& c : {Case{15, enemy_defeated}, Case{16, enemy_defeated}, Case{18, enemy_defeated},
                        Case{19, enemy_defeated}, Case{20, enemy_defeated}, Case{33, enemy_free}}) {
    free_all_enemies();
    const int i = Spawn(c.kind, 1, 300, 100);
    PlayerAt(300, 100);
    enemy_pool[i].state = c.state;
    EnemyFrames(50);
    EXPECT_EQ(enemy_pool[i].y, 100) << c.kind;
    EXPECT_EQ(enemy_pool[i].fall, 0) << c.kind;
  }
}

TEST_F(Enemies, Kind32WakesWithTwoEscortsUnlessItsParameterIs1) {
  struct Case {
    int param;
    std::size_t escorts;
  };
  for (const Case& c : {Case{0, 2u}, Case{1, 0u}}) {
    free_all_enemies();
    free_all_hazards();
    Spawn(37, 1, 0, 0);
    const int i = Spawn(32, c.param, 300, 200);
    PlayerAt(200, 200);
    EnemyFrames(5);
    ASSERT_EQ(LiveHazards(34).size(), c.escorts);
    for (const HazardRecord* h : LiveHazards(34)) EXPECT_EQ(h->param, i);
  }
}

TEST_F(Enemies, Kind25ChargesTurnsAtWallsAndBouncesOffTheGroundWhenItDies) {
  AddSolid(0, 260, 0, 3000, 0, 100);  // the ground under its probe
  const int wall = AddSolid(100, 0, 0, 20, 0, 300);
  const int i = Spawn(25, 1, 300, 200);
  PlayerAt(250, 200);
  EnemyFrames(1);
  EnemyRecord& e = enemy_pool[i];
  ASSERT_EQ(e.mode, 1);
  EXPECT_EQ(e.facing, 0);
  EnemyFrames(1);
  EXPECT_EQ(e.x, 295) << "5 pixels a frame";
  int n = 1;
  while (e.facing == 0 && n < 100) {
    update_enemies();
    ++n;
  }
  EXPECT_EQ(e.facing, 1) << "turned at the wall";
  EXPECT_GT(e.x + 35, gimmicks[wall].x + 20 - 10);
  e.state = enemy_dying;
  e.timer = 0;
  const int y = e.y;
  int top = y;
  n = 0;
  while (e.state == enemy_dying && n < 300) {
    update_enemies();
    if (e.y < top) top = e.y;
    ++n;
  }
  EXPECT_LT(top, y) << "hops up first";
  EXPECT_EQ(e.state, enemy_defeated);
  EXPECT_EQ(e.alpha, 5) << "fades by 5 once on the ground";
}

TEST_F(Enemies, Kind20NeverFallsFasterThanSix) {
  const int i = Spawn(20, 1, 300, 0);
  PlayerAt(20000, 0);
  int last = enemy_pool[i].y;
  for (int n = 0; n < 30; ++n) {
    PlayerAt(300, enemy_pool[i].y);
    update_enemies();
    ASSERT_LE(enemy_pool[i].y - last, 6);
    last = enemy_pool[i].y;
  }
  EXPECT_EQ(enemy_pool[i].fall, 5);
}

}  // namespace
