#include "game/player/shots.h"

#include "engine/core/public_api.h"
#include "game/flow/game_modes.h"
#include "game/flow/resources.h"
#include "game/player/combat.h"
#include "game/player/effects.h"
#include "game/player/particles.h"
#include "game/player/player_globals.h"
#include "game/stage/stage_state.h"

LightShot light_shots[light_shot_count];
MainShot main_shot;
ShotTrail shot_trails[shot_trail_count];

namespace {

constexpr int blend_none = 0;
constexpr int blend_alpha = 1;
constexpr int blend_add = 2;
constexpr int sheet_shot_1 = 0, sheet_shot_2 = 1, sheet_all_01 = 6, sheet_tr_all_04 = 12;
constexpr double quarter_turn = 1.570796012878418;

int sheet(int index) { return effect_sheets[index]; }

// The light shot's damage before the critical roll: 20 in the falling stage, else 10, halved under the halving buff.
int light_shot_base_damage() {
  int damage = game_mode == mode_fall_scene ? 20 : 10;
  if (buff_kind == 2 && Mimic_c > 0) damage /= 2;
  return damage;
}

void draw_light_shot(LightShot& s) {
  const int picture = sheet(s.frame >= 5 ? sheet_shot_2 : sheet_shot_1);
  const int x = s.x - g_x;
  const int y = s.y + g_y;
  switch (s.dir) {
    case 1:
      DrawGraphAt(x, y, picture, 1);
      SetBlendMode(blend_add, 30);
      for (int k = 0; k < 10; ++k) DrawGraphAt(x, y, picture, 1);
      s.x += 8;
      break;
    case 0:
      SetBlendMode(blend_add, 30);
      for (int k = 0; k < 10; ++k) DrawGraphMirrored(x, y, picture, 1);
      s.x -= 8;
      break;
    case 3:
      SetBlendMode(blend_add, 30);
      for (int k = 0; k < 10; ++k) DrawGraphRotated(x, y, 1.0, quarter_turn, picture, 1, 0);
      s.y += 7;
      break;
    default: break;
  }
  SetBlendMode(blend_none, 0);
}

bool off_screen(int screen_pos) { return screen_pos > 680 || screen_pos < -40; }

void hit_with_light_shot(LightShot& s, EnemyRecord& e) {
  spawn_effect(s.x - 35, s.y - 35, 2);
  s.active = 0;
  spawn_hit_spark(s.x, s.y);
  int damage = light_shot_base_damage();
  if (roll_critical()) {
    spawn_effect(s.x - 85, s.y - 80, 5);
    damage *= 2;
  }
  if (buff_flags[buff_a] != 0) damage += 2;
  apply_enemy_damage(e, damage, ArmourHit::second, kill_1);
}

void update_light_shot(LightShot& s) {
  if (++s.frame > 10) s.frame = 0;
  s.age += 1;
  draw_light_shot(s);
  if (s.dir == 0 || s.dir == 1) {
    if (off_screen(s.x - g_x)) s.active = 0;
  } else if (s.dir == 3) {
    if (off_screen(s.y + g_y)) s.active = 0;
  }
  if (game_mode != mode_fall_scene && s.age <= 11) {
    const int k = s.age / 2;
    DrawGraphPart(s.flash_x - g_x, s.flash_y + g_y, 16 * k, 0, 16, 15, sheet(sheet_all_01), 1, 0);
  }
  const HitBox bolt{s.x, s.y, s.x + 30, s.y + 20};
  const int g = solid_gimmick_at(bolt);
  if (g >= 0) {
    s.active = 0;
    spawn_effect(s.x - 35, s.y - 35, 2);
    damage_gimmick(g, 10);
  }
  for (int i = 0; i < enemy_loop_end(); ++i) {
    EnemyRecord& e = enemy_pool[i];
    if (hero_can_hit(e) && boxes_meet(bolt, enemy_hit_box(e))) hit_with_light_shot(s, e);
  }
}

void end_main_shot() {
  main_shot.active = 0;
  shot_request = 0;
  clear_enemy_hit_flags();
}

void draw_glow(int alpha) {
  const ShotTrail& first = shot_trails[0];
  SetBrightnessRGB(64, 54, 255);
  SetBlendMode(blend_alpha, alpha);
  DrawGraphPart(first.x - g_x - 150, first.y - 120 + g_y, 367, 13, 310, 317, sheet(sheet_tr_all_04), 1, 0);
  SetBlendMode(blend_none, 0);
  SetBrightnessRGB(255, 255, 255);
}

}  // namespace

void spawn_light_shot(int x, int y, int direction) {
  for (LightShot& s : light_shots) {
    if (s.active != 0) continue;
    shot_pose = 1;
    PlaySoundHandle(sound_table[se_light_shot], 1, 1);
    s.y = y;
    s.flash_y = y + 3;
    s.active = 1;
    s.dir = direction;
    s.frame = 0;
    s.age = 0;
    s.x = direction == 1 ? x + 55 : x - 20;
    s.flash_x = direction == 1 ? x + 52 : x - 14;
    if (in_water != 0) {
      spawn_effect(s.x - 35, s.y - 35, 2);
      s.active = 0;
    }
    return;
  }
}

void update_light_shots() {
  for (LightShot& s : light_shots) {
    if (s.active == 1) update_light_shot(s);
  }
}

void spawn_main_shot(int x, int y, int direction) {
  if (main_shot.active != 0) return;
  for (ShotTrail& t : shot_trails) t.active = 0;
  main_shot.y = y;
  main_shot.active = 1;
  main_shot.dir = direction;
  main_shot.x = direction == 1 ? x + 50 : x - 40;
}

void update_main_shot() {
  MainShot& s = main_shot;
  if (s.active != 1) return;
  spawn_shot_trail(s.x, s.y, s.dir == 1 ? 1 : 0);
  draw_shot_trail();
  s.x += s.dir == 1 ? 10 : -10;
  // The shot's end is applied after this update's hits, so that the hit marks it sets are cleared with it.
  bool ends = s.x - g_x > 680 || s.x - g_x < -100;
  const int g = solid_gimmick_at({s.x, s.y, s.x + 60, s.y + 40});
  if (g >= 0) {
    spawn_effect(s.x - 20, s.y, 36);
    if (gimmicks[g].breakable == 0) ends = true;
    damage_gimmick(g, 50);
  }
  const HitBox box{s.x, s.y, s.x + 60, s.y + 60};
  for (int i = 0; i < enemy_loop_end(); ++i) {
    EnemyRecord& e = enemy_pool[i];
    if (e.hit_flag != 0 || !hero_can_hit(e) || !boxes_meet(box, enemy_hit_box(e))) continue;
    spawn_effect(s.x, s.y, 36);
    e.hit_flag = 1;
    int damage = buff_kind == 2 && Mimic_c > 0 ? 25 : 50;
    if (buff_flags[buff_a] != 0) damage += 10;
    apply_enemy_damage(e, damage, ArmourHit::second, kill_1);
  }
  if (ends) end_main_shot();
}

void spawn_shot_trail(int x, int y, int flip) {
  for (ShotTrail& t : shot_trails) {
    if (t.active != 0) continue;
    t.x = x + 10;
    t.y = y;
    t.active = 1;
    t.glow_count = 0;
    t.fade = 0;
    t.flip = flip;
    return;
  }
}

void draw_shot_trail() {
  for (ShotTrail& t : shot_trails) {
    if (t.active != 1) continue;
    SetBlendMode(blend_add, 255 - t.fade);
    DrawGraphPart(t.x - g_x, t.y + g_y, 0, 119, 66, 36, sheet(sheet_all_01), 1, t.flip == 1 ? 1 : 0);
    SetBlendMode(blend_none, 0);
    t.fade += 30;
    if (t.fade > 250) t.active = 0;
  }
  shot_trails[0].glow_count += 1;
  draw_glow(64);
  if (shot_trails[0].glow_count % 5 == 0) draw_glow(48);
}
