// TGA files: colour-mapped (1), true colour (2) and their RLE forms (9, 10), 16, 24 or 32 bits.
#include "engine/graphics/image_decode.h"
#include "engine/graphics/image_decode_io.h"

using namespace image_io;

namespace {

// Decodes RLE packets of valueBytes-sized values into count values. False when the data ends first.
bool ExpandTgaRle(const std::uint8_t* data, std::int64_t size, int valueBytes, std::uint8_t* out, std::int64_t count) {
  std::int64_t i = 0;
  std::int64_t written = 0;
  while (written < count) {
    if (i >= size) return false;
    const int header = data[i++];
    std::int64_t n = (header & 0x7F) + 1;
    if (n > count - written) n = count - written;
    if (header & 0x80) {
      if (i + valueBytes > size) return false;
      for (std::int64_t k = 0; k < n; ++k)
        std::memcpy(out + (written + k) * valueBytes, data + i, static_cast<size_t>(valueBytes));
      i += valueBytes;
    } else {
      const std::int64_t bytes = n * valueBytes;
      if (i + bytes > size) return false;
      std::memcpy(out + written * valueBytes, data + i, static_cast<size_t>(bytes));
      i += bytes;
    }
    written += n;
  }
  return true;
}

}  // namespace

int DecodeTgaImage(StreamSource* source, GraphImage* image) {
  const std::int64_t fileSize = StreamSize(source);

  // A footer counts when its signature is there and its extension-area offset is 0.
  bool footer = false;
  if (fileSize >= 18 + 26) {
    std::uint8_t f[26];
    if (SeekTo(source, fileSize - 26) && ReadExact(source, f, 26))
      footer = std::memcmp(f + 8, "TRUEVISION-XFILE", 16) == 0 && U32(f) == 0;
  }
  std::uint8_t h[18];
  if (!SeekTo(source, 0) || !ReadExact(source, h, 18)) return -1;
  const int idLength = h[0];
  const int mapType = h[1];
  const int type = h[2];
  const int mapFirst = U16(h + 3);
  const int mapLength = U16(h + 5);
  const int mapBits = h[7];
  const int width = U16(h + 12);
  const int height = U16(h + 14);
  const int pixelBits = h[16];
  const int descriptor = h[17];

  if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
  if (U16(h + 8) != 0 || U16(h + 10) != 0) return -1;
  if (width == 0 || height == 0 || width > 4095 || height > 4095) return -1;
  const bool mapped = type == 1 || type == 9;
  const int depth = mapped ? mapBits : pixelBits;
  if (depth != 16 && depth != 24 && depth != 32) return -1;
  if (mapped && (pixelBits != 8 || mapType != 1)) return -1;
  const int bytes = depth / 8;

  // Skip the image ID; a colour map is read for mapped images and skipped for true-colour ones.
  std::int64_t position = 18 + idLength;
  std::uint8_t map[256 * 4] = {};
  if (mapType == 1) {
    const int entryBytes = (mapBits + 7) / 8;
    const std::int64_t mapSize = static_cast<std::int64_t>(mapLength) * entryBytes;
    if (mapped) {
      PixelBuffer entries(mapSize > 0 ? AllocPixels(mapSize) : nullptr);
      if (mapSize > 0) {
        if (entries.get() == nullptr || !SeekTo(source, position) || !ReadExact(source, entries.get(), mapSize))
          return -1;
        for (int i = 0; i < mapLength && mapFirst + i < 256; ++i)
          std::memcpy(map + (mapFirst + i) * bytes, entries.get() + i * entryBytes, static_cast<size_t>(bytes));
      }
    }
    position += mapSize;
  }
  if (!SeekTo(source, position)) return -1;

  const std::int64_t count = static_cast<std::int64_t>(width) * height;
  const int valueBytes = mapped ? 1 : bytes;
  PixelBuffer values(AllocPixels(count * valueBytes));
  if (values.get() == nullptr) return -1;
  if (type == 9 || type == 10) {
    const std::int64_t end = footer ? fileSize - 26 : fileSize;
    const std::int64_t size = end - position;
    if (size <= 0 || size > kMaxImageBytes) return -1;
    PixelBuffer data(AllocPixels(size));
    if (data.get() == nullptr || !ReadExact(source, data.get(), size)) return -1;
    if (!ExpandTgaRle(data.get(), size, valueBytes, values.get(), count)) return -1;
  } else if (!ReadExact(source, values.get(), count * valueBytes)) {
    return -1;
  }

  PixelBuffer pixels;
  if (mapped) {
    pixels.Reset(AllocPixels(count * bytes));
    if (pixels.get() == nullptr) return -1;
    for (std::int64_t i = 0; i < count; ++i)
      std::memcpy(pixels.get() + i * bytes, map + values.get()[i] * bytes, static_cast<size_t>(bytes));
  } else {
    pixels.Reset(values.Release());
  }

  // Stored bottom row first (descriptor bit 5 clear) or right to left (bit 4): reorder to top-left first.
  const bool flipRows = (descriptor & 0x20) == 0;
  const bool flipColumns = (descriptor & 0x10) != 0;
  const int pitch = width * bytes;
  if (flipRows || flipColumns) {
    PixelBuffer ordered(AllocPixels(count * bytes));
    if (ordered.get() == nullptr) return -1;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* s = pixels.get() + static_cast<std::int64_t>(flipRows ? height - 1 - y : y) * pitch;
      std::uint8_t* d = ordered.get() + static_cast<std::int64_t>(y) * pitch;
      if (!flipColumns) {
        std::memcpy(d, s, static_cast<size_t>(pitch));
      } else {
        for (int x = 0; x < width; ++x)
          std::memcpy(d + x * bytes, s + (width - 1 - x) * bytes, static_cast<size_t>(bytes));
      }
    }
    pixels.Reset(ordered.Release());
  }

  if (depth == 16) {
    SetupXRGB1555ColorData(&image->colorData);
  } else if (depth == 24) {
    SetupRGB24ColorData(&image->colorData);
  } else {
    SetupARGB32ColorData(&image->colorData);
  }
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  image->pixels = pixels.Release();
  return 0;
}
