// The game's parts in one include: the screens, the stage, the hero, the enemies and the pools that the mode machine,
// the start-up and the screens call on one another.
#pragma once

#include <cstdint>

// ---- Player globals: the block is built (game/player); StageId is not part of it --------------------------------
#include "game/player/player_globals.h"
#include "game/flow/hero_select.h"  // hero_select_screen
#include "game/flow/save_file.h"    // save_slot_screen, corrupt_save_screen
#include "game/stage/stage_state.h"  // stage, area, g_x, g_y, bg_x, bg_y, the exit line

// ---- Screens, one frame each, given the frame's pad word --------------------------------------------------------
#include "game/flow/stage_play.h"  // stage_play_screen, mode 1
#include "game/stage/fall_stage.h"  // fall_scene_screen, mode 6
#include "game/flow/location_select.h"  // mode 10

// ---- Used by the hero select, the new game's run reset and the save/load screen ----------------------------------
#include "game/flow/game_menu.h"  // game_menu_page, menu_item_name, run_game_menu

// ---- Needed by the option screens, the sound room and the captions ------------------------------------------------
#include "game/flow/captions.h"
#include "game/flow/option_screens.h"
#include "game/flow/sound_room.h"

// ---- Location select: stage building and the stage tile sheet it loads into ---------------------------------------
#include "game/stage/gimmicks.h"     // stage_background
#include "game/stage/stage_build.h"  // stage_entry, clear_object_pools, build_stage

// ---- Story scenes (dialogue, director, prologue, endings): the blocks they use --------------------------------------
// The player's block and the skills (skill_id, skill_effect, the sparkles and the aura).
#include "game/player/skill_effects.h"
#include "game/player/skills.h"
// Enemies and hazards (built in game/enemy). `enemies` is the pool under the name the stage builder uses.
#include "game/enemy/enemy_pool.h"
#include "game/enemy/hazard_pool.h"
inline constexpr auto& enemies = enemy_pool;
// Effects, particles and pickups.
#include "game/player/pickups.h"  // pickups, pickup_count, spawn_pickup, update_pickups
#include "game/enemy/placement_lists.h"  // place_enemies_stage1 .. 6
#include "game/player/effects.h"          // spawn_effect, update_effects
#include "game/player/combat.h"  // damage_gimmick, drop_loot

// ---- Stage play: the hero's attacks, skills and shots, the enemies (called by the stage-play frame) -----------------
#include "game/player/shots.h"  // light shots, main shot and trail
#include "game/player/hero_sprite.h"    // draw_hero_sprite
#include "game/player/particles.h"      // particles, particle groups, hit sparks
#include "game/player/player_update.h"  // update_player
#include "game/player/melee.h"  // melee_hit_gimmicks, melee_hit_enemies
#include "game/enemy/enemy_contact.h"  // respawn_far_enemies
#include "game/enemy/enemy_frame.h"    // update_enemies

// ---- Shop ---------------------------------------------------------------------------------------------------------
#include "game/flow/shop_screen.h"  // shop_screen, cathedral_screen
