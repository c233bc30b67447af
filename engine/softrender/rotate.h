// Rotated and scaled drawing: a source image turned by an angle and scaled about a destination point, drawn
// backwards (each destination pixel of a box around the turned image takes the nearest source texel, or is left
// alone when its texel lies outside the source), and the software side of the graphics layer's rotated draw.
//
// Geometry: sine and cosine in 14.18 fixed point (FloatToInt(sin * 262144)), the four corners of the turned image,
// a box from the smallest corner minus 2 to the largest plus 4 clipped by the draw area, and per-pixel texel
// coordinates that step by (du, dv) along a row and by a left-edge step from row to row. A mirrored draw goes through
// DrawMemImgQuad. Texel coordinates are kept in 64-bit arithmetic; scale 0 or not finite, an image whose half size
// leaves the 14.18 range (8192 pixels), or a box whose texel coordinates leave the 32-bit range draws nothing.
#pragma once

#include <cstdint>

#include "engine/graphics/memimg.h"
#include "engine/softrender/graphics_glue.h"

// (x, y) is the destination pixel onto which source point (Width >> 1, Height >> 1) falls; angle in radians
// (clockwise on screen), scale 1.0 = natural size; mirror nonzero mirrors left to right.
void DrawMemImgRotated(MEMIMG* dest, const MEMIMG* src, int x, int y, float angle, float scale, int transparent,
                       int mirror, const MEMIMG* blendGraph);

// The graphic's first tile turned about (x, y). 0 after handing the draw on, -1 without a DirectDraw object, without
// a valid tile, or when the lock finds nothing to draw.
int DrawRotatedGraphSoft(float x, float y, double scale, double angle, const GraphData* graph, int transparent,
                         int mirror);
