// The AVX2 form of the plain texel copy, compiled for AVX2 here only.
#include <immintrin.h>

#include "engine/softrender/texel_gather.h"

namespace texel {

__attribute__((target("avx2"))) void GatherCopy32Avx2(std::uint8_t* d, const std::uint8_t* image, std::int64_t pitch,
                                                      std::int64_t count, std::int64_t u, std::int64_t v,
                                                      std::int64_t du, std::int64_t dv) {
  // Lane k holds u + k du and v + k dv. Every texel copied lies inside the source, so its coordinates fit the
  // lanes; the sums are worked out modulo 2^32, which gives them exactly.
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256i U = _mm256_add_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(u)),
                               _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<std::int32_t>(du))));
  __m256i V = _mm256_add_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(v)),
                               _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<std::int32_t>(dv))));
  const __m256i stepU = _mm256_set1_epi32(static_cast<std::int32_t>(du * 8));
  const __m256i stepV = _mm256_set1_epi32(static_cast<std::int32_t>(dv * 8));
  const __m256i rowPixels = _mm256_set1_epi32(static_cast<std::int32_t>(pitch / 4));
  const int* texels = reinterpret_cast<const int*>(image);
  std::int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i index =
        _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(V, 18), rowPixels), _mm256_srli_epi32(U, 18));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * i), _mm256_i32gather_epi32(texels, index, 4));
    U = _mm256_add_epi32(U, stepU);
    V = _mm256_add_epi32(V, stepV);
  }
  if (i < count) GatherCopy32Scalar(d + 4 * i, image, pitch, count - i, u + i * du, v + i * dv, du, dv);
}

__attribute__((target("avx2"))) void GatherColumns32Avx2(std::uint8_t* d, const std::uint8_t* row, int width,
                                                         const std::int32_t* columns, int n) {
  const int* texels = reinterpret_cast<const int*>(row);
  const __m256i seven = _mm256_set1_epi32(7);
  int j = 0;
  for (; j + 8 <= n; j += 8) {
    const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + j));
    const int first = columns[j], last = columns[j + 7];
    const int low = first < last ? first : last;
    __m256i out;
    if ((first < last ? last - first : first - last) < 16 && low <= width - 16) {
      // The columns lie in [low, low + 16): two loads, a permute of each, and the lanes past 7 from the second.
      const __m256i rel = _mm256_sub_epi32(index, _mm256_set1_epi32(low));
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + low));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + low + 8));
      out = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(a, rel), _mm256_permutevar8x32_epi32(b, rel),
                               _mm256_cmpgt_epi32(rel, seven));
    } else {
      out = _mm256_i32gather_epi32(texels, index, 4);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * j), out);
  }
  if (j < n) GatherColumns32Scalar(d + 4 * j, row, width, columns + j, n - j);
}

}  // namespace texel
