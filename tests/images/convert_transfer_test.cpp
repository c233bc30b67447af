#include "engine/graphics/convert_transfer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

ColorData Format(int bits, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
  ColorData c{};
  CreateColorData(&c, bits, r, g, b, a);
  return c;
}
const ColorData kR565 = Format(16, 0xF800, 0x07E0, 0x001F, 0);
const ColorData kX1555 = Format(16, 0x7C00, 0x03E0, 0x001F, 0);
const ColorData kA1555 = Format(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
const ColorData kA4444 = Format(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
const ColorData kRGB24 = Format(24, 0xFF0000, 0xFF00, 0xFF, 0);
const ColorData kX8888 = Format(32, 0xFF0000, 0xFF00, 0xFF, 0);
const ColorData kA8888 = Format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);

ColorData Palette8() {
  ColorData c{};
  SetupPalette8ColorData(&c);
  std::memset(c.palette, 0, sizeof c.palette);
  for (int i = 0; i < 256; ++i) {
    c.palette[i][0] = static_cast<std::uint8_t>(i * 7);       // blue
    c.palette[i][1] = static_cast<std::uint8_t>(255 - i);     // green
    c.palette[i][2] = static_cast<std::uint8_t>(i * 13 + 5);  // red
  }
  return c;
}
const ColorData kPal8 = Palette8();

std::uint32_t Load(const std::vector<std::uint8_t>& buf, int index, int bytes) {
  std::uint32_t v = 0;
  std::memcpy(&v, buf.data() + index * bytes, static_cast<size_t>(bytes));
  return v;
}
void Store(std::vector<std::uint8_t>& buf, int index, int bytes, std::uint32_t v) {
  std::memcpy(buf.data() + index * bytes, &v, static_cast<size_t>(bytes));
}

struct Options {
  int reverse = 0, keyToAlpha = 0, dither = 0, black = 0, alphaFromRed = 0, skipKey = 0;
  std::uint32_t key = 0;
};

// Converts a row of pixels (one row, n wide) and returns the destination values.
std::vector<std::uint32_t> Convert(const ColorData& dst, const ColorData& src, const std::vector<std::uint32_t>& in,
                                   Options o = {}, std::uint32_t fill = 0xAAAAAAAA, int* result = nullptr) {
  const int n = static_cast<int>(in.size());
  std::vector<std::uint8_t> s(static_cast<size_t>(n * 4 + 4)), d(static_cast<size_t>(n * 4 + 4));
  for (int i = 0; i < n; ++i) Store(s, i, src.bytesPerPixel, in[static_cast<size_t>(i)]);
  for (int i = 0; i < n; ++i) Store(d, i, dst.bytesPerPixel, fill);
  const ImageRect rect{0, 0, n, 1};
  const int r = ConvertTransferRect(d.data(), n * 4, &dst, s.data(), n * 4, &src, nullptr, 0, nullptr, 0, 0, &rect,
                                    o.reverse, o.keyToAlpha, o.key, o.dither, o.black, o.alphaFromRed, o.skipKey);
  if (result != nullptr) *result = r;
  std::vector<std::uint32_t> out;
  const std::uint32_t mask = dst.bytesPerPixel == 4 ? 0xFFFFFFFFu : (1u << (8 * dst.bytesPerPixel)) - 1u;
  for (int i = 0; i < n; ++i) out.push_back(Load(d, i, dst.bytesPerPixel) & mask);
  return out;
}

// The general path for one pixel: a one-pixel rectangle with reverse set, which no fast path takes.
std::uint32_t General(const ColorData& dst, const ColorData& src, std::uint32_t p, Options o = {}) {
  o.reverse = 1;
  return Convert(dst, src, {p}, o)[0];
}

TEST(ConvertTransfer, NothingToDo) {
  std::uint8_t d[16] = {}, s[16] = {1, 2, 3, 4};
  const ImageRect empty{2, 0, 2, 4};
  EXPECT_EQ(ConvertTransferRect(d, 4, &kX8888, s, 4, &kX8888, nullptr, 0, nullptr, 0, 0, &empty, 0, 0, 0, 0, 0, 0, 0),
            -1);
  const ImageRect inverted{3, 0, 1, 1};
  EXPECT_EQ(
      ConvertTransferRect(d, 4, &kX8888, s, 4, &kX8888, nullptr, 0, nullptr, 0, 0, &inverted, 0, 0, 0, 0, 0, 0, 0),
      -1);
  for (auto v : d) EXPECT_EQ(v, 0);
  const ImageRect one{0, 0, 1, 1};
  const ColorData single8 = *GetStandardColorData(2, 0, 0);
  EXPECT_EQ(ConvertTransferRect(d, 4, &single8, s, 4, &kR565, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 0, 0, 0), -1);
  EXPECT_EQ(ConvertTransferRect(d, 4, &single8, s, 4, &kX8888, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 0, 0, 0),
            -1);
  for (auto v : d) EXPECT_EQ(v, 0);
}

TEST(ConvertTransfer, EightBitCopyHonoursBothPositionsAndReturnsTheLargestByte) {
  std::uint8_t s[4 * 4], d[6 * 5];
  for (int i = 0; i < 16; ++i) s[i] = static_cast<std::uint8_t>(i * 10);
  std::memset(d, 0xEE, sizeof d);
  const ImageRect rect{1, 1, 3, 3};  // values 50, 60 / 90, 100
  EXPECT_EQ(ConvertTransferRect(d, 6, &kPal8, s, 4, &kPal8, nullptr, 0, nullptr, 2, 3, &rect, 0, 0, 0, 0, 0, 0, 0), 100);
  EXPECT_EQ(d[3 * 6 + 2], 50);
  EXPECT_EQ(d[3 * 6 + 3], 60);
  EXPECT_EQ(d[4 * 6 + 2], 90);
  EXPECT_EQ(d[4 * 6 + 3], 100);
  EXPECT_EQ(d[3 * 6 + 1], 0xEE);
  EXPECT_EQ(d[2 * 6 + 2], 0xEE);
}

TEST(ConvertTransfer, FastPathTable) {
  struct Case {
    const char* name;
    const ColorData* dst;
    const ColorData* src;
    std::uint32_t in;
    int keyToAlpha;
    std::uint32_t key;
    std::uint32_t expected;
  };
  // Palette entry 20: red 13*20+5 = 265 -> 9, green 235, blue 140.
  const std::uint32_t e20 = (9u << 16) | (235u << 8) | 140u;
  const Case cases[] = {
      {"pal->565", &kR565, &kPal8, 20, 0, 0, (e20 >> 8 & 0xF800) | (e20 >> 5 & 0x7E0) | (e20 >> 3 & 0x1F)},
      {"pal->x1555", &kX1555, &kPal8, 20, 0, 0, (e20 >> 9 & 0x7C00) | (e20 >> 6 & 0x3E0) | (e20 >> 3 & 0x1F) | 0x8000},
      {"pal->x8888", &kX8888, &kPal8, 20, 0, 0, e20 | 0xFF000000u},
      {"pal->a1555 key", &kA1555, &kPal8, 20, 1, e20, (e20 >> 9 & 0x7C00) | (e20 >> 6 & 0x3E0) | (e20 >> 3 & 0x1F)},
      {"pal->a1555 other", &kA1555, &kPal8, 20, 1, e20 ^ 1,
       (e20 >> 9 & 0x7C00) | (e20 >> 6 & 0x3E0) | (e20 >> 3 & 0x1F) | 0x8000},
      {"pal->a8888 key", &kA8888, &kPal8, 20, 1, e20, e20},
      {"pal->a8888 other", &kA8888, &kPal8, 20, 1, 0, e20 | 0xFF000000u},
      {"24->565", &kR565, &kRGB24, 0xFF8040, 0, 0, (0x1Fu << 11) | (0x20u << 5) | 0x08u},
      {"24->x1555", &kX1555, &kRGB24, 0xFF8040, 0, 0, 0x8000u | (0x1Fu << 10) | (0x10u << 5) | 0x08u},
      {"24->x8888", &kX8888, &kRGB24, 0x123456, 0, 0, 0xFF123456u},
      {"24->a8888", &kA8888, &kRGB24, 0x123456, 0, 0, 0xFF123456u},
      {"24->a1555 key", &kA1555, &kRGB24, 0xFF8047, 1, 0xFF8040, (0x1Fu << 10) | (0x10u << 5) | 0x08u},
      {"24->a1555 other", &kA1555, &kRGB24, 0xFF8040, 1, 0x000000, 0x8000u | (0x1Fu << 10) | (0x10u << 5) | 0x08u},
      {"24->a8888 key", &kA8888, &kRGB24, 0x123456, 1, 0x123456, 0x00123456u},
      {"24->a8888 near key", &kA8888, &kRGB24, 0x123457, 1, 0x123456, 0xFF123457u},
      {"x8888->565", &kR565, &kX8888, 0xFFFFFFFF, 0, 0, 0xFFFF},
      {"565->24", &kRGB24, &kR565, 0xFFFF, 0, 0, 0xF8FCF8},
      {"565->x8888", &kX8888, &kR565, 0xFFFF, 0, 0, 0x00F8FCF8},
      {"565->x1555", &kX1555, &kR565, 0xFFFF, 0, 0, 0x7FFF},
      {"x1555->565", &kR565, &kX1555, 0x7FFF, 0, 0, 0xFFFF},
      {"x1555->565 green low bit", &kR565, &kX1555, 0x0020, 0, 0, 0x0060},
      {"565->a1555 key", &kA1555, &kR565, 0xF81F, 1, 0xFF00FF, 0x7C1F},
      {"565->a1555 other", &kA1555, &kR565, 0xF81F, 1, 0x00FF00, 0xFC1F},
  };
  for (const auto& c : cases) {
    Options o;
    o.keyToAlpha = c.keyToAlpha;
    o.key = c.key;
    int result = 1;
    EXPECT_EQ(Convert(*c.dst, *c.src, {c.in, c.in, c.in}, o, 0xAAAAAAAA, &result)[2], c.expected) << c.name;
    EXPECT_EQ(result, 0) << c.name;
  }
}

TEST(ConvertTransfer, GeneralPathWidensToTheFullRangeAndSetsUnusedBits) {
  EXPECT_EQ(General(kX8888, kR565, 0xFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(General(kRGB24, kR565, 0xFFFF), 0xFFFFFFu);
  EXPECT_EQ(General(kX8888, kR565, 0x8410), 0xFF000000u | (131u << 16) | (129u << 8) | 131u);
  EXPECT_EQ(General(kA8888, kA1555, 0x8000), 0xFF000000u);
  EXPECT_EQ(General(kA8888, kA1555, 0x7FFF), 0x00FFFFFFu);
  EXPECT_EQ(General(kA4444, kA8888, 0x80FF7F10), 0x8F71u);
  EXPECT_EQ(General(kR565, kX1555, 0x7FFF), 0xFFFFu);
}

// Wherever the fast paths narrow (or copy at equal width), they must give what the general path gives.
TEST(ConvertTransfer, FastPathsMatchTheGeneralPathWhenNarrowing) {
  struct Pair {
    const ColorData* dst;
    const ColorData* src;
    int keyToAlpha;
  };
  const Pair pairs[] = {{&kR565, &kPal8, 0},  {&kX1555, &kPal8, 0},  {&kX8888, &kPal8, 0},  {&kA8888, &kPal8, 1},
                        {&kR565, &kRGB24, 0}, {&kX1555, &kRGB24, 0}, {&kX8888, &kRGB24, 0}, {&kA8888, &kRGB24, 0},
                        {&kA1555, &kRGB24, 1}, {&kA8888, &kRGB24, 1}, {&kR565, &kX8888, 0}, {&kA1555, &kR565, 1}};
  std::mt19937 rng(7);
  for (const auto& pair : pairs) {
    std::vector<std::uint32_t> in(64);
    const std::uint32_t limit = pair.src->bitsPerPixel == 32 ? 0xFFFFFFFFu : (1u << pair.src->bitsPerPixel) - 1u;
    for (auto& v : in) v = rng() & limit;
    Options o;
    o.keyToAlpha = pair.keyToAlpha;
    // The key is the colour of the fifth pixel, so both outcomes of the key test occur.
    const std::uint32_t p = in[4];
    if (pair.src->bitsPerPixel == 8)
      o.key = (kPal8.palette[p][2] << 16) | (kPal8.palette[p][1] << 8) | kPal8.palette[p][0];
    else if (pair.src->bitsPerPixel == 16)
      o.key = ((p >> 11 & 0x1F) << 19) | ((p >> 5 & 0x3F) << 10) | ((p & 0x1F) << 3);
    else
      o.key = p & 0xFFFFFF;
    const auto fast = Convert(*pair.dst, *pair.src, in, o);
    for (size_t i = 0; i < in.size(); ++i)
      EXPECT_EQ(fast[i], General(*pair.dst, *pair.src, in[i], o))
          << "pair " << (&pair - pairs) << " pixel " << std::hex << in[i];
    if (pair.keyToAlpha != 0) {
      EXPECT_EQ(fast[4] & pair.dst->maskA, 0u);
    }
  }
}

TEST(ConvertTransfer, ReverseWritesEachRowRightToLeftFromTheDestinationX) {
  const std::uint32_t P = 0x111111, Q = 0x222222, R = 0x333333;
  for (const ColorData* dst : {&kX8888, &kR565}) {  // same-format copy and the general path
    const std::uint32_t src[3] = {P, Q, R};
    std::uint32_t d[5] = {9, 9, 9, 9, 9};
    const ImageRect rect{0, 0, 3, 1};
    const bool convert = dst != &kX8888;
    ConvertTransferRect(d, 20, dst, src, 12, &kX8888, nullptr, 0, nullptr, 1, 0, &rect, 1, 0, 0, 0, 0, 0, 0);
    auto at = [&](int i) -> std::uint32_t {
      if (!convert) return d[i];
      std::uint16_t v;
      std::memcpy(&v, reinterpret_cast<std::uint8_t*>(d) + 2 * i, 2);
      return v;
    };
    auto expect = [&](std::uint32_t c) {
      return convert ? ((c & 0xF80000) >> 8) | ((c & 0xFC00) >> 5) | ((c & 0xF8) >> 3) : c;
    };
    EXPECT_EQ(at(1), expect(R));
    EXPECT_EQ(at(2), expect(Q));
    EXPECT_EQ(at(3), expect(P));
  }
}

TEST(ConvertTransfer, KeyToAlphaOnSameColourLayout) {
  Options o;
  o.keyToAlpha = 1;
  o.key = 0xFF00FF;
  // X8R8G8B8 into A8R8G8B8: same layout, alpha set unless the pixel is the key colour.
  EXPECT_EQ(Convert(kA8888, kX8888, {0x00FF00FF, 0x12FF00FF, 0x00FF00FE}, o),
            (std::vector<std::uint32_t>{0x00FF00FF, 0x00FF00FF, 0xFFFF00FE}));
  o.reverse = 1;
  EXPECT_EQ(Convert(kA8888, kX8888, {0x00FF00FF, 0x00000001}, o),
            (std::vector<std::uint32_t>{0xFF000001, 0x00FF00FF}));
  // X1R5G5B5 into A1R5G5B5.
  o.reverse = 0;
  EXPECT_EQ(Convert(kA1555, kX1555, {0x7C1F, 0x7C1E}, o), (std::vector<std::uint32_t>{0x7C1F, 0xFC1E}));
  // General path: 565 source into A8888, key colour compared after widening.
  EXPECT_EQ(Convert(kA8888, kR565, {0xF81F, 0xF81E}, o), (std::vector<std::uint32_t>{0x00FF00FF, 0xFFFF00F6}));
  // A source with alpha switches key to alpha off.
  EXPECT_EQ(Convert(kA8888, kA8888, {0x00FF00FF}, o), (std::vector<std::uint32_t>{0x00FF00FF}));
  EXPECT_EQ(Convert(kA8888, kA8888, {0x7FFF00FF}, o), (std::vector<std::uint32_t>{0x7FFF00FF}));
}

TEST(ConvertTransfer, SkipKeyLeavesKeyPixelsUnwritten) {
  Options o;
  o.skipKey = 1;
  o.key = 0x1234;
  const std::uint32_t fill = 0xAAAA;
  // Same format (16-bit compare) and the general path (565 to 32-bit, key cut to 16 bits).
  EXPECT_EQ(Convert(kR565, kR565, {0x1234, 0x1235}, o, fill), (std::vector<std::uint32_t>{0xAAAA, 0x1235}));
  o.key = 0xFFFF1234;
  EXPECT_EQ(Convert(kX8888, kR565, {0x1234, 0xFFFF}, o, 0xAAAAAAAA)[0], 0xAAAAAAAAu);
  // An 8-bit source compares its palette index.
  o.key = 3;
  const auto out = Convert(kX8888, kPal8, {3, 4}, o, 0xAAAAAAAA);
  EXPECT_EQ(out[0], 0xAAAAAAAAu);
  EXPECT_NE(out[1], 0xAAAAAAAAu);
  // With reverse, skip key is off: every pixel is written.
  o.reverse = 1;
  o.key = 0x1234;
  EXPECT_EQ(Convert(kR565, kR565, {0x1234, 0x1234}, o, fill), (std::vector<std::uint32_t>{0x1234, 0x1234}));
}

TEST(ConvertTransfer, AlphaPlaneBlackAndAlphaFromRed) {
  ColorData grey{};
  SetupGray8ColorData(&grey);
  const std::uint32_t src[3] = {0x00102030, 0x00405060, 0x00708090};
  const std::uint8_t plane[3] = {0, 0x80, 0xFF};
  std::uint32_t d[3] = {};
  const ImageRect rect{0, 0, 3, 1};
  ConvertTransferRect(d, 12, &kA8888, src, 12, &kX8888, plane, 3, &grey, 0, 0, &rect, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(d[0], 0x00102030u);
  EXPECT_EQ(d[1], 0x80405060u);
  EXPECT_EQ(d[2], 0xFF708090u);
  // Into A4R4G4B4 the plane's 8 bits are narrowed to 4.
  std::uint16_t d16[3] = {};
  ConvertTransferRect(d16, 6, &kA4444, src, 12, &kX8888, plane, 3, &grey, 0, 0, &rect, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(d16[1], 0x8456);
  EXPECT_EQ(d16[2], 0xF789);
  // Black: colour channels 0, alpha kept; alpha from red: the converted red becomes alpha.
  ConvertTransferRect(d, 12, &kA8888, src, 12, &kX8888, plane, 3, &grey, 0, 0, &rect, 0, 0, 0, 0, 1, 0, 0);
  EXPECT_EQ(d[1], 0x80000000u);
  ConvertTransferRect(d, 12, &kA8888, src, 12, &kX8888, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0, 0, 1, 0);
  EXPECT_EQ(d[2], 0x70708090u);
  ConvertTransferRect(d, 12, &kA8888, src, 12, &kX8888, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0, 1, 1, 0);
  EXPECT_EQ(d[2], 0x70000000u);
}

TEST(ConvertTransfer, OrderedDitherRaisesAsManyPixelsAsTheDroppedBitsSay) {
  // Red 0x84 into 5 bits drops 4 of 8: half of every 4 x 4 block goes up by one.
  std::vector<std::uint8_t> src(4 * 4 * 3);
  for (size_t i = 0; i < src.size(); i += 3) {
    src[i] = 0x00;
    src[i + 1] = 0x00;
    src[i + 2] = 0x84;
  }
  std::uint16_t d[16];
  const ImageRect rect{0, 0, 4, 4};
  ConvertTransferRect(d, 8, &kR565, src.data(), 12, &kRGB24, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 1, 0, 0, 0);
  int raised = 0;
  for (auto v : d) {
    const int red = v >> 11;
    EXPECT_TRUE(red == 0x10 || red == 0x11);
    raised += red == 0x11;
  }
  EXPECT_EQ(raised, 8);
  // Matrix entry 0 (threshold 0) raises; entry 8 (threshold 4) does not.
  EXPECT_EQ(d[0] >> 11, 0x11);
  EXPECT_EQ(d[1] >> 11, 0x10);
  // Full red stays at the channel's maximum.
  for (size_t i = 0; i < src.size(); i += 3) src[i + 2] = 0xFF;
  ConvertTransferRect(d, 8, &kR565, src.data(), 12, &kRGB24, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 1, 0, 0, 0);
  for (auto v : d) EXPECT_EQ(v, 0xF800);
}

TEST(ConvertTransfer, ErrorDiffusionCarriesTheDroppedBits) {
  std::uint8_t src[6 * 3] = {};
  for (int i = 0; i < 6; ++i) src[i * 3 + 2] = 0x84;  // red drops 4 of 8 each pixel
  std::uint16_t d[6];
  const ImageRect rect{0, 0, 6, 1};
  ConvertTransferRect(d, 12, &kR565, src, 18, &kRGB24, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 2, 0, 0, 0);
  const int expected[6] = {0x10, 0x11, 0x10, 0x11, 0x10, 0x11};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(d[i] >> 11, expected[i]) << i;
}

TEST(ConvertTransfer, FillUnusedBits) {
  std::uint32_t p32[4] = {0x00123456, 0x00123456, 0x00123456, 0x00123456};
  const ImageRect inverted{2, 1, 0, 0};  // edges swapped: columns 0..1, row 0
  FillUnusedBitsRect(&inverted, p32, 8, &kX8888, 0xFF);
  EXPECT_EQ(p32[0], 0xFF123456u);
  EXPECT_EQ(p32[1], 0xFF123456u);
  EXPECT_EQ(p32[2], 0x00123456u);
  std::uint16_t p16[2] = {0x1234, 0x1234};
  const ImageRect row{0, 0, 2, 1};
  FillUnusedBitsRect(&row, p16, 4, &kX1555, 1);
  EXPECT_EQ(p16[0], 0x9234);
  FillUnusedBitsRect(&row, p16, 4, &kR565, 0xFF);  // no unused bits: unchanged
  EXPECT_EQ(p16[1], 0x9234);
}

}  // namespace
