#include "engine/core/temp_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/core/string_util.h"
#include "files_test_util.h"

namespace {

TEST(TempFile, CreatesAnEmptyWritableFileInTheTemporaryDirectory) {
  files_test::ScratchDirectory scratch;
  const char* previous = std::getenv("TMPDIR");
  const std::string saved = previous != nullptr ? previous : "";
  setenv("TMPDIR", scratch.path().c_str(), 1);

  char first[kMaxPath] = {};
  char second[kMaxPath] = {};
  const platform::FileHandle a = CreateTempFile(first);
  const platform::FileHandle b = CreateTempFile(second);
  ASSERT_NE(a, platform::kInvalidFileHandle);
  ASSERT_NE(b, platform::kInvalidFileHandle);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(std::string(first, 2), "C:");
  const std::filesystem::path native = platform::ToNativePath(first);
  EXPECT_EQ(native.parent_path(), scratch.path());
  EXPECT_EQ(native.filename().string().rfind("tmp", 0), 0u);
  EXPECT_EQ(std::filesystem::file_size(native), 0u);
  std::uint32_t written = 0;
  EXPECT_TRUE(platform::WriteToFile(a, "abc", 3, &written));
  EXPECT_TRUE(platform::CloseFile(a));
  EXPECT_EQ(std::filesystem::file_size(native), 3u);
  EXPECT_TRUE(platform::CloseFile(b));
  EXPECT_TRUE(platform::DeleteFileEngine(second));
  EXPECT_FALSE(std::filesystem::exists(platform::ToNativePath(second)));

  setenv("TMPDIR", (scratch.path() / "missing").c_str(), 1);
  EXPECT_EQ(CreateTempFile(nullptr), platform::kInvalidFileHandle);
  if (previous != nullptr) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

}  // namespace
