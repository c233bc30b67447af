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

// The on-screen log: a text buffer drawn over the picture by the present routines.
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
// Set-up (-1 without the display device or the main window), its font (16 pixels, edged) and the drawing of the
// lines that fit the screen, white with a black edge. Deleting the font marks it released; it is made again when
// next needed.
int SetupScreenLog();
int EnsureScreenLogFont();
int DrawScreenLog();
