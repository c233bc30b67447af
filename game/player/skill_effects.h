// What the hero's skills leave in the world: the casting effect and the aura drawn around the hero, the sparkles,
// the four skill projectile pools (the fan of bolts, the bomb, the darts, the wave) and damage_enemy, through which
// the sweeping skills hurt enemies. Projectile positions are world pixels, sparkles screen pixels.
#pragma once

#include <cstdint>

#include "game/player/combat.h"

struct Sparkle {
  std::int32_t x, y;  // screen
  std::int32_t in_use;
  std::int32_t alpha;        // 155 at spawn, 3 less every frame
  std::int32_t trail_alpha;  // 155 at spawn, 3 less for every trail copy drawn
  std::int32_t age;
  std::int32_t drop;  // 5 at spawn, 1 more every frame
};
inline constexpr int sparkle_pool_size = 10;
extern Sparkle sparkles[sparkle_pool_size];

// Five bolts of skill 4 flying as one fan.
inline constexpr int bolts_per_fan = 5;
struct SkillBoltSet {
  std::int32_t alive[bolts_per_fan];
  std::int32_t x[bolts_per_fan];
  std::int32_t y[bolts_per_fan];
  std::int32_t in_use;
  std::int32_t direction;  // 1 right, 0 left
  std::int32_t anim;       // 0..9
};
inline constexpr int bolt_set_pool_size = 2;
extern SkillBoltSet skill_bolts[bolt_set_pool_size];

struct SkillBomb {
  std::int32_t up;  // thrown upwards in an arc
  std::int32_t x, y;
  std::int32_t half_rate;  // toggles every frame: the arc's speed grows every second frame
  std::int32_t in_use;
  std::int32_t direction;
  std::int32_t sub_counter;  // the explosion's frames advance every second frame
  std::int32_t anim;
  std::int32_t exploding;
  std::uint8_t hit;  // the blast has hurt an enemy in this update
  std::int32_t vy;
};
extern SkillBomb skill_bomb;

struct SkillDart {
  std::int32_t x, y;
  std::int32_t in_use;
  std::int32_t direction;
};
inline constexpr int dart_pool_size = 10;
extern SkillDart skill_darts[dart_pool_size];

struct SkillWave {
  std::int32_t x, y;  // where it is drawn
  std::int32_t in_use;
  std::int32_t direction;  // 1 when the hero faced left: it drifts right
  std::int32_t age;
};
extern SkillWave skill_wave;

// The casting effect of skill_id (heal glow, sparkles, casting streak); counts skill_effect down and lets skill_id
// fall back to none when it runs out.
void draw_skill_effect();
// The aura of skills 1 and 8 behind the hero.
void draw_skill_aura();
void spawn_sparkle();
void update_sparkles();
void clear_sparkles();

// Skill projectiles at world (x, y); dir 1 right, 0 left. A full bolt or bomb pool gives back the skill's price.
void spawn_skill_shot_a(int x, int y, int dir);          // fan of bolts
void spawn_skill_shot_b(int x, int y, int dir, int up);  // bomb
void spawn_skill_shot_c(int x, int y, int dir);          // dart
void spawn_skill_shot_d(int x, int y, int dir);          // wave
// The bomb in flight goes off where it is; false when none flies.
bool detonate_skill_bomb();
// Move, hit and draw each pool once.
void update_skill_shots_a();
void update_skill_shots_b();
void update_skill_shots_c();
void update_skill_shots_d();

// Damage of a sweeping skill of `kind` to enemy record `index`, with the accessory and buff bonuses; counts a kill.
void damage_enemy(int index, int amount, int kind);

// ---- Breakable gimmicks against a skill's box (world pixels) ----
// Index of the first breakable gimmick in use whose box meets `box`, or -1.
int breakable_gimmick_at(const HitBox& box);
// Every breakable gimmick in use whose box meets `box` takes `amount`.
void damage_gimmicks_in(const HitBox& box, int amount);
