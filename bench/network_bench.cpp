// One pass of the network layer over many idle handles: the per-pass pump, then the calls a game makes for each
// handle (its data length and its connection state). The pass must cost time in proportion to the handles: the
// baseline is the pass over 250 handles, and the time per handle (items) is compared against it at 1,000 and 4,000.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "engine/core/network.h"
#include "platform/base/backend.h"
#include "platform/window/window.h"

namespace {

platform::LResult BenchWindowProc(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) {
  if (message == kSocketMessage) return OnSocketMessage(wParam, lParam);
  return platform::DefWindowProc(window, message, wParam, lParam);
}

platform::WindowHandle BenchWindow() {
  static const platform::WindowHandle window = [] {
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SelectBackend();
    platform::RegisterWindowClass("NetWorkBenchWindow", BenchWindowProc, 0);
    return platform::CreateWindowEx(0, "NetWorkBenchWindow", "net", 0, 0, 0, 64, 64);
  }();
  return window;
}

int ConnectPeer(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

void BM_NetWorkPassOverIdleHandles(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  // Both ends of every connection live in this process.
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);
  if (files.rlim_cur < static_cast<rlim_t>(2 * count + 64)) {
    state.SkipWithError("too few file descriptors allowed");
    return;
  }
  if (StartNetWork(BenchWindow()) != 0) {
    state.SkipWithError("the network layer did not start");
    return;
  }
  const int port = StartListenNetWork(0);
  std::vector<int> peers;
  while (static_cast<int>(peers.size()) < count) {
    const int fd = ConnectPeer(port);
    if (fd < 0) break;
    peers.push_back(fd);
    if (peers.size() % 64 == 0) ProcessNetWorkMessages(1);
  }
  for (int i = 0; i < 100 && g_NetWork.handleCount < count; ++i) ProcessNetWorkMessages(1);
  if (g_NetWork.handleCount != count) {
    state.SkipWithError("not every connection was accepted");
  } else {
    std::vector<int> handles;
    for (ListNode* n = g_NetWork.listHead.next; n != nullptr && n->next != nullptr; n = n->next)
      if (n->value != -1) handles.push_back(n->value);
    for (auto _ : state) {
      ProcessNetWorkMessages(1);
      for (const int h : handles) {
        benchmark::DoNotOptimize(GetNetWorkDataLength(h));
        benchmark::DoNotOptimize(GetNetWorkAcceptState(h));
      }
    }
    state.SetItemsProcessed(state.iterations() * count);
  }
  EndNetWork();
  for (const int fd : peers) ::close(fd);
}
BENCHMARK(BM_NetWorkPassOverIdleHandles)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace
