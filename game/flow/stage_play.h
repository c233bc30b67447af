// Stage play (game mode 1): the frame that updates and draws the whole stage scene in a fixed order, the pause into
// the game menu, and the outcomes of a stage (next area, stage clear, restart, game over, the in-stage scene).
#pragma once

#include <cstdint>

extern std::uint8_t pause_latch;  // set while PAUSE has been seen held in a pausable player state
extern int facing_left;           // 1 while the hero's facing value lies outside 0..8; written every frame
extern std::uint8_t debug_flag;   // never set by the game; draws the developer's overlay
extern int stage6_top_exit;       // stage 6: the hero left area 1 from the top screen row

void stage_play_screen(int pad);

// True once per press of PAUSE while `allowed`: the latch holds while the key stays down, and a release or a frame
// that does not allow it lets go.
bool new_pause_press(bool allowed);
// Closes the game menu back to the screen under it: page and menu cursors back to 0.
void close_game_menu();

// The stage's background with its parallax, by stage and area.
void draw_stage_background();
// The hero's screen column and row from the hero's world position (columns 0..17, rows 0..6).
void update_screen_index();
// The developer's overlay of player values.
void draw_debug_overlay();
