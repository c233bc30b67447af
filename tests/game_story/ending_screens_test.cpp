// The endings driven frame by frame: the staff roll's timing, the closing wait for MAIN and the return to the title.
#include <gtest/gtest.h>

#include "game/flow/ending_screens.h"
#include "game/flow/story_scenes.h"
#include "tests/game_story/story_fixture.h"

namespace {

using story_test::kMain;
using story_test::Story;

void ModeFrame(int pad) { run_game_mode(pad); }

class Ending : public Story {
 protected:
  // The closing scene's hand-over.
  void Enter(int mode) {
    game_mode = mode;
    reset_scene_state();
    scene_state.step = 1;
    scene_state.step_frames = 0;
    frame_counter = 255;
    fade_counter = 0;
    story_event = mode == mode_second_ending ? 19 : 0;
  }
};

TEST_F(Story, StaffEntryRisesOneHundredPixelsAndStaysTwoHundredFiftyOneFramesStill) {
  frame_counter = fade_counter = glow_counter = phase_counter = 0;
  int frames = 0, still = 0, highest_rise = 0;
  while (!staff_roll(1, 0) && frames < 1000) {
    ++frames;
    if (phase_counter == 1) ++still;
    if (fade_counter > highest_rise) highest_rise = fade_counter;
  }
  ++frames;
  EXPECT_EQ(frames, 50 + 201 + 50);
  EXPECT_EQ(still, 201);
  EXPECT_EQ(highest_rise, 99) << "the last frame's rise of 100 is cleared with the entry's end";
  EXPECT_EQ(fade_counter, 0);
  EXPECT_EQ(glow_counter, 0) << "ready for the next group";
}

TEST_F(Story, StaffGroupPlaysItsEntriesOneAfterAnother) {
  frame_counter = fade_counter = glow_counter = phase_counter = 0;
  int frames = 1;
  while (!staff_roll(3, 200) && frames < 5000) ++frames;
  EXPECT_EQ(frames, 3 * 301);
}

TEST_F(Ending, FirstEndingRunsToTheTitleReleasingItsPictures) {
  Enter(mode_first_ending);
  ending_sheet = LoadGraphicFile("missing.png");
  int last_step = 1;
  bool in_order = true;
  const int frames = RunUntil(ModeFrame, 0, [&] {
    if (scene_state.step < last_step) in_order = false;
    last_step = scene_state.step;
    return scene_state.step == 22;
  }, 20000);
  ASSERT_GT(frames, 0);
  EXPECT_TRUE(in_order);
  // The closing message waits for MAIN only once it is fully shown.
  EXPECT_EQ(RunUntil(ModeFrame, kMain, [] { return scene_state.step == 23; }), 256);
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return game_mode != mode_first_ending; }), 255);
  EXPECT_EQ(game_mode, mode_title);
  EXPECT_EQ(frame_counter, 2);
  EXPECT_EQ(screen_phase, 0);
  EXPECT_EQ(ending_sheet, -1);
  EXPECT_EQ(staff_sheet, -1);
  for (int handle : ending_backgrounds) EXPECT_EQ(handle, -1);
}

TEST_F(Ending, FirstEndingTextBlockRevealsEighteenLines) {
  Enter(mode_first_ending);
  scene_state.step = 7;
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return scene_state.step == 8; }), 18 * 120);
}

TEST_F(Ending, SecondEndingWalksTalksRollsAndReturnsToTheTitle) {
  hero = 1;
  Enter(mode_second_ending);
  ASSERT_GT(RunUntil(ModeFrame, 0, [] { return scene_state.step == 3; }), 0);
  EXPECT_EQ(mx, 650);
  EXPECT_EQ(my, 300);
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return scene_state.step == 4; }), 84) << "650 down to below 400 by 3";
  ASSERT_GT(RunUntil(ModeFrame, 0, [] { return scene_state.step == 6; }), 0);
  EXPECT_EQ(RunUntil(ModeFrame, kMain, [] { return scene_state.step != 6; }, 300), -1) << "held MAIN talks no further";
  int n = 0;
  const int talk = RunUntil([&n](int) {
    const int pad = (++n % 2 == 0) ? kMain : 0;
    map_buttons(pad);
    run_game_mode(pad);
  }, 0, [] { return scene_state.step == 7; });
  EXPECT_GT(talk, 0);
  EXPECT_EQ(scene_state.row, 4) << "event 19: one page of four rows";
  ASSERT_GT(RunUntil(ModeFrame, 0, [] { return scene_state.step == 15; }, 20000), 0);
  EXPECT_EQ(RunUntil(ModeFrame, kMain, [] { return scene_state.step == 16; }), 256);
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return game_mode != mode_second_ending; }), 127);
  EXPECT_EQ(game_mode, mode_title);
  EXPECT_EQ(frame_counter, 2);
}

}  // namespace
