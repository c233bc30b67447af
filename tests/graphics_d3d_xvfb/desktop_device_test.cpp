// The 3D device on the desktop: under a private Xvfb server (Mesa's GLX) the engine's SDL window lends its OpenGL
// context to the device by default, and what the device draws shows in the window straight from the GPU.
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

// SDL, the X libraries and the GL driver keep allocations for the process's life.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

using test_support::FindProgram;
using test_support::XvfbServer;

// The window's pixels as the X server holds them (RGB, 8 bits a channel), through ImageMagick's import.
std::vector<unsigned char> WindowPixels(const std::string& import, const std::string& title, int w, int h) {
  const std::string command = "xdotool search --name '^" + title + "$' | head -1 | xargs -I{} " + import +
                              " -window {} -depth 8 rgb:- 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * h * 3);
  const std::size_t got = std::fread(pixels.data(), 1, pixels.size(), pipe);
  pclose(pipe);
  if (got != pixels.size()) return {};
  return pixels;
}

TEST(DesktopDevice, DrawsWithTheWindowsContextAndTheFrameShowsInTheWindow) {
  const std::optional<std::string> xvfb = FindProgram("Xvfb");
  const std::optional<std::string> import = FindProgram("import");
  if (!xvfb || !import || !FindProgram("xdotool")) GTEST_SKIP() << "Xvfb, ImageMagick or xdotool is missing";
  XvfbServer server;
  ASSERT_TRUE(server.Start(*xvfb));
  setenv("DISPLAY", server.Display().c_str(), 1);
  char dirTemplate[] = "/tmp/d3d-xvfb-XXXXXX";
  const std::string directory = mkdtemp(dirTemplate);
  ASSERT_EQ(chdir(directory.c_str()), 0);

  platform::SetInstanceLockDirectory(directory);
  platform::RequestBackend(platform::BackendKind::Sdl);
  platform::d3d::SetContextMode(platform::d3d::ContextMode::kWindow);
  ChangeWindowMode(1);
  SetWindowTitle("DesktopDeviceTest");
  ASSERT_EQ(StartEngine(), 0);
  ASSERT_EQ(platform::SelectBackend(), platform::BackendKind::Sdl);
  EXPECT_TRUE(platform::d3d::UsesWindowContext());
  ASSERT_EQ(Use3D, 1) << "the device did not start on the window's context";

  // Quarters in four colours and a blended box across the middle: drawn by the device, read back by nobody but the
  // presenting step.
  ASSERT_EQ(SelectDrawTarget(-2), 0);
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

  const std::vector<unsigned char> pixels = WindowPixels(*import, "DesktopDeviceTest", 640, 480);
  ASSERT_FALSE(pixels.empty()) << "no picture of the window";
  auto at = [&](int x, int y) {
    const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * 640 + x) * 3];
    return std::vector<int>{p[0], p[1], p[2]};
  };
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
  const std::vector<unsigned char> later = WindowPixels(*import, "DesktopDeviceTest", 640, 480);
  ASSERT_FALSE(later.empty());
  auto laterAt = [&](int x, int y) {
    const unsigned char* q = &later[(static_cast<std::size_t>(y) * 640 + x) * 3];
    return std::vector<int>{q[0], q[1], q[2]};
  };
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

  EXPECT_EQ(EndEngine(), 0);
  platform::ReleaseBackend();
  platform::d3d::ClearContextModeOverride();
  std::filesystem::remove_all(directory);
}

}  // namespace
