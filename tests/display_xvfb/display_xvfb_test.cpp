// The SDL back-end shows presented frames: under a private Xvfb server the engine clears, fills a box on the back
// screen through the screen lock and presents it; a screenshot of the window (ImageMagick's import) shows the box.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/api_lock.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/public_api.h"
#include "engine/core/system_record.h"
#include "engine/softrender/fill_memimg_rect.h"
#include "platform/base/backend.h"
#include "platform/window/window.h"
#include "tests/support/xvfb_server.h"

// Last: the X headers define macros (None, Bool, Status) that clash with other headers.
#include <X11/Xlib.h>
#include "tests/support/x_top_window.h"

// SDL and the X libraries keep allocations for the process's life.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

using test_support::FindProgram;
using test_support::XvfbServer;

// A binary PPM (P6, maxval 255) read into 0x00RRGGBB pixels.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

bool ReadPpm(const std::string& path, Picture* out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> out->width >> out->height >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255 || out->width <= 0 || out->height <= 0) return false;
  std::vector<unsigned char> bytes(static_cast<std::size_t>(out->width) * static_cast<std::size_t>(out->height) * 3);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) return false;
  out->pixels.resize(bytes.size() / 3);
  for (std::size_t i = 0; i < out->pixels.size(); ++i)
    out->pixels[i] = (std::uint32_t{bytes[i * 3]} << 16) | (std::uint32_t{bytes[i * 3 + 1]} << 8) | bytes[i * 3 + 2];
  return true;
}

TEST(DisplayXvfb, APresentedFillShowsInTheWindow) {
  const std::optional<std::string> xvfb = FindProgram("Xvfb");
  const std::optional<std::string> import = FindProgram("import");
  if (!xvfb || !import) GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.Start(*xvfb));
  setenv("DISPLAY", server.Display().c_str(), 1);

  char dirTemplate[] = "/tmp/display-xvfb-XXXXXX";
  const std::string directory = mkdtemp(dirTemplate);
  ASSERT_EQ(chdir(directory.c_str()), 0);
  platform::SetInstanceLockDirectory(directory);
  platform::RequestBackend(platform::BackendKind::Sdl);
  ChangeWindowMode(1);
  ASSERT_EQ(StartEngine(), 0);
  ASSERT_EQ(platform::SelectBackend(), platform::BackendKind::Sdl);

  ::Display* display = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(display, nullptr);
  ::Window window = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (window == 0 && std::chrono::steady_clock::now() < deadline) {
    ProcessMessage();
    XSync(display, False);
    window = test_support::FindViewableWindow(display, 640, 480);
  }
  ASSERT_NE(window, 0u);

  {
    ApiLockGuard lock;
    SelectDrawTargetBody(-2);
  }
  ASSERT_EQ(ClearCurrentDrawScreen(), 0);
  {
    ApiLockGuard lock;
    ASSERT_EQ(DrawFilledBoxSoft(100, 50, 300, 200, 0x00FF8000u), 0);
    ASSERT_EQ(DrawFilledBoxSoft(400, 300, 500, 400, 0x000000FFu), 0);
  }
  ASSERT_EQ(PresentBackScreen(), 0);
  ProcessMessage();
  XSync(display, False);

  const std::string shot = directory + "/shot.ppm";
  const std::string command = *import + " -display " + server.Display() + " -window " + std::to_string(window) + " -depth 8 " +
                              shot + " 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  Picture picture;
  ASSERT_TRUE(ReadPpm(shot, &picture));
  ASSERT_EQ(picture.width, 640);
  ASSERT_EQ(picture.height, 480);
  EXPECT_EQ(picture.At(100, 50), 0xFF8000u);
  EXPECT_EQ(picture.At(299, 199), 0xFF8000u);
  EXPECT_EQ(picture.At(450, 350), 0x0000FFu);
  EXPECT_EQ(picture.At(10, 10), 0u);
  EXPECT_EQ(picture.At(300, 199), 0u);

  XCloseDisplay(display);
  EXPECT_EQ(EndEngine(), 0);
  platform::ReleaseBackend();
  std::remove(shot.c_str());
  rmdir(directory.c_str());
}

// Exclusive full screen on a 16:9 desktop: the window covers the desktop and the 4:3 picture fills its height,
// centred between black bars.
TEST(DisplayXvfb, ExclusiveFullScreenFillsTheDesktopWithTheAspectKept) {
  const std::optional<std::string> xvfb = FindProgram("Xvfb");
  const std::optional<std::string> import = FindProgram("import");
  if (!xvfb || !import) GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.Start(*xvfb, "1280x720x24"));
  setenv("DISPLAY", server.Display().c_str(), 1);
  char dirTemplate[] = "/tmp/display-xvfb-XXXXXX";
  const std::string directory = mkdtemp(dirTemplate);
  ASSERT_EQ(chdir(directory.c_str()), 0);
  platform::SetInstanceLockDirectory(directory);
  platform::RequestBackend(platform::BackendKind::Sdl);
  ChangeWindowMode(0);
  ASSERT_EQ(StartEngine(), 0);
  {
    ApiLockGuard lock;
    SelectDrawTargetBody(-2);
  }
  ::Display* display = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(display, nullptr);
  // A flip chain shows each back buffer in turn: every frame is drawn whole (red: exact at 16 bits too).
  const auto red = static_cast<std::uint32_t>(MakeColorValue(255, 0, 0));
  const auto present = [red] {
    {
      ApiLockGuard lock;
      DrawFilledBoxSoft(0, 0, 640, 480, red);
    }
    return PresentBackScreen();
  };
  ::Window window = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (window == 0 && std::chrono::steady_clock::now() < deadline) {
    ASSERT_EQ(present(), 0);
    ProcessMessage();
    XSync(display, False);
    window = test_support::FindViewableWindow(display, 1280, 720);
  }
  ASSERT_NE(window, 0u);
  ASSERT_EQ(present(), 0);
  ProcessMessage();
  XSync(display, False);
  const std::string shot = directory + "/full.ppm";
  const std::string command = *import + " -display " + server.Display() + " -window " + std::to_string(window) +
                              " -depth 8 " + shot + " 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  Picture picture;
  ASSERT_TRUE(ReadPpm(shot, &picture));
  ASSERT_EQ(picture.width, 1280);
  ASSERT_EQ(picture.height, 720);
  // 640 x 480 scaled by 1.5: 960 x 720 at x 160..1119.
  EXPECT_EQ(picture.At(150, 360), 0u);
  EXPECT_EQ(picture.At(170, 360), 0xFF0000u);
  EXPECT_EQ(picture.At(640, 5), 0xFF0000u);
  EXPECT_EQ(picture.At(1110, 715), 0xFF0000u);
  EXPECT_EQ(picture.At(1130, 360), 0u);
  XCloseDisplay(display);
  EXPECT_EQ(EndEngine(), 0);
  platform::ReleaseBackend();
  std::remove(shot.c_str());
  rmdir(directory.c_str());
}

}  // namespace
