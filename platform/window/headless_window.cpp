#include "platform/window/headless_window.h"

#include <map>
#include <mutex>
#include <vector>

#include "platform/base/backend.h"
#include "platform/base/clock.h"

namespace platform {
namespace {

struct Scheduled {
  std::uint64_t atNs;
  WindowHandle window;
  std::uint32_t message;
  WParam wParam;
  LParam lParam;
};

struct HeadlessState {
  std::mutex mutex;
  std::map<WindowHandle, headless::WindowState> windows;
  headless::DesktopState desktop{true, true, 0};
  DesktopInfo info{1920, 1080, 32};
  int cursorX = 0, cursorY = 0;
  std::vector<Scheduled> schedule;
};

HeadlessState& State() {
  static HeadlessState state;
  return state;
}

class HeadlessBackend final : public WindowBackend {
 public:
  BackendKind Kind() const override { return BackendKind::Headless; }

  bool OpenWindow(WindowHandle window, const std::string& title, const Rect& client, bool visible) override {
    std::lock_guard lock(State().mutex);
    State().windows[window] = headless::WindowState{true, title, client, visible, true, false, 0, {}, false};
    return true;
  }
  void CloseWindow(WindowHandle window) override {
    std::lock_guard lock(State().mutex);
    State().windows[window].open = false;
  }
  void SetTitle(WindowHandle window, const std::string& title) override {
    std::lock_guard lock(State().mutex);
    State().windows[window].title = title;
  }
  void SetClientRect(WindowHandle window, const Rect& client) override {
    std::lock_guard lock(State().mutex);
    State().windows[window].client = client;
  }
  void SetVisible(WindowHandle window, bool visible) override {
    std::lock_guard lock(State().mutex);
    State().windows[window].visible = visible;
  }
  void SetDecoration(WindowHandle window, bool bordered, bool topmost) override {
    std::lock_guard lock(State().mutex);
    State().windows[window].bordered = bordered;
    State().windows[window].topmost = topmost;
  }
  void Raise(WindowHandle /*window*/) override {
    std::lock_guard lock(State().mutex);
    ++State().desktop.raises;
  }
  void FillBlack(WindowHandle window, const Rect& /*rect*/) override {
    std::lock_guard lock(State().mutex);
    ++State().windows[window].blackFills;
  }

  void SetShape(WindowHandle window, const std::vector<Rect>& client) override {
    std::lock_guard lock(State().mutex);
    State().windows[window].shape = client;
  }
  void SetKeyboardGrab(WindowHandle window, bool grabbed) override {
    std::lock_guard lock(State().mutex);
    State().windows[window].keyboardGrabbed = grabbed;
  }

  void PumpEvents() override {
    std::vector<Scheduled> due;
    {
      std::lock_guard lock(State().mutex);
      auto& schedule = State().schedule;
      if (schedule.empty()) return;
      const std::uint64_t now = ObserveNanoseconds();
      for (auto it = schedule.begin(); it != schedule.end();) {
        if (it->atNs <= now) {
          due.push_back(*it);
          it = schedule.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (const Scheduled& s : due) {
      WindowHandle target = s.window;
      if (target == 0) {
        const std::vector<WindowHandle> windows = ListWindows();
        if (windows.empty()) continue;
        target = windows.front();
      }
      PostMessage(target, s.message, s.wParam, s.lParam);
    }
  }

  DesktopInfo Desktop() override {
    std::lock_guard lock(State().mutex);
    return State().info;
  }
  void SetCursorVisible(bool visible) override {
    std::lock_guard lock(State().mutex);
    State().desktop.cursorVisible = visible;
  }
  void GetCursorPos(int* x, int* y) override {
    std::lock_guard lock(State().mutex);
    *x = State().cursorX;
    *y = State().cursorY;
  }
  void SetScreenSaverEnabled(bool enabled) override {
    std::lock_guard lock(State().mutex);
    State().desktop.screenSaverEnabled = enabled;
  }
  std::string DefaultLockDirectory() override { return {}; }
};

}  // namespace

std::unique_ptr<WindowBackend> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

namespace headless {

WindowState GetWindowState(WindowHandle window) {
  std::lock_guard lock(State().mutex);
  auto it = State().windows.find(window);
  return it != State().windows.end() ? it->second : WindowState{};
}

DesktopState GetDesktopState() {
  std::lock_guard lock(State().mutex);
  return State().desktop;
}

void ScheduleMessage(std::uint32_t atMs, WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  std::lock_guard lock(State().mutex);
  State().schedule.push_back(Scheduled{atMs * 1000000ull, window, message, wParam, lParam});
}

void ClearScheduledMessages() {
  std::lock_guard lock(State().mutex);
  State().schedule.clear();
}

void SetCursorPosition(int x, int y) {
  std::lock_guard lock(State().mutex);
  State().cursorX = x;
  State().cursorY = y;
}

void SetDesktop(int width, int height, int bits) {
  std::lock_guard lock(State().mutex);
  State().info = DesktopInfo{width, height, bits};
}

}  // namespace headless
}  // namespace platform
