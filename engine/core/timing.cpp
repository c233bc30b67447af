#include "engine/core/timing.h"

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/core/system_record.h"
#include "platform/base/clock.h"
#include "platform/window/window.h"

std::uint32_t GetMillisecondCountBody() { return platform::MillisecondClock(); }

int SleepUntilMillisecondCount(int target) {
  constexpr std::uint64_t kNsPerMs = 1000000;
  const std::uint64_t now = platform::ObserveNanoseconds();  // looking does not move the virtual clock
  const std::int32_t ahead =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(target) - static_cast<std::uint32_t>(now / kNsPerMs));
  if (ahead > 0) platform::SleepUntilNanoseconds((now / kNsPerMs + static_cast<std::uint64_t>(ahead)) * kNsPerMs);
  return 0;
}

std::int64_t GetMicrosecondCount(int useCpuCounter) {
  // Conversions in extended precision, truncated toward zero.
  if (g_System.cpuClockKnown == 1 && useCpuCounter == 1 && g_System.initDone == 1 && g_System.cpuClock > 0) {
    const long double counter = static_cast<long double>(platform::CycleCounter());
    return static_cast<std::int64_t>(counter * 1000000.0L / static_cast<long double>(g_System.cpuClock));
  }
  if (g_System.usePerformanceCounter == 1 && g_System.performanceFrequency > 0) {
    const long double counter = static_cast<long double>(platform::PerformanceCounter());
    return static_cast<std::int64_t>(counter / static_cast<long double>(g_System.performanceFrequency) * 1000000.0L);
  }
  return static_cast<std::int64_t>(platform::MillisecondClock()) * 1000;
}

int GetLocalDateTimeBody(int* six) {
  if (six == nullptr) return -1;
  const platform::LocalTime t = platform::GetLocalTime();
  six[0] = t.year;
  six[1] = t.month;
  six[2] = t.day;
  six[3] = t.hour;
  six[4] = t.minute;
  six[5] = t.second;
  return 0;
}

void ChooseTimer() {
  g_System.performanceFrequency = platform::PerformanceFrequency();
  g_System.usePerformanceCounter = g_System.performanceFrequency != 0 ? 1 : 0;
  const int minimumPeriod = platform::TimerMinimumPeriod();
  platform::TimeBeginPeriod(minimumPeriod);
  if (g_System.usePerformanceCounter == 0) return;

  WriteLog("タイマーの精度を検査します\n");
  constexpr int kEnoughChanges = 60;
  constexpr std::uint32_t kTestMs = 1000;
  const std::uint32_t start = platform::MillisecondClock();
  std::uint32_t lastMs = start;
  std::int64_t lastCounter = platform::PerformanceCounter();
  int msChanges = 0, counterChanges = 0;
  int result = ProcessMessageBody();
  while (result == 0) {
    const std::uint32_t now = platform::MillisecondClock();
    if (now != lastMs) {
      ++msChanges;
      lastMs = now;
    }
    const std::int64_t counter = platform::PerformanceCounter();
    if (counter != lastCounter) {
      ++counterChanges;
      lastCounter = counter;
    }
    if (msChanges >= kEnoughChanges || counterChanges >= kEnoughChanges || now - start >= kTestMs) break;
    result = ProcessMessageBody();
  }
  LogPrintf("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d", msChanges, counterChanges);
  if (msChanges > counterChanges) {
    LogPrintf("マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ", minimumPeriod);
    g_System.usePerformanceCounter = 0;
  } else {
    LogPrintf("パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ",
              static_cast<double>(g_System.performanceFrequency) * 0.001);
  }
}
