// The executable's entry: the game's whole life is game_main.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/flow/main_loop.h"

namespace {

bool set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Without a display the game would run unseen for ever: it refuses, as scripts/run.sh does, unless a headless run
// is asked for.
bool display_or_headless_asked() {
  const char* backend = std::getenv("ENGINE_BACKEND");
  if ((backend != nullptr && std::strcmp(backend, "headless") == 0) || set("DISPLAY") || set("WAYLAND_DISPLAY"))
    return true;
  std::fputs(
      "selvarinthaxis: no display (DISPLAY and WAYLAND_DISPLAY are unset); set ENGINE_BACKEND=headless to run "
      "without one\n",
      stderr);
  return false;
}

}  // namespace

int main() {
  if (!display_or_headless_asked()) return 1;
  return game_main();
}
