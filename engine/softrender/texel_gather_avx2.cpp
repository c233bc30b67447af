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

}  // namespace texel
