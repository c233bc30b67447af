#include "engine/graphics/convert_transfer.h"

#include <cstring>
#include <utility>

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

inline u32 LoadPixel(const u8* p, int bytes) {
  switch (bytes) {
    case 1:
      return p[0];
    case 2: {
      u16 v;
      std::memcpy(&v, p, 2);
      return v;
    }
    case 3:
      return static_cast<u32>(p[0]) | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16;
    case 4: {
      u32 v;
      std::memcpy(&v, p, 4);
      return v;
    }
    default:
      return 0;
  }
}

inline void StorePixel(u8* p, int bytes, u32 v) {
  switch (bytes) {
    case 1:
      p[0] = static_cast<u8>(v);
      break;
    case 2: {
      const u16 w = static_cast<u16>(v);
      std::memcpy(p, &w, 2);
      break;
    }
    case 3:
      p[0] = static_cast<u8>(v);
      p[1] = static_cast<u8>(v >> 8);
      p[2] = static_cast<u8>(v >> 16);
      break;
    case 4:
      std::memcpy(p, &v, 4);
      break;
    default:
      break;
  }
}

// A palette entry as an X8R8G8B8 value (blue, green, red, reserved bytes).
inline u32 PaletteEntry(const ColorData& format, u32 index) {
  const u8* e = format.palette[index & 0xFF];
  return static_cast<u32>(e[0]) | static_cast<u32>(e[1]) << 8 | static_cast<u32>(e[2]) << 16 |
         static_cast<u32>(e[3]) << 24;
}

// The format pairs the fast paths know.
enum FastFormat { kOther, kPal8, kRGB24, kR5G6B5, kX1R5G5B5, kA1R5G5B5, kX8R8G8B8, kA8R8G8B8 };

FastFormat Classify(const ColorData& c) {
  if (c.bitsPerPixel == 8) return kPal8;
  if (c.bitsPerPixel == 24 && c.maskR == 0xFF0000 && c.maskG == 0xFF00 && c.maskB == 0xFF && c.maskA == 0)
    return kRGB24;
  if (c.bitsPerPixel == 16 && c.maskR == 0xF800 && c.maskG == 0x07E0 && c.maskB == 0x1F && c.maskA == 0)
    return kR5G6B5;
  if (c.bitsPerPixel == 16 && c.maskR == 0x7C00 && c.maskG == 0x03E0 && c.maskB == 0x1F) {
    if (c.maskA == 0) return kX1R5G5B5;
    if (c.maskA == 0x8000) return kA1R5G5B5;
  }
  if (c.bitsPerPixel == 32 && c.maskR == 0xFF0000 && c.maskG == 0xFF00 && c.maskB == 0xFF) {
    if (c.maskA == 0) return kX8R8G8B8;
    if (c.maskA == 0xFF000000u) return kA8R8G8B8;
  }
  return kOther;
}

// 0x00RRGGBB reduced to a 15-bit colour.
inline u32 Reduce555(u32 rgb) { return (rgb >> 9 & 0x7C00) | (rgb >> 6 & 0x3E0) | (rgb >> 3 & 0x1F); }

struct Rows {
  u8* dest;
  int destPitch;
  const u8* src;
  int srcPitch;
  int width;
  int height;
};

// Runs convert(sourcePixel) -> destination value over every pixel of the rectangle.
template <int SrcBytes, int DestBytes, typename F>
void ConvertLoop(const Rows& rows, F convert) {
  for (int y = 0; y < rows.height; ++y) {
    const u8* s = rows.src + static_cast<std::ptrdiff_t>(y) * rows.srcPitch;
    u8* d = rows.dest + static_cast<std::ptrdiff_t>(y) * rows.destPitch;
    for (int x = 0; x < rows.width; ++x, s += SrcBytes, d += DestBytes) StorePixel(d, DestBytes, convert(LoadPixel(s, SrcBytes)));
  }
}

// The fast paths; false when the pair has none.
bool FastPath(const Rows& rows, const ColorData& dst, const ColorData& src, bool keyToAlpha, u32 key) {
  const FastFormat sf = Classify(src);
  const FastFormat df = Classify(dst);
  const u32 key24 = key & 0xFFFFFF;
  const u32 key15 = Reduce555(key24);
  auto pal = [&src](u32 index) { return PaletteEntry(src, index); };
  if (sf == kPal8) {
    if (!keyToAlpha && df == kR5G6B5) {
      ConvertLoop<1, 2>(rows, [&](u32 p) {
        const u32 e = pal(p);
        return (e >> 8 & 0xF800) | (e >> 5 & 0x7E0) | (e >> 3 & 0x1F);
      });
      return true;
    }
    if (!keyToAlpha && df == kX1R5G5B5) {
      ConvertLoop<1, 2>(rows, [&](u32 p) { return Reduce555(pal(p)) | 0x8000; });
      return true;
    }
    if (!keyToAlpha && df == kX8R8G8B8) {
      ConvertLoop<1, 4>(rows, [&](u32 p) { return pal(p) | 0xFF000000u; });
      return true;
    }
    if (keyToAlpha && df == kA1R5G5B5) {
      ConvertLoop<1, 2>(rows, [&](u32 p) {
        const u32 e = pal(p);
        return Reduce555(e) | ((e & 0xFFFFFF) == key24 ? 0u : 0x8000u);
      });
      return true;
    }
    if (keyToAlpha && df == kA8R8G8B8) {
      ConvertLoop<1, 4>(rows, [&](u32 p) {
        const u32 e = pal(p);
        return (e & 0xFFFFFF) == key24 ? e : e | 0xFF000000u;
      });
      return true;
    }
    return false;
  }
  if (sf == kRGB24) {
    if (!keyToAlpha && df == kR5G6B5) {
      ConvertLoop<3, 2>(rows, [](u32 p) { return (p >> 8 & 0xF800) | (p >> 5 & 0x7E0) | (p >> 3 & 0x1F); });
      return true;
    }
    if (!keyToAlpha && df == kX1R5G5B5) {
      ConvertLoop<3, 2>(rows, [](u32 p) { return Reduce555(p) | 0x8000; });
      return true;
    }
    if (!keyToAlpha && (df == kX8R8G8B8 || df == kA8R8G8B8)) {
      ConvertLoop<3, 4>(rows, [](u32 p) { return p | 0xFF000000u; });
      return true;
    }
    if (keyToAlpha && df == kA1R5G5B5) {
      ConvertLoop<3, 2>(rows, [&](u32 p) {
        const u32 c = Reduce555(p);
        return c | (c == key15 ? 0u : 0x8000u);
      });
      return true;
    }
    if (keyToAlpha && df == kA8R8G8B8) {
      ConvertLoop<3, 4>(rows, [&](u32 p) { return p == key24 ? p : p | 0xFF000000u; });
      return true;
    }
    return false;
  }
  if (sf == kX8R8G8B8 && df == kR5G6B5) {
    ConvertLoop<4, 2>(rows, [](u32 p) { return ((p & 0xF80000) >> 8) | ((p & 0xFC00) >> 5) | ((p & 0xF8) >> 3); });
    return true;
  }
  if (sf == kR5G6B5) {
    auto widen = [](u32 p) { return ((p & 0xF800) << 8) | ((p & 0x7E0) << 5) | ((p & 0x1F) << 3); };
    if (df == kRGB24) {
      ConvertLoop<2, 3>(rows, widen);
      return true;
    }
    if (df == kX8R8G8B8) {
      ConvertLoop<2, 4>(rows, widen);
      return true;
    }
    if (df == kX1R5G5B5) {
      ConvertLoop<2, 2>(rows, [](u32 p) { return ((p & 0xFFC0) >> 1) | (p & 0x1F); });
      return true;
    }
    if (keyToAlpha && df == kA1R5G5B5) {
      ConvertLoop<2, 2>(rows, [&](u32 p) {
        const u32 c = ((p & 0xFFC0) >> 1) | (p & 0x1F);
        return c | (c == key15 ? 0u : 0x8000u);
      });
      return true;
    }
    return false;
  }
  if (sf == kX1R5G5B5 && df == kR5G6B5) {
    ConvertLoop<2, 2>(rows, [](u32 p) { return ((p & 0x7FE0) << 1) | (p & 0x3F); });
    return true;
  }
  return false;
}

// One channel's conversion from the source width to the destination width.
struct Channel {
  u32 srcMask;
  int srcShift;
  int n;  // source width - destination width
  u32 srcMax;
  u32 dstMax;
  int dstShift;

  void Set(u32 mask, int shift, int srcWidth, int dstWidth, int destShift) {
    srcMask = mask;
    srcShift = shift;
    n = srcWidth - dstWidth;
    srcMax = shift < 32 ? mask >> shift : 0;
    dstMax = dstWidth >= 32 ? 0xFFFFFFFFu : (1u << dstWidth) - 1u;
    dstShift = destShift;
  }
  u32 Extract(u32 p) const { return (p & srcMask) >> srcShift; }
  u32 Scale(u32 c) const {
    if (n > 0) return n >= 32 ? 0 : c >> n;
    if (n < 0) {
      if (srcMax == 0) return 0;
      const int up = -n;
      return static_cast<u32>((static_cast<u64>(c) << up) + static_cast<u64>(c) * ((u64{1} << up) - 1) / srcMax);
    }
    return c;
  }
};

constexpr int kDitherMatrix[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

struct GeneralArgs {
  u8* dest;
  int destPitch;
  const u8* src;
  int srcPitch;
  const u8* alpha;
  int alphaPitch;
  int width;
  int height;
  bool reverse;
  bool keyToAlpha;
  bool alphaFromPlane;
  bool alphaFromRed;
  bool black;
  bool skipKey;
  u32 key;
  int ditherMode;
};

void GeneralPath(const GeneralArgs& a, const ColorData& dst, const ColorData& src, const ColorData& plane) {
  const int srcBytes = src.bytesPerPixel;
  const int dstBytes = dst.bytesPerPixel;
  const int planeBytes = plane.bytesPerPixel;
  const bool srcPalette = src.bitsPerPixel == 8;
  const bool planePalette = plane.bitsPerPixel == 8;
  const bool adjust = src.widthR != dst.widthR || src.widthG != dst.widthG || plane.widthR != dst.widthA;

  Channel r{}, g{}, b{}, al{}, pa{};
  r.Set(src.maskR, src.shiftR, src.widthR, dst.widthR, dst.shiftR);
  g.Set(src.maskG, src.shiftG, src.widthG, dst.widthG, dst.shiftG);
  b.Set(src.maskB, src.shiftB, src.widthB, dst.widthB, dst.shiftB);
  al.Set(src.maskA, src.shiftA, src.widthA, dst.widthA, dst.shiftA);
  pa.Set(plane.maskR, plane.shiftR, plane.widthR, dst.widthA, dst.shiftA);
  const u32 fullAlpha = dst.maskA == 0 ? 0 : dst.maskA >> dst.shiftA;
  const bool srcHasAlpha = src.widthA != 0;

  // Skip key: a raw source value, cut to the source's width unless it is a colour (key to alpha). An 8-bit source
  // compares its palette index; as a colour key it compares the palette entry's colour.
  u32 skip = a.key;
  if (!a.keyToAlpha) {
    if (src.bitsPerPixel < 32) skip &= (1u << src.bitsPerPixel) - 1u;
  } else if (srcPalette) {
    skip &= 0xFFFFFF;
  }

  // Key to alpha compares the converted colour with the key colour packed in the destination format.
  u32 keyR = 0, keyG = 0, keyB = 0;
  if (a.keyToAlpha) {
    const u32 kv = MakePixelValue(&dst, static_cast<int>(a.key >> 16 & 0xFF), static_cast<int>(a.key >> 8 & 0xFF),
                                  static_cast<int>(a.key & 0xFF), 255);
    keyR = dst.widthR ? (kv & dst.maskR) >> dst.shiftR : 0;
    keyG = dst.widthG ? (kv & dst.maskG) >> dst.shiftG : 0;
    keyB = dst.widthB ? (kv & dst.maskB) >> dst.shiftB : 0;
  }

  const bool dither = adjust && a.ditherMode != 0;
  u32 accR = 0, accG = 0, accB = 0;
  auto ditherChannel = [&](const Channel& ch, u32 raw, u32 value, int index, u32* acc) -> u32 {
    if (ch.n <= 0 || ch.n >= 32) return value;
    const u32 droppedMask = (1u << ch.n) - 1u;
    const u32 dropped = raw & droppedMask;
    bool up = false;
    if (a.ditherMode == 1) {
      up = dropped > ((static_cast<u64>(1) << ch.n) * static_cast<u64>(kDitherMatrix[index]) >> 4);
    } else if (a.ditherMode == 2) {
      *acc += dropped;
      up = *acc > droppedMask;
      *acc &= droppedMask;
    }
    return up && value < ch.dstMax ? value + 1 : value;
  };

  const u32 dstUnused = dst.unusedMask;
  for (int y = 0; y < a.height; ++y) {
    const u8* s = a.src + static_cast<std::ptrdiff_t>(y) * a.srcPitch;
    const u8* p = a.alpha != nullptr ? a.alpha + static_cast<std::ptrdiff_t>(y) * a.alphaPitch : nullptr;
    u8* d = a.dest + static_cast<std::ptrdiff_t>(y) * a.destPitch;
    std::ptrdiff_t step = dstBytes;
    if (a.reverse) {
      d += static_cast<std::ptrdiff_t>(a.width - 1) * dstBytes;
      step = -step;
    }
    for (int x = 0; x < a.width; ++x, s += srcBytes, d += step) {
      u32 v = LoadPixel(s, srcBytes);
      if (srcPalette) {
        const u32 index = v;
        v = PaletteEntry(src, index);
        if (a.skipKey && (a.keyToAlpha ? (v & 0xFFFFFF) == skip : index == skip)) continue;
      } else if (a.skipKey && v == skip) {
        continue;
      }
      const u32 rawR = r.Extract(v), rawG = g.Extract(v), rawB = b.Extract(v);
      u32 cr = adjust ? r.Scale(rawR) : rawR;
      u32 cg = adjust ? g.Scale(rawG) : rawG;
      u32 cb = adjust ? b.Scale(rawB) : rawB;

      u32 ca;
      if (a.alphaFromPlane) {
        u32 pv = p != nullptr ? LoadPixel(p + static_cast<std::ptrdiff_t>(x) * planeBytes, planeBytes) : 0;
        if (planePalette) pv = PaletteEntry(plane, pv);
        const u32 raw = pa.Extract(pv);
        ca = adjust ? pa.Scale(raw) : raw;
      } else if (!srcHasAlpha) {
        ca = fullAlpha;
      } else if (dst.maskA == 0) {
        ca = 0;
      } else {
        const u32 raw = al.Extract(v);
        ca = adjust ? al.Scale(raw) : raw;
      }
      if (a.alphaFromRed) ca = cr;
      if (a.black) cr = cg = cb = 0;

      if (a.keyToAlpha) ca = (cr == keyR && cg == keyG && cb == keyB) ? 0 : fullAlpha;

      if (dither && !a.black) {
        const int index = (x & 3) + (y & 3) * 4;
        cr = ditherChannel(r, rawR, cr, index, &accR);
        cg = ditherChannel(g, rawG, cg, index, &accG);
        cb = ditherChannel(b, rawB, cb, index, &accB);
      }

      u32 out = (dst.widthR ? (cr << dst.shiftR) & dst.maskR : 0) | (dst.widthG ? (cg << dst.shiftG) & dst.maskG : 0) |
                (dst.widthB ? (cb << dst.shiftB) & dst.maskB : 0) | (dst.widthA ? (ca << dst.shiftA) & dst.maskA : 0);
      if (dstBytes == 2 || dstBytes == 4) out |= dstUnused;
      StorePixel(d, dstBytes, out);
    }
  }
}

}  // namespace

int ConvertTransferRect(void* destPixels, int destPitch, const ColorData* destFormat, const void* srcPixels,
                        int srcPitch, const ColorData* srcFormat, const void* alphaPixels, int alphaPitch,
                        const ColorData* alphaFormat, int destX, int destY, const ImageRect* srcRect, int reverse,
                        int keyToAlpha, std::uint32_t key, int ditherMode, int black, int alphaFromRed, int skipKey) {
  const int width = srcRect->right - srcRect->left;
  const int height = srcRect->bottom - srcRect->top;
  if (width <= 0 || height <= 0) return -1;

  // The three formats as locals.
  const ColorData dst = *destFormat;
  const ColorData src = *srcFormat;
  ColorData plane{};
  if (alphaFormat != nullptr) plane = *alphaFormat;

  const bool hasPlane = alphaPixels != nullptr;
  const bool destAlpha = dst.widthA != 0;
  const bool srcAlpha = src.widthA != 0;
  const bool alphaFromSource = destAlpha && (hasPlane || srcAlpha);
  const bool alphaFromPlane = destAlpha && hasPlane && !srcAlpha;
  bool kta = keyToAlpha != 0;
  if (alphaFromSource || !destAlpha || alphaFromRed != 0) kta = false;
  bool skip = skipKey != 0;
  if (alphaFromSource || reverse != 0) skip = false;

  const int srcBytes = src.bytesPerPixel;
  const int dstBytes = dst.bytesPerPixel;
  u8* dest = static_cast<u8*>(destPixels) + static_cast<std::ptrdiff_t>(destY) * destPitch +
             static_cast<std::ptrdiff_t>(destX) * dstBytes;
  const u8* source = static_cast<const u8*>(srcPixels) + static_cast<std::ptrdiff_t>(srcRect->top) * srcPitch +
                     static_cast<std::ptrdiff_t>(srcRect->left) * srcBytes;
  const u8* alpha = nullptr;
  if (hasPlane)
    alpha = static_cast<const u8*>(alphaPixels) + static_cast<std::ptrdiff_t>(srcRect->top) * alphaPitch +
            static_cast<std::ptrdiff_t>(srcRect->left) * plane.bytesPerPixel;

  // 8-bit destination: only from an 8-bit source, bytes unchanged.
  if (dst.bitsPerPixel == 8 && black == 0 && !skip) {
    if (src.bitsPerPixel != 8) return -1;
    int largest = 0;
    for (int y = 0; y < height; ++y) {
      const u8* s = source + static_cast<std::ptrdiff_t>(y) * srcPitch;
      u8* d = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
      std::memcpy(d, s, static_cast<size_t>(width));
      for (int x = 0; x < width; ++x)
        if (s[x] > largest) largest = s[x];
    }
    return largest;
  }

  const bool sameRgb = dst.bitsPerPixel == src.bitsPerPixel && dst.maskR == src.maskR && dst.maskG == src.maskG &&
                       dst.maskB == src.maskB;
  const bool sameFormat = sameRgb && dst.maskA == src.maskA;

  // Same format: a plain copy (mirrored, or leaving key pixels unwritten).
  if (sameFormat && !kta && !alphaFromPlane && black == 0 && alphaFromRed == 0) {
    const int bytes = dstBytes;
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytes);
    u32 cut = key;
    if (bytes < 4) cut &= (1u << (8 * bytes)) - 1u;
    for (int y = 0; y < height; ++y) {
      const u8* s = source + static_cast<std::ptrdiff_t>(y) * srcPitch;
      u8* d = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
      if (reverse != 0) {
        u8* out = d + rowBytes - static_cast<size_t>(bytes);
        for (int x = 0; x < width; ++x, s += bytes, out -= bytes) std::memcpy(out, s, static_cast<size_t>(bytes));
      } else if (skip) {
        for (int x = 0; x < width; ++x, s += bytes, d += bytes)
          if (LoadPixel(s, bytes) != cut) std::memcpy(d, s, static_cast<size_t>(bytes));
      } else {
        std::memmove(d, s, rowBytes);
      }
    }
    return 0;
  }

  // Same colour layout into a destination with alpha: the key colour gets alpha 0, every other pixel full alpha.
  if (!skip && destAlpha && kta && black == 0 && alphaFromRed == 0 && sameRgb && (dstBytes == 2 || dstBytes == 4)) {
    const u32 rgbMask = dst.maskR | dst.maskG | dst.maskB;
    const u32 others = (dstBytes == 4 ? 0xFFFFFFFFu : 0xFFFFu) & ~rgbMask;
    const u32 keyValue =
        MakePixelValue(&dst, static_cast<int>(key >> 16 & 0xFF), static_cast<int>(key >> 8 & 0xFF),
                       static_cast<int>(key & 0xFF), 255) |
        others;
    for (int y = 0; y < height; ++y) {
      const u8* s = source + static_cast<std::ptrdiff_t>(y) * srcPitch;
      u8* d = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
      std::ptrdiff_t step = dstBytes;
      if (reverse != 0) {
        d += static_cast<std::ptrdiff_t>(width - 1) * dstBytes;
        step = -step;
      }
      for (int x = 0; x < width; ++x, s += srcBytes, d += step) {
        u32 v = LoadPixel(s, srcBytes) | others;
        if (v == keyValue) v &= ~dst.maskA;
        StorePixel(d, dstBytes, v);
      }
    }
    return 0;
  }

  if (!skip && ditherMode == 0 && black == 0 && alphaFromRed == 0 && reverse == 0 && !hasPlane) {
    const Rows rows{dest, destPitch, source, srcPitch, width, height};
    if (FastPath(rows, dst, src, kta, key)) return 0;
  }

  GeneralArgs args{};
  args.dest = dest;
  args.destPitch = destPitch;
  args.src = source;
  args.srcPitch = srcPitch;
  args.alpha = alpha;
  args.alphaPitch = alphaPitch;
  args.width = width;
  args.height = height;
  args.reverse = reverse != 0;
  args.keyToAlpha = kta;
  args.alphaFromPlane = alphaFromPlane;
  args.alphaFromRed = alphaFromRed != 0;
  args.black = black != 0;
  args.skipKey = skip;
  args.key = key;
  args.ditherMode = ditherMode;
  GeneralPath(args, dst, src, plane);
  return 0;
}

int FillUnusedBitsRect(const ImageRect* rect, void* pixels, int pitch, const ColorData* format, std::uint32_t value) {
  if (format->unusedMask == 0) return 0;
  int left = rect->left, right = rect->right, top = rect->top, bottom = rect->bottom;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int bytes = format->bytesPerPixel;
  if (bytes != 2 && bytes != 4) return 0;
  const u32 bits = (format->unusedShift < 32 ? value << format->unusedShift : 0) & format->unusedMask;
  for (int y = top; y < bottom; ++y) {
    u8* row = static_cast<u8*>(pixels) + static_cast<std::ptrdiff_t>(y) * pitch;
    for (int x = left; x < right; ++x) {
      u8* p = row + static_cast<std::ptrdiff_t>(x) * bytes;
      if (bytes == 4 && format->unusedMask == 0xFF000000u) {
        p[3] = static_cast<u8>(p[3] | value);
      } else {
        StorePixel(p, bytes, LoadPixel(p, bytes) | bits);
      }
    }
  }
  return 0;
}
