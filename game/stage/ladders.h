// Ladders: columns of equal segments 79 pixels apart in one pool; the top segment of a column can be stood on.
#pragma once

#include <cstdint>

struct LadderRecord {
  std::int32_t x;     // world x of the segment's left edge
  std::int32_t y;     // world y of the segment's top
  std::int32_t part;  // 0 free, 1 top segment (can be stood on), 2 body segment
  std::int32_t kind;  // index into the ladder image table; every stage uses 0
};

inline constexpr int ladder_pool_size = 65;
inline constexpr int ladder_part_top = 1;
inline constexpr int ladder_part_body = 2;
inline constexpr int ladder_segment_gap = 79;  // world y between neighbouring segments of a stack
inline constexpr int ladder_segment_width = 80;

extern LadderRecord ladders[ladder_pool_size];

void spawn_ladder(int kind, int room_x, int room_y, int x, int y, int part);
// Draws every segment in use at (x - g_x, y + g_y).
void draw_ladders();
