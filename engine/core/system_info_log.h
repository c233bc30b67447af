// The system report written early in start-up: engine version, operating system, processor clock, vendor, name and
// MMX support. It also notes the values other parts of the engine read (OS text and code, MMX flag, CPU clock).
#pragma once

inline constexpr const char* kEngineVersion = "2.22d";

namespace platform {
struct OsVersion;
}

void SystemInfoLog();

// "Windows" followed by the version's name into name (64 bytes); *code gets the version code, and stays as it was
// for a version the engine does not know.
void DescribeOsVersion(const platform::OsVersion& version, char* name, int* code);
