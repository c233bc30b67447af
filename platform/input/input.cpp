#include "platform/input/input.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/base/clock.h"
#include "platform/files/path.h"

namespace platform {

namespace {

struct PadSlot {
  bool present = false;  // the slot belongs to a pad (plugged or not)
  bool plugged = false;
  bool lost = false;
  PadDescription description;
  std::int32_t axes[kPadAxisCount] = {};
  std::uint32_t buttons = 0;
  std::uint32_t pov = kPovCentred;
  std::uint16_t rumbleLow = 0, rumbleHigh = 0;
};

bool IsPadId(InputDeviceId id) { return id >= kPadDeviceBase && id < kPadDeviceBase + kMaxInputPads; }
int PadSlotOf(InputDeviceId id) { return static_cast<int>(id - kPadDeviceBase); }

}  // namespace

struct InputHub {
  std::mutex mutex;
  std::uint8_t keys[256] = {};         // by DirectInput key code
  std::uint8_t virtualKeys[256] = {};  // by virtual-key code
  PadSlot pads[kMaxInputPads];
  DirectInputAvailability availability7 = DirectInputAvailability::Available;
  DirectInputAvailability availability8 = DirectInputAvailability::Available;
  std::uint32_t keyboardFaults = 0, mouseFaults = 0;
  int keyboardAcquireFailures = 0;
  bool keyboardLost = false;
  InputDeviceCounters counters{};
  std::vector<InputDevice*> devices;  // every device not yet released
  RumbleSink rumbleSink = nullptr;
  static constexpr std::size_t kMaxRumbleChanges = 4096;
  std::vector<RumbleChange> rumbleChanges;
  DeviceScanHook scanHook = nullptr;

  void SignalDevices(InputDeviceId id) {
    for (InputDevice* d : devices)
      if (d->id_ == id && d->event_) d->event_->Set();
  }

  void UpdateVirtualKey(int virtualKey) {
    if (virtualKey == 0) return;
    std::uint8_t down = 0;
    for (int code = 0; code < 256; ++code)
      if (VirtualKeyForKeyCode(code) == virtualKey) down |= keys[code];
    virtualKeys[virtualKey] = down;
    // The side-less shift, control and menu keys follow their left and right keys.
    virtualKeys[vk::kShift] = virtualKeys[vk::kLeftShift] | virtualKeys[vk::kRightShift];
    virtualKeys[vk::kControl] = virtualKeys[vk::kLeftControl] | virtualKeys[vk::kRightControl];
    virtualKeys[vk::kMenu] = virtualKeys[vk::kLeftMenu] | virtualKeys[vk::kRightMenu];
  }

  // Recomputes a pad's rumble from its running effects. True when it changed: the caller then hands it to the sink
  // with DeliverRumble once it has let go of the hub's lock.
  bool UpdateRumble(int slot) {
    std::uint32_t low = 0, high = 0;
    for (InputDevice* d : devices) {
      if (d->id_ != kPadDeviceBase + static_cast<InputDeviceId>(slot)) continue;
      for (InputEffect* e : d->effects_) {
        if (!e->running_) continue;
        std::uint64_t magnitude = static_cast<std::uint64_t>(std::clamp(e->params_.magnitude, 0, 10000));
        std::uint64_t gain = std::min<std::uint32_t>(e->params_.gain, 10000);
        auto strength = static_cast<std::uint32_t>(magnitude * gain * 65535 / (10000ull * 10000ull));
        if (e->params_.kind == EffectKind::ConstantForce)
          low = std::max(low, strength);
        else
          high = std::max(high, strength);
      }
    }
    PadSlot& p = pads[slot];
    if (low == p.rumbleLow && high == p.rumbleHigh) return false;
    p.rumbleLow = static_cast<std::uint16_t>(low);
    p.rumbleHigh = static_cast<std::uint16_t>(high);
    if (rumbleChanges.size() >= kMaxRumbleChanges) rumbleChanges.erase(rumbleChanges.begin());
    rumbleChanges.push_back(RumbleChange{MillisecondClock(), slot, p.rumbleLow, p.rumbleHigh});
    return true;
  }
};

namespace {

InputHub& Hub();

// Hands a pad's current rumble to the sink. The hub's lock is not held while the sink runs: the sink takes its
// back-end's lock, and the back-end holds that lock while it calls into the hub, so holding both here would invert
// their order. Deliveries keep their order through a lock of their own, taken before either.
void DeliverRumble(int slot) {
  static std::mutex delivery;
  std::lock_guard order(delivery);
  RumbleSink sink = nullptr;
  std::uint16_t low = 0, high = 0;
  {
    std::lock_guard lock(Hub().mutex);
    sink = Hub().rumbleSink;
    low = Hub().pads[slot].rumbleLow;
    high = Hub().pads[slot].rumbleHigh;
  }
  if (sink) sink(slot, low, high);
}

InputHub& Hub() {
  static InputHub hub;
  return hub;
}

void RunScanHook() {
  DeviceScanHook hook;
  {
    std::lock_guard lock(Hub().mutex);
    hook = Hub().scanHook;
  }
  if (hook) hook();
}

std::int32_t MapAxis(std::int32_t raw, std::int32_t minimum, std::int32_t maximum, std::uint32_t deadZone) {
  std::int64_t magnitude = raw < 0 ? -static_cast<std::int64_t>(raw) : raw;
  std::int64_t fraction = magnitude >= 32767 ? 10000 : magnitude * 10000 / 32767;  // 0..10000 of the half range
  std::int64_t dz = std::min<std::uint32_t>(deadZone, 10000);
  std::int64_t twiceCentre = static_cast<std::int64_t>(minimum) + maximum;
  std::int64_t span = static_cast<std::int64_t>(maximum) - minimum;
  if (fraction <= dz || dz >= 10000) return static_cast<std::int32_t>(twiceCentre / 2);
  std::int64_t twiceOffset = (fraction - dz) * span / (10000 - dz);
  return static_cast<std::int32_t>((twiceCentre + (raw < 0 ? -twiceOffset : twiceOffset)) / 2);
}

int AxisIndex(int offset) {
  if (offset < 0 || offset % 4 != 0 || offset / 4 >= kPadAxisCount) return -1;
  return offset / 4;
}

}  // namespace

// ---- Effects ---------------------------------------------------------------------------------------------------------

InputResult InputEffect::SetRunning(bool running) {
  int slot = -1;
  {
    std::lock_guard lock(Hub().mutex);
    if (!device_) return kDiErrInputLost;
    running_ = running;
    if (Hub().UpdateRumble(PadSlotOf(device_->id_))) slot = PadSlotOf(device_->id_);
  }
  if (slot >= 0) DeliverRumble(slot);
  return kDiOk;
}

InputResult InputEffect::Start(std::uint32_t, std::uint32_t) { return SetRunning(true); }

InputResult InputEffect::Stop() { return SetRunning(false); }

void InputEffect::Release() {
  int slot = -1;
  {
    std::lock_guard lock(Hub().mutex);
    if (device_) {
      running_ = false;
      auto& list = device_->effects_;
      list.erase(std::remove(list.begin(), list.end(), this), list.end());
      if (Hub().UpdateRumble(PadSlotOf(device_->id_))) slot = PadSlotOf(device_->id_);
    }
    --Hub().counters.openEffects;
  }
  if (slot >= 0) DeliverRumble(slot);
  delete this;
}

// ---- Devices ---------------------------------------------------------------------------------------------------------

InputResult InputDevice::SetDataFormat(InputDataFormat format) {
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  if (acquired_) return kDiErrGeneric;
  if (id_ == kSysKeyboard) {
    if (h.keyboardFaults & kSysFaultDataFormat) return kDiErrGeneric;
  } else if (id_ == kSysMouse) {
    if (h.mouseFaults & kSysFaultDataFormat) return kDiErrGeneric;
  } else if (h.pads[PadSlotOf(id_)].description.faults & kPadFaultDataFormat) {
    return kDiErrGeneric;
  }
  formatSet_ = true;
  format_ = format;
  return kDiOk;
}

InputResult InputDevice::SetCooperativeLevel(std::uintptr_t, std::uint32_t flags) {
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  bool exclusive = flags & kCoopExclusive, nonExclusive = flags & kCoopNonExclusive;
  bool foreground = flags & kCoopForeground, background = flags & kCoopBackground;
  if (exclusive == nonExclusive || foreground == background) return kDiErrInvalidParam;
  std::uint32_t faults = id_ == kSysKeyboard ? h.keyboardFaults : id_ == kSysMouse ? h.mouseFaults : 0;
  if (faults & kSysFaultCooperative) return kDiErrGeneric;
  if (IsPadId(id_) && (h.pads[PadSlotOf(id_)].description.faults & kPadFaultCooperative)) return kDiErrGeneric;
  return kDiOk;
}

InputResult InputDevice::SetBufferSize(std::uint32_t) {
  std::lock_guard lock(Hub().mutex);
  if (id_ == kSysKeyboard && (Hub().keyboardFaults & kSysFaultBufferSize)) return kDiErrGeneric;
  return kDiOk;
}

InputResult InputDevice::SetAxisRange(int axisOffset, std::int32_t minimum, std::int32_t maximum) {
  std::lock_guard lock(Hub().mutex);
  int axis = AxisIndex(axisOffset);
  if (!IsPadId(id_) || axis < 0 || minimum >= maximum) return kDiErrInvalidParam;
  const PadDescription& d = Hub().pads[PadSlotOf(id_)].description;
  if ((axis == 0 && (d.faults & kPadFaultRangeX)) || (axis == 1 && (d.faults & kPadFaultRangeY)))
    return kDiErrGeneric;
  if ((axis == 2 && !d.hasZ) || (axis == 5 && !d.hasR)) return kDiErrUnsupported;
  axes_[axis].minimum = minimum;
  axes_[axis].maximum = maximum;
  return kDiOk;
}

InputResult InputDevice::SetAxisDeadZone(int axisOffset, std::uint32_t deadZone) {
  std::lock_guard lock(Hub().mutex);
  int axis = AxisIndex(axisOffset);
  if (!IsPadId(id_) || axis < 0 || deadZone > 10000) return kDiErrInvalidParam;
  const PadDescription& d = Hub().pads[PadSlotOf(id_)].description;
  if ((axis == 0 && (d.faults & kPadFaultDeadZoneX)) || (axis == 1 && (d.faults & kPadFaultDeadZoneY)))
    return kDiErrGeneric;
  if ((axis == 2 && !d.hasZ) || (axis == 5 && !d.hasR)) return kDiErrUnsupported;
  axes_[axis].deadZone = deadZone;
  return kDiOk;
}

InputResult InputDevice::SetEventNotification(Event* event) {
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  if (event) {
    if (id_ == kSysKeyboard && (h.keyboardFaults & kSysFaultEvent)) return kDiErrGeneric;
    if (IsPadId(id_) && (h.pads[PadSlotOf(id_)].description.faults & kPadFaultEvent)) return kDiErrGeneric;
  }
  event_ = event;
  return kDiOk;
}

InputResult InputDevice::Acquire() {
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  if (!formatSet_) return kDiErrInvalidParam;
  if (id_ == kSysKeyboard && h.keyboardAcquireFailures > 0) {
    --h.keyboardAcquireFailures;
    return kDiErrGeneric;
  }
  acquired_ = true;
  ++h.counters.acquires;
  return kDiOk;
}

InputResult InputDevice::Unacquire() {
  std::lock_guard lock(Hub().mutex);
  acquired_ = false;
  return kDiOk;
}

InputResult InputDevice::Poll() {
  std::lock_guard lock(Hub().mutex);
  return acquired_ ? kDiOk : kDiErrNotAcquired;
}

InputResult InputDevice::GetDeviceState(std::uint32_t size, void* data) {
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  if (!formatSet_ || data == nullptr) return kDiErrInvalidParam;
  std::uint32_t expected = format_ == InputDataFormat::Keyboard   ? kKeyboardStateBytes
                           : format_ == InputDataFormat::Joystick ? kJoystickStateBytes
                                                                  : kMouseStateBytes;
  if (size != expected) return kDiErrInvalidParam;

  if (id_ == kSysKeyboard) {
    ++h.counters.keyboardReads;
    if (h.keyboardLost) {
      h.keyboardLost = false;
      for (InputDevice* d : h.devices)
        if (d->id_ == kSysKeyboard) d->acquired_ = false;
      return kDiErrInputLost;
    }
    if (!acquired_) return kDiErrNotAcquired;
    if (format_ == InputDataFormat::Keyboard) std::memcpy(data, h.keys, 256);
    else std::memset(data, 0, size);
    return kDiOk;
  }
  if (id_ == kSysMouse) {
    if (!acquired_) return kDiErrNotAcquired;
    std::memset(data, 0, size);
    return kDiOk;
  }

  ++h.counters.padReads;
  PadSlot& p = h.pads[PadSlotOf(id_)];
  if (p.lost) {
    p.lost = false;
    for (InputDevice* d : h.devices)
      if (d->id_ == id_) d->acquired_ = false;
    return kDiErrInputLost;
  }
  if (!acquired_) return kDiErrNotAcquired;
  if (format_ != InputDataFormat::Joystick) {
    std::memset(data, 0, size);
    return kDiOk;
  }
  JoystickState s{};
  std::int32_t* out[kPadAxisCount] = {&s.x, &s.y, &s.z, &s.rx, &s.ry, &s.rz};
  for (int a = 0; a < kPadAxisCount; ++a)
    *out[a] = MapAxis(p.plugged ? p.axes[a] : 0, axes_[a].minimum, axes_[a].maximum, axes_[a].deadZone);
  s.pov[0] = p.plugged ? p.pov : kPovCentred;
  s.pov[1] = s.pov[2] = s.pov[3] = kPovCentred;
  for (int b = 0; b < 32; ++b)
    s.buttons[b] = (p.plugged && b < p.description.buttonCount && (p.buttons >> b & 1)) ? 0x80 : 0;
  std::memcpy(data, &s, sizeof s);
  return kDiOk;
}

InputResult InputDevice::GetDeviceInfo(InputDeviceInstance* info) {
  std::lock_guard lock(Hub().mutex);
  if (!info) return kDiErrInvalidParam;
  std::memset(info, 0, sizeof *info);
  info->instance = id_;
  info->product = id_;
  if (id_ == kSysKeyboard) {
    info->type = 3;
    std::snprintf(info->instanceName, sizeof info->instanceName, "Keyboard");
  } else if (id_ == kSysMouse) {
    info->type = 2;
    std::snprintf(info->instanceName, sizeof info->instanceName, "Mouse");
  } else {
    const PadDescription& d = Hub().pads[PadSlotOf(id_)].description;
    info->type = kDeviceTypeGameController;
    std::snprintf(info->instanceName, sizeof info->instanceName, "%s", Utf8ToCp932(d.instanceName).c_str());
    std::snprintf(info->productName, sizeof info->productName, "%s", Utf8ToCp932(d.productName).c_str());
    return kDiOk;
  }
  std::snprintf(info->productName, sizeof info->productName, "%s", info->instanceName);
  return kDiOk;
}

InputResult InputDevice::CreateEffect(const EffectParams& params, InputEffect** effect) {
  std::lock_guard lock(Hub().mutex);
  if (!effect) return kDiErrInvalidParam;
  *effect = nullptr;
  if (!IsPadId(id_)) return kDiErrUnsupported;
  const PadDescription& d = Hub().pads[PadSlotOf(id_)].description;
  if (!d.forceFeedback) return kDiErrUnsupported;
  if (params.kind == EffectKind::Sine && (d.faults & kPadFaultSineEffect)) return kDiErrGeneric;
  if (params.kind == EffectKind::ConstantForce && (d.faults & kPadFaultConstantEffect)) return kDiErrGeneric;
  auto* e = new InputEffect(this, params);
  effects_.push_back(e);
  ++Hub().counters.openEffects;
  *effect = e;
  return kDiOk;
}

void InputDevice::Release() {
  int slot = -1;
  {
    std::lock_guard lock(Hub().mutex);
    InputHub& h = Hub();
    h.devices.erase(std::remove(h.devices.begin(), h.devices.end(), this), h.devices.end());
    // Effects still held by the caller stay valid objects but no longer reach the device.
    for (InputEffect* e : effects_) {
      e->running_ = false;
      e->device_ = nullptr;
    }
    if (IsPadId(id_) && !effects_.empty()) {
      effects_.clear();
      if (h.UpdateRumble(PadSlotOf(id_))) slot = PadSlotOf(id_);
    }
    --h.counters.openDevices;
  }
  if (slot >= 0) DeliverRumble(slot);
  delete this;
}

// ---- The DirectInput object ------------------------------------------------------------------------------------------

InputResult CreateDirectInput(int version, DirectInputObject** object) {
  if (!object) return kDiErrInvalidParam;
  *object = nullptr;
  DirectInputAvailability a;
  {
    std::lock_guard lock(Hub().mutex);
    if (version != 7 && version != 8) return kDiErrNotRegistered;
    a = version == 7 ? Hub().availability7 : Hub().availability8;
  }
  if (a == DirectInputAvailability::CreateFails) return kDiErrNotRegistered;
  RunScanHook();
  *object = new DirectInputObject(version);
  return kDiOk;
}

InputResult DirectInputObject::Initialize(int versionCode) {
  std::lock_guard lock(Hub().mutex);
  DirectInputAvailability a = version_ == 7 ? Hub().availability7 : Hub().availability8;
  if (a == DirectInputAvailability::InitializeFails) return kDiErrGeneric;
  if (versionCode != version_ * 0x100) return kDiErrGeneric;
  initialised_ = true;
  return kDiOk;
}

InputResult DirectInputObject::EnumDevices(int deviceType, EnumCallback callback, void* context, std::uint32_t) {
  if (!initialised_) return kDiErrNotAcquired;
  if (!callback) return kDiErrInvalidParam;
  if (deviceType != kDeviceTypeGameController) return kDiOk;
  RunScanHook();
  std::vector<InputDeviceInstance> found;
  {
    std::lock_guard lock(Hub().mutex);
    for (int slot = 0; slot < kMaxInputPads; ++slot) {
      const PadSlot& p = Hub().pads[slot];
      if (!p.present || !p.plugged) continue;
      InputDeviceInstance info{};
      info.instance = info.product = kPadDeviceBase + static_cast<InputDeviceId>(slot);
      info.type = kDeviceTypeGameController;
      std::snprintf(info.instanceName, sizeof info.instanceName, "%s", Utf8ToCp932(p.description.instanceName).c_str());
      std::snprintf(info.productName, sizeof info.productName, "%s", Utf8ToCp932(p.description.productName).c_str());
      found.push_back(info);
    }
  }
  for (const InputDeviceInstance& info : found)
    if (callback(&info, context) == kEnumStop) break;
  return kDiOk;
}

InputResult DirectInputObject::Create(InputDeviceId id, InputDevice** device) {
  if (!device) return kDiErrInvalidParam;
  *device = nullptr;
  if (!initialised_) return kDiErrNotAcquired;
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  if (id == kSysKeyboard) {
    if (h.keyboardFaults & kSysFaultCreate) return kDiErrGeneric;
  } else if (id == kSysMouse) {
    if (h.mouseFaults & kSysFaultCreate) return kDiErrGeneric;
  } else if (IsPadId(id)) {
    const PadSlot& p = h.pads[PadSlotOf(id)];
    if (!p.present) return kDiErrNotRegistered;
    if (p.description.faults & kPadFaultCreate) return kDiErrGeneric;
  } else {
    return kDiErrNotRegistered;
  }
  auto* d = new InputDevice(id);
  h.devices.push_back(d);
  ++h.counters.openDevices;
  *device = d;
  return kDiOk;
}

InputResult DirectInputObject::CreateDevice(InputDeviceId id, InputDevice** device) {
  if (version_ != 8) {
    if (device) *device = nullptr;
    return kDiErrUnsupported;
  }
  return Create(id, device);
}

InputResult DirectInputObject::CreateDeviceEx(InputDeviceId id, InputDevice** device) {
  if (version_ != 7) {
    if (device) *device = nullptr;
    return kDiErrUnsupported;
  }
  return Create(id, device);
}

void DirectInputObject::Release() { delete this; }

// ---- Multimedia joystick functions -------------------------------------------------------------------------------------

std::uint32_t JoyGetDevCaps(std::uint32_t id, JoyCaps* caps) {
  if (!caps || id >= kMaxInputPads) return kJoyErrParms;
  RunScanHook();
  std::lock_guard lock(Hub().mutex);
  const PadSlot& p = Hub().pads[id];
  if (!p.present || !p.plugged) return kJoyErrUnplugged;
  std::memset(caps, 0, sizeof *caps);
  std::snprintf(caps->name, sizeof caps->name, "%s", Utf8ToCp932(p.description.productName).c_str());
  caps->numButtons = static_cast<std::uint32_t>(std::clamp(p.description.buttonCount, 0, 32));
  caps->numAxes = 2u + (p.description.hasZ ? 1u : 0u) + (p.description.hasR ? 1u : 0u);
  caps->caps = (p.description.hasZ ? kJoyCapsHasZ : 0u) | (p.description.hasR ? kJoyCapsHasR : 0u);
  return kJoyNoError;
}

std::uint32_t JoyGetPosEx(std::uint32_t id, JoyInfoEx* info) {
  if (!info || info->size != kJoyInfoExSize || id >= kMaxInputPads) return kJoyErrParms;
  std::lock_guard lock(Hub().mutex);
  ++Hub().counters.joyReads;
  const PadSlot& p = Hub().pads[id];
  if (!p.present || !p.plugged) return kJoyErrUnplugged;
  auto position = [&](PadAxis a) {
    return static_cast<std::uint32_t>(p.axes[static_cast<int>(a)] + 32768);
  };
  info->xpos = position(PadAxis::X);
  info->ypos = position(PadAxis::Y);
  info->zpos = p.description.hasZ ? position(PadAxis::Z) : 32767;
  info->rpos = p.description.hasR ? position(PadAxis::Rz) : 32767;
  info->upos = position(PadAxis::Rx);
  info->vpos = position(PadAxis::Ry);
  std::uint32_t mask = p.description.buttonCount >= 32 ? 0xFFFFFFFFu
                       : p.description.buttonCount <= 0 ? 0u
                                                        : (1u << p.description.buttonCount) - 1;
  info->buttons = p.buttons & mask;
  info->buttonNumber = static_cast<std::uint32_t>(std::popcount(info->buttons));
  info->pov = p.pov == kPovCentred ? 0xFFFFu : p.pov;
  return kJoyNoError;
}

void GetSystemKeyboardState(std::uint8_t state[256]) {
  std::lock_guard lock(Hub().mutex);
  ++Hub().counters.systemKeyboardReads;
  std::memcpy(state, Hub().virtualKeys, 256);
}

// ---- Feeding ---------------------------------------------------------------------------------------------------------

int AttachPad(const PadDescription& description, int slot) {
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  if (slot < 0) {
    for (int s = 0; s < kMaxInputPads; ++s)
      if (!h.pads[s].present) {
        slot = s;
        break;
      }
    if (slot < 0) return -1;
  }
  if (slot >= kMaxInputPads) return -1;
  PadSlot& p = h.pads[slot];
  std::uint16_t low = p.rumbleLow, high = p.rumbleHigh;
  p = PadSlot{};
  p.rumbleLow = low;
  p.rumbleHigh = high;
  p.present = p.plugged = true;
  p.description = description;
  h.SignalDevices(kPadDeviceBase + static_cast<InputDeviceId>(slot));
  return slot;
}

void DetachPad(int slot) {
  std::lock_guard lock(Hub().mutex);
  if (slot < 0 || slot >= kMaxInputPads) return;
  PadSlot& p = Hub().pads[slot];
  if (!p.present) return;
  p.plugged = false;
  std::fill(std::begin(p.axes), std::end(p.axes), 0);
  p.buttons = 0;
  p.pov = kPovCentred;
  Hub().SignalDevices(kPadDeviceBase + static_cast<InputDeviceId>(slot));
}

void RemovePad(int slot) {
  std::lock_guard lock(Hub().mutex);
  if (slot < 0 || slot >= kMaxInputPads) return;
  Hub().pads[slot] = PadSlot{};
  Hub().SignalDevices(kPadDeviceBase + static_cast<InputDeviceId>(slot));
}

bool IsPadAttached(int slot) {
  std::lock_guard lock(Hub().mutex);
  return slot >= 0 && slot < kMaxInputPads && Hub().pads[slot].present && Hub().pads[slot].plugged;
}

void SetPadAxis(int slot, PadAxis axis, std::int32_t value) {
  std::lock_guard lock(Hub().mutex);
  if (slot < 0 || slot >= kMaxInputPads || !Hub().pads[slot].plugged) return;
  Hub().pads[slot].axes[static_cast<int>(axis)] = std::clamp(value, -32768, 32767);
  Hub().SignalDevices(kPadDeviceBase + static_cast<InputDeviceId>(slot));
}

void SetPadButton(int slot, int button, bool down) {
  std::lock_guard lock(Hub().mutex);
  if (slot < 0 || slot >= kMaxInputPads || !Hub().pads[slot].plugged || button < 0 || button >= 32) return;
  std::uint32_t bit = 1u << button;
  std::uint32_t& b = Hub().pads[slot].buttons;
  b = down ? (b | bit) : (b & ~bit);
  Hub().SignalDevices(kPadDeviceBase + static_cast<InputDeviceId>(slot));
}

void SetPadPov(int slot, std::uint32_t pov) {
  std::lock_guard lock(Hub().mutex);
  if (slot < 0 || slot >= kMaxInputPads || !Hub().pads[slot].plugged) return;
  Hub().pads[slot].pov = pov;
  Hub().SignalDevices(kPadDeviceBase + static_cast<InputDeviceId>(slot));
}

void LosePadAcquisition(int slot) {
  std::lock_guard lock(Hub().mutex);
  if (slot < 0 || slot >= kMaxInputPads) return;
  Hub().pads[slot].lost = true;
}

void SetKeyDown(int keyCode, bool down) {
  std::lock_guard lock(Hub().mutex);
  if (keyCode < 0 || keyCode > 255) return;
  InputHub& h = Hub();
  std::uint8_t value = down ? 0x80 : 0;
  if (h.keys[keyCode] == value) return;
  h.keys[keyCode] = value;
  h.UpdateVirtualKey(VirtualKeyForKeyCode(keyCode));
  h.SignalDevices(kSysKeyboard);
}

void SetVirtualKeyDown(int virtualKey, bool down) {
  std::lock_guard lock(Hub().mutex);
  if (virtualKey < 0 || virtualKey > 255) return;
  Hub().virtualKeys[virtualKey] = down ? 0x80 : 0;
}

void ReleaseAllKeys() {
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  bool any = false;
  for (std::uint8_t k : h.keys) any |= k != 0;
  std::memset(h.keys, 0, sizeof h.keys);
  std::memset(h.virtualKeys, 0, sizeof h.virtualKeys);
  if (any) h.SignalDevices(kSysKeyboard);
}

// ---- Switches ----------------------------------------------------------------------------------------------------------

void SetDirectInputAvailability(int version, DirectInputAvailability availability) {
  std::lock_guard lock(Hub().mutex);
  if (version == 7) Hub().availability7 = availability;
  if (version == 8) Hub().availability8 = availability;
}

void SetSystemDeviceFaults(InputDeviceId device, std::uint32_t faults) {
  std::lock_guard lock(Hub().mutex);
  if (device == kSysKeyboard) Hub().keyboardFaults = faults;
  if (device == kSysMouse) Hub().mouseFaults = faults;
}

void FailKeyboardAcquire(int count) {
  std::lock_guard lock(Hub().mutex);
  Hub().keyboardAcquireFailures = count;
}

void LoseKeyboardAcquisition() {
  std::lock_guard lock(Hub().mutex);
  Hub().keyboardLost = true;
}

void ResetInputDevices() {
  std::lock_guard lock(Hub().mutex);
  InputHub& h = Hub();
  std::memset(h.keys, 0, sizeof h.keys);
  std::memset(h.virtualKeys, 0, sizeof h.virtualKeys);
  for (PadSlot& p : h.pads) p = PadSlot{};
  h.availability7 = h.availability8 = DirectInputAvailability::Available;
  h.keyboardFaults = h.mouseFaults = 0;
  h.keyboardAcquireFailures = 0;
  h.keyboardLost = false;
  int open = h.counters.openDevices, effects = h.counters.openEffects;
  h.counters = InputDeviceCounters{};
  h.counters.openDevices = open;
  h.counters.openEffects = effects;
}

InputDeviceCounters GetInputDeviceCounters() {
  std::lock_guard lock(Hub().mutex);
  return Hub().counters;
}

void SetRumbleSink(RumbleSink sink) {
  std::lock_guard lock(Hub().mutex);
  Hub().rumbleSink = sink;
}

std::vector<RumbleChange> GetRumbleChanges() {
  std::lock_guard lock(Hub().mutex);
  return Hub().rumbleChanges;
}

void ClearRumbleChanges() {
  std::lock_guard lock(Hub().mutex);
  Hub().rumbleChanges.clear();
}

void SetDeviceScanHook(DeviceScanHook hook) {
  std::lock_guard lock(Hub().mutex);
  Hub().scanHook = hook;
}

}  // namespace platform
