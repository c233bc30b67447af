// The event scene at the altar (game mode 23): the hero walks up, talks with the partner, kneels while the doors
// open, receives the consecration, rises and fades out into the falling stage.
#pragma once

void event_scene_screen(int pad);
