// STAND-INS for the screens and services of the game that are not built yet. The mode machine and the start-up call
// them under their final names; each later piece of work deletes its stand-ins from here (and only from here) when
// it lands. A stand-in draws nothing and changes no mode.
#pragma once

#include <cstdint>

// ---- Player globals (the player's block) ----------------------------------------------------------------------
extern int hero;   // HeroId: 0 first hero, 1 second hero
extern int stage;  // StageId 1..9

// ---- Dialogue box: the frame count of the running scene step (the alpha of flash kind 3) ------------------------
extern int scene_step_frames;

// ---- Screens, one frame each, given the frame's pad word --------------------------------------------------------
void stage_play_screen(int pad);      // mode 1
void fall_scene_screen(int pad);      // mode 6
void hero_select_screen(int pad);     // mode 8
void location_select_screen(int pad); // mode 10
void prologue_screen(int pad);        // mode 12
void save_slot_screen(int pad);       // modes 15 and 16
void shop_screen(int pad);            // mode 20
void cathedral_screen(int pad);       // mode 22
void event_scene_screen(int pad);     // mode 23
void boss_event_screen(int pad);      // mode 30
void first_ending_screen(int pad);    // mode 31
void second_ending_screen(int pad);   // mode 32
void corrupt_save_screen(int pad);    // mode 94

// ---- Needed by the option screens, the sound room and the captions ------------------------------------------------
// Screens now built elsewhere, declared here for the mode machine.
#include "game/flow/option_screens.h"
#include "game/flow/sound_room.h"
// The caption raised by any code (the player's block): the code (0 none) and its start time in milliseconds.
extern int caption_code;
extern int caption_start;
// The item text table of the game menu: the name of item row `row`, or null when the row has none.
const char* menu_item_name(int row);

// ---- Services ---------------------------------------------------------------------------------------------------
void clear_screen_counters();  // the player's screen counters
