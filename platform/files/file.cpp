#include "platform/files/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/files/path.h"

namespace platform {

FileHandle OpenFileForRead(const char* enginePath) {
  if (enginePath == nullptr) return kInvalidFileHandle;
  const NativePath native = ResolveNativePath(enginePath);
  if (native.knownMissing) {
    errno = ENOENT;
    return kInvalidFileHandle;
  }
  // Opened non-blocking, a named pipe without a writer does not hold the open up; it is refused below, and a regular
  // file gets its blocking status flags back.
  const int fd = ::open(native.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return kInvalidFileHandle;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
    ::close(fd);
    return kInvalidFileHandle;
  }
  return fd;
}

FileHandle CreateNewFile(const char* enginePath) {
  if (enginePath == nullptr) return kInvalidFileHandle;
  const int fd = ::open(ToNativePath(enginePath).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  return fd < 0 ? kInvalidFileHandle : fd;
}

bool ReadFromFile(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* done) {
  *done = 0;
  auto* out = static_cast<char*>(buffer);
  while (*done < size) {
    const ssize_t n = ::read(file, out + *done, size - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool WriteToFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t* done) {
  *done = 0;
  const auto* in = static_cast<const char*>(data);
  while (*done < size) {
    const ssize_t n = ::write(file, in + *done, size - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    *done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool SetFilePosition(FileHandle file, std::int64_t offset) {
  if (offset < 0) return false;
  return ::lseek(file, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

std::int64_t GetFileSize(FileHandle file) {
  struct stat st {};
  if (fstat(file, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool CloseFile(FileHandle file) { return file >= 0 && ::close(file) == 0; }

bool DeleteFileEngine(const char* enginePath) {
  // An empty path names the current directory: never a file to delete.
  return enginePath != nullptr && enginePath[0] != '\0' && ::unlink(ToNativePath(enginePath).c_str()) == 0;
}

bool GetTempDirectory(std::string* enginePath) {
  const char* dir = std::getenv("TMPDIR");
  std::string native = dir != nullptr && dir[0] == '/' ? dir : "/tmp";
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  struct stat st {};
  if (stat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  *enginePath = ToEnginePath(native);
  if (enginePath->back() != '\\') *enginePath += '\\';
  return true;
}

FileHandle CreateTempFileIn(const std::string& engineDirectory, std::string* enginePath) {
  std::string native = ToNativePath(engineDirectory);
  if (native.empty() || native.back() != '/') native += '/';
  native += "tmpXXXXXX.tmp";
  std::vector<char> name(native.begin(), native.end());
  name.push_back('\0');
  const int fd = mkostemps(name.data(), 4, O_CLOEXEC);
  if (fd < 0) return kInvalidFileHandle;
  *enginePath = ToEnginePath(name.data());
  return fd;
}

}  // namespace platform
