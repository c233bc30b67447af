// Vector loops (SSE2, four 32-bit pixels per step) for the 32-bit direct-source spans of modes 0 to 3 without a
// blend graphic: the combinations the game draws with. Exact integer equivalents replace the tables:
//   trunc(x / 255) = (x * 0x8081) >> 23 for 16-bit x (checked exhaustively by the tests);
//   d + floor((s - d) w / 256) = (d (256 - w) + s w) >> 8, which stays below 65536;
//   d + floor((s - d) W / 65536) = d + hi(s W) - hi(d W) - (lo(s W) < lo(d W)) for 16-bit W.
#include <emmintrin.h>

#include <cstring>

#include "engine/softrender/blend_span.h"

namespace {

inline __m128i Div255(__m128i x) { return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<short>(0x8081))), 7); }

// Lanes of each pixel all holding its alpha (16-bit lanes of two unpacked pixels).
inline __m128i BroadcastAlpha(__m128i px16) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, 0xFF), 0xFF); }

// d + floor((s - d) w / 65536) per 16-bit lane, w < 65536.
inline __m128i LerpWide(__m128i d, __m128i s, __m128i w) {
  const __m128i hs = _mm_mulhi_epu16(s, w);
  const __m128i hd = _mm_mulhi_epu16(d, w);
  const __m128i ls = _mm_mullo_epi16(s, w);
  const __m128i ld = _mm_mullo_epi16(d, w);
  const __m128i noBorrow = _mm_cmpeq_epi16(_mm_subs_epu16(ld, ls), _mm_setzero_si128());
  const __m128i borrow = _mm_andnot_si128(noBorrow, _mm_set1_epi16(-1));
  return _mm_add_epi16(_mm_sub_epi16(_mm_add_epi16(d, hs), hd), borrow);
}

// (d (256 - w) + s w) >> 8 per lane; w in 0..256 per lane, invW = 256 - w.
inline __m128i Lerp8(__m128i d, __m128i s, __m128i w, __m128i invW) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(d, invW), _mm_mullo_epi16(s, w)), 8);
}

inline __m128i Select(__m128i mask, __m128i a, __m128i b) {  // mask ? a : b
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

struct Consts {
  __m128i zero, xMask, key, bright, p, invP, c256;
};

template <int Mode, bool Bright, int Alpha, bool Key>
inline __m128i Blend4(const Consts& k, __m128i S, __m128i D) {
  const __m128i sLo = _mm_unpacklo_epi8(S, k.zero), sHi = _mm_unpackhi_epi8(S, k.zero);
  const __m128i dLo = _mm_unpacklo_epi8(D, k.zero), dHi = _mm_unpackhi_epi8(D, k.zero);
  __m128i bLo = sLo, bHi = sHi;  // source after brightness (X lane 0 with brightness)
  if constexpr (Bright) {
    bLo = Div255(_mm_mullo_epi16(sLo, k.bright));
    bHi = Div255(_mm_mullo_epi16(sHi, k.bright));
  }
  const __m128i keepX = _mm_and_si128(D, k.xMask);
  auto withDestX = [&](__m128i v) { return _mm_or_si128(_mm_andnot_si128(k.xMask, v), keepX); };
  __m128i opaque = k.zero;  // alpha 255 (Alpha == 1 only)
  __m128i aLo = k.zero, aHi = k.zero;
  if constexpr (Alpha != 0) {
    aLo = BroadcastAlpha(sLo);
    aHi = BroadcastAlpha(sHi);
    if constexpr (Alpha == 1) opaque = _mm_cmpeq_epi32(_mm_and_si128(S, k.xMask), k.xMask);
  }
  __m128i R;
  if constexpr (Mode == 0) {
    const __m128i copy = Bright ? withDestX(_mm_packus_epi16(bLo, bHi)) : S;
    if constexpr (Alpha == 0) {
      R = copy;
    } else {
      const __m128i w = withDestX(_mm_packus_epi16(Lerp8(dLo, bLo, aLo, _mm_sub_epi16(k.c256, aLo)),
                                                   Lerp8(dHi, bHi, aHi, _mm_sub_epi16(k.c256, aHi))));
      R = Alpha == 1 ? Select(opaque, copy, w) : w;
    }
  } else if constexpr (Mode == 1) {
    const __m128i byP = withDestX(_mm_packus_epi16(Lerp8(dLo, bLo, k.p, k.invP), Lerp8(dHi, bHi, k.p, k.invP)));
    if constexpr (Alpha == 0) {
      R = byP;
    } else {
      const __m128i w = withDestX(_mm_packus_epi16(LerpWide(dLo, bLo, _mm_mullo_epi16(aLo, k.p)),
                                                   LerpWide(dHi, bHi, _mm_mullo_epi16(aHi, k.p))));
      R = Alpha == 1 ? Select(opaque, byP, w) : w;
    }
  } else {
    __m128i v = _mm_packus_epi16(Div255(_mm_mullo_epi16(bLo, k.p)), Div255(_mm_mullo_epi16(bHi, k.p)));
    if constexpr (Alpha != 0) {
      const __m128i w = _mm_packus_epi16(_mm_mulhi_epu16(bLo, _mm_mullo_epi16(aLo, k.p)),
                                         _mm_mulhi_epu16(bHi, _mm_mullo_epi16(aHi, k.p)));
      v = Alpha == 1 ? Select(opaque, v, w) : w;
    }
    v = _mm_andnot_si128(k.xMask, v);
    R = Mode == 2 ? _mm_adds_epu8(D, v) : _mm_subs_epu8(D, v);
  }
  if constexpr (Alpha == 0 && Key) R = Select(_mm_cmpeq_epi32(S, k.key), D, R);
  return R;
}

inline __m128i HalfBlend4(__m128i S, __m128i D) {
  const __m128i m = _mm_set1_epi32(0x007F7F7F);
  return _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(S, 1), m), _mm_and_si128(_mm_srli_epi32(D, 1), m));
}

Consts MakeConsts(const BlendSpan& sp) {
  Consts k;
  k.zero = _mm_setzero_si128();
  k.xMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  k.key = _mm_set1_epi32(static_cast<int>(sp.transColor));
  k.bright = _mm_setr_epi16(sp.brightB, sp.brightG, sp.brightR, 0, sp.brightB, sp.brightG, sp.brightR, 0);
  k.p = _mm_set1_epi16(static_cast<short>(sp.param));
  k.invP = _mm_set1_epi16(static_cast<short>(256 - sp.param));
  k.c256 = _mm_set1_epi16(256);
  return k;
}

template <typename Op>
inline void Run4(std::uint8_t* dst, const std::uint8_t* src, int n, Op op) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i S = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    const __m128i D = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + 4 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), op(S, D));
  }
  if (i < n) {
    alignas(16) std::uint8_t s[16] = {}, d[16] = {};
    const std::size_t bytes = static_cast<std::size_t>(n - i) * 4;
    std::memcpy(s, src + 4 * i, bytes);
    std::memcpy(d, dst + 4 * i, bytes);
    const __m128i R = op(_mm_load_si128(reinterpret_cast<const __m128i*>(s)),
                         _mm_load_si128(reinterpret_cast<const __m128i*>(d)));
    _mm_store_si128(reinterpret_cast<__m128i*>(d), R);
    std::memcpy(dst + 4 * i, d, bytes);
  }
}

template <int Mode, bool Bright, int Alpha, bool Key>
void Span32(const BlendSpan& sp, std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t*, int n) {
  if constexpr (Mode == 0 && !Bright && Alpha == 0 && !Key) {
    std::memmove(dst, src, static_cast<std::size_t>(n) * 4);
  } else {
    const Consts k = MakeConsts(sp);
    int i = 0;
    if constexpr (Alpha == 1 || Key) {
      // Groups of four that are all skipped or all drawn without a weight or key: sprites are mostly such runs.
      for (; i + 4 <= n; i += 4) {
        const __m128i S = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        __m128i* dp = reinterpret_cast<__m128i*>(dst + 4 * i);
        const __m128i probe = Key ? _mm_cmpeq_epi32(S, k.key) : _mm_and_si128(S, k.xMask);
        const int skipped = _mm_movemask_epi8(Key ? probe : _mm_cmpeq_epi32(probe, k.zero));
        if (skipped == 0xFFFF) continue;
        const bool plain = Key ? skipped == 0 : _mm_movemask_epi8(_mm_cmpeq_epi32(probe, k.xMask)) == 0xFFFF;
        if (plain && Mode == 0 && !Bright) {
          _mm_storeu_si128(dp, S);
          continue;
        }
        const __m128i D = _mm_loadu_si128(dp);
        _mm_storeu_si128(dp, plain ? Blend4<Mode, Bright, 0, false>(k, S, D) : Blend4<Mode, Bright, Alpha, Key>(k, S, D));
      }
    }
    Run4(dst + 4 * i, src + 4 * i, n - i,
         [&k](__m128i S, __m128i D) { return Blend4<Mode, Bright, Alpha, Key>(k, S, D); });
  }
}

template <bool Key>
void HalfSpan32(const BlendSpan& sp, std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t*, int n) {
  const __m128i key = _mm_set1_epi32(static_cast<int>(sp.transColor));
  Run4(dst, src, n, [key](__m128i S, __m128i D) {
    const __m128i r = HalfBlend4(S, D);
    return Key ? Select(_mm_cmpeq_epi32(S, key), D, r) : r;
  });
}

// [mode][bright][alpha rule with the key as a fourth choice: 0 none, 1 keyed alpha, 2 alpha always, 3 colour key]
template <int Mode, bool Bright>
constexpr BlendSpanRoutine kRow[4] = {Span32<Mode, Bright, 0, false>, Span32<Mode, Bright, 1, false>,
                                      Span32<Mode, Bright, 2, false>, Span32<Mode, Bright, 0, true>};
template <int Mode>
constexpr const BlendSpanRoutine* kBright[2] = {kRow<Mode, false>, kRow<Mode, true>};
constexpr const BlendSpanRoutine* const* kTable[4] = {kBright<0>, kBright<1>, kBright<2>, kBright<3>};

}  // namespace

BlendSpanRoutine SelectVectorSpan32(const BlendSpan& sp) {
  if (sp.format != kFormat32 || sp.palette || sp.levels != nullptr || sp.mode > 3) return nullptr;
  if (sp.halfBlend) return sp.colorKey ? HalfSpan32<true> : HalfSpan32<false>;
  const int alpha = sp.alphaRule != kAlphaNone ? sp.alphaRule : (sp.colorKey ? 3 : 0);
  return kTable[sp.mode][sp.bright ? 1 : 0][alpha];
}
