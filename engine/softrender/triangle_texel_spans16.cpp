// The 16-bit texel loops of the triangle and the rotated blitter.
#include "engine/softrender/triangle_texel_table.h"

namespace texel {

SpanFn SelectSpan16(int index) {
  static constexpr auto kTable = MakeSpanTable<16>(std::make_index_sequence<kTableSize>());
  return kTable[static_cast<std::size_t>(index)];
}

BoxFn SelectBox16(int index) {
  static constexpr auto kTable = MakeBoxTable<16>(std::make_index_sequence<kTableSize>());
  return kTable[static_cast<std::size_t>(index)];
}

}  // namespace texel
