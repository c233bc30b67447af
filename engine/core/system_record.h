// The engine's system record: settings made before start-up, process state, and the values the start-up steps note
// for later use. One static instance.
#pragma once

#include <atomic>
#include <cstdint>

inline constexpr int kMaxDroppedFiles = 1000;

struct SystemWindowRecord {
  // System information (kept over the window set-up's reset).
  char osText[256];
  int osVersionCode;
  int mmxFlag;
  int cpuClockKnown;
  std::int64_t cpuClock;  // time-stamp counter ticks per second
  int cpuSpeedMhz;
  char cpuName[49];

  // Log settings.
  int logOff;
  int logDatedName;
  int logStampOff;
  char logFileName[64];
  int logIndent;
  int logMidLine;
  std::uint32_t logStartTime;

  // Process state.
  int userWindowMode;
  std::atomic<int> quitFlag;  // read by the background thread outside the API lock

  // Texts.
  char startupDirectory[260];

  // Files dropped on the window (each a MemAlloc block).
  char* droppedFiles[kMaxDroppedFiles];
  int droppedFileCount;
};

extern SystemWindowRecord g_System;
