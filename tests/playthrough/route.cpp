#include "tests/playthrough/route.h"

#include <fstream>
#include <sstream>

#include "tests/playthrough/driver.h"

namespace playthrough {

namespace {

// The key of a route letter, or 0 for none.
int KeyOf(char letter) {
  switch (letter) {
    case 'L': return kKeyLeft;
    case 'R': return kKeyRight;
    case 'U': return kKeyUp;
    case 'D': return kKeyDown;
    case 'J': return kKeyJump;
    case 'A': return kKeyMain;
    case 'S': return kKeySkill;
    case 'C': return kKeyDash;
    default: return 0;
  }
}

}  // namespace

bool ParseRoute(const std::string& text, Route* route, std::string* error) {
  route->clear();
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream fields(line);
    std::string head;
    fields >> head;
    const auto fail = [&](const char* why) {
      *error = "line " + std::to_string(number) + ": " + why + ": " + line;
      route->clear();
      return false;
    };
    if (head == "goal") {
      std::string name, extra;
      if (!(fields >> name) || (fields >> extra)) return fail("a goal line names one goal");
      if (route->empty()) return fail("a goal before any step");
      route->back().goal = name;
      continue;
    }
    RouteStep step;
    std::string keys, extra;
    std::istringstream count(head);
    if (!(count >> step.frames) || !count.eof() || step.frames < 1) return fail("not a frame count");
    if (!(fields >> keys >> step.x >> step.y) || (fields >> extra)) return fail("not <frames> <keys> <x> <y>");
    if (keys != "-") {
      for (char letter : keys) {
        const int key = KeyOf(letter);
        if (key == 0) return fail("unknown key letter");
        step.keys.push_back(key);
      }
    }
    route->push_back(std::move(step));
  }
  return true;
}

std::string RoutePath(const std::string& folder, int hero, int data_stage, int area, bool top_entry) {
  return folder + "/hero" + std::to_string(hero) + "/stage" + std::to_string(data_stage) + "_area" +
         std::to_string(area) + (top_entry ? "_top" : "") + ".route";
}

bool LoadRoute(const std::string& path, Route* route, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = "no route file " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (!ParseRoute(text.str(), route, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace playthrough
