#include "engine/core/system_info_log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "log_fixture.h"
#include "platform/base/clock.h"
#include "platform/base/system_info.h"

namespace {

TEST(SystemInfo, OsNames) {
  struct Case {
    int platformId, major, minor;
    const char* servicePack;
    const char* name;
    int code;
  } cases[] = {
      {0, 3, 10, "", "Windows3.1", 0},        {1, 4, 0, "C", "Windows95OSR2", 1},
      {1, 4, 0, "", "Windows95", 1},          {1, 4, 10, "A", "Windows98SE", 2},
      {1, 4, 10, " A", "Windows98", 2},       {1, 4, 90, "", "WindowsMe", 3},
      {2, 3, 51, "", "WindowsNT 3.51", 0x104}, {2, 4, 0, "", "Windows4.0", 0x105},
      {2, 5, 0, "", "Windows2000", 0x106},    {2, 5, 1, "", "WindowsXP", 0x107},
      {2, 6, 1, "Linux 6.1", "Windows", 77},  // unknown: the code stays as it was
  };
  for (const Case& c : cases) {
    platform::OsVersion v;
    v.platformId = c.platformId;
    v.major = c.major;
    v.minor = c.minor;
    std::strcpy(v.servicePack, c.servicePack);
    char name[64];
    int code = 77;
    DescribeOsVersion(v, name, &code);
    EXPECT_STREQ(name, c.name);
    EXPECT_EQ(code, c.code) << c.name;
  }
}

using SystemInfoLogTest = LogFixture;

TEST_F(SystemInfoLogTest, ReportHasVersionOsAndProcessorLines) {
  platform::SetClockMode(platform::ClockMode::Virtual);  // the 100 ms clock measurement passes at once
  StartLog();
  SystemInfoLog();
  platform::SetClockMode(platform::ClockMode::Real);
  const std::string text = Unstamped();
  EXPECT_EQ(text.rfind("システムの情報を出力します\r\n\tVEdudiv Ver2.22d\r\n\tＯＳ  Windows", 0), 0u) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("\tＯＳ  Windows[^\r]* \\( Build [0-9]+ [^\r]* \\)\r\n")));
  const platform::CpuInfo cpu = platform::QueryCpuInfo();
  if (cpu.cpuidUsable) {
    EXPECT_NE(text.find(std::string("\tＣＰＵベンダ：") + cpu.vendor + "\r\n"), std::string::npos);
    EXPECT_EQ(g_System.mmxFlag, cpu.hasMmx ? 1 : 0);
  }
  if (cpu.hasTimeStampCounter) {
    EXPECT_EQ(g_System.cpuClockKnown, 1);
    EXPECT_GT(g_System.cpuClock, 0);
    EXPECT_NE(text.find("\tＣＰＵ動作速度：大体"), std::string::npos);
  }
  EXPECT_EQ(g_System.logIndent, 0);
}

}  // namespace
