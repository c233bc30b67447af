// The story director driven frame by frame: step sequences, conversations on input, actor moves and the hand-over
// into the endings with the settings file.
#include <gtest/gtest.h>

#include <string>

#include "game/flow/dialogue_text.h"
#include "game/flow/story_scenes.h"
#include "tests/game_story/story_fixture.h"

namespace {

using story_test::kMain;
using story_test::Story;

void SceneFrame(int pad) { run_story_scene(pad); }

// Runs scene frames, pressing MAIN on every other frame, until the step leaves `step`.
int RunStepPressing(int step, int limit = 5000) {
  for (int n = 1; n <= limit; ++n) {
    const int pad = (n % 2 == 0) ? kMain : 0;
    map_buttons(pad);
    run_story_scene(pad);
    if (scene_state.step != step) return n;
  }
  return -1;
}

TEST_F(Story, HeroOnesArrivalWaitsOpensTalksClosesAndReturnsPlay) {
  story_event = 0;
  scene_state.step = 0;
  scene_state.initialised = 0;
  EXPECT_EQ(RunUntil(SceneFrame, 0, [] { return scene_state.step == 1; }), 100) << "wait 100";
  EXPECT_EQ(RunUntil(SceneFrame, 0, [] { return scene_state.step == 2; }), 46) << "open: until both are shown";
  EXPECT_EQ(scene_state.window_state, 1);
  // Talk: held MAIN does not skip the conversation.
  EXPECT_EQ(RunUntil(SceneFrame, kMain, [] { return scene_state.step != 2; }, 300), -1);
  EXPECT_EQ(scene_state.row, 0);
  EXPECT_EQ(scene_state.phase, 3) << "the held press only completed row 0";
  // Row 0 needs its confirmation, rows 1 to 3 a skip and a confirmation each: seven fresh presses.
  EXPECT_EQ(RunStepPressing(2), 14);
  EXPECT_EQ(scene_state.step, 3);
  EXPECT_EQ(scene_state.row, 4);
  EXPECT_EQ(RunUntil(SceneFrame, 0, [] { return scene_state.step != 3; }), 46) << "close: until both are hidden";
  EXPECT_EQ(scene_state.portrait_state, 3);
  EXPECT_EQ(PlayerState, 22);
  run_story_scene(0);
  EXPECT_EQ(PlayerState, 0);
  EXPECT_EQ(scene_state.step, 0);
  EXPECT_EQ(scene_state.box_ready, 0);
}

TEST_F(Story, EventsWithoutATimelineDoNothing) {
  for (int e : {1, 5, 13, 19, 20, 99, 100, -1}) {
    story_event = e;
    scene_state.step = 0;
    for (int f = 0; f < 200; ++f) run_story_scene(kMain);
    EXPECT_EQ(scene_state.step, 0) << e;
    EXPECT_EQ(scene_state.step_frames, 0) << e;
    EXPECT_EQ(game_mode, mode_title) << e;
  }
}

TEST_F(Story, FinalDestinationHandsItsFightToPlayThenLeavesForTheBossEvent) {
  story_event = 15;
  scene_state.step = 4;
  scene_state.tick = 0;
  scene_state.chars = -200;
  EXPECT_EQ(RunUntil(SceneFrame, 0, [] { return scene_state.step == 5; }), 100);
  EXPECT_EQ(scene_state.tick, 0) << "position cleared for the standing figure";
  scene_state.step = 8;
  run_story_scene(0);
  EXPECT_EQ(PlayerState, 0) << "the fight is normal play";
  EXPECT_EQ(scene_state.step, 8);
  // The enemy code sets step 9 and player state 22 when the guardian falls.
  scene_state.step = 9;
  PlayerState = 22;
  EXPECT_EQ(RunUntil(SceneFrame, 0, [] { return game_mode == mode_boss_event; }), 127) << "alpha +2 past 253";
  EXPECT_EQ(story_event, 14);
  EXPECT_EQ(scene_state.step, 0);
  EXPECT_EQ(mx, 100);
  EXPECT_EQ(event_flags[3], 1);
}

TEST_F(Story, FinalDestinationSecondTalkTypesUndisturbedByTheStandingFigure) {
  story_event = 15;
  scene_state.step = 1;
  ASSERT_GT(RunStepPressing(1), 0);
  ASSERT_GT(RunStepPressing(2), 0);
  EXPECT_EQ(scene_state.row, 3) << "page 0 ends at row 3";
  ASSERT_GT(RunUntil(SceneFrame, 0, [] { return scene_state.step == 6; }), 0);
  for (int f = 0; f < 10; ++f) run_story_scene(0);
  EXPECT_EQ(std::string(scene_state.line1), std::string(dialogue_row(15, 3).line1).substr(0, 4))
      << "two characters after ten frames";
  ASSERT_GT(RunStepPressing(6), 0);
  EXPECT_EQ(scene_state.step, 7);
  EXPECT_EQ(scene_state.row, 5) << "page 1 ends at row 5";
}

TEST_F(Story, BossWalkInPushesTheHeroBackTwentyFivePixels) {
  game_mode = mode_boss_event;
  scene_state.step = 10;
  scene_state.actor_x = 640;
  scene_state.actor_y = 150;
  mx = 240;
  const int frames = RunUntil(boss_event_screen, 0, [] { return scene_state.step == 11; });
  EXPECT_EQ(mx, 215);
  EXPECT_EQ(scene_state.actor_x, 320);
  EXPECT_EQ(frames, 160 + 201) << "160 walking frames, then 201 idle ones";
  EXPECT_EQ(story_event, 14);
}

TEST_F(Story, BossEventFlashLastsThreeHundredFiftyFiveFrames) {
  scene_state.step = 18;
  scene_state.flash_count = 255;
  int full_white_until = 0;
  const int frames = RunUntil(boss_event_screen, 0, [&full_white_until] {
    if (scene_state.flash_count == 255) full_white_until = scene_state.step_frames;
    return scene_state.step == 19;
  });
  EXPECT_EQ(frames, 355);
  EXPECT_EQ(full_white_until, 100);
}

TEST_F(Story, BossEventEndsInTheLocationSelectWithTheGemOwned) {
  scene_state.step = 37;
  caption_code = 0;
  RunUntil(boss_event_screen, 0, [] { return scene_state.step == 38; });
  // The caption stand-in never retires the caption: retire it as draw_caption would.
  RunUntil(boss_event_screen, 0, [] { return caption_code != 0; });
  EXPECT_EQ(accessory_owned[7], 1);
  EXPECT_EQ(caption_code, 4000);
  caption_code = 0;
  run_story_scene(0);
  EXPECT_EQ(scene_state.step, 39);
  EXPECT_EQ(RunUntil(boss_event_screen, 0, [] { return game_mode == mode_location_select; }), 255);
}

TEST_F(Story, BossEventStartsFromBlackWithTheHeroOffScreen) {
  scene_state.step = 0;
  boss_event_screen(0);
  EXPECT_EQ(scene_state.step, 1);
  EXPECT_EQ(mx, -100);
  EXPECT_EQ(my, 320);
  EXPECT_EQ(frame_counter, 255);
  RunUntil(boss_event_screen, 0, [] { return scene_state.step == 2; });
  EXPECT_EQ(frame_counter, 0);
  const int frames = RunUntil(boss_event_screen, 0, [] { return scene_state.step == 3; });
  EXPECT_EQ(frames, 501);
  EXPECT_GT(mx, 239) << "walked in";
  EXPECT_LE(mx, 242);
}

TEST_F(Story, HeroZerosClosingSequenceChainsIntoTheNextEvent) {
  story_event = 16;
  scene_state.step = 12;
  run_story_scene(0);
  EXPECT_EQ(story_event, 17);
  EXPECT_EQ(scene_state.step, 0);
}

TEST_F(Story, MinionsFallIntoTheirDyingStateAfterThePartnersSlash) {
  story_event = 17;
  scene_state.step = 8;
  enemy_count = 4;
  const int kinds[4] = {18, 5, 18, 18};
  for (int i = 0; i < 4; ++i) {
    enemy_pool[i] = EnemyRecord{};
    enemy_pool[i].type = kinds[i];
    enemy_pool[i].state = i == 3 ? 0 : 1;
    enemy_pool[i].mode = 3;
    enemy_pool[i].timer = 9;
  }
  EXPECT_EQ(RunUntil(SceneFrame, 0, [] { return scene_state.step == 9; }), 150);
  for (int i : {0, 2}) {
    EXPECT_EQ(enemy_pool[i].state, 2);
    EXPECT_EQ(enemy_pool[i].mode, 1);
    EXPECT_EQ(enemy_pool[i].timer, 0);
  }
  EXPECT_EQ(enemy_pool[1].state, 1) << "other kinds are left alone";
  EXPECT_EQ(enemy_pool[3].state, 0) << "a free record stays free";
}

TEST_F(Story, ClosingScenesStartTheEndingAndWriteTheClearLevel) {
  struct Case {
    int hero;
    int event;
    int step;
    int clear_before;
    int mode;
    int clear_after;
  };
  const Case cases[] = {{0, 17, 18, 0, mode_first_ending, 1},
                        {0, 17, 18, 2, mode_first_ending, 2},
                        {1, 18, 21, 0, mode_second_ending, 2},
                        {1, 18, 21, 1, mode_second_ending, 2}};
  for (const Case& c : cases) {
    std::filesystem::remove("setting.dat");
    hero = c.hero;
    story_event = c.event;
    game_mode = mode_stage_play;
    reset_scene_state();
    scene_state.step = c.step;
    clear_level = static_cast<std::uint8_t>(c.clear_before);
    const int frames = RunUntil(SceneFrame, 0, [] { return game_mode != mode_stage_play; });
    EXPECT_EQ(frames, c.hero == 0 ? 255 : 127) << "hero " << c.hero;
    EXPECT_EQ(game_mode, c.mode);
    EXPECT_EQ(clear_level, c.clear_after);
    EXPECT_EQ(scene_state.step, 1);
    EXPECT_EQ(scene_state.step_frames, 0);
    EXPECT_EQ(frame_counter, 255);
    EXPECT_EQ(fade_counter, 0);
    if (c.hero == 1) {
      EXPECT_EQ(story_event, 19);
    }
    const auto bytes = game_test::ReadBytes("setting.dat");
    ASSERT_EQ(bytes.size(), 100u) << "settings written";
    std::uint8_t record[100];
    std::copy(bytes.begin(), bytes.end(), record);
    EXPECT_EQ(take_settings_record(record, 100), SettingsCheck::valid);
    EXPECT_EQ(clear_level, c.clear_after) << "the file holds the new clear level";
  }
}

}  // namespace
