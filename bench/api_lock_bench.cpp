// Cost of an uncontended public call (API lock + worker + unlock) against a std::mutex round trip around the same
// worker. The ratio of the two is printed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

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

// Prints the public call's time per iteration as a multiple of the std::mutex baseline.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto call = times_.find("BM_PublicCall"), base = times_.find("BM_StdMutexRoundTrip");
    if (call != times_.end() && base != times_.end() && base->second > 0)
      std::printf("public call / std::mutex round trip: %.2fx\n", call->second / base->second);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
