// STAND-INS: see pending_screens.h. Each is replaced by the real screen or service when it is built.
#include "game/flow/pending_screens.h"

int hero;
int stage;
int scene_step_frames;

void stage_play_screen(int) {}
void fall_scene_screen(int) {}
void hero_select_screen(int) {}
void location_select_screen(int) {}
void prologue_screen(int) {}
void save_slot_screen(int) {}
void shop_screen(int) {}
void cathedral_screen(int) {}
void event_scene_screen(int) {}
void boss_event_screen(int) {}
void first_ending_screen(int) {}
void second_ending_screen(int) {}
void corrupt_save_screen(int) {}

void clear_screen_counters() {}

// ---- Needed by the option screens, the sound room and the captions ----
int caption_code;
int caption_start;
const char* menu_item_name(int) { return nullptr; }
