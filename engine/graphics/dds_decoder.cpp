// DDS files: the top surface of an uncompressed RGB(A) format, given by masks or by a format code.
#include "engine/graphics/image_decode.h"
#include "engine/graphics/image_decode_io.h"

using namespace image_io;

namespace {

struct DdsFormat {
  std::uint32_t code;
  int bits;
  std::uint32_t r, g, b, a;
};

}  // namespace

// Format codes of the uncompressed formats a DDS may name instead of masks.
const DdsFormat DdsFormatTable[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x07E0, 0x001F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x3, 0},
    {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {0xFFFFFFFF, 0, 0, 0, 0, 0},
};

int DecodeDdsImage(StreamSource* source, GraphImage* image) {
  std::uint8_t file[128];
  if (!ReadExact(source, file, 4) || std::memcmp(file, "DDS", 3) != 0) return -1;
  if (!ReadExact(source, file + 4, 124)) return -1;
  const std::uint32_t flags = U32(file + 8);
  const std::uint32_t height = U32(file + 12);
  const std::uint32_t width = U32(file + 16);
  const std::uint32_t pitchField = U32(file + 20);
  const std::uint32_t formatFlags = U32(file + 80);
  const std::uint32_t fourCC = U32(file + 84);

  int bits = 0;
  std::uint32_t masks[4] = {};
  if (formatFlags & 0x40) {
    bits = static_cast<int>(U32(file + 88));
    for (int i = 0; i < 4; ++i) masks[i] = U32(file + 92 + 4 * i);
  } else if (formatFlags == 4) {
    const DdsFormat* row = DdsFormatTable;
    while (row->code != 0xFFFFFFFF && row->code != fourCC) ++row;
    if (row->code == 0xFFFFFFFF) return -1;
    bits = row->bits;
    masks[0] = row->r;
    masks[1] = row->g;
    masks[2] = row->b;
    masks[3] = row->a;
  } else {
    return -1;  // luminance, alpha-only and other layouts
  }
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
  const std::uint32_t all = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
  if (((masks[0] | masks[1] | masks[2] | masks[3]) & ~all) != 0) return -1;
  if ((masks[0] | masks[1] | masks[2]) == 0) return -1;  // no colour channel at all
  if (width == 0 || height == 0 || width > 0x7FFFFFFF / 4 || height > 0x7FFFFFFF) return -1;

  const std::int64_t rowBytes = static_cast<std::int64_t>(bits / 8) * width;
  const std::int64_t pitch = (flags & 8) ? pitchField : rowBytes;
  if (pitch < rowBytes) return -1;  // rows would overlap: later readers would run past the buffer
  const std::int64_t size = pitch * height;
  PixelBuffer pixels(AllocPixels(size));
  if (pixels.get() == nullptr) return -1;
  if (!ReadExact(source, pixels.get(), size)) return -1;

  CreateColorData(&image->colorData, bits, masks[0], masks[1], masks[2], masks[3]);
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pitch = static_cast<int>(pitch);
  image->pixels = pixels.Release();
  return 0;
}
