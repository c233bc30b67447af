#include "platform/base/backend.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/base/clock.h"
#include "platform/base/quit_request.h"

namespace platform {
namespace {

std::mutex g_mutex;
std::optional<BackendKind> g_requested;
std::unique_ptr<WindowBackend> g_backend;

std::optional<BackendKind> KindFromEnvironment() {
  const char* value = std::getenv("ENGINE_BACKEND");
  if (value == nullptr) return std::nullopt;
  if (std::strcmp(value, "headless") == 0) return BackendKind::Headless;
  if (std::strcmp(value, "sdl") == 0) return BackendKind::Sdl;
  return std::nullopt;
}

bool DisplayNamed() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0');
}

// Called with g_mutex held.
WindowBackend& ChooseLocked() {
  if (g_backend) return *g_backend;
  // Before any back-end starts, so no library installs signal handlers of its own.
  InstallQuitSignalHandlers();
  std::optional<BackendKind> kind = g_requested;
  if (!kind) kind = KindFromEnvironment();
  if (!kind) kind = DisplayNamed() ? BackendKind::Sdl : BackendKind::Headless;
#if defined(PLATFORM_HAVE_SDL)
  if (*kind == BackendKind::Sdl) g_backend = MakeSdlBackend();
#endif
  if (!g_backend) {
    g_backend = MakeHeadlessBackend();
    if (!IsVirtualClock()) SetClockMode(ClockMode::Virtual);
  }
  return *g_backend;
}

}  // namespace

void RequestBackend(BackendKind kind) {
  std::lock_guard lock(g_mutex);
  g_requested = kind;
}

BackendKind SelectBackend() {
  std::lock_guard lock(g_mutex);
  return ChooseLocked().Kind();
}

bool BackendSelected() {
  std::lock_guard lock(g_mutex);
  return g_backend != nullptr;
}

void ReleaseBackend() {
  std::lock_guard lock(g_mutex);
  g_backend.reset();
}

WindowBackend& Backend() {
  std::lock_guard lock(g_mutex);
  return ChooseLocked();
}

}  // namespace platform
