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

// A started headless engine in a temporary directory holding the placeholder tree, with stage 1, area 1 built and
// its pictures loaded as the location select leaves them. Once per process.
bool StartStage() {
  static int started = -1;
  if (started != -1) return started == 1;
  started = 0;
  if (!bench_game::StartHeadlessGame("stage")) return false;
  clear_resource_handles();
  load_common_images();
  stage = 1;
  area = 1;
  hero = 0;
  load_stage_images(0);
  SetTransparentColor(255, 0, 255);
  stage_background = LoadGraphicFile("gsx/fld/01.png");
  SetTransparentColor(0, 0, 0);
  reset_player_stats();
  stage_entry();
  clear_object_pools();
  build_stage();
  game_mode = mode_stage_play;
  stage_phase = 1;
  started = 1;
  return true;
}

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
