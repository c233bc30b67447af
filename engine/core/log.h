// The diagnostic log: "Log.txt" in the start-up directory (CP932, CRLF line ends) and the debugger output. Every line
// starts with the milliseconds since StartLog and as many TABs as the indent depth. With the log switched off nothing
// is written anywhere.
#pragma once

int StartLog();
// Always -1, so engine code can log a failure and return -1 in one statement.
int WriteLog(const char* text);
int LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int IncreaseLogIndent();
int DecreaseLogIndent();
int SetLogFileOutputBody(int on);

// The on-screen log's text buffer. Drawing it belongs to the graphics layer.
inline constexpr int kScreenLogLines = 80;
inline constexpr int kScreenLogLineBytes = 255;
struct ScreenLog {
  int setUp;
  int fontHandle;
  int fontReleased;
  char lines[kScreenLogLines][kScreenLogLineBytes];
  int lineCount;
  int fontSize;
};
extern ScreenLog g_ScreenLog;
int GetScreenLogLineCount();
