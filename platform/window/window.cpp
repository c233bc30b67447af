#include "platform/window/window.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

#include "platform/base/backend.h"
#include "platform/base/quit_request.h"
#include "platform/base/thread.h"

namespace platform {
namespace {

struct WindowClass {
  WindowProc proc;
  int iconId;
};

struct WindowRecord {
  WindowHandle handle;
  std::string className;
  WindowProc proc;
  std::string title;
  std::uint32_t style;
  std::uint32_t exStyle;
  Rect outer;
  bool visible;
  bool needsPaint;
  bool destroying;
  ThreadId owner;
  int lockFd;  // shared lock on the class's instance lock file, or -1
  WindowHandle parent = 0;  // a child window's parent (dialogs)
  std::vector<Rect> region;  // shape, outer-rectangle coordinates; empty: none
  MenuHandle menu = 0;
  bool keyboardGrabbed = false;
};

struct ThreadQueue {
  std::deque<Message> messages;
  bool quitPosted = false;
  int quitCode = 0;
};

struct Drop {
  std::vector<std::string> names;
};

std::mutex g_mutex;  // guards everything below; never held while a window procedure or the back-end runs
std::map<std::string, WindowClass> g_classes;
std::vector<WindowRecord> g_windows;
std::map<ThreadId, ThreadQueue> g_queues;
std::map<WParam, Drop> g_drops;
WParam g_nextDrop = 1;
WindowHandle g_nextHandle = 0x10010;
std::optional<std::string> g_lockDirectory;
bool g_cursorHidden = false;
int g_cursorCount = 0;

// Called with g_mutex held.
WindowRecord* Find(WindowHandle window) {
  for (WindowRecord& w : g_windows)
    if (w.handle == window) return &w;
  return nullptr;
}

// Frame sizes that AdjustWindowRectEx adds: a caption or sizing frame gives a 3-pixel border and the caption a
// 19-pixel bar; a client edge 2 more pixels on every side.
Rect FrameFor(std::uint32_t style, std::uint32_t exStyle) {
  Rect f{0, 0, 0, 0};
  const bool captioned = (style & win::kWsCaption) == win::kWsCaption;
  if (captioned || (style & win::kWsThickFrame) != 0) f = {3, 3, 3, 3};
  if (captioned) f.top += 19;
  if ((exStyle & win::kWsExClientEdge) != 0) {
    f.left += 2;
    f.top += 2;
    f.right += 2;
    f.bottom += 2;
  }
  return f;
}

// Client rectangle on the screen. Called with g_mutex held.
Rect ClientOnScreen(const WindowRecord& w) {
  const Rect f = FrameFor(w.style, w.exStyle);
  Rect c{w.outer.left + f.left, w.outer.top + f.top, w.outer.right - f.right, w.outer.bottom - f.bottom};
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}

LParam PackPoint(int x, int y) {
  return static_cast<LParam>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
}

// The window is the ancestor or one of its children's descendants. Called with g_mutex held.
bool IsSelfOrDescendant(WindowHandle window, WindowHandle ancestor) {
  for (int depth = 0; window != 0 && depth < 64; ++depth) {
    if (window == ancestor) return true;
    const WindowRecord* w = Find(window);
    window = w != nullptr ? w->parent : 0;
  }
  return false;
}

// Called with g_mutex held.
bool Matches(const Message& m, WindowHandle filter, std::uint32_t first, std::uint32_t last) {
  if (filter == kThreadMessagesOnly && m.window != 0) return false;
  if (filter != 0 && filter != kThreadMessagesOnly && !IsSelfOrDescendant(m.window, filter)) return false;
  if ((first != 0 || last != 0) && (m.message < first || m.message > last)) return false;
  return true;
}

bool InRange(std::uint32_t message, std::uint32_t first, std::uint32_t last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

std::string LockDirectoryLocked() {
  if (const char* env = std::getenv("ENGINE_LOCK_DIR")) return env;
  if (g_lockDirectory) return *g_lockDirectory;
  return {};
}

std::string LockDirectory() {
  {
    std::lock_guard lock(g_mutex);
    if (std::getenv("ENGINE_LOCK_DIR") != nullptr || g_lockDirectory) return LockDirectoryLocked();
  }
  return Backend().DefaultLockDirectory();
}

std::string LockFilePath(const std::string& directory, const std::string& className) {
  std::string path = directory;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + className + ".lock";
}

int OpenLockFile(const std::string& className) {
  const std::string directory = LockDirectory();
  if (directory.empty()) return -1;
  return ::open(LockFilePath(directory, className).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

void ApplyShape(WindowHandle window);  // below, with the regions

void ApplyCursor() {
  bool visible;
  {
    std::lock_guard lock(g_mutex);
    visible = !g_cursorHidden && g_cursorCount >= 0;
  }
  Backend().SetCursorVisible(visible);
}

// Moves the outer rectangle; sends WM_MOVE / WM_SIZE for a client area that moved or changed size.
bool ChangeOuterRect(WindowHandle window, const Rect& outer) {
  Rect before, after;
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return false;
    before = ClientOnScreen(*w);
    w->outer = outer;
    after = ClientOnScreen(*w);
    if (after.right - after.left != before.right - before.left ||
        after.bottom - after.top != before.bottom - before.top)
      w->needsPaint = true;
  }
  Backend().SetClientRect(window, after);
  if (after.left != before.left || after.top != before.top)
    SendMessage(window, win::kWmMove, 0, PackPoint(after.left, after.top));
  const int width = after.right - after.left, height = after.bottom - after.top;
  if (width != before.right - before.left || height != before.bottom - before.top)
    SendMessage(window, win::kWmSize, win::kSizeRestored, PackPoint(width, height));
  return true;
}

}  // namespace

// ---- Classes and windows ----------------------------------------------------------------------------------------

bool RegisterWindowClass(const char* className, WindowProc proc, int iconId) {
  std::lock_guard lock(g_mutex);
  return g_classes.emplace(className, WindowClass{proc, iconId}).second;
}

bool UnregisterWindowClass(const char* className) {
  std::lock_guard lock(g_mutex);
  for (const WindowRecord& w : g_windows)
    if (w.className == className) return false;
  return g_classes.erase(className) == 1;
}

void SetClassIcon(WindowHandle window, int iconId) {
  std::lock_guard lock(g_mutex);
  if (const WindowRecord* w = Find(window)) {
    auto it = g_classes.find(w->className);
    if (it != g_classes.end()) it->second.iconId = iconId;
  }
}

int GetClassIcon(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  if (const WindowRecord* w = Find(window)) {
    auto it = g_classes.find(w->className);
    if (it != g_classes.end()) return it->second.iconId;
  }
  return 0;
}

bool FindWindowOfClass(const char* className) {
  {
    std::lock_guard lock(g_mutex);
    for (const WindowRecord& w : g_windows)
      if (w.className == className) return true;
  }
  const int fd = OpenLockFile(className);
  if (fd < 0) return false;
  // Another process holds its shared lock while its window exists, so an exclusive try fails.
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

void SetInstanceLockDirectory(const std::string& directory) {
  std::lock_guard lock(g_mutex);
  g_lockDirectory = directory;
}

std::string InstanceLockDirectory() { return LockDirectory(); }

WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className, const char* title, std::uint32_t style,
                            int x, int y, int width, int height, MenuHandle menu) {
  WindowHandle handle;
  Rect client;
  const bool visible = (style & win::kWsVisible) != 0;
  int lockFd = OpenLockFile(className);
  if (lockFd >= 0 && ::flock(lockFd, LOCK_SH | LOCK_NB) != 0) {
    ::close(lockFd);
    lockFd = -1;
  }
  {
    std::lock_guard lock(g_mutex);
    auto cls = g_classes.find(className);
    if (cls == g_classes.end()) {
      if (lockFd >= 0) ::close(lockFd);
      return 0;
    }
    handle = g_nextHandle;
    g_nextHandle += 4;
    WindowRecord w{handle,  className,           cls->second.proc, title, style, exStyle, Rect{x, y, x + width, y + height},
                   visible, true,                false,            CurrentThreadId(), lockFd, 0, {}, menu, false};
    g_windows.push_back(w);
    client = ClientOnScreen(w);
  }
  if (!Backend().OpenWindow(handle, title, client, visible)) {
    // Nothing has seen the handle yet: the record goes as if it never was.
    std::lock_guard lock(g_mutex);
    std::erase_if(g_windows, [&](const WindowRecord& r) { return r.handle == handle; });
    if (lockFd >= 0) ::close(lockFd);
    return 0;
  }
  SendMessage(handle, win::kWmCreate, 0, 0);
  return handle;
}

bool DestroyWindow(WindowHandle window) {
  std::vector<WindowHandle> children;
  bool grabbed;
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr || w->destroying) return false;
    w->destroying = true;
    grabbed = w->keyboardGrabbed;
    for (const WindowRecord& c : g_windows)
      if (c.parent == window) children.push_back(c.handle);
  }
  for (WindowHandle child : children) DestroyWindow(child);
  if (grabbed) Backend().SetKeyboardGrab(window, false);
  SendMessage(window, win::kWmDestroy, 0, 0);
  int lockFd = -1;
  {
    std::lock_guard lock(g_mutex);
    auto it = std::find_if(g_windows.begin(), g_windows.end(), [&](const WindowRecord& r) { return r.handle == window; });
    if (it != g_windows.end()) {
      lockFd = it->lockFd;
      g_windows.erase(it);
    }
    for (auto& [id, queue] : g_queues)
      std::erase_if(queue.messages, [&](const Message& m) { return m.window == window; });
  }
  Backend().CloseWindow(window);
  if (lockFd >= 0) ::close(lockFd);
  return true;
}

bool IsWindow(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  return Find(window) != nullptr;
}

bool ShowWindow(WindowHandle window, bool show) {
  bool was;
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return false;
    was = w->visible;
    w->visible = show;
    if (show) {
      w->style |= win::kWsVisible;
      if (!was) w->needsPaint = true;
    } else {
      w->style &= ~win::kWsVisible;
    }
  }
  Backend().SetVisible(window, show);
  return was;
}

bool IsWindowVisible(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  return w != nullptr && w->visible;
}

void UpdateWindow(WindowHandle window) {
  bool paint;
  {
    std::lock_guard lock(g_mutex);
    const WindowRecord* w = Find(window);
    paint = w != nullptr && w->visible && w->needsPaint;
  }
  if (paint) SendMessage(window, win::kWmPaint, 0, 0);
}

void InvalidateWindow(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  if (WindowRecord* w = Find(window)) w->needsPaint = true;
}

bool SetWindowText(WindowHandle window, const char* title) {
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return false;
    w->title = title;
  }
  Backend().SetTitle(window, title);
  return true;
}

std::string GetWindowText(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  return w != nullptr ? w->title : std::string();
}

std::uint32_t GetWindowLong(WindowHandle window, int index) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  if (w == nullptr) return 0;
  return index == win::kGwlStyle ? w->style : index == win::kGwlExStyle ? w->exStyle : 0;
}

void SetWindowLong(WindowHandle window, int index, std::uint32_t value) {
  bool bordered, topmost;
  Rect client;
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return;
    if (index == win::kGwlStyle) {
      // Visibility changes only through ShowWindow; the style's visible bit follows it.
      w->style = (value & ~win::kWsVisible) | (w->visible ? win::kWsVisible : 0);
    } else if (index == win::kGwlExStyle) {
      w->exStyle = value;
    } else {
      return;
    }
    bordered = (w->style & win::kWsCaption) == win::kWsCaption;
    topmost = (w->exStyle & win::kWsExTopmost) != 0;
    client = ClientOnScreen(*w);
  }
  Backend().SetDecoration(window, bordered, topmost);
  Backend().SetClientRect(window, client);
  if (!GetWindowRgnRects(window).empty()) ApplyShape(window);
}

bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width, int height,
                  std::uint32_t flags) {
  Rect outer;
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return false;
    outer = w->outer;
    if ((flags & win::kSwpNoZOrder) == 0 && insertAfter == win::kHwndTopmost) w->exStyle |= win::kWsExTopmost;
  }
  if ((flags & win::kSwpNoMove) == 0) {
    const int w = outer.right - outer.left, h = outer.bottom - outer.top;
    outer = {x, y, x + w, y + h};
  }
  if ((flags & win::kSwpNoSize) == 0) {
    outer.right = outer.left + width;
    outer.bottom = outer.top + height;
  }
  if ((flags & win::kSwpNoZOrder) == 0) Backend().Raise(window);
  return ChangeOuterRect(window, outer);
}

bool MoveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint) {
  if (!ChangeOuterRect(window, Rect{x, y, x + width, y + height})) return false;
  if (repaint) InvalidateWindow(window);
  return true;
}

bool GetWindowRect(WindowHandle window, Rect* rect) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  if (w == nullptr) return false;
  *rect = w->outer;
  return true;
}

bool GetClientRect(WindowHandle window, Rect* rect) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  if (w == nullptr) return false;
  const Rect c = ClientOnScreen(*w);
  *rect = {0, 0, c.right - c.left, c.bottom - c.top};
  return true;
}

bool ClientToScreen(WindowHandle window, int* x, int* y) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  if (w == nullptr) return false;
  const Rect c = ClientOnScreen(*w);
  *x += c.left;
  *y += c.top;
  return true;
}

bool AdjustWindowRectEx(Rect* rect, std::uint32_t style, bool /*menu*/, std::uint32_t exStyle) {
  const Rect f = FrameFor(style, exStyle);
  rect->left -= f.left;
  rect->top -= f.top;
  rect->right += f.right;
  rect->bottom += f.bottom;
  return true;
}

void BringWindowToTop(WindowHandle window) {
  if (IsWindow(window)) Backend().Raise(window);
}

void SetForegroundWindow(WindowHandle window) {
  if (IsWindow(window)) Backend().Raise(window);
}

void SetActiveWindow(WindowHandle window) {
  if (IsWindow(window)) Backend().Raise(window);
}

// ---- Painting ---------------------------------------------------------------------------------------------------

bool BeginPaint(WindowHandle window, Rect* paintRect) {
  std::lock_guard lock(g_mutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return false;
  w->needsPaint = false;
  const Rect c = ClientOnScreen(*w);
  *paintRect = {0, 0, c.right - c.left, c.bottom - c.top};
  return true;
}

void EndPaint(WindowHandle /*window*/) {}

void FillRectBlack(WindowHandle window, const Rect& rect) {
  if (IsWindow(window)) Backend().FillBlack(window, rect);
}

// ---- Messages ---------------------------------------------------------------------------------------------------

bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  std::lock_guard lock(g_mutex);
  ThreadId target = CurrentThreadId();
  if (window != 0) {
    const WindowRecord* w = Find(window);
    if (w == nullptr) return false;
    target = w->owner;
  }
  g_queues[target].messages.push_back(Message{window, message, wParam, lParam});
  return true;
}

void PostQuitMessage(int exitCode) {
  std::lock_guard lock(g_mutex);
  ThreadQueue& q = g_queues[CurrentThreadId()];
  q.quitPosted = true;
  q.quitCode = exitCode;
}

LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  WindowProc proc;
  {
    std::lock_guard lock(g_mutex);
    const WindowRecord* w = Find(window);
    if (w == nullptr) return 0;
    proc = w->proc;
  }
  return proc(window, message, wParam, lParam);
}

bool PeekMessage(Message* out, WindowHandle filter, std::uint32_t first, std::uint32_t last, bool remove) {
  const ThreadId self = CurrentThreadId();
  bool ownsWindows = false;
  {
    std::lock_guard lock(g_mutex);
    for (const WindowRecord& w : g_windows) ownsWindows = ownsWindows || w.owner == self;
  }
  if (ownsWindows) {
    Backend().PumpEvents();
    // A signal or a lost display closes this thread's windows, as the user's close would.
    if (TakeQuitRequest()) {
      std::vector<WindowHandle> closing;
      {
        std::lock_guard lock(g_mutex);
        for (const WindowRecord& w : g_windows) {
          if (w.owner == self && !w.destroying) closing.push_back(w.handle);
        }
      }
      for (WindowHandle h : closing) PostMessage(h, win::kWmClose, 0, 0);
    }
  }

  std::lock_guard lock(g_mutex);
  auto qi = g_queues.find(self);
  if (qi != g_queues.end()) {
    ThreadQueue& q = qi->second;
    for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
      if (!Matches(*it, filter, first, last)) continue;
      *out = *it;
      if (remove) q.messages.erase(it);
      return true;
    }
    if (q.quitPosted && (filter == 0 || filter == kThreadMessagesOnly) && InRange(win::kWmQuit, first, last)) {
      *out = Message{0, win::kWmQuit, static_cast<WParam>(q.quitCode), 0};
      if (remove) q.quitPosted = false;
      return true;
    }
  }
  if (filter != kThreadMessagesOnly && InRange(win::kWmPaint, first, last)) {
    for (const WindowRecord& w : g_windows) {
      if (w.owner != self || !w.visible || !w.needsPaint || w.destroying) continue;
      if (filter != 0 && !IsSelfOrDescendant(w.handle, filter)) continue;
      *out = Message{w.handle, win::kWmPaint, 0, 0};
      return true;
    }
  }
  return false;
}

void TranslateMessage(const Message& message) {
  if (message.message == win::kWmSysKeyDown && message.wParam == win::kVkReturn) {
    PostMessage(message.window, win::kWmSysChar, 0x0D, message.lParam);
    return;
  }
  if (message.message != win::kWmKeyDown) return;
  switch (message.wParam) {
    case win::kVkBack:
    case win::kVkTab:
    case win::kVkReturn:
    case win::kVkEscape:
      PostMessage(message.window, win::kWmChar, message.wParam, message.lParam);
      break;
    default:
      break;
  }
}

LResult DispatchMessage(const Message& message) {
  if (message.window == 0) return 0;
  return SendMessage(message.window, message.message, message.wParam, message.lParam);
}

LResult DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam /*lParam*/) {
  switch (message) {
    case win::kWmClose:
      DestroyWindow(window);
      return 0;
    case win::kWmSysCommand:
      if ((wParam & 0xFFF0) == win::kScClose) SendMessage(window, win::kWmClose, 0, 0);
      return 0;
    case win::kWmSetCursor:
      SetCursorHidden(false);
      return 1;
    case win::kWmPaint: {
      Rect r;
      BeginPaint(window, &r);
      EndPaint(window);
      return 0;
    }
    default:
      return 0;
  }
}

// ---- Cursor, desktop, system settings ---------------------------------------------------------------------------

void SetCursorHidden(bool hidden) {
  {
    std::lock_guard lock(g_mutex);
    g_cursorHidden = hidden;
  }
  ApplyCursor();
}

int ShowCursor(bool show) {
  int count;
  {
    std::lock_guard lock(g_mutex);
    g_cursorCount += show ? 1 : -1;
    count = g_cursorCount;
  }
  ApplyCursor();
  return count;
}

bool GetCursorPos(int* x, int* y) {
  Backend().GetCursorPos(x, y);
  return true;
}

DesktopInfo GetDesktopInfo() { return Backend().Desktop(); }

void SetScreenSaverActive(bool active) { Backend().SetScreenSaverEnabled(active); }


int TimerMinimumPeriod() { return 1; }

void TimeBeginPeriod(int /*period*/) {
  // The platform clock has millisecond resolution already.
}

// ---- Dropped files ----------------------------------------------------------------------------------------------

int DragQueryFile(WParam drop, std::uint32_t index, char* buffer, int size) {
  std::lock_guard lock(g_mutex);
  auto it = g_drops.find(drop);
  if (it == g_drops.end()) return 0;
  const std::vector<std::string>& names = it->second.names;
  if (index == 0xFFFFFFFFu) return static_cast<int>(names.size());
  if (index >= names.size()) return 0;
  const std::string& name = names[index];
  if (buffer != nullptr && size > 0) {
    const std::size_t n = std::min(name.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<int>(name.size());
}

void DragFinish(WParam drop) {
  std::lock_guard lock(g_mutex);
  g_drops.erase(drop);
}

bool PostDroppedFiles(WindowHandle window, const std::vector<std::string>& names) {
  WParam drop;
  {
    std::lock_guard lock(g_mutex);
    drop = g_nextDrop++;
    g_drops[drop].names = names;
  }
  if (PostMessage(window, win::kWmDropFiles, drop, 0)) return true;
  DragFinish(drop);
  return false;
}

// ---- Input method --------------------------------------------------------------------------------------------

namespace {
ImeContextState g_ime;
std::map<WindowHandle, bool> g_imeEnabled;
bool g_composing = false;
std::deque<std::string> g_imeResults;  // committed texts not yet read by their WM_IME_COMPOSITION

int CopyPart(const std::string& part, void* buffer, int size) {
  if (buffer == nullptr) return static_cast<int>(part.size());
  const int n = std::min(static_cast<int>(part.size()), std::max(size, 0));
  std::memcpy(buffer, part.data(), static_cast<std::size_t>(n));
  return n;
}
}  // namespace

void SetImeContextState(const ImeContextState& state) {
  std::lock_guard lock(g_mutex);
  g_ime = state;
}

int ImeGetCompositionString(LParam part, void* buffer, int size) {
  std::lock_guard lock(g_mutex);
  switch (part) {
    case win::kGcsCompStr:
      return CopyPart(g_ime.composition, buffer, size);
    case win::kGcsResultStr: {
      if (g_imeResults.empty()) return CopyPart(g_ime.result, buffer, size);
      const int n = CopyPart(g_imeResults.front(), buffer, size);
      if (buffer != nullptr) g_imeResults.pop_front();
      return n;
    }
    case win::kGcsCompClause:
      return CopyPart(g_ime.clauses, buffer, size);
    case win::kGcsCursorPos:
      return g_ime.cursorBytes;
    default:
      return -1;
  }
}

int ImeGetCandidateList(void* buffer, int size) {
  std::lock_guard lock(g_mutex);
  return CopyPart(g_ime.candidates, buffer, size);
}

bool ImeGetOpenStatus() {
  std::lock_guard lock(g_mutex);
  return g_ime.open;
}

void EnableIme(WindowHandle window, bool enable) {
  std::lock_guard lock(g_mutex);
  g_imeEnabled[window] = enable;
  g_ime.open = enable;
}

bool ImeEnabled(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  auto it = g_imeEnabled.find(window);
  return it != g_imeEnabled.end() && it->second;
}

void ImeCompositionChanged(WindowHandle window, const std::string& composition, int cursorBytes) {
  bool start = false, end = false;
  {
    std::lock_guard lock(g_mutex);
    if (composition.empty()) {
      end = g_composing;
      g_composing = false;
    } else {
      start = !g_composing;
      g_composing = true;
    }
    g_ime.composition = composition;
    g_ime.cursorBytes = std::clamp(cursorBytes, 0, static_cast<int>(composition.size()));
  }
  if (start) PostMessage(window, win::kWmImeStartComposition, 0, 0);
  if (!composition.empty()) PostMessage(window, win::kWmImeComposition, 0, win::kGcsCompStr | win::kGcsCursorPos);
  if (end) {
    PostMessage(window, win::kWmImeComposition, 0, win::kGcsCompStr | win::kGcsCursorPos);
    PostMessage(window, win::kWmImeEndComposition, 0, 0);
  }
}

bool ImeCommit(WindowHandle window, const std::string& result) {
  {
    std::lock_guard lock(g_mutex);
    if (!g_composing) return false;
    g_composing = false;
    g_imeResults.push_back(result);
    g_ime.composition.clear();
    g_ime.cursorBytes = 0;
  }
  PostMessage(window, win::kWmImeComposition, 0, win::kGcsResultStr | win::kGcsCompStr | win::kGcsCursorPos);
  PostMessage(window, win::kWmImeEndComposition, 0, 0);
  return true;
}

// ---- Regions ----------------------------------------------------------------------------------------------------

namespace {
std::map<RegionHandle, std::vector<Rect>> g_regions;
RegionHandle g_nextRegion = 0x20010;

// The window's region in client coordinates, for the back-end, which shows the client area only.
void ApplyShape(WindowHandle window) {
  std::vector<Rect> client;
  {
    std::lock_guard lock(g_mutex);
    const WindowRecord* w = Find(window);
    if (w == nullptr) return;
    const Rect f = FrameFor(w->style, w->exStyle);
    for (const Rect& r : w->region)
      client.push_back(Rect{r.left - f.left, r.top - f.top, r.right - f.left, r.bottom - f.top});
    // A region that misses the client area entirely still hides it: one empty rectangle says so.
    if (!w->region.empty() && client.empty()) client.push_back(Rect{0, 0, 0, 0});
  }
  Backend().SetShape(window, client);
}
}  // namespace

RegionHandle CreateRectRgn(int left, int top, int right, int bottom) {
  std::lock_guard lock(g_mutex);
  const RegionHandle handle = g_nextRegion;
  g_nextRegion += 4;
  std::vector<Rect>& rects = g_regions[handle];
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left < right && top < bottom) rects.push_back(Rect{left, top, right, bottom});
  return handle;
}

bool CombineRgnOr(RegionHandle region, RegionHandle other) {
  std::lock_guard lock(g_mutex);
  auto a = g_regions.find(region), b = g_regions.find(other);
  if (a == g_regions.end() || b == g_regions.end()) return false;
  if (a == b) return true;
  a->second.insert(a->second.end(), b->second.begin(), b->second.end());
  return true;
}

bool DeleteRgn(RegionHandle region) {
  std::lock_guard lock(g_mutex);
  return g_regions.erase(region) == 1;
}

bool SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw) {
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return false;
    if (region == 0) {
      w->region.clear();
    } else {
      auto it = g_regions.find(region);
      if (it == g_regions.end()) return false;
      w->region = it->second;
      // A region without rectangles hides the whole window.
      if (w->region.empty()) w->region.push_back(Rect{0, 0, 0, 0});
    }
    if (redraw) w->needsPaint = true;
  }
  ApplyShape(window);
  return true;
}

std::vector<Rect> GetWindowRgnRects(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  return w != nullptr ? w->region : std::vector<Rect>{};
}

// ---- Menus ------------------------------------------------------------------------------------------------------

namespace {
struct MenuItem {
  std::uint32_t flags;
  std::uint32_t id;
  MenuHandle submenu;
  std::string name;
};
std::map<MenuHandle, std::vector<MenuItem>> g_menus;
MenuHandle g_nextMenu = 0x30010;

// Called with g_mutex held.
bool MenuHolds(MenuHandle menu, MenuHandle target, int depth = 0) {
  if (menu == target) return true;
  auto it = g_menus.find(menu);
  if (it == g_menus.end() || depth > 64) return false;
  for (const MenuItem& item : it->second)
    if (item.submenu != 0 && MenuHolds(item.submenu, target, depth + 1)) return true;
  return false;
}

// Called with g_mutex held.
bool MenuHasEnabledId(MenuHandle menu, std::uint32_t id, int depth = 0) {
  auto it = g_menus.find(menu);
  if (it == g_menus.end() || depth > 64) return false;
  for (const MenuItem& item : it->second) {
    if ((item.flags & win::kMfSeparator) != 0) continue;
    if (item.submenu != 0) {
      if (MenuHasEnabledId(item.submenu, id, depth + 1)) return true;
    } else if (item.id == id && (item.flags & win::kMfGrayed) == 0) {
      return true;
    }
  }
  return false;
}

// Called with g_mutex held.
void DestroyMenuLocked(MenuHandle menu, int depth = 0) {
  auto it = g_menus.find(menu);
  if (it == g_menus.end() || depth > 64) return;
  const std::vector<MenuItem> items = std::move(it->second);
  g_menus.erase(it);
  for (const MenuItem& item : items)
    if (item.submenu != 0) DestroyMenuLocked(item.submenu, depth + 1);
}
}  // namespace

MenuHandle CreateMenu() {
  std::lock_guard lock(g_mutex);
  const MenuHandle handle = g_nextMenu;
  g_nextMenu += 4;
  g_menus[handle];
  return handle;
}

bool AppendMenu(MenuHandle menu, std::uint32_t flags, std::uintptr_t idOrSubmenu, const char* name) {
  std::lock_guard lock(g_mutex);
  auto it = g_menus.find(menu);
  if (it == g_menus.end()) return false;
  MenuItem item{flags, 0, 0, name != nullptr ? name : ""};
  if ((flags & win::kMfPopup) != 0) {
    const auto submenu = static_cast<MenuHandle>(idOrSubmenu);
    if (g_menus.find(submenu) == g_menus.end() || MenuHolds(submenu, menu)) return false;
    item.submenu = submenu;
  } else if ((flags & win::kMfSeparator) == 0) {
    item.id = static_cast<std::uint32_t>(idOrSubmenu & 0xFFFF);
  }
  it->second.push_back(item);
  return true;
}

bool DestroyMenu(MenuHandle menu) {
  std::lock_guard lock(g_mutex);
  if (g_menus.find(menu) == g_menus.end()) return false;
  DestroyMenuLocked(menu);
  for (WindowRecord& w : g_windows)
    if (w.menu != 0 && g_menus.find(w.menu) == g_menus.end()) w.menu = 0;
  return true;
}

int GetMenuItemCount(MenuHandle menu) {
  std::lock_guard lock(g_mutex);
  auto it = g_menus.find(menu);
  return it != g_menus.end() ? static_cast<int>(it->second.size()) : -1;
}

bool GetMenuItemInfoByPosition(MenuHandle menu, int position, MenuItemInfo* info, char* name, int nameSize) {
  std::lock_guard lock(g_mutex);
  auto it = g_menus.find(menu);
  if (it == g_menus.end() || position < 0 || position >= static_cast<int>(it->second.size())) return false;
  const MenuItem& item = it->second[static_cast<std::size_t>(position)];
  if (info != nullptr) {
    info->type = (item.flags & win::kMfSeparator) != 0 ? win::kMftSeparator : 0;
    info->state = (item.flags & win::kMfGrayed) != 0 ? win::kMfsGrayed : 0;
    info->id = item.id;
    info->submenu = item.submenu;
  }
  if (name != nullptr && nameSize > 0) {
    const std::size_t n = std::min(item.name.size(), static_cast<std::size_t>(nameSize - 1));
    std::memcpy(name, item.name.data(), n);
    name[n] = '\0';
  }
  return true;
}

bool SetMenu(WindowHandle window, MenuHandle menu) {
  std::lock_guard lock(g_mutex);
  WindowRecord* w = Find(window);
  if (w == nullptr || (menu != 0 && g_menus.find(menu) == g_menus.end())) return false;
  w->menu = menu;
  return true;
}

MenuHandle GetMenu(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  return w != nullptr ? w->menu : 0;
}

bool ChooseMenuItem(WindowHandle window, std::uint32_t id) {
  {
    std::lock_guard lock(g_mutex);
    const WindowRecord* w = Find(window);
    if (w == nullptr || w->menu == 0 || !MenuHasEnabledId(w->menu, id)) return false;
  }
  return PostMessage(window, win::kWmCommand, id & 0xFFFF, 0);
}

// ---- Accelerators -----------------------------------------------------------------------------------------------

namespace {
std::map<int, std::vector<Accelerator>> g_accelerators;
int g_nextAccelerator = 1;
bool g_shiftDown = false, g_controlDown = false;
}  // namespace

int CreateAcceleratorTable(const std::vector<Accelerator>& entries) {
  if (entries.empty()) return 0;
  std::lock_guard lock(g_mutex);
  const int handle = g_nextAccelerator++;
  g_accelerators[handle] = entries;
  return handle;
}

bool DestroyAcceleratorTable(int table) {
  std::lock_guard lock(g_mutex);
  return g_accelerators.erase(table) == 1;
}

bool TranslateAccelerator(WindowHandle window, int table, const Message& message) {
  const std::uint32_t m = message.message;
  std::uint16_t command = 0;
  {
    std::lock_guard lock(g_mutex);
    if (m == win::kWmKeyDown || m == win::kWmKeyUp || m == win::kWmSysKeyDown || m == win::kWmSysKeyUp) {
      const bool down = m == win::kWmKeyDown || m == win::kWmSysKeyDown;
      if (message.wParam == win::kVkShift) g_shiftDown = down;
      if (message.wParam == win::kVkControl) g_controlDown = down;
    }
    auto it = g_accelerators.find(table);
    if (it == g_accelerators.end() || window == 0) return false;
    const bool keyDown = m == win::kWmKeyDown || m == win::kWmSysKeyDown;
    const bool character = m == win::kWmChar || m == win::kWmSysChar;
    if (!keyDown && !character) return false;
    const bool alt = m == win::kWmSysKeyDown || m == win::kWmSysChar;
    bool found = false;
    for (const Accelerator& a : it->second) {
      const bool virtualKey = (a.flags & win::kFVirtKey) != 0;
      if (virtualKey != keyDown || a.key != (message.wParam & 0xFFFF)) continue;
      if (((a.flags & win::kFAlt) != 0) != alt) continue;
      if (virtualKey && (((a.flags & win::kFShift) != 0) != g_shiftDown ||
                         ((a.flags & win::kFControl) != 0) != g_controlDown))
        continue;
      command = a.command;
      found = true;
      break;
    }
    if (!found) return false;
  }
  SendMessage(window, win::kWmCommand, (WParam{1} << 16) | command, 0);
  return true;
}

// ---- Modeless dialogs -------------------------------------------------------------------------------------------

WindowHandle CreateDialogWindow(WindowHandle owner, WindowProc proc) {
  WindowHandle handle;
  {
    std::lock_guard lock(g_mutex);
    const WindowRecord* parent = Find(owner);
    if (parent == nullptr || proc == nullptr) return 0;
    const Rect c = ClientOnScreen(*parent);
    handle = g_nextHandle;
    g_nextHandle += 4;
    WindowRecord w{handle, "#32770", proc, "", 0, 0, c, false, false, false, CurrentThreadId(), -1, owner, {}, 0, false};
    g_windows.push_back(w);
  }
  SendMessage(handle, win::kWmCreate, 0, 0);
  return handle;
}

bool IsDialogMessage(WindowHandle dialog, const Message& message) {
  {
    std::lock_guard lock(g_mutex);
    if (Find(dialog) == nullptr || message.window == 0 || !IsSelfOrDescendant(message.window, dialog)) return false;
  }
  if (message.message == win::kWmKeyDown && message.wParam == win::kVkReturn) {
    SendMessage(dialog, win::kWmCommand, win::kIdOk, 0);
  } else if (message.message == win::kWmKeyDown && message.wParam == win::kVkEscape) {
    SendMessage(dialog, win::kWmCommand, win::kIdCancel, 0);
  } else {
    TranslateMessage(message);
    DispatchMessage(message);
  }
  return true;
}

// ---- System keys ------------------------------------------------------------------------------------------------

namespace {
std::map<std::intptr_t, WindowHandle> g_hooks;  // hook -> grabbing window
std::intptr_t g_nextHook = 0x40010;
int g_hookLibraryLoads = 0;
constexpr std::intptr_t kHookLibrary = 0x7E000000;

void SetGrab(WindowHandle window, bool grabbed) {
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return;
    w->keyboardGrabbed = grabbed;
  }
  Backend().SetKeyboardGrab(window, grabbed);
}
}  // namespace

std::intptr_t LoadHookLibrary() {
  std::lock_guard lock(g_mutex);
  ++g_hookLibraryLoads;
  return kHookLibrary;
}

bool FreeHookLibrary(std::intptr_t library) {
  std::lock_guard lock(g_mutex);
  if (library != kHookLibrary || g_hookLibraryLoads == 0) return false;
  --g_hookLibraryLoads;
  return true;
}

std::intptr_t SetMsgHookDll(std::intptr_t library, WindowHandle window) {
  std::intptr_t hook;
  {
    std::lock_guard lock(g_mutex);
    if (library != kHookLibrary || g_hookLibraryLoads == 0 || Find(window) == nullptr) return 0;
    hook = g_nextHook;
    g_nextHook += 4;
    g_hooks[hook] = window;
  }
  SetGrab(window, true);
  return hook;
}

bool UnhookMsgHook(std::intptr_t hook) {
  WindowHandle window;
  bool stillHooked = false;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_hooks.find(hook);
    if (it == g_hooks.end()) return false;
    window = it->second;
    g_hooks.erase(it);
    for (const auto& [h, w] : g_hooks) stillHooked = stillHooked || w == window;
  }
  if (!stillHooked) SetGrab(window, false);
  return true;
}

void SetScreenSaverRunning(bool running) {
  std::vector<WindowHandle> mine;
  {
    std::lock_guard lock(g_mutex);
    for (const WindowRecord& w : g_windows)
      if (w.owner == CurrentThreadId() && w.parent == 0 && !w.destroying) mine.push_back(w.handle);
  }
  for (WindowHandle w : mine) SetGrab(w, running);
}

bool KeyboardGrabbed(WindowHandle window) {
  std::lock_guard lock(g_mutex);
  const WindowRecord* w = Find(window);
  return w != nullptr && w->keyboardGrabbed;
}

// ---- Back-end events --------------------------------------------------------------------------------------------

void NotifyWindowMoved(WindowHandle window, int clientX, int clientY) {
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return;
    const Rect c = ClientOnScreen(*w);
    const int dx = clientX - c.left, dy = clientY - c.top;
    if (dx == 0 && dy == 0) return;
    w->outer = {w->outer.left + dx, w->outer.top + dy, w->outer.right + dx, w->outer.bottom + dy};
  }
  PostMessage(window, win::kWmMove, 0, PackPoint(clientX, clientY));
}

void NotifyWindowResized(WindowHandle window, int clientWidth, int clientHeight, WParam sizeKind) {
  {
    std::lock_guard lock(g_mutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return;
    const Rect c = ClientOnScreen(*w);
    if (clientWidth == c.right - c.left && clientHeight == c.bottom - c.top) return;
    w->outer.right += clientWidth - (c.right - c.left);
    w->outer.bottom += clientHeight - (c.bottom - c.top);
    w->needsPaint = true;
  }
  PostMessage(window, win::kWmSize, sizeKind, PackPoint(clientWidth, clientHeight));
}

std::vector<WindowHandle> ListWindows() {
  std::lock_guard lock(g_mutex);
  std::vector<WindowHandle> out;
  for (const WindowRecord& w : g_windows) out.push_back(w.handle);
  return out;
}

}  // namespace platform
