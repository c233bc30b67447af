#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "engine/graphics/jpeg_loader.h"
#include "engine/graphics/png_loader.h"
#include "tests/images/image_writers.h"

// Fixtures name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace testimg;

std::vector<png_color> Colours(int n) {
  std::vector<png_color> p;
  for (int i = 0; i < n; ++i)
    p.push_back({static_cast<png_byte>(i * 3 + 1), static_cast<png_byte>(i * 5 + 2), static_cast<png_byte>(i * 7 + 3)});
  return p;
}

TEST(PngLoader, PalettisedImagesKeepOneBytePerPixelAndTheirPalette) {
  struct Case {
    int bits;
    Bytes rows;  // 4 x 1
    std::uint8_t expected[4];
  };
  const Case cases[] = {{1, {0x50}, {0, 1, 0, 1}}, {4, {0x1F, 0x70}, {1, 15, 7, 0}}, {8, {200, 3, 0, 255}, {200, 3, 0, 255}}};
  for (const auto& c : cases) {
    const int entries = 1 << c.bits;
    Decoded d(LoadPngImage, WritePng({.width = 4, .height = 1, .colorType = PNG_COLOR_TYPE_PALETTE, .bitDepth = c.bits,
                                      .rows = c.rows, .palette = Colours(entries)}));
    ASSERT_EQ(d.result, 0) << c.bits;
    EXPECT_EQ(d.image.colorData.bitsPerPixel, 8);
    EXPECT_EQ(d.image.colorData.unusedMask, 0xFF000000u);
    EXPECT_EQ(d.image.pitch, 4);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(*At(d.image, x, 0), c.expected[x]) << c.bits << " x " << x;
    const int last = entries - 1;
    EXPECT_EQ(d.image.colorData.palette[last][0], static_cast<std::uint8_t>(last * 7 + 3));  // blue
    EXPECT_EQ(d.image.colorData.palette[last][2], static_cast<std::uint8_t>(last * 3 + 1));  // red
    if (entries < 256) {
      EXPECT_EQ(d.image.colorData.palette[entries][2], 0);
    }
  }
}

TEST(PngLoader, TransparencyAndChannelLayouts) {
  struct Case {
    const char* name;
    PngShape shape;
    int bits;
    std::uint32_t expected[2];  // pixels (0,0) and (1,0) as stored (little-endian words)
  };
  const Case cases[] = {
      {"palette + tRNS", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 8, .rows = {0, 1},
                          .palette = Colours(2), .trnsAlpha = {0x00}},
       32, {0x00010203u, 0xFF04070Au}},
      {"grey 1 bit", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1, .rows = {0x40}},
       8, {0, 255}},
      {"grey 4 bit", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY, .bitDepth = 4, .rows = {0x3F}},
       8, {0x33, 0xFF}},
      {"grey 16 bit", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY, .bitDepth = 16,
                       .rows = {0x12, 0x34, 0xAB, 0xCD}},
       8, {0x12, 0xAB}},
      {"grey + tRNS", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY, .bitDepth = 8, .rows = {0x40, 0x41},
                       .trnsGrey = 0x40},
       32, {0x00404040u, 0xFF414141u}},
      {"grey + alpha", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .bitDepth = 8,
                        .rows = {0x10, 0x80, 0x20, 0xFF}},
       32, {0x80101010u, 0xFF202020u}},
      {"RGB", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 8, .rows = {1, 2, 3, 4, 5, 6}},
       24, {0x010203u, 0x040506u}},
      {"RGB 16 bit", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 16,
                      .rows = {0x11, 0, 0x22, 0, 0x33, 0, 0xAA, 1, 0xBB, 1, 0xCC, 1}},
       24, {0x112233u, 0xAABBCCu}},
      {"RGBA", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_RGB_ALPHA, .bitDepth = 8,
                .rows = {1, 2, 3, 4, 5, 6, 7, 8}},
       32, {0x04010203u, 0x08050607u}},
      {"RGBA 16 bit", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_RGB_ALPHA, .bitDepth = 16,
                       .rows = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0}},
       32, {0x04010203u, 0x08050607u}},
  };
  for (const auto& c : cases) {
    Decoded d(LoadPngImage, WritePng(c.shape));
    ASSERT_EQ(d.result, 0) << c.name;
    EXPECT_EQ(d.image.colorData.bitsPerPixel, c.bits) << c.name;
    EXPECT_EQ(d.image.pitch, 2 * c.bits / 8) << c.name;
    EXPECT_EQ(Pixel(d.image, 0, 0), c.expected[0]) << c.name;
    EXPECT_EQ(Pixel(d.image, 1, 0), c.expected[1]) << c.name;
    if (c.bits == 8) {
      EXPECT_EQ(d.image.colorData.palette[0x33][1], 0x33) << c.name;  // grey ramp
    }
    if (c.bits == 32) {
      EXPECT_EQ(d.image.colorData.maskA, 0xFF000000u) << c.name;
    }
  }
}

TEST(PngLoader, InterlacedImageDecodesWhole) {
  Bytes rows;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) rows.insert(rows.end(), {std::uint8_t(x * 20), std::uint8_t(y * 20), 7});
  Decoded d(LoadPngImage, WritePng({.width = 9, .height = 9, .colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 8,
                                    .rows = rows, .interlace = true}));
  ASSERT_EQ(d.result, 0);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(Pixel(d.image, x, y), (std::uint32_t(x * 20) << 16) | (y * 20) << 8 | 7u);
}

TEST(PngLoader, DamagedFilesFailWithoutLeaks) {
  const int blocksBefore = g_MemAlloc.blockCount;
  const Bytes good = WritePng({.width = 3, .height = 2, .colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 8,
                               .rows = Bytes(18, 9)});
  for (size_t n = 0; n < good.size(); ++n) {
    Decoded d(LoadPngImage, Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_NE(d.result, 0) << n;
    EXPECT_EQ(d.image.pixels, nullptr);
  }
  // Huge dimensions with a valid header checksum.
  Bytes huge = good;
  const std::uint8_t size[8] = {0, 0x01, 0, 0, 0, 0x01, 0, 0};  // 65536 x 65536
  std::copy(size, size + 8, huge.begin() + 16);
  const uLong crc = crc32(0, huge.data() + 12, 17);
  for (int i = 0; i < 4; ++i) huge[29 + static_cast<size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  {
    Decoded d(LoadPngImage, huge);
    EXPECT_NE(d.result, 0);
  }
  {
    Decoded d(LoadPngImage, Bytes{'G', 'I', 'F', '8'});
    EXPECT_NE(d.result, 0);
  }
  {
    Decoded d(LoadPngImage, good);
    EXPECT_EQ(d.result, 0);
  }
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

// Flat quadrants survive quality 100 within a small error.
void ExpectNear(const std::uint8_t* p, int b, int g, int r) {
  EXPECT_NEAR(p[0], b, 3);
  EXPECT_NEAR(p[1], g, 3);
  EXPECT_NEAR(p[2], r, 3);
}

TEST(JpegLoader, ColourComesOutAsBlueGreenRed) {
  const int w = 16, h = 16;
  Bytes samples;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool right = x >= 8, bottom = y >= 8;
      if (!right && !bottom) samples.insert(samples.end(), {250, 10, 10});
      if (right && !bottom) samples.insert(samples.end(), {10, 250, 10});
      if (!right && bottom) samples.insert(samples.end(), {10, 10, 250});
      if (right && bottom) samples.insert(samples.end(), {200, 150, 100});
    }
  Decoded d(LoadJpegImage, WriteJpeg({.width = w, .height = h, .components = 3, .samples = samples}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.colorData.bitsPerPixel, 24);
  EXPECT_EQ(d.image.pitch, 48);
  ExpectNear(At(d.image, 3, 3), 10, 10, 250);
  ExpectNear(At(d.image, 12, 3), 10, 250, 10);
  ExpectNear(At(d.image, 3, 12), 250, 10, 10);
  ExpectNear(At(d.image, 12, 12), 100, 150, 200);
}

TEST(JpegLoader, GreyKeepsPitchEqualToWidth) {
  Bytes samples;
  for (int i = 0; i < 13 * 7; ++i) samples.push_back(static_cast<std::uint8_t>(i % 13 < 6 ? 40 : 220));
  Decoded d(LoadJpegImage, WriteJpeg({.width = 13, .height = 7, .components = 1, .samples = samples}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.width, 13);
  EXPECT_EQ(d.image.pitch, 13);
  EXPECT_EQ(d.image.colorData.bitsPerPixel, 8);
  EXPECT_EQ(d.image.colorData.palette[77][0], 77);
  EXPECT_NEAR(*At(d.image, 1, 3), 40, 4);
  EXPECT_NEAR(*At(d.image, 11, 3), 220, 4);
}

TEST(JpegLoader, TruncatedStreamStillGivesTheFullPicture) {
  std::mt19937 rng(3);
  Bytes samples(128 * 128 * 3);
  for (auto& s : samples) s = static_cast<std::uint8_t>(rng());
  const Bytes full = WriteJpeg({.width = 128, .height = 128, .components = 3, .samples = samples, .quality = 90});
  ASSERT_GT(full.size(), 8192u);
  Decoded d(LoadJpegImage, Bytes(full.begin(), full.begin() + 4096));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.width, 128);
  EXPECT_EQ(d.image.height, 128);
}

TEST(JpegLoader, RefusesEmptyForeignAndFourComponentStreams) {
  const int blocksBefore = g_MemAlloc.blockCount;
  const Bytes cmyk = WriteJpeg({.width = 8, .height = 8, .components = 4, .samples = Bytes(256, 100)});
  const Bytes bad[] = {Bytes{}, Bytes{0xFF, 0xD8}, Bytes{'B', 'M', 0, 0, 0, 0}, cmyk};
  for (size_t i = 0; i < std::size(bad); ++i) {
    Decoded d(LoadJpegImage, bad[i]);
    EXPECT_NE(d.result, 0) << i;
    EXPECT_EQ(d.image.pixels, nullptr);
  }
  // A header whose frame claims a picture past the size limit.
  Bytes samples(8 * 8, 128);
  Bytes huge = WriteJpeg({.width = 8, .height = 8, .components = 1, .samples = samples});
  for (size_t i = 0; i + 8 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 0xFF;  // height 65535 x width 65535
      huge[i + 6] = 0xFF;
      huge[i + 7] = 0xFF;
      huge[i + 8] = 0xFF;
      break;
    }
  {
    Decoded d(LoadJpegImage, huge);
    EXPECT_NE(d.result, 0);
  }
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

}  // namespace

namespace {

// The decoders are tried in turn on every image file, so each one's refusal of the other's format prints nothing;
// a damaged file of its own format is still reported by the library.
TEST(PngJpegLoaders, ProbingTheOtherFormatPrintsNothing) {
  const Bytes png = WritePng({.width = 2, .height = 2, .colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 8,
                              .rows = Bytes(12, 0x40)});
  const Bytes jpeg = WriteJpeg({.width = 8, .height = 8, .components = 1, .samples = Bytes(64, 128)});
  testing::internal::CaptureStderr();
  {
    Decoded asJpeg(LoadJpegImage, png);
    Decoded asPng(LoadPngImage, jpeg);
    EXPECT_NE(asJpeg.result, 0);
    EXPECT_NE(asPng.result, 0);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  Bytes damaged = png;
  damaged[5] = 0;  // the signature's first four bytes hold: libpng reports a damaged file
  testing::internal::CaptureStderr();
  { Decoded d(LoadPngImage, damaged); }
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
