#include "engine/softrender/texel_gather.h"

#include <cstring>

namespace texel {

void GatherCopy32Scalar(std::uint8_t* d, const std::uint8_t* image, std::int64_t pitch, std::int64_t count,
                        std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv) {
  for (std::int64_t i = 0; i < count; ++i, u += du, v += dv)
    std::memcpy(d + 4 * i, image + (v >> 18) * pitch + (u >> 18) * 4, 4);
}

bool GatherCopy32FitsLanes(std::int64_t width, std::int64_t height, std::int64_t pitch) {
  constexpr std::int64_t kLaneMax = 0x7FFFFFFF;
  return width > 0 && height > 0 && pitch > 0 && pitch % 4 == 0 && (width << 18) <= kLaneMax &&
         (height << 18) <= kLaneMax && height * (pitch / 4) <= kLaneMax;
}

GatherCopyFn SelectGatherCopy32(std::int64_t width, std::int64_t height, std::int64_t pitch) {
  static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  return avx2 && GatherCopy32FitsLanes(width, height, pitch) ? GatherCopy32Avx2 : GatherCopy32Scalar;
}

void GatherColumns32Scalar(std::uint8_t* d, const std::uint8_t* row, int /*width*/, const std::int32_t* columns,
                           int n) {
  for (int j = 0; j < n; ++j) std::memcpy(d + 4 * j, row + static_cast<std::int64_t>(columns[j]) * 4, 4);
}

GatherColumnsFn SelectGatherColumns32() {
  static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  return avx2 ? GatherColumns32Avx2 : GatherColumns32Scalar;
}

}  // namespace texel
