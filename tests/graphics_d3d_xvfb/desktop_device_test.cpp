// The 3D device on the desktop: under a private Xvfb server (Mesa's GLX) the engine's SDL window lends its OpenGL
// context to the device by default, and what the device draws shows in the window straight from the GPU, in a
// window and in exclusive full screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/public_api.h"
#include "engine/core/window.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/screen_buffer.h"
#include "platform/base/backend.h"
#include "platform/d3d/egl_context.h"
#include "platform/window/window.h"
#include "tests/support/xvfb_server.h"
#include "tests/support/context_mode.h"

// SDL, the X libraries and the GL driver keep allocations for the process's life.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

using test_support::FindProgram;
using test_support::XvfbServer;

// Pixels as the X server holds them (RGB, 8 bits a channel), through ImageMagick's import: `window` is an import
// window argument ("root", or a window id).
std::vector<unsigned char> ImportPixels(const std::string& import, const std::string& window, int w, int h) {
  const std::string command = import + " -window " + window + " -depth 8 rgb:- 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * h * 3);
  const std::size_t got = std::fread(pixels.data(), 1, pixels.size(), pipe);
  pclose(pipe);
  if (got != pixels.size()) return {};
  return pixels;
}

// The window's pixels, found by its title.
std::vector<unsigned char> WindowPixels(const std::string& import, const std::string& title, int w, int h) {
  return ImportPixels(import, "\"$(xdotool search --name '^" + title + "$' | head -1)\"", w, h);
}

// RGB of a picture `width` pixels wide at (x, y).
std::vector<int> RgbAt(const std::vector<unsigned char>& pixels, int width, int x, int y) {
  const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

// The engine on the SDL back-end of a private Xvfb server (1024 x 768), its device on the window's context.
class DesktopDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::optional<std::string> xvfb = FindProgram("Xvfb");
    import_ = FindProgram("import");
    if (!xvfb || !import_ || !FindProgram("xdotool")) GTEST_SKIP() << "Xvfb, ImageMagick or xdotool is missing";
    ASSERT_TRUE(server_.Start(*xvfb));
    setenv("DISPLAY", server_.Display().c_str(), 1);
    char dirTemplate[] = "/tmp/d3d-xvfb-XXXXXX";
    directory_ = mkdtemp(dirTemplate);
    ASSERT_EQ(chdir(directory_.c_str()), 0);
    platform::SetInstanceLockDirectory(directory_);
    platform::RequestBackend(platform::BackendKind::Sdl);
    contextMode_.Set(platform::d3d::ContextMode::kWindow);
  }
  void TearDown() override {
    if (started_) {
      EXPECT_EQ(EndEngine(), 0);
    }
    platform::ReleaseBackend();
    if (!directory_.empty()) std::filesystem::remove_all(directory_);
  }
  // Starts the engine in a window, or in exclusive full screen at 640 x 480 x 32 (a flip chain).
  void Start(bool windowed) {
    if (windowed) {
      ChangeWindowMode(1);
    } else {
      SelectScreenMode(640, 480, 32, 60);
      ChangeWindowMode(0);
    }
    SetWindowTitle("DesktopDeviceTest");
    ASSERT_EQ(StartEngine(), 0);
    started_ = true;
    ASSERT_EQ(platform::SelectBackend(), platform::BackendKind::Sdl);
    EXPECT_TRUE(platform::d3d::UsesWindowContext());
    ASSERT_EQ(Use3D, 1) << "the device did not start on the window's context";
    ASSERT_EQ(SelectDrawTarget(-2), 0);
  }

  test_support::ContextModePin contextMode_;
  XvfbServer server_;
  std::optional<std::string> import_;
  std::string directory_;
  bool started_ = false;
};

TEST_F(DesktopDevice, DrawsWithTheWindowsContextAndTheFrameShowsInTheWindow) {
  ASSERT_NO_FATAL_FAILURE(Start(true));
  const std::string& import = *import_;

  // Quarters in four colours and a blended box across the middle: drawn by the device, read back by nobody but the
  // presenting step.
  const int colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  for (int q = 0; q < 4; ++q) {
    const int x = (q % 2) * 320, y = (q / 2) * 240;
    DrawRectangle(x, y, x + 320, y + 240, MakeColorValue(colours[q][0], colours[q][1], colours[q][2]), 1);
  }
  SetBlendMode(1, 128);
  DrawRectangle(200, 200, 440, 280, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 0);
  ASSERT_EQ(PresentBackScreen(), 0);
  for (int i = 0; i < 20; ++i) ProcessMessage();

  const std::vector<unsigned char> pixels = WindowPixels(import, "DesktopDeviceTest", 640, 480);
  ASSERT_FALSE(pixels.empty()) << "no picture of the window";
  auto at = [&](int x, int y) { return RgbAt(pixels, 640, x, y); };
  struct Case {
    int x, y;
    std::vector<int> rgb;
  };
  const Case cases[] = {
      {10, 10, {255, 0, 0}},    {630, 10, {0, 255, 0}},  {10, 470, {0, 0, 255}}, {630, 470, {255, 255, 255}},
      {199, 199, {255, 0, 0}},  {440, 280, {255, 255, 255}},
  };
  for (const Case& c : cases) EXPECT_EQ(at(c.x, c.y), c.rgb) << c.x << "," << c.y;
  // Half of the colour under the blended box (the device blends in floats: within 1).
  const std::vector<int> blended = at(250, 220);
  EXPECT_NEAR(blended[0], 127, 1);
  EXPECT_EQ(blended[1], 0);
  EXPECT_EQ(blended[2], 0);

  // The frame went to the window from the GPU's copy: nothing was read back.
  platform::d3d::Direct3D* object = g_D3D.object.get();
  ASSERT_NE(object, nullptr);
  EXPECT_GE(object->GpuPresents(), 1u);
  EXPECT_EQ(object->SurfaceReadBacks(), 0u);

  // Later frames: the clear and the device's drawing, with a software draw onto the back screen between scenes (a
  // block written through a lock), all reach the window, still without a read-back per frame.
  const std::uint64_t readBacks = object->SurfaceReadBacks();
  for (int frame = 0; frame < 3; ++frame) {
    ASSERT_EQ(ClearCurrentDrawScreen(), 0);
    DrawRectangle(0, 0, 320, 240, MakeColorValue(0, 0, 255), 1);
    std::uint8_t* p = nullptr;
    int pitch = 0;
    ASSERT_EQ(g_Screens.back->Lock(nullptr, 0, &p, &pitch), platform::dd::kOk);
    for (int y = 300; y < 340; ++y) {
      for (int x = 400; x < 440; ++x) {
        const std::uint32_t magenta = 0xFFFF00FF;
        std::memcpy(p + y * pitch + x * 4, &magenta, 4);
      }
    }
    g_Screens.back->Unlock();
    DrawRectangle(100, 300, 200, 400, MakeColorValue(0, 255, 0), 1);
    ASSERT_EQ(PresentBackScreen(), 0);
  }
  for (int i = 0; i < 20; ++i) ProcessMessage();
  EXPECT_EQ(object->SurfaceReadBacks() - readBacks, 3u) << "one read-back per frame, for the locked back screen";
  const std::vector<unsigned char> later = WindowPixels(import, "DesktopDeviceTest", 640, 480);
  ASSERT_FALSE(later.empty());
  auto laterAt = [&](int x, int y) { return RgbAt(later, 640, x, y); };
  const Case laterCases[] = {{10, 10, {0, 0, 255}},    {630, 10, {0, 0, 0}}, {420, 320, {255, 0, 255}},
                             {150, 350, {0, 255, 0}},  {630, 470, {0, 0, 0}}};
  for (const Case& c : laterCases) EXPECT_EQ(laterAt(c.x, c.y), c.rgb) << c.x << "," << c.y;

  // The front screen's memory gets the shown picture when it is read.
  int ox = 0, oy = 0;
  ASSERT_TRUE(platform::ClientToScreen(GetMainWindowHandle(), &ox, &oy));
  std::uint8_t* front = nullptr;
  int frontPitch = 0;
  ASSERT_EQ(GetPrimarySurface()->Lock(nullptr, platform::dd::kLockReadOnly, &front, &frontPitch), platform::dd::kOk);
  auto frontAt = [&](int x, int y) {
    std::uint32_t v = 0;
    std::memcpy(&v, front + static_cast<std::ptrdiff_t>(oy + y) * frontPitch + (ox + x) * 4, 4);
    return v & 0xFFFFFFu;
  };
  EXPECT_EQ(frontAt(10, 10), 0x0000FFu);
  EXPECT_EQ(frontAt(420, 320), 0xFF00FFu);
  EXPECT_EQ(frontAt(150, 350), 0x00FF00u);
  GetPrimarySurface()->Unlock();
}

// In exclusive full screen the 640 x 480 picture fills the 1024 x 768 desktop (x 1.6).
std::vector<int> ScreenAt(const std::vector<unsigned char>& screen, int x, int y) {
  return RgbAt(screen, 1024, x * 8 / 5, y * 8 / 5);
}

// One frame drawn by the device: the clear and four quarters whose colours turn with `frame`.
const int kQuarterColours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
void DrawQuarters(int frame) {
  ASSERT_EQ(ClearCurrentDrawScreen(), 0);
  for (int q = 0; q < 4; ++q) {
    const int* c = kQuarterColours[(q + frame) % 4];
    const int x = (q % 2) * 320, y = (q / 2) * 240;
    ASSERT_EQ(DrawRectangle(x, y, x + 320, y + 240, MakeColorValue(c[0], c[1], c[2]), 1), 0);
  }
}

TEST_F(DesktopDevice, FullScreenFramesFlipOnTheGpuWithoutReadBack) {
  ASSERT_NO_FATAL_FAILURE(Start(false));
  ASSERT_NE(g_Screens.primary->BackBuffer(), nullptr) << "no flip chain";
  platform::d3d::Direct3D* object = g_D3D.object.get();
  ASSERT_NE(object, nullptr);
  // The first frame brings the back buffer to the GPU; after it, frames only flip.
  ASSERT_NO_FATAL_FAILURE(DrawQuarters(0));
  ASSERT_EQ(PresentBackScreen(), 0);
  const std::uint64_t readBacks = object->SurfaceReadBacks(), uploads = object->SurfaceUploads();
  const std::uint64_t shown = object->GpuPresents();
  constexpr int kFrames = 7;  // more than the chain's buffers, so each buffer comes round again
  for (int frame = 1; frame <= kFrames; ++frame) {
    ASSERT_NO_FATAL_FAILURE(DrawQuarters(frame));
    ASSERT_EQ(PresentBackScreen(), 0);
    ProcessMessage();
  }
  EXPECT_EQ(object->SurfaceReadBacks() - readBacks, 0u) << "a full-screen frame was read back";
  EXPECT_EQ(object->SurfaceUploads() - uploads, 0u) << "a flipped buffer went to the GPU again";
  EXPECT_EQ(object->GpuPresents() - shown, static_cast<std::uint64_t>(kFrames));

  for (int i = 0; i < 20; ++i) ProcessMessage();
  const std::vector<unsigned char> screen = ImportPixels(*import_, "root", 1024, 768);
  ASSERT_FALSE(screen.empty()) << "no picture of the screen";
  for (int q = 0; q < 4; ++q) {
    const int* c = kQuarterColours[(q + kFrames) % 4];
    const int x = (q % 2) * 320 + 160, y = (q / 2) * 240 + 120;
    EXPECT_EQ(ScreenAt(screen, x, y), (std::vector<int>{c[0], c[1], c[2]})) << "quarter " << q;
  }

  // The front screen's memory gets the shown frame when it is read, with the one read-back.
  std::uint8_t* front = nullptr;
  int pitch = 0;
  ASSERT_EQ(GetPrimarySurface()->Lock(nullptr, platform::dd::kLockReadOnly, &front, &pitch), platform::dd::kOk);
  for (int q = 0; q < 4; ++q) {
    const int* c = kQuarterColours[(q + kFrames) % 4];
    std::uint32_t v = 0;
    std::memcpy(&v, front + static_cast<std::ptrdiff_t>((q / 2) * 240 + 10) * pitch + ((q % 2) * 320 + 10) * 4, 4);
    EXPECT_EQ(v & 0xFFFFFFu, static_cast<std::uint32_t>((c[0] << 16) | (c[1] << 8) | c[2])) << "quarter " << q;
  }
  GetPrimarySurface()->Unlock();
  EXPECT_EQ(object->SurfaceReadBacks() - readBacks, 1u);
}

TEST_F(DesktopDevice, FullScreenLockGetsTheGpusDrawing) {
  ASSERT_NO_FATAL_FAILURE(Start(false));
  platform::d3d::Direct3D* object = g_D3D.object.get();
  ASSERT_NE(object, nullptr);
  ASSERT_NO_FATAL_FAILURE(DrawQuarters(0));
  ASSERT_EQ(PresentBackScreen(), 0);
  const std::uint64_t readBacks = object->SurfaceReadBacks();
  constexpr int kFrames = 4;
  for (int frame = 0; frame < kFrames; ++frame) {
    ASSERT_EQ(ClearCurrentDrawScreen(), 0);
    ASSERT_EQ(DrawRectangle(0, 0, 320, 240, MakeColorValue(0, 0, 255), 1), 0);
    // A block written through a lock, between the device's draws: the lock sees this frame's drawing.
    std::uint8_t* p = nullptr;
    int pitch = 0;
    ASSERT_EQ(g_Screens.back->Lock(nullptr, 0, &p, &pitch), platform::dd::kOk);
    std::uint32_t seen[2] = {};
    std::memcpy(&seen[0], p + 10 * pitch + 10 * 4, 4);
    std::memcpy(&seen[1], p + 300 * pitch + 500 * 4, 4);
    for (int y = 300; y < 340; ++y) {
      for (int x = 400; x < 440; ++x) {
        const std::uint32_t magenta = 0xFFFF00FF;
        std::memcpy(p + y * pitch + x * 4, &magenta, 4);
      }
    }
    g_Screens.back->Unlock();
    EXPECT_EQ(seen[0] & 0xFFFFFFu, 0x0000FFu) << "frame " << frame;
    EXPECT_EQ(seen[1] & 0xFFFFFFu, 0u) << "frame " << frame;
    ASSERT_EQ(DrawRectangle(100, 300, 200, 400, MakeColorValue(0, 255, 0), 1), 0);
    ASSERT_EQ(PresentBackScreen(), 0);
  }
  EXPECT_EQ(object->SurfaceReadBacks() - readBacks, static_cast<std::uint64_t>(kFrames))
      << "one read-back per frame, for the lock";

  for (int i = 0; i < 20; ++i) ProcessMessage();
  const std::vector<unsigned char> screen = ImportPixels(*import_, "root", 1024, 768);
  ASSERT_FALSE(screen.empty()) << "no picture of the screen";
  struct Case {
    int x, y;
    std::vector<int> rgb;
  };
  const Case cases[] = {{160, 120, {0, 0, 255}}, {420, 320, {255, 0, 255}}, {150, 350, {0, 255, 0}},
                        {630, 10, {0, 0, 0}},    {630, 470, {0, 0, 0}}};
  for (const Case& c : cases) EXPECT_EQ(ScreenAt(screen, c.x, c.y), c.rgb) << c.x << "," << c.y;
}

}  // namespace
