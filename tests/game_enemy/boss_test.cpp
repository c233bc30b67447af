// The bosses frame by frame: waking, the choices and their shots, the collapse, and the hand-over to the boss room of
// the stage-play frame and to the story scene.
#include <gtest/gtest.h>

#include <set>

#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "game/flow/stage_play.h"
#include "game/flow/story_scenes.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;

// Frames until `done` holds after a frame, up to `limit` (-1 when it does not).
template <typename Done>
int FramesUntil(Done done, int limit = 3000) {
  for (int n = 1; n <= limit; ++n) {
    update_enemies();
    if (done()) return n;
  }
  return -1;
}

TEST_F(Enemies, Boss26SleepsUndrawnUntilThePlayerIsWithin449Pixels) {
  const int i = Spawn(26, 0, 600, 260);
  PlayerAt(150, 260);  // 450 away
  EnemyFrames(10);
  EXPECT_EQ(enemy_pool[i].mode, 0);
  PlayerAt(151, 260);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].mode, 1);
  EnemyFrames(1);
  EXPECT_GE(enemy_pool[i].mode, 2) << "mode 1 lasts one frame";
  EXPECT_EQ(enemy_pool[i].facing, 0) << "faces the player on the left";
}

TEST_F(Enemies, Boss26RainsThreeOrbsOnlyOnceAboveTheTopLine) {
  spawn_enemy(26, 0, 1, 1, 600, 260);  // as the boss room spawns it: world (1240, 740)
  g_x = 640;
  g_y = -480;
  EnemyRecord& e = enemy_pool[0];
  e.mode = 2;
  PlayerAt(500, 260);
  // 65 frames up 2 pixels to y 610, the next frame starts casting, orbs on its 40th, 80th and 120th frames.
  EXPECT_EQ(FramesUntil([] { return !LiveHazards(5).empty(); }), 106);
  EXPECT_EQ(e.y, 610);
  EXPECT_EQ(LiveHazards(5)[0]->x, 1240);
  EXPECT_EQ(LiveHazards(5)[0]->y, 630);
  EnemyFrames(80);
  EXPECT_EQ(LiveHazards(5).size(), 3u);
  EXPECT_EQ(FramesUntil([] { return enemy_pool[0].mode != 2; }), 40 + 66) << "then sinks 65 frames back to its height";
  EXPECT_EQ(e.y, 740);
}

TEST_F(Enemies, Boss26VolleyIsChosenOnceAndFiresFiveOrFourFireballs) {
  std::set<int> counts;
  for (int trial = 0; trial < 12; ++trial) {
    free_all_enemies();
    free_all_hazards();
    const int i = Spawn(26, 0, 300, 260);
    enemy_pool[i].mode = 3;
    int fired = 0;
    for (int n = 0; n < 140; ++n) {
      const std::size_t before = LiveHazards(7).size();
      update_enemies();
      fired += static_cast<int>(LiveHazards(7).size() - before);
    }
    EXPECT_EQ(enemy_pool[i].mode, 1);
    EXPECT_EQ(fired, enemy_pool[i].step == 0 ? 4 : 5) << "step 2 clears its step at the end";
    counts.insert(fired);
  }
  EXPECT_EQ(counts, (std::set<int>{4, 5}));
}

TEST_F(Enemies, Boss26StrikeFiresItsBurstBehindItsFacingOnFrame41) {
  const int i = Spawn(26, 0, 300, 260);
  EnemyRecord& e = enemy_pool[i];
  e.mode = 5;
  e.step = 1;
  e.facing = 1;
  EXPECT_EQ(FramesUntil([] { return !LiveHazards(6).empty(); }), 41);
  EXPECT_EQ(LiveHazards(6)[0]->direction, 0);
  EXPECT_EQ(LiveHazards(6)[0]->x, 330);
  EnemyFrames(94);
  EXPECT_EQ(e.mode, 1) << "135 frames";
}

TEST_F(Enemies, Boss26SummonsTheColumnWithItsOwnIndex) {
  Spawn(37, 1, 0, 0);  // an earlier record, so the boss is not record 0
  const int i = Spawn(26, 0, 300, 500);
  EnemyRecord& e = enemy_pool[i];
  e.mode = 4;
  e.step = 2;
  e.counter = 1;
  EXPECT_EQ(FramesUntil([] { return !LiveHazards(8).empty(); }), 81);
  EXPECT_EQ(LiveHazards(8)[0]->param, i);
  EXPECT_EQ(LiveHazards(8)[0]->x, 215);
}

TEST_F(Enemies, Boss26CollapseHoldsThePlayerAndHandsTheRoomBackAfterTheFade) {
  struct Case {
    bool floor;
    int frames;  // sinking to frame 500 (or to the floor), 80 frames of pictures, the jump, 127 of fade
  };
  for (const Case& c : {Case{false, 708}, Case{true, 289}}) {
    free_all_enemies();
    gimmick_count = 0;
    boss_phase_b = 1;
    if (c.floor) AddSolid(0, 400, 0, 1000, 0, 50);
    const int i = Spawn(26, 0, 300, 260);
    EnemyRecord& e = enemy_pool[i];
    e.state = enemy_dying;
    PlayerState = 0;
    EnemyFrames(1);
    EXPECT_EQ(PlayerState, 20);
    const int n = FramesUntil([&e] { return e.state != enemy_dying; });
    EXPECT_EQ(n + 1, c.frames) << c.floor;
    EXPECT_EQ(e.state, enemy_free);
    EXPECT_EQ(boss_phase_b, 2);
    EXPECT_EQ(PlayerState, 0);
    if (c.floor) {
      EXPECT_EQ(e.y, 291) << "sank until its probe met the floor";
    }
  }
}

TEST_F(Enemies, Boss33RollSplitsOverWalkStrikeBeamAndVolley) {
  const int i = Spawn(33, 1, 300, 100);
  EnemyRecord& e = enemy_pool[i];
  std::set<int> modes;
  for (int trial = 0; trial < 60; ++trial) {
    e.mode = 1;
    e.step = 99;
    update_enemies();
    const int r = e.angle;
    const int want = r <= 2 ? 2 : r <= 4 ? 5 : r <= 7 ? 6 : 7;
    ASSERT_EQ(e.mode, want) << r;
    modes.insert(e.mode);
  }
  EXPECT_EQ(modes, (std::set<int>{2, 5, 6, 7}));
}

TEST_F(Enemies, Boss33BeamStartsFarRightWithTwoFlashes) {
  struct Case {
    int facing;
    int beam_x;
  };
  for (const Case& c : {Case{1, 300 + 1520}, Case{0, 400}}) {
    free_all_enemies();
    free_all_hazards();
    const int i = Spawn(33, 1, 300, 100);
    enemy_pool[i].mode = 6;
    enemy_pool[i].facing = c.facing;
    std::set<int> flashes;
    for (int n = 1; n <= 60; ++n) {
      flash_request = 0;
      update_enemies();
      if (flash_request == 1) flashes.insert(n);
    }
    EXPECT_EQ(flashes, (std::set<int>{50, 55}));
    ASSERT_EQ(LiveHazards(38).size(), 1u);
    EXPECT_EQ(LiveHazards(38)[0]->x, c.beam_x);
  }
}

TEST_F(Enemies, Boss33StrikesWhereThePlayerStoodOnTheFirstFrame) {
  const int i = Spawn(33, 1, 300, 100);
  g_x = 100;
  enemy_pool[i].mode = 5;
  PlayerAt(400, 200);
  EnemyFrames(1);
  EXPECT_EQ(enemy_pool[i].counter2, 420);
  PlayerAt(100, 200);
  EXPECT_EQ(FramesUntil([] { return !LiveHazards(43).empty(); }), 79);
  EXPECT_EQ(LiveHazards(43)[0]->x, 420);
  EXPECT_EQ(LiveHazards(43)[0]->param, -500);
  EnemyFrames(201);
  EXPECT_EQ(enemy_pool[i].mode, 1);
}

TEST_F(Enemies, Boss33VolleyFiresItsVariantsShots) {
  for (int trial = 0; trial < 10; ++trial) {
    free_all_enemies();
    free_all_hazards();
    const int i = Spawn(33, 1, 300, 100);
    EnemyRecord& e = enemy_pool[i];
    e.mode = 7;
    update_enemies();
    const int variant = e.step;
    const int want_shots = variant <= 2 ? 3 : variant <= 6 ? 4 : 5;
    const int want_frames = variant <= 2 ? 121 : variant <= 6 ? 221 : 201;
    int n = 1;
    while (e.mode == 7 && n < 400) {
      update_enemies();
      ++n;
    }
    EXPECT_EQ(n, want_frames) << variant;
    EXPECT_EQ(static_cast<int>(LiveHazards(42).size()), want_shots) << variant;
  }
}

TEST_F(Enemies, Boss33CollapseRestartsTheStageMusicAndHandsTheRoomBack) {
  const int i = Spawn(33, 1, 300, 100);
  EnemyRecord& e = enemy_pool[i];
  e.state = enemy_dying;
  boss_phase_b = 1;
  EnemyFrames(1);
  EXPECT_EQ(PlayerState, 20);
  EXPECT_EQ(LiveHazards(45).size(), 1u);
  EXPECT_EQ(e.y, 100) << "gravity: fall 0 on the first frame";
  EnemyFrames(1);
  EXPECT_EQ(e.y, 101) << "gravity keeps running while it collapses";
  EXPECT_EQ(FramesUntil([&e] { return e.state != enemy_dying; }) + 2, 160 + 63);
  EXPECT_EQ(e.state, enemy_free);
  EXPECT_EQ(boss_phase_b, 2);
  EXPECT_EQ(PlayerState, 0);
}

TEST_F(Enemies, Boss27ChoosesByItsRollAndKeepsTheRoll) {
  const int i = Spawn(27, 0, 200, 260);
  EnemyRecord& e = enemy_pool[i];
  update_enemies();
  EXPECT_EQ(e.mode, 1);
  for (int trial = 0; trial < 40; ++trial) {
    e.mode = 1;
    e.state = enemy_active;
    update_enemies();
    const int r = e.step;
    const int want = r <= 4 ? 2 : r <= 24 ? 3 : r <= 39 ? 4 : r <= 59 ? 5 : r <= 79 ? 6 : 7;
    ASSERT_EQ(e.mode, want) << r;
  }
}

TEST_F(Enemies, Boss27PullDragsThePlayerFromStep50To200) {
  struct Case {
    int roll;  // the choice roll the step starts from
    int pulled;
  };
  for (const Case& c : {Case{40, 151}, Case{55, 146}}) {
    free_all_enemies();
    const int i = Spawn(27, 0, 200, 260);
    EnemyRecord& e = enemy_pool[i];
    e.mode = 5;
    e.step = c.roll;
    int pulled = 0;
    while (e.mode == 5) {
      PlayerAt(20, 200);
      update_enemies();
      if (mx != 20) {
        ++pulled;
        ASSERT_EQ(mx, 24) << "4 pixels toward the boss";
      }
    }
    EXPECT_EQ(pulled, c.pulled) << c.roll;
  }
}

TEST_F(Enemies, Boss27ThrustsFireBoltsOnFrame71) {
  struct Case {
    int mode;
    int facing;
    std::set<int> kinds;
    int x;
  };
  for (const Case& c : {Case{3, 1, {16}, 350}, Case{4, 0, {17, 18}, 150}}) {
    free_all_enemies();
    free_all_hazards();
    const int i = Spawn(27, 0, 200, 260);
    enemy_pool[i].mode = c.mode;
    enemy_pool[i].facing = c.facing;
    EXPECT_EQ(FramesUntil([] { return !LiveHazards(16).empty() || !LiveHazards(17).empty(); }), 71);
    std::set<int> kinds;
    for (const HazardRecord& h : hazard_pool) {
      if (h.state != hazard_live) continue;
      kinds.insert(h.type);
      EXPECT_EQ(h.x, c.x);
      EXPECT_EQ(h.direction, c.facing);
    }
    EXPECT_EQ(kinds, c.kinds);
    EnemyFrames(79);
    EXPECT_EQ(enemy_pool[i].mode, 1) << "150 frames";
  }
}

TEST_F(Enemies, Boss27ChargesFromFrame38AndTurnsAtTheArenaEdge) {
  const int i = Spawn(27, 0, 200, 260);
  EnemyRecord& e = enemy_pool[i];
  e.mode = 6;
  EnemyFrames(36);
  EXPECT_EQ(e.x, 200);
  EnemyFrames(1);
  EXPECT_EQ(e.x, 192);
  EXPECT_EQ(FramesUntil([&e] { return e.mode != 6; }), 21);
  EXPECT_EQ(e.x, 24);
  EXPECT_EQ(e.facing, 1);
}

TEST_F(Enemies, Boss27LeapFromBeyondItsEdgeEndsOnItsFirstFrame) {
  const int i = Spawn(27, 0, 480, 260);
  EnemyRecord& e = enemy_pool[i];
  e.mode = 7;
  e.facing = 1;
  e.y = 200;
  EnemyFrames(1);
  EXPECT_EQ(e.mode, 1);
  EXPECT_EQ(e.y, 260) << "back on its line";
  EXPECT_EQ(e.facing, 0);
}

TEST_F(Enemies, Boss27DefeatHandsTheSceneToStep9AfterThreeHundredFrames) {
  const int i = Spawn(27, 0, 200, 260);
  EnemyRecord& e = enemy_pool[i];
  e.state = enemy_dying;
  scene_state.step = 8;
  PlayerState = 0;
  for (int n = 1; n < 300; ++n) {
    update_enemies();
    ASSERT_EQ(PlayerState, 20) << n;
  }
  EXPECT_EQ(scene_state.step, 8);
  update_enemies();
  EXPECT_EQ(e.state, enemy_defeated);
  EXPECT_EQ(PlayerState, 22);
  EXPECT_EQ(scene_state.step, 9);
  EXPECT_LT(e.alpha, 255);
  // The story scene takes over: event 15's step 9 fades out into the boss event.
  story_event = 15;
  scene_state.initialised = 1;
  scene_state.step_frames = 0;
  game_mode = mode_stage_play;
  int frames = 0;
  while (game_mode != mode_boss_event && frames < 400) {
    run_story_scene(0);
    ++frames;
  }
  EXPECT_EQ(game_mode, mode_boss_event);
  EXPECT_EQ(frames, 127);
}

// The boss room of stages 7 and 8: the door drops as the boss comes, stays shut while it fights and collapses, and
// rises once the boss has handed the room back; the walk on then starts the closing story event.
TEST_F(Enemies, BossRoomStaysClosedUntilTheBossFallsThenOpensAndLeadsToTheScene) {
  struct Case {
    int hero;
    int kind;
    int event;
  };
  for (const Case& c : {Case{0, 26, 16}, Case{1, 33, 18}}) {
    free_all_enemies();
    free_all_hazards();
    gimmick_count = 0;
    hero = c.hero;
    stage = 7;
    stage_phase = 1;
    boss_phase_b = 0;
    PlayerState = 0;
    hp = 100;
    const int door = AddSolid(1900, 480, 0, 40, 0, 200);
    gimmicks[door].sub = 101;
    g_x = 400;
    g_y = -480;
    PlayerAt(300, 300);
    stage_play_screen(0);
    EXPECT_EQ(boss_phase_b, 0) << "world x 700";
    g_x = 700;
    PlayerAt(300, 300);
    stage_play_screen(0);
    EXPECT_EQ(boss_phase_b, 1);
    EXPECT_EQ(gimmicks[door].door_state, door_state_dropping) << "the room closes";
    const int boss = LastSpawned(c.kind, 1240, c.kind == 26 ? 740 : 580);
    ASSERT_GE(boss, 0);
    gimmicks[door].door_state = door_state_rest;
    enemy_pool[boss].state = enemy_dying;
    enemy_pool[boss].timer = 0;
    int frames = 0;
    while (enemy_pool[boss].state == enemy_dying && frames < 1000) {
      stage_play_screen(0);
      ++frames;
      if (enemy_pool[boss].state == enemy_dying) {
        ASSERT_EQ(gimmicks[door].door_state, door_state_rest) << "shut while the boss collapses";
        ASSERT_EQ(boss_phase_b, 1);
      }
    }
    EXPECT_EQ(boss_phase_b, 3) << "handed back by the boss, the room step moves on in the same frame";
    EXPECT_EQ(gimmicks[door].door_state, door_state_rising) << "the room opens";
    g_x = 2250;
    PlayerAt(300, 300);
    PlayerState = 0;
    stage_play_screen(0);
    EXPECT_EQ(boss_phase_b, 4);
    EXPECT_EQ(PlayerState, 22);
    EXPECT_EQ(story_event, c.event);
  }
}

}  // namespace
