#include "game/flow/logo_screen.h"

#include "engine/core/public_api.h"
#include "game/flow/game_modes.h"
#include "game/flow/option_screens.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"

namespace {

void white_box(int alpha) {
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(255, 255, 255), 1);
  SetBlendMode(0, 255);
}

}  // namespace

// frame_counter is the phase (0 fade in, 1 hold, 2 fade out), fade_counter its step counter.
void logo_screen(int) {
  DrawRectangle(0, 0, 640, 480, MakeColorValue(255, 255, 255), 1);
  DrawGraphPart(120, 180, 0, 133, 400, 67, logo_pic, 1, 0);
  if (frame_counter == 0) {
    white_box(255 - fade_counter);
    if (++fade_counter >= 255) {
      fade_counter = 0;
      frame_counter = 1;
      return;
    }
  } else if (frame_counter == 1) {
    if (++fade_counter >= 150) {
      fade_counter = 0;
      frame_counter = 2;
      return;
    }
  } else {
    white_box(fade_counter);
    if (fade_counter + 2 < 254) {
      fade_counter += 2;
    } else {
      frame_counter = 0;
      fade_counter = 0;
      game_mode = mode_title;
    }
    return;
  }
  if (action_held(action_main)) {
    frame_counter = 2;
    fade_counter = 0;
  }
}

void play_bgm(const char* path, int play_type) {
  PlayMusicFile(path, play_type);
  // The same 0..100 -> 0..255 mapping as the sound options, so a setting sounds the same whichever way it is applied.
  SetMusicVolume(engine_volume(bgm_volume));
}
