// The real game, headless, in a process of its own, on the placeholder resources: the first hero enters stage 1 and
// the view sweeps through area 1 for a few thousand frames while the enemies and hazards run. The hero is scripted
// (placed by the test each frame and kept alive); frames with enemies and hazards on screen are saved as PNG.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/player/player_globals.h"
#include "game/stage/level_data.h"
#include "game/stage/stage_state.h"
#include "platform/display/headless_display.h"
#include "platform/input/headless_input_script.h"
#include "tests/engine_start/engine_fixture.h"
#include "tools/placeholder/asset_writers.h"

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyZ = 44;  // MAIN under the default button map
constexpr int kStageFrames = 3000;
constexpr int kCaptureEvery = 250;

struct Run {
  int frames = 0;
  int stage_frames = 0;
  int hazards_seen = 0;   // hazard records seen live, summed over the frames
  std::set<int> kinds_on_screen;
};
Run run;

void hold(std::vector<int> keys) {
  platform::headless::SetInputScript({{std::move(keys), {}}});
  platform::headless::StepInputScript();
}

bool on_screen(int x, int y) {
  const int sx = x - g_x, sy = y + g_y;
  return sx > -100 && sx < 640 && sy > -100 && sy < 480;
}

// The lowest row of the current column that holds a room of the area, so the view shows where things stand.
int view_row(int column) {
  const LevelDataSet* set = find_level_data(1, 1);
  int row = 0;
  for (int k = 0; set != nullptr && k < set->entry_count; ++k) {
    const LevelEntry& e = set->entries[k];
    if (e.kind == EntryKind::gimmick && e.room_x == column && e.room_y > row) row = e.room_y;
  }
  return row;
}

// The scripted hero: walks right through the area at 3 pixels a frame, the view following, and never dies.
void script_hero() {
  const int world_x = 300 + 3 * run.stage_frames;
  g_x = world_x - 300 < 14 * 640 ? world_x - 300 : 14 * 640;
  mx = world_x - g_x;
  g_y = -480 * view_row((mx + g_x) / 640);
  my = 240;
  hp = max_hp;
  PlayerState = player_free;
}

void capture() {
  int enemies_shown = 0, hazards_shown = 0;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.state == enemy_active && on_screen(e.x, e.y)) ++enemies_shown;
  }
  for (const HazardRecord& h : hazard_pool) hazards_shown += h.state == hazard_live && on_screen(h.x, h.y);
  char name[32];
  std::snprintf(name, sizeof name, "run%04d.png", run.stage_frames);
  platform::headless::SaveFramebufferPng(name);
  std::ofstream("captures.txt", std::ios::app) << name << ' ' << enemies_shown << ' ' << hazards_shown << '\n';
}

void drive() {
  ++run.frames;
  if (game_mode == mode_stage_play && stage == 1 && area == 1) {
    if (run.stage_frames > 0 && run.stage_frames % kCaptureEvery == 0) capture();  // the frame just presented
    ++run.stage_frames;
    for (const HazardRecord& h : hazard_pool) run.hazards_seen += h.state == hazard_live;
    // The kinds are counted in every frame: the real hero's update moves it, and the enemies with it.
    for (int i = 0; i < enemy_loop_end(); ++i) {
      const EnemyRecord& e = enemy_pool[i];
      if (e.state == enemy_active && on_screen(e.x, e.y)) run.kinds_on_screen.insert(e.type);
    }
    script_hero();
    if (run.stage_frames >= kStageFrames) {
      std::ofstream("summary.txt") << run.stage_frames << ' ' << run.hazards_seen << ' ' << run.kinds_on_screen.size()
                                   << ' ' << enemy_count << '\n';
      hold({kKeyEscape});
      return;
    }
    hold({});
    return;
  }
  if (run.frames > 2000 + kStageFrames) {
    hold({kKeyEscape});
    return;
  }
  const bool menu = game_mode == mode_logo || game_mode == mode_title || game_mode == mode_location_select;
  hold(menu && run.frames % 2 == 0 ? std::vector<int>{kKeyZ} : std::vector<int>{});
}

class StageOneRun : public engine_test::HeadlessEngine {};

TEST_F(StageOneRun, EnemiesAndHazardsRunThroughAreaOneForThousandsOfFrames) {
  PlaceholderTreeResult written;
  ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  const pid_t child = fork();
  if (child == 0) {
    set_frame_start_hook(drive);
    const int status = game_main();
    std::_Exit(status == 0 && run.stage_frames >= kStageFrames ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the game ended by a signal";
  ASSERT_EQ(WEXITSTATUS(status), 0) << "the run did not play its frames of stage 1";

  int frames = 0, hazards_seen = 0, kinds_seen = 0, handed_out = 0;
  std::ifstream("summary.txt") >> frames >> hazards_seen >> kinds_seen >> handed_out;
  EXPECT_EQ(frames, kStageFrames);
  EXPECT_GE(handed_out, 64) << "the area's list and the builder's own records";
  EXPECT_GT(hazards_seen, 0) << "the enemies fired";
  EXPECT_GE(kinds_seen, 4) << "several kinds came on screen";
  std::ifstream captures("captures.txt");
  std::string name;
  int enemies = 0, hazards = 0, pictures = 0, busy = 0;
  while (captures >> name >> enemies >> hazards) {
    ++pictures;
    EXPECT_TRUE(std::filesystem::exists(name)) << name;
    busy += enemies > 0;
  }
  EXPECT_EQ(pictures, kStageFrames / kCaptureEvery - 1);
  EXPECT_GE(busy, pictures / 2) << "most captures show enemies";
  // KEEP_CAPTURES=<folder> keeps the pictures for a look.
  if (const char* keep = std::getenv("KEEP_CAPTURES")) {
    for (const auto& file : std::filesystem::directory_iterator(".")) {
      if (file.path().extension() != ".png" || file.path().filename().string().rfind("run", 0) != 0) continue;
      std::filesystem::copy_file(file.path(), std::filesystem::path(keep) / file.path().filename(),
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }
}

}  // namespace
