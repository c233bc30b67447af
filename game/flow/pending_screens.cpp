// STAND-INS: see pending_screens.h. Each is replaced by the real screen or service when it is built.
#include "game/flow/pending_screens.h"

int hero;
int stage;

void stage_play_screen(int) {}
void fall_scene_screen(int) {}
void hero_select_screen(int) {}
void location_select_screen(int) {}
void save_slot_screen(int) {}
void shop_screen(int) {}
void cathedral_screen(int) {}
void corrupt_save_screen(int) {}

void clear_screen_counters() {}

// ---- Needed by the option screens, the sound room and the captions ----
const char* menu_item_name(int) { return nullptr; }

// ---- Story scenes: the player's block and the object pools ----------------------------------------------------
int player_state;
int mx, my;
int g_x, g_y;
std::uint8_t event_flags[32];
std::uint8_t auto_walk_right;
std::uint8_t auto_walk_left;
int pose;
std::uint8_t accessory_owned[15];
int caption_code;
int caption_start;
void draw_menu_hero(int) {}
int skill_id = 99;
int skill_effect;
void spawn_sparkle() {}
void draw_skill_aura() {}
void update_sparkles() {}
EnemyRecord enemies[enemy_pool_size];
int enemy_count;
int enemy_death_sounds[40] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                              -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
Pickup pickups[pickup_pool_size];
void spawn_enemy(int, int, int, int, int, int) {}
void spawn_hazard(int, int, int, int, int) {}
void update_hazards() {}
void free_all_hazards() {}
void spawn_effect(int, int, int) {}
void update_effects() {}
void spawn_pickup(int, int, int) {}
