// The passability check: searches every area of every level data set, for each hero, for a way from the start
// through the area's goals to its way out, on the real stage frame run headless, and writes the routes found.
//
//   passability [-o ROUTES_DIR] [-b FRAME_BUDGET] [-H HERO] [STAGE AREA [top]]
//   passability --list
//   passability --goals [-H HERO] [STAGE AREA [top]]
//
// Without an area it checks them all (both heroes, or HERO's); --list prints the areas one a line as
// "HERO STAGE AREA [top]"; --goals prints each area's goals and where they rest after two seconds. One line of
// results per area: passable or not, the route's frames, and for a blocked area
// the goal it could not reach and the furthest place towards it. Routes go to ROUTES_DIR (default
// tests/passability/routes); a blocked area's route says so and goes as far as the goals before the block. Exit
// status 1 when an area is blocked.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "game/enemy/enemy_pool.h"
#include "game/player/pickups.h"
#include "game/stage/level_data.h"
#include "game/stage/stage_object.h"
#include "tools/passability/area_run.h"
#include "tools/passability/route_file.h"
#include "tools/passability/search.h"

namespace {

using passability::AreaStart;

std::vector<AreaStart> AllAreas(int only_hero) {
  std::vector<AreaStart> areas;
  for (int h = 0; h < 2; ++h) {
    if (only_hero >= 0 && h != only_hero) continue;
    for (int i = 0; i < level_data_set_count; ++i) {
      const LevelDataSet& set = level_data_sets[i];
      areas.push_back({set.stage, set.area, h, false, {}});
      if (set.stage == 6 && set.area == 2) areas.push_back({set.stage, set.area, h, true, {}});
    }
  }
  return areas;
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d", std::gmtime(&now));
  return text;
}

// The goals of an area where they rest after the first two seconds, and the hero's start.
void PrintGoals(const AreaStart& a) {
  passability::EnterArea(a);
  std::printf("hero %d stage %d area %d%s: start (%d, %d)\n", a.hero, a.stage, a.area, a.top_entry ? " top" : "",
              passability::HeroX(), passability::HeroY());
  const std::vector<passability::Goal> goals = passability::AreaGoals();
  for (int k = 0; k < 120; ++k) passability::StepFrame(0);
  for (const passability::Goal& g : goals) {
    int x = g.x, y = g.y;
    if (g.kind == passability::GoalKind::gem) {
      x = pickups[g.record].x;
      y = pickups[g.record].y;
    } else if (g.kind == passability::GoalKind::item || g.kind == passability::GoalKind::switch_chest) {
      x = enemy_pool[g.record].x;
      y = enemy_pool[g.record].y;
    }
    // Sunk: the goal's picture overlaps a solid gimmick where it rests.
    const int w = g.kind == passability::GoalKind::gem ? 24 : 23, h = g.kind == passability::GoalKind::gem ? 24 : 40;
    bool sunk = false;
    for (int i = 0; i < gimmick_count && i < gimmick_pool_size && g.record >= 0; ++i) {
      const StageObject& o = gimmicks[i];
      if (o.in_use != 1 || o.solid == 0) continue;
      sunk = sunk || (x + w > o.x + o.box_x0 && x < o.x + o.box_x1 && y + h > o.y + o.box_y0 && y < o.y + o.box_y1);
    }
    // The top of the highest solid gimmick under the goal's picture that reaches below its top.
    int floor = -1;
    for (int i = 0; i < gimmick_count && i < gimmick_pool_size && g.record >= 0; ++i) {
      const StageObject& o = gimmicks[i];
      if (o.in_use != 1 || o.solid == 0 || x + w <= o.x + o.box_x0 || x >= o.x + o.box_x1) continue;
      if (o.y + o.box_y1 > y && (floor < 0 || o.y + o.box_y0 < floor)) floor = o.y + o.box_y0;
    }
    std::printf("  %-9s placed (%d, %d), after 120 frames (%d, %d), floor top %d%s\n", g.name.c_str(), g.x, g.y, x,
                y, floor, sunk ? "  SUNK into a solid gimmick" : "");
  }
}

int Usage() {
  std::fprintf(stderr, "usage: passability [-o ROUTES_DIR] [-b FRAME_BUDGET] [-H HERO] [STAGE AREA [top]]\n"
                       "       passability --list\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string routes = "tests/passability/routes";
  passability::SearchOptions options;
  int only_hero = -1;
  std::vector<std::string> rest;
  bool list = false;
  bool goals_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--list") {
      list = true;
    } else if (a == "--goals") {
      goals_only = true;
    } else if ((a == "-o" || a == "-b" || a == "-H") && i + 1 < argc) {
      const std::string v = argv[++i];
      if (a == "-o") routes = v;
      if (a == "-b") options.frame_budget = std::atol(v.c_str());
      if (a == "-H") only_hero = std::atoi(v.c_str());
    } else {
      rest.push_back(a);
    }
  }
  std::vector<AreaStart> areas = AllAreas(only_hero);
  if (list) {
    for (const AreaStart& a : areas) std::printf("%d %d %d%s\n", a.hero, a.stage, a.area, a.top_entry ? " top" : "");
    return 0;
  }
  if (!rest.empty()) {
    if (rest.size() < 2 || rest.size() > 3 || (rest.size() == 3 && rest[2] != "top")) return Usage();
    const int s = std::atoi(rest[0].c_str()), ar = std::atoi(rest[1].c_str());
    if (find_level_data(s, ar) == nullptr) {
      std::fprintf(stderr, "passability: no level data for stage %d area %d\n", s, ar);
      return 2;
    }
    std::vector<AreaStart> chosen;
    for (int h = 0; h < 2; ++h) {
      if (only_hero < 0 || h == only_hero) chosen.push_back({s, ar, h, rest.size() == 3, {}});
    }
    areas = chosen;
  }
  const std::string cwd = std::filesystem::current_path().string();
  if (!routes.empty() && routes[0] != '/') routes = cwd + "/" + routes;
  std::string error;
  if (!passability::StartHeadlessGame(&error)) {
    std::fprintf(stderr, "passability: %s\n", error.c_str());
    return 1;
  }
  if (goals_only) {
    for (const AreaStart& a : areas) PrintGoals(a);
    std::fflush(stdout);
    passability::StopHeadlessGame();
    return 0;
  }
  options.written_by = "passability search, " + Today();
  int blocked = 0;
  for (const AreaStart& a : areas) {
    const std::clock_t begin = std::clock();
    const passability::AreaResult r = passability::SearchArea(a, options);
    const double seconds = static_cast<double>(std::clock() - begin) / CLOCKS_PER_SEC;
    char where[128] = "";
    if (!r.passable) {
      std::snprintf(where, sizeof where, "  blocked: goal %s, furthest (%d, %d), screen (%d, %d)",
                    r.blocked_goal.c_str(), r.blocked_x, r.blocked_y, r.blocked_x / 640, r.blocked_y / 480);
      ++blocked;
    }
    if (!passability::WriteRouteFile(passability::RoutePath(routes, a.stage, a.area, a.hero, a.top_entry),
                                            r.route, &error)) {
      std::fprintf(stderr, "passability: %s\n", error.c_str());
      passability::StopHeadlessGame();
      return 1;
    }
    std::printf("hero %d stage %d area %d%-4s %-9s %6d frames  %5.1f s CPU  %9ld frames searched%s\n", a.hero, a.stage,
                a.area, a.top_entry ? " top" : "", r.passable ? "passable" : "BLOCKED", r.frames, seconds,
                r.simulated_frames, where);
    std::fflush(stdout);
  }
  passability::StopHeadlessGame();
  return blocked == 0 ? 0 : 1;
}
