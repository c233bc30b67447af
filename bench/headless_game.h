// Start-up shared by the game's benchmarks: a headless engine on the virtual clock in a fresh temporary directory
// that holds placeholder pictures, with the vertical-blank wait off and the back screen as draw target.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/graphics/ddraw_device.h"
#include "game/flow/game_modes.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/window/window.h"
#include "tools/placeholder/asset_writers.h"

namespace bench_game {

// Writes the whole placeholder tree, or only the pictures `wanted` accepts, into a new directory named after `tag`,
// makes it current and starts the engine there. The engine is ended at exit, so its message thread stops before the
// program's statics go away, and the directory is removed then. False when any step fails.
inline bool StartHeadlessGame(const char* tag, bool (*wanted)(const std::string& path) = nullptr) {
  // The directory's name outlives every static object, for the exit handler.
  static char made[256];
  std::snprintf(made, sizeof made, "/tmp/%s-bench-XXXXXX", tag);
  if (mkdtemp(made) == nullptr) return false;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(made, ignored);
  });
  if (chdir(made) != 0) return false;
  if (wanted == nullptr) {
    PlaceholderTreeResult written;
    if (!WritePlaceholderTree(made, false, &written)) return false;
  } else {
    int index = 0;
    for (const PlaceholderImage& image : PlaceholderImages()) {
      const std::string path = image.path;
      ++index;
      if (!wanted(path) || !path.ends_with(".png")) continue;
      std::filesystem::create_directories(std::filesystem::path(path).parent_path());
      const PlaceholderBytes bytes = EncodePlaceholderPng(DrawPlaceholderImage(image, index));
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
  }
  platform::RequestBackend(platform::BackendKind::Headless);
  platform::SetClockMode(platform::ClockMode::Virtual);
  platform::SetInstanceLockDirectory(made);
  ChangeWindowMode(1);
  SetLogFileOutput(0);
  if (StartEngine() != 0) return false;
  std::atexit([] { EndEngine(); });
  {
    ApiLockGuard lock;
    SetFlipWaitForVBlank(0);
  }
  SelectDrawTarget(-2);
  return true;
}

// StartHeadlessGame with the whole tree, then stage 1, area 1 built for the first hero and its pictures loaded as the
// location select leaves them. Once per process.
inline bool StartStageOne(const char* tag) {
  static int started = -1;
  if (started != -1) return started == 1;
  started = 0;
  if (!StartHeadlessGame(tag)) return false;
  clear_resource_handles();
  load_common_images();
  stage = 1;
  area = 1;
  hero = 0;
  load_stage_images(0);
  SetTransparentColor(255, 0, 255);
  stage_background = LoadGraphicFile("gsx/fld/01.png");
  SetTransparentColor(0, 0, 0);
  reset_player_stats();
  stage_entry();
  clear_object_pools();
  build_stage();
  game_mode = mode_stage_play;
  stage_phase = 1;
  started = 1;
  return true;
}

}  // namespace bench_game
