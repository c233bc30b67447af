// Pad vibration: which effects run for the state, the timers, stopping, and inactivity.
#include "tests/input/input_fixture.h"

namespace {

class VibrationTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    slot_ = AttachTestPad();
    ASSERT_EQ(InitializeInput(), 0);
    ASSERT_EQ(g_Input.padCount, 1);
    platform::ClearRumbleChanges();
  }
  const JoypadRecord& Pad() const { return g_Input.pads[0]; }
  // The pad's motors as the device layer last reported them.
  std::pair<int, int> Rumble() const {
    const auto changes = platform::GetRumbleChanges();
    for (auto it = changes.rbegin(); it != changes.rend(); ++it)
      if (it->slot == slot_) return {it->low, it->high};
    return {0, 0};
  }
  static void AdvanceMs(std::uint32_t ms) { platform::AdvanceVirtualClock(ms * 1'000'000ull); }
  int slot_ = 0;
};

TEST_F(VibrationTest, PowerAbove5000AddsThePeriodicEffect) {
  struct Case {
    int power;
    int periodic;
    std::pair<int, int> rumble;
  };
  const Case cases[] = {{0, 0, {65535, 0}}, {5000, 0, {65535, 0}}, {5001, 1, {65535, 65535}}, {10000, 1, {65535, 65535}}};
  for (const Case& c : cases) {
    ASSERT_EQ(StartPadVibrationBody(1, c.power, -1), 0);
    EXPECT_EQ(Pad().constantEffectRunning, 1) << c.power;
    EXPECT_EQ(Pad().periodicEffectRunning, c.periodic) << c.power;
    EXPECT_EQ(Rumble(), c.rumble) << c.power;
    ASSERT_EQ(StopPadVibrationBody(1), 0);
    EXPECT_EQ(Pad().vibrationOn, 0);
    EXPECT_EQ(Pad().vibrationPower, 10000);
    EXPECT_EQ(Pad().constantEffectRunning, 0);
    EXPECT_EQ(Pad().periodicEffectRunning, 0);
    EXPECT_EQ(Rumble(), std::make_pair(0, 0)) << c.power;
  }
}

TEST_F(VibrationTest, TimerStopsTheVibrationWhenItsDurationHasRunOut) {
  StartPadVibrationBody(1, 10000, 100);
  AdvanceMs(60);
  UpdatePadVibrationTimers();
  EXPECT_EQ(Pad().vibrationOn, 1);
  EXPECT_EQ(Pad().vibrationElapsed, 60);
  AdvanceMs(39);
  UpdatePadVibrationTimers();
  EXPECT_EQ(Pad().vibrationOn, 1);
  AdvanceMs(1);
  UpdatePadVibrationTimers();
  EXPECT_EQ(Pad().vibrationOn, 0);
  EXPECT_EQ(Pad().constantEffectRunning, 0);

  // The device layer saw the motors start and stop 100 ms apart.
  const auto changes = platform::GetRumbleChanges();
  ASSERT_EQ(changes.size(), 4u);  // each effect started, then each stopped
  EXPECT_EQ(changes.back().low, 0);
  EXPECT_EQ(changes.back().high, 0);
  EXPECT_EQ(changes.back().timeMs - changes.front().timeMs, 100u);
}

TEST_F(VibrationTest, ZeroDurationStopsAtTheFirstPassWithTime) {
  StartPadVibrationBody(1, 10000, 0);
  UpdatePadVibrationTimers();  // the clock has not reached the next millisecond
  EXPECT_EQ(Pad().vibrationOn, 1);
  AdvanceMs(1);
  UpdatePadVibrationTimers();
  EXPECT_EQ(Pad().vibrationOn, 0);
}

TEST_F(VibrationTest, NegativeDurationNeverExpires) {
  StartPadVibrationBody(1, 10000, -1);
  for (int i = 0; i < 5; ++i) {
    AdvanceMs(1'000'000);
    UpdatePadVibrationTimers();
  }
  EXPECT_EQ(Pad().vibrationOn, 1);
  EXPECT_EQ(Pad().vibrationElapsed, 0);
}

TEST_F(VibrationTest, ClockGoingBackAddsNothing) {
  StartPadVibrationBody(1, 10000, 50);
  g_Input.pads[0].vibrationLastTick += 1000;  // as if the clock had been ahead
  UpdatePadVibrationTimers();
  EXPECT_EQ(Pad().vibrationElapsed, 0);
  EXPECT_EQ(Pad().vibrationOn, 1);
  AdvanceMs(50);
  UpdatePadVibrationTimers();
  EXPECT_EQ(Pad().vibrationOn, 0);
}

TEST_F(VibrationTest, InactivityStopsTheEffectsAndActivationRestartsThem) {
  StartPadVibrationBody(1, 8000, -1);
  SetWindowActive(false);
  UpdatePadVibrationEffects();
  EXPECT_EQ(Pad().constantEffectRunning, 0);
  EXPECT_EQ(Pad().periodicEffectRunning, 0);
  EXPECT_EQ(Pad().vibrationOn, 1) << "the vibration itself stays on";
  EXPECT_EQ(Rumble(), std::make_pair(0, 0));
  SetWindowActive(true);
  UpdatePadVibrationEffects();
  EXPECT_EQ(Pad().constantEffectRunning, 1);
  EXPECT_EQ(Pad().periodicEffectRunning, 1);
  EXPECT_EQ(Rumble(), std::make_pair(65535, 65535));
}

TEST_F(VibrationTest, StopIgnoresOtherPadsAndTheKeyboardFlag) {
  StartPadVibrationBody(1, 10000, -1);
  for (int request : {0, 2, 9, -1, 0x1000, 0x1002}) {
    StopPadVibrationBody(request);
    EXPECT_EQ(Pad().vibrationOn, 1) << request;
  }
  StopPadVibrationBody(0x1001);
  EXPECT_EQ(Pad().vibrationOn, 0);
}

TEST_F(InputTest, PadWithoutConstantEffectCannotVibrate) {
  platform::PadDescription pad;
  pad.faults = platform::kPadFaultConstantEffect;
  AttachTestPad(pad);
  ASSERT_EQ(InitializeInput(), 0);
  StartPadVibrationBody(1, 10000, -1);
  EXPECT_EQ(g_Input.pads[0].vibrationOn, 0);
  EXPECT_TRUE(platform::GetRumbleChanges().empty());
}

TEST_F(InputTest, FallbackPadsHaveNoVibration) {
  UseFallbackOnly();
  AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  StartPadVibrationBody(1, 10000, 10);
  EXPECT_EQ(g_Input.pads[0].vibrationOn, 0);
  EXPECT_EQ(UpdatePadVibrationTimers(), 0);
  EXPECT_EQ(UpdatePadVibrationEffects(), 0);
  EXPECT_TRUE(platform::GetRumbleChanges().empty());
}

TEST_F(VibrationTest, TerminateStopsRunningEffects) {
  StartPadVibrationBody(1, 10000, -1);
  EXPECT_EQ(Rumble(), std::make_pair(65535, 65535));
  TerminateInput();
  EXPECT_EQ(Rumble(), std::make_pair(0, 0));
}

}  // namespace
