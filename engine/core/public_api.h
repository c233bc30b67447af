// The engine's public functions: the only way the game reaches the engine. Each one takes the API lock, calls its
// worker with the arguments unchanged, releases the lock and returns the worker's result.
#pragma once

int SetLogFileOutput(int on);
int GetRandomUpTo(int n);

// Input: 1 while the key (DirectInput key code) is held; the pad word of a pad (1-based, plus 0x1000 to fold in the
// keyboard).
int IsKeyDown(int code);
int GetPadInputBits(int request);
