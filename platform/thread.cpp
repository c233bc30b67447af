#include "platform/thread.h"

#include <atomic>
#include <chrono>

#include "platform/clock.h"

namespace platform {

ThreadId CurrentThreadId() {
  static std::atomic<ThreadId> next{1};
  thread_local ThreadId id = next.fetch_add(1);
  return id;
}

void Event::Set() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  cv_.notify_all();
}

void Event::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

bool Event::Wait(std::uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  if (timeoutMs == kInfinite) {
    cv_.wait(lock, [this] { return signalled_; });
    return true;
  }
  if (timeoutMs == 0) return signalled_;
  if (IsVirtualClock()) {
    // Give another thread a moment of real time to signal, then let virtual time run out.
    if (cv_.wait_for(lock, std::chrono::milliseconds(1), [this] { return signalled_; })) return true;
    AdvanceVirtualClock(static_cast<std::uint64_t>(timeoutMs) * 1000000ull);
    return false;
  }
  return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
}

Thread::~Thread() { Join(); }

void Thread::Start(std::function<void()> body) {
  Join();
  thread_ = std::thread(std::move(body));
}

void Thread::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace platform
