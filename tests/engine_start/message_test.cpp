#include <gtest/gtest.h>

#include "engine/core/message.h"
#include "engine/core/window.h"
#include "engine/input/input.h"
#include "engine/sound/sound.h"
#include "engine_fixture.h"
#include "platform/window/window.h"

namespace engine_test {
namespace {

namespace win = platform::win;

class RunningEngine : public HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    ASSERT_EQ(StartEngine(), 0);
    window_ = g_System.mainWindow;
  }
  MessagePassCounters Counters() {
    ApiLockGuard lock;
    return g_MessagePassCounters;
  }
  platform::WindowHandle window_ = 0;
};

TEST_F(RunningEngine, ProcessMessageReportsQuitOnceTheWindowIsClosedAndKeepsReportingIt) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ProcessMessage(), 0);
  platform::headless::ScheduleMessage(platform::MillisecondClock() + 50, window_, win::kWmClose, 0, 0);
  int passes = 0;
  while (ProcessMessage() == 0) {
    platform::SleepMilliseconds(1);
    ++passes;
  }
  EXPECT_GT(passes, 0);
  EXPECT_GE(platform::MillisecondClock(), 50u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ProcessMessage(), -1);
  EXPECT_EQ(g_System.endingFlag, 4);  // WM_CLOSE arrived while running
  EXPECT_EQ(g_System.destroyed, 1);
  EXPECT_FALSE(platform::IsWindow(window_));
}

TEST_F(RunningEngine, AQuitMessageEndsTheSamePass) {
  {
    ApiLockGuard lock;
    platform::PostQuitMessage(0);
  }
  EXPECT_EQ(ProcessMessage(), -1);
}

TEST_F(RunningEngine, APassDispatchesAtMostSixMessages) {
  for (int i = 0; i < 3; ++i) ProcessMessage();  // whatever start-up left queued (a repaint)
  for (int i = 0; i < 10; ++i) platform::PostMessage(window_, win::kWmNull, 0, 0);
  const int before = Counters().dispatched;
  ProcessMessage();
  EXPECT_EQ(Counters().dispatched - before, 6);
  ProcessMessage();
  EXPECT_EQ(Counters().dispatched - before, 10);
}

platform::LResult CountingProc(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                               platform::LParam lParam);
int g_screenSaveCommands = 0;
platform::LResult CountingProc(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                               platform::LParam lParam) {
  if (message == win::kWmSysCommand && wParam == win::kScScreenSave) ++g_screenSaveCommands;
  return platform::DefWindowProc(window, message, wParam, lParam);
}

TEST_F(RunningEngine, AScreenSaverCommandForAnotherWindowOfTheThreadIsTakenToo) {
  ASSERT_TRUE(platform::RegisterWindowClass("OtherWindowClass", CountingProc, 0));
  const platform::WindowHandle other =
      platform::CreateWindowEx(0, "OtherWindowClass", "other", win::kWsPopup, 0, 0, 10, 10);
  ASSERT_NE(other, 0);
  g_screenSaveCommands = 0;
  platform::PostMessage(other, win::kWmSysCommand, win::kScScreenSave, 0);
  ProcessMessage();
  EXPECT_EQ(g_screenSaveCommands, 1);
  platform::DestroyWindow(other);
  platform::UnregisterWindowClass("OtherWindowClass");
}

TEST_F(RunningEngine, WaitPumpingMessagesWaitsOnThePlatformClock) {
  const int passes = Counters().mainPasses;
  const std::uint32_t start = platform::MillisecondClock();
  EXPECT_EQ(WaitPumpingMessagesEntry(500), 0);
  EXPECT_GE(platform::MillisecondClock() - start, 500u);
  EXPECT_LE(platform::MillisecondClock() - start, 510u);
  EXPECT_GE(Counters().mainPasses - passes, 400);

  const int before = Counters().mainPasses;
  EXPECT_EQ(WaitPumpingMessagesEntry(0), 0);
  EXPECT_EQ(Counters().mainPasses - before, 1);
}

TEST_F(RunningEngine, WaitPumpingMessagesReturnsEarlyOnQuit) {
  platform::headless::ScheduleMessage(platform::MillisecondClock() + 100, window_, win::kWmClose, 0, 0);
  const std::uint32_t start = platform::MillisecondClock();
  EXPECT_EQ(WaitPumpingMessagesEntry(5000), 0);
  EXPECT_LT(platform::MillisecondClock() - start, 200u);
}

TEST_F(RunningEngine, AnInactiveWindowHoldsTheMainPassUntilItIsActivatedAgain) {
  const std::uint32_t wake = platform::MillisecondClock() + 300;
  platform::PostMessage(window_, win::kWmActivateApp, 0, 0);
  platform::PostMessage(window_, win::kWmActivate, win::kWaInactive, 0);
  platform::headless::ScheduleMessage(wake, window_, win::kWmActivateApp, 1, 0);
  platform::headless::ScheduleMessage(wake, window_, win::kWmActivate, win::kWaActive, 0);
  const int reacquired = platform::GetInputDeviceCounters().acquires;
  const int refills = g_Sound.streamUpdateCalls;
  EXPECT_EQ(ProcessMessage(), 0);
  EXPECT_GE(platform::MillisecondClock(), wake);
  EXPECT_EQ(g_System.active, 1);
  EXPECT_EQ(platform::GetInputDeviceCounters().acquires, reacquired + 1);  // the keyboard acquired again
  // The sweeps of the wait keep refilling streamed sounds, about one per 2 ms.
  EXPECT_GE(g_Sound.streamUpdateCalls - refills, 100);
  EXPECT_GE(Counters().inactiveSweeps, 100);
}

TEST_F(RunningEngine, AnInactiveWindowStillQuitsOnClose) {
  platform::PostMessage(window_, win::kWmActivateApp, 0, 0);
  platform::PostMessage(window_, win::kWmActivate, win::kWaInactive, 0);
  platform::headless::ScheduleMessage(platform::MillisecondClock() + 100, window_, win::kWmClose, 0, 0);
  EXPECT_EQ(ProcessMessage(), -1);
}

TEST_F(RunningEngine, ClocksAndDate) {
  const int first = GetMillisecondCount(0);
  platform::SleepMilliseconds(20);
  EXPECT_GE(GetMillisecondCount(0) - first, 20);
  int six[6] = {};
  EXPECT_EQ(GetLocalDateTime(six), 0);
  EXPECT_GE(six[0], 2024);
  EXPECT_GE(six[1], 1);
  EXPECT_LE(six[1], 12);
  EXPECT_EQ(GetLocalDateTime(nullptr), -1);
}

}  // namespace
}  // namespace engine_test

namespace engine_test {
namespace {

TEST_F(HeadlessEngine, WaitWhileInactiveReturnsWhenNoWindowExists) {
  // Before start-up there is no window that could become active; the wait must not spin for ever.
  ASSERT_EQ(g_System.mainWindow, 0);
  g_System.active = 0;
  ApiLockGuard lock;
  WaitWhileInactive();
  SUCCEED();
}

}  // namespace
}  // namespace engine_test
