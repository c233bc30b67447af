// A fresh start-up directory with the log on, and helpers to read what the log wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/core/log.h"
#include "engine/core/string_util.h"
#include "engine/core/system_record.h"
#include "platform/base/debug_output.h"
#include "platform/files/path.h"

class LogFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/engine-log-XXXXXX";
    dir_ = mkdtemp(pattern);
    CopyString(g_System.startupDirectory, platform::ToEnginePath(dir_).c_str());
    g_System.logOff = 0;
    platform::SetDebugOutputSink([this](std::string_view text) { debug_ += text; });
    StartLog();
  }
  void TearDown() override {
    platform::SetDebugOutputSink({});
    g_System.startupDirectory[0] = '\0';
    g_System.logIndent = 0;
    std::filesystem::remove_all(dir_);
  }

  std::string LogText() const {
    std::ifstream in(dir_ + "/Log.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // The log with every "<digits>:" line stamp removed, so tests can compare whole texts.
  std::string Unstamped() const {
    std::string text = LogText(), out;
    bool lineStart = true;
    for (size_t i = 0; i < text.size(); ++i) {
      if (lineStart) {
        size_t j = i;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
        if (j > i && j < text.size() && text[j] == ':') i = j + 1;
        if (i >= text.size()) break;
      }
      out += text[i];
      lineStart = text[i] == '\n';
    }
    return out;
  }

  std::string dir_;
  std::string debug_;
};
