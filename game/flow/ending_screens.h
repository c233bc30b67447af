// The endings of the two scenarios (game modes 31 and 32): white fades, ending pictures and text, the staff roll,
// the closing message that waits for MAIN, and the return to the title.
#pragma once

void first_ending_screen(int pad);
void second_ending_screen(int pad);

// One frame of a staff-roll group of `entries` credit cells from `base_y` of the staff sheet; true once its last
// entry has faded out (the counters are then ready for the next group).
bool staff_roll(int entries, int base_y);
