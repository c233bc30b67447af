// Blend spans: one row of n source pixels combined with n destination pixels under one call's draw state.
//
// Every image transfer decides all of its options once per call (PrepareBlendSpan), then hands rows or runs of
// pixels to the chosen routine. The 32-bit direct-source combinations of every mode without a blend graphic run in
// vector loops; every other combination runs in one generic loop over the blend tables. Both give the same results.
//
// Arithmetic (per component; s' is the source after brightness, W the product of the k weights in force: the
// blend-graphic level L, the source alpha a, and P in modes 1 to 3):
// - mode 0: a copy without weights (the whole pixel without brightness), else d + floor((s' - d) W / 256^k);
// - mode 1: d + floor((s' - d) W / 256^k); the per-pixel path's half blend at P = 128 and 16-bit Mix64 form;
//   16-bit without weights but P uses BlendDeltaTable;
// - modes 2 and 3: v = Scale[P][s'] without other weights, else floor(s' W / 256^k) (32-bit) or
//   Scale[P][floor(s' W' / 256^j)] (16-bit); then min(d + v, max) or max(d - v, 0) per component;
// - mode 4: the product p = floor(d s' / 2^bits); with weights d + floor((p - d) W / 256^k), so a weight of 0
//   leaves the destination as it is.
// A 32-bit destination keeps its X byte in every blend; copies without brightness write the source's X byte; the
// 32-bit half blend clears it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"

// The transfer a span belongs to; the rules differ in a few places.
enum SpanPath { kSpanPerPixel = 0, kSpanRunCoded = 1, kSpanStretched = 2 };

// How the source alpha weighs a pixel.
enum SpanAlphaRule {
  kAlphaNone = 0,    // no alpha weight (no alpha channel, or a solid run of an alpha image)
  kAlphaKeyed = 1,   // transparent flag set: alpha 0 skips, alpha 255 draws without the weight, others weigh
  kAlphaAlways = 2,  // every pixel weighs by its alpha (transparent flag clear, or a translucent run)
};

struct BlendSpan;
using BlendSpanRoutine = void (*)(const BlendSpan& span, std::uint8_t* dst, const std::uint8_t* src,
                                  const std::uint8_t* map, int n);
// A block of `rows` rows of n pixels each, the rows `dstPitch`, `srcPitch` and `mapPitch` bytes apart.
using BlendRowsRoutine = void (*)(const BlendSpan& span, std::uint8_t* dst, std::int64_t dstPitch,
                                  const std::uint8_t* src, std::int64_t srcPitch, const std::uint8_t* map,
                                  std::int64_t mapPitch, int n, int rows);

struct BlendSpan {
  int format;          // kFormat16 or kFormat32 (source and destination)
  int srcBytes;        // bytes per source pixel: 1 palette, 2 16-bit, 4 32-bit or 16-bit with alpha
  int dstBytes;        // 2 or 4
  bool palette;        // source pixels are palette indices
  bool alphaChannel;   // source pixels carry alpha
  int alphaRule;       // SpanAlphaRule
  bool colorKey;       // skip pixels equal to transColor (sources without alpha, transparent flag set)
  std::uint32_t transColor;  // palette index, 16-bit word or 32-bit value
  int mode;            // 0..4; mode 1 at P = 255 is 0
  int param;           // P
  bool bright;         // brightness other than 0xFFFFFF
  std::uint8_t brightB, brightG, brightR;
  const std::uint8_t* levels;  // BlendGraphLevelTable when a blend graphic weighs the pixels, else null
  bool halfBlend;      // mode 1 at P = 128, per-pixel path, no brightness, map or alpha channel
  bool mix64;          // 16-bit mode 1 through BlendMixTable64 (per-pixel path, no brightness, map or alpha)
  std::uint32_t paletteEntries[256];  // the source palette in the destination's format
  BlendSpanRoutine routine;
  BlendRowsRoutine rows;  // the same loop over a block of rows (the vector loops keep their constants in registers)
  alignas(32) unsigned char vectorConsts[320];  // the vector loop's per-call constants
};

// Fills `span` for drawing `source` under `state` (blend mode, parameter, brightness) with the transparent flag and
// the blend-graphic presence; alphaRule overrides the rule the transparent flag gives when not -1 (run-coded
// path). Returns 0, or -1 when the draw state draws nothing (mode outside 0..4, P = 0 in modes 1 to 3, a source
// format other than 16-bit or 32-bit).
int PrepareBlendSpan(BlendSpan* span, const MEMIMG* source, const GraphDrawState& state, int transparent, bool useMap,
                     SpanPath path, int alphaRule = -1);

// Runs the prepared routine over n pixels; map holds one blend-graphic byte per source pixel (only read when the
// span uses levels).
inline void RunBlendSpan(const BlendSpan& span, std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* map,
                         int n) {
  span.routine(span, dst, src, map, n);
}

// Runs the prepared routine over a block of rows, the same pixels as RunBlendSpan row by row.
inline void RunBlendRows(const BlendSpan& span, std::uint8_t* dst, std::int64_t dstPitch, const std::uint8_t* src,
                         std::int64_t srcPitch, const std::uint8_t* map, std::int64_t mapPitch, int n, int rows) {
  span.rows(span, dst, dstPitch, src, srcPitch, map, mapPitch, n, rows);
}

// The generic loop (any format, source kind, mode and option); exposed so tests can run it beside the vector loops.
void BlendSpanGeneric(const BlendSpan& span, std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* map, int n);
// The vector loop for the span, or null when the combination has none: AVX2 when the processor has it, else SSE2.
// Also sets up the loop's constants in span->vectorConsts and, with a loop, its block-of-rows form in span->rows.
BlendSpanRoutine SelectVectorSpan32(BlendSpan* span);
// Plain copies of at least this many bytes in one piece go through the processor's string move where it is fast
// (ERMS): its stores claim whole cache lines without reading them first, which the vector loops cannot do.
inline constexpr std::size_t kStringCopyFrom = 64 * 1024;
bool StringCopyIsFast();
// Copies `bytes` bytes forwards with the string move; the two blocks must not overlap.
inline void StringCopy(std::uint8_t* dst, const std::uint8_t* src, std::size_t bytes) {
  asm volatile("rep movsb" : "+D"(dst), "+S"(src), "+c"(bytes) : : "memory");
}
// The two instruction-set levels themselves (the AVX2 one may only run where the processor reports AVX2).
BlendSpanRoutine SelectVectorSpan32Sse2(BlendSpan* span);
BlendSpanRoutine SelectVectorSpan32Avx2(BlendSpan* span);
