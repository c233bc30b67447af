#include "game/flow/hud.h"

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"

namespace {

constexpr int base_y = 180;

struct Rgb {
  int r, g, b;
};
constexpr Rgb hp_colours[9] = {{23, 153, 90},   {58, 180, 107}, {96, 211, 126}, {132, 237, 143}, {255, 255, 255},
                               {132, 237, 143}, {96, 211, 126}, {58, 180, 107}, {23, 153, 90}};
constexpr Rgb sp_colours[9] = {{25, 135, 184},  {63, 162, 206},  {100, 188, 229}, {126, 206, 243}, {255, 255, 255},
                               {126, 206, 243}, {100, 188, 229}, {63, 162, 206},  {25, 135, 184}};

void gauge(int x0, int value, const Rgb (&colours)[9]) {
  for (int i = 0; i < 9; ++i) {
    const Rgb& c = colours[i];
    DrawLineSegment(x0 + i, base_y, x0 + i, base_y - value, MakeColorValue(c.r, c.g, c.b));
  }
}

void gloss(int x0, int top, int first_alpha, int step) {
  const int white = MakeColorValue(255, 255, 255);
  for (int i = 0; i < 14; ++i) {
    SetBlendMode(1, first_alpha + step * i);
    DrawLineSegment(x0 + i, base_y + 1, x0 + i, base_y - top, white);
  }
  SetBlendMode(0, 255);
}

void part(int x, int y, int sx, int sy, int w, int h) {
  DrawGraphPart(x, y, sx, sy, w, h, menu_pics[menu_pic_menu_01], 1, 0);
}

}  // namespace

void draw_hud() {
  const int grey = MakeColorValue(50, 50, 50);
  DrawRectangle(24, base_y - max_hp, 34, base_y, grey, 1);
  if (hp_trail_shown != hp) {
    hp_trail_from = hp_trail_shown;
    hp_trail_to = hp;
  }
  if (hp_trail_from > hp_trail_to) {
    hp_trail_from -= 1;
    SetBlendMode(1, 128);
    DrawRectangle(24, base_y - hp_trail_from, 34, base_y - hp_trail_to, MakeColorValue(255, 0, 0), 1);
    SetBlendMode(0, 255);
  }
  hp_trail_shown = hp;
  gauge(24, hp, hp_colours);
  DrawRectangle(38, base_y - max_sp, 48, base_y, grey, 1);
  gauge(38, sp, sp_colours);
  gloss(22, max_hp, 50, 4);
  gloss(36, max_sp, 60, 5);

  part(20, 179, 610, 0, 30, 75);
  part(20, 170 - max_hp, 588, 0, 16, 11);
  part(35, 170 - max_sp, 588, 0, 16, 11);

  if (hero == 0) {
    part(23, 192, main_form == 1 ? 54 : 81, 179, 25, 21);
    if (skill_sel_0 == skill_none) {
      part(23, 220, 27, 179, 25, 21);
    } else {
      part(23, 220, 27 * skill_sel_0, 205, 24, 21);
    }
  } else {
    part(23, 192, 27 * (weapon + 4), 179, 25, 21);
    if (skill_sel_1 == skill_none) {
      part(23, 220, 27, 179, 25, 21);
    } else {
      part(23, 220, 27 * (skill_sel_1 - 8), 232, 24, 21);
    }
  }

  const bool marks[3] = {
      hero == 0 ? buff_flags[buff_a] != 0 : (buff_flags[buff_d] != 0 || accessory == 13),
      buff_flags[buff_b] != 0,
      hero == 0 ? buff_flags[buff_c] != 0 : buff_flags[buff_f] != 0,
  };
  for (int i = 0; i < 3; ++i) {
    if (marks[i]) part(20 + 10 * i, 241, 610 + 10 * i, 76, 10, 16);
  }
}
