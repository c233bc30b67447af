#include "platform/input/headless_input_script.h"

#include <mutex>
#include <utility>

namespace platform::headless {

namespace {

struct Script {
  std::mutex mutex;
  std::vector<InputFrame> frames;
  std::size_t next = 0;
};

Script& TheScript() {
  static Script script;
  return script;
}

}  // namespace

void SetInputScript(std::vector<InputFrame> frames) {
  Script& s = TheScript();
  std::lock_guard lock(s.mutex);
  s.frames = std::move(frames);
  s.next = 0;
}

bool StepInputScript() {
  Script& s = TheScript();
  std::lock_guard lock(s.mutex);
  if (s.next >= s.frames.size()) return false;
  const InputFrame& f = s.frames[s.next++];
  bool down[256] = {};
  for (int code : f.keysDown)
    if (code >= 0 && code < 256) down[code] = true;
  for (int code = 0; code < 256; ++code) SetKeyDown(code, down[code]);  // unchanged keys signal nothing
  for (const ScriptedPad& p : f.pads) {
    for (int a = 0; a < kPadAxisCount; ++a) SetPadAxis(p.slot, static_cast<PadAxis>(a), p.axes[a]);
    for (int b = 0; b < 32; ++b) SetPadButton(p.slot, b, (p.buttons >> b & 1) != 0);
    SetPadPov(p.slot, p.pov);
  }
  return true;
}

int InputScriptPosition() {
  Script& s = TheScript();
  std::lock_guard lock(s.mutex);
  return static_cast<int>(s.next);
}

void ClearInputScript() {
  Script& s = TheScript();
  std::lock_guard lock(s.mutex);
  s.frames.clear();
  s.next = 0;
}

}  // namespace platform::headless
