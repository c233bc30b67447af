// The software image record: set-up, sizes and pitches, refusals, views, fills and release.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"
#include "engine/graphics/screen_format.h"
#include "tests/softrender/test_images.h"

namespace {

using softtest::Image;

TEST(MemImg, PitchAndPitchShift) {
  struct Case {
    int width, format, pitch, wantPitch, wantShift;
  } cases[] = {{100, kFormat16, -1, 208, -1}, {512, kFormat16, -1, 1024, 10}, {4, kFormat16, -1, 16, -1},
               {640, kFormat32, -1, 2560, -1}, {4, kFormat32, -1, 16, 4},      {10, kFormat32, 64, 64, 6}};
  for (const Case& c : cases) {
    Image img;
    ASSERT_EQ(InitMemImg(img.get(), c.width, 2, c.pitch, 0, c.format, 0, 0, 0), 0);
    EXPECT_EQ(img.get()->Pitch, c.wantPitch) << c.width;
    EXPECT_EQ(img.get()->PitchShift, c.wantShift) << c.width;
    EXPECT_EQ(img.get()->Tag, kMemImgTag);
    EXPECT_EQ(img.get()->ColorInfo->bytesPerPixel, MemImgBytesPerPixel(img.get()));
  }
}

TEST(MemImg, BytesPerPixelAndAuxBuffers) {
  Image a16, pal, alpha32;
  ASSERT_EQ(InitMemImg(a16.get(), 3, 3, -1, 0, kFormat16, 0, 1, 1), 0);
  EXPECT_EQ(MemImgBytesPerPixel(a16.get()), 4);
  EXPECT_NE(a16.get()->PremulImage, nullptr);
  EXPECT_NE(a16.get()->RunTable, nullptr);
  ASSERT_EQ(InitMemImg(pal.get(), 3, 3, -1, 0, kFormat32, 1, 1, 1), 0);  // alpha ignored with a palette
  EXPECT_EQ(pal.get()->UseAlpha, 0);
  EXPECT_EQ(MemImgBytesPerPixel(pal.get()), 1);
  EXPECT_EQ(pal.get()->PremulImage, nullptr);
  ASSERT_EQ(MakeMemImg(alpha32.get(), 5, 5, -1), 0);
  EXPECT_EQ(alpha32.get()->Format, kFormat32);
  EXPECT_EQ(alpha32.get()->RunTable, nullptr);
}

// Kind -1 follows the depth the game asked for: 16-bit when it asked for 16 bits (or for none), else 32-bit.
// One pixel each of a 32-bit and a 16-bit alpha image, premultiplied channel by channel.
TEST(MemImg, PremultipliedPlane) {
  struct Case {
    int format;
    std::uint8_t pixel[4];
    std::uint8_t want[4];
  } cases[] = {
      {kFormat32, {200, 100, 255, 128}, {100, 50, 127, 128}},
      {kFormat32, {255, 255, 255, 0}, {0, 0, 0, 0}},
      {kFormat32, {255, 1, 77, 255}, {254, 0, 76, 255}},
      // 565 white at alpha 128: 31 -> 15, 63 -> 31, 31 -> 15.
      {kFormat16, {0xFF, 0xFF, 128, 0}, {0xEF, 0x7B, 128, 0}},
      {kFormat16, {0x00, 0xF8, 255, 0}, {0x00, 0xF0, 255, 0}},  // red 31 -> 30
  };
  for (const Case& c : cases) {
    Image img;
    ASSERT_EQ(InitMemImg(img.get(), 1, 1, -1, 0, c.format, 0, 1, 1), 0);
    std::memcpy(img.get()->Image, c.pixel, 4);
    ASSERT_EQ(BuildMemImgPremulPlane(img.get()), 0);
    EXPECT_EQ(img.get()->PremulValid, 1);
    EXPECT_EQ(std::memcmp(img.get()->PremulImage, c.want, 4), 0) << c.format << " " << int{c.pixel[0]};
  }
  Image plain;
  ASSERT_EQ(InitMemImg(plain.get(), 1, 1, -1, 0, kFormat32, 0, 0, 1), 0);
  EXPECT_EQ(BuildMemImgPremulPlane(plain.get()), -1);
}

TEST(MemImg, MakeWithScreenKind) {
  struct Case {
    std::uint32_t requestedBits;
    int wantFormat;
  } cases[] = {{16, kFormat16}, {0, kFormat16}, {32, kFormat32}};
  for (const Case& c : cases) {
    ResetScreenFormat();
    g_ScreenFormat.requestedBits = c.requestedBits;
    Image img;
    ASSERT_EQ(MakeMemImg(img.get(), 3, 2, -1), 0);
    EXPECT_EQ(img.get()->Format, c.wantFormat) << c.requestedBits;
    EXPECT_EQ(img.get()->Pitch, 16) << c.requestedBits;
  }
  ResetScreenFormat();
}

TEST(MemImg, Refusals) {
  Image img;
  ASSERT_EQ(InitMemImg(img.get(), 4, 4, -1, 0, kFormat32, 0, 0, 0), 0);
  std::uint8_t* pixels = img.get()->Image;
  EXPECT_EQ(InitMemImg(img.get(), 8, 8, -1, 0, kFormat32, 0, 0, 0), -1);  // already tagged
  EXPECT_EQ(img.get()->Width, 4);
  EXPECT_EQ(img.get()->Image, pixels);
  struct Case {
    int w, h, pitch, format;
  } bad[] = {{0, 4, -1, 1}, {4, 0, -1, 1}, {-3, 4, -1, 1}, {40000, 4, -1, 1}, {4, 4, 8, 1}, {4, 4, -1, 7},
             {32768, 32768, -1, 1}};
  for (const Case& c : bad) {
    MEMIMG m{};
    EXPECT_EQ(InitMemImg(&m, c.w, c.h, c.pitch, 0, c.format, 0, 0, 0), -1) << c.w << "x" << c.h;
    EXPECT_EQ(m.Tag, 0u);
  }
}

TEST(MemImg, CallerPixelsAreNotOwned) {
  alignas(16) std::uint8_t buffer[64] = {};
  MEMIMG m{};
  m.Image = buffer;
  ASSERT_EQ(InitMemImg(&m, 4, 4, 16, 0, kFormat32, 0, 0, 0), 0);
  EXPECT_EQ(m.NotOwned, 1);
  ReleaseMemImg(&m);  // must not free the buffer
  EXPECT_EQ(m.Tag, 0u);
  EXPECT_EQ(m.Image, nullptr);
}

TEST(MemImg, DerivedViewAndFill) {
  Image base;
  ASSERT_EQ(InitMemImg(base.get(), 8, 6, -1, 0x1234, kFormat16, 0, 0, 1), 0);
  FillMemImg(base.get(), nullptr, 0x1111);
  MEMIMG view{};
  DeriveMemImg(&view, base.get(), 2, 3, 4, 2);
  EXPECT_EQ(view.Width, 4);
  EXPECT_EQ(view.Image, base.get()->Image + 3 * base.get()->Pitch + 2 * 2);
  EXPECT_EQ(view.RunTable, nullptr);
  EXPECT_EQ(view.TransColor, 0x1234u);
  FillMemImg(&view, nullptr, 0x2222);
  EXPECT_EQ(softtest::GetPixel(base.get(), 2, 3), 0x2222u);
  EXPECT_EQ(softtest::GetPixel(base.get(), 5, 4), 0x2222u);
  EXPECT_EQ(softtest::GetPixel(base.get(), 6, 4), 0x1111u);
  EXPECT_EQ(softtest::GetPixel(base.get(), 2, 5), 0x1111u);
  // A view reaching past its parent is cut to it.
  DeriveMemImg(&view, base.get(), 6, 5, 10, 10);
  EXPECT_EQ(view.Width, 2);
  EXPECT_EQ(view.Height, 1);
  const RECT r{-4, -4, 2, 1};
  FillMemImg(base.get(), &r, 0x3333);
  EXPECT_EQ(softtest::GetPixel(base.get(), 1, 0), 0x3333u);
  EXPECT_EQ(softtest::GetPixel(base.get(), 2, 0), 0x1111u);
}

// A whole-image fill reaches every pixel and leaves the row padding alone; a part fill stays inside its rectangle.
TEST(MemImg, FillCoversTheRectangleAndNothingElse) {
  struct Case {
    int width, format;
    std::uint32_t value;
  } cases[] = {{4, kFormat32, 0x00ABCDEFu}, {5, kFormat32, 0}, {6, kFormat16, 0xF81Fu}, {8, kFormat16, 0xFFFFu},
               {7, kFormatDepth16, 65535}, {3, kFormat8, 0x7Fu}};
  for (const Case& c : cases) {
    Image img;
    ASSERT_EQ(InitMemImg(img.get(), c.width, 5, -1, 0, c.format, 0, 0, 0), 0);
    MEMIMG* m = img.get();
    const int bpp = MemImgBytesPerPixel(m);
    std::memset(m->Image, 0x3C, static_cast<std::size_t>(m->Pitch) * 5);
    const RECT part{1, 1, c.width - 1, 4};
    const std::uint32_t mask = bpp == 4 ? 0xFFFFFFFFu : (1u << (8 * bpp)) - 1;
    const std::uint32_t before = 0x3C3C3C3Cu & mask, value = c.value & mask;
    FillMemImg(m, &part, c.value);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < c.width; ++x) {
        const bool inside = x >= part.left && x < part.right && y >= part.top && y < part.bottom;
        EXPECT_EQ(softtest::GetPixel(m, x, y), inside ? value : before) << c.width << ": " << x << "," << y;
      }
    FillMemImg(m, nullptr, c.value);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < c.width; ++x) EXPECT_EQ(softtest::GetPixel(m, x, y), value) << c.width << ": " << x << "," << y;
      for (int b = c.width * bpp; b < m->Pitch; ++b) EXPECT_EQ(m->Image[y * m->Pitch + b], 0x3C) << "padding of row " << y;
    }
  }
}

TEST(ClipRect, Cases) {
  struct Case {
    RECT a, b, want;
  } cases[] = {{{700, 10, 800, 20}, {0, 0, 640, 480}, {640, 10, 640, 20}},
               {{10, 10, 5, 5}, {0, 0, 640, 480}, {10, 10, 10, 10}},
               {{-5, -5, 50, 50}, {0, 0, 20, 30}, {0, 0, 20, 30}},
               {{3, 4, 5, 6}, {0, 0, 20, 30}, {3, 4, 5, 6}}};
  for (Case c : cases) {
    EXPECT_EQ(ClipRect(&c.a, &c.b), 0);
    EXPECT_EQ(c.a.left, c.want.left);
    EXPECT_EQ(c.a.top, c.want.top);
    EXPECT_EQ(c.a.right, c.want.right);
    EXPECT_EQ(c.a.bottom, c.want.bottom);
  }
}

}  // namespace
