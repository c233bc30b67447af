// The palette of 8-bit screens: the working entries, the display palette made from them and set on the screen
// surfaces, and the conversions the draw lock uses on an 8-bit screen (indices to 32-bit colours and back through
// the nearest palette colour).
#pragma once

#include <cstdint>

#include "platform/display/ddraw.h"

// Only when no palette exists and the screen is 8-bit: fills the entries from the default palette, makes the
// display palette (failure ends the program) and sets it on the primary and the back surfaces. Returns 0.
int CreateScreenPalette();
// Device rebuild (requested bits 8): makes the palette again and keeps the entries it had.
int RefreshScreenPalette();
void ReleaseScreenPalette();
platform::dd::Palette* GetScreenPalette();
// The default palette: black first, white last (3 bits red, 3 green, 2 blue by index bits).
const platform::dd::PaletteEntry* DefaultPaletteEntries();

// 8-bit screen pixels to 0x00RRGGBB through the working palette, and back to the nearest palette index.
std::uint32_t PaletteIndexToRgb(std::uint8_t index);
std::uint8_t RgbToPaletteIndex(std::uint32_t rgb);
