// The desktop back-end end to end: the engine's real SDL window under a private Xvfb server receives keys sent
// through the X test extension (xdotool), and they reach IsKeyDown and the pad word.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "engine/core/public_api.h"
#include "platform/base/backend.h"
#include "platform/window/window.h"
#include "tests/support/xvfb_server.h"

// SDL and the X libraries keep allocations for the process's life.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

using test_support::FindProgram;
using test_support::XvfbServer;

// Pumps the engine's messages until the condition holds or ten seconds have passed.
bool PumpUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ProcessMessage() != 0) return false;
    if (condition()) return true;
    usleep(1000);
  }
  return false;
}

TEST(InputXvfb, KeysSentToTheWindowReachIsKeyDownAndThePadWord) {
  const std::optional<std::string> xvfb = FindProgram("Xvfb");
  if (!xvfb) GTEST_SKIP() << "Xvfb is not installed";
  const std::optional<std::string> xdotool = FindProgram("xdotool");
  ASSERT_TRUE(xdotool) << "xdotool is missing (scripts/setup.sh installs it)";
  XvfbServer server;
  ASSERT_TRUE(server.Start(*xvfb));
  setenv("DISPLAY", server.Display().c_str(), 1);

  char dirTemplate[] = "/tmp/input-xvfb-XXXXXX";
  const std::string directory = mkdtemp(dirTemplate);
  ASSERT_EQ(chdir(directory.c_str()), 0);
  platform::SetInstanceLockDirectory(directory);
  platform::RequestBackend(platform::BackendKind::Sdl);
  ChangeWindowMode(1);
  SetWindowTitle("InputXvfbTest");
  ASSERT_EQ(StartEngine(), 0);
  ASSERT_EQ(platform::SelectBackend(), platform::BackendKind::Sdl);

  // Without a window manager the keyboard goes where the input focus is: give it to the engine's window.
  auto xdo = [&](const std::string& arguments) {
    const std::string command = *xdotool + " " + arguments + " > /dev/null 2>&1";
    return std::system(command.c_str());
  };
  ASSERT_EQ(xdo("search --sync --name '^InputXvfbTest$' windowfocus --sync"), 0);

  struct Case {
    const char* keysym;
    int keyCode;  // DirectInput key code
    int padBit;   // its bit in GetPadInputBits(0x1001), or 0
  };
  const Case cases[] = {
      {"Up", 200, 0x8},      {"Down", 208, 0x1},    {"Left", 203, 0x2},  {"Right", 205, 0x4},
      {"Escape", 1, 0x1000}, {"a", 30, 0x80},       {"x", 45, 0x20},     {"c", 46, 0x40},
      {"b", 48, 0},          {"z", 44, 0x10},       {"s", 31, 0x100},    {"d", 32, 0x200},
      {"q", 16, 0x400},      {"w", 17, 0x800},      {"space", 57, 0x2000}, {"KP_2", 0x50, 0x1},
      {"KP_8", 0x48, 0x8},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(xdo(std::string("keydown ") + c.keysym), 0) << c.keysym;
    ASSERT_TRUE(PumpUntil([&] { return IsKeyDown(c.keyCode) == 1; })) << c.keysym << " never read as down";
    EXPECT_EQ(GetPadInputBits(0x1001), c.padBit) << c.keysym;
    ASSERT_EQ(xdo(std::string("keyup ") + c.keysym), 0) << c.keysym;
    ASSERT_TRUE(PumpUntil([&] { return IsKeyDown(c.keyCode) == 0; })) << c.keysym << " never read as up";
    EXPECT_EQ(GetPadInputBits(0x1001), 0) << c.keysym << " released";
  }

  // Two keys at once combine in the pad word.
  ASSERT_EQ(xdo("keydown z keydown Left"), 0);
  EXPECT_TRUE(PumpUntil([] { return GetPadInputBits(0x1001) == (0x10 | 0x2); }));
  ASSERT_EQ(xdo("keyup z keyup Left"), 0);
  EXPECT_TRUE(PumpUntil([] { return GetPadInputBits(0x1001) == 0; }));

  EXPECT_EQ(EndEngine(), 0);
  platform::ReleaseBackend();
  std::filesystem::remove_all(directory);
}

}  // namespace
