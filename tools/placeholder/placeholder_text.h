// Text for the placeholder pictures, rendered with FreeType through the platform's font layer (the fixed-pitch
// Japanese face the set-up script installs). Text is ASCII; '\n' starts a new line.
#pragma once

#include <cstdint>
#include <string>

#include "tools/placeholder/asset_writers.h"

enum class PlaceholderTextAlign { kCentre, kLeft };

// Draws the text into the box, as large as fits (at most maxHeight pixels a line, at least 7), in `colour` with a
// 1-pixel dark outline; pixels outside the raster are skipped. False when even the smallest size does not fit (then
// nothing is drawn).
bool DrawPlaceholderText(PlaceholderRaster& raster, const PlaceholderRect& box, const std::string& text,
                         const std::uint8_t colour[3], PlaceholderTextAlign align, int maxHeight = 28);
