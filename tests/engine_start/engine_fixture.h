// A headless engine in a fresh temporary directory (the start-up directory, where Log.txt goes), on the virtual
// clock, with its own instance-lock directory so parallel test processes never see each other's windows.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/api_lock.h"
#include "engine/core/char_input.h"
#include "engine/core/message.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/public_api.h"
#include "engine/core/system_record.h"
#include "engine/graphics/ddraw_device.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/display/headless_display.h"
#include "platform/window/headless_window.h"

namespace engine_test {

inline std::string MakeTempDirectory(const char* prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  const char* made = mkdtemp(pattern.data());
  return made != nullptr ? std::string(made) : std::string();
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The log's lines without their millisecond stamps and indents.
inline std::vector<std::string> LogLines(const std::string& log) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t i = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i < line.size() && line[i] == ':' && i > 0) ++i;
    while (i < line.size() && line[i] == '\t') ++i;
    lines.push_back(line.substr(i));
  }
  return lines;
}

// Index of the first line at or after `from` that starts with `prefix`, or -1.
inline int FindLine(const std::vector<std::string>& lines, const std::string& prefix, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return i;
  return -1;
}

class HeadlessEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RequestBackend(platform::BackendKind::Headless);
    platform::SetClockMode(platform::ClockMode::Virtual);
    platform::headless::ClearScheduledMessages();
    platform::headless::SetDesktop(1920, 1080, 32);
    char cwd[4096];
    originalDirectory_ = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/";
    directory_ = MakeTempDirectory("engine-test");
    ASSERT_FALSE(directory_.empty());
    lockDirectory_ = directory_ + "/locks";
    std::filesystem::create_directory(lockDirectory_);
    platform::SetInstanceLockDirectory(lockDirectory_);
    ASSERT_EQ(chdir(directory_.c_str()), 0);
    g_System.~SystemWindowRecord();
    new (&g_System) SystemWindowRecord{};
    ResetDisplaySettings();
    platform::headless::ResetFramebuffer();
    g_MessagePassCounters = MessagePassCounters{};
    ChangeWindowMode(1);
  }

  void TearDown() override {
    if (g_System.mainWindow != 0 || g_System.backgroundThread != nullptr) EndEngine();
    platform::headless::ClearScheduledMessages();
    EXPECT_EQ(chdir(originalDirectory_.c_str()), 0);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  std::string Log() const { return ReadFile(directory_ + "/Log.txt"); }
  std::vector<std::string> Lines() const { return LogLines(Log()); }

  std::string originalDirectory_;
  std::string directory_;
  std::string lockDirectory_;
};

}  // namespace engine_test
