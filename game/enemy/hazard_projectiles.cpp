// Hazard kinds that fly without gravity: straight bolts, waves and arrows, shots aimed once at the player, the
// eight-direction star, the circling ghost, the card with its trail and the creature walking beside its parent.
// Also the pieces that every hazard kind shares.
#include <cmath>

#include "game/enemy/enemy_common.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_kinds.h"
#include "game/flow/game_parts.h"
#include "game/player/player_globals.h"

namespace hazard_kinds {

using enemy_detail::abs_i;
using enemy_detail::degrees_to_radians;
using enemy_detail::draw_cell;

namespace {

void spin_angle(HazardRecord& h, int step) {
  h.counter_a += step;
  if (h.counter_a >= 360) h.counter_a = 0;
}

// Draws a cell at each of the three earlier positions with alphas 32, 64 and 128 (oldest first).
void draw_trail(const HazardRecord& h, int cx, int cy, int w, int hgt, int sheet, int mirror) {
  const int xs[3] = {h.prev3_x, h.prev2_x, h.prev1_x};
  const int ys[3] = {h.prev3_y, h.prev2_y, h.prev1_y};
  const int alphas[3] = {32, 64, 128};
  for (int k = 0; k < 3; ++k) {
    enemy_detail::draw_cell_blend(1, alphas[k], enemy_detail::screen_x(xs[k]), enemy_detail::screen_y(ys[k]), cx, cy,
                                  w, hgt, sheet, mirror);
  }
}

}  // namespace

void free_record(HazardRecord& h) { h.state = hazard_free; }

void shift_trail(HazardRecord& h) {
  h.prev3_x = h.prev2_x;
  h.prev3_y = h.prev2_y;
  h.prev2_x = h.prev1_x;
  h.prev2_y = h.prev1_y;
  h.prev1_x = h.x;
  h.prev1_y = h.y;
}

int hx(const HazardRecord& h) { return h.x - g_x; }
int hy(const HazardRecord& h) { return h.y + g_y; }

bool off_horizontal(const HazardRecord& h) { return hx(h) < -100 || hx(h) > 750; }
bool off_box(const HazardRecord& h) { return hx(h) < -100 || hx(h) > 740 || hy(h) < -100 || hy(h) > 580; }

int obstacle(const HazardRecord& h, int a, int b, int c, int d, int from) {
  return enemy_detail::next_obstacle(from, h.x + a, h.x + b, h.y + c, h.y + d);
}

int player_world_x() { return mx + g_x; }
int player_world_y() { return my - g_y; }

void aim_at_player(HazardRecord& h, int divisor) {
  const int dx = player_world_x() - h.x;
  const int dy = player_world_y() - h.y;
  const int dist = static_cast<int>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
  const int n = dist / divisor;
  if (n == 0) {  // on top of the player: drop straight down at the kind's speed
    h.vx = 0;
    h.vy = divisor;
    return;
  }
  h.vx = (dx + 30) / n;
  h.vy = (dy + 30) / n;
}

void glow_break(HazardRecord& h, int r, int g, int b, int inset, int extent, bool additive_pass) {
  const int t = ++h.anim_frame;
  const int x1 = hx(h) - t / 2 - inset;
  const int y1 = hy(h) - t / 2 - inset;
  const int x2 = hx(h) + extent + t / 2;
  const int y2 = hy(h) + extent + t / 2;
  SetBrightnessRGB(r, g, b);
  SetBlendMode(1, 255 - 6 * t);
  DrawGraphStretched(x1, y1, x2, y2, gallery_pics[6], 1);
  if (additive_pass) {
    SetBlendMode(2, 128);
    DrawGraphStretched(x1, y1, x2, y2, gallery_pics[6], 1);
  }
  SetBlendMode(0, 255);
  SetBrightnessRGB(255, 255, 255);
  if (t >= 40) free_record(h);
}

void slow_wave(int i, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);  // broken: nothing to show
    return;
  }
  const int sheet = effect_sheets[sheet_tr_all_05];
  for (int k = 0; k < 10; ++k) {
    if (h.direction == 0) {
      enemy_detail::draw_cell_blend(2, 7, hx(h) + 20, hy(h), 347, 498, 130, 100, sheet, 1);
      enemy_detail::draw_cell_blend(2, 20, hx(h), hy(h), 347, 498, 130, 100, sheet, 1);
    } else {
      enemy_detail::draw_cell_blend(1, 7, hx(h) - 20, hy(h), 347, 498, 130, 100, sheet, 0);
      enemy_detail::draw_cell_blend(1, 20, hx(h), hy(h), 347, 498, 130, 100, sheet, 0);
    }
  }
  h.x += 2 * side(h);
  if (off_horizontal(h)) free_record(h);
  check_hazard_contact(i);
}

void aimed_orb(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    glow_break(h, 255, 255, 255, 0, 96, false);
    return;
  }
  if (h.state != hazard_live) return;
  if (h.phase == 0) {
    aim_at_player(h, 4);
    h.phase = 1;
    return;
  }
  SetBlendMode(1, 64);
  DrawGraphRotated(hx(h) + 46, hy(h) + 46, 1.0, h.counter_a * degrees_to_radians, gallery_pics[5], 1, 0);
  SetBlendMode(1, 48);
  DrawGraphRotated(hx(h) + 46, hy(h) + 46, 1.0, (360 - h.counter_a) * degrees_to_radians, gallery_pics[5], 1, 0);
  SetBlendMode(1, 128);
  DrawGraphAt(hx(h), hy(h), gallery_pics[4], 1);
  SetBlendMode(2, 32);
  DrawGraphAt(hx(h), hy(h), gallery_pics[4], 1);
  SetBlendMode(0, 255);
  spin_angle(h, 8);
  h.x += h.vx;
  h.y += h.vy;
  if (++h.anim_counter > 10) h.anim_counter = 0;
  if (off_horizontal(h)) free_record(h);
  check_hazard_contact(i);
}

void fireball(int i, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);
    return;
  }
  int src_y;
  if (h.direction == 0) {
    src_y = h.anim_counter <= 2 ? 259 : h.anim_counter <= 5 ? 327 : h.anim_counter <= 8 ? 395 : 327;
  } else {
    src_y = h.anim_counter <= 4 ? 327 : 259;
  }
  SetBlendMode(2, 48);
  for (int k = 0; k < 5; ++k) draw_cell(hx(h), hy(h), 91, src_y, 102, 68, effect_sheets[sheet_all_01], h.direction == 0);
  SetBlendMode(0, 255);
  h.x += 7 * side(h);
  if (++h.anim_counter > 11) h.anim_counter = 0;
  if (off_horizontal(h)) free_record(h);
  check_hazard_contact(i);
}

void star(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    glow_break(h, 255, 255, 128, 40, 56, true);
    return;
  }
  if (h.state != hazard_live) return;
  const int image = gallery_pics[h.toggle <= 4 ? 1 : 2];
  SetBlendMode(2, 64);
  for (int k = 0; k < 5; ++k) DrawGraphRotated(hx(h), hy(h), 1.0, h.counter_a * degrees_to_radians, image, 1, 0);
  SetBlendMode(0, 255);
  spin_angle(h, 8);
  if (++h.toggle > 9) h.toggle = 0;
  constexpr int moves[9][2] = {{0, 0}, {0, -5}, {4, -4}, {5, 0}, {4, 4}, {0, 5}, {-4, 4}, {-5, 0}, {-4, -4}};
  if (h.direction >= 1 && h.direction <= 8) {
    h.x += moves[h.direction][0];
    h.y += moves[h.direction][1];
  }
  if (off_box(h)) free_record(h);
  check_hazard_contact(i);
}

void bolt(int i, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);
    return;
  }
  const int sheet = enemy_images[27];
  if (h.type == 16) {
    draw_cell(hx(h), hy(h), 842, 0, 60, 20, sheet, h.direction);
    h.x += 10 * side(h);
    if (!(hx(h) > -101 && hx(h) < 741 && hy(h) > -101 && hy(h) <= 580)) free_record(h);
  } else if (h.type == 17) {
    draw_cell(hx(h), hy(h), 857, 23, 60, 15, sheet, h.direction);
    h.x += 10 * side(h);
    if (off_box(h)) free_record(h);
  } else {
    draw_cell(hx(h), hy(h), 859, 46, 60, 23, sheet, h.direction);
    h.x += 8 * side(h);
    h.y -= 3;
    if (off_box(h)) free_record(h);
  }
  check_hazard_contact(i);
}

void rising_skull(int i, HazardRecord& h) {
  const int sheet = enemy_images[24];
  if (h.state == hazard_breaking) {
    if (h.anim_frame == 0) {
      const int r1 = GetRandomUpTo(3);
      const int r2 = GetRandomUpTo(3);
      const int r3 = GetRandomUpTo(3);
      h.vx = r2 - r1;
      h.vy = r3 - r1;
      h.toggle = h.x;
    }
    ++h.anim_frame;
    if (h.anim_frame <= 7) {
      draw_cell(hx(h), hy(h), 120, 160, 40, 40, sheet, h.direction);
    } else {
      const int src_y = h.anim_counter < 10 ? 160 : 200;
      enemy_detail::draw_cell_blend(1, h.alpha, hx(h), hy(h), 160, src_y, 40, 40, sheet, h.direction);
      enemy_detail::draw_cell_blend(1, h.alpha, h.toggle - g_x, hy(h), 200, src_y, 40, 40, sheet, h.direction);
      h.x += h.vx;
      h.toggle += h.vy;
      h.y += h.fall_speed;
      if (h.anim_frame % 6 == 0) ++h.fall_speed;
      h.alpha -= 5;
      if (h.alpha < 6) free_record(h);
    }
    if (++h.anim_counter >= 20) h.anim_counter = 0;
    return;
  }
  if (h.state != hazard_live) return;
  const int cx = h.anim_counter < 10 ? 0 : h.anim_counter < 20 ? 40 : h.anim_counter < 30 ? 80 : 40;
  if (h.phase == 0) {
    draw_cell(hx(h), hy(h), cx, 200, 40, 40, sheet, h.direction);
    h.y -= 2;
    if (h.param == 1) h.x -= 2;
    if (h.param == 3) h.x += 2;
    if (++h.anim_frame >= 40) h.phase = 1;
    if (++h.anim_counter >= 40) h.anim_counter = 0;
  } else if (h.phase == 1) {
    draw_cell(hx(h), hy(h), cx, 200, 40, 40, sheet, h.direction);
    if (++h.anim_counter >= 40) {
      h.anim_counter = 0;
      aim_at_player(h, 5);
      h.phase = 2;
    }
  } else {
    draw_cell(hx(h), hy(h), cx, 160, 40, 40, sheet, h.direction);
    h.x += h.vx;
    h.y += h.vy;
    if (++h.anim_counter >= 40) h.anim_counter = 0;
    if (hx(h) <= -101 || hx(h) > 750) free_record(h);
  }
  check_hazard_contact(i);
}

void fire_wave(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    spawn_effect(h.x - 20, h.y + 50, 36);
    free_record(h);
    return;
  }
  if (h.state != hazard_live) return;
  const int src_x = h.anim_counter <= 2 ? 500 : h.anim_counter <= 5 ? 600 : 700;
  const int mirror = h.direction != 0 ? 1 : 0;
  for (int k = 0; k < 5; ++k) {
    draw_cell(hx(h) - 5, hy(h), src_x, 0, 100, 170, effect_sheets[sheet_all_01], mirror);
    enemy_detail::draw_cell_blend(2, 48, hx(h) - 5, hy(h), src_x, 0, 100, 170, effect_sheets[sheet_all_01], mirror);
  }
  h.x += 4 * side(h);
  if (++h.anim_counter > 8) h.anim_counter = 0;
  if (off_horizontal(h)) free_record(h);
  check_hazard_contact(i);
}

void circling_ghost(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    spawn_particle_group(4, h.x, h.y, h.direction);
    free_record(h);
    return;
  }
  if (h.state != hazard_live) return;
  const int sheet = enemy_images[13];
  const int cx = h.anim_counter <= 7 ? 0 : h.anim_counter <= 15 ? 40 : 80;
  shift_trail(h);
  if (h.phase == 0) {
    draw_cell(hx(h), hy(h), cx, 450, 40, 40, sheet, h.direction);
    h.x += 2 * side(h);
    h.vx += 2;
    if (h.vx >= 80) {
      h.phase = 1;
      h.anim_counter = 0;
      h.vx = 0;
    }
  } else {
    enemy_detail::circle_step(h.angle, 6, h.vx, h.vy);
    h.x += h.vx;
    h.y += h.vy;
    draw_trail(h, cx, 450, 40, 40, sheet, h.direction);
    draw_cell(hx(h), hy(h), cx, 450, 40, 40, sheet, h.direction);
    if (++h.anim_frame > 199) free_record(h);
  }
  if (++h.anim_counter > 23) h.anim_counter = 0;
  check_hazard_contact(i);
}

void blade_wave(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    glow_break(h, 255, 128, 128, 0, 96, true);
    return;
  }
  if (h.state != hazard_live) return;
  const int sheet = effect_sheets[sheet_all_01];
  SetBrightnessRGB(255, 32, 32);
  const int passes = h.anim_counter % 3 == 0 ? 2 : 1;
  for (int p = 0; p < passes; ++p) {
    const int xs[4] = {h.prev3_x, h.prev2_x, h.prev1_x, h.x};
    const int ys[4] = {h.prev3_y, h.prev2_y, h.prev1_y, h.y};
    for (int k = 0; k < 4; ++k) {
      enemy_detail::draw_cell_blend(2, 128, xs[k] - g_x, ys[k] + g_y, 0, 119, 66, 36, sheet, h.direction);
    }
  }
  if (passes == 2) {
    enemy_detail::draw_cell_blend(1, 64, hx(h) - 150, hy(h) - 120, 367, 13, 310, 317, effect_sheets[sheet_tr_all_04], 0);
  }
  SetBrightnessRGB(255, 255, 255);
  ++h.anim_counter;
  shift_trail(h);
  h.x += 8 * side(h);
  if (hx(h) < -100 || hx(h) > 740) free_record(h);
  check_hazard_contact(i);
}

void arrow(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    spawn_particle_group(9, h.x, h.y, h.direction);
    free_record(h);
    return;
  }
  if (h.state != hazard_live) return;
  draw_cell(hx(h), hy(h), 364, 162, 126, 15, enemy_images[15], h.direction);
  h.x += 30 * side(h);
  if (hx(h) < -100 || hx(h) > 740) free_record(h);
  check_hazard_contact(i);
}

void escort(int i, HazardRecord& h) {
  const int sheet = enemy_images[2];
  if (h.state == hazard_breaking) {
    spawn_particle_group(7, h.x, h.y, h.direction);
    free_record(h);
    return;
  }
  if (h.state == hazard_fading) {
    h.alpha -= 5;
    enemy_detail::draw_cell_blend(1, h.alpha < 0 ? 0 : h.alpha, hx(h), hy(h), 60, 0, 30, 30, sheet, 0);
    h.y += 1;
    if (h.alpha < 6) free_record(h);
    return;
  }
  if (h.state != hazard_live) return;
  h.toggle = GetRandomUpTo(4) - 2;
  h.counter_a = GetRandomUpTo(4) - 2;
  draw_cell(hx(h) + h.toggle, hy(h) + h.counter_a, h.anim_counter < 5 ? 0 : 30, 0, 30, 30, sheet, h.direction);
  // The parent must still be the walker that brought it; otherwise it fades like after the parent's defeat.
  const bool parent_ok = h.param >= 0 && h.param < enemy_pool_size && enemy_pool[h.param].type == 32;
  if (parent_ok) h.direction = enemy_pool[h.param].facing;
  if (++h.anim_counter > 9) h.anim_counter = 0;
  h.x += 2 * side(h);
  if (!parent_ok || enemy_pool[h.param].state == enemy_defeated) h.state = hazard_fading;
  check_hazard_contact(i);
}

void card(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    spawn_particle_group(8, h.x, h.y, h.direction);
    free_record(h);
    return;
  }
  if (h.state != hazard_live) return;
  if (h.anim_counter % 2 == 0) {
    if (h.direction == 0) {
      spawn_effect(h.x, h.y, 32);
    } else {
      spawn_effect(h.x - 20, h.y, 33);
    }
  }
  draw_cell(hx(h), hy(h), 871, 0, 29, 12, enemy_images[28], h.direction);
  if (++h.anim_counter > 9) h.anim_counter = 0;
  if (h.param >= 0 && h.param < 10) {
    h.x += h.param * side(h);
  } else if (h.param == 10) {
    h.x += 5 * side(h);
  } else if (h.param == 11 || h.param == 12) {
    h.x += 4 * side(h);
    h.y += h.param == 11 ? -3 : 3;
  }
  if (hx(h) < -100 || hx(h) > 740) free_record(h);
  check_hazard_contact(i);
}

}  // namespace hazard_kinds
