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

// Planning from the live game (the playthrough's player): a search from the state the game is in now towards one
// goal, on the frame as the game's loop runs it (hit points not kept full, bosses not removed), in which damage
// costs and a state below a floor of hit points is given up. The game's state is put back as it was, exactly.
struct PlanOptions {
  long frame_budget = 20000;  // frames simulated before the plan settles for the nearest state found
  int min_hp = 1;             // a state with fewer hit points (or a dead hero) is given up
  int damage_weight = 0;      // priority cost of each hit point lost, in frames
};

struct Plan {
  bool reached = false;           // the lines end at the goal; else they lead to the nearest state found
  std::vector<RouteLine> lines;   // each line's end position as the live game will show it
  int hp = 0;                     // the hero's hit points after the lines
  long simulated_frames = 0;
};

Plan PlanFromHere(const Goal& goal, const PlanOptions& options);

struct ReplayResult {
  bool ok = false;
  std::string failure;  // why the replay missed, with the line
  std::vector<std::string> reached;  // goal names in the order met
};

// Plays a route from the area's start and checks every line's end position and every goal line.
ReplayResult ReplayRoute(const Route& route, const AreaStart& start);

}  // namespace passability
