// The stage-play frame and the modes around it, frame by frame: the pause, the area exit into the next area, the
// death into the restart or the game over with its continue, and the stage clear, driven by the player states the
// hero sets.
#include <gtest/gtest.h>

#include "game/flow/game_menu.h"
#include "game/flow/resources.h"
#include "game/flow/save_file.h"
#include "tests/game_stage/stage_fixture.h"

namespace {

using game_test::Frame;
using game_test::kPause;
using game_test::StageTest;

// Frames until the mode changes, at most `limit`.
int FramesUntilModeChanges(int limit) {
  const int mode = game_mode;
  for (int n = 1; n <= limit; ++n) {
    Frame(0);
    if (game_mode != mode) return n;
  }
  return -1;
}

TEST_F(StageTest, PauseOpensAndClosesTheMenuOncePerPressAndNotWhileDying) {
  EnterStage(1);
  Frame(kPause);
  EXPECT_EQ(stage_phase, 2);
  Frame(kPause);
  EXPECT_EQ(stage_phase, 2) << "held: no second toggle";
  Frame(0);
  game_menu_page = 3;
  Frame(kPause);
  EXPECT_EQ(stage_phase, 1);
  EXPECT_EQ(game_menu_page, 0);
  Frame(0);
  PlayerState = player_dead;
  exit_fade = 0;
  Frame(kPause);
  EXPECT_EQ(stage_phase, 1);
  EXPECT_EQ(pause_latch, 0);
}

TEST_F(StageTest, LeavingAreaOneFadesIntoTheNextAreaBuiltInRowOne) {
  EnterStage(1);
  Frame(0);
  PlayerState = player_leaving_right;
  EXPECT_EQ(FramesUntilModeChanges(200), 127);
  EXPECT_EQ(game_mode, mode_next_area);
  Frame(0);
  EXPECT_EQ(game_mode, mode_stage_play);
  EXPECT_EQ(area, 2);
  EXPECT_EQ(PlayerState, player_free);
  EXPECT_EQ(exit_fade, 0);
  EXPECT_EQ(g_y, -480);
  EXPECT_EQ(gimmick_count, 240);
  EXPECT_EQ(area_exit_column * 640 + area_exit_offset, 10340);
}

TEST_F(StageTest, LeavingAreaTwoPastTheScreensMiddleClearsTheStage) {
  EnterStage(2);
  stage_flags[1] = 1;  // the stage's orb was taken
  PlayerState = player_leaving_right;
  mx = 500;
  Frame(0);
  EXPECT_EQ(PlayerState, player_leaving_right) << "not before the hero's screen x passes 550";
  mx = 551;
  Frame(0);
  EXPECT_EQ(PlayerState, player_stage_clear_2);
  EXPECT_EQ(FramesUntilModeChanges(1000), 826);
  EXPECT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(story_flags[0], 1) << "stage 1 counts as cleared";
  EXPECT_EQ(PlayerState, player_free);
}

TEST_F(StageTest, TheBossCountdownStartsTheStageClearAfterAHundredFrames) {
  EnterStage(1);
  frame_counter = 1000;
  for (int i = 0; i < 99; ++i) Frame(0);
  EXPECT_EQ(PlayerState, player_free);
  Frame(0);
  EXPECT_EQ(PlayerState, player_stage_clear_2);
  EXPECT_EQ(frame_counter, 1) << "the clear sequence counts from the next outcome step";
}

TEST_F(StageTest, DeathWithAContinueRestartsTheArea) {
  EnterStage(1);
  continues = 1;
  g_x = 900;
  PlayerState = player_dead;
  EXPECT_EQ(FramesUntilModeChanges(200), 127);
  EXPECT_EQ(game_mode, mode_restart);
  EXPECT_EQ(continues, 0);
  EXPECT_EQ(deaths, 1);
  Frame(0);
  EXPECT_EQ(game_mode, mode_stage_play);
  EXPECT_EQ(g_x, 0);
  EXPECT_EQ(my, 200);
  EXPECT_EQ(hp, max_hp);
  EXPECT_EQ(gimmick_count, 273);
}

TEST_F(StageTest, DeathWithoutContinuesIsGameOverAndContinueReloadsTheAutomaticSave) {
  EnterStage(1);
  money = 4321;
  game_mode = mode_location_select;  // the location select writes the automatic save
  ASSERT_EQ(write_save(), 1);
  game_mode = mode_stage_play;
  money = 10;
  continues = 0;
  game_test::WriteBytes("gsx/system/over.png", game_test::kTinyPng);
  PlayerState = player_dead;
  EXPECT_EQ(FramesUntilModeChanges(200), 127);
  EXPECT_EQ(game_mode, mode_game_over);
  EXPECT_NE(screen_pic_a, -1);
  EXPECT_EQ(exit_fade, 0);
  for (int i = 0; i < 255; ++i) Frame(game_test::kMain);  // MAIN during the fade-in does nothing
  EXPECT_EQ(exit_fade, 255);
  Frame(0);
  Frame(game_test::kPadDown);
  EXPECT_EQ(screen_cursor[0], 1);
  Frame(0);
  Frame(game_test::kPadUp);
  EXPECT_EQ(screen_cursor[0], 0);
  Frame(0);
  Frame(game_test::kMain);
  EXPECT_EQ(exit_fade, 256);
  EXPECT_EQ(FramesUntilModeChanges(200), 127);
  EXPECT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(money, 4321);
  EXPECT_EQ(continues, 4);
  EXPECT_EQ(screen_pic_a, -1);
}

TEST_F(StageTest, GameOverContinueWithADamagedAutomaticSaveShowsTheNotice) {
  game_test::WriteBytes("ssb.dat", std::vector<unsigned char>(500, 0xEE));
  game_mode = mode_game_over;
  exit_fade = 256;
  screen_cursor[0] = 0;
  EXPECT_EQ(FramesUntilModeChanges(200), 127);
  EXPECT_EQ(game_mode, mode_corrupt_save);
}

TEST_F(StageTest, GameOverTitleChoiceGoesToTheTitle) {
  game_mode = mode_game_over;
  exit_fade = 255;
  Frame(game_test::kPadDown);
  Frame(0);
  Frame(game_test::kMain);
  EXPECT_EQ(FramesUntilModeChanges(200), 127);
  EXPECT_EQ(game_mode, mode_title);
}

TEST_F(StageTest, ArenaDoorsOfStageSevenCloseForTheBossAndOpenAfterIt) {
  stage = 7;
  area = 1;
  hero = 0;
  game_mode = mode_stage_play;
  spawn_gimmick(40, 101, 0, 0, 600, 370, 0);
  spawn_gimmick(40, 102, 2, 1, 300, 100, 0);
  area_exit_column = 4;  // the arena's exit line
  area_exit_offset = 800;
  hp = 100;
  mx = 300;
  g_x = 499;
  Frame(0);
  EXPECT_EQ(boss_phase_b, 0);
  g_x = 500;
  Frame(0);
  EXPECT_EQ(boss_phase_b, 1);
  EXPECT_EQ(gimmicks[0].door_state, door_state_dropping);
  EXPECT_EQ(gimmicks[1].door_state, door_state_rest);
  boss_phase_b = 2;  // the enemy code: the boss is beaten
  Frame(0);
  EXPECT_EQ(boss_phase_b, 3);
  EXPECT_EQ(gimmicks[0].door_state, door_state_rising);
  EXPECT_EQ(gimmicks[1].door_state, door_state_rising);
  g_x = 2250;
  Frame(0);
  EXPECT_EQ(boss_phase_b, 4);
  EXPECT_EQ(PlayerState, player_story_scene);
}

TEST_F(StageTest, WithTheMenuOpenTheGimmicksMoveButThePlayerDoesNot) {
  EnterStage(1);
  spawn_gimmick(13, 7, 0, 0, 0, 0, 0);
  const int x = gimmicks[gimmick_count - 1].x;
  stage_phase = 2;
  Frame(0);
  EXPECT_EQ(gimmicks[gimmick_count - 1].x, x - 2);
}

TEST_F(StageTest, TheWaterFlagLastsOnlyWhileTheHeroIsInAWaterVolume) {
  EnterStage(1);
  mx = 300;
  my = 200;
  spawn_scenery_b(5, 0, 0, 0, 0, 0, 1);  // a water volume over the hero's screen
  Frame(0);
  EXPECT_EQ(in_water, 1);
  scenery_b[0].in_use = 0;  // the hero has left the water
  Frame(0);
  EXPECT_EQ(in_water, 0);
  Frame(0);
  EXPECT_EQ(in_water, 0);
}

TEST_F(StageTest, DeathOnTheFinalStageRebuildsTheHeroBeforeTheLocationSelect) {
  stage = 9;
  area = 1;
  hero = 1;
  reset_player_stats();
  continues = 2;
  game_mode = mode_restart;
  PlayerState = player_dead;
  hp = 0;
  skill_active = 1;
  boss_phase_b = 3;
  screen_phase = 5;
  Frame(0);
  EXPECT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(PlayerState, player_free);
  EXPECT_EQ(hp, max_hp);
  EXPECT_EQ(skill_active, 0);
  EXPECT_EQ(boss_phase_b, 0);
  EXPECT_EQ(screen_phase, 0);
  EXPECT_EQ(exit_fade, 0);
}

}  // namespace
