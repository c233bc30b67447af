// Engine start-up and shut-down, and the one way to end the process on an unrecoverable error.
#pragma once

#include "platform/window/window.h"

// 0 on success, -1 on failure (after shutting down what was started).
int StartEngineBody();
// Always 0. Safe after a partial start-up: every step only undoes what exists.
int EndEngineBody();
int StartCom();
// Logs the message and an empty line end, shuts the engine down, destroys the API lock and ends the process with
// exit code -1 (255).
[[noreturn]] void FatalExit(const char* message);
[[noreturn]] void FatalExitFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
void BringWindowToForeground(platform::WindowHandle window, int topmost);
