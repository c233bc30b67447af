// One stage-play frame of the enemy and hazard code with both pools full of mixed kinds on screen (update and
// drawing into the headless back screen, placeholder sheets loaded), against a frame's clear and present in the same
// run.
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
#include "game/flow/pending_screens.h"
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

}  // namespace
