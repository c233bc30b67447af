// STAND-INS: see pending_screens.h. Each is replaced by the real screen or service when it is built.
#include "game/flow/pending_screens.h"

int stage;

void stage_play_screen(int) {}
void fall_scene_screen(int) {}

// ---- Used by the hero select, the new game's run reset and the save/load screen ----------------------------------
int area;
int g_x, g_y;
int bg_x, bg_y;
int area3_right_limit;
int enemy_count;

// ---- Location select ----
int stage_background = -1;
void stage_entry() {}
void clear_object_pools() {}
void build_stage() {}

// ---- Story scenes: the player's block and the object pools ----------------------------------------------------
int skill_id = 99;
int skill_effect;
void spawn_sparkle() {}
void draw_skill_aura() {}
void update_sparkles() {}
EnemyRecord enemies[enemy_pool_size];
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

// ---- Shop: the goods' texts ----
const char* shop_goods_name(int, int) { return nullptr; }
const char* shop_goods_description(int, int) { return nullptr; }
