// The hero select (game mode 8), the run reset of a new game, a load and a continue, and the hero's idle animation
// in menu screens.
#pragma once

void hero_select_screen(int pad);
// Restarts the run at stage 1, area 1 with a fresh hero; in mode 8 (a new game) also resets the whole progress.
void init_game_state();
// One frame of the hero's idle animation at (mx, my) from frame_counter (nothing from frame 32 on); `flip` mirrors.
void draw_menu_hero(int flip);
