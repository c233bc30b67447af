// The archive-aware file layer: the default file-function set. A path whose directory D (at any depth) has an
// archive "D.<extension>" beside it is read from that archive; any other path opens as a plain file. Archives stay
// cached and are shared by the files opened from them.
//
// File handles are slot | 0xF0000000; 0 means failure.
#pragma once

#include <cstdint>

#include "engine/core/archive_reader.h"
#include "engine/core/stream.h"

inline constexpr int kMaxOpenFiles = 512;
inline constexpr int kMaxCachedArchives = 512;
inline constexpr std::uint32_t kFileHandleTag = 0xF0000000u;
inline constexpr int kArchivePathSize = 256;
inline constexpr int kArchiveExtensionSize = 64;
inline constexpr int kArchiveKeyStringMax = 12;

struct FileHandleRecord {
  int kind;  // 1 archive member, 0 plain file
  StreamHandle plainFile;
  int archiveIndex;
  ArchiveMember member;
};

struct ArchiveRecord {
  int referenceCount;  // open members plus lookups that chose this archive
  ArchiveState state;
  char path[kArchivePathSize];  // full upper-cased path with the extension
};

struct ArchiveLayerState {
  ArchiveRecord* archives[kMaxCachedArchives];
  int archiveCount;
  FileHandleRecord* files[kMaxOpenFiles];
  int fileCount;
  char extension[kArchiveExtensionSize];  // used as given; length 0 means "ZUR"
  int extensionLength;
  int keyStringSet;
  char keyString[kArchiveKeyStringMax + 1];
  // The archive found last, for the fast path.
  int lastArchiveIndex;
  char lastArchivePath[kArchivePathSize];
  int lastPrefixLength;  // its directory's length in the full path; 0 = none yet
};

extern ArchiveLayerState g_ArchiveLayer;

// Start-up: zeroes all layer state (before the file table is installed).
void ClearArchiveTables();
// Closes and frees every cached archive that no open file uses (cache full, shut-down).
void ReleaseUnusedArchives();

int SetArchiveExtensionBody(const char* extension);
int SetArchiveExtensionForward(const char* extension);
int SetArchiveKeyStringBody(const char* keyString);
int SetArchiveKeyStringForward(const char* keyString);

// The full path of path (NULL: the current directory) with ASCII letters upper-cased, into out (kMaxPath bytes).
// 0, or -1 for an empty component or a path that does not fit.
int MakeFullPath(const char* path, char* out);
// Cache index of the archive at path (opened and cached when it is not yet), with one more reference; -1.
int OpenArchiveCached(int hint, const char* path);

StreamHandle OpenArchiveAwareFile(const char* path, int useThread, int unused);
// Slots 1 to 5 give -1 for a handle that names no open file.
int CloseArchiveAwareFile(StreamHandle handle);
int ArchiveAwareTell(StreamHandle handle);
int ArchiveAwareSeek(StreamHandle handle, int offset, int origin);
// Whole items, for archive members as for plain files.
int ArchiveAwareRead(void* buffer, int itemSize, int itemCount, StreamHandle handle);
int ArchiveAwareEof(StreamHandle handle);
int ArchiveAwareIdleCheck(StreamHandle handle);
int ArchiveAwareSetCurrentDir(const char* path);
int ArchiveAwareGetCurrentDir(char* buffer);
