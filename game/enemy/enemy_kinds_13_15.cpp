// Enemy kinds 13 to 15: the armoured walker, and the two standing shooters (the hanging one and the one with an
// arm).
#include "game/enemy/enemy_kinds.h"
#include "game/flow/game_parts.h"
#include "game/flow/stage_play.h"

namespace enemy_kinds {

namespace {

using enemy_detail::play_se;

// ---- Kind 13 -----------------------------------------------------------------------------------------------------
void k13_walk_cycle(EnemyRecord& e) {
  draw(e, cell_by(e.timer, {9, 19, 29}, {0, 130, 260}, 130), 0, 130, 150, e.facing);
  if (++e.timer >= 40) e.timer = 0;
}
void k13_attack_cell(const EnemyRecord& e) {
  draw(e, cell_by(e.timer, {6, 13, 20}, {0, 130, 260}, 390), 150, 130, 150, e.facing);
}

void k13_active(int i, EnemyRecord& e) {
  switch (e.mode) {
    case 0:
      k13_walk_cycle(e);
      if (e.param == 1) {
        if (e.timer == 0 && ex(e) - 440 < mx + 30 && mx + 30 < ex(e) + 560 && dist_y(e) < 250) {
          e.mode = 1;
          e.facing = mx + 30 < ex(e) + 60 ? 0 : 1;
        }
      } else {
        e.facing = mx + 30 < ex(e) + 65 ? 0 : 1;
        if (++e.step >= e.param) {
          e.step = 0;
          e.mode = 3;
        }
      }
      break;
    case 1:
      k13_walk_cycle(e);
      e.x += dir(e);
      if (++e.vx > 100) {
        e.vx = 0;
        e.timer = 0;
        e.mode = 2;
      }
      if (obstacle(e, 13, 108, 66, 87) >= 0) e.facing ^= 1;
      break;
    case 2:
      k13_attack_cell(e);
      ++e.timer;
      if (e.timer == 40) spawn_hazard(26, e.facing, e.x + 30, e.y + 30, i);
      if (e.timer >= 42) {
        e.timer = 0;
        e.mode = 1;
      }
      break;
    case 3:
      k13_attack_cell(e);
      ++e.timer;
      if (e.timer >= 36 && e.timer <= 99) spawn_particle(e.facing == 0 ? e.x + 20 : e.x + 110, e.y + 70, 13);
      if (e.timer == 130) spawn_hazard(27, e.facing, e.facing == 0 ? e.x : e.x + 60, e.y + 50, 1);
      if (e.timer >= 200) {
        e.timer = 0;
        e.mode = 0;
      }
      break;
    default: break;
  }
  check_enemy_contact(i);
}

// ---- Kind 14 -----------------------------------------------------------------------------------------------------
void k14_draw(const EnemyRecord& e, int cx, int cy, int shift) { draw(e, cx, cy, 120, 150, e.facing, shift); }
void k14_draw_alpha(const EnemyRecord& e, int alpha, int cx, int cy, int shift) {
  draw_alpha(e, alpha, cx, cy, 120, 150, e.facing, shift);
}
int k14_watch_cell(int t) { return cell_by(t, {10, 20, 30}, {0, 120, 240}, 120); }

void k14_active(int i, EnemyRecord& e) {
  const int shift = e.facing == 1 ? 25 : 0;
  if (e.mode == 0) {
    k14_draw(e, k14_watch_cell(e.timer), 0, shift);
    if (++e.timer >= 40) e.timer = 0;
    e.facing = ex(e) + 40 <= mx ? 1 : 0;
    if (sight_x(e, 75) < 400 && dist_y(e) < 250) {
      e.mode = 1;
      e.timer = 0;
    }
  } else {
    const int t = e.timer;
    if (t <= 80) {
      k14_draw(e, cell_by(t, {10, 20, 40, 50}, {0, 120, 240, 360}, 480), 150, shift);
    } else {
      k14_draw(e, k14_watch_cell(t - 80), 0, shift);  // 81..90 as watching's 1..10, and so on
    }
    if (t == 20) spawn_hazard(9, e.facing, e.x + 60, e.y - 5, 1);
    if (++e.timer > 119) {
      e.mode = 0;
      e.timer = 0;
    }
  }
  check_enemy_contact(i);
}

void k14_dying(EnemyRecord& e) {
  const int shift = e.facing == 1 ? 20 : 0;
  if (hero == 0) {
    if (e.timer == 0) e.counter = 255;
    if (e.timer <= 20) {
      k14_draw(e, 0, 300, shift);
    } else {
      k14_draw_alpha(e, e.counter, 480, 0, shift);
      if (e.timer <= 50) {
        k14_draw(e, cell_by(e.timer, {30, 40}, {120, 240}, 360), 300, shift);
      } else {
        k14_draw_alpha(e, e.alpha, 480, 300, shift);
        if (e.alpha < 1) {
          e.state = enemy_defeated;
        } else {
          e.alpha -= 1;
        }
      }
    }
    if (e.counter > 0) --e.counter;
    ++e.timer;
    return;
  }
  if (e.timer == 0) spawn_hazard(35, facing_left == 1 ? 0 : 1, e.x + 50, e.y + 10, 1);
  ++e.timer;
  k14_draw_alpha(e, e.alpha, 480, 0, shift);
  e.alpha -= 3;
  if (e.alpha < 3) e.state = enemy_defeated;
}

// ---- Kind 15 -----------------------------------------------------------------------------------------------------
void k15_watch_cell(const EnemyRecord& e) {
  draw(e, cell_by(e.timer, {10, 20, 30, 40}, {0, 120, 240, 360}, 480), 0, 120, 150, e.facing);
}

void k15_active(int i, EnemyRecord& e) {
  if (e.mode == 0) {
    k15_watch_cell(e);
    if (++e.timer >= 50) e.timer = 0;
    e.facing = mx + 35 < ex(e) + 60 ? 0 : 1;
    if (ex(e) - 220 < mx + 30 && mx + 30 < ex(e) + 340 && dist_y(e) < 250) {
      e.mode = 1;
      e.timer = 0;
    }
  } else if (e.mode == 1) {
    const int t = e.timer;
    const int sheet = enemy_images[e.type];
    if (t <= 10) {
      draw(e, 0, 150, 120, 150, e.facing);
      enemy_detail::draw_cell(ex(e) + (e.facing == 0 ? -20 : 55), ey(e) + 25, 365, 214, 90, 43, sheet, e.facing);
    } else if (t <= 40) {
      draw(e, 120, 150, 120, 150, e.facing);
      enemy_detail::draw_cell(ex(e) + (e.facing == 0 ? -35 : 30), ey(e) + 50, 364, 162, 126, 15, sheet, e.facing);
    } else {
      draw(e, 240, 150, 120, 150, e.facing);
    }
    if (t == 41) spawn_hazard(28, e.facing, e.facing == 0 ? e.x - 35 : e.x + 60, e.y + 50, 1);
    if (++e.timer >= 60) {
      e.timer = 0;
      e.mode = 2;
    }
  } else {
    k15_watch_cell(e);
    if (++e.timer >= 50) {
      e.timer = 0;
      e.mode = 0;
    }
  }
  check_enemy_contact(i);
}

void k15_dying(EnemyRecord& e) {
  const int t = e.timer;
  if (t <= 35) {
    draw(e, cell_by(t, {7, 14, 21, 28}, {0, 120, 240, 360}, 480), 300, 120, 150, e.facing);
  } else if (t <= 63) {
    draw(e, cell_by(t, {42, 49, 56}, {0, 120, 240}, 360), 450, 120, 150, e.facing);
  } else {
    draw_alpha(e, e.alpha, 480, 450, 120, 150, e.facing);
    e.alpha -= 4;
  }
  ++e.timer;
  if (e.alpha < 5) e.state = enemy_defeated;
  if (e.timer == 30) play_se(se_mb_rt);
}

}  // namespace

void armoured_walker(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k13_active(i, e);
  } else if (e.state == enemy_dying) {
    if (e.timer <= 41) {
      draw(e, 130 * (e.timer / 7), 300, 130, 150, e.facing);
    } else {
      draw(e, 650, 150, 130, 150, e.facing);
    }
    if (++e.timer >= 49) e.state = enemy_defeated;
  }
  if (e.state != enemy_free && (dist_x(e) > 800 || dist_y(e) > 600)) {
    e.state = enemy_defeated;
    reset_enemy(i);
  }
}

void hanging_shooter(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k14_active(i, e);
  } else if (e.state == enemy_dying) {
    k14_dying(e);
  }
}

void arm_shooter(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k15_active(i, e);
  } else if (e.state == enemy_dying) {
    k15_dying(e);
  } else {
    return;  // a parked record stays where it is: no gravity pulls it on while it waits
  }
  e.y += e.fall;
  ++e.fall;
  if (body_obstacle(e) >= 0) e.fall = 0;
}

}  // namespace enemy_kinds
