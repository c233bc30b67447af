// Copies of the draw screen into graphics: a rectangle into an existing graphic, and the whole back screen into a
// new graphic (the window keeps the game's picture that way while it shows its kept image).
#pragma once

// Waits while the application is inactive, ends an open Direct3D scene and copies the rectangle of the draw screen
// into the graphic (its size must be the rectangle's): a texture graphic through the Direct3D side (windowFront: the
// window's front screen as the source), a 2D graphic by the 2D copy. -1 for an invalid handle or a refused rectangle.
int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int handle, int windowFront);
// A new screen-sized graphic holding the current draw screen; -1 when it cannot be made.
int CopyBackScreenToNewGraph();
