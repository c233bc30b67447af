// Engine paths (CP932 bytes, drive letters, either separator, any letter case) resolved onto a small directory tree:
// the native path, opening it, the way back to the engine form, full-path resolution against a base, and the CP932
// <-> UTF-8 conversion. The first byte picks whether the path is taken inside the tree and may add or remove an entry
// (so cached listings must follow).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/core/string_util.h"
#include "platform/files/file.h"
#include "platform/files/path.h"
#include "tests/fuzz/fuzz_engine.h"

namespace {

// The tree: mixed-case names, names differing only in case, a Japanese name, nested directories.
const std::string& Tree() {
  static const std::string root = [] {
    const std::string r = fuzz::TempDirectory() + "/Tree";
    namespace fs = std::filesystem;
    fs::create_directories(r + "/Data/Sub");
    fs::create_directories(r + "/data2");
    for (const char* name : {"/A.TXT", "/a.txt", "/Data/Sub/File.Bin", "/data2/\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.txt"}) {
      std::FILE* f = std::fopen((r + name).c_str(), "wb");
      if (f != nullptr) std::fclose(f);
    }
    return r;
  }();
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string text = input.substr(0, input.find('\0'));
  const bool inTree = (data[0] & 1) != 0;
  const std::string enginePath = inTree ? platform::ToEnginePath(Tree()) + "\\" + text : text;

  const std::string native = platform::ToNativePath(enginePath);
  const platform::FileHandle file = platform::OpenFileForRead(enginePath.c_str());
  if (file != platform::kInvalidFileHandle) platform::CloseFile(file);
  if (!native.empty() && native[0] == '/') platform::ToEnginePath(native);

  char out[kMaxPath];
  const std::size_t split = text.size() / 2;
  const std::string base = text.substr(0, split);
  ResolveFullPath(text.c_str() + split, out, base.empty() ? "C:\\" : base.c_str());
  ResolveFullPath(text.c_str(), out, nullptr);
  char upper[4097];
  std::memcpy(upper, text.c_str(), text.size() + 1);
  UpperCaseSjis(upper);
  FindCharSjis(upper, '\\');
  platform::Utf8ToCp932(platform::Cp932ToUtf8(text));

  // Change the tree now and then, so the cached listings have to follow.
  if ((data[0] & 6) == 6) {
    const std::string made = Tree() + "/Data/" + std::to_string(data[0] >> 3) + ".tmp";
    std::FILE* f = std::fopen(made.c_str(), "wb");
    if (f != nullptr) std::fclose(f);
  } else if ((data[0] & 6) == 4) {
    std::remove((Tree() + "/Data/" + std::to_string(data[0] >> 3) + ".tmp").c_str());
  }
  return 0;
}
