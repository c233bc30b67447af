// Engine path lookups, as start-up makes them (upper-cased absolute paths into a game-like tree), with listings kept
// current by change notification against listings checked by time stamps on every lookup, in the same run: resolving
// an existing picture's path, and opening an archive that is not there (the archive search tries one beside every
// directory of a path).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/ratio_reporter.h"
#include "platform/files/file.h"
#include "platform/files/path.h"

namespace {

namespace fs = std::filesystem;

// A tree like the game's, made once, its directories dated an hour back so time stamps can vouch for the listings.
const fs::path& Tree() {
  static const fs::path root = [] {
    const fs::path r = fs::temp_directory_path() / ("path-bench-" + std::to_string(getpid())) / "Game";
    for (const char* dir : {"gsx/system", "gsx/fld", "gsx/ef", "ssez/system", "bgm"}) {
      fs::create_directories(r / dir);
      for (int i = 0; i < 40; ++i) std::ofstream(r / dir / ("file" + std::to_string(i) + ".png")).put('x');
    }
    std::ofstream(r / "gsx/system/title.png").put('x');
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (fs::path p = r / "gsx/system"; p != r.parent_path().parent_path(); p = p.parent_path()) {
      fs::last_write_time(p, past);
    }
    std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("path-bench-" + std::to_string(getpid()))); });
    return r;
  }();
  return root;
}

std::string EnginePath(const fs::path& native) {
  std::string path = platform::ToEnginePath(native.string());
  std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::toupper(c); });
  return path;
}

void Resolve(benchmark::State& state, bool watching) {
  platform::SetDirectoryWatching(watching);
  const std::string path = EnginePath(Tree() / "gsx/system/title.png");
  for (auto _ : state) benchmark::DoNotOptimize(platform::ToNativePath(path));
  platform::SetDirectoryWatching(true);
}

void OpenMissing(benchmark::State& state, bool watching) {
  platform::SetDirectoryWatching(watching);
  const std::string path = EnginePath(Tree() / "gsx.pac");
  for (auto _ : state) benchmark::DoNotOptimize(platform::OpenFileForRead(path.c_str()));
  platform::SetDirectoryWatching(true);
}

void BM_ResolveNotified(benchmark::State& state) { Resolve(state, true); }
void BM_ResolveTimeStamps(benchmark::State& state) { Resolve(state, false); }
void BM_OpenMissingNotified(benchmark::State& state) { OpenMissing(state, true); }
void BM_OpenMissingTimeStamps(benchmark::State& state) { OpenMissing(state, false); }
BENCHMARK(BM_ResolveNotified);
BENCHMARK(BM_ResolveTimeStamps);
BENCHMARK(BM_OpenMissingNotified);
BENCHMARK(BM_OpenMissingTimeStamps);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(argc, argv,
                              {{"BM_ResolveNotified", "BM_ResolveTimeStamps"},
                               {"BM_OpenMissingNotified", "BM_OpenMissingTimeStamps"}});
}
