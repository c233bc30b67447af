#include "platform/base/thread.h"

#include <atomic>
#include <chrono>
#include <system_error>

#include "platform/base/clock.h"

namespace platform {

namespace ci = clock_internal;

ThreadId CurrentThreadId() {
  static std::atomic<ThreadId> next{1};
  thread_local ThreadId id = next.fetch_add(1);
  return id;
}

void Event::Set() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    if (followerWaiting_ != nullptr) ci::MarkFollowerRunning(followerWaiting_);
  }
  cv_.notify_all();
}

void Event::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

bool Event::Wait(std::uint32_t timeoutMs) {
  const auto signalled = [this] { return signalled_; };
  if (timeoutMs == 0) {
    std::lock_guard lock(mutex_);
    return signalled_;
  }
  constexpr auto kPoll = std::chrono::milliseconds(1);

  if (timeoutMs == kInfinite) {
    ci::BeginBlockingWait();
    {
      std::unique_lock lock(mutex_);
      if (IsVirtualClock() && ci::IsDriverThread()) {
        // The blocked driver keeps the virtual clock going when only time can wake its followers.
        while (!cv_.wait_for(lock, kPoll, signalled)) {
          lock.unlock();
          ci::AdvanceWhileDriverBlocked();
          lock.lock();
        }
      } else {
        followerWaiting_ = ci::CurrentFollowerSlot();
        cv_.wait(lock, signalled);
        followerWaiting_ = nullptr;
      }
    }
    ci::EndBlockingWait();
    return true;
  }

  if (!IsVirtualClock()) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled);
  }

  if (ci::IsFollowerThread()) {
    const std::uint64_t deadline = ci::BeginTimedWait(timeoutMs);
    bool result = false;
    {
      std::unique_lock lock(mutex_);
      followerWaiting_ = ci::CurrentFollowerSlot();
      for (;;) {
        if (cv_.wait_for(lock, kPoll, signalled)) {
          result = true;
          break;
        }
        lock.unlock();
        const bool expired = ci::TimedWaitExpired(deadline);
        lock.lock();
        if (expired) {
          result = signalled_;
          break;
        }
      }
      followerWaiting_ = nullptr;
    }
    ci::EndTimedWait();
    return result;
  }

  // Give another thread a moment of real time to signal, then let virtual time run out.
  {
    std::unique_lock lock(mutex_);
    if (cv_.wait_for(lock, kPoll, signalled)) return true;
  }
  AdvanceVirtualClock(static_cast<std::uint64_t>(timeoutMs) * 1000000ull);
  return false;
}

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body, ClockRole role) {
  Join();
  finished_.Reset();
  if (role == ClockRole::Follower) {
    ci::FollowerSlot* slot = ci::CreateFollowerSlot();
    try {
      thread_ = std::thread([this, slot, body = std::move(body)] {
        ci::AdoptFollowerSlot(slot);
        body();
        ci::ReleaseFollowerSlot();
        finished_.Set();
      });
    } catch (const std::system_error&) {
      // The slot would otherwise stay "running" and hold up the driver.
      ci::DiscardFollowerSlot(slot);
      return false;
    }
    ci::SettleFollowers();
    return true;
  }
  try {
    thread_ = std::thread([this, body = std::move(body)] {
      body();
      finished_.Set();
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void Thread::Join() {
  if (!thread_.joinable()) return;
  finished_.Wait(kInfinite);
  thread_.join();
}

}  // namespace platform
