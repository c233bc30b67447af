// Keyboard state, pad polling and the pad word.
#include <cstring>

#include "engine/input/input.h"
#include "engine/input/input_window_link.h"
#include "platform/base/clock.h"

// Virtual key : DirectInput key code. The first group is what the system keyboard state overrides on the DirectInput
// path; the fallback maps both groups.
const VkKeyCodePair VkKeyCodeTable[] = {
    // A-Z
    {0x41, 0x1E}, {0x42, 0x30}, {0x43, 0x2E}, {0x44, 0x20}, {0x45, 0x12}, {0x46, 0x21}, {0x47, 0x22},
    {0x48, 0x23}, {0x49, 0x17}, {0x4A, 0x24}, {0x4B, 0x25}, {0x4C, 0x26}, {0x4D, 0x32}, {0x4E, 0x31},
    {0x4F, 0x18}, {0x50, 0x19}, {0x51, 0x10}, {0x52, 0x13}, {0x53, 0x1F}, {0x54, 0x14}, {0x55, 0x16},
    {0x56, 0x2F}, {0x57, 0x11}, {0x58, 0x2D}, {0x59, 0x15}, {0x5A, 0x2C},
    // 0-9
    {0x30, 0x0B}, {0x31, 0x02}, {0x32, 0x03}, {0x33, 0x04}, {0x34, 0x05}, {0x35, 0x06}, {0x36, 0x07},
    {0x37, 0x08}, {0x38, 0x09}, {0x39, 0x0A},
    // arrows
    {0x25, 0xCB}, {0x26, 0xC8}, {0x27, 0xCD}, {0x28, 0xD0},
    // punctuation
    {0xBB, 0x27}, {0xBA, 0x92}, {0xDB, 0x1A}, {0xDD, 0x1B}, {0xC0, 0x91}, {0xE2, 0x2B}, {0xBC, 0x33},
    {0xBD, 0x0C}, {0xDC, 0x7D}, {0xBE, 0x34}, {0xBF, 0x35},
    // Delete, Esc, Space, Backspace, Tab, Enter
    {0x2E, 0xD3}, {0x1B, 0x01}, {0x20, 0x39}, {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C},
    // numeric keypad
    {0x60, 0x52}, {0x61, 0x4F}, {0x62, 0x50}, {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C}, {0x66, 0x4D},
    {0x67, 0x47}, {0x68, 0x48}, {0x69, 0x49}, {0x6A, 0x37}, {0x6B, 0x4E}, {0x6D, 0x4A}, {0x6E, 0x53},
    {0x6F, 0xB5},
    {kVkTableGroupMark, 0},
    // keypad Enter, shifts, controls, Page Up/Down, End, Home, Insert, Alts, Scroll Lock, Caps Lock, Pause
    {0x0D, 0x9C}, {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 0x9D}, {0x21, 0xC9}, {0x22, 0xD1},
    {0x23, 0xCF}, {0x24, 0xC7}, {0x2D, 0xD2}, {0xA4, 0x38}, {0xA5, 0xB8}, {0x91, 0x46}, {0x14, 0x3A},
    {0x13, 0xC5},
    // F1-F12
    {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D}, {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40}, {0x76, 0x41},
    {0x77, 0x42}, {0x78, 0x43}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58},
    {kVkTableEnd, 0},
};

namespace {

struct KeyBit {
  std::uint8_t keyCode;
  std::uint32_t bit;
};

// Keyboard keys folded into the pad word.
constexpr KeyBit kPadKeys[] = {
    {0xD0, 0x0001}, {0x50, 0x0001}, {0xCB, 0x0002}, {0x4B, 0x0002}, {0xCD, 0x0004}, {0x4D, 0x0004},
    {0xC8, 0x0008}, {0x48, 0x0008}, {0x2C, 0x0010}, {0x2D, 0x0020}, {0x2E, 0x0040}, {0x1E, 0x0080},
    {0x1F, 0x0100}, {0x20, 0x0200}, {0x10, 0x0400}, {0x11, 0x0800}, {0x01, 0x1000}, {0x39, 0x2000},
};

constexpr int kPadButtonsInWord = 24;

bool EventSignalled(platform::Event* event) { return event != nullptr && event->Wait(0); }

bool DirectInputStarted() { return g_Input.directInput != nullptr && !InputUsesFallback(); }

// Maps a multimedia-joystick axis (0..65535) to -1000..1000 with the dead zone 24576..40960. The upper half is
// divided by its own width (24575) so that the end of travel gives 1000 exactly, as the lower end gives -1000.
std::int32_t MapFallbackAxis(std::uint32_t raw) {
  const auto r = static_cast<std::int32_t>(raw);
  if (r < 24576) return (r - 24576) * 1000 / 24576;
  if (r > 40960) return (r - 40960) * 1000 / 24575;
  return 0;
}

int PollPadDirectInput(JoypadRecord& pad) {
  const std::uint32_t now = platform::MillisecondClock();
  if (now == pad.lastPollTime && !EventSignalled(pad.event)) return 0;
  pad.lastPollTime = now;
  if (pad.device) {
    platform::JoystickState state;
    pad.device->Poll();
    if (platform::InputSucceeded(pad.device->GetDeviceState(sizeof state, &state))) {
      pad.state = state;
    } else {
      if (InputMessagePass() != 0) return -1;
      if (platform::InputSucceeded(pad.device->Acquire())) {
        if (InputMessagePass() != 0) return -1;
        if (platform::InputSucceeded(pad.device->GetDeviceState(sizeof state, &state))) pad.state = state;
      }
    }
  }
  if (EventSignalled(pad.event)) pad.event->Reset();
  return 0;
}

int PollPadFallback(int index, JoypadRecord& pad) {
  const std::uint32_t now = platform::MillisecondClock();
  if (now == pad.lastPollTime) return 0;
  pad.lastPollTime = now;
  platform::JoyInfoEx info{};
  info.size = platform::kJoyInfoExSize;
  info.flags = platform::kJoyReturnAll;
  if (platform::JoyGetPosEx(static_cast<std::uint32_t>(index), &info) != platform::kJoyNoError) {
    std::memset(&pad.state, 0, sizeof pad.state);
    return 0;
  }
  pad.state.x = MapFallbackAxis(info.xpos);
  pad.state.y = MapFallbackAxis(info.ypos);
  pad.state.z = pad.hasZAndR ? MapFallbackAxis(info.zpos) : 0;
  pad.state.rz = pad.hasZAndR ? MapFallbackAxis(info.rpos) : 0;
  for (int b = 0; b < kPadButtonsInWord; ++b) pad.state.buttons[b] = (info.buttons >> b & 1) ? 0x80 : 0;
  return 0;
}

// The queries' common start: wait while the application is inactive, then start input when it is stopped. True
// when input was started now; *result is then the start-up's result, which the query returns.
bool StartInputIfStopped(int* result) {
  InputWaitWhileInactive();
  if (g_Input.directInput == nullptr && !InputCloseRequested()) {
    *result = InitializeInput();
    return true;
  }
  return false;
}

}  // namespace

int UpdateKeyboardState() {
  if (g_Input.directInput == nullptr) return 0;
  const std::uint32_t now = platform::MillisecondClock();
  std::uint8_t system[256];

  if (InputUsesFallback()) {
    if (now == g_Input.lastKeyboardPoll) return 0;
    g_Input.lastKeyboardPoll = now;
    platform::GetSystemKeyboardState(system);
    std::memset(g_Input.KeyStateArray, 0, sizeof g_Input.KeyStateArray);
    for (const VkKeyCodePair* p = VkKeyCodeTable; p->virtualKey != kVkTableEnd; ++p)
      if (p->virtualKey != kVkTableGroupMark) g_Input.KeyStateArray[p->keyCode] = system[p->virtualKey];
    return 1;
  }

  if (now == g_Input.lastKeyboardPoll && !EventSignalled(g_Input.keyboardEvent)) return 0;
  platform::InputDevice* keyboard = g_Input.keyboard;
  if (keyboard == nullptr) return 0;
  if (!platform::InputSucceeded(keyboard->GetDeviceState(sizeof g_Input.KeyStateArray, g_Input.KeyStateArray))) {
    if (!platform::InputSucceeded(keyboard->Acquire())) return 0;
    if (!platform::InputSucceeded(keyboard->GetDeviceState(sizeof g_Input.KeyStateArray, g_Input.KeyStateArray)))
      return 0;
  }
  g_Input.lastKeyboardPoll = now;
  if (EventSignalled(g_Input.keyboardEvent)) g_Input.keyboardEvent->Reset();
  if (InputOnWindowThread()) {
    platform::GetSystemKeyboardState(system);
    for (const VkKeyCodePair* p = VkKeyCodeTable; p->virtualKey != kVkTableGroupMark; ++p)
      g_Input.KeyStateArray[p->keyCode] = system[p->virtualKey];
  }
  return 1;
}

int PollPadState(int index) {
  if (index < 0 || index >= kMaxJoypads) return -1;
  if (InputUsesFallback()) return PollPadFallback(index, g_Input.pads[index]);
  if (!DirectInputStarted()) return 0;
  return PollPadDirectInput(g_Input.pads[index]);
}

int IsKeyDownBody(int code) {
  int result;
  if (StartInputIfStopped(&result)) return result;
  UpdateKeyboardState();
  if (code < 0 || code > 255) return 0;
  return (g_Input.KeyStateArray[code] & 0x80) ? 1 : 0;
}

int GetPadInputBitsBody(int request) {
  int result;
  if (StartInputIfStopped(&result)) return result;
  const bool withKeyboard = (request & kPadRequestKeyboard) != 0;
  const long long n = static_cast<long long>(request & ~kPadRequestKeyboard) - 1;
  if (g_Input.padCount > 0 && !withKeyboard && (n < -1 || n >= g_Input.padCount)) return 0;

  std::uint32_t bits = 0;
  if (n >= 0 && n < g_Input.padCount) {
    PollPadState(static_cast<int>(n));
    const platform::JoystickState& s = g_Input.pads[n].state;
    if (s.y > 0) bits |= 0x0001;
    if (s.x < 0) bits |= 0x0002;
    if (s.x > 0) bits |= 0x0004;
    if (s.y < 0) bits |= 0x0008;
    for (int b = 0; b < kPadButtonsInWord; ++b)
      if (s.buttons[b] & 0x80) bits |= 1u << (4 + b);
  }
  if (withKeyboard) {
    UpdateKeyboardState();
    for (const KeyBit& k : kPadKeys)
      if (g_Input.KeyStateArray[k.keyCode] & 0x80) bits |= k.bit;
  }
  return static_cast<int>(bits);
}
