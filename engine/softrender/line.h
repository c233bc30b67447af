// Lines and box outlines in one colour under the draw state's blend mode, parameter and brightness (the
// constant-colour operations of FillMemImgRect), clipped by the draw area.
//
// A line runs from its start point towards its end point; the end point itself is not drawn. Pixel k (k = 0 .. n-1,
// n = the larger of |dx| and |dy|) lies k steps along the major axis from the start and floor(k * minor / major)
// steps along the minor one. The endpoints are clipped with the line equation in doubles (truncated toward zero),
// then clamped so that the start lies inside the draw area and the end at most one pixel outside it.
#pragma once

#include <cstdint>

#include "engine/graphics/memimg.h"

// One line of a line list: the parameter holds the blend parameter when the record was made and is not read.
struct LineRecord {
  std::int32_t x1, y1, x2, y2;
  std::uint32_t colour;
  std::int32_t param;
};

void DrawMemImgLine(MEMIMG* dest, int x1, int y1, int x2, int y2, std::uint32_t colour);
// Records 0 .. n-1 in order; n <= 0 draws nothing.
void DrawMemImgLines(MEMIMG* dest, const LineRecord* records, int n);

// 0 after drawing or finding nothing to draw; -1 without a DirectDraw object or when the lock finds nothing to draw.
int DrawLineSoft(int x1, int y1, int x2, int y2, std::uint32_t colour);
// The outline of the box x1 .. x2-1, y1 .. y2-1 as four lines that each leave out their end point, so every corner
// is written once. The result of DrawLineSet.
int DrawBoxFrameSoft(int x1, int y1, int x2, int y2, std::uint32_t colour);
