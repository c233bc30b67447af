// BMP files: uncompressed 1, 4, 8, 16, 24 and 32 bits, RLE8, RLE4 and bit fields.
#include <climits>

#include "engine/core/log.h"
#include "engine/graphics/image_decode.h"
#include "engine/graphics/image_decode_io.h"

using namespace image_io;

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;

// Expands RLE8 or RLE4 data into one byte per pixel. Runs, absolute runs and deltas stop at the row's and the
// image's end. False when the data ends before the end-of-picture code while rows are still missing.
bool ExpandRle(const std::uint8_t* data, std::int64_t size, bool four, std::uint8_t* out, int pitch, int width,
               int height, bool bottomUp) {
  int x = 0;
  int row = 0;  // in storage order
  auto put = [&](std::uint8_t v) {
    if (x < width && row < height) out[static_cast<std::int64_t>(bottomUp ? height - 1 - row : row) * pitch + x] = v;
    if (x <= width) ++x;
  };
  std::int64_t i = 0;
  for (;;) {
    if (i + 2 > size) return row >= height;
    const int n = data[i];
    const std::uint8_t v = data[i + 1];
    i += 2;
    if (n > 0) {
      for (int k = 0; k < n && x < width; ++k) put(four ? static_cast<std::uint8_t>(k & 1 ? v & 0xF : v >> 4) : v);
      continue;
    }
    if (v == 0) {  // end of line
      x = 0;
      if (row < height) ++row;
    } else if (v == 1) {  // end of picture
      return true;
    } else if (v == 2) {  // delta
      if (i + 2 > size) return false;
      x = x + data[i] > width ? width : x + data[i];
      row = row + data[i + 1] > height ? height : row + data[i + 1];
      i += 2;
    } else {  // absolute run of v pixels, padded to an even offset
      const std::int64_t bytes = four ? (v + 1) / 2 : v;
      if (i + bytes > size) return false;
      for (int k = 0; k < v; ++k) {
        const std::uint8_t b = data[i + (four ? k / 2 : k)];
        put(four ? static_cast<std::uint8_t>(k & 1 ? b & 0xF : b >> 4) : b);
      }
      i += bytes;
      if (i & 1) ++i;
    }
  }
}

// A bit-field channel scaled to 8 bits.
struct Field {
  std::uint32_t mask = 0;
  int shift = 0;
  int width = 0;
  void Set(std::uint32_t m) {
    mask = m;
    shift = 0;
    width = 0;
    if (m == 0) return;
    while ((m & 1) == 0) {
      m >>= 1;
      ++shift;
    }
    while (m & 1) {
      m >>= 1;
      ++width;
    }
  }
  std::uint8_t Get(std::uint32_t v) const {
    if (width == 0) return 0;
    const std::uint64_t c = (v & mask) >> shift;
    if (width >= 8) return static_cast<std::uint8_t>(c >> (width - 8));
    const std::uint64_t maximum = (std::uint64_t{1} << width) - 1;
    return static_cast<std::uint8_t>((c * 255 + maximum / 2) / maximum);
  }
};

bool ContiguousMask(std::uint32_t m) {
  if (m == 0) return false;
  while ((m & 1) == 0) m >>= 1;
  return (m & (m + 1)) == 0;
}

}  // namespace

int DecodeBmpImage(StreamSource* source, GraphImage* image) {
  const std::int64_t fileSize = StreamSize(source);
  std::uint8_t fileHeader[14];
  if (!ReadExact(source, fileHeader, 14)) return -1;
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return -1;
  std::uint8_t info[44];
  if (!ReadExact(source, info, 44)) return -1;

  const std::uint32_t headerSize = U32(info);
  const std::int32_t width = I32(info + 4);
  const std::int32_t heightField = I32(info + 8);
  const int bits = U16(info + 14);
  const std::uint32_t compression = U32(info + 16);
  const std::uint32_t pixelOffset = U32(fileHeader + 10);

  // The older 12-byte core header has another layout; every later header starts with these 40 bytes.
  if (headerSize < 40 || headerSize > 0x10000) return -1;
  if (width <= 0 || heightField == 0 || heightField == INT_MIN) return -1;
  const int height = heightField < 0 ? -heightField : heightField;
  const bool bottomUp = heightField > 0;
  switch (compression) {
    case kBiRgb:
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
      break;
    case kBiRle8:
      if (bits != 8) return -1;
      break;
    case kBiRle4:
      if (bits != 4) return -1;
      break;
    case kBiBitFields:
      if (bits != 16 && bits != 32) return -1;
      break;
    default:
      return -1;
  }

  // Colour table: 2^bits entries after the information header, whatever the colours-used field says.
  std::uint8_t colours[256][4] = {};
  if (bits <= 8) {
    if (!SeekTo(source, 14 + static_cast<std::int64_t>(headerSize))) return -1;
    if (!ReadExact(source, colours, 4 << bits)) return -1;
    for (auto& c : colours) c[3] = 0;
  }
  std::uint32_t masks[3] = {0x7C00, 0x3E0, 0x1F};
  if (bits == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }
  if (compression == kBiBitFields) {
    std::uint8_t m[12];
    if (!SeekTo(source, 54) || !ReadExact(source, m, 12)) return -1;
    for (int i = 0; i < 3; ++i) masks[i] = U32(m + 4 * i);
  }

  const std::int64_t stride = ((static_cast<std::int64_t>(bits) * width + 7) / 8 + 3) & ~std::int64_t{3};
  if (stride * height > kMaxImageBytes || static_cast<std::int64_t>(width) * height * 3 > kMaxImageBytes) return -1;
  if (pixelOffset > fileSize) return -1;
  const std::int64_t available = fileSize - pixelOffset;
  const bool rle = compression == kBiRle8 || compression == kBiRle4;
  // Uncompressed data must hold every row; compressed data is read whole.
  const std::int64_t dataSize = rle ? available : stride * height;
  if (dataSize > available || dataSize > kMaxImageBytes) return -1;
  if (dataSize <= 0) return -1;
  if (!SeekTo(source, pixelOffset)) return -1;
  PixelBuffer data(AllocPixels(dataSize));
  if (data.get() == nullptr) return -1;
  if (!ReadExact(source, data.get(), dataSize)) return -1;

  PixelBuffer out;
  int pitch = 0;
  bool palette = true;
  int paletteEntries = 256;
  if (rle) {
    const bool four = compression == kBiRle4;
    pitch = four ? ((width + 3) / 4) * 4 : static_cast<int>(stride);
    out.Reset(AllocPixels(static_cast<std::int64_t>(pitch) * height, true));
    if (out.get() == nullptr) return -1;
    if (!ExpandRle(data.get(), dataSize, four, out.get(), pitch, width, height, bottomUp)) return -1;
    if (four) paletteEntries = 16;
  } else if (bits == 4) {
    pitch = (width + 3) & ~3;
    out.Reset(AllocPixels(static_cast<std::int64_t>(pitch) * height));
    if (out.get() == nullptr) return -1;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* s = data.get() + static_cast<std::int64_t>(bottomUp ? height - 1 - y : y) * stride;
      std::uint8_t* d = out.get() + static_cast<std::int64_t>(y) * pitch;
      for (int x = 0; x < width; ++x) d[x] = static_cast<std::uint8_t>(x & 1 ? s[x / 2] & 0xF : s[x / 2] >> 4);
      for (int x = width; x < pitch; ++x) d[x] = 0;
    }
    paletteEntries = 16;
  } else if ((bits == 8 || bits == 24) && compression == kBiRgb) {
    pitch = static_cast<int>(stride);
    if (bottomUp) {
      out.Reset(AllocPixels(stride * height));
      if (out.get() == nullptr) return -1;
      for (int y = 0; y < height; ++y)
        std::memcpy(out.get() + static_cast<std::int64_t>(y) * stride,
                    data.get() + static_cast<std::int64_t>(height - 1 - y) * stride, static_cast<size_t>(stride));
    } else {
      out.Reset(data.Release());
    }
    palette = bits == 8;
  } else {
    // 1 bit, 16 and 32 bits and bit fields: converted into 24-bit rows, top row first.
    if (bits != 1 && (!ContiguousMask(masks[0]) || !ContiguousMask(masks[1]) || !ContiguousMask(masks[2])))
      return WriteLog("ＤＩＢの作成に失敗しました3\n");
    pitch = (width * 3 + 3) & ~3;
    out.Reset(AllocPixels(static_cast<std::int64_t>(pitch) * height, true));
    if (out.get() == nullptr)
      return WriteLog("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
    Field r, g, b;
    r.Set(masks[0]);
    g.Set(masks[1]);
    b.Set(masks[2]);
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* s = data.get() + static_cast<std::int64_t>(bottomUp ? height - 1 - y : y) * stride;
      std::uint8_t* d = out.get() + static_cast<std::int64_t>(y) * pitch;
      for (int x = 0; x < width; ++x, d += 3) {
        if (bits == 1) {
          const std::uint8_t* c = colours[(s[x >> 3] >> (7 - (x & 7))) & 1];
          d[0] = c[0];
          d[1] = c[1];
          d[2] = c[2];
          continue;
        }
        const std::uint32_t v = bits == 16 ? U16(s + 2 * x) : U32(s + 4 * x);
        d[0] = b.Get(v);
        d[1] = g.Get(v);
        d[2] = r.Get(v);
      }
    }
    palette = false;
  }

  if (palette) {
    SetupPalette8ColorData(&image->colorData);
    std::memset(image->colorData.palette, 0, sizeof image->colorData.palette);
    std::memcpy(image->colorData.palette, colours, static_cast<size_t>(paletteEntries) * 4);
  } else {
    SetupRGB24ColorData(&image->colorData);
  }
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  image->pixels = out.Release();
  return 0;
}
