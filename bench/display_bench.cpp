// The display's per-frame costs at 640 x 480 x 32, each against a plain memory operation on the same 1.2 MB in the
// same run: clearing the back screen (ClearCurrentDrawScreen: colour fill of the back surface plus the depth fill of
// its Z surface, up to the first lock of the back surface) and filling a 32-bit MEMIMG against a memset, presenting the back screen through the display device
// to the headless framebuffer against a memcpy. The vertical-blank wait is off, so only the memory work is measured.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "engine/core/api_lock.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/public_api.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/memimg.h"
#include "engine/graphics/screen_buffer.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/window/window.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr std::size_t kFrameBytes = static_cast<std::size_t>(kWidth) * kHeight * 4;

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

void BM_MemsetFrame(benchmark::State& state) {
  std::vector<std::uint8_t> dst(kFrameBytes, 0x5A);
  for (auto _ : state) {
    std::memset(dst.data(), 0, kFrameBytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
}
BENCHMARK(BM_MemsetFrame);

void BM_FillMemImg(benchmark::State& state) {
  MEMIMG image{};
  MakeMemImg(&image, kWidth, kHeight, kFormat32);
  for (auto _ : state) {
    FillMemImg(&image, nullptr, 0);
    benchmark::ClobberMemory();
  }
  ReleaseMemImg(&image);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
}
BENCHMARK(BM_FillMemImg);

// The engine, headless in the hardware window model at 32 bits, drawing to the back screen; started once.
bool StartEngineOnce() {
  static const bool started = [] {
    char dirTemplate[] = "/tmp/display-bench-XXXXXX";
    const char* made = mkdtemp(dirTemplate);
    if (made == nullptr || chdir(made) != 0) return false;
    static const std::string directory = made;
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SetClockMode(platform::ClockMode::Virtual);
    platform::SetInstanceLockDirectory(directory);
    ChangeWindowMode(1);
    SetLogFileOutput(0);
    if (StartEngine() != 0) return false;
    ApiLockGuard lock;
    SetFlipWaitForVBlank(0);
    SelectDrawTargetBody(-2);
    std::atexit([] {
      EndEngine();
      std::error_code ignored;
      std::filesystem::remove_all(directory, ignored);
    });
    return true;
  }();
  return started;
}

// The clear and then a lock of the back surface, which makes the device write whatever the clear left to do.
void BM_ClearDrawScreen(benchmark::State& state) {
  if (!StartEngineOnce()) {
    state.SkipWithError("the engine did not start");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(ClearCurrentDrawScreen());
    std::uint8_t* pixels = nullptr;
    int pitch = 0;
    g_Screens.back->Lock(nullptr, platform::dd::kLockWait, &pixels, &pitch);
    g_Screens.back->Unlock();
    benchmark::DoNotOptimize(pixels);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
}
BENCHMARK(BM_ClearDrawScreen);

void BM_PresentBackScreen(benchmark::State& state) {
  if (!StartEngineOnce()) {
    state.SkipWithError("the engine did not start");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(PresentBackScreen());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
}
BENCHMARK(BM_PresentBackScreen);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(argc, argv,
                              {{"BM_FillMemImg", "BM_MemsetFrame"},
                               {"BM_ClearDrawScreen", "BM_MemsetFrame"},
                               {"BM_PresentBackScreen", "BM_MemcpyFrame"}});
}
