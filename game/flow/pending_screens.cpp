// STAND-INS: see pending_screens.h. Each is replaced by the real screen or service when it is built.
#include "game/flow/pending_screens.h"

// ---- Story scenes: the player's block and the object pools ----------------------------------------------------
int skill_id = 99;
int skill_effect;
void spawn_sparkle() {}
void draw_skill_aura() {}
void update_sparkles() {}
int hazard_count;

// ---- Stage play: the hero, its attacks and effects, the enemies ----
void activate_skill(int, int) {}
int skill_phase;
int skill_active;
void draw_skill_effect() {}
void update_skill() {}
void update_skill_shots_a() {}
void update_skill_shots_b() {}
void update_skill_shots_c() {}
void update_skill_shots_d() {}
