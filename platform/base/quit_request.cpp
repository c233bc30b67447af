#include "platform/base/quit_request.h"

#include <signal.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> g_requested{false};
std::atomic<bool> g_installed{false};
// Set from the first signal until the process ends: a second signal then takes its default action.
volatile sig_atomic_t g_signalled = 0;

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnQuitSignal(int signal) {
  if (g_signalled != 0) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
    return;
  }
  g_signalled = 1;
  g_requested.store(true);
}

}  // namespace

void InstallQuitSignalHandlers() {
  if (g_installed.exchange(true)) return;
  static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
  for (int signal : kQuitSignals) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
  }
}

bool TakeQuitRequest() { return g_requested.exchange(false); }

}  // namespace platform
