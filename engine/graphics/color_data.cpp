#include "engine/graphics/color_data.h"

#include <cstring>
#include <mutex>

#include "engine/graphics/screen_format.h"

namespace {

// Shift = lowest set bit; width = contiguous set bits from there. A zero mask gives 0 and 0.
void MaskShiftWidth(std::uint32_t mask, std::uint8_t* shift, std::uint8_t* width) {
  *shift = 0;
  *width = 0;
  if (mask == 0) return;
  int s = 0;
  while (s < 31 && (mask & (1u << s)) == 0) ++s;
  int w = 0;
  while (s + w < 32 && (mask & (1u << (s + w))) != 0) ++w;
  *shift = static_cast<std::uint8_t>(s);
  *width = static_cast<std::uint8_t>(w);
}

std::uint32_t AllBits(int bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u; }

void SetupFixed8(ColorData* record, std::uint32_t unused) {
  record->bitsPerPixel = 8;
  record->bytesPerPixel = 1;
  record->maskR = 0xFF0000;
  record->maskG = 0xFF00;
  record->maskB = 0xFF;
  record->maskA = 0;
  record->widthR = record->widthG = record->widthB = 8;
  record->widthA = 0;
  record->shiftR = 16;
  record->shiftG = 8;
  record->shiftB = 0;
  record->shiftA = 0;
  record->unusedMask = unused;
  MaskShiftWidth(unused, &record->unusedShift, &record->unusedWidth);
}

}  // namespace

int CreateColorData(ColorData* record, int bits, std::uint32_t maskR, std::uint32_t maskG, std::uint32_t maskB,
                    std::uint32_t maskA) {
  record->bitsPerPixel = static_cast<std::uint16_t>(bits);
  record->bytesPerPixel = static_cast<std::uint16_t>(bits / 8);
  record->maskR = maskR;
  record->maskG = maskG;
  record->maskB = maskB;
  record->maskA = maskA;
  record->unusedMask = AllBits(bits) & ~(maskR | maskG | maskB | maskA);
  MaskShiftWidth(maskR, &record->shiftR, &record->widthR);
  MaskShiftWidth(maskG, &record->shiftG, &record->widthG);
  MaskShiftWidth(maskB, &record->shiftB, &record->widthB);
  MaskShiftWidth(maskA, &record->shiftA, &record->widthA);
  MaskShiftWidth(record->unusedMask, &record->unusedShift, &record->unusedWidth);
  return 0;
}

int CreateColorDataFromPixelFormat(const DDPixelFormat* pixelFormat, ColorData* record) {
  return CreateColorData(record, static_cast<int>(pixelFormat->rgbBitCount), pixelFormat->maskR, pixelFormat->maskG,
                         pixelFormat->maskB, pixelFormat->maskA);
}

int CreatePixelFormat(DDPixelFormat* record, int bits, std::uint32_t maskR, std::uint32_t maskG, std::uint32_t maskB,
                      std::uint32_t maskA) {
  std::memset(record, 0, sizeof(*record));
  record->size = sizeof(DDPixelFormat);
  record->flags = kDDPF_RGB;
  record->rgbBitCount = static_cast<std::uint32_t>(bits);
  record->maskR = maskR;
  record->maskG = maskG;
  record->maskB = maskB;
  record->maskA = maskA;
  return 0;
}

void UpdateUnusedBitsMask(ColorData* record) {
  const int sum = record->widthR + record->widthG + record->widthB + record->widthA;
  record->unusedMask =
      sum == record->bitsPerPixel
          ? 0
          : AllBits(record->bitsPerPixel) & ~(record->maskR | record->maskG | record->maskB | record->maskA);
}

int IsSameColorFormat(const ColorData* a, const ColorData* b) {
  return a->bitsPerPixel == b->bitsPerPixel && a->maskR == b->maskR && a->maskG == b->maskG &&
                 a->maskB == b->maskB && a->maskA == b->maskA
             ? 1
             : 0;
}

std::uint32_t MakePixelValue(const ColorData* record, int r, int g, int b, int a) {
  auto pack = [](int channel, int width, int shift) -> std::uint32_t {
    if (width == 0) return 0;
    const std::uint32_t c = static_cast<std::uint32_t>(channel) & 0xFFu;
    return (width >= 8 ? c << (width - 8) : c >> (8 - width)) << shift;
  };
  std::uint32_t value = pack(r, record->widthR, record->shiftR) + pack(g, record->widthG, record->shiftG) +
                        pack(b, record->widthB, record->shiftB) + record->unusedMask;
  if (record->widthA != 0) value += pack(a, record->widthA, record->shiftA);
  return value;
}

std::uint32_t ConvertPixelValue(const ColorData* destination, const ColorData* source, std::uint32_t value) {
  auto channel = [value](std::uint32_t srcMask, int srcShift, int srcWidth, int dstWidth) -> std::uint32_t {
    std::uint32_t c = (value & srcMask) >> srcShift;
    return dstWidth >= srcWidth ? c << (dstWidth - srcWidth) : c >> (srcWidth - dstWidth);
  };
  const ColorData& d = *destination;
  const ColorData& s = *source;
  std::uint32_t r = channel(s.maskR, s.shiftR, s.widthR, d.widthR);
  std::uint32_t g = channel(s.maskG, s.shiftG, s.widthG, d.widthG);
  std::uint32_t b = channel(s.maskB, s.shiftB, s.widthB, d.widthB);
  std::uint32_t a = s.widthA != 0 ? channel(s.maskA, s.shiftA, s.widthA, d.widthA) : d.maskA >> d.shiftA;
  auto place = [](std::uint32_t c, int shift, std::uint32_t mask) { return (c << shift) & mask; };
  return place(r, d.shiftR, d.maskR) | place(g, d.shiftG, d.maskG) | place(b, d.shiftB, d.maskB) |
         place(a, d.shiftA, d.maskA) | d.unusedMask;
}

const ColorData* GetStandardColorData(int kind, int alpha, int palette) {
  static ColorData table[2][2][2];
  static ColorData single8;
  static ColorData depth16;
  static std::once_flag built;
  std::call_once(built, [] {
    const std::uint32_t masks[2][4] = {{0xF800, 0x07E0, 0x001F, 0xFF0000}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    for (int k = 0; k < 2; ++k)
      for (int a = 0; a < 2; ++a)
        for (int p = 0; p < 2; ++p) {
          const int bits = p == 1 ? 8 : (k == 0 && a == 0 ? 16 : 32);
          CreateColorData(&table[k][a][p], bits, masks[k][0], masks[k][1], masks[k][2], a == 1 ? masks[k][3] : 0);
        }
    single8 = {};
    single8.bitsPerPixel = 8;
    single8.bytesPerPixel = 1;
    single8.maskR = single8.maskG = single8.maskB = single8.maskA = 0xFF;
    single8.widthR = single8.widthG = single8.widthB = single8.widthA = 8;
    depth16 = {};
    depth16.bitsPerPixel = 16;
    depth16.bytesPerPixel = 2;
    depth16.maskR = depth16.maskG = depth16.maskB = depth16.maskA = 0xFFFF;
    depth16.widthR = depth16.widthG = depth16.widthB = depth16.widthA = 16;
  });
  switch (kind) {
    case kFormat16:
    case kFormat32:
      return &table[kind][alpha != 0 ? 1 : 0][palette != 0 ? 1 : 0];
    case kFormat8:
      return &single8;
    case kFormatDepth16:
      return &depth16;
    default:
      return nullptr;
  }
}

const DDPixelFormat* GetStandardPixelFormat(int kind, int alpha, int palette) {
  static DDPixelFormat table[2][2][2];
  static DDPixelFormat single8;
  static DDPixelFormat depth16;
  static std::once_flag built;
  std::call_once(built, [] {
    for (int k = 0; k < 2; ++k)
      for (int a = 0; a < 2; ++a)
        for (int p = 0; p < 2; ++p) {
          const ColorData* c = GetStandardColorData(k, a, p);
          CreatePixelFormat(&table[k][a][p], c->bitsPerPixel, c->maskR, c->maskG, c->maskB, c->maskA);
        }
    single8 = {};
    single8.rgbBitCount = 8;
    single8.maskR = single8.maskG = single8.maskB = single8.maskA = 0xFF;
    depth16 = {};
    depth16.rgbBitCount = 16;
    depth16.maskR = depth16.maskG = depth16.maskB = depth16.maskA = 0xFFFF;
  });
  switch (kind) {
    case kFormat16:
    case kFormat32:
      return &table[kind][alpha != 0 ? 1 : 0][palette != 0 ? 1 : 0];
    case kFormat8:
      return &single8;
    case kFormatDepth16:
      return &depth16;
    default:
      return nullptr;
  }
}

int MakeColorValueBody(int r, int g, int b) {
  const ScreenFormatState& screen = g_ScreenFormat;
  if (screen.colorBits == 8) {
    int best = 0;
    int bestDistance = 0xFFFFFF;
    for (int i = 0; i < 256; ++i) {
      const int dr = screen.palette[i][0] - r;
      const int dg = screen.palette[i][1] - g;
      const int db = screen.palette[i][2] - b;
      const int distance = dr * dr + dg * dg + db * db;
      if (distance < bestDistance) {
        bestDistance = distance;
        best = i;
      }
    }
    return best;
  }
  const ColorData* format = &screen.colorData;
  if (screen.softwareRender != 0) format = GetStandardColorData(ScreenRequestedBits() == 16 ? kFormat16 : kFormat32, 0, 0);
  ColorData opaque = *format;
  opaque.widthA = 0;  // packed without alpha
  return static_cast<int>(MakePixelValue(&opaque, r, g, b, 0));
}

int ColorValueToRGB(int value, int* r, int* g, int* b) {
  const ScreenFormatState& screen = g_ScreenFormat;
  int red;
  int green;
  int blue;
  if (screen.colorBits == 8) {
    if (value < 0 || value > 255) return -1;
    red = screen.palette[value][0];
    green = screen.palette[value][1];
    blue = screen.palette[value][2];
  } else {
    const ColorData* format = &screen.colorData;
    if (screen.softwareRender != 0 && static_cast<int>(screen.colorBits) != ScreenRequestedBits())
      format = GetStandardColorData(ScreenRequestedBits() == 16 ? kFormat16 : kFormat32, 0, 0);
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    auto channel = [v](std::uint32_t mask, int shift, int width) -> int {
      if (width == 0) return 0;
      const std::uint64_t maximum = (std::uint64_t{1} << width) - 1;
      return static_cast<int>(((v & mask) >> shift) * std::uint64_t{255} / maximum);
    };
    red = channel(format->maskR, format->shiftR, format->widthR);
    green = channel(format->maskG, format->shiftG, format->widthG);
    blue = channel(format->maskB, format->shiftB, format->widthB);
  }
  if (r != nullptr) *r = red;
  if (g != nullptr) *g = green;
  if (b != nullptr) *b = blue;
  return 0;
}

void SetupPalette8ColorData(ColorData* record) { SetupFixed8(record, 0xFF000000u); }

void SetupRGB24ColorData(ColorData* record) {
  SetupFixed8(record, 0);
  record->bitsPerPixel = 24;
  record->bytesPerPixel = 3;
}

void SetupGray8ColorData(ColorData* record) {
  SetupFixed8(record, 0xFF000000u);
  for (int i = 0; i < 256; ++i) {
    record->palette[i][0] = record->palette[i][1] = record->palette[i][2] = static_cast<std::uint8_t>(i);
    record->palette[i][3] = 0;
  }
}
