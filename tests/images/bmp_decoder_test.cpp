#include <gtest/gtest.h>

#include <climits>

#include "tests/images/image_test_util.h"

// Fixtures name only the header fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace testimg;

struct BmpShape {
  int bits = 24;
  int width = 1;
  int height = 1;
  std::uint32_t compression = 0;
  Bytes colours;  // 4 bytes per entry: blue, green, red, reserved
  Bytes pixels;
  std::uint32_t headerSize = 40;
  std::vector<std::uint32_t> masks;
  std::uint32_t colorsUsed = 0;
};

Bytes Bmp(const BmpShape& s) {
  const std::uint32_t maskBytes = s.headerSize == 40 ? static_cast<std::uint32_t>(s.masks.size() * 4) : 0;
  const std::uint32_t offset = 14 + s.headerSize + maskBytes + static_cast<std::uint32_t>(s.colours.size());
  Writer w;
  w.Text("BM").U32(offset + static_cast<std::uint32_t>(s.pixels.size())).U16(0).U16(0).U32(offset);
  w.U32(s.headerSize).U32(static_cast<std::uint32_t>(s.width)).U32(static_cast<std::uint32_t>(s.height)).U16(1);
  w.U16(s.bits).U32(s.compression).U32(0).U32(2835).U32(2835).U32(s.colorsUsed).U32(0);
  for (auto m : s.masks) w.U32(m);
  if (s.headerSize > 40) w.Zeros(s.headerSize - 40 - s.masks.size() * 4);
  return w.Raw(s.colours).Raw(s.pixels).bytes;
}

Bytes GreyColours(int count) {
  Bytes c;
  for (int i = 0; i < count; ++i) c.insert(c.end(), {std::uint8_t(i), std::uint8_t(i * 2), std::uint8_t(i * 3), 0x77});
  return c;
}

std::uint32_t Rgb(const GraphImage& image, int x, int y) { return Pixel(image, x, y) & 0xFFFFFF; }

TEST(BmpDecoder, TwentyFourBitRowsComeOutTopFirstWhateverTheStorageOrder) {
  // 3 x 2; rows padded to 12 bytes. Bottom-up storage: the bottom row first.
  const Bytes top = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
  const Bytes bottom = {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
  Bytes up = bottom;
  up.insert(up.end(), top.begin(), top.end());
  Bytes down = top;
  down.insert(down.end(), bottom.begin(), bottom.end());
  for (int heightField : {2, -2}) {
    Decoded d(DecodeBmpImage, Bmp({.bits = 24, .width = 3, .height = heightField, .pixels = heightField > 0 ? up : down}));
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.image.width, 3);
    EXPECT_EQ(d.image.height, 2);
    EXPECT_EQ(d.image.pitch, 12);
    EXPECT_EQ(d.image.colorData.bitsPerPixel, 24);
    EXPECT_EQ(d.image.colorData.maskR, 0xFF0000u);
    EXPECT_EQ(Rgb(d.image, 0, 0), 0x030201u);
    EXPECT_EQ(Rgb(d.image, 2, 0), 0x090807u);
    EXPECT_EQ(Rgb(d.image, 1, 1), 0x100F0Eu);
  }
}

TEST(BmpDecoder, EightBitReadsTheWholeColourTable) {
  // Colours-used says 2, yet all 256 entries are read; reserved bytes come out 0.
  Decoded d(DecodeBmpImage, Bmp({.bits = 8, .width = 2, .height = 1, .colours = GreyColours(256),
                                 .pixels = {5, 200, 0, 0}, .colorsUsed = 2}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.colorData.bitsPerPixel, 8);
  EXPECT_EQ(d.image.colorData.unusedMask, 0xFF000000u);
  EXPECT_EQ(d.image.pitch, 4);
  EXPECT_EQ(Pixel(d.image, 1, 0), 200u);
  EXPECT_EQ(d.image.colorData.palette[200][0], 200);
  EXPECT_EQ(d.image.colorData.palette[200][1], static_cast<std::uint8_t>(400));
  EXPECT_EQ(d.image.colorData.palette[200][3], 0);
  EXPECT_EQ(GetImagePixelColor(&d.image, 0, 0), 0x0F0A05u);
}

TEST(BmpDecoder, SmallPicturesWithAShortColourTableDecode) {
  // The file ends before 2^bits colour entries: the entries it holds are used, the others are black.
  struct Case {
    int bits;
    int entries;
    Bytes pixels;  // 2 x 1
    std::uint8_t expected[2];
  };
  const Case cases[] = {{8, 3, {2, 1, 0, 0}, {2, 1}}, {4, 3, {0x21, 0, 0, 0}, {2, 1}}};
  for (const auto& c : cases) {
    Decoded d(DecodeBmpImage, Bmp({.bits = c.bits, .width = 2, .height = 1, .colours = GreyColours(c.entries),
                                   .pixels = c.pixels, .colorsUsed = static_cast<std::uint32_t>(c.entries)}));
    ASSERT_EQ(d.result, 0) << c.bits;
    EXPECT_EQ(*At(d.image, 0, 0), c.expected[0]) << c.bits;
    EXPECT_EQ(*At(d.image, 1, 0), c.expected[1]) << c.bits;
    EXPECT_EQ(GetImagePixelColor(&d.image, 0, 0), 0x060402u) << c.bits;
    EXPECT_EQ(d.image.colorData.palette[2][3], 0) << c.bits;
  }
}

TEST(BmpDecoder, LaterHeaderVersionsKeepTheColourTableAfterTheHeader) {
  Decoded d(DecodeBmpImage, Bmp({.bits = 8, .width = 1, .height = 1, .colours = GreyColours(256),
                                 .pixels = {9, 0, 0, 0}, .headerSize = 124}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(GetImagePixelColor(&d.image, 0, 0), 0x1B1209u);
}

TEST(BmpDecoder, FourBitExpandsToOneBytePerPixel) {
  // 5 wide, bottom-up: storage row 0 is the bottom row.
  Decoded d(DecodeBmpImage, Bmp({.bits = 4, .width = 5, .height = 2, .colours = GreyColours(16),
                                 .pixels = {0xAB, 0xCD, 0xE0, 0, 0x12, 0x34, 0x50, 0}}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.pitch, 8);
  const std::uint8_t top[5] = {1, 2, 3, 4, 5}, bottom[5] = {0xA, 0xB, 0xC, 0xD, 0xE};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(*At(d.image, x, 0), top[x]);
    EXPECT_EQ(*At(d.image, x, 1), bottom[x]);
  }
  EXPECT_EQ(d.image.colorData.palette[15][0], 15);
  EXPECT_EQ(d.image.colorData.palette[16][0], 0);
}

TEST(BmpDecoder, OtherDepthsComeOutAsTwentyFourBit) {
  struct Case {
    const char* name;
    BmpShape shape;
    std::uint32_t expected[2];  // 0x00RRGGBB of pixels (0,0) and (1,0)
  };
  const Bytes twoColours = {0x10, 0x20, 0x30, 0, 0xF0, 0xE0, 0xD0, 0};
  const Case cases[] = {
      {"1 bit", {.bits = 1, .width = 2, .height = 1, .colours = twoColours, .pixels = {0x40, 0, 0, 0}},
       {0x302010, 0xD0E0F0}},
      {"16 bit 555", {.bits = 16, .width = 2, .height = 1, .pixels = {0xFF, 0x7F, 0x10, 0x42}}, {0xFFFFFF, 0x848484}},
      {"32 bit", {.bits = 32, .width = 2, .height = 1, .pixels = {1, 2, 3, 0xFF, 4, 5, 6, 0}}, {0x030201, 0x060504}},
      {"16 bit fields 565",
       {.bits = 16, .width = 2, .height = 1, .compression = 3, .pixels = {0x00, 0xF8, 0xE0, 0x07},
        .masks = {0xF800, 0x07E0, 0x001F}},
       {0xFF0000, 0x00FF00}},
      {"32 bit fields",
       {.bits = 32, .width = 2, .height = 1, .compression = 3, .pixels = {0x11, 0x22, 0x33, 0x44, 0, 0, 0, 0xFF},
        .masks = {0xFF, 0xFF00, 0xFF0000}},
       {0x112233, 0}},
      {"32 bit fields in a V4 header",
       {.bits = 32, .width = 2, .height = -1, .compression = 3, .pixels = {0x11, 0x22, 0x33, 0x44, 0, 0, 0, 0xFF},
        .headerSize = 108, .masks = {0xFF000000, 0xFF0000, 0xFF00}},
       {0x443322, 0xFF0000}},
  };
  for (const auto& c : cases) {
    Decoded d(DecodeBmpImage, Bmp(c.shape));
    ASSERT_EQ(d.result, 0) << c.name;
    EXPECT_EQ(d.image.colorData.bitsPerPixel, 24) << c.name;
    EXPECT_EQ(d.image.pitch, 8) << c.name;
    EXPECT_EQ(Rgb(d.image, 0, 0), c.expected[0]) << c.name;
    EXPECT_EQ(Rgb(d.image, 1, 0), c.expected[1]) << c.name;
  }
}

TEST(BmpDecoder, Rle8RunsAbsoluteRunsDeltasAndClipping) {
  const Bytes data = {
      3, 0x11, 0, 3, 0x21, 0x22, 0x23, 0,  // run, absolute run of 3 padded to even
      0, 0,                                // end of line
      0, 2, 2, 1,                          // delta: 2 right, 1 row on
      2, 0x33, 0, 0,                       // run, end of line
      8, 0x44,                             // run longer than the row: clipped
      0, 2, 200, 200,                      // delta past the image's end: clipped
      5, 0x55,                             // nothing left to write to
      0, 1};                               // end of picture
  Decoded d(DecodeBmpImage, Bmp({.bits = 8, .width = 6, .height = 4, .compression = 1, .colours = GreyColours(256),
                                 .pixels = data}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.pitch, 8);
  const std::uint8_t expected[4][6] = {{0x44, 0x44, 0x44, 0x44, 0x44, 0x44},
                                       {0, 0, 0x33, 0x33, 0, 0},
                                       {0, 0, 0, 0, 0, 0},
                                       {0x11, 0x11, 0x11, 0x21, 0x22, 0x23}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(*At(d.image, x, y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(d.image.colorData.palette[3][3], 0);
}

TEST(BmpDecoder, Rle4AlternatesNibblesTopDown) {
  const Bytes data = {5, 0x12, 0, 0,              // 1 2 1 2 1, end of line
                      0, 5, 0x34, 0x56, 0x70, 0,  // absolute 5 nibbles in 3 bytes, padded
                      0, 1};
  Decoded d(DecodeBmpImage, Bmp({.bits = 4, .width = 5, .height = -2, .compression = 2, .colours = GreyColours(16),
                                 .pixels = data}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.pitch, 8);
  const std::uint8_t expected[2][5] = {{1, 2, 1, 2, 1}, {3, 4, 5, 6, 7}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(*At(d.image, x, y), expected[y][x]);
  EXPECT_EQ(d.image.colorData.palette[15][0], 15);
  EXPECT_EQ(d.image.colorData.palette[16][1], 0);
}

TEST(BmpDecoder, BadInputIsRefusedWithoutLeaks) {
  const int blocksBefore = g_MemAlloc.blockCount;
  const Bytes good = Bmp({.bits = 24, .width = 3, .height = 2, .pixels = Bytes(24, 7)});
  {
    Decoded d(DecodeBmpImage, good);
    ASSERT_EQ(d.result, 0);
  }
  for (size_t n = 0; n < good.size(); ++n) {
    Decoded d(DecodeBmpImage, Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_NE(d.result, 0) << n;
    EXPECT_EQ(d.image.pixels, nullptr);
  }
  auto with = [&](size_t offset, std::uint32_t value, Bytes base) {
    for (int i = 0; i < 4; ++i) base[offset + static_cast<size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    return base;
  };
  const Bytes rle = Bmp({.bits = 8, .width = 4, .height = 2, .compression = 1, .colours = GreyColours(256),
                         .pixels = {4, 1, 0, 0, 4, 2, 0, 1}});
  const Bytes bad[] = {
      with(10, 0x7FFFFFF0, good),                 // pixel offset past the end
      with(18, 0, good),                          // width 0
      with(22, 0, good),                          // height 0
      with(22, 0x80000000u, good),                // height INT_MIN
      with(18, 0x7FFFFFFF, good),                 // huge width
      with(18, 100000, with(22, 100000, good)),   // huge both
      with(14, 12, good),                         // core header
      with(14, 0xFFFFFFF0u, good),                // header size past everything
      Bmp({.bits = 2, .width = 1, .height = 1, .colours = GreyColours(4), .pixels = {0, 0, 0, 0}}),
      Bmp({.bits = 24, .width = 1, .height = 1, .compression = 4, .pixels = {0, 0, 0, 0}}),
      Bmp({.bits = 4, .width = 1, .height = 1, .compression = 1, .colours = GreyColours(16), .pixels = {0, 1}}),
      Bmp({.bits = 16, .width = 1, .height = 1, .compression = 3, .pixels = {0, 0, 0, 0}, .masks = {0, 0x3E0, 0x1F}}),
      Bytes(rle.begin(), rle.end() - 4),          // RLE data ends with rows missing
      with(18, 30000, with(22, 30000, rle)),      // RLE claiming a huge picture
  };
  for (size_t i = 0; i < std::size(bad); ++i) {
    Decoded d(DecodeBmpImage, bad[i]);
    EXPECT_NE(d.result, 0) << i;
    EXPECT_EQ(d.image.pixels, nullptr) << i;
  }
  {
    Decoded d(DecodeBmpImage, rle);
    EXPECT_EQ(d.result, 0);
  }
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

}  // namespace
