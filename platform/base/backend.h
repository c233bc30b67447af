// The back-end that shows the window system's windows: headless (in memory, virtual clock) or SDL2 (a real
// window). Chosen once, at the first need: the kind a test asked for with RequestBackend, else ENGINE_BACKEND from
// the environment ("headless" or "sdl"), else SDL when it is built in and a display can be opened, else headless.
// Choosing headless switches the platform clock to virtual mode (unless it already is), making the choosing thread
// the clock's driver.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/window/window.h"

namespace platform {

enum class BackendKind { Headless, Sdl };

// Before the choice: forces the kind (SDL falls back to headless when it cannot start).
void RequestBackend(BackendKind kind);
BackendKind SelectBackend();
bool BackendSelected();
// Closes the back-end (for a test that ends its display server first); the next use chooses again. No window may
// exist.
void ReleaseBackend();

class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  virtual BackendKind Kind() const = 0;

  // Client rectangle on the screen; the title is CP932. False when the window system refused the window (the
  // back-end has said why on stderr).
  virtual bool OpenWindow(WindowHandle window, const std::string& title, const Rect& client, bool visible) = 0;
  virtual void CloseWindow(WindowHandle window) = 0;
  virtual void SetTitle(WindowHandle window, const std::string& title) = 0;
  virtual void SetClientRect(WindowHandle window, const Rect& client) = 0;
  virtual void SetVisible(WindowHandle window, bool visible) = 0;
  virtual void SetDecoration(WindowHandle window, bool bordered, bool topmost) = 0;
  virtual void Raise(WindowHandle window) = 0;
  virtual void FillBlack(WindowHandle window, const Rect& rect) = 0;
  // Shows only these rectangles of the window's client area (client coordinates); empty: the whole window.
  virtual void SetShape(WindowHandle window, const std::vector<Rect>& client) = 0;
  // Keyboard grab: every key goes to the window, the system's own keys included.
  virtual void SetKeyboardGrab(WindowHandle window, bool grabbed) = 0;

  // Turns pending device events into window messages. Runs on the thread that owns the windows, each time it
  // looks at its message queue.
  virtual void PumpEvents() = 0;

  virtual DesktopInfo Desktop() = 0;
  virtual void SetCursorVisible(bool visible) = 0;
  virtual void GetCursorPos(int* x, int* y) = 0;
  virtual void SetScreenSaverEnabled(bool enabled) = 0;
  // Where instance lock files go when nothing else says; empty for none.
  virtual std::string DefaultLockDirectory() = 0;
};

// The chosen back-end (chooses when nothing has been chosen yet).
WindowBackend& Backend();

std::unique_ptr<WindowBackend> MakeHeadlessBackend();
#if defined(PLATFORM_HAVE_SDL)
// Null when SDL's video cannot start (no display).
std::unique_ptr<WindowBackend> MakeSdlBackend();
#endif

}  // namespace platform
