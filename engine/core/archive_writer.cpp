#include "engine/core/archive_writer.h"

#include <algorithm>
#include <deque>
#include <set>

#include "engine/core/archive_lz.h"
#include "engine/core/archive_reader.h"
#include "engine/core/string_util.h"

namespace {

void PutU16(std::vector<std::uint8_t>* out, size_t at, std::uint32_t v) {
  (*out)[at] = static_cast<std::uint8_t>(v);
  (*out)[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::vector<std::uint8_t>* out, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) (*out)[at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The name as the reader keys it: ASCII letters upper-cased, double-byte characters as they are.
std::string UpperName(const std::string& name) {
  std::string upper = name;
  for (size_t i = 0; i < upper.size(); ++i) {
    const auto c = static_cast<unsigned char>(upper[i]);
    if (IsSjisLeadByte(c) && i + 1 < upper.size()) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      upper[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return upper;
}

// A name record: word count, byte sum and the upper-cased name padded to whole words (at least one zero byte),
// followed by the name in its own case padded alike (the reader does not read it).
void AppendNameRecord(std::vector<std::uint8_t>* table, const std::string& name) {
  const std::string upper = UpperName(name);
  const size_t padded = (upper.size() + 4) & ~size_t{3};
  std::uint32_t sum = 0;
  for (unsigned char c : upper) sum += c;
  const size_t at = table->size();
  table->resize(at + 4 + 2 * padded, 0);
  PutU16(table, at, static_cast<std::uint32_t>(padded / 4));
  PutU16(table, at + 2, sum & 0xFFFF);
  std::copy(upper.begin(), upper.end(), table->begin() + static_cast<std::ptrdiff_t>(at + 4));
  std::copy(name.begin(), name.end(), table->begin() + static_cast<std::ptrdiff_t>(at + 4 + padded));
}

struct PendingDirectory {
  const ArchiveWriterEntry* entry;
  std::uint32_t dirOffset;    // in the directory table
  std::uint32_t selfEntry;    // its own file entry's offset in the file table; kArchiveNoParent for the root
  std::uint32_t parent;       // parent's directory-entry offset
};

bool Fail(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
  return false;
}

}  // namespace

ArchiveWriteOptions MakeArchiveWriteOptions(const char* keyString, int version) {
  ArchiveWriteOptions options;
  options.version = version;
  MakeArchiveKey(keyString, options.key.data());
  return options;
}

bool WriteArchive(const ArchiveWriterEntry& root, const ArchiveWriteOptions& options, std::vector<std::uint8_t>* image,
                  std::string* error, ArchiveWriteSummary* summary) {
  if (options.version < 0 || options.version > kArchiveMaxVersion) return Fail(error, "unsupported version");
  const bool compressing =
      options.version >= kArchiveFirstCompressingVersion && options.compression != ArchiveCompression::kNever;
  const size_t entrySize =
      options.version >= kArchiveFirstCompressingVersion ? kArchiveFileEntrySizeV2 : kArchiveFileEntrySizeV0;
  ArchiveWriteSummary counts;

  std::vector<std::uint8_t> names;
  std::vector<std::uint8_t> files;
  std::vector<std::uint8_t> dirs(kArchiveDirEntrySize, 0);
  std::vector<std::uint8_t> data;

  // Directories breadth first; each directory's entries lie together in the file table, sorted by name.
  std::deque<PendingDirectory> queue{{&root, 0, kArchiveNoParent, kArchiveNoParent}};
  while (!queue.empty()) {
    const PendingDirectory dir = queue.front();
    queue.pop_front();
    std::vector<const ArchiveWriterEntry*> children;
    std::set<std::string> seen;
    for (const ArchiveWriterEntry& child : dir.entry->children) {
      if (child.name.empty()) return Fail(error, "empty name in directory \"" + dir.entry->name + "\"");
      if (((UpperName(child.name).size() + 4) & ~size_t{3}) > static_cast<size_t>(kArchiveNameKeySize)) {
        return Fail(error, "name too long: \"" + child.name + "\"");
      }
      if (!seen.insert(UpperName(child.name)).second) {
        return Fail(error, "names differ only in letter case: \"" + child.name + "\"");
      }
      children.push_back(&child);
    }
    std::sort(children.begin(), children.end(),
              [](const ArchiveWriterEntry* a, const ArchiveWriterEntry* b) { return UpperName(a->name) < UpperName(b->name); });

    const auto first = static_cast<std::uint32_t>(files.size());
    PutU32(&dirs, dir.dirOffset + kArchiveDirSelf, dir.selfEntry);
    PutU32(&dirs, dir.dirOffset + kArchiveDirParent, dir.parent);
    PutU32(&dirs, dir.dirOffset + kArchiveDirCount, static_cast<std::uint32_t>(children.size()));
    PutU32(&dirs, dir.dirOffset + kArchiveDirFirst, first);
    files.resize(files.size() + entrySize * children.size(), 0);

    for (size_t i = 0; i < children.size(); ++i) {
      const ArchiveWriterEntry& child = *children[i];
      const size_t at = first + i * entrySize;
      PutU32(&files, at + kArchiveEntryName, static_cast<std::uint32_t>(names.size()));
      AppendNameRecord(&names, child.name);
      if (child.directory) {
        ++counts.directories;
        const auto dirOffset = static_cast<std::uint32_t>(dirs.size());
        dirs.resize(dirs.size() + kArchiveDirEntrySize, 0);
        PutU32(&files, at + kArchiveEntryAttributes, kArchiveDirectoryAttribute);
        PutU32(&files, at + kArchiveEntryData, dirOffset);
        queue.push_back({&child, dirOffset, static_cast<std::uint32_t>(at), dir.dirOffset});
        continue;
      }
      ++counts.files;
      counts.originalBytes += child.data.size();
      if (child.data.size() > 0x7FFFFFFFu) return Fail(error, "file too large: \"" + child.name + "\"");
      PutU32(&files, at + kArchiveEntryAttributes, kArchiveFileAttribute);
      PutU32(&files, at + kArchiveEntryData, static_cast<std::uint32_t>(data.size()));
      PutU32(&files, at + kArchiveEntrySize, static_cast<std::uint32_t>(child.data.size()));
      std::uint32_t compressedSize = kArchiveStoredMember;
      if (compressing) {
        std::vector<std::uint8_t> block = EncodeArchiveLz(child.data.data(), child.data.size());
        if (options.compression == ArchiveCompression::kAlways || block.size() < child.data.size()) {
          compressedSize = static_cast<std::uint32_t>(block.size());
          data.insert(data.end(), block.begin(), block.end());
          ++counts.compressedFiles;
        }
      }
      if (compressedSize == kArchiveStoredMember) data.insert(data.end(), child.data.begin(), child.data.end());
      if (entrySize == kArchiveFileEntrySizeV2) PutU32(&files, at + kArchiveEntryCompressedSize, compressedSize);
      if (data.size() > 0x7FFFFFFFu) return Fail(error, "archive too large");
    }
  }
  counts.storedBytes = data.size();

  // Layout: header, data area, table block (name table, file table, directory table).
  names.resize((names.size() + 3) & ~size_t{3}, 0);
  const auto fileTableOffset = static_cast<std::uint32_t>(names.size());
  const auto dirTableOffset = static_cast<std::uint32_t>(names.size() + files.size());
  const std::uint64_t tableSize = names.size() + files.size() + dirs.size();
  const std::uint64_t tableOffset = kArchiveHeaderSize + data.size();
  if (tableOffset + tableSize > 0x7FFFFFFFu) return Fail(error, "archive too large");

  std::vector<std::uint8_t>& out = *image;
  out.assign(kArchiveHeaderSize, 0);
  PutU16(&out, 0, kArchiveMagic);
  PutU16(&out, 2, static_cast<std::uint32_t>(options.version));
  PutU32(&out, 4, static_cast<std::uint32_t>(tableSize));
  PutU32(&out, 8, kArchiveHeaderSize);
  PutU32(&out, 12, static_cast<std::uint32_t>(tableOffset));
  PutU32(&out, 16, fileTableOffset);
  PutU32(&out, 20, dirTableOffset);
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), names.begin(), names.end());
  out.insert(out.end(), files.begin(), files.end());
  out.insert(out.end(), dirs.begin(), dirs.end());
  UnscrambleArchiveData(static_cast<std::uint32_t>(out.size()), 0, out.data(), options.key.data());
  if (summary != nullptr) *summary = counts;
  return true;
}
