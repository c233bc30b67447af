// Requests to end the program from outside its windows: SIGINT, SIGTERM and SIGHUP. The thread that owns windows
// turns a pending request into a close of each of its windows (as if the user had closed them), so the program ends
// the way a window close ends it. (The loss of the display is handled by the SDL back-end itself.)
#pragma once

namespace platform {

// Catches SIGINT, SIGTERM and SIGHUP (a signal the process was started with ignored stays ignored). The first one
// makes a quit request; a second while the first is still being handled ends the process as the signal would.
// Called once the window back-end is chosen; later calls do nothing.
void InstallQuitSignalHandlers();
// True once for each request: clears it.
bool TakeQuitRequest();

}  // namespace platform
