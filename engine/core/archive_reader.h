// The archive reader: opens an archive file, finds members by path and reads them. Every byte of an archive is
// scrambled with a 12-byte key by its file position; members of version 2 and later may be LZ-compressed
// (engine/core/archive_lz.h). Tables, offsets and sizes are checked against the file and the table block, so a
// damaged archive fails to open or its members are not found.
#pragma once

#include <cstdint>

#include "engine/core/archive_format.h"
#include "engine/core/stream.h"

struct ArchiveHeader {
  std::uint16_t magic;
  std::uint16_t version;
  std::uint32_t tableSize;
  std::uint32_t dataOffset;       // file offset of the data area
  std::uint32_t tableOffset;      // file offset of the table block
  std::uint32_t fileTableOffset;  // from the table block's start
  std::uint32_t dirTableOffset;   // from the table block's start
};

struct ArchiveState {
  ArchiveHeader header;
  StreamHandle file;  // plain file (direct mode); 0 when the state is empty
  std::uint32_t fileSize;
  std::uint8_t* table;  // the table block; the name table starts at its first byte
  const std::uint8_t* fileTable;
  const std::uint8_t* dirTable;
  std::uint32_t currentDir;  // offset of the current directory's entry in the directory table
  std::uint8_t key[kArchiveKeySize];
};

struct ArchiveMember {
  ArchiveState* state;
  const std::uint8_t* entry;  // the member's file entry in the table block
  std::uint8_t* data;         // decompressed copy, or NULL for a stored member
  int eof;
  std::uint32_t position;
  std::uint32_t size;
  std::uint32_t filePosition;  // file offset of a stored member's first byte
};

// One path component as the name table holds it: upper-cased (double-byte characters as they are), zero-padded to
// (length + 4) & ~3 bytes, its byte sum and its word count. A word count of 0 marks a name that cannot be a key.
struct ArchiveNameKey {
  std::uint8_t name[kArchiveNameKeySize];
  std::uint16_t sum;
  std::uint16_t words;
};

// 0, or -1 for a missing file, a wrong magic under both keys, a version above 3, tables that do not fit the file,
// or no memory. Fails at once when the state already holds a file.
int OpenArchiveState(ArchiveState* state, const char* path, const char* keyString);
int CloseArchiveState(ArchiveState* state);

// The 12 key bytes for a key string (NULL or empty: the filler byte), or the second built-in key.
void MakeArchiveKey(const char* keyString, std::uint8_t key[kArchiveKeySize]);
void MakeSecondArchiveKey(std::uint8_t key[kArchiveKeySize]);
// XORs each byte with the key byte of its file position (mod 12); the same call scrambles.
void UnscrambleArchiveData(std::uint32_t count, std::uint32_t filePosition, void* data,
                           const std::uint8_t key[kArchiveKeySize]);

// Builds the key of the component at name (up to a backslash or the end); *length gets its byte length.
// 0, or -1 when the component does not fit a key.
int MakeArchiveNameKey(const char* name, ArchiveNameKey* key, int* length);
// Makes the current directory's subdirectory of that name current. 0, or -1 (unchanged) when there is none.
int EnterArchiveSubdirectory(ArchiveState* state, const ArchiveNameKey* key);
// Changes the current directory along a backslash-separated path ("." stays, "\" is the root, ".." the parent).
// On a component that cannot be entered: -1, the current directory restored when restore is 1; *stopAt (when given)
// points at that component. The key of the last component tried goes to keyOut when given.
int ChangeArchiveDirectory(ArchiveState* state, const char* path, int restore, ArchiveNameKey* keyOut,
                           const char** stopAt = nullptr);
// The file entry of a member path relative to the root, or NULL. Every component before the last must be a
// directory and the last a file.
const std::uint8_t* FindArchiveFileEntry(const char* path, ArchiveState* state);

// 0, or -1 when the path names no file or the member's data is damaged or does not fit the file.
int OpenArchiveMember(ArchiveMember* member, ArchiveState* state, const char* path);
// Frees the decompressed copy and clears the member.
void CloseArchiveMember(ArchiveMember* member);
// Bytes delivered; 0 with the eof flag set at the end.
int ReadArchiveMember(ArchiveMember* member, void* buffer, std::uint32_t count);
// Clamps the target to 0..size, clears the eof flag. Returns 0.
int SeekArchiveMember(ArchiveMember* member, int offset, int origin);
