// Enemy kinds 34 to 39: the collectible item, the skill orb, the chest and the money pieces.
#include "game/enemy/enemy_kinds.h"
#include "game/flow/dialogue_box.h"
#include "game/flow/game_parts.h"

namespace enemy_kinds {

namespace {

constexpr int halo_sheet = 9;  // effect_sheets: "gsx/ef/tr_all_01.png"

int clamp_i(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// The picture of a collectible kind at the record's place, under the current draw state.
void draw_picture(const EnemyRecord& e) {
  const int x = ex(e);
  const int y = ey(e);
  switch (e.type) {
    case 34: enemy_detail::draw_cell(x, y, 23 * clamp_i(e.param, 1, 6) - 23, 174, 23, 62, item_icons, e.facing); break;
    case 35: enemy_detail::draw_cell(x, y, 24 * clamp_i(e.param, 0, 5), 120, 24, 24, item_icons, e.facing); break;
    case 37: enemy_detail::draw_cell(x, y, 0, 0, 24, 30, enemy_images[37], e.facing); break;
    case 38: enemy_detail::draw_cell(x, y, 24, 0, 24, 30, enemy_images[37], e.facing); break;
    default: enemy_detail::draw_cell(x, y, 1, 32, 52, 40, enemy_images[37], e.facing); break;
  }
}

void glow(EnemyRecord& e) {
  const int n = e.step < 20 ? e.step : 40 - e.step;
  const int g = e.type == 34 ? 15 : 20;
  for (int k = 0; k < n; ++k) {
    SetBlendMode(2, g);
    draw_picture(e);
    SetBlendMode(0, 255);
  }
  if (++e.step >= 40) e.step = 0;
}

void halo(EnemyRecord& e) {
  SetBlendMode(2, 168);
  const int copies = e.flag == 1 ? 2 : 1;
  for (int k = 0; k < copies; ++k) {
    enemy_detail::draw_cell(ex(e) - 16, ey(e) - 17, 579, 108, 61, 60, effect_sheets[halo_sheet], 0);
  }
  e.flag ^= 1;
  SetBlendMode(0, 0);
}

// The skill orb's bob and its motion in the story scene.
void orb_moves(EnemyRecord& e) {
  if (++e.timer >= 10) {
    e.timer = 0;
    e.y += e.vy == 0 ? -1 : 1;
    if (++e.vx >= 5) {
      e.vx = 0;
      e.vy ^= 1;
    }
  }
  if (scene_state.step == 7) {
    e.counter ^= 1;
    if (e.counter == 1) {
      constexpr int moves[6][2] = {{0, -4}, {-2, -3}, {2, -3}, {-2, -2}, {2, -2}, {0, -1}};
      if (e.param >= 0 && e.param <= 5) {
        e.x += moves[e.param][0];
        e.y += moves[e.param][1];
      }
    }
  } else if (scene_state.step == 8) {
    e.y -= 2;
  }
}

}  // namespace

void collectible(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    if (e.type == 34) {
      draw_picture(e);
      SetBlendMode(0, 255);
    } else {
      SetBlendMode(1, 168);
      draw_picture(e);
      SetBlendMode(0, 255);
    }
    glow(e);
    if (e.type == 34 || e.type == 35) halo(e);
    if (e.type == 35) {
      orb_moves(e);
      if (story_event != 18) check_enemy_contact(i);
    } else {
      check_enemy_contact(i);
    }
  } else if (e.state == enemy_collected) {
    SetBlendMode(1, e.alpha);
    draw_picture(e);
    SetBlendMode(0, 255);
    if (e.alpha == 205 || e.alpha == 155 || e.alpha == 105 || e.alpha == 55) {
      const int dy = GetRandomUpTo(20);
      const int dx = GetRandomUpTo(20);
      spawn_effect(e.x - 10 + dx, e.y - 10 + dy, (e.type == 37 || e.type == 39) ? 22 : 23);
    }
    if (++e.step >= 3) e.step = 0;
    e.alpha -= 10;
    if (e.alpha <= 10) e.state = enemy_finished;
  }
}

void chest(int, EnemyRecord& e) {
  if (e.state == enemy_active) {
    draw(e, 0, 0, 52, 60, 0);
    return;
  }
  if (e.state == enemy_free) return;
  draw(e, cell_by(e.timer, {6, 13, 20}, {52, 104, 156}, 208), 0, 52, 60, 0);
  if (e.timer < 30) ++e.timer;
  if (e.counter == 0) {
    for (int g = 0; g < gimmick_count && g < gimmick_pool_size; ++g) {
      if (gimmicks[g].sub == e.param) {
        gimmicks[g].door_state = door_state_rising;
        e.counter = 1;
        break;
      }
    }
  }
}

}  // namespace enemy_kinds
