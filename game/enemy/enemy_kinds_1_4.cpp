// Enemy kinds 1 to 4: the hopper, the waking flyer, the jumper that throws and the heavy walker.
#include "game/enemy/enemy_kinds.h"
#include "game/player/player_globals.h"

namespace enemy_kinds {

namespace {

// Gravity of the falling kinds: fall is added every frame and grows on alternate frames.
void fall_step(EnemyRecord& e) {
  e.y += e.fall;
  if (e.toggle == 1) ++e.fall;
  e.toggle ^= 1;
}

int walk_cell(int timer) { return cell_by(timer, {7, 15, 23}, {0, 100, 200}, 100); }

// Kind 1: one hop frame toward `dir` (-1 left, +1 right).
void hop(EnemyRecord& e, int dir) {
  e.x += dir;
  if (e.toggle == 0) {
    e.y += e.fall - e.jump_power;
    ++e.fall;
  }
  draw(e, e.y < e.home_y - 25 ? 90 : 270, 0, 90, 60, dir > 0 ? 1 : 0);
  if (e.y > e.local_y) {
    ++e.counter;
    e.fall = 0;
  }
}

void hopper_stand(EnemyRecord& e, int mirror) {
  draw(e, cell_by(e.timer, {7, 15, 23}, {0, 90, 180}, 90), 0, 90, 60, mirror);
  ++e.step;
}

}  // namespace

void hopper(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    e.toggle ^= 1;
    if (e.step >= 0 && e.step <= 99) hopper_stand(e, 0);
    if (e.step == 100) {
      hop(e, -1);
      if (e.counter >= 10) e.step = 101;
    }
    if (e.step >= 101 && e.step <= 300) hopper_stand(e, 0);
    if (e.step == 301) {
      hop(e, 1);
      if (e.counter >= 20) e.step = 302;
    }
    if (e.step >= 302 && e.step <= 399) {
      hopper_stand(e, 1);
      if (e.step >= 400) e.step = e.counter = e.fall = 0;
    }
    if (++e.timer >= 32) e.timer = 0;
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    e.alpha -= 2;
    if (e.timer < 70) {
      const int cx = cell_by(e.timer, {14, 29}, {360, 450}, 540);
      const int cy = (e.timer >= 30 && e.step <= 101) ? 60 : 0;
      draw_alpha(e, e.alpha, cx, cy, 90, 60, 0);
    }
    ++e.timer;
    fade_end(e, 1);
  }
}

void flyer(int i, EnemyRecord& e) {
  const int cell = e.timer < 5 ? 0 : 30;
  if (e.state == enemy_active) {
    if (++e.timer >= 10) e.timer = 0;
    if (e.param >= 10) {
      e.y -= e.param % 10;
      draw(e, cell, 0, 30, 30, 0);
      check_enemy_contact(i);
      if (ex(e) < -200) e.state = enemy_free;
      return;
    }
    if (e.mode == 0) {
      if (dist_x(e) < 450 && dist_y(e) < 250) {
        e.mode = 1;
        e.facing = ex(e) <= mx ? 1 : 0;
      }
      return;
    }
    e.x += e.facing == 1 ? e.param : -e.param;
    draw(e, cell, 0, 30, 30, e.facing);
    if (dist_x(e) < 300 && e.counter == 0) e.counter = 1;
    if (e.counter == 1) {
      ++e.step;
      if (e.step == 30 || e.step == 60 || e.step == 90) spawn_hazard(10, e.facing, e.x, e.y + 20, 1);
      if (e.step >= 200) e.step = e.counter = 0;
    }
    if (dist_x(e) > 640) e.state = enemy_defeated;
    if (obstacle(e, 11, 33, 12, 32) >= 0) e.facing ^= 1;
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    e.alpha -= 7;
    draw_alpha(e, e.alpha < 0 ? 0 : e.alpha, 60, 0, 30, 30, e.facing);
    e.y += e.fall - e.jump_power;
    e.counter ^= 1;
    if (e.counter == 1) ++e.fall;
    if (e.alpha < 8) e.state = enemy_defeated;
  }
}

void jumper(int i, EnemyRecord& e) {
  auto face_player = [&e] { e.facing = mx <= ex(e) ? 0 : 1; };
  if (e.state == enemy_active) {
    switch (e.mode) {
      case 0:
        face_player();
        draw(e, 0, 0, 100, 67, e.facing);
        if (dist_x(e) < 350 && dist_y(e) < 250) e.mode = 1;
        break;
      case 1:
        e.y -= e.jump_power;
        e.x += e.facing == 1 ? 2 : -2;
        draw(e, e.y < e.counter - 30 ? 100 : 300, 0, 100, 67, e.facing);
        break;
      case 2:
        ++e.step;
        if (e.step == 30 && dist_x(e) < 250) {
          e.step = 0;
          e.mode = 0;
          e.counter = e.y;
        }
        face_player();
        draw(e, walk_cell(e.timer), 0, 100, 67, e.facing);
        if (dist_x(e) > 50 && dist_x(e) < 150 && dist_y(e) < 250) {
          e.mode = 3;
          e.step = 0;
        }
        break;
      case 3:
        face_player();
        if (e.step <= 40 || (e.step >= 101 && e.step <= 130)) {
          draw(e, walk_cell(e.timer), 0, 100, 67, e.facing);
        } else if (e.step <= 55) {
          draw(e, 300, 67, 100, 67, e.facing);
        } else if (e.step <= 70) {
          draw(e, 0, 134, 100, 67, e.facing);
        } else if (e.step <= 100) {
          draw(e, 100, 134, 100, 67, e.facing);
        }
        if (e.step == 70) {
          if (mx <= ex(e)) {
            spawn_hazard(1, 0, e.x + 10, e.y + 20, 1);
          } else {
            spawn_hazard(1, 1, e.x + 60, e.y + 20, 1);
          }
        }
        if (++e.step >= 131) {
          e.mode = 0;
          e.step = 0;
        }
        break;
      default:
        break;
    }
    fall_step(e);
    if (++e.timer >= 32) e.timer = 0;
    if (dist_x(e) > 900 || dist_y(e) > 700) e.state = enemy_defeated;
    for (int g = obstacle(e, 32, 68, 22, 54); g >= 0; g = obstacle(e, 32, 68, 22, 54, g + 1)) e.facing ^= 1;
    if (obstacle(e, 27, 63, 27, 59) >= 0) {
      e.fall = 0;
      if (e.mode == 1) {
        e.mode = 2;
        e.timer = 0;
      }
    }
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    e.alpha -= 2;
    if (e.timer < 80) {
      draw_alpha(e, e.alpha, cell_by(e.timer, {14, 29}, {0, 100}, 200), 67, 100, 67, e.facing);
    }
    ++e.timer;
    fall_step(e);
    if (obstacle(e, 27, 63, 27, 59) >= 0) e.fall = 0;
    fade_end(e, 1);
  }
}

void heavy_walker(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    if (e.mode == 0) {
      if (dist_x(e) < 350) {
        e.mode = 1;
        e.facing = ex(e) <= mx ? 1 : 0;
      }
    } else if (e.mode == 1) {
      if (++e.timer >= 40) e.timer = 0;
      draw(e, cell_by(e.timer, {9, 19, 29}, {0, 120, 240}, 120), 0, 120, 180, e.facing);
      if (e.step % 10 == 0) e.y += e.step < 100 ? -1 : 1;
      if (++e.step >= 200) e.step = 0;
      if (e.facing == 0) {
        e.x -= 1;
        if (e.counter > 39 && ex(e) - 80 < mx + 35 && mx < ex(e)) {
          e.mode = 2;
          e.timer = 0;
        }
      } else {
        e.x += 1;
        if (e.counter > 39 && ex(e) + 120 < mx + 35 && mx < ex(e) + 200) {
          e.mode = 2;
          e.timer = 0;
        }
      }
      if (dist_x(e) > 640) e.state = enemy_defeated;
      if (obstacle(e, 47, 91, 16, 171) >= 0) e.facing ^= 1;
      if (e.counter < 40) ++e.counter;
    } else if (e.mode == 2) {
      draw(e, cell_by(e.timer, {4, 9, 14, 49, 84}, {0, 120, 240, 360, 0}, 0), 180, 120, 180, e.facing);
      if (e.timer == 45) spawn_hazard(11, e.facing, e.facing == 1 ? e.x + 60 : e.x - 140, e.y, 1);
      if (++e.timer > 84) {
        e.mode = 1;
        e.timer = 0;
        e.counter = 0;
      }
    }
    if (dist_x(e) > 900 || dist_y(e) > 700) e.state = enemy_defeated;
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    if (e.timer == 0) e.vy = e.y;
    fall_step(e);
    if (obstacle(e, 27, 63, 27, 190) >= 0) e.fall = 0;
    SetBlendMode(1, e.alpha);
    const int sheet = enemy_images[e.type];
    if (hero == 0) {
      if (e.timer < 50) {
        const int k = e.timer / 5;
        const int cx = k < 6 ? 120 * k : 120 * (k - 6);
        enemy_detail::draw_cell(ex(e), ey(e), cx, k < 6 ? 360 : 540, 120, 180, sheet, e.facing);
      } else {
        enemy_detail::draw_cell(ex(e), ey(e), 480, 540, 120, 180, sheet, e.facing);
      }
    } else {
      enemy_detail::draw_cell(ex(e), ey(e), 480, 0, 120, 180, sheet, e.facing);
      if (e.timer < 50) enemy_detail::draw_cell(ex(e), e.vy + g_y, 120 * (e.timer / 10), 720, 120, 180, sheet, e.facing);
    }
    SetBlendMode(0, 255);
    if (e.timer >= 50) e.alpha -= 2;
    ++e.timer;
    fade_end(e, 1);
  }
}

}  // namespace enemy_kinds
