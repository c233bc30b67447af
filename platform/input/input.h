// platform/input: the DirectInput and joystick stand-in (this file, input.cpp, key codes in input_keys.h) and the
// back-ends that feed it: headless_input_script.cpp (one keyboard and pad state per frame; its header is the test
// hook) and sdl_input.cpp (SDL2 keys and game controllers, fed from the SDL window's event pump).
//
// The input device layer: a DirectInput-like keyboard, mouse and game pads, the multimedia-joystick functions and
// the system keyboard state, all fed from one set of input states.
//
// The back-ends feed the states: the SDL back-end from keyboard and game-controller events, the headless back-end
// from scripted input. Everything here is safe to call from any thread; device events are signalled when the state
// behind a device changes.
//
// Tests can make either DirectInput version unavailable (the engine then falls back to the next path) and inject
// the device failures that the engine must survive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/thread.h"
#include "platform/input/input_keys.h"

namespace platform {

// ---- Results -------------------------------------------------------------------------------------------------------

using InputResult = std::int32_t;
inline constexpr InputResult kDiOk = 0;
inline constexpr InputResult kDiPolledDevice = 1;  // success: the device has no event of its own and must be polled
inline constexpr InputResult kDiErrGeneric = static_cast<InputResult>(0x80004005u);
inline constexpr InputResult kDiErrNotRegistered = static_cast<InputResult>(0x80040154u);
inline constexpr InputResult kDiErrNotAcquired = static_cast<InputResult>(0x8007000Cu);
inline constexpr InputResult kDiErrInputLost = static_cast<InputResult>(0x8007001Eu);
inline constexpr InputResult kDiErrInvalidParam = static_cast<InputResult>(0x80070057u);
inline constexpr InputResult kDiErrUnsupported = static_cast<InputResult>(0x80004001u);
inline constexpr bool InputSucceeded(InputResult r) { return r >= 0; }

// ---- Devices -------------------------------------------------------------------------------------------------------

// Device identities. Pads are kPadDeviceBase + their slot.
using InputDeviceId = std::uint32_t;
inline constexpr InputDeviceId kSysKeyboard = 0x6B000001u;
inline constexpr InputDeviceId kSysMouse = 0x6B000002u;
inline constexpr InputDeviceId kPadDeviceBase = 0x50000000u;

inline constexpr int kDeviceTypeGameController = 4;  // EnumDevices: every game controller
inline constexpr std::uint32_t kEnumAttachedOnly = 1;
inline constexpr int kEnumStop = 0;
inline constexpr int kEnumContinue = 1;

enum class InputDataFormat { Mouse2, Keyboard, Joystick };
inline constexpr int kMouseStateBytes = 20;
inline constexpr int kKeyboardStateBytes = 256;
inline constexpr int kJoystickStateBytes = 80;

inline constexpr std::uint32_t kCoopExclusive = 0x1;
inline constexpr std::uint32_t kCoopNonExclusive = 0x2;
inline constexpr std::uint32_t kCoopForeground = 0x4;
inline constexpr std::uint32_t kCoopBackground = 0x8;

// Joystick state: six axes, two sliders, four point-of-view values, 32 buttons (bit 7 = pressed). 80 bytes.
struct JoystickState {
  std::int32_t x, y, z, rx, ry, rz;
  std::int32_t slider[2];
  std::uint32_t pov[4];
  std::uint8_t buttons[32];
};
static_assert(sizeof(JoystickState) == kJoystickStateBytes);

// Axis object offsets within JoystickState (for the range and dead-zone properties).
inline constexpr int kAxisOffsetX = 0;
inline constexpr int kAxisOffsetY = 4;
inline constexpr int kAxisOffsetZ = 8;
inline constexpr int kAxisOffsetRx = 12;
inline constexpr int kAxisOffsetRy = 16;
inline constexpr int kAxisOffsetRz = 20;

inline constexpr std::uint32_t kPovCentred = 0xFFFFFFFFu;

struct InputDeviceInstance {
  InputDeviceId instance;
  InputDeviceId product;
  int type;
  char instanceName[260];
  char productName[260];
};

enum class EffectKind { ConstantForce, Sine };

// What a force-feedback effect is made with. Times in microseconds; kEffectInfinite for no end.
inline constexpr std::uint32_t kEffectInfinite = 0xFFFFFFFFu;
struct EffectParams {
  EffectKind kind;
  bool polar;  // polar coordinates (else cartesian)
  int axes[2];
  int directions[2];
  std::uint32_t durationUs;
  std::uint32_t gain;  // 0..10000
  std::uint32_t triggerButton;  // kEffectNoTrigger for none
  std::uint32_t startDelayUs;
  std::int32_t magnitude;  // 0..10000
  std::int32_t offset;
  std::uint32_t phase;
  std::uint32_t periodUs;
  bool envelope;
  std::uint32_t attackLevel, attackTimeUs, fadeLevel, fadeTimeUs;
};
inline constexpr std::uint32_t kEffectNoTrigger = 0xFFFFFFFFu;

class InputDevice;

// A force-feedback effect of one pad.
class InputEffect {
 public:
  InputResult Start(std::uint32_t iterations, std::uint32_t flags);
  InputResult Stop();
  void Release();

 private:
  friend class InputDevice;
  friend struct InputHub;
  InputEffect(InputDevice* device, const EffectParams& params) : device_(device), params_(params) {}
  InputResult SetRunning(bool running);
  InputDevice* device_;
  EffectParams params_;
  bool running_ = false;
};

// One opened device: the system keyboard, the system mouse or a pad.
class InputDevice {
 public:
  InputResult SetDataFormat(InputDataFormat format);
  InputResult SetCooperativeLevel(std::uintptr_t window, std::uint32_t flags);
  InputResult SetBufferSize(std::uint32_t entries);
  // Pad axes: the logical range reported and the dead zone around the centre (0..10000 of the half range).
  InputResult SetAxisRange(int axisOffset, std::int32_t minimum, std::int32_t maximum);
  InputResult SetAxisDeadZone(int axisOffset, std::uint32_t deadZone);
  // The event is signalled whenever the state behind the device changes; nullptr removes it.
  InputResult SetEventNotification(Event* event);
  InputResult Acquire();
  InputResult Unacquire();
  InputResult Poll();
  // size must be the data format's size (256 keyboard, 80 pad, 20 mouse).
  InputResult GetDeviceState(std::uint32_t size, void* data);
  InputResult GetDeviceInfo(InputDeviceInstance* info);
  InputResult CreateEffect(const EffectParams& params, InputEffect** effect);
  void Release();

 private:
  friend class DirectInputObject;
  friend class InputEffect;
  friend struct InputHub;
  explicit InputDevice(InputDeviceId id) : id_(id) {}
  ~InputDevice() = default;
  InputDeviceId id_;
  bool formatSet_ = false;
  InputDataFormat format_ = InputDataFormat::Keyboard;
  bool acquired_ = false;
  Event* event_ = nullptr;
  struct Axis {
    std::int32_t minimum = 0, maximum = 65535;
    std::uint32_t deadZone = 0;
  } axes_[6];
  std::vector<InputEffect*> effects_;
};

// The DirectInput object of one interface version (7 or 8).
class DirectInputObject {
 public:
  InputResult Initialize(int versionCode);  // 0x700 or 0x800
  using EnumCallback = int (*)(const InputDeviceInstance* instance, void* context);
  InputResult EnumDevices(int deviceType, EnumCallback callback, void* context, std::uint32_t flags);
  InputResult CreateDevice(InputDeviceId id, InputDevice** device);    // version 8
  InputResult CreateDeviceEx(InputDeviceId id, InputDevice** device);  // version 7
  int Version() const { return version_; }
  void Release();

 private:
  friend InputResult CreateDirectInput(int, DirectInputObject**);
  explicit DirectInputObject(int version) : version_(version) {}
  InputResult Create(InputDeviceId id, InputDevice** device);
  int version_;
  bool initialised_ = false;
};

// Creates the DirectInput object of version 7 or 8 (the COM creation). Fails with kDiErrNotRegistered when that
// version is switched off.
InputResult CreateDirectInput(int version, DirectInputObject** object);

// ---- Multimedia joystick functions -----------------------------------------------------------------------------------

inline constexpr std::uint32_t kJoyNoError = 0;
inline constexpr std::uint32_t kJoyErrParms = 165;
inline constexpr std::uint32_t kJoyErrUnplugged = 167;
inline constexpr std::uint32_t kJoyCapsHasZ = 0x1;
inline constexpr std::uint32_t kJoyCapsHasR = 0x2;
inline constexpr std::uint32_t kJoyReturnAll = 0xFF;
inline constexpr std::uint32_t kJoyInfoExSize = 52;

struct JoyCaps {
  char name[32];
  std::uint32_t numButtons;
  std::uint32_t numAxes;
  std::uint32_t caps;  // kJoyCapsHasZ, kJoyCapsHasR
};

// Axis positions 0..65535 (centre 32767), buttons as a bit mask.
struct JoyInfoEx {
  std::uint32_t size;  // must be kJoyInfoExSize
  std::uint32_t flags;
  std::uint32_t xpos, ypos, zpos, rpos, upos, vpos;
  std::uint32_t buttons;
  std::uint32_t buttonNumber;
  std::uint32_t pov;
  std::uint32_t reserved1, reserved2;
};
static_assert(sizeof(JoyInfoEx) == kJoyInfoExSize);

// Joystick ids are pad slots. kJoyErrUnplugged for a slot without a pad.
std::uint32_t JoyGetDevCaps(std::uint32_t id, JoyCaps* caps);
std::uint32_t JoyGetPosEx(std::uint32_t id, JoyInfoEx* info);

// The system keyboard state by virtual-key code (bit 7 = down).
void GetSystemKeyboardState(std::uint8_t state[256]);

// ---- Feeding the states (back-ends and tests) -----------------------------------------------------------------------

inline constexpr int kMaxInputPads = 16;

// Raw pad axes, each -32768..32767 (centre 0).
enum class PadAxis { X, Y, Z, Rx, Ry, Rz };
inline constexpr int kPadAxisCount = 6;

// Failures a pad can be told to show (bit mask).
enum PadFault : std::uint32_t {
  kPadFaultCreate = 1u << 0,
  kPadFaultDataFormat = 1u << 1,
  kPadFaultCooperative = 1u << 2,
  kPadFaultRangeX = 1u << 3,
  kPadFaultRangeY = 1u << 4,
  kPadFaultDeadZoneX = 1u << 5,
  kPadFaultDeadZoneY = 1u << 6,
  kPadFaultSineEffect = 1u << 7,
  kPadFaultConstantEffect = 1u << 8,
  kPadFaultEvent = 1u << 9,
};

// Names are UTF-8; the devices report them in CP932.
struct PadDescription {
  std::string instanceName = "Game pad";
  std::string productName = "Game pad";
  int buttonCount = 32;
  bool hasZ = true;
  bool hasR = true;
  bool forceFeedback = true;
  std::uint32_t faults = 0;
};

// Attaches a pad: in the given slot (0..kMaxInputPads-1), or in the first free one when slot is -1. Returns the
// slot, or -1 when none is free.
int AttachPad(const PadDescription& description, int slot = -1);
// Unplugs a pad. Its slot stays reserved for it (a pad attached again with AttachPad(..., slot) takes it back);
// until then the pad reads as centred with no button down.
void DetachPad(int slot);
// Forgets a pad altogether: the slot is free again.
void RemovePad(int slot);
bool IsPadAttached(int slot);
void SetPadAxis(int slot, PadAxis axis, std::int32_t value);
void SetPadButton(int slot, int button, bool down);
void SetPadPov(int slot, std::uint32_t pov);
// Makes the next state read of the pad's devices fail as after a lost acquisition.
void LosePadAcquisition(int slot);

// The keyboard by DirectInput key code; the system keyboard state follows through the virtual-key mapping.
void SetKeyDown(int keyCode, bool down);
// Only the system keyboard state (for tests of the two differing).
void SetVirtualKeyDown(int virtualKey, bool down);
void ReleaseAllKeys();

// ---- Switches for tests ----------------------------------------------------------------------------------------------

enum class DirectInputAvailability { Available, CreateFails, InitializeFails };
void SetDirectInputAvailability(int version, DirectInputAvailability availability);

// Failures of the system keyboard and mouse devices.
enum SystemDeviceFault : std::uint32_t {
  kSysFaultCreate = 1u << 0,
  kSysFaultDataFormat = 1u << 1,
  kSysFaultCooperative = 1u << 2,
  kSysFaultBufferSize = 1u << 3,
  kSysFaultEvent = 1u << 4,
};
void SetSystemDeviceFaults(InputDeviceId device, std::uint32_t faults);
// The next `count` Acquire calls on the system keyboard fail.
void FailKeyboardAcquire(int count);
// Makes the next keyboard state read fail as after a lost acquisition.
void LoseKeyboardAcquisition();

// Back to the start: no pads, no keys down, every switch off, counters zero. Open devices keep working.
void ResetInputDevices();

// ---- What the devices did (tests and the vibration back-ends) --------------------------------------------------------

struct InputDeviceCounters {
  int keyboardReads;  // keyboard GetDeviceState calls
  int padReads;       // pad GetDeviceState calls
  int joyReads;       // JoyGetPosEx calls
  int systemKeyboardReads;
  int acquires;       // successful Acquire calls on any device
  int openDevices;    // devices created and not yet released
  int openEffects;
};
InputDeviceCounters GetInputDeviceCounters();

// A pad's rumble: motor strengths 0..65535 made from its running effects (constant force drives the low-frequency
// motor, the sine effect the high-frequency one). The sink is told every change.
using RumbleSink = void (*)(int slot, std::uint16_t low, std::uint16_t high);
void SetRumbleSink(RumbleSink sink);

// Every rumble change is also recorded (the last 4096), stamped with the millisecond clock.
struct RumbleChange {
  std::uint32_t timeMs;
  int slot;
  std::uint16_t low, high;
};
std::vector<RumbleChange> GetRumbleChanges();
void ClearRumbleChanges();

// Back-end hooks run when the engine opens the DirectInput object or asks for joystick capabilities, so a back-end
// can find the pads attached at that moment. Runs on the calling thread.
using DeviceScanHook = void (*)();
void SetDeviceScanHook(DeviceScanHook hook);

}  // namespace platform
