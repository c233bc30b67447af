// Cost of an uncontended public call (API lock + worker + unlock) against a std::mutex round trip around the same
// worker; the ratios are printed at the end. While the process has only ever had one thread the C library skips the
// mutex's atomic operations, and it never goes back to that shortcut once a second thread has run; so that every case
// gives the same figure in any order (random interleaving included), a thread runs and ends before the first case,
// as the engine always has its message thread. Both are measured again with a second thread alive beside them.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "bench/ratio_reporter.h"
#include "engine/core/api_lock.h"

namespace {

int g_value = 0;
int TrivialBody(int n) {
  g_value += n;
  return g_value;
}

void BM_PublicCall(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(CallLocked<TrivialBody>(1));
}
BENCHMARK(BM_PublicCall);

void BM_StdMutexRoundTrip(benchmark::State& state) {
  std::mutex m;
  for (auto _ : state) {
    std::lock_guard lock(m);
    benchmark::DoNotOptimize(TrivialBody(1));
  }
}
BENCHMARK(BM_StdMutexRoundTrip);

// Runs a case with a second thread parked beside it.
void WithOtherThreadAlive(benchmark::State& state, void (*body)(benchmark::State&)) {
  std::mutex parked;
  std::condition_variable wake;
  bool done = false;
  std::thread other([&] {
    std::unique_lock lock(parked);
    wake.wait(lock, [&] { return done; });
  });
  body(state);
  {
    std::lock_guard lock(parked);
    done = true;
  }
  wake.notify_one();
  other.join();
}

void BM_PublicCallOtherThreadAlive(benchmark::State& state) { WithOtherThreadAlive(state, BM_PublicCall); }
BENCHMARK(BM_PublicCallOtherThreadAlive);
void BM_StdMutexRoundTripOtherThreadAlive(benchmark::State& state) {
  WithOtherThreadAlive(state, BM_StdMutexRoundTrip);
}
BENCHMARK(BM_StdMutexRoundTripOtherThreadAlive);

}  // namespace

int main(int argc, char** argv) {
  std::thread([] {}).join();
  return bench::RunWithRatios(argc, argv,
                              {{"BM_PublicCall", "BM_StdMutexRoundTrip"},
                               {"BM_PublicCallOtherThreadAlive", "BM_StdMutexRoundTripOtherThreadAlive"}});
}
