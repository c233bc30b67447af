// Arbitrary bytes as the response to an HTTP job (GET, POST or HEAD by the first byte), from a loopback server that
// then closes its side. The job must end (never hang), and a body it reports as received must be bytes of the
// response. Every block and socket is given back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/core/http_client.h"
#include "engine/core/mem_alloc.h"
#include "platform/net/socket.h"
#include "tests/fuzz/fuzz_engine.h"
#include "tests/fuzz/fuzz_socket.h"

namespace {

// The server's listening socket, made once.
int ServerSocket(int* port) {
  static int listener = -1;
  static int boundPort = 0;
  if (listener < 0) {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = fuzz::Loopback(0);
    a.sin_addr.s_addr = htonl(INADDR_ANY);  // every loopback address
    socklen_t length = sizeof a;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length) != 0)
      std::abort();
    boundPort = ntohs(a.sin_port);
  }
  *port = boundPort;
  return listener;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 65536) return 0;
  fuzz::StartNetWorkOnce();
  int port = 0;
  const int listener = ServerSocket(&port);
  const int blocksBefore = g_MemAlloc.blockCount;
  const int socketsBefore = platform::OpenSocketCount();

  void* body = nullptr;
  const int kind = data[0] % 3;
  static int host = 0;
  const std::string address = fuzz::NextLoopbackHost(&host);
  const int index = StartHttpJob(kind, address.c_str(), port, "/fuzz", "post body", 9, kHttpToMemory,
                                 platform::kInvalidFileHandle, &body);
  if (index < 0) std::abort();
  const int conn = ::accept(listener, nullptr, nullptr);
  if (conn < 0) std::abort();
  // The request first (so closing never discards it), then the response and the end of it.
  for (int i = 0; i < 100; ++i) {
    UpdateHttpJobs();
    if (g_HttpJobs.jobs[index]->step > 0) break;
  }
  fuzz::Drain(conn);
  fuzz::SendAll(conn, data + 1, size - 1);
  ::shutdown(conn, SHUT_WR);
  int rounds = 0;
  for (; rounds < 20000 && g_HttpJobs.jobs[index]->resultCode == -1; ++rounds) {
    ProcessNetWorkMessages(1);
    UpdateHttpJobs();
    fuzz::Drain(conn);
  }
  const HttpJob& job = *g_HttpJobs.jobs[index];
  if (job.resultCode == -1) std::abort();  // the whole response and its end arrived: the job must be over
  if (job.resultCode == 0 && body != nullptr && job.received > 0 &&
      (static_cast<std::size_t>(job.received) > size - 1 ||
       memmem(data + 1, size - 1, body, static_cast<std::size_t>(job.received)) == nullptr))
    std::abort();
  DeleteHttpJob(index);
  MemFree(body);
  ::close(conn);
  if (g_MemAlloc.blockCount != blocksBefore || platform::OpenSocketCount() != socketsBefore) std::abort();
  return 0;
}
