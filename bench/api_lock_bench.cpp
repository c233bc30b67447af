// Cost of an uncontended public call (API lock + worker + unlock) against a std::mutex round trip around the same
// worker; the ratio of the two is printed at the end.
#include <benchmark/benchmark.h>

#include <mutex>

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

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(argc, argv, {{"BM_PublicCall", "BM_StdMutexRoundTrip"}});
}
