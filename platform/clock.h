// The one clock every engine time read and sleep goes through.
//
// Real mode reads CLOCK_MONOTONIC. Virtual mode (headless runs) keeps its own nanosecond counter that advances only
// when someone sleeps, times out a wait, or reads it (by a small fixed step per read), so busy-waits and start-up
// waits finish at once and runs repeat exactly.
#pragma once

#include <cstdint>

namespace platform {

enum class ClockMode { Real, Virtual };

// How far one read of the virtual clock moves it.
inline constexpr std::uint64_t kVirtualReadStepNs = 1000;

void SetClockMode(ClockMode mode);
ClockMode GetClockMode();
bool IsVirtualClock();

// Nanoseconds since an arbitrary fixed origin. Virtual mode starts at 0 when the mode is chosen.
std::uint64_t NowNanoseconds();

// Moves the virtual clock forward (no effect in real mode).
void AdvanceVirtualClock(std::uint64_t ns);

// Millisecond clock, wrapping at 2^32 like the multimedia timer.
std::uint32_t MillisecondClock();

// High-resolution counter and its ticks per second.
std::int64_t PerformanceCounter();
std::int64_t PerformanceFrequency();

// Processor time-stamp counter stand-in: the real counter in real mode, nanoseconds in virtual mode.
std::uint64_t CycleCounter();

// Sleep(ms): 0 only yields the processor. Virtual mode advances the clock by the full time and yields.
void SleepMilliseconds(std::uint32_t ms);

// Local wall-clock time: year, month, day of week (0 = Sunday), day, hour, minute, second, milliseconds.
struct LocalTime {
  int year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
LocalTime GetLocalTime();

}  // namespace platform
