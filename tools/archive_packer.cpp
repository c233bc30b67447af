// Packs a directory tree into an archive the engine reads.
//
//   archive_packer [-k KEY] [-v VERSION] [-s] DIRECTORY [ARCHIVE]
//
//   -k KEY      key string (at most 12 characters are used, as by the engine); without it the filler key
//   -v VERSION  format version 0..3 (default 3); versions 0 and 1 store every file
//   -s          store every file (no compression)
//   ARCHIVE     output file; default DIRECTORY with ".ZUR" appended
//
// Files are LZ-compressed where that makes them smaller. Names are converted from UTF-8 to CP932; names that differ
// only in letter case cannot share a directory.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/core/archive_writer.h"
#include "platform/files/path.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fprintf(stderr, "usage: archive_packer [-k KEY] [-v VERSION] [-s] DIRECTORY [ARCHIVE]\n");
  return 2;
}

bool ReadDirectory(const fs::path& dir, ArchiveWriterEntry* out, std::string* error) {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    const std::string utf8 = e.path().filename().string();
    ArchiveWriterEntry child;
    child.name = platform::Utf8ToCp932(utf8);
    if (platform::Cp932ToUtf8(child.name) != utf8) {
      *error = "name has no CP932 form: " + e.path().string();
      return false;
    }
    if (e.is_directory()) {
      child.directory = true;
      if (!ReadDirectory(e.path(), &child, error)) return false;
    } else if (e.is_regular_file()) {
      std::ifstream in(e.path(), std::ios::binary);
      child.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      if (!in.good() && !in.eof()) {
        *error = "cannot read " + e.path().string();
        return false;
      }
    } else {
      std::fprintf(stderr, "skipped (not a file or directory): %s\n", e.path().c_str());
      continue;
    }
    out->children.push_back(std::move(child));
  }
  if (ec) {
    *error = "cannot list " + dir.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* key = nullptr;
  int version = 3;
  bool store = false;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    if (std::strcmp(argv[i], "-k") == 0 && i + 1 < argc) {
      key = argv[++i];
    } else if (std::strcmp(argv[i], "-v") == 0 && i + 1 < argc) {
      version = std::atoi(argv[++i]);
      if (version < 0 || version > kArchiveMaxVersion) return Usage();
    } else if (std::strcmp(argv[i], "-s") == 0) {
      store = true;
    } else {
      return Usage();
    }
  }
  if (argc - i < 1 || argc - i > 2) return Usage();
  fs::path dir = argv[i];
  while (dir.has_relative_path() && !dir.has_filename()) dir = dir.parent_path();
  const fs::path output = argc - i == 2 ? fs::path(argv[i + 1]) : fs::path(dir.string() + ".ZUR");
  if (!fs::is_directory(dir)) {
    std::fprintf(stderr, "not a directory: %s\n", dir.c_str());
    return 1;
  }

  ArchiveWriterEntry root;
  root.directory = true;
  std::string error;
  if (!ReadDirectory(dir, &root, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  // The key string is taken as the engine takes it: in CP932, at most 12 bytes.
  std::string keyText = key != nullptr ? platform::Utf8ToCp932(key) : std::string();
  if (keyText.size() > 12) keyText.resize(12);
  ArchiveWriteOptions options = MakeArchiveWriteOptions(key != nullptr ? keyText.c_str() : nullptr, version);
  if (store) options.compression = ArchiveCompression::kNever;

  std::vector<std::uint8_t> image;
  ArchiveWriteSummary summary;
  if (!WriteArchive(root, options, &image, &error, &summary)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", output.c_str());
    return 1;
  }
  std::printf("%s: %d files (%d compressed), %d directories, %llu bytes -> %llu bytes of data, archive %zu bytes\n",
              output.c_str(), summary.files, summary.compressedFiles, summary.directories,
              static_cast<unsigned long long>(summary.originalBytes),
              static_cast<unsigned long long>(summary.storedBytes), image.size());
  return 0;
}
