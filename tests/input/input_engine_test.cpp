// Input inside a running headless engine: started by StartEngine, fed by scripted frames, vibration timed by the
// message passes, released by EndEngine.
#include "../engine_start/engine_fixture.h"
#include "engine/core/api_lock.h"
#include "engine/input/input.h"
#include "platform/input/headless_input_script.h"
#include "platform/input/input.h"

namespace engine_test {
namespace {

namespace dik = platform::dik;

class InputEngine : public HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    platform::ResetInputDevices();
    platform::ClearRumbleChanges();
    platform::headless::ClearInputScript();
    slot_ = platform::AttachPad({});
    ASSERT_GE(slot_, 0);
    ASSERT_EQ(StartEngine(), 0);
  }
  void TearDown() override {
    HeadlessEngine::TearDown();
    EXPECT_EQ(platform::GetInputDeviceCounters().openDevices, 0) << "EndEngine releases every device";
    EXPECT_EQ(platform::GetInputDeviceCounters().openEffects, 0);
    platform::headless::ClearInputScript();
    platform::ResetInputDevices();
  }
  int slot_ = -1;
};

TEST_F(InputEngine, StartEngineStartsInputThroughDirectInput) {
  {
    ApiLockGuard lock;
    ASSERT_NE(g_Input.directInput, nullptr);
    EXPECT_FALSE(InputUsesFallback());
    EXPECT_EQ(g_Input.padCount, 1);
    EXPECT_NE(g_Input.keyboard, nullptr);
  }
  const std::vector<std::string> lines = Lines();
  const int begin = FindLine(lines, "DirectInput関係初期化処理");
  const int end = FindLine(lines, "DirectInput 関連の初期化は正常に終了しました");
  EXPECT_GE(begin, 0);
  EXPECT_GT(end, begin);
  EXPECT_EQ(EndEngine(), 0);
  EXPECT_GE(FindLine(Lines(), "DirectInput 関連の終了処理... 完了"), 0);
  EXPECT_EQ(g_Input.directInput, nullptr);
}

TEST_F(InputEngine, ScriptedFramesReachTheGameThroughProcessMessage) {
  platform::headless::ScriptedPad pushedUp;
  pushedUp.slot = slot_;
  pushedUp.axes[1] = -32768;
  platform::headless::ScriptedPad centred;
  centred.slot = slot_;
  platform::headless::SetInputScript({
      {{dik::kX}, {}},
      {{dik::kX, dik::kEscape}, {pushedUp}},
      {{}, {centred}},
  });
  struct Expect {
    int x, escape, word;
  };
  for (const Expect& e : {Expect{1, 0, 0x20}, Expect{1, 1, 0x20 | 0x1000 | 0x8}, Expect{0, 0, 0}}) {
    ASSERT_TRUE(platform::headless::StepInputScript());
    ASSERT_EQ(ProcessMessage(), 0);
    EXPECT_EQ(IsKeyDown(dik::kX), e.x);
    EXPECT_EQ(IsKeyDown(dik::kEscape), e.escape);
    EXPECT_EQ(GetPadInputBits(0x1001), e.word);
  }
}

TEST_F(InputEngine, MessagePassesEndAVibrationOnItsTimer) {
  {
    ApiLockGuard lock;
    StartPadVibrationBody(1, 10000, 100);
    EXPECT_EQ(g_Input.pads[0].vibrationOn, 1);
  }
  const std::uint32_t start = platform::MillisecondClock();
  for (int i = 0; i < 100 && platform::MillisecondClock() - start < 300; ++i) {
    ASSERT_EQ(WaitPumpingMessagesEntry(20), 0);
    ApiLockGuard lock;
    if (g_Input.pads[0].vibrationOn == 0) break;
  }
  ApiLockGuard lock;
  EXPECT_EQ(g_Input.pads[0].vibrationOn, 0);
  const auto changes = platform::GetRumbleChanges();
  ASSERT_GE(changes.size(), 2u);
  EXPECT_EQ(changes.back().low, 0);
  EXPECT_EQ(changes.back().high, 0);
  const std::uint32_t ran = changes.back().timeMs - changes.front().timeMs;
  EXPECT_GE(ran, 100u);
  EXPECT_LT(ran, 150u) << "stopped by the first passes after the duration";
}

}  // namespace
}  // namespace engine_test
