// Presenting a 640 x 480 x 32 back screen through the display device to the headless framebuffer (copy into the
// primary, the window's frame taken from it and stored), against a plain memcpy of the same 1.2 MB in the same run.
// The vertical-blank wait is off, so only the copies are measured.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/api_lock.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/public_api.h"
#include "engine/graphics/ddraw_device.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/window/window.h"

namespace {

constexpr std::size_t kFrameBytes = 640 * 480 * 4;

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<std::uint8_t> src(kFrameBytes, 0x5A), dst(kFrameBytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), kFrameBytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
}
BENCHMARK(BM_MemcpyFrame);

void BM_PresentBackScreen(benchmark::State& state) {
  char dirTemplate[] = "/tmp/display-bench-XXXXXX";
  const char* made = mkdtemp(dirTemplate);
  if (made == nullptr || chdir(made) != 0) {
    state.SkipWithError("no temporary directory");
    return;
  }
  const std::string directory = made;
  platform::RequestBackend(platform::BackendKind::Headless);
  platform::SetClockMode(platform::ClockMode::Virtual);
  platform::SetInstanceLockDirectory(directory);
  ChangeWindowMode(1);
  SetLogFileOutput(0);
  if (StartEngine() != 0) {
    state.SkipWithError("the engine did not start");
    return;
  }
  {
    ApiLockGuard lock;
    SetFlipWaitForVBlank(0);
    SelectDrawTargetBody(-2);
  }
  for (auto _ : state) benchmark::DoNotOptimize(PresentBackScreen());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
  EndEngine();
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
}
BENCHMARK(BM_PresentBackScreen);

}  // namespace

BENCHMARK_MAIN();
