#include "engine/core/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/mem_alloc.h"
#include "engine/core/string_util.h"
#include "engine/core/system_record.h"
#include "engine/core/window.h"
#include "engine/graphics/color_data.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/font.h"
#include "platform/base/clock.h"
#include "platform/base/debug_output.h"
#include "platform/files/path.h"

ScreenLog g_ScreenLog{};

namespace {

constexpr int kSmallBuffer = 256;

// The log file's native path: the log file name inside the start-up directory.
std::string LogFilePath() {
  std::string dir = platform::ToNativePath(g_System.startupDirectory);
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + platform::Cp932ToUtf8(g_System.logFileName);
}

void WriteAll(int fd, const char* data, size_t size) {
  while (fd >= 0 && size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) return;
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// Bytes the CRLF conversion of text needs, terminator included.
size_t ConvertedSize(const char* text) {
  size_t size = std::strlen(text) + 1;
  for (const char* p = text; *p != '\0'; ++p) size += *p == '\n' ? 1 : 0;
  return size;
}

// LF becomes CRLF, skipping double-byte characters; at the first LF that already has its CR the rest is copied as
// it stands.
void ConvertLineEnds(const char* text, char* out) {
  const char* p = text;
  while (const char* lf = FindCharSjis(p, '\n')) {
    if (lf > text && lf[-1] == '\r') break;
    const size_t before = static_cast<size_t>(lf - p);
    std::memcpy(out, p, before);
    out += before;
    *out++ = '\r';
    *out++ = '\n';
    p = lf + 1;
  }
  std::strcpy(out, p);
}

}  // namespace

int StartLog() {
  if (g_System.logOff == 1 || g_System.userWindowMode == 1) return 1;
  if (g_System.logDatedName == 1) {
    const platform::LocalTime t = platform::GetLocalTime();
    const int parts[6] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    CopyString(g_System.logFileName, "Log");
    char number[16];
    for (int i = 0; i < 6; ++i) {
      if (i > 0) AppendString(g_System.logFileName, "_");
      AppendString(g_System.logFileName, IntToString(parts[i], number, 10));
    }
    AppendString(g_System.logFileName, ".txt");
  } else {
    CopyString(g_System.logFileName, "Log.txt");
  }
  // The log starts empty.
  const std::string path = LogFilePath();
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
  g_System.logIndent = 0;
  g_System.logMidLine = 0;
  g_System.logStartTime = platform::MillisecondClock();
  return 1;
}

int WriteLog(const char* text) {
  if (g_System.logOff == 1 && g_System.userWindowMode != 1) return -1;

  char small[kSmallBuffer];
  const size_t needed = ConvertedSize(text);
  char* converted = small;
  if (needed > sizeof small) {
    converted = static_cast<char*>(MemAlloc(static_cast<int>(needed), nullptr, -1));
    if (converted == nullptr) return -1;
  }
  ConvertLineEnds(text, converted);
  const size_t length = std::strlen(converted);

  if (g_System.userWindowMode == 1) {
    platform::DebugOutput(converted);
  } else if (g_System.startupDirectory[0] != '\0') {
    const std::string path = LogFilePath();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (g_System.logMidLine == 0) {
      if (g_System.logStampOff != 1) {
        char stamp[16];
        const int n = std::snprintf(stamp, sizeof stamp, "%d:",
                                    static_cast<int>(platform::MillisecondClock() - g_System.logStartTime));
        WriteAll(fd, stamp, static_cast<size_t>(n));
      }
      if (g_System.logIndent > 0) {
        char tabs[256];
        std::memset(tabs, '\t', static_cast<size_t>(g_System.logIndent));
        WriteAll(fd, tabs, static_cast<size_t>(g_System.logIndent));
        platform::DebugOutput(std::string_view(tabs, static_cast<size_t>(g_System.logIndent)));
      }
    }
    WriteAll(fd, converted, length);
    platform::DebugOutput(converted);
    g_System.logMidLine = (length == 0 || converted[length - 1] != '\n') ? 1 : 0;
    if (fd >= 0) ::close(fd);
  }

  if (converted != small) MemFree(converted);
  return -1;
}

int LogPrintf(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer - 1, format, args);
  va_end(args);
  std::strcat(buffer, "\n");
  return WriteLog(buffer);
}

int IncreaseLogIndent() {
  if (g_System.logIndent < 255) ++g_System.logIndent;
  return 0;
}

int DecreaseLogIndent() {
  if (g_System.logIndent > 0) --g_System.logIndent;
  return 0;
}

int SetLogFileOutputBody(int on) {
  g_System.logOff = on == 0 ? 1 : 0;
  return 0;
}

int GetScreenLogLineCount() { return g_ScreenLog.lineCount; }

int SetupScreenLog() {
  if (GetDirectDrawObject() == nullptr || GetMainWindowHandle() == platform::WindowHandle{}) return -1;
  ScreenLog& log = g_ScreenLog;
  if (log.setUp == 1) return 0;
  log.setUp = 1;
  log.fontSize = 16;
  log.fontHandle = -1;
  log.fontReleased = 1;
  EnsureScreenLogFont();
  log.lineCount = 0;
  std::memset(log.lines, 0, sizeof(log.lines));
  return 0;
}

int EnsureScreenLogFont() {
  ScreenLog& log = g_ScreenLog;
  if (log.setUp == 0 && SetupScreenLog() < 0) return 0;
  if (log.fontReleased == 1) {
    log.fontHandle = CreateFontToHandle(nullptr, log.fontSize, 4, 1, -1, -1, 0, -1, -1);
    log.fontReleased = 0;
    SetFontLostFlag(log.fontHandle, &log.fontReleased);
  }
  return 0;
}

int DrawScreenLog() {
  ScreenLog& log = g_ScreenLog;
  if (log.setUp == 0) SetupScreenLog();
  EnsureScreenLogFont();
  int width = 640, height = 480;
  QueryScreenSizeBody(&width, &height);
  int rows = log.fontSize > 0 ? height / log.fontSize : 0;
  if (rows > kScreenLogLines) rows = kScreenLogLines;
  const auto white = static_cast<std::uint32_t>(MakeColorValueBody(255, 255, 255));
  const auto black = static_cast<std::uint32_t>(MakeColorValueBody(0, 0, 0));
  for (int i = 0; i < rows; ++i) {
    log.lines[i][kScreenLogLineBytes - 1] = '\0';
    DrawStringWithFont(0, i * log.fontSize, log.lines[i], white, log.fontHandle, black, 0);
  }
  return 0;
}
