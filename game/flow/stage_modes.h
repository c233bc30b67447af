// The modes between two stretches of stage play: the next area (2), the restart after a death (3) and the game over
// with its choice of continuing from the automatic save or going to the title (4).
#pragma once

void next_area_mode();
void restart_mode();
void game_over_screen(int pad);
