// Hazard kinds that do not fly as projectiles: attack areas (drawn or invisible), the column of light, the beams,
// the stage's crushing block and light pillars, and the drifting objects of the first ending.
#include <utility>

#include "game/enemy/enemy_common.h"
#include "game/enemy/enemy_pool.h"
#include "game/enemy/enemy_sounds.h"
#include "game/enemy/hazard_kinds.h"
#include "game/flow/main_loop.h"
#include "game/flow/game_parts.h"
#include "game/flow/story_scenes.h"
#include "game/player/player_globals.h"

namespace hazard_kinds {

using enemy_detail::abs_i;
using enemy_detail::degrees_to_radians;
using enemy_detail::draw_cell;
using enemy_detail::draw_cell_blend;
using enemy_detail::play_se;

namespace {

// The debug outline of a hazard's contact box (kinds that test contact only some of the time draw it always).
void outline(const HazardRecord& h) {
  if (debug_boxes == 0) return;
  const HazardBoxRow& b = hazard_box_row(h.type);
  enemy_detail::outline_box(enemy_detail::screen_box(h.x, h.y, b.left, b.top, b.right, b.bottom));
}

// The enemy record a hazard belongs to, or null when `param` does not name a record of that kind.
const EnemyRecord* parent_of(const HazardRecord& h, int kind) {
  if (h.param < 0 || h.param >= enemy_pool_size || enemy_pool[h.param].type != kind) return nullptr;
  return &enemy_pool[h.param];
}

// The two scrolling layers of a light pillar: heights h1 and h2 of a strip of the pillar sheet, fifteen times.
void pillar_layers(int sx, int src_x, int width, int h1, int h2) {
  const int sheet = effect_sheets[sheet_tr_all_07];
  for (int k = 0; k < 15; ++k) {
    for (int h : {h1, h2}) {
      draw_cell(sx, 405 - h, src_x, 0, width, h, sheet, GetRandomUpTo(10) > 4);
      draw_cell(sx, -75 - h, src_x, 0, width, 480, sheet, GetRandomUpTo(10) > 4);
    }
  }
}

void wrap_479(int& v) {
  if (v > 479) v = 0;
}

}  // namespace

void burst(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  const int cx = 133 * (h.anim_counter / 5);
  draw_cell(hx(h), hy(h), cx, 0, 133, 128, effect_sheets[sheet_all_02], h.direction);
  SetBlendMode(2, 48);
  for (int k = 0; k < 5; ++k) draw_cell(hx(h), hy(h), cx, 0, 133, 128, effect_sheets[sheet_all_02], h.direction);
  SetBlendMode(0, 255);
  if (++h.anim_counter > 24) free_record(h);
  check_hazard_contact(i);
}

void magic_circle(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  h.counter_a += 30;
  if (h.counter_a >= 360) h.counter_a = 0;
  h.counter_b -= 30;
  if (h.counter_b <= -360) h.counter_b = 0;
  SetBlendMode(2, 255 - 4 * h.anim_frame);
  if (h.anim_frame % 2 == 0) {
    const int t = h.anim_frame;
    SetBrightnessRGB(128, 128, 255);
    for (int k = 0; k < 2; ++k) DrawGraphStretched(hx(h) - t, hy(h) - t, hx(h) + 192 + t, hy(h) + 192 + t, gallery_pics[0], 1);
    SetBrightnessRGB(255, 255, 255);
  }
  DrawGraphRotated(hx(h) + 96, hy(h) + 96, 1.0, h.counter_a * degrees_to_radians, gallery_pics[12], 1, 0);
  DrawGraphRotated(hx(h) + 96, hy(h) + 96, 1.0, h.counter_b * degrees_to_radians, gallery_pics[12], 1, 0);
  SetBlendMode(0, 255);
  if (++h.anim_frame > 60) free_record(h);
  if (h.anim_frame < 40) check_hazard_contact(i);
}

void hidden_box(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  outline(h);
  int& frames = h.type == 19 ? h.anim_frame : h.anim_counter;
  const int last = h.type == 19 ? 26 : h.type == 30 ? 35 : 20;  // the frame on which it is freed
  if (++frames >= last) {
    free_record(h);
    return;
  }
  check_hazard_contact(i);
}

void fading_box(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  outline(h);
  h.alpha -= 10;
  if (h.alpha < 11) {
    free_record(h);
    return;
  }
  if (h.alpha < 200) check_hazard_contact(i);
}

void held_beam(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  outline(h);
  const EnemyRecord* parent = parent_of(h, 19);
  if (parent == nullptr) {
    free_record(h);
    return;
  }
  h.y = parent->y;
  const int px = parent->x - g_x;
  const int py = parent->y + g_y;
  for (int k = 0; k < 2; ++k) {
    if (h.direction == 0) {
      draw_cell_blend(1, h.alpha, px - 40, py - 20, 497, 457, 143, 183, effect_sheets[sheet_tr_all_05], 0);
    } else {
      draw_cell_blend(1, h.alpha, px + 90, py - 20, 497, 457, 143, 183, effect_sheets[sheet_tr_all_05], 1);
    }
  }
  h.alpha -= 10;
  if (h.alpha <= 10) free_record(h);
  check_hazard_contact(i);
}

void left_beam(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  outline(h);
  for (int k = 0; k < 2; ++k) {
    draw_cell_blend(1, h.alpha, hx(h), hy(h), 497, 457, 143, 183, effect_sheets[sheet_tr_all_05], h.direction);
  }
  h.alpha -= 20;
  if (h.alpha <= 20) free_record(h);
  check_hazard_contact(i);
}

void light_column(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  const EnemyRecord* boss = parent_of(h, 26);
  if (boss == nullptr) {
    free_record(h);
    return;
  }
  const int sheet = effect_sheets[sheet_tr_all_01];
  draw_cell_blend(1, 255, hx(h) + h.vx, hy(h), 165, 221, 261, 250, sheet, 0);
  if (h.anim_counter % 2 == 1) draw_cell_blend(2, 48, hx(h) + h.vx, hy(h), 165, 221, 261, 250, sheet, 0);
  const int bx = boss->x - g_x;
  const int by = boss->y + g_y;
  DrawEllipse(bx + 40, by + 60, 30 * h.anim_counter, 30 * h.anim_counter, MakeColorValue(255, 255, 255), 0);
  draw_cell_blend(1, 255, hx(h) + 40 + h.vx, hy(h), 439, 196, 174, 284, sheet, 0);
  const int cx = h.anim_frame <= 7 ? 240 : (h.anim_frame >= 16 && h.anim_frame <= 23) ? 400 : 320;
  draw_cell(bx, by, cx, 240, 80, 120, enemy_images[26], boss->facing);
  if (++h.anim_frame > 31) h.anim_frame = 0;
  if (h.anim_counter % 4 == 0 || h.anim_counter % 7 == 0) flash_request = 1;
  if (++h.anim_counter > 119) free_record(h);
  check_hazard_contact(i);
}

void wide_beam(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  outline(h);
  h.angle = GetRandomUpTo(3);
  constexpr bool rows[4][3] = {{true, true, false}, {true, false, true}, {false, true, true}, {true, true, true}};
  const int sheet = effect_sheets[sheet_tr_all_06];
  SetBlendMode(2, h.alpha);
  for (int pass = 0; pass < 2; ++pass) {
    for (int r = 0; r < 3; ++r) {
      if (rows[h.angle][r]) draw_cell(hx(h) - 1300, hy(h), 0, 150 * r, 1300, 150, sheet, 0);
    }
  }
  const int glow_x = h.anim_frame % 2 == 0 ? 1 : 138;
  const int at_x = h.direction == 0 ? hx(h) - 50 : hx(h) - 1330;
  for (int k = 0; k < 5; ++k) draw_cell(at_x, hy(h) + 15, glow_x, 458, 130, 130, sheet, 0);
  SetBlendMode(0, 255);
  ++h.anim_frame;
  h.alpha -= 3;
  if (h.alpha < 4) free_record(h);
  check_hazard_contact(i);
}

void crushing_block(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  const int sheet = field_images[field_s_03];
  for (int dx : {30, 135}) {
    for (int dy : {-246, -522}) DrawGraphPart(hx(h) + dx, hy(h) + dy, 0, 0, 6, 276, sheet, 0, 1);
  }
  draw_cell(hx(h), hy(h), 236, 284, 174, 90, sheet, h.direction);
  if (h.anim_frame == 0) {
    if (abs_i(h.x - player_world_x() + 55) < 180 && abs_i(hy(h) - my) < 300) {
      h.anim_frame = 1;
      h.anim_counter = 0;
      h.toggle = h.y;
    }
  } else if (h.anim_frame == 1) {
    ++h.fall_speed;
    for (int g = obstacle(h, 13, 155, 40, 90); g >= 0; g = obstacle(h, 13, 155, 40, 90, g + 1)) {
      if (h.fall_speed > 1) {
        play_se(enemy_se::heavy_impact);
        play_se(enemy_se::heavy_hit);
      }
      h.fall_speed = 0;
      ++h.anim_counter;
    }
    h.y += h.fall_speed;
    if (h.anim_counter >= 100) {
      h.anim_counter = 0;
      h.anim_frame = 2;
    }
  } else {
    h.y -= 2;
    if (h.y < h.toggle) h.anim_frame = 0;
  }
  check_hazard_contact(i);
}

void pillar_decoration(int, HazardRecord& h) {
  if (h.state != hazard_live) return;
  SetBlendMode(2, 8);
  for (int k = 0; k < 10; ++k) draw_cell(hx(h), hy(h) - 170, 512, 0, 127, 484, effect_sheets[sheet_tr_all_07], 0);
  pillar_layers(hx(h), 386, 127, h.anim_counter, h.vx);
  SetBlendMode(0, 255);
  draw_cell(hx(h) - 30, hy(h) - 97, 512, 120, 128, 120, stage_background, 0);
  draw_cell(hx(h) + 98, hy(h) - 97, 512, 120, 128, 120, stage_background, 0);
  draw_cell(hx(h) - 30, hy(h) - 217, 256, 0, 128, 120, stage_background, 0);
  draw_cell(hx(h) + 98, hy(h) - 217, 256, 0, 128, 120, stage_background, 0);
  ++h.anim_frame;
  h.anim_counter += 10;
  h.vx += 5;
  wrap_479(h.anim_counter);
  wrap_479(h.vx);
}

void great_pillar(int i, HazardRecord& h) {
  if (h.state != hazard_live) return;
  outline(h);
  const int sheet = effect_sheets[sheet_tr_all_07];
  const int blend = 16 - h.counter_c;
  SetBlendMode(2, blend);
  for (int k = 0; k < 10; ++k) draw_cell(hx(h), hy(h) - 240, 189, 0, 187, 484, sheet, 0);
  pillar_layers(hx(h), 0, 186, h.anim_counter, h.vx);
  SetBlendMode(0, 255);
  h.anim_counter += 20;
  h.vx += 10;
  wrap_479(h.anim_counter);
  wrap_479(h.vx);
  if (h.anim_frame < 81 && h.anim_frame % 5 == 0) {
    for (const auto& [dy, effect] : {std::pair{200, 34}, std::pair{160, 35}}) {
      const int r = GetRandomUpTo(90);
      const int dx = GetRandomUpTo(1) == 0 ? r : -r;
      spawn_effect(h.x + 80 + dx, h.y + dy, effect);
    }
  }
  SetBlendMode(2, blend * 2);
  for (int k = 0; k < 5; ++k) {
    if (h.vy < 2) draw_cell(hx(h) - 45, hy(h) + 19, 64, 554, 278, 214, sheet, 0);
    else draw_cell(hx(h) - 111, hy(h) + 19, 345, 554, 385, 214, sheet, 0);
  }
  SetBlendMode(0, 255);
  if (++h.vy > 2) h.vy = 0;
  ++h.anim_frame;
  if (h.anim_frame > 80 && h.anim_frame % 5 == 0) ++h.counter_c;
  if (h.counter_c > 14) {
    free_record(h);
    return;
  }
  if (h.anim_frame < 110) check_hazard_contact(i);
}

void ending_object(int, HazardRecord& h) {
  if (h.state != hazard_live) return;
  if (h.counter_a == 0) {
    h.counter_a = 1;
    h.rise_speed = GetRandomUpTo(350);
  }
  const bool sways = h.type == 47 || h.type == 48;
  if (sways) {
    h.rise_speed += 5;
    if (h.rise_speed >= 360) h.rise_speed = 0;
    h.x += enemy_detail::sin_deg(h.rise_speed) / 200 - 1;
  }
  int alpha = 255 - h.y / 2;
  alpha = alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
  const int mirror = sways && enemy_detail::sin_deg(h.rise_speed) / 200 < 1 ? 1 : 0;
  switch (h.type) {
    case 47: draw_cell_blend(1, alpha, hx(h), hy(h), 593, 4, 30, 36, ending_sheet, mirror); break;
    case 48: draw_cell_blend(1, alpha, hx(h), hy(h), 555, 4, 30, 36, ending_sheet, mirror); break;
    case 49: draw_cell_blend(1, alpha, hx(h), hy(h), 501, 10, 30, 30, ending_sheet, 0); break;
    default:
      if (h.anim_frame <= 2) draw_cell_blend(1, alpha, hx(h), hy(h), 427, 13, 25, 33, ending_sheet, 0);
      else if (h.anim_frame <= 5) draw_cell_blend(1, alpha, hx(h), hy(h), 463, 14, 30, 30, ending_sheet, 1);
      else draw_cell_blend(1, alpha, hx(h), hy(h), 389, 13, 28, 33, ending_sheet, 1);
      if (++h.anim_frame > 8) h.anim_frame = 0;
      h.x -= 1;
      break;
  }
  h.y += 2;
  if (h.y > 500) free_record(h);
}

}  // namespace hazard_kinds
