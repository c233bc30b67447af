#include "engine/softrender/blend_span.h"

#include <cpuid.h>

#include <algorithm>
#include <cstring>

#include "engine/graphics/blend_tables.h"

namespace {

struct Fields {
  int shift[3];
  int bits[3];
};
constexpr Fields kFields32{{0, 8, 16}, {8, 8, 8}};
constexpr Fields kFields16{{0, 5, 11}, {5, 6, 5}};

inline std::uint32_t Load(const std::uint8_t* p, int bytes) {
  if (bytes == 4) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  if (bytes == 2) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  return *p;
}

inline void Store(std::uint8_t* p, int bytes, std::uint32_t v) {
  if (bytes == 4) {
    std::memcpy(p, &v, 4);
  } else {
    const std::uint16_t w = static_cast<std::uint16_t>(v);
    std::memcpy(p, &w, 2);
  }
}

// floor(x / 2^shift) for a signed product.
inline int FloorShift(std::int64_t x, int shift) { return static_cast<int>(x >> shift); }

}  // namespace

void BlendSpanGeneric(const BlendSpan& sp, std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* map, int n) {
  const bool is32 = sp.format == kFormat32;
  const Fields& f = is32 ? kFields32 : kFields16;
  const std::uint32_t keyMask = sp.palette ? 0xFFu : (sp.srcBytes == 2 ? 0xFFFFu : 0xFFFFFFFFu);
  const std::uint8_t brightBytes[3] = {sp.brightB, sp.brightG, sp.brightR};
  const int P = sp.param;
  const std::int32_t* scaleP = BlendScaleTable[P];
  const std::int32_t* deltaP = &BlendDeltaTable[P][kBlendDeltaZero];
  const std::uint8_t(*mix)[64] = BlendMixTable64[P >> 2];

  for (int i = 0; i < n; ++i, dst += sp.dstBytes, src += sp.srcBytes) {
    const std::uint32_t raw = Load(src, sp.srcBytes);
    if (sp.colorKey && (raw & keyMask) == sp.transColor) continue;

    std::uint32_t colour;
    int a = 255;
    if (sp.palette) {
      colour = sp.paletteEntries[raw & 0xFF];
    } else if (!is32) {
      colour = raw & 0xFFFF;
      a = static_cast<int>((raw >> 16) & 0xFF);
    } else {
      colour = raw;
      a = static_cast<int>(raw >> 24);
    }
    bool alphaWeight = false;
    if (sp.alphaRule == kAlphaKeyed) {
      if (a == 0) continue;
      alphaWeight = a != 255;
    } else if (sp.alphaRule == kAlphaAlways) {
      alphaWeight = true;
    }

    std::int64_t W = 1;
    int k = 0;
    if (sp.levels != nullptr) {
      W *= sp.levels[map[i]];
      ++k;
    }
    if (alphaWeight) {
      W *= a;
      ++k;
    }

    const std::uint32_t d = Load(dst, sp.dstBytes);
    int s[3], dc[3], r[3];
    for (int c = 0; c < 3; ++c) {
      const int mask = (1 << f.bits[c]) - 1;
      const int v = static_cast<int>((colour >> f.shift[c]) & static_cast<std::uint32_t>(mask));
      s[c] = sp.bright ? BlendScaleTable[brightBytes[c]][v] : v;
      dc[c] = static_cast<int>((d >> f.shift[c]) & static_cast<std::uint32_t>(mask));
    }
    const std::uint32_t keepX = is32 ? (d & 0xFF000000u) : 0;
    std::uint32_t out;
    switch (sp.mode) {
      case 0:
        if (k == 0 && !sp.bright) {
          Store(dst, sp.dstBytes, is32 ? colour : (colour & 0xFFFF));
          continue;
        }
        for (int c = 0; c < 3; ++c)
          r[c] = k == 0 ? s[c] : dc[c] + FloorShift(static_cast<std::int64_t>(s[c] - dc[c]) * W, 8 * k);
        break;
      case 1:
        if (sp.halfBlend) {
          Store(dst, sp.dstBytes,
                is32 ? ((colour >> 1) & 0x007F7F7Fu) + ((d >> 1) & 0x007F7F7Fu)
                     : ((colour >> 1) & 0x7BEFu) + ((d >> 1) & 0x7BEFu));
          continue;
        }
        if (is32 || sp.levels != nullptr) {
          for (int c = 0; c < 3; ++c)
            r[c] = dc[c] + FloorShift(static_cast<std::int64_t>(s[c] - dc[c]) * W * P, 8 * (k + 1));
        } else if (alphaWeight) {
          for (int c = 0; c < 3; ++c) r[c] = dc[c] + FloorShift(static_cast<std::int64_t>(s[c] - dc[c]) * a * P, 16);
        } else if (sp.mix64) {
          for (int c = 0; c < 3; ++c) r[c] = mix[s[c]][dc[c]];
        } else {
          for (int c = 0; c < 3; ++c) r[c] = dc[c] + deltaP[s[c] - dc[c]];
        }
        break;
      case 2:
      case 3:
        for (int c = 0; c < 3; ++c) {
          int v;
          if (k == 0) v = scaleP[s[c]];
          else if (is32) v = FloorShift(s[c] * W * P, 8 * (k + 1));
          else v = scaleP[FloorShift(s[c] * W, 8 * k)];
          const int max = (1 << f.bits[c]) - 1;
          r[c] = sp.mode == 2 ? std::min(dc[c] + v, max) : std::max(dc[c] - v, 0);
        }
        break;
      default:
        for (int c = 0; c < 3; ++c) {
          const int product = (dc[c] * s[c]) >> f.bits[c];
          r[c] = k == 0 ? product : dc[c] + FloorShift(static_cast<std::int64_t>(product - dc[c]) * W, 8 * k);
        }
        break;
    }
    out = keepX;
    for (int c = 0; c < 3; ++c) out |= static_cast<std::uint32_t>(r[c]) << f.shift[c];
    Store(dst, sp.dstBytes, out);
  }
}

namespace {

void GenericRows(const BlendSpan& sp, std::uint8_t* dst, std::int64_t dstPitch, const std::uint8_t* src,
                 std::int64_t srcPitch, const std::uint8_t* map, std::int64_t mapPitch, int n, int rows) {
  for (int row = 0; row < rows; ++row, dst += dstPitch, src += srcPitch) {
    sp.routine(sp, dst, src, map, n);
    if (map != nullptr) map += mapPitch;
  }
}

}  // namespace

int PrepareBlendSpan(BlendSpan* sp, const MEMIMG* source, const GraphDrawState& state, int transparent, bool useMap,
                     SpanPath path, int alphaRule) {
  if (source->Format != kFormat16 && source->Format != kFormat32) return -1;
  int mode = state.BlendMode;
  const int P = std::clamp(state.BlendParam, 0, 255);
  if (mode < 0 || mode > 4) return -1;
  if (mode >= 1 && mode <= 3 && P == 0) return -1;
  if (mode == 1 && P == 255) mode = 0;

  sp->format = source->Format;
  sp->palette = source->UsePalette == 1;
  sp->alphaChannel = !sp->palette && source->UseAlpha == 1;
  sp->srcBytes = MemImgBytesPerPixel(source);
  sp->dstBytes = source->Format == kFormat32 ? 4 : 2;
  if (alphaRule >= 0) sp->alphaRule = sp->alphaChannel ? alphaRule : kAlphaNone;
  else sp->alphaRule = !sp->alphaChannel ? kAlphaNone : (transparent != 0 ? kAlphaKeyed : kAlphaAlways);
  sp->colorKey = !sp->alphaChannel && transparent != 0 && alphaRule < 0;
  sp->transColor = sp->palette ? (source->TransColor & 0xFFu)
                   : sp->srcBytes == 2 ? (source->TransColor & 0xFFFFu)
                                       : source->TransColor;
  sp->mode = mode;
  sp->param = P;
  const std::uint32_t br = state.Brightness & 0xFFFFFFu;
  sp->bright = br != kNoBrightness;
  sp->brightB = static_cast<std::uint8_t>(br);
  sp->brightG = static_cast<std::uint8_t>(br >> 8);
  sp->brightR = static_cast<std::uint8_t>(br >> 16);
  sp->levels = useMap ? BlendGraphLevelTable : nullptr;
  const bool plain = !sp->bright && !useMap && !sp->alphaChannel;
  sp->halfBlend = path == kSpanPerPixel && mode == 1 && P == 128 && plain;
  sp->mix64 = path == kSpanPerPixel && mode == 1 && sp->format == kFormat16 && plain && P != 128;
  if (sp->palette) {
    const std::uint8_t* table = source->Palette != nullptr ? source->Palette : source->PaletteTable1;
    for (int i = 0; i < 256; ++i) {
      if (sp->format == kFormat32) {
        std::memcpy(&sp->paletteEntries[i], table + 4 * i, 4);
      } else {
        std::uint16_t w;
        std::memcpy(&w, table + 2 * i, 2);
        sp->paletteEntries[i] = w;
      }
    }
  }
  sp->rows = GenericRows;
  BlendSpanRoutine vec = SelectVectorSpan32(sp);
  sp->routine = vec != nullptr ? vec : BlendSpanGeneric;
  return 0;
}

bool StringCopyIsFast() {
  static const bool fast = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & (1u << 9)) != 0;  // ERMS
  }();
  return fast;
}
