// Loop selection over the two per-format tables.
#include "engine/softrender/triangle_texel_table.h"

namespace texel {

SpanFn SelectSpan32(int index);
SpanFn SelectSpan16(int index);
BoxFn SelectBox32(int index);
BoxFn SelectBox16(int index);

SpanFn SelectSpan(int format, bool palette, int mode, bool graph, bool bright, bool alpha, bool transparent) {
  if (mode < 0 || mode > 4) return nullptr;
  const int i = TableIndex(palette, mode, graph, bright, alpha, transparent);
  return format == 32 ? SelectSpan32(i) : SelectSpan16(i);
}

BoxFn SelectBox(int format, bool palette, int mode, bool graph, bool bright, bool alpha, bool transparent) {
  if (mode < 0 || mode > 4) return nullptr;
  const int i = TableIndex(palette, mode, graph, bright, alpha, transparent);
  return format == 32 ? SelectBox32(i) : SelectBox16(i);
}

}  // namespace texel

#include "engine/graphics/draw_state.h"

namespace texel {

bool PrepareDraw(const MEMIMG* dest, const MEMIMG* src, int transparent, const MEMIMG* graph, Setup* out) {
  if (dest == nullptr || src == nullptr) return false;
  if (src->Format != dest->Format || dest->UsePalette == 1 || dest->UseAlpha == 1) return false;
  if (src->Format != kFormat16 && src->Format != kFormat32) return false;
  if (dest->Image == nullptr || src->Image == nullptr || src->Width <= 0 || src->Height <= 0) return false;
  if (graph != nullptr && (graph->Image == nullptr || graph->Width < src->Width || graph->Height < src->Height))
    return false;
  const GraphDrawState& st = g_GraphDrawState;
  int mode = st.BlendMode;
  const int p = st.BlendParam < 0 ? 0 : (st.BlendParam > 255 ? 255 : st.BlendParam);
  if (mode < 0 || mode > 4) return false;
  if (mode == 1 && p == 255) mode = 0;
  if (mode >= 1 && mode <= 3 && p == 0) return false;

  Setup& s = *out;
  s.format = src->Format == kFormat32 ? 32 : 16;
  s.palette = src->UsePalette == 1;
  s.mode = mode;
  s.graph = graph != nullptr;
  s.bright = (st.Brightness & 0xFFFFFF) != kNoBrightness;
  s.alpha = !s.palette && src->UseAlpha == 1;
  s.transparent = transparent != 0;
  Context& c = s.ctx;
  c.srcImage = src->Image;
  c.srcPitch = src->Pitch;
  c.mapImage = graph != nullptr ? graph->Image : nullptr;
  c.mapPitch = graph != nullptr ? graph->Pitch : 0;
  c.palette = src->Palette != nullptr ? src->Palette : src->PaletteTable1;
  c.transColor = src->TransColor;
  c.param = p;
  c.rowP = BlendScaleTable[p];
  c.deltaP = &BlendDeltaTable[p][kBlendDeltaZero];
  c.rowB = BlendScaleTable[st.Brightness & 0xFF];
  c.rowG = BlendScaleTable[(st.Brightness >> 8) & 0xFF];
  c.rowR = BlendScaleTable[(st.Brightness >> 16) & 0xFF];
  c.uBound = static_cast<std::uint64_t>(src->Width) << 18;
  c.vBound = static_cast<std::uint64_t>(src->Height) << 18;
  // Eight texels are read before their pixels are written: only between images that share no bytes.
  const std::uint8_t* destEnd = dest->Image + static_cast<std::int64_t>(dest->Pitch) * dest->Height;
  const std::uint8_t* srcEnd = src->Image + static_cast<std::int64_t>(src->Pitch) * src->Height;
  const bool apart = destEnd <= src->Image || srcEnd <= dest->Image;
  c.gatherCopy32 = apart ? SelectGatherCopy32(src->Width, src->Height, src->Pitch) : GatherCopy32Scalar;
  return true;
}

}  // namespace texel
