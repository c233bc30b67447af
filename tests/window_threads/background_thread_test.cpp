// The background message thread against the main thread, on the virtual clock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "../engine_start/engine_fixture.h"
#include "engine/core/start_engine.h"
#include "platform/base/thread.h"

namespace engine_test {
namespace {

namespace win = platform::win;

// Ends the process when the scope has not been left after some seconds of real time, so a deadlock fails the test
// instead of hanging the run.
class HangGuard {
 public:
  explicit HangGuard(const char* what)
      : watchdog_([this, what] {
          std::unique_lock lock(mutex_);
          if (!done_.wait_for(lock, std::chrono::seconds(20), [this] { return left_; })) {
            std::fprintf(stderr, "hung: %s\n", what);
            std::_Exit(1);
          }
        }) {}
  ~HangGuard() {
    {
      std::lock_guard lock(mutex_);
      left_ = true;
    }
    done_.notify_all();
    watchdog_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool left_ = false;
  std::thread watchdog_;
};

int BackgroundPasses() {
  ApiLockGuard lock;
  return g_MessagePassCounters.backgroundPasses;
}

TEST_F(HeadlessEngine, TheBackgroundThreadRunsAPassEverySeventeenMilliseconds) {
  int counts[2];
  for (int& count : counts) {
    platform::SetClockMode(platform::ClockMode::Virtual);
    ASSERT_EQ(StartEngine(), 0);
    WaitPumpingMessagesEntry(20);
    const int before = BackgroundPasses();
    WaitPumpingMessagesEntry(1700);
    count = BackgroundPasses() - before;
    EXPECT_EQ(EndEngine(), 0);
  }
  EXPECT_GE(counts[0], 98);
  EXPECT_LE(counts[0], 101);
  EXPECT_EQ(counts[0], counts[1]);  // the same every run
}

TEST_F(HeadlessEngine, TheBackgroundThreadRunsWhileTheMainThreadBusyWaits) {
  ASSERT_EQ(StartEngine(), 0);
  const int before = BackgroundPasses();
  // The game's frame wait: reading the clock until 17 ms have passed, ten frames.
  for (int frame = 0; frame < 10; ++frame) {
    const int start = GetMillisecondCount(0);
    while (GetMillisecondCount(0) - start < 17) {
    }
    ProcessMessage();
  }
  EXPECT_GE(BackgroundPasses() - before, 8);
}

TEST_F(HeadlessEngine, TheBackgroundThreadEndsWhileQueuedBehindAShutDown) {
  ASSERT_EQ(StartEngine(), 0);
  WaitPumpingMessagesEntry(50);
  // Holding the lock makes the background thread queue for it; the shut-down must still end it.
  ApiLock();
  platform::SleepMilliseconds(40);
  EXPECT_EQ(g_ApiLock.waiterCount, 1);  // the background thread queued
  // EndEngine's steps, with the queue looked at before the lock's teardown empties it anyway.
  EXPECT_EQ(EndEngineBody(), 0);
  EXPECT_EQ(g_System.threadEnded, 1);
  EXPECT_EQ(g_ApiLock.waiterCount, 0);
  ApiUnlock();
  ApiLockTeardown();
}

TEST_F(HeadlessEngine, WhileInactiveTheMainPassHoldsTheLockAndStillEndsOnActivation) {
  ASSERT_EQ(StartEngine(), 0);
  const platform::WindowHandle window = g_System.mainWindow;
  const std::uint32_t wake = platform::MillisecondClock() + 200;
  platform::PostMessage(window, win::kWmActivate, win::kWaInactive, 0);
  platform::headless::ScheduleMessage(wake, window, win::kWmActivate, win::kWaActive, 0);
  const int during = BackgroundPasses();
  EXPECT_EQ(ProcessMessage(), 0);
  EXPECT_GE(platform::MillisecondClock(), wake);
  // At most the pass of a background thread queued ahead of the main thread; none during the 200 ms wait.
  EXPECT_LE(BackgroundPasses() - during, 1);
  const int before = BackgroundPasses();
  WaitPumpingMessagesEntry(100);
  EXPECT_GE(BackgroundPasses() - before, 4);
}

TEST_F(HeadlessEngine, AHelperThreadCanCallInWhileTheWindowIsInactive) {
  ASSERT_EQ(StartEngine(), 0);
  const platform::WindowHandle window = g_System.mainWindow;
  {
    ApiLockGuard lock;
    platform::SendMessage(window, win::kWmActivate, win::kWaInactive, 0);
  }
  // The background thread's passes now sleep under the lock; a helper has to wait for one to end, and the main
  // thread joining the helper must keep the clock going for it.
  HangGuard guard("helper thread joined while the window is inactive");
  for (int offset = 0; offset < 19; ++offset) {
    SCOPED_TRACE(offset);
    platform::SleepMilliseconds(1);
    std::atomic<int> result{-1};
    platform::Thread helper;
    helper.Start([&] { result = GetMillisecondCount(0); });
    helper.Join();
    EXPECT_GE(result.load(), 0);
  }
  ApiLockGuard lock;
  platform::SendMessage(window, win::kWmActivate, win::kWaActive, 0);
}

// ---- The clock's follower threads ---------------------------------------------------------------------------------

class FollowerClock : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetClockMode(platform::ClockMode::Virtual); }
  void TearDown() override { platform::SetClockMode(platform::ClockMode::Real); }
};

TEST_F(FollowerClock, AFollowersSleepsWaitForTheDriverAndItsWakeUpsRepeatExactly) {
  int runs[2];
  for (int& wakes : runs) {
    platform::SetClockMode(platform::ClockMode::Virtual);
    std::atomic<bool> stop{false};
    std::atomic<int> count{0};
    platform::Thread follower;
    follower.Start(
        [&] {
          while (!stop) {
            platform::SleepMilliseconds(17);
            ++count;
          }
        },
        platform::ClockRole::Follower);
    const std::uint64_t start = platform::NowNanoseconds();
    for (int i = 0; i < 1000; ++i) platform::SleepMilliseconds(1);
    wakes = count.load();
    // The follower's own sleeps never moved the clock.
    EXPECT_LT(platform::NowNanoseconds() - start, 1001000000u);
    stop = true;
    platform::SleepMilliseconds(17);
    follower.Join();
  }
  EXPECT_EQ(runs[0], 1000 / 17);
  EXPECT_EQ(runs[0], runs[1]);
}

TEST_F(FollowerClock, ABlockedDriverLetsTimeRunForItsFollowers) {
  platform::Event done;
  platform::Thread follower;
  follower.Start(
      [&] {
        platform::SleepMilliseconds(250);
        done.Set();
      },
      platform::ClockRole::Follower);
  const std::uint32_t start = platform::MillisecondClock();
  EXPECT_TRUE(done.Wait(platform::kInfinite));
  EXPECT_GE(platform::MillisecondClock() - start, 250u);
  follower.Join();
}

TEST_F(FollowerClock, AJoinOnTheDriverLetsTimeRunForAFollowerTheJoinedThreadWaitsFor) {
  HangGuard guard("join of a thread that waits for a sleeping follower");
  platform::Event ready;
  platform::Thread follower;
  follower.Start(
      [&] {
        platform::SleepMilliseconds(50);
        ready.Set();
      },
      platform::ClockRole::Follower);
  const std::uint32_t start = platform::MillisecondClock();
  platform::Thread helper;
  helper.Start([&] { ready.Wait(platform::kInfinite); });
  helper.Join();
  EXPECT_GE(platform::MillisecondClock() - start, 50u);
  follower.Join();
}

TEST_F(FollowerClock, AFollowersTimedWaitEndsWhenTheDriverReachesItsDeadline) {
  platform::Event never, finished;
  std::atomic<bool> result{true};
  platform::Thread follower;
  follower.Start(
      [&] {
        result = never.Wait(100);
        finished.Set();
      },
      platform::ClockRole::Follower);
  for (int i = 0; i < 99; ++i) platform::SleepMilliseconds(1);
  EXPECT_FALSE(finished.Wait(0));
  platform::SleepMilliseconds(2);
  EXPECT_TRUE(finished.Wait(platform::kInfinite));
  EXPECT_FALSE(result);
  follower.Join();
}

}  // namespace
}  // namespace engine_test
