// Every committed route replayed on the real stage frame, one test per hero, data set and area: it must belong to
// the area as the data stands now (its digest), put the hero where each line says, and reach every goal the area
// holds. An area the last full search could not pass is skipped with the search's reason, once its partial route
// still replays. The full search that writes the routes is scripts/passability.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "game/stage/level_data.h"
#include "tools/passability/area_run.h"
#include "tools/passability/route_file.h"
#include "tools/passability/search.h"

namespace passability {

// Test parameters print as the area they stand for.
void PrintTo(const AreaStart& a, std::ostream* out) {
  *out << "hero " << a.hero << " stage " << a.stage << " area " << a.area << (a.top_entry ? " top" : "");
}

}  // namespace passability

namespace {

using passability::AreaStart;

constexpr const char* kStale = "route stale: run scripts/passability.sh";

std::vector<AreaStart> EveryArea() {
  std::vector<AreaStart> areas;
  for (int hero = 0; hero < 2; ++hero) {
    for (int i = 0; i < level_data_set_count; ++i) {
      const LevelDataSet& set = level_data_sets[i];
      areas.push_back({set.stage, set.area, hero, false, {}});
      if (set.stage == 6 && set.area == 2) areas.push_back({set.stage, set.area, hero, true, {}});
    }
  }
  return areas;
}

class RouteReplay : public ::testing::TestWithParam<AreaStart> {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  }
};

TEST_P(RouteReplay, TheAreaIsPassedByItsRoute) {
  const AreaStart& a = GetParam();
  passability::Route route;
  std::string error;
  const std::string path = passability::RoutePath(PASSABILITY_ROUTES_DIR, a.stage, a.area, a.hero, a.top_entry);
  ASSERT_TRUE(passability::ReadRouteFile(path, &route, &error)) << error << "; " << kStale;
  ASSERT_EQ(route.digest, passability::AreaDigest(a.stage, a.area, a.hero))
      << kStale << " (the area's level data or placement list changed)";
  const passability::ReplayResult replay = passability::ReplayRoute(route, a);
  ASSERT_TRUE(replay.ok) << kStale << " (" << replay.failure << ")";
  EXPECT_EQ(replay.reached, route.goals) << kStale;
  if (!route.blocked.empty()) GTEST_SKIP() << "blocked in the last full search: " << route.blocked;

  // Every goal of the area, the way out last.
  passability::EnterArea(a);
  std::vector<std::string> wanted;
  for (const passability::Goal& g : passability::AreaGoals()) wanted.push_back(g.name);
  std::vector<std::string> reached = replay.reached;
  ASSERT_FALSE(wanted.empty());
  ASSERT_FALSE(reached.empty()) << kStale;
  EXPECT_EQ(reached.back(), wanted.back()) << kStale;
  std::sort(wanted.begin(), wanted.end());
  std::sort(reached.begin(), reached.end());
  EXPECT_EQ(reached, wanted) << kStale;
}

INSTANTIATE_TEST_SUITE_P(EveryArea, RouteReplay, ::testing::ValuesIn(EveryArea()),
                         [](const ::testing::TestParamInfo<AreaStart>& param) {
                           const AreaStart& a = param.param;
                           return "hero" + std::to_string(a.hero) + "_stage" + std::to_string(a.stage) + "_area" +
                                  std::to_string(a.area) + (a.top_entry ? "_top" : "");
                         });

TEST(RouteReplayMiss, AReplayThatLeavesALinesEndMissesWithTheLine) {
  std::string error;
  ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  passability::Route route;
  ASSERT_TRUE(passability::ReadRouteFile(passability::RoutePath(PASSABILITY_ROUTES_DIR, 1, 1, 0, false), &route,
                                         &error))
      << error;
  ASSERT_GE(route.lines.size(), 3u);
  route.lines[1].x += 1;
  const passability::ReplayResult replay = passability::ReplayRoute(route, {1, 1, 0, false, {}});
  EXPECT_FALSE(replay.ok);
  EXPECT_NE(replay.failure.find("route line 2"), std::string::npos) << replay.failure;
}

}  // namespace
