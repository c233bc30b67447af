#include "game/flow/story_scenes.h"

#include "engine/core/public_api.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/logo_screen.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"

int scene_background = -1;
int boss_sheet = -1;
int ending_sheet = -1;
int ending_backgrounds[4] = {-1, -1, -1, -1};
int staff_sheet = -1;

namespace {

// Sound-set entries the scenes play.

constexpr int hero_cell_w = 57;
constexpr int hero_cell_h = 108;
constexpr int partner_cell_w = 120;
constexpr int partner_cell_h = 108;
constexpr int boss_cell_w = 198;
constexpr int boss_cell_h = 293;
constexpr int boss_big_w = 350;

SceneState& s = scene_state;

int hero_sheet() { return hero_body[0]; }
int partner_sheet() { return portrait_sheets[0]; }

void play_sound(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

// Wait N: counts frames and goes on after N of them.
void wait_step(int frames) {
  if (++s.step_frames >= frames) next_scene_step();
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
}

// True on the frame the conversation has closed (the step has moved on).
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

// Steps first, first + 1, first + 2: open, talk, close. True on the frame the close ends.
bool conversation(int first, int pad) {
  if (s.step == first) {
    open_step();
  } else if (s.step == first + 1) {
    talk_step(pad);
  } else if (s.step == first + 2) {
    return close_step();
  }
  return false;
}

int random_offset() { return GetRandomUpTo(20) - 10; }

// Four sparkle effects around a world point.
void vanish_effects(int x, int y) {
  for (int i = 0; i < 4; ++i) spawn_effect(x + random_offset(), y + random_offset(), 23);
}

// Every alive minion of kind 18 goes into its dying sequence.
void dissolve_minions() {
  constexpr int kind = 18;
  for (int i = 0; i < enemy_loop_end(); ++i) {
    EnemyRecord& e = enemy_pool[i];
    if (e.type != kind || e.state == enemy_free) continue;
    e.state = enemy_dying;
    e.mode = 1;
    e.timer = 0;
    PlaySoundHandle(enemy_death_sounds[kind], 1, 1);
    spawn_effect(e.x - 25, e.y - 40, 15);
  }
}

// Every active enemy of `kind` vanishes in sparkles and is freed.
void vanish_enemies(int kind) {
  for (int i = 0; i < enemy_loop_end(); ++i) {
    EnemyRecord& e = enemy_pool[i];
    if (e.type != kind || e.state == enemy_free) continue;
    vanish_effects(e.x, e.y);
    e.state = enemy_free;
  }
  play_sound(se_vanish);
}

// Every active pickup of kind 120 or above vanishes in sparkles and is freed.
void vanish_pickups() {
  for (Pickup& p : pickups) {
    if (p.active == 0 || p.kind < 120) continue;
    vanish_effects(p.x, p.y);
    p.active = 0;
  }
  play_sound(se_vanish);
}

void hero_walk() {
  DrawGraphPart(mx, my, hero_cell_w * (frame_counter / 4), hero_cell_h, hero_cell_w, hero_cell_h, hero_sheet(), 1,
                0);
  if (++frame_counter >= 32) frame_counter = 0;
  mx += 3;
}

void partner_walk(int y) {
  const int cell = (frame_counter / 8) % 8;
  DrawGraphPart(s.actor_x, y, partner_cell_w * (cell % 4), cell < 4 ? 0 : partner_cell_h, partner_cell_w,
                partner_cell_h, partner_sheet(), 1, 1);
  if (++frame_counter >= 64) frame_counter = 0;
  s.actor_x = static_cast<std::int16_t>(s.actor_x + 2);
}

// ---- Event 0: hero 1's arrival -------------------------------------------------------------------------------
void event_0(int pad) {
  if (s.step == 0) {
    wait_step(100);
  } else if (s.step <= 3) {
    conversation(1, pad);
  } else if (s.step == 4) {
    PlayerState = 0;
    s.step = 0;
    s.step_frames = 0;
    s.box_ready = 0;
  }
}

// ---- Event 15: the final destination --------------------------------------------------------------------------
constexpr int guard_kind = 27;

int guard_cell(int counter) {
  static constexpr int cells[4] = {0, 150, 300, 150};
  return cells[(counter / 8) % 4];
}

// The standing figure animates on actor_frames: chars is the typewriter's while the conversation runs.
void draw_standing_guard() {
  DrawGraphPart(490, 260, guard_cell(s.actor_frames), 0, 150, 150, enemy_images[guard_kind], 1, 0);
  if (++s.actor_frames >= 32) s.actor_frames = 0;
}

void event_15(int pad) {
  if (s.step == 0) {
    wait_step(100);
  } else if (s.step <= 3) {
    if (conversation(1, pad)) {
      s.tick = 0;
      s.chars = -200;
    }
  } else if (s.step == 4) {
    // The spare counter (chars) animates the figure, the spare position (tick) is its height.
    DrawGraphPart(490, s.tick, guard_cell(s.chars < 0 ? 0 : s.chars), 0, 150, 150, enemy_images[guard_kind], 1, 0);
    if (++s.chars >= 32) s.chars = 0;
    if (s.tick < 260) {
      s.tick += 20;
      if (s.tick > 260) s.tick = 260;
      if (s.tick == 260) {
        play_sound(se_step);
      }
    }
    if (++s.step_frames >= 100) {
      next_scene_step();
      s.tick = 0;
      s.chars = 0;
    }
  } else if (s.step <= 7) {
    draw_standing_guard();
    conversation(5, pad);
  } else if (s.step == 8) {
    if (PlayerState == 22) {
      PlayerState = 0;
      s.step_frames = 0;
      play_bgm("bgm/mboss.mp3", 3);
      spawn_enemy(guard_kind, 0, 0, 1, 490, 260);
    }
  } else if (s.step == 9) {
    s.step_frames += 2;
    draw_screen_box(0, 0, 0, s.step_frames);
    if (s.step_frames > 253) {
      screen_phase = 0;
      screen_cursor[0] = screen_cursor[1] = 0;
      frame_counter = 0;
      PlayerState = 22;
      mx = 100;
      game_mode = mode_boss_event;
      story_event = 14;
      s.step = 0;
      s.box_ready = 0;
      reset_scene_state();
      event_flags[3] = 1;
    }
  }
}

// ---- Event 14: the boss event in the castle garden (mode 30) --------------------------------------------------
void hold_raised_boss() {
  DrawGraphPart(s.actor_x - 54, s.actor_y, 700, 586, boss_big_w, boss_cell_h, boss_sheet, 1, 0);
}

void draw_idle_partner(int x, int y) {
  int cell = 120;
  if (glow_counter >= 210) {
    cell = 360;
  } else if (glow_counter >= 200) {
    cell = 240;
  }
  DrawGraphPart(x, y, cell, 216, partner_cell_w, partner_cell_h, partner_sheet(), 1, 0);
  if (++glow_counter >= 220) glow_counter = 0;
}

void event_14_boss_walk_in() {
  if (s.actor_x > 320) {
    DrawGraphPart(s.actor_x, s.actor_y, boss_cell_w * (s.actor_frames / 10), boss_cell_h, boss_cell_w, boss_cell_h,
                  boss_sheet, 1, 0);
    if (++s.actor_frames >= 80) s.actor_frames = 0;
    s.actor_x = static_cast<std::int16_t>(s.actor_x - 2);
    // The hero steps back as the boss passes.
    const int x = s.actor_x;
    if (x == 400 || x == 394 || x == 388 || x == 382 || x == 376) mx -= 5;
    return;
  }
  draw_scene_boss();
  if (++s.step_frames >= 201) next_scene_step();
}

void event_14_raise() {
  const int f = s.step_frames;
  if (f < 30) {
    DrawGraphPart(s.actor_x, s.actor_y, 0, 0, boss_cell_w, boss_cell_h, boss_sheet, 1, 0);
  } else {
    const int cell = f < 40 ? 0 : (f < 50 ? 350 : 700);
    DrawGraphPart(s.actor_x - 54, s.actor_y, cell, 586, boss_big_w, boss_cell_h, boss_sheet, 1, 0);
  }
  if (++s.step_frames >= 101) next_scene_step();
}

void event_14_flash() {
  const int f = ++s.step_frames;
  if (f <= 20) {
    hold_raised_boss();
    return;
  }
  if (f == 21) {
    StopMusicFile();
    spawn_effect(250, 250, 15);
  }
  draw_screen_box(255, 255, 255, s.flash_count);
  const int level = 255 - s.flash_count;
  SetBrightnessRGB(level, level, level);
  hold_raised_boss();
  static constexpr int partner_cells[4] = {0, 120, 240, 120};
  DrawGraphPart(300, 320, partner_cells[(s.chars / 8) % 4], 324, partner_cell_w, partner_cell_h, partner_sheet(), 1,
                0);
  if (++s.chars >= 32) s.chars = 0;
  SetBrightnessRGB(255, 255, 255);
  update_effects();
  if (f > 100 && --s.flash_count <= 0) {
    s.flash_count = 0;
    next_scene_step();
  }
}

void event_14_strike() {
  const int f = s.step_frames;
  if (f < 30) {
    hold_raised_boss();
  } else if (f < 182) {
    const int cell = (f - 30) / 8;  // 0..18: rows 1172 .. 2344, four cells each, three in the last
    DrawGraphPart(s.actor_x - 54, s.actor_y, boss_big_w * (cell % 4), 1172 + boss_cell_h * (cell / 4), boss_big_w,
                  boss_cell_h, boss_sheet, 1, 0);
  }
  if (f <= 30) {
    const int cell = f < 8 ? 360 : (f < 16 ? 480 : 600);
    DrawGraphPart(300, 320, cell, 324, partner_cell_w, partner_cell_h, partner_sheet(), 1, 0);
  } else {
    draw_idle_partner(325, 320);
  }
  if (f == 16) play_sound(se_mb_sab1);
  if (f == 40) play_bgm("bgm/church.mp3", 3);
  if (++s.step_frames >= 250) {
    glow_counter = 0;
    next_scene_step();
  }
}

void event_14_glint() {
  const int f = s.step_frames;
  const int sheet = effect_sheets[9];  // "gsx/ef/tr_all_01.png"
  if (f >= 81 && f <= 104) {
    SetBlendMode(1, 96);
    DrawGraphPart(430, 350, 579, 44, 61, 60, sheet, 1, 0);
    if (f <= 89 || f >= 96) {
      SetBlendMode(1, 64);
      DrawGraphPart(430, 350, 579, 44, 61, 60, sheet, 1, 0);
      SetBlendMode(2, 128);
      DrawGraphPart(430, 350, 579, 44, 61, 60, sheet, 1, 0);
    }
    SetBlendMode(0, 255);
  }
  if (++s.step_frames >= 151) next_scene_step();
}

void event_14(int pad) {
  DrawGraphAt(0, 0, scene_background, 0);
  const int step = s.step;
  if (step >= 3 && step <= 39 && step != 32) draw_scene_hero();
  switch (step) {
    case 0:
      if (boss_sheet != -1) DeleteGraphic(boss_sheet, 0);
      boss_sheet = LoadGraphicFile("gsx/ey/e31.png");
      if (scene_background != -1) DeleteGraphic(scene_background, 0);
      scene_background = LoadGraphicFile("gsx/system/teien.png");
      frame_counter = 255;
      draw_screen_box(0, 0, 0, 255);
      g_x = g_y = 0;
      mx = -100;
      my = 320;
      next_scene_step();
      break;
    case 1:
      frame_counter -= 3;
      draw_screen_box(0, 0, 0, frame_counter);
      if (frame_counter < 4) {
        frame_counter = 0;
        next_scene_step();
      }
      break;
    case 2:
      if (s.step_frames >= 200 && mx <= 239) {
        hero_walk();
      } else {
        draw_scene_hero();
      }
      if (++s.step_frames >= 501) next_scene_step();
      break;
    case 6:
      ++s.step_frames;
      if (s.step_frames == 80) play_sound(se_mb_um);
      if (s.step_frames >= 200) {
        s.actor_x = 640;
        s.actor_y = 150;
        s.actor_frames = 0;
        play_bgm("bgm/iv.mp3", 3);
        next_scene_step();
      }
      break;
    case 10:
      event_14_boss_walk_in();
      break;
    case 14:
      event_14_raise();
      break;
    case 18:
      event_14_flash();
      break;
    case 19:
      event_14_strike();
      break;
    case 23:
      partner_walk(320);
      if (s.actor_x >= 800) next_scene_step();
      break;
    case 27:
    case 33:
      wait_step(100);
      break;
    case 28:
      event_14_glint();
      break;
    case 32:
      hero_walk();
      if (mx > 400) next_scene_step();
      break;
    case 37:
      wait_step(50);
      break;
    case 38:
      if (++s.step_frames == 30) {
        play_sound(se_gem);
        accessory_owned[7] = 1;
        caption_code = 4000;
        caption_start = frame_start_ms;
      }
      if (caption_code != 0) {
        draw_caption();
      } else if (s.step_frames >= 30) {
        next_scene_step();
      }
      break;
    case 39:
      draw_screen_box(0, 0, 0, s.step_frames);
      if (++s.step_frames > 254) {
        s.step_frames = 0;
        frame_counter = 0;
        screen_phase = 0;
        screen_cursor[0] = screen_cursor[1] = 0;
        game_mode = mode_location_select;
        play_bgm("bgm/menu1.mp3", 3);
      }
      break;
    default:
      if (step >= 3 && step <= 5) {
        conversation(3, pad);
      } else if (step >= 7 && step <= 9) {
        conversation(7, pad);
      } else if (step >= 11 && step <= 13) {
        draw_scene_boss();
        conversation(11, pad);
      } else if (step >= 15 && step <= 17) {
        hold_raised_boss();
        if (conversation(15, pad)) {
          s.chars = 0;
          s.flash_count = 255;
        }
      } else if (step >= 20 && step <= 22) {
        draw_idle_partner(325, 320);
        if (conversation(20, pad)) {
          s.actor_x = 325;
          s.chars = 0;
        }
      } else if (step >= 24 && step <= 26) {
        conversation(24, pad);
      } else if (step >= 29 && step <= 31) {
        if (conversation(29, pad)) frame_counter = 0;
      } else if (step >= 34 && step <= 36) {
        conversation(34, pad);
      }
      break;
  }
}

// ---- Event 16: hero 0's closing sequence ------------------------------------------------------------------------
void event_16(int pad) {
  switch (s.step) {
    case 0:
      wait_step(50);
      break;
    case 1:
      if (g_x > 2499) {
        auto_walk_right = 0;
        next_scene_step();
      } else {
        auto_walk_right = 1;
      }
      break;
    case 5:
      if (++s.step_frames > 100) frame_counter += 2;
      draw_screen_box(0, 0, 0, frame_counter);
      if (frame_counter > 100) next_scene_step();
      break;
    case 6:
      draw_screen_box(0, 0, 0, 100);
      SetBlendMode(2, 48);
      for (int i = 0; i < 5; ++i) DrawGraphPart(133, 150, 475, 509, 374, 28, menu_pics[menu_pic_system_sheet], 1, 0);
      SetBlendMode(0, 255);
      wait_step(151);
      break;
    case 7:
      frame_counter -= 1;
      draw_screen_box(0, 0, 0, frame_counter);
      if (frame_counter < 3) {
        frame_counter = 0;
        s.actor_x = -100;
        next_scene_step();
      }
      break;
    case 8:
      partner_walk(300);
      if (s.actor_x > 150) {
        pose = 12;
        next_scene_step();
      }
      break;
    case 12:
      reset_scene_state();
      s.step = 0;
      story_event = 17;
      break;
    default:
      if (s.step >= 2 && s.step <= 4) {
        if (conversation(2, pad)) frame_counter = 0;
      } else if (s.step >= 9 && s.step <= 11) {
        draw_scene_partner(1);
        conversation(9, pad);
      }
      break;
  }
}

// ---- Event 17: continuation of 16 -------------------------------------------------------------------------------
constexpr int minion_kind = 18;

void event_17_slash() {
  struct Frame {
    int until;
    int x, y;
    int shift;
  };
  static constexpr Frame frames[] = {{50, 120, 216, 0},  {58, 0, 432, 0},    {66, 120, 432, 0}, {74, 240, 432, 0},
                                     {82, 360, 432, 0},  {87, 480, 432, 20}, {114, 600, 108, 20}, {122, 360, 432, 0},
                                     {130, 240, 432, 0}, {138, 120, 432, 0}, {150, 0, 432, 0}};
  const int f = s.step_frames;
  for (const Frame& frame : frames) {
    if (f < frame.until) {
      DrawGraphPart(s.actor_x - frame.shift, 300, frame.x, frame.y, partner_cell_w, partner_cell_h, partner_sheet(),
                    1, 0);
      break;
    }
  }
  if (f == 74) play_sound(se_mb_u1);
  if (f == 138) play_sound(se_mb_sab1);
  if (++s.step_frames >= 150) {
    dissolve_minions();
    next_scene_step();
  }
}

void event_17(int pad) {
  const int step = s.step;
  const bool mirrored = step <= 3 || step >= 10;
  if (step != 4 && step != 8) draw_scene_partner(mirrored ? 1 : 0);
  switch (step) {
    case 3:
      if (++s.step_frames >= 51) {
        spawn_enemy(minion_kind, 1, 3, 1, 250, 180);
        spawn_enemy(minion_kind, 1, 3, 1, 330, 180);
        spawn_enemy(minion_kind, 1, 3, 1, 410, 180);
        next_scene_step();
      }
      break;
    case 4:
      if (s.actor_x < 250) {
        partner_walk(300);
      } else {
        draw_scene_partner(0);
      }
      if (mx > 479) {
        if (auto_walk_right != 0) pose = 12;
        auto_walk_right = 0;
      } else {
        auto_walk_right = 1;
      }
      break;
    case 8:
      event_17_slash();
      break;
    case 9:
      wait_step(151);
      break;
    case 13:
      if (++s.step_frames >= 101) {
        for (int kind = 120; kind <= 124; ++kind) spawn_pickup(mx + 2460, my + 520, kind);
        next_scene_step();
      }
      break;
    case 14:
      wait_step(151);
      break;
    case 15:
      wait_step(101);
      break;
    case 16: {
      const int f = s.step_frames;
      if (f >= 62 && f <= 78 && f % 2 == 0) flash_request = 2;
      if (++s.step_frames >= 101) {
        vanish_pickups();
        next_scene_step();
      }
      break;
    }
    case 17:
      wait_step(151);
      break;
    case 18:
      flash_request = 3;
      if (s.step_frames % 5 == 0) spawn_effect(g_x + mx - 50, my - g_y - 40, 24);
      if (++s.step_frames >= 255) start_ending();
      break;
    default:
      if (step <= 2) {
        if (conversation(0, pad)) {
          play_sound(se_mb_e01);
          play_sound(se_mb_e01);
        }
      } else if (step >= 5 && step <= 7) {
        conversation(5, pad);
      } else if (step >= 10 && step <= 12) {
        conversation(10, pad);
      }
      break;
  }
}

// ---- Event 18: hero 1's closing sequence ------------------------------------------------------------------------
void draw_floating_object() {
  DrawGraphPart(frame_counter + 50 + mx, fade_counter + 30 + my, 0, 270, 24, 96, item_icons, 1, 0);
}

void event_18(int pad) {
  const int step = s.step;
  if (step >= 5 && step <= 12) draw_floating_object();
  switch (step) {
    case 0:
      wait_step(50);
      break;
    case 1:
      if (g_x > 2499) {
        auto_walk_right = 0;
        next_scene_step();
      } else {
        auto_walk_right = 1;
      }
      break;
    case 5:
      if (s.step_frames % 5 == 0) {
        ++frame_counter;
        --fade_counter;
      }
      wait_step(300);
      break;
    case 6:
      if (++s.step_frames >= 100) {
        for (int p = 0; p <= 5; ++p) spawn_enemy(35, p, 4, 1, mx - 50, my + 30);
        next_scene_step();
      }
      break;
    case 7:
      wait_step(50);
      break;
    case 8:
      wait_step(40);
      break;
    case 9:
      wait_step(150);
      break;
    case 10: {
      const int f = s.step_frames;
      if (f >= 62 && f <= 78 && f % 2 == 0) flash_request = 2;
      if (++s.step_frames >= 101) {
        vanish_enemies(35);
        next_scene_step();
      }
      break;
    }
    case 11:
    case 16:
      wait_step(150);
      break;
    case 12:
      if (++s.step_frames == 50) {
        play_sound(se_chime);
        const int x = frame_counter + 50 + mx + g_x;
        const int y = fade_counter + 30 + my - g_y;
        spawn_effect(x, y, 1);
        spawn_pickup(x, y, 111);
        spawn_pickup(x, y, 112);
      }
      if (s.step_frames >= 150) next_scene_step();
      break;
    case 20:
      if (mx < -199) {
        auto_walk_left = 0;
        next_scene_step();
      } else {
        auto_walk_left = 1;
      }
      break;
    case 21:
      s.step_frames += 2;
      draw_screen_box(255, 255, 255, s.step_frames);
      if (s.step_frames >= 254) start_ending();
      break;
    default:
      if (step >= 2 && step <= 4) {
        conversation(2, pad);
      } else if (step >= 13 && step <= 15) {
        conversation(13, pad);
      } else if (step >= 17 && step <= 19) {
        conversation(17, pad);
      }
      break;
  }
}

}  // namespace

void run_story_scene(int pad) {
  if (s.initialised == 0) reset_scene_state();
  switch (story_event) {
    case 0: event_0(pad); break;
    case 14: event_14(pad); break;
    case 15: event_15(pad); break;
    case 16: event_16(pad); break;
    case 17: event_17(pad); break;
    case 18: event_18(pad); break;
    default: break;
  }
}

void boss_event_screen(int pad) {
  story_event = 14;
  run_story_scene(pad);
}

void start_ending() {
  draw_screen_box(255, 255, 255, 255);
  s.step_frames = 0;
  s.step = 1;
  frame_counter = 255;
  fade_counter = 0;
  reset_scene_state();
  StopMusicFile();
  auto reload = [](int& slot, const char* path) {
    if (slot != -1) DeleteGraphic(slot, 0);
    slot = path != nullptr ? LoadGraphicFile(path) : -1;
  };
  reload(scene_background, nullptr);
  if (hero == 0) {
    reload(ending_sheet, "gsx/system/g_end.png");
    reload(ending_backgrounds[0], "gsx/system/g_end_back1.png");
    reload(ending_backgrounds[1], "gsx/system/g_end_back2.png");
    reload(ending_backgrounds[2], "gsx/system/g_end_back3.png");
    reload(ending_backgrounds[3], "gsx/system/g_end_back4.png");
    reload(staff_sheet, "gsx/system/staff.png");
    game_mode = mode_first_ending;
    free_all_hazards();
    if (clear_level == 0) clear_level = 1;
  } else {
    reload(ending_sheet, "gsx/system/l_end.png");
    reload(ending_backgrounds[0], "gsx/system/l_end_back1.png");
    for (int i = 1; i < 4; ++i) reload(ending_backgrounds[i], nullptr);
    reload(staff_sheet, "gsx/system/staff.png");
    game_mode = mode_second_ending;
    story_event = 19;
    clear_level = 2;
  }
  save_settings();
}

void draw_scene_hero() {
  int x = 0;
  if (frame_counter >= 170) {
    x = 57;
  } else if (frame_counter >= 160) {
    x = 114;
  } else if (frame_counter >= 150) {
    x = 57;
  }
  DrawGraphPart(mx, my, x, 0, hero_cell_w, hero_cell_h, hero_sheet(), 1, 0);
  if (++frame_counter >= 180) frame_counter = 0;
}

void draw_scene_boss() {
  static constexpr int cells[4] = {0, 198, 396, 198};
  DrawGraphPart(s.actor_x, s.actor_y, cells[(s.actor_frames / 10) % 4], 0, boss_cell_w, boss_cell_h, boss_sheet, 1,
                0);
  if (++s.actor_frames >= 40) s.actor_frames = 0;
}

void draw_scene_partner(int mirrored) {
  static constexpr int cells[4] = {120, 240, 360, 240};
  DrawGraphPart(s.actor_x, 300, cells[(frame_counter / 8) % 4], 216, partner_cell_w, partner_cell_h, partner_sheet(),
                1, mirrored);
  if (++frame_counter >= 32) frame_counter = 0;
}
