// The real game, headless, in a process of its own, on the placeholder resources: from the title the first hero is
// put into the falling stage, drifts about the shaft firing while the timetable's enemies come, and after the fall's
// 6,600 frames arrives in stage 7. Frames with enemies on screen are saved as PNG.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/enemy/enemy_pool.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"
#include "game/stage/fall_stage.h"
#include "game/stage/stage_state.h"
#include "platform/display/headless_display.h"
#include "platform/input/headless_input_script.h"
#include "tests/engine_start/engine_fixture.h"
#include "tools/placeholder/asset_writers.h"

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyZ = 44;      // MAIN
constexpr int kKeyLeft = 203;  // arrow keys
constexpr int kKeyRight = 205;
constexpr int kCaptureEvery = 400;

int frames = 0;
int fall_frames = 0;
bool entered = false;

void hold(std::vector<int> keys) {
  platform::headless::SetInputScript({{std::move(keys), {}}});
  platform::headless::StepInputScript();
}

void capture() {
  int shown = 0;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    shown += e.state == enemy_active && e.x > -100 && e.x < 640 && e.y > -100 && e.y < 480;
  }
  char name[32];
  std::snprintf(name, sizeof name, "fall%04d.png", fall_frames);
  platform::headless::SaveFramebufferPng(name);
  std::ofstream("captures.txt", std::ios::app) << name << ' ' << shown << '\n';
}

void drive() {
  ++frames;
  if (!entered && game_mode == mode_title) {
    entered = true;
    hero = 0;
    stage = 7;
    area = 1;
    continues = 3;
    max_hp = hp = 100;
    load_hero_images();
    mx = 290;
    my = 50;
    game_mode = mode_fall_scene;
  }
  if (game_mode == mode_fall_scene) {
    if (fall_frames > 0 && fall_frames % kCaptureEvery == 0) capture();
    ++fall_frames;
    hp = 100;  // the scripted hero never dies
    const int phase = (fall_frames / 60) % 4;
    if (phase == 0) hold({kKeyRight, kKeyZ});
    else if (phase == 1) hold({});
    else if (phase == 2) hold({kKeyLeft, kKeyZ});
    else hold({kKeyZ});
    return;
  }
  if (entered || frames > 3000) {
    std::ofstream("summary.txt") << fall_frames << ' ' << game_mode << ' ' << stage << ' ' << area << '\n';
    hold({kKeyEscape});
    return;
  }
  const bool menu = game_mode == mode_logo || game_mode == mode_title;
  hold(menu && frames % 2 == 0 && game_mode == mode_logo ? std::vector<int>{kKeyZ} : std::vector<int>{});
}

class FallRun : public engine_test::HeadlessEngine {};

TEST_F(FallRun, TheFallRunsItsTimetableAndLeadsIntoStageSeven) {
  PlaceholderTreeResult written;
  ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  const pid_t child = fork();
  if (child == 0) {
    set_frame_start_hook(drive);
    const int status = game_main();
    std::_Exit(status == 0 && fall_frames > 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the game ended by a signal";
  ASSERT_EQ(WEXITSTATUS(status), 0) << "the game did not reach the falling stage";

  int fall = 0, mode = -1, stage_after = 0, area_after = 0;
  std::ifstream("summary.txt") >> fall >> mode >> stage_after >> area_after;
  EXPECT_GE(fall, fall_length) << "the whole fall ran";
  EXPECT_EQ(mode, mode_stage_play);
  EXPECT_EQ(stage_after, 7);
  EXPECT_EQ(area_after, 1);
  std::ifstream captures("captures.txt");
  std::string name;
  int shown = 0, pictures = 0, busy = 0;
  while (captures >> name >> shown) {
    ++pictures;
    EXPECT_TRUE(std::filesystem::exists(name)) << name;
    busy += shown > 0;
  }
  EXPECT_GE(pictures, fall_length / kCaptureEvery);
  EXPECT_GE(busy, 3) << "captures with enemies on screen";
  // KEEP_CAPTURES=<folder> keeps the pictures for a look.
  if (const char* keep = std::getenv("KEEP_CAPTURES")) {
    for (const auto& file : std::filesystem::directory_iterator(".")) {
      if (file.path().extension() != ".png" || file.path().filename().string().rfind("fall", 0) != 0) continue;
      std::filesystem::copy_file(file.path(), std::filesystem::path(keep) / file.path().filename(),
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }
}

}  // namespace
