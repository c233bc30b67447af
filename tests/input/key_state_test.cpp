// Keyboard state: IsKeyDown on both input paths, the system keyboard overlay and the read throttling.
#include "engine/core/public_api.h"
#include "tests/input/input_fixture.h"

namespace {

namespace dik = platform::dik;

// The keys the game asks for: arrows, Esc, A, X, C, B.
constexpr int kGameKeys[] = {200, 208, 203, 205, 1, 30, 45, 46, 48};

class KeyStateTest : public InputTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    if (GetParam()) UseFallbackOnly();
    ASSERT_EQ(InitializeInput(), 0);
    ASSERT_EQ(InputUsesFallback(), GetParam());
  }
};

TEST_P(KeyStateTest, GameKeysReadDownWhileHeldAndUpAfter) {
  for (int code : kGameKeys) {
    platform::SetKeyDown(code, true);
    NextTick();
    EXPECT_EQ(IsKeyDown(code), 1) << code;
    for (int other : kGameKeys) {
      if (other == code) continue;
      EXPECT_EQ(IsKeyDown(other), 0) << other << " while " << code << " is held";
    }
    platform::SetKeyDown(code, false);
    NextTick();
    EXPECT_EQ(IsKeyDown(code), 0) << code;
  }
}

TEST_P(KeyStateTest, CodesOutsideTheTableReadUp) {
  for (int k = 0; k < 256; ++k) platform::SetKeyDown(k, true);
  NextTick();
  for (int code : {-1, 256, 257, 0x1000, -0x7FFFFFFF - 1, 0x7FFFFFFF}) EXPECT_EQ(IsKeyDown(code), 0) << code;
  EXPECT_EQ(IsKeyDown(dik::kSpace), 1);
}

TEST_P(KeyStateTest, EveryTableKeyReadsThroughBothPaths) {
  // Every key of the key-code table reaches IsKeyDown by its DirectInput code, whichever path reads it.
  for (const VkKeyCodePair* p = VkKeyCodeTable; p->virtualKey != kVkTableEnd; ++p) {
    if (p->virtualKey == kVkTableGroupMark) continue;
    platform::ReleaseAllKeys();
    platform::SetKeyDown(p->keyCode, true);
    NextTick();
    EXPECT_EQ(IsKeyDownBody(p->keyCode), 1) << std::hex << "key code " << p->keyCode;
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, KeyStateTest, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Fallback" : "DirectInput"; });

TEST_F(InputTest, SystemStateOverridesFirstGroupKeysOnTheWindowThreadOnly) {
  ASSERT_EQ(InitializeInput(), 0);
  // DirectInput reports A down, the system keyboard state reports it up.
  platform::SetKeyDown(dik::kA, true);
  platform::SetVirtualKeyDown(platform::vk::kA, false);
  NextTick();
  EXPECT_EQ(IsKeyDownBody(dik::kA), 0) << "on the window's thread the system state wins";
  SetOnWindowThread(false);
  NextTick();
  EXPECT_EQ(IsKeyDownBody(dik::kA), 1) << "elsewhere DirectInput's state stands";

  // Second-group keys are never overridden: left shift reported down by DirectInput only.
  SetOnWindowThread(true);
  platform::SetKeyDown(dik::kLeftShift, true);
  platform::SetVirtualKeyDown(platform::vk::kLeftShift, false);
  NextTick();
  EXPECT_EQ(IsKeyDownBody(dik::kLeftShift), 1);
}

TEST_F(InputTest, FallbackEnterSetsBothEnterCodes) {
  UseFallbackOnly();
  ASSERT_EQ(InitializeInput(), 0);
  platform::SetKeyDown(dik::kReturn, true);
  NextTick();
  EXPECT_EQ(IsKeyDownBody(dik::kReturn), 1);
  EXPECT_EQ(IsKeyDownBody(dik::kNumpadEnter), 1) << "one virtual key for both Enter keys";
}

TEST_F(InputTest, KeyboardIsReadOncePerTickUnlessItSignalled) {
  ASSERT_EQ(InitializeInput(), 0);
  NextTick();
  IsKeyDownBody(1);
  const int reads = platform::GetInputDeviceCounters().keyboardReads;
  for (int i = 0; i < 10; ++i) IsKeyDownBody(1);
  EXPECT_EQ(platform::GetInputDeviceCounters().keyboardReads, reads) << "same millisecond, no new data";

  platform::SetKeyDown(dik::kX, true);  // signals the keyboard event
  EXPECT_EQ(IsKeyDownBody(dik::kX), 1) << "new data is read within the same millisecond";
  EXPECT_EQ(platform::GetInputDeviceCounters().keyboardReads, reads + 1);
  IsKeyDownBody(dik::kX);
  EXPECT_EQ(platform::GetInputDeviceCounters().keyboardReads, reads + 1) << "the event was reset";
  NextTick();
  IsKeyDownBody(dik::kX);
  EXPECT_EQ(platform::GetInputDeviceCounters().keyboardReads, reads + 2);
}

TEST_F(InputTest, FallbackKeyboardIsReadOncePerTick) {
  UseFallbackOnly();
  ASSERT_EQ(InitializeInput(), 0);
  NextTick();
  IsKeyDownBody(1);
  const int reads = platform::GetInputDeviceCounters().systemKeyboardReads;
  platform::SetKeyDown(dik::kX, true);
  EXPECT_EQ(IsKeyDownBody(dik::kX), 0) << "the fallback has no event: the change shows at the next tick";
  EXPECT_EQ(platform::GetInputDeviceCounters().systemKeyboardReads, reads);
  NextTick();
  EXPECT_EQ(IsKeyDownBody(dik::kX), 1);
}

TEST_F(InputTest, LostKeyboardIsAcquiredAgain) {
  ASSERT_EQ(InitializeInput(), 0);
  platform::SetKeyDown(dik::kC, true);
  platform::LoseKeyboardAcquisition();
  NextTick();
  EXPECT_EQ(UpdateKeyboardState(), 1);
  EXPECT_EQ(IsKeyDownBody(dik::kC), 1);

  // When acquiring fails too, the read is skipped and the old state stays.
  platform::SetKeyDown(dik::kC, false);
  platform::LoseKeyboardAcquisition();
  platform::FailKeyboardAcquire(1);
  NextTick();
  EXPECT_EQ(UpdateKeyboardState(), 0);
  EXPECT_EQ(g_Input.KeyStateArray[dik::kC] & 0x80, 0x80);
}

TEST_F(InputTest, QueriesBeforeTheWindowExistsDoNotWaitForActivation) {
  SetWindowActive(false);  // no window: nothing will ever activate it
  platform::SetKeyDown(dik::kSpace, true);
  EXPECT_EQ(IsKeyDown(dik::kSpace), 0) << "starts input";
  NextTick();
  EXPECT_EQ(IsKeyDown(dik::kSpace), 1);
  EXPECT_EQ(GetPadInputBits(0x1000), 0x2000);
}

}  // namespace
