#include "platform/input/sdl_input.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/input/input.h"

namespace platform::sdl {

namespace {

constexpr std::array<std::uint8_t, SDL_NUM_SCANCODES> MakeScancodeTable() {
  std::array<std::uint8_t, SDL_NUM_SCANCODES> t{};
  const std::uint8_t letters[26] = {dik::kA, dik::kB, dik::kC, dik::kD, dik::kE, dik::kF, dik::kG, dik::kH, dik::kI,
                                    dik::kJ, dik::kK, dik::kL, dik::kM, dik::kN, dik::kO, dik::kP, dik::kQ, dik::kR,
                                    dik::kS, dik::kT, dik::kU, dik::kV, dik::kW, dik::kX, dik::kY, dik::kZ};
  for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = letters[i];
  for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_1 + i] = static_cast<std::uint8_t>(dik::k1 + i);
  t[SDL_SCANCODE_0] = dik::k0;
  t[SDL_SCANCODE_RETURN] = dik::kReturn;
  t[SDL_SCANCODE_ESCAPE] = dik::kEscape;
  t[SDL_SCANCODE_BACKSPACE] = dik::kBackspace;
  t[SDL_SCANCODE_TAB] = dik::kTab;
  t[SDL_SCANCODE_SPACE] = dik::kSpace;
  t[SDL_SCANCODE_MINUS] = dik::kMinus;
  t[SDL_SCANCODE_EQUALS] = dik::kEquals;
  t[SDL_SCANCODE_LEFTBRACKET] = dik::kLeftBracket;
  t[SDL_SCANCODE_RIGHTBRACKET] = dik::kRightBracket;
  t[SDL_SCANCODE_BACKSLASH] = dik::kBackslash;
  t[SDL_SCANCODE_NONUSHASH] = dik::kBackslash;
  t[SDL_SCANCODE_SEMICOLON] = dik::kSemicolon;
  t[SDL_SCANCODE_APOSTROPHE] = dik::kApostrophe;
  t[SDL_SCANCODE_GRAVE] = dik::kGrave;
  t[SDL_SCANCODE_COMMA] = dik::kComma;
  t[SDL_SCANCODE_PERIOD] = dik::kPeriod;
  t[SDL_SCANCODE_SLASH] = dik::kSlash;
  t[SDL_SCANCODE_CAPSLOCK] = dik::kCapsLock;
  for (int i = 0; i < 10; ++i) t[SDL_SCANCODE_F1 + i] = static_cast<std::uint8_t>(dik::kF1 + i);
  t[SDL_SCANCODE_F11] = dik::kF11;
  t[SDL_SCANCODE_F12] = dik::kF12;
  t[SDL_SCANCODE_PRINTSCREEN] = dik::kSysRq;
  t[SDL_SCANCODE_SCROLLLOCK] = dik::kScrollLock;
  t[SDL_SCANCODE_PAUSE] = dik::kPause;
  t[SDL_SCANCODE_INSERT] = dik::kInsert;
  t[SDL_SCANCODE_HOME] = dik::kHome;
  t[SDL_SCANCODE_PAGEUP] = dik::kPageUp;
  t[SDL_SCANCODE_DELETE] = dik::kDelete;
  t[SDL_SCANCODE_END] = dik::kEnd;
  t[SDL_SCANCODE_PAGEDOWN] = dik::kPageDown;
  t[SDL_SCANCODE_RIGHT] = dik::kRight;
  t[SDL_SCANCODE_LEFT] = dik::kLeft;
  t[SDL_SCANCODE_DOWN] = dik::kDown;
  t[SDL_SCANCODE_UP] = dik::kUp;
  t[SDL_SCANCODE_NUMLOCKCLEAR] = dik::kNumLock;
  t[SDL_SCANCODE_KP_DIVIDE] = dik::kNumpadDivide;
  t[SDL_SCANCODE_KP_MULTIPLY] = dik::kNumpadMultiply;
  t[SDL_SCANCODE_KP_MINUS] = dik::kNumpadMinus;
  t[SDL_SCANCODE_KP_PLUS] = dik::kNumpadPlus;
  t[SDL_SCANCODE_KP_ENTER] = dik::kNumpadEnter;
  t[SDL_SCANCODE_KP_1] = dik::kNumpad1;
  t[SDL_SCANCODE_KP_2] = dik::kNumpad2;
  t[SDL_SCANCODE_KP_3] = dik::kNumpad3;
  t[SDL_SCANCODE_KP_4] = dik::kNumpad4;
  t[SDL_SCANCODE_KP_5] = dik::kNumpad5;
  t[SDL_SCANCODE_KP_6] = dik::kNumpad6;
  t[SDL_SCANCODE_KP_7] = dik::kNumpad7;
  t[SDL_SCANCODE_KP_8] = dik::kNumpad8;
  t[SDL_SCANCODE_KP_9] = dik::kNumpad9;
  t[SDL_SCANCODE_KP_0] = dik::kNumpad0;
  t[SDL_SCANCODE_KP_PERIOD] = dik::kNumpadPeriod;
  t[SDL_SCANCODE_NONUSBACKSLASH] = dik::kOem102;
  t[SDL_SCANCODE_APPLICATION] = dik::kApps;
  t[SDL_SCANCODE_INTERNATIONAL1] = dik::kAbntC1;  // ro / backslash-underscore
  t[SDL_SCANCODE_INTERNATIONAL2] = dik::kKana;
  t[SDL_SCANCODE_INTERNATIONAL3] = dik::kYen;
  t[SDL_SCANCODE_INTERNATIONAL4] = dik::kConvert;
  t[SDL_SCANCODE_INTERNATIONAL5] = dik::kNoConvert;
  t[SDL_SCANCODE_LCTRL] = dik::kLeftControl;
  t[SDL_SCANCODE_LSHIFT] = dik::kLeftShift;
  t[SDL_SCANCODE_LALT] = dik::kLeftAlt;
  t[SDL_SCANCODE_LGUI] = dik::kLeftWindows;
  t[SDL_SCANCODE_RCTRL] = dik::kRightControl;
  t[SDL_SCANCODE_RSHIFT] = dik::kRightShift;
  t[SDL_SCANCODE_RALT] = dik::kRightAlt;
  t[SDL_SCANCODE_RGUI] = dik::kRightWindows;
  return t;
}

constexpr std::array<std::uint8_t, SDL_NUM_SCANCODES> kScancodeTable = MakeScancodeTable();

// Controller buttons in pad button order: face buttons, shoulders, Back, Start, stick clicks, then the triggers
// (as buttons 10 and 11, pressed past half travel) and the rest. The d-pad drives the X and Y axes instead.
constexpr SDL_GameControllerButton kButtonOrder[] = {
    SDL_CONTROLLER_BUTTON_A,          SDL_CONTROLLER_BUTTON_B,           SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,          SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,       SDL_CONTROLLER_BUTTON_START,        SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
};
constexpr int kLeftTriggerButton = 10;
constexpr int kRightTriggerButton = 11;
constexpr SDL_GameControllerButton kExtraButtons[] = {
    SDL_CONTROLLER_BUTTON_GUIDE,   SDL_CONTROLLER_BUTTON_MISC1,   SDL_CONTROLLER_BUTTON_PADDLE1,
    SDL_CONTROLLER_BUTTON_PADDLE2, SDL_CONTROLLER_BUTTON_PADDLE3, SDL_CONTROLLER_BUTTON_PADDLE4,
    SDL_CONTROLLER_BUTTON_TOUCHPAD,
};
constexpr int kFirstExtraButton = 12;
constexpr int kControllerButtonCount = kFirstExtraButton + static_cast<int>(std::size(kExtraButtons));

// Longest rumble SDL keeps up on its own; an endless one is sent again before it runs out.
constexpr std::uint32_t kRumbleMs = 0xFFFF;
constexpr std::uint32_t kRumbleRefreshMs = 30000;

struct OpenPad {
  SDL_JoystickID id;
  SDL_GameController* controller;  // null for a joystick outside the controller database
  SDL_Joystick* joystick;
  int slot;
  std::uint16_t low, high;
  std::uint32_t rumbleSentMs;
};

struct SdlInput {
  std::mutex mutex;
  bool started = false;
  std::vector<OpenPad> pads;
  std::vector<std::string> slotGuids = std::vector<std::string>(kMaxInputPads);  // which pad a slot belongs to
};

SdlInput& State() {
  static SdlInput state;
  return state;
}

OpenPad* FindPad(SdlInput& s, SDL_JoystickID id) {
  for (OpenPad& p : s.pads)
    if (p.id == id) return &p;
  return nullptr;
}

void SendRumble(OpenPad& p) {
  if (p.controller)
    SDL_GameControllerRumble(p.controller, p.low, p.high, kRumbleMs);
  else
    SDL_JoystickRumble(p.joystick, p.low, p.high, kRumbleMs);
  p.rumbleSentMs = MillisecondClock();
}

void RumbleSinkFunction(int slot, std::uint16_t low, std::uint16_t high) {
  SdlInput& s = State();
  std::lock_guard lock(s.mutex);
  for (OpenPad& p : s.pads) {
    if (p.slot != slot) continue;
    p.low = low;
    p.high = high;
    SendRumble(p);
  }
}

// Re-sends rumbles that would otherwise run out.
void RefreshRumble(SdlInput& s) {
  const std::uint32_t now = MillisecondClock();
  for (OpenPad& p : s.pads)
    if ((p.low || p.high) && now - p.rumbleSentMs >= kRumbleRefreshMs) SendRumble(p);
}

std::int32_t StickOrDpad(std::int16_t stick, bool negative, bool positive) {
  if (negative != positive) return negative ? -32768 : 32767;
  return stick;
}

std::uint32_t PovFromDirections(bool up, bool down, bool left, bool right) {
  const int dx = (right ? 1 : 0) - (left ? 1 : 0), dy = (down ? 1 : 0) - (up ? 1 : 0);
  if (dx == 0 && dy == 0) return kPovCentred;
  static constexpr std::uint32_t kPov[3][3] = {{31500, 0, 4500}, {27000, kPovCentred, 9000}, {22500, 18000, 13500}};
  return kPov[dy + 1][dx + 1];
}

// Copies a controller's whole state into its pad.
void UpdateControllerPad(const OpenPad& p) {
  SDL_GameController* c = p.controller;
  auto button = [c](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(c, b) != 0; };
  const bool up = button(SDL_CONTROLLER_BUTTON_DPAD_UP), down = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
  const bool left = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT), right = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
  SetPadAxis(p.slot, PadAxis::X, StickOrDpad(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX), left, right));
  SetPadAxis(p.slot, PadAxis::Y, StickOrDpad(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY), up, down));
  SetPadAxis(p.slot, PadAxis::Z, SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX));
  SetPadAxis(p.slot, PadAxis::Rz, SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTY));
  const std::int16_t leftTrigger = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
  const std::int16_t rightTrigger = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
  SetPadAxis(p.slot, PadAxis::Rx, leftTrigger);
  SetPadAxis(p.slot, PadAxis::Ry, rightTrigger);
  SetPadPov(p.slot, PovFromDirections(up, down, left, right));
  for (int i = 0; i < static_cast<int>(std::size(kButtonOrder)); ++i) SetPadButton(p.slot, i, button(kButtonOrder[i]));
  SetPadButton(p.slot, kLeftTriggerButton, leftTrigger > 16384);
  SetPadButton(p.slot, kRightTriggerButton, rightTrigger > 16384);
  for (int i = 0; i < static_cast<int>(std::size(kExtraButtons)); ++i)
    SetPadButton(p.slot, kFirstExtraButton + i, button(kExtraButtons[i]));
}

// Copies a plain joystick's state: axes in order, buttons in order, the first hat as point of view.
void UpdateJoystickPad(const OpenPad& p) {
  SDL_Joystick* j = p.joystick;
  const int axes = std::min(SDL_JoystickNumAxes(j), kPadAxisCount);
  static constexpr PadAxis kAxisOrder[kPadAxisCount] = {PadAxis::X, PadAxis::Y,  PadAxis::Z,
                                                        PadAxis::Rz, PadAxis::Rx, PadAxis::Ry};
  for (int a = 0; a < axes; ++a) SetPadAxis(p.slot, kAxisOrder[a], SDL_JoystickGetAxis(j, a));
  const int buttons = std::min(SDL_JoystickNumButtons(j), 32);
  for (int b = 0; b < buttons; ++b) SetPadButton(p.slot, b, SDL_JoystickGetButton(j, b) != 0);
  if (SDL_JoystickNumHats(j) > 0) {
    const Uint8 hat = SDL_JoystickGetHat(j, 0);
    SetPadPov(p.slot, PovFromDirections(hat & SDL_HAT_UP, hat & SDL_HAT_DOWN, hat & SDL_HAT_LEFT, hat & SDL_HAT_RIGHT));
  }
}

void UpdatePad(const OpenPad& p) {
  if (p.controller)
    UpdateControllerPad(p);
  else
    UpdateJoystickPad(p);
}

void OpenDevice(SdlInput& s, int deviceIndex) {
  const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  if (id < 0 || FindPad(s, id)) return;
  OpenPad p{};
  p.id = id;
  if (SDL_IsGameController(deviceIndex)) {
    p.controller = SDL_GameControllerOpen(deviceIndex);
    if (!p.controller) return;
    p.joystick = SDL_GameControllerGetJoystick(p.controller);
  } else {
    p.joystick = SDL_JoystickOpen(deviceIndex);
    if (!p.joystick) return;
  }
  PadDescription d;
  const char* name = p.controller ? SDL_GameControllerName(p.controller) : SDL_JoystickName(p.joystick);
  d.instanceName = d.productName = name ? name : "Game pad";
  if (p.controller) {
    d.buttonCount = kControllerButtonCount;
    d.hasZ = d.hasR = true;
  } else {
    d.buttonCount = std::clamp(SDL_JoystickNumButtons(p.joystick), 0, 32);
    d.hasZ = SDL_JoystickNumAxes(p.joystick) >= 3;
    d.hasR = SDL_JoystickNumAxes(p.joystick) >= 4;
  }
  d.forceFeedback = SDL_JoystickHasRumble(p.joystick) == SDL_TRUE;

  // A pad plugged in again takes back the slot it had, so the engine's device for it keeps working.
  char guid[64];
  SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(p.joystick), guid, sizeof guid);
  int slot = -1;
  for (int i = 0; i < kMaxInputPads && slot < 0; ++i) {
    if (s.slotGuids[i] != guid || IsPadAttached(i)) continue;
    bool inUse = false;
    for (const OpenPad& other : s.pads) inUse |= other.slot == i;
    if (!inUse) slot = i;
  }
  slot = AttachPad(d, slot);
  if (slot < 0) {
    if (p.controller)
      SDL_GameControllerClose(p.controller);
    else
      SDL_JoystickClose(p.joystick);
    return;
  }
  s.slotGuids[slot] = guid;
  p.slot = slot;
  s.pads.push_back(p);
  UpdatePad(p);
}

void CloseDevice(SdlInput& s, SDL_JoystickID id) {
  for (auto it = s.pads.begin(); it != s.pads.end(); ++it) {
    if (it->id != id) continue;
    DetachPad(it->slot);
    if (it->controller)
      SDL_GameControllerClose(it->controller);
    else
      SDL_JoystickClose(it->joystick);
    s.pads.erase(it);
    return;
  }
}

void ScanHook() { StartInput(); }

// Registered when this back-end is linked in; the hook does nothing until SDL's video runs.
const bool kScanHookRegistered = (SetDeviceScanHook(&ScanHook), true);

}  // namespace

int KeyCodeForScancode(SDL_Scancode scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return kScancodeTable[scancode];
}

void StartInput() {
  (void)kScanHookRegistered;
  SdlInput& s = State();
  std::lock_guard lock(s.mutex);
  if (s.started || SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
  s.started = true;
  SetRumbleSink(&RumbleSinkFunction);
  for (int i = 0; i < SDL_NumJoysticks(); ++i) OpenDevice(s, i);
}

void StopInput() {
  SdlInput& s = State();
  std::lock_guard lock(s.mutex);
  if (!s.started) return;
  SetRumbleSink(nullptr);
  while (!s.pads.empty()) CloseDevice(s, s.pads.front().id);
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  s.started = false;
}

bool HandleInputEvent(const SDL_Event& event) {
  SdlInput& s = State();
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int code = KeyCodeForScancode(event.key.keysym.scancode);
      if (code != 0) SetKeyDown(code, event.type == SDL_KEYDOWN);
      return true;
    }
    case SDL_WINDOWEVENT:
      // Key releases are not seen while another window has the focus; no key stays held across that.
      if (event.window.event != SDL_WINDOWEVENT_FOCUS_LOST) return false;
      ReleaseAllKeys();
      return true;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_JOYDEVICEADDED: {
      std::lock_guard lock(s.mutex);
      if (s.started) OpenDevice(s, event.cdevice.which);
      return true;
    }
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_JOYDEVICEREMOVED: {
      std::lock_guard lock(s.mutex);
      CloseDevice(s, event.cdevice.which);
      return true;
    }
    case SDL_CONTROLLERAXISMOTION:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_JOYAXISMOTION:
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
    case SDL_JOYHATMOTION: {
      std::lock_guard lock(s.mutex);
      // Every event type here starts with the instance id of its device.
      if (const OpenPad* p = FindPad(s, event.jaxis.which)) UpdatePad(*p);
      RefreshRumble(s);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace platform::sdl
