// The falling stage: the timetable's rows fire on their frames, the end of the fall leads into stage 7, a death
// costs a continue and starts the fall over from its start, and the hero's drift with inertia.
#include <gtest/gtest.h>

#include <map>

#include "game/flow/game_modes.h"
#include "game/flow/game_parts.h"
#include "game/stage/fall_stage.h"
#include "tests/game_enemy/enemy_fixture.h"

namespace {

using enemy_test::Enemies;

class Fall : public Enemies {
 protected:
  void SetUp() override {
    Enemies::SetUp();
    fall_state = FallState{};
    game_mode = mode_fall_scene;
    stage = 7;
    area = 1;
    continues = 2;
    PlayerAt(290, 50);
  }
  // One frame with the hero kept alive and untouched by the enemies.
  static void SafeFrame(int pad = 0) {
    hp = 100;
    hurt = 1;
    hurt_count = 31;
    fall_scene_screen(pad);
  }
};

TEST_F(Fall, TimetableRowsSpawnOnTheirFramesAndNeverOnFrameZero) {
  std::map<int, int> due;
  for (int r = 0; r < fall_schedule_rows; ++r) due[fall_schedule.rows[r].frame] += 1;
  EXPECT_EQ(due.begin()->first, 150);
  EXPECT_EQ(due.rbegin()->first, 5800) << "the last spawns";
  EXPECT_EQ(fall_schedule.rows[fall_schedule_rows].frame, 0);
  EXPECT_EQ(due[3700], 6) << "the second half repeats the first 3000 frames later";
  int spawned_total = 0;
  for (int n = 1; n <= 5900; ++n) {
    const int before = enemy_count;
    SafeFrame();
    ASSERT_EQ(fall_state.frame, n);
    const auto it = due.find(n);
    ASSERT_EQ(enemy_count - before, it == due.end() ? 0 : it->second) << "frame " << n;
    spawned_total += enemy_count - before;
  }
  EXPECT_EQ(spawned_total, fall_schedule_rows);
  EXPECT_EQ(fall_state.cursor, fall_schedule_rows) << "stopped at the all-zero row";
  // Frame 0 never fires: a cursor at a row of frame 0 stays put.
  fall_state.frame = 0;
  fall_state.cursor = 0;
  run_fall_spawn_schedule();
  EXPECT_EQ(fall_state.cursor, 0);
}

TEST_F(Fall, TheEndOfTheFallDropsTheHeroFadesAndEntersStageSeven) {
  boss_phase_a = 1;
  boss_phase_b = 3;
  stage = 2;
  int n = 0;
  while (game_mode == mode_fall_scene && n < 7000) {
    SafeFrame();
    ++n;
    if (n == 6600) {
      EXPECT_EQ(my, 55) << "the drop starts on frame 6600";
    }
  }
  // The hero drops from y 50 to 550 in 100 frames, then the fade runs 127 frames.
  EXPECT_EQ(n, 6600 + 100 + 126);
  EXPECT_EQ(game_mode, mode_stage_play);
  EXPECT_EQ(stage, 7);
  EXPECT_EQ(area, 1);
  EXPECT_EQ(boss_phase_a, 0);
  EXPECT_EQ(boss_phase_b, 0);
  EXPECT_EQ(PlayerState, 0);
  EXPECT_EQ(fall_state.entered, 0);
}

TEST_F(Fall, ADeathWithAContinueStartsTheFallOverAtItsStart) {
  struct Case {
    int continues;
    int mode_after;
  };
  for (const Case& c : {Case{2, mode_fall_scene}, Case{0, mode_game_over}}) {
    fall_state = FallState{};
    game_mode = mode_fall_scene;
    continues = c.continues;
    deaths = 0;
    PlayerAt(290, 50);
    for (int n = 0; n < 800; ++n) SafeFrame();
    ASSERT_GT(fall_state.cursor, 0);
    PlayerAt(300, 300);
    hp = 0;
    int n = 0;
    while (fall_state.entered == 1 && game_mode == mode_fall_scene && n < 1000) {
      hp = 0;
      fall_scene_screen(0);
      ++n;
    }
    EXPECT_EQ(n, 50 + 127) << "a drop of 250 pixels, then the fade";
    EXPECT_EQ(game_mode, c.mode_after);
    if (c.mode_after != mode_fall_scene) continue;
    EXPECT_EQ(continues, c.continues - 1);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(mx, 290);
    EXPECT_EQ(my, 50) << "where the fall starts, not at the area start";
    SafeFrame();
    EXPECT_EQ(fall_state.frame, 1) << "the fall starts over";
    EXPECT_EQ(fall_state.cursor, 0);
    EXPECT_EQ(fall_state.entered, 1);
  }
}

TEST_F(Fall, HeldDirectionsStepTheDriftOncePerFiveFrames) {
  constexpr int kDown = 1, kLeft = 2, kRight = 4, kUp = 8;
  struct Case {
    int pad;
    int frames;
    int vx, vy;
  };
  for (const Case& c : {Case{kRight, 1, 1, 0}, Case{kRight, 5, 1, 0}, Case{kRight, 6, 2, 0}, Case{kRight, 60, 6, 0},
                        Case{kRight | kUp, 60, 4, -6}, Case{kDown | kLeft, 60, -6, 4}, Case{kDown, 60, 0, 6},
                        Case{kLeft, 60, -6, 0}}) {
    fall_state = FallState{};
    for (int n = 0; n < c.frames; ++n) {
      PlayerAt(200, 200);  // keep the hero inside its bounds
      SafeFrame(c.pad);
      hurt = 0;
      PlayerState = 0;
    }
    EXPECT_EQ(fall_state.vx, c.vx) << c.pad << " x" << c.frames;
    EXPECT_EQ(fall_state.vy, c.vy) << c.pad << " x" << c.frames;
  }
}

TEST_F(Fall, DriftWearsOffAtTheEdges) {
  fall_state.entered = 1;
  fall_state.vx = 3;
  PlayerAt(548, 200);
  hurt = 0;
  fall_scene_screen(0);
  EXPECT_EQ(mx, 551);
  EXPECT_EQ(fall_state.vx, 3);
  fall_scene_screen(0);
  EXPECT_EQ(mx, 551);
  EXPECT_EQ(fall_state.vx, 2) << "beyond the edge the speed falls by one a frame";
}

}  // namespace
