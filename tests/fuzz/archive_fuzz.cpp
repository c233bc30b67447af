// Arbitrary bytes as an archive file: open it, look members up, read and seek them. The first byte picks how the
// rest is scrambled: 0 with the key of "3842" (the rest is plain content), 1 with the second built-in key, 2 not at
// all (the rest is a scrambled file as the packer writes it without a key).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/archive_reader.h"
#include "engine/core/mem_alloc.h"
#include "platform/files/path.h"

namespace {

const std::string& NativeFile() {
  static const std::string path = "/tmp/archive_fuzz_" + std::to_string(getpid()) + ".zur";
  return path;
}

void ReadAll(ArchiveState* state, const char* path) {
  ArchiveMember member;
  if (OpenArchiveMember(&member, state, path) != 0) return;
  std::uint8_t buffer[4096];
  while (ReadArchiveMember(&member, buffer, sizeof buffer) > 0) {
  }
  SeekArchiveMember(&member, -100, 2);
  ReadArchiveMember(&member, buffer, 57);
  SeekArchiveMember(&member, 3, 0);
  ReadArchiveMember(&member, buffer, 1);
  CloseArchiveMember(&member);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<std::uint8_t> file(data + 1, data + size);
  const int mode = data[0] % 3;
  const char* keyString = mode == 2 ? nullptr : "3842";
  if (mode != 2) {
    std::uint8_t key[kArchiveKeySize];
    if (mode == 0) {
      MakeArchiveKey("3842", key);
    } else {
      MakeSecondArchiveKey(key);
    }
    UnscrambleArchiveData(static_cast<std::uint32_t>(file.size()), 0, file.data(), key);
  }
  FILE* f = std::fopen(NativeFile().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);

  const int blocksBefore = g_MemAlloc.blockCount;
  ArchiveState state{};
  const std::string enginePath = platform::ToEnginePath(NativeFile());
  if (OpenArchiveState(&state, enginePath.c_str(), keyString) != 0) {
    if (g_MemAlloc.blockCount != blocksBefore) std::abort();
    return 0;
  }
  static const char* const kPaths[] = {"A",      "B",     "C.TXT", "D\\A", "D\\B", "D\\E\\A", "\\A",
                                       "D\\..\\A", "A\\B", "D\\",   "D",    "",     "\\\\A"};
  for (const char* path : kPaths) ReadAll(&state, path);
  ChangeArchiveDirectory(&state, "D\\E", 1, nullptr);
  ChangeArchiveDirectory(&state, "..", 0, nullptr);
  ChangeArchiveDirectory(&state, "..", 0, nullptr);
  CloseArchiveState(&state);
  if (g_MemAlloc.blockCount != blocksBefore) std::abort();  // every block is given back
  return 0;
}
