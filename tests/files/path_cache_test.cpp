// The path layer's listing cache: changes made behind its back are seen by the next lookup, with and without the
// kernel's change notification; what it already knows saves opening; it stays within its bounds.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "files_test_util.h"
#include "platform/files/file.h"
#include "platform/files/path.h"

namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path) { files_test::WriteFile(path, {1}); }

bool WatchingAvailable() {
  files_test::ScratchDirectory scratch;
  platform::ToNativePath("X");
  return platform::GetPathCacheCounts().watches > 0;
}

// Directories kept open until the end of the test program.
class HeldDirectories {
 public:
  void Hold(const fs::path& dir) { fds_.push_back(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); }
  ~HeldDirectories() {
    for (int fd : fds_) ::close(fd);
  }

 private:
  std::vector<int> fds_;
};

// Runs each test with listings kept by change notification (true) and by time stamps alone (false).
class PathCache : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    platform::SetDirectoryWatching(GetParam());
    if (GetParam() && !WatchingAvailable()) GTEST_SKIP() << "no inotify watches on this system";
  }
  void TearDown() override { platform::SetDirectoryWatching(true); }
};

struct ChangeCase {
  const char* what;
  std::function<void(const fs::path&)> setUp;
  std::vector<const char*> warm;  // resolved before the change, so their directories are listed
  std::function<void(const fs::path&)> change;
  std::vector<std::pair<const char*, const char*>> after;  // engine path -> native path below the scratch directory
};

TEST_P(PathCache, ChangesMadeBehindItsBackAreSeenByTheNextLookup) {
  const ChangeCase cases[] = {
      {"a new file", [](const fs::path& d) { Touch(d / "Data.bin"); }, {"DATA.BIN"},
       [](const fs::path& d) { Touch(d / "Later.bin"); }, {{"LATER.BIN", "Later.bin"}, {"DATA.BIN", "Data.bin"}}},
      {"a case twin: the exact name wins, else the smallest", [](const fs::path& d) { Touch(d / "data.bin"); },
       {"DATA.BIN"}, [](const fs::path& d) { Touch(d / "DATA.BIN"); },
       {{"DATA.BIN", "DATA.BIN"}, {"Data.Bin", "DATA.BIN"}, {"data.bin", "data.bin"}}},
      {"a deleted file", [](const fs::path& d) { Touch(d / "Data.bin"); }, {"DATA.BIN"},
       [](const fs::path& d) { fs::remove(d / "Data.bin"); }, {{"DATA.BIN", "DATA.BIN"}}},
      {"a renamed file", [](const fs::path& d) { Touch(d / "Old.txt"); }, {"OLD.TXT"},
       [](const fs::path& d) { fs::rename(d / "Old.txt", d / "New.txt"); },
       {{"OLD.TXT", "OLD.TXT"}, {"NEW.TXT", "New.txt"}}},
      {"a renamed directory", [](const fs::path& d) { Touch(d / "Dir/Sub/F.txt"); }, {"DIR\\SUB\\F.TXT"},
       [](const fs::path& d) { fs::rename(d / "Dir", d / "Moved"); },
       {{"MOVED\\SUB\\F.TXT", "Moved/Sub/F.txt"}, {"DIR\\SUB\\F.TXT", "DIR/SUB/F.TXT"}}},
      {"a directory replaced by another of the same name",
       [](const fs::path& d) {
         Touch(d / "Dir/Sub/F.txt");
         Touch(d / "Staging/Sub/G.txt");
       },
       {"DIR\\SUB\\F.TXT"},
       [](const fs::path& d) {
         fs::remove_all(d / "Dir");
         fs::rename(d / "Staging", d / "Dir");
       },
       {{"DIR\\SUB\\G.TXT", "Dir/Sub/G.txt"}, {"DIR\\SUB\\F.TXT", "Dir/Sub/F.TXT"}}},
      {"a directory made again in another case", [](const fs::path& d) { Touch(d / "Dir/Sub/F.txt"); },
       {"DIR\\SUB\\F.TXT"},
       [](const fs::path& d) {
         fs::remove_all(d / "Dir");
         Touch(d / "dir/sub/f.txt");
       },
       {{"DIR\\SUB\\F.TXT", "dir/sub/f.txt"}}},
      {"an empty directory held open (so its own removal is reported late) replaced by a rename",
       [](const fs::path& d) {
         fs::create_directory(d / "Dir");
         Touch(d / "Staging/G.txt");
       },
       {"DIR\\F.TXT"},
       [](const fs::path& d) {
         static HeldDirectories held;
         held.Hold(d / "Dir");
         fs::rename(d / "Staging", d / "Dir");
       },
       {{"DIR\\G.TXT", "Dir/G.txt"}}},
      {"a directory behind a symbolic link",
       [](const fs::path& d) {
         Touch(d / "Real/A.txt");
         fs::create_directory_symlink("Real", d / "Link");
       },
       {"LINK\\A.TXT"}, [](const fs::path& d) { Touch(d / "Real/B.txt"); }, {{"LINK\\B.TXT", "Link/B.txt"}}},
      {"a symbolic link pointed elsewhere",
       [](const fs::path& d) {
         Touch(d / "One/A.txt");
         Touch(d / "Two/B.txt");
         fs::create_directory_symlink("One", d / "Link");
       },
       {"LINK\\A.TXT"},
       [](const fs::path& d) {
         fs::remove(d / "Link");
         fs::create_directory_symlink("Two", d / "Link");
       },
       {{"LINK\\B.TXT", "Link/B.txt"}, {"LINK\\A.TXT", "Link/A.TXT"}}},
      {"a symbolic link whose target's parent was replaced",
       [](const fs::path& d) {
         Touch(d / "Base/Real/A.txt");
         fs::create_directory_symlink("Base/Real", d / "Link");
       },
       {"LINK\\A.TXT"},
       [](const fs::path& d) {
         fs::rename(d / "Base", d / "Old");
         Touch(d / "Base/Real/B.txt");
       },
       {{"LINK\\B.TXT", "Link/B.txt"}, {"LINK\\A.TXT", "Link/A.TXT"}}},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.what);
    files_test::ScratchDirectory scratch;
    c.setUp(scratch.path());
    for (const char* path : c.warm) platform::ToNativePath(path);
    c.change(scratch.path());
    for (const auto& [engine, native] : c.after) {
      const fs::path expected = scratch.path() / native;
      const platform::NativePath resolved = platform::ResolveNativePath(engine);
      EXPECT_EQ(resolved.path, expected.string()) << engine;
      const bool exists = fs::exists(fs::symlink_status(expected));
      if (resolved.knownMissing) {
        EXPECT_FALSE(exists) << engine;
      }
      const platform::FileHandle file = platform::OpenFileForRead(engine);
      EXPECT_EQ(file != platform::kInvalidFileHandle, exists) << engine;
      if (file != platform::kInvalidFileHandle) platform::CloseFile(file);
    }
  }
}

TEST_P(PathCache, WhatIsKnownMissingIsNotOpened) {
  files_test::ScratchDirectory scratch;
  Touch(scratch.path() / "Gsx/Image.png");
  struct Case {
    const char* engine;
    bool missing;
  };
  const Case cases[] = {{"GSX.PAC", true},       {"GSX\\NONE\\X.PNG", true}, {"NONE\\..\\GSX\\IMAGE.PNG", false},
                        {"GSX\\IMAGE.PNG", false}, {"GSX", false},             {"GSX\\..\\NONE.TXT", true}};
  for (const Case& c : cases) {
    // Only listings kept by notification can vouch for an absence.
    EXPECT_EQ(platform::ResolveNativePath(c.engine).knownMissing, c.missing && GetParam()) << c.engine;
  }
  EXPECT_EQ(platform::OpenFileForRead("GSX.PAC"), platform::kInvalidFileHandle);
  EXPECT_EQ(errno, ENOENT);
}

TEST_P(PathCache, StaysWithinItsBounds) {
  files_test::ScratchDirectory scratch;
  constexpr int kDirectories = 1100;
  for (int i = 0; i < kDirectories; ++i) Touch(scratch.path() / ("Dir" + std::to_string(i)) / "File.txt");
  for (int i = 0; i < kDirectories; ++i) {
    const std::string name = "Dir" + std::to_string(i);
    ASSERT_EQ(platform::ToNativePath("DIR" + std::to_string(i) + "\\FILE.TXT"),
              (scratch.path() / name / "File.txt").string());
    const platform::PathCacheCounts counts = platform::GetPathCacheCounts();
    ASSERT_LE(counts.listingsHeld, 1024u);
    ASSERT_LE(counts.watches, counts.listingsHeld);
  }
}

INSTANTIATE_TEST_SUITE_P(Watching, PathCache, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "Notified" : "TimeStamps"; });

// Time stamps cannot vouch for a directory changed a moment ago; a watched listing needs no such wait.
TEST(PathCacheNotified, AFreshlyChangedDirectoryIsListedOnce) {
  if (!WatchingAvailable()) GTEST_SKIP() << "no inotify watches on this system";
  files_test::ScratchDirectory scratch;
  Touch(scratch.path() / "Gsx/Sub/Image.png");
  platform::ToNativePath("GSX\\SUB\\IMAGE.PNG");
  const std::uint64_t before = platform::GetPathCacheCounts().listingsRead;
  for (int i = 0; i < 200; ++i) platform::ToNativePath("GSX\\SUB\\IMAGE.PNG");
  // The allowance covers other programs changing the directories above the scratch directory meanwhile.
  EXPECT_LT(platform::GetPathCacheCounts().listingsRead - before, 20u);
  Touch(scratch.path() / "Gsx/Sub/Other.png");
  EXPECT_EQ(platform::ToNativePath("GSX\\SUB\\OTHER.PNG"), (scratch.path() / "Gsx/Sub/Other.png").string());
}

// Events lost to a full queue: the listings they concerned must not be trusted.
TEST(PathCacheNotified, AnOverflowedQueueForgetsEveryListing) {
  std::ifstream limitFile("/proc/sys/fs/inotify/max_queued_events");
  int limit = 0;
  if (!(limitFile >> limit) || limit > 100000) GTEST_SKIP() << "queue limit unknown or too large to fill";
  if (!WatchingAvailable()) GTEST_SKIP() << "no inotify watches on this system";
  files_test::ScratchDirectory scratch;
  Touch(scratch.path() / "Busy/Seed.txt");
  Touch(scratch.path() / "Quiet/Seed.txt");
  platform::ToNativePath("BUSY\\SEED.TXT");
  platform::ToNativePath("QUIET\\SEED.TXT");
  for (int i = 0; i <= limit; ++i) Touch(scratch.path() / "Busy" / std::to_string(i));
  Touch(scratch.path() / "Quiet/Late.txt");  // its event no longer fits
  EXPECT_EQ(platform::ToNativePath("QUIET\\LATE.TXT"), (scratch.path() / "Quiet/Late.txt").string());
}

// A forked child shares the parent's notification queue unless it lets go of it; reading it there would take the
// parent's events (here those of a directory the parent lists after the fork).
TEST(PathCacheNotified, AForkedChildLeavesTheParentsEventsAlone) {
  if (!WatchingAvailable()) GTEST_SKIP() << "no inotify watches on this system";
  files_test::ScratchDirectory scratch;
  Touch(scratch.path() / "Dir/Seed.txt");
  platform::ToNativePath("X");
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char byte = 0;
    const bool woken = read(go[0], &byte, 1) == 1;
    platform::ToNativePath("DIR\\LATE.TXT");
    _exit(woken ? 0 : 1);
  }
  platform::ToNativePath("DIR\\SEED.TXT");
  Touch(scratch.path() / "Dir/Late.txt");
  ASSERT_EQ(write(go[1], "g", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(go[0]);
  close(go[1]);
  EXPECT_EQ(platform::ToNativePath("DIR\\LATE.TXT"), (scratch.path() / "Dir/Late.txt").string());
}

}  // namespace
