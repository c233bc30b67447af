// Enemy kinds 7 to 9: the floor leaper, the thrower with its held item and the caster.
#include "game/enemy/enemy_kinds.h"
#include "game/player/player_globals.h"

namespace enemy_kinds {

namespace {

// Kind 9's standing cycle; advances the timer.
void caster_stand(EnemyRecord& e) {
  draw(e, cell_by(e.timer, {9, 19, 29}, {0, 100, 200}, 100), 0, 100, 150, e.facing);
  if (++e.timer >= 40) e.timer = 0;
}

}  // namespace

void leaper(int i, EnemyRecord& e) {
  e.toggle ^= 1;
  if (e.state == enemy_active) {
    if (e.mode == 0) {
      e.y += e.fall;
      if (e.timer <= 50 * (e.counter + 1)) {
        draw(e, 0, 0, 70, 70, e.facing);
      } else if (e.counter == 0) {
        if (e.timer <= 59) draw(e, 350, 70, 70, 70, e.facing);
        else draw(e, 70, 0, 70, 70, e.facing);
      } else {
        if (e.timer <= 114) draw(e, 350, 70, 70, 70, e.facing);
        else draw(e, 70, 0, 70, 70, e.facing);
      }
      ++e.timer;
      ++e.fall;
      if (e.counter == 0 && e.timer >= 80) {
        e.timer = 0;
        e.counter = 1;
      } else if (e.counter == 1 && e.timer >= 130) {
        e.timer = 0;
        e.counter = 0;
      }
      if (dist_y(e) >= 36 && dist_y(e) <= 46) e.mode = 1;
    } else {
      if (e.fall != 0) e.x += e.facing == 1 ? 4 : -4;
      if (e.toggle == 1) {
        e.y -= e.jump_power;
        ++e.fall;
        e.y += e.fall;
      }
      if (e.timer == 2) ++e.counter2;
      draw(e, cell_by(e.timer, {4, 9, 14, 19, 24, 29}, {0, 70, 140, 210, 280, 210}, 140), 0, 70, 70, e.facing);
      ++e.timer;
    }
    if (obstacle(e, 27, 63, 27, 58) >= 0) {
      e.fall = 0;
      if (e.mode == 1) {
        e.timer = 0;
        if (dist_y(e) < 36 || dist_y(e) > 44) {
          e.mode = 0;
        } else if (e.counter2 == e.param) {
          e.facing ^= 1;
          e.counter2 = 0;
        }
      }
    }
    if (dist_x(e) > 800 || dist_y(e) > 600) {
      park_and_reset(i, e);
    } else {
      check_enemy_contact(i);
    }
  } else if (e.state == enemy_dying) {
    const int last = (hero == 1 && e.timer >= 18) ? 280 : 210;
    draw_alpha(e, e.alpha, cell_by(e.timer, {4, 9, 14}, {0, 70, 140}, last), 70, 70, 70, e.facing);
    if (e.toggle == 1) {
      ++e.fall;
      ++e.timer;
    }
    if (obstacle(e, 27, 63, 27, 59) >= 0) e.fall = 0;
    e.y += e.fall;
    if (e.timer > 29) e.alpha -= 2;
    if (e.alpha <= 1) {
      e.state = enemy_defeated;
      e.facing = 0;
    }
  }
}

void thrower(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    const int phase = e.timer / 12;  // 0..3
    draw(e, phase == 3 ? 60 : 60 * phase, 0, 60, 80, e.facing, 0, phase == 3 ? -1 : 0);
    if (e.param == 2) {
      e.x += e.mode == 0 ? -1 : 1;
      if (++e.vx > 150) {
        e.vx = 0;
        e.facing = e.mode == 0 ? 1 : 0;
        e.mode ^= 1;
      }
    }
    constexpr int lean[4] = {0, 1, 2, 1};
    if (e.facing == 0) {
      draw(e, 180, 80, 40, 40, 0, -30 + lean[phase], 20 - lean[phase]);
    } else {
      draw(e, 180, 80, 40, 40, 1, 50 - lean[phase], 20 - lean[phase]);
    }
    if (++e.timer >= 48) e.timer = 0;
    if (e.counter < 100) ++e.counter;
    if (e.counter == 100 && sight_x(e, 75) < 300 && dist_y(e) < 480) {
      spawn_hazard(14, e.facing, e.facing == 0 ? e.x - 30 : e.x + 60, e.y + 20, 1);
      e.counter = 0;
    }
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    const int cx = cell_by(e.timer, {19, 39}, {0, 60}, 120);
    if (e.timer >= 61) {
      e.y += 1;
      e.alpha -= 5;
      draw_alpha(e, e.alpha, cx, 80, 60, 80, e.facing);
    } else {
      draw(e, cx, 80, 60, 80, e.facing);
    }
    ++e.timer;
    if (e.alpha < 10) e.state = enemy_defeated;
  }
}

void caster(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    switch (e.mode) {
      case 0:
        caster_stand(e);
        if (++e.step > 30000) e.step = 0;
        e.facing = mx + 30 < ex(e) + 80 ? 0 : 1;
        if (e.step >= 51) {
          if (e.param == 1) {
            if (sight_x(e, 75) < 350 && dist_y(e) < 350) {
              e.mode = 1;
              e.timer = 0;
            }
          } else if (sight_x(e, 75) < 550 && dist_y(e) < 350) {
            e.mode = 3;
            e.timer = 0;
            e.step = 0;
          }
        }
        break;
      case 1:
        draw(e, cell_by(e.timer, {9, 19, 29}, {300, 400, 500}, 600), 0, 100, 150, e.facing);
        if (++e.timer >= 60) {
          e.timer = 0;
          e.mode = 2;
          e.step = 0;
          spawn_hazard(12, e.facing, e.x + 20, e.y + 50, 1);
        }
        break;
      case 2:
        draw(e, cell_by(e.timer, {9, 19}, {0, 100}, 200), 300, 100, 150, e.facing);
        if (++e.timer >= 30) e.timer = 0;
        if (++e.step >= 160) {
          e.mode = 0;
          e.timer = 0;
          e.step = 0;
        }
        break;
      case 3:
        caster_stand(e);
        if (++e.step >= 200) e.step = 0;
        if (e.step == 150) spawn_hazard(12, e.facing, e.x + 20, e.y + 50, 2);
        if (e.step % 5 == 0) e.y += e.step < 100 ? -1 : 1;
        if (e.timer % 2 == 0) e.x += e.facing == 1 ? 1 : -1;
        if (dist_x(e) > 500 || dist_y(e) > 500) {
          park_and_reset(i, e);
          return;
        }
        break;
      default:
        break;
    }
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    draw(e, 100 * (e.timer / 8), 150, 100, 150, e.facing);
    if (++e.timer >= 48) e.state = enemy_defeated;
  }
}

}  // namespace enemy_kinds
