// Filled rectangles: every format x mode x P x brightness against the reference's constant-colour operation, the
// rectangle forms (reversed, null, outside), the canary margin, and the golden values.
#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/blend_tables.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/fill_memimg_rect.h"
#include "engine/softrender/graphics_glue.h"
#include "tests/softrender/test_images.h"

namespace {

using softtest::Image;

class FillRect : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildBlendTables();
    ResetGraphDrawState();
  }
  void TearDown() override { ResetGraphDrawState(); }
};

TEST_F(FillRect, EveryCombinationMatchesReference) {
  const RECT area{2, 1, 19, 9};
  struct RectCase {
    bool null;
    RECT r;
    RECT drawn;
  } rects[] = {{false, {3, 2, 10, 7}, {3, 2, 10, 7}},   {false, {10, 7, 3, 2}, {3, 2, 10, 7}},
               {true, {}, {2, 1, 19, 9}},               {false, {-5, 4, 30, 5}, {2, 4, 19, 5}},
               {false, {40, 40, 50, 50}, {0, 0, 0, 0}}, {false, {4, 3, 9, 3}, {0, 0, 0, 0}}};
  std::uint32_t seed = 9;
  int failures = 0;
  for (int format : {kFormat16, kFormat32})
    for (int mode : {-1, 0, 1, 2, 3, 4, 5})
      for (int param : {0, 1, 128, 254, 255})
        for (std::uint32_t br : {0xFFFFFFu, 0xFEFFFFu, 0x209EFFu})
          for (const RectCase& rc : rects) {
            softtest::PixelMaker pm(seed++);
            Image dst;
            softtest::MakeDest(&dst, format, 21, 11, pm);  // 21: odd widths for the 16-bit rows
            const std::uint32_t colour = pm.Colour(format);
            const auto before = softtest::Snapshot(dst.get());
            g_GraphDrawState = GraphDrawState{area, mode, param, -1, 0, 0, br, 0};
            FillMemImgRect(dst.get(), rc.null ? nullptr : &rc.r, colour);
            for (int y = 0; y < 11; ++y)
              for (int x = 0; x < 21; ++x) {
                const std::uint32_t old = before[static_cast<std::size_t>(y * 21 + x)];
                const bool inside = x >= rc.drawn.left && x < rc.drawn.right && y >= rc.drawn.top && y < rc.drawn.bottom;
                const std::uint32_t want = inside ? softref::FillPixel(format, mode, param, br, colour, old) : old;
                const std::uint32_t got = softtest::GetPixel(dst.get(), x, y);
                if (got != want && ++failures <= 10)
                  ADD_FAILURE() << "format " << format << " mode " << mode << " P " << param << " br " << std::hex
                                << br << " at " << std::dec << x << "," << y << std::hex << " got " << got << " want "
                                << want;
              }
          }
}

struct FillGolden {
  const char* what;
  int format, mode, param;
  std::uint32_t brightness, colour, dst, want;
};

TEST_F(FillRect, GoldenValues) {
  const FillGolden goldens[] = {
      {"alpha at 255 is a plain fill, X included", 1, 1, 255, 0xFFFFFF, 0x12345678, 0xAB000000, 0x12345678},
      {"brightness 255 next to 254 still scales", 1, 0, 0, 0xFEFFFF, 0x00FFFFFF, 0, 0x00FDFEFE},
      {"multiply white x white", 1, 4, 0, 0xFFFFFF, 0x00FFFFFF, 0x77FFFFFF, 0x77FEFEFE},
      {"16: multiply white x white", 0, 4, 0, 0xFFFFFF, 0xFFFF, 0xFFFF, 0xF7DE},
      {"add 1+1 per component", 1, 2, 255, 0xFFFFFF, 0x00000101, 0x00000101, 0x00000202},
      {"subtract 0 changes nothing", 1, 3, 255, 0xFFFFFF, 0x00000000, 0x000000FF, 0x000000FF},
      {"16: subtract 0 changes nothing", 0, 3, 255, 0xFFFFFF, 0x0000, 0xFFFF, 0xFFFF},
      {"16: add green 1 onto green 63", 0, 2, 255, 0xFFFFFF, 0x0020, 0x07E0, 0x07E0},
      {"alpha 128 over black", 1, 1, 128, 0xFFFFFF, 0x00FFFFFF, 0x00000000, 0x007F7F7F},
      {"16: alpha 128, red 31 over 0", 0, 1, 128, 0xFFFFFF, 0xF800, 0x0000, 0x7800},
      {"P 0 in mode 2 draws nothing", 1, 2, 0, 0xFFFFFF, 0x00FFFFFF, 0x00102030, 0x00102030},
      {"mode 4 ignores P", 1, 4, 0, 0xFFFFFF, 0x00808080, 0x00FFFFFF, 0x007F7F7F},
      {"mode 0 ignores P", 1, 0, 0, 0xFFFFFF, 0x00808080, 0x00FFFFFF, 0x00808080},
      {"mode 5 draws nothing", 1, 5, 255, 0xFFFFFF, 0x00808080, 0x00FFFFFF, 0x00FFFFFF},
  };
  for (const FillGolden& g : goldens) {
    Image dst;
    MakeMemImg(dst.get(), 1, 1, g.format);
    softtest::SetPixel(dst.get(), 0, 0, g.dst);
    g_GraphDrawState = GraphDrawState{{0, 0, 1, 1}, g.mode, g.param, -1, 0, 0, g.brightness, 0};
    FillMemImgRect(dst.get(), nullptr, g.colour);
    EXPECT_EQ(softtest::GetPixel(dst.get(), 0, 0), g.want) << g.what;
  }
}

TEST_F(FillRect, RefusedDestinations) {
  Image pal, alpha, depth;
  InitMemImg(pal.get(), 4, 4, -1, 0, kFormat32, 1, 0, 0);
  InitMemImg(alpha.get(), 4, 4, -1, 0, kFormat32, 0, 1, 0);
  InitMemImg(depth.get(), 4, 4, -1, 0, kFormatDepth16, 0, 0, 0);
  g_GraphDrawState = GraphDrawState{{0, 0, 4, 4}, 0, 255, -1, 0, 0, 0xFFFFFF, 0};
  for (MEMIMG* m : {pal.get(), alpha.get(), depth.get()}) {
    FillMemImg(m, nullptr, 0x5A5A5A5A);
    const auto before = softtest::Snapshot(m);
    FillMemImgRect(m, nullptr, 0x12345678);
    EXPECT_EQ(softtest::Snapshot(m), before);
  }
  FillMemImgRect(nullptr, nullptr, 0);
}

// The filled-box selector: no DirectDraw object refuses; software mode fills the normalised box in the screen or,
// while the mask is active, the mask; outside software mode the lock refuses reversed corners.
TEST_F(FillRect, FilledBoxSelector) {
  Image screen, mask, want;
  for (Image* m : {&screen, &mask, &want}) {
    MakeMemImg(m->get(), 8, 6, kFormat32);
    FillMemImg(m->get(), nullptr, 0);
  }
  ResetGlue();
  DrawScreenMemImg = screen.get();
  SetMaskScratchMemImg(mask.get());
  g_GraphDrawState = GraphDrawState{{0, 0, 8, 6}, 0, 255, -1, 0, 0, 0xFFFFFF, 0};
  EXPECT_EQ(DrawFilledBoxSoft(1, 1, 4, 3, 0x00FF0000u), -1);
  EXPECT_EQ(softtest::Snapshot(screen.get()), softtest::Snapshot(want.get()));

  SetGlueDirectDrawReady(1);
  const RECT box{1, 1, 4, 3};
  EXPECT_EQ(DrawFilledBoxSoft(4, 3, 1, 1, 0x00FF0000u), 0);  // corners reversed
  FillMemImgRect(want.get(), &box, 0x00FF0000u);
  EXPECT_EQ(softtest::Snapshot(screen.get()), softtest::Snapshot(want.get()));
  EXPECT_EQ(DrawFilledBoxSoft(20, 20, 30, 30, 0x00FF0000u), 0);  // outside: nothing drawn, still 0

  g_GraphDrawState.MaskActive = 1;
  EXPECT_EQ(DrawFilledBoxSoft(1, 1, 4, 3, 0x0000FF00u), 0);
  EXPECT_EQ(softtest::GetPixel(mask.get(), 1, 1), 0x0000FF00u);
  EXPECT_EQ(softtest::Snapshot(screen.get()), softtest::Snapshot(want.get()));
  g_GraphDrawState.MaskActive = 0;

  SoftwareRenderFlag = 0;
  EXPECT_EQ(DrawFilledBoxSoft(4, 3, 1, 1, 0x000000FFu), -1);
  EXPECT_EQ(softtest::Snapshot(screen.get()), softtest::Snapshot(want.get()));
  EXPECT_EQ(DrawFilledBoxSoft(2, 2, 5, 4, 0x000000FFu), 0);
  const RECT box2{2, 2, 5, 4};
  FillMemImgRect(want.get(), &box2, 0x000000FFu);
  EXPECT_EQ(softtest::Snapshot(screen.get()), softtest::Snapshot(want.get()));
  ResetGlue();
}

}  // namespace
