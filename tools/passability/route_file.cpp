#include "tools/passability/route_file.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/passability/area_run.h"

namespace passability {

std::string RoutePath(const std::string& directory, int stage, int area, int hero, bool top_entry) {
  return directory + "/hero" + std::to_string(hero) + "/stage" + std::to_string(stage) + "_area" +
         std::to_string(area) + (top_entry ? "_top" : "") + ".route";
}

std::string FormatRoute(const Route& route) {
  std::ostringstream out;
  char digest[32];
  std::snprintf(digest, sizeof digest, "%016" PRIx64, route.digest);
  out << "# written by " << route.written_by << "\n";
  out << "# digest " << digest << " (level data set and placement list of this stage, area and hero)\n";
  out << "# start stage " << route.stage << " area " << route.area << " hero " << route.hero
      << (route.top_entry ? " top" : "") << "\n";
  out << "# goals";
  for (const std::string& g : route.goals) out << ' ' << g;
  out << "\n";
  if (!route.blocked.empty()) out << "# blocked " << route.blocked << "\n";
  out << "# lines: <frames> <keys> <x> <y>, x y = the hero's world position after the line (mx + g_x, my - g_y)\n";
  out << "# rules: HP kept full (enemies push but do not kill); an arena boss counts as beaten when it appears\n";
  for (const RouteLine& line : route.lines) {
    if (!line.goal.empty()) {
      out << "goal " << line.goal << "\n";
    } else {
      out << line.frames << ' ' << KeysFromPad(line.pad) << ' ' << line.x << ' ' << line.y << "\n";
    }
  }
  return out.str();
}

bool ParseRoute(const std::string& text, Route* route, std::string* error) {
  *route = Route{};
  std::istringstream in(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = "line " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string first;
    if (!(words >> first)) continue;
    if (first[0] == '#') {
      std::string key;
      words >> key;
      if (first != "#") key = first.substr(1);
      if (key == "written") {
        std::string by;
        words >> by;
        std::getline(words, route->written_by);
        if (!route->written_by.empty() && route->written_by[0] == ' ') route->written_by.erase(0, 1);
      } else if (key == "digest") {
        std::string hex;
        words >> hex;
        route->digest = std::strtoull(hex.c_str(), nullptr, 16);
      } else if (key == "start") {
        std::string s, a, h, top;
        words >> s >> route->stage >> a >> route->area >> h >> route->hero;
        if (!words) return fail("malformed start");
        route->top_entry = static_cast<bool>(words >> top) && top == "top";
      } else if (key == "blocked") {
        std::getline(words, route->blocked);
        if (!route->blocked.empty() && route->blocked[0] == ' ') route->blocked.erase(0, 1);
      } else if (key == "goals") {
        std::string g;
        while (words >> g) route->goals.push_back(g);
      }
      continue;
    }
    RouteLine r;
    if (first == "goal") {
      if (!(words >> r.goal)) return fail("a goal line needs a name");
    } else {
      std::string keys, rest;
      std::size_t used = 0;
      try {
        r.frames = std::stoi(first, &used);
      } catch (...) {
        used = 0;
      }
      if (used != first.size() || r.frames < 1) return fail("not a frame count: '" + first + "'");
      if (!(words >> keys >> r.x >> r.y)) return fail("expected <frames> <keys> <x> <y>");
      r.pad = PadFromKeys(keys);
      if (r.pad < 0) return fail("unknown keys '" + keys + "'");
    }
    std::string extra;
    if (words >> extra) return fail("unexpected '" + extra + "'");
    route->lines.push_back(r);
  }
  if (route->stage == 0) return fail("no start line");
  return true;
}

bool WriteRouteFile(const std::string& path, const Route& route, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << FormatRoute(route);
    if (!out) {
      if (error != nullptr) *error = "cannot write " + temporary;
      return false;
    }
  }
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    if (error != nullptr) *error = "cannot rename " + temporary + ": " + ec.message();
    return false;
  }
  return true;
}

bool ReadRouteFile(const std::string& path, Route* route, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error != nullptr) *error = "cannot read " + path;
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (!ParseRoute(text.str(), route, error)) {
    if (error != nullptr) *error = path + ": " + *error;
    return false;
  }
  return true;
}

int RouteFrames(const Route& route) {
  int frames = 0;
  for (const RouteLine& line : route.lines) frames += line.frames;
  return frames;
}

}  // namespace passability
