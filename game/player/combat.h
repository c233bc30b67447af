// Damage rules shared by every attack of the hero: shots, melee and skills.
#pragma once

// Damage `amount` to gimmick `index` of the gimmick pool when it is breakable.
void damage_gimmick(int index, int amount);
// What an enemy of `kind` killed at world (x, y) leaves behind: a table roll and an extra recovery roll.
void drop_loot(int kind, int x, int y);
