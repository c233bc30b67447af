// Pixel formats: the engine's description of a packed RGB(A) pixel layout with an optional 256-entry palette.
#pragma once

#include <cstdint>

struct ColorData {
  std::uint16_t bitsPerPixel;
  std::uint16_t bytesPerPixel;
  std::uint8_t widthR, widthG, widthB, widthA;
  std::uint8_t shiftR, shiftG, shiftB, shiftA;
  std::uint32_t maskR, maskG, maskB, maskA;
  std::uint32_t unusedMask;  // bits of the pixel that belong to no channel (set to 1 in every packed value)
  std::uint8_t palette[256][4];  // blue, green, red, 0
  std::uint8_t unusedShift;
  std::uint8_t unusedWidth;
};

// The 32-byte pixel-format record of the display layer (size, flags, FourCC, bit count, R, G, B, A masks).
struct DDPixelFormat {
  std::uint32_t size;
  std::uint32_t flags;
  std::uint32_t fourCC;
  std::uint32_t rgbBitCount;
  std::uint32_t maskR, maskG, maskB, maskA;
};
static_assert(sizeof(DDPixelFormat) == 32);

inline constexpr std::uint32_t kDDPF_ALPHAPIXELS = 0x1;
inline constexpr std::uint32_t kDDPF_FOURCC = 0x4;
inline constexpr std::uint32_t kDDPF_RGB = 0x40;

// Format kinds of the software image: 0 R5G6B5, 1 X8R8G8B8, 2 8-bit single channel, 3 16-bit depth.
enum MemImgFormatKind { kFormat16 = 0, kFormat32 = 1, kFormat8 = 2, kFormatDepth16 = 3 };

int CreateColorData(ColorData* record, int bits, std::uint32_t maskR, std::uint32_t maskG, std::uint32_t maskB,
                    std::uint32_t maskA);
int CreateColorDataFromPixelFormat(const DDPixelFormat* pixelFormat, ColorData* record);
int CreatePixelFormat(DDPixelFormat* record, int bits, std::uint32_t maskR, std::uint32_t maskG, std::uint32_t maskB,
                      std::uint32_t maskA);
void UpdateUnusedBitsMask(ColorData* record);
int IsSameColorFormat(const ColorData* a, const ColorData* b);
std::uint32_t MakePixelValue(const ColorData* record, int r, int g, int b, int a);
std::uint32_t ConvertPixelValue(const ColorData* destination, const ColorData* source, std::uint32_t value);

// The shared standard formats (built on first request, kept for the process); null for kinds above 3.
const ColorData* GetStandardColorData(int kind, int alpha, int palette);
// The same keys as a pixel-format record; null for kinds above 3.
const DDPixelFormat* GetStandardPixelFormat(int kind, int alpha, int palette);

// Colour value of r, g, b (0..255) in the screen's format (worker of MakeColorValue), and back.
int MakeColorValueBody(int r, int g, int b);
int ColorValueToRGB(int value, int* r, int* g, int* b);

// Fixed formats the image decoders produce.
void SetupPalette8ColorData(ColorData* record);
void SetupRGB24ColorData(ColorData* record);
void SetupGray8ColorData(ColorData* record);
