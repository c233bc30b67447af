#include "platform/base/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

std::mutex g_sinkMutex;
std::function<void(std::string_view)> g_sink;

bool StderrWanted() {
  static const bool wanted = std::getenv("ENGINE_DEBUG_OUTPUT") != nullptr;
  return wanted;
}

}  // namespace

void DebugOutput(std::string_view text) {
  {
    std::lock_guard lock(g_sinkMutex);
    if (g_sink) g_sink(text);
  }
  if (StderrWanted()) std::fwrite(text.data(), 1, text.size(), stderr);
}

void SetDebugOutputSink(std::function<void(std::string_view)> sink) {
  std::lock_guard lock(g_sinkMutex);
  g_sink = std::move(sink);
}

}  // namespace platform
