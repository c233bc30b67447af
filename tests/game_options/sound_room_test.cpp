// The sound room (mode 93): entry fade, the cursor's moves under each clear level, playing a track, the back entry
// and its fade to the title.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/game_options/options_fixture.h"
#include "tests/images/image_writers.h"

namespace {

using game_test::Button;
using game_test::Frame;
using game_test::GameOptions;
using game_test::kPadDown;
using game_test::kPadLeft;
using game_test::kPadRight;
using game_test::kPadUp;
using game_test::Press;
using game_test::WriteBytes;

class SoundRoom : public GameOptions {
 protected:
  void SetUp() override {
    GameOptions::SetUp();
    clear_level = 1;
    // As the title opens the room.
    game_mode = mode_sound_room;
    screen_phase = 0;
    frame_counter = 255;
    for (const char* name : {"gsx/system/sroom.png", "gsx/system/slist1.png", "gsx/system/slist2.png"}) {
      WriteBytes(name, game_test::kTinyPng);
    }
    screen_pic_a = LoadGraphicFile("gsx/system/sroom.png");
    screen_pic_b = LoadGraphicFile("gsx/system/slist1.png");
    screen_pic_c = LoadGraphicFile("gsx/system/slist2.png");
  }
  // Runs the entry fade to its end.
  static void SkipEntryFade() {
    while (screen_phase == 0) Frame(0);
  }
};

TEST_F(SoundRoom, EntryFadeTakesEightyFourFramesAndIgnoresInput) {
  for (int i = 0; i < 83; ++i) Frame(kPadDown);
  EXPECT_EQ(screen_phase, 0);
  EXPECT_EQ(frame_counter, 6);
  EXPECT_EQ(menu_counter_b, 0);
  Frame(kPadDown);
  EXPECT_EQ(screen_phase, 1);
  EXPECT_EQ(frame_counter, 0);
  EXPECT_EQ(menu_counter_b, 0) << "no input on the fade's last frame";
}

TEST_F(SoundRoom, CursorMovesFollowTheClearLevel) {
  struct Case {
    int level, column, row, pad, to_column, to_row;
  };
  const Case cases[] = {
      // Column 0 wraps vertically at every level.
      {1, 0, 0, kPadUp, 0, 14},   {1, 0, 14, kPadDown, 0, 0},  {2, 0, 5, kPadDown, 0, 6},
      // Level 1: the second column holds only the back entry, reached sideways from row 14.
      {1, 0, 14, kPadRight, 1, 14}, {1, 0, 14, kPadLeft, 1, 14}, {1, 1, 14, kPadLeft, 0, 14},
      {1, 0, 5, kPadRight, 0, 5},   {1, 1, 14, kPadUp, 1, 14},   {1, 1, 14, kPadDown, 1, 14},
      // Level 2: the second column's tracks, rows 1..12 and the back entry.
      {2, 1, 14, kPadDown, 1, 1},   {2, 1, 1, kPadUp, 1, 14},    {2, 1, 14, kPadUp, 1, 12},
      {2, 1, 12, kPadDown, 1, 14},  {2, 1, 5, kPadUp, 1, 4},     {2, 0, 5, kPadRight, 1, 5},
      {2, 1, 12, kPadLeft, 0, 12},  {2, 0, 0, kPadRight, 0, 0},  {2, 0, 13, kPadLeft, 0, 13},
      {2, 0, 14, kPadRight, 1, 14},
  };
  SkipEntryFade();
  for (const Case& c : cases) {
    clear_level = static_cast<std::uint8_t>(c.level);
    menu_counter_a = c.column;
    menu_counter_b = c.row;
    key_latch = 0;
    Frame(c.pad);
    EXPECT_EQ(menu_counter_a, c.to_column) << "level " << c.level << " at " << c.column << "," << c.row;
    EXPECT_EQ(menu_counter_b, c.to_row) << "level " << c.level << " at " << c.column << "," << c.row;
  }
}

TEST_F(SoundRoom, AHeldKeyMovesOnce) {
  SkipEntryFade();
  for (int i = 0; i < 6; ++i) Frame(kPadDown);
  EXPECT_EQ(menu_counter_b, 1);
  Press(kPadDown);
  EXPECT_EQ(menu_counter_b, 1) << "the latch needs a frame with nothing held";
  Press(kPadDown);
  Press(kPadDown);
  EXPECT_EQ(menu_counter_b, 3);
}

TEST_F(SoundRoom, MainPlaysTheTrackOfThePlace) {
  struct Case {
    int column, row;
    const char* file;
  };
  const Case cases[] = {{0, 0, "bgm/title.mp3"},    {0, 10, "bgm/fall.mp3"},       {0, 14, "bgm/ending_g.mp3"},
                        {1, 1, "bgm/select.mp3"},   {1, 5, "bgm/stage_1_2.mp3"},   {1, 12, "bgm/ending_l.mp3"}};
  clear_level = 2;
  SkipEntryFade();
  for (const Case& c : cases) {
    std::filesystem::remove_all("bgm");
    WriteBytes(c.file, game_test::TinyWav());
    menu_counter_a = c.column;
    menu_counter_b = c.row;
    Press(Button(1));
    EXPECT_NE(g_Music.current, 0) << c.file << " plays";
    // Any other place asks for another file, which is not there: the music stops.
    menu_counter_b = c.row == 5 ? 6 : 5;
    Press(Button(1));
    EXPECT_EQ(g_Music.current, 0) << "after " << c.file;
  }
}

TEST_F(SoundRoom, BackEntryStopsTheMusicThenFadesToTheTitle) {
  WriteBytes("bgm/title.mp3", game_test::TinyWav());
  SkipEntryFade();
  Press(Button(1));
  ASSERT_NE(g_Music.current, 0);
  menu_counter_b = 14;
  Press(kPadRight);
  ASSERT_EQ(menu_counter_a, 1);
  Frame(Button(1));
  EXPECT_EQ(g_Music.current, 0);
  EXPECT_EQ(leave_fade, 1);
  title_cursor = 0;
  for (int i = 0; i < 125; ++i) Frame(kPadLeft);
  EXPECT_EQ(game_mode, mode_sound_room);
  EXPECT_EQ(leave_fade, 251);
  EXPECT_EQ(menu_counter_a, 1) << "no input during the fade";
  Frame(0);
  EXPECT_EQ(game_mode, mode_title);
  EXPECT_EQ(leave_fade, 0);
  EXPECT_EQ(screen_phase, 0);
  EXPECT_EQ(title_cursor, 2);
  EXPECT_EQ(frame_counter, 0);
  EXPECT_EQ(fade_counter, 0);
  EXPECT_EQ(screen_pic_a, -1);
  EXPECT_EQ(screen_pic_b, -1);
  EXPECT_EQ(screen_pic_c, -1);
}

TEST(SoundRoomTable, PlacesMapOntoTableRows) {
  EXPECT_EQ(sound_room_table_row(0, 0), 0);
  EXPECT_EQ(sound_room_table_row(0, 14), 14);
  EXPECT_EQ(sound_room_table_row(1, 1), 15);
  EXPECT_EQ(sound_room_table_row(1, 12), 26);
  EXPECT_EQ(sound_room_table_row(1, 13), 27);
  EXPECT_EQ(sound_room_table_row(1, 14), 28);
  // The back entry's text, three empty lines; the empty row.
  EXPECT_EQ(std::string(sound_room_texts[28].title), "タイトルへ戻ります。");
  for (const char* line : sound_room_texts[28].lines) EXPECT_STREQ(line, "");
  EXPECT_STREQ(sound_room_texts[27].title, "");
  // Every track title starts with its two-digit number and two blanks.
  for (int t = 0; t < sound_room_track_count; ++t) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d  ", t + 1);
    EXPECT_EQ(std::string(sound_room_texts[t].title).substr(0, 4), number) << t;
    // A comment of one to three lines, each within the screen from x 30 (6 pixels a byte).
    EXPECT_NE(std::strlen(sound_room_texts[t].lines[0]), 0u) << t;
    for (const char* line : sound_room_texts[t].lines) EXPECT_LE(std::strlen(line), (640u - 30u) / 6u) << t;
  }
}

TEST_F(SoundRoom, ListStripsShowOnlyWhatTheClearLevelUnlocks) {
  // A list image of one opaque colour over the whole screen layout.
  testimg::PngShape picture{640, 480, PNG_COLOR_TYPE_RGB, 8, testimg::Bytes(640 * 480 * 3, 0)};
  for (std::size_t i = 0; i < picture.rows.size(); i += 3) picture.rows[i] = 255;
  WriteBytes("gsx/system/slist1.png", testimg::WritePng(picture));
  DeleteGraphic(screen_pic_a, 0);
  screen_pic_a = -1;
  DeleteGraphic(screen_pic_b, 0);
  screen_pic_b = LoadGraphicFile("gsx/system/slist1.png");
  ASSERT_NE(screen_pic_b, -1);
  SkipEntryFade();
  struct Case {
    int level;
    bool column0, back, column1;
  };
  for (const Case& c : {Case{0, false, false, false}, Case{1, true, true, false}, Case{2, true, true, true}}) {
    clear_level = static_cast<std::uint8_t>(c.level);
    menu_counter_a = menu_counter_b = 0;
    fade_counter = 0;  // no glow this frame
    ClearBack();
    Frame(0);
    EXPECT_EQ(Pixel(100, 23 * 6 + 5) != 0, c.column0) << "level " << c.level;
    EXPECT_EQ(Pixel(400, 350) != 0, c.back) << "level " << c.level;
    EXPECT_EQ(Pixel(400, 23 * 6 + 5) != 0, c.column1) << "level " << c.level;
  }
}

}  // namespace
