#include "game/flow/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/flow/save_file.h"
#include "game/flow/settings.h"
#include "platform/files/path.h"

namespace {

bool write_all(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;
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
  const char suffix[] = ".tmpXXXXXX";  // remove_stale_temp_files knows this form
  temp.insert(temp.end(), suffix, suffix + sizeof suffix);
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // A replaced file keeps its permissions; a new one gets the usual ones (mkstemp makes it private).
  struct stat old {};
  const mode_t mode = ::stat(path, &old) == 0 ? (old.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, static_cast<const char*>(bytes), size) && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  errno = error;
  if (!ok || ::rename(temp.data(), path) != 0) {
    const int failure = errno;
    ::unlink(temp.data());
    errno = failure;
    return false;
  }
  // The new contents are in place; a directory that cannot be synced does not undo that.
  sync_directory(directory_of(target));
  return true;
}

std::string game_file_path(const char* name) { return platform::ToNativePath(name); }

FileRead read_file_start(const char* path, void* buffer, std::size_t capacity, std::size_t* length) {
  *length = 0;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? FileRead::missing : FileRead::unreadable;
  struct stat st {};
  const bool stated = ::fstat(fd, &st) == 0;
  if (!stated || !S_ISREG(st.st_mode)) {
    const int error = !stated ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = error;
    return FileRead::unreadable;
  }
  char* at = static_cast<char*>(buffer);
  while (*length < capacity) {
    const ssize_t n = ::read(fd, at + *length, capacity - *length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      errno = error;
      return FileRead::unreadable;
    }
    if (n == 0) break;
    *length += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return FileRead::read;
}

void report_file_problem(const char* what, const char* path, int error) {
  std::fprintf(stderr, "selvarinthaxis: %s %s: %s\n", what, path, std::strerror(error));
}

int remove_stale_temp_files(const char* const* names, int count) {
  DIR* dir = ::opendir(".");
  if (dir == nullptr) return 0;
  constexpr std::size_t unique_length = 6;  // the XXXXXX that mkostemp fills
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const char* entry_name = entry->d_name;
    const std::size_t entry_length = std::strlen(entry_name);
    for (int i = 0; i < count; ++i) {
      const std::size_t base = std::strlen(names[i]);
      if (entry_length != base + 4 + unique_length || ::strncasecmp(entry_name, names[i], base) != 0 ||
          std::strncmp(entry_name + base, ".tmp", 4) != 0) {
        continue;
      }
      struct stat st {};
      if (::lstat(entry_name, &st) == 0 && S_ISREG(st.st_mode) && ::unlink(entry_name) == 0) ++removed;
      break;
    }
  }
  ::closedir(dir);
  return removed;
}

int prepare_game_files() {
  // A file-size limit then fails the write (EFBIG), which the writers report, and the old file stays.
  ::signal(SIGXFSZ, SIG_IGN);
  // The engine's double-start check lets one game run in this folder, so no other writer is using these names.
  const char* const names[] = {settings_file_name, save_slot_files[0], save_slot_files[1], save_slot_files[2],
                               auto_save_file};
  return remove_stale_temp_files(names, static_cast<int>(sizeof names / sizeof names[0]));
}
