#include "game/stage/gimmicks.h"

#include <cstdlib>

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/player/player_globals.h"
#include "game/player/player_update.h"
#include "game/stage/stage_state.h"

StageObject gimmicks[gimmick_pool_size];
int gimmick_count;
int stage_background = -1;

namespace {

// One row per type 0..29: box x0, y0, x1, y1, stand offset, head offset, solid flag. Rows not listed are zero.
struct TypeRow {
  int box_x0, box_y0, box_x1, box_y1, stand, head, solid;
};
constexpr int type_rows = 30;
constexpr TypeRow type_table[type_rows] = {
    {0, 0, 0, 0, 0, 0, 0},          {0, 45, 120, 120, 50, 120, 1}, {0, 0, 0, 0, 0, 0, 0},
    {0, 0, 120, 120, 95, 120, 1},   {0, 45, 120, 120, 50, 120, 1}, {0, 0, 120, 120, 0, 120, 1},
    {0, 45, 120, 70, 50, 70, 1},    {10, 10, 50, 120, 85, 120, 1}, {7, 8, 56, 55, 85, 60, 1},
    {10, 10, 112, 110, 85, 120, 1}, {0, 45, 64, 120, 50, 120, 1},  {20, 45, 100, 120, 50, 120, 1},
    {20, 0, 100, 120, 95, 120, 1},  {0, 45, 120, 120, 50, 120, 1}, {0, 45, 120, 120, 50, 120, 1},
    {0, 45, 64, 120, 95, 120, 1},   {0, 45, 120, 90, 50, 90, 1},   {},
    {15, 20, 113, 50, 76, 50, 1},   {},                            {},
    {0, 20, 128, 50, 76, 50, 1},    {},                            {},
    {},                             {0, 0, 1, 1, 1, 1, 1},         {},
    {},                             {99, 99, 99, 1, 1, 1, 0},      {},
};

constexpr int cell_rows = 20;
constexpr int cell_table[cell_rows][4] = {
    {0, 0, 128, 120},   {128, 0, 128, 120},   {256, 0, 128, 120},   {384, 0, 128, 120}, {512, 0, 128, 120},
    {0, 120, 128, 120}, {128, 120, 128, 120}, {256, 120, 128, 120}, {384, 120, 128, 120}, {512, 120, 128, 120},
    {0, 240, 128, 120}, {128, 240, 64, 120},  {256, 240, 128, 120}, {384, 240, 128, 120}, {192, 240, 64, 120},
    {0, 360, 64, 120},  {64, 360, 64, 120},   {128, 360, 64, 60},   {0, 0, 0, 0},         {192, 360, 128, 120},
};

constexpr int type_falling_floor = 6;
constexpr int type_falling_crate = 8;
constexpr int type_falling_block = 9;
constexpr int type_platform = 13;
constexpr int type_lift = 14;
constexpr int type_tile_wall = 50;
constexpr int type_invisible = 99;

void set_box(StageObject& g, const TypeRow& row) {
  g.box_x0 = row.box_x0;
  g.box_y0 = row.box_y0;
  g.box_x1 = row.box_x1;
  g.box_y1 = row.box_y1;
  g.stand_offset = row.stand;
  g.head_offset = row.head;
  g.solid = row.solid == 1 ? 1 : 0;
}

void set_cell(StageObject& g, int row) {
  g.cell_x = gimmick_cell_rect(row, 0);
  g.cell_y = gimmick_cell_rect(row, 1);
  g.cell_w = gimmick_cell_rect(row, 2);
  g.cell_h = gimmick_cell_rect(row, 3);
}

void draw_cell(const StageObject& g, int cell_x, int cell_y, int cell_w, int cell_h, int sheet, int mirror) {
  DrawGraphPart(g.x - g_x, g.y + g_y, cell_x, cell_y, cell_w, cell_h, sheet, 1, mirror);
}

void draw(const StageObject& g) { draw_cell(g, g.cell_x, g.cell_y, g.cell_w, g.cell_h, stage_background, g.mirror); }

// Moves the hero down by `step`: the camera first while the hero is low on the screen, stopping at the column's
// lowest row, then the hero on the screen.
void carry_hero_down(int step) {
  if (my >= 300) {
    g_y -= step;
    bg_y -= step;
    const int floor = camera_floor_scroll();
    if (g_y < floor) {
      g_y = floor;
      if (my < 500) my += step;
    }
  } else {
    my += step;
  }
}

// A gravity step of a falling crate or block: stops on any other solid record inside the test box.
void fall_step(StageObject& g, int self, int x0, int y0, int x1, int y1) {
  draw(g);
  g.fall_speed += 1;
  for (int i = 0; i < gimmick_pool_size; ++i) {
    const StageObject& o = gimmicks[i];
    if (i == self || o.in_use != 1 || o.solid == 0) continue;
    if (o.x + o.box_x0 < g.x + x1 && o.x + o.box_x1 > g.x + x0 && o.y + o.box_y0 < g.y + y1 &&
        o.y + o.box_y1 > g.y + y0) {
      g.fall_speed = 0;
      break;
    }
  }
  g.y += g.fall_speed;
}

void update_falling_floor(StageObject& g, int index) {
  if (g.stood_on) {
    g.timer += 1;
    if (g.timer == 1) PlaySoundHandle(sound_table[se_floor_crack], 1, 1);
    if (g.timer >= 25) {
      g.y += 5;
      if (stand_gimmick == index) carry_hero_down(5);
    }
    if (std::abs(g.x - mx - g_x) > 800) {
      g.stood_on = 0;
      g.timer = 0;
      g.y = g.start_y;
    }
  }
  if (g.timer != 0) {
    draw_cell(g, 384, 120, 128, 120, stage_background, g.mirror);
  } else {
    draw(g);
  }
}

void update_platform(StageObject& g) {
  if (g.stood_on) {
    if (g.direction == 1) {
      if (mx < 300) {
        mx += 2;
      } else {
        g_x += 2;
        bg_x -= 2;
      }
    } else if (g_x < 1) {
      mx -= 2;
    } else {
      g_x -= 2;
      bg_x += 2;
    }
  }
  g.timer += 2;
  if (g.timer == 500) {
    g.direction ^= 1;
    g.timer = 0;
  }
  g.x += g.direction == 1 ? 2 : -2;
  draw(g);
  g.stood_on = 0;
}

void update_lift(StageObject& g) {
  if (g.stood_on) {
    if (g.direction == 0) {
      if (my < 100) {
        g_y += 2;
        bg_y += 2;
      } else {
        my -= 2;
      }
    } else {
      carry_hero_down(2);
    }
  }
  g.timer += 2;
  if (g.timer == 400) {
    g.direction ^= 1;
    g.timer = 0;
  }
  g.y += g.direction == 0 ? -2 : 2;
  draw(g);
  g.stood_on = 0;
}

void update_door(StageObject& g) {
  DrawGraphPart(g.x - g_x, g.y + g_y, g.cell_x, g.cell_y, g.cell_w, g.cell_h, field_images[field_s01], 1, 0);
  if (g.door_state != door_state_rising && g.door_state != door_state_dropping) return;
  g.timer += 1;
  if (g.timer == 1) PlaySoundHandle(sound_table[se_door], 1, 1);
  g.y += g.door_state == door_state_rising ? -4 : 10;
  if (std::abs(g.start_y - g.y) >= 200) g.door_state = door_state_rest;
}

void draw_tile_wall(const StageObject& g) {
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 5; ++col) {
      DrawGraphPart(g.x + 128 * col - g_x, g.y + 120 * row + g_y, 256, 0, 128, 120, stage_background, 1, 0);
    }
  }
}

}  // namespace

int gimmick_cell_rect(int row, int i) {
  if (row < 0 || row >= cell_rows || i < 0 || i > 3) return 0;
  return cell_table[row][i];
}

void spawn_gimmick(int type, int sub, int room_x, int room_y, int x, int y, int mirror_flag) {
  for (StageObject& g : gimmicks) {
    if (g.in_use != 0) continue;
    g.type = type;
    g.x = g.start_x = room_x * 640 + x;
    g.y = g.start_y = room_y * 480 + y;
    g.in_use = 1;
    g.sub = sub;
    g.fall_speed = g.direction = g.timer = 0;
    g.door_state = door_state_rest;
    g.stood_on = 0;
    g.mirror = mirror_flag != 0 ? 1 : 0;
    ++gimmick_count;
    // Every type starts from an empty box and picture, so nothing of the record's previous use survives.
    set_box(g, TypeRow{});
    g.cell_x = g.cell_y = g.cell_w = g.cell_h = 0;
    if (type >= 0 && type < 40) {
      set_cell(g, sub);
      if (type < type_rows) set_box(g, type_table[type]);
    } else if (type == type_invisible) {
      set_box(g, type_table[1]);
    } else if (type == gimmick_door) {
      g.cell_x = 469;
      g.cell_y = 0;
      g.cell_w = 89;
      g.cell_h = 294;
      set_box(g, TypeRow{0, 20, 80, 275, 75, 276, 1});
    }
    g.breakable = sub == 17 || sub == 19 ? 1 : 0;
    g.hit_points = sub == 17 ? 30 : sub == 19 ? 80 : 0;
    return;
  }
}

StageObject* find_door(int door_id) {
  for (int i = 0; i < gimmick_count && i < gimmick_pool_size; ++i) {
    if (gimmicks[i].sub == door_id) return &gimmicks[i];
  }
  return nullptr;
}

void update_gimmicks() {
  for (int i = 0; i < gimmick_pool_size; ++i) {
    StageObject& g = gimmicks[i];
    if (g.in_use != 1) continue;
    switch (g.type) {
      case type_falling_floor: update_falling_floor(g, i); break;
      case type_falling_crate:
        fall_step(g, i, 27, 27, 63, 59);
        fall_step(g, i, 10, 10, 112, 110);
        break;
      case type_falling_block: fall_step(g, i, 10, 10, 112, 110); break;
      case type_platform: update_platform(g); break;
      case type_lift: update_lift(g); break;
      case gimmick_door: update_door(g); break;
      case type_tile_wall: draw_tile_wall(g); break;
      case type_invisible: break;
      default: draw(g); break;
    }
  }
}
