// The stage-play frame of stage 1, area 1, headless with its drawing (background, scenery, gimmicks, ladders, HUD)
// on the placeholder pictures, in CPU time per frame, against a clear and present of the same frame in the same run:
// the frame's own cost is the difference. The vertical-blank wait is off.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/headless_game.h"
#include "engine/core/public_api.h"
#include "game/flow/game_modes.h"
#include "game/flow/resources.h"
#include "game/flow/stage_play.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"

namespace {

bool StartStage() { return bench_game::StartStageOne("stage"); }

void BM_ClearAndPresent(benchmark::State& state) {
  if (!StartStage()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (auto _ : state) {
    ClearCurrentDrawScreen();
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_ClearAndPresent)->MeasureProcessCPUTime()->UseRealTime();

void BM_StagePlayFrame(benchmark::State& state) {
  if (!StartStage()) {
    state.SkipWithError("the stage did not start");
    return;
  }
  for (auto _ : state) {
    ClearCurrentDrawScreen();
    stage_play_screen(0);
    benchmark::DoNotOptimize(PresentBackScreen());
  }
}
BENCHMARK(BM_StagePlayFrame)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
