// Device-independent bitmap sections as memory bitmaps: bitmap bits (8-bit palettised or 24-bit, as GraphImageToDib
// gives them) drawn into a new top-down bitmap of a target format, plainly or mirrored left to right.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/graphics/color_data.h"
#include "engine/graphics/graph_image.h"

struct DibSection {
  BitmapInfoHeader header;  // top-down (negative height); compression 3 carries the masks below
  std::uint32_t masks[3];   // red, green, blue for compression 3
  int pitch;                // row bytes, a multiple of 4
  ColorData format;
  std::vector<std::uint8_t> bits;
};

// The section's format: a 16-bit target, or one above 24 bits while the source is not 24-bit, gives bit fields with
// the target's masks and bit count; otherwise the target's bit count, a 32-bit target being replaced by RGB 24 (the
// caller's record changes); without a target 24 bits. Null for a header or bits it cannot read.
DibSection* CreateDibSectionFromBits(const BitmapInfo256* header, const void* bits, int mirror, ColorData* target);
void DeleteDibSection(DibSection* section);
