// The pad word: keyboard fold-in, pad axes with range and dead zone, buttons, pad numbers, polling and the
// fallback axis mapping.
#include <climits>

#include "engine/core/public_api.h"
#include "tests/input/input_fixture.h"

namespace {

namespace dik = platform::dik;
using platform::PadAxis;

struct KeyCase {
  int keyCode;
  int bit;
};
constexpr KeyCase kKeyBits[] = {
    {dik::kDown, 0x1},       {dik::kNumpad2, 0x1},  {dik::kLeft, 0x2},    {dik::kNumpad4, 0x2},
    {dik::kRight, 0x4},      {dik::kNumpad6, 0x4},  {dik::kUp, 0x8},      {dik::kNumpad8, 0x8},
    {dik::kZ, 0x10},         {dik::kX, 0x20},       {dik::kC, 0x40},      {dik::kA, 0x80},
    {dik::kS, 0x100},        {dik::kD, 0x200},      {dik::kQ, 0x400},     {dik::kW, 0x800},
    {dik::kEscape, 0x1000},  {dik::kSpace, 0x2000},
};

class PadWordKeyboardTest : public InputTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    if (GetParam()) UseFallbackOnly();
    ASSERT_EQ(InitializeInput(), 0);
  }
};

TEST_P(PadWordKeyboardTest, EachKeyGivesItsBit) {
  for (const KeyCase& k : kKeyBits) {
    platform::SetKeyDown(k.keyCode, true);
    NextTick();
    EXPECT_EQ(GetPadInputBits(0x1001), k.bit) << "key " << k.keyCode;
    EXPECT_EQ(GetPadInputBits(0x1000), k.bit) << "keyboard only, key " << k.keyCode;
    EXPECT_EQ(GetPadInputBits(1), 0) << "without the keyboard flag, key " << k.keyCode;
    platform::SetKeyDown(k.keyCode, false);
  }
  NextTick();
  EXPECT_EQ(GetPadInputBits(0x1001), 0);
}

TEST_P(PadWordKeyboardTest, KeysCombine) {
  for (const KeyCase& k : kKeyBits) platform::SetKeyDown(k.keyCode, true);
  platform::SetKeyDown(dik::kB, true);  // not part of the word
  NextTick();
  EXPECT_EQ(GetPadInputBits(0x1001), 0x3FFF);
}

INSTANTIATE_TEST_SUITE_P(Paths, PadWordKeyboardTest, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Fallback" : "DirectInput"; });

// A DirectInput pad: range -1000..1000 with a 25 % dead zone.
class PadWordTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    slot_ = AttachTestPad();
    ASSERT_EQ(InitializeInput(), 0);
    ASSERT_EQ(g_Input.padCount, 1);
  }
  int Word(int request = 1) {
    NextTick();
    return GetPadInputBits(request);
  }
  int slot_ = 0;
};

TEST_F(PadWordTest, AxesPastTheDeadZoneGiveDirections) {
  struct Case {
    std::int32_t x, y;
    int bits;
  };
  const Case cases[] = {
      {0, 0, 0},          {-32768, 0, 0x2},  {32767, 0, 0x4},     {0, -32768, 0x8},   {0, 32767, 0x1},
      {-32768, 32767, 0x3}, {32767, -32768, 0xC},
      {8000, 0, 0},       {-8000, -8000, 0},  // inside the 25 % dead zone (8191)
      {8300, 0, 0x4},     {-8300, 8300, 0x3},  // just outside it
  };
  for (const Case& c : cases) {
    platform::SetPadAxis(slot_, PadAxis::X, c.x);
    platform::SetPadAxis(slot_, PadAxis::Y, c.y);
    EXPECT_EQ(Word(), c.bits) << c.x << "," << c.y;
  }
  platform::SetPadAxis(slot_, PadAxis::X, 32767);
  NextTick();
  GetPadInputBits(1);
  EXPECT_EQ(g_Input.pads[0].state.x, 1000) << "the set range";
  platform::SetPadAxis(slot_, PadAxis::X, -32768);
  NextTick();
  GetPadInputBits(1);
  EXPECT_EQ(g_Input.pads[0].state.x, -1000);
}

TEST_F(PadWordTest, ButtonNIsBit4PlusN) {
  for (int b = 0; b < 24; ++b) {
    platform::SetPadButton(slot_, b, true);
    EXPECT_EQ(Word(), 1 << (4 + b)) << "button " << b;
    platform::SetPadButton(slot_, b, false);
  }
  for (int b = 24; b < 32; ++b) {
    platform::SetPadButton(slot_, b, true);
    EXPECT_EQ(Word(), 0) << "button " << b << " is not in the word";
    platform::SetPadButton(slot_, b, false);
  }
  platform::SetPadPov(slot_, 9000);
  EXPECT_EQ(Word(), 0) << "the point-of-view hat is not in the word";
}

TEST_F(PadWordTest, KeyboardAndPadCombine) {
  platform::SetPadButton(slot_, 0, true);
  platform::SetKeyDown(dik::kZ, true);
  EXPECT_EQ(Word(0x1001), 0x10) << "Z and button 0 are one bit";
  platform::SetKeyDown(dik::kLeft, true);
  platform::SetPadAxis(slot_, PadAxis::X, 32767);
  EXPECT_EQ(Word(0x1001), 0x10 | 0x2 | 0x4) << "the keyboard may add left to a pad pushed right";
  platform::SetPadButton(slot_, 8, true);
  EXPECT_EQ(Word(0x1001) & 0x1000, 0x1000) << "button 8 shares Esc's bit";
}

TEST_F(PadWordTest, PadNumbers) {
  platform::SetPadButton(slot_, 1, true);
  platform::SetKeyDown(dik::kW, true);
  struct Case {
    int request;
    int bits;
  };
  const Case cases[] = {
      {1, 0x20},       {0x1001, 0x820}, {2, 0},      {0x1002, 0x800}, {0, 0},  {0x1000, 0x800},
      {9, 0},          {0x2001, 0},     {INT_MIN, 0}, {static_cast<int>(0x80000001u), 0},
      {INT_MAX, 0x800},  // the keyboard bit is set in it; no such pad
  };
  for (const Case& c : cases) EXPECT_EQ(Word(c.request), c.bits) << std::hex << c.request;
}

TEST_F(InputTest, NoPadsGiveOnlyKeyboardBits) {
  ASSERT_EQ(InitializeInput(), 0);
  platform::SetKeyDown(dik::kSpace, true);
  NextTick();
  EXPECT_EQ(GetPadInputBits(0x1001), 0x2000);
  EXPECT_EQ(GetPadInputBits(1), 0);
  EXPECT_EQ(GetPadInputBits(2), 0);
}

TEST_F(PadWordTest, KeyboardOnlyRequestNeverPollsAPad) {
  platform::SetPadButton(slot_, 0, true);
  const int reads = platform::GetInputDeviceCounters().padReads;
  EXPECT_EQ(Word(0x1000), 0);
  EXPECT_EQ(platform::GetInputDeviceCounters().padReads, reads);
}

TEST_F(PadWordTest, PadIsReadOncePerTickUnlessItSignalled) {
  Word();
  const int reads = platform::GetInputDeviceCounters().padReads;
  for (int i = 0; i < 5; ++i) GetPadInputBits(1);
  EXPECT_EQ(platform::GetInputDeviceCounters().padReads, reads);
  platform::SetPadButton(slot_, 3, true);
  EXPECT_EQ(GetPadInputBits(1), 0x80) << "new pad data is read within the same millisecond";
  GetPadInputBits(1);
  EXPECT_EQ(platform::GetInputDeviceCounters().padReads, reads + 1);
}

TEST_F(PadWordTest, LostPadIsAcquiredAgainBetweenMessagePasses) {
  platform::SetPadButton(slot_, 0, true);
  EXPECT_EQ(Word(), 0x10);
  platform::SetPadButton(slot_, 0, false);
  platform::SetPadButton(slot_, 1, true);
  platform::LosePadAcquisition(slot_);
  EXPECT_EQ(Word(), 0x20) << "read again after acquiring";

  // A pass that reports the end of the application stops the retry; the old state stays.
  platform::SetPadButton(slot_, 2, true);
  platform::LosePadAcquisition(slot_);
  SetMessagePassQuits(true);
  NextTick();
  EXPECT_EQ(PollPadState(0), -1);
  EXPECT_EQ(g_Input.pads[0].state.buttons[2], 0);
  EXPECT_EQ(g_Input.pads[0].state.buttons[1], 0x80);
}

TEST_F(PadWordTest, UnpluggedPadReadsCentredAndComesBack) {
  platform::SetPadButton(slot_, 5, true);
  platform::SetPadAxis(slot_, PadAxis::X, -32768);
  EXPECT_EQ(Word(), 0x200 | 0x2);
  platform::DetachPad(slot_);
  EXPECT_EQ(Word(), 0) << "no button stays held by a pad that is gone";
  platform::AttachPad({}, slot_);
  platform::SetPadButton(slot_, 6, true);
  EXPECT_EQ(Word(), 0x400) << "the pad plugged back in is read through the same device";
}

TEST_F(InputTest, PollPadStateRefusesIndexesOutOfRange) {
  ASSERT_EQ(InitializeInput(), 0);
  EXPECT_EQ(PollPadState(8), -1);
  EXPECT_EQ(PollPadState(100), -1);
  EXPECT_EQ(PollPadState(-1), -1);
  EXPECT_EQ(PollPadState(7), 0) << "a slot without a pad reads nothing";
}

// The fallback maps the joystick functions' 0..65535 axes itself.
TEST_F(InputTest, FallbackAxisMapping) {
  UseFallbackOnly();
  const int slot = AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  struct Case {
    std::uint32_t raw;
    std::int32_t mapped;
  };
  const Case cases[] = {
      {0, -1000},  {1, -999},    {10000, -593}, {24575, 0},   {24576, 0},   {30000, 0},  {32767, 0},
      {40960, 0},  {40961, 0},   {50000, 367},  {65534, 999}, {65535, 1000},
  };
  for (const Case& c : cases) {
    for (PadAxis axis : {PadAxis::X, PadAxis::Y, PadAxis::Z, PadAxis::Rz})
      platform::SetPadAxis(slot, axis, static_cast<std::int32_t>(c.raw) - 32768);
    NextTick();
    ASSERT_EQ(PollPadState(0), 0);
    EXPECT_EQ(g_Input.pads[0].state.x, c.mapped) << c.raw;
    EXPECT_EQ(g_Input.pads[0].state.y, c.mapped) << c.raw;
    EXPECT_EQ(g_Input.pads[0].state.z, c.mapped) << c.raw;
    EXPECT_EQ(g_Input.pads[0].state.rz, c.mapped) << c.raw;
  }
}

TEST_F(InputTest, FallbackPadWord) {
  UseFallbackOnly();
  platform::PadDescription noZ;
  noZ.hasZ = false;
  const int slot = AttachTestPad(noZ);
  ASSERT_EQ(InitializeInput(), 0);
  platform::SetPadAxis(slot, PadAxis::X, 10000 - 32768);
  platform::SetPadAxis(slot, PadAxis::Z, 32767);
  platform::SetPadButton(slot, 23, true);
  platform::SetPadButton(slot, 24, true);
  NextTick();
  EXPECT_EQ(GetPadInputBits(1), 0x2 | (1 << 27)) << "raw 10000 is left; button 24 is outside the word";
  EXPECT_EQ(g_Input.pads[0].state.z, 0) << "Z and R only when the joystick has both";

  platform::RemovePad(slot);
  NextTick();
  EXPECT_EQ(GetPadInputBits(1), 0) << "a failed read clears the state";
  EXPECT_EQ(g_Input.pads[0].state.x, 0);
}

TEST_F(InputTest, FallbackPadIsReadOncePerTick) {
  UseFallbackOnly();
  const int slot = AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  NextTick();
  GetPadInputBits(1);
  const int reads = platform::GetInputDeviceCounters().joyReads;
  platform::SetPadButton(slot, 0, true);
  EXPECT_EQ(GetPadInputBits(1), 0);
  EXPECT_EQ(platform::GetInputDeviceCounters().joyReads, reads);
  NextTick();
  EXPECT_EQ(GetPadInputBits(1), 0x10);
}

}  // namespace
