// The window's dormant accessories through the window stand-in: the menu and its commands, the modeless dialog and
// the accelerator steps of the message pass, the window region, the system-key hook, and the front screen's draw
// area following the client area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../engine_start/engine_fixture.h"
#include "engine/core/cursor_ime.h"
#include "engine/core/window.h"
#include "engine/graphics/draw_state.h"
#include "platform/window/headless_window.h"
#include "platform/window/window.h"

namespace engine_test {
namespace {

namespace win = platform::win;

struct Seen {
  platform::WindowHandle window;
  std::uint32_t message;
  platform::WParam wParam;
};
std::vector<Seen> g_seen;
std::vector<std::uint16_t> g_commands;
std::vector<std::pair<std::string, int>> g_items;

platform::LResult RecordingProc(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                platform::LParam) {
  g_seen.push_back(Seen{window, message, wParam});
  return 0;
}
void OnMenuCommand(std::uint16_t command) { g_commands.push_back(command); }
void OnMenuItem(const char* name, int id) { g_items.emplace_back(name, id); }

bool SawMessage(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam) {
  for (const Seen& s : g_seen)
    if (s.window == window && s.message == message && s.wParam == wParam) return true;
  return false;
}

class WindowAccessories : public HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    g_seen.clear();
    g_commands.clear();
    g_items.clear();
  }
  void Start(int windowMode) {
    ChangeWindowMode(windowMode);
    ASSERT_EQ(StartEngine(), 0);
    window_ = g_System.mainWindow;
    for (int i = 0; i < 3; ++i) ProcessMessage();
  }
  // File: Open (101), a separator, Recent (grayed, 103), a popup "Sub" with Save (201), and Exit (102).
  static platform::MenuHandle MakeMenu(platform::MenuHandle* sub) {
    const platform::MenuHandle menu = platform::CreateMenu();
    *sub = platform::CreateMenu();
    platform::AppendMenu(*sub, win::kMfString, 201, "Save");
    platform::AppendMenu(menu, win::kMfString, 101, "Open");
    platform::AppendMenu(menu, win::kMfSeparator, 0, nullptr);
    platform::AppendMenu(menu, win::kMfString | win::kMfGrayed, 103, "Recent");
    platform::AppendMenu(menu, win::kMfPopup, static_cast<std::uintptr_t>(*sub), "Sub");
    platform::AppendMenu(menu, win::kMfString, 102, "Exit");
    return menu;
  }
  platform::WindowHandle window_ = 0;
};

TEST_F(WindowAccessories, TheMenuIsListedShownAndItsCommandsReachTheCallbacks) {
  platform::MenuHandle sub = 0;
  const platform::MenuHandle menu = MakeMenu(&sub);
  g_System.menuHandle = menu;
  g_System.menuInUse = 1;
  g_System.menuCommandCallback = OnMenuCommand;
  g_System.menuItemCallback = OnMenuItem;
  Start(1);
  EXPECT_EQ(platform::GetMenu(window_), menu);

  // Separators are skipped; a popup is listed, then its own items.
  struct Row {
    platform::MenuHandle menu;
    int position, id;
    std::string name;
  };
  const Row expected[] = {{menu, 0, 101, "Open"}, {menu, 2, 103, "Recent"}, {menu, 3, 0, "Sub"},
                          {sub, 0, 201, "Save"},  {menu, 4, 102, "Exit"}};
  ASSERT_EQ(g_System.menuItemCount, 5);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(g_System.menuItems[i].menu, expected[i].menu);
    EXPECT_EQ(g_System.menuItems[i].position, expected[i].position);
    EXPECT_EQ(g_System.menuItems[i].id, expected[i].id);
    EXPECT_EQ(g_System.menuItems[i].name, expected[i].name);
  }
  MenuItemQuery q{};
  EXPECT_EQ(GetMenuItemByPosition(menu, 1, &q), 1);   // separator
  EXPECT_EQ(GetMenuItemByPosition(menu, 9, &q), -1);  // no such position
  EXPECT_EQ(GetMenuItemByPosition(0, 0, &q), -1);
  EXPECT_EQ(BuildMenuItemTable(12345), -1);

  // Picking an item: both callbacks, and the id listed once however often it is picked.
  EXPECT_TRUE(platform::ChooseMenuItem(window_, 201));
  EXPECT_TRUE(platform::ChooseMenuItem(window_, 201));
  EXPECT_TRUE(platform::ChooseMenuItem(window_, 101));
  EXPECT_FALSE(platform::ChooseMenuItem(window_, 103));  // grayed
  EXPECT_FALSE(platform::ChooseMenuItem(window_, 999));
  ProcessMessage();
  EXPECT_EQ(g_commands, (std::vector<std::uint16_t>{201, 201, 101}));
  EXPECT_EQ(g_items, (std::vector<std::pair<std::string, int>>{{"Save", 201}, {"Save", 201}, {"Open", 101}}));
  EXPECT_EQ(g_System.chosenItemCount, 2);
  EXPECT_EQ(g_System.chosenItems[0], 201);
  EXPECT_EQ(g_System.chosenItems[1], 101);
  char name[128] = {};
  EXPECT_EQ(GetMenuItemNameById(102, name), 0);
  EXPECT_STREQ(name, "Exit");
  EXPECT_EQ(GetMenuItemNameById(7, name), -1);

  // The mode flag attaches the menu in window mode and takes it off in full screen.
  {
    ApiLockGuard lock;
    SetWindowModeFlag(0);
    EXPECT_EQ(platform::GetMenu(window_), 0);
    SetWindowModeFlag(1);
    EXPECT_EQ(platform::GetMenu(window_), menu);
  }
  ASSERT_EQ(EndEngine(), 0);
  EXPECT_EQ(platform::GetMenuItemCount(menu), -1);  // destroyed with its submenu
  EXPECT_EQ(platform::GetMenuItemCount(sub), -1);
  EXPECT_EQ(g_System.menuInUse, 0);
}

TEST_F(WindowAccessories, InFullScreenTheMenuShowsOnlyWhileTheMouseIsNearTheTop) {
  platform::MenuHandle sub = 0;
  const platform::MenuHandle menu = MakeMenu(&sub);
  g_System.menuHandle = menu;
  g_System.menuInUse = 1;
  platform::headless::SetCursorPosition(300, 200);
  Start(0);
  ProcessMessage();
  EXPECT_EQ(platform::GetMenu(window_), 0);
  EXPECT_FALSE(platform::headless::GetDesktopState().cursorVisible);
  platform::headless::SetCursorPosition(300, 10);
  ProcessMessage();
  EXPECT_EQ(platform::GetMenu(window_), menu);
  EXPECT_TRUE(platform::headless::GetDesktopState().cursorVisible);  // a visible menu brings the cursor
  platform::headless::SetCursorPosition(300, 60);
  ProcessMessage();
  EXPECT_EQ(platform::GetMenu(window_), 0);
}

TEST_F(WindowAccessories, TheModelessDialogTakesItsMessagesBeforeThePass) {
  Start(1);
  const platform::WindowHandle dialog = platform::CreateDialogWindow(window_, RecordingProc);
  ASSERT_NE(dialog, 0);
  g_System.dialogWindow = dialog;
  g_System.messageHook = RecordingProc;  // sees every message of the main window
  g_seen.clear();
  const int dispatched = g_MessagePassCounters.dispatched;
  platform::PostMessage(dialog, 0x0401, 7, 0);
  platform::PostMessage(dialog, win::kWmKeyDown, win::kVkEscape, 0);
  platform::PostMessage(dialog, win::kWmKeyDown, win::kVkReturn, 0);
  platform::PostMessage(window_, 0x0402, 8, 0);
  ProcessMessage();
  EXPECT_TRUE(SawMessage(dialog, 0x0401, 7));
  EXPECT_TRUE(SawMessage(dialog, win::kWmCommand, win::kIdCancel));
  EXPECT_TRUE(SawMessage(dialog, win::kWmCommand, win::kIdOk));
  EXPECT_FALSE(SawMessage(dialog, win::kWmKeyDown, win::kVkEscape));
  EXPECT_TRUE(SawMessage(window_, 0x0402, 8));  // the main window's own messages still go to it
  EXPECT_EQ(g_MessagePassCounters.dispatched - dispatched, 1);  // the dialog's are not counted
  // The dialog goes with its window.
  g_System.dialogWindow = 0;
  g_System.messageHook = nullptr;
  ASSERT_EQ(EndEngine(), 0);
  EXPECT_FALSE(platform::IsWindow(dialog));
}

TEST_F(WindowAccessories, AcceleratorsTurnKeysIntoCommandsInsteadOfCharacters) {
  Start(1);
  const int table = platform::CreateAcceleratorTable({
      {win::kFVirtKey | win::kFControl, 'S', 0x2345},
      {win::kFVirtKey, win::kVkReturn, 0x2347},
      {win::kFVirtKey | win::kFAlt, 'X', 0x2348},
      {0, 'q', 0x2346},
  });
  ASSERT_NE(table, 0);
  g_System.acceleratorTable = table;
  g_System.messageHook = RecordingProc;
  g_CharRing.readIndex = g_CharRing.writeIndex = 0;
  struct Case {
    std::vector<platform::Message> keys;
    std::uint16_t command;  // 0: none
  };
  const Case cases[] = {
      {{{window_, win::kWmKeyDown, win::kVkControl, 0}, {window_, win::kWmKeyDown, 'S', 0}}, 0x2345},
      {{{window_, win::kWmKeyUp, win::kVkControl, 0}, {window_, win::kWmKeyDown, 'S', 0}}, 0},  // Control let go
      {{{window_, win::kWmKeyDown, win::kVkReturn, 0}}, 0x2347},
      {{{window_, win::kWmSysKeyDown, 'X', 0}}, 0x2348},
      {{{window_, win::kWmKeyDown, 'X', 0}}, 0},  // without Alt
      {{{window_, win::kWmChar, 'q', 0}}, 0x2346},
      {{{window_, win::kWmChar, 'Q', 0}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys.back().wParam);
    g_seen.clear();
    for (const platform::Message& m : c.keys) platform::PostMessage(m.window, m.message, m.wParam, m.lParam);
    ProcessMessage();
    const platform::WParam wParam = (platform::WParam{1} << 16) | c.command;
    EXPECT_EQ(SawMessage(window_, win::kWmCommand, wParam), c.command != 0);
  }
  // Enter became a command, so no carriage return reached the character ring; 'Q' went through as a character.
  std::vector<int> codes;
  for (int i = g_CharRing.readIndex; i != g_CharRing.writeIndex; i = (i + 1) % kCharRingSlots)
    codes.push_back(g_CharRing.codes[i]);
  EXPECT_EQ(codes, std::vector<int>{'Q'});
  g_System.messageHook = nullptr;
  g_System.acceleratorTable = 0;
  EXPECT_TRUE(platform::DestroyAcceleratorTable(table));
}

TEST_F(WindowAccessories, TheRegionShapesTheWindowUntilItEnds) {
  const platform::RegionHandle region = platform::CreateRectRgn(0, 0, 200, 100);
  platform::CombineRgnOr(region, platform::CreateRectRgn(300, 200, 400, 300));
  g_System.windowRegion = region;
  Start(1);
  EXPECT_EQ(IsWindowRegionSet(), 1);
  const std::vector<platform::Rect> rects = platform::GetWindowRgnRects(window_);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[1].left, 300);
  // The back-end gets the shape in client coordinates: the frame's offset taken off.
  platform::Rect outer{}, client{};
  platform::GetWindowRect(window_, &outer);
  ASSERT_TRUE(platform::GetClientRect(window_, &client));
  int cx = 0, cy = 0;
  platform::ClientToScreen(window_, &cx, &cy);
  const std::vector<platform::Rect> shape = platform::headless::GetWindowState(window_).shape;
  ASSERT_EQ(shape.size(), 2u);
  EXPECT_EQ(shape[0].left, -(cx - outer.left));
  EXPECT_EQ(shape[0].top, -(cy - outer.top));
  EXPECT_EQ(shape[1].right, 400 - (cx - outer.left));
  ASSERT_EQ(EndEngine(), 0);
  EXPECT_FALSE(platform::DeleteRgn(region));  // deleted by the window's end
  EXPECT_EQ(g_System.windowRegion, 0);
}

TEST_F(WindowAccessories, TheSystemKeyHookGrabsTheKeyboardWhileTheWindowIsActive) {
  struct Case {
    int osVersionCode;
  };
  for (const Case c : {Case{0x107}, Case{2}}) {
    SCOPED_TRACE(c.osVersionCode);
    g_System.systemKeyFlag = 1;
    Start(1);
    {
      ApiLockGuard lock;
      g_System.osVersionCode = c.osVersionCode;
      platform::SendMessage(window_, win::kWmActivate, win::kWaActive, 0);
      EXPECT_TRUE(platform::KeyboardGrabbed(window_));
      EXPECT_TRUE(platform::headless::GetWindowState(window_).keyboardGrabbed);
      EXPECT_EQ(platform::SendMessage(window_, win::kWmSysCommand, win::kScClose, 0), 0);  // the close box is off
      EXPECT_TRUE(platform::IsWindow(window_));
      platform::SendMessage(window_, win::kWmActivate, win::kWaInactive, 0);
      EXPECT_FALSE(platform::KeyboardGrabbed(window_));
      EXPECT_EQ(g_System.systemKeyHook, 0);
      platform::SendMessage(window_, win::kWmActivate, win::kWaActive, 0);
      EXPECT_TRUE(platform::KeyboardGrabbed(window_));
    }
    const platform::WindowHandle was = window_;
    ASSERT_EQ(EndEngine(), 0);
    EXPECT_FALSE(platform::headless::GetWindowState(was).keyboardGrabbed);
    EXPECT_EQ(g_System.systemKeyHook, 0);
    g_System.systemKeyFlag = 0;
  }
}

TEST_F(WindowAccessories, TheFrontScreensDrawAreaFollowsTheMovedClientArea) {
  Start(1);
  ApiLockGuard lock;
  SelectDrawTargetBody(-4);
  const int mask = g_GraphDrawState.UseMaskScreen;
  OnWindowMoved(static_cast<platform::LParam>((0x0050 << 16) | 0x0030));
  EXPECT_EQ(g_GraphDrawState.TargetOriginRect.left, 0x30);
  EXPECT_EQ(g_GraphDrawState.TargetOriginRect.top, 0x50);
  EXPECT_EQ(g_GraphDrawState.TargetOriginRect.right, 0x30 + 640);
  EXPECT_EQ(g_GraphDrawState.TargetOriginRect.bottom, 0x50 + 480);
  EXPECT_EQ(g_GraphDrawState.UseMaskScreen, mask);
  SelectDrawTargetBody(-2);
}

}  // namespace
}  // namespace engine_test
