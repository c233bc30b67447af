// The real game, headless, in a process of its own, on the placeholder resources: from the title through the
// location select into stage 1, and through its three areas (the test sets the player state and the mode that the
// hero's area exit sets later). The first frame of each area is saved as PNG and checked against what the level
// data places there: every gimmick tile that nothing drawn later covers shows its own cell of the tile sheet.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/graphics/graph_image.h"
#include "engine/graphics/image_decode.h"
#include "game/flow/game_modes.h"
#include "game/flow/hud.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/ladders.h"
#include "game/stage/level_data.h"
#include "game/stage/scenery.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"
#include "platform/display/headless_display.h"
#include "platform/input/headless_input_script.h"
#include "tests/engine_start/engine_fixture.h"
#include "tools/placeholder/asset_table.h"
#include "tools/placeholder/asset_writers.h"

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyZ = 44;  // MAIN under the default button map
constexpr int kFrameLimit = 4000;

// ---- The child: drives the menus, captures each area's first frame, leaves after area 3 ----

struct Driver {
  int frames = 0;
  int last_mode = -1;
  int last_area = -1;
  int captured_area = 0;
  bool leave = false;
};
Driver driver;

void hold(std::vector<int> keys) {
  platform::headless::SetInputScript({{std::move(keys), {}}});
  platform::headless::StepInputScript();
}

void capture_area() {
  char name[32];
  std::snprintf(name, sizeof name, "area%d.png", area);
  platform::headless::SaveFramebufferPng(name);
  std::snprintf(name, sizeof name, "area%d.txt", area);
  std::ofstream(name) << g_x << ' ' << g_y << ' ' << mx << ' ' << my << ' ' << pose << '\n';
  driver.captured_area = area;
  if (area == 1) PlayerState = player_leaving_right;  // as the hero passing the exit line
  if (area == 2) game_mode = mode_next_area;          // area 3 has no way in by play
  if (area == 3) driver.leave = true;
}

void drive() {
  ++driver.frames;
  const bool stage_frame_shown = game_mode == mode_stage_play && driver.last_mode == mode_stage_play &&
                                 driver.last_area == area && driver.captured_area != area && stage == 1;
  driver.last_mode = game_mode;
  driver.last_area = area;
  if (stage_frame_shown) capture_area();
  if (driver.leave || driver.frames > kFrameLimit) {
    hold({kKeyEscape});
    return;
  }
  const bool menu = game_mode == mode_logo || game_mode == mode_title || game_mode == mode_location_select;
  hold(menu && driver.frames % 2 == 0 ? std::vector<int>{kKeyZ} : std::vector<int>{});
}

// ---- The parent: what the data places on an area's first frame ----

struct Raster {
  int width = 0, height = 0;
  std::vector<std::uint32_t> rgb;
  std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
};

Raster DecodePng(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Raster out;
  GraphImage image{};
  if (bytes.empty() ||
      DecodeImageFile(nullptr, bytes.data(), static_cast<int>(bytes.size()), 1, 0, 0, &image, nullptr, nullptr) != 0) {
    return out;
  }
  out.width = image.width;
  out.height = image.height;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) out.rgb.push_back(GetImagePixelColor(&image, x, y) & 0xFFFFFF);
  }
  ReleaseGraphImage(&image);
  return out;
}

Raster TileSheet() {
  for (const PlaceholderImage& image : PlaceholderImages()) {
    if (std::string(image.path) != "gsx/fld/01.png") continue;
    int index = 0;
    for (const PlaceholderImage& other : PlaceholderImages()) {
      if (&other == &image) break;
      ++index;
    }
    const PlaceholderRaster raster = DrawPlaceholderImage(image, index);
    Raster out{raster.width, raster.height, {}};
    for (std::size_t i = 0; i + 2 < raster.rgb.size(); i += 3) {
      out.rgb.push_back(std::uint32_t{raster.rgb[i]} << 16 | std::uint32_t{raster.rgb[i + 1]} << 8 | raster.rgb[i + 2]);
    }
    return out;
  }
  return {};
}

constexpr std::uint32_t kMaskKey = 0x010203;

// Pixels the frame draws after the gimmicks (ladders, the enemies and hazards of the area's first frames, the hero,
// the front scenery layers, the HUD): drawn here with the game's own code over a key colour; the gimmick check skips
// them.
std::vector<bool> LaterDrawnMask() {
  SelectDrawTarget(-2);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(1, 2, 3), 1);
  draw_ladders();
  for (int frame = 0; frame < 3; ++frame) {
    update_enemies();
    update_hazards();
  }
  draw_hero_sprite();
  update_scenery_c(1);
  update_scenery_a(1);
  update_scenery_a(3);
  update_scenery_c(3);
  update_scenery_b(1);
  draw_hud();
  PresentBackScreen();
  std::vector<bool> mask(640 * 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) mask[static_cast<std::size_t>(y * 640 + x)] =
        (platform::headless::FramebufferPixel(x, y) & 0xFFFFFF) != kMaskKey;
  }
  return mask;
}

// Screen point -> the tile sheet colour the topmost gimmick shows there, on a 8-pixel lattice inside every cell.
std::map<std::pair<int, int>, std::uint32_t> GimmickPoints(const Raster& sheet) {
  std::map<std::pair<int, int>, std::uint32_t> points;
  auto place = [&](int sx, int sy, int cx, int cy, int cw, int ch, bool mirrored) {
    for (int dy = 3; dy < ch - 3; dy += 8) {
      for (int dx = 3; dx < cw - 3; dx += 8) {
        const int x = sx + dx, y = sy + dy;
        if (x < 0 || x >= 640 || y < 0 || y >= 480) continue;
        points[{x, y}] = sheet.at(cx + (mirrored ? cw - 1 - dx : dx), cy + dy);
      }
    }
  };
  for (int i = 0; i < gimmick_count; ++i) {
    const StageObject& g = gimmicks[i];
    if (g.in_use != 1 || g.type == 99 || g.type == gimmick_door) continue;
    if (g.type == 50) {
      for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 5; ++c) place(g.x + 128 * c - g_x, g.y + 120 * r + g_y, 256, 0, 128, 120, false);
      }
    } else if (g.cell_w > 0) {
      place(g.x - g_x, g.y + g_y, g.cell_x, g.cell_y, g.cell_w, g.cell_h, g.mirror != 0);
    }
  }
  return points;
}

class StageRun : public engine_test::HeadlessEngine {};

TEST_F(StageRun, ChoosingStageOneShowsEachAreaAsItsDataPlacesIt) {
  PlaceholderTreeResult written;
  ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  const pid_t child = fork();
  if (child == 0) {
    set_frame_start_hook(drive);
    const int status = game_main();
    std::_Exit(status == 0 && driver.captured_area == 3 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0) << "the run did not reach area 3";

  ASSERT_EQ(StartEngine(), 0);
  clear_resource_handles();
  load_common_images();
  stage = 1;
  hero = 0;
  load_stage_images(0);
  load_enemy_images();
  load_hero_images();
  SetTransparentColor(255, 0, 255);
  stage_background = LoadGraphicFile("gsx/fld/01.png");
  SetTransparentColor(0, 0, 0);
  const Raster sheet = TileSheet();
  ASSERT_EQ(sheet.width, 640);
  for (int a = 1; a <= 3; ++a) {
    SCOPED_TRACE("area " + std::to_string(a));
    const Raster frame = DecodePng("area" + std::to_string(a) + ".png");
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 480);
    std::ifstream camera("area" + std::to_string(a) + ".txt");
    area = a;
    reset_player_stats();
    camera >> g_x >> g_y >> mx >> my >> pose;
    clear_object_pools();
    build_stage();
    const std::vector<bool> later = LaterDrawnMask();
    int checked = 0, wrong = 0;
    for (const auto& [point, colour] : GimmickPoints(sheet)) {
      if (later[static_cast<std::size_t>(point.second * 640 + point.first)]) continue;
      ++checked;
      if (frame.at(point.first, point.second) != colour) ++wrong;
    }
    EXPECT_GT(checked, 300) << "too few tile pixels visible to judge the frame";
    EXPECT_EQ(wrong, 0) << "of " << checked << " tile pixels";
  }
}

// The map tool draws every area of stage 1 whole: one screen per column and row, the exit line in red.
TEST_F(StageRun, MapToolDrawsEachAreaWhole) {
  PlaceholderTreeResult written;
  ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  for (int a = 1; a <= 3; ++a) {
    SCOPED_TRACE("area " + std::to_string(a));
    const std::string png = "map" + std::to_string(a) + ".png";
    const std::string command = std::string(LEVEL_MAP_TOOL) + " -r . 1 " + std::to_string(a) + " " + png +
                                " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const LevelDataSet* set = find_level_data(1, a);
    const Raster map = DecodePng(png);
    ASSERT_EQ(map.width, set->columns * 640);
    constexpr int legend_band = 80;  // the legend above the screens
    ASSERT_EQ(map.height, legend_band + set->rows * 480);
    if (set->has_exit) {
      const int exit_x = set->exit_column * 640 + set->exit_offset;
      EXPECT_EQ(map.at(exit_x, legend_band + 240), 0xFF0000u) << "the exit line";
    }
  }
  EXPECT_NE(std::system((std::string(LEVEL_MAP_TOOL) + " 1 4 x.png > /dev/null 2>&1").c_str()), 0);
}

}  // namespace
