#include "platform/base/system_info.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace platform {

CpuInfo QueryCpuInfo() {
  CpuInfo info;
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(0, &a, &b, &c, &d) == 0) return info;
  info.cpuidUsable = true;
  std::memcpy(info.vendor + 0, &b, 4);
  std::memcpy(info.vendor + 4, &d, 4);
  std::memcpy(info.vendor + 8, &c, 4);
  unsigned maxLeaf = a;
  if (maxLeaf >= 1) {
    __get_cpuid(1, &a, &b, &c, &d);
    info.hasTimeStampCounter = (d & (1u << 4)) != 0;
    info.hasMmx = (d & (1u << 23)) != 0;
  }
  unsigned maxExtended = __get_cpuid_max(0x80000000u, nullptr);
  if (maxExtended >= 0x80000004u) {
    unsigned regs[12];
    for (unsigned i = 0; i < 3; ++i) __get_cpuid(0x80000002u + i, &regs[i * 4], &regs[i * 4 + 1], &regs[i * 4 + 2], &regs[i * 4 + 3]);
    std::memcpy(info.brand, regs, 48);
    info.hasBrand = true;
  }
#endif
  return info;
}

OsVersion QueryOsVersion() {
  OsVersion v;
  utsname u{};
  if (uname(&u) == 0) {
    std::sscanf(u.release, "%d.%d.%d", &v.major, &v.minor, &v.build);
    std::snprintf(v.servicePack, sizeof v.servicePack, "%.40s %.80s", u.sysname, u.release);
  }
  return v;
}

MemoryStatus QueryMemoryStatus() {
  MemoryStatus m;
  struct sysinfo si {};
  if (sysinfo(&si) == 0) {
    m.totalPhysical = static_cast<std::uint64_t>(si.totalram) * si.mem_unit;
    m.freePhysical = static_cast<std::uint64_t>(si.freeram) * si.mem_unit;
  }
  return m;
}

}  // namespace platform
