// What is current in stage play: the stage and area being played, the view's scroll pair and the area's exit line.
// Every screen of stage play, the stage builder, the gimmicks, the enemies and the hazards share these globals.
#pragma once

extern int stage;  // StageId 1..9
extern int area;   // area 1..3

// The view's scroll pair: a world point (x, y) is drawn at screen (x - g_x, y + g_y). g_x is 0 or more (further
// right), g_y is 0 on an area's top screen row and -480 per row lower. The hero's world position is
// (mx + g_x, my - g_y).
extern int g_x, g_y;
// Background offsets that move together with the camera (the lift and the platforms move them).
extern int bg_x, bg_y;

// The exit line of areas 1 and 2: the player update ends the area once the hero's world x passes
// area_exit_column x 640 + area_exit_offset. build_stage writes it; an area 3 keeps the previous value.
extern int area_exit_column;
extern int area_exit_offset;

extern int area3_right_limit;  // right scroll limit of an area 3
