// platform/window: the USER32 stand-in (this file, window.cpp) and its back-ends, chosen by platform/base/backend.h:
// headless_window.cpp (windows in memory; headless_window.h is the test hook: window state, scheduled messages,
// cursor and desktop) and sdl_window.cpp (real SDL2 windows; it also presents display frames through its renderer).
//
// The in-process window system: window classes, windows with their styles and rectangles, per-thread message
// queues and window procedures, with the message numbers, styles and codes of the system the engine was written for,
// so the engine's window procedure and message pass run as written. A back-end (platform/base/backend.h) shows the
// windows: the headless one keeps them in memory, the SDL one opens real windows and turns their events into
// messages.
//
// Messages posted to a window go to the queue of the thread that created it; a thread reads only its own queue.
// Window procedures run on the thread that dispatches or sends, with no lock of this layer held.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using WindowHandle = std::intptr_t;  // 0: none
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using WindowProc = LResult (*)(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

struct Rect {
  int left, top, right, bottom;
};

using MenuHandle = std::intptr_t;  // 0: none

struct Message {
  WindowHandle window;
  std::uint32_t message;
  WParam wParam;
  LParam lParam;
};

// Message numbers, styles and codes.
namespace win {
inline constexpr std::uint32_t kWmNull = 0x0000;
inline constexpr std::uint32_t kWmCreate = 0x0001;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmMove = 0x0003;
inline constexpr std::uint32_t kWmSize = 0x0005;
inline constexpr std::uint32_t kWmActivate = 0x0006;
inline constexpr std::uint32_t kWmPaint = 0x000F;
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kWmActivateApp = 0x001C;
inline constexpr std::uint32_t kWmSetCursor = 0x0020;
inline constexpr std::uint32_t kWmDisplayChange = 0x007E;
inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmKeyUp = 0x0101;
inline constexpr std::uint32_t kWmChar = 0x0102;
inline constexpr std::uint32_t kWmSysKeyDown = 0x0104;
inline constexpr std::uint32_t kWmSysKeyUp = 0x0105;
inline constexpr std::uint32_t kWmSysChar = 0x0106;
inline constexpr std::uint32_t kWmImeStartComposition = 0x010D;
inline constexpr std::uint32_t kWmImeEndComposition = 0x010E;
inline constexpr std::uint32_t kWmImeComposition = 0x010F;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kWmSysCommand = 0x0112;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonUp = 0x0202;
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;
inline constexpr std::uint32_t kWmRButtonUp = 0x0205;
inline constexpr std::uint32_t kWmMButtonDown = 0x0207;
inline constexpr std::uint32_t kWmMButtonUp = 0x0208;
inline constexpr std::uint32_t kWmMouseWheel = 0x020A;
inline constexpr std::uint32_t kWmSizing = 0x0214;
inline constexpr std::uint32_t kWmMoving = 0x0216;
inline constexpr std::uint32_t kWmDropFiles = 0x0233;
inline constexpr std::uint32_t kWmImeSetContext = 0x0281;
inline constexpr std::uint32_t kWmImeNotify = 0x0282;
inline constexpr std::uint32_t kMmMciNotify = 0x03B9;

inline constexpr WParam kScClose = 0xF060;
inline constexpr WParam kScScreenSave = 0xF140;

inline constexpr WParam kSizeRestored = 0;
inline constexpr WParam kSizeMinimized = 1;
inline constexpr WParam kSizeMaximized = 2;

inline constexpr WParam kWaInactive = 0;
inline constexpr WParam kWaActive = 1;

inline constexpr std::uint32_t kWsPopup = 0x80000000u;
inline constexpr std::uint32_t kWsVisible = 0x10000000u;
inline constexpr std::uint32_t kWsCaption = 0x00C00000u;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000u;
inline constexpr std::uint32_t kWsThickFrame = 0x00040000u;
inline constexpr std::uint32_t kWsMinimizeBox = 0x00020000u;
inline constexpr std::uint32_t kWsMaximizeBox = 0x00010000u;

inline constexpr std::uint32_t kWsExTopmost = 0x00000008u;
inline constexpr std::uint32_t kWsExTransparent = 0x00000020u;
inline constexpr std::uint32_t kWsExToolWindow = 0x00000080u;
inline constexpr std::uint32_t kWsExWindowEdge = 0x00000100u;
inline constexpr std::uint32_t kWsExClientEdge = 0x00000200u;

// SetWindowPos.
inline constexpr WindowHandle kHwndTop = 0;
inline constexpr WindowHandle kHwndTopmost = -1;
inline constexpr std::uint32_t kSwpNoSize = 0x0001;
inline constexpr std::uint32_t kSwpNoMove = 0x0002;
inline constexpr std::uint32_t kSwpNoZOrder = 0x0004;
inline constexpr std::uint32_t kSwpNoRedraw = 0x0008;

// Window long indexes.
inline constexpr int kGwlStyle = -16;
inline constexpr int kGwlExStyle = -20;

// The icon the class gets when no icon id is given.
inline constexpr int kIdiApplication = 32512;

// Virtual keys the window layer itself turns into characters or that SDL keys map to.
inline constexpr WParam kVkBack = 0x08;
inline constexpr WParam kVkTab = 0x09;
inline constexpr WParam kVkReturn = 0x0D;
inline constexpr WParam kVkEscape = 0x1B;
}  // namespace win

// Peek filter: thread messages only (those posted without a window).
inline constexpr WindowHandle kThreadMessagesOnly = -1;

// ---- Classes and windows ----------------------------------------------------------------------------------------

bool RegisterWindowClass(const char* className, WindowProc proc, int iconId);
bool UnregisterWindowClass(const char* className);
void SetClassIcon(WindowHandle window, int iconId);
int GetClassIcon(WindowHandle window);

// Whether a window of the class exists: in this process, or in another process that holds the class's instance lock
// file. The lock files live in the instance-lock directory: ENGINE_LOCK_DIR from the environment, else the one set
// here, else the back-end's default (the SDL back-end: $XDG_RUNTIME_DIR or /tmp; the headless back-end: none, so
// parallel headless processes never see each other). An empty string means none.
bool FindWindowOfClass(const char* className);
void SetInstanceLockDirectory(const std::string& directory);
std::string InstanceLockDirectory();

// Outer rectangle x, y, width, height. Sends WM_CREATE. The window starts hidden unless the style has kWsVisible.
// 0 when the class is unknown or the window system refuses the window.
WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className, const char* title, std::uint32_t style,
                            int x, int y, int width, int height, MenuHandle menu = 0);
// Sends WM_DESTROY, then removes the window and every message still queued for it.
bool DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);
bool ShowWindow(WindowHandle window, bool show);
bool IsWindowVisible(WindowHandle window);
// Sends WM_PAINT at once when the window needs painting.
void UpdateWindow(WindowHandle window);
void InvalidateWindow(WindowHandle window);

bool SetWindowText(WindowHandle window, const char* title);
std::string GetWindowText(WindowHandle window);
std::uint32_t GetWindowLong(WindowHandle window, int index);
void SetWindowLong(WindowHandle window, int index, std::uint32_t value);

// Moves and sizes the outer rectangle (SWP flags); WM_MOVE and WM_SIZE are sent when the client area moved or
// changed size.
bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width, int height,
                  std::uint32_t flags);
bool MoveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint);
bool GetWindowRect(WindowHandle window, Rect* rect);
// Client area: left and top 0.
bool GetClientRect(WindowHandle window, Rect* rect);
bool ClientToScreen(WindowHandle window, int* x, int* y);
// Grows a client rectangle to the outer rectangle for the style.
bool AdjustWindowRectEx(Rect* rect, std::uint32_t style, bool menu, std::uint32_t exStyle);

void BringWindowToTop(WindowHandle window);
void SetForegroundWindow(WindowHandle window);
void SetActiveWindow(WindowHandle window);

// ---- Painting ---------------------------------------------------------------------------------------------------

// Validates the window and gives the rectangle to paint (the client area).
bool BeginPaint(WindowHandle window, Rect* paintRect);
void EndPaint(WindowHandle window);
void FillRectBlack(WindowHandle window, const Rect& rect);

// ---- Messages ---------------------------------------------------------------------------------------------------

// Window 0 posts a thread message to the calling thread.
bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
void PostQuitMessage(int exitCode);
LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
// Filter: 0 any message of the calling thread, kThreadMessagesOnly, or one window. A message range of 0, 0 takes
// every message. Posted messages come first, then WM_QUIT, then WM_PAINT of a window that needs painting.
bool PeekMessage(Message* out, WindowHandle filter, std::uint32_t first, std::uint32_t last, bool remove);
// WM_KEYDOWN of Backspace, Tab, Enter and Escape posts the matching WM_CHAR, WM_SYSKEYDOWN of Enter (Alt+Enter)
// posts WM_SYSCHAR; other characters come from the back-end as WM_CHAR already.
void TranslateMessage(const Message& message);
LResult DispatchMessage(const Message& message);
// WM_CLOSE destroys the window, SC_CLOSE sends WM_CLOSE, WM_SETCURSOR puts the class cursor back, WM_PAINT
// validates; everything else gives 0.
LResult DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

// ---- Cursor, desktop, system settings ---------------------------------------------------------------------------

void SetCursorHidden(bool hidden);  // SetCursor(NULL) / SetCursor(arrow)
// ShowCursor: moves the display counter and returns it; the cursor is visible while it is 0 or more.
int ShowCursor(bool show);
bool GetCursorPos(int* x, int* y);

struct DesktopInfo {
  int width, height, bits;
};
DesktopInfo GetDesktopInfo();

void SetScreenSaverActive(bool active);
void EnableIme(WindowHandle window, bool enable);
int TimerMinimumPeriod();
void TimeBeginPeriod(int period);

// ---- Dropped files ----------------------------------------------------------------------------------------------

// WM_DROPFILES carries a drop handle in wParam. Index 0xFFFFFFFF gives the count; otherwise copies the name
// (CP932, truncated to size - 1) and returns its full length, or 0 for a bad handle or index. A null buffer gives
// the length only.
int DragQueryFile(WParam drop, std::uint32_t index, char* buffer, int size);
void DragFinish(WParam drop);
// Back-ends and tests: posts WM_DROPFILES with the names (CP932) to the window.
bool PostDroppedFiles(WindowHandle window, const std::vector<std::string>& names);

// ---- Input method --------------------------------------------------------------------------------------------

// Composition-string parts (the lParam bits of WM_IME_COMPOSITION) and notifications (wParam of WM_IME_NOTIFY).
namespace win {
inline constexpr LParam kGcsCompStr = 0x0008;
inline constexpr LParam kGcsCompClause = 0x0020;
inline constexpr LParam kGcsCursorPos = 0x0080;
inline constexpr LParam kGcsResultStr = 0x0800;
inline constexpr WParam kImnCloseCandidate = 0x0004;
inline constexpr WParam kImnOpenCandidate = 0x0005;
inline constexpr WParam kImnChangeCandidate = 0x0003;
inline constexpr WParam kImnSetOpenStatus = 0x0008;
inline constexpr WParam kImnSetCandidatePos = 0x0009;
}  // namespace win

// What the input method holds for the windows: the desktop's input method through the SDL back-end (its text
// editing events), or what tests set.
struct ImeContextState {
  std::string composition;  // CP932
  std::string result;       // CP932
  int cursorBytes = 0;
  std::string clauses;      // raw clause data
  std::string candidates;   // raw candidate list
  bool open = false;
};
void SetImeContextState(const ImeContextState& state);
// Copies the part (kGcsCompStr, kGcsResultStr or kGcsCompClause) into buffer (at most size bytes) and returns the
// bytes copied; a null buffer gives the part's size. kGcsCursorPos returns the cursor byte position.
int ImeGetCompositionString(LParam part, void* buffer, int size);
// Same for the candidate list.
int ImeGetCandidateList(void* buffer, int size);
bool ImeGetOpenStatus();

// The back-end's side. While the window's input method is enabled (EnableIme), a changed composition (CP932, the
// cursor as a byte offset into it) posts WM_IME_STARTCOMPOSITION when none was under way and WM_IME_COMPOSITION
// with the composition and cursor; an empty one ends the composition (WM_IME_ENDCOMPOSITION). Committed text during
// a composition posts WM_IME_COMPOSITION with the result, then WM_IME_ENDCOMPOSITION; each result is read once, in
// order. ImeCommit returns false when no composition is under way (the text then goes as characters).
bool ImeEnabled(WindowHandle window);
void ImeCompositionChanged(WindowHandle window, const std::string& composition, int cursorBytes);
bool ImeCommit(WindowHandle window, const std::string& result);

// ---- Regions ----------------------------------------------------------------------------------------------------

// A region is a set of rectangles (right and bottom exclusive). A window's region is in its outer rectangle's
// coordinates; only the part of the window inside it is shown. The window keeps a copy, so the region may be
// deleted after SetWindowRgn.
using RegionHandle = std::intptr_t;  // 0: none
RegionHandle CreateRectRgn(int left, int top, int right, int bottom);
// Adds the rectangles of `other` to `region`.
bool CombineRgnOr(RegionHandle region, RegionHandle other);
bool DeleteRgn(RegionHandle region);
// Region 0 removes the window's shape. False for a bad window or region.
bool SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw);
// The window's shape; empty when it has none.
std::vector<Rect> GetWindowRgnRects(WindowHandle window);

// ---- Menus ------------------------------------------------------------------------------------------------------

namespace win {
inline constexpr std::uint32_t kMfString = 0x0000;
inline constexpr std::uint32_t kMfGrayed = 0x0001;
inline constexpr std::uint32_t kMfPopup = 0x0010;
inline constexpr std::uint32_t kMfSeparator = 0x0800;
inline constexpr std::uint32_t kMftSeparator = 0x0800;  // item type
inline constexpr std::uint32_t kMfsGrayed = 0x0003;     // item state
}  // namespace win

struct MenuItemInfo {
  std::uint32_t type;   // kMftSeparator or 0
  std::uint32_t state;  // kMfsGrayed or 0
  std::uint32_t id;
  MenuHandle submenu;  // 0 unless a popup item
};

MenuHandle CreateMenu();
// flags: kMfString, kMfSeparator or kMfPopup (idOrSubmenu is then the submenu), with kMfGrayed. A submenu that
// already holds the menu is refused, so menus never contain themselves.
bool AppendMenu(MenuHandle menu, std::uint32_t flags, std::uintptr_t idOrSubmenu, const char* name);
// Destroys the menu and its submenus; windows that show it lose their menu.
bool DestroyMenu(MenuHandle menu);
// -1 for a bad menu.
int GetMenuItemCount(MenuHandle menu);
// The item at the position; its name (CP932) into name (at most nameSize bytes with the terminator; null skips).
bool GetMenuItemInfoByPosition(MenuHandle menu, int position, MenuItemInfo* info, char* name, int nameSize);
bool SetMenu(WindowHandle window, MenuHandle menu);
MenuHandle GetMenu(WindowHandle window);
// The user picks the item with the id from the window's menu: posts WM_COMMAND (the id, source 0) to the window.
// False when the menu (with its submenus) has no enabled item with that id.
bool ChooseMenuItem(WindowHandle window, std::uint32_t id);

// ---- Accelerators -----------------------------------------------------------------------------------------------

namespace win {
inline constexpr std::uint8_t kFVirtKey = 0x01;
inline constexpr std::uint8_t kFShift = 0x04;
inline constexpr std::uint8_t kFControl = 0x08;
inline constexpr std::uint8_t kFAlt = 0x10;
inline constexpr WParam kVkShift = 0x10;
inline constexpr WParam kVkControl = 0x11;
}  // namespace win

struct Accelerator {
  std::uint8_t flags;    // kFVirtKey: key is a virtual key (WM_KEYDOWN), else a character (WM_CHAR)
  std::uint16_t key;
  std::uint16_t command;
};
// 0 when the table is empty.
int CreateAcceleratorTable(const std::vector<Accelerator>& entries);
bool DestroyAcceleratorTable(int table);
// A key message that matches an entry (its Alt, Shift and Control state included) sends WM_COMMAND (the command,
// source 1) to the window and returns true. Shift and Control are followed from the key messages it is given.
bool TranslateAccelerator(WindowHandle window, int table, const Message& message);

// ---- Modeless dialogs -------------------------------------------------------------------------------------------

namespace win {
inline constexpr WParam kIdOk = 1;
inline constexpr WParam kIdCancel = 2;
}  // namespace win

// A dialog: a child window of the owner with its own procedure, hidden until shown. The back-ends show top-level
// windows only; the dialog lives in the window system's records. A message filter of the owner takes the dialog's
// messages too, as it takes any child's.
WindowHandle CreateDialogWindow(WindowHandle owner, WindowProc proc);
// When the message is for the dialog or one of its children, handles it (Enter sends WM_COMMAND IDOK to the dialog,
// Escape IDCANCEL; everything else is translated and dispatched) and returns true.
bool IsDialogMessage(WindowHandle dialog, const Message& message);

// ---- System keys --------------------------------------------------------------------------------------------------

// The message-hook library that keeps the system's own keys (task switching and the like) inside the window: its
// "SetMSGHookDll" export grabs the keyboard for the window until the hook is removed. 0 on failure.
std::intptr_t LoadHookLibrary();
bool FreeHookLibrary(std::intptr_t library);
std::intptr_t SetMsgHookDll(std::intptr_t library, WindowHandle window);
bool UnhookMsgHook(std::intptr_t hook);
// The older systems' way (SPI_SETSCREENSAVERRUNNING): the same grab for every window of the calling thread.
void SetScreenSaverRunning(bool running);
// Whether the keyboard is grabbed for the window.
bool KeyboardGrabbed(WindowHandle window);

// ---- Back-end events --------------------------------------------------------------------------------------------

// The back-end reports that a window's client area moved or changed size on the screen (the user moved it); the
// record follows and WM_MOVE / WM_SIZE are posted.
void NotifyWindowMoved(WindowHandle window, int clientX, int clientY);
void NotifyWindowResized(WindowHandle window, int clientWidth, int clientHeight, WParam sizeKind);
// Every window that exists, in creation order.
std::vector<WindowHandle> ListWindows();

}  // namespace platform
