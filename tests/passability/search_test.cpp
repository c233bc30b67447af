// The search on small fixture areas built in place of the level data: a floor that runs on past the exit line is
// passed, and one whose gap is wider than any jump is reported blocked at the gap's near edge; the route it writes
// replays to the same places; an item over a ceiling is reached round the ceiling's end. A plan from a running game
// keeps clear of what would hurt the hero, leaves the game as it found it and plays out as planned.
#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/draw_state.h"
#include "game/enemy/enemy_pool.h"
#include "game/flow/main_loop.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/scenery.h"
#include "game/stage/stage_state.h"
#include "tools/passability/area_run.h"
#include "tools/passability/game_state.h"
#include "tools/passability/route_file.h"
#include "tools/passability/search.h"

namespace {

using passability::AreaStart;

constexpr int kFloorTile = 1;  // a 120-pixel floor tile, standing height 45 below its top
constexpr int kFloorY = 300;

// Floor tiles at the given world x (one screen row), the exit line at world x 1000.
AreaStart FloorArea(std::vector<int> xs) {
  AreaStart start;
  start.stage = 1;
  start.area = 1;
  start.build = [xs] {
    for (int x : xs) spawn_gimmick(kFloorTile, 0, x / 640, 0, x % 640, kFloorY, 0);
    area_exit_column = 1;
    area_exit_offset = 360;
  };
  return start;
}

std::vector<int> Tiles(int from, int to) {
  std::vector<int> xs;
  for (int x = from; x <= to; x += 128) xs.push_back(x);
  return xs;
}

TEST(PassabilitySearch, AFloorPastTheExitLineIsPassedAndItsRouteReplays) {
  std::string error;
  ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  const AreaStart start = FloorArea(Tiles(0, 2560));
  passability::SearchOptions options;
  options.frame_budget = 200000;
  const passability::AreaResult result = passability::SearchArea(start, options);
  ASSERT_TRUE(result.passable) << result.blocked_goal << " at " << result.blocked_x;
  EXPECT_EQ(result.route.goals, (std::vector<std::string>{"exit", "run-out"}));
  EXPECT_GT(result.frames, 1000 / 6) << "no faster than a dash";
  EXPECT_EQ(result.frames, passability::RouteFrames(result.route));

  // The same search again gives the same route; the written file reads back to it and replays.
  const passability::AreaResult again = passability::SearchArea(start, options);
  EXPECT_EQ(passability::FormatRoute(again.route), passability::FormatRoute(result.route));
  passability::Route parsed;
  ASSERT_TRUE(passability::ParseRoute(passability::FormatRoute(result.route), &parsed, &error)) << error;
  EXPECT_EQ(passability::FormatRoute(parsed), passability::FormatRoute(result.route));
  const passability::ReplayResult replay = passability::ReplayRoute(parsed, start);
  EXPECT_TRUE(replay.ok) << replay.failure;
  EXPECT_EQ(replay.reached, (std::vector<std::string>{"exit", "run-out"}));
}

TEST(PassabilitySearch, AGapWiderThanAnyJumpIsBlockedAtItsNearEdge) {
  std::string error;
  ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  // Floor up to world x 504, then none until 1152: a gap of 528 pixels.
  std::vector<int> xs = Tiles(0, 384);
  for (int x : Tiles(1152, 2560)) xs.push_back(x);
  passability::SearchOptions options;
  options.frame_budget = 400000;
  const passability::AreaResult result = passability::SearchArea(FloorArea(xs), options);
  EXPECT_FALSE(result.passable);
  EXPECT_EQ(result.blocked_goal, "exit");
  EXPECT_GT(result.blocked_x, 380) << "the hero got to the edge";
  EXPECT_LT(result.blocked_x, 1152 - 60) << "but not across";
}

TEST(PassabilitySearch, ARunOutOverNothingIsBlockedAtTheRunOut) {
  std::string error;
  ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  // The floor ends just past the exit line: the hero walks on off its end and falls.
  passability::SearchOptions options;
  options.frame_budget = 200000;
  const passability::AreaResult result = passability::SearchArea(FloorArea(Tiles(0, 1024)), options);
  EXPECT_FALSE(result.passable);
  EXPECT_EQ(result.blocked_goal, "run-out");
}

TEST(PassabilitySearch, AnItemOverACeilingIsReachedRoundTheCeilingsEnd) {
  std::string error;
  ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  // A ceiling over the start (tops at 145, 125 pixels of room under it) with the orb lying on it: straight above
  // the hero, but the way up is past the ceiling's end at x 632. A search drawn by the straight distance spends its
  // frames under the ceiling.
  AreaStart start = FloorArea(Tiles(0, 2560));
  const auto floor = start.build;
  start.build = [floor] {
    floor();
    for (int x : Tiles(0, 512)) spawn_gimmick(kFloorTile, 0, 0, 0, x, kFloorY - 200, 0);
    spawn_enemy(35, 0, 0, 0, 300, 105);
  };
  passability::SearchOptions options;
  options.frame_budget = 30000;
  const passability::AreaResult result = passability::SearchArea(start, options);
  ASSERT_TRUE(result.passable) << result.blocked_goal << " at " << result.blocked_x << ", " << result.blocked_y;
  EXPECT_EQ(result.route.goals, (std::vector<std::string>{"item35", "exit", "run-out"}));
  const passability::ReplayResult replay = passability::ReplayRoute(result.route, start);
  EXPECT_TRUE(replay.ok) << replay.failure;
}

TEST(PassabilityPlan, APlanJumpsSpikesItMayNotTouchLeavesTheGameAsItWasAndPlaysOutAsPlanned) {
  std::string error;
  ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  AreaStart start = FloorArea(Tiles(0, 2560));
  passability::EnterArea(start);
  for (int k = 0; k < 30; ++k) passability::StepLiveFrame(0);
  const int floor_y = passability::HeroY();
  // Spikes on the floor between the hero and the place: they kill a hero that walks into them.
  const auto floor = start.build;
  start.build = [floor, floor_y] {
    floor();
    spawn_scenery_a(0, 0, 0, 400, floor_y + 20, 0, 2);
  };
  // Walking straight on, the hero dies on them.
  passability::EnterArea(start);
  for (int k = 0; k < 200 && hp > 0; ++k) passability::StepLiveFrame(passability::kPadRight);
  ASSERT_EQ(hp, 0);
  passability::EnterArea(start);
  for (int k = 0; k < 30; ++k) passability::StepLiveFrame(0);
  ASSERT_EQ(passability::HeroY(), floor_y);
  ASSERT_LT(passability::HeroX(), 300);
  const passability::Goal place = passability::PlaceGoal(800 + 30, floor_y + 50, true);

  passability::GameState state;
  state.SetBase();
  const std::vector<std::uint64_t> before = state.Save().words;
  const int clock = frame_start_ms;
  SetDrawClipArea(10, 20, 630, 470);  // as the game draws: the search draws nothing, and after it the game draws again
  RECT area_before{};
  GetDrawAreaRect(&area_before);
  passability::PlanOptions options;
  options.frame_budget = 20000;
  options.min_hp = max_hp;  // no damage at all
  const passability::Plan plan = passability::PlanFromHere(place, options);
  ASSERT_TRUE(plan.reached);
  EXPECT_EQ(plan.hp, max_hp);
  EXPECT_EQ(state.Save().words, before) << "the game's state put back";
  EXPECT_EQ(frame_start_ms, clock);
  RECT area_after{};
  GetDrawAreaRect(&area_after);
  EXPECT_EQ(std::vector<int>({area_after.left, area_after.top, area_after.right, area_after.bottom}),
            std::vector<int>({area_before.left, area_before.top, area_before.right, area_before.bottom}));

  // Played on the live frame, every line ends where the plan said, unhurt, at the place.
  for (const passability::RouteLine& line : plan.lines) {
    for (int k = 0; k < line.frames; ++k) passability::StepLiveFrame(line.pad);
    ASSERT_EQ(passability::HeroX(), line.x);
    ASSERT_EQ(passability::HeroY(), line.y);
  }
  EXPECT_EQ(hp, max_hp);
  EXPECT_TRUE(passability::GoalReached(place));
}

TEST(PassabilityPlan, APlanDoesNotEndInTheAirWhereTheHeroFallsToItsDeath) {
  std::string error;
  ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  // The floor ends at world x 632; beyond it a pit. The place lies in the air over the pit, where a jump from the
  // floor's end passes it and the hero then falls to its death: no plan ends there.
  const AreaStart start = FloorArea(Tiles(0, 512));
  passability::EnterArea(start);
  for (int k = 0; k < 30; ++k) passability::StepLiveFrame(0);
  const int floor_y = passability::HeroY();
  // Walking off the end kills the hero.
  for (int k = 0; k < 400 && !passability::HeroDead(); ++k) passability::StepLiveFrame(passability::kPadRight);
  ASSERT_TRUE(passability::HeroDead());
  passability::EnterArea(start);
  for (int k = 0; k < 30; ++k) passability::StepLiveFrame(0);
  const passability::Goal place = passability::PlaceGoal(720 + 30, floor_y - 60 + 50, false);

  passability::PlanOptions options;
  options.frame_budget = 20000;
  const passability::Plan plan = passability::PlanFromHere(place, options);
  for (const passability::RouteLine& line : plan.lines) {
    for (int k = 0; k < line.frames; ++k) passability::StepLiveFrame(line.pad);
  }
  bool died = false;
  for (int k = 0; k < 200 && !died; ++k) {
    passability::StepLiveFrame(0);
    died = passability::HeroDead();
  }
  EXPECT_FALSE(died) << "the plan ended over the pit";
}

}  // namespace
