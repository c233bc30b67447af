// Threads, manual-reset events and thread ids.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/base/clock.h"

namespace platform {

using ThreadId = std::uint32_t;

// A small nonzero id for the calling thread, unique for the process's life (never 0 or 0xFFFFFFFF).
ThreadId CurrentThreadId();

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// Manual-reset event: stays signalled until Reset. Starts non-signalled.
class Event {
 public:
  void Set();
  void Reset();
  // Waits until signalled or until timeoutMs has passed on the platform clock (kInfinite: no limit; 0: poll).
  // Returns true when signalled. Under the virtual clock a timed wait of a follower thread waits for the driver to
  // bring the clock to its deadline; on any other thread a timed wait that runs out advances the clock by its
  // time-out, after a short real wait that lets another thread signal first.
  bool Wait(std::uint32_t timeoutMs);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_ = false;
  clock_internal::FollowerSlot* followerWaiting_ = nullptr;  // a follower thread waiting here
};

// A joinable thread. The body runs with its own thread id.
class Thread {
 public:
  Thread() = default;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread();

  // A follower thread's sleeps and timed waits follow the virtual clock instead of moving it (platform/base/clock.h).
  // False when the system could not create the thread.
  bool Start(std::function<void()> body, ClockRole role = ClockRole::Independent);
  // Waits for the body to end. The virtual clock's driver keeps the clock going for its followers meanwhile, as in
  // any wait without time limit, so a thread that needs a sleeping follower can still finish.
  void Join();
  bool Running() const { return thread_.joinable(); }

 private:
  std::thread thread_;
  Event finished_;  // set once the body has returned
};

}  // namespace platform
