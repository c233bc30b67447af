// The game flow fixture with the player's block and the run's globals back at program start, and one frame of the
// current mode as the main loop runs it.
#pragma once

#include "game/flow/hero_select.h"
#include "game/flow/game_parts.h"
#include "game/flow/save_file.h"
#include "game/player/player_globals.h"
#include "tests/game_flow/game_fixture.h"

namespace game_test {

inline constexpr int kPadDown = 1;
inline constexpr int kPadLeft = 2;
inline constexpr int kPadRight = 4;
inline constexpr int kPadUp = 8;
inline constexpr int kMain = 0x10;  // button 1: MAIN under the default map

inline void Frame(int pad) {
  map_buttons(pad);
  run_game_mode(pad);
}

class PlayerTest : public GameFlow {
 protected:
  void SetUp() override {
    GameFlow::SetUp();
    player_globals = PlayerGlobals{};
    for (auto& t : buff_time) t = 0;
    fall_speed = 1;
    for (int& c : screen_cursor) c = 0;
    scene_timer = 0;
    stage = area = 0;
    for (auto& h : save_headers) std::fill(std::begin(h), std::end(h), 0);
    std::fill(std::begin(save_record), std::end(save_record), 0);
  }
};

}  // namespace game_test
