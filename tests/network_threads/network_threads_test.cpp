// The engine's side runs on the test's thread; a server thread on loopback answers with blocking sockets, at its own
// pace, so the engine meets data that arrives while it is pumping.
#include <atomic>
#include <cstring>
#include <thread>

#include "tests/network/network_fixture.h"

namespace {

bool ReadExactly(int fd, char* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::recv(fd, out + done, n - done, 0);
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const char* data, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t sent = ::send(fd, data + done, n - done, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    done += static_cast<size_t>(sent);
  }
  return true;
}

// Accepts one connection with the listening fd and runs the body on it; the thread closes both when it ends.
class ServerThread {
 public:
  explicit ServerThread(std::function<void(int)> body) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listenFd_, 4);
    socklen_t size = sizeof a;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this, body = std::move(body)] {
      const int fd = ::accept(listenFd_, nullptr, nullptr);
      if (fd >= 0) {
        timeval limit{10, 0};  // a stuck engine ends the server instead of hanging the test
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        body(fd);
        ::close(fd);
      }
      done_ = true;
    });
  }
  ~ServerThread() {
    ::shutdown(listenFd_, SHUT_RDWR);
    thread_.join();
    ::close(listenFd_);
  }
  int port() const { return port_; }
  bool done() const { return done_; }

 private:
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

using NetWorkThreadsTest = NetWorkFixture;

TEST_F(NetWorkThreadsTest, FramesEchoedByAServerThreadComeBackIntact) {
  // The server echoes every frame as it arrives.
  ServerThread server([](int fd) {
    for (;;) {
      std::uint32_t n;
      if (!ReadExactly(fd, reinterpret_cast<char*>(&n), 4)) return;
      std::string payload(n, '\0');
      if (!ReadExactly(fd, payload.data(), n) || !WriteAll(fd, reinterpret_cast<char*>(&n), 4) ||
          !WriteAll(fd, payload.data(), n))
        return;
    }
  });
  const int handle = ConnectNetWork("127.0.0.1", server.port());
  ASSERT_NE(handle, -1);
  std::string sent, echoed;
  auto drain = [&] {
    const int n = GetNetWorkDataLength(handle);
    if (n <= 0) return;
    std::string part(static_cast<size_t>(n), '\0');
    if (NetWorkRecv(handle, part.data(), n) == 0) echoed += part;
  };
  for (unsigned i = 0; i < 200; ++i) {
    const std::string message = Pattern(1 + (i * 7919u) % 40000u, i);
    ASSERT_EQ(NetWorkSend(handle, message.data(), static_cast<int>(message.size())), 0);
    sent += message;
    ProcessNetWorkMessages(1);
    drain();
  }
  ASSERT_TRUE(PumpUntil([&] {
    SendSocket(handle);
    drain();
    return echoed.size() >= sent.size();
  }));
  EXPECT_TRUE(echoed == sent);
  EXPECT_EQ(CloseNetWork(handle), 0);
}

TEST_F(NetWorkThreadsTest, AnHttpResponseWrittenInSmallPiecesIsReadWhileItArrives) {
  const std::string payload = Pattern(256 * 1024, 11);
  std::atomic<bool> requestSeen{false};
  ServerThread server([&](int fd) {
    char request[512];
    if (::recv(fd, request, sizeof request, 0) <= 0) return;
    requestSeen = true;
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(payload.size()) + "\r\n\r\n";
    if (!WriteAll(fd, head.data(), head.size())) return;
    for (size_t at = 0; at < payload.size(); at += 1000) {
      if (!WriteAll(fd, payload.data() + at, std::min<size_t>(1000, payload.size() - at))) return;
      if (at % 50000 == 0) usleep(200);
    }
  });
  void* body = nullptr;
  const int index = StartHttpJob(kHttpGet, "127.0.0.1", server.port(), "/stream", nullptr, 0, kHttpToMemory,
                                 platform::kInvalidFileHandle, &body);
  ASSERT_GE(index, 0);
  ASSERT_TRUE(PumpUntil([&] {
    UpdateHttpJobs();
    return g_HttpJobs.jobs[index]->resultCode != -1;
  }, 200000));
  EXPECT_TRUE(requestSeen);
  EXPECT_EQ(g_HttpJobs.jobs[index]->resultCode, 0);
  ASSERT_NE(body, nullptr);
  EXPECT_TRUE(std::string(static_cast<char*>(body), payload.size()) == payload);
  DeleteHttpJob(index);
  MemFree(body);
}

TEST_F(NetWorkThreadsTest, AServerThreadThatResetsTheConnectionMidResponseFailsTheJob) {
  ServerThread server([](int fd) {
    char request[512];
    if (::recv(fd, request, sizeof request, 0) <= 0) return;
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\npartial";
    WriteAll(fd, head.data(), head.size());
    linger hard{1, 0};  // close with a reset
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  });
  void* body = nullptr;
  const int index = StartHttpJob(kHttpGet, "127.0.0.1", server.port(), "/", nullptr, 0, kHttpToMemory,
                                 platform::kInvalidFileHandle, &body);
  ASSERT_GE(index, 0);
  ASSERT_TRUE(PumpUntil([&] {
    UpdateHttpJobs();
    return g_HttpJobs.jobs[index]->resultCode != -1;
  }, 200000));
  EXPECT_EQ(g_HttpJobs.jobs[index]->resultCode, 2);
  EXPECT_EQ(g_HttpJobs.jobs[index]->resultDetail, 3);
  EXPECT_EQ(body, nullptr);
  DeleteHttpJob(index);
}

}  // namespace
