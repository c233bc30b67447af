// The real game, headless, in a process of its own, on the placeholder resources: each hero enters stage 1 through
// the menus and a scripted player walks right and attacks the enemies it meets. The first hero fires light shots,
// charges and releases a main shot, then changes to the mace and swings it; the second hero (chosen at the hero
// select once the first scenario counts as cleared) cuts with both sword cuts. The hero's HP is topped up every frame
// so that the run tests the attacks, not the dodging. Frames of every attack are saved as PNG, and the child reports
// what the attacks did to the game state.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "game/enemy/enemy_pool.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/flow/settings.h"
#include "game/player/effects.h"
#include "game/player/hero_sprite.h"
#include "game/player/player_globals.h"
#include "game/player/shots.h"
#include "game/stage/stage_state.h"
#include "platform/display/headless_display.h"
#include "platform/input/headless_input_script.h"
#include "tests/engine_start/engine_fixture.h"
#include "tools/placeholder/asset_writers.h"

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyZ = 44;  // MAIN under the default button map
constexpr int kKeyX = 45;  // JUMP
constexpr int kKeyS = 31;  // MAIN_CHANGE
constexpr int kKeyRight = 205;
constexpr int kStageFrameLimit = 8000;

// ---- The child: the scripted player ----

enum class Step { light_shots, charge, change_form, mace, sword, done };

struct Run {
  int frames = 0;
  int stage_frames = 0;
  int step_frames = 0;
  Step step = Step::light_shots;
  int last_x = 0;
  int since_progress = 0;
  int jump_frames = 0;
  std::set<std::string> seen;  // events, each captured once
  int enemies_dying_seen = 0;
};
Run run;

void hold(std::vector<int> keys) {
  platform::headless::SetInputScript({{std::move(keys), {}}});
  platform::headless::StepInputScript();
}

void note(const std::string& event) {
  if (!run.seen.insert(event).second) return;
  platform::headless::SaveFramebufferPng((event + ".png").c_str());
  std::ofstream("trace.txt", std::ios::app) << event << " f" << run.stage_frames << " x" << g_x + mx << " k"
                                            << kill_1 << ',' << kill_2 << ',' << kill_3 << ',' << kill_4 << '\n';
}

// Horizontal distance from the hero's front to the nearest enemy ahead that the attacks can strike and that is level
// with the hero's body; -1 when none is within `reach`.
int enemy_ahead(int reach) {
  const int hero_x = g_x + mx + 40;
  const int top = my - g_y + 5, bottom = my - g_y + 90;
  int best = -1;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.state != enemy_active || e.type >= 34) continue;
    const EnemyBoxRow& box = enemy_box_row(e.type);
    if (e.y + box.bottom <= top || e.y + box.top >= bottom) continue;
    const int d = e.x + box.left - hero_x;
    if (d + (box.right - box.left) > 0 && d < reach && (best < 0 || d < best)) best = d < 0 ? 0 : d;
  }
  return best;
}

// Right, with a jump when a step or a wall holds the hero back.
std::vector<int> walk_keys() {
  const int x = g_x + mx;
  run.since_progress = x > run.last_x ? 0 : run.since_progress + 1;
  run.last_x = x;
  if (run.jump_frames > 0) {
    if (--run.jump_frames == 0) run.jump_frames = -4;
    return {kKeyRight, kKeyX};
  }
  if (run.jump_frames < 0) ++run.jump_frames;
  if (run.since_progress > 6 && jumping == 0 && falling == 0 && run.jump_frames == 0) run.jump_frames = 10;
  return {kKeyRight};
}

// A tap held for two frames every `period` frames.
std::vector<int> tap(int key, int period = 4) {
  return run.step_frames % period < 2 ? std::vector<int>{key} : std::vector<int>{};
}

void next(Step s) {
  run.step = s;
  run.step_frames = 0;
}

std::vector<int> hero0_keys() {
  switch (run.step) {
    case Step::light_shots:
      if (kill_1 > 0 && run.seen.count("light_shot")) next(Step::charge);
      return enemy_ahead(400) >= 0 ? tap(kKeyZ) : walk_keys();
    case Step::charge:
      // Hold MAIN past a full charge, then let go: the main shot flies.
      if (run.step_frames > 140 && run.seen.count("main_shot")) next(Step::change_form);
      return run.step_frames < 110 ? std::vector<int>{kKeyZ} : std::vector<int>{};
    case Step::change_form:
      if (main_form == 0) next(Step::mace);
      return run.step_frames % 8 < 2 ? std::vector<int>{kKeyS} : std::vector<int>{};
    case Step::mace:
      if (kill_2 > 0) next(Step::done);
      return enemy_ahead(60) >= 0 ? tap(kKeyZ) : walk_keys();
    default: return {};
  }
}

std::vector<int> hero1_keys() {
  if (run.seen.count("cut_1") && run.seen.count("cut_2") && kill_1 > 0) next(Step::done);
  if (run.step == Step::done) return {};
  return enemy_ahead(70) >= 0 ? tap(kKeyZ, 12) : walk_keys();  // the second tap comes in the first cut's frames
}

void observe() {
  for (const LightShot& s : light_shots) {
    if (s.active != 0 && s.age == 3) note("light_shot");
  }
  if (main_shot.active != 0 && main_shot.x - g_x > 400) note("main_shot");
  if (PlayerState == player_melee && melee_frame >= 4) note("mace");
  if (PlayerState == player_attack_1 && attack_count == 8) note("cut_1");
  if (PlayerState == player_attack_2 && attack_count == 8) note("cut_2");
  int dying = 0;
  for (int i = 0; i < enemy_loop_end(); ++i) dying += enemy_pool[i].state == enemy_dying ? 1 : 0;
  if (dying > 0) note("kill");
  if (kill_2 > 0) note("mace_kill");
}

void drive(int wanted_hero) {
  ++run.frames;
  if (run.stage_frames > kStageFrameLimit || (run.step == Step::done && ++run.step_frames > 40)) {
    hold({kKeyEscape});
    return;
  }
  if (game_mode != mode_stage_play || stage != 1) {
    if (game_mode == mode_title) clear_level = wanted_hero == 1 ? 1 : 0;  // hero 1 is chosen at the hero select
    if (game_mode == mode_hero_select && menu_counter_a != wanted_hero) {
      hold(run.frames % 4 == 0 ? std::vector<int>{kKeyRight} : std::vector<int>{});
      return;
    }
    const bool menu = game_mode == mode_logo || game_mode == mode_title || game_mode == mode_location_select ||
                      game_mode == mode_hero_select || game_mode == mode_prologue;
    hold(menu && run.frames % 2 == 0 ? std::vector<int>{kKeyZ} : std::vector<int>{});
    return;
  }
  ++run.stage_frames;
  ++run.step_frames;
  hp = max_hp;
  if (run.stage_frames % 200 == 0) {
    std::ofstream("trace.txt", std::ios::app) << "at f" << run.stage_frames << " hero" << hero << " x" << g_x + mx
                                              << " y" << my - g_y << " s" << PlayerState << " ahead"
                                              << enemy_ahead(400) << '\n';
  }
  observe();
  const bool free = PlayerState == player_free || PlayerState == player_melee ||
                    PlayerState == player_attack_1 || PlayerState == player_attack_2;
  if (PlayerState == player_story_scene) {
    hold(run.frames % 2 == 0 ? std::vector<int>{kKeyZ} : std::vector<int>{});  // through the scene's talk
    return;
  }
  hold(!free ? std::vector<int>{} : hero == 0 ? hero0_keys() : hero1_keys());
}

int wanted;
void drive_hook() { drive(wanted); }

class AttacksRun : public engine_test::HeadlessEngine {
 protected:
  // Runs the game in a child with the scripted player for `hero_id`; returns the child's trace.
  static std::string Play(int hero_id) {
    std::filesystem::remove("trace.txt");
    const pid_t child = fork();
    if (child == 0) {
      wanted = hero_id;
      set_frame_start_hook(drive_hook);
      const int status = game_main();
      std::ofstream("trace.txt", std::ios::app) << "end hero" << hero << " stage_frames " << run.stage_frames
                                                << " done " << (run.step == Step::done ? 1 : 0) << '\n';
      std::_Exit(status);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream trace("trace.txt");
    return std::string((std::istreambuf_iterator<char>(trace)), std::istreambuf_iterator<char>());
  }
  static void ExpectEvents(const std::string& log, std::initializer_list<const char*> events) {
    for (const char* event : events) {
      EXPECT_NE(log.find(std::string(event) + " f"), std::string::npos) << event << " missing:\n" << log;
      EXPECT_TRUE(std::filesystem::exists(std::string(event) + ".png")) << event;
    }
  }
};

TEST_F(AttacksRun, FirstHeroShootsChargesAndSwingsTheMaceAndKills) {
  PlaceholderTreeResult written;
  ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  const std::string log = Play(0);
  ExpectEvents(log, {"light_shot", "main_shot", "mace", "kill", "mace_kill"});
  EXPECT_NE(log.find("end hero0"), std::string::npos) << log;
  EXPECT_NE(log.find("done 1"), std::string::npos) << log;
}

TEST_F(AttacksRun, SecondHeroCutsTwiceAndKills) {
  PlaceholderTreeResult written;
  ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  const std::string log = Play(1);
  ExpectEvents(log, {"cut_1", "cut_2", "kill"});
  EXPECT_NE(log.find("end hero1"), std::string::npos) << log;
  EXPECT_NE(log.find("done 1"), std::string::npos) << log;
}

}  // namespace
