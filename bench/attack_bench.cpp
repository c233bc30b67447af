// The stage-play frame of stage 1, area 1 with the first hero's shots in flight, against the plain stage frame in
// the same run (CPU time per frame): three light shots, the main shot with its trail and glow, and the effect pool
// kept full, while the shots hit the area's enemies (kept alive with ample HP). The vertical-blank wait is off.
#include <benchmark/benchmark.h>

#include <iterator>

#include "bench/headless_game.h"
#include "bench/ratio_reporter.h"
#include "engine/core/public_api.h"
#include "game/enemy/enemy_pool.h"
#include "game/flow/stage_play.h"
#include "game/player/effects.h"
#include "game/player/player_globals.h"
#include "game/player/shots.h"

namespace {

bool StartStage() { return bench_game::StartStageOne("attack"); }

void BM_StagePlayFrame(benchmark::State& state) {
  if (!StartStage()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (auto _ : state) {
    hp = max_hp;
    ClearCurrentDrawScreen();
    stage_play_screen(0);
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_StagePlayFrame)->MeasureProcessCPUTime()->UseRealTime();

// Effect types of the attacks and of every other look: impacts, bursts, slashes, rings, glints.
constexpr int kEffectTypes[] = {2, 5, 36, 11, 12, 13, 14, 15, 1, 3, 10, 16, 20, 22, 29, 30};

void KeepShotsUp() {
  for (int i = 0; i < light_shot_count; ++i) spawn_light_shot(mx + g_x, my - g_y + 35 + 10 * i, 1);
  shot_request = 1;  // the stage frame starts a main shot whenever none flies
}

void KeepShotsAndEffectsUp() {
  KeepShotsUp();
  const int world_x = mx + g_x;
  const int world_y = my - g_y;
  int k = 0;
  for (EffectRecord& e : effects) {
    if (e.active == 0) spawn_effect(world_x + 11 * k, world_y - 40 + 3 * k, kEffectTypes[k % std::size(kEffectTypes)]);
    ++k;
  }
}

void StagePlayFrameWith(benchmark::State& state, void (*keep_up)()) {
  if (!StartStage()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (int i = 0; i < enemy_loop_end(); ++i) enemy_pool[i].hp = enemy_pool[i].max_hp = 1 << 30;
  int effects_live = 0;
  int trail_live = 0;
  for (auto _ : state) {
    hp = max_hp;
    keep_up();
    ClearCurrentDrawScreen();
    stage_play_screen(0);
    benchmark::DoNotOptimize(PresentBackScreen());
    for (const EffectRecord& e : effects) effects_live += e.active != 0 ? 1 : 0;
    for (const ShotTrail& t : shot_trails) trail_live += t.active != 0 ? 1 : 0;
  }
  state.counters["effects"] = benchmark::Counter(effects_live, benchmark::Counter::kAvgIterations);
  state.counters["trail"] = benchmark::Counter(trail_live, benchmark::Counter::kAvgIterations);
}

// The shots alone (their hits still start effects), to tell their cost from the full effect pool's.
void BM_StagePlayFrameWithShots(benchmark::State& state) { StagePlayFrameWith(state, KeepShotsUp); }
BENCHMARK(BM_StagePlayFrameWithShots)->MeasureProcessCPUTime()->UseRealTime();

void BM_StagePlayFrameWithShotsAndFullEffects(benchmark::State& state) {
  StagePlayFrameWith(state, KeepShotsAndEffectsUp);
}
BENCHMARK(BM_StagePlayFrameWithShotsAndFullEffects)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(argc, argv,
                              {{"BM_StagePlayFrameWithShots/process_time/real_time",
                                "BM_StagePlayFrame/process_time/real_time"},
                               {"BM_StagePlayFrameWithShotsAndFullEffects/process_time/real_time",
                                "BM_StagePlayFrame/process_time/real_time"}});
}
