// Fonts over a headless engine: the default font drawing formatted text inside its box, Japanese text, the glyph
// cache's round-robin eviction, spacing, measuring, the font table limit, the on-screen log and bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/log.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/font.h"
#include "engine/graphics/screen_buffer.h"
#include "tests/engine_start/engine_fixture.h"
#include "tests/support/context_mode.h"

namespace {

// The glyph-cache slot of a single-byte character.
constexpr unsigned code(char c) { return static_cast<unsigned char>(c); }

class Fonts : public engine_test::HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    ASSERT_EQ(StartEngine(), 0);
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    ClearBack();
    white_ = MakeColorValue(255, 255, 255);
  }

  static std::uint32_t Pixel(int x, int y) {
    const platform::dd::Surface* back = GetBackSurface();
    std::uint32_t v;
    std::memcpy(&v, back->Pixels() + static_cast<std::ptrdiff_t>(y) * back->Pitch() + x * 4, 4);
    return v & 0xFFFFFF;
  }
  static void ClearBack() {
    g_GraphDrawState.BlendMode = 0;
    DrawRectangle(0, 0, 640, 480, 0, 1);
  }
  // Lit pixels inside and outside the rectangle.
  static void CountLit(int l, int t, int r, int b, int* inside, int* outside) {
    *inside = *outside = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        if (Pixel(x, y) == 0) continue;
        ++((x >= l && x < r && y >= t && y < b) ? *inside : *outside);
      }
    }
  }
  static std::vector<int> LitColumns(int t, int b) {
    std::vector<int> cols;
    for (int x = 0; x < 640; ++x) {
      for (int y = t; y < b; ++y) {
        if (Pixel(x, y) != 0) {
          cols.push_back(x);
          break;
        }
      }
    }
    return cols;
  }

  int white_ = 0;
};

// For checks of the memory glyph cache (its capacity, its glyph images): the 3D device keeps glyphs in a texture
// cache instead, so these run on the software path only.
class FontsSoftware : public Fonts {
 protected:
  void SetUp() override {
    contextMode_.Set();
    Fonts::SetUp();
  }
  test_support::ContextModePin contextMode_;
};

TEST_F(Fonts, FormattedTextWithTheGamesDefaultFontStaysInsideItsBox) {
  ChangeDefaultFontSize(12);
  ChangeDefaultFontThickness(2);
  ASSERT_EQ(DrawTextFormatted(10, 10, white_, "HP %d", 100), 0);
  int inside = 0, outside = 0;
  CountLit(10, 10, 640, 10 + 12 + 3, &inside, &outside);
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(GetFontSizeToHandle(GetDefaultFontHandle()), 12);
}

TEST_F(Fonts, JapaneseTextRendersEveryCharacter) {
  const int font = CreateFontToHandle(nullptr, 16, 4, 0, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  const char* text = "日本語のテキスト、漢字ｶﾅ";
  ASSERT_EQ(DrawStringWithFont(0, 100, text, static_cast<std::uint32_t>(white_), font, 0, 0), 0);
  int count = 0;
  for (std::size_t i = 0; text[i] != '\0'; ++count) {
    const int bytes = CheckMultiByteChar(text + i, 1) == 1 ? 2 : 1;
    const int from = GlyphCacheDrawString(0, 0, 0, 0, 1, 1, text, 0, nullptr, nullptr, 1, font, 0,
                                          static_cast<int>(i), 0, nullptr);
    const int to = GlyphCacheDrawString(0, 0, 0, 0, 1, 1, text, 0, nullptr, nullptr, 1, font, 0,
                                        static_cast<int>(i) + bytes, 0, nullptr);
    int lit = 0;
    for (int y = 100; y < 100 + 20; ++y) {
      for (int x = from; x < to; ++x) lit += Pixel(x, y) != 0 ? 1 : 0;
    }
    EXPECT_GT(lit, 0) << "character " << count;
    i += static_cast<std::size_t>(bytes);
  }
  EXPECT_EQ(count, 13);
}

TEST_F(FontsSoftware, TwentyFirstDistinctCharacterEvictsTheFirst) {
  const int font = CreateFontToHandle(nullptr, 200, 4, 0, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  FontData* f = GetFontData(font);
  ASSERT_EQ(f->Capacity, 20u);
  GlyphCacheDrawString(0, 0, 0, 0, 1, 1, "ABCDEFGHIJKLMNOPQRST", 0, nullptr, nullptr, 1, font, 0, -1, 0, nullptr);
  EXPECT_EQ(f->Codes[code('A')].Present, 1u);
  EXPECT_EQ(f->ReuseCursor, 0u);
  GlyphCacheDrawString(0, 0, 0, 0, 1, 1, "U", 0, nullptr, nullptr, 1, font, 0, -1, 0, nullptr);
  EXPECT_EQ(f->Codes[code('A')].Present, 0u);
  EXPECT_EQ(f->Codes[code('A')].Entry, nullptr);
  EXPECT_EQ(f->Codes[code('B')].Present, 1u);
  ASSERT_EQ(f->Codes[code('U')].Present, 1u);
  EXPECT_EQ(f->Codes[code('U')].Entry->CellIndex, 0u);
  EXPECT_EQ(f->ReuseCursor, 1u);
}

TEST_F(Fonts, SpacingMovesEachCharacterFurther) {
  const int font = CreateFontToHandle(nullptr, 16, 4, 0, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  auto gap = [&](int spacing) {
    ClearBack();
    SetFontSpaceToHandle(spacing, font);
    DrawStringWithFont(100, 100, "||", static_cast<std::uint32_t>(white_), font, 0, 0);
    const std::vector<int> cols = LitColumns(100, 130);
    return cols.empty() ? -1 : cols.back() - cols.front();
  };
  const int plain = gap(0);
  ASSERT_GT(plain, 0);
  EXPECT_EQ(gap(2), plain + 2);
  const int advance = GlyphCacheDrawString(0, 0, 0, 0, 1, 1, "  ", 0, nullptr, nullptr, 1, font, 0, -1, 0, nullptr);
  SetFontSpaceToHandle(0, font);
  EXPECT_EQ(advance, 2 * (GlyphCacheDrawString(0, 0, 0, 0, 1, 1, " ", 0, nullptr, nullptr, 1, font, 0, -1, 0,
                                                   nullptr) + 2));
}

TEST_F(FontsSoftware, MeasuringRasterisesButDrawsNothing) {
  const int font = CreateFontToHandle(nullptr, 16, 4, 0, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  MEMIMG image{};
  ASSERT_EQ(MakeMemImg(&image, 64, 32, 1), 0);
  FillMemImg(&image, nullptr, 0);
  const RECT clip{0, 0, 64, 32};
  int size[2] = {0, 0};
  const int len = GlyphCacheDrawString(0, 0, 0, 0, 1, 1, "Ag", 0xFFFFFF, &image, &clip, 0, font, 0, -1, 0, size);
  EXPECT_GT(len, 0);
  EXPECT_EQ(size[0], len);
  EXPECT_EQ(size[1], GetFontData(font)->CellHeight);
  EXPECT_EQ(GetFontData(font)->Codes[code('g')].Present, 1u);
  int lit = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) lit += image.Image[y * image.Pitch + x * 4] != 0 ? 1 : 0;
  }
  EXPECT_EQ(lit, 0);
  EXPECT_EQ(GlyphCacheDrawString(1, 0, 0, 0, 1, 1, "Ag", 0xFFFFFF, &image, &clip, 0, font, 0, -1, 0, nullptr), len);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) lit += image.Image[y * image.Pitch + x * 4] != 0 ? 1 : 0;
  }
  EXPECT_GT(lit, 0);
  ReleaseMemImg(&image);
}

TEST_F(Fonts, FortyFirstFontFailsWithTheLimitLine) {
  std::vector<int> handles;
  for (int i = CountLiveFonts(); i < kMaxFonts; ++i) {
    handles.push_back(CreateFontToHandle(nullptr, 8, 1, 0, -1, -1, 0, -1, -1));
    ASSERT_NE(handles.back(), -1);
  }
  EXPECT_EQ(CreateFontToHandle(nullptr, 8, 1, 0, -1, -1, 0, -1, -1), -1);
  EXPECT_NE(Log().find("作成できるフォントハンドル数 40 の限界を超えました"), std::string::npos);
  EXPECT_EQ(DeleteFontToHandle(handles[0]), 0);
  EXPECT_EQ(DeleteFontToHandle(handles[0]), -1);  // stale handle
  EXPECT_NE(CreateFontToHandle(nullptr, 8, 1, 0, -1, -1, 0, -1, -1), -1);
}

TEST_F(Fonts, ScreenLogDrawsThirtyRowsOnA480PixelScreen) {
  ASSERT_EQ(SetupScreenLog(), 0);
  for (int i = 0; i < kScreenLogLines; ++i) std::strcpy(g_ScreenLog.lines[i], "IIII");
  g_ScreenLog.lineCount = kScreenLogLines;
  DrawScreenLog();
  for (int row = 0; row < 30; ++row) {
    int lit = 0;
    for (int y = row * 16; y < row * 16 + 16; ++y) {
      for (int x = 0; x < 40; ++x) lit += Pixel(x, y) == 0xFFFFFF ? 1 : 0;
    }
    EXPECT_GT(lit, 0) << "row " << row;
  }
  // Deleting the log's font marks it released; it is made again when next drawn.
  EXPECT_EQ(DeleteFontToHandle(g_ScreenLog.fontHandle), 0);
  EXPECT_EQ(g_ScreenLog.fontReleased, 1);
  DrawScreenLog();
  EXPECT_EQ(g_ScreenLog.fontReleased, 0);
  EXPECT_EQ(CheckFontHandleValid(g_ScreenLog.fontHandle), 1);
  g_ScreenLog.lineCount = 0;
}

TEST_F(Fonts, FormattedTextOf1023BytesIsDrawnWhole) {
  ChangeDefaultFontSize(12);
  std::string text(1023, ' ');
  text.back() = 'Z';
  ASSERT_EQ(DrawTextFormatted(0, 0, white_, "%s", text.c_str()), 0);
  EXPECT_EQ(GetFontData(GetDefaultFontHandle())->Codes[code('Z')].Present, 1u);
  // Longer texts are cut at 1023 bytes.
  std::string longer(1031, ' ');
  longer.back() = 'Q';
  ASSERT_EQ(DrawTextFormatted(0, 0, white_, "%s", longer.c_str()), 0);
  EXPECT_EQ(GetFontData(GetDefaultFontHandle())->Codes[code('Q')].Present, 0u);
}

TEST_F(Fonts, BadInputFailsCleanly) {
  const int font = CreateFontToHandle(nullptr, 16, 4, 0, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  EXPECT_EQ(DrawTextFormatted(0, 0, white_, nullptr), -1);
  EXPECT_EQ(DrawStringWithFont(0, 0, nullptr, 0xFFFFFF, font, 0, 0), 0);
  EXPECT_EQ(DrawStringWithFont(0, 0, "A", 0xFFFFFF, 12345, 0, 0), -1);
  EXPECT_NE(Log().find("フォントハンドル値が異常です"), std::string::npos);
  // A lead byte at the end is dropped.
  EXPECT_EQ(GlyphCacheDrawString(0, 0, 0, 0, 1, 1, "A\x82", 0, nullptr, nullptr, 1, font, 0, -1, 0, nullptr),
            GlyphCacheDrawString(0, 0, 0, 0, 1, 1, "A", 0, nullptr, nullptr, 1, font, 0, -1, 0, nullptr));
  EXPECT_EQ(DrawStringWithFont(0, 0, "A\x82", 0xFFFFFF, font, 0, 0), 0);
  // A pair that is no CP932 character draws as an empty box.
  EXPECT_EQ(DrawStringWithFont(0, 0, "\x85\x40", 0xFFFFFF, font, 0, 0), 0);
  EXPECT_EQ(CreateFontToHandle(nullptr, 100000, 4, 0, -1, -1, 0, -1, -1), -1);
  EXPECT_EQ(CreateFontToHandle(nullptr, 16, 4, 0, -1, -1, 0, 99, -1), -1);
  ChangeDefaultFontSize(100000);
  EXPECT_EQ(DrawTextFormatted(0, 0, white_, "x"), -1);
  ChangeDefaultFontSize(-1);
  EXPECT_EQ(DrawTextFormatted(0, 0, white_, "x"), 0);
}

// Each font type on each blend path keeps its pixels in the text box.
TEST_F(Fonts, FontTypesAndBlendPathsDrawInsideTheBox) {
  struct Case {
    int type, edge, blendMode, blendParam;
  } cases[] = {{0, 1, 0, 0}, {1, 1, 0, 0}, {2, 1, 0, 0}, {3, 2, 0, 0}, {0, 1, 1, 128}, {1, 3, 2, 255}, {3, 4, 1, 200}};
  for (const Case& c : cases) {
    ClearBack();
    const int font = CreateFontToHandle(nullptr, 16, 4, c.type, -1, c.edge, 0, -1, -1);
    ASSERT_NE(font, -1);
    SetBlendMode(c.blendMode, c.blendParam);
    ASSERT_EQ(DrawStringWithFont(50, 50, "Wg", static_cast<std::uint32_t>(white_), font, 0x0000FF, 0), 0);
    SetBlendMode(0, 0);
    int inside = 0, outside = 0;
    CountLit(50, 50, 50 + 64, 50 + 16 + 3 + 2 * c.edge, &inside, &outside);
    EXPECT_GT(inside, 10) << "type " << c.type;
    EXPECT_EQ(outside, 0) << "type " << c.type;
    DeleteFontToHandle(font);
  }
}

}  // namespace
