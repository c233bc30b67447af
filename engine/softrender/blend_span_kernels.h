// Vector loops for the 32-bit direct-source spans of every mode (0 to 4) without a blend graphic: the combinations
// the game draws with. Written once over a vector-ops type (Sse2Ops: 4 pixels per step; Avx2Ops: 8) and included by one
// file per instruction set, each inside its own anonymous namespace. Exact integer equivalents replace the tables:
//   trunc(x / 255) = (x * 0x8081) >> 23 for 16-bit x (checked exhaustively by the tests);
//   d + floor((s - d) w / 256) = (d (256 - w) + s w) >> 8, which stays below 65536;
//   d + floor((s - d) W / 65536) = d + hi(s W) - hi(d W) - (lo(s W) < lo(d W)) for 16-bit W.
// Unpacking and packing work within 128-bit lanes, which keeps every pixel's bytes together.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "engine/softrender/blend_span.h"

namespace {

template <class O>
struct Kernels {
  using V = typename O::V;

  struct Consts {
    V zero, xMask, key, bright, p, invP, c256, ones;
    bool raw;  // P = 255 without brightness: the amount added or subtracted is the source itself
  };
  static_assert(sizeof(Consts) <= sizeof(BlendSpan::vectorConsts));
  static const Consts& ConstsOf(const BlendSpan& sp) { return *std::launder(reinterpret_cast<const Consts*>(sp.vectorConsts)); }

  static V Div255(V x) { return O::Srli16(O::MulhiU16(x, O::Set16(static_cast<short>(0x8081))), 7); }
  // Lanes of each pixel all holding its alpha (16-bit lanes of unpacked pixels).
  static V BroadcastAlpha(V px16) { return O::ShuffleHi16FF(O::ShuffleLo16FF(px16)); }
  // d + floor((s - d) w / 65536) per 16-bit lane, w < 65536.
  static V LerpWide(const Consts& k, V d, V s, V w) {
    const V hs = O::MulhiU16(s, w), hd = O::MulhiU16(d, w);
    const V ls = O::Mullo16(s, w), ld = O::Mullo16(d, w);
    const V noBorrow = O::Cmpeq16(O::SubsU16(ld, ls), k.zero);
    return O::Add16(O::Sub16(O::Add16(d, hs), hd), O::AndNot(noBorrow, k.ones));
  }
  // (d (256 - w) + s w) >> 8 per lane.
  static V Lerp8(V d, V s, V w, V invW) { return O::Srli16(O::Add16(O::Mullo16(d, invW), O::Mullo16(s, w)), 8); }
  static V Select(V mask, V a, V b) { return O::Or(O::And(mask, a), O::AndNot(mask, b)); }

  static Consts MakeConsts(const BlendSpan& sp) {
    Consts k;
    k.zero = O::Zero();
    k.ones = O::Set16(-1);
    k.xMask = O::Set32(static_cast<int>(0xFF000000u));
    k.key = O::Set32(static_cast<int>(sp.transColor));
    k.bright = O::Pattern16(sp.brightB, sp.brightG, sp.brightR, 0);
    k.p = O::Set16(static_cast<short>(sp.param));
    k.invP = O::Set16(static_cast<short>(256 - sp.param));
    k.c256 = O::Set16(256);
    k.raw = sp.param == 255 && !sp.bright;
    return k;
  }

  // Raw: modes 2 and 3 at P = 255 without brightness (k.raw), where the amount is the source itself.
  template <int Mode, bool Bright, int Alpha, bool Key, bool Raw = false>
  static V Blend(const Consts& k, V S, V D) {
    const V sLo = O::UnpackLo8(S, k.zero), sHi = O::UnpackHi8(S, k.zero);
    const V dLo = O::UnpackLo8(D, k.zero), dHi = O::UnpackHi8(D, k.zero);
    V bLo = sLo, bHi = sHi;  // source after brightness (X lane 0 with brightness)
    if constexpr (Bright) {
      bLo = Div255(O::Mullo16(sLo, k.bright));
      bHi = Div255(O::Mullo16(sHi, k.bright));
    }
    const V keepX = O::And(D, k.xMask);
    auto withDestX = [&](V v) { return O::Or(O::AndNot(k.xMask, v), keepX); };
    V opaque = k.zero;  // alpha 255 (Alpha == 1 only)
    V aLo = k.zero, aHi = k.zero;
    if constexpr (Alpha != 0) {
      aLo = BroadcastAlpha(sLo);
      aHi = BroadcastAlpha(sHi);
      if constexpr (Alpha == 1) opaque = O::Cmpeq32(O::And(S, k.xMask), k.xMask);
    }
    V R;
    if constexpr (Mode == 0) {
      const V copy = Bright ? withDestX(O::PackUs16(bLo, bHi)) : S;
      if constexpr (Alpha == 0) {
        R = copy;
      } else {
        const V w = withDestX(O::PackUs16(Lerp8(dLo, bLo, aLo, O::Sub16(k.c256, aLo)),
                                          Lerp8(dHi, bHi, aHi, O::Sub16(k.c256, aHi))));
        R = Alpha == 1 ? Select(opaque, copy, w) : w;
      }
    } else if constexpr (Mode == 1) {
      const V byP = withDestX(O::PackUs16(Lerp8(dLo, bLo, k.p, k.invP), Lerp8(dHi, bHi, k.p, k.invP)));
      if constexpr (Alpha == 0) {
        R = byP;
      } else {
        const V w = withDestX(O::PackUs16(LerpWide(k, dLo, bLo, O::Mullo16(aLo, k.p)),
                                          LerpWide(k, dHi, bHi, O::Mullo16(aHi, k.p))));
        R = Alpha == 1 ? Select(opaque, byP, w) : w;
      }
    } else if constexpr (Mode == 4) {
      // The product floor(d s' / 256), then with a weight d + floor((p - d) w / 256).
      const V pLo = O::Srli16(O::Mullo16(dLo, bLo), 8), pHi = O::Srli16(O::Mullo16(dHi, bHi), 8);
      const V product = withDestX(O::PackUs16(pLo, pHi));
      if constexpr (Alpha == 0) {
        R = product;
      } else {
        const V w = withDestX(O::PackUs16(Lerp8(dLo, pLo, aLo, O::Sub16(k.c256, aLo)),
                                          Lerp8(dHi, pHi, aHi, O::Sub16(k.c256, aHi))));
        R = Alpha == 1 ? Select(opaque, product, w) : w;
      }
    } else {
      V v;
      if constexpr (Raw && !Bright) v = S;
      else v = O::PackUs16(Div255(O::Mullo16(bLo, k.p)), Div255(O::Mullo16(bHi, k.p)));
      if constexpr (Alpha != 0) {
        const V w = O::PackUs16(O::MulhiU16(bLo, O::Mullo16(aLo, k.p)), O::MulhiU16(bHi, O::Mullo16(aHi, k.p)));
        v = Alpha == 1 ? Select(opaque, v, w) : w;
      }
      v = O::AndNot(k.xMask, v);
      R = Mode == 2 ? O::AddsU8(D, v) : O::SubsU8(D, v);
    }
    if constexpr (Alpha == 0 && Key) R = Select(O::Cmpeq32(S, k.key), D, R);
    return R;
  }

  static V HalfBlend(V S, V D) {
    const V m = O::Set32(0x007F7F7F);
    return O::Add32(O::And(O::Srli32_1(S), m), O::And(O::Srli32_1(D), m));
  }

  // Rows from this many pixels on store aligned vectors; in shorter ones the extra first vector costs more than the
  // aligned stores save.
  static constexpr int kAlignFrom = 8 * O::kPixels;

  // The number of pixels from p to the next vector-aligned address, or -1 when p is not pixel-aligned.
  static int PixelsToAlignment(const std::uint8_t* p) {
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    if ((a & 3) != 0) return -1;
    return static_cast<int>((-a & (sizeof(V) - 1)) / 4);
  }

  // Whole vectors, then the last pixels by a partial load and store. Rows of a few vectors and more, in images that
  // share no bytes, store whole aligned vectors: the first and the last vector of the row are worked out from the
  // pixels as they were and stored unaligned after the aligned ones, over pixels that get the same values.
  template <typename Op>
  static void RunAll(std::uint8_t* dst, const std::uint8_t* src, int n, Op op) {
    constexpr int kN = O::kPixels;
    int i = 0;
    const std::size_t bytes = static_cast<std::size_t>(n) * 4;
    const int head = n >= kAlignFrom && (dst + bytes <= src || src + bytes <= dst) ? PixelsToAlignment(dst) : -1;
    if (head >= 0) {
      const std::size_t last = bytes - sizeof(V);
      const V first = op(O::Load(src), O::Load(dst));
      const V tail = op(O::Load(src + last), O::Load(dst + last));
      for (i = head; i + kN <= n; i += kN)
        O::StoreAligned(dst + 4 * i, op(O::Load(src + 4 * i), O::LoadAligned(dst + 4 * i)));
      O::Store(dst, first);
      O::Store(dst + last, tail);
      return;
    }
    for (; i + kN <= n; i += kN) O::Store(dst + 4 * i, op(O::Load(src + 4 * i), O::Load(dst + 4 * i)));
    if (i < n) {
      const int rest = n - i;
      O::StorePartial(dst + 4 * i, rest, op(O::LoadPartial(src + 4 * i, rest), O::LoadPartial(dst + 4 * i, rest)));
    }
  }

  // A plain copy of n pixels: one unaligned vector, whole aligned vectors four at a time, and the last vector ending
  // at the row's end (the first and last may overlap pixels copied by the others). Rows that share bytes go through
  // memmove, large blocks through the string move. The library's memcpy is slower for these sizes (its string-move
  // path for rows of a few kilobytes, and its size dispatch for short rows).
  [[gnu::always_inline]] static inline void Copy(std::uint8_t* dst, const std::uint8_t* src, int n) {
    constexpr int kN = O::kPixels;
    const std::size_t bytes = static_cast<std::size_t>(n) * 4;
    if (n < kN || (dst < src + bytes && src < dst + bytes)) {
      std::memmove(dst, src, bytes);
      return;
    }
    if (bytes >= kStringCopyFrom && StringCopyIsFast()) {
      StringCopy(dst, src, bytes);
      return;
    }
    const int head = n >= kAlignFrom ? PixelsToAlignment(dst) : -1;
    if (head < 0) {
      CopyVectors<false>(dst, src, 0, n);
      return;
    }
    O::Store(dst, O::Load(src));
    CopyVectors<true>(dst, src, head, n);
  }

  // Pixels [i, n) of a copy, n - i at least one vector or i > 0 (the last vector may reach back before i).
  template <bool Aligned>
  static void CopyVectors(std::uint8_t* dst, const std::uint8_t* src, int i, int n) {
    constexpr int kN = O::kPixels;
    auto store = [](std::uint8_t* p, V v) {
      if constexpr (Aligned) O::StoreAligned(p, v);
      else O::Store(p, v);
    };
    for (; i + 4 * kN <= n; i += 4 * kN) {
      const V a = O::Load(src + 4 * i), b = O::Load(src + 4 * (i + kN));
      const V c = O::Load(src + 4 * (i + 2 * kN)), d = O::Load(src + 4 * (i + 3 * kN));
      store(dst + 4 * i, a);
      store(dst + 4 * (i + kN), b);
      store(dst + 4 * (i + 2 * kN), c);
      store(dst + 4 * (i + 3 * kN), d);
    }
    for (; i + kN <= n; i += kN) store(dst + 4 * i, O::Load(src + 4 * i));
    if (i < n) O::Store(dst + 4 * (n - kN), O::Load(src + 4 * (n - kN)));
  }

  template <int Mode, bool Bright, int Alpha, bool Key>
  [[gnu::always_inline]] static inline void SpanBody(const Consts& k, std::uint8_t* dst, const std::uint8_t* src,
                                                     int n) {
    if constexpr (Mode == 0 && !Bright && Alpha == 0 && !Key) {
      Copy(dst, src, n);
    } else {
      constexpr int kN = O::kPixels;
      int i = 0;
      // Groups that are all skipped or all drawn without a weight or key: sprites are mostly such runs. The keyed
      // copy takes the key lane by lane instead: its select costs less than the branches, which also keep a draw
      // from reading ahead when its source comes from memory.
      if constexpr (Alpha == 1 || (Key && !(Mode == 0 && !Bright))) {
        for (; i + kN <= n; i += kN) {
          const V S = O::Load(src + 4 * i);
          const V probe = Key ? O::Cmpeq32(S, k.key) : O::And(S, k.xMask);
          const unsigned skipped = O::Movemask8(Key ? probe : O::Cmpeq32(probe, k.zero));
          if (skipped == O::kAllLanes) continue;
          const bool plain = Key ? skipped == 0 : O::Movemask8(O::Cmpeq32(probe, k.xMask)) == O::kAllLanes;
          if (plain && Mode == 0 && !Bright) {
            O::Store(dst + 4 * i, S);
            continue;
          }
          const V D = O::Load(dst + 4 * i);
          O::Store(dst + 4 * i, plain ? Blend<Mode, Bright, 0, false>(k, S, D) : Blend<Mode, Bright, Alpha, Key>(k, S, D));
        }
      }
      if constexpr ((Mode == 2 || Mode == 3) && !Bright) {
        if (k.raw) {
          RunAll(dst + 4 * i, src + 4 * i, n - i,
                 [&k](V S, V D) { return Blend<Mode, Bright, Alpha, Key, true>(k, S, D); });
          return;
        }
      }
      RunAll(dst + 4 * i, src + 4 * i, n - i, [&k](V S, V D) { return Blend<Mode, Bright, Alpha, Key>(k, S, D); });
    }
  }

  template <bool Key>
  [[gnu::always_inline]] static inline void HalfBody(const Consts& k, std::uint8_t* dst, const std::uint8_t* src,
                                                     int n) {
    const V key = k.key;
    RunAll(dst, src, n, [key](V S, V D) {
      const V r = HalfBlend(S, D);
      return Key ? Select(O::Cmpeq32(S, key), D, r) : r;
    });
  }

  // Rows of n pixels that follow each other in memory on both sides, in images that share no bytes, are one span of
  // n * rows pixels: the pixels and their order are the same.
  static void MergeContiguousRows(std::int64_t dstPitch, const std::uint8_t* dst, std::int64_t srcPitch,
                                  const std::uint8_t* src, int* n, int* rows) {
    const std::int64_t rowBytes = static_cast<std::int64_t>(*n) * 4, total = rowBytes * *rows;
    if (*rows > 1 && dstPitch == rowBytes && srcPitch == rowBytes && total / 4 <= 0x7FFFFFFF &&
        (dst + total <= src || src + total <= dst)) {
      *n = static_cast<int>(total / 4);
      *rows = 1;
    }
  }

  template <int Mode, bool Bright, int Alpha, bool Key>
  static void Span(const BlendSpan& sp, std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t*, int n) {
    SpanBody<Mode, Bright, Alpha, Key>(ConstsOf(sp), dst, src, n);
  }

  template <int Mode, bool Bright, int Alpha, bool Key>
  static void Rows(const BlendSpan& sp, std::uint8_t* dst, std::int64_t dstPitch, const std::uint8_t* src,
                   std::int64_t srcPitch, const std::uint8_t*, std::int64_t, int n, int rows) {
    const Consts k = ConstsOf(sp);  // a local copy stays in registers across the stores
    MergeContiguousRows(dstPitch, dst, srcPitch, src, &n, &rows);
    for (int row = 0; row < rows; ++row, dst += dstPitch, src += srcPitch)
      SpanBody<Mode, Bright, Alpha, Key>(k, dst, src, n);
  }

  template <bool Key>
  static void HalfSpan(const BlendSpan& sp, std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t*, int n) {
    HalfBody<Key>(ConstsOf(sp), dst, src, n);
  }

  template <bool Key>
  static void HalfRows(const BlendSpan& sp, std::uint8_t* dst, std::int64_t dstPitch, const std::uint8_t* src,
                       std::int64_t srcPitch, const std::uint8_t*, std::int64_t, int n, int rows) {
    const Consts k = ConstsOf(sp);
    MergeContiguousRows(dstPitch, dst, srcPitch, src, &n, &rows);
    for (int row = 0; row < rows; ++row, dst += dstPitch, src += srcPitch) HalfBody<Key>(k, dst, src, n);
  }

  struct Loops {
    BlendSpanRoutine span;
    BlendRowsRoutine rows;
  };

  // Sets span->routine's vector form and span->rows; returns the former.
  // [mode][bright][0 none, 1 keyed alpha, 2 alpha always, 3 colour key]
  static BlendSpanRoutine Select(BlendSpan* span) {
    new (span->vectorConsts) Consts(MakeConsts(*span));
    const BlendSpan& sp = *span;
    if (sp.halfBlend) {
      span->rows = sp.colorKey ? HalfRows<true> : HalfRows<false>;
      return sp.colorKey ? HalfSpan<true> : HalfSpan<false>;
    }
    const int alpha = sp.alphaRule != kAlphaNone ? sp.alphaRule : (sp.colorKey ? 3 : 0);
#define SPAN_LOOPS(M, B, A, K) Loops{Span<M, B, A, K>, Rows<M, B, A, K>}
#define SPAN_ROW(M, B) \
  {SPAN_LOOPS(M, B, 0, false), SPAN_LOOPS(M, B, 1, false), SPAN_LOOPS(M, B, 2, false), SPAN_LOOPS(M, B, 0, true)}
    static constexpr Loops kTable[5][2][4] = {
        {SPAN_ROW(0, false), SPAN_ROW(0, true)},
        {SPAN_ROW(1, false), SPAN_ROW(1, true)},
        {SPAN_ROW(2, false), SPAN_ROW(2, true)},
        {SPAN_ROW(3, false), SPAN_ROW(3, true)},
        {SPAN_ROW(4, false), SPAN_ROW(4, true)},
    };
#undef SPAN_ROW
#undef SPAN_LOOPS
    const Loops& loops = kTable[sp.mode][sp.bright ? 1 : 0][alpha];
    span->rows = loops.rows;
    return loops.span;
  }
};

// True for the spans that have a vector loop.
inline bool HasVectorSpan32(const BlendSpan& sp) {
  return sp.format == kFormat32 && !sp.palette && sp.levels == nullptr && sp.mode <= 4;
}

}  // namespace
