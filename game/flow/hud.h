// The hero's status in the top-left corner of stage play: the HP and SP gauges with the red trail of HP just lost,
// the attack-form or weapon icon, the selected skill's icon and the buff marks.
#pragma once

void draw_hud();
