// The HUD's gauges on the presented frame: one pixel per point from the base line at y 180, and the red trail of
// HP just lost that drains by a pixel a frame.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/flow/hud.h"
#include "platform/display/headless_display.h"
#include "tests/game_stage/stage_fixture.h"

namespace {

using game_test::StageTest;
using platform::headless::FramebufferPixel;

struct Channels {
  int r, g, b;
};
Channels At(int x, int y) {
  const std::uint32_t p = FramebufferPixel(x, y);
  return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
}

void DrawHudFrame() {
  SelectDrawTarget(-2);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  draw_hud();
  PresentBackScreen();
}

TEST_F(StageTest, GaugesStandOnTheBaseLineAndLostHpLeavesADrainingRedBand) {
  max_hp = 100;
  max_sp = 120;
  hp = hp_trail_shown = 100;
  sp = 50;
  DrawHudFrame();
  EXPECT_GT(At(27, 179).g, At(27, 179).r) << "HP gauge at its foot";
  EXPECT_GT(At(27, 81).g, At(27, 81).r) << "HP gauge at its top";
  EXPECT_EQ(At(27, 70).g, 0) << "nothing above max_hp";
  EXPECT_GT(At(41, 179).b, At(41, 179).r) << "SP gauge";
  EXPECT_LT(std::abs(At(41, 100).b - At(41, 100).r), 10) << "SP frame above the SP value is grey";
  hp = 70;
  DrawHudFrame();
  EXPECT_GT(At(27, 95).r, At(27, 95).g + 40) << "a red band from 99 down to 70";
  EXPECT_GT(At(27, 150).g, At(27, 150).r) << "the gauge below the band";
  for (int i = 0; i < 28; ++i) DrawHudFrame();
  EXPECT_LT(At(27, 95).r, At(27, 95).g + 40) << "the band has drained past y 95";
  EXPECT_EQ(hp_trail_from, 71);
}

}  // namespace
