// Builds the loop tables of one pixel format for triangle_texel_ops.h (included by the two per-format sources).
#pragma once

#include <array>
#include <cstddef>
#include <utility>

#include "engine/softrender/triangle_texel_ops.h"

namespace texel {

// Index: ((palette * 5 + mode) << 4) | graph << 3 | bright << 2 | alpha << 1 | transparent.
inline constexpr int kTableSize = 10 * 16;

inline int TableIndex(bool palette, int mode, bool graph, bool bright, bool alpha, bool transparent) {
  return (((palette ? 5 : 0) + mode) << 4) | (graph ? 8 : 0) | (bright ? 4 : 0) | (alpha && !palette ? 2 : 0) |
         (transparent ? 1 : 0);
}

template <int F, std::size_t I>
struct TableEntry {
  static constexpr bool kPal = (I >> 4) >= 5;
  static constexpr int kMode = static_cast<int>((I >> 4) % 5);
  using O = Op<F, kPal, kMode, ((I >> 3) & 1) != 0, ((I >> 2) & 1) != 0, !kPal && ((I >> 1) & 1) != 0, (I & 1) != 0>;
};

template <int F, std::size_t... I>
constexpr std::array<SpanFn, sizeof...(I)> MakeSpanTable(std::index_sequence<I...>) {
  return {&Span<typename TableEntry<F, I>::O>...};
}
template <int F, std::size_t... I>
constexpr std::array<BoxFn, sizeof...(I)> MakeBoxTable(std::index_sequence<I...>) {
  return {&BoxLoop<typename TableEntry<F, I>::O>...};
}

}  // namespace texel
