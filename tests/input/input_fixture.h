// Shared set-up of the input tests: a virtual clock, fresh devices, input stopped, logging off.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/system_record.h"
#include "engine/input/input.h"
#include "platform/base/clock.h"
#include "platform/base/thread.h"
#include "platform/input/input.h"

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetClockMode(platform::ClockMode::Virtual);
    platform::AdvanceVirtualClock(5'000'000);
    ResetInput();
    g_System.logOff = 1;
  }
  void TearDown() override {
    ResetInput();
    EXPECT_EQ(platform::GetInputDeviceCounters().openDevices, 0) << "devices left open";
    EXPECT_EQ(platform::GetInputDeviceCounters().openEffects, 0) << "effects left open";
  }

  static void ResetInput() {
    TerminateInput();
    std::memset(&g_Input, 0, sizeof g_Input);
    platform::ResetInputDevices();
    platform::ClearRumbleChanges();
    // No window: an active application whose message passes go on, queried from the window's thread.
    g_System.active = 1;
    g_System.closeRequested = 0;
    g_System.quitFlag = 0;
    g_System.mainThreadId = platform::CurrentThreadId();
  }

  // Moves the clock to the next millisecond, so the next query reads the devices again.
  static void NextTick() { platform::AdvanceVirtualClock(1'000'000); }

  static int AttachTestPad(platform::PadDescription description = {}, int slot = -1) {
    const int s = platform::AttachPad(description, slot);
    EXPECT_GE(s, 0);
    return s;
  }

  // The window layer's state as the input layer sees it.
  static void SetMessagePassQuits(bool quits) { g_System.quitFlag = quits ? 1 : 0; }
  static void SetCloseRequested(bool requested) { g_System.closeRequested = requested ? 1 : 0; }
  static void SetWindowActive(bool active) { g_System.active = active ? 1 : 0; }
  static void SetOnWindowThread(bool on) { g_System.mainThreadId = on ? platform::CurrentThreadId() : 0; }

  static void UseFallbackOnly() {
    platform::SetDirectInputAvailability(7, platform::DirectInputAvailability::CreateFails);
    platform::SetDirectInputAvailability(8, platform::DirectInputAvailability::CreateFails);
  }
};
