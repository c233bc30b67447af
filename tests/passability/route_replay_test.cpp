// Every committed route replayed on the real stage frame: it must belong to the area as the data stands now (its
// digest), put the hero where each line says, and reach every goal the area holds. The full search that writes the
// routes is scripts/passability.sh; this replay is what runs on every test run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/stage/level_data.h"
#include "tools/passability/area_run.h"
#include "tools/passability/route_file.h"
#include "tools/passability/search.h"

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

std::string Name(const AreaStart& a) {
  return "hero " + std::to_string(a.hero) + " stage " + std::to_string(a.stage) + " area " + std::to_string(a.area) +
         (a.top_entry ? " (top entry)" : "");
}

TEST(RouteReplay, EveryAreaOfEveryDataSetIsPassedByItsRoute) {
  std::string error;
  ASSERT_TRUE(passability::StartHeadlessGame(&error)) << error;
  for (const AreaStart& a : EveryArea()) {
    SCOPED_TRACE(Name(a));
    passability::Route route;
    const std::string path = passability::RoutePath(PASSABILITY_ROUTES_DIR, a.stage, a.area, a.hero, a.top_entry);
    if (!passability::ReadRouteFile(path, &route, &error)) {
      ADD_FAILURE() << error << "; " << kStale;
      continue;
    }
    if (route.digest != passability::AreaDigest(a.stage, a.area, a.hero)) {
      ADD_FAILURE() << kStale << " (the area's level data or placement list changed)";
      continue;
    }
    const passability::ReplayResult replay = passability::ReplayRoute(route, a);
    if (!replay.ok) {
      ADD_FAILURE() << kStale << " (" << replay.failure << ")";
      continue;
    }
    // Every goal of the area, the way out last.
    passability::EnterArea(a);
    std::vector<std::string> wanted;
    for (const passability::Goal& g : passability::AreaGoals()) wanted.push_back(g.name);
    std::vector<std::string> reached = replay.reached;
    ASSERT_FALSE(wanted.empty());
    EXPECT_EQ(reached.empty() ? std::string() : reached.back(), wanted.back()) << kStale;
    std::sort(wanted.begin(), wanted.end());
    std::sort(reached.begin(), reached.end());
    EXPECT_EQ(reached, wanted) << kStale;
  }
}

TEST(RouteReplay, AReplayThatLeavesTheLineEndMissesWithTheLine) {
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
