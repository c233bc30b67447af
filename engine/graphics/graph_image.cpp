#include "engine/graphics/graph_image.h"

#include <cstring>

#include "engine/core/mem_alloc.h"
#include "engine/graphics/convert_transfer.h"

ImageSlot g_ImageSlots[kMaxImageSlots];

int ReleaseGraphImage(GraphImage* image) {
  if (image->pixels != nullptr) MemFree(image->pixels);
  std::memset(image, 0, sizeof(*image));
  return 0;
}

int MirrorGraphImage(GraphImage* image) {
  if (image->width == 0 || image->height == 0) return -1;
  const int bytes = image->colorData.bytesPerPixel;
  if (bytes < 1 || bytes > 4 || image->pixels == nullptr) return 0;
  auto* base = static_cast<std::uint8_t*>(image->pixels);
  for (int y = 0; y < image->height; ++y) {
    std::uint8_t* left = base + static_cast<std::ptrdiff_t>(y) * image->pitch;
    std::uint8_t* right = left + static_cast<std::ptrdiff_t>(image->width - 1) * bytes;
    for (; left < right; left += bytes, right -= bytes) {
      std::uint8_t t[4];
      std::memcpy(t, left, static_cast<size_t>(bytes));
      std::memcpy(left, right, static_cast<size_t>(bytes));
      std::memcpy(right, t, static_cast<size_t>(bytes));
    }
  }
  return 0;
}

std::uint32_t GetImagePixelColor(const GraphImage* image, int x, int y) {
  if (image->pixels == nullptr || x < 0 || y < 0 || x >= image->width || y >= image->height) return 0;
  const ColorData& c = image->colorData;
  const auto* p = static_cast<const std::uint8_t*>(image->pixels) + static_cast<std::ptrdiff_t>(y) * image->pitch +
                  static_cast<std::ptrdiff_t>(x) * c.bytesPerPixel;
  std::uint32_t v = 0;
  switch (c.bytesPerPixel) {
    case 1: {
      const std::uint8_t* e = c.palette[p[0]];
      return static_cast<std::uint32_t>(e[2]) << 16 | static_cast<std::uint32_t>(e[1]) << 8 | e[0];
    }
    case 2:
      v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
      break;
    case 3:
      v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]) << 16;
      break;
    case 4:
      std::memcpy(&v, p, 4);
      break;
    default:
      return 0;
  }
  auto channel = [v](std::uint32_t mask, int shift, int width) -> std::uint32_t {
    if (width == 0) return 0;
    const std::uint32_t value = (v & mask) >> shift;
    return (width <= 8 ? value << (8 - width) : value >> (width - 8)) & 0xFF;
  };
  std::uint32_t out = channel(c.maskR, c.shiftR, c.widthR) << 16 | channel(c.maskG, c.shiftG, c.widthG) << 8 |
                      channel(c.maskB, c.shiftB, c.widthB);
  if (c.widthA != 0) out |= channel(c.maskA, c.shiftA, c.widthA) << 24;
  return out;
}

int GraphImageToDib(const GraphImage* image, BitmapInfo256* header, void** bits, int forceCopy, int noPalette) {
  const int width = image->width;
  const int height = image->height;
  const ColorData& c = image->colorData;
  std::memset(header, 0, sizeof(*header));
  header->header.size = sizeof(BitmapInfoHeader);
  header->header.width = width;
  header->header.height = -height;
  header->header.planes = 1;
  if (c.bitsPerPixel == 8 && noPalette == 0) {
    header->header.bitCount = 8;
    std::memcpy(header->colors, c.palette, sizeof header->colors);
    const int rowBytes = (width + 3) & ~3;
    if (image->pitch == rowBytes && forceCopy != 1) {
      *bits = image->pixels;
      return forceCopy;
    }
    auto* out = static_cast<std::uint8_t*>(ENGINE_ALLOC(rowBytes * height));
    if (out == nullptr) return -1;
    for (int y = 0; y < height; ++y) {
      std::memcpy(out + static_cast<std::ptrdiff_t>(y) * rowBytes,
                  static_cast<const std::uint8_t*>(image->pixels) + static_cast<std::ptrdiff_t>(y) * image->pitch,
                  static_cast<size_t>(width));
    }
    *bits = out;
    return 1;
  }
  header->header.bitCount = 24;
  const int rowBytes = ((width + 1) * 3) & ~3;
  const bool rgb24 = c.bitsPerPixel == 24 && c.maskR == 0xFF0000 && c.maskG == 0xFF00 && c.maskB == 0xFF;
  if (rgb24 && forceCopy != 1 && image->pitch == rowBytes) {
    *bits = image->pixels;
    return 0;
  }
  auto* out = static_cast<std::uint8_t*>(ENGINE_ALLOC(rowBytes * height));
  if (out == nullptr) return -1;
  if (rgb24) {
    for (int y = 0; y < height; ++y) {
      std::memcpy(out + static_cast<std::ptrdiff_t>(y) * rowBytes,
                  static_cast<const std::uint8_t*>(image->pixels) + static_cast<std::ptrdiff_t>(y) * image->pitch,
                  static_cast<size_t>(width) * 3);
    }
  } else {
    ColorData rgb{};
    SetupRGB24ColorData(&rgb);
    const ImageRect rect{0, 0, width, height};
    ConvertTransferRect(out, rowBytes, &rgb, image->pixels, image->pitch, &c, nullptr, 0, nullptr, 0, 0, &rect, 0, 0,
                        0, 0, 0, 0, 0);
  }
  *bits = out;
  return 1;
}

int DeleteImageSlot(int handle) {
  if (handle < 0 || (handle & 0x78000000) != kImageSlotHandleType) return -1;
  const int index = handle & 0xFFFF;
  if (index >= kMaxImageSlots) return -1;
  ImageSlot& slot = g_ImageSlots[index];
  if (slot.inUse != 1 || (slot.id & 0x7FF) != static_cast<std::uint32_t>((handle >> 16) & 0x7FF)) return -1;
  if (slot.data != nullptr) MemFree(slot.data);
  std::memset(&slot, 0, sizeof slot);
  return 0;
}

int DeleteAllImageSlots() {
  for (int i = 0; i < kMaxImageSlots; ++i) {
    ImageSlot& slot = g_ImageSlots[i];
    if (slot.inUse != 1) continue;
    if (slot.data != nullptr) MemFree(slot.data);
    std::memset(&slot, 0, sizeof slot);
  }
  return 0;
}
