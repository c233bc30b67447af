#include "engine/graphics/memimg.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/core/mem_alloc.h"
#include "platform/base/pixel_fill.h"
#include "engine/graphics/screen_format.h"

namespace {

int BytesPerPixel(int format, int usePalette, int useAlpha) {
  if (format == kFormat16 && useAlpha == 1) return 4;
  if (usePalette == 1) return 1;
  switch (format) {
    case kFormat16: return 2;
    case kFormat32: return 4;
    case kFormat8: return 1;
    default: return 2;
  }
}

int PitchShiftFor(int pitch, std::int64_t rowBytes) {
  std::int64_t p = 1;
  int n = 0;
  while (p < rowBytes) {
    p <<= 1;
    ++n;
  }
  return p == pitch ? n : -1;
}

std::uint32_t LoadPixel(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  if (bytes == 4) std::memcpy(&v, p, 4);
  else if (bytes == 2) { std::uint16_t w; std::memcpy(&w, p, 2); v = w; }
  else v = *p;
  return v;
}


// One row's pixel kinds as bit masks, bit i of word w standing for pixel 64 w + i: `skip` and `translucent`, the
// others solid. 32-bit pixels: alpha in the top byte, or compared whole with the key.
void RowKinds32(const std::uint8_t* row, int width, bool alpha, std::uint32_t key, std::uint64_t* skip,
                std::uint64_t* translucent) {
  const __m128i keys = _mm_set1_epi32(static_cast<int>(key));
  const __m128i opaque = _mm_set1_epi32(255);
  for (int first = 0, w = 0; first < width; first += 64, ++w) {
    const int n = std::min(64, width - first);
    const std::uint8_t* p = row + static_cast<std::int64_t>(first) * 4;
    std::uint64_t s = 0, t = 0;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * i));
      if (alpha) {
        const __m128i a = _mm_srli_epi32(v, 24);
        const __m128i none = _mm_cmpeq_epi32(a, _mm_setzero_si128());
        const __m128i some = _mm_or_si128(none, _mm_cmpeq_epi32(a, opaque));
        s |= static_cast<std::uint64_t>(_mm_movemask_ps(_mm_castsi128_ps(none))) << i;
        t |= static_cast<std::uint64_t>(~_mm_movemask_ps(_mm_castsi128_ps(some)) & 15) << i;
      } else {
        s |= static_cast<std::uint64_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(v, keys)))) << i;
      }
    }
    for (; i < n; ++i) {
      const std::uint32_t v = LoadPixel(p + 4 * i, 4);
      const std::uint32_t a = v >> 24;
      if (alpha ? a == 0 : v == key) s |= std::uint64_t{1} << i;
      if (alpha && a != 0 && a != 255) t |= std::uint64_t{1} << i;
    }
    skip[w] = s;
    translucent[w] = t;
  }
}

// The run codes of one row from its kind masks (RowKinds32): a run ends where the kind changes or after
// kRunMaxLength pixels; then the row end. Returns the position after the row end.
std::uint8_t* EmitRuns(std::uint8_t* out, const std::uint64_t* skip, const std::uint64_t* translucent, int width) {
  const int words = (width + 63) / 64;
  int x = 0;
  while (x < width) {
    const int w = x / 64, bit = x % 64;
    const int kind = (skip[w] >> bit) & 1 ? kRunSkip : ((translucent[w] >> bit) & 1 ? kRunTranslucent : kRunSolid);
    // Bits of the pixels of another kind.
    auto other = [&](int i) {
      return kind == kRunSkip ? ~skip[i] : kind == kRunTranslucent ? ~translucent[i] : skip[i] | translucent[i];
    };
    int i = w;
    std::uint64_t differ = other(i) & (~std::uint64_t{0} << bit);
    while (differ == 0 && ++i < words) differ = other(i);
    const int end = differ == 0 ? width : std::min(width, i * 64 + __builtin_ctzll(differ));
    while (x < end) {
      const int n = std::min(end - x, kRunMaxLength);
      *out++ = static_cast<std::uint8_t>((kind << 6) | (n - 1));
      x += n;
    }
  }
  *out++ = kRunRowEnd;
  return out;
}

}  // namespace

int MemImgBytesPerPixel(const MEMIMG* image) { return BytesPerPixel(image->Format, image->UsePalette, image->UseAlpha); }

int InitMemImg(MEMIMG* image, int width, int height, int pitch, std::uint32_t transColor, int format, int usePalette,
               int useAlpha, int makeAux) {
  if (image->Tag == kMemImgTag) return -1;
  if (width < 1 || height < 1 || width > kMemImgMaxSide || height > kMemImgMaxSide) return -1;
  if (format < kFormat16 || format > kFormatDepth16) return -1;
  if (format == kFormat8 || format == kFormatDepth16) usePalette = useAlpha = 0;
  usePalette = usePalette == 1 ? 1 : 0;
  useAlpha = usePalette == 1 ? 0 : (useAlpha == 1 ? 1 : 0);
  const int bpp = BytesPerPixel(format, usePalette, useAlpha);
  const std::int64_t rowBytes = static_cast<std::int64_t>(bpp) * width;
  std::int64_t actualPitch = pitch == -1 ? (rowBytes + 15) / 16 * 16 : pitch;
  if (actualPitch < rowBytes || actualPitch * height > kMemImgMaxBytes) return -1;

  image->Width = width;
  image->Height = height;
  image->Pitch = static_cast<std::int32_t>(actualPitch);
  image->PitchShift = PitchShiftFor(image->Pitch, pitch == -1 ? rowBytes : pitch);
  image->ColorInfo = format <= kFormat32 ? GetStandardColorData(format, useAlpha, usePalette)
                                         : GetStandardColorData(format, 0, 0);
  image->TransColor = transColor;
  image->Reserved = 0;
  image->Format = format;
  image->UsePalette = usePalette;
  image->PaletteCount = 0;
  image->UseAlpha = useAlpha;
  image->PremulValid = 0;
  image->RunsValid = 0;
  image->Palette = image->PaletteTable1;
  image->Palette2 = image->PaletteTable2;
  image->PremulImage = nullptr;
  image->RunTable = nullptr;

  const int bytes = static_cast<int>(actualPitch * height);
  if (image->Image != nullptr) {
    image->NotOwned = 1;
  } else {
    image->NotOwned = 0;
    image->Image = static_cast<std::uint8_t*>(ENGINE_ALLOC(bytes));
    if (image->Image == nullptr) return -1;
  }
  if (makeAux != 0) {
    bool failed = false;
    if (useAlpha == 1) {
      image->PremulImage = static_cast<std::uint8_t*>(ENGINE_ALLOC(bytes));
      failed = image->PremulImage == nullptr;
    }
    if (!failed && format != kFormat8) {
      const std::int64_t runBytes = (static_cast<std::int64_t>(width) + 5) * height;
      image->RunTable = static_cast<std::uint8_t*>(ENGINE_ALLOC(static_cast<int>(runBytes)));
      failed = image->RunTable == nullptr;
    }
    if (failed) {
      if (image->PremulImage != nullptr) MemFree(image->PremulImage);
      if (image->RunTable != nullptr) MemFree(image->RunTable);
      image->PremulImage = image->RunTable = nullptr;
      if (image->NotOwned == 0) {
        MemFree(image->Image);
        image->Image = nullptr;
      }
      return -1;
    }
  }
  image->Tag = kMemImgTag;
  return 0;
}

int MakeMemImg(MEMIMG* image, int width, int height, int format) {
  std::memset(image, 0, sizeof(*image));
  if (format == -1) format = ScreenRequestedBits() == 16 ? kFormat16 : kFormat32;
  return InitMemImg(image, width, height, -1, 0, format, 0, 0, 0);
}

int MakeZBufferMemImg(MEMIMG* image, int width, int height) {
  std::memset(image, 0, sizeof(*image));
  return InitMemImg(image, width, height, -1, 0, kFormatDepth16, 0, 0, 0);
}

void DeriveMemImg(MEMIMG* view, const MEMIMG* parent, int x, int y, int width, int height) {
  // Keep the view inside the parent so that no later draw reads past its pixels.
  RECT r{x, y, x + (width > 0 ? width : 0), y + (height > 0 ? height : 0)};
  const RECT bounds{0, 0, parent->Width, parent->Height};
  ClipRect(&r, &bounds);
  view->Tag = kMemImgTag;
  view->Width = r.right - r.left;
  view->Height = r.bottom - r.top;
  view->Pitch = parent->Pitch;
  view->PitchShift = parent->PitchShift;
  view->ColorInfo = parent->ColorInfo;
  view->TransColor = parent->TransColor;
  view->Reserved = 0;
  view->Format = parent->Format;
  view->UsePalette = parent->UsePalette;
  view->PaletteCount = parent->PaletteCount;
  view->UseAlpha = parent->UseAlpha;
  view->PremulValid = 0;
  view->RunsValid = 0;
  view->NotOwned = 0;
  view->Palette = parent->Palette;
  view->Palette2 = parent->Palette2;
  view->Image = parent->Image == nullptr
                    ? nullptr
                    : parent->Image + static_cast<std::int64_t>(r.top) * parent->Pitch +
                          static_cast<std::int64_t>(r.left) * MemImgBytesPerPixel(parent);
  view->PremulImage = nullptr;
  view->RunTable = nullptr;
}

void ReleaseMemImg(MEMIMG* image) {
  if (image->Tag != kMemImgTag) return;
  if (image->NotOwned == 0 && image->Image != nullptr) MemFree(image->Image);
  if (image->PremulImage != nullptr) MemFree(image->PremulImage);
  if (image->RunTable != nullptr) MemFree(image->RunTable);
  image->Image = image->PremulImage = image->RunTable = nullptr;
  image->PremulValid = image->RunsValid = 0;
  image->Tag = 0;
}

int MemImgHasPixels(const MEMIMG* image) { return image->Image != nullptr ? 1 : 0; }

void FillMemImg(MEMIMG* image, const RECT* rect, std::uint32_t value) {
  if (image->Image == nullptr) return;
  const RECT bounds{0, 0, image->Width, image->Height};
  RECT r = rect != nullptr ? *rect : bounds;
  ClipRect(&r, &bounds);
  const int bpp = MemImgBytesPerPixel(image);
  if (r.right > r.left) {
    const std::int64_t rowBytes = static_cast<std::int64_t>(r.right - r.left) * bpp;
    std::uint8_t* p = image->Image + static_cast<std::int64_t>(r.top) * image->Pitch + static_cast<std::int64_t>(r.left) * bpp;
    for (int y = r.top; y < r.bottom; ++y, p += image->Pitch) {
      // Whole rows that run on into the next: one fill over all of them.
      if (rowBytes == image->Pitch) {
        platform::FillPixels(p, static_cast<std::int64_t>(r.bottom - y) * (r.right - r.left), bpp, value);
        break;
      }
      platform::FillPixels(p, r.right - r.left, bpp, value);
    }
  }
  image->RunsValid = 0;
  image->PremulValid = 0;
}

int BuildMemImgPremulPlane(MEMIMG* image) {
  if (image->PremulImage == nullptr || image->Image == nullptr || image->UseAlpha != 1 ||
      (image->Format != kFormat16 && image->Format != kFormat32))
    return -1;
  for (int y = 0; y < image->Height; ++y) {
    const std::uint8_t* p = image->Image + static_cast<std::int64_t>(y) * image->Pitch;
    std::uint8_t* out = image->PremulImage + static_cast<std::int64_t>(y) * image->Pitch;
    for (int x = 0; x < image->Width; ++x, p += 4, out += 4) {
      if (image->Format == kFormat32) {
        const unsigned a = p[3];
        out[0] = static_cast<std::uint8_t>(p[0] * a >> 8);
        out[1] = static_cast<std::uint8_t>(p[1] * a >> 8);
        out[2] = static_cast<std::uint8_t>(p[2] * a >> 8);
        out[3] = static_cast<std::uint8_t>(a);
      } else {
        const unsigned a = p[2];
        const unsigned v = p[0] | static_cast<unsigned>(p[1]) << 8;
        const unsigned r = ((v >> 11) * a) >> 8, g = (((v >> 5) & 63) * a) >> 8, b = ((v & 31) * a) >> 8;
        const unsigned w = r << 11 | g << 5 | b;
        out[0] = static_cast<std::uint8_t>(w);
        out[1] = static_cast<std::uint8_t>(w >> 8);
        out[2] = static_cast<std::uint8_t>(a);
        out[3] = 0;
      }
    }
  }
  image->PremulValid = 1;
  return 0;
}

int BuildMemImgRunTable(MEMIMG* image) {
  if (image->RunTable == nullptr || image->Image == nullptr ||
      (image->Format != kFormat16 && image->Format != kFormat32))
    return -1;
  const int bpp = MemImgBytesPerPixel(image);
  const bool alpha = image->UseAlpha == 1;
  const std::uint32_t key = image->UsePalette == 1 ? (image->TransColor & 0xFFu)
                            : bpp == 2             ? (image->TransColor & 0xFFFFu)
                                                   : image->TransColor;
  auto kindOf = [&](const std::uint8_t* p) -> int {
    if (alpha) {
      const std::uint8_t a = image->Format == kFormat16 ? p[2] : p[3];
      return a == 0 ? kRunSkip : (a == 255 ? kRunSolid : kRunTranslucent);
    }
    return LoadPixel(p, bpp) == key ? kRunSkip : kRunSolid;
  };
  std::uint8_t* out = image->RunTable;
  if (image->Format == kFormat32 && bpp == 4) {
    std::vector<std::uint64_t> masks(2 * static_cast<std::size_t>((image->Width + 63) / 64));
    std::uint64_t* skip = masks.data();
    std::uint64_t* translucent = skip + masks.size() / 2;
    for (int y = 0; y < image->Height; ++y) {
      RowKinds32(image->Image + static_cast<std::int64_t>(y) * image->Pitch, image->Width, alpha, key, skip,
                 translucent);
      out = EmitRuns(out, skip, translucent, image->Width);
    }
    image->RunsValid = 1;
    return 0;
  }
  for (int y = 0; y < image->Height; ++y) {
    const std::uint8_t* row = image->Image + static_cast<std::int64_t>(y) * image->Pitch;
    int x = 0;
    while (x < image->Width) {
      const int kind = kindOf(row + static_cast<std::int64_t>(x) * bpp);
      int n = 1;
      while (x + n < image->Width && n < kRunMaxLength && kindOf(row + static_cast<std::int64_t>(x + n) * bpp) == kind) ++n;
      *out++ = static_cast<std::uint8_t>((kind << 6) | (n - 1));
      x += n;
    }
    *out++ = kRunRowEnd;
  }
  image->RunsValid = 1;
  return 0;
}
