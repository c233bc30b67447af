#include "platform/net/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unordered_map>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

struct SocketEntry {
  int fd = -1;
  bool listening = false;
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uint32_t events = 0;
  // An event is posted only while armed; posting disarms it until the matching call re-arms it.
  bool readArmed = false;
  bool writeArmed = false;
  bool acceptArmed = false;
  bool closePosted = false;
};

std::mutex g_mutex;
std::unordered_map<SocketId, SocketEntry> g_sockets;
SocketId g_nextId = 0x100;
thread_local int t_lastError = 0;
int g_pollCount = 0;

int Fail(int error) {
  t_lastError = error;
  return -1;
}

SocketId FailSocket(int error) {
  t_lastError = error;
  return kInvalidSocket;
}

SocketId Register(int fd, bool listening) {
  std::lock_guard lock(g_mutex);
  const SocketId id = g_nextId++;
  SocketEntry entry;
  entry.fd = fd;
  entry.listening = listening;
  g_sockets.emplace(id, entry);
  return id;
}

// The descriptor of a socket, or -1 (with the error set) when the id is unknown.
int FdOf(SocketId socket) {
  std::lock_guard lock(g_mutex);
  const auto it = g_sockets.find(socket);
  if (it == g_sockets.end()) return Fail(EBADF);
  return it->second.fd;
}

void Rearm(SocketId socket, bool SocketEntry::*flag) {
  std::lock_guard lock(g_mutex);
  const auto it = g_sockets.find(socket);
  if (it != g_sockets.end()) it->second.*flag = true;
}

bool MakeNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

sockaddr_in MakeAddress(const std::uint8_t address[4], int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  std::memcpy(&a.sin_addr.s_addr, address, 4);
  return a;
}

}  // namespace

int SocketLastError() { return t_lastError; }

bool IsSocketWouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

bool ResolveHostIPv4(const char* name, std::uint8_t address[4]) {
  if (name == nullptr || name[0] == '\0') return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &result) != 0 || result == nullptr) return false;
  const auto* in = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
  std::memcpy(address, &in->sin_addr.s_addr, 4);
  freeaddrinfo(result);
  return true;
}

SocketId ListenSocket(const std::uint8_t address[4], int port, int* boundPort) {
  if (port < 0 || port > 65535) return FailSocket(EINVAL);
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return FailSocket(errno);
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a = MakeAddress(address, port);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, SOMAXCONN) != 0 ||
      !MakeNonBlocking(fd)) {
    const int error = errno;
    ::close(fd);
    return FailSocket(error);
  }
  if (boundPort != nullptr) {
    socklen_t size = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    *boundPort = ntohs(a.sin_port);
  }
  return Register(fd, true);
}

SocketId AcceptSocket(SocketId listener, std::uint8_t peerAddress[4], int* peerPort) {
  const int listenFd = FdOf(listener);
  if (listenFd < 0) return kInvalidSocket;
  Rearm(listener, &SocketEntry::acceptArmed);
  sockaddr_in a{};
  socklen_t size = sizeof a;
  const int fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&a), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return FailSocket(errno);
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (peerAddress != nullptr) std::memcpy(peerAddress, &a.sin_addr.s_addr, 4);
  if (peerPort != nullptr) *peerPort = ntohs(a.sin_port);
  return Register(fd, false);
}

SocketId ConnectSocket(const std::uint8_t address[4], int port, int timeoutMs) {
  if (port <= 0 || port > 65535) return FailSocket(EINVAL);
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return FailSocket(errno);
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in a = MakeAddress(address, port);
  int error = 0;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    error = errno;
    if (error == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      const int ready = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
      if (ready <= 0) {
        error = ready == 0 ? ETIMEDOUT : errno;
      } else {
        socklen_t size = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
      }
    }
  }
  if (error != 0) {
    ::close(fd);
    return FailSocket(error);
  }
  return Register(fd, false);
}

int ReceiveFromSocket(SocketId socket, void* buffer, int length, bool peek) {
  const int fd = FdOf(socket);
  if (fd < 0) return -1;
  if (length < 0) return Fail(EINVAL);
  Rearm(socket, &SocketEntry::readArmed);
  const ssize_t got = ::recv(fd, buffer, static_cast<size_t>(length), peek ? MSG_PEEK : 0);
  if (got < 0) return Fail(errno);
  return static_cast<int>(got);
}

int SendToSocket(SocketId socket, const void* data, int length) {
  const int fd = FdOf(socket);
  if (fd < 0) return -1;
  if (length < 0) return Fail(EINVAL);
  const ssize_t sent = ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
  // Anything left unsent waits for the next FD_WRITE.
  if (sent < length) Rearm(socket, &SocketEntry::writeArmed);
  if (sent < 0) return Fail(errno);
  return static_cast<int>(sent);
}

bool CloseSocket(SocketId socket) {
  int fd;
  {
    std::lock_guard lock(g_mutex);
    const auto it = g_sockets.find(socket);
    if (it == g_sockets.end()) {
      t_lastError = EBADF;
      return false;
    }
    fd = it->second.fd;
    g_sockets.erase(it);
  }
  return ::close(fd) == 0;
}

bool SelectSocketEvents(SocketId socket, WindowHandle window, std::uint32_t message, std::uint32_t events) {
  std::lock_guard lock(g_mutex);
  const auto it = g_sockets.find(socket);
  if (it == g_sockets.end()) {
      t_lastError = EBADF;
      return false;
    }
  SocketEntry& e = it->second;
  e.window = window;
  e.message = message;
  e.events = message == 0 ? 0 : events;
  e.readArmed = e.writeArmed = e.acceptArmed = true;
  return true;
}

int PostSocketEvents() {
  struct Pending {
    WindowHandle window;
    std::uint32_t message;
    SocketId socket;
    LParam lParam;
  };
  std::vector<Pending> posts;
  {
    std::lock_guard lock(g_mutex);
    std::vector<pollfd> fds;
    std::vector<SocketEntry*> entries;
    std::vector<SocketId> ids;
    fds.reserve(g_sockets.size());
    entries.reserve(g_sockets.size());
    ids.reserve(g_sockets.size());
    for (auto& [id, e] : g_sockets) {
      // Only the readiness that can still be posted is asked for: an idle socket is not reported writable pass
      // after pass, and one with nothing left to post is not polled at all.
      short wanted = 0;
      if (e.listening) {
        if (e.acceptArmed && (e.events & kFdAccept) != 0) wanted |= POLLIN;
      } else {
        if (e.readArmed && (e.events & kFdRead) != 0) wanted |= POLLIN;
        if (e.writeArmed && (e.events & kFdWrite) != 0) wanted |= POLLOUT;
        if (!e.closePosted && (e.events & kFdClose) != 0) wanted |= POLLRDHUP;
      }
      if (wanted == 0) continue;
      fds.push_back({e.fd, wanted, 0});
      entries.push_back(&e);
      ids.push_back(id);
    }
    ++g_pollCount;
    if (fds.empty() || ::poll(fds.data(), fds.size(), 0) <= 0) return 0;
    for (size_t i = 0; i < fds.size(); ++i) {
      SocketEntry& e = *entries[i];
      const short r = fds[i].revents;
      auto post = [&](std::uint32_t event, int error) {
        posts.push_back({e.window, e.message, ids[i],
                         static_cast<LParam>((static_cast<std::uint32_t>(error & 0xFFFF) << 16) | event)});
      };
      if (e.listening) {
        if ((r & POLLIN) != 0 && e.acceptArmed && (e.events & kFdAccept) != 0) {
          e.acceptArmed = false;
          post(kFdAccept, 0);
        }
        continue;
      }
      int available = 0;
      if ((r & POLLIN) != 0 && e.readArmed && (e.events & kFdRead) != 0 && ioctl(e.fd, FIONREAD, &available) != 0)
        available = 0;
      if ((r & POLLIN) != 0 && available > 0 && e.readArmed && (e.events & kFdRead) != 0) {
        e.readArmed = false;
        post(kFdRead, 0);
      }
      if ((r & POLLOUT) != 0 && (r & (POLLHUP | POLLERR)) == 0 && e.writeArmed && (e.events & kFdWrite) != 0) {
        e.writeArmed = false;
        post(kFdWrite, 0);
      }
      if ((r & (POLLRDHUP | POLLHUP | POLLERR)) != 0 && !e.closePosted && (e.events & kFdClose) != 0) {
        e.closePosted = true;
        int error = 0;
        socklen_t size = sizeof error;
        if ((r & POLLERR) != 0 && getsockopt(e.fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        post(kFdClose, error);
      }
    }
  }
  for (const Pending& p : posts) PostMessage(p.window, p.message, p.socket, p.lParam);
  return static_cast<int>(posts.size());
}

int SocketPollCount() {
  std::lock_guard lock(g_mutex);
  return g_pollCount;
}

int OpenSocketCount() {
  std::lock_guard lock(g_mutex);
  return static_cast<int>(g_sockets.size());
}

}  // namespace platform
