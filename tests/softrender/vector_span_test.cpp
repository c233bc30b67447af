// The SSE2 and AVX2 span loops against the generic loop, for every 32-bit combination that has a vector loop, on
// rows of every length up to 37 (whole vectors and partial tails). The transfer tests compare the loop the
// processor selects with the reference; this keeps the other instruction set honest too.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/blend_tables.h"
#include "engine/softrender/blend_span.h"
#include "tests/softrender/test_images.h"

namespace {

TEST(VectorSpan, Sse2AndAvx2MatchTheGenericLoop) {
  BuildBlendTables();
  const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  softtest::PixelMaker pm(77);
  int checked = 0;
  for (auto kind : {softtest::kDirect, softtest::kAlpha})
    for (int mode : {0, 1, 2, 3})
      for (int param : {1, 128, 200, 254, 255})
        for (std::uint32_t br : {0xFFFFFFu, 0x9E9EFFu})
          for (int t : {0, 1})
            for (SpanPath path : {kSpanPerPixel, kSpanRunCoded, kSpanStretched}) {
              softtest::Image src;
              softtest::MakeSource(&src, kFormat32, kind, 37, 1, pm);
              GraphDrawState state{{0, 0, 0, 0}, mode, param, -1, 0, 0, br, 0};
              BlendSpan span;
              ASSERT_EQ(PrepareBlendSpan(&span, src.get(), state, t, false, path), 0);
              BlendSpan spans[2] = {span, span};
              const BlendSpanRoutine routines[2] = {SelectVectorSpan32Sse2(&spans[0]),
                                                    avx2 ? SelectVectorSpan32Avx2(&spans[1]) : nullptr};
              ASSERT_NE(routines[0], nullptr);
              std::vector<std::uint32_t> dst(40);
              for (auto& d : dst) d = pm.Colour(kFormat32);
              for (int n = 1; n <= 37; ++n) {
                std::vector<std::uint32_t> want = dst;
                BlendSpanGeneric(span, reinterpret_cast<std::uint8_t*>(want.data()), src.get()->Image, nullptr, n);
                for (int level = 0; level < 2; ++level) {
                  if (routines[level] == nullptr) continue;
                  std::vector<std::uint32_t> got = dst;
                  routines[level](spans[level], reinterpret_cast<std::uint8_t*>(got.data()), src.get()->Image, nullptr, n);
                  ASSERT_EQ(got, want) << "kind " << kind << " mode " << mode << " P " << param << " T " << t
                                       << " path " << path << " n " << n << (level == 0 ? " sse2" : " avx2");
                  ++checked;
                }
              }
            }
  EXPECT_GT(checked, 0);
}

// A plain copy within one row (source and destination sharing pixels) moves the pixels as memmove does.
TEST(VectorSpan, PlainCopyBetweenOverlappingPixels) {
  softtest::PixelMaker pm(78);
  softtest::Image src;
  softtest::MakeSource(&src, kFormat32, softtest::kDirect, 8, 1, pm);
  GraphDrawState state{{0, 0, 0, 0}, 0, 255, -1, 0, 0, 0xFFFFFFu, 0};
  BlendSpan span;
  ASSERT_EQ(PrepareBlendSpan(&span, src.get(), state, 0, false, kSpanPerPixel), 0);
  const bool avx2 = __builtin_cpu_supports("avx2") != 0;
  BlendSpan spans[2] = {span, span};
  const BlendSpanRoutine routines[2] = {SelectVectorSpan32Sse2(&spans[0]),
                                        avx2 ? SelectVectorSpan32Avx2(&spans[1]) : nullptr};
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

}  // namespace
