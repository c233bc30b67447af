#include "game/enemy/enemy_pool.h"

#include "engine/core/public_api.h"
#include "game/flow/game_parts.h"
#include "game/player/player_globals.h"

EnemyRecord enemy_pool[enemy_pool_size];
int enemy_count;
std::uint16_t collect_flags[5];

// Hit points and jump power by kind.
const EnemyTypeRow enemy_type_table[enemy_kind_count] = {
    {0, 0, {}},     {30, 7, {}},    {20, 6, {}},   {30, 6, {}},    {120, 0, {}},   {20, 0, {}},   {60, 0, {}},
    {50, 8, {}},    {50, 0, {}},    {70, 0, {}},   {100, 14, {}},  {10, 0, {}},    {70, 0, {}},   {1000, 0, {}},
    {70, 0, {}},    {350, 0, {}},   {1000, 0, {}}, {80, 0, {}},    {1000, 0, {}},  {1500, 18, {}}, {1000, 0, {}},
    {40, 6, {}},    {30, 20, {}},   {90, 0, {}},   {1000, 0, {}},  {100, 5, {}},   {1600, 0, {}}, {1200, 14, {}},
    {1000, 0, {}},  {500, 7, {}},   {500, 0, {}},  {4000, 0, {}},  {1000, 0, {}},  {20000, 0, {}}, {0, 0, {}},
    {0, 0, {}},     {50, 0, {}},    {9999, 0, {}}, {0, 0, {}},     {0, 0, {}},
};

// Hit box (left, top, right, bottom) and contact damage by kind.
const EnemyBoxRow enemy_box_table[enemy_kind_count] = {
    {0, 0, 0, 0, 0},          {28, 25, 60, 52, 10},    {11, 12, 33, 32, 20},   {32, 27, 68, 59, 20},
    {47, 16, 91, 171, 20},    {23, 21, 48, 48, 15},    {48, 40, 100, 100, 20}, {21, 13, 52, 41, 20},
    {14, 13, 44, 75, 15},     {15, 18, 82, 126, 20},   {30, 35, 55, 65, 20},   {13, 13, 49, 31, 10},
    {38, 26, 91, 94, 20},     {33, 26, 88, 127, 20},   {55, 41, 80, 133, 20},  {44, 33, 76, 134, 15},
    {40, 30, 80, 140, 25},    {13, 7, 35, 45, 25},     {79, 72, 122, 175, 30}, {50, 40, 120, 145, 35},
    {27, 18, 54, 143, 20},    {20, 18, 102, 40, 10},   {22, 13, 39, 66, 15},   {43, 39, 66, 84, 20},
    {33, 19, 70, 65, 30},     {15, 25, 46, 46, 20},    {29, 14, 52, 104, 20},  {44, 35, 98, 143, 25},
    {47, 43, 102, 189, 30},   {18, 24, 41, 42, 20},    {13, 13, 49, 31, 10},   {52, 95, 148, 272, 40},
    {12, 14, 35, 50, 25},     {142, 93, 209, 233, 50}, {3, 2, 16, 61, 0},      {1, 1, 19, 19, 0},
    {5, 6, 44, 56, 0},        {6, 1, 17, 26, 0},       {1, 1, 19, 16, 0},      {5, 10, 41, 30, 0},
};

const EnemyTypeRow& enemy_type_row(int kind) {
  return enemy_type_table[kind >= 0 && kind < enemy_kind_count ? kind : 0];
}

const EnemyBoxRow& enemy_box_row(int kind) {
  return enemy_box_table[kind >= 0 && kind < enemy_kind_count ? kind : 0];
}

namespace {

// The fields that spawning and resetting both set.
void start_over(EnemyRecord& e) {
  e.alpha = 255;
  e.fall = 0;
  e.jump_power = enemy_type_row(e.type).jump_power;
  e.toggle = e.counter = e.counter2 = e.timer = 0;
  e.timer2 = GetRandomUpTo(10);
  e.step = e.flag = e.mode = e.angle = e.flash = e.facing = 0;
  e.vx = e.vy = 0;
  e.spawned = 1;
  e.hit_flag = 0;
}

}  // namespace

void spawn_enemy(int type, int param, int room_x, int room_y, int x, int y) {
  for (EnemyRecord& e : enemy_pool) {
    if (e.state != enemy_free) continue;
    e.type = type;
    e.param = param;
    e.x = room_x * 640 + x;
    e.y = room_y * 480 + y;
    ++enemy_count;
    e.local_x = x;
    e.local_y = y;
    e.state = enemy_active;
    e.hp = enemy_type_row(type).hp;
    start_over(e);
    e.home_x = e.x;
    e.home_y = e.y;
    e.max_hp = e.hp;
    e.base_jump_power = e.jump_power;
    return;
  }
}

void reset_enemy(int index) {
  if (index < 0 || index >= enemy_pool_size) return;
  EnemyRecord& e = enemy_pool[index];
  e.x = e.home_x;
  e.y = e.home_y;
  e.hp = e.max_hp;
  start_over(e);
}

void clear_enemy_hit_flags() {
  for (int i = 0; i < enemy_loop_end(); ++i) enemy_pool[i].hit_flag = 0;
}

void cancel_skill() {
  skill_id = skill_none;
  skill_active = 0;
  skill_effect = 0;
  skill_step = 0;
}

void do_nothing() {}

void free_all_enemies() {
  for (EnemyRecord& e : enemy_pool) e.state = enemy_free;
  enemy_count = 0;
}
