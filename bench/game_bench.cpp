// The game's own CPU cost, headless on the virtual clock, on the placeholder assets: processor time from the start of
// the program to the title's first frame (the logo included), and processor time per frame on the title, the
// location select and the game menu. Each iteration runs the game in a child process; the figures are counters
// (milliseconds and microseconds of processor time), and the iteration time is the whole run's wall time.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "tools/placeholder/asset_writers.h"

namespace {

constexpr int kFramesPerScreen = 120;

struct Report {
  double startupMs = 0;
  double frameUs[3] = {0, 0, 0};  // title, location select, game menu
};

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int g_reportFd = -1;
Report g_report;
int g_stage = 0, g_frames = 0;
double g_stageStart = 0;

// Runs at the start of every frame: notes the start-up time at the title, then steps through the screens.
void FrameHook() {
  if (g_stage == 0) {
    if (game_mode != mode_title) return;
    g_report.startupMs = CpuSeconds() * 1e3;
    g_stage = 1;
    g_frames = 0;
    g_stageStart = CpuSeconds();
    return;
  }
  if (++g_frames < kFramesPerScreen) return;
  g_report.frameUs[g_stage - 1] = (CpuSeconds() - g_stageStart) * 1e6 / kFramesPerScreen;
  switch (g_stage++) {
    case 1:  // on to the location select
      game_mode = mode_location_select;
      screen_phase = 0;
      break;
    case 2:  // the game menu over it
      stage_phase = 2;
      break;
    default:
      if (write(g_reportFd, &g_report, sizeof g_report) != static_cast<ssize_t>(sizeof g_report)) std::_Exit(3);
      std::_Exit(0);
  }
  g_frames = 0;
  g_stageStart = CpuSeconds();
}

bool RunGame(const std::string& assets, Report* report) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    g_reportFd = fds[1];
    if (chdir(assets.c_str()) != 0) std::_Exit(2);
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SetClockMode(platform::ClockMode::Virtual);
    platform::SetInstanceLockDirectory(assets);
    set_frame_start_hook(FrameHook);
    std::_Exit(game_main() == 0 ? 4 : 5);
  }
  close(fds[1]);
  const bool read = child > 0 && ::read(fds[0], report, sizeof *report) == static_cast<ssize_t>(sizeof *report);
  close(fds[0]);
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);
  return read && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_GameStartAndScreens(benchmark::State& state) {
  const std::string assets = (std::filesystem::temp_directory_path() / ("game-bench-" + std::to_string(getpid()))).string();
  PlaceholderTreeResult made;
  if (!WritePlaceholderTree(assets, false, &made)) {
    state.SkipWithError("placeholder assets could not be written");
    return;
  }
  Report sum;
  int runs = 0;
  for (auto _ : state) {
    Report r;
    if (!RunGame(assets, &r)) {
      state.SkipWithError("the game run did not reach the game menu");
      break;
    }
    sum.startupMs += r.startupMs;
    for (int i = 0; i < 3; ++i) sum.frameUs[i] += r.frameUs[i];
    ++runs;
  }
  if (runs > 0) {
    state.counters["startup_cpu_ms"] = sum.startupMs / runs;
    state.counters["title_cpu_us"] = sum.frameUs[0] / runs;
    state.counters["location_cpu_us"] = sum.frameUs[1] / runs;
    state.counters["menu_cpu_us"] = sum.frameUs[2] / runs;
  }
  std::error_code ignored;
  std::filesystem::remove_all(assets, ignored);
}
BENCHMARK(BM_GameStartAndScreens)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
