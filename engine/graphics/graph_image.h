// The decoded image in memory and the operations on it: release, left-right mirror, pixel read-back, conversion to a
// device-independent bitmap, and the table of image slots.
#pragma once

#include <cstdint>

#include "engine/graphics/color_data.h"

// Pixels rows top first, owned by the record (MemAlloc).
struct GraphImage {
  ColorData colorData;
  int width;
  int height;
  int pitch;
  void* pixels;
};

// Frees the pixels and clears the record. Returns 0.
int ReleaseGraphImage(GraphImage* image);
// Reverses every row in place for 1 to 4 bytes per pixel. -1 when width or height is 0.
int MirrorGraphImage(GraphImage* image);
// The pixel as 0xAARRGGBB (alpha only when the format has one; 8-bit images give their palette colour); 0 when the
// image has no pixels or the position lies outside it.
std::uint32_t GetImagePixelColor(const GraphImage* image, int x, int y);

// The 40-byte bitmap information header of a device-independent bitmap, followed by room for 256 colours.
struct BitmapInfoHeader {
  std::uint32_t size;
  std::int32_t width;
  std::int32_t height;  // negative: rows top first
  std::uint16_t planes;
  std::uint16_t bitCount;
  std::uint32_t compression;
  std::uint32_t sizeImage;
  std::int32_t xPelsPerMeter;
  std::int32_t yPelsPerMeter;
  std::uint32_t colorsUsed;
  std::uint32_t colorsImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct BitmapInfo256 {
  BitmapInfoHeader header;
  std::uint8_t colors[256][4];  // blue, green, red, 0
};

// Fills header and bits with the image as an 8-bit (palettised, unless noPalette) or 24-bit top-down bitmap.
// Returns 0 when bits are the image's own pixels, 1 when a new buffer (MemAlloc, the caller frees it) was made,
// -1 on failure.
int GraphImageToDib(const GraphImage* image, BitmapInfo256* header, void** bits, int forceCopy, int noPalette);

// Image slots (handle family 0x40000000): nothing creates one; they are checked and deleted.
inline constexpr int kMaxImageSlots = 512;
inline constexpr int kImageSlotHandleType = 0x40000000;
struct ImageSlot {
  std::uint32_t id;
  void* data;
  std::uint32_t reserved[3];
  std::uint32_t inUse;
  std::uint32_t extra;
};
extern ImageSlot g_ImageSlots[kMaxImageSlots];
int DeleteImageSlot(int handle);
int DeleteAllImageSlots();
