#include "engine/core/api_lock.h"

#include "platform/base/clock.h"

ApiLockRecord g_ApiLock{};

namespace {

enum class Decision { Take, Queue };

// Creates the events and the guard on first use. The first call is the game's first public call, made on the main
// thread before any second thread exists, so the creation itself needs no guard.
void EnsureInitialised() {
  ApiLockRecord& r = g_ApiLock;
  if (r.initialised != 0) return;
  r.initialised = 1;
  for (ApiLockWaiter& w : r.waiters) {
    w.threadId = 0;
    w.event = new platform::Event;
  }
  r.guard = new std::mutex;
  r.owner = kApiLockNoOwner;
}

// Removes the head entry; its event moves to the first unused slot so the set of events stays the same.
void DequeueHead() {
  ApiLockRecord& r = g_ApiLock;
  if (r.waiterCount == 1) {
    r.waiterCount = 0;
    return;
  }
  platform::Event* kept = r.waiters[0].event;
  for (int i = 1; i < r.waiterCount; ++i) r.waiters[i - 1] = r.waiters[i];
  r.waiters[r.waiterCount - 1] = {0, kept};
  --r.waiterCount;
}

// Called with the guard held.
Decision Decide(std::uint32_t self) {
  ApiLockRecord& r = g_ApiLock;
  if (r.locked == 1) return r.owner == self ? Decision::Take : Decision::Queue;
  if (r.waiterCount == 0 || r.owner == self) return Decision::Take;
  if (r.waiters[0].threadId == self) {
    DequeueHead();
    return Decision::Take;
  }
  return Decision::Queue;
}

// Called with the guard held; releases it.
void Take(std::uint32_t self) {
  ApiLockRecord& r = g_ApiLock;
  ++r.depth;
  r.locked = 1;
  r.owner = self;
  r.guard->unlock();
}

// The queue entry of self, or null. Called with the guard held.
ApiLockWaiter* FindWaiter(std::uint32_t self) {
  ApiLockRecord& r = g_ApiLock;
  for (int i = 0; i < r.waiterCount; ++i)
    if (r.waiters[i].threadId == self) return &r.waiters[i];
  return nullptr;
}

// Called with the guard held; releases it and returns the event to wait on. A thread that is already queued keeps
// its place, so a wake-up that finds the lock taken never queues it twice.
platform::Event* Enqueue(std::uint32_t self) {
  ApiLockRecord& r = g_ApiLock;
  ApiLockWaiter* entry = FindWaiter(self);
  if (entry == nullptr) {
    entry = &r.waiters[r.waiterCount++];
    entry->threadId = self;
  }
  platform::Event* event = entry->event;
  r.guard->unlock();
  return event;
}

// Signals the head waiter, if any. Called with the guard held, so the head cannot change meanwhile.
bool WakeHeadLocked() {
  ApiLockRecord& r = g_ApiLock;
  if (r.waiterCount == 0) return false;
  r.waiters[0].event->Set();
  return true;
}

// Releases one level; at the last level wakes the head waiter. Returns true when a waiter was woken.
bool Release() {
  ApiLockRecord& r = g_ApiLock;
  r.guard->lock();
  bool woke = false;
  if (r.depth == 1) {
    r.locked = 0;
    r.owner = kApiLockNoOwner;
    woke = WakeHeadLocked();
  }
  --r.depth;
  r.guard->unlock();
  return woke;
}

// Removes self from the queue wherever it stands; when it stood at the head, wakes the new head. Called with the
// guard held.
void LeaveQueue(std::uint32_t self) {
  ApiLockRecord& r = g_ApiLock;
  ApiLockWaiter* entry = FindWaiter(self);
  if (entry == nullptr) return;
  const int i = static_cast<int>(entry - r.waiters);
  platform::Event* kept = entry->event;
  for (int j = i + 1; j < r.waiterCount; ++j) r.waiters[j - 1] = r.waiters[j];
  r.waiters[r.waiterCount - 1] = {0, kept};
  --r.waiterCount;
  if (i == 0) WakeHeadLocked();
}

}  // namespace

void ApiLock() {
  EnsureInitialised();
  ApiLockRecord& r = g_ApiLock;
  const std::uint32_t self = platform::CurrentThreadId();
  for (;;) {
    r.guard->lock();
    if (Decide(self) == Decision::Take) {
      Take(self);
      return;
    }
    if (r.waiterCount == kApiLockMaxWaiters) {
      r.guard->unlock();
      platform::SleepMilliseconds(1);
      continue;
    }
    platform::Event* event = Enqueue(self);
    event->Wait(platform::kInfinite);
    event->Reset();
  }
}

void ApiUnlock() {
  // Let the woken thread have the processor.
  if (Release()) platform::SleepMilliseconds(0);
}

bool ApiLockBackground(const std::atomic<int>* quitFlag) {
  EnsureInitialised();
  ApiLockRecord& r = g_ApiLock;
  const std::uint32_t self = platform::CurrentThreadId();
  auto giveUp = [&] {
    r.guard->lock();
    LeaveQueue(self);
    r.guard->unlock();
    return false;
  };
  for (;;) {
    r.guard->lock();
    if (Decide(self) == Decision::Take) {
      Take(self);
      return true;
    }
    if (r.waiterCount == kApiLockMaxWaiters) {
      r.guard->unlock();
      platform::SleepMilliseconds(1);
      if (*quitFlag == 1) return giveUp();
      continue;
    }
    platform::Event* event = Enqueue(self);
    bool signalled = event->Wait(0);
    while (!signalled && *quitFlag != 1) {
      event->Wait(1000);
      signalled = event->Wait(0);
    }
    event->Reset();
    if (*quitFlag == 1) return giveUp();
  }
}

void ApiUnlockBackground() { Release(); }

void ApiLockTeardown() {
  ApiLockRecord& r = g_ApiLock;
  if (r.initialised != 1) return;
  r.initialised = 0;
  for (ApiLockWaiter& w : r.waiters) {
    delete w.event;
    w.event = nullptr;
    w.threadId = 0;
  }
  delete r.guard;
  r.guard = nullptr;
  r.depth = 0;
  r.locked = 0;
  r.waiterCount = 0;
  r.owner = kApiLockNoOwner;
}
