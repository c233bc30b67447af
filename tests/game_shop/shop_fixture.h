// A started headless game standing in the shop or the cathedral, and helpers that drive it frame by frame.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "game/flow/dialogue_box.h"
#include "game/flow/game_parts.h"
#include "game/flow/shop_screen.h"
#include "tests/game_story/story_fixture.h"

namespace shop_test {

constexpr int kMain = story_test::kMain;
constexpr int kDown = 1;
constexpr int kLeft = 2;
constexpr int kRight = 4;
constexpr int kUp = 8;

using ScreenFn = void (*)(int);

class ShopTest : public story_test::Story {
 protected:
  void SetUp() override {
    Story::SetUp();
    std::memset(&player_globals, 0, sizeof player_globals);
    PlayerState = 0;
    screen_cursor[0] = screen_cursor[1] = 0;
    screen_pic_a = -1;
    frame_start_ms = 0;
  }

  ScreenFn screen_ = shop_screen;

  void Frame(int pad) {
    map_buttons(pad);
    screen_(pad);
  }
  // A press: one frame held, one released.
  void Press(int pad) {
    Frame(pad);
    Frame(0);
  }
  // Frames with `pad` until `done`; false after `limit` frames.
  template <typename Done>
  bool RunUntil(int pad, Done done, int limit = 3000) {
    for (int n = 0; n < limit; ++n) {
      if (done()) return true;
      Frame(pad);
    }
    return done();
  }
  // Presses MAIN (one frame held, one released) until the step leaves `step`.
  bool TalkThrough(int step) {
    for (int n = 0; n < 3000 && scene_state.step == step; ++n) Frame(n % 2 == 0 ? kMain : 0);
    return scene_state.step != step;
  }
  // Enters the screen of `mode` as the location select leaves it and runs it up to the command menu.
  void Enter(int mode, int who) {
    hero = who;
    screen_ = mode == mode_shop ? shop_screen : cathedral_screen;
    game_mode = mode;
    screen_phase = 0;
    frame_counter = 255;
    ASSERT_TRUE(RunUntil(0, [] { return screen_phase == 2; }));
    ASSERT_TRUE(RunUntil(0, [] { return scene_state.step == 1; }));  // greeting window shown
    ASSERT_TRUE(TalkThrough(1));
    ASSERT_TRUE(RunUntil(0, [] { return scene_state.step == 3; }));
    Frame(0);
  }
  // From the command menu into the list, with the list cursor on (row, column).
  void OpenList(int row, int column) {
    ASSERT_EQ(scene_state.step, 3);
    Press(kMain);
    ASSERT_EQ(scene_state.step, 4);
    for (int i = 0; i < row; ++i) Press(kDown);
    for (int i = 0; i < column; ++i) Press(kRight);
    ASSERT_EQ(menu_counter_b, row);
    ASSERT_EQ(menu_counter_a, column);
  }
};

}  // namespace shop_test
