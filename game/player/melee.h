// The hero's close attacks, run once per frame of stage play: the first hero's mace swing and the second hero's two
// sword cuts, each a box in front of the hero tested against the gimmicks, the enemies and (the sword) the enemy
// projectiles.
#pragma once

#include "game/player/combat.h"

// The mace: from the swing's fourth picture on, the first solid gimmick in the box takes 40 and every enemy in it not
// yet hit by this swing takes the mace's damage.
void melee_hit_gimmicks();
// The sword, in the active frames of either cut: every solid gimmick in the box takes 500, the first breakable
// projectile is struck down, and every enemy in it not yet hit by this cut takes the sword's damage.
void melee_hit_enemies();

// The mace's damage before the critical roll: 40, or with accessory 8 more the lower the hero's health.
int mace_base_damage();
// The sword's damage before the critical roll for the cut of player state `state` (8 or 9); with accessory 11 and more
// than 10 SP it spends 10 SP.
int sword_base_damage(int state);
