// A started headless game with the scene state reset, and helpers that drive screens frame by frame.
#pragma once

#include <functional>

#include "game/flow/dialogue_box.h"
#include "game/flow/game_parts.h"
#include "tests/game_flow/game_fixture.h"

namespace story_test {

constexpr int kMain = 0x10;  // pad button 1, MAIN under the default map

class Story : public game_test::GameFlow {
 protected:
  void SetUp() override {
    GameFlow::SetUp();
    scene_state = SceneState{};
    reset_scene_state();
    story_event = 0;
    hero = 0;
    PlayerState = 22;
    mx = my = g_x = g_y = 0;
    glow_counter = phase_counter = scene_timer = 0;
    auto_walk_left = auto_walk_right = 0;
  }

  // Runs frames of `frame` with pad `pad` until `done` holds; the number of frames run, or -1 after `limit`.
  static int RunUntil(const std::function<void(int)>& frame, int pad, const std::function<bool()>& done,
                      int limit = 5000) {
    for (int n = 1; n <= limit; ++n) {
      map_buttons(pad);
      frame(pad);
      if (done()) return n;
    }
    return -1;
  }
};

}  // namespace story_test
