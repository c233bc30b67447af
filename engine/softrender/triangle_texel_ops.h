// Per-texel operations shared by the textured triangle and the rotated blitter: one sampled source texel combined
// with one destination pixel under one call's blend mode, parameter, brightness, blend graphic, source alpha and
// transparent flag. Each combination is its own template instance, so a span loop tests nothing per pixel but the
// texel bounds and its own skip rule.
//
// Arithmetic per component (s' = source after brightness, d = destination, W = product of the k weights in force
// among the blend-graphic level L and the source alpha a; P is a further weight in modes 1 to 3):
// - mode 0: copy without weights (the whole pixel without brightness, else the three components); with weights
//   d + floor((s' - d) W / 256^k);
// - mode 1: d + floor((s' - d) W P / 256^(k+1)); a 16-bit pixel without weights uses BlendDeltaTable row P;
// - modes 2 and 3: v = Scale[P][s'] without weights; else floor(s' W P / 256^(k+1)) (32-bit) or
//   Scale[P][floor(s' W / 256^k)] (16-bit; with source alpha, brightness and no blend graphic the alpha weighs the
//   raw component before its brightness row); then min(d + v, max) or max(d - v, 0) per component;
// - mode 4: product q = floor(d s' / 2^bits); with weights d + floor((q - d) W / 256^k), so a weight of 0 leaves the
//   destination as it is.
// With the transparent flag an alpha source skips alpha 0 and draws alpha 255 without the alpha weight; otherwise a
// palette index, 16-bit word or whole 32-bit pixel equal to the transparent colour is skipped. A 32-bit destination
// keeps its fourth byte except in unweighted copies without brightness, which write the source's.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "engine/graphics/blend_tables.h"
#include "engine/graphics/memimg.h"
#include "engine/softrender/texel_gather.h"

namespace texel {

struct Context {
  const std::uint8_t* srcImage;
  std::int64_t srcPitch;
  const std::uint8_t* mapImage;  // blend graphic, one byte per source texel; null without one
  std::int64_t mapPitch;
  const std::uint8_t* palette;   // source palette: 4-byte entries (32-bit) or 2-byte entries (16-bit)
  std::uint32_t transColor;
  std::int32_t param;            // P
  const std::int32_t* rowP;      // BlendScaleTable[P]
  const std::int32_t* deltaP;    // BlendDeltaTable[P] at difference 0
  const std::int32_t* rowB;      // BlendScaleTable rows of the brightness bytes
  const std::int32_t* rowG;
  const std::int32_t* rowR;
  std::uint64_t uBound;          // source Width << 18
  std::uint64_t vBound;          // source Height << 18
  GatherCopyFn gatherCopy32;     // plain 32-bit copies along a slanted source line
};

inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline std::uint32_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
inline void Store16(std::uint8_t* p, std::uint32_t v) {
  const std::uint16_t w = static_cast<std::uint16_t>(v);
  std::memcpy(p, &w, 2);
}

// d + floor((s - d) * w / 2^n); the sum is never negative, so the shift is the floor division.
template <int N>
inline int Mix(int d, int s, std::uint32_t w) {
  if constexpr (N <= 16) {
    return ((s - d) * static_cast<int>(w) + (d << N)) >> N;
  } else {
    return static_cast<int>(((static_cast<std::int64_t>(s) - d) * w + (static_cast<std::int64_t>(d) << N)) >> N);
  }
}

template <int Mode>
inline int AddSub(int d, int v, int max) {
  if constexpr (Mode == 2) {
    const int r = d + v;
    return r > max ? max : r;
  } else {
    const int r = d - v;
    return r < 0 ? 0 : r;
  }
}

// F: 32 or 16 (destination and source format); Pal: palette source; Mode 0..4 (mode 1 at P = 255 is mode 0);
// G: blend graphic; B: brightness; A: source alpha (direct sources only); T: transparent flag.
template <int F, bool Pal, int Mode, bool G, bool B, bool A, bool T>
struct Op {
  static_assert(!(Pal && A), "a palette source has no alpha");
  static constexpr int kDstBytes = F == 32 ? 4 : 2;
  static constexpr int kSrcBytes = Pal ? 1 : ((F == 32 || A) ? 4 : 2);
  // A 32-bit direct source copied whole: no weights, brightness or transparent test.
  static constexpr bool kPlainCopy32 = F == 32 && !Pal && Mode == 0 && !G && !B && !A && !T;

  static inline void Apply(const Context& c, std::uint8_t* d, std::uint64_t tx, std::uint64_t ty) {
    const std::uint8_t* s = c.srcImage + static_cast<std::int64_t>(ty) * c.srcPitch +
                            static_cast<std::int64_t>(tx) * kSrcBytes;
    std::uint32_t col;
    std::uint32_t a = 0;
    if constexpr (Pal) {
      const std::uint32_t i = *s;
      if constexpr (T) {
        if (i == c.transColor) return;
      }
      col = F == 32 ? Load32(c.palette + 4 * i) : Load16(c.palette + 2 * i);
    } else if constexpr (F == 32) {
      col = Load32(s);
      if constexpr (A) {
        a = col >> 24;
      } else if constexpr (T) {
        if (col == c.transColor) return;
      }
    } else {
      col = Load16(s);
      if constexpr (A) {
        a = s[2];
      } else if constexpr (T) {
        if (col == c.transColor) return;
      }
    }
    std::uint32_t level = 0;
    if constexpr (G) level = BlendGraphLevelTable[c.mapImage[static_cast<std::int64_t>(ty) * c.mapPitch +
                                                               static_cast<std::int64_t>(tx)]];
    if constexpr (A && T) {
      // Alpha 0 skips (in mode 4 its weight of 0 would leave the pixel as it is, too); 255 drops the alpha weight.
      if (a == 0) return;
      if (a == 255) {
        Blend<false>(c, d, col, level, 0);
        return;
      }
    }
    Blend<A>(c, d, col, level, a);
  }

  template <bool HasA>
  static inline void Blend(const Context& c, std::uint8_t* d, std::uint32_t col, std::uint32_t level,
                           std::uint32_t a) {
    if constexpr (F == 32) {
      Blend32<HasA>(c, d, col, level, a);
    } else {
      Blend16<HasA>(c, d, col, level, a);
    }
  }

  static constexpr int WeightCount(bool hasA) { return (G ? 1 : 0) + (hasA ? 1 : 0); }

  template <bool HasA>
  static inline void Blend32(const Context& c, std::uint8_t* d, std::uint32_t col, std::uint32_t level,
                             std::uint32_t a) {
    constexpr int k = WeightCount(HasA);
    std::uint32_t w = 1;
    if constexpr (G) w *= level;
    if constexpr (HasA) w *= a;
    int s0 = static_cast<int>(col & 0xFF);
    int s1 = static_cast<int>((col >> 8) & 0xFF);
    int s2 = static_cast<int>((col >> 16) & 0xFF);
    if constexpr (B) {
      s0 = c.rowB[s0];
      s1 = c.rowG[s1];
      s2 = c.rowR[s2];
    }
    if constexpr (Mode == 0 && k == 0) {
      if constexpr (!B) {
        Store32(d, col);
      } else {
        d[0] = static_cast<std::uint8_t>(s0);
        d[1] = static_cast<std::uint8_t>(s1);
        d[2] = static_cast<std::uint8_t>(s2);
      }
      return;
    }
    const int d0 = d[0], d1 = d[1], d2 = d[2];
    int r0, r1, r2;
    if constexpr (Mode == 0) {
      r0 = Mix<8 * k>(d0, s0, w);
      r1 = Mix<8 * k>(d1, s1, w);
      r2 = Mix<8 * k>(d2, s2, w);
    } else if constexpr (Mode == 1) {
      const std::uint32_t wp = w * static_cast<std::uint32_t>(c.param);
      r0 = Mix<8 * (k + 1)>(d0, s0, wp);
      r1 = Mix<8 * (k + 1)>(d1, s1, wp);
      r2 = Mix<8 * (k + 1)>(d2, s2, wp);
    } else if constexpr (Mode == 2 || Mode == 3) {
      int v0, v1, v2;
      if constexpr (k == 0) {
        v0 = c.rowP[s0];
        v1 = c.rowP[s1];
        v2 = c.rowP[s2];
      } else {
        const std::uint32_t wp = w * static_cast<std::uint32_t>(c.param);  // at most 255^3
        v0 = static_cast<int>((static_cast<std::uint32_t>(s0) * wp) >> (8 * (k + 1)));
        v1 = static_cast<int>((static_cast<std::uint32_t>(s1) * wp) >> (8 * (k + 1)));
        v2 = static_cast<int>((static_cast<std::uint32_t>(s2) * wp) >> (8 * (k + 1)));
      }
      r0 = AddSub<Mode>(d0, v0, 255);
      r1 = AddSub<Mode>(d1, v1, 255);
      r2 = AddSub<Mode>(d2, v2, 255);
    } else {
      const int q0 = (d0 * s0) >> 8, q1 = (d1 * s1) >> 8, q2 = (d2 * s2) >> 8;
      if constexpr (k == 0) {
        r0 = q0;
        r1 = q1;
        r2 = q2;
      } else {
        r0 = Mix<8 * k>(d0, q0, w);
        r1 = Mix<8 * k>(d1, q1, w);
        r2 = Mix<8 * k>(d2, q2, w);
      }
    }
    d[0] = static_cast<std::uint8_t>(r0);
    d[1] = static_cast<std::uint8_t>(r1);
    d[2] = static_cast<std::uint8_t>(r2);
  }

  template <bool HasA>
  static inline void Blend16(const Context& c, std::uint8_t* d, std::uint32_t col, std::uint32_t level,
                             std::uint32_t a) {
    constexpr int k = WeightCount(HasA);
    std::uint32_t w = 1;
    if constexpr (G) w *= level;
    if constexpr (HasA) w *= a;
    const int rawR = static_cast<int>(col >> 11) & 31;
    const int rawG = static_cast<int>(col >> 5) & 63;
    const int rawB = static_cast<int>(col) & 31;
    int sr = rawR, sg = rawG, sb = rawB;
    if constexpr (B) {
      sr = c.rowR[sr];
      sg = c.rowG[sg];
      sb = c.rowB[sb];
    }
    if constexpr (Mode == 0 && k == 0) {
      Store16(d, B ? static_cast<std::uint32_t>((sr << 11) | (sg << 5) | sb) : col);
      return;
    }
    const std::uint32_t dv = Load16(d);
    const int dr = static_cast<int>(dv >> 11), dg = static_cast<int>(dv >> 5) & 63, db = static_cast<int>(dv) & 31;
    int rr, rg, rb;
    if constexpr (Mode == 0) {
      rr = Mix<8 * k>(dr, sr, w);
      rg = Mix<8 * k>(dg, sg, w);
      rb = Mix<8 * k>(db, sb, w);
    } else if constexpr (Mode == 1) {
      if constexpr (k == 0) {
        rr = dr + c.deltaP[sr - dr];
        rg = dg + c.deltaP[sg - dg];
        rb = db + c.deltaP[sb - db];
      } else {
        const std::uint32_t wp = w * static_cast<std::uint32_t>(c.param);
        rr = Mix<8 * (k + 1)>(dr, sr, wp);
        rg = Mix<8 * (k + 1)>(dg, sg, wp);
        rb = Mix<8 * (k + 1)>(db, sb, wp);
      }
    } else if constexpr (Mode == 2 || Mode == 3) {
      int vr, vg, vb;
      if constexpr (k == 0) {
        vr = c.rowP[sr];
        vg = c.rowP[sg];
        vb = c.rowP[sb];
      } else if constexpr (HasA && B && !G) {
        vr = c.rowP[c.rowR[(rawR * static_cast<int>(a)) >> 8]];
        vg = c.rowP[c.rowG[(rawG * static_cast<int>(a)) >> 8]];
        vb = c.rowP[c.rowB[(rawB * static_cast<int>(a)) >> 8]];
      } else {
        vr = c.rowP[(static_cast<std::uint32_t>(sr) * w) >> (8 * k)];
        vg = c.rowP[(static_cast<std::uint32_t>(sg) * w) >> (8 * k)];
        vb = c.rowP[(static_cast<std::uint32_t>(sb) * w) >> (8 * k)];
      }
      rr = AddSub<Mode>(dr, vr, 31);
      rg = AddSub<Mode>(dg, vg, 63);
      rb = AddSub<Mode>(db, vb, 31);
    } else {
      const int qr = (dr * sr) >> 5, qg = (dg * sg) >> 6, qb = (db * sb) >> 5;
      if constexpr (k == 0) {
        rr = qr;
        rg = qg;
        rb = qb;
      } else {
        rr = Mix<8 * k>(dr, qr, w);
        rg = Mix<8 * k>(dg, qg, w);
        rb = Mix<8 * k>(db, qb, w);
      }
    }
    Store16(d, static_cast<std::uint32_t>((rr << 11) | (rg << 5) | rb));
  }
};

// The pixels i in [0, n) with 0 <= u + i * du < bound form one run [*lo, *hi) (empty when *lo >= *hi).
inline void InsideRun(std::int64_t u, std::int64_t du, std::int64_t bound, std::int64_t n, std::int64_t* lo,
                      std::int64_t* hi) {
  std::int64_t a = 0, b = n;
  if (du == 0) {
    if (u < 0 || u >= bound) b = 0;
  } else if (du > 0) {
    if (u < 0) a = (-u + du - 1) / du;
    b = u >= bound ? 0 : (bound - u + du - 1) / du;
  } else {
    const std::int64_t m = -du;
    b = u < 0 ? 0 : u / m + 1;
    if (u >= bound) a = (u - bound + m) / m;
  }
  *lo = a > *lo ? a : *lo;
  *hi = b < *hi ? b : *hi;
}

// One destination row: n pixels from d rightwards, texel coordinates (14.18) starting at u, v and stepping by du,
// dv. Coordinates outside the source (negative ones included) leave the pixel alone. The texel coordinates are
// linear along the row, so the pixels inside form one run, found once; the loop over it tests nothing.
template <class O>
inline void Span(const Context& c, std::uint8_t* d, std::int64_t n, std::int64_t u, std::int64_t v, std::int64_t du,
                 std::int64_t dv) {
  std::int64_t lo = 0, hi = n;
  InsideRun(u, du, static_cast<std::int64_t>(c.uBound), n, &lo, &hi);
  InsideRun(v, dv, static_cast<std::int64_t>(c.vBound), n, &lo, &hi);
  if (lo >= hi) return;
  u += lo * du;
  v += lo * dv;
  d += lo * O::kDstBytes;
  if constexpr (O::kPlainCopy32) {
    if (dv == 0) {
      // Along one source row: a straight or reversed copy at scale 1, else an indexed one.
      const std::uint8_t* row = c.srcImage + (v >> 18) * c.srcPitch;
      const std::int64_t count = hi - lo;
      if (du == std::int64_t{1} << 18) {
        std::memcpy(d, row + (u >> 18) * 4, static_cast<std::size_t>(count) * 4);
        return;
      }
      if (du == -(std::int64_t{1} << 18)) {
        const std::uint8_t* s = row + (u >> 18) * 4;
        std::int64_t i = 0;
        for (; i + 4 <= count; i += 4) {
          const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s - 4 * i - 12));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), _mm_shuffle_epi32(q, _MM_SHUFFLE(0, 1, 2, 3)));
        }
        for (; i < count; ++i) std::memcpy(d + 4 * i, s - 4 * i, 4);
        return;
      }
      for (std::int64_t i = 0; i < count; ++i, u += du) std::memcpy(d + 4 * i, row + (u >> 18) * 4, 4);
      return;
    }
    c.gatherCopy32(d, c.srcImage, c.srcPitch, hi - lo, u, v, du, dv);
    return;
  }
  const Context local = c;  // a copy the stores to d cannot change, so its fields stay in registers
  for (std::int64_t i = lo; i < hi; ++i) {
    O::Apply(local, d, static_cast<std::uint64_t>(u) >> 18, static_cast<std::uint64_t>(v) >> 18);
    u += du;
    v += dv;
    d += O::kDstBytes;
  }
}

using SpanFn = void (*)(const Context& c, std::uint8_t* d, std::int64_t n, std::int64_t u, std::int64_t v,
                        std::int64_t du, std::int64_t dv);

// A box of rows: after each row u and v move on by rowDu, rowDv (relative to the pixel after the row's last).
struct Box {
  std::uint8_t* dst;
  std::int64_t pitch;
  std::int64_t width;
  std::int64_t rows;
  std::int64_t u, v, du, dv, rowDu, rowDv;
};
using BoxFn = void (*)(const Context& c, const Box& box);

template <class O>
void BoxLoop(const Context& c, const Box& b) {
  std::uint8_t* row = b.dst;
  std::int64_t u = b.u, v = b.v;
  for (std::int64_t j = 0; j < b.rows; ++j) {
    Span<O>(c, row, b.width, u, v, b.du, b.dv);
    u += b.width * b.du + b.rowDu;
    v += b.width * b.dv + b.rowDv;
    row += b.pitch;
  }
}

// A draw's loop and context, settled once per call.
struct Setup {
  Context ctx;
  int format;  // 32 or 16
  bool palette;
  int mode;    // 0..4 after the parameter tests
  bool graph, bright, alpha, transparent;
};

// Prepares drawing src into dest under the draw state. False (draw nothing) when the formats differ, dest has a
// palette or alpha, the format is neither 16-bit nor 32-bit, the mode is outside 0..4, P is 0 in modes 1 to 3, an
// image has no pixels, or the blend graphic is smaller than the source.
bool PrepareDraw(const MEMIMG* dest, const MEMIMG* src, int transparent, const MEMIMG* graph, Setup* out);

// Loop selection: format 32 or 16, palette source, mode 0..4 (after the parameter tests), blend graphic, brightness,
// source alpha (ignored for palette sources), transparent flag. Defined in triangle_texel_spans.cpp.
SpanFn SelectSpan(int format, bool palette, int mode, bool graph, bool bright, bool alpha, bool transparent);
BoxFn SelectBox(int format, bool palette, int mode, bool graph, bool bright, bool alpha, bool transparent);

}  // namespace texel
