// A peer that sends as fast as the loopback carries: what the engine holds for a handle stays under its bound, every
// engine call does a bounded amount of work, and what the application reads is the stream as sent. The longest call
// is printed (speed is not asserted here).
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/network/network_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrame = 1 << 20;

// The byte at stream offset `at`.
unsigned char StreamByte(std::uint64_t at) {
  const auto word = static_cast<std::uint32_t>((at >> 2) * 2654435761u);
  return static_cast<unsigned char>(word >> (8 * (at & 3)));
}

// Sends `total` bytes of the stream as 1 MiB frames from its own thread, blocking (a send that waits 60 s ends it).
class Flood {
 public:
  Flood(int fd, std::uint64_t total) : fd_(fd) {
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL, 0) & ~O_NONBLOCK);
    timeval limit{60, 0};
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    thread_ = std::thread([this, total] { Run(total); });
  }
  ~Flood() {
    ::shutdown(fd_, SHUT_RDWR);  // a test that stopped early must not leave the thread waiting in send
    thread_.join();
  }
  std::uint64_t sent() const { return sent_.load(); }
  bool failed() const { return failed_.load(); }

 private:
  void Run(std::uint64_t total) {
    std::vector<unsigned char> frame(4 + kFrame);
    for (std::uint64_t at = 0; at < total; at += kFrame) {
      const std::uint32_t n = kFrame;
      std::memcpy(frame.data(), &n, 4);
      for (int i = 0; i < kFrame; ++i) frame[4 + i] = StreamByte(at + static_cast<std::uint64_t>(i));
      for (std::size_t done = 0; done < frame.size();) {
        const ssize_t s = ::send(fd_, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (s <= 0) {
          failed_ = true;
          return;
        }
        done += static_cast<std::size_t>(s);
      }
      sent_ += kFrame;
    }
  }
  int fd_;
  std::thread thread_;
  std::atomic<std::uint64_t> sent_{0};
  std::atomic<bool> failed_{false};
};

class NetWorkFlood : public NetWorkFixture {
 protected:
  // Times one engine call; keeps the longest of each kind.
  // Wall time and this thread's CPU time (on a busy machine the two part when the thread waits for a core).
  template <typename Call>
  auto Timed(const char* kind, Call call) {
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuMs();
    const auto result = call();
    Longest& longest = longest_[kind];
    longest.wall = std::max(longest.wall, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    longest.cpu = std::max(longest.cpu, ThreadCpuMs() - cpuStart);
    return result;
  }
  static double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
  }
  // The engine's side of a handle stays within its bound.
  void CheckBound(int handle) {
    const NetWorkHandleRecord* r = RecordOf(handle);
    ASSERT_LE(r->recvRing.stored, kMaxNetWorkReceiveQueue);
    ASSERT_LE(r->recvRing.capacity, kMaxNetWorkReceiveQueue + 1000);
    ASSERT_EQ(r->errorFlag, 0);
  }
  // Reads what the handle holds and checks it against the stream from *read on.
  void ReadAndCheck(int handle, int length, std::uint64_t* read) {
    buffer_.resize(static_cast<std::size_t>(length));
    ASSERT_EQ(Timed("NetWorkRecv", [&] { return NetWorkRecv(handle, buffer_.data(), length); }), 0);
    for (int i = 0; i < length; ++i) {
      if (buffer_[i] != StreamByte(*read + static_cast<std::uint64_t>(i))) {
        FAIL() << "byte " << *read + static_cast<std::uint64_t>(i) << " differs";
      }
    }
    *read += static_cast<std::uint64_t>(length);
  }
  void Report(const char* what) {
    std::printf("%s, longest calls (wall / thread CPU):", what);
    for (const auto& [kind, longest] : longest_) std::printf(" %s %.1f / %.1f ms", kind.c_str(), longest.wall, longest.cpu);
    std::printf("\n");
  }

  struct Longest {
    double wall = 0, cpu = 0;
  };
  std::map<std::string, Longest> longest_;
  std::vector<unsigned char> buffer_;
};

TEST_F(NetWorkFlood, TwoGiBReadEveryPassArriveWholeAndInOrder) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  constexpr std::uint64_t kTotal = std::uint64_t{2} << 30;
  Flood flood(peer.fd(), kTotal);
  std::uint64_t read = 0;
  auto progress = Clock::now();
  while (read < kTotal && !flood.failed()) {
    Timed("pass", [] { return ProcessNetWorkMessages(1); });
    const int stored_before = RecordOf(handle)->recvRing.stored;
    const int length = Timed("GetNetWorkDataLength", [&] { return GetNetWorkDataLength(handle); });
    ASSERT_GE(length, 0);
    ASSERT_LE(length - stored_before, 3 * kNetWorkReceivePerStep) << "one call took more than its steps allow";
    ASSERT_NO_FATAL_FAILURE(CheckBound(handle));
    if (length > 0) {
      ASSERT_NO_FATAL_FAILURE(ReadAndCheck(handle, length, &read));
      progress = Clock::now();
    } else {
      ASSERT_LT(Clock::now() - progress, std::chrono::seconds(600)) << "no data for ten minutes";
      usleep(20);
    }
  }
  EXPECT_FALSE(flood.failed());
  EXPECT_EQ(read, kTotal);
  Report("2 GiB read every pass");
}

TEST_F(NetWorkFlood, FourHundredMiBNobodyReadsStopAtTheBound) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  constexpr std::uint64_t kTotal = std::uint64_t{400} << 20;
  const std::int64_t blocks = g_MemAlloc.totalBytes;
  Flood flood(peer.fd(), kTotal);
  // Passes of an application that never reads: the engine stops taking bytes at the bound.
  auto start = Clock::now();
  int full_passes = 0;
  while (full_passes < 200) {
    Timed("pass", [] { return ProcessNetWorkMessages(1); });
    const int stored_before = RecordOf(handle)->recvRing.stored;
    const int length = Timed("GetNetWorkDataLength", [&] { return GetNetWorkDataLength(handle); });
    ASSERT_LE(length - stored_before, 3 * kNetWorkReceivePerStep);
    ASSERT_NO_FATAL_FAILURE(CheckBound(handle));
    if (length == kMaxNetWorkReceiveQueue) ++full_passes;
    ASSERT_LT(Clock::now() - start, std::chrono::seconds(600)) << "the bound was never reached";
    usleep(20);
  }
  EXPECT_LT(g_MemAlloc.totalBytes - blocks, std::int64_t{kMaxNetWorkReceiveQueue} + 64 * 1024)
      << "engine memory for the handle";
  EXPECT_LT(flood.sent(), kTotal) << "the peer is held back";
  // Then the application reads: everything arrives, in order.
  std::uint64_t read = 0;
  start = Clock::now();
  while (read < kTotal && !flood.failed()) {
    const int length = Timed("GetNetWorkDataLength", [&] { return GetNetWorkDataLength(handle); });
    ASSERT_NO_FATAL_FAILURE(CheckBound(handle));
    if (length > 0) {
      ASSERT_NO_FATAL_FAILURE(ReadAndCheck(handle, length, &read));
    }
    ASSERT_LT(Clock::now() - start, std::chrono::seconds(600));
  }
  EXPECT_FALSE(flood.failed());
  EXPECT_EQ(read, kTotal);
  Report("400 MiB unread, then read");
}

}  // namespace
