#include "platform/files/path.h"

#include <gtest/gtest.h>

#include "files_test_util.h"

namespace {

namespace fs = std::filesystem;

TEST(Path, ComponentsResolveWithoutRegardToLetterCase) {
  files_test::ScratchDirectory scratch;
  files_test::WriteFile(scratch.path() / "Gsx/Sub/Image.PNG", {1});
  const std::string base = platform::ToEnginePath(scratch.path().string());
  struct Case {
    std::string engine;
    fs::path native;
  };
  const Case cases[] = {
      {base + "\\GSX\\SUB\\IMAGE.PNG", scratch.path() / "Gsx/Sub/Image.PNG"},
      {"gsx/sub\\image.png", scratch.path() / "Gsx/Sub/Image.PNG"},
      {".\\GSX\\.\\SUB\\..\\SUB\\IMAGE.PNG", scratch.path() / "Gsx/Sub/Image.PNG"},
      // A missing component and everything behind it keep the case given; ".." leads back to existing ones.
      {"GSX\\NEW\\FILE.TXT", scratch.path() / "Gsx/NEW/FILE.TXT"},
      {"NEW\\..\\GSX", scratch.path() / "Gsx"},
      {"D:\\", fs::path("/")},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::ToNativePath(c.engine), c.native.string()) << c.engine;
}

TEST(Path, ExactNameWinsAndChangesAreSeen) {
  files_test::ScratchDirectory scratch;
  files_test::WriteFile(scratch.path() / "data.bin", {1});
  EXPECT_EQ(platform::ToNativePath("DATA.BIN"), (scratch.path() / "data.bin").string());
  // A listing read a moment ago must not hide entries made since.
  files_test::WriteFile(scratch.path() / "Later.bin", {2});
  EXPECT_EQ(platform::ToNativePath("LATER.BIN"), (scratch.path() / "Later.bin").string());
  files_test::WriteFile(scratch.path() / "DATA.BIN", {3});
  EXPECT_EQ(platform::ToNativePath("DATA.BIN"), (scratch.path() / "DATA.BIN").string());
  EXPECT_EQ(platform::ToNativePath("Data.Bin"), (scratch.path() / "DATA.BIN").string());  // smallest of the two
  fs::remove(scratch.path() / "Later.bin");
  EXPECT_EQ(platform::ToNativePath("LATER.BIN"), (scratch.path() / "LATER.BIN").string());
}

TEST(Path, NamesConvertBetweenCp932AndUtf8) {
  files_test::ScratchDirectory scratch;
  // "表示" in CP932 has 0x5C as a trail byte; it must not split the name.
  const std::string cp932 = "表示\\テスト.txt";
  const std::string utf8 = "\xE8\xA1\xA8\xE7\xA4\xBA/\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.txt";
  EXPECT_EQ(platform::Cp932ToUtf8("表示"), "\xE8\xA1\xA8\xE7\xA4\xBA");
  EXPECT_EQ(platform::Utf8ToCp932("\xE8\xA1\xA8\xE7\xA4\xBA"), "表示");
  files_test::WriteFile(scratch.path() / utf8, {1});
  EXPECT_EQ(platform::ToNativePath(cp932), (scratch.path() / utf8).string());
  EXPECT_EQ(platform::ToEnginePath((scratch.path() / utf8).string()),
            platform::ToEnginePath(scratch.path().string()) + "\\" + cp932);
  // Bytes without a counterpart pass through.
  EXPECT_EQ(platform::Cp932ToUtf8("a\xA0z"), "a\xA0z");
}

}  // namespace
