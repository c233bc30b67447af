// Plain files served by their own file-access thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "engine/core/plain_file.h"
#include "platform/base/clock.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class ThreadedFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "threaded_file_XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    previous_ = fs::current_path();
    fs::current_path(dir_);
    std::mt19937 gen(5);
    data_.resize(300000);
    for (auto& b : data_) b = static_cast<std::uint8_t>(gen());
    Write(data_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  void Write(const Bytes& bytes) {
    // Overwrites in place, so an open descriptor sees the new bytes.
    std::fstream out(dir_ / "stream.bin", std::ios::binary | std::ios::in | std::ios::out);
    if (!out) out.open(dir_ / "stream.bin", std::ios::binary | std::ios::out);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  fs::path dir_;
  fs::path previous_;
  Bytes data_;
};

TEST_F(ThreadedFile, ReadsSeeksAndEndMatchDirectMode) {
  const StreamHandle h = OpenPlainFile("STREAM.BIN", 1, 0);
  ASSERT_NE(h, 0);
  Bytes out;
  std::vector<std::uint8_t> buffer(7000);
  for (;;) {
    const int n = PlainFileRead(buffer.data(), 1, 7000, h);
    if (n == 0) break;
    out.insert(out.end(), buffer.begin(), buffer.begin() + n);
  }
  EXPECT_EQ(out, data_);
  EXPECT_EQ(PlainFileEof(h), -1);
  EXPECT_EQ(PlainFileSeek(h, -6, 2), 0);
  EXPECT_EQ(PlainFileRead(buffer.data(), 4, 2, h), 1);  // one whole item
  EXPECT_EQ(0, std::memcmp(buffer.data(), data_.data() + data_.size() - 6, 4));
  EXPECT_EQ(PlainFileRead(buffer.data(), 4, 1, h), 0);
  EXPECT_EQ(PlainFileEof(h), -1);
  EXPECT_EQ(PlainFileSeek(h, 1000, 0), 0);
  EXPECT_EQ(PlainFileRead(buffer.data(), 100, 3, h), 3);
  EXPECT_EQ(0, std::memcmp(buffer.data(), data_.data() + 1000, 300));
  EXPECT_EQ(ClosePlainFile(h), 0);
  EXPECT_EQ(OpenPlainFile("missing.bin", 1, 0), 0);
}

TEST_F(ThreadedFile, ReadAheadServesBufferedBytesUntilASeek) {
  const StreamHandle h = OpenPlainFile("stream.bin", 1, 0);
  ASSERT_NE(h, 0);
  std::uint8_t buffer[64];
  ASSERT_EQ(PlainFileRead(buffer, 1, 64, h), 64);
  // Give the thread time to read ahead while idle.
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(PlainFileIdleCheck(h), 1);
  Bytes changed = data_;
  for (auto& b : changed) b = static_cast<std::uint8_t>(~b);
  Write(changed);
  // Bytes already in the read-ahead buffer come from it, not from the changed file.
  ASSERT_EQ(PlainFileRead(buffer, 1, 64, h), 64);
  EXPECT_EQ(0, std::memcmp(buffer, data_.data() + 64, 64));
  // A seek empties the buffer: the same position now reads the file.
  ASSERT_EQ(PlainFileSeek(h, 64, 0), 0);
  ASSERT_EQ(PlainFileRead(buffer, 1, 64, h), 64);
  EXPECT_EQ(0, std::memcmp(buffer, changed.data() + 64, 64));
  EXPECT_EQ(ClosePlainFile(h), 0);
}

}  // namespace

namespace {

TEST_F(ThreadedFile, IdleFileThreadLeavesTheVirtualClockAlone) {
  platform::SetClockMode(platform::ClockMode::Virtual);
  const std::uint32_t start = platform::MillisecondClock();
  const StreamHandle h = OpenPlainFile("STREAM.BIN", 1, 0);
  ASSERT_NE(h, 0);
  std::vector<std::uint8_t> buffer(1000);
  EXPECT_EQ(PlainFileRead(buffer.data(), 1, 1000, h), 1000);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // real time for an idle thread to misbehave in
  EXPECT_EQ(0, std::memcmp(buffer.data(), data_.data(), 1000));
  EXPECT_EQ(ClosePlainFile(h), 0);
  EXPECT_LT(platform::MillisecondClock() - start, 1000u);
  platform::SetClockMode(platform::ClockMode::Real);
}

}  // namespace
