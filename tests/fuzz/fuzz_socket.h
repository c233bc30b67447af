// Raw loopback sockets for the network fuzz targets' peers.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzz {

// A loopback address, 127.0.0.1 for host 0. Every closed connection leaves its address pair waiting for a while, so
// a long run spreads its connections over many loopback addresses, or it would run out of local ports.
inline sockaddr_in Loopback(int port, int host = 0) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK + static_cast<std::uint32_t>(host % 250));
  return a;
}

// The next of the loopback addresses used in turn, as text.
inline std::string NextLoopbackHost(int* host) {
  ++*host;
  return "127.0.0." + std::to_string(1 + *host % 250);
}

// A blocking connection to the port on the loopback address of `host`, or -1.
inline int ConnectLoopback(int port, int host = 0) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in a = Loopback(port, host);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

// Sends everything (blocking); false on failure.
inline bool SendAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Whatever has arrived, without waiting.
inline std::string Drain(int fd) {
  std::string out;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace fuzz
