// A console reporter that, after the usual table, prints each measured case as a ratio against its baseline from the
// same run: "case / baseline: 1.23x" (time per iteration; below 1 the case is faster).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Pairs of (case, baseline) benchmark names, as printed (e.g. "BM_Copy/640/480"; with repetitions the median).
  explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs) : pairs_(std::move(pairs)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      times_[r.run_name.str()] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, base] : pairs_) {
      auto c = times_.find(name), b = times_.find(base);
      if (c != times_.end() && b != times_.end() && b->second > 0)
        std::printf("%s / %s: %.2fx\n", name.c_str(), base.c_str(), c->second / b->second);
    }
  }

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
  std::map<std::string, double> times_;
};

// The main of a suite that prints ratios.
inline int RunWithRatios(int argc, char** argv, std::vector<std::pair<std::string, std::string>> pairs) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(std::move(pairs));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
