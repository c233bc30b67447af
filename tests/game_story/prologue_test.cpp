// The prologue (mode 12) driven frame by frame: its step timings, the wait for MAIN and the way into mode 10.
#include <gtest/gtest.h>

#include "game/flow/prologue_screen.h"
#include "tests/game_story/story_fixture.h"

namespace {

using story_test::kMain;
using story_test::Story;

void ModeFrame(int pad) { run_game_mode(pad); }

class Prologue : public Story {
 protected:
  void SetUp() override {
    Story::SetUp();
    game_mode = mode_prologue;
    scene_state.step = 1;
    scene_state.step_frames = 0;
    frame_counter = 255;
  }
};

TEST_F(Prologue, StepsRunInTheirFrameCountsThenWaitForMainAndLeaveForTheLocationSelect) {
  struct Case {
    int step;
    int frames;
  };
  // 101 black, 85 fading (255 down by 3), 101 picture, 127 per strip, 75 holding.
  const Case cases[] = {{1, 101}, {2, 85}, {3, 101}, {4, 127}, {5, 127}, {6, 127}, {7, 127}, {8, 75}};
  for (const Case& c : cases) {
    ASSERT_EQ(scene_state.step, c.step);
    EXPECT_EQ(RunUntil(ModeFrame, 0, [&c] { return scene_state.step != c.step; }), c.frames) << "step " << c.step;
    EXPECT_EQ(scene_state.step_frames, 0);
  }
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return scene_state.step != 9; }, 1000), -1) << "waits for MAIN";
  map_buttons(kMain);
  run_game_mode(kMain);
  EXPECT_EQ(scene_state.step, 10);
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return game_mode != mode_prologue; }), 85) << "255 in steps of 3";
  EXPECT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(scene_state.step, 11);
  EXPECT_EQ(scene_state.step_frames, 0);
  EXPECT_EQ(frame_counter, 0);
}

TEST_F(Prologue, MainHeldFromTheStartSkipsOnlyTheWait) {
  const int frames = RunUntil(ModeFrame, kMain, [] { return scene_state.step == 10; });
  EXPECT_EQ(frames, 101 + 85 + 101 + 4 * 127 + 75 + 1) << "the fades run whole; step 9 passes on its first frame";
}

TEST_F(Prologue, StepZeroShowsThePictureAndNeverAdvances) {
  scene_state.step = 0;
  EXPECT_EQ(RunUntil(ModeFrame, kMain, [] { return scene_state.step != 0 || game_mode != mode_prologue; }, 600), -1);
  EXPECT_EQ(scene_state.step_frames, 0);
}

}  // namespace
