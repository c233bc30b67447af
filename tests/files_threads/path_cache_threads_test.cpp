// Path lookups from several threads while files come and go: each lookup sees every change published before it.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/path.h"

namespace {

namespace fs = std::filesystem;

class PathCacheThreads : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "path_threads_XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    platform::SetDirectoryWatching(GetParam());
  }
  void TearDown() override {
    platform::SetDirectoryWatching(true);
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_P(PathCacheThreads, LookupsSeeChangesPublishedBeforeThem) {
  constexpr int kFiles = 150;
  const std::string base = platform::ToEnginePath(dir_.string()) + "\\SUB\\";
  fs::create_directory(dir_ / "Sub");
  std::atomic<int> published{-1};  // files 0..published exist under their new names
  std::atomic<int> failures{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&, t] {
      for (int seen = -1; seen < kFiles - 1;) {
        seen = published.load(std::memory_order_acquire);
        if (seen < 0) continue;
        const int k = (seen + t) % (seen + 1);
        const std::string name = "Renamed" + std::to_string(k) + ".Txt";
        if (platform::ToNativePath(base + "RENAMED" + std::to_string(k) + ".TXT") != (dir_ / "Sub" / name).string() ||
            !platform::ResolveNativePath(base + "FILE" + std::to_string(k) + ".TXT").path.ends_with(".TXT")) {
          failures.fetch_add(1);
        }
        if (t == 0 && k % 50 == 0) platform::ClearPathCache();
      }
    });
  }
  for (int k = 0; k < kFiles; ++k) {
    const fs::path made = dir_ / "Sub" / ("File" + std::to_string(k) + ".txt");
    std::ofstream(made).put('x');
    fs::rename(made, dir_ / "Sub" / ("Renamed" + std::to_string(k) + ".Txt"));
    published.store(k, std::memory_order_release);
  }
  for (std::thread& r : readers) r.join();
  EXPECT_EQ(failures.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Watching, PathCacheThreads, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "Notified" : "TimeStamps"; });

}  // namespace
