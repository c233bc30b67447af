#include "engine/core/archive_file_layer.h"

#include <algorithm>
#include <cstring>

#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/plain_file.h"
#include "engine/core/string_util.h"
#include "platform/files/path.h"

ArchiveLayerState g_ArchiveLayer{};

namespace {

constexpr char kDefaultExtension[] = "ZUR";

FileHandleRecord* LookUpHandle(StreamHandle handle) {
  // Handles also arrive sign-extended from a 32-bit int.
  const auto value = static_cast<std::uint64_t>(handle);
  const auto high = static_cast<std::uint32_t>(value >> 32);
  const auto low = static_cast<std::uint32_t>(value);
  if ((high != 0 && high != 0xFFFFFFFFu) || (low & kFileHandleTag) != kFileHandleTag) return nullptr;
  const std::uint32_t slot = low & ~kFileHandleTag;
  if (slot >= static_cast<std::uint32_t>(kMaxOpenFiles)) return nullptr;
  return g_ArchiveLayer.files[slot];
}

void DropReference(int index) {
  if (index < 0 || index >= kMaxCachedArchives) return;
  ArchiveRecord* record = g_ArchiveLayer.archives[index];
  if (record != nullptr && record->referenceCount > 0) --record->referenceCount;
}

void FreeSlot(int slot) {
  MemFree(g_ArchiveLayer.files[slot]);
  g_ArchiveLayer.files[slot] = nullptr;
}

StreamHandle Accept(int slot) {
  ++g_ArchiveLayer.fileCount;
  return static_cast<StreamHandle>(kFileHandleTag | static_cast<std::uint32_t>(slot));
}

// Length of the component at p of a full path: up to a backslash or the end, double-byte characters whole.
int ComponentLength(const char* p) {
  const char* q = p;
  while (*q != '\0' && *q != '\\') q += (IsSjisLeadByte(static_cast<unsigned char>(*q)) && q[1] != '\0') ? 2 : 1;
  return static_cast<int>(q - p);
}

// prefix + "." + extension into out; false when it does not fit.
bool MakeArchivePath(const char* prefix, int prefixLength, char* out) {
  const char* extension = g_ArchiveLayer.extensionLength > 0 ? g_ArchiveLayer.extension : kDefaultExtension;
  const int extensionLength = static_cast<int>(std::strlen(extension));
  if (prefixLength + 1 + extensionLength + 1 > kArchivePathSize) return false;
  std::memcpy(out, prefix, static_cast<size_t>(prefixLength));
  out[prefixLength] = '.';
  std::memcpy(out + prefixLength + 1, extension, static_cast<size_t>(extensionLength) + 1);
  return true;
}

// Walks the full path from its start for the shallowest directory with an archive beside it. The file name itself
// is never tried, nor the bare drive. Returns the cache index (the member path behind the directory in *member),
// or -1.
int SearchArchive(const char* full, const char** member) {
  const char* p = full;
  while (*p != '\0') {
    const int length = ComponentLength(p);
    if (length == 0 || p[length] != '\\') return -1;
    const bool drive = p == full && length == 2 && p[1] == ':';
    const auto prefixLength = static_cast<int>(p + length - full);
    char archivePath[kArchivePathSize];
    if (!drive && MakeArchivePath(full, prefixLength, archivePath)) {
      const int index = OpenArchiveCached(-1, archivePath);
      if (index >= 0) {
        *member = p + length + 1;
        g_ArchiveLayer.lastArchiveIndex = index;
        CopyString(g_ArchiveLayer.lastArchivePath, archivePath);
        g_ArchiveLayer.lastPrefixLength = prefixLength;
        return index;
      }
    }
    p += length + 1;
  }
  return -1;
}

}  // namespace

void ClearArchiveTables() { std::memset(&g_ArchiveLayer, 0, sizeof g_ArchiveLayer); }

void ReleaseUnusedArchives() {
  for (int i = 0; i < kMaxCachedArchives; ++i) {
    ArchiveRecord* record = g_ArchiveLayer.archives[i];
    if (record == nullptr || record->referenceCount >= 1) continue;
    CloseArchiveState(&record->state);
    MemFree(record);
    g_ArchiveLayer.archives[i] = nullptr;
    --g_ArchiveLayer.archiveCount;
  }
}

int SetArchiveExtensionBody(const char* extension) {
  const size_t length = extension != nullptr ? std::strlen(extension) : 0;
  if (length == 0 || length >= kArchiveExtensionSize) {
    g_ArchiveLayer.extension[0] = '\0';
    g_ArchiveLayer.extensionLength = 0;
    return 0;
  }
  std::memcpy(g_ArchiveLayer.extension, extension, length + 1);
  g_ArchiveLayer.extensionLength = static_cast<int>(length);
  return 0;
}

int SetArchiveExtensionForward(const char* extension) { return SetArchiveExtensionBody(extension); }

int SetArchiveKeyStringBody(const char* keyString) {
  if (keyString == nullptr) {
    g_ArchiveLayer.keyStringSet = 0;
    g_ArchiveLayer.keyString[0] = '\0';
    return 0;
  }
  g_ArchiveLayer.keyStringSet = 1;
  const size_t length = std::min<size_t>(std::strlen(keyString), kArchiveKeyStringMax);
  std::memcpy(g_ArchiveLayer.keyString, keyString, length);
  g_ArchiveLayer.keyString[length] = '\0';
  return 0;
}

int SetArchiveKeyStringForward(const char* keyString) { return SetArchiveKeyStringBody(keyString); }

int MakeFullPath(const char* path, char* out) {
  char current[kMaxPath];
  if (platform::GetCurrentDirectoryEngine(current, sizeof current) == 0) return -1;
  UpperCaseSjis(current);
  if (ResolveFullPath(path, out, current, kMaxPath) != 0) return -1;
  UpperCaseSjis(out);
  return 0;
}

int OpenArchiveCached(int hint, const char* path) {
  ArchiveLayerState& layer = g_ArchiveLayer;
  if (hint >= 0 && hint < kMaxCachedArchives && layer.archives[hint] != nullptr &&
      std::strcmp(layer.archives[hint]->path, path) == 0) {
    ++layer.archives[hint]->referenceCount;
    return hint;
  }
  for (int i = 0; i < kMaxCachedArchives; ++i) {
    if (layer.archives[i] != nullptr && std::strcmp(layer.archives[i]->path, path) == 0) {
      ++layer.archives[i]->referenceCount;
      return i;
    }
  }
  if (std::strlen(path) >= kArchivePathSize) return -1;
  if (layer.archiveCount >= kMaxCachedArchives) ReleaseUnusedArchives();
  if (layer.archiveCount >= kMaxCachedArchives) return -1;
  ArchiveState state{};
  if (OpenArchiveState(&state, path, layer.keyStringSet == 1 ? layer.keyString : nullptr) != 0) return -1;
  auto* record = static_cast<ArchiveRecord*>(ENGINE_ALLOC_ZEROED(sizeof(ArchiveRecord)));
  if (record == nullptr) {
    CloseArchiveState(&state);
    return -1;
  }
  record->referenceCount = 1;
  record->state = state;
  CopyString(record->path, path);
  for (int i = 0; i < kMaxCachedArchives; ++i) {
    if (layer.archives[i] == nullptr) {
      layer.archives[i] = record;
      ++layer.archiveCount;
      return i;
    }
  }
  CloseArchiveState(&record->state);
  MemFree(record);
  return -1;
}

StreamHandle OpenArchiveAwareFile(const char* path, int useThread, int) {
  ArchiveLayerState& layer = g_ArchiveLayer;
  if (layer.fileCount >= kMaxOpenFiles) return WriteLog("同時に開けるファイルの数が限界を超えました\n"), 0;
  int slot = 0;
  while (slot < kMaxOpenFiles && layer.files[slot] != nullptr) ++slot;
  if (slot == kMaxOpenFiles) return WriteLog("同時に開けるファイルの数が限界を超えました\n"), 0;
  auto* record = static_cast<FileHandleRecord*>(ENGINE_ALLOC_ZEROED(sizeof(FileHandleRecord)));
  if (record == nullptr) return WriteLog("ファイルの情報を格納するメモリの確保に失敗しました\n"), 0;
  layer.files[slot] = record;
  if (path == nullptr) {
    FreeSlot(slot);
    return 0;
  }
  record->kind = 1;

  char full[kMaxPath];
  int index = -1;
  const char* member = nullptr;
  if (MakeFullPath(path, full) == 0) {
    const int prefix = layer.lastPrefixLength;
    // The fast path: a path inside the directory of the archive found last (the prefix ends at a separator).
    if (prefix > 0 && std::strncmp(full, layer.lastArchivePath, static_cast<size_t>(prefix)) == 0 &&
        full[prefix] == '\\') {
      index = OpenArchiveCached(layer.lastArchiveIndex, layer.lastArchivePath);
      if (index >= 0) member = full + prefix + 1;
    } else {
      index = SearchArchive(full, &member);
    }
  }

  if (index >= 0) {
    record->archiveIndex = index;
    if (OpenArchiveMember(&record->member, &layer.archives[index]->state, member) == 0) return Accept(slot);
    // A member missing from its archive is not looked for on disk.
    DropReference(index);
    FreeSlot(slot);
    return 0;
  }

  record->plainFile = OpenPlainFile(path, useThread, 0);
  if (record->plainFile == 0) {
    FreeSlot(slot);
    return 0;
  }
  record->kind = 0;
  return Accept(slot);
}

int CloseArchiveAwareFile(StreamHandle handle) {
  FileHandleRecord* record = LookUpHandle(handle);
  if (record == nullptr) return -1;
  if (record->kind == 1) {
    DropReference(record->archiveIndex);
    CloseArchiveMember(&record->member);
  } else {
    ClosePlainFile(record->plainFile);
  }
  FreeSlot(static_cast<int>(static_cast<std::uint32_t>(handle) & ~kFileHandleTag));
  --g_ArchiveLayer.fileCount;
  return 0;
}

int ArchiveAwareTell(StreamHandle handle) {
  const FileHandleRecord* record = LookUpHandle(handle);
  if (record == nullptr) return -1;
  return record->kind == 1 ? static_cast<int>(record->member.position) : PlainFileTell(record->plainFile);
}

int ArchiveAwareSeek(StreamHandle handle, int offset, int origin) {
  FileHandleRecord* record = LookUpHandle(handle);
  if (record == nullptr) return -1;
  return record->kind == 1 ? SeekArchiveMember(&record->member, offset, origin)
                           : PlainFileSeek(record->plainFile, offset, origin);
}

int ArchiveAwareRead(void* buffer, int itemSize, int itemCount, StreamHandle handle) {
  FileHandleRecord* record = LookUpHandle(handle);
  if (record == nullptr) return -1;
  if (record->kind == 0) return PlainFileRead(buffer, itemSize, itemCount, record->plainFile);
  // Members count whole items like plain files do: a trailing partial item is not delivered.
  ArchiveMember& m = record->member;
  if (itemSize <= 0 || itemCount <= 0) return 0;
  if (m.position >= m.size) return ReadArchiveMember(&m, buffer, 0);
  const std::uint64_t remaining = m.size - m.position;
  std::uint64_t count = static_cast<std::uint64_t>(itemCount);
  if (static_cast<std::uint64_t>(itemSize) * count > remaining) count = remaining / static_cast<std::uint64_t>(itemSize);
  if (count == 0) {
    m.eof = 1;
    return 0;
  }
  // The flag a partial item left does not hold back the whole items that remain, as with plain files.
  m.eof = 0;
  const int got = ReadArchiveMember(&m, buffer, static_cast<std::uint32_t>(count * static_cast<std::uint64_t>(itemSize)));
  return got / itemSize;
}

int ArchiveAwareEof(StreamHandle handle) {
  const FileHandleRecord* record = LookUpHandle(handle);
  if (record == nullptr) return -1;
  if (record->kind == 1) return record->member.eof != 0 ? -1 : 0;
  return PlainFileEof(record->plainFile);
}

int ArchiveAwareIdleCheck(StreamHandle) { return 1; }

int ArchiveAwareSetCurrentDir(const char* path) {
  if (path != nullptr) platform::SetCurrentDirectoryEngine(path);
  return 0;
}

int ArchiveAwareGetCurrentDir(char* buffer) {
  if (platform::GetCurrentDirectoryEngine(buffer, kArchivePathSize) == 0) buffer[0] = '\0';
  return 0;
}
