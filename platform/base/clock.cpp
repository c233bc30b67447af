#include "platform/base/clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace platform {

namespace clock_internal {

struct FollowerSlot {
  enum class State { Running, Timed, Blocked };
  State state = State::Running;
  std::uint64_t deadline = 0;  // while Timed
};

}  // namespace clock_internal

namespace {

using clock_internal::FollowerSlot;
using State = FollowerSlot::State;

constexpr std::uint64_t kNoDeadline = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kNsPerMs = 1000000ull;
// How often waiting threads look at the virtual clock again (real time).
constexpr auto kPoll = std::chrono::milliseconds(1);
// A driver never waits longer than this for its followers, so a follower stuck outside the platform's waits cannot
// hang the process.
constexpr auto kSettleLimit = std::chrono::seconds(5);

std::atomic<ClockMode> g_mode{ClockMode::Real};
std::atomic<std::uint64_t> g_virtualNs{0};

// Driver and follower bookkeeping; g_mutex guards the follower states.
std::mutex g_mutex;
std::condition_variable g_changed;
std::vector<FollowerSlot*> g_followers;
std::atomic<int> g_followerCount{0};
std::atomic<std::uint64_t> g_nextDeadline{kNoDeadline};
std::atomic<bool> g_hasDriver{false};
std::atomic<unsigned> g_driverGeneration{0};
std::atomic<int> g_driverBlocked{0};
int g_quietChecks = 0;  // consecutive checks that found every follower waiting for time (under g_mutex)

thread_local FollowerSlot* t_slot = nullptr;
thread_local unsigned t_driverGeneration = 0;

// Gives the driver role up when the driver's thread ends, so followers then move the clock themselves.
struct DriverExitGuard {
  bool armed = false;
  ~DriverExitGuard() {
    if (armed && clock_internal::IsDriverThread()) {
      std::lock_guard lock(g_mutex);
      g_hasDriver.store(false);
      g_changed.notify_all();
    }
  }
};
thread_local DriverExitGuard t_driverExitGuard;

std::uint64_t RealNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(ts.tv_nsec);
}

// Called with g_mutex held.
void RecomputeNextDeadline() {
  std::uint64_t next = kNoDeadline;
  for (const FollowerSlot* f : g_followers)
    if (f->state == State::Timed) next = std::min(next, f->deadline);
  g_nextDeadline.store(next);
}

// Called with g_mutex held.
void SetState(FollowerSlot* slot, State state, std::uint64_t deadline = 0) {
  slot->state = state;
  slot->deadline = deadline;
  g_quietChecks = 0;
  RecomputeNextDeadline();
  g_changed.notify_all();
}

void AdvanceTo(std::uint64_t target) {
  std::uint64_t current = g_virtualNs.load();
  while (current < target && !g_virtualNs.compare_exchange_weak(current, target)) {
  }
}

void NotifyFollowers() {
  if (g_followerCount.load() == 0) return;
  std::lock_guard lock(g_mutex);
  g_changed.notify_all();
}

// The driver waits until no follower is running and none has a deadline that has passed.
void Settle() {
  if (g_followerCount.load() == 0) return;
  std::unique_lock lock(g_mutex);
  g_changed.notify_all();
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    const std::uint64_t now = g_virtualNs.load();
    bool busy = false;
    for (const FollowerSlot* f : g_followers)
      busy = busy || f->state == State::Running || (f->state == State::Timed && f->deadline <= now);
    if (!busy || std::chrono::steady_clock::now() - start > kSettleLimit) return;
    g_changed.wait_for(lock, kPoll);
  }
}

// A move of the clock by any thread; the driver then lets its followers catch up.
void Advance(std::uint64_t ns) {
  g_virtualNs.fetch_add(ns);
  if (clock_internal::IsDriverThread()) {
    Settle();
  } else {
    NotifyFollowers();
  }
}

void FollowerSleep(std::uint32_t ms) {
  std::unique_lock lock(g_mutex);
  const std::uint64_t deadline = g_virtualNs.load() + ms * kNsPerMs;
  SetState(t_slot, State::Timed, deadline);
  while (g_virtualNs.load() < deadline) {
    if (!g_hasDriver.load()) {
      AdvanceTo(deadline);
      g_changed.notify_all();
      break;
    }
    g_changed.wait_for(lock, kPoll);
  }
  SetState(t_slot, State::Running);
}

}  // namespace

namespace clock_internal {

FollowerSlot* CreateFollowerSlot() {
  auto* slot = new FollowerSlot;
  std::lock_guard lock(g_mutex);
  g_followers.push_back(slot);
  g_followerCount.fetch_add(1);
  g_quietChecks = 0;
  return slot;
}

void AdoptFollowerSlot(FollowerSlot* slot) { t_slot = slot; }

void DiscardFollowerSlot(FollowerSlot* slot) {
  {
    std::lock_guard lock(g_mutex);
    std::erase(g_followers, slot);
    g_followerCount.fetch_sub(1);
    RecomputeNextDeadline();
    g_changed.notify_all();
  }
  delete slot;
}

void ReleaseFollowerSlot() {
  if (t_slot == nullptr) return;
  DiscardFollowerSlot(t_slot);
  t_slot = nullptr;
}

bool IsFollowerThread() { return t_slot != nullptr; }

FollowerSlot* CurrentFollowerSlot() { return t_slot; }

void MarkFollowerRunning(FollowerSlot* slot) {
  std::lock_guard lock(g_mutex);
  if (std::find(g_followers.begin(), g_followers.end(), slot) != g_followers.end()) SetState(slot, State::Running);
}

bool IsDriverThread() { return g_hasDriver.load() && t_driverGeneration == g_driverGeneration.load(); }

void BeginBlockingWait() {
  if (t_slot != nullptr) {
    std::lock_guard lock(g_mutex);
    SetState(t_slot, State::Blocked);
  } else if (IsDriverThread()) {
    g_driverBlocked.fetch_add(1);
  }
}

void EndBlockingWait() {
  if (t_slot != nullptr) {
    std::lock_guard lock(g_mutex);
    SetState(t_slot, State::Running);
  } else if (IsDriverThread()) {
    g_driverBlocked.fetch_sub(1);
    // Whatever the followers started while the driver was blocked (a follower that just woke it, say) runs up to
    // its next wait before the driver moves the clock again.
    if (IsVirtualClock()) Settle();
  }
}

void SettleFollowers() {
  if (IsVirtualClock() && IsDriverThread()) Settle();
}

bool AdvanceWhileDriverBlocked() {
  if (!IsVirtualClock()) return false;
  std::lock_guard lock(g_mutex);
  std::uint64_t earliest = kNoDeadline;
  for (const FollowerSlot* f : g_followers) {
    if (f->state == State::Running) {
      g_quietChecks = 0;
      return false;
    }
    if (f->state == State::Timed) earliest = std::min(earliest, f->deadline);
  }
  // Quiet on two checks in a row: a follower that was just signalled has had time to mark itself running.
  if (earliest == kNoDeadline || ++g_quietChecks < 2) return false;
  g_quietChecks = 0;
  AdvanceTo(earliest);
  g_changed.notify_all();
  return true;
}

std::uint64_t BeginTimedWait(std::uint32_t timeoutMs) {
  std::lock_guard lock(g_mutex);
  const std::uint64_t deadline = g_virtualNs.load() + timeoutMs * kNsPerMs;
  SetState(t_slot, State::Timed, deadline);
  return deadline;
}

bool TimedWaitExpired(std::uint64_t deadline) {
  if (g_virtualNs.load() >= deadline) return true;
  if (g_hasDriver.load()) return false;
  AdvanceTo(deadline);
  NotifyFollowers();
  return true;
}

void EndTimedWait() {
  std::lock_guard lock(g_mutex);
  SetState(t_slot, State::Running);
}

}  // namespace clock_internal

void SetClockMode(ClockMode mode) {
  if (mode == ClockMode::Virtual) {
    g_virtualNs.store(0);
    t_driverGeneration = g_driverGeneration.fetch_add(1) + 1;
    t_driverExitGuard.armed = true;
    g_driverBlocked.store(0);
    g_hasDriver.store(true);
  } else {
    g_hasDriver.store(false);
  }
  g_mode.store(mode);
  NotifyFollowers();
}

ClockMode GetClockMode() { return g_mode.load(std::memory_order_relaxed); }
bool IsVirtualClock() { return GetClockMode() == ClockMode::Virtual; }

std::uint64_t NowNanoseconds() {
  if (!IsVirtualClock()) return RealNanoseconds();
  if (t_slot != nullptr) return g_virtualNs.load();
  // The deadline is read first: a follower that notices the new time on its own and starts running is then still
  // waited for.
  const std::uint64_t next = g_nextDeadline.load();
  const std::uint64_t now = g_virtualNs.fetch_add(kVirtualReadStepNs) + kVirtualReadStepNs;
  if (now >= next && clock_internal::IsDriverThread()) Settle();
  return now;
}

std::uint64_t ObserveNanoseconds() { return IsVirtualClock() ? g_virtualNs.load() : RealNanoseconds(); }

void AdvanceVirtualClock(std::uint64_t ns) {
  if (IsVirtualClock()) Advance(ns);
}

std::uint32_t MillisecondClock() { return static_cast<std::uint32_t>(NowNanoseconds() / kNsPerMs); }

std::int64_t PerformanceCounter() { return static_cast<std::int64_t>(NowNanoseconds()); }
std::int64_t PerformanceFrequency() { return 1000000000; }

std::uint64_t CycleCounter() {
#if defined(__x86_64__) || defined(__i386__)
  if (!IsVirtualClock()) return __rdtsc();
#endif
  return NowNanoseconds();
}

void SleepMilliseconds(std::uint32_t ms) {
  if (IsVirtualClock()) {
    if (ms > 0 && t_slot != nullptr) {
      FollowerSleep(ms);
    } else {
      Advance(ms * kNsPerMs);
    }
    std::this_thread::yield();
    return;
  }
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

void SleepUntilNanoseconds(std::uint64_t deadline) {
  if (IsVirtualClock()) {
    const std::uint64_t now = g_virtualNs.load();
    if (deadline > now) {
      if (t_slot != nullptr) {
        FollowerSleep(static_cast<std::uint32_t>((deadline - now + kNsPerMs - 1) / kNsPerMs));
      } else {
        Advance(deadline - now);
      }
    }
    std::this_thread::yield();
    return;
  }
  for (std::uint64_t now = RealNanoseconds(); now < deadline; now = RealNanoseconds()) {
    const std::uint64_t ns = deadline - now;
    timespec ts{static_cast<time_t>(ns / 1000000000ull), static_cast<long>(ns % 1000000000ull)};
    nanosleep(&ts, nullptr);
  }
}

LocalTime GetLocalTime() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  localtime_r(&ts.tv_sec, &t);
  return LocalTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_wday, t.tm_mday,
                   t.tm_hour,        t.tm_min,     t.tm_sec,  static_cast<int>(ts.tv_nsec / 1000000)};
}

}  // namespace platform
