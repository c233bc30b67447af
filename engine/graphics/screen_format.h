// The screen's pixel format as the colour functions see it: the display's pixel-format record and the ColorData built
// from it, the display's colour bits, the depth the game asked for, the software-rendering flag and the working
// palette of 8-bit screens. The display layer fills it at every mode change; until then it describes the 32-bit
// X8R8G8B8 hardware screen.
#pragma once

#include <cstdint>

#include "engine/graphics/color_data.h"

struct ScreenFormatState {
  DDPixelFormat pixelFormat;
  ColorData colorData;
  std::uint32_t colorBits;      // the display's bit count
  std::uint32_t requestedBits;  // the depth asked for (8, 16 or 32); 0 = not asked, read as 16
  std::uint32_t softwareRender;  // 1: the software path draws into MEMIMG screens
  std::uint8_t palette[256][4];  // working palette of 8-bit screens: red, green, blue, flags
};

extern ScreenFormatState g_ScreenFormat;

// Back to the default: 32-bit X8R8G8B8, hardware, requested bits 32, palette cleared.
void ResetScreenFormat();
// Takes a display pixel format: copies it, builds the ColorData and sets the colour bits from its bit count.
void SetScreenPixelFormat(const DDPixelFormat* pixelFormat);
// The requested depth, 16 while none was asked for.
int ScreenRequestedBits();
