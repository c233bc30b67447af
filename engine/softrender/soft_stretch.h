// The software side of the graphics layer's stretched draw: picks the source tile, the destination and the lock,
// and leaves the pixels to DrawMemImgStretched.
#pragma once

#include <cstdint>

#include "engine/softrender/graphics_glue.h"

// x1, y1, x2, y2: four 32-bit words, ints when intCoords is 1, else the bits of floats (truncated toward zero). The
// pair order carries mirroring (x1 > x2 mirrors left to right, y1 > y2 upside down). tileHandle -1 takes the
// graphic's first tile at the graphic's size, any other handle that tile at its own size. 0 when drawn, -1 when
// refused, or DrawGraph2D's result for an unscaled, unmirrored rectangle outside software mode.
int DrawStretchGraphSoft(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const GraphData* graph,
                         int transparent, int intCoords, int tileHandle);
