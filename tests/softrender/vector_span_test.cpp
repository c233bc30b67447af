// The SSE2 and AVX2 span loops against the generic loop, for every 32-bit combination that has a vector loop, on
// rows of every length up to 37 (whole vectors and partial tails) and longer rows that take the aligned-store loops,
// each starting at several offsets from a vector boundary. The transfer tests compare the loop the processor
// selects with the reference; this keeps the other instruction set honest too.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/blend_tables.h"
#include "engine/softrender/blend_span.h"
#include "tests/softrender/test_images.h"

namespace {

constexpr int kRowPixels = 140;

std::vector<int> RowLengths() {
  std::vector<int> out;
  for (int n = 1; n <= 37; ++n) out.push_back(n);
  for (int n : {63, 64, 65, 100, 131}) out.push_back(n);
  return out;
}

// A row buffer whose pixel 0 lies on a 64-byte boundary, so that an offset of k pixels is k * 4 bytes past one.
struct AlignedRow {
  std::vector<std::uint32_t> storage = std::vector<std::uint32_t>(kRowPixels + 32);
  std::uint32_t* Start() {
    const auto a = reinterpret_cast<std::uintptr_t>(storage.data());
    return storage.data() + ((64 - (a & 63)) & 63) / 4;
  }
};

TEST(VectorSpan, Sse2AndAvx2MatchTheGenericLoop) {
  BuildBlendTables();
  const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  softtest::PixelMaker pm(77);
  const std::vector<int> lengths = RowLengths();
  int checked = 0;
  for (auto kind : {softtest::kDirect, softtest::kAlpha})
    for (int mode : {0, 1, 2, 3, 4})
      for (int param : {1, 128, 200, 254, 255})
        for (std::uint32_t br : {0xFFFFFFu, 0x9E9EFFu})
          for (int t : {0, 1})
            for (SpanPath path : {kSpanPerPixel, kSpanRunCoded, kSpanStretched}) {
              softtest::Image src;
              softtest::MakeSource(&src, kFormat32, kind, kRowPixels, 1, pm);
              GraphDrawState state{{0, 0, 0, 0}, mode, param, -1, 0, 0, br, 0};
              BlendSpan span;
              ASSERT_EQ(PrepareBlendSpan(&span, src.get(), state, t, false, path), 0);
              BlendSpan spans[2] = {span, span};
              const BlendSpanRoutine routines[2] = {SelectVectorSpan32Sse2(&spans[0]),
                                                    avx2 ? SelectVectorSpan32Avx2(&spans[1]) : nullptr};
              ASSERT_NE(routines[0], nullptr);
              AlignedRow buffer;
              for (auto& d : buffer.storage) d = pm.Colour(kFormat32);
              for (int offset : {0, 1, 3, 7}) {
                std::uint8_t* row = reinterpret_cast<std::uint8_t*>(buffer.Start() + offset);
                const std::vector<std::uint32_t> before = buffer.storage;
                for (int n : lengths) {
                  BlendSpanGeneric(span, row, src.get()->Image, nullptr, n);
                  const std::vector<std::uint32_t> want = buffer.storage;
                  for (int level = 0; level < 2; ++level) {
                    if (routines[level] == nullptr) continue;
                    buffer.storage = before;
                    routines[level](spans[level], row, src.get()->Image, nullptr, n);
                    ASSERT_EQ(buffer.storage, want) << "kind " << kind << " mode " << mode << " P " << param << " T "
                                                    << t << " path " << path << " n " << n << " offset " << offset
                                                    << (level == 0 ? " sse2" : " avx2");
                    ++checked;
                  }
                  buffer.storage = before;
                }
              }
            }
  EXPECT_GT(checked, 0);
}

// The block-of-rows form of every loop (generic, SSE2, AVX2) gives what the span gives row by row, for rows that
// follow each other in memory on both sides (drawn as one span) and rows with gaps between them.
TEST(VectorSpan, BlocksOfRowsMatchRowByRow) {
  BuildBlendTables();
  const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  softtest::PixelMaker pm(79);
  struct Case {
    int format;
    softtest::SourceKind kind;
    int mode, param, t;
    SpanPath path;
  };
  const Case cases[] = {
      {kFormat32, softtest::kDirect, 0, 255, 0, kSpanPerPixel},  // plain copy
      {kFormat32, softtest::kDirect, 0, 255, 1, kSpanPerPixel},  // colour key
      {kFormat32, softtest::kAlpha, 0, 255, 1, kSpanRunCoded},   // alpha 0 skipped, 255 copied
      {kFormat32, softtest::kAlpha, 1, 200, 0, kSpanPerPixel},
      {kFormat32, softtest::kDirect, 1, 128, 1, kSpanPerPixel},  // half blend with the key
      {kFormat32, softtest::kDirect, 2, 255, 0, kSpanPerPixel},
      {kFormat32, softtest::kDirect, 3, 100, 0, kSpanPerPixel},
      {kFormat32, softtest::kDirect, 4, 255, 0, kSpanPerPixel},
      {kFormat32, softtest::kAlpha, 4, 255, 1, kSpanStretched},
      {kFormat16, softtest::kDirect, 2, 128, 1, kSpanPerPixel},  // no vector loop
  };
  int contiguous = 0;
  for (const Case& c : cases)
    for (int w : {5, 24, 37, 72})
      for (int gap : {0, 8}) {
        const int h = 6, bytes = c.format == kFormat32 ? 4 : 2;
        softtest::Image src, dst;
        softtest::MakeSource(&src, c.format, c.kind, w + gap, h, pm);
        softtest::MakeDest(&dst, c.format, w + gap, h, pm);
        // Rows of a whole number of pitch units without a gap follow each other in memory.
        if (src.get()->Pitch == w * softtest::BytesOf(src.get()) && dst.get()->Pitch == w * bytes) ++contiguous;
        GraphDrawState state{{0, 0, 0, 0}, c.mode, c.param, -1, 0, 0, 0xFFFFFFu, 0};
        BlendSpan span;
        ASSERT_EQ(PrepareBlendSpan(&span, src.get(), state, c.t, false, c.path), 0);
        std::vector<BlendSpan> spans = {span};
        if (c.format == kFormat32) {
          spans.push_back(span);
          ASSERT_NE(SelectVectorSpan32Sse2(&spans.back()), nullptr);
          if (avx2) {
            spans.push_back(span);
            ASSERT_NE(SelectVectorSpan32Avx2(&spans.back()), nullptr);
          }
        }
        const std::vector<std::uint32_t> before = softtest::Snapshot(dst.get());
        for (int row = 0; row < h; ++row)
          BlendSpanGeneric(span, dst.get()->Image + row * dst.get()->Pitch, src.get()->Image + row * src.get()->Pitch,
                           nullptr, w);
        const std::vector<std::uint32_t> want = softtest::Snapshot(dst.get());
        for (std::size_t level = 0; level < spans.size(); ++level) {
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w + gap; ++x) softtest::SetPixel(dst.get(), x, y, before[y * (w + gap) + x]);
          RunBlendRows(spans[level], dst.get()->Image, dst.get()->Pitch, src.get()->Image, src.get()->Pitch, nullptr,
                       0, w, h);
          ASSERT_EQ(softtest::Snapshot(dst.get()), want)
              << "format " << c.format << " mode " << c.mode << " P " << c.param << " T " << c.t << " w " << w
              << " gap " << gap << " loop " << level;
        }
      }
  EXPECT_GT(contiguous, 0);
}

// The SSE2 and (where the processor has it) AVX2 loops of a plain 32-bit copy.
struct PlainCopyLoops {
  BlendSpan spans[2];
  BlendSpanRoutine routines[2] = {nullptr, nullptr};
  explicit PlainCopyLoops(softtest::PixelMaker& pm) {
    softtest::Image src;
    softtest::MakeSource(&src, kFormat32, softtest::kDirect, 8, 1, pm);
    GraphDrawState state{{0, 0, 0, 0}, 0, 255, -1, 0, 0, 0xFFFFFFu, 0};
    EXPECT_EQ(PrepareBlendSpan(&spans[0], src.get(), state, 0, false, kSpanPerPixel), 0);
    spans[1] = spans[0];
    routines[0] = SelectVectorSpan32Sse2(&spans[0]);
    if (__builtin_cpu_supports("avx2") != 0) routines[1] = SelectVectorSpan32Avx2(&spans[1]);
  }
};

// A plain copy within one row (source and destination sharing pixels) moves the pixels as memmove does.
TEST(VectorSpan, PlainCopyBetweenOverlappingPixels) {
  softtest::PixelMaker pm(78);
  const PlainCopyLoops loops(pm);
  const BlendSpan* spans = loops.spans;
  const BlendSpanRoutine* routines = loops.routines;
  std::vector<std::uint32_t> row(120);
  for (auto& p : row) p = pm.Colour(kFormat32);
  for (int level = 0; level < 2; ++level) {
    if (routines[level] == nullptr) continue;
    for (int shift : {-9, -1, 1, 3, 8, 17})
      for (int n : {5, 16, 40, 70}) {
        std::vector<std::uint32_t> want = row, got = row;
        const int from = 30, to = from + shift;
        std::memmove(want.data() + to, want.data() + from, static_cast<std::size_t>(n) * 4);
        routines[level](spans[level], reinterpret_cast<std::uint8_t*>(got.data() + to),
                        reinterpret_cast<const std::uint8_t*>(got.data() + from), nullptr, n);
        ASSERT_EQ(got, want) << "shift " << shift << " n " << n << (level == 0 ? " sse2" : " avx2");
      }
  }
}

// Plain copies long enough for the string move (around its threshold and a whole screen), at several offsets, copy
// exactly their pixels and nothing beside them; an overlapping block of that size still moves as memmove does.
TEST(VectorSpan, LargePlainCopies) {
  softtest::PixelMaker pm(79);
  const PlainCopyLoops loops(pm);
  const BlendSpan* spans = loops.spans;
  const BlendSpanRoutine* routines = loops.routines;
  constexpr int kThreshold = static_cast<int>(kStringCopyFrom / 4);
  constexpr int kMost = 640 * 480;
  std::vector<std::uint32_t> from(kMost + 16), start(kMost + 16);
  for (auto& p : from) p = pm.Colour(kFormat32);
  for (auto& p : start) p = pm.Colour(kFormat32);
  for (int level = 0; level < 2; ++level) {
    if (routines[level] == nullptr) continue;
    for (int n : {kThreshold - 1, kThreshold, kThreshold + 3, kMost})
      for (int offset : {0, 1, 3}) {
        std::vector<std::uint32_t> got = start, want = start;
        std::memcpy(want.data() + offset, from.data() + 5, static_cast<std::size_t>(n) * 4);
        routines[level](spans[level], reinterpret_cast<std::uint8_t*>(got.data() + offset),
                        reinterpret_cast<const std::uint8_t*>(from.data() + 5), nullptr, n);
        ASSERT_EQ(got, want) << "n " << n << " offset " << offset << (level == 0 ? " sse2" : " avx2");
      }
    std::vector<std::uint32_t> got = start, want = start;
    std::memmove(want.data() + 7, want.data(), static_cast<std::size_t>(kThreshold) * 4);
    routines[level](spans[level], reinterpret_cast<std::uint8_t*>(got.data() + 7),
                    reinterpret_cast<const std::uint8_t*>(got.data()), nullptr, kThreshold);
    ASSERT_EQ(got, want) << (level == 0 ? "overlapping sse2" : "overlapping avx2");
  }
}

}  // namespace
