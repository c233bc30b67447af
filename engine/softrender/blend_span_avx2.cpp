// The AVX2 instance of the vector span loops (8 pixels per step). Compiled for AVX2 here only; used when the
// processor reports AVX2 (SelectVectorSpan32).
#include <immintrin.h>

#include <cstring>

#include "engine/softrender/blend_span.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "engine/softrender/blend_span_kernels.h"

namespace {

struct Avx2Ops {
  using V = __m256i;
  static constexpr int kPixels = 8;
  static constexpr unsigned kAllLanes = 0xFFFFFFFFu;
  static V Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
  static void Store(void* p, V v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
  static V LoadAligned(const void* p) { return _mm256_load_si256(static_cast<const __m256i*>(p)); }
  static void StoreAligned(void* p, V v) { _mm256_store_si256(static_cast<__m256i*>(p), v); }
  // The first n (< kPixels) pixels through masked moves, which never touch the lanes past them.
  static V TailMask(int n) { return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)); }
  static V LoadPartial(const void* p, int n) { return _mm256_maskload_epi32(static_cast<const int*>(p), TailMask(n)); }
  static void StorePartial(void* p, int n, V v) { _mm256_maskstore_epi32(static_cast<int*>(p), TailMask(n), v); }
  static V Zero() { return _mm256_setzero_si256(); }
  static V Set16(short v) { return _mm256_set1_epi16(v); }
  static V Set32(int v) { return _mm256_set1_epi32(v); }
  static V Pattern16(short a, short b, short c, short d) {
    return _mm256_setr_epi16(a, b, c, d, a, b, c, d, a, b, c, d, a, b, c, d);
  }
  static V UnpackLo8(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
  static V UnpackHi8(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
  static V PackUs16(V a, V b) { return _mm256_packus_epi16(a, b); }
  static V Mullo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static V MulhiU16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
  static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V SubsU16(V a, V b) { return _mm256_subs_epu16(a, b); }
  static V Srli16(V a, int n) { return _mm256_srli_epi16(a, n); }
  static V Srli32_1(V a) { return _mm256_srli_epi32(a, 1); }
  static V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
  static V Cmpeq16(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
  static V Cmpeq32(V a, V b) { return _mm256_cmpeq_epi32(a, b); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
  static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static V AddsU8(V a, V b) { return _mm256_adds_epu8(a, b); }
  static V SubsU8(V a, V b) { return _mm256_subs_epu8(a, b); }
  static V ShuffleLo16FF(V a) { return _mm256_shufflelo_epi16(a, 0xFF); }
  static V ShuffleHi16FF(V a) { return _mm256_shufflehi_epi16(a, 0xFF); }
  static unsigned Movemask8(V a) { return static_cast<unsigned>(_mm256_movemask_epi8(a)); }
};

}  // namespace

BlendSpanRoutine SelectVectorSpan32Avx2(BlendSpan* span) {
  return HasVectorSpan32(*span) ? Kernels<Avx2Ops>::Select(span) : nullptr;
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
