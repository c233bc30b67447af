// Draws a whole area of the level data into one PNG, headless, through the game's own drawing code: every screen of
// the area side by side in its column and row as the area is built at its start, with the screen grid, each
// screen's column and row, and the exit line marked.
//
//   level_map [-r RESOURCE_DIR] [-h HERO] STAGE AREA OUTPUT.png
//
// The pictures are read from RESOURCE_DIR (default: the current directory), which holds gsx/ as the game's
// working directory does (make_placeholder_assets writes one).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/level_data.h"
#include "game/stage/scenery.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/display/headless_display.h"
#include "tools/placeholder/asset_writers.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: level_map [-r RESOURCE_DIR] [-h HERO] STAGE AREA OUTPUT.png\n");
  return 2;
}

bool parse_int(const char* text, int low, int high, int* out) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) return false;
  *out = static_cast<int>(value);
  return true;
}

// The stage's tile sheet and its background set, as the location select loads them.
void load_stage_pictures(int stage_id) {
  static const char* const tile_sheets[10] = {nullptr,          "gsx/fld/01.png", "gsx/fld/02.png", "gsx/fld/03.png",
                                              "gsx/fld/04.png", "gsx/fld/05.png", "gsx/fld/06.png", "gsx/fld/06.png",
                                              "gsx/fld/06.png", "gsx/fld/06.png"};
  SetTransparentColor(255, 0, 255);
  stage_background = LoadGraphicFile(tile_sheets[stage_id]);
  SetTransparentColor(0, 0, 0);
  static const int picture_sets[10] = {0, 0, 1, 2, 3, 4, 5, 5, 5, 7};
  load_stage_images(picture_sets[stage_id]);
}

// One screen of the area: the back layers, the gimmicks, the ladders and the front layers, with no hero near.
void draw_screen(int column, int row, const LevelDataSet& set) {
  clear_object_pools();
  build_stage();
  g_x = column * 640;
  g_y = -row * 480;
  mx = -100000;
  my = -100000;
  hurt = 1;
  SelectDrawTarget(-2);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(24, 24, 32), 1);
  update_scenery_c(2);
  update_scenery_b(2);
  update_scenery_a(2);
  update_gimmicks();
  draw_ladders();
  update_scenery_c(1);
  update_scenery_a(1);
  update_scenery_a(3);
  update_scenery_c(3);
  update_scenery_b(1);
  const int grid = MakeColorValue(255, 255, 0);
  DrawRectangle(0, 0, 640, 480, grid, 0);
  DrawTextFormatted(6, 4, grid, "%d,%d", column, row);
  if (set.has_exit) {
    const int exit_x = set.exit_column * 640 + set.exit_offset - g_x;
    if (exit_x >= 0 && exit_x < 640) DrawLineSegment(exit_x, 0, exit_x, 480, MakeColorValue(255, 0, 0));
  }
  PresentBackScreen();
}

}  // namespace

int main(int argc, char** argv) {
  std::string resources = ".";
  int hero_id = 0;
  int arg = 1;
  for (; arg + 1 < argc && argv[arg][0] == '-'; arg += 2) {
    if (std::strcmp(argv[arg], "-r") == 0) {
      resources = argv[arg + 1];
    } else if (std::strcmp(argv[arg], "-h") != 0 || !parse_int(argv[arg + 1], 0, 1, &hero_id)) {
      return usage();
    }
  }
  int stage_id = 0, area_id = 0;
  if (argc - arg != 3 || !parse_int(argv[arg], 1, 9, &stage_id) || !parse_int(argv[arg + 1], 1, 3, &area_id)) {
    return usage();
  }
  const LevelDataSet* set = find_level_data(stage_id, area_id);
  if (set == nullptr) {
    std::fprintf(stderr, "stage %d area %d has no level data\n", stage_id, area_id);
    return 1;
  }
  const std::string output = argv[arg + 2];
  char cwd[4096];
  const std::string output_path =
      output.front() == '/' || getcwd(cwd, sizeof cwd) == nullptr ? output : std::string(cwd) + "/" + output;
  if (chdir(resources.c_str()) != 0) {
    std::fprintf(stderr, "%s: no such directory\n", resources.c_str());
    return 1;
  }

  platform::RequestBackend(platform::BackendKind::Headless);
  platform::SetClockMode(platform::ClockMode::Virtual);
  ChangeWindowMode(1);
  SetLogFileOutput(0);
  if (StartEngine() != 0) {
    std::fprintf(stderr, "the engine did not start\n");
    return 1;
  }
  clear_resource_handles();
  load_common_images();
  stage = stage_id;
  area = area_id;
  hero = hero_id;
  load_stage_pictures(stage_id);

  PlaceholderRaster map;
  map.width = set->columns * 640;
  map.height = set->rows * 480;
  map.rgb.assign(static_cast<std::size_t>(map.width) * static_cast<std::size_t>(map.height) * 3, 0);
  for (int row = 0; row < set->rows; ++row) {
    for (int column = 0; column < set->columns; ++column) {
      draw_screen(column, row, *set);
      for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
          const std::uint32_t p = platform::headless::FramebufferPixel(x, y);
          const std::size_t at =
              (static_cast<std::size_t>(row * 480 + y) * static_cast<std::size_t>(map.width) + column * 640 + x) * 3;
          map.rgb[at] = static_cast<std::uint8_t>(p >> 16);
          map.rgb[at + 1] = static_cast<std::uint8_t>(p >> 8);
          map.rgb[at + 2] = static_cast<std::uint8_t>(p);
        }
      }
    }
  }
  EndEngine();
  const PlaceholderBytes png = EncodePlaceholderPng(map);
  std::ofstream out(output_path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  if (png.empty() || !out) {
    std::fprintf(stderr, "%s: cannot be written\n", output_path.c_str());
    return 1;
  }
  std::printf("%s: %d x %d screens\n", output.c_str(), set->columns, set->rows);
  return 0;
}
