#include "engine/graphics/dib_section.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/graphics/convert_transfer.h"

DibSection* CreateDibSectionFromBits(const BitmapInfo256* header, const void* bits, int mirror, ColorData* target) {
  if (header == nullptr || bits == nullptr) return nullptr;
  const BitmapInfoHeader& h = header->header;
  const int width = h.width;
  const int height = h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height;
  if (width <= 0 || height <= 0 || width > 32768 || height > 32768) return nullptr;
  if (h.compression != 0 || (h.bitCount != 8 && h.bitCount != 24)) return nullptr;
  ColorData source{};
  if (h.bitCount == 8) {
    SetupPalette8ColorData(&source);
    std::memcpy(source.palette, header->colors, sizeof source.palette);
  } else {
    SetupRGB24ColorData(&source);
  }

  auto* s = new (std::nothrow) DibSection{};
  if (s == nullptr) return nullptr;
  s->header.size = sizeof(BitmapInfoHeader);
  s->header.width = width;
  s->header.height = -height;
  s->header.planes = 1;
  if (target == nullptr) {
    SetupRGB24ColorData(&s->format);
  } else if (target->bitsPerPixel == 16 || (target->bitsPerPixel > 24 && h.bitCount != 24)) {
    s->header.compression = 3;
    s->masks[0] = target->maskR;
    s->masks[1] = target->maskG;
    s->masks[2] = target->maskB;
    CreateColorData(&s->format, target->bitsPerPixel, target->maskR, target->maskG, target->maskB, 0);
  } else {
    if (target->bitsPerPixel == 32) SetupRGB24ColorData(target);
    s->format = *target;
    if (s->format.bitsPerPixel == 8) std::memcpy(s->format.palette, source.palette, sizeof source.palette);
  }
  s->header.bitCount = static_cast<std::uint16_t>(s->format.bitsPerPixel);
  s->pitch = (width * s->format.bytesPerPixel + 3) & ~3;
  s->bits.assign(static_cast<std::size_t>(s->pitch) * static_cast<std::size_t>(height), 0);
  s->header.sizeImage = static_cast<std::uint32_t>(s->bits.size());

  // A bottom-up source (positive height) is read from its last row up.
  const int srcPitch = (width * (h.bitCount / 8) + 3) & ~3;
  const auto* src = static_cast<const std::uint8_t*>(bits);
  const ImageRect row{0, 0, width, 1};
  for (int y = 0; y < height; ++y) {
    const int sy = h.height < 0 ? y : height - 1 - y;
    if (ConvertTransferRect(s->bits.data() + static_cast<std::ptrdiff_t>(y) * s->pitch, s->pitch, &s->format,
                            src + static_cast<std::ptrdiff_t>(sy) * srcPitch, srcPitch, &source, nullptr, 0, nullptr,
                            0, 0, &row, mirror != 0 ? 1 : 0, 0, 0, 0, 0, 0, 0) < 0) {
      delete s;
      return nullptr;
    }
  }
  return s;
}

void DeleteDibSection(DibSection* section) { delete section; }
