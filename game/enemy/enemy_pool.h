// The enemy pool: every enemy of a stage, and every coin, chest and collectible that a stage places as an enemy, is
// one EnemyRecord of a fixed pool. The per-kind tables (hit points, jump power, hit box, contact damage) and the
// small routines that hand out, reset and clear records live here.
#pragma once

#include <cstdint>

// Values of EnemyRecord::state.
enum EnemyState : int {
  enemy_free = 0,
  enemy_active = 1,
  enemy_dying = 2,
  enemy_defeated = 3,  // parked until respawn_far_enemies brings it back
  enemy_collected = 5,
  enemy_finished = 6,  // a collected coin or item: occupied and idle until the pools are cleared
};

struct EnemyRecord {
  std::int32_t type;     // enemy kind 1..39
  std::int32_t param;    // placement parameter, read per kind
  std::int32_t x, y;     // world position of the sprite cell's top-left
  std::int32_t local_x;  // room offsets given at spawn
  std::int32_t local_y;
  std::uint8_t hit_flag;  // already hit by the hero's current shot, swing or skill
  std::int32_t state;     // EnemyState
  std::int32_t toggle;
  std::int32_t counter;
  std::int32_t counter2;
  std::int32_t alpha;  // blend parameter of the fading draws; 255 at spawn
  std::int32_t timer;  // animation and behaviour frame timer; a kill sets it to 0
  std::int32_t timer2;
  std::int32_t fall;  // gravity accumulator
  std::int32_t jump_power;
  std::int32_t step;
  std::int32_t flag;
  std::int32_t vx, vy;
  std::int32_t hp;
  std::int32_t home_x, home_y;
  std::int32_t max_hp;
  std::int32_t base_jump_power;
  std::int32_t mode;    // the kind's behaviour mode inside the active state
  std::int32_t facing;  // 1 faces right (drawn mirrored), 0 faces left
  std::int32_t angle;   // degrees 0..359, or a work value
  std::int32_t spawned;
  std::int32_t flash;  // hit flash: 1..4 while tinted
};

// 115 records held the original lists; the largest list (115 entries) plus the ten chests the stage builder places
// before it needs 125. The pool is sized so that no listed enemy is dropped.
inline constexpr int enemy_pool_size = 128;
inline constexpr int enemy_kind_count = 40;  // rows of the kind tables, kind 0 standing for none

extern EnemyRecord enemy_pool[enemy_pool_size];
// Records handed out since the pools were last cleared; loops over handed-out records stop at enemy_loop_end().
extern int enemy_count;
inline int enemy_loop_end() { return enemy_count < enemy_pool_size ? enemy_count : enemy_pool_size; }

struct EnemyTypeRow {
  std::int32_t hp;
  std::int32_t jump_power;
  std::int32_t unused[2];
};
struct EnemyBoxRow {
  std::int32_t left, top, right, bottom;  // hit box relative to the record's (x, y)
  std::int32_t damage;                    // contact damage to the player
};
extern const EnemyTypeRow enemy_type_table[enemy_kind_count];
extern const EnemyBoxRow enemy_box_table[enemy_kind_count];
// The row of a kind, or the all-zero row 0 for a kind outside 0..39.
const EnemyTypeRow& enemy_type_row(int kind);
const EnemyBoxRow& enemy_box_row(int kind);

// Set by collecting an enemy of kind 34; the index is the record's param (0..4).
extern std::uint16_t collect_flags[5];

// Hands out the first free record (lowest index, state 0) as a fresh enemy of `type` at room (column, row) plus the
// offset; does nothing when every record is taken.
void spawn_enemy(int type, int param, int room_x, int room_y, int x, int y);
// Puts record `index` back as it was spawned (home position, full HP, counters cleared); leaves its state alone.
void reset_enemy(int index);
// Lets the hero's next attack hit every enemy once.
void clear_enemy_hit_flags();
// Stops a running skill of the hero.
void cancel_skill();
// The placement routine of stages 7 to 9 and the handler of game modes 5 and 21.
void do_nothing();
// Frees every record and sets enemy_count to 0 (part of the object-pool clear before an area is built).
void free_all_enemies();
