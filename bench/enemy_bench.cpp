// Stage-play frames of the enemy and hazard code, updated and drawn into the headless back screen with the placeholder
// sheets loaded, against a frame's clear and present in the same run: both pools full of mixed kinds on screen, and
// the heaviest boss frame (boss 33 in its room with its screen-wide beam and great light pillar live, the hazard pool
// full and the enemy pool full of mixed kinds).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/headless_game.h"
#include "engine/core/public_api.h"
#include "engine/core/random.h"
#include "game/enemy/enemy_contact.h"
#include "game/enemy/enemy_frame.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/stage/stage_state.h"

namespace {

bool started = false;

// The pictures the enemies and hazards draw.
bool EnemyPicture(const std::string& path) {
  return path.starts_with("gsx/ey/") || path.starts_with("gsx/ef/") || path.starts_with("gsx/smg/") ||
         path == "gsx/fld/s_03.png" || path == "gsx/system/item_01.png" || path == "gsx/system/menu_01.png";
}

// Writes the placeholder pictures the enemies and hazards draw, starts the headless engine and loads them.
bool StartWithSheets() {
  if (started) return true;
  if (!bench_game::StartHeadlessGame("enemy", EnemyPicture)) return false;
  load_common_images();
  for (int kind = 1; kind <= 40; ++kind) {
    char path[32];
    std::snprintf(path, sizeof path, kind == 40 ? "gsx/ey/ta.png" : "gsx/ey/e%02d.png", kind);
    enemy_images[kind] = LoadGraphicFile(path);
  }
  enemy_images[36] = LoadGraphicFile("gsx/ey/switch.png");
  enemy_images[37] = LoadGraphicFile("gsx/ey/coin1.png");
  enemy_images[41] = LoadGraphicFile("gsx/ey/e41.png");
  started = enemy_images[5] != -1 && effect_sheets[9] != -1;
  return started;
}

EnemyRecord enemy_snapshot[enemy_pool_size];
HazardRecord hazard_snapshot[hazard_pool_size];

// Both pools full: enemies of kinds 1..12 and 34..39 spread over the screen in their active states, hazards of
// twenty moving and area kinds.
void FillPools() {
  SeedRandom(4357);
  free_all_enemies();
  free_all_hazards();
  g_x = g_y = 0;
  mx = 300;
  my = 250;
  constexpr int kinds[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 34, 35, 36, 37, 38, 39};
  constexpr int params[] = {1, 3, 1, 0, 2, 1, 2, 2, 2, 1, 5, 1, 1, 1, 101, 1, 1, 1};
  for (int k = 0; k < enemy_pool_size; ++k) {
    const int n = k % 18;
    spawn_enemy(kinds[n], params[n], 0, 0, 20 + (k * 37) % 560, 40 + (k * 53) % 360);
  }
  constexpr int hazard_kinds[hazard_pool_size] = {3, 5, 7, 13, 16, 17, 18, 23, 26, 27,
                                                  28, 37, 1, 9, 12, 14, 6, 11, 39, 40};
  for (int k = 0; k < hazard_pool_size; ++k) spawn_hazard(hazard_kinds[k], k % 2, 40 + 30 * k, 60 + 15 * k, 1);
  std::memcpy(enemy_snapshot, enemy_pool, sizeof enemy_pool);
  std::memcpy(hazard_snapshot, hazard_pool, sizeof hazard_pool);
}

// Boss 33 first, in its beam mode a frame before the beam; then the pool filled with mixed kinds; the hazard pool
// with the boss's pillar, volley and swing and the room's light-pillar decoration, the rest mixed projectiles.
void FillBossPools() {
  SeedRandom(4357);
  free_all_enemies();
  free_all_hazards();
  g_x = 640;
  g_y = -480;
  mx = 300;
  my = 250;
  spawn_enemy(33, 1, 1, 1, 600, 100);
  enemy_pool[0].mode = 6;
  enemy_pool[0].timer = 49;
  enemy_pool[0].facing = 0;
  constexpr int kinds[] = {2, 5, 6, 13, 15, 16, 17, 19, 20, 22, 24, 28, 30, 31, 32, 37};
  constexpr int params[] = {3, 2, 1, 1, 1, 1, 1, 1, 1, 3, 2, 1, 5, 1, 0, 1};
  for (int k = 1; k < enemy_pool_size; ++k) {
    const int n = k % 16;
    spawn_enemy(kinds[n], params[n], 1, 1, 20 + (k * 37) % 560, 40 + (k * 53) % 360);
  }
  spawn_hazard(43, 0, 640 + 250, 580, -500);
  for (int k = 0; k < 3; ++k) spawn_hazard(42, k % 2, 640 + 100 + 120 * k, 600, 0);
  spawn_hazard(44, 0, 640 + 300, 680, 0);
  spawn_hazard(46, 0, 640 + 420, 480, 1);  // the room's light-pillar decoration
  constexpr int others[] = {5, 7, 13, 16, 23, 26, 27, 28, 37, 9, 12};
  for (int k = 0; hazard_pool[hazard_pool_size - 1].state == 0 && k < 40; ++k) {
    spawn_hazard(others[k % 11], k % 2, 640 + 40 + 50 * k, 520 + 20 * (k % 10), 1);
  }
  std::memcpy(enemy_snapshot, enemy_pool, sizeof enemy_pool);
  std::memcpy(hazard_snapshot, hazard_pool, sizeof hazard_pool);
}

void BM_ClearAndPresent(benchmark::State& state) {
  if (!StartWithSheets()) {
    state.SkipWithError("the engine did not start");
    return;
  }
  for (auto _ : state) {
    ClearCurrentDrawScreen();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_ClearAndPresent)->Unit(benchmark::kMicrosecond);

void BM_EnemyAndHazardFrame(benchmark::State& state) {
  if (!StartWithSheets()) {
    state.SkipWithError("the engine did not start or the sheets did not load");
    return;
  }
  FillPools();
  int frame = 0;
  for (auto _ : state) {
    // Every 60 frames the pools start over, so the mix of kinds and states stays the same.
    if (++frame % 60 == 0) {
      std::memcpy(enemy_pool, enemy_snapshot, sizeof enemy_pool);
      std::memcpy(hazard_pool, hazard_snapshot, sizeof hazard_pool);
      enemy_count = enemy_pool_size;
      hurt = 0;
    }
    update_enemies();
    update_hazards();
    respawn_far_enemies();
  }
}
BENCHMARK(BM_EnemyAndHazardFrame)->Unit(benchmark::kMicrosecond);

// The boss pools stepped one frame on, as the snapshot every boss frame starts from. Each boss case makes it
// itself, so it measures the same frame alone, after any other case, and in any order.
void PrepareBossSnapshot() {
  FillBossPools();
  update_enemies();
  update_hazards();
  std::memcpy(enemy_snapshot, enemy_pool, sizeof enemy_pool);
  std::memcpy(hazard_snapshot, hazard_pool, sizeof hazard_pool);
}

// Every frame starts from the snapshot, stepped one frame on: the boss fires its beam (and the screen flash request)
// and the beam, the pillar and every other hazard run with the pools full.
void BM_Boss33BeamFrame(benchmark::State& state) {
  if (!StartWithSheets()) {
    state.SkipWithError("the engine did not start or the sheets did not load");
    return;
  }
  PrepareBossSnapshot();
  for (auto _ : state) {
    std::memcpy(enemy_pool, enemy_snapshot, sizeof enemy_pool);
    std::memcpy(hazard_pool, hazard_snapshot, sizeof hazard_pool);
    enemy_count = enemy_pool_size;
    hurt = 1;
    update_enemies();
    update_hazards();
    respawn_far_enemies();
  }
}
BENCHMARK(BM_Boss33BeamFrame)->Unit(benchmark::kMicrosecond);

// The same frame with a clear and present around it: the whole frame's cost as the player sees it.
void BM_Boss33BeamFrameWithClearAndPresent(benchmark::State& state) {
  if (!StartWithSheets()) {
    state.SkipWithError("the engine did not start or the sheets did not load");
    return;
  }
  PrepareBossSnapshot();
  for (auto _ : state) {
    std::memcpy(enemy_pool, enemy_snapshot, sizeof enemy_pool);
    std::memcpy(hazard_pool, hazard_snapshot, sizeof hazard_pool);
    enemy_count = enemy_pool_size;
    hurt = 1;
    ClearCurrentDrawScreen();
    update_enemies();
    update_hazards();
    respawn_far_enemies();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_Boss33BeamFrameWithClearAndPresent)->Unit(benchmark::kMicrosecond);

}  // namespace
