// Routes through the areas of a stage, as the passability check writes them: per hero, level data set and area, the
// inputs to hold and where each leaves the hero. The driver follows them by position, not by frame count.
#pragma once

#include <string>
#include <vector>

namespace playthrough {

struct RouteStep {
  int frames = 0;         // frames the keys are held
  std::vector<int> keys;  // DirectInput key codes under the default button map
  int x = 0, y = 0;       // the hero's world position (cell's top-left, y down) once they were held
  std::string goal;       // set on a step that reached a goal (exit, gem, switch1, ...), else empty
};

using Route = std::vector<RouteStep>;

// Parses a route file's text: '#' lines are comments, a line "goal <name>" marks the step before it as reaching that
// goal, every other non-blank line is "<frames> <keys> <x> <y>" with keys "-" or letters of L R U D J A S C. False
// with `error` naming the line on any other content.
bool ParseRoute(const std::string& text, Route* route, std::string* error);

// The route file of a hero, level data set and area under `folder`: hero<H>/stage<S>_area<A>.route, with "_top"
// before ".route" for the area entered from the top exit of the one before.
std::string RoutePath(const std::string& folder, int hero, int data_stage, int area, bool top_entry);

// Reads and parses a route file; false when it is missing or malformed (`error` says which).
bool LoadRoute(const std::string& path, Route* route, std::string* error);

}  // namespace playthrough
