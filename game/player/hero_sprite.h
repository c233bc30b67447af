// The hero's sprite in stage play: one cell of the hero's sheets (for hero 1 often with a sword cell over it) chosen
// from the posture flags, the state and the counters. Drawing also carries game logic: it writes the melee frame
// number, counts the death pose, plays the sounds and spawns the effects of some poses, runs the tea idle's end, and
// starts the death once a hit leaves no HP.
#pragma once

#include <cstdint>

#include "game/player/player_globals.h"

// 1..7 while hero 0's melee runs, written by the drawing; the melee hits strike only from 4 on. It is the player's
// attack timer, which every player update (and a hit on the hero) clears, so the swing strikes only in frames that
// drew it.
inline constexpr auto& melee_frame = player_globals.attack_timer;
// The tea idle's second sprite: its alpha and its x offset from the hero.
inline constexpr auto& tea_overlay_alpha = player_globals.draw_counters[0];
inline constexpr auto& tea_overlay_offset = player_globals.draw_counters[1];

void draw_hero_sprite();
