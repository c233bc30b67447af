// Contact between the player and the enemies and hazards, the respawning of defeated enemies, the hit flash and the
// boss gauge.
#pragma once

#include "game/enemy/enemy_common.h"

// The player's contact box in screen pixels: against enemies (larger in the falling stage) and against hazards.
enemy_detail::ScreenBox enemy_contact_box();
enemy_detail::ScreenBox hazard_contact_box();

// Tests the player against enemy record `index`: hurts the player, or collects a coin or item.
void check_enemy_contact(int index);
// Brings every defeated enemy whose home is more than 600 pixels from the player back to life at its home.
void respawn_far_enemies();
// Tints the following draws while record `index` shows its hit flash, and advances the flash.
void apply_hit_flash(int index);
// The vertical HP gauge of a boss record, at a fixed place on the screen.
void draw_boss_gauge(int index);

// The steps of a hit that enemies and hazards share. guard_takes_hit: when the one-hit guard is up it takes the
// hit (the guard goes, the player is briefly invulnerable) and returns true. damage_player: lowers the player's HP
// by `damage` under the accessory and sword rules, marks the player hurt and handles the armour buff.
bool guard_takes_hit();
void damage_player(int damage);
