// The tracked allocator every engine allocation goes through. Each block carries a header of two identical records
// (the second a guard copy) with the allocating file's name and line, an allocation id and the block size; live
// blocks form one list from an anchor (oldest end) to the newest block, with running totals.
#pragma once

#include <cstdint>

struct MemBlockRecord {
  char name[16];  // the source file name, or its last 15 characters when longer
  std::uint16_t id;
  std::uint16_t line;
  std::uint32_t size;
  MemBlockRecord* older;
  MemBlockRecord* newer;
};

// The header in front of every block: the record and its guard copy. The size keeps the caller's block 16-byte
// aligned.
struct MemBlockHeader {
  MemBlockRecord record;
  MemBlockRecord guard;
};
inline constexpr int kMemBlockHeaderSize = static_cast<int>(sizeof(MemBlockHeader));
static_assert(kMemBlockHeaderSize % 16 == 0);

struct MemAllocOptions {
  int trace;       // 1: log every allocation and release
  int sizeFilter;  // negative: trace all; otherwise trace blocks of exactly this size
  int totals;      // 1: log the running totals after each allocation and release
  int check;       // 1: check every header after each allocation and release
};

struct MemAllocState {
  MemBlockHeader* newest;
  MemBlockHeader anchor;
  std::int64_t totalBytes;  // 64 bits: live blocks can add up to more than an int counts
  int blockCount;
  std::uint16_t nextId;
  MemAllocOptions options;
};
extern MemAllocState g_MemAlloc;

void* MemAlloc(int size, const char* fileName, int line);
void* MemAllocZeroed(int size, const char* fileName, int line);
void MemFree(void* block);
void DumpAllocations();
int CheckAllocations();
void WriteMemBlockLine(const MemBlockHeader* header);

#define ENGINE_ALLOC(size) MemAlloc((size), __FILE__, __LINE__)
#define ENGINE_ALLOC_ZEROED(size) MemAllocZeroed((size), __FILE__, __LINE__)

// Growable ring buffer over a MemAlloc block.
struct RingBuffer {
  char* data;
  int readOffset;
  int writeOffset;
  int stored;
  int capacity;
};

int RingBufferReserve(RingBuffer* ring, int extra);
int RingBufferRelease(RingBuffer* ring);

int FreeDroppedFiles();
