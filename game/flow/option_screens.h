// The option screens: sound options (game mode 90: music and sound-effect volume, the way to the button
// assignment, back to the title), the button assignment (mode 91: edits a working copy of the pad-button map and
// saves it) and the input test (mode 92: names of the held actions). They draw over the three screen pictures the
// title loaded.
#pragma once

// The game's 0..100 volume setting on the engine's 0..255 scale (100 is full volume).
int engine_volume(int setting);
// Applies se_volume to every loaded sound effect.
void apply_se_volume();

// White in the screen's colour format, stored once before main by run_colour_initializer; nothing reads it.
extern int white_colour;
void init_white_colour();
void run_colour_initializer();

void sound_options_screen(int pad);  // mode 90
void button_config_screen(int pad);  // mode 91
void input_test_screen(int pad);     // mode 92
