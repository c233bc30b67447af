// The typewriter, the page ends, the MAIN latch and the slide timings of the dialogue box, and the table layout.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "game/flow/dialogue_text.h"
#include "tests/game_story/story_fixture.h"

namespace {

using story_test::kMain;
using story_test::Story;

// The text as UTF-8, or nullopt when it is not valid CP932.
std::optional<std::string> cp932_to_utf8(const char* text, std::size_t length) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(length * 3 + 1, '\0');
  char* in = const_cast<char*>(text);
  char* to = out.data();
  std::size_t in_left = length;
  std::size_t out_left = out.size();
  const bool ok = iconv(cd, &in, &in_left, &to, &out_left) != static_cast<std::size_t>(-1) && in_left == 0;
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

TEST(DialogueText, EventsHoldTheirRowsAndPageEnds) {
  struct Case {
    int event;
    int rows;
    std::vector<std::uint32_t> pages;
  };
  const Case cases[] = {{0, 4, {4}},   {1, 0, {1}},  {2, 2, {2}},   {3, 7, {2, 4, 7}},
                        {4, 1, {1}},   {5, 1, {1}},  {6, 0, {1}},   {13, 0, {1}},
                        {14, 26, {2, 3, 4, 5, 21, 24, 25, 26}},     {15, 5, {3, 5}},
                        {16, 28, {2, 28}},           {17, 21, {9, 11, 21}},
                        {18, 14, {3, 7, 14}},        {19, 4, {4}},  {28, 11, {6, 11}}, {100, 0, {1}}};
  for (const Case& c : cases) {
    EXPECT_EQ(dialogue_row_count(c.event), c.rows) << "event " << c.event;
    for (int p = 0; p < dialogue_pages_per_event; ++p) {
      const std::uint32_t want = p < static_cast<int>(c.pages.size()) ? c.pages[p] : 0;
      EXPECT_EQ(page_end_table[c.event * 10 + p], want) << "event " << c.event << " page " << p;
    }
  }
  for (int e = 20; e < 28; ++e) EXPECT_TRUE(dialogue_row_count(e) == 1 || dialogue_row_count(e) == 2) << e;
  for (int e = 29; e < 100; ++e) {
    EXPECT_GE(dialogue_row_count(e), 4) << e;
    EXPECT_LE(dialogue_row_count(e), 24) << e;
    EXPECT_EQ(page_end_table[e * 10], static_cast<std::uint32_t>(dialogue_row_count(e))) << e;
  }
  // Every event: pages end at rising row counts, the last at the event's row count (1 for an event without rows,
  // which ends at the first confirmation), and nothing follows the last page.
  for (int e = 0; e < dialogue_event_count; ++e) {
    const std::uint32_t last = static_cast<std::uint32_t>(dialogue_row_count(e) > 0 ? dialogue_row_count(e) : 1);
    std::uint32_t previous = 0;
    int p = 0;
    for (; p < dialogue_pages_per_event && page_end_table[e * 10 + p] != 0; ++p) {
      EXPECT_GT(page_end_table[e * 10 + p], previous) << "event " << e << " page " << p;
      previous = page_end_table[e * 10 + p];
    }
    EXPECT_EQ(previous, last) << "event " << e;
    for (; p < dialogue_pages_per_event; ++p) EXPECT_EQ(page_end_table[e * 10 + p], 0u) << "event " << e;
  }
}

// The story scenes' rows fit who is on stage: once the partner has walked off in the boss event (rows 21 on) only
// the hero speaks, and no speaker calls himself by his own name (the other party's tag in these events is the
// partner's, the hero's tag his own).
TEST(DialogueText, StoryRowsSpeakOnlyForWhoIsThereAndNobodyNamesHimself) {
  for (int r = 21; r < dialogue_row_count(14); ++r) EXPECT_EQ(dialogue_row(14, r).speaker, 0) << "event 14 row " << r;
  struct Case {
    int event, first_row;
    const char* partner;
    const char* hero;
  };
  const Case cases[] = {{14, 20, "ザミ", "ガレオ"}, {15, 0, "ザミ", "ガレオ"}, {16, 0, "ザミ", "ガレオ"},
                        {17, 0, "ザミ", "ガレオ"}, {18, 0, "ザミ", "リセル"}};
  for (const Case& c : cases) {
    for (int r = 0; r < dialogue_row_count(c.event); ++r) {
      const DialogueRow& row = dialogue_row(c.event, r);
      const char* own_name = row.speaker == 0 ? c.hero : c.partner;
      if (row.speaker == 1 && r < c.first_row) continue;
      for (const char* line : {row.line1, row.line2}) {
        EXPECT_EQ(std::strstr(line, own_name), nullptr) << "event " << c.event << " row " << r;
      }
    }
  }
}

// Every line converts from CP932 as a whole within the 79 bytes the table holds, carries no '%' (the box draws it
// through "%s", and no text may act as a format anywhere) and no '?' (what the compiler puts for a character that
// CP932 lacks); every row of an event has a speaker tag and portrait codes the box knows.
TEST(DialogueText, EveryLineIsCp932WithinItsBytesWithKnownSpeakersAndPortraits) {
  for (int e = 0; e < dialogue_event_count; ++e) {
    for (int r = 0; r < dialogue_rows_per_event; ++r) {
      SCOPED_TRACE(testing::Message() << "event " << e << " row " << r);
      const DialogueRow& row = dialogue_row(e, r);
      for (const char* line : {row.line1, row.line2}) {
        const std::size_t length = strnlen(line, dialogue_line_bytes);
        ASSERT_LE(length, 79u);
        const std::optional<std::string> utf8 = cp932_to_utf8(line, length);
        ASSERT_TRUE(utf8.has_value()) << "not CP932";
        EXPECT_EQ(utf8->find_first_of("%?"), std::string::npos) << *utf8;
      }
      if (r >= dialogue_row_count(e)) {
        EXPECT_EQ(row.line1[0], 0);
        continue;
      }
      EXPECT_TRUE(row.line1[0] != 0 || row.line2[0] == 0) << "text starts on the first line";
      EXPECT_LE(row.speaker, 1);
      for (const char* code : {row.left, row.right}) {
        EXPECT_TRUE(code[0] == 0 || (code[0] >= '1' && code[0] <= '5' && code[1] == 0)) << code;
      }
    }
  }
}

TEST(DialogueText, RowsOutsideTheTablesReadEmpty) {
  for (auto [e, r] : {std::pair{-1, 0}, {101, 0}, {0, -1}, {0, 30}, {0, 4}, {1, 0}}) {
    const DialogueRow& row = dialogue_row(e, r);
    EXPECT_EQ(row.line1[0], 0);
    EXPECT_EQ(row.left[0], 0);
    EXPECT_EQ(row.speaker, 0) << "the empty row";
  }
}

TEST(Cp932Prefix, NeverCutsADoubleByteCharacter) {
  const std::string text = "あと3日だ。";  // 2 + 2 + 1 + 2 + 2 + 2 bytes
  ASSERT_EQ(text.size(), 11u);
  struct Case {
    int limit;
    int whole;
  };
  for (const Case& c : {Case{0, 0}, {1, 0}, {2, 2}, {4, 4}, {5, 5}, {6, 5}, {7, 7}, {8, 7}, {10, 9}, {11, 11},
                        {12, 11}, {80, 11}}) {
    EXPECT_EQ(cp932_whole_prefix(text.data(), static_cast<int>(text.size()), c.limit), c.whole) << c.limit;
  }
}

// One conversation frame of event `event`: the portraits, then the box.
void Talk(int event, int pad) {
  map_buttons(pad);
  draw_portraits();
  dialogue_box(event, pad);
}

TEST_F(Story, TypewriterAddsOneCharacterEveryFifthFrameAndNeverSplitsOne) {
  // Event 4: "あと3日だ。" / "急がないと。"
  const std::string line1 = "あと3日だ。";
  const std::string line2 = "急がないと。";
  const int expected1[] = {2, 4, 5, 7, 9, 11};  // bytes shown after each tick
  for (int tick = 0; tick < 6; ++tick) {
    for (int f = 0; f < 4; ++f) Talk(4, 0);
    EXPECT_EQ(std::strlen(scene_state.line1), static_cast<std::size_t>(tick == 0 ? 0 : expected1[tick - 1]))
        << "before tick " << tick + 1;
    Talk(4, 0);
    ASSERT_EQ(std::string(scene_state.line1), line1.substr(0, expected1[tick])) << "tick " << tick + 1;
  }
  EXPECT_EQ(scene_state.phase, 2) << "2 x chars >= 11 ends line 1";
  for (int tick = 1; tick <= 6; ++tick) {
    for (int f = 0; f < 5; ++f) Talk(4, 0);
    EXPECT_EQ(std::string(scene_state.line2), line2.substr(0, 2 * tick));
  }
  EXPECT_EQ(scene_state.phase, 3);
  EXPECT_EQ(scene_state.step, 0) << "a page ends only on a press";
}

TEST_F(Story, PressSkipsTypingSecondPressAdvancesAndHeldMainDoesNothingMore) {
  Talk(0, kMain);  // the first frame's press while line 1 is still empty
  EXPECT_EQ(scene_state.phase, 3);
  EXPECT_STREQ(scene_state.line1, dialogue_row(0, 0).line1);
  EXPECT_STREQ(scene_state.line2, dialogue_row(0, 0).line2);
  for (int f = 0; f < 200; ++f) Talk(0, kMain);
  EXPECT_EQ(scene_state.row, 0) << "held MAIN must be released between presses";
  Talk(0, 0);
  Talk(0, kMain);
  EXPECT_EQ(scene_state.row, 1);
  EXPECT_EQ(scene_state.phase, 1);
  EXPECT_EQ(scene_state.line1[0], 0) << "buffers cleared at every advance";
}

// Skips and confirms one row with two separate presses.
void ConfirmRow(int event) {
  Talk(event, kMain);
  Talk(event, 0);
  Talk(event, kMain);
  Talk(event, 0);
}

TEST_F(Story, PageEndsRaiseTheStepAndClearTheStepFrames) {
  scene_state.step = 7;
  scene_state.step_frames = 33;
  ConfirmRow(16);
  EXPECT_EQ(scene_state.step, 7);
  ConfirmRow(16);  // row 1 confirmed: row count 2 is page 0's end
  EXPECT_EQ(scene_state.step, 8);
  EXPECT_EQ(scene_state.step_frames, 0);
  EXPECT_EQ(scene_state.page, 1);
  for (int r = 2; r < 27; ++r) ConfirmRow(16);
  EXPECT_EQ(scene_state.step, 8);
  ConfirmRow(16);
  EXPECT_EQ(scene_state.step, 9) << "row 27 confirmed ends page 1";
}

TEST_F(Story, EventsWithoutRowsShowAnEmptyBoxThatEndsAtTheFirstConfirmation) {
  for (int e : {1, 6, 13, 100}) {
    reset_scene_state();
    scene_state.step = 0;
    ConfirmRow(e);
    EXPECT_EQ(scene_state.step, 1) << e;
    EXPECT_EQ(scene_state.line1[0], 0);
  }
}

TEST_F(Story, WindowAndPortraitsSlideInAndOutInTheirFrameCounts) {
  scene_state.window_state = scene_state.portrait_state = 0;
  int window_in = 0, portraits_in = 0;
  for (int f = 1; f <= 100 && (window_in == 0 || portraits_in == 0); ++f) {
    draw_portraits();
    if (window_in == 0 && scene_state.window_state == 1) window_in = f;
    if (portraits_in == 0 && scene_state.portrait_state == 1) portraits_in = f;
  }
  EXPECT_EQ(window_in, 25) << "24 moves of 5 to reach 380, then the state changes";
  EXPECT_EQ(scene_state.window_y, 380);
  EXPECT_EQ(portraits_in, 46);
  EXPECT_EQ(scene_state.left_x, 15);
  EXPECT_EQ(scene_state.right_x, 385);
  scene_state.window_state = scene_state.portrait_state = 2;
  for (int f = 0; f < 100; ++f) draw_portraits();
  EXPECT_EQ(scene_state.window_state, 3);
  EXPECT_EQ(scene_state.window_y, 500);
  EXPECT_EQ(scene_state.portrait_state, 3);
  EXPECT_EQ(scene_state.left_x, -300);
  EXPECT_EQ(scene_state.right_x, 700);
}

TEST_F(Story, ResetLeavesStepPageAndBuffersAlone) {
  scene_state.step = 5;
  scene_state.page = 2;
  std::strcpy(scene_state.line1, "x");
  scene_state.initialised = 0;
  reset_scene_state();
  EXPECT_EQ(scene_state.initialised, 1);
  EXPECT_EQ(scene_state.step, 5);
  EXPECT_EQ(scene_state.page, 2);
  EXPECT_STREQ(scene_state.line1, "x");
  EXPECT_EQ(scene_state.window_state, 3);
  EXPECT_EQ(scene_state.box_ready, 0);
}

}  // namespace
