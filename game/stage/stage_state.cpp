#include "game/stage/stage_state.h"

int stage;
int area;
int g_x, g_y;
int bg_x, bg_y;
int area_exit_column;
int area_exit_offset;
int area3_right_limit;
