#include "game/flow/prologue_screen.h"

#include "engine/core/public_api.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/logo_screen.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"

namespace {

constexpr int strip_x = 115;
constexpr int strip_width = 410;
constexpr int strip_height = 26;
constexpr int strip_src_x = 20;
constexpr int strip_src_y = 510;  // strip k (0..3) at strip_src_y + 26 k of the menu image

void black_box(int alpha) {
  SetBlendMode(1, alpha);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
}

// Strips 0 .. count - 1 drawn opaque as one cell from y 150; the fourth stands apart at y 256, 28 pixels below the
// third.
void draw_strips(int count) {
  const int sheet = menu_pics[menu_pic_system_sheet];
  const int block = count < 4 ? count : 3;
  if (block > 0) {
    DrawGraphPart(strip_x, 150, strip_src_x, strip_src_y, strip_width, strip_height * block, sheet, 1, 0);
  }
  if (count == 4) DrawGraphPart(strip_x, 256, strip_src_x, strip_src_y + 78, strip_width, strip_height, sheet, 1, 0);
}

void fade_strip(int k, int y, int alpha) {
  SetBlendMode(1, alpha);
  DrawGraphPart(strip_x, y, strip_src_x, strip_src_y + strip_height * k, strip_width, strip_height,
                menu_pics[menu_pic_system_sheet], 1, 0);
  SetBlendMode(0, 255);
}

// Steps 4..7: strip k fades in under the opaque ones above it.
void strip_step(int k, int y) {
  draw_strips(k);
  scene_state.step_frames += 2;
  fade_strip(k, y, scene_state.step_frames);
  if (scene_state.step_frames >= 254) next_scene_step();
}

}  // namespace

void prologue_screen(int) {
  SceneState& s = scene_state;
  DrawGraphAt(0, 0, screen_pic_b, 0);
  switch (s.step) {
    case 1:
      black_box(255);
      if (++s.step_frames > 100) {
        next_scene_step();
        frame_counter = 255;
      }
      break;
    case 2:
      frame_counter -= 3;
      black_box(frame_counter);
      if (frame_counter < 3) {
        frame_counter = 0;
        next_scene_step();
      }
      break;
    case 3:
      if (++s.step_frames > 100) {
        next_scene_step();
        frame_counter = 255;
      }
      break;
    case 4:
      strip_step(0, 150);
      break;
    case 5:
      strip_step(1, 176);
      break;
    case 6:
      strip_step(2, 202);
      break;
    case 7:
      strip_step(3, 256);
      break;
    case 8:
      draw_strips(4);
      s.step_frames += 2;
      if (s.step_frames >= 150) next_scene_step();
      break;
    case 9:
      draw_strips(4);
      if (action_held(action_main)) next_scene_step();
      break;
    case 10:
      draw_strips(4);
      s.step_frames += 3;
      black_box(s.step_frames);
      if (s.step_frames >= 253) {
        next_scene_step();
        frame_counter = 0;
        play_bgm("bgm/menu2.mp3", 3);
        game_mode = mode_location_select;
      }
      break;
    default:
      break;
  }
}
