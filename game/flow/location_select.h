// The location select (game mode 10): the hub between stages, with the six places, the stage list, the automatic
// save written before a stage is built, and the game menu opened over it.
#pragma once

void location_select_screen(int pad);

// Stages offered in the stage list for the current hero and stage flags: 5, 6 or 7 entries.
int offered_stage_entries();
