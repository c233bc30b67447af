#include "game/enemy/enemy_contact.h"

#include "engine/core/public_api.h"
#include "game/enemy/enemy_common.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/enemy_sounds.h"
#include "game/enemy/hazard_pool.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_modes.h"
#include "game/flow/main_loop.h"
#include "game/player/player_globals.h"

using namespace enemy_detail;

ScreenBox enemy_contact_box() {
  if (game_mode == mode_fall_scene) return {mx + 22, mx + 70, my + 60, my + 115};
  return hazard_contact_box();
}

ScreenBox hazard_contact_box() {
  const int top = (crouching != 0 || dashing != 0) ? my + 45 : my + 17;
  return {mx + 19, mx + 40, top, my + 85};
}

bool guard_takes_hit() {
  if (spirit_barrier == 0) return false;
  spirit_barrier = 0;
  hurt_count = 31;
  hurt = 1;
  return true;
}

void damage_player(int damage) {
  int amount = damage;
  if (accessory == 9) {
    amount = damage - damage / 5;
  } else if (weapon == 2 && kill_3 < 400) {
    amount = damage + damage / 2;
  }
  hp -= amount;
  if (hp < 0) hp = 0;
  hurt = 1;
  if (buff_flags[buff_c] != 0) {
    hurt_count = 31;
    PlayerState = player_free;
    if (hp <= 0) {
      hurt_count = 1;
      PlayerState = player_dead;
      skill_step = 0;
    }
  } else {
    cancel_skill();
    tea = 0;
  }
}

namespace {

// Skill entry of the second hero's row that the skill item of each stage teaches (stages 1..6).
constexpr int orb_skill_entry[7] = {-1, 4, 5, 7, 2, 6, 3};

void collect_item(EnemyRecord& e) {
  play_se(enemy_se::gem);
  e.state = enemy_collected;
  if (e.type == 35) {
    if (stage >= 0 && stage < static_cast<int>(sizeof stage_flags)) stage_flags[stage] = 1;
    if (stage == 6) frame_counter = 1000;
    caption_code = 9001;
    caption_start = frame_start_ms;
    if (stage >= 1 && stage <= 6) learned[1][orb_skill_entry[stage]] = 1;
  } else if (e.param >= 0 && e.param < 5) {
    collect_flags[e.param] = 1;
  }
}

void collect_coin(EnemyRecord& e) {
  play_se(enemy_se::coin);
  play_se(enemy_se::coin_ring);
  e.state = enemy_collected;
  const int value = e.type == 37 ? 10 : e.type == 38 ? 50 : 500;
  money += (buff_kind == 3 && Mimic_c >= 1) ? 3 * value : value;
}

}  // namespace

void check_enemy_contact(int index) {
  if (index < 0 || index >= enemy_pool_size) return;
  EnemyRecord& e = enemy_pool[index];
  const EnemyBoxRow& box = enemy_box_row(e.type);
  const ScreenBox b = screen_box(e.x, e.y, box.left, box.top, box.right, box.bottom);
  if (debug_boxes != 0) outline_box(b);
  if (!boxes_meet(enemy_contact_box(), b) || hurt != 0) return;
  switch (e.type) {
    case 34: case 35: collect_item(e); return;
    case 37: case 38: case 39: collect_coin(e); return;
    default: break;
  }
  if (guard_takes_hit()) return;
  ++hits_taken;
  play_se(enemy_se::damage);
  damage_player(box.damage);
  attack_timer = 0;
  attack_count = 0;
  main_latch = 0;
}

void respawn_far_enemies() {
  const int player_x = mx + g_x;
  for (int i = 0; i < enemy_pool_size; ++i) {
    EnemyRecord& e = enemy_pool[i];
    if (e.state != enemy_defeated) continue;
    const int d = e.home_x - player_x;
    if (d > 600 || d < -600) {
      reset_enemy(i);
      e.state = enemy_active;
    }
  }
}

void apply_hit_flash(int index) {
  if (index < 0 || index >= enemy_pool_size) return;
  EnemyRecord& e = enemy_pool[index];
  if (e.flash == 0) return;
  SetBrightnessRGB(158, 158, 255);
  if (++e.flash >= 5) e.flash = 0;
}

void draw_boss_gauge(int index) {
  if (index < 0 || index >= enemy_pool_size) return;
  const EnemyRecord& e = enemy_pool[index];
  SetBrightnessRGB(255, 255, 255);
  DrawRectangle(600, 250, 610, 50, MakeColorValue(50, 50, 50), 1);
  const int pct = e.max_hp > 0 ? e.hp * 100 / e.max_hp : 0;
  constexpr int shades[7][3] = {{232, 0, 0},     {255, 55, 55}, {255, 117, 117}, {255, 187, 187},
                                {255, 117, 117}, {255, 55, 55}, {232, 0, 0}};
  for (int k = 0; k < 7; ++k) {
    DrawLineSegment(601 + k, 250, 601 + k, (125 - pct) * 2, MakeColorValue(shades[k][0], shades[k][1], shades[k][2]));
  }
  for (int k = 0; k <= 12; ++k) {
    SetBlendMode(1, 50 + 4 * k);
    DrawRectangle(598 + k, 50, 599 + k, 250, MakeColorValue(255, 255, 255), 1);
  }
  SetBlendMode(0, 255);
  DrawGraphPart(593, 41, 583, 18, 23, 21, menu_pics[menu_pic_menu_01], 1, 0);
  DrawGraphPart(592, 242, 580, 44, 26, 26, menu_pics[menu_pic_menu_01], 1, 0);
}
