// A sprite-heavy frame through the Direct3D path (EGL surfaceless on the machine's GL driver; Mesa's llvmpipe in
// CI) and through the software renderer, in the same run: 2,000 alpha-blended 64 x 64 sprites plus 200 rotated
// ones onto the 640 x 480 back screen, ended by a present; a screen of text (24 lines of 40 characters, anti-aliased
// with an edge, from a warm glyph cache: the texture cache on the device, the memory cache in software), ended by a
// present; and one present alone through each path, in a window and in exclusive full screen (a flip chain). The
// software path is the baseline: compare the Device and Software figures of each pair. Headless, a present leaves
// the frame on the GPU until the framebuffer is read (nothing reads it here); the full-screen present with a lock
// of the back screen in each frame shows what a frame costs that is read back and uploaded again. The device runs
// count the back screen's transfers per iteration.
#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/api_lock.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/public_api.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/font.h"
#include "engine/graphics/screen_buffer.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/d3d/egl_context.h"
#include "platform/window/window.h"

namespace {

// A 64 x 64 RGBA sprite: a colour ramp with an alpha ramp.
bool WriteSprite(const char* path) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, 64, 64, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(64 * 4);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      row[x * 4 + 0] = static_cast<png_byte>(x * 4);
      row[x * 4 + 1] = static_cast<png_byte>(y * 4);
      row[x * 4 + 2] = 0x80;
      row[x * 4 + 3] = static_cast<png_byte>((x + y) * 2);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}

// A headless engine on the chosen path, for the length of one benchmark.
class Engine {
 public:
  Engine(bool device, benchmark::State& state, bool fullScreen = false) {
    char dirTemplate[] = "/tmp/d3d-bench-XXXXXX";
    const char* made = mkdtemp(dirTemplate);
    if (made == nullptr || chdir(made) != 0) {
      state.SkipWithError("no temporary directory");
      return;
    }
    directory_ = made;
    platform::d3d::SetContextMode(device ? platform::d3d::ContextMode::kEgl : platform::d3d::ContextMode::kOff);
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SetClockMode(platform::ClockMode::Virtual);
    platform::SetInstanceLockDirectory(directory_);
    if (fullScreen) SelectScreenMode(640, 480, 32, 60);
    ChangeWindowMode(fullScreen ? 0 : 1);
    SetLogFileOutput(0);
    if (StartEngine() != 0 || Use3D != (device ? 1 : 0) || !WriteSprite("sprite.png")) {
      state.SkipWithError(device ? "no Direct3D path here" : "the engine did not start");
      return;
    }
    {
      ApiLockGuard lock;
      SetFlipWaitForVBlank(0);
      SelectDrawTargetBody(-2);
    }
    sprite_ = LoadGraphicFile("sprite.png");
    ok_ = sprite_ >= 0;
    if (!ok_) state.SkipWithError("the sprite did not load");
  }
  ~Engine() {
    EndEngine();
    platform::d3d::ClearContextModeOverride();
    std::error_code ignored;
    if (!directory_.empty()) std::filesystem::remove_all(directory_, ignored);
  }
  bool ok() const { return ok_; }
  int sprite() const { return sprite_; }

 private:
  std::string directory_;
  int sprite_ = -1;
  bool ok_ = false;
};

// The device's transfers of the back screen per iteration (memory to GPU, GPU to memory).
void CountTransfers(benchmark::State& state, std::uint64_t uploads, std::uint64_t readBacks) {
  if (g_D3D.object == nullptr) return;
  const double n = static_cast<double>(state.iterations());
  state.counters["uploads"] = static_cast<double>(g_D3D.object->SurfaceUploads() - uploads) / n;
  state.counters["readbacks"] = static_cast<double>(g_D3D.object->SurfaceReadBacks() - readBacks) / n;
}

std::uint64_t Uploads() { return g_D3D.object != nullptr ? g_D3D.object->SurfaceUploads() : 0; }
std::uint64_t ReadBacks() { return g_D3D.object != nullptr ? g_D3D.object->SurfaceReadBacks() : 0; }

void SpriteFrame(benchmark::State& state, bool device) {
  Engine engine(device, state);
  if (!engine.ok()) return;
  const std::uint64_t uploads = Uploads(), readBacks = ReadBacks();
  for (auto _ : state) {
    ClearCurrentDrawScreen();
    SetBlendMode(1, 200);
    for (int i = 0; i < 2000; ++i) DrawGraphAt((i * 37) % 600 - 16, (i * 53) % 440 - 16, engine.sprite(), 1);
    SetBlendMode(0, 0);
    for (int i = 0; i < 200; ++i)
      DrawGraphRotated((i * 41) % 640, (i * 29) % 480, 1.0, i * 0.07, engine.sprite(), 1, 0);
    benchmark::DoNotOptimize(PresentBackScreen());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 2200);
  CountTransfers(state, uploads, readBacks);
}

// lockBack: the back screen is locked in each frame (after the frame's draw), as software drawing onto it would.
void Present(benchmark::State& state, bool device, bool fullScreen, bool lockBack = false) {
  Engine engine(device, state, fullScreen);
  if (!engine.ok()) return;
  const std::uint64_t uploads = Uploads(), readBacks = ReadBacks();
  for (auto _ : state) {
    // One sprite so the device path has a scene to end, as a real frame has.
    DrawGraphAt(10, 10, engine.sprite(), 1);
    if (lockBack) {
      ApiLockGuard lock;
      std::uint8_t* pixels = nullptr;
      int pitch = 0;
      if (GetBackSurface()->Lock(nullptr, 0, &pixels, &pitch) == platform::dd::kOk) GetBackSurface()->Unlock();
    }
    benchmark::DoNotOptimize(PresentBackScreen());
  }
  CountTransfers(state, uploads, readBacks);
}

void TextFrame(benchmark::State& state, bool device) {
  Engine engine(device, state);
  if (!engine.ok()) return;
  int font = -1;
  {
    ApiLockGuard lock;
    font = CreateFontToHandle(nullptr, 16, 6, 3, -1, 1, 0, -1, -1);
  }
  if (font < 0) {
    state.SkipWithError("no font");
    return;
  }
  const char* line = "The quick brown fox jumps over 13 dogs.";
  const std::uint64_t uploads = Uploads(), readBacks = ReadBacks();
  for (auto _ : state) {
    ClearCurrentDrawScreen();
    for (int row = 0; row < 24; ++row) {
      ApiLockGuard lock;
      DrawStringWithFont(4, row * 20, line, 0xFFFFFF, font, 0x0000FF, 0);
    }
    benchmark::DoNotOptimize(PresentBackScreen());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 24 * 40);
  CountTransfers(state, uploads, readBacks);
}

void BM_SpriteFrame_Software(benchmark::State& state) { SpriteFrame(state, false); }
void BM_SpriteFrame_Device(benchmark::State& state) { SpriteFrame(state, true); }
void BM_TextFrame_Software(benchmark::State& state) { TextFrame(state, false); }
void BM_TextFrame_Device(benchmark::State& state) { TextFrame(state, true); }
void BM_Present_Software(benchmark::State& state) { Present(state, false, false); }
void BM_Present_Device(benchmark::State& state) { Present(state, true, false); }
void BM_PresentFullScreen_Software(benchmark::State& state) { Present(state, false, true); }
void BM_PresentFullScreen_Device(benchmark::State& state) { Present(state, true, true); }
void BM_PresentFullScreen_DeviceLockingBack(benchmark::State& state) { Present(state, true, true, true); }
BENCHMARK(BM_SpriteFrame_Software)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteFrame_Device)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextFrame_Software)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextFrame_Device)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Present_Software)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Present_Device)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentFullScreen_Software)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentFullScreen_Device)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentFullScreen_DeviceLockingBack)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
