// Enemy kinds 5 and 6: the small and the large translucent floaters.
#include "game/enemy/enemy_kinds.h"
#include "game/player/player_globals.h"

namespace enemy_kinds {

namespace {

using enemy_detail::cos_deg;
using enemy_detail::sin_deg;

// Kinds 5 and 6 keep their wave angle in jump_power.
void advance_wave(EnemyRecord& e) {
  e.jump_power += 5;
  if (e.jump_power >= 360) e.jump_power = 0;
}

void small_cycle(const EnemyRecord& e, bool moving) {
  if (moving) {
    draw_alpha(e, 200, cell_by(e.timer, {6, 13, 20}, {70, 140, 210}, 140), 70, 70, 70, e.facing);
  } else {
    draw_alpha(e, 200, cell_by(e.timer, {6, 13, 20}, {0, 70, 140}, 70), 0, 70, 70, 0);
  }
}

void large_cycle(const EnemyRecord& e, bool moving, int alpha = 200) {
  if (moving) {
    draw_alpha(e, alpha, cell_by(e.timer, {6, 13, 20}, {140, 280, 420}, 280), 140, 140, 140, e.facing);
  } else {
    draw_alpha(e, alpha, cell_by(e.timer, {6, 13, 20}, {0, 140, 280}, 140), 0, 140, 140, 0);
  }
}

// Returns false when the record freed itself.
bool small_floater_moves(EnemyRecord& e) {
  switch (e.param) {
    case 1:
      if (e.mode == 0) {
        enemy_detail::circle_step(e.angle, 3, e.vx, e.vy);
        e.x += e.vx;
        e.y += e.vy;
        small_cycle(e, false);
        if (sight_x(e, 35) < 250 && dist_y(e) < 250) {
          e.mode = 99;
          e.facing = mx < ex(e) ? 0 : 1;
        }
      } else if (e.mode == 99) {
        draw_alpha(e, 200, 0, 70, 70, 70, 0);
        if (++e.step > 29) {
          const enemy_detail::Step s = enemy_detail::aimed_step(mx - ex(e), my - ey(e), 5);
          e.vx = s.vx;
          e.vy = s.vy;
          e.facing = ex(e) <= mx ? 1 : 0;
          e.mode = 1;
        }
      } else {
        e.x += e.vx;
        e.y += e.vy;
        small_cycle(e, true);
      }
      return true;
    case 2:
    case 3:
      if (e.mode == 0) {
        small_cycle(e, false);
        if (sight_x(e, 35) < 550 && dist_y(e) < 250) {
          e.mode = 1;
          e.fall = 0;
          e.jump_power = e.param == 2 ? 0 : 180;
          e.facing = mx < ex(e) ? 0 : 1;
        }
      } else {
        advance_wave(e);
        e.y += cos_deg(e.jump_power) / 200;
        small_cycle(e, true);
        e.x += e.facing == 1 ? 4 : -4;
      }
      return true;
    case 4:
      small_cycle(e, false);
      e.y -= 2;
      break;
    case 5:
    case 6:
      if (e.counter == 0) {
        e.counter = 1;
        if (e.param == 6) e.jump_power = 180;
      }
      advance_wave(e);
      e.x += sin_deg(e.jump_power) / 200;
      small_cycle(e, true);
      e.y += e.facing == 0 ? -2 : 2;
      break;
    default:
      return true;
  }
  if (ey(e) < -200) {
    e.state = enemy_free;
    return false;
  }
  return true;
}

void large_shoot(EnemyRecord& e) {
  ++e.step;
  if (e.step < 140) {
    const int cx = cell_by(e.step, {9, 44, 49}, {0, 140, 280}, 420);
    draw_alpha(e, 200, cx, 280, 140, 140, e.facing);
  }
  if (e.step == 50) {
    spawn_hazard(3, e.facing, e.facing == 0 ? e.x - 60 : e.x + 100, e.flag == 0 ? e.y + 20 : e.y + 70, 1);
    e.flag ^= 1;
  }
  if (e.step > 139) {
    e.step = 0;
    e.facing = ex(e) + 40 <= mx ? 1 : 0;
    if (sight_x(e, 75) > 249 || dist_y(e) > 249) e.mode = 0;
  }
}

void large_weave(EnemyRecord& e) {
  ++e.step;
  if (e.counter == 0) {
    advance_wave(e);
    e.y += (cos_deg(e.jump_power) / 100) / 4;
  }
  e.counter ^= 1;
  draw_alpha(e, 180, cell_by(e.step, {9, 19, 29}, {140, 280, 420}, 280), 140, 140, 140, e.facing);
  if (e.step >= 39) e.step = 0;
  e.x += e.facing == 1 ? 3 : -3;
  if (dist_x(e) > 900 || dist_y(e) > 700) e.state = enemy_defeated;
}

}  // namespace

void small_floater(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    if (!small_floater_moves(e)) return;
    if (++e.timer > 27) e.timer = 0;
    if (dist_x(e) > 900 || dist_y(e) > 700) e.state = enemy_defeated;
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    e.alpha -= 2;
    if (hero == 0) {
      draw_alpha(e, e.alpha, cell_by(e.timer, {4, 9}, {70, 140}, 210), 140, 70, 70, 0);
      e.y -= 1;
      e.timer += 2;
      if (e.timer > 14) e.timer = 0;
    } else {
      draw_alpha(e, e.alpha, cell_by(e.timer, {4, 9, 14, 19, 24}, {0, 70, 140, 210, 280}, 210), 210, 70, 70, 0);
      e.y -= 1;
      if (++e.timer >= 30) e.timer = 10;
    }
    fade_end(e, 1);
  }
}

void large_floater(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    if (e.param >= 10) {
      const bool right = e.param >= 20;
      large_cycle(e, true);
      if (++e.timer > 27) e.timer = 0;
      e.facing = right ? 1 : 0;
      e.x += right ? 2 : -2;
      const int drift = right ? e.param % 20 : e.param % 10;
      if (drift == 2) e.y -= 1;
      if (drift == 3) e.y += 1;
      if (ey(e) < -250 || ey(e) > 850) {
        e.state = enemy_free;
        return;
      }
    } else if (e.mode == 0) {
      large_cycle(e, false);
      const int range = e.param == 1 ? 250 : e.param == 2 ? 600 : 0;
      if (range > 0 && sight_x(e, 75) < range && dist_y(e) < 250) {
        e.mode = e.param == 1 ? 99 : 1;
        e.jump_power = 0;
        e.facing = mx < ex(e) + 40 ? 0 : 1;
      }
    } else if (e.mode == 99) {
      draw_alpha(e, 180, 0, 140, 140, 140, e.facing);
      if (++e.step > 29) {
        e.mode = 1;
        e.step = 0;
      }
    } else if (e.param == 1) {
      large_shoot(e);
    } else {
      large_weave(e);
    }
    if (e.mode == 0 && ++e.timer >= 27) e.timer = 0;
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    e.alpha -= 2;
    draw_alpha(e, e.alpha, cell_by(e.timer, {4, 9}, {140, 280}, 420), 420, 140, 140, 1);
    e.y -= 1;
    if (++e.timer > 14) e.timer = 0;
    fade_end(e, 1);
  }
}

}  // namespace enemy_kinds
