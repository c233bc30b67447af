// The engine's one top-level window: set-up with the double-start check, styles for window and full-screen mode,
// the switch between them, size and scale, the window procedure and the window's end.
#pragma once

#include "engine/core/system_record.h"
#include "platform/window/window.h"

// The window class, which doubles as the double-start check.
inline constexpr const char* kMainWindowClass = "Z123987I";
inline constexpr const char* kDefaultWindowTitle = "RiVud";

int SetupWindow();
int EndWindow();
platform::LResult MainWindowProc(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                 platform::LParam lParam);

int ChangeWindowModeBody(int windowed);
int SetWindowModeFlag(int windowed);
int ApplyWindowStyle();
int FitWindowToScreenSize();
int OnWindowMoved(platform::LParam lParam);
int GetClientRectWithToolbar(platform::Rect* out);
int SetWindowTitleBody(const char* title);
int SetWindowIconResourceBody(int id);
int DrawKeptScreenImage();
// Frees the kept inactive-window image's decoded pixels.
int ReleaseKeptScreenImage();
// The front screen's raw draw area follows the client area (the mask screen switched off around the change).
int SetFrontScreenDrawArea(const platform::Rect& client);
// Posts WM_CLOSE to the main window once (the close-requested flag).
void RequestWindowClose();

// The window style and extended style for the index and the current settings.
std::uint32_t WindowModeStyle(int index);
std::uint32_t WindowModeExStyle(int index);
std::uint32_t FullScreenStyle(int index);
std::uint32_t FullScreenExStyle(int index);

platform::WindowHandle GetMainWindowHandle();
int IsWindowMode();
int GetDesktopInfo(int* width, int* height, int* bits);
int IsWindowActive();
int GetMmxFlag();
int GetCloseRequestedFlag();
int IsWindowRegionSet();
double GetWindowScale();
SystemWindowRecord* GetSystemWindowRecord();
int GetMenuFlag();
