#include "engine/core/mem_alloc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "engine/core/system_record.h"
#include "log_fixture.h"

namespace {

using MemAllocLog = LogFixture;

MemBlockHeader* HeaderOf(void* block) {
  return reinterpret_cast<MemBlockHeader*>(static_cast<char*>(block) - kMemBlockHeaderSize);
}

TEST_F(MemAllocLog, DumpListsALeakedBlockInTheLineFormat) {
  const int before = g_MemAlloc.blockCount;
  char* block = static_cast<char*>(MemAlloc(3, "0123456789abcdefghij", 77));
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "A\nB", 3);
  const int id = HeaderOf(block)->record.id;
  DumpAllocations();
  const std::string text = Unstamped();
  char expected[200];
  std::snprintf(expected, sizeof expected,
                "\tsize:3(0.003kb)  file:56789abcdefghij  line:77  ID:%d  data:<A.B> [41 0a 42]\r\n", id);
  EXPECT_NE(text.find(expected), std::string::npos) << text;
  // The heading has no line end of its own: the newest block's line follows it directly.
  EXPECT_NE(text.find("\r\nAlloc memory dump\tsize:3("), std::string::npos);
  EXPECT_EQ(g_MemAlloc.blockCount, before + 1);
  MemFree(block);
}

TEST_F(MemAllocLog, DumpShowsAtMostSixteenBytes) {
  char* block = static_cast<char*>(MemAlloc(20, "short.cpp", 1));
  for (int i = 0; i < 20; ++i) block[i] = static_cast<char>('a' + i);
  WriteMemBlockLine(HeaderOf(block));
  EXPECT_NE(Unstamped().find("file:short.cpp  line:1  ID:"), std::string::npos);
  EXPECT_NE(Unstamped().find("data:<abcdefghijklmnop> [61 62 63 64 65 66 67 68 69 6a 6b 6c 6d 6e 6f 70]\r\n"),
            std::string::npos)
      << Unstamped();
  MemFree(block);
}

TEST_F(MemAllocLog, AfterFreeingEverythingTheTotalsAreZero) {
  // Blocks made by earlier tests of this process are freed; what this test allocates is gone again.
  void* a = MemAlloc(100, "a.cpp", 1);
  void* b = MemAllocZeroed(50, "b.cpp", 2);
  EXPECT_EQ(static_cast<unsigned char*>(b)[49], 0);
  MemFree(a);
  MemFree(b);
  MemFree(nullptr);
  ASSERT_EQ(g_MemAlloc.blockCount, 0);
  DumpAllocations();
  EXPECT_NE(Unstamped().find("Alloc memory dump\tTotal size:0(0.000kb)  Alloc num:0\r\n"), std::string::npos)
      << Unstamped();
}

TEST_F(MemAllocLog, CheckFindsAnOverwrittenHeader) {
  char* a = static_cast<char*>(MemAlloc(8, "a.cpp", 1));
  char* b = static_cast<char*>(MemAlloc(8, "b.cpp", 2));
  EXPECT_EQ(CheckAllocations(), 0);
  HeaderOf(b)->record.line = 999;  // a write in front of b
  EXPECT_EQ(CheckAllocations(), -1);
  EXPECT_NE(Unstamped().find("以下のメモリ確保情報が破損しました"), std::string::npos);
  HeaderOf(b)->record.line = 2;
  EXPECT_EQ(CheckAllocations(), 0);
  MemFree(b);
  MemFree(a);
}

TEST(MemAlloc, ListStaysLinkedWhateverTheFreeOrder) {
  void* blocks[5];
  for (auto& p : blocks) p = MemAlloc(16, "x.cpp", 1);
  const int count = g_MemAlloc.blockCount;
  MemFree(blocks[2]);
  MemFree(blocks[4]);  // the newest
  MemFree(blocks[0]);  // the oldest
  EXPECT_EQ(g_MemAlloc.blockCount, count - 3);
  EXPECT_EQ(CheckAllocations(), 0);
  EXPECT_EQ(reinterpret_cast<char*>(g_MemAlloc.newest) + kMemBlockHeaderSize, blocks[3]);
  MemFree(blocks[3]);
  MemFree(blocks[1]);
  EXPECT_EQ(CheckAllocations(), 0);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(MemAlloc(1, nullptr, 0)) % 16, 0u);
  EXPECT_EQ(MemAlloc(-1, "neg.cpp", 1), nullptr);
  MemFree(reinterpret_cast<char*>(g_MemAlloc.newest) + kMemBlockHeaderSize);
}

TEST(RingBuffer, GrowingKeepsTheOrderOfBytesAcrossTheEnd) {
  RingBuffer ring{};
  ASSERT_EQ(RingBufferReserve(&ring, 10), 0);
  EXPECT_EQ(ring.capacity, 1010);
  // Fill so the stored bytes wrap: read at 1005, 5 bytes to the end, 3 from the start.
  const char bytes[] = "ABCDEFGH";
  std::memcpy(ring.data + 1005, bytes, 5);
  std::memcpy(ring.data, bytes + 5, 3);
  ring.readOffset = 1005;
  ring.stored = 8;
  ring.writeOffset = 3;
  ASSERT_EQ(RingBufferReserve(&ring, 2000), 0);
  EXPECT_EQ(ring.capacity, 3008);
  EXPECT_EQ(ring.readOffset, 0);
  EXPECT_EQ(ring.writeOffset, 8);
  EXPECT_EQ(std::memcmp(ring.data, bytes, 8), 0);
  EXPECT_EQ(RingBufferRelease(&ring), 0);
  EXPECT_EQ(ring.data, nullptr);
  EXPECT_EQ(ring.capacity, 0);
}

}  // namespace
