// The engine's clocks: the multimedia millisecond clock, microseconds from the time-stamp counter, the performance
// counter or the millisecond clock, local date and time, and the timer choice made at window set-up.
#pragma once

#include <cstdint>

std::uint32_t GetMillisecondCountBody();
// Sleeps until the millisecond count reaches `target` (a wrapping 32-bit count; a target up to 2^31 ms behind counts
// as reached, and the call returns at once). Takes no lock: a thread that sleeps here holds up no other.
int SleepUntilMillisecondCount(int target);
std::int64_t GetMicrosecondCount(int useCpuCounter);
// year, month, day, hour, minute, second. -1 for a null pointer.
int GetLocalDateTimeBody(int* six);
// Raises the timer resolution and picks the performance counter or the multimedia timer by how often each changes.
void ChooseTimer();
