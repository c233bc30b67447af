// Helpers of the file tests: a scratch directory that is also the current directory, file writing, test data.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/core/archive_file_layer.h"
#include "engine/core/file_functions.h"
#include "engine/core/system_record.h"
#include "platform/files/path.h"

namespace files_test {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory under the system's temporary directory, made the current directory for the test's life.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "files_test_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~ScratchDirectory() {
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes RandomBytes(size_t size, std::uint32_t seed) {
  std::mt19937 gen(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(gen());
  return out;
}

// Text-like data with plenty of repeats: words drawn from a small vocabulary.
inline Bytes TextBytes(size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {"stage ", "enemy ", "sword ", "the ", "hero ", "0123 ", "\r\n", "gsx/ef/"};
  std::mt19937 gen(seed);
  Bytes out;
  while (out.size() < size) {
    const char* w = kWords[gen() % 8];
    for (const char* p = w; *p != '\0' && out.size() < size; ++p) out.push_back(static_cast<std::uint8_t>(*p));
  }
  return out;
}

// Fresh layer state and the default archive-aware table, as after start-up.
inline void ResetFileLayer() {
  for (int i = 0; i < kMaxOpenFiles; ++i) {
    if (g_ArchiveLayer.files[i] != nullptr) CloseArchiveAwareFile(static_cast<StreamHandle>(kFileHandleTag | i));
  }
  ReleaseUnusedArchives();
  ClearArchiveTables();
  g_System.archiveOff = 0;
  InstallFileFunctions(nullptr);
  platform::ClearPathCache();
}

// Reads a whole file through the installed table, in pieces of the given size.
inline Bytes ReadAllThroughTable(StreamHandle handle, int piece) {
  Bytes out;
  std::vector<std::uint8_t> buffer(static_cast<size_t>(piece));
  for (;;) {
    const int n = FileRead(buffer.data(), 1, piece, handle);
    if (n <= 0) break;
    out.insert(out.end(), buffer.begin(), buffer.begin() + n);
  }
  return out;
}

}  // namespace files_test
