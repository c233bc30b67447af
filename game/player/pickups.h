// Pickups: the items lying in a stage. Money and recovery items dropped by killed enemies, and the HP and SP
// upgrades, stage goals, skill gems and equipment that the placement lists and story scenes put down. A pool of 20
// records; update_pickups moves, draws, expires and collects them once per frame of stage play.
#pragma once

#include <cstdint>

struct Pickup {
  std::int32_t kind;     // see PickupKind
  std::int32_t x, y;     // world position of the icon's top-left corner
  std::int32_t active;   // 1 in use, 0 free
  std::int32_t life;     // 700 at spawn, -1 per update
  std::int32_t vy;       // vertical speed, -4 (up) at spawn
  std::int32_t glow_step;  // 0..7 cycle of the scene glint
  std::uint8_t landed;   // 1 when the icon rests on a block in this update
  std::int32_t dx;       // sideways speed while flying, -3..3
  std::int32_t bounce;   // rise per update after a hard landing (vy / 3), else 0
  std::int32_t bob_steps, bob_dir, bob_count;  // bobbing of the kinds from 120 up
};

// Kinds by range: 1..9 money (10..99 only a caption and the money sound), 100..108 recovery, 109 and 110 the HP
// and SP upgrades, 111..119 stage goals, 120..129 skill gems, 130..132 equipment.
enum PickupKind : int {
  pickup_money_first = 1,
  pickup_money_last = 9,
  pickup_heal_10 = 100,
  pickup_heal_20 = 101,
  pickup_heal_40 = 102,
  pickup_heal_full = 103,
  pickup_sp_10 = 104,
  pickup_sp_20 = 105,
  pickup_sp_40 = 106,
  pickup_continue = 107,
  pickup_refill = 108,
  pickup_hp_up = 109,
  pickup_sp_up = 110,
  pickup_goal_a = 111,
  pickup_goal_b = 112,
  pickup_goal_last = 119,
  pickup_gem_first = 120,
  pickup_gem_last = 129,
  pickup_equipment_6 = 130,
  pickup_equipment_10 = 131,
  pickup_equipment_11 = 132,
};

inline constexpr int pickup_pool_size = 20;
extern Pickup pickups[pickup_pool_size];
extern int pickup_count;  // records handed out since the pools were last cleared

// The money a money pickup of `kind` (1..9) gives; 0 for any other kind.
int pickup_money(int kind);

// A pickup of `kind` at world (x, y) (an enemy's position for drops): it appears 25 right and 5 above, rising with a
// random sideways speed. A full pool loses it.
void spawn_pickup(int x, int y, int kind);
// Moves, draws, expires and collects every pickup in index order.
void update_pickups();
