#include "engine/core/api_lock.h"

#include <sys/single_threaded.h>

#include "platform/base/clock.h"

ApiLockRecord g_ApiLock{};

namespace {

// The lock word is the only field a thread reads without the guard. The owner takes it with one compare-and-swap
// from kApiLockFree and releases it with one compare-and-swap back; the queued flag is set (under the guard) before
// a waiter looks at the owner again, so a release either sees the flag and fails over to waking the head, or came
// first and the waiter finds the lock free. A free lock with the flag set is taken only by the head, under the
// guard. `locked` mirrors the owner for readers of the record; the depth belongs to the owner alone.
std::atomic_ref<std::uint64_t> Word() { return std::atomic_ref<std::uint64_t>(g_ApiLock.word); }
std::uint32_t OwnerOf(std::uint64_t word) { return static_cast<std::uint32_t>(word); }

// While the process has one thread nothing can race for the word, so it is read and written without a locked
// instruction, as the C library does for its own mutexes. The library clears the flag before a second thread
// starts and never sets it again, so a lock taken this way is released by compare-and-swap once another thread can
// queue for it.
bool SingleThreaded() { return __libc_single_threaded != 0; }

void SetWaiterCount(int n) { std::atomic_ref<int>(g_ApiLock.waiterCount).store(n, std::memory_order_relaxed); }

// The calling thread's id, kept here so the fast path makes no call for it.
std::uint32_t Self() {
  thread_local std::uint32_t id = 0;
  if (id == 0) [[unlikely]] id = platform::CurrentThreadId();
  return id;
}

// Creates the events and the guard on first use. The first call is the game's first public call, made on the main
// thread before any second thread exists, so the creation itself needs no guard.
void EnsureInitialised() {
  ApiLockRecord& r = g_ApiLock;
  if (r.initialised != 0) [[likely]] return;
  r.initialised = 1;
  for (ApiLockWaiter& w : r.waiters) {
    w.threadId = 0;
    w.event = new platform::Event;
  }
  r.guard = new std::mutex;
  r.word = kApiLockFree;
}

// Removes the head entry; its event moves to the first unused slot so the set of events stays the same.
void DequeueHead() {
  ApiLockRecord& r = g_ApiLock;
  if (r.waiterCount == 1) {
    SetWaiterCount(0);
    return;
  }
  platform::Event* kept = r.waiters[0].event;
  for (int i = 1; i < r.waiterCount; ++i) r.waiters[i - 1] = r.waiters[i];
  r.waiters[r.waiterCount - 1] = {0, kept};
  SetWaiterCount(r.waiterCount - 1);
}

// The owner's bookkeeping once the lock word holds self.
void Acquired() {
  g_ApiLock.depth = 1;
  std::atomic_ref<int>(g_ApiLock.locked).store(1, std::memory_order_relaxed);
}

// Takes the lock when self may: it owns it already, or it is free and nobody waits, or self heads the queue. Called
// with the guard held, so the queue and the flag do not change meanwhile; only the owner bits may (a release).
bool TryTakeLocked(std::uint32_t self) {
  ApiLockRecord& r = g_ApiLock;
  std::uint64_t word = Word().load(std::memory_order_acquire);
  if (OwnerOf(word) == self) {
    ++r.depth;
    return true;
  }
  if (OwnerOf(word) != kApiLockNoOwner) return false;
  const bool head = r.waiterCount > 0 && r.waiters[0].threadId == self;
  if (r.waiterCount != 0 && !head) return false;
  const std::uint64_t taken = self | (r.waiterCount > (head ? 1 : 0) ? kApiLockQueued : 0);
  if (!Word().compare_exchange_strong(word, taken, std::memory_order_acquire, std::memory_order_relaxed))
    return false;
  if (head) DequeueHead();
  Acquired();
  return true;
}

// The queue entry of self, or null. Called with the guard held.
ApiLockWaiter* FindWaiter(std::uint32_t self) {
  ApiLockRecord& r = g_ApiLock;
  for (int i = 0; i < r.waiterCount; ++i)
    if (r.waiters[i].threadId == self) return &r.waiters[i];
  return nullptr;
}

// Called with the guard held: puts self at the end of the queue unless it is there already (a wake-up that finds
// the lock taken keeps its place), flags the lock word as having waiters and returns its event.
platform::Event* Enqueue(std::uint32_t self) {
  ApiLockRecord& r = g_ApiLock;
  ApiLockWaiter* entry = FindWaiter(self);
  if (entry == nullptr) {
    entry = &r.waiters[r.waiterCount];
    entry->threadId = self;
    SetWaiterCount(r.waiterCount + 1);
    Word().fetch_or(kApiLockQueued, std::memory_order_acq_rel);
  }
  return entry->event;
}

// Signals the head waiter, if any. Called with the guard held, so the head cannot change meanwhile.
bool WakeHeadLocked() {
  ApiLockRecord& r = g_ApiLock;
  if (r.waiterCount == 0) return false;
  r.waiters[0].event->Set();
  return true;
}

// Releases one level; at the last level frees the lock word and wakes the head waiter, if any. Returns true when a
// waiter was woken.
bool Release() {
  ApiLockRecord& r = g_ApiLock;
  if (--r.depth > 0) return false;
  std::atomic_ref<int>(r.locked).store(0, std::memory_order_relaxed);
  std::uint64_t word = Word().load(std::memory_order_relaxed);
  if (SingleThreaded()) {
    Word().store(kApiLockFree, std::memory_order_relaxed);
    return false;
  }
  // Without waiters the word is the owner's id alone; the swap fails when a waiter flagged it meanwhile.
  if ((word & kApiLockQueued) == 0 &&
      Word().compare_exchange_strong(word, kApiLockFree, std::memory_order_release, std::memory_order_relaxed))
    return false;
  std::lock_guard lock(*r.guard);
  Word().store(kApiLockFree | (r.waiterCount > 0 ? kApiLockQueued : 0), std::memory_order_release);
  return WakeHeadLocked();
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
  SetWaiterCount(r.waiterCount - 1);
  if (r.waiterCount == 0) Word().fetch_and(~kApiLockQueued, std::memory_order_acq_rel);
  if (i == 0) WakeHeadLocked();
}

enum class Step { Taken, QueueFull, Queued };

// One attempt under the guard: take the lock, or queue and look once more (a release that ran before the flag was
// set has left the lock free and woken nobody). On Queued, *event is the event to wait on.
Step TakeOrQueue(std::uint32_t self, platform::Event** event) {
  ApiLockRecord& r = g_ApiLock;
  std::lock_guard lock(*r.guard);
  if (TryTakeLocked(self)) return Step::Taken;
  if (FindWaiter(self) == nullptr && r.waiterCount == kApiLockMaxWaiters) return Step::QueueFull;
  *event = Enqueue(self);
  return TryTakeLocked(self) ? Step::Taken : Step::Queued;
}

// The uncontended path: a nested call, or a free lock that nobody waits for, taken without the guard.
bool TakeFast(std::uint32_t self) {
  std::uint64_t word = Word().load(std::memory_order_relaxed);
  if (OwnerOf(word) == self) {  // only this thread ever stores its own id
    ++g_ApiLock.depth;
    return true;
  }
  if (word != kApiLockFree) return false;
  if (SingleThreaded()) {
    Word().store(self, std::memory_order_relaxed);
  } else if (!Word().compare_exchange_strong(word, self, std::memory_order_acquire, std::memory_order_relaxed)) {
    return false;
  }
  Acquired();
  return true;
}

}  // namespace

void ApiLock() {
  EnsureInitialised();
  const std::uint32_t self = Self();
  if (TakeFast(self)) return;
  for (;;) {
    platform::Event* event = nullptr;
    switch (TakeOrQueue(self, &event)) {
      case Step::Taken: return;
      case Step::QueueFull: platform::SleepMilliseconds(1); continue;
      case Step::Queued: break;
    }
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
  const std::uint32_t self = Self();
  auto giveUp = [&] {
    std::lock_guard lock(*r.guard);
    LeaveQueue(self);
    return false;
  };
  if (TakeFast(self)) return true;
  for (;;) {
    platform::Event* event = nullptr;
    switch (TakeOrQueue(self, &event)) {
      case Step::Taken: return true;
      case Step::QueueFull:
        platform::SleepMilliseconds(1);
        if (*quitFlag == 1) return giveUp();
        continue;
      case Step::Queued: break;
    }
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

void ApiLockWakeWaiters() {
  ApiLockRecord& r = g_ApiLock;
  if (r.initialised != 1) return;
  std::lock_guard lock(*r.guard);
  for (int i = 0; i < r.waiterCount; ++i) r.waiters[i].event->Set();
}

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
  r.word = kApiLockFree;
}

std::uint32_t ApiLockOwner() { return OwnerOf(Word().load(std::memory_order_relaxed)); }
