// Enemy kinds 10 to 12: the vertical hopper, the small flier and the burst caster.
#include "game/enemy/enemy_kinds.h"
#include "game/flow/game_parts.h"
#include "game/player/player_globals.h"

namespace enemy_kinds {

namespace {

constexpr int glow_sheet = 11;  // effect_sheets: "gsx/ef/tr_all_03.png"

}  // namespace

void vertical_hopper(int i, EnemyRecord& e) {
  e.toggle ^= 1;
  if (e.state == enemy_active) {
    if (e.mode == 0) {
      draw(e, e.step % 20 < 10 ? 0 : 85, 0, 85, 85, e.facing);
      if (++e.step > 100) {
        e.step = 0;
        e.mode = 1;
      }
      e.facing = ex(e) <= mx ? 1 : 0;
    } else {
      e.facing = mx < ex(e) ? 0 : 1;
      draw(e, abs_i(e.jump_power - e.fall) < 5 ? 255 : 170, 0, 85, 85, e.facing);
      if (e.fall == e.jump_power && sight_x(e, 75) < 350 && dist_y(e) < 350) spawn_hazard(5, 0, e.x, e.y + 20, 1);
      if (e.toggle == 1) ++e.fall;
      e.y += e.fall - e.jump_power;
      if (obstacle(e, 30, 63, 35, 70) >= 0) {
        e.fall = 0;
        e.mode = 0;
      }
    }
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    if (e.timer == 0) e.fall = 0;
    e.y += e.fall;
    ++e.fall;
    if (obstacle(e, 30, 63, 35, 90) >= 0) e.fall = 0;
    ++e.timer;
    if (e.timer < 30) {
      draw(e, 340, 0, 85, 85, e.facing);
    } else {
      if (e.alpha > 10 && e.fall == 0) e.alpha -= 10;
      draw_alpha(e, e.alpha, 425, 0, 85, 85, e.facing);
      if (e.alpha < 11) e.state = enemy_defeated;
    }
  }
}

void small_flier(int i, EnemyRecord& e) {
  if (e.state == enemy_active) {
    if (e.mode == 0) {
      if (e.param <= 10) e.facing = mx < ex(e) + 20 ? 0 : 1;
      const int beat = e.timer2;
      if (beat <= 4) {
        draw(e, 0, 0, 60, 50, e.facing, 0, 2);
      } else if (beat >= 10 && beat <= 14) {
        draw(e, 120, 0, 60, 50, e.facing);
      } else {
        draw(e, 60, 0, 60, 50, e.facing, 0, 1);
      }
      ++e.timer;
      if (++e.timer2 >= 20) {
        e.timer2 = 0;
        e.timer = 0;
      }
      if (e.param >= 11) {
        const int speed = (e.param % 100) % 10;
        e.x += e.facing == 1 ? speed : -speed;
        e.vx += speed;
        if (e.vx > e.param) {
          e.vx = 0;
          e.facing ^= 1;
        }
      } else if (sight_x(e, 55) < 250 && ey(e) < my - 30) {
        e.mode = 1;
        e.timer = 0;
        const enemy_detail::Step s = enemy_detail::aimed_step(mx - ex(e), my - ey(e), 5);
        e.vx = s.vx;
        e.vy = s.vy;
      }
    } else {
      draw(e, 180, 0, 60, 50, e.facing);
      e.x += e.vx;
      e.y += e.vy;
      if (dist_x(e) > 500 || dist_y(e) > 500) e.state = enemy_defeated;
    }
    check_enemy_contact(i);
  } else if (e.state == enemy_dying) {
    draw(e, cell_by(e.timer, {14, 29}, {180, 240}, 300), 0, 60, 50, e.facing);
    ++e.timer;
    e.y += 1;
    if (e.timer > 44) e.state = enemy_defeated;
  }
}

void burst_caster(int, EnemyRecord& e) {
  if (e.state == enemy_active) {
    if (e.mode == 0) {
      if (e.timer < 30) draw(e, cell_by(e.timer, {9, 19}, {0, 120}, 240), 0, 120, 120, e.facing);
      ++e.timer;
      if (++e.step > 30 * e.param) {
        e.step = 0;
        e.timer = 0;
        if (ex(e) - 200 < mx + 30 && mx + 30 < ex(e) + 400 && dist_y(e) < 350) e.mode = 1;
      }
      e.facing = mx + 30 < ex(e) + 60 ? 0 : 1;
    } else {
      const int glows = e.step < 50 ? e.step / 5 : 20 - e.step / 5;
      SetBlendMode(2, 50);
      for (int k = 0; k < glows; ++k) {
        enemy_detail::draw_cell(ex(e) - 30, ey(e) - 40, 0, 0, 192, 192, effect_sheets[glow_sheet], e.facing);
      }
      SetBlendMode(0, 255);
      draw(e, cell_by(e.timer, {4, 9, 14, 19}, {0, 120, 240, 360}, 240), 120, 120, 120, e.facing);
      if (++e.timer >= 25) e.timer = 5;
      if (e.step > 50) {
        const int t = e.step / 2;
        SetBlendMode(1, 255 - 2 * e.step);
        for (int k = 0; k < 2; ++k) {
          DrawGraphStretched(ex(e) - t - 30, ey(e) - t - 50, ex(e) + 142 + t, ey(e) + t + 142, gallery_pics[0], 1);
        }
        SetBlendMode(0, 255);
      }
      if (++e.step == 50) {
        e.counter ^= 1;
        for (int d = e.counter == 1 ? 1 : 2; d <= 8; d += 2) spawn_hazard(13, d, e.x + 30, e.y + 30, 1);
      }
      if (e.step > 100) {
        e.step = 0;
        e.mode = 0;
        e.timer = 0;
      }
    }
  } else if (e.state == enemy_dying) {
    if (e.timer == 0) spawn_effect(e.x, e.y, 29);
    if (e.timer >= 30) draw_alpha(e, e.alpha, 240, 360, 120, 120, e.facing);
    if (e.timer < 70) {
      const int k = e.timer / 10;
      draw(e, k < 5 ? 120 * k : 120 * (k - 5), k < 5 ? 240 : 360, 120, 120, e.facing);
    }
    if (++e.timer > 29) e.alpha -= 5;
    fade_end(e, 5);
  }
}

}  // namespace enemy_kinds
