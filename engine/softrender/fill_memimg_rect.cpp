#include "engine/softrender/fill_memimg_rect.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "engine/graphics/blend_tables.h"
#include "engine/softrender/draw_memimg.h"

namespace {

// Mode 1 over 32-bit pixels, 8 at a time: (d (256 - P) + c P) >> 8 per component, X kept. Returns the pixels done.
__attribute__((target("avx2"))) int FillAlpha32Avx2(std::uint8_t* dst, int n, std::uint32_t colour, int param) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i xMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i cP = _mm256_mullo_epi16(_mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(colour)), zero),
                                        _mm256_set1_epi16(static_cast<short>(param)));
  const __m256i inv = _mm256_set1_epi16(static_cast<short>(256 - param));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i* p = reinterpret_cast<__m256i*>(dst + 4 * i);
    const __m256i D = _mm256_loadu_si256(p);
    const __m256i lo = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(D, zero), inv), cP), 8);
    const __m256i hi = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(D, zero), inv), cP), 8);
    const __m256i r = _mm256_packus_epi16(lo, hi);
    _mm256_storeu_si256(p, _mm256_or_si256(_mm256_andnot_si256(xMask, r), _mm256_and_si256(D, xMask)));
  }
  return i;
}

void Fill32(const FillSpan& sp, std::uint8_t* dst, int n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i xMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  switch (sp.mode) {
    case 0: {
      if ((reinterpret_cast<std::uintptr_t>(dst) & 3) == 0) {  // the C library's tuned 4-byte fill
        std::wmemset(reinterpret_cast<wchar_t*>(dst), static_cast<wchar_t>(sp.colour), static_cast<std::size_t>(n));
        return;
      }
      const __m128i c = _mm_set1_epi32(static_cast<int>(sp.colour));
      for (; i + 4 <= n; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), c);
      for (; i < n; ++i) std::memcpy(dst + 4 * i, &sp.colour, 4);
      return;
    }
    case 1: {
      static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
      if (avx2) i = FillAlpha32Avx2(dst, n, sp.colour, sp.param);
      // (256 d + (c - d) P) >> 8 = (d (256 - P) + c P) >> 8, below 65536.
      const __m128i cP = _mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(sp.colour)), zero),
                                         _mm_set1_epi16(static_cast<short>(sp.param)));
      const __m128i inv = _mm_set1_epi16(static_cast<short>(256 - sp.param));
      auto op = [&](__m128i D) {
        const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(D, zero), inv), cP), 8);
        const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(D, zero), inv), cP), 8);
        const __m128i r = _mm_packus_epi16(lo, hi);
        return _mm_or_si128(_mm_andnot_si128(xMask, r), _mm_and_si128(D, xMask));
      };
      for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(dst + 4 * i);
        _mm_storeu_si128(p, op(_mm_loadu_si128(p)));
      }
      if (i < n) {
        alignas(16) std::uint8_t t[16] = {};
        std::memcpy(t, dst + 4 * i, static_cast<std::size_t>(n - i) * 4);
        _mm_store_si128(reinterpret_cast<__m128i*>(t), op(_mm_load_si128(reinterpret_cast<__m128i*>(t))));
        std::memcpy(dst + 4 * i, t, static_cast<std::size_t>(n - i) * 4);
      }
      return;
    }
    case 2:
    case 3: {
      const __m128i s = _mm_set1_epi32(static_cast<int>(sp.scaled));
      const bool add = sp.mode == 2;
      auto op = [&](__m128i D) { return add ? _mm_adds_epu8(D, s) : _mm_subs_epu8(D, s); };
      for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(dst + 4 * i);
        _mm_storeu_si128(p, op(_mm_loadu_si128(p)));
      }
      for (; i < n; ++i) {
        std::uint32_t v;
        std::memcpy(&v, dst + 4 * i, 4);
        __m128i r = op(_mm_cvtsi32_si128(static_cast<int>(v)));
        v = static_cast<std::uint32_t>(_mm_cvtsi128_si32(r));
        std::memcpy(dst + 4 * i, &v, 4);
      }
      return;
    }
    default: {
      const std::uint32_t c = sp.colour;
      for (; i < n; ++i) {
        std::uint32_t d;
        std::memcpy(&d, dst + 4 * i, 4);
        std::uint32_t out = d & 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8) out |= ((((d >> sh) & 0xFF) * ((c >> sh) & 0xFF)) >> 8) << sh;
        std::memcpy(dst + 4 * i, &out, 4);
      }
      return;
    }
  }
}

void Fill16(const FillSpan& sp, std::uint8_t* dst, int n) {
  const int cR = static_cast<int>(sp.colour >> 11) & 31, cG = static_cast<int>(sp.colour >> 5) & 63,
            cB = static_cast<int>(sp.colour) & 31;
  const int sR = static_cast<int>(sp.scaled >> 11) & 31, sG = static_cast<int>(sp.scaled >> 5) & 63,
            sB = static_cast<int>(sp.scaled) & 31;
  const std::int32_t* delta = &BlendDeltaTable[sp.param][kBlendDeltaZero];
  const std::uint16_t c16 = static_cast<std::uint16_t>(sp.colour);
  for (int i = 0; i < n; ++i, dst += 2) {
    if (sp.mode == 0) {
      std::memcpy(dst, &c16, 2);
      continue;
    }
    std::uint16_t d;
    std::memcpy(&d, dst, 2);
    int r = d >> 11, g = (d >> 5) & 63, b = d & 31;
    switch (sp.mode) {
      case 1: r += delta[cR - r]; g += delta[cG - g]; b += delta[cB - b]; break;
      case 2: r = std::min(r + sR, 31); g = std::min(g + sG, 63); b = std::min(b + sB, 31); break;
      case 3: r = std::max(r - sR, 0); g = std::max(g - sG, 0); b = std::max(b - sB, 0); break;
      default: r = (r * cR) >> 5; g = (g * cG) >> 6; b = (b * cB) >> 5; break;
    }
    const std::uint16_t out = static_cast<std::uint16_t>((r << 11) | (g << 5) | b);
    std::memcpy(dst, &out, 2);
  }
}

}  // namespace

int PrepareFillSpan(FillSpan* sp, int format, const GraphDrawState& state, std::uint32_t colour) {
  if (format != kFormat16 && format != kFormat32) return -1;
  int mode = state.BlendMode;
  const int P = std::clamp(state.BlendParam, 0, 255);
  if (mode < 0 || mode > 4) return -1;
  if (mode >= 1 && mode <= 3 && P == 0) return -1;
  if (mode == 1 && P == 255) mode = 0;
  const std::uint32_t br = state.Brightness & 0xFFFFFFu;
  if (format == kFormat16) colour &= 0xFFFFu;
  if (br != kNoBrightness) {
    const std::uint32_t bB = br & 0xFF, bG = (br >> 8) & 0xFF, bR = (br >> 16) & 0xFF;
    if (format == kFormat32) {
      colour = (colour & 0xFF000000u) | ((((colour >> 16) & 0xFF) * bR >> 8) << 16) |
               ((((colour >> 8) & 0xFF) * bG >> 8) << 8) | ((colour & 0xFF) * bB >> 8);
    } else {
      colour = ((((colour >> 11) & 31) * bR >> 8) << 11) | ((((colour >> 5) & 63) * bG >> 8) << 5) |
               ((colour & 31) * bB >> 8);
    }
  }
  sp->format = format;
  sp->mode = mode;
  sp->param = P;
  sp->colour = colour;
  const std::int32_t* scale = BlendScaleTable[P];
  if (format == kFormat32) {
    sp->scaled = static_cast<std::uint32_t>(scale[(colour >> 16) & 0xFF] << 16 | scale[(colour >> 8) & 0xFF] << 8 |
                                            scale[colour & 0xFF]);
  } else {
    sp->scaled = static_cast<std::uint32_t>(scale[(colour >> 11) & 31] << 11 | scale[(colour >> 5) & 63] << 5 |
                                            scale[colour & 31]);
  }
  return 0;
}

void RunFillSpan(const FillSpan& span, std::uint8_t* dst, int n) {
  if (span.format == kFormat32) Fill32(span, dst, n);
  else Fill16(span, dst, n);
}

void FillMemImgRect(MEMIMG* dest, const RECT* rect, std::uint32_t colour) {
  if (dest == nullptr || dest->Image == nullptr || dest->UsePalette == 1 || dest->UseAlpha == 1) return;
  RECT r = rect != nullptr ? *rect : RECT{0, 0, dest->Width, dest->Height};
  NormalizeRect(&r);
  const RECT area = SoftRenderClipArea(dest);
  ClipRect(&r, &area);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  FillSpan span;
  if (PrepareFillSpan(&span, dest->Format, g_GraphDrawState, colour) != 0) return;
  dest->RunsValid = 0;
  dest->PremulValid = 0;
  const int bpp = dest->Format == kFormat32 ? 4 : 2;
  std::uint8_t* row = dest->Image + static_cast<std::int64_t>(r.top) * dest->Pitch + static_cast<std::int64_t>(r.left) * bpp;
  for (int y = 0; y < h; ++y, row += dest->Pitch) RunFillSpan(span, row, w);
}
