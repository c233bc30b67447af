#include "tools/passability/area_run.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <span>

#include "engine/core/public_api.h"
#include "engine/core/random.h"
#include "engine/graphics/draw_state.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/placement_lists.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/hero_select.h"
#include "game/flow/main_loop.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/flow/stage_modes.h"
#include "game/flow/stage_play.h"
#include "game/player/pickups.h"
#include "game/player/player_globals.h"
#include "game/stage/level_data.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/input/headless_input_script.h"
#include "platform/window/headless_window.h"
#include "platform/window/window.h"

namespace passability {

namespace {

constexpr char kKeyLetters[] = "LRUDJASC";
constexpr int kKeyBits[] = {kPadLeft, kPadRight, kPadUp, kPadDown, kPadJump, kPadMain, kPadSkill, kPadDash};

constexpr int kChestKind = 36;
constexpr int kFirstGem = 120;
constexpr int kLastGem = 129;
constexpr int kArenaBossKinds[] = {26, 33};
// The frame loop's pace on the virtual clock.
constexpr int kLiveFrameMs = 17;
// How near (world pixels) the hero's middle comes to a place goal: across and down, and up (a crate where the place
// was planned to be on the floor holds the hero a little higher).
constexpr int kPlaceReach = 8;
constexpr int kPlaceReachUp = 48;
// The hero's world x beyond which the arena's camera has passed g_x 2249 (the hero walks at screen x 300).
constexpr int kArenaEndX = 2600;

}  // namespace

std::string KeysFromPad(int pad) {
  std::string keys;
  for (int i = 0; i < 8; ++i) {
    if ((pad & kKeyBits[i]) != 0) keys += kKeyLetters[i];
  }
  return keys.empty() ? "-" : keys;
}

int PadFromKeys(const std::string& keys) {
  if (keys == "-") return 0;
  if (keys.empty()) return -1;
  int pad = 0;
  for (char c : keys) {
    int bit = -1;
    for (int i = 0; i < 8; ++i) {
      if (kKeyLetters[i] == c) bit = kKeyBits[i];
    }
    if (bit < 0) return -1;
    pad |= bit;
  }
  return pad;
}

namespace {
bool started = false;
}  // namespace

bool StartHeadlessGame(std::string* error) {
  if (started) return true;
  platform::RequestBackend(platform::BackendKind::Headless);
  platform::SetClockMode(platform::ClockMode::Virtual);
  platform::headless::SetDesktop(1920, 1080, 32);
  // The engine writes its log into the working directory: keep it out of the caller's.
  std::string pattern = (std::filesystem::temp_directory_path() / "passability-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
    if (error != nullptr) *error = "cannot make a temporary working directory";
    return false;
  }
  std::filesystem::create_directory(pattern + "/locks");
  platform::SetInstanceLockDirectory(pattern + "/locks");
  ChangeWindowMode(1);
  if (StartEngine() != 0) {
    if (error != nullptr) *error = "the headless engine did not start";
    return false;
  }
  SetDrawClipArea(0, 0, 0, 0);
  // A search is a plain batch job: an interrupt ends it at once rather than asking the game to close.
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGHUP, SIG_DFL);
  for (int b = 0; b <= 8; ++b) button_map[b] = b;
  assets_ok = 1;
  started = true;
  return true;
}

void StopHeadlessGame() {
  if (!started) return;
  EndEngine();
  started = false;
}

int PlayStage(int data_stage, int hero_id) { return data_stage == 7 && hero_id == 1 ? 8 : data_stage; }

void EnterArea(const AreaStart& start) {
  player_globals = PlayerGlobals{};
  for (int& t : buff_time) t = 0;
  hero = start.hero;
  game_mode = mode_hero_select;
  init_game_state();
  for (auto& flag : collect_flags) flag = 0;
  stage = PlayStage(start.stage, start.hero);
  area = start.area;
  stage_phase = 1;
  pause_latch = 0;
  frame_counter = exit_fade = 0;
  story_event = 0;
  boss_phase_a = boss_phase_b = 0;
  area_exit_column = area_exit_offset = 0;
  if (start.build) {
    stage_entry();
    clear_object_pools();
    start.build();
  } else if (start.area == 1 || stage == 9) {
    // As the location select enters a stage (the opening scenes of stages 7 and 9 skipped).
    stage_entry();
    clear_object_pools();
    build_stage();
    if (stage == 9) mx = 100;
  } else {
    area = start.area - 1;
    stage6_top_exit = start.top_entry ? 1 : 0;
    next_area_mode();
  }
  game_mode = mode_stage_play;
  PlayerState = player_free;
  stand_gimmick = 9999;
  SeedRandom(1);
}

void StepFrame(int pad) {
  if (boss_phase_b == 1) {
    for (int i = 0; i < enemy_loop_end(); ++i) {
      for (int kind : kArenaBossKinds) {
        if (enemy_pool[i].type == kind && enemy_pool[i].state == enemy_active) enemy_pool[i].state = enemy_free;
      }
    }
    boss_phase_b = 2;
  }
  hp = max_hp;
  map_buttons(pad);
  run_game_mode(pad);
}

std::vector<int> KeysOfPad(int pad) {
  static constexpr int kKeyOfBit[8][2] = {{kPadDown, 208}, {kPadLeft, 203}, {kPadRight, 205}, {kPadUp, 200},
                                          {kPadMain, 44},  {kPadJump, 45},  {kPadDash, 46},   {kPadSkill, 30}};
  std::vector<int> keys;
  for (const auto& k : kKeyOfBit) {
    if ((pad & k[0]) != 0) keys.push_back(k[1]);
  }
  return keys;
}

void StepLiveFrame(int pad) {
  platform::headless::SetInputScript({{KeysOfPad(pad), {}}});
  platform::headless::StepInputScript();
  frame_start_ms += kLiveFrameMs;
  map_buttons(pad);
  run_game_mode(pad);
  flash_request = 0;
}

int HeroX() { return mx + g_x; }
int HeroY() { return my - g_y; }
bool HeroDead() { return PlayerState == player_dead; }
bool HeroOnGround() { return jumping == 0 && falling == 0; }
bool HeroOnLadder() { return on_ladder != 0; }
bool HeroAgainstWall() { return wall_contact != 0; }

std::vector<Goal> AreaGoals() {
  std::vector<Goal> goals;
  // A list shared by areas 2 and 3 places the goals of both; only those inside this area's screens count.
  const LevelDataSet* set = find_level_data(stage, area);
  auto inside = [&](int x, int y) { return set == nullptr || (x < set->columns * 640 && y < set->rows * 480); };
  for (int i = 0; i < enemy_loop_end(); ++i) {
    const EnemyRecord& e = enemy_pool[i];
    if (e.state != enemy_active || !inside(e.x, e.y)) continue;
    if (e.type == 34 || e.type == 35) {
      goals.push_back({"item" + std::to_string(e.type), GoalKind::item, i, e.x, e.y});
    } else if (e.type == kChestKind) {
      goals.push_back({"switch" + std::to_string(e.param), GoalKind::switch_chest, i, e.x, e.y});
    }
  }
  for (int i = 0; i < pickup_pool_size; ++i) {
    const Pickup& p = pickups[i];
    if (p.active == 1 && p.kind >= kFirstGem && p.kind <= kLastGem && inside(p.x, p.y)) {
      goals.push_back({"gem", GoalKind::gem, i, p.x, p.y});
    }
  }
  if (stage == 7 || stage == 8) {
    goals.push_back({"arena", GoalKind::arena, -1, kArenaEndX, 0});
  } else if (area == 3) {
    goals.push_back({"end", GoalKind::end_of_room, -1, area3_right_limit - 56, 0});
  } else {
    goals.push_back({"exit", GoalKind::exit, -1, area_exit_column * 640 + area_exit_offset + 1, 0});
    goals.push_back({"run-out", GoalKind::run_out, -1, 0, 0});
  }
  return goals;
}

bool GoalReached(const Goal& goal) {
  switch (goal.kind) {
    case GoalKind::item:
    case GoalKind::switch_chest: return enemy_pool[goal.record].state != enemy_active;
    case GoalKind::gem: return pickups[goal.record].active == 0;
    case GoalKind::exit: return PlayerState == player_leaving_right || PlayerState == player_stage_clear_2;
    case GoalKind::run_out:
      return area == 1 ? game_mode == mode_next_area : PlayerState == player_stage_clear_2 && !HeroDead();
    case GoalKind::arena: return boss_phase_b >= 4;
    case GoalKind::end_of_room: return HeroX() >= goal.x && HeroOnGround();
    case GoalKind::place:
      return std::abs(HeroX() + 30 - goal.x) <= kPlaceReach && HeroY() + 50 - goal.y <= kPlaceReach &&
             goal.y - (HeroY() + 50) <= kPlaceReachUp && (goal.record == 0 || HeroOnGround() || HeroOnLadder()) &&
             !HeroDead();
  }
  return false;
}

Goal PlaceGoal(int x, int y, bool standing) { return {"place", GoalKind::place, standing ? 1 : 0, x, y}; }

std::uint64_t AreaDigest(int data_stage, int area_number, int hero_id) {
  Fnv f;
  if (const LevelDataSet* set = find_level_data(data_stage, area_number)) {
    f.add(set->columns);
    f.add(set->rows);
    f.add(set->has_exit ? set->exit_column * 640 + set->exit_offset : -1);
    for (int i = 0; i < set->entry_count; ++i) {
      const LevelEntry& e = set->entries[i];
      if (e.hero != entry_both_heroes && e.hero != hero_id) continue;
      for (std::int64_t v : {static_cast<std::int64_t>(e.kind), std::int64_t{e.type}, std::int64_t{e.sub},
                             std::int64_t{e.room_x}, std::int64_t{e.room_y}, std::int64_t{e.x}, std::int64_t{e.y},
                             std::int64_t{e.mirror}, std::int64_t{e.layer}}) {
        f.add(v);
      }
    }
  }
  for (const Placement& p : placement_list(data_stage, hero_id, area_number)) {
    for (std::int64_t v : {std::int64_t{p.kind}, std::int64_t{p.param}, std::int64_t{p.room_x}, std::int64_t{p.room_y},
                           std::int64_t{p.x}, std::int64_t{p.y}, std::int64_t{p.pickup ? 1 : 0},
                           static_cast<std::int64_t>(p.guard)}) {
      f.add(v);
    }
  }
  return f.h;
}

}  // namespace passability
