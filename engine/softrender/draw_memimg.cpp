#include "engine/softrender/draw_memimg.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/graphics/draw_state.h"
#include "engine/softrender/blend_span.h"
#include "engine/softrender/texel_gather.h"

namespace {

std::int32_t ClampToInt(std::int64_t v) {
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool DestinationAccepts(const MEMIMG* dest, const MEMIMG* src) {
  if (dest == nullptr || src == nullptr || dest->Image == nullptr || src->Image == nullptr) return false;
  if (src->Format != dest->Format) return false;
  if (dest->UsePalette == 1 || dest->UseAlpha == 1) return false;
  if (dest->Format != kFormat16 && dest->Format != kFormat32) return false;
  return src->Width > 0 && src->Height > 0;
}

// The blend graphic must cover source columns [x, x + w) and rows [y, y + h), one byte per pixel.
bool MapCovers(const MEMIMG* map, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
  return map->Image != nullptr && map->Pitch > 0 && x >= 0 && y >= 0 && x + w <= map->Pitch && y + h <= map->Height;
}

// Skip stretches of the run table shorter than this are left to the span's own transparent test, which gives the
// same pixels while the table is current and keeps the vector loops on long spans: the loops pass over groups of
// skipped pixels at a few cycles per group, while every split of a span costs a partial vector at each end.
constexpr int kMinSkipStretch = 4 * kRunMaxLength;
constexpr std::uint8_t kFullSkipCode = (kRunSkip << 6) | (kRunMaxLength - 1);

// The row end (the first code of kind 3) at or after `code`, or `end`; *longSkip tells whether four skip runs of
// the full 64 pixels follow each other before it. The table's runs are as long as they can be, so a row without
// them has no skip stretch of kMinSkipStretch pixels.
const std::uint8_t* FindRowEnd(const std::uint8_t* code, const std::uint8_t* end, bool* longSkip) {
  static_assert(kMinSkipStretch == 4 * kRunMaxLength);
  const __m128i full = _mm_set1_epi8(static_cast<char>(kFullSkipCode));
  auto fourInARow = [](unsigned m) { return (m & (m >> 1) & (m >> 2) & (m >> 3)) != 0; };
  unsigned carry = 0;  // the previous block's last three full-skip bits
  for (; end - code >= 16; code += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(code));
    // Bits 7 and 6 both set: kind 3 (the 16-bit shift moves each byte's bit 6 onto its own bit 7).
    const unsigned rowEnd = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(v, _mm_slli_epi16(v, 1))));
    unsigned fullSkips = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, full)));
    if (rowEnd != 0) fullSkips &= (1u << __builtin_ctz(rowEnd)) - 1;
    if (fourInARow(carry | fullSkips << 3)) {
      *longSkip = true;
      while (code < end && (*code >> 6) != 3) ++code;
      return code;
    }
    if (rowEnd != 0) {
      *longSkip = false;
      return code + __builtin_ctz(rowEnd);
    }
    carry = fullSkips >> 13;
  }
  int inARow = 0;
  for (int i = 0; i < 3; ++i) inARow = (carry >> i) & 1 ? inARow + 1 : 0;
  bool found = false;
  for (; code < end && (*code >> 6) != 3; ++code) {
    inARow = *code == kFullSkipCode ? inARow + 1 : 0;
    found = found || inARow >= 4;
  }
  *longSkip = found;
  return code;
}

// After this many rows in a row without a long skip stretch the walk stops reading the table and draws the rest
// whole: in images dense with runs, reading the codes costs more than jumping saves.
constexpr int kPlainRowsBeforeGivingUp = 16;

// The run table decides where whole skip stretches are jumped over; the spans between them draw with the
// transparent rule (colour key, or alpha 0 skipped and alpha 255 unweighted), which is what the table's skip, solid
// and translucent runs say while the table describes the current pixels. Whether a stretch is jumped or passed by
// the span's own test changes the speed only.
void DrawRunCoded(MEMIMG* dest, const MEMIMG* src, std::uint8_t* dstRow, const MEMIMG* map, const BlendSpan& span) {
  const int srcBytes = span.srcBytes;
  const int dstBytes = span.dstBytes;
  const std::uint8_t* code = src->RunTable;
  const std::uint8_t* const end = code + (static_cast<std::int64_t>(src->Width) + 5) * src->Height;
  if (src->Width < kMinSkipStretch) {
    RunBlendRows(span, dstRow, dest->Pitch, src->Image, src->Pitch, map != nullptr ? map->Image : nullptr,
                 map != nullptr ? map->Pitch : 0, src->Width, src->Height);
    return;
  }
  // Rows without a long skip stretch are drawn whole, as blocks of rows (the runs of a row cover its width).
  int blockStart = 0;
  auto drawBlock = [&](int blockEnd) {
    if (blockEnd > blockStart)
      RunBlendRows(span, dstRow + static_cast<std::int64_t>(blockStart) * dest->Pitch,
                   dest->Pitch, src->Image + static_cast<std::int64_t>(blockStart) * src->Pitch, src->Pitch,
                   map != nullptr ? map->Image + static_cast<std::int64_t>(blockStart) * map->Pitch : nullptr,
                   map != nullptr ? map->Pitch : 0, src->Width, blockEnd - blockStart);
  };
  int row = 0, plainRows = 0;
  for (; row < src->Height && code < end; ++row) {
    if (plainRows == kPlainRowsBeforeGivingUp) {
      row = src->Height;
      break;
    }
    const std::uint8_t* s = src->Image + static_cast<std::int64_t>(row) * src->Pitch;
    const std::uint8_t* m = map != nullptr ? map->Image + static_cast<std::int64_t>(row) * map->Pitch : nullptr;
    std::uint8_t* d = dstRow + static_cast<std::int64_t>(row) * dest->Pitch;
    auto draw = [&](int from, int to) {
      if (to > from)
        RunBlendSpan(span, d + static_cast<std::int64_t>(from) * dstBytes, s + static_cast<std::int64_t>(from) * srcBytes,
                     m != nullptr ? m + from : nullptr, to - from);
    };
    bool longSkip = false;
    const std::uint8_t* rowEnd = FindRowEnd(code, end, &longSkip);
    if (!longSkip) {
      code = rowEnd;
      ++plainRows;
    } else {
      plainRows = 0;
      drawBlock(row);
      blockStart = row + 1;
      int x = 0, spanStart = 0, skipStart = -1;
      for (; code < rowEnd; ++code) {
        const std::uint8_t c = *code;
        const int kind = c >> 6;
        const int n = std::min((c & 63) + 1, src->Width - x);
        if (n <= 0) continue;
        if (kind == kRunSkip) {
          if (skipStart < 0) skipStart = x;
        } else if (skipStart >= 0) {
          if (x - skipStart >= kMinSkipStretch) {
            draw(spanStart, skipStart);
            spanStart = x;
          }
          skipStart = -1;
        }
        x += n;
      }
      draw(spanStart, skipStart >= 0 ? skipStart : x);
    }
    if (code < end) ++code;  // past the row end
  }
  drawBlock(row);
}

// n pixels of a 32-bit row read leftwards from `from` (its last pixel) into `to`.
[[gnu::always_inline]] inline void ReverseRow32(std::uint8_t* to, const std::uint8_t* from, int n) {
  int j = 0;
  for (; j + 4 <= n; j += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from - 4 * (j + 3)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * j), _mm_shuffle_epi32(v, 0x1B));
  }
  for (; j < n; ++j) std::memcpy(to + 4 * j, from - 4 * j, 4);
}

}  // namespace

RECT SoftRenderClipArea(const MEMIMG* dest) {
  RECT area = g_GraphDrawState.DrawArea;
  NormalizeRect(&area);
  const RECT bounds{0, 0, dest->Width, dest->Height};
  ClipRect(&area, &bounds);
  return area;
}

void DrawMemImg(MEMIMG* dest, const MEMIMG* src, int x, int y, int transparent, const MEMIMG* blendGraph) {
  if (!DestinationAccepts(dest, src)) return;
  RECT r{x, y, ClampToInt(static_cast<std::int64_t>(x) + src->Width),
         ClampToInt(static_cast<std::int64_t>(y) + src->Height)};
  const RECT area = SoftRenderClipArea(dest);
  ClipRect(&r, &area);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  const std::int64_t dx = static_cast<std::int64_t>(r.left) - x, dy = static_cast<std::int64_t>(r.top) - y;
  if (blendGraph != nullptr && !MapCovers(blendGraph, dx, dy, w, h)) return;

  const bool runCoded = transparent == 1 && src->RunsValid == 1 && src->RunTable != nullptr && w == src->Width &&
                        h == src->Height;
  BlendSpan span;
  if (PrepareBlendSpan(&span, src, g_GraphDrawState, transparent, blendGraph != nullptr,
                       runCoded ? kSpanRunCoded : kSpanPerPixel) != 0)
    return;
  dest->RunsValid = 0;
  dest->PremulValid = 0;

  std::uint8_t* dstRow =
      dest->Image + static_cast<std::int64_t>(r.top) * dest->Pitch + static_cast<std::int64_t>(r.left) * span.dstBytes;
  if (runCoded) {
    DrawRunCoded(dest, src, dstRow, blendGraph, span);
    return;
  }
  const std::uint8_t* srcRow = src->Image + dy * src->Pitch + dx * span.srcBytes;
  const std::uint8_t* mapRow = blendGraph != nullptr ? blendGraph->Image + dy * blendGraph->Pitch + dx : nullptr;
  RunBlendRows(span, dstRow, dest->Pitch, srcRow, src->Pitch, mapRow, blendGraph != nullptr ? blendGraph->Pitch : 0,
               w, h);
}

void DrawMemImgStretched(MEMIMG* dest, const MEMIMG* src, const int* rect, int transparent, const MEMIMG* blendGraph) {
  if (rect == nullptr || !DestinationAccepts(dest, src)) return;
  const int x1 = rect[0], y1 = rect[1], x2 = rect[2], y2 = rect[3];
  const bool mirrorX = x1 > x2, mirrorY = y1 > y2;
  const std::int64_t left = std::min(x1, x2), right = std::max(x1, x2);
  const std::int64_t top = std::min(y1, y2), bottom = std::max(y1, y2);
  const std::int64_t W = right - left, H = bottom - top;
  if (W == 0 || H == 0) return;
  if (W == src->Width && H == src->Height && !mirrorX && !mirrorY) {
    DrawMemImg(dest, src, static_cast<int>(left), static_cast<int>(top), transparent, blendGraph);
    return;
  }
  if (W >= 65536 || H >= 65536) return;
  const std::int64_t stepX = (W * 65536) / src->Width, stepY = (H * 65536) / src->Height;
  if (stepX == 0 || stepY == 0) return;

  RECT r{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
  const RECT area = SoftRenderClipArea(dest);
  ClipRect(&r, &area);
  const int cw = r.right - r.left, ch = r.bottom - r.top;
  if (cw <= 0 || ch <= 0) return;
  if (blendGraph != nullptr && !MapCovers(blendGraph, 0, 0, src->Width, src->Height)) return;

  BlendSpan span;
  if (PrepareBlendSpan(&span, src, g_GraphDrawState, transparent, blendGraph != nullptr, kSpanStretched) != 0) return;
  dest->RunsValid = 0;
  dest->PremulValid = 0;

  const int srcBytes = span.srcBytes, dstBytes = span.dstBytes;
  // A plain 32-bit copy (no weights, brightness, key or palette) between images that share no pixels picks the
  // source pixels straight into the row.
  const bool apart = dest->Image + static_cast<std::int64_t>(dest->Pitch) * dest->Height <= src->Image ||
                     src->Image + static_cast<std::int64_t>(src->Pitch) * src->Height <= dest->Image;
  const bool plainCopy32 = apart && span.format == kFormat32 && srcBytes == 4 && !span.palette && span.mode == 0 &&
                           !span.bright && span.alphaRule == kAlphaNone && !span.colorKey && span.levels == nullptr;
  const std::int64_t firstJ = r.left - left, firstI = r.top - top;
  // The plain copies and the full-strength subtracts (no blend graphic, brightness or alpha channel) step on only
  // while the accumulator is below 0, the other loops while it is at most 0. A reduction whose accumulator lands
  // exactly on 0 then keeps the source pixel whose span ends at that destination edge.
  const bool stopAtZero = blendGraph == nullptr && !span.bright && !span.alphaChannel &&
                          (span.mode == 0 || (span.mode == 3 && span.param == 255));
  // Source index of destination index J (from the unclipped edge, so a clipped draw shows what the unclipped one
  // shows there): floor(J * 65536 / step), one less in the loops that stop at 0 where a reduction's J * 65536 is a
  // whole multiple of the step; kept inside the source, stepped on without a division per index.
  struct Stepper {
    std::int64_t index, rest, step, last;
    bool stopAtZero;
    Stepper(std::int64_t first, std::int64_t stepSize, std::int64_t size, bool stopAt0)
        : index((first * 65536) / stepSize), rest((first * 65536) % stepSize), step(stepSize), last(size - 1),
          stopAtZero(stopAt0 && stepSize < 65536) {}
    std::int64_t Current() const { return std::min(stopAtZero && rest == 0 && index > 0 ? index - 1 : index, last); }
    void Next() {
      rest += 65536;
      while (rest >= step) {
        rest -= step;
        ++index;
      }
    }
  };
  Stepper rows(firstI, stepY, src->Height, stopAtZero);
  const texel::GatherColumnsFn gatherColumns = texel::SelectGatherColumns32();

  // Columns in chunks, so the column table and the gathered row stay on the stack.
  constexpr int kChunk = 1024, kMinBatchRows = 16;
  std::int32_t columns[kChunk];
  alignas(16) std::uint8_t gathered[kChunk * 4];
  if (stepX == 65536 && stepY == 65536 && mirrorX && srcBytes == 4 && blendGraph == nullptr && apart &&
      cw <= kChunk / kMinBatchRows) {
    // Narrow draws mirrored at 1:1 across between images that share no pixels: as many reversed rows as the buffer
    // holds, then drawn as one block of rows, which saves a call per row. Wider rows gain nothing by it.
    const int batch = kChunk / cw;
    const std::uint8_t* firstColumn = src->Image + (src->Width - 1 - firstJ) * 4;
    std::uint8_t* dstRow = dest->Image + static_cast<std::int64_t>(r.top) * dest->Pitch +
                           static_cast<std::int64_t>(r.left) * dstBytes;
    for (int i0 = 0; i0 < ch; i0 += batch) {
      const int rowsNow = std::min(batch, ch - i0);
      for (int k = 0; k < rowsNow; ++k) {
        const std::int64_t i = firstI + i0 + k;
        const std::int64_t sy = mirrorY ? src->Height - 1 - i : i;
        ReverseRow32(gathered + static_cast<std::int64_t>(k) * cw * 4, firstColumn + sy * src->Pitch, cw);
      }
      RunBlendRows(span, dstRow + static_cast<std::int64_t>(i0) * dest->Pitch, dest->Pitch, gathered,
                   static_cast<std::int64_t>(cw) * 4, nullptr, 0, cw, rowsNow);
    }
    return;
  }
  std::uint8_t gatheredMap[kChunk];
  for (int j0 = 0; j0 < cw; j0 += kChunk) {
    const int n = std::min(kChunk, cw - j0);
    Stepper cols(firstJ + j0, stepX, src->Width, stopAtZero);
    for (int j = 0; j < n; ++j, cols.Next())
      columns[j] = static_cast<std::int32_t>(mirrorX ? src->Width - 1 - cols.Current() : cols.Current());
    const bool forward = stepX == 65536 && !mirrorX;  // source columns run on one by one
    std::uint8_t* dstRow = dest->Image + static_cast<std::int64_t>(r.top) * dest->Pitch +
                           (static_cast<std::int64_t>(r.left) + j0) * dstBytes;
    std::int64_t lastRow = -1;
    Stepper rowStep = rows;
    for (int i = 0; i < ch; ++i, dstRow += dest->Pitch, rowStep.Next()) {
      const std::int64_t sy = mirrorY ? src->Height - 1 - rowStep.Current() : rowStep.Current();
      const std::uint8_t* srcLine = src->Image + sy * src->Pitch;
      const std::uint8_t* mapLine = blendGraph != nullptr ? blendGraph->Image + sy * blendGraph->Pitch : nullptr;
      const std::uint8_t* s;
      const std::uint8_t* m = nullptr;
      if (plainCopy32 && !forward && stepX != 65536) {
        if (sy == lastRow) {  // the same source row again: the row drawn above
          std::memcpy(dstRow, dstRow - dest->Pitch, static_cast<std::size_t>(n) * 4);
        } else {
          gatherColumns(dstRow, srcLine, src->Width, columns, n);
          lastRow = sy;
        }
        continue;
      }
      if (forward) {
        s = srcLine + static_cast<std::int64_t>(columns[0]) * srcBytes;
        if (mapLine != nullptr) m = mapLine + columns[0];
      } else {
        if (sy != lastRow) {
          if (stepX == 65536 && srcBytes == 4) {  // mirrored 1:1: the source row reversed
            ReverseRow32(gathered, srcLine + static_cast<std::int64_t>(columns[0]) * 4, n);
          } else switch (srcBytes) {
            case 4:
              gatherColumns(gathered, srcLine, src->Width, columns, n);
              break;
            case 2:
              for (int j = 0; j < n; ++j)
                std::memcpy(gathered + 2 * j, srcLine + static_cast<std::int64_t>(columns[j]) * 2, 2);
              break;
            default:
              for (int j = 0; j < n; ++j) gathered[j] = srcLine[columns[j]];
              break;
          }
          if (mapLine != nullptr)
            for (int j = 0; j < n; ++j) gatheredMap[j] = mapLine[columns[j]];
          lastRow = sy;
        }
        s = gathered;
        m = mapLine != nullptr ? gatheredMap : nullptr;
      }
      RunBlendSpan(span, dstRow, s, m, n);
    }
  }
}
