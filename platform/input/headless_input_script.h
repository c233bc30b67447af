// Scripted input for headless runs: one keyboard and pad state per frame, applied to the input devices by
// StepInputScript (a run calls it once per frame, before the game reads its input).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/input/input.h"

namespace platform::headless {

struct ScriptedPad {
  int slot = 0;
  std::int32_t axes[kPadAxisCount] = {};  // -32768..32767, in PadAxis order
  std::uint32_t buttons = 0;              // bit n = button n down
  std::uint32_t pov = kPovCentred;
};

struct InputFrame {
  std::vector<int> keysDown;  // DirectInput key codes held during the frame; every other key is up
  std::vector<ScriptedPad> pads;  // states of attached pads; pads not named keep their state
};

// Replaces the script and rewinds it. Pads named in any frame must be attached (AttachPad) by the caller.
void SetInputScript(std::vector<InputFrame> frames);
// Applies the next frame. Returns false (and changes nothing) once every frame has been applied.
bool StepInputScript();
// Frames applied so far.
int InputScriptPosition();
void ClearInputScript();

}  // namespace platform::headless
