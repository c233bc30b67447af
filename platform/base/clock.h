// platform/base: what every other concern builds on. The clock (real or virtual), threads and events
// (thread.h), debugger output (debug_output.h), system facts (system_info.h) and the choice of back-end
// (backend.h: headless or SDL, chosen once at the first need). One implementation each; no back-end files.
//
// The one clock every engine time read and sleep goes through.
//
// Real mode reads CLOCK_MONOTONIC. Virtual mode (headless runs) keeps its own nanosecond counter that advances only
// when someone sleeps, times out a wait, or reads it (by a small fixed step per read), so busy-waits and start-up
// waits finish at once and runs repeat exactly.
//
// Threads under the virtual clock have one of three roles:
// - the driver: the thread that chose virtual mode. Its sleeps and reads move the clock. Whenever it moves the clock
//   past the deadline of a follower, it waits until every follower has run up to its next wait, so what the
//   followers do between two moves of the driver is the same in every run.
// - followers: threads started with ClockRole::Follower (the engine's background message thread). Their sleeps and
//   timed waits do not move the clock; they wait until the driver brings it to their deadline. Their reads do not
//   step it. When the driver is itself blocked without a time limit and every follower waits for time, the clock
//   jumps to the earliest follower deadline (nothing else could move it).
// - independent threads (every other thread): their sleeps and timed waits move the clock on their own.
// A follower must not busy-wait on the clock: only the driver moves it.
#pragma once

#include <cstdint>

namespace platform {

enum class ClockMode { Real, Virtual };
enum class ClockRole { Independent, Follower };

// How far one read of the virtual clock moves it.
inline constexpr std::uint64_t kVirtualReadStepNs = 1000;

// Virtual mode restarts the clock at 0 and makes the calling thread the driver.
void SetClockMode(ClockMode mode);
ClockMode GetClockMode();
bool IsVirtualClock();

// Nanoseconds since an arbitrary fixed origin. Virtual mode starts at 0 when the mode is chosen.
std::uint64_t NowNanoseconds();

// The clock as it stands, without the virtual read step: for back-ends that look at the time on every event pump
// without disturbing what the engine's own reads see.
std::uint64_t ObserveNanoseconds();

// Moves the virtual clock forward (no effect in real mode).
void AdvanceVirtualClock(std::uint64_t ns);

// Millisecond clock, wrapping at 2^32 like the multimedia timer.
std::uint32_t MillisecondClock();

// High-resolution counter and its ticks per second.
std::int64_t PerformanceCounter();
std::int64_t PerformanceFrequency();

// Processor time-stamp counter stand-in: the real counter in real mode, nanoseconds in virtual mode.
std::uint64_t CycleCounter();

// Sleep(ms): 0 only yields the processor. Virtual mode: see the roles above.
void SleepMilliseconds(std::uint32_t ms);

// Sleeps until NowNanoseconds() reaches the deadline; returns at once when it has. Virtual mode: as
// SleepMilliseconds, to the deadline exactly (a follower's sleep is rounded up to whole milliseconds).
void SleepUntilNanoseconds(std::uint64_t deadline);

// Local wall-clock time: year, month, day of week (0 = Sunday), day, hour, minute, second, milliseconds.
struct LocalTime {
  int year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
LocalTime GetLocalTime();

// Hooks for the thread layer (platform/base/thread.cpp); nothing else calls these.
namespace clock_internal {

struct FollowerSlot;

// Made by the starting thread before the follower runs, so the driver waits for it from the start.
FollowerSlot* CreateFollowerSlot();
// Run by the follower thread itself: first adopt, last release.
void AdoptFollowerSlot(FollowerSlot* slot);
void ReleaseFollowerSlot();
// Run by the starting thread when the follower could not be started.
void DiscardFollowerSlot(FollowerSlot* slot);

bool IsFollowerThread();
bool IsDriverThread();
// The calling thread's slot, or null for a thread that is no follower.
FollowerSlot* CurrentFollowerSlot();
// A follower's wait was just satisfied (its event was set): it counts as running from now on, so the driver waits
// for it before moving on.
void MarkFollowerRunning(FollowerSlot* slot);

// Brackets a wait without time limit on the calling thread.
void BeginBlockingWait();
void EndBlockingWait();
// On the driver under the virtual clock: waits until every follower has run up to its next wait (a new follower
// up to its first).
void SettleFollowers();
// While the driver is blocked: jumps the clock to the earliest follower deadline when every follower waits for
// time. Returns true when it moved the clock.
bool AdvanceWhileDriverBlocked();

// A follower's timed wait: BeginTimedWait gives the deadline; TimedWaitExpired says whether the wait has run out
// (moving the clock itself when there is no driver); EndTimedWait marks the follower running again.
std::uint64_t BeginTimedWait(std::uint32_t timeoutMs);
bool TimedWaitExpired(std::uint64_t deadline);
void EndTimedWait();

}  // namespace clock_internal

}  // namespace platform
