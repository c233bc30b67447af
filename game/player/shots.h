// The first hero's shots: up to three light shots (the small bolt of a MAIN press, fired downwards in the falling
// stage) and one main shot (the large bolt of a full charge) with its fading trail and glow. Each frame moves, draws
// and hit-tests them against the gimmicks and the enemies.
#pragma once

#include <cstdint>

struct LightShot {
  std::int32_t x, y;              // the bolt's top-left, world pixels
  std::int32_t flash_x, flash_y;  // the muzzle flash, fixed at spawn
  std::int32_t active;
  std::int32_t dir;    // 1 right, 0 left, 3 down
  std::int32_t frame;  // picture counter 0..10: the first picture for 0..4, the second for 5..10
  std::int32_t age;    // updates since spawn
};
struct MainShot {
  std::int32_t x, y;
  std::int32_t active;
  std::int32_t dir;  // 1 right, anything else left
};
struct ShotTrail {
  std::int32_t x, y;
  std::int32_t active;
  std::int32_t flip;        // 1: the piece is drawn mirrored
  std::int32_t glow_count;  // draws of the glow; only the first record's counts
  std::int32_t fade;        // 0 at spawn, + 30 per draw
};

inline constexpr int light_shot_count = 3;
inline constexpr int shot_trail_count = 40;
extern LightShot light_shots[light_shot_count];
extern MainShot main_shot;
extern ShotTrail shot_trails[shot_trail_count];

// A light shot from world (x, y), direction 1 right, 0 left, 3 down; dropped while three fly.
void spawn_light_shot(int x, int y, int direction);
void update_light_shots();
// The main shot from world (x, y), direction 1 right, else left; nothing while one flies.
void spawn_main_shot(int x, int y, int direction);
void update_main_shot();
void spawn_shot_trail(int x, int y, int flip);
void draw_shot_trail();
