// The save/load screen (modes 15 and 16) and the corrupt-save screen, driven frame by frame.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/game_player/player_fixture.h"

namespace {

using game_test::Frame;
using game_test::kMain;
using game_test::kPadDown;
using game_test::kPadLeft;
using game_test::kPadRight;
using game_test::kPadUp;
using game_test::PlayerTest;
using game_test::ReadBytes;
using game_test::WriteBytes;
using Bytes = std::vector<unsigned char>;

constexpr int kDate[5] = {2025, 1, 2, 3, 4};

// A saved hero 1 game with 4321 money, as the record bytes of a slot file.
Bytes SavedGame() {
  player_globals = PlayerGlobals{};
  hero = 1;
  money = 4321;
  learned[1][0] = learned[1][1] = 1;
  accessory = accessory_none;
  skill_sel_1 = skill_none;
  continues = 2;
  event_flags[7] = 1;
  build_save_record(kDate);
  Bytes r(save_record, save_record + save_record_size);
  player_globals = PlayerGlobals{};
  return r;
}

TEST_F(PlayerTest, OpeningCreatesMissingSlotFilesEmpty) {
  const Bytes saved = SavedGame();
  WriteBytes("ssj.dat", saved);
  // The buffer holds another game: a missing slot must still be created empty, not as a copy of it.
  std::copy(saved.begin(), saved.end(), save_record);
  game_mode = mode_load;
  Frame(0);
  EXPECT_EQ(screen_phase, 1);
  EXPECT_EQ(screen_cursor[1], 0);
  EXPECT_EQ(menu_counter_a, 1);
  EXPECT_EQ(ReadBytes("sst.dat"), Bytes(save_record_size, 0));
  EXPECT_EQ(ReadBytes("ssl.dat"), Bytes(save_record_size, 0));
  EXPECT_EQ(ReadBytes("ssj.dat"), saved);
  EXPECT_EQ(save_headers[0][0], 0);
  EXPECT_EQ(save_headers[1][0], 6);
  EXPECT_EQ(save_headers[1][21], 2025 >> 8);
  EXPECT_EQ(Bytes(save_headers[1], save_headers[1] + 50), Bytes(saved.begin(), saved.begin() + 50));
}

TEST_F(PlayerTest, LoadRefusesAnEmptySlotAndLoadsASavedOne) {
  WriteBytes("ssj.dat", SavedGame());
  game_mode = mode_load;
  Frame(0);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 1) << "slot 0 is empty";
  EXPECT_EQ(game_mode, mode_load);
  Frame(0);
  Frame(kPadDown);
  EXPECT_EQ(screen_cursor[1], 1);
  Frame(0);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 4);
  Frame(kMain);
  EXPECT_EQ(game_mode, mode_location_select);
  EXPECT_EQ(hero, 1);
  EXPECT_EQ(money, 4321);
  EXPECT_EQ(continues, 2);
  EXPECT_EQ(event_flags[7], 1);
  EXPECT_EQ(stage, 1);
  EXPECT_EQ(area, 1);
  EXPECT_EQ(max_hp, 150);
  EXPECT_EQ(screen_phase, 0);
}

TEST_F(PlayerTest, LoadingADamagedSlotShowsTheCorruptSaveScreen) {
  Bytes bad = SavedGame();
  bad[83] = 10;
  WriteBytes("sst.dat", bad);
  game_mode = mode_load;
  Frame(0);
  Frame(kMain);
  Frame(0);
  EXPECT_EQ(game_mode, mode_corrupt_save);
  for (int pad : {kMain, kPadUp, 0, kPadDown}) {
    Frame(pad);
    EXPECT_EQ(game_mode, mode_corrupt_save) << "only Escape leads out";
  }
}

TEST_F(PlayerTest, SaveAsksFirstAndWritesTheChosenSlot) {
  game_mode = mode_save;
  Frame(0);
  hero = 0;
  money = 999;
  accessory = accessory_none;
  skill_sel_0 = skill_none;
  Frame(kPadDown);
  Frame(0);
  Frame(kPadDown);
  Frame(0);
  ASSERT_EQ(screen_cursor[1], 2);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 2);
  EXPECT_EQ(menu_counter_a, 1) << "the answer starts at no";
  Frame(kMain);
  EXPECT_EQ(screen_phase, 2) << "a held MAIN does not answer";
  Frame(0);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 1) << "no goes back to the list";
  EXPECT_EQ(ReadBytes("ssl.dat"), Bytes(save_record_size, 0));
  Frame(0);
  Frame(kMain);
  Frame(0);
  Frame(kPadLeft);
  EXPECT_EQ(menu_counter_a, 0);
  Frame(0);
  Frame(kPadRight);
  EXPECT_EQ(menu_counter_a, 1);
  Frame(0);
  Frame(kPadLeft);
  Frame(0);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 3);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 0);
  const Bytes file = ReadBytes("ssl.dat");
  ASSERT_EQ(file.size(), 500u);
  EXPECT_EQ(file[0], 5);
  EXPECT_EQ((file[27] << 16) | (file[28] << 8) | file[29], 999);
  Frame(0);
  EXPECT_EQ(screen_phase, 1);
  EXPECT_EQ(screen_cursor[1], 0) << "the cursor goes back to slot 0";
  EXPECT_EQ(save_headers[2][0], 5) << "the headers are read again";
}

TEST_F(PlayerTest, CursorWrapsAndTheBackEntryFadesOut) {
  struct Case {
    int mode;
    int leaves_to;
  };
  for (const Case& c : {Case{mode_save, mode_location_select}, Case{mode_load, mode_title}}) {
    game_mode = c.mode;
    screen_phase = 0;
    key_latch = 0;
    screen_cursor[0] = 4;
    Frame(0);
    Frame(kPadUp);
    ASSERT_EQ(screen_cursor[1], 3) << "up on slot 0 wraps to the back entry";
    Frame(kPadUp);
    EXPECT_EQ(screen_cursor[1], 3) << "a held key acts once";
    Frame(0);
    Frame(kPadDown);
    EXPECT_EQ(screen_cursor[1], 0) << "down on the back entry wraps to slot 0";
    Frame(0);
    Frame(kPadUp);
    Frame(0);
    Frame(kMain);
    ASSERT_EQ(screen_phase, 10);
    int frames = 0;
    while (game_mode == c.mode && frames < 200) {
      Frame(0);
      ++frames;
    }
    EXPECT_EQ(frames, 84) << "three alpha steps a frame until past 251";
    EXPECT_EQ(game_mode, c.leaves_to);
    EXPECT_EQ(screen_cursor[0], 0);
    EXPECT_EQ(screen_cursor[1], 0);
    EXPECT_EQ(screen_phase, 0);
    EXPECT_EQ(frame_counter, 0);
  }
}

TEST_F(PlayerTest, TruncatedSlotShowsEmpty) {
  Bytes saved = SavedGame();
  saved.resize(20);
  WriteBytes("sst.dat", saved);
  game_mode = mode_load;
  Frame(0);
  EXPECT_EQ(save_headers[0][0], 0);
  Frame(kMain);
  EXPECT_EQ(screen_phase, 1) << "refused like an empty slot";
}

}  // namespace
