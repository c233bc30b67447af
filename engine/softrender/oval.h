// Ovals and circles with their axes along the rows and columns, filled or as a one-pixel outline, in one colour under
// the draw state's blend mode, parameter and brightness (the constant-colour operations of FillMemImgRect), clipped
// by the draw area.
//
// The oval is walked over one quadrant from (a, 0) to X = 0 with integer decision values and a rate accumulator that
// slows the coordinate along the smaller radius; the other quadrants are its mirror images. A filled oval is drawn as
// one run per row, at the widest X that reaches the row, and row marks keep a row from being drawn twice; an outline
// plots the positions where the walk moved. Every pixel is blended once.
#pragma once

#include <cstdint>

#include "engine/graphics/memimg.h"

// Radii above kOvalMaxRadius draw nothing (their squares would leave 32 bits); every oval up to it is drawn, however
// flat.
inline constexpr std::int32_t kOvalMaxRadius = 46340;

// Negative radii are taken as their absolute values; a zero radius draws nothing.
void DrawMemImgOval(MEMIMG* dest, int x, int y, int rx, int ry, std::uint32_t colour, int fill);

// 0 when carried out (also for a zero radius); -1 without a DirectDraw object or when the lock finds nothing to draw.
int DrawOvalSoft(int x, int y, int rx, int ry, std::uint32_t colour, int fill);
