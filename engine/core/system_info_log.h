// The system report written early in start-up: engine version, operating system, processor clock, vendor, name and
// MMX support. It also notes the values other parts of the engine read (OS text and code, MMX flag, CPU clock).
#pragma once

inline constexpr const char* kEngineVersion = "2.22d";

void SystemInfoLog();
