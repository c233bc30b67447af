// STAND-INS: see pending_screens.h. Each is replaced by the real screen or service when it is built.
#include "game/flow/pending_screens.h"

// ---- Story scenes: the player's block and the object pools ----------------------------------------------------
int hazard_count;

// ---- Stage play: the hero, its attacks and effects, the enemies ----
