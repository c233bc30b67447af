// Captions: how long each code shows, the chain into the skill captions, retiring, and the banner drawn.
#include <gtest/gtest.h>

#include <string>

#include "tests/game_options/options_fixture.h"

namespace {

using game_test::GameOptions;

TEST(CaptionDuration, ByCode) {
  const int cases[][2] = {{1, 1000},    {27, 1000},   {1000, 1000}, {2005, 1000}, {2999, 1000}, {3000, 3500},
                          {3002, 3500}, {4000, 3500}, {9000, 3500}, {9015, 3500}, {9999, 1000}};
  for (const auto& c : cases) EXPECT_EQ(caption_duration(c[0]), c[1]) << c[0];
}

TEST(CaptionText, FixedRowsHaveTextsAndTheSpCaptionIsExact) {
  for (int code : {1000, 1004, 2000, 2005, 3000, 3002, 4000, 4008, 9000, 9001, 9002, 9006, 9010, 9015, 9999}) {
    ASSERT_NE(caption_text(code), nullptr) << code;
    EXPECT_GT(std::string(caption_text(code)).size(), 4u) << code;
  }
  EXPECT_EQ(std::string(caption_text(9999)), "  SPが足りない。  ");
  EXPECT_EQ(std::string(caption_text(9000)), "神器を手に入れたことにより、新たな力が備わった！");
  // The skill captions are padded to one width.
  const std::size_t width = std::string(caption_text(9002)).size();
  for (int code : {9003, 9004, 9005, 9006, 9010, 9011, 9012, 9013, 9014, 9015}) {
    EXPECT_EQ(std::string(caption_text(code)).size(), width) << code;
  }
}

class Captions : public GameOptions {
 protected:
  void Raise(int code, int now) {
    caption_code = code;
    caption_start = now;
    frame_start_ms = now;
  }
  // Draws the caption once at time `now`.
  static void At(int now) {
    frame_start_ms = now;
    draw_caption();
  }
};

TEST_F(Captions, ShowsUntilItsTimeIsUpThenClears) {
  struct Case {
    int code, duration;
  };
  for (const Case& c : {Case{9999, 1000}, Case{3000, 3500}, Case{1002, 1000}, Case{4003, 3500}}) {
    Raise(c.code, 5000);
    At(5000 + c.duration - 1);
    EXPECT_EQ(caption_code, c.code);
    At(5000 + c.duration);
    EXPECT_EQ(caption_code, 0) << c.code;
  }
}

TEST_F(Captions, StartTimesFarFromNowNeitherOverflowNorStick) {
  Raise(3000, -2000000000);
  At(2000000000);
  EXPECT_EQ(caption_code, 0) << "long past";
  Raise(3000, 2000000000);
  At(-2000000000);
  EXPECT_EQ(caption_code, 3000) << "a start in the future still shows";
}

TEST_F(Captions, SacredTreasureChainsIntoTheStagesSkillCaption) {
  struct Case {
    int hero, stage, first, next;
  };
  const Case cases[] = {{0, 1, 9000, 9002}, {0, 5, 9001, 9006}, {1, 1, 9000, 9012}, {1, 2, 9001, 9013},
                        {1, 3, 9000, 9015}, {1, 4, 9000, 9010}, {1, 5, 9000, 9014}, {1, 6, 9001, 9011}};
  for (const Case& c : cases) {
    hero = c.hero;
    stage = c.stage;
    Raise(c.first, 1000);
    At(4499);
    EXPECT_EQ(caption_code, c.first);
    At(4500);
    EXPECT_EQ(caption_code, c.next) << "hero " << c.hero << " stage " << c.stage;
    EXPECT_EQ(caption_start, 4500) << "the chained caption starts when the first expired";
    At(7999);
    EXPECT_EQ(caption_code, c.next);
    At(8000);
    EXPECT_EQ(caption_code, 0) << "the two together last 7000 ms";
  }
}

TEST_F(Captions, ChainsOutsideTheTreasureStagesEnd) {
  struct Case {
    int hero, stage;
  };
  for (const Case& c : {Case{0, 6}, Case{0, 9}, Case{0, 0}, Case{1, 7}, Case{1, 0}}) {
    hero = c.hero;
    stage = c.stage;
    Raise(9000, 0);
    At(3500);
    EXPECT_EQ(caption_code, 0) << "hero " << c.hero << " stage " << c.stage;
  }
}

TEST_F(Captions, ACodeWithoutAnyTextIsRetiredAtOnceWithoutDrawing) {
  for (int code : {10, -3, 1005, 8000, 9007, 123456}) {
    ASSERT_EQ(caption_text(code), nullptr) << code;
    ClearBack();
    Raise(code, 0);
    At(10);
    EXPECT_EQ(caption_code, 0) << code;
    EXPECT_EQ(Pixel(300, 60), 0u) << code;
  }
}

TEST_F(Captions, BannerBoxFollowsTheCodesClass) {
  struct Case {
    int code;
    bool narrow_in, medium_in, wide_in;
  };
  // Probes just inside the left edge of each box class, on its top row.
  const Case cases[] = {{9999, true, false, false}, {3001, true, false, false}, {1000, true, false, false},
                        {4002, true, true, true},   {9000, true, true, true},   {9001, true, true, true},
                        {9004, true, true, false},  {9013, true, true, false}};
  for (const Case& c : cases) {
    ClearBack();
    Raise(c.code, 0);
    At(0);
    EXPECT_EQ(Pixel(231, 51) != 0, c.narrow_in) << c.code;
    EXPECT_EQ(Pixel(181, 51) != 0, c.medium_in) << c.code;
    EXPECT_EQ(Pixel(151, 51) != 0, c.wide_in) << c.code;
    EXPECT_EQ(Pixel(149, 51), 0u) << c.code;
    EXPECT_EQ(Pixel(300, 49), 0u) << c.code;
  }
}

TEST_F(Captions, BannerIsTranslucentWhiteWithAnInsetOutlineAndBlackText) {
  ClearBack();
  Raise(9999, 0);
  At(0);
  const std::uint32_t fill = Pixel(231, 60);
  EXPECT_NE(fill, 0u);
  EXPECT_NE(fill, 0xFFFFFFu) << "drawn under alpha blending";
  EXPECT_EQ(fill >> 16, fill & 0xFF) << "white over black stays grey";
  const std::uint32_t outline = Pixel(232, 60);
  EXPECT_GT(outline & 0xFF, outline >> 16) << "the outline is bluish";
  int dark = 0;
  for (int x = 270; x < 400; ++x) {
    for (int y = 59; y < 72; ++y) dark += Pixel(x, y) < fill ? 1 : 0;
  }
  EXPECT_GT(dark, 0) << "the text is drawn inside the box";
  // Drawing goes back to plain mode afterwards.
  DrawRectangle(0, 0, 10, 10, MakeColorValue(255, 255, 255), 1);
  EXPECT_EQ(Pixel(5, 5), 0xFFFFFFu);
  // After its time, nothing is drawn.
  ClearBack();
  At(1000);
  EXPECT_EQ(Pixel(231, 60), 0u);
}

}  // namespace
