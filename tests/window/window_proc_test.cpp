#include <gtest/gtest.h>

#include <cstring>

#include "../engine_start/engine_fixture.h"
#include "engine/core/char_input.h"
#include "engine/core/window.h"
#include "engine/graphics/present.h"
#include "engine/input/input.h"
#include "platform/window/window.h"

namespace engine_test {
namespace {

namespace win = platform::win;

class WindowProc : public HeadlessEngine {
 protected:
  void Start(int windowMode) {
    ChangeWindowMode(windowMode);
    ASSERT_EQ(StartEngine(), 0);
    window_ = g_System.mainWindow;
    for (int i = 0; i < 3; ++i) ProcessMessage();
  }
  platform::LResult Send(std::uint32_t message, platform::WParam wParam, platform::LParam lParam) {
    ApiLockGuard lock;
    return platform::SendMessage(window_, message, wParam, lParam);
  }
  std::vector<int> RingCodes() {
    std::vector<int> codes;
    for (int i = g_CharRing.readIndex; i != g_CharRing.writeIndex; i = (i + 1) % kCharRingSlots)
      codes.push_back(g_CharRing.codes[i]);
    return codes;
  }
  platform::WindowHandle window_ = 0;
};

TEST_F(WindowProc, EditingKeysAndCharactersGoIntoTheCharacterRing) {
  Start(1);
  const std::pair<platform::WParam, int> keys[] = {{0x2E, 0x10}, {0x25, 0x1D}, {0x27, 0x1C}, {0x26, 0x1E}, {0x28, 0x1F}};
  for (const auto& [key, code] : keys) {
    SCOPED_TRACE(key);
    g_CharRing.readIndex = g_CharRing.writeIndex = 0;
    Send(win::kWmKeyDown, key, 0);
    EXPECT_EQ(RingCodes(), std::vector<int>{code});
  }
  g_CharRing.readIndex = g_CharRing.writeIndex = 0;
  Send(win::kWmKeyDown, 'A', 0);  // not an editing key
  Send(win::kWmChar, 0x41, 0);
  Send(win::kWmChar, 0x182, 0);  // only the low byte counts
  EXPECT_EQ(RingCodes(), (std::vector<int>{0x41, 0x82}));
  // Translation turns Enter into its character on the way through a pass.
  g_CharRing.readIndex = g_CharRing.writeIndex = 0;
  platform::PostMessage(window_, win::kWmKeyDown, win::kVkReturn, 0);
  ProcessMessage();
  EXPECT_EQ(RingCodes(), std::vector<int>{13});
}

TEST_F(WindowProc, SystemCommandsAltEnterAndTheWheel) {
  Start(1);
  EXPECT_EQ(Send(win::kWmSysCommand, win::kScScreenSave, 0), 1);
  EXPECT_EQ(Send(win::kWmSysChar, 0x0D, 0), 0);
  EXPECT_EQ(g_System.modeSwitchRequest, 0);  // switching is not allowed
  g_System.windowModeSwitchAllowed = 1;
  EXPECT_EQ(Send(win::kWmSysChar, 0x0D, 0), 0);
  EXPECT_EQ(g_System.modeSwitchRequest, 1);
  g_System.windowModeSwitchAllowed = 0;
  g_System.modeSwitchRequest = 0;
  Send(win::kWmMouseWheel, static_cast<platform::WParam>(120) << 16, 0);
  Send(win::kWmMouseWheel, static_cast<platform::WParam>(0xFF88) << 16, 0);
  Send(win::kWmMouseWheel, static_cast<platform::WParam>(240) << 16, 0);
  EXPECT_EQ(g_System.mouseWheelCount, 1);
  Send(0x46F, 1, 0);
  Send(0x470, 1, 0);
  EXPECT_EQ(g_Input.userFlag1, 1);
  EXPECT_EQ(g_Input.userFlag2, 1);
  Send(0x46F, 0, 0);
  Send(0x470, 2, 0);
  EXPECT_EQ(g_Input.userFlag1, 0);
  EXPECT_EQ(g_Input.userFlag2, 0);
}

struct SizingCase {
  platform::WParam edge;
  platform::Rect proposed;  // in client terms: 0, 0, width, height
  platform::Rect expected;
};

TEST_F(WindowProc, SizingKeepsTheScreensAspectAndTheScaleFollowsTheWidth) {
  g_System.resizable = 1;
  Start(1);
  platform::Rect outer{}, client{};
  platform::GetWindowRect(window_, &outer);
  platform::GetClientRect(window_, &client);
  const int fw = (outer.right - outer.left) - client.right, fh = (outer.bottom - outer.top) - client.bottom;
  const SizingCase cases[] = {
      {2, {0, 0, 960, 100}, {0, 0, 960, 720}},     // right edge: the height follows
      {6, {0, 0, 100, 240}, {0, 0, 320, 240}},     // bottom edge: the width follows
      {8, {0, 0, 1280, 600}, {0, 0, 1280, 960}},   // corner, wider than the aspect: width leads
      {8, {0, 0, 700, 960}, {0, 0, 1280, 960}},    // corner, taller: height leads
  };
  for (const SizingCase& c : cases) {
    SCOPED_TRACE(c.edge);
    platform::Rect r{100, 50, 100 + c.proposed.right + fw, 50 + c.proposed.bottom + fh};
    Send(win::kWmSizing, c.edge, reinterpret_cast<platform::LParam>(&r));
    EXPECT_EQ(r.right - r.left - fw, c.expected.right);
    EXPECT_EQ(r.bottom - r.top - fh, c.expected.bottom);
    EXPECT_DOUBLE_EQ(g_System.windowScale, c.expected.right / 640.0);
  }
}

TEST_F(WindowProc, TheWindowCannotBeMovedInFullScreen) {
  Start(0);
  platform::Rect current{};
  platform::GetWindowRect(window_, &current);
  platform::Rect proposed{300, 300, 940, 780};
  Send(win::kWmMoving, 0, reinterpret_cast<platform::LParam>(&proposed));
  EXPECT_EQ(proposed.left, current.left);
  EXPECT_EQ(proposed.top, current.top);
}

TEST_F(WindowProc, MovingTheWindowMovesTheRecordedClientArea) {
  Start(1);
  Send(win::kWmMove, 0, (static_cast<platform::LParam>(0xFFF6) << 16) | 33);  // y -10
  EXPECT_EQ(g_System.clientRect.left, 33);
  EXPECT_EQ(g_System.clientRect.top, -10);
  EXPECT_EQ(g_System.clientRect.right, 33 + 640);
}

TEST_F(WindowProc, AtMostAThousandDroppedFileNamesAreKept) {
  Start(1);
  std::vector<std::string> names;
  for (int i = 0; i < 1001; ++i) names.push_back("C:\\DROP\\FILE" + std::to_string(i) + ".TXT");
  ASSERT_TRUE(platform::PostDroppedFiles(window_, names));
  ProcessMessage();
  ASSERT_EQ(g_System.droppedFileCount, 1000);
  EXPECT_STREQ(g_System.droppedFiles[999], "C:\\DROP\\FILE999.TXT");
}

TEST_F(WindowProc, InFullScreenMouseMessagesHideTheCursorInWindowModeItStays) {
  Start(0);
  platform::SetCursorHidden(false);
  while (platform::ShowCursor(true) < 0) {
  }
  EXPECT_TRUE(platform::headless::GetDesktopState().cursorVisible);
  Send(win::kWmMouseMove, 0, 0);
  EXPECT_FALSE(platform::headless::GetDesktopState().cursorVisible);
  EndEngine();
  platform::ShowCursor(true);
  Start(1);
  Send(win::kWmMouseMove, 0, 0);
  Send(win::kWmSetCursor, 0, 0);
  EXPECT_TRUE(platform::headless::GetDesktopState().cursorVisible);
}

struct DisplayCase {
  const char* name;
  int bits, width, height;
  bool closes;
};

TEST_F(WindowProc, DisplayChangesAreFollowedOrCloseTheWindow) {
  Start(1);
  // A device rebuild ends in the restore hook, which calls the registered handler once.
  static int restores = 0;
  SetGraphRestoreHandler([] { ++restores; });
  const DisplayCase cases[] = {
      {"same mode", 32, 640, 480, false},
      {"larger desktop", 32, 1024, 768, false},
      {"24-bit", 24, 1024, 768, true},
      {"8-bit", 8, 1024, 768, true},
      {"too small", 32, 320, 240, true},
  };
  for (const DisplayCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_System.closeRequested = 0;
    g_System.displayChangeHandled = 0;
    const int before = restores;
    Send(win::kWmDisplayChange, static_cast<platform::WParam>(c.bits), (c.height << 16) | c.width);
    EXPECT_EQ(g_System.closeRequested, c.closes ? 1 : 0);
    EXPECT_EQ(g_System.displayChangeHandled, c.closes ? 0 : 1);
    const bool differs = c.width != 640 || c.height != 480 || c.bits != 32;
    EXPECT_EQ(restores - before, !c.closes && differs ? 1 : 0);
  }
  // The refused change posted a close: the game sees quit.
  int result = 0;
  for (int i = 0; i < 10 && result == 0; ++i) result = ProcessMessage();
  EXPECT_EQ(result, -1);
}

TEST_F(WindowProc, PaintingBeforeStartUpEndsFillsBlackAfterwardsCopiesTheBackScreen) {
  Start(1);
  EXPECT_GT(platform::headless::GetWindowState(window_).blackFills, 0);  // the window's first paint
  const std::uint64_t copies = GetPresentCount();
  platform::InvalidateWindow(window_);
  ProcessMessage();
  EXPECT_EQ(GetPresentCount(), copies + 1);
  EXPECT_EQ(GetDrawTarget(), -4);  // restored after the copy
}

TEST_F(WindowProc, SwitchingModesRestylesTheWindowAndEndsWithoutADisplayChange) {
  Start(1);
  // Mode changes of the display device, counted by their first log line.
  auto modeChanges = [this] {
    int n = 0;
    const auto lines = Lines();
    for (int at = FindLine(lines, "画面モード変更処理を開始します"); at != -1;
         at = FindLine(lines, "画面モード変更処理を開始します", at + 1))
      ++n;
    return n;
  };
  const int before = modeChanges();
  EXPECT_EQ(ChangeWindowMode(1), 0);  // same mode: nothing
  EXPECT_EQ(modeChanges(), before);
  EXPECT_EQ(ChangeWindowMode(0), 0);
  EXPECT_EQ(modeChanges(), before + 1);
  EXPECT_EQ(g_System.modeChanging, 0);
  EXPECT_FALSE(platform::headless::GetWindowState(window_).bordered);
  EXPECT_TRUE(platform::headless::GetWindowState(window_).topmost);
  EXPECT_EQ(platform::GetWindowLong(window_, win::kGwlStyle) & ~win::kWsVisible, win::kWsPopup);
  EXPECT_TRUE(platform::IsWindowVisible(window_));
  EXPECT_EQ(ChangeWindowMode(1), 0);
  EXPECT_TRUE(platform::headless::GetWindowState(window_).bordered);
  platform::Rect client{};
  platform::GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 640);
  const auto lines = Lines();
  EXPECT_NE(FindLine(lines, "ウインドウスタイルをフルスクリーンモード用に変更します... 完了"), -1);
  EXPECT_NE(FindLine(lines, "ウインドウスタイルをウインドウモード用に変更します... 完了"), -1);
}

TEST_F(WindowProc, TitlesAreCutAt255BytesAndIconsFollowTheWindow) {
  Start(1);
  const std::string longTitle(400, 'x');
  SetWindowTitle(longTitle.c_str());
  EXPECT_EQ(std::strlen(g_System.windowTitle), 255u);
  EXPECT_EQ(platform::GetWindowText(window_), std::string(255, 'x'));
  SetWindowIconResource(0x10065);
  EXPECT_EQ(platform::GetClassIcon(window_), 0x65);
  SetWindowIconResource(0);
  EXPECT_EQ(platform::GetClassIcon(window_), win::kIdiApplication);
}

TEST_F(WindowProc, ActivationReacquiresInput) {
  Start(1);
  const int before = platform::GetInputDeviceCounters().acquires;
  Send(win::kWmActivate, win::kWaInactive, 0);
  EXPECT_EQ(g_System.active, 0);
  Send(win::kWmActivate, win::kWaActive, 0);
  EXPECT_EQ(g_System.active, 1);
  EXPECT_EQ(platform::GetInputDeviceCounters().acquires, before + 1);  // the keyboard acquired again
}

}  // namespace
}  // namespace engine_test
