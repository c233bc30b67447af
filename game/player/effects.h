// The effect pool: short-lived pictures of combat and scenes (explosions, impact flashes, slashes, critical bursts,
// dust, blood, glints, sparkles, the fire spirits around the hero, and a few staged animations). Effects touch no
// game state; only the fire spirits read the spirit barrier flag.
#pragma once

#include <cstdint>

struct EffectRecord {
  std::int32_t x, y;  // world pixels for most types; offsets from the hero for the fire spirits; screen for type 39
  std::int32_t step_x, step_y;  // per-frame circling step of the fire spirits
  std::int32_t type;            // 1..39
  std::uint16_t active;
  std::int32_t phase;
  std::int32_t anim;
  std::int32_t age;       // updates since spawn (the first update sees 1)
  std::int32_t half_age;  // raised on every second update
  std::int32_t stage_count[20];
  std::int32_t odd;    // 1, 0, 1, ... on successive updates
  std::int32_t alpha;  // 255 at spawn
  std::int32_t angle;  // degrees
  std::int32_t radius;
};

inline constexpr int effect_pool_size = 50;
extern EffectRecord effects[effect_pool_size];

// 1000 x sin d and 1000 x cos d, rounded, for whole degrees d = 0..359.
extern const std::int16_t (&sin_table)[360];
extern const std::int16_t (&cos_table)[360];

// Starts an effect of `type` at (x, y) in the first free record (x is stored 10 further right); a full pool drops
// the request. Types 5 and 15 play their sound.
void spawn_effect(int x, int y, int type);
// Advances and draws every live effect and frees the finished ones.
void update_effects();
