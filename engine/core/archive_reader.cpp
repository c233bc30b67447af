#include "engine/core/archive_reader.h"

#include <cstring>

#include "engine/core/archive_lz.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/plain_file.h"
#include "engine/core/string_util.h"

namespace {

std::uint16_t LoadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint8_t SwapNibbles(std::uint8_t b) { return static_cast<std::uint8_t>(b << 4 | b >> 4); }
std::uint8_t RotateRight3(std::uint8_t b) { return static_cast<std::uint8_t>(b >> 3 | b << 5); }
std::uint8_t RotateLeft3(std::uint8_t b) { return static_cast<std::uint8_t>(b << 3 | b >> 5); }
std::uint8_t Not(std::uint8_t b) { return static_cast<std::uint8_t>(~b); }

ArchiveHeader ParseHeader(const std::uint8_t* raw) {
  ArchiveHeader h;
  h.magic = LoadU16(raw);
  h.version = LoadU16(raw + 2);
  h.tableSize = LoadU32(raw + 4);
  h.dataOffset = LoadU32(raw + 8);
  h.tableOffset = LoadU32(raw + 12);
  h.fileTableOffset = LoadU32(raw + 16);
  h.dirTableOffset = LoadU32(raw + 20);
  return h;
}

int FileEntrySize(const ArchiveState* state) {
  return state->header.version >= kArchiveFirstCompressingVersion ? kArchiveFileEntrySizeV2 : kArchiveFileEntrySizeV0;
}

// True when [offset, offset + size) lies inside the table block.
bool InTable(const ArchiveState* state, std::uint64_t offset, std::uint64_t size) {
  return offset <= state->header.tableSize && size <= state->header.tableSize - offset;
}

// The directory entry at an offset of the directory table, or NULL when it lies outside the block.
const std::uint8_t* DirEntry(const ArchiveState* state, std::uint32_t offset) {
  const std::uint64_t at = static_cast<std::uint64_t>(state->header.dirTableOffset) + offset;
  return InTable(state, at, kArchiveDirEntrySize) ? state->dirTable + offset : nullptr;
}

// The entries of a directory; false (no entries) when they do not all lie inside the block.
bool DirEntries(const ArchiveState* state, std::uint32_t dirOffset, const std::uint8_t** first, std::uint32_t* count) {
  const std::uint8_t* dir = DirEntry(state, dirOffset);
  if (dir == nullptr) return false;
  *count = LoadU32(dir + kArchiveDirCount);
  const std::uint32_t firstOffset = LoadU32(dir + kArchiveDirFirst);
  const std::uint64_t at = static_cast<std::uint64_t>(state->header.fileTableOffset) + firstOffset;
  if (!InTable(state, at, static_cast<std::uint64_t>(*count) * static_cast<std::uint64_t>(FileEntrySize(state)))) {
    return false;
  }
  *first = state->fileTable + firstOffset;
  return true;
}

bool NameMatches(const ArchiveState* state, const std::uint8_t* entry, const ArchiveNameKey* key) {
  if (key->words == 0) return false;
  const std::uint32_t nameOffset = LoadU32(entry + kArchiveEntryName);
  if (!InTable(state, nameOffset, 4)) return false;
  const std::uint8_t* record = state->table + nameOffset;
  if (LoadU16(record) != key->words || LoadU16(record + 2) != key->sum) return false;
  const std::uint32_t bytes = static_cast<std::uint32_t>(key->words) * 4;
  if (!InTable(state, static_cast<std::uint64_t>(nameOffset) + 4, bytes)) return false;
  return std::memcmp(record + 4, key->name, bytes) == 0;
}

bool IsDirectory(const std::uint8_t* entry) {
  return (LoadU32(entry + kArchiveEntryAttributes) & kArchiveDirectoryAttribute) != 0;
}

// The first entry of the current directory with a matching name and the wanted kind, or NULL.
const std::uint8_t* FindEntry(const ArchiveState* state, const ArchiveNameKey* key, bool directory) {
  const std::uint8_t* entry = nullptr;
  std::uint32_t count = 0;
  if (!DirEntries(state, state->currentDir, &entry, &count)) return nullptr;
  const int entrySize = FileEntrySize(state);
  for (std::uint32_t i = 0; i < count; ++i, entry += entrySize) {
    if (IsDirectory(entry) == directory && NameMatches(state, entry, key)) return entry;
  }
  return nullptr;
}

// Length in bytes of the component at p: up to a backslash or the end, double-byte characters taken whole.
int ComponentLength(const char* p) {
  const char* q = p;
  while (*q != '\0' && *q != '\\') q += (IsSjisLeadByte(static_cast<unsigned char>(*q)) && q[1] != '\0') ? 2 : 1;
  return static_cast<int>(q - p);
}

bool HasSeparator(const char* path) { return path[ComponentLength(path)] == '\\'; }

// Reads count bytes at a file position of the archive and unscrambles them; the bytes read.
std::uint32_t ReadAt(ArchiveState* state, std::uint32_t position, void* buffer, std::uint32_t count) {
  if (static_cast<std::uint32_t>(PlainFileTell(state->file)) != position &&
      PlainFileSeek(state->file, static_cast<int>(position), 0) != 0) {
    return 0;
  }
  const int got = PlainFileRead(buffer, 1, static_cast<int>(count), state->file);
  if (got <= 0) return 0;
  UnscrambleArchiveData(static_cast<std::uint32_t>(got), position, buffer, state->key);
  return static_cast<std::uint32_t>(got);
}

void ClearState(ArchiveState* state) { std::memset(state, 0, sizeof *state); }

int FailOpen(ArchiveState* state) {
  if (state->table != nullptr) MemFree(state->table);
  if (state->file != 0) ClosePlainFile(state->file);
  ClearState(state);
  return -1;
}

}  // namespace

void MakeArchiveKey(const char* keyString, std::uint8_t key[kArchiveKeySize]) {
  const size_t length = keyString != nullptr ? std::strlen(keyString) : 0;
  for (int i = 0; i < kArchiveKeySize; ++i) {
    key[i] = length == 0 ? kArchiveKeyFiller : static_cast<std::uint8_t>(keyString[static_cast<size_t>(i) % length]);
  }
  key[0] = Not(key[0]);
  key[1] = SwapNibbles(key[1]);
  key[2] ^= kArchiveKeyXor2;
  key[3] = Not(SwapNibbles(key[3]));
  key[4] = Not(key[4]);
  key[5] ^= kArchiveKeyXor5;
  key[6] = Not(key[6]);
  key[7] = Not(RotateRight3(key[7]));
  key[8] = RotateLeft3(key[8]);
  key[9] ^= kArchiveKeyXor9;
  key[10] = SwapNibbles(key[10]) ^ kArchiveKeyXor10;
  key[11] ^= kArchiveKeyXor11;
}

void MakeSecondArchiveKey(std::uint8_t key[kArchiveKeySize]) { std::memset(key, kArchiveSecondKeyByte, kArchiveKeySize); }

void UnscrambleArchiveData(std::uint32_t count, std::uint32_t filePosition, void* data,
                           const std::uint8_t key[kArchiveKeySize]) {
  auto* p = static_cast<std::uint8_t*>(data);
  std::uint32_t k = filePosition % kArchiveKeySize;
  std::uint32_t i = 0;
  // Up to the next key start, then whole 12-byte groups, then the rest.
  for (; i < count && k != 0; ++i) {
    p[i] ^= key[k];
    k = k == kArchiveKeySize - 1 ? 0 : k + 1;
  }
  std::uint32_t words[3];
  std::memcpy(words, key, sizeof words);
  for (; count - i >= kArchiveKeySize; i += kArchiveKeySize) {
    std::uint32_t v[3];
    std::memcpy(v, p + i, sizeof v);
    v[0] ^= words[0];
    v[1] ^= words[1];
    v[2] ^= words[2];
    std::memcpy(p + i, v, sizeof v);
  }
  for (k = 0; i < count; ++i, ++k) p[i] ^= key[k];
}

int OpenArchiveState(ArchiveState* state, const char* path, const char* keyString) {
  if (state->file != 0) return -1;
  ClearState(state);
  state->file = OpenPlainFile(path, 0, 0);
  if (state->file == 0) return -1;
  const std::int64_t fileSize = PlainFileSize(state->file);
  if (fileSize < kArchiveHeaderSize || fileSize > 0x7FFFFFFF) return FailOpen(state);
  state->fileSize = static_cast<std::uint32_t>(fileSize);

  std::uint8_t raw[kArchiveHeaderSize];
  if (PlainFileRead(raw, 1, kArchiveHeaderSize, state->file) != kArchiveHeaderSize) return FailOpen(state);
  std::uint8_t plain[kArchiveHeaderSize];
  MakeArchiveKey(keyString, state->key);
  std::memcpy(plain, raw, sizeof plain);
  UnscrambleArchiveData(kArchiveHeaderSize, 0, plain, state->key);
  ArchiveHeader header = ParseHeader(plain);
  if (header.magic != kArchiveMagic) {
    MakeSecondArchiveKey(state->key);
    std::memcpy(plain, raw, sizeof plain);
    UnscrambleArchiveData(kArchiveHeaderSize, 0, plain, state->key);
    header = ParseHeader(plain);
  }
  if (header.magic != kArchiveMagic || header.version > kArchiveMaxVersion) return FailOpen(state);
  state->header = header;

  // The table block must lie in the file and hold the root directory; the data area must start inside the file.
  if (static_cast<std::uint64_t>(header.tableOffset) + header.tableSize > state->fileSize ||
      header.dataOffset > state->fileSize || header.fileTableOffset > header.tableSize ||
      !InTable(state, header.dirTableOffset, kArchiveDirEntrySize)) {
    return FailOpen(state);
  }
  state->table = static_cast<std::uint8_t*>(ENGINE_ALLOC(static_cast<int>(header.tableSize)));
  if (state->table == nullptr) return FailOpen(state);
  if (ReadAt(state, header.tableOffset, state->table, header.tableSize) != header.tableSize) return FailOpen(state);
  state->fileTable = state->table + header.fileTableOffset;
  state->dirTable = state->table + header.dirTableOffset;
  state->currentDir = 0;
  return 0;
}

int CloseArchiveState(ArchiveState* state) {
  if (state->file == 0) return 0;
  ClosePlainFile(state->file);
  if (state->table != nullptr) MemFree(state->table);
  ClearState(state);
  return 0;
}

int MakeArchiveNameKey(const char* name, ArchiveNameKey* key, int* length) {
  key->words = 0;
  key->sum = 0;
  const int n = ComponentLength(name);
  if (length != nullptr) *length = n;
  const int padded = (n + 4) & ~3;
  if (padded > kArchiveNameKeySize) return -1;
  std::uint32_t sum = 0;
  for (int i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(name[i]);
    if (IsSjisLeadByte(c) && i + 1 < n) {
      key->name[i] = c;
      key->name[i + 1] = static_cast<unsigned char>(name[i + 1]);
      sum += c + static_cast<unsigned char>(name[i + 1]);
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    key->name[i] = c;
    sum += c;
  }
  std::memset(key->name + n, 0, static_cast<size_t>(padded - n));
  key->sum = static_cast<std::uint16_t>(sum);
  key->words = static_cast<std::uint16_t>(padded / 4);
  return 0;
}

int EnterArchiveSubdirectory(ArchiveState* state, const ArchiveNameKey* key) {
  const std::uint8_t* entry = FindEntry(state, key, true);
  if (entry == nullptr) return -1;
  const std::uint32_t target = LoadU32(entry + kArchiveEntryData);
  if (DirEntry(state, target) == nullptr) return -1;
  state->currentDir = target;
  return 0;
}

int ChangeArchiveDirectory(ArchiveState* state, const char* path, int restore, ArchiveNameKey* keyOut,
                           const char** stopAt) {
  const std::uint32_t saved = state->currentDir;
  if (stopAt != nullptr) *stopAt = nullptr;
  if (std::strcmp(path, ".") == 0) return 0;
  if (std::strcmp(path, "\\") == 0) {
    state->currentDir = 0;
    return 0;
  }
  if (std::strcmp(path, "..") == 0) {
    const std::uint8_t* dir = DirEntry(state, state->currentDir);
    const std::uint32_t parent = dir != nullptr ? LoadU32(dir + kArchiveDirParent) : kArchiveNoParent;
    if (parent == kArchiveNoParent || DirEntry(state, parent) == nullptr) return -1;
    state->currentDir = parent;
    return 0;
  }
  ArchiveNameKey key;
  key.words = 0;
  const char* p = path;
  while (*p != '\0') {
    int length = ComponentLength(p);
    if (length == 0) {
      // An empty component before a backslash: back to the root.
      state->currentDir = 0;
      ++p;
      continue;
    }
    if (MakeArchiveNameKey(p, &key, &length) != 0 || EnterArchiveSubdirectory(state, &key) != 0) {
      if (keyOut != nullptr) *keyOut = key;
      if (stopAt != nullptr) *stopAt = p;
      if (restore == 1) state->currentDir = saved;
      return -1;
    }
    p += length;
    if (*p == '\\') ++p;
  }
  if (keyOut != nullptr) *keyOut = key;
  return 0;
}

const std::uint8_t* FindArchiveFileEntry(const char* path, ArchiveState* state) {
  const std::uint32_t saved = state->currentDir;
  ArchiveNameKey key;
  const std::uint8_t* entry = nullptr;
  if (HasSeparator(path)) {
    const char* stop = nullptr;
    // A path that ends in a directory names no file; neither does one whose walk stops before its last component.
    if (ChangeArchiveDirectory(state, path, 0, &key, &stop) != 0 && stop != nullptr && !HasSeparator(stop)) {
      entry = FindEntry(state, &key, false);
    }
  } else if (MakeArchiveNameKey(path, &key, nullptr) == 0) {
    entry = FindEntry(state, &key, false);
  }
  state->currentDir = saved;
  return entry;
}

int OpenArchiveMember(ArchiveMember* member, ArchiveState* state, const char* path) {
  std::memset(member, 0, sizeof *member);
  const std::uint8_t* entry = FindArchiveFileEntry(path, state);
  if (entry == nullptr) return -1;
  const std::uint32_t size = LoadU32(entry + kArchiveEntrySize);
  const std::uint64_t start = static_cast<std::uint64_t>(state->header.dataOffset) + LoadU32(entry + kArchiveEntryData);
  if (size > 0x7FFFFFFFu) return -1;
  const std::uint32_t compressedSize = state->header.version >= kArchiveFirstCompressingVersion
                                           ? LoadU32(entry + kArchiveEntryCompressedSize)
                                           : kArchiveStoredMember;
  if (compressedSize == kArchiveStoredMember) {
    if (start + size > state->fileSize) return -1;
  } else {
    // The compressed bytes must lie in the file, and the decoder can yield at most so much from them.
    if (compressedSize < kArchiveLzHeaderSize || start + compressedSize > state->fileSize ||
        size > (compressedSize - kArchiveLzHeaderSize) * kArchiveLzMaxExpansion) {
      return -1;
    }
    auto* work = static_cast<std::uint8_t*>(ENGINE_ALLOC(static_cast<int>(compressedSize)));
    auto* data = static_cast<std::uint8_t*>(ENGINE_ALLOC(size > 0 ? static_cast<int>(size) : 1));
    bool ok = work != nullptr && data != nullptr &&
              ReadAt(state, static_cast<std::uint32_t>(start), work, compressedSize) == compressedSize &&
              DecodeArchiveLz(work, compressedSize, data, size) == static_cast<int>(size);
    if (work != nullptr) MemFree(work);
    if (!ok) {
      if (data != nullptr) MemFree(data);
      return -1;
    }
    member->data = data;
  }
  member->state = state;
  member->entry = entry;
  member->size = size;
  member->filePosition = static_cast<std::uint32_t>(start);
  member->position = 0;
  member->eof = 0;
  return 0;
}

void CloseArchiveMember(ArchiveMember* member) {
  if (member->data != nullptr) MemFree(member->data);
  std::memset(member, 0, sizeof *member);
}

int ReadArchiveMember(ArchiveMember* member, void* buffer, std::uint32_t count) {
  if (member->eof == 1) return 0;
  if (member->position >= member->size) {
    member->eof = 1;
    return 0;
  }
  std::uint32_t n = member->size - member->position;
  if (count < n) n = count;
  if (member->data != nullptr) {
    std::memcpy(buffer, member->data + member->position, n);
  } else {
    n = ReadAt(member->state, member->filePosition + member->position, buffer, n);
  }
  member->position += n;
  member->eof = 0;
  return static_cast<int>(n);
}

int SeekArchiveMember(ArchiveMember* member, int offset, int origin) {
  std::int64_t target = offset;
  if (origin == 1) target += member->position;
  if (origin == 2) target += member->size;
  if (target < 0) target = 0;
  if (target > static_cast<std::int64_t>(member->size)) target = member->size;
  member->position = static_cast<std::uint32_t>(target);
  member->eof = 0;
  return 0;
}
