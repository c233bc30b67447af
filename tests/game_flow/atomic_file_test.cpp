// Whole-file replacement under attack: writers killed at random points, two writers at once, a full disk; and the
// settings file, which is written only when its record changes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "game/flow/atomic_file.h"
#include "tests/game_flow/game_fixture.h"

namespace {

using Bytes = std::vector<unsigned char>;
using game_test::GameFlow;

// Version v of a file: its size depends on v, its first four bytes hold v and every other byte follows from v, so a
// file cut short, mixed from two versions or half-written is told apart from every whole version.
Bytes Version(std::uint32_t v) {
  Bytes b(600 + (v % 7) * 900);
  for (int i = 0; i < 4; ++i) b[static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
  for (std::size_t i = 4; i < b.size(); ++i) b[i] = static_cast<unsigned char>(v * 31 + i * 7);
  return b;
}

// The version a file holds whole, or -1.
long long WholeVersion(const Bytes& file) {
  if (file.size() < 4) return -1;
  const std::uint32_t v = file[0] | file[1] << 8 | file[2] << 16 | static_cast<std::uint32_t>(file[3]) << 24;
  return Version(v) == file ? static_cast<long long>(v) : -1;
}

int TempFilesLeft(const std::string& directory) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    if (entry.path().filename().string().find(".tmp") != std::string::npos) ++n;
  return n;
}

void RemoveTempFiles(const std::string& directory) {
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    if (entry.path().filename().string().find(".tmp") != std::string::npos) std::filesystem::remove(entry.path());
}

// Writes versions first, first + 1, ... to the file until killed or `count` are written; runs in a child. When
// `first_written` is an open descriptor, a byte goes to it once the first version is in place.
[[noreturn]] void WriteVersions(const std::string& path, std::uint32_t first, int count, int first_written = -1) {
  for (int i = 0; i < count || count < 0; ++i) {
    const Bytes b = Version(first + static_cast<std::uint32_t>(i));
    if (!write_file_atomically(path.c_str(), b.data(), b.size())) std::_Exit(2);
    if (i == 0 && first_written >= 0 && write(first_written, "w", 1) != 1) std::_Exit(3);
  }
  std::_Exit(0);
}

class AtomicFile : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = engine_test::MakeTempDirectory("atomic-file");
    ASSERT_FALSE(directory_.empty());
    path_ = directory_ + "/record.dat";
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::string directory_;
  std::string path_;
};

TEST_F(AtomicFile, AWriterKilledAtRandomPointsLeavesTheOldOrTheNewFileWhole) {
  const Bytes first = Version(7);
  ASSERT_TRUE(write_file_atomically(path_.c_str(), first.data(), first.size()));
  std::mt19937 random(12345);
  for (int round = 1; round <= 150; ++round) {
    // The kill lands at a random point after the writer's first version, so that a slow disk or a loaded machine
    // (each write syncs) cannot turn every round into a kill before the first write.
    int written[2];
    ASSERT_EQ(pipe(written), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(written[0]);
      WriteVersions(path_, static_cast<std::uint32_t>(round) * 100000u, -1, written[1]);
    }
    close(written[1]);
    char byte = 0;
    ASSERT_EQ(read(written[0], &byte, 1), 1) << "round " << round << ": the writer failed before its first version";
    close(written[0]);
    usleep(static_cast<useconds_t>(random() % 4000));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const long long found = WholeVersion(game_test::ReadBytes(path_));
    ASSERT_NE(found, -1) << "round " << round << ": the file is not one whole version";
    ASSERT_EQ(found / 100000, round) << "round " << round << ": a version written before the kill was lost";
    RemoveTempFiles(directory_);  // a killed writer may leave its temporary file, never the target damaged
  }
}

TEST_F(AtomicFile, TwoWritersInOneDirectoryNeverDamageTheFile) {
  const Bytes first = Version(1);
  ASSERT_TRUE(write_file_atomically(path_.c_str(), first.data(), first.size()));
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    writers[w] = fork();
    ASSERT_GE(writers[w], 0);
    if (writers[w] == 0) WriteVersions(path_, (w + 1) * 1000u, 200);
  }
  int reads = 0;
  for (;;) {
    ASSERT_NE(WholeVersion(game_test::ReadBytes(path_)), -1) << "after " << reads << " reads";
    ++reads;
    int status = 0;
    if (waitpid(writers[0], &status, WNOHANG) == writers[0]) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
      ASSERT_EQ(waitpid(writers[1], &status, 0), writers[1]);
      EXPECT_EQ(WEXITSTATUS(status), 0);
      break;
    }
  }
  const long long found = WholeVersion(game_test::ReadBytes(path_));
  EXPECT_TRUE(found == 1199 || found == 2199) << found;
  EXPECT_EQ(TempFilesLeft(directory_), 0);
}

TEST_F(AtomicFile, AFullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
  const Bytes old = Version(3);
  ASSERT_TRUE(write_file_atomically(path_.c_str(), old.data(), old.size()));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Files may not grow beyond 1000 bytes: the write of a bigger version fails as on a full disk.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    const Bytes big = Version(5);
    std::_Exit(write_file_atomically(path_.c_str(), big.data(), big.size()) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write is reported";
  EXPECT_EQ(game_test::ReadBytes(path_), old);
  EXPECT_EQ(TempFilesLeft(directory_), 0);
}

TEST_F(AtomicFile, KeepsTheModeOfTheFileItReplaces) {
  const Bytes b = Version(2);
  ASSERT_TRUE(write_file_atomically(path_.c_str(), b.data(), b.size()));
  struct stat s {};
  ASSERT_EQ(stat(path_.c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 0777, 0644u);
  ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
  ASSERT_TRUE(write_file_atomically(path_.c_str(), b.data(), b.size()));
  ASSERT_EQ(stat(path_.c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 0777, 0640u);
  EXPECT_FALSE(write_file_atomically((directory_ + "/missing/record.dat").c_str(), b.data(), b.size()));
}

ino_t Inode(const char* path) {
  struct stat s {};
  return stat(path, &s) == 0 ? s.st_ino : 0;
}

TEST_F(GameFlow, SettingsAreWrittenOnlyWhenTheyChange) {
  clear_level = 1;
  save_settings();
  const ino_t first = Inode("setting.dat");
  const Bytes written = game_test::ReadBytes("setting.dat");
  ASSERT_EQ(written.size(), 100u);
  // Start-up reads the file and writes it back from the globals: nothing changed, so the file stays untouched, and
  // the record in memory keeps the file's marker.
  read_settings();
  save_settings();
  EXPECT_EQ(Inode("setting.dat"), first);
  EXPECT_EQ(game_test::ReadBytes("setting.dat"), written);
  EXPECT_EQ(Bytes(settings_record, settings_record + 100), written);

  bgm_volume = 40;
  save_settings();
  EXPECT_NE(Inode("setting.dat"), first);
  EXPECT_EQ(game_test::ReadBytes("setting.dat")[13], 40);
  EXPECT_EQ(clear_level_from_marker(game_test::ReadBytes("setting.dat").data() + 9), 1);
}

}  // namespace
