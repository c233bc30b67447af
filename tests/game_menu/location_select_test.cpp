#include <filesystem>

#include <gtest/gtest.h>

#include "tests/game_menu/menu_fixture.h"

namespace menu_test {
namespace {

using LocationSelect = Hub;

TEST_F(LocationSelect, PlaceCursorWrapsAndMovesOncePerPress) {
  Press(kPadLeft);
  EXPECT_EQ(screen_cursor[1], 5);
  Press(kPadRight);
  EXPECT_EQ(screen_cursor[1], 0);
  // Held right: one step, the latch holds the rest until the pad is released.
  for (int i = 0; i < 10; ++i) Frame(kPadRight);
  EXPECT_EQ(screen_cursor[1], 1);
  Frame(0);
  Frame(kPadRight);
  EXPECT_EQ(screen_cursor[1], 2);
}

TEST_F(LocationSelect, HighlightCountsUpAndDownBetweenOneAndTwentyOne) {
  int low = 100, high = -100;
  for (int i = 0; i < 120; ++i) {
    Frame(0);
    if (i >= 21) {
      low = std::min(low, frame_counter);
      high = std::max(high, frame_counter);
    }
  }
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 21);
}

// Each place on the first level and the mode it leads to once the fade is over.
TEST_F(LocationSelect, PlacesLeadToTheirModes) {
  struct Case {
    int place;
    int mode;
  };
  const Case cases[] = {{1, mode_cathedral}, {2, mode_shop}, {4, mode_save}, {5, mode_title}};
  for (const Case& c : cases) {
    game_mode = mode_location_select;
    screen_cursor[0] = 0;
    screen_cursor[1] = c.place;
    key_latch = 0;
    Press(kMain);
    EXPECT_EQ(screen_cursor[0], 3) << c.place;
    const int frames = RunUntilModeChanges();
    EXPECT_GT(frames, 70) << c.place;  // the fade runs 3 per frame up past 249
    EXPECT_EQ(game_mode, c.mode) << c.place;
    EXPECT_EQ(screen_cursor[0], 0) << c.place;
    EXPECT_FALSE(std::filesystem::exists("ssb.dat")) << c.place;
  }
}

TEST_F(LocationSelect, StatusOpensTheGameMenuAtOnce) {
  screen_cursor[1] = 3;
  Frame(kMain);
  EXPECT_EQ(stage_phase, 2);
  EXPECT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(screen_cursor[0], 0);
}

TEST_F(LocationSelect, JumpRefusesOnPlacesAndBacksOutOfTheStageList) {
  screen_cursor[1] = 2;
  Press(kJump);
  EXPECT_EQ(screen_cursor[0], 0);
  EXPECT_EQ(screen_cursor[1], 2);
  EXPECT_EQ(game_mode, mode_location_select);
  screen_cursor[1] = 0;
  Press(kMain);
  EXPECT_EQ(screen_cursor[0], 1);
  Press(kJump);
  EXPECT_EQ(screen_cursor[0], 0);
}

// The entries of the stage list by hero and cleared stages: counted by stepping left from entry 0.
TEST_F(LocationSelect, StageListGrowsWithStageFlags) {
  struct Case {
    int hero;
    int flags_through;  // stage flags 1..n set
    int entries;
  };
  const Case cases[] = {{0, 0, 5}, {0, 4, 5}, {0, 5, 6}, {0, 6, 6}, {1, 0, 6}, {1, 5, 6}, {1, 6, 7}};
  for (const Case& c : cases) {
    hero = c.hero;
    for (int s = 1; s <= 10; ++s) stage_flags[s] = s <= c.flags_through ? 1 : 0;
    EXPECT_EQ(offered_stage_entries(), c.entries) << c.hero << " " << c.flags_through;
    screen_cursor[0] = 1;
    screen_cursor[5] = 0;
    Press(kPadLeft);
    EXPECT_EQ(screen_cursor[5], c.entries - 1) << c.hero << " " << c.flags_through;
    Press(kPadRight);
    EXPECT_EQ(screen_cursor[5], 0);
  }
}

// Picks stage-list entry `entry` and runs the leaving fade to its end.
void ChooseStage(int entry) {
  screen_cursor[0] = 1;
  screen_cursor[5] = entry;
  key_latch = 0;
  Press(kMain);
}

TEST_F(LocationSelect, StageEntriesSetStageAndStartPlay) {
  struct Case {
    int hero;
    int entry;
    int stage;
    int mode;
  };
  const Case cases[] = {{0, 0, 1, mode_stage_play}, {0, 2, 3, mode_stage_play}, {0, 4, 5, mode_stage_play},
                        {0, 5, 7, mode_event_scene}, {1, 5, 6, mode_stage_play}, {1, 6, 8, mode_stage_play}};
  for (const Case& c : cases) {
    game_mode = mode_location_select;
    hero = c.hero;
    for (int s = 1; s <= 10; ++s) stage_flags[s] = 1;
    event_flags[0] = 1;
    area3_right_limit = 0;
    ChooseStage(c.entry);
    EXPECT_EQ(stage, c.stage) << c.entry;
    EXPECT_EQ(area, 1) << c.entry;
    EXPECT_EQ(PlayerState, 0) << c.entry;
    EXPECT_GT(RunUntilModeChanges(), 0);
    EXPECT_EQ(game_mode, c.mode) << c.entry;
    EXPECT_EQ(screen_cursor[0], 0);
    EXPECT_EQ(area3_right_limit, c.stage == 1 ? 640 : 0);
  }
}

TEST_F(LocationSelect, TwoStoryFlagsBringTheFinalBossWhateverTheChoice) {
  story_flags[1] = story_flags[4] = 1;
  ChooseStage(2);
  EXPECT_EQ(stage, 9);
  EXPECT_EQ(area, 3);
  ASSERT_GT(RunUntilModeChanges(), 0);
  EXPECT_EQ(game_mode, mode_stage_play);
  EXPECT_EQ(PlayerState, 22);
  EXPECT_EQ(story_event, 15);
  EXPECT_EQ(mx, 100);

  // Once event flag 3 is set (the boss was met), or with a single story flag, the choice holds.
  game_mode = mode_location_select;
  event_flags[3] = 1;
  ChooseStage(2);
  EXPECT_EQ(stage, 3);
  event_flags[3] = 0;
  story_flags[4] = 0;
  ChooseStage(1);
  EXPECT_EQ(stage, 2);
}

TEST_F(LocationSelect, HeroOnesFirstStageOpensWithAStoryScene) {
  hero = 1;
  story_event = 7;
  ChooseStage(0);
  EXPECT_EQ(PlayerState, 22);
  EXPECT_EQ(story_event, 0);
  EXPECT_EQ(event_flags[0], 1);
  screen_cursor[0] = 0;
  story_event = 7;
  ChooseStage(1);
  EXPECT_EQ(PlayerState, 0);
  EXPECT_EQ(story_event, 7);
  // Hero 0 never gets it.
  hero = 0;
  event_flags[0] = 0;
  ChooseStage(0);
  EXPECT_EQ(PlayerState, 0);
  EXPECT_EQ(event_flags[0], 0);
}

TEST_F(LocationSelect, ChoosingAStageWritesTheAutomaticSaveOfTheHubState) {
  hero = 1;
  skill_sel_1 = skill_none;
  money = 1234;
  event_flags[0] = 1;
  ChooseStage(3);
  EXPECT_FALSE(std::filesystem::exists("ssb.dat"));  // not before the fade ends
  ASSERT_GT(RunUntilModeChanges(), 0);
  const auto bytes = game_test::ReadBytes("ssb.dat");
  ASSERT_EQ(bytes.size(), static_cast<std::size_t>(save_record_size));
  // The written record reads back as valid with the hub's values.
  money = 0;
  hero = 0;
  ASSERT_EQ(take_save_record(bytes.data(), bytes.size()), 1);
  EXPECT_EQ(money, 1234);
  EXPECT_EQ(hero, 1);
  EXPECT_FALSE(std::filesystem::exists("sst.dat"));
}

TEST_F(LocationSelect, CursorsOutOfRangeAreBroughtBack) {
  screen_cursor[1] = 9;
  screen_cursor[5] = -3;
  Frame(0);
  EXPECT_EQ(screen_cursor[1], 0);
  EXPECT_EQ(screen_cursor[5], 0);
  hero = 0;
  screen_cursor[0] = 1;
  screen_cursor[5] = 6;  // never offered to hero 0
  Frame(0);
  EXPECT_EQ(screen_cursor[5], 0);
}

TEST_F(LocationSelect, HelpLineFadesOutWhenLeaving) {
  ClearBack();
  Frame(0);
  EXPECT_GT(WhiteHelpPixels(), 20);
  screen_cursor[1] = 5;
  Press(kMain);
  for (int i = 0; i < 78; ++i) Frame(0);
  ASSERT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(WhiteHelpPixels(), 0);
}

// Every place caption fills its four text lines (the fourth at y 265) in the caption colour.
TEST_F(LocationSelect, EveryCaptionShowsFourTextLines) {
  auto caption_pixels = [](int top) {
    constexpr std::uint32_t colour = 0x362E2B;  // (54, 46, 43) on the 32-bit back screen
    int lit = 0;
    for (int y = top; y < top + 15; ++y) {
      for (int x = 40; x < 270; ++x) lit += Pixel(x, y) == colour ? 1 : 0;
    }
    return lit;
  };
  for (int h = 0; h < 2; ++h) {
    hero = h;
    for (int s = 1; s <= 6; ++s) stage_flags[s] = 1;
    struct Case {
      int level, place, entry;
    };
    const Case cases[] = {{0, 1, 0}, {0, 2, 0}, {1, 0, 0}, {1, 0, 1}, {1, 0, 2},
                          {1, 0, 3}, {1, 0, 4}, {1, 0, 5}, {1, 0, 6}};
    for (const Case& c : cases) {
      if (h == 0 && c.entry == 6) continue;
      screen_cursor[0] = c.level;
      screen_cursor[1] = c.place;
      screen_cursor[5] = c.entry;
      ClearBack();
      Frame(0);
      for (int line = 0; line < 4; ++line) {
        EXPECT_GT(caption_pixels(220 + 15 * line), 10)
            << "hero " << h << " level " << c.level << " place " << c.place << " entry " << c.entry << " line " << line;
      }
    }
  }
}

}  // namespace
}  // namespace menu_test
