// The passability search: a best-first search over short held-input moves (walk, dash, jumps held for a few or
// many frames, dash jumps, wall kicks, climbing, waiting, striking a switch or an enemy in the way, and the first
// hero's charged shot) on the real stage frame, with the game's state saved and restored between tries. It is
// guided by path lengths over the area's open cells (walking along floors, rising within a jump, falling); an area
// it cannot pass so is searched again guided by the straight distance alone. It visits the area's goals (nearest
// first) and then its way out, and writes the route it found. Deterministic: the same area gives the same route on
// every run.
#pragma once

#include <string>
#include <vector>

#include "tools/passability/area_run.h"
#include "tools/passability/route_file.h"

namespace passability {

struct SearchOptions {
  long frame_budget = 2000000;  // frames simulated per goal before the goal counts as blocked
  std::string written_by = "passability search";
};

struct AreaResult {
  bool passable = false;
  int frames = 0;             // route length
  std::string blocked_goal;   // the goal no move sequence reached
  int blocked_x = 0, blocked_y = 0;  // the furthest place towards it (world position)
  long simulated_frames = 0;
  Route route;
};

AreaResult SearchArea(const AreaStart& start, const SearchOptions& options);

struct ReplayResult {
  bool ok = false;
  std::string failure;  // why the replay missed, with the line
  std::vector<std::string> reached;  // goal names in the order met
};

// Plays a route from the area's start and checks every line's end position and every goal line.
ReplayResult ReplayRoute(const Route& route, const AreaStart& start);

}  // namespace passability
