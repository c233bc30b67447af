// The input layer: the keyboard and up to eight game pads, read through the platform's DirectInput-like devices
// (version 7, else version 8) or, when neither can be had, through the multimedia joystick functions and the system
// keyboard state. Everything runs on the thread that calls the engine, under the API lock.
#pragma once

#include <cstdint>

#include "platform/base/thread.h"
#include "platform/input/input.h"

inline constexpr int kMaxJoypads = 8;

struct JoypadRecord {
  platform::InputDevice* device;
  platform::InputEffect* constantEffect;
  platform::InputEffect* periodicEffect;
  platform::Event* event;
  platform::JoystickState state;
  int hasZAndR;  // fallback only: the joystick reports both a Z and an R axis
  std::uint32_t lastPollTime;
  int vibrationOn;
  int vibrationPower;     // 0..10000
  int vibrationDuration;  // ms; negative = endless
  int vibrationElapsed;   // ms
  std::uint32_t vibrationLastTick;
  int constantEffectRunning;
  int periodicEffectRunning;
};

struct InputSystemRecord {
  int noDirectInput;  // survives every start-up: once 1, start-up goes straight to the fallback
  int directInput8;
  platform::DirectInputObject* directInput;  // nullptr, the object, or InputFallbackMarker()
  platform::InputDevice* mouse;
  platform::InputDevice* keyboard;
  platform::Event* keyboardEvent;
  std::uint32_t lastKeyboardPoll;
  std::uint8_t KeyStateArray[256];  // by DirectInput key code; bit 7 = down
  int padCount;
  JoypadRecord pads[kMaxJoypads];
  int userFlag1;
  int userFlag2;
};

extern InputSystemRecord g_Input;

// The interface value meaning "input started without DirectInput".
inline platform::DirectInputObject* InputFallbackMarker() {
  return reinterpret_cast<platform::DirectInputObject*>(~std::uintptr_t{0});
}
inline bool InputUsesFallback() { return g_Input.directInput == InputFallbackMarker(); }

// Start-up, shut-down and devices.
int InitializeInput();
int AddPadDevice(const platform::InputDeviceInstance* instance, void* context);
int TerminateInput();
int ReacquireInputDevices();
int SetInputUserFlag1();
int ClearInputUserFlag1();
int SetInputUserFlag2();
int ClearInputUserFlag2();

// Keyboard state, pads and the pad word.
struct VkKeyCodePair {
  std::uint16_t virtualKey;
  std::uint16_t keyCode;
};
inline constexpr std::uint16_t kVkTableGroupMark = 0xFFFE;
inline constexpr std::uint16_t kVkTableEnd = 0xFFFF;
extern const VkKeyCodePair VkKeyCodeTable[];

int UpdateKeyboardState();
int PollPadState(int index);
int IsKeyDownBody(int code);
int GetPadInputBitsBody(int request);

inline constexpr int kPadRequestKeyboard = 0x1000;

// Pad vibration.
int UpdatePadVibrationEffects();
int StopPadVibrationBody(int request);
int UpdatePadVibrationTimers();
// Starts a vibration of a pad (1-based request, 0x1000 ignored): power 0..10000, duration in ms (negative =
// endless). Nothing when the pad has no device or no constant-force effect. Returns 0.
int StartPadVibrationBody(int request, int power, int durationMs);
