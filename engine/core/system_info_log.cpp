#include "engine/core/system_info_log.h"

#include <cstdio>
#include <cstring>

#include "engine/core/log.h"
#include "engine/core/string_util.h"
#include "engine/core/system_record.h"
#include "platform/base/clock.h"
#include "platform/base/system_info.h"

void DescribeOsVersion(const platform::OsVersion& v, char* name, int* code) {
  CopyString(name, "Windows");
  const char* part = "";
  const char spFirst = v.servicePack[0];
  switch (v.platformId) {
    case 0:
      part = "3.1";
      *code = 0;
      break;
    case 1:
      if (v.minor == 0) {
        part = spFirst == 'C' ? "95OSR2" : "95";
        *code = 1;
      } else if (v.minor == 10) {
        part = spFirst == 'A' ? "98SE" : "98";
        *code = 2;
      } else if (v.minor == 90) {
        part = "Me";
        *code = 3;
      }
      break;
    case 2:
      if (v.major == 3) {
        part = "NT 3.51";
        *code = 0x104;
      } else if (v.major == 4) {
        part = "4.0";
        *code = 0x105;
      } else if (v.major == 5 && v.minor == 0) {
        part = "2000";
        *code = 0x106;
      } else if (v.major == 5 && v.minor == 1) {
        part = "XP";
        *code = 0x107;
      }
      break;
    default:
      break;
  }
  AppendString(name, part);
}

void SystemInfoLog() {
  WriteLog("システムの情報を出力します\n");
  IncreaseLogIndent();

  char line[512];
  std::snprintf(line, sizeof line, "VEdudiv Ver%s\n", kEngineVersion);
  WriteLog(line);

  WriteLog("ＯＳ  ");
  const platform::OsVersion version = platform::QueryOsVersion();
  char name[64];
  DescribeOsVersion(version, name, &g_System.osVersionCode);
  std::snprintf(g_System.osText, sizeof g_System.osText, "%s ( Build %d %s )", name, version.build,
                version.servicePack);
  LogPrintf("%s", g_System.osText);

  const platform::CpuInfo cpu = platform::QueryCpuInfo();
  g_System.mmxFlag = 0;
  g_System.cpuClockKnown = cpu.hasTimeStampCounter ? 1 : 0;
  if (g_System.cpuClockKnown == 1) {
    const std::uint64_t start = platform::CycleCounter();
    const std::uint32_t begin = platform::MillisecondClock();
    while (platform::MillisecondClock() - begin < 100) {
    }
    const double ticks = static_cast<double>(platform::CycleCounter() - start);
    g_System.cpuSpeedMhz = DoubleToInt(ticks * 0.00001);
    g_System.cpuClock = static_cast<std::int64_t>(ticks) * 10;
    LogPrintf("ＣＰＵ動作速度：大体%.2fGHz", g_System.cpuSpeedMhz * 0.001);
  }

  if (!cpu.cpuidUsable) {
    WriteLog("ＣＰＵＩＤ命令は使えません\n");
  } else if (!cpu.hasMmx) {
    WriteLog("ＭＭＸは使えません\n");
  } else {
    WriteLog("ＭＭＸ命令を使用します\n");
    g_System.mmxFlag = 1;
  }
  if (cpu.cpuidUsable) {
    WriteLog("ＣＰＵベンダ：");
    WriteLog(cpu.vendor);
    WriteLog("\n");
    if (cpu.hasBrand) {
      LogPrintf("ＣＰＵ名：%s", cpu.brand);
      std::memcpy(g_System.cpuName, cpu.brand, sizeof g_System.cpuName);
    }
  }
  DecreaseLogIndent();
}
