// What the input layer uses of the window and message layer, in one place.
#pragma once

#include <cstdint>

// One message pass; nonzero when it reported the end of the application.
int InputMessagePass();
// Blocks (pumping messages) while the application is inactive.
void InputWaitWhileInactive();
// 1 once the engine has asked its window to close.
int InputCloseRequested();
// 1 while the application is active.
int InputWindowActive();
// True on the thread that created the main window.
bool InputOnWindowThread();
// The main window, for the cooperative levels.
std::uintptr_t InputMainWindow();
// Brings the main window to the top of the window order.
void InputBringWindowToTop();
// Ends the engine and the process with the given message.
[[noreturn]] void InputFatalExit(const char* message);
