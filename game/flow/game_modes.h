// The game-mode machine: one screen per frame chosen by game_mode, the shared screen globals, and the modes the
// machine handles itself (title, first frame, sound loading, resources missing).
#pragma once

#include <cstdint>

enum GameModeNumber : int {
  mode_title = 0,
  mode_stage_play = 1,
  mode_next_area = 2,
  mode_restart = 3,
  mode_game_over = 4,
  mode_fall_scene = 6,
  mode_hero_select = 8,
  mode_location_select = 10,
  mode_prologue = 12,
  mode_save = 15,
  mode_load = 16,
  mode_shop = 20,
  mode_cathedral = 22,
  mode_event_scene = 23,
  mode_boss_event = 30,
  mode_first_ending = 31,
  mode_second_ending = 32,
  mode_first_frame = 60,
  mode_sound_loading = 61,
  mode_sound_options = 90,
  mode_button_assignment = 91,
  mode_input_test = 92,
  mode_sound_room = 93,
  mode_corrupt_save = 94,
  mode_resources_missing = 96,
  mode_logo = 99,
};

extern int game_mode;

// Screen globals shared by the menu and story screens; each screen resets the ones it uses when it is entered.
extern int screen_phase;
extern std::uint8_t key_latch;
extern int frame_counter;
extern int fade_counter;
extern int glow_counter;
extern int phase_counter;
extern int menu_counter_a;
extern int menu_counter_b;
extern int menu_counter_c;
extern int screen_cursor[7];
extern int scene_timer;
extern int screen_pic_a;
extern int screen_pic_b;
extern int screen_pic_c;
extern int stage_phase;  // 1 play, 2 game menu open

// Values of the main loop that live across frames.
extern int title_cursor;  // 0..4
extern int title_fade;    // 0..252
extern int exit_fade;
extern bool quit_requested;  // set by the title's quit entry; the loop ends before the next frame

// Runs the screen of game_mode for one frame with the frame's pad word; other values run nothing.
void run_game_mode(int pad);

void title_screen(int pad);
void first_frame_mode();
void sound_loading_mode();
void resources_missing_screen();

// Draws a pulsing highlight: the part drawn k times additively (k rising 0..20 and falling over 40 frames of
// `counter`), then steps the counter.
void draw_pulsing_part(int& counter, int x, int y, int src_x, int src_y, int width, int height, int handle);
