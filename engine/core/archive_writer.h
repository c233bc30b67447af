// Writes archives the reader accepts: a tree of directories and files in memory becomes one scrambled archive
// image. Used by the packer tool and by tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/archive_format.h"

struct ArchiveWriterEntry {
  std::string name;  // CP932, in its own letter case
  bool directory = false;
  std::vector<std::uint8_t> data;              // a file's bytes
  std::vector<ArchiveWriterEntry> children;  // a directory's entries
};

enum class ArchiveCompression {
  kWhereItHelps,  // LZ when the compressed block is smaller than the file, else stored
  kNever,
  kAlways,
};

struct ArchiveWriteOptions {
  int version = 3;  // 0..3; versions 0 and 1 store every member
  std::array<std::uint8_t, kArchiveKeySize> key{};  // the 12 key bytes (MakeArchiveKey)
  ArchiveCompression compression = ArchiveCompression::kWhereItHelps;
};

struct ArchiveWriteSummary {
  int files = 0;
  int directories = 0;
  int compressedFiles = 0;
  std::uint64_t originalBytes = 0;  // the files' bytes
  std::uint64_t storedBytes = 0;    // their bytes in the data area
};

// Options with the key of a key string (NULL: the filler key).
ArchiveWriteOptions MakeArchiveWriteOptions(const char* keyString, int version = 3);

// Builds the archive of root's children into *image. False with a message in *error for an empty or duplicate name
// (names are compared upper-cased), a name longer than a name key holds, or an archive of 2 GiB or more.
bool WriteArchive(const ArchiveWriterEntry& root, const ArchiveWriteOptions& options, std::vector<std::uint8_t>* image,
                  std::string* error, ArchiveWriteSummary* summary = nullptr);
