// What the screens leave on the presented frame.
#include <gtest/gtest.h>

#include "platform/display/headless_display.h"
#include "tests/game_player/player_fixture.h"

namespace {

using game_test::Frame;
using game_test::PlayerTest;
using platform::headless::FramebufferPixel;

// Draws onto the back screen, as the main loop does, over a white frame.
void StartWhiteFrame() {
  SelectDrawTarget(-2);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(255, 255, 255), 1);
}

// Red pixels presented in the rectangle.
int CountRed(int x1, int y1, int x2, int y2) {
  int red = 0;
  for (int y = y1; y < y2; ++y) {
    for (int x = x1; x < x2; ++x) {
      const std::uint32_t p = FramebufferPixel(x, y);
      if ((p >> 16) >= 0xF0 && (p & 0xFFFF) < 0x1010) ++red;
    }
  }
  return red;
}

TEST_F(PlayerTest, CorruptSaveScreenIsBlackWithTwoRedLines) {
  StartWhiteFrame();
  game_mode = mode_corrupt_save;
  Frame(0);
  PresentBackScreen();
  EXPECT_EQ(FramebufferPixel(5, 5), 0u);
  EXPECT_EQ(FramebufferPixel(630, 470), 0u);
  EXPECT_GT(CountRed(50, 50, 640, 75), 0) << "first line at 50, 50";
  EXPECT_GT(CountRed(50, 80, 640, 105), 0) << "second line at 50, 80";
  EXPECT_EQ(CountRed(0, 110, 640, 480), 0);
}

TEST_F(PlayerTest, NewGameBeforeTheFirstClearDrawsNothing) {
  StartWhiteFrame();
  clear_level = 0;
  game_mode = mode_hero_select;
  Frame(0);
  PresentBackScreen();
  for (int y = 0; y < 480; y += 37) {
    for (int x = 0; x < 640; x += 41) ASSERT_GE(FramebufferPixel(x, y), 0xF0F0F0u) << x << ", " << y;
  }
}

TEST_F(PlayerTest, LeavingTheSaveScreenDarkensTheFrame) {
  StartWhiteFrame();
  game_mode = mode_save;
  screen_phase = 10;
  frame_counter = 126;  // this frame's alpha is 129
  Frame(0);
  PresentBackScreen();
  const std::uint32_t p = FramebufferPixel(320, 240);
  const std::uint32_t r = p >> 16;
  EXPECT_GT(r, 100u);
  EXPECT_LT(r, 155u) << "white half covered by black";
}

}  // namespace
