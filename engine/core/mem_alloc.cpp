#include "engine/core/mem_alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/log.h"
#include "engine/core/system_record.h"

MemAllocState g_MemAlloc{};

namespace {

MemBlockHeader* HeaderOf(void* block) {
  return reinterpret_cast<MemBlockHeader*>(static_cast<char*>(block) - kMemBlockHeaderSize);
}

MemBlockHeader* HeaderOf(MemBlockRecord* record) { return reinterpret_cast<MemBlockHeader*>(record); }

void RefreshGuard(MemBlockRecord* record) {
  if (record != nullptr) HeaderOf(record)->guard = HeaderOf(record)->record;
}

bool ShouldTrace(int size) {
  const MemAllocOptions& o = g_MemAlloc.options;
  return o.sizeFilter < 0 || o.sizeFilter == size || o.trace == 1;
}

void LogTotals() {
  LogPrintf("\tTotal size:%lld(%.3fkb)  Alloc num:%d", static_cast<long long>(g_MemAlloc.totalBytes),
            static_cast<double>(g_MemAlloc.totalBytes) * (1.0 / 1024),
            g_MemAlloc.blockCount);
}

void AfterChange(const char* traceText, MemBlockHeader* header) {
  if (ShouldTrace(static_cast<int>(header->record.size))) {
    WriteLog(traceText);
    WriteMemBlockLine(header);
  }
  if (g_MemAlloc.options.totals == 1) LogTotals();
}

}  // namespace

void* MemAlloc(int size, const char* fileName, int line) {
  if (size < 0) return nullptr;
  auto* header = static_cast<MemBlockHeader*>(std::malloc(static_cast<size_t>(size) + kMemBlockHeaderSize));
  if (header == nullptr) {
    DumpAllocations();
    return nullptr;
  }
  MemBlockRecord& r = header->record;
  std::memset(&r, 0, sizeof r);
  if (fileName != nullptr) {
    const size_t length = std::strlen(fileName);
    const char* tail = length < 15 ? fileName : fileName + (length - 15);
    std::memcpy(r.name, tail, std::strlen(tail));
  }
  r.line = static_cast<std::uint16_t>(line);
  r.id = g_MemAlloc.nextId++;
  r.size = static_cast<std::uint32_t>(size);

  if (g_MemAlloc.newest == nullptr) g_MemAlloc.newest = &g_MemAlloc.anchor;
  MemBlockHeader* older = g_MemAlloc.newest;
  older->record.newer = &r;
  r.older = &older->record;
  r.newer = nullptr;
  g_MemAlloc.newest = header;
  header->guard = r;
  RefreshGuard(&older->record);

  g_MemAlloc.totalBytes += size;
  g_MemAlloc.blockCount += 1;
  AfterChange("mem alloc  ", header);
  if (g_MemAlloc.options.check == 1) CheckAllocations();
  return reinterpret_cast<char*>(header) + kMemBlockHeaderSize;
}

void* MemAllocZeroed(int size, const char* fileName, int line) {
  void* block = MemAlloc(size, fileName, line);
  if (block != nullptr) std::memset(block, 0, static_cast<size_t>(size));
  return block;
}

void MemFree(void* block) {
  if (block == nullptr) return;
  MemBlockHeader* header = HeaderOf(block);
  MemBlockRecord& r = header->record;
  g_MemAlloc.totalBytes -= r.size;
  g_MemAlloc.blockCount -= 1;
  if (g_MemAlloc.options.check == 1) CheckAllocations();
  if (r.older != nullptr) r.older->newer = r.newer;
  if (r.newer != nullptr) r.newer->older = r.older;
  if (g_MemAlloc.newest == header) g_MemAlloc.newest = HeaderOf(r.older);
  RefreshGuard(r.older);
  RefreshGuard(r.newer);
  AfterChange("mem free  ", header);
  std::free(header);
}

int CheckAllocations() {
  for (MemBlockHeader* h = g_MemAlloc.newest; h != nullptr && h != &g_MemAlloc.anchor;
       h = HeaderOf(h->record.older)) {
    if (std::memcmp(&h->record, &h->guard, sizeof(MemBlockRecord)) != 0) {
      WriteLog("以下のメモリ確保情報が破損しました");
      WriteMemBlockLine(h);
      return -1;
    }
  }
  return 0;
}

void DumpAllocations() {
  WriteLog("\n");
  WriteLog("Alloc memory dump");
  for (MemBlockHeader* h = g_MemAlloc.newest; h != nullptr && h != &g_MemAlloc.anchor;
       h = HeaderOf(h->record.older)) {
    WriteMemBlockLine(h);
  }
  LogTotals();
  WriteLog("\n");
}

void WriteMemBlockLine(const MemBlockHeader* header) {
  const MemBlockRecord& r = header->record;
  char buffer[260];
  int n = std::snprintf(buffer, sizeof buffer, "\tsize:%d(%.3fkb)  file:%s  line:%d  ID:%d  data:<",
                        static_cast<int>(r.size), r.size * (1.0 / 1024), r.name, static_cast<int>(r.line),
                        static_cast<int>(r.id));
  const auto* data = reinterpret_cast<const unsigned char*>(header) + kMemBlockHeaderSize;
  const int count = r.size < 16 ? static_cast<int>(r.size) : 16;
  for (int i = 0; i < count; ++i) buffer[n++] = data[i] < 0x20 ? '.' : static_cast<char>(data[i]);
  n += std::snprintf(buffer + n, sizeof buffer - static_cast<size_t>(n), "> [");
  for (int i = 0; i < count; ++i) n += std::snprintf(buffer + n, sizeof buffer - static_cast<size_t>(n), "%02x ", data[i]);
  // The last blank (or, for an empty block, the space after the bracket) gives way to the closing bracket.
  if (count > 0) --n;
  std::snprintf(buffer + n, sizeof buffer - static_cast<size_t>(n), "]\n");
  WriteLog(buffer);
}

int RingBufferReserve(RingBuffer* ring, int extra) {
  if (ring->readOffset == ring->capacity) ring->readOffset = 0;
  if (ring->writeOffset == ring->capacity) ring->writeOffset = 0;
  if (ring->stored + extra <= ring->capacity) return 0;
  const int newCapacity = ring->stored + extra + 1000;
  char* fresh = static_cast<char*>(MemAlloc(newCapacity, "", 0));
  if (fresh == nullptr) {
    MemFree(ring->data);
    *ring = {};
    LogPrintf("リングバッファの再確保に失敗しました(確保しようとしたサイズ %d byte)", newCapacity);
    return -1;
  }
  if (ring->stored > 0) {
    if (ring->readOffset + ring->stored > ring->capacity) {
      const int first = ring->capacity - ring->readOffset;
      std::memcpy(fresh, ring->data + ring->readOffset, static_cast<size_t>(first));
      std::memcpy(fresh + first, ring->data, static_cast<size_t>(ring->stored - first));
    } else {
      std::memcpy(fresh, ring->data + ring->readOffset, static_cast<size_t>(ring->stored));
    }
  }
  MemFree(ring->data);
  ring->data = fresh;
  ring->readOffset = 0;
  ring->writeOffset = ring->stored;
  ring->capacity = newCapacity;
  return 0;
}

int RingBufferRelease(RingBuffer* ring) {
  MemFree(ring->data);
  *ring = {};
  return 0;
}

int FreeDroppedFiles() {
  for (int i = 0; i < g_System.droppedFileCount; ++i) {
    MemFree(g_System.droppedFiles[i]);
    g_System.droppedFiles[i] = nullptr;
  }
  g_System.droppedFileCount = 0;
  return 0;
}
