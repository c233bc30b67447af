#include "game/flow/event_scene.h"

#include "engine/core/public_api.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/logo_screen.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/story_scenes.h"

namespace {

SceneState& s = scene_state;

constexpr int altar_event = 28;
constexpr int effect_all_01 = 6;
constexpr int effect_tr_all_04 = 12;
constexpr int light_picture = 8;     // "gsx/smg/08.png"

int hero_first_sheet() { return hero_body[0]; }
int hero_third_sheet() { return hero_body[2]; }
int partner_sheet() { return portrait_sheets[0]; }

void play_sound(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

void hero_standing() { DrawGraphPart(mx, my, 0, 0, 57, 108, hero_first_sheet(), 1, 0); }
void hero_facing() { DrawGraphPart(mx, my, 171, 0, 57, 108, hero_first_sheet(), 1, 0); }
void hero_kneeling() { DrawGraphPart(mx, my, 456, 540, 57, 108, hero_first_sheet(), 1, 0); }

void draw_doors() {
  const int sheet = menu_pics[menu_pic_system_sheet];
  DrawGraphPart(s.actor_x, s.actor_y, 398, 305, 82, 175, sheet, 1, 0);
  DrawGraphPart(s.door2_x, s.door2_y, 398, 305, 82, 175, sheet, 1, 0);
}

void partner_idle() {
  int cell = 120;
  if (fade_counter >= 210) {
    cell = 360;
  } else if (fade_counter >= 200) {
    cell = 240;
  }
  DrawGraphPart(420, 310, cell, 216, 120, 108, partner_sheet(), 1, 0);
  if (++fade_counter >= 220) fade_counter = 0;
}

// Step 8: the partner's consecration gesture by the step's frame count.
void partner_gesture() {
  struct Frame {
    int until;
    int x;
    int cell_x, cell_y;
  };
  static constexpr Frame frames[] = {
      {50, 420, 120, 216},  {58, 420, 0, 432},   {66, 420, 120, 432}, {74, 420, 240, 432}, {82, 420, 360, 432},
      {90, 400, 480, 432},  {98, 400, 600, 432}, {106, 400, 600, 0},  {114, 400, 600, 432}, {122, 400, 480, 432},
      {130, 400, 600, 432}, {138, 400, 600, 0},  {146, 400, 600, 432}, {154, 420, 360, 432}, {162, 420, 240, 432},
      {170, 420, 120, 432}, {178, 420, 0, 432}};
  const int f = s.step_frames;
  bool drawn = false;
  for (const Frame& frame : frames) {
    if (f < frame.until) {
      DrawGraphPart(frame.x, 310, frame.cell_x, frame.cell_y, 120, 108, partner_sheet(), 1, 0);
      drawn = true;
      break;
    }
  }
  if (!drawn) partner_idle();
  if (f == 74) play_sound(se_mb_u1);
  if (f == 170) play_sound(se_mb_sab1);
  if (f == 190) {
    skill_id = 1;
    skill_effect = 50;
    play_sound(se_cast);
    ++s.step;
  }
}

void open_step() {
  if (s.step_frames == 0) s.window_state = s.portrait_state = 0;
  draw_portraits();
  ++s.step_frames;
  if (s.window_state == 1 && s.portrait_state == 1) next_scene_step();
}

void talk_step(int pad) {
  draw_portraits();
  dialogue_box(story_event, pad);
  s.step_frames = 0;
}

bool close_step() {
  if (s.step_frames == 0) s.window_state = s.portrait_state = 2;
  draw_portraits();
  ++s.step_frames;
  if (s.window_state == 3 && s.portrait_state == 3) {
    next_scene_step();
    return true;
  }
  return false;
}

void walk_hero() {
  draw_menu_hero(0);
  if (++frame_counter >= 32) frame_counter = 0;
  mx += 3;
}

// Step 9: the consecration's three sub-phases (screen_cursor[0]) with the spare counter (tick).
void consecration() {
  hero_standing();
  int& sub = screen_cursor[0];
  if (sub == 0) {
    if (skill_effect > 0) {
      --skill_effect;
      spawn_sparkle();
      draw_skill_aura();
      update_sparkles();
    }
    if (skill_effect <= 0) {
      sub = 1;
      s.tick = 50;
      play_sound(se_buff);
    }
    return;
  }
  if (sub == 1) {
    DrawGraphPart(mx - 8, my - 35 + s.tick, 0, 216, 74, 20, effect_sheets[effect_all_01], 1, 0);
    if (--s.tick <= 0) {
      sub = 2;
      s.tick = 50;
      play_sound(se_critical);
    }
    return;
  }
  const int c = s.tick;
  const int cell_x = c % 10 < 4 ? 265 : (c % 10 < 7 ? 201 : 137);
  SetBlendMode(1, 2 * c + 10);
  for (int i = 0; i < c / 5 + 5; ++i) {
    DrawGraphPart(mx, my - 110 + c, cell_x, 484, 53, 104, effect_sheets[effect_tr_all_04], 1, 0);
  }
  SetBlendMode(1, c + 5);
  for (int i = 0; i < c / 10 + 2; ++i) {
    DrawGraphStretched(mx - 170 + 2 * c, my - 150 + 2 * c, mx + 222 - 2 * c, my + 242 - 2 * c,
                       gallery_pics[light_picture], 1);
  }
  SetBlendMode(0, 255);
  if (--s.tick <= 0) {
    next_scene_step();
    s.tick = 0;
    scene_timer = 0;
  }
}

void rising() {
  const int f = ++s.step_frames;
  if (f < 100) {
    hero_standing();
    return;
  }
  if (f < 200) {
    hero_kneeling();
    s.tick = 0;
    return;
  }
  if (my > 220) {
    --my;
    DrawGraphPart(mx, my, 57 * (s.tick / 8), 432, 57, 108, hero_third_sheet(), 1, 0);
    if (++s.tick >= 64) s.tick = 0;
    return;
  }
  scene_timer += 2;
  SetBlendMode(1, 255 - scene_timer > 0 ? 255 - scene_timer : 0);
  hero_kneeling();
  SetBlendMode(0, 255);
  if (scene_timer >= 254) {
    next_scene_step();
    s.tick = 0;
    scene_timer = 0;
  }
}

void fade_out() {
  if (++s.step_frames > 80) s.tick += 2;
  draw_screen_box(0, 0, 0, s.tick);
  if (s.tick >= 254) {
    frame_counter = 0;
    screen_phase = 0;
    screen_cursor[0] = screen_cursor[1] = 0;
    menu_counter_a = menu_counter_b = 0;
    s.step = 0;
    game_mode = mode_fall_scene;
    StopMusicFile();
    play_bgm("bgm/fall.mp3", 3);
    if (scene_background != -1) DeleteGraphic(scene_background, 0);
    scene_background = -1;
    mx = 290;
    my = 50;
  }
}

void steps(int pad) {
  switch (s.step) {
    case 0:
      hero_facing();
      open_step();
      break;
    case 1:
      hero_standing();
      talk_step(pad);
      break;
    case 2:
      hero_facing();
      close_step();
      break;
    case 3:
      if (mx <= 340) {
        walk_hero();
        break;
      }
      if (frame_counter >= 32) frame_counter = 0;
      hero_kneeling();
      ++s.step_frames;
      if (s.step_frames >= 105 && s.step_frames <= 125 && s.step_frames % 5 == 0) draw_screen_box(255, 255, 255, 168);
      if (s.step_frames > 250) {
        next_scene_step();
        play_sound(se_door);
      }
      break;
    case 4:
      hero_kneeling();
      if (s.step_frames % 2 == 0) {
        s.actor_x = static_cast<std::int16_t>(s.actor_x - 1);
        s.door2_x = static_cast<std::int16_t>(s.door2_x + 1);
      }
      if (++s.step_frames >= 50) next_scene_step();
      break;
    case 5:
      hero_kneeling();
      open_step();
      break;
    case 6:
      hero_kneeling();
      talk_step(pad);
      break;
    case 7:
      hero_kneeling();
      if (close_step()) s.tick = 0;
      break;
    case 8:
      hero_standing();
      ++s.step_frames;
      break;
    case 9:
      consecration();
      break;
    case 10:
      rising();
      break;
    case 11:
      fade_out();
      break;
    default:
      break;
  }
}

}  // namespace

void event_scene_screen(int pad) {
  draw_doors();
  DrawGraphAt(0, 0, scene_background, 1);
  if (hero == 0) {
    if (screen_phase == 2 && s.step == 8) {
      partner_gesture();
    } else {
      partner_idle();
    }
  }
  if (s.row >= 8 && s.row <= 10) DrawGraphPart(255, 140, 247, 0, 130, 130, menu_pics[menu_pic_acce], 1, 0);

  if (screen_phase == 0) {
    if (frame_counter == 255) {
      play_bgm("bgm/iv.mp3", 3);
      s.actor_x = 282;
      s.actor_y = 140;
      s.door2_x = 364;
      s.door2_y = 140;
      story_event = altar_event;
    }
    frame_counter -= 3;
    draw_screen_box(0, 0, 0, frame_counter);
    if (frame_counter < 4) {
      if (right_portrait_sheet != -1) DeleteGraphic(right_portrait_sheet, 0);
      right_portrait_sheet = LoadGraphicFile("gsx/system/stand_06.png");
      frame_counter = 0;
      s.step = 0;
      screen_phase = 1;
      mx = -100;
      my = 320;
    }
    return;
  }
  if (screen_phase == 1) {
    walk_hero();
    if (mx > 300) {
      screen_phase = 2;
      screen_cursor[0] = 0;
      s.step = 0;
      s.box_ready = 0;
      reset_scene_state();
    }
    return;
  }
  steps(pad);
}
