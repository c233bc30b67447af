// Plain 32-bit texel copies: along a line of the source, the inner loop of the rotated, quad and triangle draws when
// they copy without weights, brightness or a transparent test; and by a column table, the pixel picking of stretched
// rows. Each has a scalar form and an AVX2 form, which runs where the processor has AVX2 (and, along a line, where
// the source's offsets fit its 32-bit lanes).
#pragma once

#include <cstdint>

namespace texel {

// Copies `count` pixels to `d`: pixel i is the source texel at (u + i du, v + i dv) in 14.18 fixed point, every one
// of them inside the source; `pitch` is the source's row length in bytes.
using GatherCopyFn = void (*)(std::uint8_t* d, const std::uint8_t* image, std::int64_t pitch, std::int64_t count,
                              std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv);

void GatherCopy32Scalar(std::uint8_t* d, const std::uint8_t* image, std::int64_t pitch, std::int64_t count,
                        std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv);
// Only where the processor reports AVX2, and for sources with GatherCopy32FitsLanes.
void GatherCopy32Avx2(std::uint8_t* d, const std::uint8_t* image, std::int64_t pitch, std::int64_t count,
                      std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv);

// Whether the AVX2 form can address a source of this size: 14.18 coordinates inside it and the texel offsets in
// pixels below 2^31, rows a whole number of pixels apart.
bool GatherCopy32FitsLanes(std::int64_t width, std::int64_t height, std::int64_t pitch);

// The form for a source of this size on this processor.
GatherCopyFn SelectGatherCopy32(std::int64_t width, std::int64_t height, std::int64_t pitch);

// Copies n pixels of one 32-bit source row of `width` pixels to `d`: pixel j is the row's pixel columns[j], the
// columns inside the row and running one way (never falling, or never rising). The stretched draws pick their rows'
// pixels this way.
using GatherColumnsFn = void (*)(std::uint8_t* d, const std::uint8_t* row, int width, const std::int32_t* columns,
                                 int n);

void GatherColumns32Scalar(std::uint8_t* d, const std::uint8_t* row, int width, const std::int32_t* columns, int n);
// Only where the processor reports AVX2. Eight columns within 16 pixels of each other are picked from two loaded
// vectors, others gathered.
void GatherColumns32Avx2(std::uint8_t* d, const std::uint8_t* row, int width, const std::int32_t* columns, int n);

// The form for this processor.
GatherColumnsFn SelectGatherColumns32();

}  // namespace texel
