#include "engine/core/message.h"

#include <cstdint>

#include "engine/core/api_lock.h"
#include "engine/core/cursor_ime.h"
#include "engine/core/key_input.h"
#include "engine/core/log.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/public_api.h"
#include "engine/core/system_record.h"
#include "engine/core/window.h"
#include "engine/input/input.h"
#include "platform/base/clock.h"
#include "platform/base/thread.h"
#include "platform/window/window.h"

MessagePassCounters g_MessagePassCounters{};

namespace {

namespace win = platform::win;

// 1 while the key-input step of a pass runs; a pass that starts meanwhile returns at once.
int g_passGuard = 0;

// A pass dispatches at most this many messages per sweep before the sweep ends.
constexpr int kMessagesPerSweep = 5;

// Takes the next message for the pass: a pending screen-saver command of any window of the thread first, then a
// thread message, then a message of the main window.
bool RetrieveMessage(platform::Message* m) {
  if (platform::PeekMessage(m, 0, 0, 0, false) && m->message == win::kWmSysCommand &&
      (m->wParam & 0xFFF0) == win::kScScreenSave) {
    return platform::PeekMessage(m, 0, win::kWmSysCommand, win::kWmSysCommand, true);
  }
  if (platform::PeekMessage(m, platform::kThreadMessagesOnly, 0, 0, true)) return true;
  return platform::PeekMessage(m, g_System.mainWindow, 0, 0, true);
}

void PumpExtraWindows() {
  for (int i = 0; i < g_System.extraWindowCount; ++i) {
    platform::Message m{};
    if (platform::PeekMessage(&m, g_System.extraWindows[i], 0, 0, true)) {
      platform::TranslateMessage(m);
      platform::DispatchMessage(m);
    }
  }
}

// The message sweeps of one pass (the inactive wait among them).
void RunSweeps(bool onMainThread) {
  int dispatched = 0;
  bool first = true, previousDispatched = false;
  for (;;) {
    const bool waitingInactive = g_System.active == 0 && g_System.closeRequested == 0 && g_System.repainting == 0;
    if (!waitingInactive && (g_System.quitFlag == 1 || (!first && !previousDispatched))) return;
    first = false;
    previousDispatched = false;
    if (g_System.active == 0 && g_System.repainting == 0) platform::SleepMilliseconds(1);
    if (waitingInactive && onMainThread) ++g_MessagePassCounters.inactiveSweeps;

    platform::Message m{};
    bool endedByCount = false;
    while (RetrieveMessage(&m)) {
      // A message the modeless dialog takes is done with, and not counted.
      if (g_System.dialogWindow != 0 && platform::IsDialogMessage(g_System.dialogWindow, m)) {
        PumpExtraWindows();
        continue;
      }
      if (m.message == win::kWmActivateApp) g_System.active = (m.wParam & 0xFFFF) != 0 ? 1 : 0;
      if (g_System.quitFlag == 1) return;
      if (m.message == win::kWmQuit) g_System.quitFlag = 1;
      if (!platform::TranslateAccelerator(g_System.mainWindow, g_System.acceleratorTable, m)) {
        platform::TranslateMessage(m);
        platform::DispatchMessage(m);
      }
      ++g_MessagePassCounters.dispatched;
      if (++dispatched >= kMessagesPerSweep) {
        endedByCount = true;
        break;
      }
      previousDispatched = true;
      PumpExtraWindows();
    }
    if (!endedByCount) PumpExtraWindows();

    if (g_System.active == 0) {
      ProcessNetWorkMessages(1);
      UpdateHttpJobs();
      UpdateStreamSounds();
      platform::SleepMilliseconds(1);
    }
    if (g_System.quitFlag == 1 || !onMainThread) return;
  }
}

}  // namespace

int ProcessMessageBody() {
  if (g_passGuard == 1) return 0;
  if (g_System.mainWindow == 0) return g_System.quitFlag == 1 ? -1 : 0;
  const bool onMainThread = platform::CurrentThreadId() == g_System.mainThreadId;
  if (onMainThread) {
    ++g_MessagePassCounters.mainPasses;
  } else {
    ++g_MessagePassCounters.backgroundPasses;
  }

  if (g_System.userWindowMode == 0) {
    if (onMainThread && g_System.modeSwitchRequest == 1 && g_System.windowModeSwitchAllowed == 1) {
      g_System.modeSwitchRequest = 0;
      ChangeWindowModeBody(g_System.windowMode == 1 ? 0 : 1);
      if (g_System.modeChangeCallback != nullptr) g_System.modeChangeCallback(g_System.modeChangeData);
    }
    RunSweeps(onMainThread);
    if (onMainThread) {
      if (g_System.menuAlwaysShown == 0) UpdateFullScreenMenu();
      UpdateKeyboardState();
    }
  }

  UpdateStreamSounds();
  UpdateMusicPlayState();
  UpdatePadVibrationTimers();
  ProcessNetWorkMessages(1);
  const int jobs = GetHttpJobCount();
  for (int slot = 0, stepped = 0; slot < kHttpJobSlots && stepped < jobs; ++slot) {
    if (HttpJobSlotInUse(slot) == 0) continue;
    HttpJobStep(slot);
    ++stepped;
  }
  g_passGuard = 1;
  ProcessKeyInput();
  g_passGuard = 0;
  return g_System.quitFlag == 1 ? -1 : 0;
}

void WaitWhileInactive() {
  if (g_System.painting == 1 || g_System.active == 1 || g_System.userWindowMode == 1) return;
  // Without a window no message can ever make it active: waiting would never end.
  if (g_System.mainWindow == 0) return;
  if (g_System.repainting == 1 && (IsGdiVisibleMode() == 1 || g_System.windowMode == 1)) return;
  while (ProcessMessageBody() == 0 && g_System.active == 0) {
  }
  RestoreAllGraphSurface();
}

void MessageThreadProc() {
  g_System.backgroundThreadId = platform::CurrentThreadId();
  while (g_System.quitFlag != 1) {
    // The background variant gives up, leaving the lock's queue, once the quit flag is set.
    if (!ApiLockBackground(&g_System.quitFlag)) break;
    const int result = ProcessMessageBody();
    ApiUnlockBackground();
    if (result < 0) break;
    platform::SleepMilliseconds(17);
  }
  g_System.threadEnded = 1;
}

void StartMessageThread() {
  g_System.threadEnded = 0;
  auto* thread = new platform::Thread;
  if (!thread->Start(MessageThreadProc, platform::ClockRole::Follower)) {
    // The engine runs on without it.
    delete thread;
    WriteLog("ProcessMessage をひたすら呼びつづけるスレッドの立ち上げに失敗しました\n");
    return;
  }
  g_System.backgroundThread = thread;
}

int WaitPumpingMessages(int milliseconds) {
  const std::uint32_t start = static_cast<std::uint32_t>(GetMillisecondCount(0));
  if (ProcessMessage() != 0) return 0;
  const std::uint32_t end = start + static_cast<std::uint32_t>(milliseconds);
  while (static_cast<std::int32_t>(end - static_cast<std::uint32_t>(GetMillisecondCount(0))) > 0) {
    platform::SleepMilliseconds(1);
    if (ProcessMessage() != 0) return 0;
  }
  return 0;
}
