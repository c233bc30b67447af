// The real game, headless, in a process of its own, on the placeholder resources: through the menus into stage 1,
// then a scripted player walks right, jumps when a step or wall stops it, climbs a ladder that it stands beside and
// dash-jumps off its top, from the entry of area 1 past its exit line and into area 2, without dying on the way. The
// hero cannot fight before its attacks exist, so the run takes the area's enemies and hazards out on its first
// frame: it walks the level, not the fight. A few frames on the way are saved as PNG.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/player/player_globals.h"
#include "game/stage/stage_state.h"
#include "platform/display/headless_display.h"
#include "platform/input/headless_input_script.h"
#include "tests/engine_start/engine_fixture.h"
#include "tools/placeholder/asset_writers.h"

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyZ = 44;      // MAIN under the default button map
constexpr int kKeyX = 45;      // JUMP
constexpr int kKeyC = 46;      // DASH
constexpr int kKeyUp = 200;
constexpr int kKeyRight = 205;
constexpr int kFrameLimit = 9000;

// ---- The child: the scripted player ----

struct Player {
  int frames = 0;
  int stage_frames = 0;
  int last_x = 0;
  int since_progress = 0;
  int jump_frames = 0;  // > 0: holding JUMP; < 0: released before the next try
  bool climbing = false;
  int dash_jump_frames = 0;
  int area2_frames = 0;
  int furthest_area1_x = 0;
  std::vector<int> captured;
};
Player player;

void hold(std::vector<int> keys) {
  platform::headless::SetInputScript({{std::move(keys), {}}});
  platform::headless::StepInputScript();
}

void capture(const char* name) {
  platform::headless::SaveFramebufferPng(name);
  std::ofstream("trace.txt", std::ios::app) << name << ' ' << g_x + mx << ' ' << my - g_y << ' ' << area << '\n';
}

std::vector<int> play_keys() {
  const int x = g_x + mx;
  player.since_progress = x > player.last_x ? 0 : player.since_progress + 1;
  player.last_x = x;
  if (player.climbing) {
    if (on_ladder != 0 || ladder_move != 0) return {kKeyUp};
    player.climbing = false;
    player.dash_jump_frames = 16;  // off the ladder's top with a dash jump
  }
  if (player.dash_jump_frames > 0) {
    --player.dash_jump_frames;
    if (player.dash_jump_frames >= 13) return {kKeyRight, kKeyC};
    return {kKeyRight, kKeyC, kKeyX};
  }
  const bool on_ground = jumping == 0 && falling == 0;
  if (on_ground && ladder_near != 0 && on_ladder_top == 0 && player.jump_frames == 0) {
    player.climbing = true;
    return {kKeyUp};
  }
  if (player.jump_frames > 0) {
    --player.jump_frames;
    if (player.jump_frames == 0) player.jump_frames = -4;
    return {kKeyRight, kKeyX};
  }
  if (player.jump_frames < 0) ++player.jump_frames;
  if (player.since_progress > 6 && on_ground && player.jump_frames == 0) player.jump_frames = 10;
  return {kKeyRight};
}

void drive() {
  ++player.frames;
  if (player.frames > kFrameLimit || player.area2_frames > 60) {
    hold({kKeyEscape});
    return;
  }
  if (game_mode != mode_stage_play || stage != 1) {
    const bool menu = game_mode == mode_logo || game_mode == mode_title || game_mode == mode_location_select;
    hold(menu && player.frames % 2 == 0 ? std::vector<int>{kKeyZ} : std::vector<int>{});
    return;
  }
  ++player.stage_frames;
  if (player.stage_frames == 1) {
    for (EnemyRecord& e : enemy_pool) e.state = enemy_free;
    for (HazardRecord& h : hazard_pool) h.state = hazard_free;
  }
  if (player.stage_frames % 100 == 0) {
    std::ofstream("trace.txt", std::ios::app) << "f" << player.stage_frames << ' ' << g_x + mx << ' ' << my - g_y
                                              << " a" << area << " s" << PlayerState << " j" << int{jumping}
                                              << " fa" << int{falling} << " l" << int{on_ladder} << int{ladder_near}
                                              << " w" << int{wall_contact} << '\n';
  }
  if (area == 1) {
    player.furthest_area1_x = std::max(player.furthest_area1_x, g_x + mx);
    if (player.stage_frames == 2) capture("start.png");
    if (player.stage_frames % 600 == 0) {
      char name[32];
      std::snprintf(name, sizeof name, "walk%d.png", player.stage_frames / 600);
      capture(name);
    }
    if (PlayerState == player_leaving_right && player.captured.empty()) {
      player.captured.push_back(1);
      capture("exit.png");
    }
  } else if (area == 2) {
    ++player.area2_frames;
    if (player.area2_frames == 2) capture("area2.png");
  }
  hold(PlayerState == player_free || PlayerState == player_hurt ? play_keys() : std::vector<int>{});
}

class HeroWalkRun : public engine_test::HeadlessEngine {};

TEST_F(HeroWalkRun, ScriptedInputWalksAndJumpsFromAreaOneIntoAreaTwo) {
  PlaceholderTreeResult written;
  ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  std::filesystem::remove("trace.txt");
  const pid_t child = fork();
  if (child == 0) {
    set_frame_start_hook(drive);
    const int status = game_main();
    std::ofstream("trace.txt", std::ios::app) << "end " << player.furthest_area1_x << ' ' << area << ' '
                                              << player.area2_frames << ' ' << deaths << '\n';
    std::_Exit(status == 0 && player.area2_frames > 60 && deaths == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  std::ifstream trace("trace.txt");
  const std::string log((std::istreambuf_iterator<char>(trace)), std::istreambuf_iterator<char>());
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the hero did not reach area 2:\n" << log;
  for (const char* png : {"start.png", "exit.png", "area2.png"}) {
    EXPECT_TRUE(std::filesystem::exists(png)) << png;
  }
  EXPECT_NE(log.find("exit.png"), std::string::npos);
}

}  // namespace
