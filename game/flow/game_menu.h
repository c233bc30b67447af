// The game menu: the hero's own screen opened over stage play or the location select (stage_phase 2). Top page with
// the skill list and commands, the accessory page, the item page, the status page and hero 1's sword page.
#pragma once

extern int game_menu_page;  // 0 top, 1 accessories, 2 items, 3 status, 4 swords
extern int menu_phase;      // the page's animation and interaction phase
extern int menu_anim;       // the phase's animation counter

// One frame of the menu while game_menu_page is 0..4; other values do nothing.
void run_game_menu(int pad);
void game_menu_screen(int pad);

// The menu's texts: the table of names and descriptions.
#include "game/flow/item_texts.h"

// Carrying limits of the consumables by hero.
extern const int item_limits[2][5];

// The status page's title: hero 0 1..9 from kill_2 - kill_1; hero 1 4 x group + tier (group 0..3 by the leading
// sword counter, tier 1..4), and its text padded with blanks to stand centred.
int status_title();
const char* status_title_text();
