// The mode machine: dispatch, the start-up modes, the title's menu and the logo.
#include <gtest/gtest.h>

#include "game/flow/logo_screen.h"
#include "tests/game_flow/game_fixture.h"

namespace {

using game_test::GameFlow;

constexpr int kPadDown = 1;
constexpr int kPadUp = 8;
constexpr int kButton1 = 0x10;  // MAIN under the default map

// One frame of the current mode with the given pad word, as the main loop runs it.
void Frame(int pad) {
  map_buttons(pad);
  run_game_mode(pad);
}

TEST_F(GameFlow, FirstFrameAndSoundLoadingFollowTheAssetsFlag) {
  struct Case {
    int mode;
    int assets;
    int next;
  };
  const Case cases[] = {{mode_first_frame, 1, mode_sound_loading},
                        {mode_first_frame, 0, mode_resources_missing},
                        {mode_sound_loading, 0, mode_resources_missing}};
  for (const Case& c : cases) {
    game_mode = c.mode;
    assets_ok = static_cast<std::uint8_t>(c.assets);
    Frame(0);
    EXPECT_EQ(game_mode, c.next) << "mode " << c.mode << " assets " << c.assets;
  }
}

TEST_F(GameFlow, ModesWithoutAScreenAndTheResourcesNoticeKeepTheirMode) {
  for (int mode : {5, 7, 21, 50, 96, 100, 120, -1}) {
    game_mode = mode;
    for (int i = 0; i < 3; ++i) Frame(kButton1 | kPadUp);
    EXPECT_EQ(game_mode, mode);
  }
}

TEST_F(GameFlow, TitleStartsItsMusicOnceAndMovesTheCursorOncePerPress) {
  game_mode = mode_title;
  Frame(0);
  EXPECT_EQ(screen_phase, 1);
  Frame(kPadUp);
  EXPECT_EQ(title_cursor, 4) << "up on new game wraps to quit";
  Frame(kPadUp);
  EXPECT_EQ(title_cursor, 4) << "a held key acts once";
  Frame(0);
  Frame(kPadDown);
  EXPECT_EQ(title_cursor, 0) << "down on quit wraps to new game";
  Frame(0);
  Frame(kPadDown);
  Frame(0);
  Frame(kPadDown);
  EXPECT_EQ(title_cursor, 2);
}

TEST_F(GameFlow, TitleRefusesTheSoundRoomBeforeAScenarioIsCleared) {
  game_mode = mode_title;
  title_cursor = 2;
  Frame(0);
  Frame(kButton1);
  EXPECT_EQ(screen_phase, 1);
  EXPECT_EQ(title_cursor, 2);
  Frame(0);
  clear_level = 1;
  Frame(kButton1);
  EXPECT_EQ(screen_phase, 2);
}

TEST_F(GameFlow, TitleLeavesAfterItsFadeAndHoldingMainDoesNotActTwice) {
  struct Case {
    int cursor;
    int mode;
  };
  for (const Case& c : {Case{0, mode_hero_select}, Case{1, mode_load}, Case{2, mode_sound_room},
                        Case{3, mode_sound_options}}) {
    SCOPED_TRACE(c.cursor);
    game_mode = mode_title;
    screen_phase = 0;
    title_fade = 0;
    key_latch = 0;
    title_cursor = c.cursor;
    clear_level = 1;
    Frame(0);
    int frames = 0;
    while (game_mode == mode_title && frames < 200) {
      Frame(kButton1);  // held through the fade
      ++frames;
    }
    EXPECT_EQ(game_mode, c.mode);
    EXPECT_EQ(frames, 64) << "the press, then 63 frames of fade";
    EXPECT_EQ(title_fade, 0);
    EXPECT_EQ(screen_phase, 0);
    EXPECT_EQ(key_latch, 1) << "held through the leaving frame";
  }
  // Released by the leaving frame: that frame clears the latch, as every frame without input does.
  game_mode = mode_title;
  screen_phase = 2;
  title_fade = 248;
  key_latch = 1;
  title_cursor = 1;
  Frame(0);
  EXPECT_EQ(game_mode, mode_load);
  EXPECT_EQ(key_latch, 0);
}

TEST_F(GameFlow, TitleQuitEntryRequestsTheEnd) {
  game_mode = mode_title;
  title_cursor = 4;
  Frame(0);
  EXPECT_FALSE(quit_requested);
  Frame(kButton1);
  EXPECT_TRUE(quit_requested);
}

TEST_F(GameFlow, LogoRunsItsFullCourseOrSkipsToTheFadeOut) {
  struct Case {
    const char* what;
    int skipFrame;  // frame on which MAIN is held, -1 none
    int frames;
  };
  const Case cases[] = {{"untouched", -1, 255 + 150 + 127}, {"MAIN on the first frame", 0, 1 + 127},
                        {"MAIN while holding", 300, 301 + 127}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    game_mode = mode_logo;
    frame_counter = fade_counter = 0;
    int frames = 0;
    while (game_mode == mode_logo && frames < 1000) {
      Frame(frames == c.skipFrame ? kButton1 : 0);
      ++frames;
    }
    EXPECT_EQ(game_mode, mode_title);
    EXPECT_EQ(frames, c.frames);
  }
}

}  // namespace
