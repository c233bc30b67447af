#include "engine/core/api_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Waits (without sleeping as proof) until the lock's queue holds n waiters.
void WaitForWaiters(int n) {
  for (;;) {
    {
      std::lock_guard g(*g_ApiLock.guard);
      if (g_ApiLock.waiterCount >= n) return;
    }
    std::this_thread::yield();
  }
}

class ApiLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ApiLock();  // make sure the lock exists
    ApiUnlock();
  }
  void TearDown() override { ApiLockTeardown(); }
};

TEST_F(ApiLockTest, NestedCallsOnOneThreadNeverBlock) {
  ApiLock();
  ApiLock();
  ApiLock();
  EXPECT_EQ(g_ApiLock.depth, 3);
  ApiUnlock();
  EXPECT_EQ(g_ApiLock.depth, 2);
  EXPECT_EQ(g_ApiLock.locked, 1);
  ApiUnlock();
  ApiUnlock();
  EXPECT_EQ(g_ApiLock.depth, 0);
  EXPECT_EQ(g_ApiLock.locked, 0);
  EXPECT_EQ(ApiLockOwner(), kApiLockNoOwner);
}

TEST_F(ApiLockTest, WaiterGetsTheLockBeforeTheReleasersNextCall) {
  std::vector<int> order;  // touched only by the lock's owner
  ApiLock();
  ApiLock();
  std::thread second([&] {
    ApiLock();
    order.push_back(2);
    ApiUnlock();
  });
  WaitForWaiters(1);

  ApiUnlock();  // depth 2 -> 1: wakes nobody
  EXPECT_EQ(g_ApiLock.waiterCount, 1);
  order.push_back(1);
  ApiUnlock();  // last release: the queued thread is next
  ApiLock();    // the releaser's next call queues behind it
  order.push_back(3);
  ApiUnlock();
  second.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(ApiLockTest, WaitersAreServedFirstComeFirstServed) {
  constexpr int kThreads = 6;
  std::vector<int> order;
  std::vector<std::thread> threads;
  ApiLock();
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&order, i] {
      ApiLock();
      order.push_back(i);
      ApiUnlock();
    });
    WaitForWaiters(i + 1);  // thread i is queued before thread i + 1 starts
  }
  ApiUnlock();
  for (auto& t : threads) t.join();
  std::vector<int> expected(kThreads);
  for (int i = 0; i < kThreads; ++i) expected[static_cast<size_t>(i)] = i;
  EXPECT_EQ(order, expected);
  EXPECT_EQ(g_ApiLock.waiterCount, 0);
}

TEST_F(ApiLockTest, ManyThreadsKeepMutualExclusion) {
  int counter = 0;  // plain int: any overlap shows as a lost update (and as a race under ThreadSanitizer)
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&counter] {
      for (int i = 0; i < 2000; ++i) {
        ApiLockGuard outer;
        ApiLockGuard inner;
        ++counter;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 8000);
}

TEST_F(ApiLockTest, BackgroundVariantGivesUpWhenQuitIsSet) {
  std::atomic<int> quit{0};
  std::atomic<int> result{-1};
  ApiLock();
  std::thread background([&] { result = ApiLockBackground(&quit) ? 1 : 0; });
  WaitForWaiters(1);
  quit = 1;
  background.join();  // returns within one of its 1000 ms polling steps
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(g_ApiLock.waiterCount, 0);  // it left the queue
  EXPECT_EQ(g_ApiLock.depth, 1);
  ApiUnlock();
}

// The engine's end wakes the queue once it has set the quit flag: the background waiter leaves at once rather than
// at its next 1000 ms polling step, and a plain waiter keeps its place at the head.
TEST_F(ApiLockTest, WakingTheQueueEndsABackgroundWaitAtOnce) {
  std::atomic<int> quit{0};
  std::atomic<int> result{-1};
  std::atomic<bool> plainTook{false};
  ApiLock();
  std::thread plain([&] {
    ApiLock();
    plainTook = true;
    ApiUnlock();
  });
  WaitForWaiters(1);
  std::thread background([&] { result = ApiLockBackground(&quit) ? 1 : 0; });
  WaitForWaiters(2);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it settle into its polling wait
  quit = 1;
  const auto woken = std::chrono::steady_clock::now();
  ApiLockWakeWaiters();
  background.join();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - woken).count(), 0.5);
  EXPECT_EQ(result.load(), 0);
  {
    std::lock_guard g(*g_ApiLock.guard);
    EXPECT_EQ(g_ApiLock.waiterCount, 1);
  }
  EXPECT_FALSE(plainTook.load());
  ApiUnlock();
  plain.join();
  EXPECT_TRUE(plainTook.load());
}

TEST_F(ApiLockTest, BackgroundVariantTakesAndReleasesInTurn) {
  std::atomic<int> quit{0};
  std::vector<int> order;
  ApiLock();
  std::thread background([&] {
    ASSERT_TRUE(ApiLockBackground(&quit));
    order.push_back(2);
    ApiUnlockBackground();
  });
  WaitForWaiters(1);
  order.push_back(1);
  ApiUnlock();
  ApiLock();
  order.push_back(3);
  ApiUnlock();
  background.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(ApiLockTest, TeardownClosesEverythingAndTheNextCallRebuilds) {
  ApiLockTeardown();
  EXPECT_EQ(g_ApiLock.initialised, 0);
  for (const ApiLockWaiter& w : g_ApiLock.waiters) ASSERT_EQ(w.event, nullptr);
  ApiLock();
  EXPECT_EQ(g_ApiLock.initialised, 1);
  EXPECT_NE(g_ApiLock.waiters[kApiLockMaxWaiters - 1].event, nullptr);
  ApiUnlock();
}

}  // namespace
