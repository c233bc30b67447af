// The SDL back-end under a private Xvfb server: a real window with the program's title appears, and closing it
// through the window manager protocol makes ProcessMessage report quit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/core/public_api.h"
#include "engine/core/system_record.h"
#include "platform/base/backend.h"
#include "platform/window/window.h"
#include "tests/support/xvfb_server.h"

// Last: the X headers define macros (None, Bool, Status) that clash with other headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

// SDL and the X libraries keep allocations for the process's life.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

using test_support::FindProgram;
using test_support::XvfbServer;

std::string WindowName(::Display* display, ::Window window) {
  const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &items, &after, &data) ==
          Success &&
      data != nullptr) {
    name.assign(reinterpret_cast<char*>(data), items);
  }
  if (data != nullptr) XFree(data);
  return name;
}

// The top-level window with the given UTF-8 title, or 0.
::Window FindWindowByTitle(::Display* display, const std::string& title) {
  ::Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) return 0;
  ::Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i)
    if (WindowName(display, children[i]) == title) found = children[i];
  if (children != nullptr) XFree(children);
  return found;
}

// An Xvfb display for SDL, a folder of the test's own for the instance lock, and the SDL back-end requested; the
// back-end is released and the folder removed afterwards.
class SdlWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::optional<std::string> xvfb = FindProgram("Xvfb");
    if (!xvfb) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(server.Start(*xvfb));
    setenv("DISPLAY", server.Display().c_str(), 1);
    char dirTemplate[] = "/tmp/sdl-window-XXXXXX";
    directory = mkdtemp(dirTemplate);
    platform::SetInstanceLockDirectory(directory);
    platform::RequestBackend(platform::BackendKind::Sdl);
  }
  void TearDown() override {
    if (directory.empty()) return;
    platform::ReleaseBackend();
    std::filesystem::remove_all(directory);
  }

  XvfbServer server;
  std::string directory;
};

TEST_F(SdlWindow, OpensARealTitledWindowAndClosingItReportsQuit) {
  ASSERT_EQ(chdir(directory.c_str()), 0);

  const char* title = "Selvarinthaxis  ver 1.0.1 テスト";
  ChangeWindowMode(1);
  SetWindowTitle(title);
  ASSERT_EQ(StartEngine(), 0);
  ASSERT_EQ(platform::SelectBackend(), platform::BackendKind::Sdl);

  ::Display* display = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(display, nullptr);
  // The test source is UTF-8; the engine's literal is CP932.
  const std::string utf8Title = "Selvarinthaxis  ver 1.0.1 \xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88";
  ::Window window = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (window == 0 && std::chrono::steady_clock::now() < deadline) {
    EXPECT_EQ(ProcessMessage(), 0);
    XSync(display, False);
    window = FindWindowByTitle(display, utf8Title);
  }
  ASSERT_NE(window, 0u) << "no window titled " << utf8Title;
  XWindowAttributes attributes{};
  ASSERT_NE(XGetWindowAttributes(display, window, &attributes), 0);
  EXPECT_EQ(attributes.width, 640);
  EXPECT_EQ(attributes.height, 480);
  EXPECT_EQ(attributes.map_state, IsViewable);

  if (const std::optional<std::string> import = FindProgram("import")) {
    const std::string shot = directory + "/screen.png";
    const std::string command = *import + " -display " + server.Display() + " -window root " + shot;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(shot), 0u);
  }

  // Close the window the way a window manager asks.
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window;
  close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &close);
  XSync(display, False);

  int result = 0;
  const auto closeDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (result == 0 && std::chrono::steady_clock::now() < closeDeadline) result = ProcessMessage();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(ProcessMessage(), -1);
  EXPECT_EQ(EndEngine(), 0);
  XSync(display, False);
  EXPECT_EQ(FindWindowByTitle(display, utf8Title), 0u);
  XCloseDisplay(display);
}

int g_creates = 0;
platform::LResult CountingProc(platform::WindowHandle, std::uint32_t message, platform::WParam, platform::LParam) {
  if (message == platform::win::kWmCreate) ++g_creates;
  return 0;
}

// A window the window system refuses (SDL makes none wider than 16384) is no window: the call returns 0 without a
// WM_CREATE and leaves no record, so a caller can tell; the next window is made as usual.
TEST_F(SdlWindow, AWindowTheSystemRefusesIsReportedAndLeavesNothing) {
  ASSERT_EQ(platform::SelectBackend(), platform::BackendKind::Sdl);
  ASSERT_TRUE(platform::RegisterWindowClass("RefusedWindowTest", CountingProc, 0));

  g_creates = 0;
  EXPECT_EQ(platform::CreateWindowEx(0, "RefusedWindowTest", "too wide", platform::win::kWsVisible, 0, 0, 20000, 100),
            0u);
  EXPECT_EQ(g_creates, 0);
  const platform::WindowHandle window =
      platform::CreateWindowEx(0, "RefusedWindowTest", "usual", platform::win::kWsVisible, 0, 0, 320, 240);
  ASSERT_NE(window, 0u);
  EXPECT_EQ(g_creates, 1);
  EXPECT_TRUE(platform::IsWindow(window));
  EXPECT_TRUE(platform::DestroyWindow(window));
}

}  // namespace
