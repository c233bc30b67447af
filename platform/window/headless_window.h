// The headless back-end's windows and desktop, for tests: what the windows show, scripted messages that arrive at a
// given time of the platform clock, the cursor position and the desktop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window/window.h"

namespace platform::headless {

struct WindowState {
  bool open;
  std::string title;  // CP932
  Rect client;        // on the screen
  bool visible;
  bool bordered;
  bool topmost;
  int blackFills;  // FillRectBlack calls
  std::vector<Rect> shape;  // client coordinates; empty: the whole window
  bool keyboardGrabbed;
};
WindowState GetWindowState(WindowHandle window);

struct DesktopState {
  bool cursorVisible;
  bool screenSaverEnabled;
  int raises;  // BringWindowToTop / SetForegroundWindow / SetActiveWindow / z-order changes
};
DesktopState GetDesktopState();

// Posts the message once the platform clock reaches atMs (milliseconds, as MillisecondClock counts), when the thread
// owning the windows next looks at its queue. Window 0 stands for the first window that exists then.
void ScheduleMessage(std::uint32_t atMs, WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
void ClearScheduledMessages();

void SetCursorPosition(int x, int y);
void SetDesktop(int width, int height, int bits);

}  // namespace platform::headless
