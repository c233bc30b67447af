// Image transfers between software images: unscaled (per-pixel and run-coded paths) and stretched.
//
// Both draw under g_GraphDrawState (draw area, blend mode and parameter, brightness) with the transparent flag and
// an optional blend graphic (read as one byte per pixel, aligned with the source image). They report nothing: a
// refused or empty draw leaves the destination untouched. Refused: a null or pixel-less image; a source whose format
// kind differs from the destination's or is neither 16-bit nor 32-bit; a destination with a palette or alpha; blend
// modes outside 0..4; P = 0 in modes 1 to 3; a blend graphic smaller than the part of the source it must cover.
// Drawing is clipped by the draw area and, for safety, by the destination's own size. A destination drawn into
// loses its run table's validity.
#pragma once

#include "engine/graphics/memimg.h"

// Draws the whole source with its top-left corner at (x, y). With the transparent flag exactly 1, a valid source run
// table and nothing clipped away, the run-coded path draws; otherwise the per-pixel path.
void DrawMemImg(MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent, const MEMIMG* blendGraph);

// Draws the whole source stretched (nearest neighbour) into rect = {x1, y1, x2, y2}, right and bottom exclusive;
// x1 > x2 mirrors left to right, y1 > y2 upside down. Destination column j (counted from the unclipped edge) shows
// source column floor(j * 65536 / step), step = (width * 65536) / source width, on every loop; clipping keeps that
// mapping. Exactly the source's size without mirroring draws through DrawMemImg. Rectangles of 65536 pixels or more
// per side, or a source more than 65536 times larger than the rectangle, are refused.
void DrawMemImgStretched(MEMIMG* dest, const MEMIMG* src, const int* rect, int transparent, const MEMIMG* blendGraph);

// The area a draw into `dest` may touch: the draw area clipped to the image. Shared by the software blitters.
RECT SoftRenderClipArea(const MEMIMG* dest);
