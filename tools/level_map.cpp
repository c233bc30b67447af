// Draws a whole area of the level data into one PNG, headless, through the game's own drawing code: every screen of
// the area side by side in its column and row as the area is built at its start, with the screen grid, each
// screen's column and row, and over it, labelled so that the area reads without the game: the tops of everything
// the hero stands on, each moving or breaking gimmick by type, doors and the switches that open them by id,
// ladders, water, hazards, the enemies and pickups the hero's placement list puts down, the hero's start and the
// exit line. A legend band above the map names the colours.
//
//   level_map [-r RESOURCE_DIR] [-h HERO] STAGE AREA OUTPUT.png
//
// The pictures are read from RESOURCE_DIR (default: the current directory), which holds gsx/ as the game's
// working directory does (make_placeholder_assets writes one).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/core/public_api.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/pickups.h"
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
#include "tools/passability/area_run.h"
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

// Marker colours, also named in the legend.
struct Colours {
  int floor, moving, falling, crate, door, ladder, water, hazard, enemy, item, pickup, start, exit, text_back;
};
Colours colours() {
  return {MakeColorValue(80, 255, 80),  MakeColorValue(0, 220, 255),  MakeColorValue(255, 150, 0),
          MakeColorValue(190, 120, 60), MakeColorValue(255, 60, 255), MakeColorValue(255, 230, 0),
          MakeColorValue(60, 120, 255), MakeColorValue(255, 40, 40),  MakeColorValue(255, 120, 120),
          MakeColorValue(255, 255, 255), MakeColorValue(160, 255, 200), MakeColorValue(255, 255, 255),
          MakeColorValue(255, 0, 0),    MakeColorValue(0, 0, 0)};
}

// A label on a black band, so that it reads over any tile.
void label(int x, int y, int colour, const std::string& text) {
  const int width = static_cast<int>(text.size()) * 8 + 4;
  DrawRectangle(x, y, x + width, y + 16, colours().text_back, 1);
  DrawTextFormatted(x + 2, y, colour, "%s", text.c_str());
}

void frame(int x0, int y0, int x1, int y1, int colour) {
  DrawRectangle(x0, y0, x1, y1, colour, 0);
  DrawRectangle(x0 + 1, y0 + 1, x1 - 1, y1 - 1, colour, 0);
}

// The name a gimmick type is labelled with; empty for plain tiles, whose tops are drawn instead.
std::string gimmick_name(const StageObject& g) {
  switch (g.type) {
    case 6: return "FALL";
    case 7: return "PILLAR";
    case 8: return "CRATE";
    case 13: return "PLATFORM<>";
    case 14: return "LIFT";
    case 16: return "SLAB";
    case 40: return "DOOR " + std::to_string(g.sub);
    case 50: return "TILE WALL";
    case 99: return "STRIP";
    default: return "";
  }
}

std::string water_name(int type) {
  switch (type) {
    case 1: return "CURRENT";
    case 2: return "FLOWING WATER";
    case 3:
    case 4: return "WATERFALL";
    case 5: return "WATER";
    default: return "WATER " + std::to_string(type);
  }
}

std::string hazard_name(int kind) {
  switch (kind) {
    case 39: return "SPIKE TRAP";
    case 40: return "CRUSHER";
    case 41: return "CEILING TRAP";
    case 46: return "PILLAR";
    default: return "HAZARD " + std::to_string(kind);
  }
}

std::string enemy_name(const EnemyRecord& e) {
  switch (e.type) {
    case 34: return "ITEM " + std::to_string(e.param);
    case 35: return "STAGE GOAL";
    case 36: return "SWITCH>" + std::to_string(e.param);
    default: return "E" + std::to_string(e.type);
  }
}

std::string pickup_name(int kind) {
  if (kind == pickup_hp_up) return "MAX HP+";
  if (kind == pickup_sp_up) return "MAX SP+";
  if (kind >= pickup_gem_first && kind <= pickup_gem_last) return "GEM " + std::to_string(kind);
  if (kind >= pickup_equipment_6 && kind <= pickup_equipment_11) return "EQUIP " + std::to_string(kind);
  if (kind >= pickup_money_first && kind <= pickup_money_last) return "MONEY";
  return "PICKUP " + std::to_string(kind);
}

// What the area holds, drawn over one screen whose top-left is world (left, top).
void draw_markers(int left, int top, int start_x, int start_y, const LevelDataSet& set) {
  const Colours c = colours();
  for (int i = 0; i < scenery_b_pool_size; ++i) {
    const StageObject& w = scenery_b[i];
    if (w.in_use == 0) continue;
    const int x = w.x - left, y = w.y - top;
    frame(x, y, x + 128, y + 120, c.water);
    label(x + 2, y + 2, c.water, water_name(w.type));
  }
  for (int i = 0; i < gimmick_count; ++i) {
    const StageObject& g = gimmicks[i];
    if (g.in_use != 1) continue;
    const int x0 = g.x + g.box_x0 - left, x1 = g.x + g.box_x1 - left;
    const int y0 = g.y + g.box_y0 - top, y1 = g.y + g.box_y1 - top;
    const std::string name = gimmick_name(g);
    if (g.solid != 0 && g.type != 40) {
      DrawRectangle(x0, y0, x1, y0 + 3, c.floor, 1);
    }
    if (g.type == 50) label(g.x - left + 250, g.y - top + 200, c.floor, name);
    if (name.empty() || g.type == 50) continue;
    const int colour = g.type == 40 ? c.door : g.type == 6 ? c.falling : g.type == 8 ? c.crate : c.moving;
    frame(x0, y0, x1, y1, colour);
    label(x0 + 2, y0 + 4, colour, name);
  }
  for (int i = 0; i < ladder_pool_size; ++i) {
    const LadderRecord& l = ladders[i];
    if (l.part == 0) continue;
    const int x = l.x - left, y = l.y - top;
    DrawLineSegment(x + 8, y, x + 8, y + ladder_segment_gap, c.ladder);
    DrawLineSegment(x + ladder_segment_width - 8, y, x + ladder_segment_width - 8, y + ladder_segment_gap, c.ladder);
    if (l.part == ladder_part_top) {
      DrawRectangle(x, y, x + ladder_segment_width, y + 3, c.ladder, 1);
      label(x + 4, y - 18, c.ladder, "LADDER");
    }
  }
  for (int i = 0; i < hazard_pool_size; ++i) {
    const HazardRecord& h = hazard_pool[i];
    if (h.state == 0) continue;
    const HazardBoxRow& b = hazard_box_table[h.type >= 0 && h.type < hazard_kind_count ? h.type : 0];
    const int x = h.x - left, y = h.y - top;
    DrawRectangle(x + b.left, y + b.top, x + std::max(b.right, b.left + 8), y + std::max(b.bottom, b.top + 8),
                  c.hazard, 1);
    label(x, y - 18, c.hazard, hazard_name(h.type));
  }
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.state == enemy_free) continue;
    const EnemyBoxRow& b = enemy_box_row(e.type);
    const int x = e.x - left, y = e.y - top;
    const int colour = e.type == 36 ? c.door : e.type == 34 || e.type == 35 ? c.item : e.type == 37 ? c.pickup : c.enemy;
    frame(x + b.left, y + b.top, x + std::max(b.right, b.left + 16), y + std::max(b.bottom, b.top + 16), colour);
    // Coins stand in rows: a "$" in each box rather than a name over it.
    if (e.type == 37 || e.type == 38 || e.type == 39) {
      DrawTextFormatted(x + b.left + 4, y + b.top + 2, colour, "$");
    } else {
      label(x + b.left, y + b.top - 18, colour, enemy_name(e));
    }
  }
  for (const Pickup& p : pickups) {
    if (p.active == 0) continue;
    const int x = p.x - left, y = p.y - top;
    frame(x, y, x + 30, y + 30, c.pickup);
    label(x, y - 18, c.pickup, pickup_name(p.kind));
  }
  if (start_x >= left && start_x < left + 640 && start_y >= top && start_y < top + 480) {
    const int x = start_x - left, y = start_y - top;
    frame(x, y, x + 60, y + 100, c.start);
    label(x, y - 18, c.start, "START");
  }
  if (set.has_exit) {
    const int exit_x = set.exit_column * 640 + set.exit_offset - left;
    if (exit_x >= 0 && exit_x < 640) {
      DrawRectangle(exit_x - 1, 0, exit_x + 2, 480, c.exit, 1);
      label(exit_x + 4, 24, c.exit, "EXIT");
    }
  }
}

// The legend: one line of the marker colours and what each stands for.
void draw_legend(int stage_id, int area_id, int hero_id) {
  const Colours c = colours();
  SelectDrawTarget(-2);
  DrawRectangle(0, 0, 640, 480, c.text_back, 1);
  DrawTextFormatted(4, 2, c.item, "stage %d area %d, hero %d", stage_id, area_id, hero_id);
  const struct {
    int colour;
    const char* text;
  } keys[] = {{c.floor, "top of solid"}, {c.moving, "platform/lift"}, {c.falling, "falling floor"},
              {c.crate, "crate"},        {c.door, "door/switch"},    {c.ladder, "ladder"},
              {c.water, "water"},        {c.hazard, "hazard"},       {c.enemy, "enemy"},
              {c.item, "item/start"},    {c.pickup, "pickup/coin $"},  {c.exit, "exit line"}};
  int x = 4;
  int y = 20;
  for (const auto& k : keys) {
    const int width = 16 + static_cast<int>(std::strlen(k.text)) * 8 + 12;
    if (x + width > 640) {
      x = 4;
      y += 18;
    }
    DrawRectangle(x, y + 3, x + 12, y + 13, k.colour, 1);
    DrawTextFormatted(x + 16, y, k.colour, "%s", k.text);
    x += width;
  }
  PresentBackScreen();
}

// One screen of the area: the back layers, the gimmicks, the ladders and the front layers, with no hero near.
void draw_screen(int column, int row, int start_x, int start_y, const LevelDataSet& set) {
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
  draw_markers(column * 640, row * 480, start_x, start_y, set);
  const int grid = MakeColorValue(255, 255, 0);
  DrawRectangle(0, 0, 640, 480, grid, 0);
  label(4, 4, grid, std::to_string(column) + "," + std::to_string(row));
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

  // The hero's start as play enters the area (the arena's data set is played as stage 8 by the second hero).
  passability::AreaStart entry;
  entry.stage = stage_id;
  entry.area = area_id;
  entry.hero = hero_id;
  passability::EnterArea(entry);
  const int start_x = passability::HeroX(), start_y = passability::HeroY();
  stage = passability::PlayStage(stage_id, hero_id);
  area = area_id;
  hero = hero_id;

  constexpr int legend_height = 80;
  PlaceholderRaster map;
  map.width = set->columns * 640;
  map.height = set->rows * 480 + legend_height;
  map.rgb.assign(static_cast<std::size_t>(map.width) * static_cast<std::size_t>(map.height) * 3, 0);
  const auto copy_frame = [&map](int left, int top, int rows) {
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < 640 && left + x < map.width; ++x) {
        const std::uint32_t p = platform::headless::FramebufferPixel(x, y);
        const std::size_t at = (static_cast<std::size_t>(top + y) * static_cast<std::size_t>(map.width) +
                                static_cast<std::size_t>(left + x)) * 3;
        map.rgb[at] = static_cast<std::uint8_t>(p >> 16);
        map.rgb[at + 1] = static_cast<std::uint8_t>(p >> 8);
        map.rgb[at + 2] = static_cast<std::uint8_t>(p);
      }
    }
  };
  draw_legend(stage_id, area_id, hero_id);
  copy_frame(0, 0, legend_height);
  for (int row = 0; row < set->rows; ++row) {
    for (int column = 0; column < set->columns; ++column) {
      draw_screen(column, row, start_x, start_y, *set);
      copy_frame(column * 640, legend_height + row * 480, 480);
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
