// Bitmap sections made from bitmap bits: the format chosen from the target, the pixels converted, mirrored, and
// bottom-up sources turned top-down.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/color_data.h"
#include "engine/graphics/dib_section.h"

namespace {

// A 3 x 2 24-bit source (rows padded to 12 bytes), B, G, R per pixel: red, green, blue / white, black, grey.
BitmapInfo256 Header24(int height) {
  BitmapInfo256 h{};
  h.header.size = 40;
  h.header.width = 3;
  h.header.height = height;
  h.header.planes = 1;
  h.header.bitCount = 24;
  return h;
}
const std::uint8_t kBits24[24] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                                  255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0};

std::uint32_t At(const DibSection* s, int x, int y) {
  std::uint32_t v = 0;
  std::memcpy(&v, s->bits.data() + static_cast<std::ptrdiff_t>(y) * s->pitch + x * s->format.bytesPerPixel,
              s->format.bytesPerPixel);
  return v;
}

TEST(DibSection, TheTargetChoosesTheFormatAndThePixelsFollow) {
  ColorData r5g6b5{};
  CreateColorData(&r5g6b5, 16, 0xF800, 0x07E0, 0x001F, 0);
  const BitmapInfo256 top = Header24(-2);
  DibSection* s = CreateDibSectionFromBits(&top, kBits24, 0, &r5g6b5);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->header.compression, 3u);
  EXPECT_EQ(s->header.bitCount, 16);
  EXPECT_EQ(s->header.height, -2);
  EXPECT_EQ(s->masks[0], 0xF800u);
  EXPECT_EQ(s->pitch, 8);
  EXPECT_EQ(At(s, 0, 0), 0xF800u);
  EXPECT_EQ(At(s, 1, 0), 0x07E0u);
  EXPECT_EQ(At(s, 2, 0), 0x001Fu);
  EXPECT_EQ(At(s, 0, 1), 0xFFFFu);
  DeleteDibSection(s);

  // Mirrored, from a bottom-up source: row 0 is the source's last row, right to left.
  const BitmapInfo256 bottomUp = Header24(2);
  s = CreateDibSectionFromBits(&bottomUp, kBits24, 1, nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->header.compression, 0u);
  EXPECT_EQ(s->header.bitCount, 24);
  EXPECT_EQ(At(s, 0, 1) & 0xFFFFFF, 0x0000FFu);  // blue
  EXPECT_EQ(At(s, 2, 1) & 0xFFFFFF, 0xFF0000u);  // red
  EXPECT_EQ(At(s, 0, 0) & 0xFFFFFF, 0x808080u);
  DeleteDibSection(s);

  // A 32-bit target: a 24-bit source takes RGB 24 (and the target record becomes it); an 8-bit source bit fields.
  ColorData x8r8g8b8{};
  CreateColorData(&x8r8g8b8, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  ColorData target = x8r8g8b8;
  s = CreateDibSectionFromBits(&top, kBits24, 0, &target);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->header.bitCount, 24);
  EXPECT_EQ(target.bitsPerPixel, 24);
  DeleteDibSection(s);
  BitmapInfo256 indexed{};
  indexed.header = top.header;
  indexed.header.bitCount = 8;
  indexed.colors[7][2] = 200;  // red 200
  const std::uint8_t bits8[8] = {7, 0, 7, 0, 0, 7, 0, 0};
  target = x8r8g8b8;
  s = CreateDibSectionFromBits(&indexed, bits8, 0, &target);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->header.compression, 3u);
  EXPECT_EQ(s->header.bitCount, 32);
  EXPECT_EQ(At(s, 0, 0) & 0xFFFFFF, 0xC80000u);
  EXPECT_EQ(At(s, 1, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(At(s, 1, 1) & 0xFFFFFF, 0xC80000u);
  DeleteDibSection(s);

  // Unreadable input.
  BitmapInfo256 bad = top;
  bad.header.bitCount = 4;
  EXPECT_EQ(CreateDibSectionFromBits(&bad, kBits24, 0, nullptr), nullptr);
  EXPECT_EQ(CreateDibSectionFromBits(&top, nullptr, 0, nullptr), nullptr);
}

}  // namespace
