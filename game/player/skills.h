// The hero's skills, paid with SP: activate_skill checks and pays the price and starts the skill; update_skill runs
// the active one frame by frame (heals, timed buffs, sweeping strikes with their hit boxes, the projectile spawns of
// game/player/skill_effects.h) and draws the sweeps. Hero 0's skills are 0..7, hero 1's selectable ones 8..11 and
// its move skills 12..15; skill 20 is the shot of accessory 6.
#pragma once

extern int skill_id;      // the running skill, or the one whose casting effect still shows; 99 none
extern int skill_phase;   // frames of casting delay left before the skill runs
extern int skill_active;  // 1 while a skill runs
extern int skill_pos_x;   // world position of the heal glow
extern int skill_pos_y;
extern int skill_effect;  // frames left of the casting effect
inline constexpr int skill_fade_count = 20;
extern int skill_fade[skill_fade_count];  // alphas of fading layers; skill 6's five layers use the first five

// SP price of skill `id` under the equipped accessory (1 lowers it, 10 makes 11..15 free); -1 for no such skill.
int skill_cost(int id);

// Starts skill `id` unless one runs; `phase` is the casting delay of skills 0, 1, 8, 10 and 11 (2 and 9 always wait
// 40 frames). Too little SP shows the SP caption and changes nothing else.
void activate_skill(int id, int phase);
// One frame of the active skill.
void update_skill();
