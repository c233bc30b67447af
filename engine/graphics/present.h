// Showing the back screen: the present (flip in exclusive full screen, copy otherwise) with its vertical-blank wait,
// the vertical-blank wait with message passes, the present counter and the surface-to-surface copy.
#pragma once

#include <cstdint>

#include "platform/display/ddraw.h"

// Public worker of PresentBackScreen: -1 without DirectDraw, else 0. With the front screen as draw target it only
// waits for one vertical blank (in full screen only with the wait flag on; it flips otherwise).
int PresentBackScreenBody();
// Copies the back screen into the window (window mode) or the screen; also the window's repaint. -1 without
// DirectDraw.
int CopyBackScreenToFront();
// frames 0: until the next blank begins; n: n whole blanks. A message pass runs between polls and ends the wait when
// it returns nonzero (-1 when negative). -1 without DirectDraw.
int WaitVBlankPumping(int frames);
std::uint64_t GetPresentCount();
void ResetPresentFrameCounters();
// method -1: the method the device chose; 0 BltFast; 1 the plain copy standing for the GDI copy. 0 or -1.
int CopySurfaceRect(platform::dd::Surface* destination, platform::dd::Surface* source, int x, int y,
                    const platform::dd::Rect* sourceRect, int method);
