#include "game/player/player_globals.h"

#include <cstring>
#include <initializer_list>

#include "game/flow/game_modes.h"

PlayerGlobals player_globals;
std::int32_t buff_time[6];
std::int32_t fall_speed = 1;
std::int32_t on_solid;

namespace {
#define ROW_ALL(v) {v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v}
#define ROW_SPLIT_13 {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2}
#define ROW_SPLIT_10_15 {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 3, 3, 3, 3}
}  // namespace

const std::int32_t camera_floor[27][20] = {
    {0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1},  // stage 1
    {1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
    ROW_ALL(0),
    {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1},  // stage 2
    {2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 1, 2, 1, 1, 1, 1, 1, 1},
    ROW_ALL(0),
    {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},  // stage 3
    {2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3},
    ROW_ALL(0),
    {2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3},  // stage 4
    {1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
    ROW_ALL(0),
    ROW_ALL(2),  // stage 5
    {3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
    ROW_ALL(0),
    ROW_SPLIT_13,  // stage 6
    ROW_SPLIT_10_15,
    ROW_ALL(0),
    ROW_SPLIT_13,  // stage 7
    ROW_SPLIT_10_15,
    ROW_ALL(0),
    ROW_SPLIT_13,  // stage 8
    ROW_SPLIT_10_15,
    ROW_ALL(0),
    ROW_ALL(1),  // stage 9
    ROW_ALL(1),
    ROW_ALL(1),
};

#undef ROW_ALL
#undef ROW_SPLIT_13
#undef ROW_SPLIT_10_15

void reset_player_stats() {
  fall_speed = 1;
  if (hero == 0) {
    max_hp = 100;
    max_sp = 100;
    for (int i = 0; i < 5; ++i) {
      if (hp_up[i] == 1) max_hp += 10;
      if (sp_up[i] == 1) max_sp += 10;
    }
  } else {
    max_hp = 150;
    max_sp = 150;
  }
  sp = max_sp;
  hp = max_hp;
  CRI = 5;
  hp_trail_shown = max_hp;
  hp_trail_from = 0;
  hp_trail_to = 0;

  PlayerState = player_free;
  skill_step = 0;
  idle_anim = 0;
  pose = 0;
  mx = 80;
  my = 10;

  on_ladder = 0;
  ladder_near = 0;
  ladder_move = 0;
  jumping = 0;
  falling = 0;
  caption_code = 0;
  wall_kicks = 0;
  kick_push = 0;
  hurt_count = 0;
  hurt = 0;
  dashing = 0;
  dash_jump = 0;
  landed = 0;
  auto_walk_right = 0;
  auto_walk_left = 0;
  charge_glow = 0;
  release_pose = 0;
  melee_count = 0;

  walk_speed = 3;
  for (int b : {buff_a, buff_b, buff_c, buff_d, buff_f}) buff_flags[b] = 0;
  buff_kind = 0;
  Mimic_c = 0;
  std::memset(buff_time, 0, sizeof buff_time);
  drain_count = 40;
}

void compute_critical_chance() {
  switch (weapon) {
    case 0: CRI = 15; break;
    case 1: CRI = 10; break;
    case 2: CRI = 30; break;
    default: CRI = 5; break;
  }
  if (accessory == 13 || buff_flags[buff_d] != 0) CRI += 20;
  if (buff_kind == 1 && Mimic_c > 0) CRI = 100;
}

void clear_screen_counters() {
  for (int i = 0; i < 6; ++i) screen_cursor[i] = 0;
  frame_counter = 0;
}
