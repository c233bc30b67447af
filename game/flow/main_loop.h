// The game's entry: engine configuration and start-up, the settings file, resource loading, then one loop pass per
// frame (clear, input, the mode's screen, the full-screen flash, present, 17 ms pacing, messages) until Escape, the
// title's quit entry or a quit from message processing.
#pragma once

#include <cstdint>

extern int frame_start_ms;           // millisecond count at the start of the current frame
extern std::uint16_t flash_request;  // full-screen flash kind 1..4 requested this frame; cleared after drawing

// Runs the whole game; -1 when the engine cannot start, else 0.
int game_main();

// Draws the flash of flash_request over the frame (kinds 1..4; anything else draws nothing).
void draw_flash();

// Called at the start of every loop pass, before the Escape test; for headless runs that feed scripted input.
void set_frame_start_hook(void (*hook)());
