// The skills' per-frame cost in stage 1, headless on the placeholder pictures, in CPU time per frame against a clear
// and present of the same frame in the same run: every skill projectile pool kept full (two fans of bolts, the bomb
// going off, ten darts, the wave), ten sparkles under a buff skill's casting effect, and skill 6's blast with its
// layers and per-frame sweep against a row of enemies. The vertical-blank wait is off.
#include <benchmark/benchmark.h>

#include "bench/headless_game.h"
#include "bench/ratio_reporter.h"
#include "engine/core/public_api.h"
#include "game/enemy/enemy_pool.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"
#include "game/player/skill_effects.h"
#include "game/player/skills.h"
#include "game/stage/stage_state.h"

namespace {

bool StartSkills() {
  static int started = -1;
  if (started != -1) return started == 1;
  started = 0;
  if (!bench_game::StartStageOne("skill")) return false;
  mx = 200;
  my = 200;
  free_all_enemies();
  for (int i = 0; i < 40; ++i) spawn_enemy(4, 0, 0, 0, 100 + 10 * i, 150);
  started = 1;
  return true;
}

void BM_ClearAndPresent(benchmark::State& state) {
  if (!StartSkills()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (auto _ : state) {
    ClearCurrentDrawScreen();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_ClearAndPresent)->MeasureProcessCPUTime()->UseRealTime();

// Refills whatever ran out, so that every frame draws and tests full pools.
void FillSkillPools() {
  for (SkillBoltSet& set : skill_bolts) {
    if (set.in_use == 0) spawn_skill_shot_a(g_x + mx, my - g_y + 32, 1);
  }
  if (skill_bomb.in_use == 0) {
    spawn_skill_shot_b(g_x + mx, my - g_y + 32, 1, 0);
    detonate_skill_bomb();
  }
  for (int i = 0; i < dart_pool_size; ++i) spawn_skill_shot_c(g_x + mx, my - g_y + 20 + 5 * i, 1);
  if (skill_wave.in_use == 0) spawn_skill_shot_d(g_x + mx, my - g_y, 0);
  for (int i = 0; i < sparkle_pool_size; ++i) spawn_sparkle();
  if (skill_active == 0 || skill_step >= 68) {
    skill_active = 1;
    skill_id = 6;
    skill_phase = 0;
    skill_step = 41;
    for (int& f : skill_fade) f = 255;
  }
  for (EnemyRecord& e : enemy_pool) e.hp = 1000000;
}

void BM_FullSkillPools(benchmark::State& state) {
  if (!StartSkills()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (auto _ : state) {
    FillSkillPools();
    ClearCurrentDrawScreen();
    update_skill_shots_a();
    update_skill_shots_b();
    update_skill_shots_c();
    update_skill_shots_d();
    update_skill();
    update_sparkles();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_FullSkillPools)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(argc, argv,
                              {{"BM_FullSkillPools/process_time/real_time", "BM_ClearAndPresent/process_time/real_time"}});
}
