// The option screens' fixture (pad helpers, back-screen pixels) with the location select's globals set to a fresh
// run at the hub.
#pragma once

#include <cstring>

#include "game/flow/dialogue_box.h"
#include "game/flow/game_menu.h"
#include "game/flow/location_select.h"
#include "game/flow/save_file.h"
#include "game/flow/story_scenes.h"
#include "game/player/player_globals.h"
#include "tests/game_options/options_fixture.h"

namespace menu_test {

using game_test::Button;
using game_test::Frame;
using game_test::kPadDown;
using game_test::kPadLeft;
using game_test::kPadRight;
using game_test::kPadUp;
using game_test::Press;

inline constexpr int kMain = Button(1);
inline constexpr int kJump = Button(2);

class Hub : public game_test::GameOptions {
 protected:
  void SetUp() override {
    GameOptions::SetUp();
    std::memset(&player_globals, 0, sizeof player_globals);
    game_mode = mode_location_select;
    stage_phase = 1;
    game_menu_page = 0;
    for (int& c : screen_cursor) c = 0;
    stage = 0;
    area = 0;
    story_event = 0;
    scene_background = right_portrait_sheet = stage_background = -1;
  }

  // White pixels of the help line's band.
  static int WhiteHelpPixels() {
    int lit = 0;
    for (int y = 445; y < 462; ++y) {
      for (int x = 40; x < 300; ++x) lit += Pixel(x, y) == 0xFFFFFF ? 1 : 0;
    }
    return lit;
  }

  // Runs frames with nothing held until the mode changes; the frames run, or -1 after `limit`.
  static int RunUntilModeChanges(int limit = 200) {
    const int mode = game_mode;
    for (int n = 1; n <= limit; ++n) {
      Frame(0);
      if (game_mode != mode) return n;
    }
    return -1;
  }
};

// One menu frame as its openers run it.
inline void MenuFrame(int pad) {
  map_buttons(pad);
  run_game_menu(pad);
}
inline void MenuPress(int pad) {
  MenuFrame(pad);
  MenuFrame(0);
}
// Runs empty frames until the page's phase is `phase`; false after `limit` frames.
inline bool RunToPhase(int page, int phase, int limit = 400) {
  for (int i = 0; i < limit; ++i) {
    if (game_menu_page == page && menu_phase == phase) return true;
    MenuFrame(0);
  }
  return game_menu_page == page && menu_phase == phase;
}

}  // namespace menu_test
