#include "engine/core/archive_file_layer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "engine/core/archive_writer.h"
#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/plain_file.h"
#include "engine/core/public_api.h"
#include "engine/core/string_util.h"
#include "files_test_util.h"
#include "platform/base/debug_output.h"

namespace {

using files_test::Bytes;
namespace fs = std::filesystem;

// Runs the packer tool; its output line.
std::string Pack(const std::string& arguments) {
  const std::string command = std::string(ARCHIVE_PACKER_PATH) + " " + arguments + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
  return output;
}

bool IsMember(StreamHandle handle) {
  const auto slot = static_cast<std::uint32_t>(handle) & ~kFileHandleTag;
  return slot < kMaxOpenFiles && g_ArchiveLayer.files[slot] != nullptr && g_ArchiveLayer.files[slot]->kind == 1;
}

class ArchiveLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    files_test::ResetFileLayer();
    SetArchiveExtensionBody("PAC");
    SetArchiveKeyStringBody("3842");
  }
  void TearDown() override { files_test::ResetFileLayer(); }

  // gsx/ with stored and compressible files, a subdirectory and mixed-case names, packed into GSX.PAC.
  void MakeGsx() {
    files_ = {
        {"gsx/Title.png", files_test::RandomBytes(20000, 1)},
        {"gsx/script.TXT", files_test::TextBytes(60000, 2)},
        {"gsx/sub/A.png", files_test::RandomBytes(3000, 3)},
        {"gsx/sub/Map.Dat", files_test::TextBytes(9000, 4)},
        {"gsx/sub/Deeper/mixed.Case.bin", files_test::TextBytes(70000, 5)},
        {"gsx/sub/Deeper/empty", {}},
    };
    for (const auto& [path, data] : files_) files_test::WriteFile(scratch_.path() / path, data);
    const std::string output = Pack("-k 3842 gsx GSX.PAC");
    ASSERT_NE(output.find("6 files (3 compressed)"), std::string::npos) << output;
  }

  files_test::ScratchDirectory scratch_;
  std::map<std::string, Bytes> files_;
};

// The engine path a test asks for: backslashes and another letter case than on disk.
std::string RequestPath(const std::string& path) {
  std::string out;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    out += c == '/' ? '\\' : (i % 2 == 0 ? static_cast<char>(std::toupper(c)) : static_cast<char>(std::tolower(c)));
  }
  return out;
}

TEST_F(ArchiveLayer, PackedMembersReadExactlyByWholeAndPartialReads) {
  MakeGsx();
  std::mt19937 gen(99);
  for (const auto& [path, data] : files_) {
    const std::string request = RequestPath(path);
    const StreamHandle h = FileOpen(request.c_str());
    ASSERT_NE(h, 0) << request;
    EXPECT_EQ(static_cast<std::uint32_t>(h) & 0xF0000000u, 0xF0000000u);
    EXPECT_TRUE(IsMember(h)) << request;
    EXPECT_EQ(files_test::ReadAllThroughTable(h, 1000), data) << request;
    EXPECT_EQ(FileEof(h), -1);
    EXPECT_EQ(FileTell(h), static_cast<int>(data.size()));

    for (int round = 0; round < 40 && !data.empty(); ++round) {
      const int origin = static_cast<int>(gen() % 3);
      const int target = static_cast<int>(gen() % data.size());
      const int base = origin == 0 ? 0 : origin == 1 ? FileTell(h) : static_cast<int>(data.size());
      ASSERT_EQ(FileSeek(h, target - base, origin), 0);
      EXPECT_EQ(FileEof(h), 0);
      ASSERT_EQ(FileTell(h), target);
      const int want = static_cast<int>(gen() % 5000);
      Bytes buffer(static_cast<size_t>(want));
      const int got = FileRead(buffer.data(), 1, want, h);
      const int expected = std::min(want, static_cast<int>(data.size()) - target);
      ASSERT_EQ(got, expected) << request << " at " << target;
      EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + got, data.begin() + target)) << request;
    }
    EXPECT_EQ(FileClose(h), 0);
  }
  EXPECT_EQ(g_ArchiveLayer.fileCount, 0);
  EXPECT_EQ(g_ArchiveLayer.archiveCount, 1);
}

TEST_F(ArchiveLayer, MembersCountWholeItemsLikePlainFiles) {
  MakeGsx();
  const StreamHandle h = FileOpen("gsx\\sub\\a.png");
  ASSERT_TRUE(IsMember(h));
  std::uint8_t buffer[16];
  EXPECT_EQ(FileRead(buffer, 4, 3, h), 3);
  EXPECT_EQ(FileTell(h), 12);
  FileSeek(h, -10, 2);
  EXPECT_EQ(FileRead(buffer, 4, 3, h), 2);
  EXPECT_EQ(FileRead(buffer, 4, 1, h), 0);  // 2 bytes left: no whole item
  EXPECT_EQ(FileEof(h), -1);
  EXPECT_EQ(FileTell(h), 2998);
  // The last bytes still come as bytes, as from a plain file; then the end.
  EXPECT_EQ(FileRead(buffer, 1, 4, h), 2);
  EXPECT_EQ(buffer[1], files_["gsx/sub/A.png"][2999]);
  EXPECT_EQ(FileRead(buffer, 1, 4, h), 0);
  EXPECT_EQ(FileEof(h), -1);
  FileClose(h);
}

TEST_F(ArchiveLayer, SecondFileOfTheArchiveTakesTheFastPath) {
  // data/IMG.PAC beside data/img; then DATA.PAC beside data, made from other contents.
  const Bytes a = files_test::RandomBytes(500, 1);
  const Bytes b = files_test::RandomBytes(600, 2);
  files_test::WriteFile(scratch_.path() / "data/img/a.png", a);
  files_test::WriteFile(scratch_.path() / "data/img/b.png", b);
  files_test::WriteFile(scratch_.path() / "data/img2/q.txt", {'q'});
  ASSERT_NE(Pack("-k 3842 data/img data/IMG.PAC").find("2 files"), std::string::npos);

  StreamHandle h = FileOpen("data\\img\\a.png");
  ASSERT_TRUE(IsMember(h));
  EXPECT_EQ(files_test::ReadAllThroughTable(h, 64), a);
  FileClose(h);
  // A directory whose name only begins like the remembered one is searched, not taken as the same archive.
  h = FileOpen("data\\img2\\q.txt");
  ASSERT_NE(h, 0);
  EXPECT_FALSE(IsMember(h));
  FileClose(h);

  const Bytes otherB = files_test::RandomBytes(600, 3);
  const Bytes c = files_test::RandomBytes(70, 4);
  files_test::WriteFile(scratch_.path() / "other/img/b.png", otherB);
  files_test::WriteFile(scratch_.path() / "other/c.txt", c);
  ASSERT_NE(Pack("-k 3842 other DATA.PAC").find("2 files"), std::string::npos);

  // Inside the remembered directory: no search, so the shallower DATA.PAC is not seen.
  h = FileOpen("DATA\\IMG\\B.PNG");
  ASSERT_TRUE(IsMember(h));
  EXPECT_EQ(files_test::ReadAllThroughTable(h, 64), b);
  FileClose(h);
  // Outside it: the search from the shallowest directory finds DATA.PAC.
  h = FileOpen("data\\c.txt");
  ASSERT_TRUE(IsMember(h));
  EXPECT_EQ(files_test::ReadAllThroughTable(h, 64), c);
  FileClose(h);
  h = FileOpen("data\\img\\b.png");
  ASSERT_TRUE(IsMember(h));
  EXPECT_EQ(files_test::ReadAllThroughTable(h, 64), otherB);
  FileClose(h);
}

TEST_F(ArchiveLayer, MissingMemberIsNotLookedForOnDisk) {
  MakeGsx();
  files_test::WriteFile(scratch_.path() / "gsx/extra.txt", {'x'});
  files_test::WriteFile(scratch_.path() / "loose.txt", {'l'});
  EXPECT_EQ(FileOpen("gsx\\extra.txt"), 0);
  EXPECT_EQ(FileOpen("gsx\\sub"), 0);  // a directory of the archive
  EXPECT_EQ(g_ArchiveLayer.fileCount, 0);
  for (int i = 0; i < kMaxCachedArchives; ++i) {
    if (g_ArchiveLayer.archives[i] != nullptr) {
      EXPECT_EQ(g_ArchiveLayer.archives[i]->referenceCount, 0);
    }
  }
  // Paths under no archive open the plain file by the path as given.
  StreamHandle h = FileOpen("loose.txt");
  ASSERT_NE(h, 0);
  EXPECT_FALSE(IsMember(h));
  FileClose(h);
  // Without the archive the plain file opens.
  fs::remove(scratch_.path() / "GSX.PAC");
  ReleaseUnusedArchives();
  h = FileOpen("gsx\\extra.txt");
  ASSERT_NE(h, 0);
  EXPECT_FALSE(IsMember(h));
  FileClose(h);
}

TEST_F(ArchiveLayer, PlainOnlyModeIgnoresArchives) {
  MakeGsx();
  EXPECT_EQ(SetUseArchiveFiles(0), 0);
  const StreamHandle h = FileOpen("gsx\\sub\\A.png");
  ASSERT_NE(h, 0);
  EXPECT_EQ(PlainFileSize(h), 3000) << "a plain-set handle";
  EXPECT_EQ(files_test::ReadAllThroughTable(h, 700), files_["gsx/sub/A.png"]);
  FileClose(h);
  EXPECT_EQ(SetUseArchiveFiles(1), 0);
  EXPECT_EQ(g_FileFunctions.open, &OpenArchiveAwareFile);
}

TEST_F(ArchiveLayer, SettingsChooseTheArchiveAndItsKey) {
  MakeGsx();
  struct Case {
    const char* what;
    const char* extension;
    const char* key;
    bool member;
  };
  const std::string longExtension(64, 'P');
  const Case cases[] = {
      {"PAC with the key", "PAC", "3842", true},
      {"the default extension ZUR finds no archive", "", "3842", false},
      {"an extension of 64 characters is refused", longExtension.c_str(), "3842", false},
      {"lower-case extension", "pac", "3842", true},
      {"a wrong key makes the archive unusable", "PAC", "0000", false},
      {"an empty key makes the archive unusable", "PAC", "", false},
      {"a key string cut to 12 characters", "PAC", "384238423842XXXXXXXX", true},
  };
  for (const Case& c : cases) {
    files_test::ResetFileLayer();
    SetArchiveExtensionBody(c.extension);
    SetArchiveKeyStringBody(c.key);
    const StreamHandle h = FileOpen("gsx\\sub\\a.png");
    ASSERT_NE(h, 0) << c.what;  // the plain file is there when the archive is not usable
    EXPECT_EQ(IsMember(h), c.member) << c.what;
    FileClose(h);
  }
  SetArchiveKeyString("0123456789abcdefghij");
  EXPECT_STREQ(g_ArchiveLayer.keyString, "0123456789ab");
  SetArchiveKeyString(nullptr);
  EXPECT_EQ(g_ArchiveLayer.keyStringSet, 0);
  SetArchiveExtension("DAT");
  EXPECT_STREQ(g_ArchiveLayer.extension, "DAT");
}

TEST_F(ArchiveLayer, HandleLimitAndBadHandles) {
  MakeGsx();
  std::string logged;
  platform::SetDebugOutputSink([&logged](std::string_view text) { logged += text; });
  const int savedLogOff = g_System.logOff;
  g_System.logOff = 0;
  CopyString(g_System.startupDirectory, platform::ToEnginePath(scratch_.path().string()).c_str());

  std::vector<StreamHandle> handles;
  for (int i = 0; i < kMaxOpenFiles; ++i) {
    handles.push_back(FileOpen(i % 2 == 0 ? "gsx\\title.png" : "gsx\\sub\\deeper\\mixed.case.bin"));
    ASSERT_NE(handles.back(), 0) << i;
  }
  EXPECT_EQ(FileOpen("gsx\\title.png"), 0);
  EXPECT_NE(logged.find("同時に開けるファイルの数が限界を超えました\r\n"), std::string::npos);
  FileClose(handles[100]);
  const StreamHandle again = FileOpen("gsx\\title.png");
  EXPECT_EQ(again, handles[100]);  // the freed slot
  for (StreamHandle h : handles) EXPECT_EQ(FileClose(h), 0);
  EXPECT_EQ(g_ArchiveLayer.fileCount, 0);

  platform::SetDebugOutputSink({});
  g_System.logOff = savedLogOff;
  g_System.startupDirectory[0] = '\0';

  std::uint8_t buffer[4];
  const StreamHandle closed = handles[0];
  for (StreamHandle h : {StreamHandle{0}, closed, StreamHandle{0xF0000000u | 511}, StreamHandle{0xF0000000u | 512},
                         StreamHandle{0xFFFFFFFFu}, StreamHandle{0x12345678}, StreamHandle{-1},
                         StreamHandle{0x1F0000000ll}}) {
    EXPECT_EQ(FileClose(h), -1) << h;
    EXPECT_EQ(FileTell(h), -1) << h;
    EXPECT_EQ(FileSeek(h, 0, 0), -1) << h;
    EXPECT_EQ(FileRead(buffer, 1, 4, h), -1) << h;
    EXPECT_EQ(FileEof(h), -1) << h;
    EXPECT_EQ(FileIdleCheck(h), 1) << h;
  }
  // A handle kept in a 32-bit int (sign-extended on the way back) still works.
  const int narrow = static_cast<int>(FileOpen("gsx\\title.png"));
  EXPECT_LT(narrow, 0);
  EXPECT_EQ(FileRead(buffer, 1, 4, static_cast<StreamHandle>(narrow)), 4);
  EXPECT_EQ(FileClose(static_cast<StreamHandle>(narrow)), 0);
}

TEST_F(ArchiveLayer, CacheKeepsArchivesUntilReleasedAndMakesRoomWhenFull) {
  // 513 directories, each with its archive beside it.
  std::vector<std::uint8_t> image;
  std::string error;
  ArchiveWriterEntry root;
  root.directory = true;
  ArchiveWriterEntry file;
  file.name = "f";
  file.data = {1, 2, 3};
  root.children.push_back(file);
  ASSERT_TRUE(WriteArchive(root, MakeArchiveWriteOptions("3842"), &image, &error));
  for (int i = 0; i <= kMaxCachedArchives; ++i) files_test::WriteFile(scratch_.path() / ("D" + std::to_string(i) + ".PAC"), image);

  const StreamHandle kept = FileOpen("d0\\f");
  ASSERT_TRUE(IsMember(kept));
  for (int i = 1; i < kMaxCachedArchives; ++i) {
    const StreamHandle h = FileOpen(("d" + std::to_string(i) + "\\f").c_str());
    ASSERT_TRUE(IsMember(h)) << i;
    FileClose(h);
  }
  EXPECT_EQ(g_ArchiveLayer.archiveCount, kMaxCachedArchives);
  // The 513th archive: the unused ones are released first.
  const StreamHandle h = FileOpen("d512\\f");
  ASSERT_TRUE(IsMember(h));
  EXPECT_EQ(g_ArchiveLayer.archiveCount, 2);
  std::uint8_t buffer[3];
  EXPECT_EQ(FileRead(buffer, 1, 3, kept), 3);
  EXPECT_EQ(buffer[2], 3);
  FileClose(h);
  FileClose(kept);
  ReleaseUnusedArchives();
  EXPECT_EQ(g_ArchiveLayer.archiveCount, 0);
}

TEST(MakeFullPath, UpperCasesAndResolvesAgainstTheCurrentDirectory) {
  files_test::ScratchDirectory scratch;
  char cwd[kMaxPath];
  ASSERT_EQ(MakeFullPath(nullptr, cwd), 0);
  std::string upper = platform::ToEnginePath(scratch.path().string());
  UpperCaseSjis(upper.data());
  EXPECT_EQ(std::string(cwd), upper);
  struct Case {
    const char* path;
    std::string expected;  // empty: -1
  };
  const Case cases[] = {
      {"gsx\\sub/a.png", upper + "\\GSX\\SUB\\A.PNG"},
      {".\\a\\..\\b", upper + "\\B"},
      {"dir\\", upper + "\\DIR"},
      {"\\top\\x", "C:\\TOP\\X"},
      {"d:x", "D:\\X"},
      {"d:\\..\\..\\y", "D:\\Y"},
      {"テ\\表\\b", upper + "\\テ\\表\\B"},
      {"a\\\\b", ""},
  };
  for (const Case& c : cases) {
    char out[kMaxPath];
    const int result = MakeFullPath(c.path, out);
    if (c.expected.empty()) {
      EXPECT_EQ(result, -1) << c.path;
    } else {
      ASSERT_EQ(result, 0) << c.path;
      EXPECT_EQ(std::string(out), c.expected) << c.path;
    }
  }
}

}  // namespace
