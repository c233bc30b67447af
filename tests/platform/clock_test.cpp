#include "platform/base/clock.h"

#include <gtest/gtest.h>

#include <thread>

#include "engine/core/timing.h"
#include "platform/base/thread.h"

namespace {

class VirtualClock : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetClockMode(platform::ClockMode::Virtual); }
  void TearDown() override { platform::SetClockMode(platform::ClockMode::Real); }
};

TEST_F(VirtualClock, AdvancesBySleepsAndBySmallStepsOnReads) {
  const std::uint32_t start = platform::MillisecondClock();
  platform::SleepMilliseconds(250);
  const std::uint32_t after = platform::MillisecondClock();
  EXPECT_GE(after - start, 250u);
  EXPECT_LE(after - start, 251u);
  // A busy-wait for 17 ms ends after a bounded number of reads.
  int reads = 0;
  const std::uint32_t begin = platform::MillisecondClock();
  while (platform::MillisecondClock() - begin < 17) ++reads;
  EXPECT_LE(reads, 17 * 1000000 / static_cast<int>(platform::kVirtualReadStepNs) + 1);
  EXPECT_EQ(platform::PerformanceFrequency(), 1000000000);
  const std::int64_t first = platform::PerformanceCounter();
  EXPECT_LT(first, platform::PerformanceCounter());
}

// Sleeping to a deadline lands on it exactly, and a deadline passed leaves the clock where it is; the engine's
// sleep to a millisecond count does the same across the count's wrap at 2^32.
TEST_F(VirtualClock, SleepsToADeadlineOrAMillisecondCount) {
  const std::uint64_t start = platform::ObserveNanoseconds();
  platform::SleepUntilNanoseconds(start + 2500000);
  EXPECT_EQ(platform::ObserveNanoseconds(), start + 2500000);
  platform::SleepUntilNanoseconds(start);
  EXPECT_EQ(platform::ObserveNanoseconds(), start + 2500000);

  struct Case {
    std::int64_t targetFromNow;  // milliseconds
    std::uint32_t wantAhead;     // how far the count moves
  } cases[] = {{17, 17}, {1, 1}, {0, 0}, {-5, 0}, {-2000000000, 0}};
  for (const Case& c : cases) {
    // Just before the count wraps: the target lies on the other side for positive steps.
    const std::uint32_t count = static_cast<std::uint32_t>(platform::ObserveNanoseconds() / 1000000);
    platform::AdvanceVirtualClock(static_cast<std::uint64_t>(static_cast<std::uint32_t>(0xFFFFFFFDu - count)) * 1000000);
    const std::uint32_t now = static_cast<std::uint32_t>(platform::ObserveNanoseconds() / 1000000);
    EXPECT_EQ(SleepUntilMillisecondCount(static_cast<int>(now + static_cast<std::uint32_t>(c.targetFromNow))), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(platform::ObserveNanoseconds() / 1000000) - now, c.wantAhead) << c.targetFromNow;
  }
}

TEST_F(VirtualClock, TimedWaitThatRunsOutAdvancesTheClock) {
  platform::Event event;
  const std::uint32_t start = platform::MillisecondClock();
  EXPECT_FALSE(event.Wait(100));
  EXPECT_GE(platform::MillisecondClock() - start, 100u);
  event.Set();
  EXPECT_TRUE(event.Wait(100));
  EXPECT_TRUE(event.Wait(0));  // manual reset: stays signalled
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, SetWakesAnInfiniteWaitOnAnotherThread) {
  platform::Event event;
  platform::Thread waiter;
  bool woke = false;
  waiter.Start([&] { woke = event.Wait(platform::kInfinite); });
  event.Set();
  waiter.Join();
  EXPECT_TRUE(woke);
}

TEST(ThreadId, IsStablePerThreadAndDistinctAcrossThreads) {
  const platform::ThreadId self = platform::CurrentThreadId();
  EXPECT_EQ(self, platform::CurrentThreadId());
  EXPECT_NE(self, 0u);
  platform::ThreadId other = 0;
  std::thread t([&] { other = platform::CurrentThreadId(); });
  t.join();
  EXPECT_NE(other, self);
}

TEST(RealClock, SleepWaitsAtLeastTheAskedTime) {
  const std::uint64_t start = platform::NowNanoseconds();
  platform::SleepMilliseconds(5);
  EXPECT_GE(platform::NowNanoseconds() - start, 5000000u);
}

}  // namespace
