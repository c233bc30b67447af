#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "game/flow/captions.h"
#include "game/flow/game_menu.h"
#include "game/flow/main_loop.h"
#include "tests/game_menu/menu_fixture.h"

namespace menu_test {
namespace {

class GameMenu : public Hub {
 protected:
  void SetUp() override {
    Hub::SetUp();
    game_mode = mode_stage_play;
    stage_phase = 2;
    screen_phase = 0;
    menu_counter_a = menu_counter_b = 0;
    menu_phase = menu_anim = 0;
    skill_sel_0 = skill_sel_1 = skill_none;
    accessory = accessory_none;
    max_hp = max_sp = 100;
    hp = sp = 50;
    stage = 1;
    MenuFrame(0);  // the first frame resets page, cursor and phase
  }
  static void Cursor(int column, int row) {
    menu_counter_a = column;
    menu_counter_b = row;
  }
};

TEST_F(GameMenu, FirstFrameResetsPageCursorAndPhase) {
  game_menu_page = 3;
  Cursor(1, 4);
  menu_phase = 2;
  screen_phase = 0;
  MenuFrame(0);
  EXPECT_EQ(screen_phase, 1);
  EXPECT_EQ(game_menu_page, 0);
  EXPECT_EQ(menu_counter_a, 0);
  EXPECT_EQ(menu_counter_b, 0);
  EXPECT_EQ(menu_phase, 0);
  // Pages beyond 4 run nothing.
  game_menu_page = 5;
  Cursor(0, 3);
  MenuPress(kPadDown);
  EXPECT_EQ(menu_counter_b, 3);
}

TEST_F(GameMenu, TopPageCursorMoves) {
  struct Case {
    int hero, column, row, pad, to_column, to_row;
  };
  const Case cases[] = {
      {0, 0, 0, kPadUp, 0, 7},    {0, 0, 7, kPadDown, 0, 0},  {0, 0, 3, kPadLeft, 0, 3},
      {0, 1, 0, kPadUp, 1, 0},    {0, 1, 4, kPadDown, 1, 4},  {0, 1, 2, kPadRight, 1, 2},
      {0, 0, 0, kPadRight, 1, 0}, {0, 0, 2, kPadRight, 1, 1}, {0, 0, 3, kPadRight, 1, 2},
      {0, 0, 6, kPadRight, 1, 3}, {0, 0, 7, kPadRight, 1, 4}, {0, 1, 2, kPadLeft, 0, 3},
      {0, 1, 3, kPadLeft, 0, 5},  {0, 1, 4, kPadLeft, 0, 7},  {1, 1, 2, kPadLeft, 0, 2},
      {1, 1, 3, kPadLeft, 0, 3},  {1, 1, 4, kPadLeft, 0, 3},  {1, 1, 1, kPadLeft, 0, 1},
  };
  for (const Case& c : cases) {
    hero = c.hero;
    Cursor(c.column, c.row);
    MenuPress(c.pad);
    EXPECT_EQ(menu_counter_a, c.to_column) << c.hero << " " << c.column << " " << c.row << " " << c.pad;
    EXPECT_EQ(menu_counter_b, c.to_row) << c.hero << " " << c.column << " " << c.row << " " << c.pad;
  }
}

TEST_F(GameMenu, HeldKeysActOnceUntilEverythingIsReleased) {
  for (int i = 0; i < 10; ++i) MenuFrame(kPadDown);
  EXPECT_EQ(menu_counter_b, 1);
  // Switching to another key while one is held does not act either.
  MenuFrame(kPadDown | kPadRight);
  EXPECT_EQ(menu_counter_a, 0);
  MenuFrame(0);
  MenuFrame(kPadDown);
  EXPECT_EQ(menu_counter_b, 2);
  // The glow counter restarts on a press and runs 0..40.
  EXPECT_EQ(frame_counter, 0);
  int high = 0;
  for (int i = 0; i < 100; ++i) {
    MenuFrame(0);
    high = std::max(high, frame_counter);
  }
  EXPECT_EQ(high, 40);
}

TEST_F(GameMenu, SkillAssignmentTogglesAndRefusesWhatCannotBeAssigned) {
  learned[0][2] = 1;
  Cursor(0, 2);
  MenuPress(kMain);
  EXPECT_EQ(skill_sel_0, 2);
  MenuPress(kMain);
  EXPECT_EQ(skill_sel_0, skill_none);
  Cursor(0, 3);  // not learned
  MenuPress(kMain);
  EXPECT_EQ(skill_sel_0, skill_none);

  hero = 1;
  learned[1][1] = learned[1][5] = 1;
  Cursor(0, 1);
  MenuPress(kMain);
  EXPECT_EQ(skill_sel_1, 9);
  Cursor(0, 5);  // a sword art is cast by input, never assigned
  MenuPress(kMain);
  EXPECT_EQ(skill_sel_1, 9);
  Cursor(0, 1);
  MenuPress(kMain);
  EXPECT_EQ(skill_sel_1, skill_none);
}

TEST_F(GameMenu, MainAttackCommandFlipsOnlyWhileTheHeroIsFree) {
  Cursor(1, 0);
  MenuPress(kMain);
  EXPECT_EQ(main_form, 1);
  MenuPress(kMain);
  EXPECT_EQ(main_form, 0);
  PlayerState = 22;
  MenuPress(kMain);
  EXPECT_EQ(main_form, 0);
  hero = 1;
  MenuPress(kMain);
  EXPECT_EQ(game_menu_page, 0);
  PlayerState = 0;
  MenuPress(kMain);
  EXPECT_EQ(game_menu_page, 4);
}

TEST_F(GameMenu, CommandsOpenTheirPagesAndCloseReturnsToTheOpener) {
  struct Case {
    int row, page, column_after, row_after;
  };
  const Case cases[] = {{1, 1, 0, 0}, {2, 3, 1, 2}, {3, 2, 0, 0}};
  for (const Case& c : cases) {
    game_menu_page = 0;
    Cursor(1, c.row);
    menu_anim = 77;
    MenuPress(kMain);
    EXPECT_EQ(game_menu_page, c.page) << c.row;
    EXPECT_EQ(menu_counter_a, c.column_after) << c.row;
    EXPECT_EQ(menu_counter_b, c.row_after) << c.row;
  }
  game_menu_page = 0;
  Cursor(1, 4);
  MenuPress(kMain);
  EXPECT_EQ(stage_phase, 1);
  EXPECT_EQ(game_menu_page, 0);
  EXPECT_EQ(menu_counter_a, 0);
  EXPECT_EQ(menu_counter_b, 0);
}

TEST_F(GameMenu, OpenedFromTheLocationSelectAndClosedBackToIt) {
  game_mode = mode_location_select;
  stage_phase = 1;
  screen_cursor[0] = 0;
  screen_cursor[1] = 3;
  Press(kMain);
  ASSERT_EQ(stage_phase, 2);
  Press(kPadRight);  // the menu has the frame now
  EXPECT_EQ(menu_counter_a, 1);
  for (int i = 0; i < 3; ++i) Press(kPadDown);
  Press(kPadDown);
  EXPECT_EQ(menu_counter_b, 4);
  Press(kMain);
  EXPECT_EQ(stage_phase, 1);
  EXPECT_EQ(game_mode, mode_location_select);
  Press(kPadRight);
  EXPECT_EQ(screen_cursor[1], 4);  // the hub has the frame again
}

// Opened from the status entry, the menu also closes on PAUSE (the D key by default), from any page, as it does in a
// stage; a held PAUSE does nothing more.
TEST_F(GameMenu, PauseClosesTheMenuOpenedFromStatusAsInAStage) {
  constexpr int kPause = Button(6);
  game_mode = mode_location_select;
  stage_phase = 1;
  screen_cursor[0] = 0;
  screen_cursor[1] = 3;
  Press(kMain);
  ASSERT_EQ(stage_phase, 2);
  Press(kPadRight);
  Press(kPadDown);
  Press(kMain);  // the accessory page
  ASSERT_EQ(game_menu_page, 1);
  for (int i = 0; i < 5; ++i) Frame(kPause);
  EXPECT_EQ(stage_phase, 1);
  EXPECT_EQ(game_menu_page, 0);
  EXPECT_EQ(menu_counter_a, 0);
  EXPECT_EQ(menu_counter_b, 0);
  EXPECT_EQ(game_mode, mode_location_select);
  Frame(0);
  Press(kPadRight);
  EXPECT_EQ(screen_cursor[1], 4);  // the hub has the frame again
}

TEST_F(GameMenu, AccessoryPageEquipsOwnedSlotsAndReturns) {
  accessory_owned[2] = 1;
  accessory_owned[7] = 1;
  Cursor(1, 1);
  MenuPress(kMain);
  ASSERT_TRUE(RunToPhase(1, 2));
  Cursor(2, 0);
  MenuPress(kMain);
  EXPECT_EQ(accessory, 2);
  MenuPress(kMain);
  EXPECT_EQ(accessory, accessory_none);
  Cursor(3, 0);  // not owned
  MenuPress(kMain);
  EXPECT_EQ(accessory, accessory_none);
  Cursor(2, 1);  // hero 0's own row: accessory 7
  MenuPress(kMain);
  EXPECT_EQ(accessory, 7);
  hero = 1;  // hero 1's own row is 10..14, not owned
  MenuPress(kMain);
  EXPECT_EQ(accessory, 7);
  hero = 0;
  // Moves: columns wrap, rows wrap over the back button, left/right on it stay.
  Cursor(0, 0);
  MenuPress(kPadLeft);
  EXPECT_EQ(menu_counter_a, 4);
  MenuPress(kPadUp);
  EXPECT_EQ(menu_counter_b, 2);
  MenuPress(kPadRight);
  EXPECT_EQ(menu_counter_a, 4);
  MenuPress(kMain);
  EXPECT_EQ(menu_phase, 3);
  ASSERT_TRUE(RunToPhase(0, 0));
  EXPECT_EQ(menu_counter_a, 1);
  EXPECT_EQ(menu_counter_b, 1);
}

TEST_F(GameMenu, SwordPageChoosesAnOwnedSword) {
  hero = 1;
  sword_owned[0] = sword_owned[2] = 1;
  Cursor(1, 0);
  MenuPress(kMain);
  ASSERT_TRUE(RunToPhase(4, 2));
  MenuPress(kPadDown);
  EXPECT_EQ(menu_counter_b, 1);
  MenuPress(kMain);  // not owned
  EXPECT_EQ(menu_phase, 2);
  MenuPress(kPadUp);
  MenuPress(kPadUp);
  EXPECT_EQ(menu_counter_b, 3);
  MenuPress(kPadUp);
  MenuPress(kMain);
  EXPECT_EQ(weapon, 2);
  ASSERT_TRUE(RunToPhase(0, 0));
  EXPECT_EQ(menu_counter_a, 1);
  EXPECT_EQ(menu_counter_b, 0);
}

TEST_F(GameMenu, HpBarIsDrawnOnePixelPerPoint) {
  ClearBack();
  hp = 50;
  max_hp = 100;
  MenuFrame(0);
  auto rgb = [](int r, int g, int b) { return static_cast<std::uint32_t>(MakeColorValue(r, g, b)) & 0xFFFFFF; };
  EXPECT_EQ(Pixel(440, 21), rgb(76, 176, 128));
  EXPECT_EQ(Pixel(440, 25), rgb(255, 255, 255));
  EXPECT_EQ(Pixel(440, 30), rgb(76, 176, 128));
  EXPECT_EQ(Pixel(480, 25), rgb(255, 255, 255));
  EXPECT_EQ(Pixel(490, 25), rgb(40, 40, 40));
  EXPECT_EQ(Pixel(530, 25), rgb(40, 40, 40));
  EXPECT_EQ(Pixel(540, 25), 0u);
  EXPECT_EQ(Pixel(440, 36), rgb(88, 168, 203));
}

TEST_F(GameMenu, TextTableNamesItemsForCaptions) {
  EXPECT_NE(menu_item_name(0), nullptr);
  EXPECT_NE(menu_item_name(menu_text_rows - 1), nullptr);
  EXPECT_EQ(menu_item_name(menu_text_rows), nullptr);
  EXPECT_EQ(menu_item_name(-1), nullptr);
  EXPECT_STREQ(menu_text[menu_row_skill + 8 + 6][2], "ﾀﾞｯｼｭ中攻撃");
  EXPECT_STREQ(menu_text[menu_row_skill + 8 + 2][2], "100");
}

}  // namespace
}  // namespace menu_test
