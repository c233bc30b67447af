// The game's own files on a real file system: unreadable saves and settings kept and said, failed saves said on screen
// and in the log, a file-size limit that fails a write instead of ending the game, killed writers' leftovers removed at
// start-up, and files found whatever their letter case.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "game/flow/atomic_file.h"
#include "game/flow/captions.h"
#include "game/flow/save_file.h"
#include "game/player/player_globals.h"
#include "tests/game_player/player_fixture.h"

namespace {

namespace fs = std::filesystem;
using game_test::Frame;
using game_test::kMain;
using game_test::kPadLeft;
using game_test::ReadBytes;
using game_test::WriteBytes;
using Bytes = std::vector<unsigned char>;

// Something at `name` that is there but cannot be read, even by root; `check` tells it is still there as it was.
struct Unreadable {
  const char* what;
  std::function<void(const std::string&)> make;
  std::function<bool(const std::string&)> kept;
};

std::vector<Unreadable> UnreadableFixtures() {
  std::vector<Unreadable> cases = {
      {"a link that loops on itself",
       [](const std::string& name) { fs::create_symlink(name, name); },
       [](const std::string& name) { return fs::is_symlink(name) && fs::read_symlink(name) == name; }},
      {"a folder holding a file",
       [](const std::string& name) { WriteBytes(name + "/keep", {1, 2, 3}); },
       [](const std::string& name) { return fs::is_directory(name) && ReadBytes(name + "/keep") == Bytes{1, 2, 3}; }},
  };
  if (geteuid() != 0) {  // permission bits do not stop root's reads
    cases.push_back({"a file without read permission",
                     [](const std::string& name) {
                       WriteBytes(name, Bytes(500, 7));
                       fs::permissions(name, fs::perms::none);
                     },
                     [](const std::string& name) {
                       fs::permissions(name, fs::perms::owner_read);
                       return ReadBytes(name) == Bytes(500, 7);
                     }});
  }
  return cases;
}

class GameFiles : public game_test::PlayerTest {
 protected:
  // Resets what a case leaves in the folder and on the screen.
  void Clear() {
    for (const char* name : {"sst.dat", "ssj.dat", "ssl.dat", "ssb.dat", "setting.dat"}) {
      std::error_code ignored;
      fs::permissions(name, fs::perms::owner_all, ignored);
      fs::remove_all(name, ignored);
    }
    caption_code = 0;
    screen_phase = 0;
    key_latch = 0;
  }
};

TEST_F(GameFiles, AnUnreadableSlotIsKeptAndSaid) {
  for (const Unreadable& c : UnreadableFixtures()) {
    SCOPED_TRACE(c.what);
    Clear();
    c.make("ssj.dat");
    game_mode = mode_load;
    testing::internal::CaptureStderr();
    Frame(0);
    Frame(0);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(c.kept("ssj.dat")) << "replaced by an empty record";
    EXPECT_EQ(save_headers[1][0], 0) << "shows as empty";
    EXPECT_NE(log.find("cannot read (kept as it is) "), std::string::npos) << log;
    EXPECT_NE(log.find("ssj.dat"), std::string::npos) << log;
    EXPECT_EQ(caption_code, save_unreadable_caption_code);
    EXPECT_NE(caption_text(caption_code), nullptr);
    EXPECT_EQ(ReadBytes("sst.dat"), Bytes(save_record_size, 0)) << "missing slots are still made";
  }
}

TEST_F(GameFiles, UnreadableSettingsAreKeptAndSaid) {
  for (const Unreadable& c : UnreadableFixtures()) {
    SCOPED_TRACE(c.what);
    Clear();
    c.make("setting.dat");
    bgm_volume = 7;
    testing::internal::CaptureStderr();
    read_settings();
    save_settings();  // as the start-up does once the screen mode is chosen
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(c.kept("setting.dat")) << "defaults written over it";
    EXPECT_EQ(bgm_volume, 100) << "the game runs on the defaults";
    EXPECT_NE(log.find("cannot read (kept as it is, settings not saved) "), std::string::npos) << log;
  }
}

// A file-size limit stands for a full disk: the write fails part-way through.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

TEST_F(GameFiles, FailedSavesAreSaidOnScreenAndInTheLog) {
  prepare_game_files();  // SIGXFSZ ignored, as the game does at start-up
  // A slot save: the old save stays whole and the screen says the save failed, not only the refuse sound.
  Clear();
  Bytes old(save_record_size, 0);
  old[0] = 5;
  WriteBytes("sst.dat", old);
  game_mode = mode_save;
  Frame(0);
  Frame(kMain);
  Frame(0);
  Frame(kPadLeft);
  Frame(0);
  ASSERT_EQ(menu_counter_a, 0);
  Frame(kMain);
  ASSERT_EQ(screen_phase, 3);
  testing::internal::CaptureStderr();
  {
    FileSizeLimit limit(100);
    Frame(kMain);
  }
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadBytes("sst.dat"), old);
  EXPECT_EQ(caption_code, save_failed_caption_code);
  EXPECT_NE(caption_text(save_failed_caption_code), nullptr);
  EXPECT_NE(log.find("could not save to "), std::string::npos) << log;
  EXPECT_NE(log.find("sst.dat: File too large"), std::string::npos) << log;
  Frame(0);
  EXPECT_EQ(caption_code, save_failed_caption_code) << "still shown on the slot list";

  // The automatic save of the location select: its failure is said too, and reported to the caller.
  Clear();
  WriteBytes("ssb.dat/keep", {1});  // a folder in its place: the rename cannot replace it, even for root
  game_mode = mode_location_select;
  testing::internal::CaptureStderr();
  EXPECT_EQ(write_save(), 0);
  log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(caption_code, save_failed_caption_code);
  EXPECT_NE(log.find("could not save to "), std::string::npos) << log;
  EXPECT_NE(log.find("ssb.dat"), std::string::npos) << log;
}

TEST_F(GameFiles, AFileSizeLimitFailsTheWriteInsteadOfEndingTheGame) {
  WriteBytes("sst.dat", Bytes(save_record_size, 3));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    prepare_game_files();
    rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    const Bytes record(save_record_size, 9);
    const bool written = write_file_atomically("sst.dat", record.data(), record.size());
    _exit(!written && errno == EFBIG ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not fail with EFBIG";
  EXPECT_EQ(ReadBytes("sst.dat"), Bytes(save_record_size, 3));
  for (const auto& entry : fs::directory_iterator(".")) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(GameFiles, StartUpRemovesOnlyTheLeftoversOfKilledWrites) {
  // A writer killed after mkostemp and part of its write leaves exactly this behind.
  auto leftover = [](std::string name) {
    name += ".tmpXXXXXX";
    const int fd = mkstemp(name.data());
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, "partial", 7), 7);
    close(fd);
    return name;
  };
  std::vector<std::string> removed = {leftover("sst.dat"), leftover("ssb.dat"), leftover("setting.dat"),
                                      "SSL.DAT.tmpAb12Cd"};
  WriteBytes(removed.back(), {1});
  const std::vector<std::string> kept = {"sst.dat", "notes.dat.tmpAb12Cd", "sst.dat.tmpAb1", "sst.dat.tmpAb12Cd7",
                                         "sst.dat.bak", "ssj.dat.tmp", "Log.txt.tmpAb12Cd"};
  for (const std::string& name : kept) WriteBytes(name, {2});
  WriteBytes("ssj.dat.tmpFolder/keep", {3});  // not a regular file: left alone
  EXPECT_EQ(prepare_game_files(), 4);
  for (const std::string& name : removed) EXPECT_FALSE(fs::exists(name)) << name;
  for (const std::string& name : kept) EXPECT_EQ(ReadBytes(name), Bytes{2}) << name;
  EXPECT_EQ(ReadBytes("ssj.dat.tmpFolder/keep"), Bytes{3});
}

TEST_F(GameFiles, SavesAndSettingsAreFoundWhateverTheirLetterCase) {
  Bytes saved(save_record_size, 0);
  saved[0] = 6;
  WriteBytes("SST.DAT", saved);
  game_mode = mode_load;
  Frame(0);
  EXPECT_EQ(save_headers[0][0], 6);
  EXPECT_FALSE(fs::exists("sst.dat") && !fs::equivalent("sst.dat", "SST.DAT")) << "a second, empty sst.dat";

  // Saving into the slot replaces SST.DAT itself.
  game_mode = mode_save;
  screen_phase = 0;
  hero = 0;
  accessory = accessory_none;
  skill_sel_0 = skill_none;
  Frame(0);
  Frame(kMain);
  Frame(0);
  Frame(kPadLeft);
  Frame(0);
  Frame(kMain);
  Frame(kMain);
  ASSERT_EQ(ReadBytes("SST.DAT").size(), 500u);
  EXPECT_EQ(ReadBytes("SST.DAT")[0], 5);
  EXPECT_FALSE(fs::exists("sst.dat") && !fs::equivalent("sst.dat", "SST.DAT"));

  std::vector<unsigned char> settings(settings_record_size, 0);
  for (int b = 1; b <= 8; ++b) settings[b] = static_cast<unsigned char>(9 - b);
  settings[13] = 40;
  settings[15] = 1;
  WriteBytes("Setting.Dat", settings);
  read_settings();
  EXPECT_EQ(bgm_volume, 40);
  EXPECT_EQ(button_map[1], 8);
}

}  // namespace
