#include "game/flow/ending_screens.h"

#include <initializer_list>

#include "engine/core/public_api.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/logo_screen.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/flow/story_scenes.h"

namespace {

SceneState& s = scene_state;

void white() { DrawRectangle(0, 0, 640, 480, MakeColorValue(255, 255, 255), 1); }
void white(int alpha) { draw_screen_box(255, 255, 255, alpha); }

int clamp_alpha(int a) { return a < 0 ? 0 : (a > 255 ? 255 : a); }

void cell(int x, int y, int sx, int sy, int w, int h, int handle, int alpha) {
  if (alpha <= 0) return;
  if (alpha < 255) SetBlendMode(1, alpha);
  DrawGraphPart(x, y, sx, sy, w, h, handle, 1, 0);
  if (alpha < 255) SetBlendMode(0, 255);
}

void picture(int handle, int alpha) {
  if (alpha <= 0) return;
  if (alpha < 255) SetBlendMode(1, alpha);
  DrawGraphAt(0, 0, handle, 0);
  if (alpha < 255) SetBlendMode(0, 255);
}

void next_step() {
  next_scene_step();
  s.tick = 0;
  scene_timer = 0;
}

void rise_to_255(int& value, int by) {
  value += by;
  if (value > 255) value = 255;
}

void leave_to_title() {
  for (int* handle : {&ending_sheet, &ending_backgrounds[0], &ending_backgrounds[1], &ending_backgrounds[2],
                      &ending_backgrounds[3], &staff_sheet}) {
    if (*handle != -1) DeleteGraphic(*handle, 0);
    *handle = -1;
  }
  frame_counter = 2;
  screen_phase = 0;
  StopMusicFile();
  game_mode = mode_title;
}

void reset_staff_counters() { frame_counter = fade_counter = glow_counter = phase_counter = 0; }

// ---- First ending ------------------------------------------------------------------------------------------------
int background(int n) { return ending_backgrounds[n - 1]; }

void title_lines(int first_alpha, int second_alpha) {
  cell(202, 150, 17, 9, 236, 31, ending_sheet, first_alpha);
  cell(145, 250, 17, 47, 349, 29, ending_sheet, second_alpha);
}

void ending_picture(int alpha) { cell(290, 140, 320, 145, 320, 335, ending_sheet, alpha); }
void text_block(int alpha) { cell(300, 150, 17, 113, 300, 350, ending_sheet, alpha); }
void last_picture(int alpha) { cell(260, 170, 14, 557, 200, 254, ending_sheet, alpha); }

// Cross-fade from background `from` to `to`; true when done.
bool cross_fade(int from, int to) {
  white();
  scene_timer += 2;
  picture(background(from), 255 - scene_timer);
  picture(background(to), scene_timer);
  return scene_timer >= 254;
}

int random_between(int low, int span) { return low + GetRandomUpTo(span); }

// Falling decorations over the pictures, through the hazard pool.
void decoration(int kind, int x, int y) { spawn_hazard(kind, 0, x, y, 1); }

void fifties_decoration() {
  if (s.step_frames % 50 == 0) decoration(50, random_between(100, 550), random_between(-150, 100));
}

// The closing title and message fading in over white, then the wait for MAIN held.
void closing_cells(int message_y, int alpha) {
  cell(120, 100, 0, 133, 400, 67, staff_sheet, alpha);
  cell(120, 300, 0, message_y, 400, 100, staff_sheet, alpha);
}

void closing_wait(int message_y) {
  white();
  const bool shown = s.step_frames >= 255;
  if (!shown) ++s.step_frames;
  closing_cells(message_y, s.step_frames);
  if (shown && action_held(action_main)) next_step();
}

void first_ending_step() {
  switch (s.step) {
    case 1:
      white();
      if (++s.step_frames >= 201) next_step();
      break;
    case 2:
      white();
      rise_to_255(scene_timer, 1);
      title_lines(scene_timer, 0);
      if (++s.step_frames >= 301) next_step();
      break;
    case 3:
      white();
      rise_to_255(scene_timer, 1);
      title_lines(255, scene_timer);
      s.step_frames += 2;
      if (s.step_frames > 600) next_step();
      break;
    case 4:
      white();
      title_lines(255, 255);
      ++s.tick;
      white(s.tick);
      if (s.tick >= 255) next_step();
      break;
    case 5:
      picture(background(2), 255);
      frame_counter -= 3;
      white(clamp_alpha(frame_counter));
      if (frame_counter <= 3) next_step();
      break;
    case 6:
      picture(background(2), 255);
      ++s.step_frames;
      if (s.step_frames >= 174) ending_picture(clamp_alpha(2 * s.step_frames - 346));
      if (s.step_frames >= 301) {
        next_step();
        play_bgm("bgm/ending_g.mp3", 3);
      }
      break;
    case 7: {
      picture(background(2), 255);
      ending_picture(255);
      const int lines = s.tick;
      if (lines > 0) cell(300, 150, 17, 113, 300, 16 * lines, ending_sheet, 255);
      scene_timer += 2;
      cell(300, 150 + 16 * lines, 17, 113 + 16 * lines, 300, 13, ending_sheet, clamp_alpha(scene_timer));
      if (scene_timer >= 240) {
        scene_timer = 0;
        if (++s.tick >= 18) next_step();
      }
      break;
    }
    case 8:
      picture(background(2), 255);
      ending_picture(255);
      text_block(255);
      if (++s.step_frames >= 151) {
        next_step();
        frame_counter = 0;
      }
      break;
    case 9:
      picture(background(2), 255);
      scene_timer += 2;
      ending_picture(255 - scene_timer);
      text_block(255 - scene_timer);
      if (scene_timer >= 254) {
        next_step();
        g_x = g_y = 0;
        reset_staff_counters();
      }
      break;
    case 10:
      picture(background(2), 255);
      if (staff_roll(2, 0)) next_step();
      break;
    case 11:
    case 13:
    case 15: {
      static constexpr int from[] = {2, 3, 4};
      static constexpr int to[] = {3, 4, 1};
      const int k = (s.step - 11) / 2;
      if (cross_fade(from[k], to[k])) next_step();
      break;
    }
    case 12:
      picture(background(3), 255);
      if (++s.step_frames % 100 == 0) {
        decoration(GetRandomUpTo(1) == 0 ? 47 : 48, random_between(200, 450), random_between(-150, 100));
      }
      if (staff_roll(3, 200)) next_step();
      break;
    case 14:
      picture(background(4), 255);
      if (++s.step_frames % 20 == 0) decoration(49, GetRandomUpTo(620), -50);
      if (staff_roll(4, 500)) next_step();
      break;
    case 16:
      picture(background(1), 255);
      ++s.step_frames;
      fifties_decoration();
      if (staff_roll(1, 900)) next_step();
      break;
    case 17:
      picture(background(1), 255);
      ++s.step_frames;
      fifties_decoration();
      if (s.step_frames >= 151) next_step();
      break;
    case 18:
      picture(background(1), 255);
      s.step_frames += 2;
      last_picture(clamp_alpha(s.step_frames));
      fifties_decoration();
      if (s.step_frames >= 254) {
        next_step();
        s.step_frames = 1;
      }
      break;
    case 19:
      picture(background(1), 255);
      last_picture(255);
      fifties_decoration();
      if (++s.step_frames >= 150) next_step();
      break;
    case 20:
      picture(background(1), 255);
      last_picture(255);
      s.step_frames += 2;
      white(clamp_alpha(s.step_frames));
      if (s.step_frames >= 254) {
        next_step();
        s.step_frames = 1;
      }
      break;
    case 21:
      white();
      if (++s.step_frames >= 200) next_step();
      break;
    case 22:
      closing_wait(clear_level > 1 ? 1100 : 1000);
      break;
    case 23:
      white();
      ++s.step_frames;
      closing_cells(clear_level > 1 ? 1100 : 1000, 255 - s.step_frames);
      if (s.step_frames >= 255) leave_to_title();
      break;
    default:
      break;
  }
}

// ---- Second ending -----------------------------------------------------------------------------------------------
void standing_hero() {
  DrawGraphPart(mx - 50, my, 600, 0, 120, 108, hero_body[0], 1, 0);
  DrawGraphPart(mx - 50, my, 600, 0, 120, 108, hero_body[1], 1, 0);
}

void walking_hero() {
  draw_menu_hero(1);
  if (++frame_counter >= 32) frame_counter = 0;
  mx -= 3;
}

}  // namespace

bool staff_roll(int entries, int base_y) {
  const int y = base_y + 100 * glow_counter;
  switch (phase_counter) {
    case 0:
      frame_counter += 5;
      ++fade_counter;
      cell(240, 370 - fade_counter, 0, y, 400, 100, staff_sheet, clamp_alpha(frame_counter));
      if (frame_counter >= 250) {
        phase_counter = 1;
        frame_counter = 0;
      }
      break;
    case 1:
      cell(240, 370 - fade_counter, 0, y, 400, 100, staff_sheet, 255);
      if (++frame_counter > 200) {
        phase_counter = 2;
        frame_counter = 255;
      }
      break;
    default:
      frame_counter -= 5;
      ++fade_counter;
      cell(240, 370 - fade_counter, 0, y, 400, 100, staff_sheet, clamp_alpha(frame_counter));
      if (frame_counter < 6) {
        phase_counter = 0;
        frame_counter = 0;
        fade_counter = 0;
        if (++glow_counter >= entries) {
          glow_counter = 0;
          return true;
        }
      }
      break;
  }
  return false;
}

void first_ending_screen(int) {
  first_ending_step();
  update_hazards();
}

void second_ending_screen(int pad) {
  if (s.step >= 1 && s.step <= 10) {
    picture(ending_backgrounds[0], 255);
  } else if (s.step >= 11 && s.step <= 16) {
    picture(ending_sheet, 255);
  }
  switch (s.step) {
    case 1:
      white();
      if (++s.step_frames >= 201) {
        next_step();
        frame_counter = 255;
      }
      break;
    case 2:
      frame_counter -= 3;
      white(clamp_alpha(frame_counter));
      if (frame_counter <= 3) {
        mx = 650;
        my = 300;
        next_step();
      }
      break;
    case 3:
      walking_hero();
      if (mx < 400) next_step();
      break;
    case 4:
      standing_hero();
      if (++s.step_frames >= 151) next_step();
      break;
    case 5:
      standing_hero();
      if (s.step_frames == 0) s.window_state = s.portrait_state = 0;
      draw_portraits();
      ++s.step_frames;
      if (s.window_state == 1 && s.portrait_state == 1) next_step();
      break;
    case 6:
      standing_hero();
      draw_portraits();
      dialogue_box(story_event, pad);
      break;
    case 7:
      standing_hero();
      if (s.step_frames == 0) s.window_state = s.portrait_state = 2;
      draw_portraits();
      ++s.step_frames;
      if (s.window_state == 3 && s.portrait_state == 3) next_step();
      break;
    case 8:
      standing_hero();
      if (++s.step_frames >= 101) {
        next_step();
        play_bgm("bgm/ending_l.mp3", 3);
      }
      break;
    case 9:
      walking_hero();
      if (mx < -200) {
        next_step();
        frame_counter = 0;  // the walk's cycle counter becomes the fade's alpha
      }
      break;
    case 10:
      frame_counter += 3;
      white(clamp_alpha(frame_counter));
      if (frame_counter >= 252) {
        frame_counter = 255;
        next_step();
      }
      break;
    case 11:
      white();
      if (++s.step_frames >= 101) next_step();
      break;
    case 12:
      frame_counter -= 3;
      white(clamp_alpha(frame_counter));
      if (frame_counter <= 3) {
        reset_staff_counters();
        next_step();
      }
      break;
    case 13:
      if (staff_roll(10, 0)) next_step();
      break;
    case 14:
      s.step_frames += 2;
      white(clamp_alpha(s.step_frames));
      if (s.step_frames >= 254) next_step();
      break;
    case 15:
      closing_wait(1100);
      break;
    case 16:
      white();
      s.step_frames += 2;
      closing_cells(1100, clamp_alpha(255 - s.step_frames));
      if (s.step_frames >= 254) leave_to_title();
      break;
    default:
      break;
  }
}
