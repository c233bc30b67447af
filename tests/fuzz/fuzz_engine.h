// Set-up shared by the fuzz targets that need more than a decoder: a headless engine started once per process (log
// file off; the working directory stays, libFuzzer writes its corpus there), and the network layer on a window of its
// own with a listening socket.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/core/api_lock.h"
#include "engine/core/network.h"
#include "engine/core/public_api.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/window/window.h"

namespace fuzz {

// A fresh temporary directory, made once per process.
inline const std::string& TempDirectory() {
  static const std::string directory = [] {
    char pattern[] = "/tmp/engine-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) std::abort();
    return std::string(made);
  }();
  return directory;
}

// Starts the headless engine the first time it is called: on the virtual clock, so its start-up waits pass at once,
// then on the real one, where the background thread's sleeps cannot run hours ahead during a long run.
inline void StartEngineOnce() {
  static const bool started = [] {
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SetClockMode(platform::ClockMode::Virtual);
    platform::SetInstanceLockDirectory(TempDirectory());
    SetLogFileOutput(0);
    ChangeWindowMode(1);
    if (StartEngine() != 0) return false;
    platform::SetClockMode(platform::ClockMode::Real);
    // The engine's background thread would outlive the process's static objects, and shutting the engine down
    // mixes all the sound of the run first: a fuzzing process ends without either.
    std::atexit([] { std::_Exit(0); });
    return true;
  }();
  if (!started) std::abort();
}

// Holds the engine's API lock, as a public function does around its worker.
struct EngineLock {
  EngineLock() { ApiLock(); }
  ~EngineLock() { ApiUnlock(); }
  EngineLock(const EngineLock&) = delete;
  EngineLock& operator=(const EngineLock&) = delete;
};

inline platform::LResult NetWorkWindowProc(platform::WindowHandle window, std::uint32_t message,
                                           platform::WParam wParam, platform::LParam lParam) {
  if (message == kSocketMessage) return OnSocketMessage(wParam, lParam);
  return platform::DefWindowProc(window, message, wParam, lParam);
}

// Starts the network layer once, on a headless window whose procedure hands socket messages to it, listening on a
// free loopback port. Returns the port.
inline int StartNetWorkOnce() {
  static const int port = [] {
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SelectBackend();
    SetLogFileOutput(0);
    if (!platform::RegisterWindowClass("NetWorkFuzzWindow", NetWorkWindowProc, 0)) return -1;
    const platform::WindowHandle window = platform::CreateWindowEx(0, "NetWorkFuzzWindow", "net", 0, 0, 0, 64, 64);
    if (window == 0 || StartNetWork(window) != 0) return -1;
    return StartListenNetWork(0);
  }();
  if (port <= 0) std::abort();
  return port;
}

}  // namespace fuzz
