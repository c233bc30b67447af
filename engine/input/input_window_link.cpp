// Temporary: stands in for the window layer until it lands.
#include "engine/input/input_window_link.h"

#include <cstdlib>

#include "engine/core/log.h"
#include "engine/input/input_window_stand_in.h"

InputWindowStandIn g_InputWindowStandIn{};

int InputMessagePass() {
  ++g_InputWindowStandIn.messagePasses;
  return g_InputWindowStandIn.messagePassResult;
}
void InputWaitWhileInactive() { ++g_InputWindowStandIn.inactiveWaits; }
int InputCloseRequested() { return g_InputWindowStandIn.closeRequested; }
int InputWindowActive() { return g_InputWindowStandIn.active; }
bool InputOnWindowThread() { return g_InputWindowStandIn.onWindowThread; }
std::uintptr_t InputMainWindow() { return 1; }
void InputBringWindowToTop() {}
void InputFatalExit(const char* message) {
  WriteLog(message);
  WriteLog("\n");
  std::_Exit(255);
}
