#include "engine/core/file_functions.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/archive_file_layer.h"
#include "engine/core/plain_file.h"
#include "engine/core/public_api.h"
#include "engine/core/string_util.h"
#include "files_test_util.h"

namespace {

int g_customOpens = 0;

StreamHandle CustomOpen(const char*, int, int) {
  ++g_customOpens;
  return 77;
}
int CustomGetCurrentDir(char* buffer) {
  CopyString(buffer, "C:\\FAKE\\DIR");
  return 0;
}

FileFunctionTable CustomTable() {
  FileFunctionTable t = PlainFileFunctions();
  t.open = CustomOpen;
  t.getCurrentDir = CustomGetCurrentDir;
  return t;
}

class FileFunctions : public ::testing::Test {
 protected:
  void SetUp() override { files_test::ResetFileLayer(); }
  void TearDown() override { files_test::ResetFileLayer(); }
};

TEST_F(FileFunctions, DefaultSetFollowsTheArchiveSetting) {
  EXPECT_EQ(g_FileFunctions.open, &OpenArchiveAwareFile);
  EXPECT_EQ(IsDefaultFileFunctions(), 1);
  EXPECT_EQ(SetUseArchiveFilesBody(0), 0);
  EXPECT_EQ(g_System.archiveOff, 1);
  EXPECT_EQ(g_FileFunctions.open, &OpenPlainFile);
  EXPECT_EQ(IsDefaultFileFunctions(), 1);
  // The same value again changes nothing.
  const FileFunctionTable before = g_FileFunctions;
  SetUseArchiveFilesBody(0);
  EXPECT_EQ(std::memcmp(&before, &g_FileFunctions, sizeof before), 0);
  SetUseArchiveFilesBody(5);
  EXPECT_EQ(g_System.archiveOff, 0);
  EXPECT_EQ(g_FileFunctions.read, &ArchiveAwareRead);
}

TEST_F(FileFunctions, CallersOwnTableSurvivesTheArchiveSwitch) {
  const FileFunctionTable custom = CustomTable();
  EXPECT_EQ(InstallFileFunctions(&custom), 0);
  EXPECT_EQ(IsDefaultFileFunctions(), 0);
  SetUseArchiveFilesBody(0);
  SetUseArchiveFilesBody(1);
  EXPECT_EQ(g_FileFunctions.open, &CustomOpen);
  g_customOpens = 0;
  EXPECT_EQ(FileOpen("anything"), 77);
  EXPECT_EQ(g_customOpens, 1);
  // The idle-check slot does not count for the default test.
  FileFunctionTable almost = ArchiveAwareFileFunctions();
  almost.idleCheck = PlainFileIdleCheck;
  InstallFileFunctions(&almost);
  EXPECT_EQ(IsDefaultFileFunctions(), 1);
  InstallFileFunctions(nullptr);
  EXPECT_EQ(g_FileFunctions.idleCheck, &ArchiveAwareIdleCheck);
}

TEST_F(FileFunctions, FileStreamAndPathResolutionFollowTheInstalledTable) {
  files_test::ScratchDirectory scratch;
  files_test::WriteFile(scratch.path() / "f.bin", {1, 2, 3, 4, 5});
  const StreamFunctions* file = GetFileStreamFunctions();
  for (int archiveOff : {0, 1}) {
    SetUseArchiveFilesBody(archiveOff == 0 ? 1 : 0);
    StreamSource source{*file, FileOpen("F.BIN")};
    ASSERT_NE(source.handle, 0);
    std::uint8_t buffer[8];
    EXPECT_EQ(source.functions.seek(source.handle, 1, 0), 0);
    EXPECT_EQ(source.functions.read(buffer, 2, 2, source.handle), 2);
    EXPECT_EQ(buffer[3], 5);
    EXPECT_EQ(source.functions.tell(source.handle), 5);
    EXPECT_EQ(source.functions.eof(source.handle), 0);
    EXPECT_EQ(source.functions.read(buffer, 1, 1, source.handle), 0);
    EXPECT_EQ(source.functions.eof(source.handle), -1);
    EXPECT_EQ(source.functions.idleCheck(source.handle), 1);
    EXPECT_EQ(source.functions.close(source.handle), 0);
  }

  char out[kMaxPath];
  ASSERT_EQ(ResolveFullPath("x\\y", out, nullptr), 0);
  EXPECT_EQ(platform::ToNativePath(out), (scratch.path() / "x/y").string());
  const FileFunctionTable custom = CustomTable();
  InstallFileFunctions(&custom);
  ASSERT_EQ(ResolveFullPath("x\\y", out, nullptr), 0);
  EXPECT_STREQ(out, "C:\\FAKE\\DIR\\x\\y");
}

TEST_F(FileFunctions, CurrentDirectorySlotsOfTheArchiveAwareSet) {
  files_test::ScratchDirectory scratch;
  std::filesystem::create_directory(scratch.path() / "Saves");
  char buffer[kMaxPath];
  EXPECT_EQ(FileGetCurrentDir(buffer), 0);
  EXPECT_EQ(platform::ToNativePath(buffer), scratch.path().string());
  EXPECT_EQ(FileSetCurrentDir("SAVES"), 0);
  EXPECT_EQ(std::filesystem::current_path(), scratch.path() / "Saves");
  EXPECT_EQ(FileSetCurrentDir("MISSING"), 0);
  EXPECT_EQ(FileSetCurrentDir(buffer), 0);
  EXPECT_EQ(std::filesystem::current_path(), scratch.path());
}

}  // namespace
