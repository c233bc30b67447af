#include "game/flow/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool write_all(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string directory_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename is only durable once the directory entry itself has reached the disk.
bool sync_directory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace

bool write_file_atomically(const char* path, const void* bytes, std::size_t size) {
  if (path == nullptr || path[0] == '\0' || (bytes == nullptr && size > 0)) return false;
  const std::string target = path;
  // mkstemp gives each writer its own temporary file, so two writers never write into the same one.
  std::vector<char> temp(target.begin(), target.end());
  const char suffix[] = ".tmpXXXXXX";
  temp.insert(temp.end(), suffix, suffix + sizeof suffix);
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // A replaced file keeps its permissions; a new one gets the usual ones (mkstemp makes it private).
  struct stat old {};
  const mode_t mode = ::stat(path, &old) == 0 ? (old.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, static_cast<const char*>(bytes), size) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.data(), path) != 0) {
    ::unlink(temp.data());
    return false;
  }
  // The new contents are in place; a directory that cannot be synced does not undo that.
  sync_directory(directory_of(target));
  return true;
}
