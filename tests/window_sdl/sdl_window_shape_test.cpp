// The SDL back-end under a private Xvfb server: a window region becomes the X window's bounding shape, and the
// system-key hook grabs the keyboard while the window is active.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/core/system_record.h"
#include "platform/base/backend.h"
#include "platform/window/window.h"
#include "tests/support/xvfb_server.h"

// Last: the X headers define macros (None, Bool, Status) that clash with other headers.
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include "tests/support/x_top_window.h"

// (The suite's leak-check setting for SDL and the X libraries is in sdl_window_test.cpp.)

namespace {

using test_support::FindProgram;
using test_support::XvfbServer;


// Whether another client can take the keyboard now (it gives it back at once).
bool KeyboardFree(::Display* display) {
  const int r = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (r == GrabSuccess) XUngrabKeyboard(display, CurrentTime);
  XSync(display, False);
  return r == GrabSuccess;
}

TEST(SdlWindowShape, TheRegionShapesTheXWindowAndTheSystemKeyHookGrabsTheKeyboard) {
  const std::optional<std::string> xvfb = FindProgram("Xvfb");
  if (!xvfb) GTEST_SKIP() << "Xvfb is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.Start(*xvfb));
  setenv("DISPLAY", server.Display().c_str(), 1);
  char dirTemplate[] = "/tmp/sdl-shape-XXXXXX";
  const std::string directory = mkdtemp(dirTemplate);
  platform::SetInstanceLockDirectory(directory);
  platform::RequestBackend(platform::BackendKind::Sdl);
  ASSERT_EQ(chdir(directory.c_str()), 0);

  // Two rectangles of the outer window; the X window is the client area, so the shape is moved by the frame.
  const platform::RegionHandle region = platform::CreateRectRgn(0, 0, 300, 200);
  platform::CombineRgnOr(region, platform::CreateRectRgn(400, 300, 500, 400));
  g_System.windowRegion = region;
  g_System.systemKeyFlag = 1;
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

  int frameLeft = 0, frameTop = 0;
  {
    ApiLockGuard lock;
    platform::Rect outer{};
    platform::GetWindowRect(g_System.mainWindow, &outer);
    int x = 0, y = 0;
    platform::ClientToScreen(g_System.mainWindow, &x, &y);
    frameLeft = x - outer.left;
    frameTop = y - outer.top;
  }
  int event = 0, error = 0;
  ASSERT_NE(XShapeQueryExtension(display, &event, &error), 0);
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(display, window, ShapeBounding, &count, &ordering);
  ASSERT_NE(rects, nullptr);
  ASSERT_EQ(count, 2);
  // X keeps the shape in its own banded order; both rectangles are there, moved by the frame.
  bool first = false, second = false;
  for (int i = 0; i < count; ++i) {
    const XRectangle& r = rects[i];
    first = first || (r.x == -frameLeft && r.y == -frameTop && r.width == 300 && r.height == 200);
    second = second || (r.x == 400 - frameLeft && r.y == 300 - frameTop && r.width == 100 && r.height == 100);
  }
  XFree(rects);
  EXPECT_TRUE(first);
  EXPECT_TRUE(second);

  // Active: the keyboard is the window's; inactive: free again.
  {
    ApiLockGuard lock;
    platform::SendMessage(g_System.mainWindow, platform::win::kWmActivate, platform::win::kWaInactive, 0);
    platform::SendMessage(g_System.mainWindow, platform::win::kWmActivate, platform::win::kWaActive, 0);
  }
  EXPECT_FALSE(KeyboardFree(display));
  {
    ApiLockGuard lock;
    platform::SendMessage(g_System.mainWindow, platform::win::kWmActivate, platform::win::kWaInactive, 0);
  }
  EXPECT_TRUE(KeyboardFree(display));
  {
    ApiLockGuard lock;
    platform::SendMessage(g_System.mainWindow, platform::win::kWmActivate, platform::win::kWaActive, 0);
  }
  EXPECT_FALSE(KeyboardFree(display));
  EXPECT_EQ(EndEngine(), 0);
  EXPECT_TRUE(KeyboardFree(display));  // the window's end lets the keyboard go
  XCloseDisplay(display);
  platform::ReleaseBackend();
  std::filesystem::remove_all(directory);
}

}  // namespace
