// Helpers shared by the enemy and hazard code: screen positions, box overlap, the solid-gimmick scan, drawing with
// the draw state bracketed, and sounds.
#pragma once

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/stage/stage_object.h"
#include "game/stage/stage_state.h"

namespace enemy_detail {

inline int screen_x(int world_x) { return world_x - g_x; }
inline int screen_y(int world_y) { return world_y + g_y; }

// Strict overlap of two boxes given as left, right, top, bottom.
inline bool boxes_meet(int l1, int r1, int t1, int b1, int l2, int r2, int t2, int b2) {
  return l1 < r2 && l2 < r1 && t1 < b2 && t2 < b1;
}

inline int abs_i(int v) { return v < 0 ? -v : v; }

// A box in screen pixels.
struct ScreenBox {
  int left, right, top, bottom;
};
// The box (left, top, right, bottom offsets) of an object at world (x, y), on the screen.
inline ScreenBox screen_box(int x, int y, int left, int top, int right, int bottom) {
  return {screen_x(x) + left, screen_x(x) + right, screen_y(y) + top, screen_y(y) + bottom};
}
inline bool boxes_meet(const ScreenBox& a, const ScreenBox& b) {
  return boxes_meet(a.left, a.right, a.top, a.bottom, b.left, b.right, b.top, b.bottom);
}
// Outlines a box in red (the debugging aid of the contact tests).
inline void outline_box(const ScreenBox& b) {
  DrawRectangle(b.left, b.top, b.right, b.bottom, MakeColorValue(255, 0, 0), 0);
}

// Index of the first solid gimmick in use, at or after `from`, whose box meets the world box (left, right, top,
// bottom); -1 when none does.
inline int next_obstacle(int from, int left, int right, int top, int bottom) {
  for (int i = from < 0 ? 0 : from; i < gimmick_pool_size; ++i) {
    const StageObject& g = gimmicks[i];
    if (g.solid == 0 || g.in_use != 1) continue;
    if (boxes_meet(g.x + g.box_x0, g.x + g.box_x1, g.y + g.box_y0, g.y + g.box_y1, left, right, top, bottom)) {
      return i;
    }
  }
  return -1;
}
inline bool any_obstacle(int left, int right, int top, int bottom) {
  return next_obstacle(0, left, right, top, bottom) >= 0;
}
inline int count_obstacles(int left, int right, int top, int bottom) {
  int n = 0;
  for (int i = next_obstacle(0, left, right, top, bottom); i >= 0; i = next_obstacle(i + 1, left, right, top, bottom)) {
    ++n;
  }
  return n;
}

// A cell of a sheet at a screen position, transparent.
inline void draw_cell(int x, int y, int cx, int cy, int w, int h, int sheet, int mirror) {
  DrawGraphPart(x, y, cx, cy, w, h, sheet, 1, mirror);
}
// The same under a blend mode, set back to none afterwards.
inline void draw_cell_blend(int mode, int param, int x, int y, int cx, int cy, int w, int h, int sheet, int mirror) {
  SetBlendMode(mode, param);
  DrawGraphPart(x, y, cx, cy, w, h, sheet, 1, mirror);
  SetBlendMode(0, 255);
}

inline void play_se(int slot) {
  if (slot >= 0 && slot < sound_slot_count) PlaySoundHandle(sound_table[slot], 1, 1);
}

inline constexpr double degrees_to_radians = 0.017453292;

// Whole-degree sine and cosine, x 1000, rounded.
extern short sin_table[360];
extern short cos_table[360];
inline int sin_deg(int a) { return sin_table[((a % 360) + 360) % 360]; }
inline int cos_deg(int a) { return cos_table[((a % 360) + 360) % 360]; }

// One step round a circle: the step (vx, vy) of `radius` pixels along `angle`, then the angle 6 degrees on.
inline void circle_step(int& angle, int radius, int& vx, int& vy) {
  vx = cos_deg(angle) * radius / 1000;
  vy = sin_deg(angle) * radius / 1000;
  angle += 6;
  if (angle >= 360) angle = 0;
}

// Step toward a target: (dx + 30) / n, (dy + 30) / n with n = distance / divisor; n 0 (the target within `divisor`
// pixels) gives no step.
struct Step {
  int vx, vy;
};
Step aimed_step(int dx, int dy, int divisor);

}  // namespace enemy_detail
