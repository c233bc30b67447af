// Arbitrary bytes from a peer on loopback into a network handle. The first byte picks framing (length-prefixed frames
// into ring buffers, or the socket's bytes as they are) and how much each read takes. What the handle hands out must
// be exactly the frames' payloads (or the bytes) in order, with nothing lost while the frames are whole and within
// the length cap; a frame beyond the cap puts the handle in error and the pass closes it. Every block and socket is
// given back.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/core/mem_alloc.h"
#include "platform/net/socket.h"
#include "tests/fuzz/fuzz_engine.h"
#include "tests/fuzz/fuzz_socket.h"

namespace {

// The payload stream the frames carry, and whether every frame is whole and within the cap.
std::string Payloads(const std::uint8_t* data, std::size_t size, bool* clean) {
  std::string out;
  std::size_t at = 0;
  *clean = true;
  while (at < size) {
    if (size - at < 4) {
      *clean = false;
      break;
    }
    const std::uint32_t n = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
    at += 4;
    if (n > static_cast<std::uint32_t>(kMaxNetWorkFrameLength)) {
      *clean = false;
      break;
    }
    const std::size_t take = n < size - at ? n : size - at;
    if (take < n) *clean = false;
    out.append(reinterpret_cast<const char*>(data + at), take);
    at += take;
  }
  return out;
}

bool Valid(int handle) { return GetNetWorkAcceptState(handle) != -1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 65536) return 0;
  const int port = fuzz::StartNetWorkOnce();
  const bool framed = (data[0] & 1) == 0;
  const int chunk = (data[0] >> 1) == 0 ? 65536 : (data[0] >> 1) * 257;  // bytes taken per read
  // A connection skipped earlier (see below) that the engine has accepted since is closed first.
  for (ListNode* n = g_NetWork.listHead.next; g_NetWork.handleCount > 0 && n != nullptr && n->next != nullptr;) {
    const int stale = n->value;
    n = n->next;
    if (stale != -1) CloseNetWork(stale);
  }
  ProcessNetWorkMessages(1);
  g_NetWork.noRingBuffers = framed ? 0 : 1;
  const int blocksBefore = g_MemAlloc.blockCount;
  const int socketsBefore = platform::OpenSocketCount();

  // A connection the system cannot make now (local ports all waiting after earlier closes) is no finding: the next
  // address is tried, and in the end the input is skipped.
  static int host = 0;
  int peer = -1;
  for (int attempt = 0; attempt < 250 && peer < 0; ++attempt) peer = fuzz::ConnectLoopback(port, ++host);
  if (peer < 0) {
    std::perror("network_frames_fuzz: no loopback connection");
    return 0;
  }
  // Under load the kernel may queue the connection for accepting a while after connect returns, and a busy machine
  // may not run this process for seconds: a connection not accepted within 30 s is skipped, not a finding.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; g_NetWork.handleCount == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(30);
       ++i) {
    ProcessNetWorkMessages(1);
    if (i > 100) usleep(100);
  }
  if (g_NetWork.handleCount == 0) {
    std::fprintf(stderr, "network_frames_fuzz: connection not accepted within 30 s, input skipped\n");
    ::close(peer);
    return 0;
  }
  if (g_NetWork.handleCount != 1) std::abort();
  const int handle = g_NetWork.listHead.next->value;
  if (!fuzz::SendAll(peer, data + 1, size - 1)) std::abort();

  bool clean = true;
  const std::string expected =
      framed ? Payloads(data + 1, size - 1, &clean) : std::string(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string got;
  std::string part(static_cast<std::size_t>(chunk), '\0');
  // Everything was sent before the reading starts; the reading stops once no byte has come for five passes and a
  // second (a busy machine may leave this process unscheduled for a while).
  auto progress = std::chrono::steady_clock::now();
  for (int idle = 0; (idle < 5 || std::chrono::steady_clock::now() - progress < std::chrono::seconds(1)) &&
                     got.size() < expected.size() && Valid(handle);) {
    ProcessNetWorkMessages(1);
    if (!Valid(handle)) break;
    const std::size_t before = got.size();
    if (framed) {
      const int stored = GetNetWorkDataLength(handle);
      const int n = stored < chunk ? stored : chunk;
      if (n > 0 && NetWorkRecvToPeek(handle, part.data(), n) == 0 && NetWorkRecv(handle, part.data(), n) == 0)
        got.append(part.data(), static_cast<std::size_t>(n));
    } else if (GetNetWorkDataLength(handle) > 0) {
      const int n = NetWorkRecv(handle, part.data(), chunk);
      if (n > 0) got.append(part.data(), static_cast<std::size_t>(n));
    }
    if (got.size() != before) progress = std::chrono::steady_clock::now();
    idle = got.size() == before ? idle + 1 : 0;
  }
  if (got.size() > expected.size() || expected.compare(0, got.size(), got) != 0) std::abort();  // in order, unaltered
  if (clean && got != expected) std::abort();                                                  // nothing lost
  if (Valid(handle)) {
    NetWorkSend(handle, "echo", 4);
    CloseNetWork(handle);
  }
  ::close(peer);
  ProcessNetWorkMessages(1);
  if (g_NetWork.handleCount != 0 || g_MemAlloc.blockCount != blocksBefore ||
      platform::OpenSocketCount() != socketsBefore)
    std::abort();
  return 0;
}
