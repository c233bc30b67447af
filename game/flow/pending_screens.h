// STAND-INS for the screens and services of the game that are not built yet. The mode machine and the start-up call
// them under their final names; each later piece of work deletes its stand-ins from here (and only from here) when
// it lands. A stand-in draws nothing and changes no mode.
#pragma once

#include <cstdint>

// ---- Player globals: the block is built (game/player); StageId is not part of it --------------------------------
#include "game/player/player_globals.h"
#include "game/flow/hero_select.h"  // hero_select_screen
#include "game/flow/save_file.h"    // save_slot_screen, corrupt_save_screen
extern int stage;  // StageId 1..9

// ---- Dialogue box: the frame count of the running scene step (the alpha of flash kind 3) ------------------------
extern int scene_step_frames;

// ---- Screens, one frame each, given the frame's pad word --------------------------------------------------------
void stage_play_screen(int pad);      // mode 1
void fall_scene_screen(int pad);      // mode 6
void location_select_screen(int pad); // mode 10
void prologue_screen(int pad);        // mode 12
void shop_screen(int pad);            // mode 20
void cathedral_screen(int pad);       // mode 22
void event_scene_screen(int pad);     // mode 23
void boss_event_screen(int pad);      // mode 30
void first_ending_screen(int pad);    // mode 31
void second_ending_screen(int pad);   // mode 32

// ---- Used by the hero select, the new game's run reset and the save/load screen ----------------------------------
extern int area;               // AreaId 1..3
extern int g_x, g_y;           // camera scroll pair of stage play
extern int bg_x, bg_y;         // background scroll
extern int game_menu_page;
extern int area3_right_limit;  // right scroll limit of an area 3
extern int scene_initialised;  // the story scene state's initialised flag
extern int scene_step;         // the story scene's step
extern int enemy_count;        // enemy records handed out
void reset_scene_state();

// ---- Needed by the option screens, the sound room and the captions ------------------------------------------------
// Screens now built elsewhere, declared here for the mode machine.
#include "game/flow/option_screens.h"
#include "game/flow/sound_room.h"
// caption_code and caption_start are in the player's block.
// The item text table of the game menu: the name of item row `row`, or null when the row has none.
const char* menu_item_name(int row);
