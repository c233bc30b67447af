// Wall pictures of scenery pool C whose pieces stack: each piece lands where its row of the table puts it.
#include <gtest/gtest.h>

#include <vector>

#include "game/stage/scenery.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"
#include "tests/game_flow/game_fixture.h"
#include "tests/game_screens/draw_recorder.h"

namespace {

using game_test::GameFlow;

// Stage 4's type 13: the slow pillar's head (480, 0, 153 x 480) at the record's row, its shaft (633, 0, 146 x 480)
// the two rows below; nothing covers the head.
TEST_F(GameFlow, StageFoursSlowPillarStacksItsShaftBelowItsHead) {
  stage = 4;
  g_x = 0;
  g_y = 0;
  clear_object_pools();
  spawn_scenery_c(13, 0, 0, 90, 0, 0, 1);
  screen_test::StartRecording();
  update_scenery_c(1);
  screen_test::StopRecording();
  std::vector<int> head_rows, shaft_rows;
  for (const screen_test::RecordedDraw& d : screen_test::CurrentFrameRecord().draws) {
    if (d.srcX == 480 && d.width == 153) head_rows.push_back(d.dstY);
    if (d.srcX == 633 && d.width == 146) shaft_rows.push_back(d.dstY);
  }
  EXPECT_EQ(head_rows, (std::vector<int>{0}));
  EXPECT_EQ(shaft_rows, (std::vector<int>{480, 960}));
}

}  // namespace
