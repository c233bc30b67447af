// The network layer started on a headless window whose procedure hands the socket message to OnSocketMessage, the
// log on, and a plain POSIX peer on loopback for the other end of each connection.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/http_client.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/network.h"
#include "platform/base/backend.h"
#include "platform/net/socket.h"
#include "platform/window/window.h"
#include "tests/core/log_fixture.h"

inline platform::LResult NetWorkTestWindowProc(platform::WindowHandle window, std::uint32_t message,
                                               platform::WParam wParam, platform::LParam lParam) {
  if (message == kSocketMessage) return OnSocketMessage(wParam, lParam);
  return platform::DefWindowProc(window, message, wParam, lParam);
}

// A raw loopback socket, non-blocking, closed on destruction.
class Peer {
 public:
  Peer() = default;
  explicit Peer(int fd) : fd_(fd) {
    if (fd_ >= 0) fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL, 0) | O_NONBLOCK);
  }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;
  Peer(Peer&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Peer& operator=(Peer&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  ~Peer() { Close(); }

  static Peer Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ::close(fd);
      return Peer(-1);
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return Peer(fd);
  }

  int fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Sends everything (the test keeps what it sends within the socket buffers, or drains the engine meanwhile).
  bool SendAll(const std::string& data, const std::function<void()>& meanwhile = {}) {
    size_t done = 0;
    for (int round = 0; done < data.size() && round < 100000; ++round) {
      const ssize_t n = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
      if (n > 0) done += static_cast<size_t>(n);
      if (n < 0 && errno != EAGAIN) return false;
      if (done < data.size()) {
        if (meanwhile) meanwhile();
        usleep(50);
      }
    }
    return done == data.size();
  }
  void SendFrame(const std::string& payload) { ASSERT_TRUE(SendAll(Frame(payload))); }
  // What has arrived so far; sets *closed when the engine's side has closed.
  std::string ReadAvailable(bool* closed = nullptr) {
    std::string out;
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n > 0) {
        out.append(buffer, static_cast<size_t>(n));
        continue;
      }
      if (n == 0 && closed != nullptr) *closed = true;
      break;
    }
    return out;
  }

  static std::string Frame(const std::string& payload) {
    const auto n = static_cast<std::uint32_t>(payload.size());
    std::string out{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                    static_cast<char>(n >> 24)};
    return out + payload;
  }

 private:
  int fd_ = -1;
};

// A loopback listening socket for the HTTP tests' server side.
class RawListener {
 public:
  RawListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 16);
    socklen_t size = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
  }
  ~RawListener() { ::close(fd_); }
  int port() const { return port_; }
  // The connection the engine made (connect has completed, so it waits in the backlog).
  Peer Accept() { return Peer(::accept(fd_, nullptr, nullptr)); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class NetWorkFixture : public LogFixture {
 protected:
  void SetUp() override {
    LogFixture::SetUp();
    if (!platform::BackendSelected()) platform::RequestBackend(platform::BackendKind::Headless);
    platform::SelectBackend();
    ASSERT_TRUE(platform::RegisterWindowClass("NetWorkTestWindow", NetWorkTestWindowProc, 0));
    window_ = platform::CreateWindowEx(0, "NetWorkTestWindow", "net", 0, 0, 0, 64, 64);
    ASSERT_NE(window_, 0);
    blocksBefore_ = g_MemAlloc.blockCount;
    socketsBefore_ = platform::OpenSocketCount();
    ASSERT_EQ(StartNetWork(window_), 0);
    ClearHttpJobTable();
  }
  void TearDown() override {
    DeleteAllHttpJobs();
    EndNetWork();
    g_NetWork.noRingBuffers = 0;
    g_NetWork.keepLostHandles = 0;
    EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore_) << "engine blocks leaked";
    EXPECT_EQ(platform::OpenSocketCount(), socketsBefore_) << "sockets leaked";
    platform::DestroyWindow(window_);
    platform::UnregisterWindowClass("NetWorkTestWindow");
    LogFixture::TearDown();
  }

  // Runs the per-pass network step until the condition holds (bounded: a fault fails the test, never hangs it).
  bool PumpUntil(const std::function<bool()>& done, int rounds = 20000) {
    for (int i = 0; i < rounds; ++i) {
      ProcessNetWorkMessages(1);
      if (done()) return true;
      usleep(50);
    }
    return false;
  }

  // Listens, connects a peer and waits for the engine to accept it. Returns the new handle.
  int AcceptPeer(Peer* peer) {
    if (port_ == 0) port_ = StartListenNetWork(0);
    EXPECT_GT(port_, 0);
    const int before = g_NetWork.handleCount;
    *peer = Peer::Connect(port_);
    EXPECT_GE(peer->fd(), 0);
    EXPECT_TRUE(PumpUntil([&] { return g_NetWork.handleCount == before + 1; }));
    // New handles are linked at the head of the list.
    return g_NetWork.listHead.next->value;
  }

  NetWorkHandleRecord* RecordOf(int handle) { return g_NetWork.records[handle & 0xFFFF]; }

  platform::WindowHandle window_ = 0;
  int port_ = 0;
  int blocksBefore_ = 0;
  int socketsBefore_ = 0;
};

inline std::string Pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& c : s) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}
