// The gimmick pool: spawning from the level data and the per-frame update that moves, carries and draws every
// gimmick.
#pragma once

#include "game/stage/stage_object.h"

// Value i (0 cell_x, 1 cell_y, 2 cell_w, 3 cell_h) of row `row` of the cell table; 0 outside the table.
int gimmick_cell_rect(int row, int i);

void spawn_gimmick(int type, int sub, int room_x, int room_y, int x, int y, int mirror);
// Moves every gimmick that moves, carries the hero and the camera with the platform the hero stands on, and draws.
void update_gimmicks();

// The first gimmick handed out whose sub is `door_id`, or null.
StageObject* find_door(int door_id);

// The stage tile sheet the gimmicks draw from (the location select loads it when a stage is chosen).
extern int stage_background;
