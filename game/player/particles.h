// Stage-play decoration that changes no game state: glowing motes that gather into a point (the hero's charge,
// a charging enemy), debris groups that fly up, fall, bounce off blocks and fade, and the light shot's hit spark.
#pragma once

#include <cstdint>

struct Particle {
  std::int32_t type;  // 0 around the hero, 13 around a world point
  std::int32_t active;
  float dir_cos, dir_sin;  // direction from the centre
  float dist;              // 80 at spawn, falling to 0
  float size;              // half the drawn width and height, 4..16
  float speed;             // distance lost per update
  std::int32_t alpha;
  std::int32_t x, y;  // centre in world pixels (type 13)
};

inline constexpr int particle_group_pieces = 50;
struct ParticleGroup {
  std::int32_t type;   // 0..10
  std::int32_t param;  // mirror flag of the pieces and the side they fly to
  std::int32_t active;
  std::int32_t move_toggle;  // pieces move on every second update
  std::int32_t px[particle_group_pieces], py[particle_group_pieces];  // world position of each piece's picture
  std::int32_t palpha[particle_group_pieces];
  std::int32_t fall[particle_group_pieces];
  std::int32_t rise[particle_group_pieces];
  std::int32_t pdx[particle_group_pieces];
};

struct HitSpark {
  std::int32_t x, y, active, age;
};

inline constexpr int particle_pool_size = 100;
inline constexpr int particle_group_pool_size = 100;
inline constexpr int hit_spark_pool_size = 10;
extern Particle particles[particle_pool_size];
extern ParticleGroup particle_groups[particle_group_pool_size];
extern HitSpark hit_sparks[hit_spark_pool_size];

void spawn_particle(int x, int y, int type);
void update_particles();
// Debris of `type` from world (x, y); `param` mirrors the pieces and sends them right (nonzero) or left.
void spawn_particle_group(int type, int x, int y, int param);
void update_particle_groups();
// Only the first spark record is ever used: a spark in flight drops the next request.
void spawn_hit_spark(int x, int y);
void update_hit_sparks();
