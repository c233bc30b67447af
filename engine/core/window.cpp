#include "engine/core/window.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/core/api_lock.h"
#include "engine/core/char_input.h"
#include "engine/core/cursor_ime.h"
#include "engine/core/key_input.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/message.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/random.h"
#include "engine/core/start_engine.h"
#include "engine/core/string_util.h"
#include "engine/core/timing.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/mask.h"
#include "engine/input/input.h"
#include "platform/base/clock.h"
#include "platform/base/debug_output.h"
#include "platform/base/system_info.h"
#include "platform/base/thread.h"

namespace win = platform::win;

namespace {

constexpr std::uint32_t kWindowStyles[7] = {
    win::kWsPopup | win::kWsCaption | win::kWsSysMenu | win::kWsMinimizeBox,
    win::kWsPopup | win::kWsSysMenu,
    win::kWsPopup | win::kWsSysMenu,
    win::kWsPopup | win::kWsCaption | win::kWsSysMenu | win::kWsMinimizeBox,
    win::kWsPopup | win::kWsSysMenu,
    win::kWsPopup | win::kWsCaption | win::kWsSysMenu,
    win::kWsPopup | win::kWsCaption | win::kWsSysMenu | win::kWsMinimizeBox,
};
constexpr std::uint32_t kWindowExStyles[7] = {
    win::kWsExWindowEdge | win::kWsExClientEdge, win::kWsExWindowEdge | win::kWsExClientEdge, 0, win::kWsExToolWindow,
    win::kWsExToolWindow, win::kWsExWindowEdge, 0,
};
constexpr std::uint32_t kFullScreenStyles[7] = {win::kWsPopup, win::kWsPopup, win::kWsPopup, win::kWsPopup,
                                                win::kWsPopup, 0, 0};
constexpr std::uint32_t kFullScreenExStyles[7] = {win::kWsExTopmost, win::kWsExTopmost, win::kWsExTopmost,
                                                  win::kWsExTopmost, win::kWsExTopmost, 0, 0};

constexpr int kMaxModeChangeWaitMs = 1000;

int StyleIndex(int index) { return index >= 0 && index < 7 ? index : 0; }

int LowWord(platform::LParam v) { return static_cast<int>(v & 0xFFFF); }
int HighWord(platform::LParam v) { return static_cast<int>((v >> 16) & 0xFFFF); }
int SignedLowWord(platform::LParam v) { return static_cast<std::int16_t>(v & 0xFFFF); }
int SignedHighWord(platform::LParam v) { return static_cast<std::int16_t>((v >> 16) & 0xFFFF); }

// The fields the window set-up keeps over its reset of the system record: the settings, the texts, the system
// information and the log's start time and stamp-off flag.
#define ENGINE_KEPT_SYSTEM_FIELDS(X)                                                                                 \
  X(osText) X(osVersionCode) X(mmxFlag) X(cpuClockKnown) X(cpuClock) X(cpuSpeedMhz) X(cpuName) X(logOff)              \
  X(logDatedName) X(logStampOff) X(logFileName) X(logStartTime) X(userWindowMode) X(startupDirectory) X(windowMode) \
  X(windowTitle) X(iconId) X(archiveOff) X(noGraphics) X(noSound) X(noInput) X(userWindow) X(windowStyleIndex)      \
  X(windowX) X(windowY) X(windowPositionSet) X(hiddenWindow) X(resizable) X(visibleStyle) X(windowScale)           \
  X(windowRegion) X(doubleStartAllowed) X(windowModeSwitchAllowed) X(modeChangeCallback) X(modeChangeData)          \
  X(acceleratorTable) X(messageHook) X(keepWindowOnClose) X(noQuitMessage) X(keptImageFlag) X(keptImageGraph)       \
  X(keptImage) X(systemKeyFlag) X(activationCallback) X(activationData) X(menuHandle) X(menuInUse) X(menuCommandCallback) X(menuItemCallback)      \
  X(menuAlwaysShown) X(comStarted)

struct KeptSystemFields {
#define ENGINE_DECLARE_FIELD(f) decltype(SystemWindowRecord::f) f;
  ENGINE_KEPT_SYSTEM_FIELDS(ENGINE_DECLARE_FIELD)
#undef ENGINE_DECLARE_FIELD
};

void ResetSystemRecordKeepingSettings() {
  static KeptSystemFields kept;
#define ENGINE_SAVE_FIELD(f) std::memcpy(&kept.f, &g_System.f, sizeof kept.f);
  ENGINE_KEPT_SYSTEM_FIELDS(ENGINE_SAVE_FIELD)
#undef ENGINE_SAVE_FIELD
  g_System.~SystemWindowRecord();
  new (&g_System) SystemWindowRecord{};
#define ENGINE_RESTORE_FIELD(f) std::memcpy(&g_System.f, &kept.f, sizeof kept.f);
  ENGINE_KEPT_SYSTEM_FIELDS(ENGINE_RESTORE_FIELD)
#undef ENGINE_RESTORE_FIELD
}

int ScreenWidth() {
  int w = 0;
  QueryScreenSizeBody(&w, nullptr);
  return w;
}

int ScreenHeight() {
  int h = 0;
  QueryScreenSizeBody(nullptr, &h);
  return h;
}

void RecordClientRect() {
  platform::Rect r{};
  platform::GetClientRect(g_System.mainWindow, &r);
  int left = r.left, top = r.top, right = r.right, bottom = r.bottom;
  platform::ClientToScreen(g_System.mainWindow, &left, &top);
  platform::ClientToScreen(g_System.mainWindow, &right, &bottom);
  g_System.clientRect = {left, top, right, bottom};
}

// Outer rectangle for a client area of the given size in window mode, centred on the desktop unless a position is
// set.
platform::Rect WindowModeOuterRect(int clientWidth, int clientHeight) {
  platform::Rect r{0, 0, clientWidth, clientHeight};
  const int index = StyleIndex(g_System.windowStyleIndex);
  platform::AdjustWindowRectEx(&r, WindowModeStyle(index), false, WindowModeExStyle(index));
  const int width = r.right - r.left, height = r.bottom - r.top;
  int x = (g_System.desktopWidth - width) / 2;
  int y = (g_System.desktopHeight - height) / 2;
  if (g_System.windowPositionSet == 1) {
    x = g_System.windowX;
    y = g_System.windowY;
  }
  return {x, y, x + width, y + height};
}

platform::LResult DefaultResult(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                platform::LParam lParam, platform::LResult userResult) {
  if (g_System.userWindowMode == 1) return userResult;
  return platform::DefWindowProc(window, message, wParam, lParam);
}

void ReleaseSystemKeyHook() {
  if (g_System.systemKeyHook != 0) platform::UnhookMsgHook(g_System.systemKeyHook);
  if (g_System.hookLibrary != 0) platform::FreeHookLibrary(g_System.hookLibrary);
  g_System.systemKeyHook = 0;
  g_System.hookLibrary = 0;
}

void OnActivate(platform::WParam wParam) {
  g_System.active = (wParam & 0xFFFF) != 0 ? 1 : 0;
  if (g_System.creatingWindow == 1) return;
  if (g_System.active == 1) {
    RestoreAllSurface2D();
    RestoreAllSurface3DData();
    if (g_System.windowMode == 0 && g_System.restoreNeeded == 1 && g_System.initDone == 1) {
      RestoreGraphDevice();
      g_System.restoreNeeded = 0;
    } else {
      PlayAllMovieGraph();
    }
    ReacquireInputDevices();
  } else {
    if (g_System.windowMode == 0 && IsFullScreenSurfaceActive() == 1) {
      if (HasGraphRestoreHandler() == 0 && g_System.userWindowMode == 0) {
        WriteLog("復元関数が登録されていないため終了します\n");
        RequestWindowClose();
        return;
      }
      g_System.restoreNeeded = 1;
    } else {
      PauseAllMovieGraph();
    }
    DrawKeptScreenImage();
  }
  UpdatePadVibrationEffects();
  if (g_System.activationCallback != nullptr) g_System.activationCallback(g_System.active, g_System.activationData);
  if (g_System.systemKeyFlag == 1) {
    if (g_System.osVersionCode < 0x104) {
      platform::SetScreenSaverRunning(g_System.active == 1);
    } else if (g_System.active == 1) {
      if (g_System.hookLibrary == 0) g_System.hookLibrary = platform::LoadHookLibrary();
      if (g_System.hookLibrary != 0 && g_System.systemKeyHook == 0)
        g_System.systemKeyHook = platform::SetMsgHookDll(g_System.hookLibrary, g_System.mainWindow);
    } else {
      ReleaseSystemKeyHook();
    }
  }
}

void OnPaint(platform::WindowHandle window) {
  platform::Rect paint{};
  if (!platform::BeginPaint(window, &paint)) return;
  g_System.painting = 1;
  if (g_System.active == 0 && g_System.keptImageFlag == 1 && g_System.repainting == 0) {
    DrawKeptScreenImage();
  } else if (g_System.initDone == 0 && g_System.windowRegion == 0) {
    platform::FillRectBlack(window, paint);
  } else {
    const int wait = GetFlipWaitForVBlank();
    const int target = GetDrawTarget();
    SelectDrawTargetBody(-2);
    SetFlipWaitForVBlank(0);
    CopyBackScreenToFront();
    SetFlipWaitForVBlank(wait);
    SelectDrawTargetBody(target);
  }
  g_System.painting = 0;
  platform::EndPaint(window);
}

void OnDisplayChange(platform::WParam wParam, platform::LParam lParam) {
  if (g_System.windowMode == 1 && g_System.modeChanging == 0) {
    const int bits = static_cast<int>(wParam);
    const int width = LowWord(lParam), height = HighWord(lParam);
    int screenWidth = 0, screenHeight = 0, screenBits = 0;
    GetScreenModeInfo(&screenWidth, &screenHeight, &screenBits);
    if (width != screenWidth || height != screenHeight || bits != screenBits) {
      const bool refused = HasGraphRestoreHandler() == 0 || bits == 24 || (bits != screenBits && bits == 8) ||
                           screenWidth > width || screenHeight > height;
      if (refused) {
        WriteLog("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
        WriteLog("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
        RequestWindowClose();
        return;
      }
      ReleaseAllMovieStream();
      UpdateScreenColorData();
      RestoreGraphDevice();
      PlayAllMovieGraph();
    }
  }
  g_System.displayChangeHandled = 1;
}

// Keeps the client area's aspect equal to the screen's while an edge is dragged; the scale follows the width.
void OnSizing(platform::WParam edge, platform::Rect* proposed) {
  platform::Rect window{}, client{};
  platform::GetWindowRect(g_System.mainWindow, &window);
  platform::GetClientRect(g_System.mainWindow, &client);
  const int screenWidth = ScreenWidth(), screenHeight = ScreenHeight();
  if (screenWidth <= 0 || screenHeight <= 0) return;
  const int frameWidth = (window.right - window.left) - (client.right - client.left);
  const int frameHeight = (window.bottom - window.top) - (client.bottom - client.top);
  int cw = (proposed->right - proposed->left) - frameWidth;
  const int ch = (proposed->bottom - proposed->top) - frameHeight;
  const bool widthLed = static_cast<double>(ch) / screenHeight < static_cast<double>(cw) / screenWidth;
  const bool corner = edge == 4 || edge == 5 || edge == 7 || edge == 8;
  if (edge == 1 || edge == 2 || (corner && widthLed)) {
    proposed->bottom = proposed->top + cw * screenHeight / screenWidth + frameHeight;
  } else if (edge == 3 || edge == 6 || corner) {
    cw = ch * screenWidth / screenHeight;
    proposed->right = proposed->left + cw + frameWidth;
  }
  g_System.windowScale = static_cast<double>(cw) / screenWidth;
}

void OnDropFiles(platform::WParam drop) {
  const int count = platform::DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
  for (int i = 0; i < count && g_System.droppedFileCount < kMaxDroppedFiles; ++i) {
    const int length = platform::DragQueryFile(drop, static_cast<std::uint32_t>(i), nullptr, 0);
    auto* name = static_cast<char*>(ENGINE_ALLOC(length + 1));
    if (name == nullptr) break;
    platform::DragQueryFile(drop, static_cast<std::uint32_t>(i), name, length + 1);
    g_System.droppedFiles[g_System.droppedFileCount++] = name;
  }
  platform::DragFinish(drop);
}

void HideCursorForMouse() {
  if (g_System.cursorShown == 1) return;
  platform::SetCursorHidden(true);
  while (platform::ShowCursor(false) >= 0) {
  }
}

}  // namespace

std::uint32_t WindowModeStyle(int index) {
  std::uint32_t style = kWindowStyles[StyleIndex(index)];
  if (g_System.windowModeSwitchAllowed == 1) style |= win::kWsMaximizeBox;
  if (g_System.visibleStyle == 1) style |= win::kWsVisible;
  if (g_System.resizable == 1) style |= win::kWsThickFrame;
  return style;
}

std::uint32_t WindowModeExStyle(int index) {
  std::uint32_t style = kWindowExStyles[StyleIndex(index)];
  if (g_System.hiddenWindow == 1) style |= win::kWsExTransparent;
  return style;
}

std::uint32_t FullScreenStyle(int index) { return kFullScreenStyles[StyleIndex(index)]; }
std::uint32_t FullScreenExStyle(int index) { return kFullScreenExStyles[StyleIndex(index)]; }

int SetupWindow() {
  ResetSystemRecordKeepingSettings();
  g_System.mainThreadId = platform::CurrentThreadId();

  WriteLog("ソフトの二重起動検査... ");
  if (platform::FindWindowOfClass(kMainWindowClass)) {
    if (g_System.doubleStartAllowed == 0) {
      WriteLog("二重起動されています、ソフトを終了します\n");
      std::fprintf(stderr, "%s: already running (only one copy can run at a time)\n", program_invocation_short_name);
      g_System.quitFlag = 1;
      return -1;
    }
    WriteLog("二重起動されていますが続行します\n");
  } else {
    WriteLog("二重起動はされていませんでした\n");
  }

  const platform::MemoryStatus memory = platform::QueryMemoryStatus();
  g_System.totalPhysicalMemory = static_cast<double>(memory.totalPhysical);
  g_System.freePhysicalMemory = static_cast<double>(memory.freePhysical);
  constexpr double kPerMegabyte = 1.0 / 1048576.0;
  LogPrintf("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", g_System.totalPhysicalMemory * kPerMegabyte,
            g_System.freePhysicalMemory * kPerMegabyte);
  char freeText[64];
  std::snprintf(freeText, sizeof freeText, "%.2fMB\n", g_System.freePhysicalMemory * kPerMegabyte);
  platform::DebugOutput(freeText);

  if (g_System.menuInUse == 1) {
    g_System.menuItemCount = 0;
    BuildMenuItemTable(g_System.menuHandle);
  }

  const platform::DesktopInfo desktop = platform::GetDesktopInfo();
  g_System.desktopWidth = desktop.width;
  g_System.desktopHeight = desktop.height;
  g_System.desktopBits = desktop.bits;
  int screenWidth = 0, screenHeight = 0;
  QueryScreenSizeBody(&screenWidth, &screenHeight);

  WriteLog("ソフトの実行優先レベルを上げました\n");

  if (g_System.userWindowMode == 1) {
    // Attaching to a caller's window: the platform cannot take its window procedure over, so only its handle is
    // used.
    g_System.mainWindow = g_System.userWindow;
  } else {
    g_System.creatingWindow = 1;
    WriteLog("ウインドウクラスを登録します... ");
    const int icon = g_System.iconId != 0 ? (g_System.iconId & 0xFFFF) : win::kIdiApplication;
    if (!platform::RegisterWindowClass(kMainWindowClass, MainWindowProc, icon)) {
      g_System.quitFlag = 1;
      return WriteLog("ウインドウクラスの登録に失敗しました\n");
    }
    WriteLog("登録に成功しました\n");

    if (g_System.windowTitle[0] == '\0') CopyString(g_System.windowTitle, kDefaultWindowTitle);

    const int index = StyleIndex(g_System.windowStyleIndex);
    if (g_System.windowMode == 1) {
      WriteLog("ウインドウモード起動用のウインドウを作成します\n");
      g_System.cursorVisibleRequest = 1;
      const double scale = GetWindowScale();
      const platform::Rect outer = WindowModeOuterRect(static_cast<int>(screenWidth * scale),
                                                       static_cast<int>(screenHeight * scale));
      g_System.mainWindow = platform::CreateWindowEx(WindowModeExStyle(index), kMainWindowClass, g_System.windowTitle,
                                                     WindowModeStyle(index), outer.left, outer.top,
                                                     outer.right - outer.left, outer.bottom - outer.top,
                                                     g_System.menuHandle);
    } else {
      WriteLog("フルスクリーンモード用のウインドウを作成します\n");
      g_System.cursorVisibleRequest = 0;
      g_System.mainWindow = platform::CreateWindowEx(FullScreenExStyle(index), kMainWindowClass, g_System.windowTitle,
                                                     FullScreenStyle(index), 0, 0, screenWidth, screenHeight);
    }
    if (g_System.mainWindow == 0) {
      g_System.quitFlag = 1;
      return WriteLog("ウインドウの作成に失敗しました\n");
    }
    if (g_System.hiddenWindow == 0) {
      platform::ShowWindow(g_System.mainWindow, true);
      platform::UpdateWindow(g_System.mainWindow);
    } else {
      platform::ShowWindow(g_System.mainWindow, false);
    }
  }

  g_System.closeRequested = 0;
  g_System.destroyed = 0;
  g_System.active = 1;
  if (g_System.windowMode == 0) {
    WriteLog("カーソルを不可視にしました\n");
    platform::SetCursorHidden(true);
  }
  WriteLog("ＩＭＥを無効にしました\n");
  platform::EnableIme(g_System.mainWindow, false);
  platform::SetScreenSaverActive(false);

  if (g_System.windowMode == 1) RecordClientRect();

  // The engine's text is CP932; the Hangeul code page is never the system's here.
  g_System.codePageClass = 1;
  UpdateCursorVisibility(g_System.cursorVisibleRequest);
  g_System.endingFlag = 0;

  ChooseTimer();
  SeedRandom(platform::MillisecondClock());

  if (g_System.userWindowMode == 0) {
    if (g_System.hiddenWindow == 0) platform::BringWindowToTop(g_System.mainWindow);
    const std::uint32_t start = platform::MillisecondClock();
    while (platform::MillisecondClock() - start < 200) ProcessMessageBody();
    if (g_System.hiddenWindow == 0) FitWindowToScreenSize();
    g_System.creatingWindow = 0;
  }

  StartMessageThread();
  return 0;
}

int EndWindow() {
  if (g_System.mainWindow == 0) return 0;
  platform::EnableIme(g_System.mainWindow, true);
  platform::SetScreenSaverActive(true);
  UpdateCursorVisibility(1);

  if (g_System.secondHook != 0) platform::UnhookMsgHook(g_System.secondHook);
  g_System.secondHook = 0;
  ReleaseSystemKeyHook();
  if (g_System.windowRegion != 0) platform::DeleteRgn(g_System.windowRegion);
  g_System.windowRegion = 0;

  if (g_System.menuInUse == 1) {
    UpdateMenuVisibility(0);
    platform::DestroyMenu(g_System.menuHandle);
    g_System.menuHandle = 0;
    g_System.menuInUse = 0;
    g_System.chosenItemCount = 0;
    g_System.menuItemCount = 0;
  }

  if (g_System.toolbarExists == 1 && g_System.windowMode == 1) {
    DeleteAllToolbarButtons();
    platform::SendMessage(g_System.toolbarWindow, win::kWmClose, 0, 0);
    g_System.toolbarBitmap = 0;
    g_System.toolbarExists = 0;
    g_System.toolbarWindow = 0;
    FitWindowToScreenSize();
  }

  const bool onMainThread = platform::CurrentThreadId() == g_System.mainThreadId;
  if (g_System.userWindowMode == 1 || !onMainThread) {
    // The window's messages reach only the main thread, so another thread cannot close it by pumping.
    g_System.quitFlag = 1;
  } else {
    RequestWindowClose();
    while (ProcessMessageBody() == 0) {
    }
    // A quit that came without the window's end (a WM_QUIT from elsewhere) stops the passes early; the window must
    // still go, or the class would stay registered.
    if (platform::IsWindow(g_System.mainWindow)) {
      platform::DestroyWindow(g_System.mainWindow);
      platform::Message quit{};
      platform::PeekMessage(&quit, platform::kThreadMessagesOnly, win::kWmQuit, win::kWmQuit, true);
    }
    platform::UnregisterWindowClass(kMainWindowClass);
  }

  DeleteAllKeyInputs();
  if (g_System.keptImageFlag == 1) {
    ReleaseKeptScreenImage();
    DeleteGraphicBody(g_System.keptImageGraph, 0);
  }
  FreeDroppedFiles();

  if (g_System.backgroundThread != nullptr && platform::CurrentThreadId() != g_System.backgroundThreadId) {
    // The quit flag is set by now. A background thread queued for the lock this thread holds would otherwise notice
    // it only at its next polling step, up to a second later.
    ApiLockWakeWaiters();
    while (g_System.threadEnded == 0) platform::SleepMilliseconds(1);
    g_System.backgroundThread->Join();
    delete g_System.backgroundThread;
    g_System.backgroundThread = nullptr;
  }

  g_System.mainWindow = 0;
  return 0;
}

void RequestWindowClose() {
  if (g_System.closeRequested != 0) return;
  g_System.closeRequested = 1;
  platform::PostMessage(g_System.mainWindow, win::kWmClose, 0, 0);
}

platform::LResult MainWindowProc(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                 platform::LParam lParam) {
  platform::LResult userResult = 0;
  if (g_System.userWindowMode == 1 && g_System.userWindowProc != nullptr)
    userResult = g_System.userWindowProc(window, message, wParam, lParam);
  if (g_System.messageHook != nullptr) g_System.messageHook(window, message, wParam, lParam);

  switch (message) {
    case win::kWmCreate:
      if (g_System.windowRegion != 0) platform::SetWindowRgn(window, g_System.windowRegion, false);
      break;
    case win::kWmDestroy:
      if (g_System.userWindowMode == 0) {
        WriteLog("ウインドウが破棄されようとしています\n");
        g_System.destroyed = 1;
        WriteLog("ソフトを終了する準備が整いました\n");
        if (g_System.noQuitMessage == 0) platform::PostQuitMessage(0);
        g_System.quitFlag = 1;
      }
      break;
    case win::kWmMove:
      if (g_System.windowMode == 1 && g_System.modeChanging == 0) OnWindowMoved(lParam);
      break;
    case win::kWmSize:
      if (wParam == win::kSizeMaximized) {
        if (g_System.windowModeSwitchAllowed == 1 && g_System.modeChanging == 0 && g_System.creatingWindow == 0 &&
            g_System.windowMode == 1)
          g_System.modeSwitchRequest = 1;
      } else {
        FitWindowToScreenSize();
      }
      if (g_System.toolbarExists == 1) platform::SendMessage(g_System.toolbarWindow, win::kWmSize, wParam, lParam);
      break;
    case win::kWmActivate:
      OnActivate(wParam);
      break;
    case win::kWmPaint:
      OnPaint(window);
      break;
    case win::kWmClose:
      if (g_System.userWindowMode == 1) break;
      WriteLog("ウインドウを閉じようとしています\n");
      if (g_System.keepWindowOnClose == 0 || g_System.endingFlag == 1) platform::DestroyWindow(window);
      if (g_System.endingFlag == 0) g_System.endingFlag = 4;
      return 0;
    case win::kWmSetCursor:
    case win::kWmMouseMove:
    case win::kWmLButtonDown:
    case win::kWmLButtonUp:
    case win::kWmRButtonDown:
    case win::kWmRButtonUp:
    case win::kWmMButtonDown:
    case win::kWmMButtonUp:
      HideCursorForMouse();
      break;
    case win::kWmDisplayChange:
      OnDisplayChange(wParam, lParam);
      break;
    case win::kWmKeyDown:
      if (CharRingHasRoom() == 1) {
        for (const KeyControlCode* k = kKeyControlCodes; k->virtualKey != 0; ++k) {
          if (k->virtualKey == wParam) {
            PutCharCode(k->code);
            break;
          }
        }
      }
      break;
    case win::kWmChar:
      PutCharCode(static_cast<int>(wParam & 0xFF));
      break;
    case win::kWmSysChar:
      if ((wParam & 0xFF) == 0x0D && g_System.windowModeSwitchAllowed == 1) {
        g_System.modeSwitchRequest = 1;
        return 0;
      }
      break;
    case win::kWmImeStartComposition:
    case win::kWmImeEndComposition:
    case win::kWmImeComposition:
    case win::kWmImeSetContext:
    case win::kWmImeNotify:
      return HandleImeMessage(window, message, wParam, lParam);
    case win::kWmCommand:
      HandleCommandMessage(wParam);
      break;
    case win::kWmSysCommand:
      if ((wParam & 0xFFF0) == win::kScScreenSave) return 1;
      if ((wParam & 0xFFF0) == win::kScClose && g_System.systemKeyFlag == 1) return 0;
      break;
    case win::kWmMouseWheel:
      g_System.mouseWheelCount += SignedHighWord(static_cast<platform::LParam>(wParam)) > 0 ? 1 : -1;
      break;
    case win::kWmSizing:
      if (g_System.windowMode == 1 && g_System.userWindowMode == 0 && lParam != 0)
        OnSizing(wParam, reinterpret_cast<platform::Rect*>(lParam));
      break;
    case win::kWmMoving:
      if (g_System.windowMode == 0 && lParam != 0)
        platform::GetWindowRect(window, reinterpret_cast<platform::Rect*>(lParam));
      break;
    case win::kWmDropFiles:
      OnDropFiles(wParam);
      break;
    case win::kMmMciNotify:
      HandleMidiNotify(wParam, lParam);
      break;
    case 0x46F:
      if (wParam == 1) {
        SetInputUserFlag1();
      } else {
        ClearInputUserFlag1();
      }
      break;
    case 0x470:
      if (wParam == 1) {
        SetInputUserFlag2();
      } else {
        ClearInputUserFlag2();
      }
      break;
    case 0x505:
      return OnSocketMessage(wParam, lParam);
    default:
      break;
  }
  return DefaultResult(window, message, wParam, lParam, userResult);
}

int ChangeWindowModeBody(int windowed) {
  WriteLog("ChangeWindowMode実行 \n");
  if (windowed == g_System.windowMode) return 0;
  g_System.visibleStyle = 1;
  SetWindowModeFlag(windowed);
  if (g_System.mainWindow == 0 || g_System.userWindowMode == 1) return 0;

  g_System.modeChanging = 1;
  g_System.displayChangeHandled = 0;
  ApplyWindowStyle();
  const int result = ChangeScreenMode(-1, -1, -1, 1, -1);
  // The display-change message may never come (the display mode need not change), so the wait is bounded.
  const std::uint32_t start = platform::MillisecondClock();
  while (ProcessMessageBody() == 0 && g_System.displayChangeHandled == 0 &&
         platform::MillisecondClock() - start < kMaxModeChangeWaitMs) {
  }
  g_System.modeChanging = 0;
  return result;
}

int SetWindowModeFlag(int windowed) {
  g_System.windowMode = windowed;
  WriteLog(windowed == 1 ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
  if (g_System.menuInUse == 1) platform::SetMenu(g_System.mainWindow, windowed == 1 ? g_System.menuHandle : 0);
  return 0;
}

int ApplyWindowStyle() {
  const platform::WindowHandle window = g_System.mainWindow;
  if (window == 0 || g_System.userWindowMode == 1) return 0;
  const int index = StyleIndex(g_System.windowStyleIndex);
  if (g_System.windowMode == 1) {
    WriteLog("ウインドウスタイルをウインドウモード用に変更します... ");
    platform::SetWindowLong(window, win::kGwlExStyle, WindowModeExStyle(index));
    platform::SetWindowLong(window, win::kGwlStyle, WindowModeStyle(index));
    const double scale = GetWindowScale();
    const int clientWidth = DoubleToInt(ScreenWidth() * scale);
    const int clientHeight = DoubleToInt(ScreenHeight() * scale) + GetToolbarHeight();
    platform::Rect outer = WindowModeOuterRect(clientWidth, clientHeight);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    platform::SetWindowPos(window, win::kHwndTop, outer.left, outer.top, width, height, 0);
    RecordClientRect();
    if (g_System.clientRect.left < 0 || g_System.clientRect.top < 0) {
      int x = outer.left - g_System.clientRect.left, y = outer.top - g_System.clientRect.top;
      if (g_System.windowPositionSet == 1) {
        x = g_System.windowX;
        y = g_System.windowY;
      }
      platform::SetWindowPos(window, win::kHwndTop, x, y, width, height, 0);
      RecordClientRect();
    }
    UpdateCursorVisibility(1);
    WriteLog("完了\n");
  } else {
    WriteLog("ウインドウスタイルをフルスクリーンモード用に変更します... ");
    platform::SetWindowLong(window, win::kGwlExStyle, FullScreenExStyle(index));
    platform::SetWindowLong(window, win::kGwlStyle, FullScreenStyle(index));
    const int width = ScreenWidth(), height = ScreenHeight();
    g_System.clientRect = {0, 0, width, height};
    platform::SetWindowPos(window, 0, 0, 0, width, height, win::kSwpNoZOrder);
    UpdateCursorVisibility(0);
    WriteLog("完了\n");
  }
  platform::SetActiveWindow(window);
  platform::PostMessage(window, win::kWmSetCursor, static_cast<platform::WParam>(window), 0);
  return 0;
}

int FitWindowToScreenSize() {
  const platform::WindowHandle window = g_System.mainWindow;
  if (g_System.userWindowMode == 1 || window == 0) return 0;
  const double scale = GetWindowScale();
  const int clientWidth = static_cast<int>(ScreenWidth() * scale);
  const int clientHeight = static_cast<int>(ScreenHeight() * scale);
  platform::Rect outer{}, client{};
  platform::GetWindowRect(window, &outer);
  platform::GetClientRect(window, &client);
  const int width = (outer.right - outer.left) - (client.right - client.left) + clientWidth;
  const int height = (outer.bottom - outer.top) - (client.bottom - client.top) + clientHeight + GetToolbarHeight();
  platform::MoveWindow(window, outer.left, outer.top, width, height, true);
  if (g_System.windowMode == 1 && g_System.visibleStyle == 0) {
    g_System.visibleStyle = 1;
    ApplyWindowStyle();
  }
  return 0;
}

int OnWindowMoved(platform::LParam lParam) {
  if (g_System.userWindowMode == 1) return 0;
  platform::Rect client{};
  if (!platform::GetClientRect(g_System.mainWindow, &client)) return 0;
  const int x = SignedLowWord(lParam), y = SignedHighWord(lParam);
  g_System.clientRect = {x, y, x + client.right, y + client.bottom};
  if (GetDrawTarget() == -4) SetFrontScreenDrawArea(g_System.clientRect);
  ReapplyDrawClipArea();
  return 0;
}

int GetClientRectWithToolbar(platform::Rect* out) {
  const int toolbar = GetToolbarHeight();
  *out = g_System.clientRect;
  out->top += toolbar;
  out->bottom += toolbar;
  return 0;
}

int SetWindowTitleBody(const char* title) {
  if (title == nullptr) title = "";
  // The buffer holds 255 bytes and the terminator; a longer title is cut there.
  char text[sizeof g_System.windowTitle];
  std::strncpy(text, title, sizeof text - 1);
  text[sizeof text - 1] = '\0';
  if (g_System.mainWindow != 0) platform::SetWindowText(g_System.mainWindow, text);
  CopyString(g_System.windowTitle, text);
  return 0;
}

int SetWindowIconResourceBody(int id) {
  g_System.iconId = id;
  if (g_System.mainWindow != 0)
    platform::SetClassIcon(g_System.mainWindow, id != 0 ? (id & 0xFFFF) : win::kIdiApplication);
  return 0;
}

int DrawKeptScreenImage() {
  if (g_System.endingFlag == 1) return 0;
  if (g_System.keptImageFlag != 1) return -1;
  g_System.repainting = 1;
  const int target = GetDrawTarget();
  const int filter = GetDrawMode();
  const int wait = GetFlipWaitForVBlank();
  SelectDrawTargetBody(-2);
  SetTextureFilterMode(1);
  SetFlipWaitForVBlank(0);
  const int saved = CopyBackScreenToNewGraph();
  int width = 0, height = 0;
  GetGraphicSize(g_System.keptImageGraph, &width, &height);
  if (width == ScreenWidth() && height == ScreenHeight()) {
    DrawGraphAtBody(0, 0, g_System.keptImageGraph, 0);
  } else {
    DrawGraphStretchedBody(0, 0, ScreenWidth(), ScreenHeight(), g_System.keptImageGraph, 0);
  }
  CopyBackScreenToFront();
  if (saved != -1) {
    DrawGraphAtBody(0, 0, saved, 0);
    DeleteGraphicBody(saved, 0);
  }
  SelectDrawTargetBody(target);
  SetTextureFilterMode(filter);
  SetFlipWaitForVBlank(wait);
  g_System.repainting = 0;
  return 0;
}

int ReleaseKeptScreenImage() {
  if (g_System.keptImage == nullptr) return 0;
  ReleaseGraphImage(g_System.keptImage);
  delete g_System.keptImage;
  g_System.keptImage = nullptr;
  return 0;
}

int SetFrontScreenDrawArea(const platform::Rect& client) {
  const int mask = GetUseMaskScreenFlag();
  SetMaskScreenActive(0);
  const RECT area{client.left, client.top, client.right, client.bottom};
  SetDrawAreaRect(&area);
  SetMaskScreenActive(mask);
  return 0;
}

platform::WindowHandle GetMainWindowHandle() { return g_System.mainWindow; }
int IsWindowMode() { return g_System.windowMode; }

int GetDesktopInfo(int* width, int* height, int* bits) {
  if (width != nullptr) *width = g_System.desktopWidth;
  if (height != nullptr) *height = g_System.desktopHeight;
  if (bits != nullptr) *bits = g_System.desktopBits;
  return 0;
}

int IsWindowActive() { return g_System.active; }
int GetMmxFlag() { return g_System.mmxFlag; }
int GetCloseRequestedFlag() { return g_System.closeRequested; }
int IsWindowRegionSet() { return g_System.windowRegion != 0 ? 1 : 0; }

double GetWindowScale() {
  if (g_System.windowScale <= 0.0) g_System.windowScale = 1.0;
  return g_System.windowMode == 0 ? 1.0 : g_System.windowScale;
}

SystemWindowRecord* GetSystemWindowRecord() { return &g_System; }
int GetMenuFlag() { return g_System.menuInUse; }
