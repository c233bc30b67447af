// The kinds without gravity: the inertia flyer and diver of kind 17, the splitting caster and flyer of kind 24, the
// crawler of kind 21 and the ambusher, spitter and bobber of kind 22.
#include <cmath>

#include "game/enemy/enemy_kinds.h"
#include "game/flow/game_parts.h"

namespace enemy_kinds {

namespace {

using enemy_detail::play_se;

// The flyers' fixed wall box.
constexpr int wall_l = 46, wall_t = 63, wall_r = 63, wall_b = 95;
bool flyer_wall(int x, int y) { return enemy_detail::any_obstacle(x + wall_l, x + wall_r, y + wall_t, y + wall_b); }

// A wall reverses the flyer's facing and its speed; then contact.
void bounce_and_contact(int i, EnemyRecord& e) {
  if (flyer_wall(e.x, e.y)) {
    e.facing ^= 1;
    e.vx = -e.vx;
  }
  check_enemy_contact(i);
}

// ---- Kind 17 -----------------------------------------------------------------------------------------------------
void k17_hover(int i, EnemyRecord& e) {
  if (e.mode == 0) {
    if (sight_x(e, 75) < 400 && dist_y(e) < 350) {
      e.mode = 1;
      e.timer = 0;
    }
  } else {
    const bool left = mx + 30 < ex(e) + 30;
    if (left && e.vx > -5 && e.counter == 0) {
      e.vx -= 1;
    } else if (!left && e.vx < 5 && e.counter == 0) {
      e.vx += 1;
    }
    e.facing = e.vx < 1 ? 0 : 1;
    if (dist_x(e) > 800) {
      e.state = enemy_defeated;
      reset_enemy(i);
    }
  }
  if (++e.counter >= 6) e.counter = 0;
  e.x += e.vx;
  bounce_and_contact(i, e);
}

void k17_dive(int i, EnemyRecord& e) {
  if (e.toggle == 0) {
    e.y += e.param % 10;
    if (e.y > 380) {
      const int dx = mx - e.x;
      const int dy = my - e.y;
      const int d = static_cast<int>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
      const int k = d / 10 > 0 ? d / 10 : 1;  // a player within 10 pixels: aim with a divisor of 1
      e.vx = (2 * dx + 60) / k;
      e.vy = (2 * dy + 60) / k;
      e.facing = mx + 30 < e.x + 25 ? 0 : 1;
      e.toggle = 1;
    }
  }
  if (e.toggle == 1) {
    e.x += e.vx;
    e.y += e.vy;
  }
  if (e.x < -250 || e.x > 850 || e.y < -250 || e.y > 700) e.state = enemy_free;
  check_enemy_contact(i);
}

// ---- Kind 24 -----------------------------------------------------------------------------------------------------
void k24_active(int i, EnemyRecord& e) {
  if (e.mode == 0) {
    draw(e, cell_by(e.timer, {9, 19, 29}, {0, 100, 200}, 100), e.param == 1 ? 0 : 320, 100, 80, e.facing);
    if (++e.timer >= 40) e.timer = 0;
    if (ex(e) - 200 < mx + 30 && mx + 30 < ex(e) + 300 && dist_y(e) < 250) {
      if (e.param == 1) {
        e.mode = 1;
        e.timer = e.step = 0;
      } else if (e.param == 2) {
        e.mode = 3;
        e.timer = e.step = 0;
        e.facing = mx + 30 < ex(e) + 50 ? 0 : 1;
      }
    }
    check_enemy_contact(i);
  } else if (e.mode == 1) {
    draw(e, cell_by(e.timer, {9, 19, 29}, {300, 400, 500}, 400), 0, 100, 80, e.facing);
    if (++e.timer >= 40) {
      e.timer = 0;
      ++e.step;
    }
    if (e.step == 1 && (e.timer == 10 || e.timer == 20 || e.timer == 30)) {
      spawn_hazard(20, mx < ex(e) + 30 ? 1 : 0, e.x + 35, e.y, e.timer / 10);
    }
    if (e.step >= 5) {
      e.mode = 0;
      e.timer = 0;
    }
    check_enemy_contact(i);
  } else if (e.mode == 3) {
    draw(e, cell_by(e.timer, {5, 11, 17}, {0, 100, 200}, 100), 320, 100, 80, e.facing);
    if (++e.timer >= 24) e.timer = 0;
    if (e.facing == 0 && e.vx > -8 && e.counter == 0) e.vx -= 2;
    if (e.facing == 1 && e.vx < 8 && e.counter == 0) e.vx += 2;
    if (e.flag > 199) {
      e.facing = ex(e) + 50 <= mx + 30 ? 1 : 0;
      e.flag = 0;
    }
    if (dist_x(e) > 800) {
      e.state = enemy_defeated;
      reset_enemy(i);
    }
    if (++e.counter >= 6) e.counter = 0;
    e.x += e.vx;
    e.flag += abs_i(e.vx);
    bounce_and_contact(i, e);
  }
}

// The caster's two halves slide apart for 16 frames, then fall, each on every other frame with its own speed.
void k24_split(EnemyRecord& e) {
  if (e.timer == 0) {
    e.vx = e.x;
    e.vy = e.y;
    e.fall = 0;
    e.step = 0;
  }
  if (flyer_wall(e.x, e.y)) e.fall = 0;
  if (flyer_wall(e.vx, e.vy)) e.step = 0;
  if (e.timer < 16) {
    ++e.timer;
    e.x -= 2;
    e.vx += 2;
  } else {
    e.alpha -= 5;
    if (e.counter == 0) {
      ++e.fall;
      ++e.step;
      e.y += e.fall;
      e.vy += e.step;
    }
    e.counter ^= 1;
  }
  draw_alpha(e, e.alpha, 100, 80, 100, 80, e.facing);
  enemy_detail::draw_cell_blend(1, e.alpha, e.vx - g_x, e.vy + g_y, 200, 80, 100, 80, enemy_images[e.type], e.facing);
  fade_end(e, 5);
}

// ---- Kind 21 -----------------------------------------------------------------------------------------------------
void k21_crawl(EnemyRecord& e) {
  if (e.param == 1) {
    e.x += 3 * dir(e);
  } else {
    e.vx = 10 - e.step;
    if (e.step == 9) {
      if (e.counter < 20) {
        ++e.counter;
      } else {
        e.step = 0;
        e.counter = 0;
      }
    } else if (e.toggle == 1) {
      ++e.step;
    }
    e.x += e.vx * dir(e);
  }
  e.toggle ^= 1;
  if (++e.timer >= 30) e.timer = 0;
  if (box_obstacle(e, 30, 15, 100, 40) >= 0) {
    e.facing ^= 1;
    e.x += 3 * dir(e);
  }
}

// ---- Kind 22 -----------------------------------------------------------------------------------------------------
// Rising from the line: up by the jump power less the fall, which grows every other frame.
void k22_rise(EnemyRecord& e, int mirror) {
  e.y -= e.jump_power;
  e.y += e.fall;
  draw(e, e.timer <= 10 ? 300 : 360, 0, 60, 80, mirror);
  if (e.toggle == 1) ++e.fall;
  e.toggle ^= 1;
  if (++e.timer >= 20) e.timer = 0;
}

void k22_ambush(EnemyRecord& e) {
  if (e.mode == 0) {
    if (dist_x(e) <= 99) {
      e.facing = mx + 30 < ex(e) + 30 ? 0 : 1;
      e.mode = 1;
      play_se(se_mb_e05);
    }
  } else if (e.mode == 1) {
    k22_rise(e, 0);
    if (e.y >= e.home_y) {
      e.mode = 2;
      e.step = 0;
    }
  } else if (++e.step >= 80) {
    e.mode = 0;
    e.fall = 0;
    e.y = e.home_y;
  }
}

void k22_spit(EnemyRecord& e) {
  switch (e.mode) {
    case 0:
      if (++e.step >= 100) {
        e.facing = mx + 30 < ex(e) + 30 ? 0 : 1;
        e.step = 0;
        e.mode = 1;
        if (dist_x(e) < 400) play_se(se_mb_e05);
      }
      break;
    case 1:
      k22_rise(e, e.facing);
      if (e.fall >= e.jump_power) {
        e.mode = 2;
        e.step = 0;
      }
      break;
    case 2:
      draw(e, cell_by(e.step, {4, 9, 14, 19, 24, 39}, {0, 60, 0, 60, 120, 180}, 240), 0, 60, 80, e.facing);
      ++e.step;
      if (e.step == 40) spawn_hazard(15, e.facing, e.x, e.y + 20, 1);
      if (e.step == 70) {
        e.step = 0;
        e.mode = 3;
        e.fall = 0;
      }
      break;
    default:
      e.y += e.fall;
      draw(e, e.timer <= 9 ? 300 : 360, 0, 60, 80, e.facing);
      if (++e.timer >= 20) e.timer = 0;
      if (e.toggle == 1) {
        e.toggle = 0;
        ++e.fall;
      } else {
        e.toggle = 1;
      }
      if (e.y > e.home_y) {
        e.mode = 0;
        e.step = 0;
        e.fall = 0;
      }
      break;
  }
}

void k22_bob(EnemyRecord& e) {
  draw(e, e.step <= 7 ? 0 : 60, 0, 60, 80, e.facing);
  if (++e.step >= 16) e.step = 0;
  if (++e.timer >= 180) e.timer = 0;
  e.y += 4 * enemy_detail::sin_deg(2 * e.timer) / 1000;
  e.facing = ex(e) + 30 <= mx + 30 ? 1 : 0;
}

}  // namespace

void inertia_flyer(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    draw(e, cell_by(e.timer, {10, 20, 30}, {0, 50, 100}, 50), 0, 50, 50, e.facing);
    if (++e.timer >= 40) e.timer = 0;
    if (e.param < 10) {
      k17_hover(i, e);
    } else {
      k17_dive(i, e);
    }
  } else if (e.state == enemy_dying) {
    const int cx = cell_by(e.timer, {10, 20, 30}, {150, 200, 250});
    if (cx >= 0) draw_alpha(e, e.alpha, cx, 0, 50, 50, e.facing);
    if (++e.timer > 45) e.alpha -= 10;
    fade_end(e, 10);
  }
}

void splitting_caster(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    k24_active(i, e);
  } else if (e.state == enemy_dying) {
    if (e.param == 1) {
      k24_split(e);
    } else {
      spawn_particle_group(5, e.x, e.y, e.facing);
      e.state = enemy_defeated;
    }
  }
}

void crawler(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    draw(e, cell_by(e.timer, {10, 20}, {0, 130}, 260), 0, 130, 58, e.facing);
    if (e.mode == 0) {
      if (dist_x(e) < 300 && dist_y(e) < 400) {
        e.mode = 1;
        e.facing = ex(e) + 65 <= mx + 30 ? 1 : 0;
      }
    } else {
      k21_crawl(e);
    }
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    const int t = e.timer;
    draw_alpha(e, e.alpha, 130 * ((t <= 20 ? cell_by(t, {5, 10, 15}, {0, 1, 2}, 3) : cell_by(t, {25, 30, 35}, {0, 1, 2}, 3))),
               t <= 20 ? 58 : 116, 130, 58, e.facing);
    if (++e.timer > 39) {
      e.y -= 1;
      if (e.alpha < 11) {
        e.alpha = 0;
        e.state = enemy_defeated;
      } else {
        e.alpha -= 10;
      }
    }
  }
}

void ambusher(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    if (e.param == 1) {
      k22_ambush(e);
    } else if (e.param == 2) {
      k22_spit(e);
    } else if (e.param == 3) {
      k22_bob(e);
    }
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    const int cx = cell_by(e.timer, {6, 13, 20, 27, 34, 41, 48}, {0, 60, 0, 60, 120, 180, 240});
    if (cx >= 0) draw(e, cx, 80, 60, 80, 0);
    ++e.timer;
    if (e.timer == 45) play_se(se_mb_e06);
    if (e.timer > 49) e.state = enemy_defeated;
  }
}

}  // namespace enemy_kinds
