// Shared set-up of the input tests: a virtual clock, fresh devices, input stopped, logging off.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/system_record.h"
#include "engine/input/input.h"
#include "engine/input/input_window_stand_in.h"
#include "platform/clock.h"
#include "platform/input.h"

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
    g_InputWindowStandIn = InputWindowStandIn{};
  }

  // Moves the clock to the next millisecond, so the next query reads the devices again.
  static void NextTick() { platform::AdvanceVirtualClock(1'000'000); }

  static int AttachTestPad(platform::PadDescription description = {}, int slot = -1) {
    const int s = platform::AttachPad(description, slot);
    EXPECT_GE(s, 0);
    return s;
  }

  // The window layer's state as the input layer sees it.
  static int MessagePasses() { return g_InputWindowStandIn.messagePasses; }
  static void SetMessagePassQuits(bool quits) { g_InputWindowStandIn.messagePassResult = quits ? -1 : 0; }
  static void SetCloseRequested(bool requested) { g_InputWindowStandIn.closeRequested = requested ? 1 : 0; }
  static void SetWindowActive(bool active) { g_InputWindowStandIn.active = active ? 1 : 0; }
  static void SetOnWindowThread(bool on) { g_InputWindowStandIn.onWindowThread = on; }

  static void UseFallbackOnly() {
    platform::SetDirectInputAvailability(7, platform::DirectInputAvailability::CreateFails);
    platform::SetDirectInputAvailability(8, platform::DirectInputAvailability::CreateFails);
  }
};
