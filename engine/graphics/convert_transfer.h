// The one pixel converter between any two ColorData formats: a rectangle from one buffer into another, with an
// optional alpha plane, transparent colour to alpha, key skipping, left-right mirror and dithering. Works on caller
// memory only.
#pragma once

#include <cstdint>

#include "engine/graphics/color_data.h"

// A rectangle of pixels: right and bottom exclusive.
struct ImageRect {
  int left;
  int top;
  int right;
  int bottom;
};

// Returns 0, or -1 when nothing was done (an empty rectangle, an 8-bit destination from a deeper source); the 8-bit
// to 8-bit copy returns the largest byte value copied.
int ConvertTransferRect(void* destPixels, int destPitch, const ColorData* destFormat, const void* srcPixels,
                        int srcPitch, const ColorData* srcFormat, const void* alphaPixels, int alphaPitch,
                        const ColorData* alphaFormat, int destX, int destY, const ImageRect* srcRect, int reverse,
                        int keyToAlpha, std::uint32_t key, int ditherMode, int black, int alphaFromRed, int skipKey);

// ORs value into the unused bits (those of no channel) of every pixel of the rectangle. Returns 0.
int FillUnusedBitsRect(const ImageRect* rect, void* pixels, int pitch, const ColorData* format, std::uint32_t value);
