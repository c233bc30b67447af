// Memory streams and plain files: read, seek and eof results, bad handles.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/file_functions.h"
#include "engine/core/mem_stream.h"
#include "engine/core/plain_file.h"
#include "engine/core/string_util.h"
#include "files_test_util.h"

namespace {

using files_test::Bytes;

struct SeekCase {
  int offset;
  int origin;
  int expected;
};

TEST(MemStream, SeekClampsToTheBlockAndClearsEof) {
  const char data[20] = "0123456789abcdefghi";
  MemStream* s = OpenMemStream(data, 20);
  ASSERT_NE(s, nullptr);
  const auto h = reinterpret_cast<StreamHandle>(s);
  const SeekCase cases[] = {{10, 2, 20}, {-5, 0, 0}, {7, 0, 7}, {3, 1, 20}, {-5, 1, 15}, {-30, 1, 0}, {-4, 2, 16}, {99, 9, 20}};
  for (const SeekCase& c : cases) {
    // Each seek starts at the end with the eof flag set.
    char byte;
    MemStreamSeek(h, 0, 2);
    MemStreamRead(&byte, 1, 1, h);
    ASSERT_EQ(MemStreamEof(h), 1);
    EXPECT_EQ(MemStreamSeek(h, c.offset, c.origin), 0);
    EXPECT_EQ(MemStreamTell(h), c.expected) << c.offset << " from " << c.origin;
    EXPECT_EQ(MemStreamEof(h), 0);
  }
  EXPECT_EQ(CloseMemStream(h), 0);
}

TEST(MemStream, ReadsWholeItemsAndReportsTheEnd) {
  const Bytes data = files_test::RandomBytes(14, 1);
  MemStream* s = OpenMemStream(data.data(), 14);
  const auto h = reinterpret_cast<StreamHandle>(s);
  MemStreamSeek(h, 4, 0);
  std::uint8_t buffer[16] = {};
  // 10 bytes left: 3 items of 4 give 2 whole items.
  EXPECT_EQ(MemStreamRead(buffer, 4, 3, h), 2);
  EXPECT_EQ(std::memcmp(buffer, data.data() + 4, 8), 0);
  EXPECT_EQ(MemStreamTell(h), 12);
  // 2 bytes left: not one whole item of 4; the end is reported, nothing moves.
  EXPECT_EQ(MemStreamRead(buffer, 4, 1, h), 0);
  EXPECT_EQ(MemStreamEof(h), 1);
  EXPECT_EQ(MemStreamTell(h), 12);
  // The last 2 bytes still come as bytes.
  EXPECT_EQ(MemStreamRead(buffer, 1, 8, h), 2);
  EXPECT_EQ(buffer[1], data[13]);
  EXPECT_EQ(MemStreamEof(h), 0);
  EXPECT_EQ(MemStreamRead(buffer, 1, 1, h), 0);
  EXPECT_EQ(MemStreamEof(h), 1);
  // Zero items, or a negative count, read nothing.
  MemStreamSeek(h, 0, 0);
  EXPECT_EQ(MemStreamRead(buffer, 4, 0, h), 0);
  EXPECT_EQ(MemStreamRead(buffer, -4, 2, h), 0);
  EXPECT_EQ(MemStreamTell(h), 0);
  CloseMemStream(h);
}

TEST(MemStream, StreamFunctionsReachTheMemoryOperations) {
  const char data[] = "abcdef";
  StreamSource source{*GetMemStreamFunctions(), reinterpret_cast<StreamHandle>(OpenMemStream(data, 6))};
  char buffer[4] = {};
  EXPECT_EQ(source.functions.seek(source.handle, 2, 0), 0);
  EXPECT_EQ(source.functions.read(buffer, 2, 1, source.handle), 1);
  EXPECT_EQ(std::string(buffer, 2), "cd");
  EXPECT_EQ(source.functions.tell(source.handle), 4);
  EXPECT_EQ(source.functions.idleCheck(source.handle), 1);
  EXPECT_EQ(source.functions.close(source.handle), 0);
}

class PlainFile : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = files_test::RandomBytes(1000, 7);
    files_test::WriteFile(scratch_.path() / "Data.Bin", data_);
  }
  files_test::ScratchDirectory scratch_;
  Bytes data_;
};

TEST_F(PlainFile, OpensByAnyLetterCaseAndReadsWholeItems) {
  for (const char* name : {"Data.Bin", "DATA.BIN", "data.bin"}) {
    const StreamHandle h = OpenPlainFile(name, 0, 0);
    ASSERT_NE(h, 0) << name;
    std::uint8_t buffer[1000];
    EXPECT_EQ(PlainFileRead(buffer, 10, 40, h), 40);
    EXPECT_EQ(std::memcmp(buffer, data_.data(), 400), 0);
    EXPECT_EQ(PlainFileTell(h), 400);
    EXPECT_EQ(ClosePlainFile(h), 0);
  }
  EXPECT_EQ(OpenPlainFile("missing.bin", 0, 0), 0);
  EXPECT_EQ(OpenPlainFile(".", 0, 0), 0);  // a directory is not a file
}

TEST_F(PlainFile, PartialItemAtTheEndIsNotDeliveredAndSetsEof) {
  const StreamHandle h = OpenPlainFile("data.bin", 0, 0);
  std::uint8_t buffer[16];
  ASSERT_EQ(PlainFileSeek(h, -2, 2), 0);
  EXPECT_EQ(PlainFileRead(buffer, 4, 1, h), 0);
  EXPECT_EQ(PlainFileEof(h), -1);
  EXPECT_EQ(PlainFileTell(h), 998);
  // Only a seek clears the flag; the last bytes still come as bytes.
  EXPECT_EQ(PlainFileRead(buffer, 1, 4, h), 2);
  EXPECT_EQ(buffer[1], data_[999]);
  EXPECT_EQ(PlainFileRead(buffer, 1, 4, h), 0);
  EXPECT_EQ(PlainFileEof(h), -1);
  // A 3-items-of-4-bytes request near the end gives whole items only.
  ASSERT_EQ(PlainFileSeek(h, 990, 0), 0);
  EXPECT_EQ(PlainFileEof(h), 0);
  EXPECT_EQ(PlainFileRead(buffer, 4, 3, h), 2);
  EXPECT_EQ(PlainFileTell(h), 998);
  EXPECT_EQ(PlainFileRead(buffer, 0, 3, h), 0);
  ClosePlainFile(h);
}

TEST_F(PlainFile, SeekPastTheEndReadsAsTheEndAndNegativeTargetsAreRefused) {
  const StreamHandle h = OpenPlainFile("data.bin", 0, 0);
  std::uint8_t buffer[16];
  ASSERT_EQ(PlainFileSeek(h, 5000, 0), 0);
  EXPECT_EQ(PlainFileTell(h), 5000);
  EXPECT_EQ(PlainFileRead(buffer, 1, 16, h), 0);
  EXPECT_EQ(PlainFileEof(h), -1);
  EXPECT_EQ(PlainFileSeek(h, -1, 0), -1);
  EXPECT_EQ(PlainFileSeek(h, -2000, 2), -1);
  EXPECT_EQ(PlainFileTell(h), 5000);
  EXPECT_EQ(PlainFileSeek(h, -10, 1), 0);
  EXPECT_EQ(PlainFileTell(h), 4990);
  ClosePlainFile(h);
}

TEST_F(PlainFile, HandlesThatNameNoOpenFileAreRefused) {
  const StreamHandle open = OpenPlainFile("data.bin", 0, 0);
  ClosePlainFile(open);
  int local = 0;
  std::uint8_t buffer[4];
  for (StreamHandle h : {StreamHandle{0}, open, reinterpret_cast<StreamHandle>(&local), StreamHandle{-1}}) {
    EXPECT_EQ(ClosePlainFile(h), -1);
    EXPECT_EQ(PlainFileTell(h), -1);
    EXPECT_EQ(PlainFileSeek(h, 0, 0), -1);
    EXPECT_EQ(PlainFileRead(buffer, 1, 4, h), -1);
    EXPECT_EQ(PlainFileEof(h), -1);
  }
}

TEST_F(PlainFile, CurrentDirectorySlotsUseEngineForm) {
  char buffer[kMaxPath];
  const int length = PlainGetCurrentDir(buffer);
  ASSERT_GT(length, 2);
  EXPECT_EQ(std::string(buffer, 2), "C:");
  EXPECT_EQ(platform::ToNativePath(buffer), scratch_.path().string());
  std::filesystem::create_directory(scratch_.path() / "Sub");
  EXPECT_EQ(PlainSetCurrentDir("SUB"), 1);
  EXPECT_EQ(std::filesystem::current_path(), scratch_.path() / "Sub");
  EXPECT_EQ(PlainSetCurrentDir("NOWHERE"), 0);
}

}  // namespace
