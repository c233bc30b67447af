#include "engine/core/start_engine.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "engine/core/api_lock.h"
#include "engine/core/archive_file_layer.h"
#include "engine/core/char_input.h"
#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/message.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/system_info_log.h"
#include "engine/core/system_record.h"
#include "engine/core/window.h"
#include "engine/input/input.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/window/window.h"

int StartEngineBody() {
  // The back-end (and with it the clock the log stamps come from) is fixed before anything reads the time.
  platform::SelectBackend();

  if (GetNotUse3DFlag() == 1) SetHardwareRenderFlag(0);
  ClearArchiveTables();
  InstallFileFunctions(nullptr);
  FileGetCurrentDir(g_System.startupDirectory);
  StartLog();

  const int desktopBits = platform::GetDesktopInfo().bits;
  if ((desktopBits == 24 && g_System.windowMode == 1) || GetScreenColorBitDepth() == 24)
    return WriteLog("VEdudivは２４ビットカラーモードに対応していません\n");

  g_System.performanceFrequency = platform::PerformanceFrequency();
  g_System.usePerformanceCounter = g_System.performanceFrequency != 0 ? 1 : 0;
  SystemInfoLog();
  InitStreamFunctions();
  SetGraphRestoreHandler(nullptr);

  if (StartCom() == -1 || SetupWindow() == -1) {
    EndEngineBody();
    return -1;
  }
  ClearHttpJobTable();
  if (g_System.noInput == 0 && InitializeInput() == -1) {
    EndEngineBody();
    return -1;
  }
  if (g_System.noSound == 0) InitializeSound();
  if (g_System.noGraphics == 0 && InitGraphics(g_System.mainWindow) < 0) {
    EndEngineBody();
    return -1;
  }
  StartCharCodeBuffer();
  g_System.initDone = 1;
  SetFlipWaitForVBlank(1);
  if (g_System.windowMode == 0) BringWindowToForeground(g_System.mainWindow, 1);
  SetupScreenLog();
  SelectDrawTargetBody(-2);
  SelectDrawTargetBody(-4);
  if (g_System.noGraphics == 1) return 0;

  SetDrawValidGraphCreateFlag(1);
  const int graph = CreateEmptyGraph(256, 256);
  SetDrawValidGraphCreateFlag(0);
  SelectDrawTargetBody(graph);
  SelectDrawTargetBody(-4);
  DeleteGraphicBody(graph, 0);
  return 0;
}

int StartCom() {
  if (g_System.comStarted == 1) return -1;
  // The platform needs no component system; the flag and the log lines stay.
  WriteLog("ＣＯＭの初期化... ");
  WriteLog("成功しました\n");
  g_System.comStarted = 1;
  return 0;
}

int EndEngineBody() {
  g_System.endingFlag = 1;
  if (g_ScreenLog.setUp == 1) {
    if (g_ScreenLog.fontReleased == 0) DeleteFontToHandle(g_ScreenLog.fontHandle);
    g_ScreenLog.fontReleased = 1;
    g_ScreenLog.fontHandle = -1;
    g_ScreenLog.setUp = 0;
  }
  DeleteAllHttpJobs();
  EndNetWork();
  StopMusicFileBody();
  TerminateGraphics();
  TerminateInput();
  TerminateSound();
  EndWindow();
  if (g_System.comStarted == 1) {
    WriteLog("ＣＯＭを終了... 完了\n");
    g_System.comStarted = 0;
  }
  g_System.initDone = 0;
  // The window is gone by now, so one pass answers at once; repeating it would never end when the start-up failed
  // before the window existed and nothing set the quit flag.
  ProcessMessageBody();
  FileSetCurrentDir(g_System.startupDirectory);
  ReleaseUnusedArchives();
  DumpAllocations();
  return 0;
}

void FatalExit(const char* message) {
  WriteLog(message);
  WriteLog("\n");
  EndEngineBody();
  ApiLockTeardown();
  std::fflush(nullptr);
  std::_Exit(-1);
}

void FatalExitFormat(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  FatalExit(buffer);
}

void BringWindowToForeground(platform::WindowHandle window, int topmost) {
  // No foreground lock time-out or input attachment exists here; the window is simply raised.
  platform::SetForegroundWindow(window);
  if (topmost == 1)
    platform::SetWindowPos(window, platform::win::kHwndTopmost, 0, 0, 0, 0,
                           platform::win::kSwpNoSize | platform::win::kSwpNoMove | platform::win::kSwpNoRedraw);
}
