// Route files: the held inputs that take a hero through an area, one file per hero, data set and area
// (routes/hero<H>/stage<S>_area<A>.route). Text; '#' starts a comment line. The header comments name the tool and
// date, the area's digest, the start and the goals in visit order; every other line is `<frames> <keys> <x> <y>`
// (hold keys for frames frames, after which the hero stands at world position x, y) or `goal <name>`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace passability {

struct RouteLine {
  std::string goal;  // not empty: a goal line, the other fields unused
  int frames = 0;
  int pad = 0;
  int x = 0, y = 0;
};

struct Route {
  std::string written_by;  // tool and date
  std::uint64_t digest = 0;
  int stage = 0;  // data set numbering
  int area = 0;
  int hero = 0;
  bool top_entry = false;
  std::vector<std::string> goals;
  std::vector<RouteLine> lines;
  // Not empty for an area the search could not pass: the goal it could not reach and the furthest place towards
  // it. The lines then go as far as the goals before it.
  std::string blocked;
};

// The file's path under a routes directory: <dir>/hero<H>/stage<S>_area<A>[_top].route.
std::string RoutePath(const std::string& directory, int stage, int area, int hero, bool top_entry);
std::string FormatRoute(const Route& route);
// False with the line and reason on a malformed file.
bool ParseRoute(const std::string& text, Route* route, std::string* error);
bool WriteRouteFile(const std::string& path, const Route& route, std::string* error);
bool ReadRouteFile(const std::string& path, Route* route, std::string* error);
// The route's frames in all.
int RouteFrames(const Route& route);

}  // namespace passability
