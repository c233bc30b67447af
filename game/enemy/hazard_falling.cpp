// Hazard kinds that move under gravity and react to the solid gimmicks: thrown stones and their dust, the bouncing
// skull, falling drops, ghost fires, tumbling and bouncing debris, the ceiling spikes and slabs, the flame blob.
#include "game/enemy/enemy_common.h"
#include "game/enemy/enemy_sounds.h"
#include "game/enemy/hazard_kinds.h"
#include "game/flow/game_parts.h"
#include "game/player/player_globals.h"

namespace hazard_kinds {

using enemy_detail::abs_i;
using enemy_detail::degrees_to_radians;
using enemy_detail::draw_cell;
using enemy_detail::draw_cell_blend;
using enemy_detail::play_se;

namespace {

void play_if_audible(const HazardRecord& h, int slot) {
  if (hazard_audible(h.x, h.y)) play_se(slot);
}

// Puts the record on top of gimmick g.
void snap_onto(HazardRecord& h, int g) { h.y = gimmicks[g].y - abs_i(gimmicks[g].box_y0 - 40); }

// The ghost fire's two cells.
void draw_flame(const HazardRecord& h, int x, int y, bool first, int alpha) {
  const int sheet = enemy_images[9];
  if (alpha >= 255) {
    if (first) draw_cell(x, y, 416, 352, 34, 34, sheet, h.direction);
    else draw_cell(x, y, 517, 350, 34, 36, sheet, h.direction);
  } else if (first) {
    draw_cell_blend(1, alpha, x, y, 416, 352, 34, 34, sheet, h.direction);
  } else {
    draw_cell_blend(1, alpha, x, y, 517, 350, 34, 36, sheet, h.direction);
  }
}

// The end of a ceiling spike or slab on the ground or on the player.
void trap_lands(HazardRecord& h) {
  if (h.type == 39) {
    spawn_effect(h.x - 20, h.y - 20, 1);
  } else {
    spawn_particle_group(6, h.x, h.y, h.direction);
  }
  play_se(enemy_se::ep1);
  free_record(h);
}

}  // namespace

void toss(HazardRecord& h, int spin) {
  if (h.anim_counter == 0) h.counter_b = GetRandomUpTo(3) + 5;
  h.counter_a += spin;
  if (h.counter_a >= 360) h.counter_a = 0;
  ++h.anim_counter;
  if (h.toggle == 0) {
    h.y -= h.counter_b;
    h.y += h.fall_speed;
    ++h.fall_speed;
  }
  h.toggle ^= 1;
}

void stone(int i, HazardRecord& h) {
  const int sheet = enemy_images[3];
  if (h.state == hazard_live) {
    draw_cell(hx(h), hy(h), 205, 137, 19, 20, sheet, 0);
    h.y -= h.rise_speed;
    h.y += h.fall_speed;
    h.x += 5 * side(h);
    if (h.toggle == 1) ++h.fall_speed;
    h.toggle ^= 1;
    for (int g = obstacle(h, 12, 30, 3, 20); g >= 0; g = obstacle(h, 12, 30, 3, 20, g + 1)) {
      h.state = hazard_breaking;
      h.alpha = 255;
      spawn_hazard(2, h.direction != 0 ? 1 : 0, h.x - 30, h.y - 30, 1);
    }
    check_hazard_contact(i);
    if (h.touched != 0 && h.state == hazard_live) {
      h.state = hazard_breaking;
      h.alpha = 255;
      h.fall_speed = 0;
    }
  } else if (h.state == hazard_breaking) {
    h.alpha -= 2;
    draw_cell_blend(1, h.alpha, hx(h) - 10, hy(h), 229, 135, 30, 25, sheet, 0);
    h.y += h.fall_speed;
    if (h.toggle == 1) ++h.fall_speed;
    h.toggle ^= 1;
    if (obstacle(h, 12, 30, 3, 20) >= 0) h.fall_speed = 0;
    if (h.alpha <= 1) free_record(h);
  }
}

void dust(int, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);
    return;
  }
  if (h.alpha == 255) h.vx = 0;
  if (h.alpha % 5 == 0) ++h.vx;
  h.alpha -= 2;
  draw_cell_blend(1, h.alpha, hx(h) + h.vx, hy(h), 0, 307, 80, 60, effect_sheets[sheet_all_01], 0);
  draw_cell_blend(1, h.alpha, hx(h) - h.vx, hy(h) + 15, 0, 307, 80, 60, effect_sheets[sheet_all_01], 1);
  if (h.alpha < 2) free_record(h);
  h.toggle ^= 1;
}

void skull(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    spawn_particle_group(10, h.x, h.y, h.direction);
    free_record(h);
    return;
  }
  if (h.state != hazard_live) return;
  const int sheet = enemy_images[14];
  draw_cell(hx(h), hy(h), 440, 0, 40, 40, sheet, 0);
  if (h.anim_frame < 21) {
    draw_cell_blend(1, 201 - 10 * h.anim_frame, hx(h), hy(h), 440, 40, 40, 40, sheet, 0);
  } else {
    h.y -= h.rise_speed;
    h.y += h.fall_speed;
    h.x += 5 * side(h);
    if (h.toggle == 1) ++h.fall_speed;
  }
  if (++h.anim_frame == 20) play_if_audible(h, enemy_se::drop);
  h.toggle ^= 1;
  if (++h.counter_a > 200) {
    spawn_effect(h.x - 20, h.y - 20, 1);
    free_record(h);
    return;
  }
  if (obstacle(h, 4, 36, 8, 26) >= 0) {
    h.direction = h.direction != 0 ? 0 : 1;
    play_if_audible(h, enemy_se::ir);
  }
  for (int g = obstacle(h, 12, 27, 7, 41); g >= 0; g = obstacle(h, 12, 27, 7, 41, g + 1)) {
    h.fall_speed = 0;
    if (h.rise_speed > 1) {
      h.rise_speed -= 2;
      play_if_audible(h, enemy_se::ir);
      snap_onto(h, g);
      check_hazard_contact(i);
      return;
    }
  }
  check_hazard_contact(i);
}

void drop(int i, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);
    return;
  }
  draw_cell(hx(h), hy(h), 49, 462, 20, 20, effect_sheets[sheet_all_01], 1);
  if (h.toggle == 1) ++h.fall_speed;
  h.x += side(h);
  h.y += h.fall_speed;
  h.toggle ^= 1;
  for (int g = obstacle(h, 12, 27, 7, 41); g >= 0; g = obstacle(h, 12, 27, 7, 41, g + 1)) {
    free_record(h);
    play_if_audible(h, enemy_se::ep1);
    spawn_effect(h.x - 20, h.y - 20, 1);
  }
  if (hy(h) > 700) free_record(h);
  check_hazard_contact(i);
}

void ghost_fire(int i, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);
    return;
  }
  if (h.param == 1) {
    if (h.phase == 0) {
      aim_at_player(h, 5);
      h.phase = 1;
      check_hazard_contact(i);
      return;
    }
    draw_flame(h, hx(h), hy(h), h.anim_frame < 10, 255);
    ++h.counter_c;
    if (h.counter_c < 60) {
      h.x += h.vx;
      h.y += h.vy;
    } else if (h.counter_c == 99) {
      h.direction = h.direction != 0 ? 0 : 1;
    } else if (h.counter_c > 99) {
      h.x -= h.vx;
      h.y -= h.vy;
    }
    h.counter_a ^= 1;
    if (++h.anim_frame > 19) h.anim_frame = 0;
    if (h.counter_c >= 160) free_record(h);
    check_hazard_contact(i);
    return;
  }
  const bool first = h.anim_frame < 8;
  draw_flame(h, h.prev3_x - g_x, h.prev3_y + g_y, first, 32);
  draw_flame(h, h.prev2_x - g_x, h.prev2_y + g_y, first, 64);
  draw_flame(h, h.prev1_x - g_x, h.prev1_y + g_y, first, 128);
  draw_flame(h, hx(h), hy(h), first, 255);
  if (++h.anim_frame > 15) h.anim_frame = 0;
  ++h.anim_counter;
  shift_trail(h);
  h.x += 2 * side(h);
  h.counter_a ^= 1;
  if (h.counter_a == 0) {
    ++h.fall_speed;
    h.y -= h.rise_speed;
    h.y += h.fall_speed;
  }
  if (obstacle(h, 4, 36, 8, 26) >= 0) h.direction = h.direction != 0 ? 0 : 1;
  const int g = obstacle(h, 12, 27, 7, 41);
  if (g >= 0) {
    h.fall_speed = 0;
    if (h.rise_speed > 1) snap_onto(h, g);
  }
  if (h.anim_counter > 149) free_record(h);
  check_hazard_contact(i);
}

void fire_drop(int i, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);
    return;
  }
  const int x = h.type == 14 ? hx(h) : hx(h) - 24;
  const int y = h.type == 14 ? hy(h) : hy(h) - 30;
  SetBlendMode(2, 125);
  draw_cell(x, y, 579, 44, 61, 60, effect_sheets[sheet_tr_all_01], 0);
  if (h.anim_counter % 2 == 1) draw_cell(x, y, 579, 44, 61, 60, effect_sheets[sheet_tr_all_01], 0);  // flicker
  SetBlendMode(0, 255);
  if (++h.anim_counter > 7) h.anim_counter = 0;
  if (h.type == 15) h.x += 4 * side(h);
  if (h.counter_a == 0) {
    ++h.fall_speed;
    h.y += h.fall_speed;
  }
  h.counter_a ^= 1;
  for (int g = obstacle(h, 12, 27, 7, 41); g >= 0; g = obstacle(h, 12, 27, 7, 41, g + 1)) {
    free_record(h);
    spawn_effect(h.x - 20, h.y - 20, 1);
  }
  if (off_box(h)) free_record(h);
  check_hazard_contact(i);
}

void tumbling_debris(int, HazardRecord& h) {
  const bool shard = h.type == 45;
  const int image = gallery_pics[shard ? 11 : 7];
  if (h.state == hazard_live) {
    DrawGraphRotated(hx(h) + 50, hy(h), 1.0, h.counter_a * degrees_to_radians, image, 1, 0);
    toss(h, 30);
    for (int g = obstacle(h, 20, 80, 60, 85); g >= 0; g = obstacle(h, 20, 80, 60, 85, g + 1)) {
      h.state = hazard_breaking;
      play_se(shard ? enemy_se::heavy_impact : enemy_se::sab1);
    }
  }
  if (h.state == hazard_breaking) {
    draw_cell_blend(1, h.alpha, hx(h), hy(h), 0, 0, shard ? 89 : 100, shard ? 75 : 70, image, h.direction);
    h.alpha -= 4;
    if (h.alpha < 5) free_record(h);
  }
}

void bouncing_debris(int, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);
    return;
  }
  SetBlendMode(1, h.alpha);
  DrawGraphRotated(hx(h), hy(h), 1.0, h.counter_a * degrees_to_radians, gallery_pics[h.type == 29 ? 9 : 10], 1, 0);
  SetBlendMode(0, 255);
  toss(h, 6);
  h.x += h.direction == 0 ? 4 - h.counter_b : h.counter_b - 4;
  if (obstacle(h, 0, 36, 0, 36) >= 0) h.fall_speed = 0;
  h.alpha -= 4;
  if (h.alpha <= 5) free_record(h);
}

void ceiling_trap(int i, HazardRecord& h) {
  if (h.state == hazard_breaking) {
    trap_lands(h);
    return;
  }
  if (h.state != hazard_live) return;
  const bool spike = h.type == 39;
  auto draw_at = [&h, spike](int x) {
    if (spike) draw_cell(x, hy(h), 10, 12, 36, 58, enemy_images[40], h.direction);
    else draw_cell(x, hy(h), 473, 270, 167, 40, field_images[field_s_03], h.direction);
  };
  if (h.anim_frame == 0) {
    draw_at(hx(h));
    if (abs_i(h.x - player_world_x() + 55) <= 249 && my > hy(h) && abs_i(hy(h) - my) <= 479) {
      h.anim_frame = 1;
      h.anim_counter = 0;
    }
  } else if (h.anim_frame == 1) {
    draw_at(h.counter_a < 5 ? hx(h) + 3 : hx(h) - 3);
    if (++h.counter_a > 9) h.counter_a = 0;
    if (++h.anim_counter >= 30) {
      h.counter_a = 0;
      h.anim_frame = 2;
    }
  } else {
    draw_at(hx(h));
    h.y += h.fall_speed;
    h.counter_a ^= 1;
    if (h.counter_a == 1) ++h.fall_speed;
    if (obstacle(h, 12, 27, 20, 41) >= 0) {
      trap_lands(h);
    } else if (hy(h) > 700) {
      free_record(h);
    }
  }
  check_hazard_contact(i);
}

void flame_blob(int i, HazardRecord& h) {
  if (h.state != hazard_live) {
    free_record(h);
    return;
  }
  const int alpha = 255 - 2 * h.anim_frame;
  SetBrightnessRGB(128, 255, 128);
  draw_cell_blend(1, alpha, hx(h), hy(h), 120 * (h.anim_counter / 10), 0, 120, 120, enemy_images[23], h.direction);
  SetBrightnessRGB(255, 255, 255);
  ++h.anim_frame;
  if (++h.anim_counter > 39) h.anim_counter = 0;
  h.y += h.fall_speed;
  ++h.fall_speed;
  h.x += 4 * side(h);
  if (255 - 2 * h.anim_frame < 5) free_record(h);
  if (obstacle(h, 46, 63, 63, 89) >= 0) h.fall_speed = 0;
  check_hazard_contact(i);
}

}  // namespace hazard_kinds
