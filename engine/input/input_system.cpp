// Input start-up, shut-down and device re-acquisition.
#include <cstdio>
#include <cstring>

#include "engine/core/log.h"
#include "engine/input/input.h"
#include "engine/input/input_window_link.h"
#include "platform/base/clock.h"

InputSystemRecord g_Input{};

namespace {

using platform::InputResult;
using platform::InputSucceeded;

InputResult CreateInputDevice(platform::InputDeviceId id, platform::InputDevice** device) {
  if (g_Input.directInput8) return g_Input.directInput->CreateDevice(id, device);
  return g_Input.directInput->CreateDeviceEx(id, device);
}

bool EventSetUp(InputResult r) { return r == platform::kDiOk || r == platform::kDiPolledDevice; }

[[noreturn]] void FailSystemDevice(platform::InputDevice* device, const char* message) {
  if (device) device->Release();
  InputFatalExit(message);
}

void SetUpMouse() {
  WriteLog("マウスデバイスの初期化... ");
  platform::InputDevice* mouse = nullptr;
  if (!InputSucceeded(CreateInputDevice(platform::kSysMouse, &mouse)))
    FailSystemDevice(nullptr, "マウスデバイスの取得に失敗しました");
  if (!InputSucceeded(mouse->SetDataFormat(platform::InputDataFormat::Mouse2)))
    FailSystemDevice(mouse, "マウスデバイスのデータ形式の設定に失敗しました");
  if (!InputSucceeded(
          mouse->SetCooperativeLevel(InputMainWindow(), platform::kCoopNonExclusive | platform::kCoopBackground)))
    FailSystemDevice(mouse, "マウスデバイスの協調レベルの設定に失敗しました");
  g_Input.mouse = mouse;
  WriteLog("初期化成功\n");
}

void SetUpKeyboard() {
  g_Input.lastKeyboardPoll = platform::MillisecondClock();
  WriteLog("キーボードデバイスの初期化... ");
  platform::InputDevice* keyboard = nullptr;
  if (!InputSucceeded(CreateInputDevice(platform::kSysKeyboard, &keyboard)))
    FailSystemDevice(nullptr, "キーボードデバイスの取得に失敗しました");
  if (!InputSucceeded(keyboard->SetDataFormat(platform::InputDataFormat::Keyboard)))
    FailSystemDevice(keyboard, "キーボードデバイスのデータ形式の設定に失敗しました");
  if (!InputSucceeded(
          keyboard->SetCooperativeLevel(InputMainWindow(), platform::kCoopNonExclusive | platform::kCoopBackground)))
    FailSystemDevice(keyboard, "キーボードデバイスの協調レベルの設定に失敗しました");
  if (!InputSucceeded(keyboard->SetBufferSize(100))) WriteLog("キーボードのプロパティ設定に失敗しました\n");
  auto* event = new platform::Event;
  if (!EventSetUp(keyboard->SetEventNotification(event))) {
    // Without its event the keyboard is still read, once per millisecond tick, so start-up goes on.
    WriteLog("キーボードイベントのセットアップが失敗しました\n");
    keyboard->SetEventNotification(nullptr);
    delete event;
    event = nullptr;
  }
  g_Input.keyboard = keyboard;
  g_Input.keyboardEvent = event;
  if (!InputSucceeded(keyboard->Acquire()) && !InputSucceeded(keyboard->Acquire()))
    InputFatalExit("キーボードデバイスの取得に失敗しました");
  WriteLog("初期化成功\n");
  g_Input.lastKeyboardPoll = platform::MillisecondClock();
}

// Tries one DirectInput version; true when the object is created and initialised.
bool TryDirectInput(int version) {
  platform::DirectInputObject* object = nullptr;
  InputResult r = platform::CreateDirectInput(version, &object);
  if (!InputSucceeded(r)) {
    if (version == 7) {
      WriteLog("取得に失敗。\n");
      char text[64];
      std::snprintf(text, sizeof text, "エラーコード 0x%x\n", static_cast<unsigned>(r));
      WriteLog(text);
    } else {
      WriteLog("取得に失敗。");
    }
    return false;
  }
  WriteLog("成功\n");
  IncreaseLogIndent();
  WriteLog("引き続き初期化処理... ");
  if (!InputSucceeded(object->Initialize(version * 0x100))) {
    WriteLog("初期化に失敗。");
    DecreaseLogIndent();
    object->Release();
    g_Input.directInput = nullptr;
    return false;
  }
  WriteLog("初期化成功\n");
  DecreaseLogIndent();
  g_Input.directInput = object;
  g_Input.directInput8 = version == 8 ? 1 : 0;
  return true;
}

int StartFallbackInput() {
  IncreaseLogIndent();
  int count = 0;
  for (std::uint32_t id = 0; id < kMaxJoypads; ++id) {
    platform::JoyCaps caps{};
    if (platform::JoyGetDevCaps(id, &caps) != platform::kJoyNoError) break;
    g_Input.pads[count].hasZAndR =
        (caps.caps & platform::kJoyCapsHasZ) && (caps.caps & platform::kJoyCapsHasR) ? 1 : 0;
    ++count;
  }
  g_Input.padCount = count;
  char text[64];
  std::snprintf(text, sizeof text, "パッドの数は %d 個です\n", count);
  WriteLog(text);
  DecreaseLogIndent();
  g_Input.directInput = InputFallbackMarker();
  WriteLog("入力関連の初期化をしました\n");
  return 0;
}

void ReleasePad(JoypadRecord& pad) {
  if (pad.device) {
    pad.device->Unacquire();
    pad.device->SetEventNotification(nullptr);
  }
  for (platform::InputEffect** effect : {&pad.constantEffect, &pad.periodicEffect}) {
    if (*effect == nullptr) continue;
    (*effect)->Stop();
    (*effect)->Release();
    *effect = nullptr;
  }
  if (pad.device) pad.device->Release();
  pad.device = nullptr;
  delete pad.event;
  pad.event = nullptr;
}

platform::EffectParams PadEffectParams(platform::EffectKind kind) {
  platform::EffectParams p{};
  p.kind = kind;
  p.axes[0] = platform::kAxisOffsetX;
  p.axes[1] = platform::kAxisOffsetY;
  p.directions[0] = p.directions[1] = 0;
  p.durationUs = platform::kEffectInfinite;
  p.gain = 10000;
  p.triggerButton = platform::kEffectNoTrigger;
  p.startDelayUs = 0;
  p.magnitude = 10000;
  if (kind == platform::EffectKind::Sine) {
    p.polar = true;
    p.offset = 0;
    p.phase = 0;
    p.periodUs = 1500000;
    p.envelope = true;
    p.attackLevel = 0;
    p.attackTimeUs = 500000;
    p.fadeLevel = 0;
    p.fadeTimeUs = 1000000;
  }
  return p;
}

}  // namespace

int InitializeInput() {
  if (g_Input.directInput != nullptr) return 0;
  const int noDirectInput = g_Input.noDirectInput;
  std::memset(&g_Input, 0, sizeof g_Input);
  g_Input.noDirectInput = noDirectInput;
  if (noDirectInput == 1) return StartFallbackInput();

  WriteLog("DirectInput関係初期化処理\n");
  IncreaseLogIndent();
  WriteLog("DirectInput7 の取得中... ");
  bool haveDirectInput = TryDirectInput(7);
  if (!haveDirectInput) {
    WriteLog("DirectInput8 の取得を試みます...");
    haveDirectInput = TryDirectInput(8);
  }
  if (!haveDirectInput) {
    WriteLog("DirectInput を使用しません。\n");
    DecreaseLogIndent();
    g_Input.directInput = nullptr;
    g_Input.noDirectInput = 1;
    return StartFallbackInput();
  }

  InputBringWindowToTop();
  InputMessagePass();
  WriteLog("ジョイパッドの初期化... \n");
  g_Input.padCount = 0;
  g_Input.directInput->EnumDevices(platform::kDeviceTypeGameController, AddPadDevice, nullptr,
                                   platform::kEnumAttachedOnly);
  WriteLog("ジョイパッドの初期化は正常に終了しました\n");
  SetUpMouse();
  SetUpKeyboard();
  DecreaseLogIndent();
  WriteLog("DirectInput 関連の初期化は正常に終了しました\n");
  return 0;
}

int AddPadDevice(const platform::InputDeviceInstance* instance, void*) {
  if (g_Input.padCount >= kMaxJoypads) return platform::kEnumStop;
  WriteLog("入力装置を見つけました\n");
  platform::InputDevice* device = nullptr;
  if (!InputSucceeded(CreateInputDevice(instance->instance, &device))) {
    WriteLog("入力装置の取得に失敗しました\n");
    return platform::kEnumContinue;
  }
  platform::InputDeviceInstance info{};
  device->GetDeviceInfo(&info);
  IncreaseLogIndent();
  LogPrintf("デバイスの登録名:%s", info.instanceName);
  LogPrintf("デバイスの製品登録名:%s", info.productName);
  DecreaseLogIndent();

  auto fail = [&](const char* message) {
    device->Release();
    WriteLog(message);
    return platform::kEnumContinue;
  };
  if (!InputSucceeded(device->SetDataFormat(platform::InputDataFormat::Joystick)))
    return fail("ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n");
  if (!InputSucceeded(
          device->SetCooperativeLevel(InputMainWindow(), platform::kCoopExclusive | platform::kCoopForeground)))
    return fail("ジョイパッドデバイスの協調レベルの設定に失敗しました\n");
  if (!InputSucceeded(device->SetAxisRange(platform::kAxisOffsetX, -1000, 1000)))
    return fail("ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n");
  if (!InputSucceeded(device->SetAxisRange(platform::kAxisOffsetY, -1000, 1000)))
    return fail("ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n");
  device->SetAxisRange(platform::kAxisOffsetZ, -1000, 1000);
  device->SetAxisRange(platform::kAxisOffsetRz, -1000, 1000);
  if (!InputSucceeded(device->SetAxisDeadZone(platform::kAxisOffsetX, 2500)))
    return fail("ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n");
  if (!InputSucceeded(device->SetAxisDeadZone(platform::kAxisOffsetY, 2500)))
    return fail("ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n");
  device->SetAxisDeadZone(platform::kAxisOffsetZ, 2500);
  device->SetAxisDeadZone(platform::kAxisOffsetRz, 2500);

  JoypadRecord& pad = g_Input.pads[g_Input.padCount];
  pad.periodicEffect = nullptr;
  pad.constantEffect = nullptr;
  if (!InputSucceeded(device->CreateEffect(PadEffectParams(platform::EffectKind::Sine), &pad.periodicEffect)))
    pad.periodicEffect = nullptr;
  if (!InputSucceeded(
          device->CreateEffect(PadEffectParams(platform::EffectKind::ConstantForce), &pad.constantEffect))) {
    pad.constantEffect = nullptr;
    WriteLog("周期的エフェクトの作成に失敗しました。\n");
  }
  pad.vibrationOn = 0;
  pad.vibrationPower = 10000;
  pad.constantEffectRunning = 0;
  pad.periodicEffectRunning = 0;

  pad.device = device;
  pad.event = new platform::Event;
  if (!EventSetUp(device->SetEventNotification(pad.event))) {
    WriteLog("ジョイパッドイベントのセットアップが失敗しました\n");
    ReleasePad(pad);
    pad = JoypadRecord{};
    return platform::kEnumContinue;
  }
  device->Acquire();
  std::memset(&pad.state, 0, sizeof pad.state);
  ++g_Input.padCount;
  WriteLog("ジョイパッドの追加は正常に終了しました\n");
  return g_Input.padCount < kMaxJoypads ? platform::kEnumContinue : platform::kEnumStop;
}

int TerminateInput() {
  if (g_Input.directInput == nullptr) return 0;
  if (InputUsesFallback()) {
    WriteLog("入力関連の終了処理... 完了\n");
    g_Input.directInput = nullptr;
    g_Input.padCount = 0;
    return 0;
  }
  WriteLog("DirectInput 関連の終了処理... 完了\n");
  for (int i = 0; i < g_Input.padCount; ++i) ReleasePad(g_Input.pads[i]);
  g_Input.padCount = 0;
  if (g_Input.keyboard) {
    g_Input.keyboard->Unacquire();
    g_Input.keyboard->Release();
    g_Input.keyboard = nullptr;
  }
  delete g_Input.keyboardEvent;
  g_Input.keyboardEvent = nullptr;
  if (g_Input.mouse) {
    g_Input.mouse->Unacquire();
    g_Input.mouse->Release();
    g_Input.mouse = nullptr;
  }
  g_Input.directInput->Release();
  g_Input.directInput = nullptr;
  return 0;
}

int ReacquireInputDevices() {
  if (g_Input.directInput == nullptr || InputUsesFallback()) return 0;
  for (int i = 0; i < g_Input.padCount; ++i) {
    if (!g_Input.pads[i].device) continue;
    g_Input.pads[i].device->Unacquire();
    g_Input.pads[i].device->Acquire();
  }
  if (g_Input.keyboard) {
    g_Input.keyboard->Unacquire();
    g_Input.keyboard->Acquire();
  }
  return 0;
}

int SetInputUserFlag1() {
  g_Input.userFlag1 = 1;
  return 0;
}
int ClearInputUserFlag1() {
  g_Input.userFlag1 = 0;
  return 0;
}
int SetInputUserFlag2() {
  g_Input.userFlag2 = 1;
  return 0;
}
int ClearInputUserFlag2() {
  g_Input.userFlag2 = 0;
  return 0;
}
