// STAND-INS: see pending_screens.h. Each is replaced by the real screen or service when it is built.
#include "game/flow/pending_screens.h"

int stage;
int scene_step_frames;

void stage_play_screen(int) {}
void fall_scene_screen(int) {}
void location_select_screen(int) {}
void prologue_screen(int) {}
void shop_screen(int) {}
void cathedral_screen(int) {}
void event_scene_screen(int) {}
void boss_event_screen(int) {}
void first_ending_screen(int) {}
void second_ending_screen(int) {}

// ---- Used by the hero select, the new game's run reset and the save/load screen ----------------------------------
int area;
int g_x, g_y;
int bg_x, bg_y;
int game_menu_page;
int area3_right_limit;
int scene_initialised;
int scene_step;
int enemy_count;
void reset_scene_state() {}

// ---- Needed by the option screens, the sound room and the captions ----
const char* menu_item_name(int) { return nullptr; }
