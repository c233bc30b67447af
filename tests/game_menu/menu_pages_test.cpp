#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "game/flow/game_menu.h"
#include "game/flow/main_loop.h"
#include "tests/game_menu/menu_fixture.h"

namespace menu_test {
namespace {

class ItemPage : public Hub {
 protected:
  void SetUp() override {
    Hub::SetUp();
    game_mode = mode_stage_play;
    stage_phase = 2;
    screen_phase = 1;
    stage = 2;
    max_hp = 120;
    max_sp = 80;
    hp = 100;
    sp = 10;
    walk_speed = 3;
    game_menu_page = 0;
    menu_counter_a = 1;
    menu_counter_b = 3;
    MenuPress(kMain);
    EXPECT_TRUE(RunToPhase(2, 1));
  }
  static void UseColumn(int column) {
    menu_counter_a = column;
    MenuPress(kMain);
  }
};

TEST_F(ItemPage, HealsAreCappedAndCountsDrop) {
  item_count[0] = 2;
  UseColumn(0);
  EXPECT_EQ(hp, 120);
  EXPECT_EQ(item_count[0], 1);
  EXPECT_EQ(menu_phase, 3);
  ASSERT_TRUE(RunToPhase(2, 1));
  item_count[1] = 1;
  UseColumn(1);
  EXPECT_EQ(sp, 45);
  ASSERT_TRUE(RunToPhase(2, 1));
  hp = sp = 1;
  item_count[3] = 1;
  UseColumn(3);
  EXPECT_EQ(hp, 120);
  EXPECT_EQ(sp, 80);
}

TEST_F(ItemPage, RefusalsChangeNothing) {
  struct Case {
    int column;
    int count;
    int mode;
    int story_flag;  // cleared flag of the current stage
  };
  const Case cases[] = {{0, 0, mode_stage_play, 0},     {4, 0, mode_stage_play, 0},
                        {2, 3, mode_stage_play, 0},     {0, 3, mode_location_select, 0},
                        {2, 3, mode_location_select, 1}};
  for (const Case& c : cases) {
    game_mode = c.mode;
    item_count[c.column] = static_cast<std::uint16_t>(c.count);
    story_flags[stage - 1] = static_cast<std::uint8_t>(c.story_flag);
    hp = 10;
    UseColumn(c.column);
    EXPECT_EQ(item_count[c.column], c.count) << c.column << " " << c.mode;
    EXPECT_EQ(hp, 10) << c.column;
    EXPECT_EQ(menu_phase, 1) << c.column;
    EXPECT_EQ(game_mode, c.mode);
  }
  // A damaged count below zero reads as none.
  game_mode = mode_stage_play;
  item_count[0] = 0xFFFF;
  UseColumn(0);
  EXPECT_EQ(item_count[0], 0xFFFF);
}

TEST_F(ItemPage, WarpFromAClearedStageLeavesForTheHub) {
  item_count[2] = 1;
  story_flags[stage - 1] = 1;
  PlayerState = 5;
  UseColumn(2);
  EXPECT_EQ(item_count[2], 0);
  EXPECT_EQ(menu_phase, 4);
  int frames = 0;
  while (game_mode == mode_stage_play && frames < 500) {
    MenuFrame(0);
    ++frames;
  }
  EXPECT_EQ(frames, 126);  // alpha 0 up by 2 to 254, the first step in the press's release frame
  EXPECT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(stage_phase, 1);
  EXPECT_EQ(game_menu_page, 0);
  EXPECT_EQ(PlayerState, 0);
  EXPECT_EQ(menu_counter_a, 0);
  EXPECT_EQ(menu_counter_b, 0);
}

TEST_F(ItemPage, BackIconReturnsToTheItemsCommand) {
  menu_counter_a = 0;
  MenuPress(kPadLeft);
  EXPECT_EQ(menu_counter_a, 5);
  MenuPress(kPadRight);
  EXPECT_EQ(menu_counter_a, 0);
  menu_counter_a = 5;
  MenuPress(kMain);
  EXPECT_EQ(menu_phase, 2);
  ASSERT_TRUE(RunToPhase(0, 0));
  EXPECT_EQ(menu_counter_a, 1);
  EXPECT_EQ(menu_counter_b, 3);
}

TEST_F(ItemPage, RollGivesEveryKindAndItsOutcome) {
  std::set<int> seen;
  for (int n = 0; n < 400 && seen.size() < 9; ++n) {
    item_count[4] = 1;
    hp = 60;
    sp = 40;
    walk_speed = 3;
    Mimic_c = 0;
    std::memset(buff_flags, 0, sizeof buff_flags);
    hero = n % 2;
    UseColumn(4);  // the roll runs in the frame after the press
    ASSERT_EQ(menu_phase, 7);
    const int kind = buff_kind;
    ASSERT_GE(kind, 1);
    ASSERT_LE(kind, 9);
    seen.insert(kind);
    switch (kind) {
      case 5: EXPECT_EQ(hp, 120); break;
      case 6: EXPECT_EQ(sp, 0); break;
      case 7:
        EXPECT_EQ(walk_speed, 4);
        EXPECT_EQ(buff_flags[1], 1);
        EXPECT_EQ(buff_flags[hero == 0 ? 0 : 3], 1);
        EXPECT_EQ(buff_flags[buff_spirit], hero == 1 ? 1 : 0);
        break;
      case 8: EXPECT_EQ(walk_speed, 3); break;
      case 9: EXPECT_EQ(hp, 5); break;
      default:
        EXPECT_GE(Mimic_c, 500);
        EXPECT_LE(Mimic_c, 2000);
        break;
    }
    MenuPress(kMain);
    EXPECT_EQ(menu_phase, 8);
    ASSERT_TRUE(RunToPhase(2, 1));
    EXPECT_EQ(buff_kind, kind >= 5 ? 0 : kind);
  }
  EXPECT_EQ(seen.size(), 9u);
}

class StatusPage : public Hub {};

TEST_F(StatusPage, HeroZeroTitleByKillDifference) {
  const int cases[][2] = {{500, 1}, {499, 2}, {250, 2}, {249, 3}, {100, 3}, {99, 4},  {30, 4},  {29, 5}, {0, 5},
                          {-30, 5}, {-31, 6}, {-100, 6}, {-101, 7}, {-250, 7}, {-251, 8}, {-499, 8}, {-500, 9}};
  hero = 0;
  for (const auto& c : cases) {
    kill_1 = 1000;
    kill_2 = 1000 + c[0];
    EXPECT_EQ(status_title(), c[1]) << c[0];
    EXPECT_EQ(std::strlen(status_title_text()), 22u) << c[0];
  }
}

TEST_F(StatusPage, HeroOneTitleByLeadingSword) {
  struct Case {
    int k1, k2, k3, k4, title;
  };
  const Case cases[] = {{0, 0, 0, 0, 4},         {50, 50, 50, 50, 4},  {10, 300, 300, 0, 6}, {0, 0, 0, 149, 16},
                        {0, 0, 0, 150, 15},      {0, 0, 100, 99, 11},  {600, 0, 0, 0, 1},    {0, 0, 0, 500, 13},
                        {0, 0, 499, 0, 10}};
  hero = 1;
  for (const Case& c : cases) {
    kill_1 = c.k1;
    kill_2 = c.k2;
    kill_3 = c.k3;
    kill_4 = c.k4;
    EXPECT_EQ(status_title(), c.title) << c.k1 << " " << c.k2 << " " << c.k3 << " " << c.k4;
    EXPECT_EQ(std::strlen(status_title_text()), 24u);
  }
}

TEST_F(StatusPage, OpensAndReturnsToTheStatusCommand) {
  stage_phase = 2;
  screen_phase = 1;
  game_menu_page = 0;
  menu_counter_a = 1;
  menu_counter_b = 2;
  MenuPress(kMain);
  EXPECT_EQ(game_menu_page, 3);
  MenuPress(kMain);  // fading in: no action yet
  ASSERT_TRUE(RunToPhase(3, 1));
  MenuPress(kMain);
  EXPECT_EQ(menu_phase, 2);
  ASSERT_TRUE(RunToPhase(0, 0));
  EXPECT_EQ(menu_counter_a, 1);
  EXPECT_EQ(menu_counter_b, 2);
}

}  // namespace
}  // namespace menu_test
