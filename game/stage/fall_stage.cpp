#include "game/stage/fall_stage.h"

#include "engine/core/public_api.h"
#include "game/enemy/enemy_frame.h"
#include "game/enemy/enemy_pool.h"
#include "game/flow/game_modes.h"
#include "game/flow/hud.h"
#include "game/flow/logo_screen.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/flow/settings.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/stage_build.h"
#include "game/stage/stage_state.h"

FallState fall_state;

namespace {

// The first half of the timetable; the second half repeats it 3000 frames later.
constexpr FallSpawn first_half[43] = {
    {150, 5, 5, 150, 550},   {150, 5, 6, 450, 550},   {250, 5, 4, 290, 550},   {250, 5, 4, 360, 550},
    {400, 6, 12, 700, 400},  {400, 6, 22, -140, 400}, {470, 2, 14, 320, 550},  {700, 5, 4, 50, 500},
    {700, 5, 4, 120, 550},   {700, 5, 4, 190, 600},   {700, 5, 4, 400, 600},   {700, 5, 4, 470, 550},
    {700, 5, 4, 540, 500},   {900, 5, 5, 200, 500},   {900, 5, 6, 200, 650},   {950, 2, 15, 320, 650},
    {1050, 6, 13, 700, 100}, {1050, 6, 23, -140, 100}, {1200, 6, 12, 700, 400}, {1200, 6, 22, -140, 400},
    {1250, 17, 14, 250, -120}, {1450, 17, 14, 500, -120}, {1700, 5, 4, 100, 550}, {1700, 5, 4, 170, 550},
    {1700, 5, 4, 240, 550},  {1700, 5, 4, 310, 550},  {1850, 5, 4, 350, 550},  {1850, 5, 4, 420, 550},
    {1850, 5, 4, 490, 550},  {1850, 5, 4, 560, 550},  {2000, 17, 14, 150, -120}, {2000, 17, 14, 460, -120},
    {2100, 2, 15, 260, 650}, {2100, 2, 15, 330, 650}, {2300, 6, 12, 700, 400}, {2300, 6, 22, -140, 400},
    {2400, 17, 14, 150, -120}, {2400, 17, 14, 460, -120}, {2550, 17, 14, 250, -120}, {2550, 17, 14, 360, -120},
    {2750, 5, 5, 400, 500},  {2750, 5, 6, 200, 500},  {2800, 5, 4, 300, 500},
};

constexpr int drop_limit = 550;   // the hero drops out of view to here before the closing fade
constexpr int fade_end = 254;
constexpr int restart_x = 290, restart_y = 50;

constexpr FallSchedule make_schedule() {
  FallSchedule s{};
  for (int i = 0; i < 43; ++i) {
    s.rows[i] = first_half[i];
    s.rows[43 + i] = first_half[i];
    s.rows[43 + i].frame = static_cast<std::int16_t>(first_half[i].frame + 3000);
  }
  return s;
}

void draw_shaft() {
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  if ((bg_x += 8) >= 480) bg_x = 0;
  DrawGraphAt(0, -bg_x, field_images[field_s08], 0);
  DrawGraphAt(0, 480 - bg_x, field_images[field_s08], 0);
  if ((bg_y += 16) >= 480) bg_y = 0;
  for (int y : {-bg_y, 480 - bg_y}) {
    DrawGraphPart(0, y, 597, 0, 44, 480, field_images[field_s05], 1, 0);
    DrawGraphPart(597, y, 597, 0, 44, 480, field_images[field_s05], 1, 1);
  }
}

void hurt_step() {
  if (hurt == 0 || PlayerState == player_dead) return;
  if (hurt_count < 30) PlayerState = player_hurt;
  ++hurt_count;
  if (hurt_count == 30) PlayerState = player_free;
  if (hurt_count > 100) {
    hurt = 0;
    hurt_count = 0;
  }
}

void draw_hero() {
  if (hurt_count % 2 != 0) return;
  int cx = 600;
  if (hp > 0 && PlayerState != player_hurt) {
    static constexpr int cycle[4] = {0, 100, 200, 100};
    cx = cycle[fall_state.anim / 8] + (shot_pose != 0 ? 300 : 0);
  }
  DrawGraphPart(mx, my, cx, 0, 100, 130, hero_common, 1, mirror);
}

// True once the hero has dropped out of view; until then it sinks 5 pixels a frame.
bool dropped_out() {
  if (my >= drop_limit) return true;
  my += 5;
  return false;
}

// The closing fade; true on the frame it completes.
bool closing_fade_done() {
  SetBlendMode(1, fall_state.fade);
  DrawRectangle(0, 0, 640, 480, MakeColorValue(0, 0, 0), 1);
  SetBlendMode(0, 255);
  fall_state.fade += 2;
  if (fall_state.fade == fade_end) {
    DrawGraphAt(0, 0, loading_pic, 0);
    StopMusicFile();
  }
  if (fall_state.fade < fade_end) return false;
  fall_state.fade = 0;
  return true;
}

void build_current_area() {
  stage_entry();
  clear_object_pools();
  build_stage();
}

void retry_or_game_over() {
  if (continues < 1) {
    game_mode = mode_game_over;
    if (screen_pic_a != -1) DeleteGraphic(screen_pic_a, 0);
    screen_pic_a = LoadGraphicFile("gsx/system/over.png");
    return;
  }
  continues -= 1;
  deaths += 1;
  clear_screen_counters();
  screen_phase = 0;
  menu_counter_a = menu_counter_b = 0;
  play_bgm("bgm/fall.mp3", 3);
  build_current_area();
  reset_player_stats();
  // The retried fall starts where the fall starts, not at the stats reset's area start.
  mx = restart_x;
  my = restart_y;
  fall_state.entered = 0;
}

void enter_stage_seven() {
  game_mode = mode_stage_play;
  stage = 7;
  area = 1;
  build_current_area();
  load_stage_images(6);
  play_bgm("bgm/stage_7.mp3", 3);
  fall_state.entered = 0;
  SetTransparentColor(255, 0, 255);
  if (stage_background != -1) DeleteGraphic(stage_background, 0);
  stage_background = LoadGraphicFile("gsx/fld/06.png");
  SetTransparentColor(0, 0, 0);
  load_enemy_images();
  boss_phase_a = 0;
  boss_phase_b = 0;
  PlayerState = player_free;
}

// One step of the direction input counter: counts 1..4 and back to 0; true on a count of 1.
bool input_tick(int& counter) {
  counter = counter >= 4 ? 0 : counter + 1;
  return counter == 1;
}
void speed_up(int& v, int limit) {
  if (v < limit) ++v;
}
void slow_down(int& v, int limit) {
  if (v > limit) --v;
}

void steer(int pad) {
  const bool down = (pad & 1) != 0, left = (pad & 2) != 0, right = (pad & 4) != 0, up = (pad & 8) != 0;
  FallState& f = fall_state;
  auto step_x = [](bool faster) {
    FallState& s = fall_state;
    if (input_tick(s.input_x)) faster ? speed_up(s.vx, 4) : slow_down(s.vx, -6);
  };
  auto step_y = [](bool faster) {
    FallState& s = fall_state;
    if (input_tick(s.input_y)) faster ? speed_up(s.vy, 4) : slow_down(s.vy, -6);
  };
  if (up && right) {
    step_x(true);
    step_y(false);
  } else if (down && right) {
    step_x(true);
    step_y(true);
  } else if (down && left) {
    step_x(false);
    step_y(true);
  } else if (up && left) {
    step_x(false);
    step_y(false);
  } else if (up && my > -40) {
    step_y(false);
  } else if (down && my < 400) {
    if (input_tick(f.input_y)) speed_up(f.vy, 6);
  } else if (left && mx > -10) {
    step_x(false);
  } else if (right && mx < 550) {
    if (input_tick(f.input_x)) speed_up(f.vx, 6);
  } else {
    f.input_x = 0;
  }
}

// Drift with inertia: a speed moves the hero while inside the bounds, else it wears off by one a frame.
void drift(int& pos, int& v, int low, int high) {
  if (v < 0) {
    if (pos > low) {
      pos += v;
    } else {
      ++v;
    }
  } else if (v > 0) {
    if (pos < high) {
      pos += v;
    } else {
      --v;
    }
  }
}

void move_hero(int pad) {
  drift(mx, fall_state.vx, -10, 550);
  drift(my, fall_state.vy, -10, 400);
  if (action_held(action_main) && PlayerState == player_free && main_latch == 0) {
    shot_pose = 1;
    main_latch = 1;
    spawn_light_shot(g_x + 65 + mx, my - g_y + 120, 3);
  }
  if (!action_held(action_main) || PlayerState != player_free) main_latch = 0;
  if (PlayerState == player_free) steer(pad);
}

void start_fall() {
  FallState& f = fall_state;
  f = FallState{};
  f.entered = 1;
  bg_x = bg_y = 0;
  g_x = g_y = 0;
  hurt = 0;
  clear_stage_object_pools();
}

}  // namespace

const FallSchedule fall_schedule = make_schedule();

void run_fall_spawn_schedule() {
  FallState& f = fall_state;
  while (f.frame != 0 && f.cursor < fall_schedule_rows && fall_schedule.rows[f.cursor].frame == f.frame) {
    const FallSpawn& row = fall_schedule.rows[f.cursor];
    spawn_enemy(row.kind, row.param, 0, 0, row.x, row.y);
    ++f.cursor;
  }
}

void fall_scene_screen(int pad) {
  FallState& f = fall_state;
  if (f.entered == 0) start_fall();
  ++f.frame;
  draw_shaft();
  hurt_step();
  draw_hero();
  run_fall_spawn_schedule();
  update_enemies();
  update_light_shots();
  update_effects();
  if (shot_pose != 0 && ++shot_pose >= 20) shot_pose = 0;
  if (++f.anim >= 32) f.anim = 0;
  draw_hud();
  if (++f.fade_counter > 10) f.fade_counter = 0;
  if (hp <= 0) {
    if (dropped_out() && closing_fade_done()) retry_or_game_over();
  } else if (f.frame >= fall_length) {
    if (dropped_out() && closing_fade_done()) enter_stage_seven();
  } else {
    move_hero(pad);
  }
}
