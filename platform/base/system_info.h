// Processor, operating-system and memory facts for the engine's system report.
#pragma once

#include <cstdint>

namespace platform {

struct CpuInfo {
  bool cpuidUsable = false;
  char vendor[13] = {};  // EBX, EDX, ECX of leaf 0, NUL-terminated
  bool hasTimeStampCounter = false;
  bool hasMmx = false;
  bool hasBrand = false;
  char brand[49] = {};  // leaves 0x80000002..4, NUL-terminated
};
CpuInfo QueryCpuInfo();

// The version record the engine reads: platform 2 (the NT family) with the kernel's release numbers, and the
// service-pack text naming the running system.
struct OsVersion {
  int platformId = 2;
  int major = 0;
  int minor = 0;
  int build = 0;
  char servicePack[128] = {};
};
OsVersion QueryOsVersion();

struct MemoryStatus {
  std::uint64_t totalPhysical = 0;
  std::uint64_t freePhysical = 0;
};
MemoryStatus QueryMemoryStatus();

}  // namespace platform
