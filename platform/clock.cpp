#include "platform/clock.h"

#include <atomic>
#include <ctime>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace platform {
namespace {

std::atomic<ClockMode> g_mode{ClockMode::Real};
std::atomic<std::uint64_t> g_virtualNs{0};

std::uint64_t RealNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(ts.tv_nsec);
}

}  // namespace

void SetClockMode(ClockMode mode) {
  if (mode == ClockMode::Virtual) g_virtualNs.store(0);
  g_mode.store(mode);
}

ClockMode GetClockMode() { return g_mode.load(std::memory_order_relaxed); }
bool IsVirtualClock() { return GetClockMode() == ClockMode::Virtual; }

std::uint64_t NowNanoseconds() {
  if (IsVirtualClock()) return g_virtualNs.fetch_add(kVirtualReadStepNs) + kVirtualReadStepNs;
  return RealNanoseconds();
}

void AdvanceVirtualClock(std::uint64_t ns) {
  if (IsVirtualClock()) g_virtualNs.fetch_add(ns);
}

std::uint32_t MillisecondClock() { return static_cast<std::uint32_t>(NowNanoseconds() / 1000000ull); }

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
    AdvanceVirtualClock(static_cast<std::uint64_t>(ms) * 1000000ull);
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

LocalTime GetLocalTime() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  localtime_r(&ts.tv_sec, &t);
  return LocalTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_wday, t.tm_mday,
                   t.tm_hour,        t.tm_min,     t.tm_sec,  static_cast<int>(ts.tv_nsec / 1000000)};
}

}  // namespace platform
