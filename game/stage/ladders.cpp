#include "game/stage/ladders.h"

#include "engine/core/public_api.h"
#include "game/flow/resources.h"
#include "game/stage/stage_state.h"

LadderRecord ladders[ladder_pool_size];

void spawn_ladder(int kind, int room_x, int room_y, int x, int y, int part) {
  for (LadderRecord& segment : ladders) {
    if (segment.part != 0) continue;
    segment.x = room_x * 640 + x;
    segment.y = room_y * 480 + y;
    segment.part = part;
    segment.kind = kind;
    return;
  }
}

void draw_ladders() {
  for (const LadderRecord& segment : ladders) {
    if (segment.part < 1) continue;
    // Every stage uses kind 0, the one ladder image; another kind has no picture.
    const int image = segment.kind == 0 ? field_images[field_ladder] : -1;
    DrawGraphAt(segment.x - g_x, segment.y + g_y, image, 1);
  }
}
