// Filled rectangles, and the constant-colour operations that fills, lines and ovals share.
//
// Per pixel, c being the colour after brightness (each component * brightness byte >> 8 when the brightness is not
// 0xFFFFFF) and d the destination component:
//   mode 0 (and 1 at P = 255): store c (32-bit: all 32 bits; 16-bit: the low 16 bits);
//   mode 1: 32-bit (256 d + (c - d) P) >> 8 (floor); 16-bit d + BlendDeltaTable[P][c - d];
//   modes 2, 3: S = Scale[P][c] per component, then min(d + S, max) or max(d - S, 0);
//   mode 4: d * c >> bits (8 for 32-bit components, 5/6/5 for 16-bit fields).
// Blends keep a 32-bit destination's X byte. Modes outside 0..4 and P = 0 in modes 1 to 3 draw nothing.
#pragma once

#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"

// One call's constant-colour operation, settled once; lines and ovals run it over their spans.
struct FillSpan {
  int format;   // kFormat16 or kFormat32
  int mode;     // 0..4 (1 at P = 255 is 0)
  int param;    // P
  std::uint32_t colour;  // after brightness
  std::uint32_t scaled;  // S of modes 2 and 3 (fourth byte 0)
};

// Returns 0, or -1 when the state draws nothing (mode outside 0..4, P = 0 in modes 1 to 3, format not 16/32-bit).
int PrepareFillSpan(FillSpan* span, int format, const GraphDrawState& state, std::uint32_t colour);
// Applies the operation to n consecutive pixels at dst.
void RunFillSpan(const FillSpan& span, std::uint8_t* dst, int n);

// Fills rect (null: the whole image; corners in any order) clipped by the draw area under the draw state. Nothing
// for a palette or alpha destination, a format other than 16/32-bit, or an empty clip.
void FillMemImgRect(MEMIMG* dest, const RECT* rect, std::uint32_t colour);
