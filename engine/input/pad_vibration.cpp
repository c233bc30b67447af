// Pad vibration: the vibration state of each pad drives its two force-feedback effects; a timer ends vibrations
// whose duration has run out.
#include <algorithm>
#include <climits>

#include "engine/input/input.h"
#include "engine/input/input_window_link.h"
#include "platform/base/clock.h"

namespace {

bool DirectInputStarted() { return g_Input.directInput != nullptr && !InputUsesFallback(); }

// Brings one effect in line with what is wanted.
void SetEffectRunning(platform::InputEffect* effect, int* running, int wanted) {
  if (effect == nullptr || *running == wanted) return;
  if (wanted)
    effect->Start(1, 0);
  else
    effect->Stop();
  *running = wanted;
}

// The pad (0-based) a request names, or -1. The request is the 1-based pad number; 0x1000 is ignored.
int RequestedPad(int request) {
  const long long n = static_cast<long long>(request & ~kPadRequestKeyboard) - 1;
  return n >= 0 && n < g_Input.padCount ? static_cast<int>(n) : -1;
}

void StopPadVibration(int request) {
  const int n = RequestedPad(request);
  if (n < 0) return;
  JoypadRecord& pad = g_Input.pads[n];
  if (pad.device == nullptr || pad.constantEffect == nullptr || !pad.vibrationOn) return;
  pad.vibrationOn = 0;
  pad.vibrationPower = 10000;
  UpdatePadVibrationEffects();
}

bool StartInputIfStopped(int* result) {
  InputWaitWhileInactive();
  if (g_Input.directInput == nullptr && !InputCloseRequested()) {
    *result = InitializeInput();
    return true;
  }
  return false;
}

}  // namespace

int UpdatePadVibrationEffects() {
  if (!DirectInputStarted()) return 0;
  const bool active = InputWindowActive() == 1;
  for (int i = 0; i < g_Input.padCount; ++i) {
    JoypadRecord& pad = g_Input.pads[i];
    if (pad.device == nullptr) continue;
    if (!active) {
      if (pad.constantEffect && pad.constantEffectRunning) pad.constantEffect->Stop();
      if (pad.periodicEffect && pad.periodicEffectRunning) pad.periodicEffect->Stop();
      pad.constantEffectRunning = 0;
      pad.periodicEffectRunning = 0;
      continue;
    }
    SetEffectRunning(pad.constantEffect, &pad.constantEffectRunning, pad.vibrationOn);
    SetEffectRunning(pad.periodicEffect, &pad.periodicEffectRunning,
                     pad.vibrationOn && pad.vibrationPower > 5000 ? 1 : 0);
  }
  return 0;
}

int StopPadVibrationBody(int request) {
  int result;
  if (StartInputIfStopped(&result)) return result;
  StopPadVibration(request);
  return 0;
}

int StartPadVibrationBody(int request, int power, int durationMs) {
  int result;
  if (StartInputIfStopped(&result)) return result;
  const int n = RequestedPad(request);
  if (n < 0 || !DirectInputStarted()) return 0;
  JoypadRecord& pad = g_Input.pads[n];
  if (pad.device == nullptr || pad.constantEffect == nullptr) return 0;
  pad.vibrationOn = 1;
  pad.vibrationPower = std::clamp(power, 0, 10000);
  pad.vibrationDuration = durationMs;
  pad.vibrationElapsed = 0;
  pad.vibrationLastTick = platform::MillisecondClock();
  UpdatePadVibrationEffects();
  return 0;
}

int UpdatePadVibrationTimers() {
  if (!DirectInputStarted()) return 0;
  const std::uint32_t now = platform::MillisecondClock();
  for (int i = 0; i < g_Input.padCount; ++i) {
    JoypadRecord& pad = g_Input.pads[i];
    if (pad.device == nullptr || !pad.vibrationOn || pad.vibrationDuration < 0) continue;
    if (now == pad.vibrationLastTick) continue;
    if (now < pad.vibrationLastTick) pad.vibrationLastTick = now;  // the clock went back: nothing elapsed
    const long long elapsed = static_cast<long long>(pad.vibrationElapsed) + (now - pad.vibrationLastTick);
    pad.vibrationElapsed = static_cast<int>(std::min<long long>(elapsed, INT_MAX));
    pad.vibrationLastTick = now;
    // The message pass runs this only while the application is active, so the stop needs no inactive wait.
    if (pad.vibrationElapsed >= pad.vibrationDuration) StopPadVibration(i + 1);
  }
  UpdatePadVibrationEffects();
  return 0;
}
