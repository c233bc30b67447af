// Sound shut-down deletes only files it made: the engine's unlink calls are watched through a stand-in for unlink in
// this test program (engine code is linked in, so its calls land here and go on to the C library's unlink).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "engine/core/public_api.h"
#include "tests/engine_start/engine_fixture.h"

namespace {

std::mutex g_unlinkedMutex;
std::vector<std::string> g_unlinked;
bool g_watching = false;

}  // namespace

extern "C" int unlink(const char* path) {
  using Unlink = int (*)(const char*);
  static const Unlink real = reinterpret_cast<Unlink>(dlsym(RTLD_NEXT, "unlink"));
  {
    std::lock_guard<std::mutex> lock(g_unlinkedMutex);
    if (g_watching) g_unlinked.emplace_back(path);
  }
  return real(path);
}

namespace {

class SoundShutdown : public engine_test::HeadlessEngine {};

TEST_F(SoundShutdown, EndingTheEngineNeverUnlinksTheWorkingFolder) {
  ASSERT_EQ(StartEngine(), 0);
  {
    std::lock_guard<std::mutex> lock(g_unlinkedMutex);
    g_unlinked.clear();
    g_watching = true;
  }
  EndEngine();
  std::lock_guard<std::mutex> lock(g_unlinkedMutex);
  g_watching = false;
  for (const std::string& path : g_unlinked) {
    EXPECT_NE(path, directory_) << "the working folder itself";
    EXPECT_NE(path, directory_ + "/");
  }
}

}  // namespace
