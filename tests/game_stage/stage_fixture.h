// A started headless engine with the game's globals back at their start, and the stage's pools empty.
#pragma once

#include "game/flow/stage_play.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/scenery.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"
#include "tests/game_player/player_fixture.h"

namespace game_test {

inline constexpr int kPause = 0x10 << 5;  // button 6: PAUSE under the default map

class StageTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    g_x = g_y = bg_x = bg_y = 0;
    area_exit_column = area_exit_offset = 0;
    stage_phase = 1;
    pause_latch = 0;
    clear_object_pools();
    stand_gimmick = 9999;
  }

  // Stage 1's area at the start of play, as the location select leaves it.
  void EnterStage(int area_number) {
    stage = 1;
    area = area_number;
    hero = 0;
    reset_player_stats();
    stage_entry();
    clear_object_pools();
    build_stage();
    game_mode = mode_stage_play;
  }
};

}  // namespace game_test
