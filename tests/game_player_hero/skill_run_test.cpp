// The real game, headless, in a process of its own, on the placeholder resources: the first hero enters stage 1 and
// a scripted player uses two skills with the SKILL button: the heal (with the hero's HP lowered first) and, once the
// test has taught it, the fan of bolts, twice, at a switch placed ahead of the hero until the switch breaks. The
// area's own enemies and hazards are taken out on the first frame. Frames with the skills' pictures are saved as PNG
// and the skills' effects are checked in the game's state.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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
#include "game/player/skill_effects.h"
#include "game/player/skills.h"
#include "game/stage/stage_state.h"
#include "platform/display/headless_display.h"
#include "platform/input/headless_input_script.h"
#include "tests/engine_start/engine_fixture.h"
#include "tools/placeholder/asset_writers.h"

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyZ = 44;  // MAIN under the default button map
constexpr int kKeyA = 30;  // SKILL
constexpr int kFrameLimit = 3000;

enum class Step { settle, heal, after_heal, fan, second_fan, watch, done };

struct Script {
  int frames = 0;
  int stage_frames = 0;
  Step step = Step::settle;
  int step_frames = 0;
  int hp_before = 0;
  int hp_healed = 0;
  int sp_after_heal = 0;
  int sp_after_fan = 0;
  int sp_after_second_fan = 0;
  int bolts_seen = 0;
  int switch_index = -1;
  int switch_hp_after_first = 0;
  bool ok = false;
};
Script script;

void hold(std::vector<int> keys) {
  platform::headless::SetInputScript({{std::move(keys), {}}});
  platform::headless::StepInputScript();
}

void log_line(const std::string& line) { std::ofstream("trace.txt", std::ios::app) << line << '\n'; }

void next(Step step) {
  script.step = step;
  script.step_frames = 0;
}

bool hero_idle() {
  return PlayerState == player_free && skill_active == 0 && skill_effect == 0 && jumping == 0 && falling == 0;
}

// The keys of this frame, and the checks at each step's end.
std::vector<int> skill_keys() {
  ++script.step_frames;
  switch (script.step) {
    case Step::settle:
      if (script.step_frames > 60 && hero_idle()) {
        hp = 40;
        skill_sel_0 = 0;
        script.hp_before = hp;
        next(Step::heal);
        return {kKeyA};
      }
      return {};
    case Step::heal:
      if (script.step_frames == 2) {
        script.hp_healed = hp;
        script.sp_after_heal = sp;
      }
      if (script.step_frames == 12) platform::headless::SaveFramebufferPng("heal.png");
      if (hero_idle()) next(Step::after_heal);
      return {};
    case Step::after_heal:
      if (script.step_frames < 5) return {};
      learned[0][4] = 1;
      skill_sel_0 = 4;
      // A switch (50 HP, standing still) 200 pixels ahead, level with the bolts.
      spawn_enemy(36, 999, 0, 0, g_x + mx + 200, my - g_y + 10);
      for (int i = 0; i < enemy_pool_size; ++i) {
        if (enemy_pool[i].state == enemy_active && enemy_pool[i].type == 36) script.switch_index = i;
      }
      if (script.switch_index < 0) return {kKeyEscape};
      next(Step::fan);
      return {kKeyA};
    case Step::fan:
      if (script.step_frames == 1) script.sp_after_fan = sp;
      if (skill_bolts[0].in_use != 0) ++script.bolts_seen;
      if (script.step_frames == 8) platform::headless::SaveFramebufferPng("fan.png");
      if (script.step_frames == 40) {
        script.switch_hp_after_first = enemy_pool[script.switch_index].hp;
        next(Step::second_fan);
        return {kKeyA};
      }
      return {};
    case Step::second_fan:
      if (script.step_frames == 1) script.sp_after_second_fan = sp;
      if (script.step_frames == 40) next(Step::watch);
      return {};
    case Step::watch: {
      const EnemyRecord& target = enemy_pool[script.switch_index];
      script.ok = script.hp_healed >= script.hp_before + 30 && script.hp_healed <= script.hp_before + 50 &&
                  script.sp_after_heal == max_sp - 25 && script.sp_after_fan == script.sp_after_heal - 3 &&
                  script.sp_after_second_fan == script.sp_after_fan - 3 && script.bolts_seen > 10 &&
                  script.switch_hp_after_first < 50 && script.switch_hp_after_first > 0 &&
                  target.state != enemy_active && kill_1 == 1;
      log_line("hp " + std::to_string(script.hp_before) + " -> " + std::to_string(script.hp_healed) + ", sp " +
               std::to_string(script.sp_after_heal) + " " + std::to_string(script.sp_after_fan) + " " +
               std::to_string(script.sp_after_second_fan) + ", bolts " + std::to_string(script.bolts_seen) +
               ", switch " + std::to_string(script.switch_hp_after_first) + " state " +
               std::to_string(target.state) + ", kill_1 " + std::to_string(kill_1));
      next(Step::done);
      return {};
    }
    case Step::done: return {kKeyEscape};
  }
  return {};
}

void drive() {
  ++script.frames;
  if (script.frames > kFrameLimit) {
    hold({kKeyEscape});
    return;
  }
  if (game_mode != mode_stage_play || stage != 1) {
    const bool menu = game_mode == mode_logo || game_mode == mode_title || game_mode == mode_location_select;
    hold(menu && script.frames % 2 == 0 ? std::vector<int>{kKeyZ} : std::vector<int>{});
    return;
  }
  if (++script.stage_frames == 1) {
    for (EnemyRecord& e : enemy_pool) e.state = enemy_free;
    for (HazardRecord& h : hazard_pool) h.state = hazard_free;
  }
  hold(skill_keys());
}

class SkillRun : public engine_test::HeadlessEngine {};

TEST_F(SkillRun, TheHeroHealsAndFiresTwoFansOfBoltsAtASwitchInStageOne) {
  PlaceholderTreeResult written;
  ASSERT_TRUE(WritePlaceholderTree(std::filesystem::current_path(), false, &written)) << written.error;
  std::filesystem::remove("trace.txt");
  const pid_t child = fork();
  if (child == 0) {
    set_frame_start_hook(drive);
    const int status = game_main();
    std::_Exit(status == 0 && script.ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  std::ifstream trace("trace.txt");
  const std::string log((std::istreambuf_iterator<char>(trace)), std::istreambuf_iterator<char>());
  EXPECT_EQ(WEXITSTATUS(status), 0) << log;
  for (const char* png : {"heal.png", "fan.png"}) EXPECT_TRUE(std::filesystem::exists(png)) << png;
}

}  // namespace
