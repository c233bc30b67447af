#include "game/player/skill_effects.h"

#include "engine/core/public_api.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/player/combat.h"
#include "game/player/effects.h"
#include "game/player/player_globals.h"
#include "game/player/skills.h"
#include "game/stage/stage_object.h"
#include "game/stage/stage_state.h"

Sparkle sparkles[sparkle_pool_size];
SkillBoltSet skill_bolts[bolt_set_pool_size];
SkillBomb skill_bomb;
SkillDart skill_darts[dart_pool_size];
SkillWave skill_wave;

namespace {

// effect_sheets entries drawn here.
constexpr int sheet_all_01 = 6;
constexpr int sheet_explosion = 8;  // "gsx/ef/EXPL3_3.png"
constexpr int sheet_tr_all_01 = 9;
constexpr int sheet_tr_all_02 = 10;
constexpr int sheet_tr_all_03 = 11;
constexpr int sheet_tr_all_04 = 12;
constexpr int sheet_aura = 16;
constexpr int ring_picture = 8;  // gallery_pics: "gsx/smg/08.png"

constexpr int blend_none = 0;
constexpr int blend_add = 2;

constexpr int effect_impact = 2;
constexpr int bolt_damage = 8;
constexpr int bomb_damage = 12;
constexpr int dart_damage = 10;

void play(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

void draw_cell(int x, int y, int cx, int cy, int w, int h, int image, int mirrored) {
  DrawGraphPart(x, y, cx, cy, w, h, image, 1, mirrored);
}

// A projectile off the screen: more than 680 right of or 40 left of its left edge.
bool off_screen(int x) { return x - g_x > 680 || x - g_x < -40; }

// The 30 x 20 box of a bolt, the bomb and a dart.
HitBox shot_box(int x, int y) { return {x, y, x + 30, y + 20}; }

int first_enemy_in(const HitBox& box) {
  for (int i = 0; i < enemy_loop_end(); ++i) {
    if (hero_can_hit(enemy_pool[i]) && boxes_meet(box, enemy_hit_box(enemy_pool[i]))) return i;
  }
  return -1;
}

// A kill: the kind's death sound, the dying state from its first frame, a kill counted (when `counter` is given) and
// the loot.
void kill_enemy(EnemyRecord& e, std::int32_t* counter) {
  if (e.type >= 0 && e.type < enemy_kind_count) PlaySoundHandle(enemy_death_sounds[e.type], 1, 1);
  e.state = enemy_dying;
  e.timer = 0;
  if (counter != nullptr) *counter += 1;
  drop_loot(e.type, e.x, e.y);
}

// A projectile's hit: the flash, the damage, and a kill when 1 HP or less is left.
void projectile_hit(EnemyRecord& e, int damage) {
  e.flash = 1;
  e.hp -= damage;
  if (e.hp <= 1) kill_enemy(e, &kill_1);
}

// The price of skill `id` given back when its projectile cannot be spawned: what was paid, so that pressing again
// never raises SP.
void refund(int id) { sp += skill_cost(id); }

int start_x(int x, int dir) { return dir == 1 ? x + 55 : x - 20; }

void explode(SkillBomb& b) {
  b.exploding = 1;
  b.anim = 0;
  b.sub_counter = 0;
  b.x -= 42;
  b.y -= 42;
}

bool breakable_at(const StageObject& g, const HitBox& box) {
  return g.in_use == 1 && g.solid != 0 && g.breakable != 0 && boxes_meet(box, gimmick_hit_box(g));
}

}  // namespace

int breakable_gimmick_at(const HitBox& box) {
  for (int i = 0; i < gimmick_pool_size; ++i) {
    if (breakable_at(gimmicks[i], box)) return i;
  }
  return -1;
}

void damage_gimmicks_in(const HitBox& box, int amount) {
  for (int i = 0; i < gimmick_pool_size; ++i) {
    if (breakable_at(gimmicks[i], box)) damage_gimmick(i, amount);
  }
}

// ---- Casting effect, aura and sparkles ----

void draw_skill_effect() {
  switch (skill_id) {
    case 0: {
      const int x = skill_pos_x - g_x;
      const int y = skill_pos_y + g_y;
      const int glow = effect_sheets[sheet_tr_all_02];
      SetBlendMode(blend_add, 255);
      draw_cell(x, y, 0, 0, 130, 110, glow, 0);
      SetBlendMode(blend_add, 128);
      const int layers = skill_effect < 25 ? skill_effect : 50 - skill_effect;
      for (int i = 0; i < layers; ++i) draw_cell(x, y, 0, 0, 130, 110, glow, 0);
      SetBlendMode(blend_none, 255);
      break;
    }
    case 1:
    case 8:
    case 11:
      if (skill_effect % 5 == 0) spawn_sparkle();
      update_sparkles();
      break;
    case 2:
    case 9: draw_cell(mx - 8, my + skill_effect + 15, 0, 216, 74, 20, effect_sheets[sheet_all_01], 0); break;
    default: break;
  }
  skill_effect -= 1;
  if (skill_effect <= 0) {
    skill_effect = 0;
    skill_id = skill_none;
  }
}

void draw_skill_aura() {
  const int c = skill_effect;
  if (skill_id == 1) {
    SetBlendMode(blend_add, 2 * c + 100);
    const int column = c >= 44 ? 0 : c >= 37 ? 1 : c >= 30 ? 2 : c >= 23 ? 3 : 4;
    draw_cell(mx - 32, my + c - 80, 120 * column, 0, 120, 120, effect_sheets[sheet_aura], 0);
    SetBlendMode(blend_none, 255);
  } else if (skill_id == 8) {
    SetBlendMode(blend_add, 48);
    const int m = c % 10;
    const int cell_x = m < 4 ? 265 : m < 7 ? 201 : 137;
    const int sheet = effect_sheets[sheet_tr_all_04];
    for (int i = 0; i < c / 5 + 5; ++i) draw_cell(mx, my + c - 110, cell_x, 484, 53, 104, sheet, 0);
    for (int i = 0; i < c / 10 + 2; ++i) {
      DrawGraphStretched(mx + 2 * c - 170, my + 2 * c - 150, mx - 2 * c + 222, my - 2 * c + 242,
                         gallery_pics[ring_picture], 1);
    }
    SetBlendMode(blend_none, 255);
  }
}

void spawn_sparkle() {
  for (Sparkle& s : sparkles) {
    if (s.in_use != 0) continue;
    s = Sparkle{};
    s.x = mx - 15 + GetRandomUpTo(50);
    s.y = my - 20 + GetRandomUpTo(30);
    s.in_use = 1;
    s.alpha = s.trail_alpha = 155;
    s.drop = 5;
    return;
  }
}

void update_sparkles() {
  constexpr int trail_ages[4] = {4, 8, 12, 16};
  constexpr int trail_offsets[4] = {5, 10, 15, 25};
  const int sheet = effect_sheets[sheet_tr_all_01];
  for (Sparkle& s : sparkles) {
    if (s.in_use == 0) continue;
    SetBlendMode(blend_add, s.alpha);
    draw_cell(s.x, s.y + s.drop, 220, 0, 32, 32, sheet, 0);
    s.alpha -= 3;
    for (int k = 0; k < 4; ++k) {
      if (s.age < trail_ages[k]) break;
      SetBlendMode(blend_add, s.trail_alpha > 0 ? s.trail_alpha : 0);
      draw_cell(s.x, s.y + s.drop + trail_offsets[k], 220, 0, 32, 32, sheet, 0);
      s.trail_alpha -= 3;
    }
    SetBlendMode(blend_none, 255);
    s.drop += 1;
    s.age += 1;
    if (s.alpha < 3) s.in_use = 0;
  }
}

void clear_sparkles() {
  for (Sparkle& s : sparkles) s.in_use = 0;
}

// ---- Fan of bolts ----

void spawn_skill_shot_a(int x, int y, int dir) {
  for (SkillBoltSet& set : skill_bolts) {
    if (set.in_use != 0) continue;
    shot_pose = 1;
    play(se_bolt);
    set.in_use = 1;
    set.direction = dir;
    set.anim = 0;
    for (int k = 0; k < bolts_per_fan; ++k) {
      set.alive[k] = 1;
      set.x[k] = start_x(x, dir);
      set.y[k] = y;
    }
    return;
  }
  refund(4);
}

void update_skill_shots_a() {
  constexpr int drift[bolts_per_fan] = {0, -1, 1, -2, 2};
  for (SkillBoltSet& set : skill_bolts) {
    if (set.in_use == 0) continue;
    const int cell_x = set.anim >= 5 ? 132 : 100;
    for (int k = 0; k < bolts_per_fan; ++k) {
      if (set.alive[k] != 0) {
        draw_cell(set.x[k] - g_x, set.y[k] + g_y, cell_x, 119, 32, 23, effect_sheets[sheet_all_01], set.direction);
      }
    }
    set.anim = set.anim + 1 >= 10 ? 0 : set.anim + 1;
    for (int k = 0; k < bolts_per_fan; ++k) {
      set.x[k] += set.direction == 1 ? 10 : -10;
      set.y[k] += drift[k];
    }
    bool any_alive = false;
    for (int k = 0; k < bolts_per_fan; ++k) {
      if (set.alive[k] == 0) continue;
      const HitBox box = shot_box(set.x[k], set.y[k]);
      if (const int g = breakable_gimmick_at(box); g >= 0) {
        set.alive[k] = 0;
        spawn_effect(set.x[k] - 35, set.y[k] - 35, effect_impact);
        damage_gimmick(g, bolt_damage);
      } else if (const int i = first_enemy_in(box); i >= 0) {
        set.alive[k] = 0;
        spawn_effect(set.x[k] - 35, set.y[k] - 35, effect_impact);
        projectile_hit(enemy_pool[i], bolt_damage);
      } else if (off_screen(set.x[k])) {
        set.alive[k] = 0;
      }
      any_alive = any_alive || set.alive[k] != 0;
    }
    if (!any_alive) set.in_use = 0;
  }
}

// ---- Bomb ----

void spawn_skill_shot_b(int x, int y, int dir, int up) {
  SkillBomb& b = skill_bomb;
  if (b.in_use != 0) {
    refund(5);
    return;
  }
  shot_pose = 1;
  play(se_bomb);
  b = SkillBomb{};
  b.y = y;
  b.in_use = 1;
  b.direction = dir;
  b.up = up;
  b.vy = -8;
  b.x = start_x(x, dir);
}

bool detonate_skill_bomb() {
  if (skill_bomb.in_use == 0 || skill_bomb.exploding != 0) return false;
  explode(skill_bomb);
  return true;
}

namespace {

void bomb_flies(SkillBomb& b) {
  b.anim = b.anim + 1 >= 20 ? 0 : b.anim + 1;
  SetBlendMode(blend_add, 200);
  draw_cell(b.x - g_x, b.y + g_y, 260 + 26 * (b.anim / 7), 0, 26, 28, effect_sheets[sheet_tr_all_01], 0);
  SetBlendMode(blend_none, 255);
  if (b.up != 0) {
    b.y += b.vy;
    b.half_rate ^= 1;
    if (b.half_rate == 0) b.vy += 1;
  }
  b.x += b.direction == 1 ? 6 : -6;
  if (off_screen(b.x)) {
    b.in_use = 0;
    return;
  }
  const HitBox box = shot_box(b.x, b.y);
  if (breakable_gimmick_at(box) >= 0 || first_enemy_in(box) >= 0) explode(b);
}

void bomb_explodes(SkillBomb& b) {
  if (b.anim == 0 && b.sub_counter == 0) play(se_explosion);
  SetBlendMode(blend_add, 125);
  for (int k = 0; k < 5 && k <= b.anim; ++k) {
    const int f = b.anim - k;
    draw_cell(b.x - g_x, b.y + g_y, 104 * (f % 5), 104 * (f / 5), 104, 104, effect_sheets[sheet_explosion], 0);
  }
  SetBlendMode(blend_none, 255);
  damage_gimmicks_in({b.x, b.y + 15, b.x + 90, b.y + 90}, bomb_damage);
  // The blast is wide at first, then shrinks to its core; the enemy's box is taken narrower from the left with it.
  const bool wide = b.anim < 2;
  const HitBox blast = wide ? HitBox{b.x, b.y + 10, b.x + 100, b.y + 100} : HitBox{b.x, b.y + 30, b.x + 74, b.y + 74};
  b.hit = 0;
  for (int i = 0; i < enemy_loop_end() && b.hit == 0; ++i) {
    EnemyRecord& e = enemy_pool[i];
    if (!hero_can_hit(e)) continue;
    HitBox target = enemy_hit_box(e);
    target.left += wide ? 10 : 30;
    if (!boxes_meet(blast, target)) continue;
    b.hit = 1;
    projectile_hit(e, bomb_damage);
  }
  b.sub_counter ^= 1;
  if (b.sub_counter == 0) b.anim += 1;
  if (b.anim >= 10) b.in_use = 0;
}

}  // namespace

void update_skill_shots_b() {
  SkillBomb& b = skill_bomb;
  if (b.in_use == 0) return;
  if (b.exploding == 0) {
    bomb_flies(b);
  } else {
    bomb_explodes(b);
  }
}

// ---- Darts ----

void spawn_skill_shot_c(int x, int y, int dir) {
  for (SkillDart& d : skill_darts) {
    if (d.in_use != 0) continue;
    play(se_dart);
    d.y = y;
    d.in_use = 1;
    d.direction = dir;
    d.x = start_x(x, dir);
    return;
  }
}

void update_skill_shots_c() {
  const int sheet = effect_sheets[sheet_all_01];
  for (SkillDart& d : skill_darts) {
    if (d.in_use == 0) continue;
    draw_cell(d.x - g_x, d.y + g_y, 100, 119, 32, 23, sheet, d.direction);
    SetBlendMode(blend_add, 30);
    for (int k = 0; k < 10; ++k) draw_cell(d.x - g_x, d.y + g_y, 100, 119, 32, 23, sheet, d.direction);
    SetBlendMode(blend_none, 255);
    d.x += d.direction == 1 ? 10 : -10;
    if (off_screen(d.x)) {
      d.in_use = 0;
      continue;
    }
    const HitBox box = shot_box(d.x, d.y);
    if (const int g = breakable_gimmick_at(box); g >= 0) {
      d.in_use = 0;
      spawn_effect(d.x - 35, d.y - 35, effect_impact);
      damage_gimmick(g, dart_damage);
    }
    // Every enemy the dart meets in this frame is hit, even after the first has stopped it.
    const int damage = buff_kind == 2 && Mimic_c > 0 ? dart_damage / 2 : dart_damage;
    for (int i = 0; i < enemy_loop_end(); ++i) {
      EnemyRecord& e = enemy_pool[i];
      if (!hero_can_hit(e) || !boxes_meet(box, enemy_hit_box(e))) continue;
      spawn_effect(d.x - 35, d.y - 35, effect_impact);
      d.in_use = 0;
      projectile_hit(e, damage);
    }
  }
}

// ---- Wave ----

void spawn_skill_shot_d(int x, int y, int dir) {
  SkillWave& w = skill_wave;
  if (w.in_use != 0) return;
  play(se_wave);
  w.x = x;
  w.y = y - 60;
  w.in_use = 1;
  w.direction = dir;
  w.age = 0;
}

void update_skill_shots_d() {
  SkillWave& w = skill_wave;
  if (w.in_use == 0) return;
  w.age += 1;
  SetBlendMode(blend_add, 200);
  const int sheet = effect_sheets[sheet_tr_all_03];
  if (w.age % 2 == 0) {
    draw_cell(w.x - g_x, w.y + g_y + 50, 0, 220, 150, 138, sheet, w.direction);
  } else {
    draw_cell(w.x - g_x, w.y + g_y + 60, 150, 220, 158, 126, sheet, w.direction);
  }
  SetBlendMode(blend_none, 255);
  w.x += w.direction == 1 ? 2 : -2;
  if (w.age >= 20) w.in_use = 0;
}

// ---- Damage of the sweeping skills ----

void damage_enemy(int index, int amount, int kind) {
  if (index < 0 || index >= enemy_pool_size) return;
  switch (kind) {
    case 3:
    case 6: play(se_mace_hit); break;
    case 12:
    case 13:
    case 15: play(se_k_z2); break;
    case 14: play(se_k_zc); break;
    default: break;
  }
  EnemyRecord& e = enemy_pool[index];
  e.hit_flag = 1;
  int d = amount;
  if (accessory == 11 && sp > 10) {
    sp -= 10;
    d = 2 * amount;
  }
  if (buff_flags[buff_a] != 0) d += amount / 5;
  if (accessory == 0) d += amount / 4;
  // Hero 0 counts its skill kills as mace kills; hero 1 by the sword it carries.
  std::int32_t no_counter = 0;
  std::int32_t* const sword_counters[4] = {&kill_1, &kill_2, &kill_3, &kill_4};
  std::int32_t& counter = hero == 0 ? kill_2 : weapon < 4 ? *sword_counters[weapon] : no_counter;
  apply_enemy_damage(e, d, ArmourHit::first, counter);
}
