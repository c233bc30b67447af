#include "game/player/combat.h"

#include "engine/core/public_api.h"
#include "game/flow/game_parts.h"
#include "game/flow/resources.h"
#include "game/player/effects.h"
#include "game/player/particles.h"
#include "game/player/player_globals.h"

namespace {

void play(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

// The two armour-hit sounds are the same file in two slots, so that both can sound at once.
constexpr int armour_hit_slot[2] = {se_mb_ardm, se_mb_ardm_b};

struct DropRow {
  int chance;  // out of the roll's range
  int pickup;
};
// Drop chance and pickup kind by enemy kind 0..40.
constexpr DropRow drop_table[41] = {
    {0, 0},   {10, 1},  {10, 1}, {10, 1}, {10, 3}, {10, 1}, {10, 2}, {10, 6},  {10, 2}, {10, 3}, {10, 2},
    {10, 1},  {10, 2},  {10, 4}, {10, 3}, {10, 4}, {10, 4}, {10, 3}, {10, 4},  {15, 9}, {15, 8}, {10, 5},
    {10, 5},  {30, 7},  {20, 3}, {30, 2}, {0, 0},  {0, 0},  {20, 3}, {20, 1},  {10, 1}, {0, 0},  {10, 1},
    {0, 0},   {0, 0},   {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},
};

struct SlashOffset {
  int dx, dy;
};
// Where the sword's slash picture sits on an enemy, by kind 0..33; kinds without a place of their own (0, 1, 25 to 27
// and 34 up) use the common middle one.
constexpr SlashOffset default_slash{-40, -40};
constexpr SlashOffset slash_offsets[34] = {
    default_slash, default_slash, {-90, -90}, {-70, -70}, {-20, 0},   {-80, -80},    {-30, -30},    {-70, -60},
    {-60, -60},    {-40, -20},    {-75, -55}, {-50, -70}, {-30, -30}, {-40, -20},    {-30, -35},    {-30, -50},
    {-30, -50},    {-70, -70},    {-10, -10}, {-30, -30}, {-40, -40}, {-40, -40},    {-40, -50},    {-50, -50},
    {-60, -60},    default_slash, default_slash, default_slash, {-30, -20}, {-70, -70}, {-70, -70}, {0, 50},
    {-40, -40},    {70, 65},
};

}  // namespace

HitBox enemy_hit_box(const EnemyRecord& e) {
  const EnemyBoxRow& row = enemy_box_row(e.type);
  return {e.x + row.left, e.y + row.top, e.x + row.right, e.y + row.bottom};
}

HitBox gimmick_hit_box(const StageObject& g) {
  return {g.x + g.box_x0, g.y + g.box_y0, g.x + g.box_x1, g.y + g.box_y1};
}

HitBox hazard_hit_box(const HazardRecord& h) {
  const HazardBoxRow& row = hazard_box_row(h.type);
  return {h.x + row.left, h.y + row.top, h.x + row.right, h.y + row.bottom};
}

bool hero_can_hit(const EnemyRecord& e) {
  return e.state == enemy_active && e.type < 37 && e.type != 34 && e.type != 35;
}

int solid_gimmick_at(const HitBox& box, int from) {
  for (int i = from < 0 ? 0 : from; i < gimmick_pool_size; ++i) {
    const StageObject& g = gimmicks[i];
    if (g.solid != 0 && g.in_use == 1 && boxes_meet(box, gimmick_hit_box(g))) return i;
  }
  return -1;
}

bool roll_critical() {
  const int r = GetRandomUpTo(100);
  return r <= CRI + (accessory == 0 ? 10 : 0);
}

bool apply_enemy_damage(EnemyRecord& e, int damage, ArmourHit armour, std::int32_t& kill_counter) {
  e.flash = 1;
  e.hp -= damage;
  if (e.type == 15 || e.type == 16) play(armour_hit_slot[armour == ArmourHit::first ? 0 : 1]);
  if (e.hp >= 1) return false;
  if (e.type >= 0 && e.type < enemy_kind_count) PlaySoundHandle(enemy_death_sounds[e.type], 1, 1);
  e.state = enemy_dying;
  e.timer = 0;
  kill_counter += 1;
  drop_loot(e.type, e.x, e.y);
  return true;
}

void strike_down_hazard(HazardRecord& h) {
  h.state = hazard_breaking;
  h.anim_counter = 0;
  h.anim_frame = 0;
  h.fall_speed = 0;
}

void spawn_enemy_hit_effect(int kind, int x, int y, int side) {
  const SlashOffset o = kind >= 0 && kind < 34 ? slash_offsets[kind] : default_slash;
  const int left = mirror != 0 ? 1 : 0;
  const int type = side == 1 ? (left != 0 ? 12 : 11) : (left != 0 ? 14 : 13);
  spawn_effect(x + o.dx - (left != 0 ? 30 : 0), y + o.dy, type);
}

void damage_gimmick(int index, int amount) {
  if (index < 0 || index >= gimmick_pool_size) return;
  StageObject& g = gimmicks[index];
  if (g.breakable == 0) return;
  g.hit_points -= amount;
  if (g.hit_points >= 1) return;
  g.in_use = 0;
  spawn_particle_group(0, g.x, g.y, 0);
  play(se_box);
}

int roll_table_pickup(int kind) {
  const DropRow row = kind >= 0 && kind <= 40 ? drop_table[kind] : DropRow{0, 0};
  const int n = GetRandomUpTo(accessory == 3 ? 70 : 100);
  return n < row.chance ? row.pickup : 0;
}

int roll_extra_pickup() {
  const int m = GetRandomUpTo(100);
  return m < 8 ? 100 : m < 14 ? 104 : m < 18 ? 101 : m < 21 ? 105 : m < 23 ? 107 : 0;
}

void drop_loot(int kind, int x, int y) {
  if (kind == 26 || kind == 27 || kind == 33 || kind == 36) return;
  if (const int table = roll_table_pickup(kind); table != 0) spawn_pickup(x, y, table);
  if (const int extra = roll_extra_pickup(); extra != 0) spawn_pickup(x, y, extra);
}
