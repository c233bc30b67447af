// Drawing a 40-character line of text with the default font (size 12, glyphs already cached) into a 32-bit memory
// image, against FillMemImgRect over the same area of the same image in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/graphics/font.h"
#include "engine/graphics/memimg.h"
#include "engine/softrender/fill_memimg_rect.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/window/window.h"

namespace {

constexpr const char* kLine = "The quick brown fox jumps over a dog 123";  // 40 characters

struct Setup {
  std::string directory;
  MEMIMG image{};
  int font = -1;
  int width = 0, height = 0;
  bool ok = false;
  Setup() {
    char dirTemplate[] = "/tmp/font-bench-XXXXXX";
    const char* made = mkdtemp(dirTemplate);
    if (made == nullptr || chdir(made) != 0) return;
    directory = made;
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SetClockMode(platform::ClockMode::Virtual);
    platform::SetInstanceLockDirectory(directory);
    ChangeWindowMode(1);
    SetLogFileOutput(0);
    if (StartEngine() != 0) return;
    ChangeDefaultFontSize(12);
    ChangeDefaultFontThickness(2);
    ApiLockGuard lock;
    font = GetDefaultFontHandle();
    int size[2] = {0, 0};
    GlyphCacheDrawString(0, 0, 0, 0, 1, 1, kLine, 0, nullptr, nullptr, 1, font, 0, -1, 0, size);
    width = size[0];
    height = size[1];
    ok = MakeMemImg(&image, 640, 64, 1) == 0 && width > 0;
  }
  ~Setup() {
    ReleaseMemImg(&image);
    EndEngine();
    std::error_code ignored;
    if (!directory.empty()) std::filesystem::remove_all(directory, ignored);
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void BM_FillSameArea(benchmark::State& state) {
  Setup& s = Shared();
  if (!s.ok) {
    state.SkipWithError("no engine");
    return;
  }
  const RECT rect{0, 0, s.width, s.height};
  ApiLockGuard lock;
  for (auto _ : state) {
    FillMemImgRect(&s.image, &rect, 0xFFFFFF);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillSameArea);

void BM_DrawCachedTextLine(benchmark::State& state) {
  Setup& s = Shared();
  if (!s.ok) {
    state.SkipWithError("no engine");
    return;
  }
  const RECT clip{0, 0, 640, 64};
  ApiLockGuard lock;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        GlyphCacheDrawString(1, 0, 0, 0, 1, 1, kLine, 0xFFFFFF, &s.image, &clip, 1, s.font, 0, -1, 0, nullptr));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawCachedTextLine);

}  // namespace

BENCHMARK_MAIN();
