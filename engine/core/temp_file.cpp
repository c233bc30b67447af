#include "engine/core/temp_file.h"

#include <string>

#include "engine/core/string_util.h"

platform::FileHandle CreateTempFile(char* pathOut) {
  std::string directory;
  if (!platform::GetTempDirectory(&directory) || directory.size() >= 256) return platform::kInvalidFileHandle;
  std::string path;
  const platform::FileHandle file = platform::CreateTempFileIn(directory, &path);
  if (file == platform::kInvalidFileHandle) return file;
  if (path.size() + 1 > static_cast<size_t>(kMaxPath)) {
    platform::CloseFile(file);
    platform::DeleteFileEngine(path.c_str());
    return platform::kInvalidFileHandle;
  }
  if (pathOut != nullptr) CopyString(pathOut, path.c_str());
  return file;
}
