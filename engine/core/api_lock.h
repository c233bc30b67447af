// The engine's API lock: recursive, strictly first-come-first-served among waiting threads.
//
// Every public engine function takes it around one call of its worker. A waiting thread sleeps on the event of its
// queue entry; only the head of the queue may take a free lock, so a newcomer never overtakes a waiter.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/base/thread.h"

inline constexpr int kApiLockMaxWaiters = 4096;
inline constexpr std::uint32_t kApiLockNoOwner = 0xFFFFFFFFu;

struct ApiLockWaiter {
  std::uint32_t threadId;
  platform::Event* event;
};

// The lock word: the owner's thread id in the low 32 bits (kApiLockNoOwner when free), and kApiLockQueued while
// any thread waits in the queue. One word, so that a free lock with waiters is never taken by a newcomer and a
// release that races with a thread queueing up fails its compare-and-swap instead of missing the waiter.
inline constexpr std::uint64_t kApiLockQueued = std::uint64_t{1} << 32;
inline constexpr std::uint64_t kApiLockFree = kApiLockNoOwner;

struct ApiLockRecord {
  int initialised;
  std::mutex* guard;  // protects the queue and the queued flag's changes; held only for a few instructions
  alignas(64) std::uint64_t word;
  int depth;  // the owner's alone
  int locked;
  int waiterCount;
  ApiLockWaiter waiters[kApiLockMaxWaiters];
};

// The owner's thread id, or kApiLockNoOwner.
std::uint32_t ApiLockOwner();

extern ApiLockRecord g_ApiLock;

void ApiLock();
void ApiUnlock();

// The background message thread's variant: gives up (returns false, lock not taken, own queue entry removed) once
// *quitFlag is 1 while it waits.
bool ApiLockBackground(const std::atomic<int>* quitFlag);
// Release without the yield that ApiUnlock gives the woken thread.
void ApiUnlockBackground();
// Wakes every queued waiter without giving it the lock: a background waiter then looks at its quit flag at once
// instead of at its next polling step; any other waiter looks at the lock again and keeps its place.
void ApiLockWakeWaiters();

// Closes the events and the guard; the next ApiLock creates them again. No thread may be inside the lock.
void ApiLockTeardown();

// Scoped ApiLock / ApiUnlock.
class ApiLockGuard {
 public:
  ApiLockGuard() { ApiLock(); }
  ~ApiLockGuard() { ApiUnlock(); }
  ApiLockGuard(const ApiLockGuard&) = delete;
  ApiLockGuard& operator=(const ApiLockGuard&) = delete;
};

// The wrapper every public function is: lock, call the worker with the arguments unchanged, unlock, return.
template <auto Worker, typename... Args>
auto CallLocked(Args... args) {
  ApiLockGuard guard;
  return Worker(args...);
}
