// The altar scene (mode 23) driven frame by frame from the location select's hand-over to the falling stage.
#include <gtest/gtest.h>

#include "game/flow/event_scene.h"
#include "tests/game_story/story_fixture.h"

namespace {

using story_test::kMain;
using story_test::Story;

class Altar : public Story {
 protected:
  void SetUp() override {
    Story::SetUp();
    game_mode = mode_event_scene;
    frame_counter = 255;
    screen_phase = 0;
    skill_id = 99;
    skill_effect = 0;
  }
  // Frames pressing MAIN on every other one, until `done`.
  int RunPressing(const std::function<bool()>& done, int limit = 20000) {
    for (int n = 1; n <= limit; ++n) {
      const int pad = (n % 2 == 0) ? kMain : 0;
      map_buttons(pad);
      run_game_mode(pad);
      if (done()) return n;
    }
    return -1;
  }
};

void ModeFrame(int pad) { run_game_mode(pad); }

TEST_F(Altar, FadesInWalksUpTalksAndOpensTheDoorsIntoTheFallingStage) {
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return screen_phase == 1; }), 84) << "255 down by 3 below 4";
  EXPECT_EQ(story_event, 28);
  EXPECT_EQ(mx, -100);
  EXPECT_EQ(my, 320);
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return screen_phase == 2; }), 134) << "-100 up by 3 past 300";
  EXPECT_EQ(scene_state.step, 0);
  const int open_at_row = scene_state.row;
  EXPECT_EQ(open_at_row, 0);
  ASSERT_GT(RunUntil(ModeFrame, 0, [] { return scene_state.step == 1; }), 0);
  // The page end at row 6 moves to the close on the frame the last row of the page is confirmed.
  ASSERT_GT(RunPressing([] { return scene_state.step != 1; }), 0);
  EXPECT_EQ(scene_state.step, 2);
  EXPECT_EQ(scene_state.row, 6);
  ASSERT_GT(RunUntil(ModeFrame, 0, [] { return scene_state.step == 4; }), 0);
  const int gap_before = scene_state.door2_x - scene_state.actor_x;
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return scene_state.step == 5; }), 50);
  EXPECT_EQ(scene_state.door2_x - scene_state.actor_x, gap_before + 50) << "each half moved 25 pixels";
  EXPECT_EQ(scene_state.actor_x, 282 - 25);
  ASSERT_GT(RunUntil(ModeFrame, 0, [] { return scene_state.step == 6; }), 0);
  ASSERT_GT(RunPressing([] { return scene_state.step != 6; }), 0);
  EXPECT_EQ(scene_state.row, 11) << "page 1 ends at row 11";
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return scene_state.step == 9; }, 2000), 46 + 191)
      << "close, then the gesture (drawn before the step counts) raises the step when it reads frame 190";
  EXPECT_EQ(skill_id, 1);
  ASSERT_GT(RunUntil(ModeFrame, 0, [] { return scene_state.step == 10; }), 0);
  EXPECT_EQ(skill_effect, 0);
  ASSERT_GT(RunUntil(ModeFrame, 0, [] { return game_mode != mode_event_scene; }), 0);
  EXPECT_EQ(game_mode, mode_fall_scene);
  EXPECT_EQ(mx, 290);
  EXPECT_EQ(my, 50);
  EXPECT_EQ(scene_state.step, 0);
  EXPECT_EQ(screen_phase, 0);
  EXPECT_EQ(skill_id, 1) << "the borrowed skill is left at 1";
}

TEST_F(Altar, KneelingStepLastsTwoHundredFiftyOneFramesOnceTheHeroArrives) {
  screen_phase = 2;
  scene_state.step = 3;
  mx = 341;
  EXPECT_EQ(RunUntil(ModeFrame, 0, [] { return scene_state.step == 4; }), 251);
}

TEST_F(Altar, RisingLiftsTheHeroToTwoHundredTwenty) {
  screen_phase = 2;
  scene_state.step = 10;
  my = 320;
  const int frames = RunUntil(ModeFrame, 0, [] { return scene_state.step == 11; });
  EXPECT_EQ(my, 220);
  EXPECT_EQ(frames, 199 + 100 + 127);
}

}  // namespace
