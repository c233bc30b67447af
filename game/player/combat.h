// Damage rules shared by every attack of the hero: shots, melee and skills. Boxes here are in world pixels (a screen
// box moves to the world by + g_x across and - g_y down; overlap does not change under the move).
#pragma once

#include <cstdint>

#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
#include "game/stage/stage_object.h"

// A box by its edges; two boxes meet when each one's left is less than the other's right and each one's top less
// than the other's bottom.
struct HitBox {
  int left, top, right, bottom;
};
inline bool boxes_meet(const HitBox& a, const HitBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
// An enemy's box from its kind's row of the box table; a gimmick's and a hazard's from their own boxes.
HitBox enemy_hit_box(const EnemyRecord& e);
HitBox gimmick_hit_box(const StageObject& g);
HitBox hazard_hit_box(const HazardRecord& h);

// An enemy the hero's attacks can strike: alive, and of a kind below 37 other than 34 and 35.
bool hero_can_hit(const EnemyRecord& e);

// Index of the first gimmick in pool order that is solid, in use and meets `box`, at or after `from`; -1 if none.
int solid_gimmick_at(const HitBox& box, int from = 0);

// The critical roll of the shots and melee hits: 0..100 against CRI, 10 more with accessory 0.
bool roll_critical();

// Which of the two armour-hit sounds a hit on an armoured enemy (kinds 15 and 16) makes.
enum class ArmourHit { first, second };

// The enemy damage steps: the hit flash starts and the enemy loses `damage` HP (an armoured kind sounds); when that
// leaves it below 1 HP it dies: its death sound, state dying with its behaviour counter back at 0 so its dying
// sequence starts from the first frame, `kill_counter` + 1 and its loot. True when the hit killed it.
bool apply_enemy_damage(EnemyRecord& e, int damage, ArmourHit armour, std::int32_t& kill_counter);

// A struck-down hazard goes to its breaking state with its break-up counters at 0 (the caller plays the sound).
void strike_down_hazard(HazardRecord& h);

// The sword's slash picture on an enemy of `kind` at world (x, y): side 1 the first cut, any other the second.
void spawn_enemy_hit_effect(int kind, int x, int y, int side);

// Damage `amount` to gimmick `index` of the gimmick pool when it is breakable; at no hit points left it breaks into
// debris with the block-break sound.
void damage_gimmick(int index, int amount);

// The two rolls of a kill's loot, each one draw of the random generator: the kind's table roll (0..70 with accessory
// 3, else 0..100, below the kind's chance gives its pickup) and the independent extra recovery roll. 0 for none.
int roll_table_pickup(int kind);
int roll_extra_pickup();
// What an enemy of `kind` killed at world (x, y) leaves behind: nothing for kinds 26, 27, 33 and 36, else the rolls
// above, each pickup spawned there as soon as it is rolled.
void drop_loot(int kind, int x, int y);
