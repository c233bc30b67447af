// The enemy frame loop: once per frame of stage play every handed-out enemy record is moved, animated, drawn and
// tested against the player by the handler of its kind.
#pragma once

void update_enemies();
