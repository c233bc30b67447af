#include "engine/core/cursor_ime.h"

#include <cstring>

#include "engine/core/char_input.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/message.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/start_engine.h"
#include "engine/core/string_util.h"
#include "engine/core/system_record.h"
#include "engine/core/timing.h"
#include "engine/core/window.h"
#include "platform/base/clock.h"

namespace {

constexpr std::uint32_t kTbDeleteButton = 0x0416;
constexpr int kToolbarCommandBase = 0x500;
constexpr int kMouseNearTopPixels = 60;

// The menu is visible: a window exists, the menu is in use and not hidden, and it is always shown, or the window is
// in window mode, or the mouse is near the top.
bool MenuVisibleByRule() {
  const SystemWindowRecord& s = g_System;
  return s.mainWindow != 0 && s.menuInUse == 1 && s.menuHidden == 0 &&
         (s.menuAlwaysShown == 1 || s.windowMode == 1 || s.mouseNearTop == 1);
}

}  // namespace

int UpdateCursorVisibility(int request) {
  g_System.cursorVisibleRequest = request;
  const int show = (request == 1 || MenuVisibleByRule()) ? 1 : 0;
  if (show != g_System.cursorShown) {
    if (show == 0) {
      while (platform::ShowCursor(false) >= 0) {
      }
    } else {
      while (platform::ShowCursor(true) < 0) {
      }
    }
    platform::PostMessage(g_System.mainWindow, platform::win::kWmSetCursor,
                          static_cast<platform::WParam>(g_System.mainWindow), 0);
    g_System.cursorShown = show;
  }
  return 0;
}

int UpdateMenuVisibility(int shown) {
  if (g_System.menuInUse != 1) return 0;
  g_System.menuHidden = shown == 0 ? 1 : 0;
  if (g_System.mainWindow == 0) return 0;
  const int visible = MenuVisibleByRule() ? 1 : 0;
  if (visible != g_System.lastMenuVisible) {
    platform::SetMenu(g_System.mainWindow, visible == 1 ? g_System.menuHandle : 0);
    if (g_System.windowMode == 1) ApplyWindowStyle();
    platform::UpdateWindow(g_System.mainWindow);
    g_System.lastMenuVisible = visible;
  }
  return 0;
}

int UpdateFullScreenMenu() {
  if (g_System.windowMode == 1) return 0;
  int y = 0;
  GetMousePointInScreen(nullptr, &y);
  g_System.mouseNearTop = y < kMouseNearTopPixels ? 1 : 0;
  UpdateGdiVisibleMode();
  UpdateCursorVisibility(g_System.cursorVisibleRequest);
  UpdateMenuVisibility(g_System.menuHidden == 0 ? 1 : 0);
  return 0;
}

int GetMousePointInScreen(int* x, int* y) {
  int cx = 0, cy = 0;
  platform::GetCursorPos(&cx, &cy);
  if (g_System.windowMode == 1) {
    const double scale = GetWindowScale();
    cx = static_cast<int>((cx - g_System.clientRect.left) / scale);
    cy = static_cast<int>((cy - (g_System.clientRect.top + GetToolbarHeight())) / scale);
  }
  if (x != nullptr) *x = cx;
  if (y != nullptr) *y = cy;
  return 0;
}

namespace {
char g_menuItemName[128];  // the name of the item GetMenuItemByPosition read last
}  // namespace

int GetMenuItemByPosition(std::intptr_t menu, int position, MenuItemQuery* out) {
  platform::MenuItemInfo info{};
  if (!platform::GetMenuItemInfoByPosition(menu, position, &info, nullptr, 0)) return -1;
  if ((info.type & platform::win::kMftSeparator) != 0) return 1;
  if (!platform::GetMenuItemInfoByPosition(menu, position, &info, g_menuItemName, sizeof g_menuItemName)) return -1;
  out->state = info.state;
  out->id = info.id;
  out->submenu = info.submenu;
  out->type = info.type;
  out->name = g_menuItemName;
  return 0;
}

int BuildMenuItemTable(std::intptr_t menu) {
  const int count = platform::GetMenuItemCount(menu);
  if (count < 0) return -1;
  for (int position = 0; position < count; ++position) {
    MenuItemQuery item{};
    const int r = GetMenuItemByPosition(menu, position, &item);
    if (r == -1) return -1;
    if (r == 1) continue;
    // The table holds 128 items; the rest of a larger menu is not listed.
    if (g_System.menuItemCount < kMaxMenuItems) {
      MenuItemRecord& record = g_System.menuItems[g_System.menuItemCount++];
      record.menu = menu;
      record.position = static_cast<std::int16_t>(position);
      record.id = static_cast<std::uint16_t>(item.id);
      CopyString(record.name, item.name);  // both hold 128 bytes
    }
    if (item.submenu != 0 && BuildMenuItemTable(item.submenu) == -1) return -1;
  }
  return 0;
}

int GetMenuItemNameById(int id, char* out) {
  if (g_System.menuInUse != 1) return -1;
  for (int i = 0; i < g_System.menuItemCount; ++i) {
    if (g_System.menuItems[i].id == id) {
      CopyString(out, g_System.menuItems[i].name);
      return 0;
    }
  }
  return -1;
}

int FindToolbarButton(int id) {
  for (int i = 0; i < g_System.toolbarButtonCount; ++i) {
    const ToolbarButton& b = g_System.toolbarButtons[i];
    if (b.id == id && b.state != 3) return i;
  }
  return -1;
}

int GetToolbarHeight() {
  if (g_System.toolbarExists != 1) return 0;
  platform::Rect r{};
  if (!platform::GetWindowRect(g_System.toolbarWindow, &r)) return 0;
  return r.bottom - r.top;
}

int DeleteAllToolbarButtons() {
  if (g_System.toolbarExists != 1) return -1;
  for (int i = 0; i < g_System.toolbarButtonCount; ++i)
    platform::SendMessage(g_System.toolbarWindow, kTbDeleteButton, 0, 0);
  g_System.toolbarButtonCount = 0;
  return 0;
}

int HandleCommandMessage(platform::WParam wParam) {
  const int command = static_cast<int>(wParam & 0xFFFF);
  if (g_System.toolbarExists == 1 && command >= kToolbarCommandBase) {
    const int index = FindToolbarButton(command - kToolbarCommandBase);
    if (index != -1 && g_System.toolbarButtons[index].state == 0) g_System.toolbarButtons[index].clicked = 1;
    return 0;
  }
  if (g_System.menuInUse != 1) return 0;
  if (g_System.menuCommandCallback != nullptr) g_System.menuCommandCallback(static_cast<std::uint16_t>(wParam));
  if (g_System.menuItemCallback != nullptr) {
    char name[128] = {};
    GetMenuItemNameById(command, name);
    g_System.menuItemCallback(name, command);
  }
  for (int i = 0; i < g_System.chosenItemCount; ++i)
    if (g_System.chosenItems[i] == command) return 0;
  if (g_System.chosenItemCount < kMaxChosenMenuItems) g_System.chosenItems[g_System.chosenItemCount++] = command;
  return 0;
}

namespace {

void ReadComposition() {
  std::memset(g_Ime.composition, 0, sizeof g_Ime.composition);
  const int n = platform::ImeGetCompositionString(platform::win::kGcsCompStr, g_Ime.composition, kImeTextBytes - 1);
  g_Ime.compositionLength = n > 0 ? n : 0;
}

void FetchCandidateList() {
  const int size = platform::ImeGetCandidateList(nullptr, 0);
  if (size <= 0) {
    LogPrintf("漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x", 0u, 0u);
    return;
  }
  MemFree(g_Ime.candidateList);
  g_Ime.candidateList = ENGINE_ALLOC(size);
  if (g_Ime.candidateList == nullptr)
    FatalExitFormat("漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )", size);
  if (platform::ImeGetCandidateList(g_Ime.candidateList, size) != size) {
    MemFree(g_Ime.candidateList);
    g_Ime.candidateList = nullptr;
    LogPrintf("漢字変換候補の取得に失敗しました  BufSize:%d", size);
  }
}

}  // namespace

platform::LResult HandleImeMessage(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                   platform::LParam lParam) {
  namespace win = platform::win;
  if (g_Ime.enabled == 0) return 0;
  g_Ime.inputSeen = 1;
  g_Ime.lastTime = platform::MillisecondClock();
  switch (message) {
    case win::kWmImeStartComposition:
      g_Ime.composing = 1;
      g_Ime.cursorPosition = 0;
      return 0;
    case win::kWmImeEndComposition:
      std::memset(g_Ime.composition, 0, sizeof g_Ime.composition);
      g_Ime.compositionLength = 0;
      g_Ime.composing = 0;
      return 0;
    case win::kWmImeComposition:
      if ((lParam & win::kGcsCompStr) != 0) ReadComposition();
      if ((lParam & win::kGcsResultStr) != 0) {
        char result[kImeTextBytes];
        const int n = platform::ImeGetCompositionString(win::kGcsResultStr, result, kImeTextBytes);
        for (int i = 0; i < n; ++i) PutCharCode(static_cast<std::uint8_t>(result[i]));
        ReadComposition();
      }
      if ((lParam & win::kGcsCursorPos) != 0) {
        const int bytes = platform::ImeGetCompositionString(win::kGcsCursorPos, nullptr, 0);
        g_Ime.cursorPosition = CountStringChars(g_Ime.composition, bytes);
      }
      if ((lParam & win::kGcsCompClause) != 0) {
        const int n = platform::ImeGetCompositionString(win::kGcsCompClause, g_Ime.clauses, kImeTextBytes);
        g_Ime.clauseCount = n > 0 ? n / 4 : 0;
      }
      return 0;
    case win::kWmImeSetContext:
      return platform::DefWindowProc(window, message, wParam, lParam & 0x3FFFFFF0);
    case win::kWmImeNotify:
      switch (wParam) {
        case win::kImnOpenCandidate:
        case win::kImnChangeCandidate:
        case win::kImnSetCandidatePos:
          FetchCandidateList();
          return 0;
        case win::kImnCloseCandidate:
          MemFree(g_Ime.candidateList);
          g_Ime.candidateList = nullptr;
          return 0;
        case win::kImnSetOpenStatus:
          if (g_Ime.inOpenStatusWait == 0) {
            g_Ime.inOpenStatusWait = 1;
            platform::DefWindowProc(window, message, wParam, lParam);
            const std::int64_t start = GetMicrosecondCount(0);
            while (GetMicrosecondCount(0) - start < 2000 && ProcessMessageBody() == 0) {
            }
            g_Ime.openStatus = platform::ImeGetOpenStatus() ? 1 : 0;
            g_Ime.inOpenStatusWait = 0;
          }
          return 0;
        default:
          return platform::DefWindowProc(window, message, wParam, lParam);
      }
    default:
      return 0;
  }
}
