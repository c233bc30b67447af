// The start-up logo (game mode 99) and play_bgm, through which every music start applies the music volume.
#pragma once

void logo_screen(int pad);
// Plays a music file (play type 3 loops) and applies bgm_volume (0..100, passed unchanged).
void play_bgm(const char* path, int play_type);
