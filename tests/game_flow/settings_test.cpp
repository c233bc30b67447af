// The settings file: reading and checking at start-up, repair and notice, the writer, the action mapping and the
// button assignment's swap.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/game_flow/game_fixture.h"

namespace {

using game_test::GameFlow;
using game_test::ReadBytes;
using game_test::WriteBytes;
using Bytes = std::vector<unsigned char>;

constexpr int kKeyA = 30;

Bytes ValidRecord() {
  Bytes r(100, 0);
  for (int b = 1; b <= 8; ++b) r[b] = static_cast<unsigned char>(b);
  r[13] = 80;
  r[14] = 60;
  r[15] = 1;
  return r;
}

int MarkerSum(const Bytes& r) { return r[9] + r[10] + r[11] + r[12]; }

TEST_F(GameFlow, MissingSettingsFileGivesDefaultsAndIsCreated) {
  read_settings();
  EXPECT_EQ(bgm_volume, 100);
  EXPECT_EQ(se_volume, 100);
  EXPECT_EQ(window_flag, 1);
  EXPECT_EQ(texture_graphics_flag, 1);
  EXPECT_EQ(clear_level, 0);
  Bytes expected(100, 0);
  for (int b = 1; b <= 8; ++b) expected[b] = static_cast<unsigned char>(b);
  expected[13] = expected[14] = 100;
  expected[15] = 1;
  EXPECT_EQ(ReadBytes("setting.dat"), expected);
}

TEST_F(GameFlow, ValidFileRoundTripsByteForByte) {
  Bytes record = ValidRecord();
  // Bytes the game never sets are written back unchanged; a full-screen, plain-graphics record.
  record[0] = 0xA5;
  for (int i = 17; i < 100; ++i) record[i] = static_cast<unsigned char>(i * 7);
  record[15] = 0;
  record[16] = 1;
  const int order[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  for (int b = 1; b <= 8; ++b) record[b] = static_cast<unsigned char>(order[b - 1]);
  WriteBytes("setting.dat", record);
  HoldKeys({});

  read_settings();
  EXPECT_EQ(window_flag, 0);
  EXPECT_EQ(texture_graphics_flag, 0);
  EXPECT_EQ(button_map[1], 8);
  save_settings();
  EXPECT_EQ(ReadBytes("setting.dat"), record);
}

TEST_F(GameFlow, InvalidRecordsAreRepairedToDefaultsKeepingProgress) {
  struct Case {
    const char* what;
    Bytes bytes;
  };
  Bytes zeros(100, 0);
  Bytes dup = ValidRecord();
  dup[3] = 2;
  Bytes big = ValidRecord();
  big[5] = 9;
  Bytes window = ValidRecord();
  window[15] = 2;
  Bytes shortFile = ValidRecord();
  shortFile.resize(60);
  Bytes levelOne = ValidRecord();
  levelOne[2] = 1;  // two buttons on action 1
  levelOne[9] = 1, levelOne[10] = 2, levelOne[11] = 3, levelOne[12] = 14;
  const Case cases[] = {{"100 zero bytes", zeros},    {"an action twice", dup}, {"an action above 8", big},
                        {"window byte 2", window},    {"a short file", shortFile},
                        {"damaged map, level 1", levelOne}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes("setting.dat", c.bytes);
    HoldKeys({kKeyA});  // closes the notice
    read_settings();
    for (int b = 1; b <= 8; ++b) EXPECT_EQ(button_map[b], b);
    // The game goes on as after a missing file (windowed, full volumes), and the repaired file says the same.
    EXPECT_EQ(window_flag, 1);
    EXPECT_EQ(bgm_volume, 100);
    EXPECT_EQ(se_volume, 100);
    EXPECT_EQ(texture_graphics_flag, 1);
    const Bytes written = ReadBytes("setting.dat");
    ASSERT_EQ(written.size(), 100u);
    for (int b = 1; b <= 8; ++b) EXPECT_EQ(written[b], b);
    EXPECT_EQ(written[13], 100);
    EXPECT_EQ(written[14], 100);
    EXPECT_EQ(written[15], 1);
    EXPECT_EQ(MarkerSum(written), 0) << "the repaired record is written with the marker cleared";
  }
  EXPECT_EQ(clear_level, 1) << "progress survives a damaged button map";
}

TEST_F(GameFlow, VolumesAboveOneHundredReadAsOneHundredWithoutNotice) {
  Bytes record = ValidRecord();
  record[13] = 101;
  record[14] = 255;
  EXPECT_EQ(take_settings_record(record.data(), record.size()), SettingsCheck::valid);
  EXPECT_EQ(bgm_volume, 100);
  EXPECT_EQ(se_volume, 100);
}

TEST_F(GameFlow, ClearLevelMarker) {
  struct Case {
    unsigned char m[4];
    int level;
  };
  const Case cases[] = {{{1, 2, 3, 14}, 1}, {{0, 0, 0, 20}, 1}, {{8, 8, 8, 6}, 2}, {{0, 0, 0, 0}, 0},
                        {{5, 5, 5, 4}, 0},  {{255, 255, 255, 255}, 0}};
  for (const Case& c : cases) EXPECT_EQ(clear_level_from_marker(c.m), c.level);
}

TEST_F(GameFlow, SaveWritesAFreshMarkerWithTheSameSum) {
  for (int level : {1, 2}) {
    clear_level = static_cast<std::uint8_t>(level);
    for (int i = 0; i < 20; ++i) {
      save_settings();
      const Bytes written = ReadBytes("setting.dat");
      ASSERT_EQ(written.size(), 100u);
      EXPECT_EQ(MarkerSum(written), level == 1 ? 20 : 30);
      EXPECT_LE(written[9], level == 1 ? 6 : 8);
      EXPECT_LE(written[10], level == 1 ? 5 : 8);
      EXPECT_LE(written[11], level == 1 ? 5 : 8);
      EXPECT_EQ(clear_level_from_marker(written.data() + 9), level);
    }
  }
}

TEST_F(GameFlow, GraphicsOptionByteIsWrittenBackAsOne) {
  Bytes record = ValidRecord();
  record[16] = 7;
  WriteBytes("setting.dat", record);
  read_settings();
  EXPECT_EQ(texture_graphics_flag, 0);
  save_settings();
  EXPECT_EQ(ReadBytes("setting.dat")[16], 1);
}

TEST_F(GameFlow, MapButtonsThroughTheButtonMap) {
  struct Case {
    const char* what;
    int map[9];
    int pad;
    unsigned char flags[8];
  };
  const Case cases[] = {
      {"default map, button 1 and 8", {0, 1, 2, 3, 4, 5, 6, 7, 8}, 0x10 | 0x800, {1, 0, 0, 0, 0, 0, 0, 1}},
      {"reversed map, button 1 drives Q_L", {0, 8, 7, 6, 5, 4, 3, 2, 1}, 0x10, {0, 0, 0, 0, 0, 0, 0, 1}},
      {"reversed map, button 8 drives MAIN", {0, 8, 7, 6, 5, 4, 3, 2, 1}, 0x800, {1, 0, 0, 0, 0, 0, 0, 0}},
      {"directions and pad-1 flag are no buttons", {0, 1, 2, 3, 4, 5, 6, 7, 8}, 0x100F, {0, 0, 0, 0, 0, 0, 0, 0}},
      {"bits above button 8 ignored", {0, 1, 2, 3, 4, 5, 6, 7, 8}, 0x1000 | 0x2000, {0, 0, 0, 0, 0, 0, 0, 0}},
      {"two buttons on one action", {0, 2, 2, 3, 4, 5, 6, 7, 8}, 0x30, {0, 1, 0, 0, 0, 0, 0, 0}},
      {"actions outside 1..8 ignored", {0, 0, 9, 3, 4, 5, 6, 7, 8}, 0x30, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int b = 0; b <= 8; ++b) button_map[b] = c.map[b];
    for (auto& f : action_flags) f = 1;  // every frame starts from cleared flags
    map_buttons(c.pad);
    for (int a = 0; a < 8; ++a) EXPECT_EQ(action_flags[a], c.flags[a]) << "action " << a + 1;
  }
}

TEST_F(GameFlow, AssignButtonKeepsAPermutation) {
  for (int b = 0; b <= 8; ++b) button_map_edit[b] = b;
  menu_counter_b = 1;  // the row of JUMP (action 2), held by button 2
  assign_button(3);
  EXPECT_EQ(button_map_edit[3], 2);
  EXPECT_EQ(button_map_edit[2], 3) << "button 2 takes the action button 3 had";
  menu_counter_b = 0;
  assign_button(1);  // MAIN already on button 1: unchanged
  EXPECT_EQ(button_map_edit[1], 1);
  assign_button(0);  // no such button
  assign_button(9);
  int sorted[8];
  for (int b = 1; b <= 8; ++b) sorted[b - 1] = button_map_edit[b];
  std::sort(sorted, sorted + 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(sorted[i], i + 1);
  // A map without the row's action (a damaged working copy) just takes it.
  for (int b = 0; b <= 8; ++b) button_map_edit[b] = 0;
  menu_counter_b = 4;
  assign_button(6);
  EXPECT_EQ(button_map_edit[6], 5);
}

}  // namespace

namespace {

// The notice of a damaged record is presented while it waits: a window close ends the wait, and the last presented
// frame shows its two red lines at 50, 50 and 50, 80 on black.
TEST_F(GameFlow, DamagedRecordNoticeIsPresentedWhileItWaits) {
  WriteBytes("setting.dat", Bytes(100, 0));
  platform::headless::ScheduleMessage(platform::MillisecondClock() + 100, g_System.mainWindow,
                                      platform::win::kWmClose, 0, 0);
  read_settings();
  auto red = [](int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = y1; y < y2; ++y) {
      for (int x = x1; x < x2; ++x) {
        const std::uint32_t p = platform::headless::FramebufferPixel(x, y);
        n += (p >> 16) >= 0xC0 && (p & 0xFFFF) < 0x4040;
      }
    }
    return n;
  };
  EXPECT_GT(red(50, 50, 640, 75), 20) << "first line";
  EXPECT_GT(red(50, 80, 640, 105), 20) << "second line";
  EXPECT_EQ(red(0, 110, 640, 480), 0);
  EXPECT_EQ(platform::headless::FramebufferPixel(10, 10), 0u);
}

}  // namespace
