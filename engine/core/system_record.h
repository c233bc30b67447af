// The engine's system record: settings made before start-up, process state, and the values the start-up steps note
// for later use. One static instance.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/window/window.h"

inline constexpr int kMaxDroppedFiles = 1000;
inline constexpr int kMaxMenuItems = 128;
inline constexpr int kMaxChosenMenuItems = 64;
inline constexpr int kMaxToolbarButtons = 64;
inline constexpr int kMaxExtraPumpWindows = 100;

namespace platform {
class Thread;
}
struct GraphImage;

struct MenuItemRecord {
  std::intptr_t menu;
  std::int16_t position;
  std::uint16_t id;
  char name[128];
};

struct ToolbarButton {
  int id;
  int reserved1;
  int state;  // 0 normal, 3 separator
  int reserved2;
  int clicked;
};

using MessageHook = platform::LResult (*)(platform::WindowHandle, std::uint32_t, platform::WParam, platform::LParam);

struct SystemWindowRecord {
  // System information (kept over the window set-up's reset).
  char osText[256];
  int osVersionCode;
  int mmxFlag;
  int cpuClockKnown;
  std::int64_t cpuClock;  // time-stamp counter ticks per second
  int cpuSpeedMhz;
  char cpuName[49];

  // Log settings.
  int logOff;
  int logDatedName;
  int logStampOff;
  char logFileName[64];
  int logIndent;
  int logMidLine;
  std::uint32_t logStartTime;

  // File settings.
  int archiveOff;  // 1: plain files only (SetUseArchiveFiles stores the inverse)

  // Process state.
  int userWindowMode;
  std::atomic<int> quitFlag;  // read by the background thread outside the API lock

  // Texts.
  char startupDirectory[260];

  // Files dropped on the window (each a MemAlloc block).
  char* droppedFiles[kMaxDroppedFiles];
  int droppedFileCount;

  // Settings made before start-up (kept over the window set-up's reset).
  int windowMode;  // 1 window, 0 full screen
  char windowTitle[256];
  int iconId;
  int noGraphics;
  int noSound;
  int noInput;
  platform::WindowHandle userWindow;
  int windowStyleIndex;  // 0..6
  int windowX, windowY;
  int windowPositionSet;
  int hiddenWindow;
  int resizable;
  int visibleStyle;
  double windowScale;  // 1.0 when 0 or less
  std::intptr_t windowRegion;  // region handle, 0: none
  int doubleStartAllowed;
  int windowModeSwitchAllowed;
  void (*modeChangeCallback)(void* data);
  void* modeChangeData;
  int acceleratorTable;
  MessageHook messageHook;
  int keepWindowOnClose;
  int noQuitMessage;

  // Window.
  platform::WindowHandle mainWindow;
  platform::Thread* backgroundThread;
  std::atomic<std::uint32_t> backgroundThreadId;
  std::atomic<int> threadEnded;  // set by the background thread as it ends
  platform::WindowProc userWindowProc;
  std::uint32_t mainThreadId;
  platform::Rect clientRect;  // on the screen
  int modeChanging;

  // Process state.
  int closeRequested;
  int destroyed;
  int displayChangeHandled;
  int active;
  int restoreNeeded;
  int modeSwitchRequest;
  int endingFlag;  // 0 running, 1 shutting down, 4 WM_CLOSE received while running
  int painting;
  int repainting;  // the kept inactive-window image is being drawn
  int cursorVisibleRequest;
  int cursorShown;
  int mouseWheelCount;
  int creatingWindow;
  int initDone;
  int comStarted;

  // Timer.
  std::int64_t performanceFrequency;
  int usePerformanceCounter;

  // Desktop.
  int desktopWidth, desktopHeight, desktopBits;
  double totalPhysicalMemory, freePhysicalMemory;  // bytes

  // Kept inactive-window image and activation callback.
  int keptImageFlag;
  int keptImageGraph;
  GraphImage* keptImage;  // the kept image's decoded pixels, or null
  void (*activationCallback)(int active, void* data);
  void* activationData;

  // Menu.
  std::intptr_t menuHandle;
  int menuInUse;
  void (*menuCommandCallback)(std::uint16_t command);
  void (*menuItemCallback)(const char* name, int id);
  int menuHidden;
  int menuAlwaysShown;
  int lastMenuVisible;
  int mouseNearTop;
  MenuItemRecord menuItems[kMaxMenuItems];
  int menuItemCount;
  int chosenItems[kMaxChosenMenuItems];
  int chosenItemCount;

  // Toolbar.
  int toolbarExists;
  platform::WindowHandle toolbarWindow;
  int toolbarBitmap;
  int toolbarButtonCount;
  ToolbarButton toolbarButtons[kMaxToolbarButtons];

  // Hooks.
  int systemKeyFlag;
  std::intptr_t systemKeyHook;  // the hook library's hook while the window is active
  std::intptr_t hookLibrary;
  std::intptr_t secondHook;

  // Message pump extras.
  platform::WindowHandle extraWindows[kMaxExtraPumpWindows];
  int extraWindowCount;
  platform::WindowHandle dialogWindow;

  int codePageClass;  // 2 for the Hangeul code page, else 1
};

extern SystemWindowRecord g_System;
