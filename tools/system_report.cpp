// Prints the engine's system report (the first lines of its log) as UTF-8.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "engine/core/log.h"
#include "engine/core/string_util.h"
#include "engine/core/system_info_log.h"
#include "engine/core/system_record.h"
#include "platform/files/path.h"

int main() {
  char dirTemplate[] = "/tmp/system-report-XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  if (dir == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  CopyString(g_System.startupDirectory, platform::ToEnginePath(dir).c_str());
  StartLog();
  SystemInfoLog();

  const std::string logPath = std::string(dir) + "/Log.txt";
  std::ifstream in(logPath, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::cout << platform::Cp932ToUtf8(text.str());
  std::remove(logPath.c_str());
  std::remove(dir);
  return 0;
}
