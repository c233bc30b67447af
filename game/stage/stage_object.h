// The record of every stage object: the gimmick pool and the three scenery pools share it. Gimmicks are the solid
// and moving pieces of an area (tiles, walls, falling floors, crates, platforms, lifts, doors); scenery is what is
// drawn around the hero (decoration, lamps, spikes, water, wall pictures).
#pragma once

#include <cstdint>

struct StageObject {
  std::int32_t type;  // gimmick type 0..99, or the scenery pool's own type
  std::uint8_t solid;  // gimmicks: 1 when the record takes part in collisions
  std::int32_t x;      // world position
  std::int32_t y;
  std::int32_t start_x;  // position at spawn
  std::int32_t start_y;
  std::int32_t in_use;      // gimmicks: 1 in use, 0 free; scenery: the draw layer 1..3, 0 free
  std::int32_t fall_speed;  // falling crates: downward speed in pixels per frame
  std::int32_t door_state;  // doors: 0 at rest, 1 rising, 2 dropping (a switch writes 1)
  std::int32_t direction;   // moving platforms 0/1; second water phase of scenery pool B
  std::int32_t splash;      // scenery pool B: splash frame counter of a waterfall
  std::int32_t timer;       // frame counter of the behaviour; lamp flicker, first water phase
  std::int32_t sub;         // types below 40: cell-table row of the picture; doors: the door identifier 101..110
  std::uint8_t stood_on;    // set by the player update when the hero lands on the record
  std::uint8_t mirror;      // 1 = drawn mirrored left-right
  std::int32_t cell_x, cell_y, cell_w, cell_h;  // picture in the stage tile sheet
  std::int32_t box_x0, box_x1, box_y0, box_y1;  // collision box relative to (x, y): left, right, top, bottom
  std::int32_t stand_offset;  // a hero landing on it stands at screen y = y + g_y - stand_offset
  std::int32_t head_offset;   // a hero bumping it from below is put at screen y = y + head_offset + g_y
  std::int32_t hit_points;    // of a breakable record
  std::uint8_t breakable;     // 1 = shots and melee hits damage it
};

inline constexpr int gimmick_pool_size = 550;
inline constexpr int scenery_a_pool_size = 100;
inline constexpr int scenery_b_pool_size = 50;
inline constexpr int scenery_c_pool_size = 50;

// The gimmick pool and its handed-out count. Code that looks a door up by its sub scans records
// 0 .. gimmick_count - 1; the enemies and hazards treat a record as an obstacle when solid is nonzero and in_use is
// exactly 1.
extern StageObject gimmicks[gimmick_pool_size];
extern int gimmick_count;

// Door gimmick type and the identifiers a switch (enemy kind 36) passes as its parameter.
inline constexpr int gimmick_door = 40;
inline constexpr int door_state_rest = 0;
inline constexpr int door_state_rising = 1;
inline constexpr int door_state_dropping = 2;
