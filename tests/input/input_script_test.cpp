// Scripted headless input reaching the engine's queries frame by frame.
#include "engine/core/public_api.h"
#include "platform/input/headless_input_script.h"
#include "tests/input/input_fixture.h"

namespace {

namespace dik = platform::dik;
using platform::headless::InputFrame;
using platform::headless::ScriptedPad;

TEST_F(InputTest, ScriptedFramesReachTheQueries) {
  const int slot = AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  ScriptedPad rightAndButton2;
  rightAndButton2.slot = slot;
  rightAndButton2.axes[0] = 32767;
  rightAndButton2.buttons = 1u << 2;
  ScriptedPad centred;
  centred.slot = slot;
  platform::headless::SetInputScript({
      InputFrame{{dik::kLeft, dik::kZ}, {}},
      InputFrame{{dik::kEscape}, {rightAndButton2}},
      InputFrame{{}, {centred}},
  });
  struct Expect {
    int escape, left, word;
  };
  const Expect expected[] = {{0, 1, 0x2 | 0x10}, {1, 0, 0x1000 | 0x4 | 0x40}, {0, 0, 0}};
  for (const Expect& e : expected) {
    ASSERT_TRUE(platform::headless::StepInputScript());
    NextTick();
    EXPECT_EQ(IsKeyDown(dik::kEscape), e.escape) << platform::headless::InputScriptPosition();
    EXPECT_EQ(IsKeyDown(dik::kLeft), e.left) << platform::headless::InputScriptPosition();
    EXPECT_EQ(GetPadInputBits(0x1001), e.word) << platform::headless::InputScriptPosition();
  }
  EXPECT_FALSE(platform::headless::StepInputScript()) << "the script has ended";
  EXPECT_EQ(platform::headless::InputScriptPosition(), 3);
  platform::headless::ClearInputScript();
}

}  // namespace
