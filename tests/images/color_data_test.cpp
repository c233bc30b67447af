#include "engine/graphics/color_data.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/public_api.h"
#include "engine/graphics/screen_format.h"

namespace {

struct ChannelCase {
  int bits;
  std::uint32_t r, g, b, a;
  int widths[4];
  int shifts[4];
  std::uint32_t unused;
  int unusedShift, unusedWidth;
};

TEST(ColorData, CreateColorDataWorksOutWidthsShiftsAndUnusedBits) {
  const ChannelCase cases[] = {
      {16, 0xF800, 0x07E0, 0x001F, 0, {5, 6, 5, 0}, {11, 5, 0, 0}, 0, 0, 0},
      {16, 0x7C00, 0x03E0, 0x001F, 0, {5, 5, 5, 0}, {10, 5, 0, 0}, 0x8000, 15, 1},
      {16, 0x0F00, 0x00F0, 0x000F, 0xF000, {4, 4, 4, 4}, {8, 4, 0, 12}, 0, 0, 0},
      {32, 0xFF0000, 0xFF00, 0xFF, 0, {8, 8, 8, 0}, {16, 8, 0, 0}, 0xFF000000, 24, 8},
      {32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, {10, 10, 10, 2}, {0, 10, 20, 30}, 0, 0, 0},
      {8, 0xE0, 0x1C, 0x3, 0, {3, 3, 2, 0}, {5, 2, 0, 0}, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ColorData d{};
    EXPECT_EQ(CreateColorDataEntry(&d, c.bits, c.r, c.g, c.b, c.a), 0);
    SCOPED_TRACE(c.r);
    EXPECT_EQ(d.bytesPerPixel, c.bits / 8);
    EXPECT_EQ(d.widthR, c.widths[0]);
    EXPECT_EQ(d.widthG, c.widths[1]);
    EXPECT_EQ(d.widthB, c.widths[2]);
    EXPECT_EQ(d.widthA, c.widths[3]);
    EXPECT_EQ(d.shiftR, c.shifts[0]);
    EXPECT_EQ(d.shiftG, c.shifts[1]);
    EXPECT_EQ(d.shiftB, c.shifts[2]);
    EXPECT_EQ(d.shiftA, c.shifts[3]);
    EXPECT_EQ(d.unusedMask, c.unused);
    EXPECT_EQ(d.unusedShift, c.unusedShift);
    EXPECT_EQ(d.unusedWidth, c.unusedWidth);

    DDPixelFormat pf;
    EXPECT_EQ(CreatePixelFormatEntry(&pf, c.bits, c.r, c.g, c.b, c.a), 0);
    EXPECT_EQ(pf.size, 32u);
    EXPECT_EQ(pf.flags, kDDPF_RGB);
    EXPECT_EQ(pf.fourCC, 0u);
    ColorData fromPf{};
    CreateColorDataFromPixelFormat(&pf, &fromPf);
    EXPECT_EQ(std::memcmp(&fromPf, &d, sizeof d), 0);
  }
}

TEST(ColorData, PackAndConvertPixelValues) {
  ColorData x888{}, r565{}, a8888{};
  CreateColorData(&x888, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  CreateColorData(&r565, 16, 0xF800, 0x07E0, 0x001F, 0);
  CreateColorData(&a8888, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  EXPECT_EQ(MakePixelValue(&x888, 255, 0, 0, 0), 0xFFFF0000u);  // unused byte set
  EXPECT_EQ(MakePixelValue(&r565, 0x87, 0x87, 0x87, 0), (0x10u << 11) | (0x21u << 5) | 0x10u);
  EXPECT_EQ(MakePixelValue(&a8888, 1, 2, 3, 0x80), 0x80010203u);
  EXPECT_EQ(ConvertPixelValue(&x888, &r565, 0xFFFF), 0xFFF8FCF8u);
  EXPECT_EQ(ConvertPixelValue(&a8888, &r565, 0x0000), 0xFF000000u);  // no source alpha: opaque
  EXPECT_EQ(ConvertPixelValue(&r565, &a8888, 0x12FFFFFF), 0xFFFFu);
}

TEST(ColorData, StandardFormatsAndPixelFormats) {
  struct Row {
    int kind, alpha, palette, bits;
    std::uint32_t r, g, b, a;
  };
  const Row rows[] = {
      {0, 0, 0, 16, 0xF800, 0x07E0, 0x001F, 0},        {0, 0, 1, 8, 0xF800, 0x07E0, 0x001F, 0},
      {0, 1, 0, 32, 0xF800, 0x07E0, 0x001F, 0xFF0000}, {0, 1, 1, 8, 0xF800, 0x07E0, 0x001F, 0xFF0000},
      {1, 0, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0},        {1, 0, 1, 8, 0xFF0000, 0xFF00, 0xFF, 0},
      {1, 1, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {1, 1, 1, 8, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
      {2, 0, 0, 8, 0xFF, 0xFF, 0xFF, 0xFF},            {3, 1, 1, 16, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
  };
  for (const auto& row : rows) {
    const ColorData* c = GetStandardColorData(row.kind, row.alpha, row.palette);
    const DDPixelFormat* p = GetStandardPixelFormat(row.kind, row.alpha, row.palette);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(c->bitsPerPixel, row.bits);
    EXPECT_EQ(c->bytesPerPixel, row.bits / 8);
    EXPECT_EQ(c->maskR, row.r);
    EXPECT_EQ(c->maskG, row.g);
    EXPECT_EQ(c->maskB, row.b);
    EXPECT_EQ(c->maskA, row.a);
    EXPECT_EQ(p->rgbBitCount, static_cast<std::uint32_t>(row.bits));
    EXPECT_EQ(p->maskR, row.r);
    EXPECT_EQ(p->maskA, row.a);
    EXPECT_EQ(c, GetStandardColorData(row.kind, row.alpha, row.palette));  // shared record
  }
  EXPECT_EQ(GetStandardColorData(2, 0, 0)->unusedMask, 0u);
  EXPECT_EQ(GetStandardColorData(3, 0, 0)->widthR, 16);
  EXPECT_EQ(GetStandardColorData(4, 0, 0), nullptr);
  EXPECT_EQ(GetStandardColorData(-1, 0, 0), nullptr);
  EXPECT_EQ(GetStandardPixelFormat(4, 0, 0), nullptr);
  EXPECT_EQ(GetStandardPixelFormat(1, 0, 0)->flags, kDDPF_RGB);
}

TEST(ColorData, DecoderFormats) {
  ColorData c{};
  std::memset(c.palette, 0x55, sizeof c.palette);
  SetupPalette8ColorData(&c);
  EXPECT_EQ(c.bitsPerPixel, 8);
  EXPECT_EQ(c.unusedMask, 0xFF000000u);
  EXPECT_EQ(c.palette[7][0], 0x55);  // palette left to the decoder
  SetupRGB24ColorData(&c);
  EXPECT_EQ(c.bitsPerPixel, 24);
  EXPECT_EQ(c.bytesPerPixel, 3);
  EXPECT_EQ(c.unusedMask, 0u);
  SetupGray8ColorData(&c);
  EXPECT_EQ(c.palette[200][0], 200);
  EXPECT_EQ(c.palette[200][2], 200);
  EXPECT_EQ(c.palette[200][3], 0);
  EXPECT_EQ(c.shiftR, 16);
}

class ScreenColour : public ::testing::Test {
 protected:
  void TearDown() override { ResetScreenFormat(); }
  static void Screen(int bits, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    DDPixelFormat pf;
    CreatePixelFormat(&pf, bits, r, g, b, 0);
    SetScreenPixelFormat(&pf);
  }
};

TEST_F(ScreenColour, MakeColorValueInTheScreenFormat) {
  EXPECT_EQ(static_cast<std::uint32_t>(MakeColorValue(255, 255, 255)), 0xFFFFFFFFu);  // default X8R8G8B8
  EXPECT_EQ(MakeColorValue(0x12, 0x34, 0x56), static_cast<int>(0xFF123456u));
  Screen(16, 0xF800, 0x07E0, 0x001F);
  EXPECT_EQ(MakeColorValue(255, 255, 255), 0xFFFF);
  Screen(16, 0x7C00, 0x03E0, 0x001F);
  EXPECT_EQ(MakeColorValue(255, 255, 255), 0xFFFF);
  EXPECT_EQ(MakeColorValue(0, 0, 0), 0x8000);
  // Software rendering packs into the standard format of the requested depth, whatever the display has.
  g_ScreenFormat.softwareRender = 1;
  g_ScreenFormat.requestedBits = 32;
  EXPECT_EQ(static_cast<std::uint32_t>(MakeColorValue(0, 0, 0)), 0xFF000000u);
  g_ScreenFormat.requestedBits = 0;  // read as 16
  EXPECT_EQ(MakeColorValue(255, 0, 0), 0xF800);
}

TEST_F(ScreenColour, EightBitScreenPicksTheFirstNearestPaletteEntry) {
  Screen(8, 0, 0, 0);
  for (auto& e : g_ScreenFormat.palette) e[0] = e[1] = e[2] = 0;
  const std::uint8_t entries[][3] = {{10, 10, 10}, {250, 0, 0}, {0, 0, 240}, {250, 0, 0}, {20, 20, 20}};
  for (int i = 0; i < 5; ++i)
    for (int c = 0; c < 3; ++c) g_ScreenFormat.palette[i + 10][c] = entries[i][c];
  g_ScreenFormat.palette[0][0] = g_ScreenFormat.palette[0][1] = g_ScreenFormat.palette[0][2] = 100;
  EXPECT_EQ(MakeColorValue(255, 0, 0), 11);  // entries 11 and 13 tie: the lower wins
  EXPECT_EQ(MakeColorValue(0, 0, 255), 12);
  EXPECT_EQ(MakeColorValue(15, 15, 15), 10);  // 10 and 14 at the same distance
  EXPECT_EQ(MakeColorValue(0, 0, 0), 1);      // first of the black entries
  int r, g, b;
  EXPECT_EQ(ColorValueToRGB(11, &r, &g, &b), 0);
  EXPECT_EQ(r, 250);
  EXPECT_EQ(ColorValueToRGB(256, &r, &g, &b), -1);
  EXPECT_EQ(ColorValueToRGB(-1, &r, &g, &b), -1);
}

TEST_F(ScreenColour, ColorValueToRGBScalesEachChannelToEightBits) {
  int r, g, b;
  Screen(16, 0xF800, 0x07E0, 0x001F);
  ASSERT_EQ(ColorValueToRGB(0xF800, &r, &g, &b), 0);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  ColorValueToRGB(0x8410, &r, &g, &b);  // 16, 32, 16
  EXPECT_EQ(r, 16 * 255 / 31);
  EXPECT_EQ(g, 32 * 255 / 63);
  EXPECT_EQ(b, 16 * 255 / 31);
  // Software screen whose display depth differs from the requested one: the requested standard format.
  g_ScreenFormat.softwareRender = 1;
  g_ScreenFormat.requestedBits = 32;
  ColorValueToRGB(0x00123456, &r, &g, &b);
  EXPECT_EQ(r, 0x12);
  EXPECT_EQ(g, 0x34);
  EXPECT_EQ(b, 0x56);
}

}  // namespace
