#include "game/stage/scenery.h"

#include <cstddef>

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"
#include "game/stage/gimmicks.h"
#include "game/stage/stage_state.h"

StageObject scenery_a[scenery_a_pool_size];
StageObject scenery_b[scenery_b_pool_size];
StageObject scenery_c[scenery_c_pool_size];
int scenery_a_count;
int scenery_b_count;
int scenery_c_count;

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr int sheet_tr_all_01 = 9;
constexpr int sheet_tr_all_03 = 11;
constexpr int sheet_tr_all_04 = 12;
constexpr int sheet_tr_all_07 = 15;

template <std::size_t N>
void spawn_into(StageObject (&pool)[N], int& count, int type, int room_x, int room_y, int x, int y, int mirror_flag,
                int layer) {
  for (StageObject& s : pool) {
    if (s.in_use != 0) continue;
    s.type = type;
    s.x = s.start_x = room_x * 640 + x;
    s.y = s.start_y = room_y * 480 + y;
    s.in_use = layer;
    s.mirror = mirror_flag != 0 ? 1 : 0;
    s.stood_on = 0;
    s.timer = s.direction = s.splash = 0;
    ++count;
    return;
  }
}

struct Rect {
  int x, y, w, h;
};

void draw_rect(const StageObject& s, int sheet, Rect r, int dx = 0, int dy = 0) {
  DrawGraphPart(s.x - g_x + dx, s.y + g_y + dy, r.x, r.y, r.w, r.h, sheet, 1, s.mirror);
}

void reset_draw_state() {
  SetBlendMode(0, 255);
  SetBrightnessRGB(255, 255, 255);
}

// The hero's box on the screen overlaps the screen rectangle x0..x1, y0..y1 (strict on all sides).
bool hero_overlaps(int x0, int x1, int y0, int y1) {
  return mx + 19 < x1 && mx + 40 > x0 && my + 17 < y1 && my + 95 > y0;
}

// ---- Pool A ----

struct StaticPicture {
  int type;
  int sheet;  // field image index, or 100 + effect sheet index
  Rect rect;
};
constexpr int fx = 100;
constexpr StaticPicture static_pictures[] = {
    {10, field_s01, {0, 271, 61, 61}},      {11, field_s01, {61, 271, 61, 61}},
    {12, field_s01, {129, 266, 160, 214}},  {16, field_s01, {0, 335, 25, 38}},
    {20, field_s01, {0, 133, 36, 28}},      {21, field_s01, {0, 157, 23, 32}},
    {40, field_s01, {585, 0, 55, 394}},     {41, field_s01, {585, 394, 55, 45}},
    {17, field_s03, {0, 0, 6, 276}},        {18, field_s03, {12, 0, 178, 276}},
    {22, field_s03, {417, 92, 64, 162}},    {23, field_s03, {480, 92, 64, 162}},
    {24, field_s03, {582, 0, 46, 248}},     {37, field_s03, {510, 0, 58, 86}},
    {66, field_s03, {458, 0, 43, 46}},      {68, field_s03, {286, 97, 39, 43}},
    {69, field_s03, {476, 410, 73, 70}},    {78, field_s03, {338, 100, 64, 39}},
    {107, field_s03, {566, 417, 60, 60}},   {108, field_s03, {0, 426, 55, 54}},
    {13, field_s04, {3, 122, 145, 96}},     {14, field_s04, {3, 219, 164, 96}},
    {15, field_s04, {3, 316, 113, 96}},     {42, field_s04, {557, 0, 83, 407}},
    {43, field_s04, {512, 0, 40, 480}},     {44, field_s04, {557, 0, 83, 370}},
    {45, field_s04, {557, 370, 83, 30}},    {46, field_s05, {0, 0, 155, 480}},
    {47, field_s05, {157, 0, 237, 480}},    {82, field_s05, {404, 0, 100, 480}},
    {83, field_s05, {508, 0, 43, 480}},     {80, field_s06, {0, 0, 234, 196}},
    {81, field_s06, {239, 0, 122, 196}},    {85, field_s07, {0, 0, 512, 480}},
    {86, field_s07, {526, 0, 168, 350}},    {30, field_wall1, {0, 0, 68, 480}},
    {31, field_wall1, {68, 0, 320, 480}},   {110, fx + sheet_tr_all_07, {877, 28, 84, 45}},
    {111, fx + sheet_tr_all_07, {989, 30, 252, 27}}, {112, fx + sheet_tr_all_07, {938, 76, 174, 86}},
    {113, fx + sheet_tr_all_07, {1145, 88, 111, 48}}, {114, fx + sheet_tr_all_07, {1042, 181, 196, 31}},
};

int sheet_handle(int sheet) { return sheet >= fx ? effect_sheets[sheet - fx] : field_images[sheet]; }

// Types with a picture computed from the type number, or -1 in `sheet` when the type has no static picture.
StaticPicture static_picture(int type) {
  for (const StaticPicture& p : static_pictures) {
    if (p.type == type) return p;
  }
  if (type >= 50 && type <= 55) return {type, field_s03, {36 * (type - 50), 297, 35, 49}};
  if (type >= 60 && type <= 65) return {type, field_s03, {(type - 60) * 35, 357, 34, 67}};
  if (type >= 70 && type <= 77) return {type, field_s04, {60 * (type - 70), 0, 60, 120}};
  if (type >= 90 && type <= 93) return {type, field_s04, {201 + 75 * (type - 90), 131, 69, 141}};
  if (type >= 94 && type <= 101) return {type, field_s06, {120 * (type - 94), 330, 120, 150}};
  if (type >= 102 && type <= 104) return {type, field_s06, {404 + 124 * (type - 102), 0, 124, 167}};
  if (type == 105 || type == 106) return {type, field_s06, {53 * type - 4772, 24, 53, 144}};
  return {type, -1, {}};
}

struct Lamp {
  Rect body;
  int body_sheet;
  Rect glow;
  int glow_sheet;  // effect sheet index
  int glow_blend;
  int halo_alpha;
  int tint_r, tint_g, tint_b;
};
constexpr Rect flames = {16, 433, 13, 31};
constexpr Lamp lamps[8] = {
    {},
    {{0, 0, 12, 98}, field_s01, {579, 44, 61, 60}, sheet_tr_all_01, 128, 64, 255, 255, 196},
    {{0, 105, 13, 20}, field_s01, {526, 48, 54, 54}, sheet_tr_all_01, 96, 48, 255, 255, 196},
    {{0, 196, 15, 32}, field_s01, {579, 108, 61, 60}, sheet_tr_all_01, 160, 64, 255, 128, 128},
    {{25, 0, 18, 70}, field_s01, {579, 44, 61, 60}, sheet_tr_all_01, 196, 96, 255, 255, 196},
    {{0, 0, 12, 98}, field_s01, {579, 108, 61, 60}, sheet_tr_all_01, 128, 64, 128, 128, 255},
    {{0, 105, 13, 20}, field_s01, {526, 48, 54, 54}, sheet_tr_all_01, 160, 32, 255, 128, 128},
    {{25, 0, 18, 70}, field_s01, flames, sheet_tr_all_03, 196, 64, 255, 255, 196},
};
constexpr Lamp torch = {{219, 0, 44, 171}, field_s03, flames, sheet_tr_all_03, 196, 64, 255, 128, 128};

void draw_lamp_light(const StageObject& s, const Lamp& lamp, int halo_alpha) {
  const int cx = lamp.body.w / 2;
  SetBlendMode(2, lamp.glow_blend);
  draw_rect(s, effect_sheets[lamp.glow_sheet], lamp.glow, cx - lamp.glow.w / 2, -lamp.glow.h / 2);
  SetBlendMode(1, halo_alpha);
  SetBrightnessRGB(lamp.tint_r, lamp.tint_g, lamp.tint_b);
  draw_rect(s, effect_sheets[sheet_tr_all_04], {367, 13, 310, 317}, cx - 155, -158);
  reset_draw_state();
}

void update_lamp(StageObject& s, const Lamp& lamp) {
  draw_rect(s, field_images[lamp.body_sheet], lamp.body);
  draw_lamp_light(s, lamp, lamp.halo_alpha);
  if (s.timer == 1) draw_lamp_light(s, lamp, 16);  // the flicker: one frame in eight
  s.timer = (s.timer + 1) % 8;
}

void update_spikes(const StageObject& s) {
  draw_rect(s, field_images[field_s01], {205, 256, 110, 80});
  const int sx = s.x - g_x;
  const int sy = s.y + g_y;
  if (hero_overlaps(sx + 10, sx + 100, sy + 36, sy + 83) && hp > 0 && hurt == 0) {
    PlaySoundHandle(sound_table[se_spikes], 1, 1);
    hp = 0;
    hurt = 1;
  }
}

void update_a(StageObject& s) {
  const int type = s.type;
  if (type == 0) {
    update_spikes(s);
  } else if (type >= 1 && type <= 7) {
    update_lamp(s, lamps[type]);
  } else if (type == 27 || type == 28) {
    update_lamp(s, torch);
  } else if (type == 35 || type == 36) {
    const double angle = (type == 35 ? 330.0 : 300.0) * pi / 180.0;
    for (int i = 0; i < (type == 35 ? 2 : 1); ++i) {
      DrawGraphRotated(s.x - g_x, s.y + g_y, 1.0, angle, field_images[field_s02], 1, s.mirror);
    }
  } else if (type == 67) {
    draw_rect(s, field_images[field_s03], {286, 0, 77, 80});
    if (hero == 0) {
      draw_rect(s, field_images[field_s03], {337, 94, 68, 49});
      draw_rect(s, field_images[field_s03], {337, 94, 68, 49});
      draw_rect(s, field_images[field_s03], {370, 0, 76, 70});
    }
  } else {
    const StaticPicture p = static_picture(type);
    if (p.sheet >= 0) draw_rect(s, sheet_handle(p.sheet), p.rect);
  }
}

// ---- Pool B ----

// Draws a horizontal strip split at `phase` so that it flows: the part from the phase on first, then the rest.
void draw_flowing(const StageObject& s, int sheet, Rect r, int phase, int dx, int dy) {
  DrawGraphPart(s.x - g_x + dx, s.y + g_y + dy, r.x + phase, r.y, r.w - phase, r.h, sheet, 1, 0);
  DrawGraphPart(s.x - g_x + dx + r.w - phase, s.y + g_y + dy, r.x, r.y, phase, r.h, sheet, 1, 0);
}

// A vertical strip split at `phase` so that it falls.
void draw_falling(const StageObject& s, int sheet, Rect r, int phase, int dy) {
  const int x = s.x - g_x;
  const int y = s.y + g_y + dy;
  DrawGraphPart(x, y + phase, r.x, r.y, r.w, r.h - phase, sheet, 1, 1);
  DrawGraphPart(x, y, r.x, r.y + r.h - phase, r.w, phase, sheet, 1, 1);
}

void update_current(StageObject& s) {
  const int sheet = field_images[field_s01];
  const Rect strip = {478, 408, 98, 72};
  SetBlendMode(1, 128);
  draw_rect(s, sheet, strip);
  SetBlendMode(1, 64);
  draw_flowing(s, sheet, strip, s.timer, 0, 0);
  draw_flowing(s, sheet, strip, s.timer, 0, 0);
  reset_draw_state();
  s.timer = s.timer >= 97 ? 0 : s.timer + 1;
  const int sx = s.x - g_x;
  const int sy = s.y + g_y;
  if (hero_overlaps(sx, sx + 98, sy, sy + 72) && hurt == 0) mx -= 1;
}

void update_flowing_water(StageObject& s) {
  const int sheet = field_images[field_s01];
  const Rect strip = {91, 340, 383, 140};
  SetBlendMode(1, 128);
  draw_flowing(s, sheet, strip, s.timer, 0, 0);
  draw_flowing(s, sheet, strip, s.timer, 0, 0);
  SetBlendMode(2, 128);
  draw_flowing(s, sheet, strip, s.direction, 0, 0);
  draw_flowing(s, sheet, strip, s.direction, 0, 0);
  reset_draw_state();
  s.timer = s.timer + 1 > 382 ? 0 : s.timer + 1;
  s.direction = s.direction + 2 > 382 ? 0 : s.direction + 2;
}

void update_waterfall(StageObject& s) {
  const int sheet = field_images[field_s01];
  const bool wide = s.type == 4;
  const Rect strip = wide ? Rect{327, 0, 66, 311} : Rect{403, 0, 29, 311};
  for (int k = 1; k <= 3; ++k) {
    SetBlendMode(1, 128);
    draw_falling(s, sheet, strip, s.timer, -311 * k);
    SetBlendMode(2, 168);
    draw_falling(s, sheet, strip, s.direction, -311 * k);
  }
  reset_draw_state();
  constexpr Rect splash[3] = {{200, 0, 125, 63}, {200, 64, 125, 60}, {200, 123, 125, 44}};
  const int frame = s.splash / 5;
  const int splash_dx = -45 + (wide ? 20 : 0);
  if (frame == 1) SetBlendMode(1, 64);
  if (frame == 2) SetBlendMode(2, 128);
  DrawGraphPart(s.x - g_x + splash_dx, s.y + g_y - splash[frame].h / 2, splash[frame].x, splash[frame].y,
                splash[frame].w, splash[frame].h, sheet, 1, 0);
  reset_draw_state();
  s.splash = s.splash >= 14 ? 0 : s.splash + 1;
  s.timer = s.timer + 1 > 310 ? 0 : s.timer + 1;
  s.direction = s.direction + 3 > 310 ? 0 : s.direction + 3;
  const int sx = s.x - g_x;
  const int sy = s.y + g_y;
  if ((jumping != 0 || falling != 0) && hero_overlaps(sx, sx + 30 + (wide ? 20 : 0), sy - 311, sy) && hurt == 0) my += 3;
}

void update_water_volume(const StageObject& s) {
  const int sx = s.x - g_x;
  const int sy = s.y + g_y;
  SetBlendMode(1, 64);
  DrawRectangle(sx, sy, sx + 640, sy + 480, MakeColorValue(128, 128, 255), 1);
  reset_draw_state();
  if (hero_overlaps(sx, sx + 670, sy, sy + 480)) in_water = 1;
  if (hero_overlaps(sx, sx + 670, sy, sy + 20) && water_in_sound == 0 && water_out_sound == 0) {
    if ((jumping != 0 && rising == 0) || falling != 0) water_in_sound = 1;
    if (jumping != 0 && rising != 0) water_out_sound = 1;
  }
}

void update_b(StageObject& s) {
  switch (s.type) {
    case 1: update_current(s); break;
    case 2: update_flowing_water(s); break;
    case 3:
    case 4: update_waterfall(s); break;
    case 5: update_water_volume(s); break;
    case 6:
      for (int k = 0; k < 4; ++k) draw_rect(s, stage_background, {128, 120, 128, 120}, 0, 120 * k);
      break;
    default: break;
  }
}

// ---- Pool C ----

void draw_wall(const StageObject& s, int wall, Rect r, int sx, int sy) {
  DrawGraphPart(sx, sy, r.x, r.y, r.w, r.h, wall_slots[wall], 1, s.mirror);
}

void update_c(const StageObject& s) {
  const int t = s.type;
  const int sx = s.x - g_x;
  const int sy = s.y + g_y;
  const Rect screen = {0, 0, 640, 480};
  switch (stage) {
    case 1:
      if (t == 0) draw_wall(s, 1, screen, sx, sy);
      if (t == 1) draw_wall(s, 2, {0, 0, 640, 520}, sx, sy);
      if (t == 2) draw_wall(s, 3, {0, 0, 640, 960}, sx, sy);
      if (t == 3 || t == 4) draw_wall(s, t + 1, screen, sx, sy);
      if (t == 5) draw_wall(s, 6, {0, 0, 225, 480}, sx, sy);
      if (t == 6) draw_wall(s, 6, {350, 0, 290, 480}, sx, sy);
      if (t == 7) draw_wall(s, 6, {660, 0, 290, 480}, sx, sy);
      if (t >= 10 && t <= 15) draw_wall(s, t + 1, screen, sx, sy);
      break;
    case 2:
      if (t == 0) draw_wall(s, 1, screen, s.x - g_x / 2, s.y + g_y / 2);
      if (t == 1) draw_wall(s, 2, {0, 0, 640, 520}, sx, sy);
      break;
    case 3:
      if (t == 0) draw_wall(s, 1, screen, sx, sy);
      break;
    case 4:
      if (t == 0) draw_wall(s, 1, {0, 0, 225, 480}, sx, sy);
      if (t == 1) draw_wall(s, 2, {0, 0, 237, 480}, sx, sy);
      if (t >= 2 && t <= 12) draw_wall(s, t + 1, screen, t == 10 || t == 11 ? s.x - 4 * g_x / 5 : sx, sy);
      if (t == 13) {
        draw_wall(s, 1, {480, 0, 153, 480}, s.x - g_x / 3, sy);
        for (int k = 1; k <= 2; ++k) draw_wall(s, 1, {633, 0, 146, 480}, s.x - g_x / 3 + 2, sy + 480 * k);
      }
      if (t == 14) {
        draw_wall(s, 1, {783, 0, 241, 480}, s.x - g_x / 2, sy);
        draw_wall(s, 1, {1041, 0, 241, 480}, s.x - g_x / 2, sy + 480);
      }
      if (t == 20) draw_wall(s, 1, {224, 0, 225, 480}, sx, sy);
      break;
    case 5:
      if (t == 0) draw_wall(s, 1, {0, 0, 225, 480}, sx, sy);
      if (t == 1) draw_wall(s, 2, {0, 0, 640, 250}, s.x - g_x / 2, s.y + g_y / 2);
      if (t == 2) draw_wall(s, 3, {0, 0, 640, 230}, sx, sy);
      if (t >= 3 && t <= 5) draw_wall(s, t + 1, screen, sx, sy);
      if (t == 6) draw_wall(s, 7, {0, 0, 310, 128}, sx, sy);
      if (t == 7) draw_wall(s, 8, {0, 0, 160, 480}, sx, sy);
      break;
    case 6:
      if (t == 0) draw_wall(s, 1, {0, 0, 225, 480}, sx, sy);
      if (t == 1) draw_wall(s, 2, screen, sx, sy);
      if (t == 2) draw_wall(s, 3, {0, 0, 160, 480}, sx, sy);
      if (t == 3 || t == 4) draw_wall(s, t + 1, screen, sx, sy);
      break;
    default: break;
  }
}

}  // namespace

void spawn_scenery_a(int type, int room_x, int room_y, int x, int y, int mirror_flag, int layer) {
  spawn_into(scenery_a, scenery_a_count, type, room_x, room_y, x, y, mirror_flag, layer);
}
void spawn_scenery_b(int type, int room_x, int room_y, int x, int y, int mirror_flag, int layer) {
  spawn_into(scenery_b, scenery_b_count, type, room_x, room_y, x, y, mirror_flag, layer);
}
void spawn_scenery_c(int type, int room_x, int room_y, int x, int y, int mirror_flag, int layer) {
  spawn_into(scenery_c, scenery_c_count, type, room_x, room_y, x, y, mirror_flag, layer);
}

void update_scenery_a(int layer) {
  for (int i = 0; i < scenery_a_count && i < scenery_a_pool_size; ++i) {
    if (scenery_a[i].in_use == layer) update_a(scenery_a[i]);
  }
}

void update_scenery_b(int layer) {
  for (StageObject& s : scenery_b) {
    if (s.in_use == layer) update_b(s);
  }
}

void update_scenery_c(int layer) {
  for (int i = 0; i < scenery_c_count && i < scenery_c_pool_size; ++i) {
    if (scenery_c[i].in_use == layer) update_c(scenery_c[i]);
  }
}
