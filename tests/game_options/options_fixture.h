// The game-flow fixture plus what the option screens, the sound room and the captions read: fresh screen globals,
// a known settings record, sound effects that can be checked for their volume, and the back screen's pixels.
#pragma once

#include <cstring>

#include "engine/graphics/screen_buffer.h"
#include "engine/sound/sound.h"
#include "game/flow/captions.h"
#include "game/flow/option_screens.h"
#include "game/flow/game_parts.h"
#include "game/flow/sound_room.h"
#include "tests/game_flow/game_fixture.h"

namespace game_test {

inline constexpr int kPadDown = 1;
inline constexpr int kPadLeft = 2;
inline constexpr int kPadRight = 4;
inline constexpr int kPadUp = 8;
// Pad button b (1..8).
constexpr int Button(int b) { return 0x10 << (b - 1); }

// One frame of the current mode as the main loop runs it.
inline void Frame(int pad) {
  map_buttons(pad);
  run_game_mode(pad);
}
// A press: the pad word for one frame, then a frame with nothing held.
inline void Press(int pad) {
  Frame(pad);
  Frame(0);
}

// The engine volume (0..255) a sound handle was last given, read back from its buffer's attenuation.
inline std::int32_t HandleAttenuation(int handle) {
  std::int32_t hundredths = 1;
  SoundRecord* record = GetSoundRecord(handle);
  if (record != nullptr && record->slots[0].buffer != nullptr) record->slots[0].buffer->GetVolume(&hundredths);
  return hundredths;
}

class GameOptions : public GameFlow {
 protected:
  void SetUp() override {
    GameFlow::SetUp();
    SelectDrawTarget(-2);
    std::memset(settings_record, 0, sizeof settings_record);
    window_flag = 1;
    texture_graphics_flag = 1;
    for (int b = 0; b <= 8; ++b) button_map_edit[b] = 0;
    scene_timer = 0;
    leave_fade = 0;
    screen_pic_a = screen_pic_b = screen_pic_c = -1;
    caption_code = caption_start = 0;
    frame_start_ms = 0;
    hero = 0;
    stage = 1;
  }

  // Loads a short WAV into the given sound slots (the cursor, decide and refuse sounds when none are given).
  static void LoadEffects(std::initializer_list<int> slots) {
    WriteBytes("ssez/tone.wav", TinyWav());
    for (int slot : slots) sound_table[slot] = LoadSoundFile("ssez/tone.wav", 3, -1);
  }

  static std::uint32_t Pixel(int x, int y) {
    const platform::dd::Surface* back = GetBackSurface();
    std::uint32_t v;
    std::memcpy(&v, back->Pixels() + static_cast<std::ptrdiff_t>(y) * back->Pitch() + x * 4, 4);
    return v & 0xFFFFFF;
  }
  static void ClearBack() {
    SetBlendMode(0, 255);
    DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  }
};

}  // namespace game_test
