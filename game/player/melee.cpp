#include "game/player/melee.h"

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/player/effects.h"
#include "game/player/player_globals.h"
#include "game/stage/stage_state.h"

namespace {

void play(int slot) { PlaySoundHandle(sound_table[slot], 1, 1); }

bool facing_right() { return pose >= 0 && pose <= 8; }

// A box given in screen pixels around the hero, moved into the world.
HitBox hero_box(int left, int top, int right, int bottom) {
  return {left + g_x, top - g_y, right + g_x, bottom - g_y};
}

// The critical burst beside the hero (its effect plays the critical or the strong-hit sound).
void critical_burst(int effect_type) {
  const int world_x = mx + g_x;
  const int world_y = my - g_y;
  spawn_effect(world_x - (facing_right() ? 25 : 85), world_y - 40, effect_type);
}

std::int32_t& sword_kill_counter() {
  switch (weapon) {
    case 0: return kill_1;
    case 1: return kill_2;
    case 2: return kill_3;
    default: return kill_4;
  }
}

}  // namespace

int mace_base_damage() {
  if (accessory != 8 || max_hp <= 0) return 40;
  const long long p = static_cast<long long>(hp) * 100 / max_hp;
  return p < 10 ? 80 : p < 20 ? 70 : p < 30 ? 60 : p < 40 ? 50 : p < 50 ? 45 : 40;
}

int sword_base_damage(int state) {
  int damage = 500;
  if (accessory == 11 && sp > 10) {
    sp -= 10;
    damage = 1000;
  }
  if (state == player_attack_2 && weapon == 3 && kill_4 >= 100) damage *= kill_4 < 400 ? 2 : kill_4 < 1000 ? 3 : 4;
  return damage;
}

void melee_hit_gimmicks() {
  if (attack_timer < 4) return;
  const HitBox box = facing_right() ? hero_box(mx + 50, my + 5, mx + 105, my + 90)
                                    : hero_box(mx - 45, my + 5, mx + 10, my + 90);
  const int g = solid_gimmick_at(box);
  if (g >= 0) damage_gimmick(g, 40);
  for (int i = 0; i < enemy_loop_end(); ++i) {
    EnemyRecord& e = enemy_pool[i];
    if (e.hit_flag != 0 || !hero_can_hit(e) || !boxes_meet(box, enemy_hit_box(e))) continue;
    play(se_mace_hit);
    e.hit_flag = 1;
    int damage = mace_base_damage();
    if (roll_critical()) {
      critical_burst(5);
      damage *= 2;
    }
    if (buff_flags[buff_a] != 0) damage += 8;
    if (accessory == 2) damage += 10;
    apply_enemy_damage(e, damage, ArmourHit::second, kill_2);
  }
}

void melee_hit_enemies() {
  const int state = PlayerState;
  if (state != player_attack_1 && state != player_attack_2) return;
  const int reach = buff_flags[buff_f] != 0 ? 30 : weapon == 2 ? -10 : weapon == 1 ? 10 : 0;
  if (attack_count < 5 || attack_count > (state == player_attack_1 ? 13 : 17)) return;
  HitBox box{};
  if (state == player_attack_1) {
    const int top = crouching != 0 ? my + 40 : my + 5;
    const int bottom = crouching != 0 ? my + 90 : my + 70;
    box = facing_right() ? hero_box(mx + 50, top, mx + 100 + reach, bottom)
                         : hero_box(mx - 40 - reach, top, mx + 10, bottom);
  } else {
    box = facing_right() ? hero_box(mx + 50, my + 10, mx + 135 + reach, my + 100)
                         : hero_box(mx - 75 - reach, my + 10, mx + 10, my + 100);
  }
  for (int g = solid_gimmick_at(box); g >= 0; g = solid_gimmick_at(box, g + 1)) damage_gimmick(g, 500);
  for (HazardRecord& h : hazard_pool) {
    if (h.state != hazard_live || h.breakable == 0 || !boxes_meet(box, hazard_hit_box(h))) continue;
    play(se_k_z1);
    strike_down_hazard(h);
    break;
  }
  for (int i = 0; i < enemy_loop_end(); ++i) {
    EnemyRecord& e = enemy_pool[i];
    if (e.hit_flag != 0 || !hero_can_hit(e) || !boxes_meet(box, enemy_hit_box(e))) continue;
    if (e.type == 19) {
      if (mirror == 0) {
        spawn_effect(e.x + 70, e.y + 20, 30);
      } else {
        spawn_effect(e.x + 20, e.y + 20, 31);
      }
    }
    e.hit_flag = 1;
    int damage = sword_base_damage(state);
    spawn_enemy_hit_effect(e.type, e.x, e.y, state == player_attack_1 ? 1 : 2);
    if (roll_critical()) {
      critical_burst(15);
      damage *= 2;
    } else {
      play(se_k_z1);
    }
    const bool died = apply_enemy_damage(e, damage, state == player_attack_1 ? ArmourHit::first : ArmourHit::second,
                                   sword_kill_counter());
    if (died && accessory == 12 && sp < max_sp) sp += 2;
  }
}
