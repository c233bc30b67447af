// Enemy kinds 1 to 12 and 34 to 39 at known places with a scripted player: the frames at which they wake, turn,
// shoot and die, and what their shots are.
#include <gtest/gtest.h>

#include <set>

#include "engine/graphics/draw_state.h"
#include "game/flow/game_parts.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;
using enemy_test::FramesUntilHazard;
using enemy_test::FramesWhile;

TEST_F(Enemies, DyingKindsFadeAndParkAfterTheirOwnNumberOfFrames) {
  struct Case {
    int kind;
    int frames;
  };
  for (const Case& c : {Case{1, 127}, Case{2, 36}, Case{3, 127}, Case{4, 177}, Case{5, 127}, Case{6, 127},
                        Case{8, 111}, Case{9, 48}, Case{11, 45}, Case{12, 79}}) {
    free_all_enemies();
    const int i = Spawn(c.kind, 1, 300, 200);
    enemy_pool[i].state = enemy_dying;
    EXPECT_EQ(FramesWhile(i, enemy_dying), c.frames) << c.kind;
    EXPECT_EQ(enemy_pool[i].state, enemy_defeated) << c.kind;
  }
}

TEST_F(Enemies, TheFlyerSleepsUntilThePlayerIsNearThenDropsThreeShotsPerPass) {
  const int i = Spawn(2, 3, 300, 200);
  EnemyFrames(5);
  EXPECT_EQ(enemy_pool[i].mode, 0);
  EXPECT_EQ(enemy_pool[i].x, 300) << "asleep: not moving";
  PlayerAt(0, 200);
  EXPECT_EQ(FramesUntilHazard(10), 31);
  EXPECT_EQ(enemy_pool[i].facing, 0) << "the player is to the left";
  EnemyFrames(60);
  EXPECT_EQ(LiveHazards(10).size(), 3u);
  EXPECT_EQ(LiveHazards(10)[0]->y, 220);
  PlayerAt(2000, 200);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].state, enemy_defeated) << "more than 640 pixels away";
}

TEST_F(Enemies, TheRisingFlyerIsFreedLeftOfTheScreen) {
  const int i = Spawn(2, 13, -150, 300);
  EnemyFrames(10);
  EXPECT_EQ(enemy_pool[i].y, 270) << "rises by the parameter's last digit";
  EXPECT_EQ(enemy_pool[i].x, -150);
  const int gone = Spawn(2, 13, -201, 300);
  EXPECT_EQ(FramesWhile(gone, enemy_active), 1);
  EXPECT_EQ(enemy_pool[gone].state, enemy_free);
}

TEST_F(Enemies, TheJumperThrowsOnTheSeventiethFrameTowardThePlayer) {
  struct Case {
    int player_x;
    int direction;
    int hazard_x;
  };
  for (const Case& c : {Case{500, 1, 460}, Case{300, 0, 410}}) {
    free_all_enemies();
    gimmick_count = 0;
    free_all_hazards();
    AddSolid(0, 255, 0, 1000, 0, 50);  // under its floor box, below its wall box
    const int i = Spawn(3, 1, 400, 200);
    enemy_pool[i].mode = 3;
    PlayerAt(c.player_x, 200);
    EXPECT_EQ(FramesUntilHazard(1), 71);
    const HazardRecord& h = *LiveHazards(1)[0];
    EXPECT_EQ(h.direction, c.direction);
    EXPECT_EQ(h.x, c.hazard_x);
    EnemyFrames(60);
    EXPECT_EQ(enemy_pool[i].mode, 0) << "back to waiting after 131 frames";
    EXPECT_EQ(LiveHazards(1).size(), 1u);
  }
}

TEST_F(Enemies, TheHeavyWalkerSwingsOnlyAfterFortyFramesOfWalking) {
  const int i = Spawn(4, 0, 400, 200);
  PlayerAt(0, 200);
  EnemyFrames(3);
  EXPECT_EQ(enemy_pool[i].mode, 0) << "waits unseen while the player is far";
  PlayerAt(350, 200);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 1);
  EXPECT_EQ(enemy_pool[i].facing, 0);
  EXPECT_EQ(FramesWhile(i, enemy_active, 40), -1);
  EXPECT_EQ(enemy_pool[i].mode, 1);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 2) << "swing on the 41st walking frame";
  EXPECT_EQ(enemy_pool[i].x, 359);
  EXPECT_EQ(FramesUntilHazard(11), 46);
  EXPECT_EQ(LiveHazards(11)[0]->x, 359 - 140);
  EnemyFrames(39);
  EXPECT_EQ(enemy_pool[i].mode, 1);
  EXPECT_EQ(enemy_pool[i].counter, 0) << "the cooldown starts over";
}

TEST_F(Enemies, TheSmallFloaterAimsOnceThirtyFramesAfterNoticingThePlayer) {
  const int i = Spawn(5, 1, 400, 200);
  PlayerAt(300, 200);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 99);
  EnemyFrames(29);
  EXPECT_EQ(enemy_pool[i].mode, 99);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 1);
  EXPECT_EQ(enemy_pool[i].vx, -3);
  EXPECT_EQ(enemy_pool[i].vy, 1);
  const int x = enemy_pool[i].x;
  PlayerAt(900, 900);  // the aim is not taken again
  EnemyFrames(10);
  EXPECT_EQ(enemy_pool[i].x, x - 30);
  EXPECT_EQ(enemy_pool[i].vx, -3);
}

TEST_F(Enemies, RisingFloatersLeaveTheirRecordAboveTheScreen) {
  for (int param : {4, 5, 6}) {
    free_all_enemies();
    const int i = Spawn(5, param, 300, 0);
    PlayerAt(300, 0);
    EXPECT_EQ(FramesWhile(i, enemy_active), 101) << param;
    EXPECT_EQ(enemy_pool[i].state, enemy_free);
    EXPECT_EQ(enemy_pool[i].facing, 0) << "never turns toward the player";
  }
}

TEST_F(Enemies, TheLargeFloaterShootsEvery140FramesAtAlternatingHeights) {
  const int i = Spawn(6, 1, 400, 200);
  PlayerAt(300, 200);
  EXPECT_EQ(FramesUntilHazard(3), 81);
  EXPECT_EQ(LiveHazards(3)[0]->y, 220);
  EXPECT_EQ(LiveHazards(3)[0]->x, 340) << "facing left";
  EnemyFrames(139);
  EXPECT_EQ(LiveHazards(3).size(), 1u);
  EnemyFrames(1);
  ASSERT_EQ(LiveHazards(3).size(), 2u);
  EXPECT_EQ(LiveHazards(3)[1]->y, 270);
  EXPECT_EQ(enemy_pool[i].state, enemy_active);
}

TEST_F(Enemies, WaveAnglesStayInsideTheTables) {
  const int i = Spawn(5, 2, 400, 200);
  PlayerAt(300, 200);
  for (int n = 0; n < 400; ++n) {
    EnemyFrames(1);
    ASSERT_GE(enemy_pool[i].jump_power, 0);
    ASSERT_LT(enemy_pool[i].jump_power, 360);
    mx = enemy_pool[i].x - 100;  // keep it in range
  }
}

TEST_F(Enemies, TheLeaperLeapsOnlyWhileThePlayerIsLevelAndTurnsAfterItsLeaps) {
  struct Case {
    int player_dy;
    bool leaps;
  };
  for (const Case& c : {Case{40, true}, Case{0, false}, Case{60, false}}) {
    free_all_enemies();
    gimmick_count = 0;
    AddSolid(-2000, 300, 0, 4000, 0, 100);
    const int i = Spawn(7, 2, 400, 243);  // its floor box reaches one pixel into the floor
    PlayerAt(300, 243 + c.player_dy);
    int turns = 0, landings = 0;
    int facing = enemy_pool[i].facing;
    for (int n = 0; n < 300; ++n) {
      const int fall = enemy_pool[i].fall;
      EnemyFrames(1);
      if (enemy_pool[i].facing != facing) ++turns;
      facing = enemy_pool[i].facing;
      landings += fall > 0 && enemy_pool[i].fall == 0 && enemy_pool[i].mode == 1;
    }
    if (c.leaps) {
      EXPECT_NE(enemy_pool[i].x, 400) << c.player_dy;
      EXPECT_GE(landings, 4);
      EXPECT_EQ(turns, landings / 2) << "one turn every second leap";
    } else {
      EXPECT_EQ(enemy_pool[i].x, 400) << c.player_dy;
      EXPECT_EQ(enemy_pool[i].mode, 0);
      EXPECT_EQ(enemy_pool[i].y, 243) << "crouches on the floor";
    }
  }
}

TEST_F(Enemies, TheThrowerThrowsAtMostOncePer100FramesAndOnlyInRange) {
  const int i = Spawn(8, 1, 400, 200);
  PlayerAt(330, 200);
  EXPECT_EQ(FramesUntilHazard(14), 100);
  EXPECT_EQ(LiveHazards(14)[0]->x, 370);
  EnemyFrames(99);
  EXPECT_EQ(LiveHazards(14).size(), 1u);
  EnemyFrames(1);
  EXPECT_EQ(LiveHazards(14).size(), 2u);
  FarPlayer();
  EnemyFrames(300);
  EXPECT_EQ(LiveHazards(14).size(), 2u);
  EXPECT_EQ(enemy_pool[i].counter, 100) << "ready, waiting for the player";
  PlayerAt(330, 200);
  EnemyFrames(1);
  EXPECT_EQ(LiveHazards(14).size(), 3u);
}

TEST_F(Enemies, TheCasterCastsWithArgumentOneAndTheFloatingCasterWithTwo) {
  const int i = Spawn(9, 1, 400, 200);
  PlayerAt(350, 200);
  EXPECT_EQ(FramesUntilHazard(12), 111) << "51 frames standing, 60 casting";
  EXPECT_EQ(LiveHazards(12)[0]->param, 1);
  EXPECT_EQ(enemy_pool[i].mode, 2);
  EnemyFrames(160);
  EXPECT_EQ(enemy_pool[i].mode, 0);
  EnemyFrames(50);
  EXPECT_EQ(enemy_pool[i].mode, 0) << "at least 51 frames before the next cast";
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 1);

  free_all_enemies();
  free_all_hazards();
  const int f = Spawn(9, 2, 400, 200);
  EXPECT_EQ(FramesUntilHazard(12), 201);
  EXPECT_EQ(LiveHazards(12)[0]->param, 2);
  EXPECT_EQ(enemy_pool[f].mode, 3);
}

TEST_F(Enemies, TheVerticalHopperFiresOnlyAtTheTopOfItsLeapAndOnlyInRange) {
  for (bool in_range : {true, false}) {
    free_all_enemies();
    free_all_hazards();
    AddSolid(0, 300, 0, 1000, 0, 50);
    gimmick_count = 1;
    const int i = Spawn(10, 1, 400, 300 - 70 + 1);
    if (in_range) PlayerAt(300, 200);
    else FarPlayer();
    int fired = 0;
    int first = -1;
    for (int n = 1; n <= 200; ++n) {
      update_enemies();
      const int now = static_cast<int>(LiveHazards(5).size());
      if (now > fired && first < 0) first = n;
      fired = now;
    }
    if (in_range) {
      EXPECT_EQ(first, 130) << "fall reaches the jump power on the 29th frame of the leap";
      EXPECT_GE(fired, 2);
      EXPECT_EQ(fired % 2, 0) << "two frames at the top of each leap";
    } else {
      EXPECT_EQ(fired, 0);
    }
    EXPECT_EQ(enemy_pool[i].state, enemy_active);
  }
}

TEST_F(Enemies, TheAmbusherDivesOnlyAtAPlayerBelowIt) {
  struct Case {
    int player_y;
    int mode;
  };
  for (const Case& c : {Case{200, 1}, Case{131, 1}, Case{130, 0}, Case{100, 0}, Case{50, 0}}) {
    free_all_enemies();
    const int i = Spawn(11, 1, 400, 100);
    PlayerAt(380, c.player_y);
    EnemyFrames(1);
    EXPECT_EQ(enemy_pool[i].mode, c.mode) << c.player_y;
  }
}

TEST_F(Enemies, ThePatrollingFlierTurnsAfterItsSpan) {
  const int i = Spawn(11, 52, 400, 100);  // 2 pixels a frame, turning after more than 52
  EnemyFrames(27);
  EXPECT_EQ(enemy_pool[i].x, 400 - 54);
  EXPECT_EQ(enemy_pool[i].facing, 1);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].x, 400 - 52);
}

TEST_F(Enemies, TheBurstCasterAlternatesOddAndEvenDirections) {
  Spawn(12, 1, 400, 200);
  PlayerAt(350, 200);
  EXPECT_EQ(FramesUntilHazard(13), 81);
  std::set<int> first;
  for (const HazardRecord* h : LiveHazards(13)) first.insert(h->direction);
  EXPECT_EQ(first, (std::set<int>{1, 3, 5, 7}));
  EnemyFrames(132);
  ASSERT_EQ(LiveHazards(13).size(), 8u);
  std::set<int> second;
  for (int k = 4; k < 8; ++k) second.insert(LiveHazards(13)[k]->direction);
  EXPECT_EQ(second, (std::set<int>{2, 4, 6, 8}));
  EXPECT_EQ(hurt, 0) << "it harms only through its shots";
}

TEST_F(Enemies, AChestOpensItsLinkedDoorOnceItIsHit) {
  AddSolid(0, 0, 0, 10, 0, 10);
  const int door = AddSolid(500, 0, 0, 10, 0, 10);
  gimmicks[door].sub = 104;
  const int c = Spawn(36, 104, 100, 100);
  const int lonely = Spawn(36, 109, 200, 100);
  EnemyFrames(5);
  EXPECT_EQ(gimmicks[door].door_state, door_state_rest) << "an unopened chest does nothing";
  enemy_pool[c].state = enemy_dying;
  enemy_pool[lonely].state = enemy_dying;
  EnemyFrames(1);
  EXPECT_EQ(gimmicks[door].door_state, door_state_rising);
  EXPECT_EQ(enemy_pool[c].counter, 1);
  EXPECT_EQ(enemy_pool[lonely].counter, 0) << "no match: keeps looking";
  EnemyFrames(40);
  EXPECT_EQ(enemy_pool[c].timer, 30);
}

TEST_F(Enemies, TheOrbRisesInTheSceneByItsParameter) {
  struct Case {
    int param;
    int dx;
    int dy;
  };
  scene_state.step = 7;
  story_event = 18;  // no contact during this scene
  for (const Case& c : {Case{0, 0, -4}, Case{2, 2, -3}, Case{5, 0, -1}, Case{6, 0, 0}}) {
    free_all_enemies();
    const int i = Spawn(35, c.param, 300, 300);
    enemy_pool[i].timer = -1000;  // no bobbing in these frames
    EnemyFrames(4);
    EXPECT_EQ(enemy_pool[i].x - 300, 2 * c.dx) << c.param;
    EXPECT_EQ(enemy_pool[i].y - 300, 2 * c.dy) << c.param;
  }
}

}  // namespace

namespace {

TEST_F(Enemies, TheItemAndTheOrbLeaveTheBlendAtNoneWithParameter0AfterTheirHalo) {
  struct Case {
    int kind;
    int param;
  };
  for (const Case& c : {Case{34, 0}, Case{35, 0}, Case{37, 255}}) {
    free_all_enemies();
    Spawn(c.kind, 1, 300, 300);
    SetBlendMode(2, 77);
    EnemyFrames(1);
    EXPECT_EQ(g_GraphDrawState.BlendMode, 0) << c.kind;
    EXPECT_EQ(g_GraphDrawState.BlendParam, c.param) << c.kind;
  }
}

}  // namespace
