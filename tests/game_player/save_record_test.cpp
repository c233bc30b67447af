// The 500-byte save record: its byte layout, the writer and the checking reader, damaged and short files, the
// automatic save.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "tests/game_player/player_fixture.h"

namespace {

using game_test::PlayerTest;
using game_test::ReadBytes;
using game_test::WriteBytes;
using Bytes = std::vector<unsigned char>;

constexpr int kDate[5] = {2026, 12, 3, 9, 5};

// A hero 0 game with something in every saved field.
void FillHero0Game() {
  hero = 0;
  for (int i = 0; i < 10; ++i) learned[0][i] = i % 3 == 0 ? 1 : 0;
  learned[1][0] = 1;  // the other hero's row is not saved
  for (int s = 1; s <= 10; ++s) stage_flags[s] = s % 2;
  money = 0x012345;
  for (int k = 0; k < 15; ++k) accessory_owned[k] = k % 4 == 1 ? 1 : 0;
  for (int i = 0; i < 5; ++i) item_count[i] = static_cast<std::uint16_t>(i + 2);
  accessory = 13;
  sword_owned[0] = 1;
  main_form = 1;
  weapon = 2;
  skill_sel_0 = 6;
  skill_sel_1 = 9;
  buff_flags[buff_b] = 1;
  spirit_barrier = 1;
  story_flags[3] = 1;
  hp_up[1] = hp_up[4] = 1;
  sp_up[2] = 1;
  continues = 7;
  kill_1 = 1, kill_2 = 0x0100, kill_3 = 0x010000, kill_4 = 0xABCDEF, hits_taken = 65, deaths = 3;
  event_flags[0] = event_flags[49] = 1;
  talk_count = 4;
}

Bytes Record() { return Bytes(save_record, save_record + save_record_size); }

TEST_F(PlayerTest, RecordLayoutAtItsOffsets) {
  FillHero0Game();
  build_save_record(kDate);
  const Bytes r = Record();
  EXPECT_EQ(r[0], 5);
  EXPECT_EQ(Bytes(r.begin() + 1, r.begin() + 11), (Bytes{1, 0, 0, 1, 0, 0, 1, 0, 0, 1}));
  EXPECT_EQ(Bytes(r.begin() + 11, r.begin() + 21), (Bytes{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
  EXPECT_EQ(Bytes(r.begin() + 21, r.begin() + 27), (Bytes{0x07, 0xEA, 12, 3, 9, 5}));
  EXPECT_EQ(Bytes(r.begin() + 27, r.begin() + 30), (Bytes{0x01, 0x23, 0x45}));
  EXPECT_EQ(Bytes(r.begin() + 30, r.begin() + 40), (Bytes{0, 1, 0, 0, 0, 1, 0, 0, 0, 1}));
  EXPECT_EQ(Bytes(r.begin() + 40, r.begin() + 46), (Bytes{2, 3, 4, 5, 6, 13}));
  EXPECT_EQ(Bytes(r.begin() + 46, r.begin() + 53), (Bytes{1, 0, 0, 0, 0, 1, 6}));
  EXPECT_EQ(r[53 + buff_b], 1);
  EXPECT_EQ(r[53 + buff_spirit], 1);
  EXPECT_EQ(r[63 + 3], 1);
  EXPECT_EQ(Bytes(r.begin() + 73, r.begin() + 84), (Bytes{0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 7}));
  EXPECT_EQ(Bytes(r.begin() + 84, r.begin() + 102),
            (Bytes{0, 0, 1, 0, 1, 0, 1, 0, 0, 0xAB, 0xCD, 0xEF, 0, 0, 65, 0, 0, 3}));
  EXPECT_EQ(r[102], 1);
  EXPECT_EQ(r[151], 1);
  EXPECT_EQ(r[152], 4);
  for (int i = 153; i < save_record_size; ++i) ASSERT_EQ(r[i], 0) << i;
}

TEST_F(PlayerTest, FlagsAreWrittenAsZeroOrOne) {
  hero = 0;
  stage_flags[1] = 7;
  main_form = 3;
  event_flags[5] = 200;
  hp_up[0] = 2;  // an upgrade counts only when exactly 1
  build_save_record(kDate);
  EXPECT_EQ(save_record[11], 1);
  EXPECT_EQ(save_record[51], 1);
  EXPECT_EQ(save_record[107], 1);
  EXPECT_EQ(save_record[73], 0);
}

TEST_F(PlayerTest, RecordReadBackRebuildsByteForByte) {
  for (int h : {0, 1}) {
    player_globals = PlayerGlobals{};
    FillHero0Game();
    hero = h;
    for (int i = 0; i < 10; ++i) learned[1][i] = i % 2;
    weapon = 3;
    build_save_record(kDate);
    Bytes written = Record();

    player_globals = PlayerGlobals{};
    ASSERT_EQ(take_save_record(written.data(), written.size()), 1) << "hero " << h;
    EXPECT_EQ(hero, h);
    build_save_record(kDate);
    EXPECT_EQ(Record(), written) << "hero " << h;
  }
}

TEST_F(PlayerTest, SecondHeroKeepsAccessoriesTenToFourteenInTheFile) {
  hero = 1;
  for (int k = 0; k < 15; ++k) accessory_owned[k] = 1;
  accessory_owned[3] = 0;
  accessory_owned[12] = 0;
  skill_sel_1 = 10;
  build_save_record(kDate);
  EXPECT_EQ(Bytes(save_record + 30, save_record + 40), (Bytes{1, 1, 1, 0, 1, 1, 1, 0, 1, 1}));
  EXPECT_EQ(save_record[52], 10);

  const Bytes written = Record();
  player_globals = PlayerGlobals{};
  ASSERT_EQ(take_save_record(written.data(), written.size()), 1);
  for (int k = 5; k < 10; ++k) EXPECT_EQ(accessory_owned[k], 0) << "entry " << k << " is not in a hero 1 record";
  EXPECT_EQ(accessory_owned[12], 0);
  EXPECT_EQ(accessory_owned[13], 1);
  EXPECT_EQ(skill_sel_1, 10);
}

TEST_F(PlayerTest, DamagedRecordsAreCorrupt) {
  FillHero0Game();
  build_save_record(kDate);
  const Bytes good = Record();
  struct Case {
    const char* what;
    int offset;
    int value;
  };
  const Case cases[] = {
      {"hero byte", 0, 7},          {"hero byte zero", 0, 0},     {"learned flag", 4, 2},
      {"stage flag", 12, 3},        {"accessory flag", 33, 2},    {"sword flag", 47, 2},
      {"main form", 51, 2},         {"buff flag", 55, 9},         {"story flag", 70, 2},
      {"hp upgrade", 75, 2},        {"sp upgrade", 80, 2},        {"continues 10", 83, 10},
      {"event flag", 140, 2},       {"accessory 15", 45, 15},     {"accessory 98", 45, 98},
      {"hero 0 skill 8", 52, 8},    {"hero 0 skill 255", 52, 255},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    bad[c.offset] = static_cast<unsigned char>(c.value);
    EXPECT_EQ(take_save_record(bad.data(), bad.size()), 0) << c.what;
  }

  Bytes hero1 = good;
  hero1[0] = 6;
  hero1[52] = 99;
  EXPECT_EQ(take_save_record(hero1.data(), hero1.size()), 1);
  for (int w : {4, 200}) {
    Bytes bad = hero1;
    bad[51] = static_cast<unsigned char>(w);
    EXPECT_EQ(take_save_record(bad.data(), bad.size()), 0) << "weapon " << w;
  }
  for (int s : {7, 12}) {
    Bytes bad = hero1;
    bad[52] = static_cast<unsigned char>(s);
    EXPECT_EQ(take_save_record(bad.data(), bad.size()), 0) << "hero 1 skill " << s;
  }
  for (std::size_t length : {std::size_t{0}, std::size_t{152}, std::size_t{499}}) {
    EXPECT_EQ(take_save_record(good.data(), length), 0) << "short record of " << length;
  }
  Bytes longer = good;
  longer.push_back(1);
  EXPECT_EQ(take_save_record(longer.data(), longer.size()), 1) << "bytes beyond 500 are not part of the record";
}

TEST_F(PlayerTest, CorruptRecordLeavesAnUnknownHeroAsItWas) {
  hero = 1;
  Bytes bad(save_record_size, 0);
  bad[0] = 9;
  EXPECT_EQ(take_save_record(bad.data(), bad.size()), 0);
  EXPECT_EQ(hero, 1);
}

TEST_F(PlayerTest, EveryMoneyTheWriterProducesIsReadBack) {
  for (int m : {0, 100000, 100001, 999999, 0xFFFFFF}) {
    player_globals = PlayerGlobals{};
    money = m;
    build_save_record(kDate);
    const Bytes r = Record();
    player_globals = PlayerGlobals{};
    EXPECT_EQ(take_save_record(r.data(), r.size()), 1) << m;
    EXPECT_EQ(money, m);
  }
  money = 0x1000000;
  build_save_record(kDate);
  EXPECT_EQ(Bytes(save_record + 27, save_record + 30), (Bytes{0xFF, 0xFF, 0xFF})) << "clamped, not wrapped to 0";
}

TEST_F(PlayerTest, SlotSaveWritesTheCursorsFileWithTheLocalTime) {
  FillHero0Game();
  game_mode = mode_save;
  screen_cursor[1] = 1;
  int before[6] = {};
  GetLocalDateTime(before);
  ASSERT_EQ(write_save(), 1);
  const Bytes file = ReadBytes("ssj.dat");
  ASSERT_EQ(file.size(), 500u);
  EXPECT_EQ(file, Record());
  EXPECT_EQ((file[21] << 8) | file[22], before[0]);
  EXPECT_EQ(file[23], before[1]);
  EXPECT_EQ(file[24], before[2]);
  EXPECT_FALSE(std::filesystem::exists("sst.dat"));
  EXPECT_FALSE(std::filesystem::exists("ssb.dat"));
  EXPECT_FALSE(std::filesystem::exists("ssj.dat.tmp"));

  player_globals = PlayerGlobals{};
  game_mode = mode_load;
  EXPECT_EQ(read_save(), 1);
  EXPECT_EQ(money, 0x012345);
  EXPECT_EQ(kill_4, 0xABCDEF);
}

TEST_F(PlayerTest, AutomaticSaveIsWrittenFromTheLocationSelectAndReadByTheContinue) {
  FillHero0Game();
  game_mode = mode_location_select;
  screen_cursor[1] = 2;
  ASSERT_EQ(write_save(), 1);
  EXPECT_EQ(ReadBytes("ssb.dat").size(), 500u);
  EXPECT_FALSE(std::filesystem::exists("ssl.dat"));

  player_globals = PlayerGlobals{};
  game_mode = mode_game_over;
  EXPECT_EQ(read_save(), 1);
  EXPECT_EQ(continues, 7);
  EXPECT_EQ(deaths, 3);
}

TEST_F(PlayerTest, MissingOrShortFilesReadAsCorrupt) {
  game_mode = mode_load;
  screen_cursor[1] = 0;
  money = 55;
  EXPECT_EQ(read_save(), 0);
  EXPECT_EQ(money, 55) << "a missing file loads nothing";

  FillHero0Game();
  build_save_record(kDate);
  Bytes truncated = Record();
  truncated.resize(100);
  WriteBytes("sst.dat", truncated);
  EXPECT_EQ(read_save(), 0);

  screen_cursor[1] = 3;  // the back entry has no file
  EXPECT_EQ(read_save(), 0);
  EXPECT_EQ(write_save(), 0);
}

TEST_F(PlayerTest, FailedWriteKeepsTheOldSave) {
  const Bytes old(save_record_size, 0x5A);
  WriteBytes("sst.dat", old);
  game_mode = mode_save;
  screen_cursor[1] = 0;
  FillHero0Game();
  // No file may grow beyond 100 bytes for the write, as on a full disk.
  const auto previous = signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit limit{100, saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  const int result = write_save();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes("sst.dat"), old);
  for (const auto& entry : std::filesystem::directory_iterator("."))
    EXPECT_EQ(entry.path().filename().string().find("sst.dat."), std::string::npos) << "no temporary file is left";
}

}  // namespace
