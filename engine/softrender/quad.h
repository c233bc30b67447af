// Quadrilaterals: a source image deformed onto four corner points as two textured triangles, and the four-corner
// draw of a graphic.
//
// Corners come in row order: top-left, top-right, bottom-left, bottom-right (where each source corner lands). The
// triangles are (top-left, top-right, bottom-left) and (top-right, bottom-left, bottom-right), drawn in that order as
// one shape: the second leaves out the pixels the first drew, so their shared diagonal is blended once.
#pragma once

#include <cstdint>

#include "engine/graphics/memimg.h"
#include "engine/softrender/graphics_glue.h"

// corners: 8 ints, x and y of the four corners in row order. Nothing is drawn when the corners' box, widened by 2
// on the top and left and 4 on the bottom and right, misses the draw area.
void DrawMemImgQuad(MEMIMG* dest, const MEMIMG* src, const std::int32_t* corners, int transparent,
                    const MEMIMG* blendGraph);

// The graphic's first tile onto four float corners (row order; truncated toward zero). Always 0.
int DrawFourCornerGraphSoftF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                             const GraphData* graph, int transparent);
// The same with int corners. Always 0.
int DrawFourCornerGraphSoft(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphData* graph,
                            int transparent);
// One triangle of the graphic's first tile (vertex block as DrawMemImgTriangle's); `last` goes to it unchanged.
// 0, or -1 without a DirectDraw object, without a valid tile, or when the lock finds nothing to draw.
int DrawFourCornerTriangleSoft(const std::int32_t* vertices, const GraphData* graph, int transparent, int last);
