// The three scenery pools: A decoration, lamps and spikes (100 records), B water (50), C wall pictures (50). Each
// record carries a draw layer 1..3; the update of a pool draws (and acts on the hero for) the records of one layer.
#pragma once

#include "game/stage/stage_object.h"

extern StageObject scenery_a[scenery_a_pool_size];
extern StageObject scenery_b[scenery_b_pool_size];
extern StageObject scenery_c[scenery_c_pool_size];
extern int scenery_a_count;
extern int scenery_b_count;
extern int scenery_c_count;

void spawn_scenery_a(int type, int room_x, int room_y, int x, int y, int mirror, int layer);
void spawn_scenery_b(int type, int room_x, int room_y, int x, int y, int mirror, int layer);
void spawn_scenery_c(int type, int room_x, int room_y, int x, int y, int mirror, int layer);

void update_scenery_a(int layer);
void update_scenery_b(int layer);
void update_scenery_c(int layer);
