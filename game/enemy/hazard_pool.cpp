#include "game/enemy/hazard_pool.h"

#include "engine/core/public_api.h"
#include "game/enemy/enemy_common.h"
#include "game/enemy/enemy_contact.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/enemy_sounds.h"
#include "game/enemy/hazard_kinds.h"
#include "game/player/player_globals.h"

using namespace enemy_detail;

HazardRecord hazard_pool[hazard_pool_size];
int hazard_count;
std::uint8_t debug_boxes;

// Breakable value and rise speed by kind.
const HazardTypeRow hazard_type_table[hazard_kind_count] = {
    {0, 0, {}},  {20, 8, {}}, {20, 0, {}}, {20, 0, {}}, {0, 0, {}},  {10, 0, {}}, {0, 0, {}},  {10, 0, {}},
    {0, 0, {}},  {30, 8, {}}, {10, 0, {}}, {0, 0, {}},  {10, 15, {}}, {20, 0, {}}, {10, 0, {}}, {15, 0, {}},
    {15, 0, {}}, {15, 0, {}}, {15, 0, {}}, {0, 0, {}},  {10, 0, {}}, {0, 0, {}},  {0, 0, {}},  {10, 0, {}},
    {0, 0, {}},  {0, 0, {}},  {10, 0, {}}, {10, 0, {}}, {10, 0, {}}, {0, 0, {}},  {0, 0, {}},  {0, 0, {}},
    {0, 0, {}},  {0, 0, {}},  {10, 0, {}}, {0, 0, {}},  {0, 0, {}},  {10, 0, {}}, {0, 0, {}},  {0, 0, {}},
    {0, 0, {}},  {0, 0, {}},  {0, 0, {}},  {0, 0, {}},  {0, 0, {}},  {0, 0, {}},  {0, 0, {}},  {0, 0, {}},
    {0, 0, {}},  {0, 0, {}},  {0, 0, {}},
};

// Contact box (left, top, right, bottom) and damage by kind; kinds 45..50 never test contact.
const HazardBoxRow hazard_box_table[hazard_kind_count] = {
    {0, 0, 0, 0, 0},         {4, 4, 12, 12, 15},      {0, 0, 0, 0, 0},         {47, 24, 80, 71, 20},
    {0, 0, 0, 0, 0},         {23, 29, 66, 66, 15},    {16, 7, 125, 115, 30},   {36, 16, 83, 48, 20},
    {73, 54, 180, 240, 35},  {6, 5, 33, 35, 20},      {0, 0, 20, 20, 15},      {55, 48, 142, 139, 20},
    {7, 10, 26, 28, 15},     {-22, -22, 23, 23, 20},  {11, 14, 47, 47, 15},    {5, 5, 23, 23, 15},
    {10, 2, 55, 16, 30},     {3, 4, 42, 11, 15},      {8, 6, 33, 17, 15},      {50, 100, 95, 170, 25},
    {10, 10, 30, 27, 25},    {26, 32, 107, 174, 40},  {26, 32, 107, 174, 35},  {26, 32, 66, 130, 30},
    {0, 0, 0, 0, 0},         {20, 20, 78, 78, 10},    {5, 5, 30, 30, 15},      {6, 8, 56, 28, 30},
    {5, 6, 109, 12, 25},     {0, 0, 0, 0, 0},         {0, 0, 80, 60, 25},      {0, 0, 80, 35, 25},
    {0, 0, 120, 150, 60},    {0, 0, 0, 0, 0},         {11, 12, 33, 32, 10},    {0, 0, 0, 0, 0},
    {20, 30, 60, 150, 35},   {3, 2, 23, 9, 20},       {-1300, 60, 50, 110, 60}, {6, 4, 18, 34, 20},
    {13, 14, 145, 77, 35},   {9, 9, 160, 30, 30},     {43, 39, 66, 84, 20},    {0, -200, 186, 480, 100},
    {0, 0, 120, 140, 80},    {0, 0, 0, 0, 0},         {0, 0, 0, 0, 0},         {0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},         {0, 0, 0, 0, 0},         {0, 0, 0, 0, 0},
};

const HazardTypeRow& hazard_type_row(int kind) {
  return hazard_type_table[kind >= 0 && kind < hazard_kind_count ? kind : 0];
}

const HazardBoxRow& hazard_box_row(int kind) {
  return hazard_box_table[kind >= 0 && kind < hazard_kind_count ? kind : 0];
}

namespace {

using namespace hazard_kinds;

// Handlers by kind; kinds 4, 24 and 33 have none.
constexpr Handler handlers[hazard_kind_count] = {
    nullptr,         stone,          dust,           slow_wave,      nullptr,        aimed_orb,
    burst,           fireball,       light_column,   skull,          drop,           magic_circle,
    ghost_fire,      star,           fire_drop,      fire_drop,      bolt,           bolt,
    bolt,            hidden_box,     rising_skull,   held_beam,      left_beam,      fire_wave,
    nullptr,         tumbling_debris, circling_ghost, blade_wave,    arrow,          bouncing_debris,
    hidden_box,      hidden_box,     hidden_box,     nullptr,        escort,         bouncing_debris,
    fading_box,      card,           wide_beam,      ceiling_trap,   crushing_block, ceiling_trap,
    flame_blob,      great_pillar,   fading_box,     tumbling_debris, pillar_decoration, ending_object,
    ending_object,   ending_object,  ending_object,
};

}  // namespace

bool hazard_audible(int x, int y) {
  const int dx = x - (mx + g_x) + 55;
  const int dy = y - (my - g_y) + 30;
  return dx > -500 && dx < 500 && dy > -400 && dy < 400;
}

void spawn_hazard(int type, int direction, int x, int y, int param) {
  for (HazardRecord& h : hazard_pool) {
    if (h.state != hazard_free) continue;
    h = HazardRecord{};
    h.state = hazard_live;
    h.type = type;
    h.param = param;
    h.direction = direction;
    h.x = h.prev1_x = h.prev2_x = h.prev3_x = x;
    h.y = h.prev1_y = h.prev2_y = h.prev3_y = y;
    h.toggle = 1;
    h.alpha = 255;
    h.breakable = hazard_type_row(type).breakable;
    h.rise_speed = hazard_type_row(type).rise_speed;
    if (hazard_audible(x, y)) play_hazard_sound(type);
    return;
  }
}

void update_hazards() {
  for (int i = 0; i < hazard_pool_size; ++i) {
    HazardRecord& h = hazard_pool[i];
    if (h.state == hazard_free || h.type <= 0 || h.type >= hazard_kind_count) continue;
    if (const Handler handler = handlers[h.type]) handler(i, h);
  }
}

void free_all_hazards() {
  for (HazardRecord& h : hazard_pool) h.state = hazard_free;
}

void play_hazard_sound(int kind) {
  switch (kind) {
    case 5: play_se(enemy_se::jt); break;
    case 6: play_se(enemy_se::drop); break;
    case 7: play_se(enemy_se::spd); break;
    case 8: play_se(enemy_se::gx); break;
    case 10: play_se(enemy_se::ar); break;
    case 13: play_se(enemy_se::th); break;
    case 19: play_se(enemy_se::km); break;
    case 37: play_se(enemy_se::ca); break;
    default: break;
  }
}

void play_hazard_hit_sound(int index) {
  if (index < 0 || index >= hazard_pool_size) return;
  switch (hazard_pool[index].type) {
    case 19: case 21: case 22: case 23: case 30: case 31: case 32: case 36: play_se(enemy_se::damage_u); break;
    case 28: play_se(enemy_se::arrow_hit); break;
    case 44: play_se(enemy_se::damage_b); break;
    default: play_se(enemy_se::damage); break;
  }
}

void break_hazard(int index) {
  if (index < 0 || index >= hazard_pool_size) return;
  HazardRecord& h = hazard_pool[index];
  if (h.type == 39 || h.type == 41) h.state = hazard_breaking;
}

void check_hazard_contact(int index) {
  if (index < 0 || index >= hazard_pool_size) return;
  HazardRecord& h = hazard_pool[index];
  const HazardBoxRow& box = hazard_box_row(h.type);
  const ScreenBox b = screen_box(h.x, h.y, box.left, box.top, box.right, box.bottom);
  if (debug_boxes != 0) outline_box(b);
  if (!boxes_meet(hazard_contact_box(), b)) return;
  if (hurt != 0 || h.state != hazard_live) return;
  if (guard_takes_hit()) return;
  ++hits_taken;
  play_hazard_hit_sound(index);
  break_hazard(index);
  damage_player(box.damage);
  h.touched = 1;
  cancel_skill();
  tea = 0;
  attack_timer = 0;
  main_latch = 0;
  attack_count = 0;
}
