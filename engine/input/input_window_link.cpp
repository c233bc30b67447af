#include "engine/input/input_window_link.h"

#include "engine/core/message.h"
#include "engine/core/start_engine.h"
#include "engine/core/system_record.h"
#include "engine/core/window.h"
#include "platform/base/thread.h"
#include "platform/window/window.h"

int InputMessagePass() { return ProcessMessageBody(); }
void InputWaitWhileInactive() { WaitWhileInactive(); }
int InputCloseRequested() { return GetCloseRequestedFlag(); }
int InputWindowActive() { return IsWindowActive(); }
bool InputOnWindowThread() { return platform::CurrentThreadId() == g_System.mainThreadId; }
std::uintptr_t InputMainWindow() { return static_cast<std::uintptr_t>(GetMainWindowHandle()); }
void InputBringWindowToTop() {
  if (GetMainWindowHandle() != 0) platform::BringWindowToTop(GetMainWindowHandle());
}
void InputFatalExit(const char* message) { FatalExit(message); }
