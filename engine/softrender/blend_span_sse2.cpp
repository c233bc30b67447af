// The SSE2 instance of the vector span loops (4 pixels per step), and the choice between SSE2 and AVX2.
#include <emmintrin.h>

#include "engine/softrender/blend_span_kernels.h"

namespace {

struct Sse2Ops {
  using V = __m128i;
  static constexpr int kPixels = 4;
  static constexpr unsigned kAllLanes = 0xFFFFu;
  static V Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
  static void Store(void* p, V v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
  static V LoadAligned(const void* p) { return _mm_load_si128(static_cast<const __m128i*>(p)); }
  static void StoreAligned(void* p, V v) { _mm_store_si128(static_cast<__m128i*>(p), v); }
  // The first n (< kPixels) pixels; the other lanes are zero on loading and left alone on storing.
  static V LoadPartial(const void* p, int n) {
    alignas(16) std::uint8_t b[16] = {};
    std::memcpy(b, p, static_cast<std::size_t>(n) * 4);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(b));
  }
  static void StorePartial(void* p, int n, V v) {
    alignas(16) std::uint8_t b[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(b), v);
    std::memcpy(p, b, static_cast<std::size_t>(n) * 4);
  }
  static V Zero() { return _mm_setzero_si128(); }
  static V Set16(short v) { return _mm_set1_epi16(v); }
  static V Set32(int v) { return _mm_set1_epi32(v); }
  static V Pattern16(short a, short b, short c, short d) { return _mm_setr_epi16(a, b, c, d, a, b, c, d); }
  static V UnpackLo8(V a, V b) { return _mm_unpacklo_epi8(a, b); }
  static V UnpackHi8(V a, V b) { return _mm_unpackhi_epi8(a, b); }
  static V PackUs16(V a, V b) { return _mm_packus_epi16(a, b); }
  static V Mullo16(V a, V b) { return _mm_mullo_epi16(a, b); }
  static V MulhiU16(V a, V b) { return _mm_mulhi_epu16(a, b); }
  static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  static V SubsU16(V a, V b) { return _mm_subs_epu16(a, b); }
  static V Srli16(V a, int n) { return _mm_srli_epi16(a, n); }
  static V Srli32_1(V a) { return _mm_srli_epi32(a, 1); }
  static V Add32(V a, V b) { return _mm_add_epi32(a, b); }
  static V Cmpeq16(V a, V b) { return _mm_cmpeq_epi16(a, b); }
  static V Cmpeq32(V a, V b) { return _mm_cmpeq_epi32(a, b); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }
  static V Or(V a, V b) { return _mm_or_si128(a, b); }
  static V AddsU8(V a, V b) { return _mm_adds_epu8(a, b); }
  static V SubsU8(V a, V b) { return _mm_subs_epu8(a, b); }
  static V ShuffleLo16FF(V a) { return _mm_shufflelo_epi16(a, 0xFF); }
  static V ShuffleHi16FF(V a) { return _mm_shufflehi_epi16(a, 0xFF); }
  static unsigned Movemask8(V a) { return static_cast<unsigned>(_mm_movemask_epi8(a)); }
};

}  // namespace

BlendSpanRoutine SelectVectorSpan32Sse2(BlendSpan* span) {
  return HasVectorSpan32(*span) ? Kernels<Sse2Ops>::Select(span) : nullptr;
}

BlendSpanRoutine SelectVectorSpan32(BlendSpan* span) {
  static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  return avx2 ? SelectVectorSpan32Avx2(span) : SelectVectorSpan32Sse2(span);
}
