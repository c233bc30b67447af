// The affine-textured triangle: a triangle of a source image mapped onto a triangle of a destination image under
// the draw state (blend mode and parameter, brightness, draw area), with an optional transparent test, the source's
// alpha and an optional blend graphic.
//
// Coverage: vertices are whole pixels; positions are carried in 14.18 fixed point with half a pixel added to x and y
// (not to u and v). Rows run from the top vertex's row to one above the bottom vertex's; each row covers the columns
// whole(left edge) to whole(right edge), both included, where whole() rounds down (so negative positions never map
// two rows or columns onto one). A covered pixel is drawn when its texel lies inside the source; texels outside are
// skipped, never clamped or wrapped. Positions are kept in 64-bit arithmetic.
#pragma once

#include <cstdint>

#include "engine/graphics/memimg.h"

// Vertices, coordinates and gradients beyond these are refused (nothing drawn).
inline constexpr std::int32_t kTriangleMaxCoord = 1 << 24;

// vertices: 12 ints, three times x, y (destination pixel), u, v (source texel). `reserved` is not read.
// Draws nothing when the formats differ, the destination has a palette or alpha, the triangle is degenerate, a
// coordinate lies beyond kTriangleMaxCoord, or the draw state draws nothing (mode above 4, P = 0 in modes 1 to 3).
void DrawMemImgTriangle(MEMIMG* dest, const MEMIMG* src, const std::int32_t* vertices, int transparent,
                        const MEMIMG* blendGraph, int reserved);

// Two triangles drawn as one shape: the first as DrawMemImgTriangle draws it, the second without the pixels the
// first one drew (pixels of the first's rows whose texel lies inside the source), so that an edge the two share is
// blended once.
void DrawMemImgTrianglePair(MEMIMG* dest, const MEMIMG* src, const std::int32_t* first, const std::int32_t* second,
                            int transparent, const MEMIMG* blendGraph);
