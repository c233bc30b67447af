// Input start-up: the DirectInput 7, DirectInput 8 and multimedia-joystick paths, pad set-up and its failures,
// shut-down and the lazy restart.
#include <cstring>
#include <string>

#include <gmock/gmock.h>

#include "engine/core/log.h"
#include "engine/core/public_api.h"
#include "platform/base/debug_output.h"
#include "platform/files/path.h"
#include "tests/input/input_fixture.h"

namespace {

using platform::DirectInputAvailability;

TEST_F(InputTest, DirectInput7IsUsedWhenAvailable) {
  AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  ASSERT_NE(g_Input.directInput, nullptr);
  EXPECT_FALSE(InputUsesFallback());
  EXPECT_EQ(g_Input.directInput->Version(), 7);
  EXPECT_EQ(g_Input.directInput8, 0);
  EXPECT_EQ(g_Input.noDirectInput, 0);
  EXPECT_NE(g_Input.keyboard, nullptr);
  EXPECT_NE(g_Input.mouse, nullptr);
  EXPECT_NE(g_Input.keyboardEvent, nullptr);
  EXPECT_EQ(g_Input.padCount, 1);
  EXPECT_NE(g_Input.pads[0].periodicEffect, nullptr);
  EXPECT_NE(g_Input.pads[0].constantEffect, nullptr);
  EXPECT_EQ(g_Input.pads[0].vibrationPower, 10000);
  EXPECT_EQ(InitializeInput(), 0) << "a second start-up returns at once";
  EXPECT_EQ(g_Input.padCount, 1);
}

TEST_F(InputTest, FallsBackToDirectInput8WhenVersion7IsMissing) {
  // A DirectInput-8-only system: the devices must come from the version-8 creation call, which the version-7
  // object refuses (and the reverse), so a wrong call shows as a missing keyboard or pad.
  for (DirectInputAvailability how : {DirectInputAvailability::CreateFails, DirectInputAvailability::InitializeFails}) {
    ResetInput();
    platform::SetDirectInputAvailability(7, how);
    AttachTestPad();
    ASSERT_EQ(InitializeInput(), 0);
    ASSERT_FALSE(InputUsesFallback());
    EXPECT_EQ(g_Input.directInput->Version(), 8);
    EXPECT_EQ(g_Input.directInput8, 1);
    EXPECT_NE(g_Input.keyboard, nullptr);
    EXPECT_EQ(g_Input.padCount, 1);
  }
}

TEST_F(InputTest, FallsBackToJoystickFunctionsWithoutDirectInput) {
  platform::SetDirectInputAvailability(7, DirectInputAvailability::CreateFails);
  platform::SetDirectInputAvailability(8, DirectInputAvailability::InitializeFails);
  AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  EXPECT_TRUE(InputUsesFallback());
  EXPECT_EQ(g_Input.noDirectInput, 1);
  EXPECT_EQ(g_Input.padCount, 1);
  EXPECT_EQ(g_Input.keyboard, nullptr);
  EXPECT_EQ(platform::GetInputDeviceCounters().openDevices, 0);

  // The flag survives a restart: even with DirectInput back, the next start-up goes straight to the fallback.
  TerminateInput();
  platform::SetDirectInputAvailability(7, DirectInputAvailability::Available);
  platform::SetDirectInputAvailability(8, DirectInputAvailability::Available);
  ASSERT_EQ(InitializeInput(), 0);
  EXPECT_TRUE(InputUsesFallback());
}

TEST_F(InputTest, FallbackCountsJoysticksUpToTheFirstMissingId) {
  UseFallbackOnly();
  platform::PadDescription noR;
  noR.hasR = false;
  AttachTestPad({}, 0);
  AttachTestPad(noR, 1);
  AttachTestPad({}, 3);
  ASSERT_EQ(InitializeInput(), 0);
  EXPECT_EQ(g_Input.padCount, 2);
  EXPECT_EQ(g_Input.pads[0].hasZAndR, 1);
  EXPECT_EQ(g_Input.pads[1].hasZAndR, 0);
}

TEST_F(InputTest, EnumerationStopsAtEightPads) {
  for (int i = 0; i < 9; ++i) AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  EXPECT_EQ(g_Input.padCount, 8);
  for (int i = 0; i < 8; ++i) EXPECT_NE(g_Input.pads[i].device, nullptr) << i;
  EXPECT_EQ(platform::GetInputDeviceCounters().openDevices, 8 + 2);  // pads, keyboard, mouse
}

TEST_F(InputTest, PadSetUpFailuresSkipOnlyThatPad) {
  // Each failing pad sits in slot 0; the good pad behind it must take pad slot 0 and no device may leak.
  const std::uint32_t faults[] = {
      platform::kPadFaultCreate,      platform::kPadFaultDataFormat, platform::kPadFaultCooperative,
      platform::kPadFaultRangeX,      platform::kPadFaultRangeY,     platform::kPadFaultDeadZoneX,
      platform::kPadFaultDeadZoneY,   platform::kPadFaultEvent,
  };
  for (std::uint32_t fault : faults) {
    ResetInput();
    platform::PadDescription bad;
    bad.faults = fault;
    bad.instanceName = "bad";
    AttachTestPad(bad);
    platform::PadDescription good;
    good.instanceName = "good";
    const int goodSlot = AttachTestPad(good);
    ASSERT_EQ(InitializeInput(), 0) << "fault " << fault;
    ASSERT_EQ(g_Input.padCount, 1) << "fault " << fault;
    platform::InputDeviceInstance info{};
    g_Input.pads[0].device->GetDeviceInfo(&info);
    EXPECT_EQ(info.instance, platform::kPadDeviceBase + static_cast<unsigned>(goodSlot)) << "fault " << fault;
    EXPECT_EQ(platform::GetInputDeviceCounters().openDevices, 1 + 2) << "fault " << fault;
    EXPECT_EQ(platform::GetInputDeviceCounters().openEffects, 2) << "fault " << fault;
  }
}

TEST_F(InputTest, PadWithoutEffectsStillWorks) {
  struct Case {
    const char* name;
    platform::PadDescription description;
    bool periodic, constant;
  };
  platform::PadDescription noFeedback;
  noFeedback.forceFeedback = false;
  platform::PadDescription noSine;
  noSine.faults = platform::kPadFaultSineEffect;
  platform::PadDescription noConstant;
  noConstant.faults = platform::kPadFaultConstantEffect;
  const Case cases[] = {{"no force feedback", noFeedback, false, false},
                        {"sine fails", noSine, false, true},
                        {"constant fails", noConstant, true, false}};
  for (const Case& c : cases) {
    ResetInput();
    const int slot = AttachTestPad(c.description);
    ASSERT_EQ(InitializeInput(), 0) << c.name;
    ASSERT_EQ(g_Input.padCount, 1) << c.name;
    EXPECT_EQ(g_Input.pads[0].periodicEffect != nullptr, c.periodic) << c.name;
    EXPECT_EQ(g_Input.pads[0].constantEffect != nullptr, c.constant) << c.name;
    platform::SetPadButton(slot, 2, true);
    NextTick();
    EXPECT_EQ(GetPadInputBitsBody(1), 0x40) << c.name;
  }
}

TEST_F(InputTest, KeyboardEventFailureStillGivesAWorkingKeyboard) {
  platform::SetSystemDeviceFaults(platform::kSysKeyboard, platform::kSysFaultEvent | platform::kSysFaultBufferSize);
  ASSERT_EQ(InitializeInput(), 0);
  EXPECT_EQ(g_Input.keyboardEvent, nullptr);
  platform::SetKeyDown(platform::dik::kA, true);
  NextTick();
  EXPECT_EQ(IsKeyDownBody(platform::dik::kA), 1);
}

TEST_F(InputTest, KeyboardAcquireIsTriedTwice) {
  platform::FailKeyboardAcquire(1);
  ASSERT_EQ(InitializeInput(), 0);
  platform::SetKeyDown(platform::dik::kEscape, true);
  NextTick();
  EXPECT_EQ(IsKeyDownBody(platform::dik::kEscape), 1);
}

TEST_F(InputTest, TerminateReleasesEverythingAndTheNextQueryRestarts) {
  AttachTestPad();
  AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  EXPECT_EQ(platform::GetInputDeviceCounters().openDevices, 4);
  EXPECT_EQ(TerminateInput(), 0);
  EXPECT_EQ(g_Input.directInput, nullptr);
  EXPECT_EQ(platform::GetInputDeviceCounters().openDevices, 0);
  EXPECT_EQ(platform::GetInputDeviceCounters().openEffects, 0);
  EXPECT_EQ(TerminateInput(), 0) << "terminating twice is harmless";

  platform::SetKeyDown(platform::dik::kEscape, true);
  EXPECT_EQ(IsKeyDown(platform::dik::kEscape), 0) << "the restarting query returns the start-up's result";
  EXPECT_NE(g_Input.directInput, nullptr);
  NextTick();
  EXPECT_EQ(IsKeyDown(platform::dik::kEscape), 1);
}

TEST_F(InputTest, NoRestartOnceTheWindowIsClosing) {
  SetCloseRequested(true);
  platform::SetKeyDown(platform::dik::kEscape, true);
  EXPECT_EQ(IsKeyDownBody(platform::dik::kEscape), 0);
  EXPECT_EQ(GetPadInputBitsBody(0x1001), 0);
  EXPECT_EQ(g_Input.directInput, nullptr);
}

TEST_F(InputTest, ReacquireBringsBackALostKeyboardAndPad) {
  const int slot = AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  platform::SetKeyDown(platform::dik::kZ, true);
  platform::SetPadButton(slot, 0, true);
  g_Input.keyboard->Unacquire();
  g_Input.pads[0].device->Unacquire();
  EXPECT_EQ(ReacquireInputDevices(), 0);
  std::uint8_t keys[256];
  EXPECT_EQ(g_Input.keyboard->GetDeviceState(256, keys), platform::kDiOk);
  platform::JoystickState state;
  EXPECT_EQ(g_Input.pads[0].device->GetDeviceState(sizeof state, &state), platform::kDiOk);
}

TEST_F(InputTest, UserFlags) {
  SetInputUserFlag1();
  SetInputUserFlag2();
  EXPECT_EQ(g_Input.userFlag1, 1);
  EXPECT_EQ(g_Input.userFlag2, 1);
  ClearInputUserFlag1();
  EXPECT_EQ(g_Input.userFlag1, 0);
  EXPECT_EQ(g_Input.userFlag2, 1);
  ClearInputUserFlag2();
  EXPECT_EQ(g_Input.userFlag2, 0);
}

// The start-up log, read back through the debugger output.
class InputLogTest : public InputTest {
 protected:
  // With the user-window setting the log goes only to the debugger output, which the test reads.
  void SetUp() override {
    InputTest::SetUp();
    g_System.logOff = 0;
    g_System.userWindowMode = 1;
    platform::SetDebugOutputSink([this](std::string_view text) {
      for (char c : platform::Cp932ToUtf8(text))
        if (c != '\r') log_ += c;
    });
  }
  void TearDown() override {
    platform::SetDebugOutputSink({});
    g_System.logOff = 1;
    g_System.userWindowMode = 0;
    InputTest::TearDown();
  }

  // True when the texts appear in the log in this order.
  bool LogHasInOrder(std::initializer_list<const char*> texts) const {
    std::size_t at = 0;
    for (const char* t : texts) {
      const std::string text = platform::Cp932ToUtf8(t);  // the literals are compiled to CP932
      at = log_.find(text, at);
      if (at == std::string::npos) return false;
      at += text.size();
    }
    return true;
  }

  std::string log_;
};

TEST_F(InputLogTest, DirectInputStartUpLog) {
  platform::PadDescription pad;
  pad.instanceName = "Pad One";
  pad.productName = "Product One";
  AttachTestPad(pad);
  ASSERT_EQ(InitializeInput(), 0);
  TerminateInput();
  EXPECT_TRUE(LogHasInOrder({"DirectInput関係初期化処理\n", "DirectInput7 の取得中... ", "成功\n",
                             "引き続き初期化処理... ", "初期化成功\n", "ジョイパッドの初期化... \n",
                             "入力装置を見つけました\n", "デバイスの登録名:Pad One\n",
                             "デバイスの製品登録名:Product One\n", "ジョイパッドの追加は正常に終了しました\n",
                             "ジョイパッドの初期化は正常に終了しました\n", "マウスデバイスの初期化... 初期化成功\n",
                             "キーボードデバイスの初期化... 初期化成功\n",
                             "DirectInput 関連の初期化は正常に終了しました\n",
                             "DirectInput 関連の終了処理... 完了\n"}))
      << log_;
  EXPECT_EQ(g_System.logIndent, 0) << "indentation is balanced";
}

TEST_F(InputLogTest, FallbackStartUpLog) {
  platform::SetDirectInputAvailability(7, DirectInputAvailability::CreateFails);
  platform::SetDirectInputAvailability(8, DirectInputAvailability::InitializeFails);
  AttachTestPad();
  ASSERT_EQ(InitializeInput(), 0);
  TerminateInput();
  EXPECT_TRUE(LogHasInOrder({"DirectInput7 の取得中... ", "取得に失敗。\n", "エラーコード 0x80040154\n",
                             "DirectInput8 の取得を試みます...", "成功\n", "初期化に失敗。",
                             "DirectInput を使用しません。\n", "パッドの数は 1 個です\n",
                             "入力関連の初期化をしました\n", "入力関連の終了処理... 完了\n"}))
      << log_;
  EXPECT_EQ(g_System.logIndent, 0) << "indentation is balanced";
}

TEST_F(InputLogTest, PadSetUpFailureMessages) {
  struct Case {
    std::uint32_t fault;
    const char* message;
  };
  const Case cases[] = {
      {platform::kPadFaultCreate, "入力装置の取得に失敗しました\n"},
      {platform::kPadFaultDataFormat, "ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n"},
      {platform::kPadFaultCooperative, "ジョイパッドデバイスの協調レベルの設定に失敗しました\n"},
      {platform::kPadFaultRangeX, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n"},
      {platform::kPadFaultRangeY, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n"},
      {platform::kPadFaultDeadZoneX, "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n"},
      {platform::kPadFaultDeadZoneY, "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n"},
      {platform::kPadFaultConstantEffect, "周期的エフェクトの作成に失敗しました。\n"},
      {platform::kPadFaultEvent, "ジョイパッドイベントのセットアップが失敗しました\n"},
  };
  for (const Case& c : cases) {
    ResetInput();
    log_.clear();
    platform::PadDescription pad;
    pad.faults = c.fault;
    AttachTestPad(pad);
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_NE(log_.find(platform::Cp932ToUtf8(c.message)), std::string::npos) << platform::Cp932ToUtf8(c.message);
  }
}

using InputDeathTest = InputTest;

TEST_F(InputDeathTest, SystemDeviceFailuresEndTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    platform::InputDeviceId device;
    std::uint32_t fault;
    int acquireFailures;
    const char* message;
  };
  const Case cases[] = {
      {platform::kSysMouse, platform::kSysFaultCreate, 0, "マウスデバイスの取得に失敗しました"},
      {platform::kSysMouse, platform::kSysFaultDataFormat, 0, "マウスデバイスのデータ形式の設定に失敗しました"},
      {platform::kSysMouse, platform::kSysFaultCooperative, 0, "マウスデバイスの協調レベルの設定に失敗しました"},
      {platform::kSysKeyboard, platform::kSysFaultCreate, 0, "キーボードデバイスの取得に失敗しました"},
      {platform::kSysKeyboard, platform::kSysFaultDataFormat, 0,
       "キーボードデバイスのデータ形式の設定に失敗しました"},
      {platform::kSysKeyboard, platform::kSysFaultCooperative, 0,
       "キーボードデバイスの協調レベルの設定に失敗しました"},
      {platform::kSysKeyboard, 0, 2, "キーボードデバイスの取得に失敗しました"},
  };
  for (const Case& c : cases) {
    ResetInput();
    platform::SetSystemDeviceFaults(c.device, c.fault);
    platform::FailKeyboardAcquire(c.acquireFailures);
    EXPECT_EXIT(
        {
          platform::SetDebugOutputSink([](std::string_view text) {
            const std::string utf8 = platform::Cp932ToUtf8(text);
            fputs(utf8.c_str(), stderr);
          });
          g_System.logOff = 0;
          g_System.userWindowMode = 1;
          InitializeInput();
        },
        ::testing::ExitedWithCode(255), ::testing::HasSubstr(platform::Cp932ToUtf8(c.message)));
  }
}

}  // namespace
