#include <gtest/gtest.h>

#include "tests/images/image_test_util.h"

// Fixtures name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace testimg;

struct TgaSpec {
  int type;
  int width;
  int height;
  int bits;  // pixel bits
  int descriptor;
  Bytes data;
  Bytes id = {};
  int mapType = 0;
  int mapFirst = 0;
  int mapLength = 0;
  int mapBits = 0;
  Bytes map = {};
  bool footer = false;
  int xOrigin = 0;
};

Bytes Tga(const TgaSpec& s) {
  Writer w;
  w.U8(static_cast<int>(s.id.size())).U8(s.mapType).U8(s.type).U16(s.mapFirst).U16(s.mapLength).U8(s.mapBits);
  w.U16(s.xOrigin).U16(0).U16(s.width).U16(s.height).U8(s.bits).U8(s.descriptor);
  w.Raw(s.id).Raw(s.map).Raw(s.data);
  if (s.footer) w.U32(0).U32(0).Text("TRUEVISION-XFILE").U8('.').U8(0);
  return w.bytes;
}

// Logical picture, 3 x 2, 24-bit pixels A..F (top row A B C).
const std::uint32_t kPicture[2][3] = {{0x0A0A0A, 0x0B0B0B, 0x0C0C0C}, {0x0D0D0D, 0x0E0E0E, 0x0F0F0F}};

Bytes StoredRows(bool bottomUp, bool rightToLeft) {
  Bytes b;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) {
      const std::uint32_t v = kPicture[bottomUp ? 1 - r : r][rightToLeft ? 2 - c : c];
      b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16)});
    }
  return b;
}

// Raw RLE packets of one pixel each, except a repeat packet where two equal neighbours would allow it.
Bytes RawPackets(const Bytes& pixels, int bytes) {
  Bytes out;
  for (size_t i = 0; i < pixels.size(); i += static_cast<size_t>(bytes)) {
    out.push_back(0);
    out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(i),
               pixels.begin() + static_cast<std::ptrdiff_t>(i) + bytes);
  }
  return out;
}

TEST(TgaDecoder, TrueColourInAllFourOrientations) {
  for (int type : {2, 10})
    for (int descriptor : {0x00, 0x10, 0x20, 0x30}) {
      const Bytes stored = StoredRows((descriptor & 0x20) == 0, (descriptor & 0x10) != 0);
      Decoded d(DecodeTgaImage,
                Tga({.type = type, .width = 3, .height = 2, .bits = 24, .descriptor = descriptor,
                     .data = type == 2 ? stored : RawPackets(stored, 3), .footer = type == 10}));
      ASSERT_EQ(d.result, 0) << type << " " << descriptor;
      EXPECT_EQ(d.image.pitch, 9);
      EXPECT_EQ(d.image.colorData.bitsPerPixel, 24);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
          EXPECT_EQ(Pixel(d.image, x, y), kPicture[y][x]) << type << " " << descriptor << " " << x << "," << y;
    }
}

TEST(TgaDecoder, ColourMappedImagesExpandThroughTheMap) {
  // Type 1, 24-bit map entries 2..4, an image ID to skip; index 0 was never set by the file.
  const Bytes map = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  Decoded d(DecodeTgaImage, Tga({.type = 1, .width = 2, .height = 2, .bits = 8, .descriptor = 0x20,
                                 .data = {2, 3, 4, 0}, .id = {'i', 'd', '!'}, .mapType = 1, .mapFirst = 2,
                                 .mapLength = 3, .mapBits = 24, .map = map}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.colorData.bitsPerPixel, 24);
  EXPECT_EQ(Pixel(d.image, 0, 0), 0x030201u);
  EXPECT_EQ(Pixel(d.image, 1, 0), 0x060504u);
  EXPECT_EQ(Pixel(d.image, 0, 1), 0x090807u);
  EXPECT_EQ(Pixel(d.image, 1, 1), 0u);

  // Type 9 with 16-bit entries: a repeat packet of 3 and a raw packet of 1, bottom-up.
  Decoded r(DecodeTgaImage, Tga({.type = 9, .width = 2, .height = 2, .bits = 8, .descriptor = 0,
                                 .data = {0x82, 1, 0x00, 0}, .mapType = 1, .mapLength = 2, .mapBits = 16,
                                 .map = {0xFF, 0x7F, 0x1F, 0x00}}));
  ASSERT_EQ(r.result, 0);
  EXPECT_EQ(r.image.colorData.bitsPerPixel, 16);
  EXPECT_EQ(r.image.colorData.unusedMask, 0x8000u);
  EXPECT_EQ(Pixel(r.image, 0, 0), 0x001Fu);  // the top row is the second stored row: 1, 0
  EXPECT_EQ(Pixel(r.image, 1, 0), 0x7FFFu);
  EXPECT_EQ(Pixel(r.image, 1, 1), 0x001Fu);
  EXPECT_EQ(GetImagePixelColor(&r.image, 1, 0), 0x00F8F8F8u);

  // Map entries past 256 are dropped rather than written past the map.
  Bytes bigMap(3 * 20, 0x42);
  Decoded m(DecodeTgaImage, Tga({.type = 1, .width = 1, .height = 1, .bits = 8, .descriptor = 0x20, .data = {255},
                                 .mapType = 1, .mapFirst = 250, .mapLength = 20, .mapBits = 24, .map = bigMap}));
  ASSERT_EQ(m.result, 0);
  EXPECT_EQ(Pixel(m.image, 0, 0), 0x424242u);
}

TEST(TgaDecoder, TrueColourSkipsItsIdAndColourMap) {
  Decoded d(DecodeTgaImage, Tga({.type = 2, .width = 1, .height = 1, .bits = 32, .descriptor = 0x28,
                                 .data = {1, 2, 3, 0x80}, .id = {'x'}, .mapType = 1, .mapLength = 2, .mapBits = 24,
                                 .map = {9, 9, 9, 9, 9, 9}}));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.image.colorData.maskA, 0xFF000000u);
  EXPECT_EQ(Pixel(d.image, 0, 0), 0x80030201u);
}

TEST(TgaDecoder, RefusesUnsupportedAndDamagedFiles) {
  const int blocksBefore = g_MemAlloc.blockCount;
  const Bytes pixel = {1, 2, 3};
  const TgaSpec good{.type = 2, .width = 1, .height = 1, .bits = 24, .descriptor = 0x20, .data = pixel};
  auto variant = [&](auto change) {
    TgaSpec s = good;
    change(s);
    return Tga(s);
  };
  const Bytes bad[] = {
      variant([](TgaSpec& s) { s.type = 3; }),
      variant([](TgaSpec& s) { s.type = 11; }),
      variant([](TgaSpec& s) { s.type = 0; }),
      variant([](TgaSpec& s) { s.width = 4096; }),
      variant([](TgaSpec& s) { s.height = 0; }),
      variant([](TgaSpec& s) { s.xOrigin = 1; }),
      variant([](TgaSpec& s) { s.bits = 8; }),
      variant([](TgaSpec& s) { s.width = 2; }),                      // pixels missing
      variant([](TgaSpec& s) { s.type = 10; s.data = {0x81, 1}; }),  // packet cut short
      variant([](TgaSpec& s) { s.type = 10; s.width = 4000; s.height = 4000; s.data = {0xFF, 1, 2, 3}; }),
      variant([](TgaSpec& s) { s.type = 1; s.bits = 8; s.data = {0}; }),  // mapped without a map
      variant([](TgaSpec& s) { s.id = Bytes(200, 1); s.data = {}; }),
  };
  for (size_t i = 0; i < std::size(bad); ++i) {
    Decoded d(DecodeTgaImage, bad[i]);
    EXPECT_NE(d.result, 0) << i;
    EXPECT_EQ(d.image.pixels, nullptr);
  }
  {
    Decoded d(DecodeTgaImage, Tga(good));
    EXPECT_EQ(d.result, 0);
  }
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

// DDS: magic, 124-byte description, pixels.
Bytes Dds(std::uint32_t flags, int width, int height, std::uint32_t pitch, std::uint32_t formatFlags,
          std::uint32_t fourCC, int bits, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a,
          const Bytes& pixels) {
  Writer w;
  w.Text("DDS ").U32(124).U32(flags).U32(static_cast<std::uint32_t>(height)).U32(static_cast<std::uint32_t>(width));
  w.U32(pitch).Zeros(4 + 4 + 44).U32(32).U32(formatFlags).U32(fourCC).U32(static_cast<std::uint32_t>(bits));
  w.U32(r).U32(g).U32(b).U32(a).Zeros(20);
  EXPECT_EQ(w.bytes.size(), 128u);
  return w.Raw(pixels).bytes;
}

TEST(DdsDecoder, MasksAndFormatCodes) {
  {
    // RGB flag without the alpha flag: the masks decide (the alpha mask too).
    Decoded d(DecodeDdsImage, Dds(0x1007, 2, 1, 0, 0x40, 0, 16, 0xF800, 0x07E0, 0x1F, 0, {0x00, 0xF8, 0x1F, 0x00}));
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.image.pitch, 4);
    EXPECT_EQ(d.image.colorData.widthG, 6);
    EXPECT_EQ(GetImagePixelColor(&d.image, 0, 0), 0x00F80000u);
    EXPECT_EQ(GetImagePixelColor(&d.image, 1, 0), 0x000000F8u);
  }
  {
    // The pitch flag with a padded pitch.
    Decoded d(DecodeDdsImage,
              Dds(0x100F, 1, 2, 8, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, {1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 0, 0, 0, 0}));
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.image.pitch, 8);
    EXPECT_EQ(GetImagePixelColor(&d.image, 0, 1), 0x08070605u);
  }
  struct Code {
    std::uint32_t code;
    int bits;
    std::uint32_t r, g, b, a;
  };
  const Code codes[] = {{20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
                        {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                        {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
                        {23, 16, 0xF800, 0x07E0, 0x001F, 0},
                        {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
                        {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
                        {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
                        {27, 8, 0xE0, 0x1C, 0x3, 0},
                        {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
                        {30, 16, 0xF00, 0xF0, 0xF, 0},
                        {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
                        {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
                        {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
                        {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}};
  for (const auto& c : codes) {
    Bytes pixels(static_cast<size_t>(c.bits / 8) * 3 * 2);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i + 1);
    // No pitch flag and no bit count in the header: the row size comes from the format's depth.
    Decoded d(DecodeDdsImage, Dds(0x1007, 3, 2, 0, 4, c.code, 0, 0, 0, 0, 0, pixels));
    ASSERT_EQ(d.result, 0) << c.code;
    EXPECT_EQ(d.image.colorData.bitsPerPixel, c.bits) << c.code;
    EXPECT_EQ(d.image.colorData.maskR, c.r);
    EXPECT_EQ(d.image.colorData.maskG, c.g);
    EXPECT_EQ(d.image.colorData.maskB, c.b);
    EXPECT_EQ(d.image.colorData.maskA, c.a);
    EXPECT_EQ(d.image.pitch, c.bits / 8 * 3);
    EXPECT_EQ(*At(d.image, 0, 1), pixels[static_cast<size_t>(c.bits / 8 * 3)]);
  }
}

TEST(DdsDecoder, RefusesWhatItCannotRead) {
  const int blocksBefore = g_MemAlloc.blockCount;
  const Bytes px(16, 1);
  const Bytes bad[] = {
      Dds(0x1007, 2, 1, 0, 4, 0x31545844 /* DXT1 */, 0, 0, 0, 0, 0, px),
      Dds(0x1007, 2, 1, 0, 0x20000, 0, 8, 0xFF, 0, 0, 0, px),  // luminance
      Dds(0x1007, 2, 1, 0, 0x44, 21, 32, 0, 0, 0, 0, px),     // RGB flag (with FourCC) but no colour masks
      Dds(0x100F, 4, 2, 4, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, Bytes(64, 1)),  // pitch below a row
      Dds(0x1007, 0, 2, 0, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, px),           // zero width
      Dds(0x1007, 2, 1, 0, 0x40, 0, 12, 0xF00, 0xF0, 0xF, 0, px),                 // odd depth
      Dds(0x1007, 2, 1, 0, 0x40, 0, 16, 0xFF0000, 0xFF00, 0xFF, 0, px),           // masks wider than the pixel
      Dds(0x1007, 65536, 65536, 0, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, px),   // huge
      Dds(0x1007, 4, 4, 0, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, px),           // pixels missing
      Bytes{'D', 'D', 'S', ' ', 1, 2, 3},
      Bytes{'D', 'D', 'X', ' '},
  };
  for (size_t i = 0; i < std::size(bad); ++i) {
    Decoded d(DecodeDdsImage, bad[i]);
    EXPECT_NE(d.result, 0) << i;
    EXPECT_EQ(d.image.pixels, nullptr);
  }
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

TEST(BgraDecoder, EightAndSixteenBitsPerChannel) {
  Decoded d8(DecodeBgraImage, Writer().Text("BGRA").U32(0x08080808).U32(2).U32(1).Raw({1, 2, 3, 4, 5, 6, 7, 8}).bytes);
  ASSERT_EQ(d8.result, 0);
  EXPECT_EQ(d8.image.pitch, 8);
  EXPECT_EQ(d8.image.colorData.maskA, 0xFF000000u);
  EXPECT_EQ(Pixel(d8.image, 1, 0), 0x08070605u);
  Decoded d16(DecodeBgraImage, Writer()
                                   .Text("BGRA")
                                   .U32(0x10101010)
                                   .U32(1)
                                   .U32(2)
                                   .Raw({0x11, 0xA1, 0x22, 0xA2, 0x33, 0xA3, 0x44, 0xA4})
                                   .Raw({0x55, 0xB1, 0x66, 0xB2, 0x77, 0xB3, 0x88, 0xB4})
                                   .bytes);
  ASSERT_EQ(d16.result, 0);
  EXPECT_EQ(Pixel(d16.image, 0, 0), 0xA4A3A2A1u);
  EXPECT_EQ(Pixel(d16.image, 0, 1), 0xB4B3B2B1u);

  const int blocksBefore = g_MemAlloc.blockCount;
  const Bytes bad[] = {
      Writer().Text("BGRA").U32(0x08080800).U32(1).U32(1).Raw({1, 2, 3, 4}).bytes,
      Writer().Text("BGRA").U32(0x08080808).U32(2).U32(1).Raw({1, 2, 3, 4}).bytes,
      Writer().Text("BGRA").U32(0x10101010).U32(1).U32(2).Raw({1, 2, 3, 4, 5, 6, 7, 8}).bytes,
      Writer().Text("BGRA").U32(0x08080808).U32(0).U32(1).bytes,
      Writer().Text("BGRA").U32(0x08080808).U32(0xFFFFFFFF).U32(0xFFFFFFFF).bytes,
      Writer().Text("BGRA").U32(0x08080808).U32(8192).U32(8192).bytes,
      Writer().Text("BGRX").U32(0x08080808).U32(1).U32(1).Raw({1, 2, 3, 4}).bytes,
  };
  for (size_t i = 0; i < std::size(bad); ++i) {
    Decoded d(DecodeBgraImage, bad[i]);
    EXPECT_NE(d.result, 0) << i;
  }
  EXPECT_EQ(g_MemAlloc.blockCount, blocksBefore);
}

}  // namespace
