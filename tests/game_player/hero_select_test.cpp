// The hero select (mode 8) driven frame by frame, and the run reset of a new game, a load and a continue.
#include <gtest/gtest.h>

#include "game/flow/dialogue_box.h"

#include "tests/game_player/player_fixture.h"

namespace {

using game_test::Frame;
using game_test::kMain;
using game_test::kPadDown;
using game_test::kPadLeft;
using game_test::kPadRight;
using game_test::kPadUp;
using game_test::PlayerTest;

// Progress of a finished run, to be wiped by a new game.
void FillFinishedRun() {
  for (auto& a : accessory_owned) a = 1;
  for (auto& c : item_count) c = 9;
  for (auto& s : sword_owned) s = 1;
  for (auto& e : event_flags) e = 1;
  for (auto& s : story_flags) s = 1;
  for (int s = 1; s <= 10; ++s) stage_flags[s] = 1;
  for (auto& row : learned) {
    for (auto& l : row) l = 1;
  }
  for (auto& b : buff_flags) b = 1;
  buff_words[0] = buff_words[1] = 7;
  hp_up[2] = sp_up[3] = 1;
  money = 54321;
  main_form = 0;
  weapon = 3;
  accessory = 4;
  skill_sel_0 = 2;
  skill_sel_1 = 9;
  kill_1 = kill_2 = kill_3 = kill_4 = hits_taken = deaths = 12;
  continues = 1;
  talk_count = 3;
}

void ExpectNewGame(int h) {
  EXPECT_EQ(hero, h);
  EXPECT_EQ(money, 1000);
  EXPECT_EQ(continues, 4);
  EXPECT_EQ(main_form, 1);
  EXPECT_EQ(weapon, 0);
  EXPECT_EQ(accessory, accessory_none);
  EXPECT_EQ(skill_sel_0, skill_none);
  EXPECT_EQ(skill_sel_1, skill_none);
  const int first_skills = h == 0 ? 4 : 2;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(learned[h][i], i < first_skills ? 1 : 0) << "skill " << i;
  for (int k = 0; k < 15; ++k) EXPECT_EQ(accessory_owned[k], 0) << "accessory " << k;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(item_count[i], 0);
    EXPECT_EQ(hp_up[i] + sp_up[i], 0);
    EXPECT_EQ(sword_owned[i], i == 0 ? 1 : 0) << "sword " << i;
  }
  for (int i = 0; i < 50; ++i) EXPECT_EQ(event_flags[i], 0) << "event " << i;
  for (int s = 1; s <= 10; ++s) EXPECT_EQ(stage_flags[s], 0);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(story_flags[i] + buff_flags[i], 0);
  EXPECT_EQ(buff_words[0] + buff_words[1], 0);
  EXPECT_EQ(kill_1 + kill_2 + kill_3 + kill_4 + hits_taken + deaths + talk_count, 0);
  EXPECT_EQ(stage, 1);
  EXPECT_EQ(area, 1);
  EXPECT_EQ(max_hp, h == 0 ? 100 : 150);
  EXPECT_EQ(hp, max_hp);
}

TEST_F(PlayerTest, BeforeTheFirstClearAHero0GameStartsAtOnce) {
  clear_level = 0;
  FillFinishedRun();
  hero = 1;
  game_mode = mode_hero_select;
  Frame(0);
  EXPECT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(screen_phase, 0);
  ExpectNewGame(0);
}

TEST_F(PlayerTest, SecondHeroIsChosenAfterTheSlideAndOpensThePrologue) {
  clear_level = 1;
  FillFinishedRun();
  game_mode = mode_hero_select;
  Frame(0);
  EXPECT_EQ(screen_phase, 0);
  Frame(kPadLeft);
  EXPECT_EQ(screen_phase, 0) << "hero 0 is shown: left does nothing";
  Frame(0);
  Frame(kPadRight);
  EXPECT_EQ(screen_phase, 1);
  EXPECT_EQ(menu_counter_a, 1);
  EXPECT_EQ(frame_counter, 0);
  int frames = 0;
  while (screen_phase == 1 && frames < 100) {
    Frame(kPadRight);
    ++frames;
  }
  EXPECT_EQ(frames, 25);
  EXPECT_EQ(frame_counter, 0);
  Frame(0);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 2);
  EXPECT_EQ(hero, 1);
  frames = 0;
  while (game_mode == mode_hero_select && frames < 300) {
    Frame(0);
    ++frames;
  }
  EXPECT_EQ(frames, 127) << "two alpha steps a frame until past 253";
  EXPECT_EQ(game_mode, mode_prologue);
  EXPECT_EQ(scene_state.step, 1);
  EXPECT_EQ(scene_state.step_frames, 0);
  EXPECT_EQ(frame_counter, 255);
  EXPECT_EQ(fade_counter, 0);
  ExpectNewGame(1);
}

TEST_F(PlayerTest, HeldMainChoosesTheShownHeroOnTheFirstFrame) {
  clear_level = 2;
  game_mode = mode_hero_select;
  key_latch = 1;  // still set from the title's press
  Frame(kMain);
  EXPECT_EQ(screen_phase, 2);
  EXPECT_EQ(hero, 0);
  while (game_mode == mode_hero_select) Frame(kMain);
  EXPECT_EQ(game_mode, mode_location_select);
  ExpectNewGame(0);
}

TEST_F(PlayerTest, BackEntryReturnsToTheTitleWithoutANewGame) {
  clear_level = 1;
  money = 77;
  game_mode = mode_hero_select;
  Frame(0);
  Frame(kPadUp);
  EXPECT_EQ(menu_counter_b, 0) << "up on the heroes' row does nothing";
  Frame(0);
  Frame(kPadDown);
  EXPECT_EQ(menu_counter_b, 1);
  Frame(0);
  Frame(kPadRight);
  EXPECT_EQ(screen_phase, 0) << "the heroes change only on their row";
  Frame(0);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 3);
  while (game_mode == mode_hero_select) Frame(0);
  EXPECT_EQ(game_mode, mode_title);
  EXPECT_EQ(money, 77);
  EXPECT_EQ(menu_counter_a + menu_counter_b + screen_phase + frame_counter, 0);
}

TEST_F(PlayerTest, TheSelectsPicturesAreFreedWhenItIsLeft) {
  // The title loads the two standing pictures and the sprite sheet for the select; every way out frees them (hero
  // 1's prologue picture replaces the second), so each new game does not add three pictures for good.
  for (const char* p : {"gsx/system/stand_01.png", "gsx/system/stand_03.png", "gsx/cr/common.png"})
    game_test::WriteBytes(p, game_test::kTinyPng);
  enum class Way { at_once, hero0, hero1, back };
  for (Way way : {Way::at_once, Way::hero0, Way::hero1, Way::back}) {
    SCOPED_TRACE(static_cast<int>(way));
    player_globals = PlayerGlobals{};
    screen_phase = scene_timer = frame_counter = fade_counter = 0;
    menu_counter_a = menu_counter_b = 0;
    key_latch = 0;
    screen_pic_a = LoadGraphicFile("gsx/system/stand_01.png");
    screen_pic_b = LoadGraphicFile("gsx/system/stand_03.png");
    screen_pic_c = LoadGraphicFile("gsx/cr/common.png");
    const int pics[3] = {screen_pic_a, screen_pic_b, screen_pic_c};
    for (int pic : pics) ASSERT_NE(pic, -1);
    clear_level = way == Way::at_once ? 0 : 1;
    game_mode = mode_hero_select;
    Frame(0);
    if (way == Way::hero1) {
      Frame(kPadRight);
      while (screen_phase == 1) Frame(0);
    }
    if (way == Way::back) {
      Frame(kPadDown);
      Frame(0);
    }
    if (way != Way::at_once) Frame(kMain);
    for (int i = 0; i < 300 && game_mode == mode_hero_select; ++i) Frame(0);
    ASSERT_NE(game_mode, mode_hero_select);
    for (int pic : pics) EXPECT_EQ(DrawGraphAt(0, 0, pic, 0), -1) << "picture " << pic << " was freed";
    EXPECT_EQ(screen_pic_a, -1);
    EXPECT_EQ(screen_pic_c, -1);
    if (way != Way::hero1) {
      EXPECT_EQ(screen_pic_b, -1);
    }
  }
}

TEST_F(PlayerTest, RunResetOfALoadOrAContinueKeepsTheProgress) {
  for (int mode : {mode_load, mode_game_over, mode_save}) {
    player_globals = PlayerGlobals{};
    FillFinishedRun();
    game_mode = mode;
    stage = 5;
    area = 3;
    g_x = 1280;
    screen_cursor[6] = 3;
    init_game_state();
    EXPECT_EQ(money, 54321) << mode;
    EXPECT_EQ(event_flags[10], 1);
    EXPECT_EQ(accessory_owned[3], 1);
    EXPECT_EQ(continues, 1);
    EXPECT_EQ(skill_sel_1, 9);
    EXPECT_EQ(stage, 1);
    EXPECT_EQ(area, 1);
    EXPECT_EQ(g_x, 0);
    EXPECT_EQ(area3_right_limit, 640);
    EXPECT_EQ(screen_cursor[6], 0);
    for (int i = 0; i < buff_flag_count; ++i) EXPECT_EQ(buff_flags[i], 0) << "buff byte " << i;
    EXPECT_EQ(buff_words[0] + buff_words[1], 0);
  }
}

}  // namespace
