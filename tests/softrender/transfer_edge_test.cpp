// Golden values of the blend rules (with the per-component saturating add and subtract), path selection, the run
// table, stretched sampling and the refusals of the image transfers.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "engine/graphics/blend_tables.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/draw_memimg.h"
#include "tests/softrender/test_images.h"

namespace {

using softtest::Image;

class TransferEdge : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildBlendTables();
    ResetGraphDrawState();
  }
  void TearDown() override { ResetGraphDrawState(); }
  static void State(int mode, int param, std::uint32_t brightness, RECT area) {
    g_GraphDrawState.BlendMode = mode;
    g_GraphDrawState.BlendParam = param;
    g_GraphDrawState.Brightness = brightness;
    g_GraphDrawState.DrawArea = area;
  }
};

enum class Via { kPerPixel, kRunCoded, kStretched };

struct Golden {
  const char* what;
  int format;
  softtest::SourceKind kind;
  int mode, param;
  std::uint32_t brightness;
  int transparent;
  Via via;
  std::uint32_t src, dst, want;
};

// One source pixel onto one destination pixel.
std::uint32_t DrawOne(const Golden& g) {
  Image src, dst;
  InitMemImg(src.get(), 1, 1, -1, g.format == kFormat32 ? 0xFF102030u : 0x1234u, g.format, 0,
             g.kind == softtest::kAlpha, 1);
  softtest::SetPixel(src.get(), 0, 0, g.src);
  if (g.via == Via::kRunCoded) BuildMemImgRunTable(src.get());
  MakeMemImg(dst.get(), 1, 1, g.format);
  softtest::SetPixel(dst.get(), 0, 0, g.dst);
  g_GraphDrawState = GraphDrawState{{0, 0, 1, 1}, g.mode, g.param, -1, 0, 0, g.brightness, 0};
  if (g.via == Via::kStretched) {
    const int rect[4] = {1, 0, 0, 1};  // mirrored 1:1
    DrawMemImgStretched(dst.get(), src.get(), rect, g.transparent, nullptr);
  } else {
    DrawMemImg(dst.get(), src.get(), 0, 0, g.transparent, nullptr);
  }
  return softtest::GetPixel(dst.get(), 0, 0);
}

TEST_F(TransferEdge, GoldenValues) {
  using softtest::kAlpha;
  using softtest::kDirect;
  const std::uint32_t kNone = 0xFFFFFF;
  const Golden goldens[] = {
      {"half blend, X cleared", 1, kDirect, 1, 128, kNone, 0, Via::kPerPixel, 0x00FFFFFF, 0xFF000000, 0x007F7F7F},
      {"run path: general form at P 128", 1, kDirect, 1, 128, kNone, 1, Via::kRunCoded, 0x00FFFFFF, 0xFF000000, 0xFF7F7F7F},
      {"stretched: general form at P 128", 1, kDirect, 1, 128, kNone, 0, Via::kStretched, 0x00FFFFFF, 0xAB000000, 0xAB7F7F7F},
      {"P 129 general form", 1, kDirect, 1, 129, kNone, 0, Via::kPerPixel, 0x00FFFFFF, 0xAB000000, 0xAB808080},
      {"P 255 is a copy of all four bytes", 1, kDirect, 1, 255, kNone, 0, Via::kPerPixel, 0x12345678, 0xAB000000, 0x12345678},
      {"copy with brightness keeps X", 1, kDirect, 0, 0, 0x80FF00, 0, Via::kPerPixel, 0x12FFFFFF, 0xAB000000, 0xAB80FF00},
      {"add 1+1 per component", 1, kDirect, 2, 255, kNone, 0, Via::kPerPixel, 0x00010101, 0x5A010101, 0x5A020202},
      {"add 1+1 run path", 1, kDirect, 2, 255, kNone, 1, Via::kRunCoded, 0x00010101, 0x00010101, 0x00020202},
      {"add 1+1 stretched", 1, kDirect, 2, 255, kNone, 0, Via::kStretched, 0x00010101, 0x00010101, 0x00020202},
      {"add saturates per component", 1, kDirect, 2, 255, kNone, 0, Via::kPerPixel, 0xFF20F020, 0x00F010F0, 0x00FFFFFF},
      {"add scaled by P", 1, kDirect, 2, 128, kNone, 0, Via::kPerPixel, 0x00FFFFFF, 0x00000000, 0x00808080},
      {"subtract nothing changes nothing", 1, kDirect, 3, 255, kNone, 0, Via::kPerPixel, 0x00000000, 0x000000FF, 0x000000FF},
      {"subtract clamps per component", 1, kDirect, 3, 255, kNone, 0, Via::kPerPixel, 0x000A1478, 0x770A3264, 0x77001E00},
      {"alpha 255 with T 0 falls short", 1, kAlpha, 0, 0, kNone, 0, Via::kPerPixel, 0xFFFFFFFF, 0x00000000, 0x00FEFEFE},
      {"alpha 255 with T 1 copies exactly", 1, kAlpha, 0, 0, kNone, 1, Via::kPerPixel, 0xFFFFFFFF, 0x00000000, 0xFFFFFFFF},
      {"alpha 128 over black", 1, kAlpha, 0, 0, kNone, 1, Via::kPerPixel, 0x80FFFFFF, 0x11000000, 0x117F7F7F},
      {"alpha 128 and P 200", 1, kAlpha, 1, 200, kNone, 1, Via::kPerPixel, 0x80FFFFFF, 0x00000000, 0x00636363},
      {"alpha 0 skipped with T 1", 1, kAlpha, 4, 0, kNone, 1, Via::kPerPixel, 0x00000000, 0x00808080, 0x00808080},
      {"multiply, alpha 0, T 0: unchanged", 1, kAlpha, 4, 0, kNone, 0, Via::kPerPixel, 0x00000000, 0x00808080, 0x00808080},
      {"multiply, alpha 0 stretched", 1, kAlpha, 4, 0, kNone, 0, Via::kStretched, 0x00000000, 0x00808080, 0x00808080},
      {"add with alpha 0, T 0: X kept", 1, kAlpha, 2, 255, kNone, 0, Via::kPerPixel, 0x00FFFFFF, 0xAA102030, 0xAA102030},
      {"multiply 128 x 200", 1, kDirect, 4, 0, kNone, 0, Via::kPerPixel, 0x000000C8, 0x00000080, 0x00000064},
      {"multiply white x white", 1, kDirect, 4, 7, kNone, 0, Via::kPerPixel, 0x00FFFFFF, 0x33FFFFFF, 0x33FEFEFE},
      {"multiply by alpha-255 white, T 0", 1, kAlpha, 4, 0, kNone, 0, Via::kPerPixel, 0xFFFFFFFF, 0x00C8C8C8, 0x00C7C7C7},
      {"key differing in X is drawn", 1, kDirect, 0, 0, kNone, 1, Via::kPerPixel, 0x00102030, 0x00000000, 0x00102030},
      {"key is skipped", 1, kDirect, 0, 0, kNone, 1, Via::kPerPixel, 0xFF102030, 0x00000000, 0x00000000},
      {"16: multiply white x white", 0, kDirect, 4, 0, kNone, 0, Via::kPerPixel, 0xFFFF, 0xFFFF, 0xF7DE},
      {"16: half blend", 0, kDirect, 1, 128, kNone, 0, Via::kPerPixel, 0xFFFF, 0x0000, 0x7BEF},
      {"16: Mix64 at P 4", 0, kDirect, 1, 4, kNone, 0, Via::kPerPixel, 0x07E0, 0x0000, 0x0020},
      {"16: Mix64 at P 7", 0, kDirect, 1, 7, kNone, 0, Via::kPerPixel, 0x07E0, 0x0000, 0x0020},
      {"16: delta form at P 4", 0, kDirect, 1, 4, kNone, 0, Via::kStretched, 0x07E0, 0x0000, 0x0000},
      {"16: delta form at P 7", 0, kDirect, 1, 7, kNone, 0, Via::kStretched, 0x07E0, 0x0000, 0x0020},
      {"16: add 1+1 per field", 0, kDirect, 2, 255, kNone, 0, Via::kPerPixel, 0x0821, 0x0821, 0x1042},
      {"16: add saturates green alone", 0, kDirect, 2, 255, kNone, 0, Via::kPerPixel, 0x0020, 0x07E0, 0x07E0},
      {"16: subtract nothing", 0, kDirect, 3, 255, kNone, 0, Via::kPerPixel, 0x0000, 0xFFFF, 0xFFFF},
      {"16: brightness on a 5-bit red", 0, kDirect, 0, 0, 0x80FFFF, 0, Via::kPerPixel, 0xF800, 0x0000, 0x7800},
      {"16: alpha pixel copies its word", 0, kAlpha, 0, 0, kNone, 1, Via::kPerPixel, 0x00FF1234, 0x0000, 0x1234},
      {"P 0 draws nothing", 1, kDirect, 2, 0, kNone, 0, Via::kPerPixel, 0x00FFFFFF, 0x00000000, 0x00000000},
      {"mode 4 ignores P 0", 1, kDirect, 4, 0, kNone, 0, Via::kPerPixel, 0x00808080, 0x00FFFFFF, 0x007F7F7F},
      {"mode 5 draws nothing", 1, kDirect, 5, 255, kNone, 0, Via::kPerPixel, 0x00FFFFFF, 0x00000000, 0x00000000},
      {"mode -1 draws nothing", 1, kDirect, -1, 255, kNone, 0, Via::kStretched, 0x00FFFFFF, 0x00000000, 0x00000000},
  };
  for (const Golden& g : goldens) EXPECT_EQ(DrawOne(g), g.want) << g.what << std::hex << " got/want";
}

TEST_F(TransferEdge, BlendGraphicLevels) {
  // B = 128, R = 255: level = byte. Byte 0 leaves the pixel, 255 gives d + floor((s - d) 255 / 256).
  BuildBlendGraphLevelTable(128, 255);
  Image src, dst, map;
  InitMemImg(src.get(), 3, 1, -1, 0, kFormat32, 0, 0, 0);
  MakeMemImg(dst.get(), 3, 1, kFormat32);
  InitMemImg(map.get(), 3, 1, -1, 0, kFormat8, 0, 0, 0);
  const std::uint8_t bytes[3] = {0, 255, 128};
  for (int x = 0; x < 3; ++x) {
    softtest::SetPixel(src.get(), x, 0, 0x00FFFFFF);
    softtest::SetPixel(dst.get(), x, 0, 0);
    map.get()->Image[x] = bytes[x];
  }
  State(4, 0, 0xFFFFFF, {0, 0, 3, 1});
  softtest::SetPixel(dst.get(), 0, 0, 0x00C8C8C8);
  DrawMemImg(dst.get(), src.get(), 0, 0, 0, map.get());  // multiply at level 0 leaves the pixel (not black)
  EXPECT_EQ(softtest::GetPixel(dst.get(), 0, 0), 0x00C8C8C8u);
  for (int x = 0; x < 3; ++x) softtest::SetPixel(dst.get(), x, 0, 0);
  State(0, 0, 0xFFFFFF, {0, 0, 3, 1});
  DrawMemImg(dst.get(), src.get(), 0, 0, 0, map.get());
  EXPECT_EQ(softtest::GetPixel(dst.get(), 0, 0), 0x00000000u);
  EXPECT_EQ(softtest::GetPixel(dst.get(), 1, 0), 0x00FEFEFEu);
  EXPECT_EQ(softtest::GetPixel(dst.get(), 2, 0), 0x007F7F7Fu);
  // A blend graphic smaller than the drawn part refuses the draw.
  Image small;
  InitMemImg(small.get(), 2, 1, 2, 0, kFormat8, 0, 0, 0);
  for (int x = 0; x < 3; ++x) softtest::SetPixel(dst.get(), x, 0, 0x00123456);
  DrawMemImg(dst.get(), src.get(), 0, 0, 0, small.get());
  EXPECT_EQ(softtest::GetPixel(dst.get(), 0, 0), 0x00123456u);
}

TEST_F(TransferEdge, RefusalsLeaveTheDestinationUntouched) {
  softtest::PixelMaker pm(5);
  Image src32, src16, dst32, palDst, alphaDst;
  softtest::MakeSource(&src32, kFormat32, softtest::kDirect, 4, 4, pm);
  softtest::MakeSource(&src16, kFormat16, softtest::kDirect, 4, 4, pm);
  softtest::MakeDest(&dst32, kFormat32, 8, 8, pm);
  InitMemImg(palDst.get(), 8, 8, -1, 0, kFormat32, 1, 0, 0);
  std::memset(palDst.get()->Image, 0x5A, static_cast<std::size_t>(palDst.get()->Pitch) * 8);
  InitMemImg(alphaDst.get(), 8, 8, -1, 0, kFormat32, 0, 1, 0);
  std::memset(alphaDst.get()->Image, 0x5A, static_cast<std::size_t>(alphaDst.get()->Pitch) * 8);
  State(0, 255, 0xFFFFFF, {0, 0, 8, 8});
  const int rect[4] = {0, 0, 8, 8};
  struct Case {
    const char* what;
    MEMIMG* dst;
    MEMIMG* src;
  } cases[] = {{"format mismatch", dst32.get(), src16.get()},
               {"palette destination", palDst.get(), src32.get()},
               {"alpha destination", alphaDst.get(), src32.get()}};
  for (const Case& c : cases) {
    const auto before = softtest::Snapshot(c.dst);
    DrawMemImg(c.dst, c.src, 1, 1, 0, nullptr);
    DrawMemImgStretched(c.dst, c.src, rect, 0, nullptr);
    EXPECT_EQ(softtest::Snapshot(c.dst), before) << c.what;
  }
  const auto before = softtest::Snapshot(dst32.get());
  DrawMemImg(dst32.get(), nullptr, 0, 0, 0, nullptr);
  DrawMemImg(nullptr, src32.get(), 0, 0, 0, nullptr);
  DrawMemImgStretched(dst32.get(), src32.get(), nullptr, 0, nullptr);
  // Empty or degenerate rectangles and far-away or extreme positions.
  const int degenerate[][4] = {{3, 3, 3, 7},       {0, 0, 70000, 5},   {0, 0, 1, 1},
                               {INT_MIN, 0, INT_MAX, 4}, {100, 100, 200, 200}, {-50, -50, -20, -20}};
  g_GraphDrawState.BlendMode = 0;
  for (const auto& r : degenerate) {
    if (r[2] == 1) continue;
    DrawMemImgStretched(dst32.get(), src32.get(), r, 0, nullptr);
  }
  DrawMemImg(dst32.get(), src32.get(), INT_MAX - 2, INT_MAX - 2, 0, nullptr);
  DrawMemImg(dst32.get(), src32.get(), INT_MIN, INT_MIN, 0, nullptr);
  EXPECT_EQ(softtest::Snapshot(dst32.get()), before);
  // A source 70000 times wider than the rectangle gives a step of 0: refused.
  Image wide;
  ASSERT_EQ(InitMemImg(wide.get(), 20000, 1, -1, 0, kFormat32, 0, 0, 0), 0);
  const int tiny[4] = {0, 0, 1, 1};
  DrawMemImgStretched(dst32.get(), wide.get(), tiny, 0, nullptr);  // step 65536 / 20000 = 3: drawn, no crash
  // The draw area reaching past the destination is cut to the destination.
  g_GraphDrawState.DrawArea = {-100, -100, 1000, 1000};
  DrawMemImg(dst32.get(), src32.get(), 6, 6, 0, nullptr);
  DrawMemImg(dst32.get(), src32.get(), -2, -2, 0, nullptr);
  const int big[4] = {-40, -40, 90, 90};
  DrawMemImgStretched(dst32.get(), src32.get(), big, 0, nullptr);
}

TEST_F(TransferEdge, RunTableCodes) {
  Image img;
  InitMemImg(img.get(), 130, 2, -1, 0xFF000000u, kFormat32, 0, 0, 1);
  for (int x = 0; x < 130; ++x) {
    softtest::SetPixel(img.get(), x, 0, 0x00112233);
    softtest::SetPixel(img.get(), x, 1, x < 3 ? 0xFF000000u : 0x01000000u);  // X differs from the key: solid
  }
  ASSERT_EQ(BuildMemImgRunTable(img.get()), 0);
  EXPECT_EQ(img.get()->RunsValid, 1);
  const std::vector<std::uint8_t> want = {0x7F, 0x7F, 0x41, 0xC0, 0x02, 0x7F, 0x7E, 0xC0};
  EXPECT_EQ(std::vector<std::uint8_t>(img.get()->RunTable, img.get()->RunTable + want.size()), want);

  Image alpha;
  InitMemImg(alpha.get(), 5, 1, -1, 0, kFormat16, 0, 1, 1);
  const std::uint32_t px[5] = {0x00000000, 0x00FF0000, 0x00FF0000, 0x00800000, 0x00010000};
  for (int x = 0; x < 5; ++x) softtest::SetPixel(alpha.get(), x, 0, px[x]);
  BuildMemImgRunTable(alpha.get());
  const std::vector<std::uint8_t> wantAlpha = {0x00, 0x41, 0x81, 0xC0};
  EXPECT_EQ(std::vector<std::uint8_t>(alpha.get()->RunTable, alpha.get()->RunTable + 4), wantAlpha);
}

// 32-bit run tables against a pixel-by-pixel encoding, keyed and with alpha, over widths around the 64-pixel words
// and runs from 1 to 150 pixels of each kind.
TEST_F(TransferEdge, RunTablesOf32BitImagesMatchAPixelByPixelEncoding) {
  std::mt19937 rng(91);
  const std::uint32_t key = 0xFF102030u;
  for (const bool alpha : {false, true})
    for (const int w : {1, 3, 4, 63, 64, 65, 127, 128, 129, 300}) {
      constexpr int kHeight = 6;
      Image img;
      InitMemImg(img.get(), w, kHeight, -1, key, kFormat32, 0, alpha ? 1 : 0, 1);
      std::vector<std::uint8_t> want;
      for (int y = 0; y < kHeight; ++y) {
        std::vector<int> kinds;
        while (static_cast<int>(kinds.size()) < w) {
          const int kind = static_cast<int>(rng() % (alpha ? 3 : 2));
          const int n = rng() % 4 == 0 ? 64 + static_cast<int>(rng() % 87) : 1 + static_cast<int>(rng() % 9);
          for (int i = 0; i < n && static_cast<int>(kinds.size()) < w; ++i) kinds.push_back(kind);
        }
        for (int x = 0; x < w; ++x) {
          const std::uint32_t rgb = rng() & 0xFFFFFFu;
          std::uint32_t v;
          if (alpha) {
            const std::uint32_t a = kinds[x] == kRunSkip ? 0 : kinds[x] == kRunSolid ? 255 : 1 + rng() % 254;
            v = rgb | a << 24;
          } else {
            v = kinds[x] == kRunSkip ? key : ((rgb == (key & 0xFFFFFFu) ? rgb ^ 1 : rgb) | 0xFF000000u);
          }
          softtest::SetPixel(img.get(), x, y, v);
        }
        for (int x = 0; x < w;) {
          int n = 1;
          while (x + n < w && n < kRunMaxLength && kinds[x + n] == kinds[x]) ++n;
          want.push_back(static_cast<std::uint8_t>(kinds[x] << 6 | (n - 1)));
          x += n;
        }
        want.push_back(kRunRowEnd);
      }
      ASSERT_EQ(BuildMemImgRunTable(img.get()), 0);
      EXPECT_EQ(std::vector<std::uint8_t>(img.get()->RunTable, img.get()->RunTable + want.size()), want)
          << (alpha ? "alpha" : "keyed") << " width " << w;
    }
}

TEST_F(TransferEdge, RunCodedPathOnlyForWholeUnclippedTransparentDraws) {
  // 32-bit mode 1 at P = 128: the per-pixel path's half blend clears X, the run-coded path keeps it.
  Image src, dst;
  InitMemImg(src.get(), 4, 2, -1, 0, kFormat32, 0, 0, 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) softtest::SetPixel(src.get(), x, y, 0x00FFFFFF);
  BuildMemImgRunTable(src.get());
  MakeMemImg(dst.get(), 10, 4, kFormat32);
  struct Case {
    int x, transparent;
    std::uint32_t want;
  } cases[] = {{2, 1, 0xFF7F7F7F}, {7, 1, 0x007F7F7F}, {2, 2, 0x007F7F7F}, {2, 0, 0x007F7F7F}};
  for (const Case& c : cases) {
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 10; ++x) softtest::SetPixel(dst.get(), x, y, 0xFF000000);
    State(1, 128, 0xFFFFFF, {0, 0, 10, 4});
    DrawMemImg(dst.get(), src.get(), c.x, 1, c.transparent, nullptr);
    EXPECT_EQ(softtest::GetPixel(dst.get(), c.x, 1), c.want) << "x " << c.x << " T " << c.transparent;
  }
  // A damaged run table (runs past the row) stays inside the image.
  std::memset(src.get()->RunTable, 0x7F, static_cast<std::size_t>(4 + 5) * 2);
  DrawMemImg(dst.get(), src.get(), 2, 1, 1, nullptr);
  EXPECT_EQ(softtest::GetPixel(dst.get(), 6, 1), 0xFF000000u);
}

// A mirrored draw of an image onto itself, one row down: each row reads its source after the rows above it were
// drawn, so the first row's pixels come down reversed and unreversed in turn.
TEST_F(TransferEdge, MirroredDrawOntoItselfReadsEachRowAfterTheRowsAbove) {
  softtest::PixelMaker pm(12);
  constexpr int kW = 24, kH = 6;
  Image img;
  MakeMemImg(img.get(), kW, kH + 1, kFormat32);
  for (int y = 0; y < kH + 1; ++y)
    for (int x = 0; x < kW; ++x) softtest::SetPixel(img.get(), x, y, pm.Colour(kFormat32));
  std::vector<std::uint32_t> want = softtest::Snapshot(img.get());
  for (int y = 0; y < kH; ++y)  // row y + 1 becomes row y reversed, as row y stands after its own draw
    for (int x = 0; x < kW; ++x) want[(y + 1) * kW + x] = want[y * kW + (kW - 1 - x)];
  // The source is the image's first kH rows, a view of the same pixels.
  MEMIMG view{};
  DeriveMemImg(&view, img.get(), 0, 0, kW, kH);
  State(0, 255, 0xFFFFFF, {0, 0, kW, kH + 1});
  const int rect[4] = {kW, 1, 0, kH + 1};
  DrawMemImgStretched(img.get(), &view, rect, 0, nullptr);
  EXPECT_EQ(softtest::Snapshot(img.get()), want);
}

TEST_F(TransferEdge, StretchedSampling) {
  Image src, dst;
  InitMemImg(src.get(), 4, 1, -1, 0xFFFFFFFFu, kFormat32, 0, 0, 0);
  for (int x = 0; x < 4; ++x) softtest::SetPixel(src.get(), x, 0, 0x00000010u * (x + 1));
  MakeMemImg(dst.get(), 10, 2, kFormat32);
  auto row = [&](int n) {
    std::vector<std::uint32_t> v;
    for (int x = 0; x < n; ++x) v.push_back(softtest::GetPixel(dst.get(), x, 0));
    return v;
  };
  // The plain copies and the full-strength subtract keep, when a reduction lands exactly on a source edge, the pixel
  // whose span ends there (columns 0 and 1 of a halving); the other loops show the pixel that starts there (0, 2).
  // A clipped draw shows what the unclipped one shows.
  constexpr std::uint32_t kWhite = 0x00FFFFFF;
  struct Case {
    const char* what;
    int mode, param, transparent;
    int rect[4];
    RECT area;
    std::uint32_t fill;
    std::vector<std::uint32_t> want;
  } cases[] = {
      {"halving, copy", 0, 255, 0, {0, 0, 2, 1}, {0, 0, 10, 2}, kWhite, {0x10, 0x20}},
      {"halving, keyed copy", 0, 255, 1, {0, 0, 2, 1}, {0, 0, 10, 2}, kWhite, {0x10, 0x20}},
      {"halving, alpha at 255 copies", 1, 255, 0, {0, 0, 2, 1}, {0, 0, 10, 2}, kWhite, {0x10, 0x20}},
      {"halving, subtract at 255", 3, 255, 0, {0, 0, 2, 1}, {0, 0, 10, 2}, kWhite, {0xFFFFEF, 0xFFFFDF}},
      {"halving, subtract at 254", 3, 254, 0, {0, 0, 2, 1}, {0, 0, 10, 2}, kWhite, {0xFFFFF0, 0xFFFFD0}},
      {"halving, add at 255", 2, 255, 0, {0, 0, 2, 1}, {0, 0, 10, 2}, 0, {0x10, 0x30}},
      {"doubling", 0, 255, 0, {0, 0, 8, 1}, {0, 0, 10, 2}, kWhite,
       {0x10, 0x10, 0x20, 0x20, 0x30, 0x30, 0x40, 0x40}},
      {"mirrored 1:1", 0, 255, 0, {4, 0, 0, 1}, {0, 0, 10, 2}, kWhite, {0x40, 0x30, 0x20, 0x10}},
      {"halving, copy, one column clipped", 0, 255, 0, {-1, 0, 1, 1}, {0, 0, 10, 2}, kWhite, {0x20}},
      {"halving, add, one column clipped", 2, 255, 0, {-1, 0, 1, 1}, {0, 0, 10, 2}, 0, {0x30}},
      {"halving mirrored, copy, one column clipped", 0, 255, 0, {1, 0, -1, 1}, {0, 0, 10, 2}, kWhite, {0x30}},
      {"mirrored, left part clipped", 0, 255, 0, {2, 0, -2, 1}, {0, 0, 10, 2}, kWhite, {0x20, 0x10}},
      {"same size goes unscaled", 0, 255, 0, {0, 0, 4, 1}, {0, 0, 10, 2}, kWhite, {0x10, 0x20, 0x30, 0x40}},
  };
  for (const Case& c : cases) {
    FillMemImg(dst.get(), nullptr, c.fill);
    State(c.mode, c.param, 0xFFFFFF, c.area);
    DrawMemImgStretched(dst.get(), src.get(), c.rect, c.transparent, nullptr);
    EXPECT_EQ(row(static_cast<int>(c.want.size())), c.want) << c.what;
  }
}

}  // namespace
