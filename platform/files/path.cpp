#include "platform/files/path.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <linux/magic.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

// One conversion direction; the descriptor is opened once per thread and reset before each use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::string Run(std::string_view text) {
    if (!Valid()) return std::string(text);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(text.size() * 4 + 4);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
      if (iconv(cd_, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
        if (errno == E2BIG || outLeft == 0) break;
        // Keep a byte that does not convert as it is and go on after it.
        *dst++ = *in++;
        --inLeft;
        --outLeft;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    return out;
  }

 private:
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
};

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string FoldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string Join(const std::string& dir, const std::string& name) { return dir == "/" ? "/" + name : dir + "/" + name; }

// Directory listings by native directory path, for case-blind lookups. Each listing maps the case-folded names of a
// directory to its entries.
//
// Listings are kept current in one of two ways. Where the kernel reports changes (inotify), a listing is watched: it
// is answered from without touching the file system, and the events keep it in step (names made and removed are
// applied to it; a directory moved or removed takes its listing and those below along). Events are queued by the
// call that makes the change, whoever makes it, so reading the queue before each resolution sees every change
// finished before it. A watched listing stands for its path only while every directory above it is watched too (a
// renamed parent is reported to the parent's watch, which then forgets the listings below the name). Where watching is
// not possible (no inotify, watch limit reached, a file system whose changes may bypass this kernel), lookups go to
// the file system as they would without a cache, and the listing is trusted while the directory's identity and
// modification time are unchanged and that time lies clearly before the moment the listing was read (a change within
// the file system's timestamp granularity would otherwise go unseen). File systems that keep sub-second times stamp
// with the kernel's coarse clock, a few milliseconds behind; those that keep whole seconds (a modification time
// without nanoseconds) may be two seconds coarse.
struct Listing {
  int watch = -1;            // inotify watch descriptor; -1: checked against the time stamps instead
  bool unwatchable = false;  // a watch was refused: do not ask again while this listing lasts
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  bool trusted = false;
  std::size_t names = 0;
  std::unordered_map<std::string, std::vector<std::string>> byFoldedName;  // folded name -> its entries, sorted
};

constexpr std::size_t kMaxListings = 1024;
constexpr std::size_t kMaxNames = 1 << 18;                   // entries over all listings
constexpr std::int64_t kRacyWindowNs = 50'000'000;          // sub-second time stamps
constexpr std::int64_t kCoarseRacyWindowNs = 2'000'000'000;  // whole-second time stamps
constexpr std::uint32_t kWatchMask =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct Cache {
  std::mutex mutex;
  std::map<std::string, Listing> listings;  // ordered: a directory's subtree is one range
  // The directories each watch stands for (a directory reached by two paths, through a bind mount, has one watch).
  // Events of a watch given up are ignored: they happened before, and a directory listed again is read whole.
  std::unordered_map<int, std::vector<std::string>> watches;
  int inotify = -1;
  bool inotifyRefused = false;  // inotify_init1 failed; tried again when the cache is cleared
  bool watchingWanted = true;
  std::size_t names = 0;
  std::uint64_t listingsRead = 0;
};

// Never destroyed: lookups may still run on other threads while the program's statics go away.
Cache& TheCache() {
  static Cache* cache = new Cache;
  return *cache;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// File systems whose entries may change without this kernel seeing it (network and user-space file systems) or that
// report no changes (proc, sysfs).
bool ReportsAllChanges(int dirFd) {
  constexpr unsigned long kGfs2Magic = 0x01161970;
  struct statfs fs {};
  if (fstatfs(dirFd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case FUSE_SUPER_MAGIC:
    case V9FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CODA_SUPER_MAGIC:
    case OCFS2_SUPER_MAGIC:
    case kGfs2Magic:
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
      return false;
    default:
      return true;
  }
}

// Reads the directory open on dirFd (taking the descriptor) into listing, with its identity and time stamps.
bool ReadListing(Cache& c, int dirFd, Listing* listing) {
  struct stat st {};
  DIR* d = fstat(dirFd, &st) == 0 ? fdopendir(dirFd) : nullptr;
  if (d == nullptr) {
    ::close(dirFd);
    return false;
  }
  ++c.listingsRead;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  listing->device = st.st_dev;
  listing->inode = st.st_ino;
  listing->modified = st.st_mtim;
  auto ns = [](const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
  const std::int64_t window = st.st_mtim.tv_nsec != 0 ? kRacyWindowNs : kCoarseRacyWindowNs;
  listing->trusted = ns(st.st_mtim) + window < ns(now);
  listing->byFoldedName.clear();
  listing->names = 0;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    auto& entries = listing->byFoldedName[FoldCase(name)];
    entries.insert(std::upper_bound(entries.begin(), entries.end(), name), std::move(name));
    ++listing->names;
  }
  closedir(d);
  return true;
}

void Unwatch(Cache& c, int watch, const std::string& path) {
  const auto it = c.watches.find(watch);
  if (it == c.watches.end()) return;
  std::erase(it->second, path);
  if (!it->second.empty()) return;
  c.watches.erase(it);
  inotify_rm_watch(c.inotify, watch);
}

void EraseListing(Cache& c, std::map<std::string, Listing>::iterator it) {
  if (it->second.watch >= 0) Unwatch(c, it->second.watch, it->first);
  c.names -= it->second.names;
  c.listings.erase(it);
}

void ForgetListing(Cache& c, const std::string& dir) {
  const auto it = c.listings.find(dir);
  if (it != c.listings.end()) EraseListing(c, it);
}

// Forgets the listings of the directories below dir.
void ForgetBelow(Cache& c, const std::string& dir) {
  const std::string below = dir == "/" ? dir : dir + "/";
  auto it = c.listings.lower_bound(below);
  while (it != c.listings.end() && it->first.starts_with(below)) EraseListing(c, it++);
}

// Forgets the listing of dir and of every directory below it.
void ForgetTree(Cache& c, const std::string& dir) {
  ForgetListing(c, dir);
  ForgetBelow(c, dir);
}

// Forgets everything, watches included (closing the inotify instance drops its watches and queued events).
void ForgetAll(Cache& c) {
  c.listings.clear();
  c.watches.clear();
  c.names = 0;
  if (c.inotify >= 0) ::close(c.inotify);
  c.inotify = -1;
  c.inotifyRefused = false;
}

// A forked child shares the parent's inotify instance: reading it would take events the parent needs. The child
// starts over with its own.
void PrepareFork() { TheCache().mutex.lock(); }
void AfterForkInParent() { TheCache().mutex.unlock(); }
void AfterForkInChild() {
  Cache& c = TheCache();
  ForgetAll(c);
  c.mutex.unlock();
}

bool EnsureInotify(Cache& c) {
  if (c.inotify >= 0) return true;
  if (!c.watchingWanted || c.inotifyRefused) return false;
  static std::once_flag forkHandlers;
  std::call_once(forkHandlers, [] { pthread_atfork(PrepareFork, AfterForkInParent, AfterForkInChild); });
  c.inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  c.inotifyRefused = c.inotify < 0;
  return c.inotify >= 0;
}

// An entry made or removed in a watched listing.
void ApplyNameEvent(Cache& c, Listing& listing, const std::string& name, bool added) {
  const std::string folded = FoldCase(name);
  auto& entries = listing.byFoldedName[folded];
  const auto at = std::lower_bound(entries.begin(), entries.end(), name);
  const bool present = at != entries.end() && *at == name;
  if (added && !present) {
    entries.insert(at, name);
    ++listing.names;
    ++c.names;
  } else if (!added && present) {
    entries.erase(at);
    --listing.names;
    --c.names;
  }
  if (entries.empty()) listing.byFoldedName.erase(folded);
}

// Keeps the listings in step with one event.
void HandleEvent(Cache& c, const inotify_event& e) {
  const auto it = c.watches.find(e.wd);
  if (it == c.watches.end()) return;
  const std::vector<std::string> paths = it->second;  // forgetting edits the original
  if ((e.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) != 0) {
    for (const std::string& path : paths) ForgetTree(c, path);
    if ((e.mask & IN_IGNORED) != 0) c.watches.erase(e.wd);  // the watch's last event
    return;
  }
  if (e.len == 0) return;
  const std::string name = e.name;
  const bool added = (e.mask & (IN_CREATE | IN_MOVED_TO)) != 0;
  for (const std::string& path : paths) {
    // A directory renamed, removed or replaced takes its listings along, even before its own removal is reported
    // (that waits until nothing holds it open).
    ForgetTree(c, Join(path, name));
    const auto listing = c.listings.find(path);
    if (listing == c.listings.end() || listing->second.watch != e.wd) continue;
    ApplyNameEvent(c, listing->second, name, added);
    if (c.names > 2 * kMaxNames) ForgetListing(c, path);  // a directory grown past the bounds is read again
  }
}

// Applies the queued change events. An overflowed queue lost events: everything is forgotten.
void ReadEvents(Cache& c) {
  constexpr std::size_t kLargestEvent = sizeof(inotify_event) + NAME_MAX + 1;
  alignas(inotify_event) char buffer[16 * kLargestEvent];
  while (c.inotify >= 0) {
    const ssize_t n = ::read(c.inotify, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    if (n <= 0) {
      ForgetAll(c);
      return;
    }
    for (std::size_t pos = 0; pos < static_cast<std::size_t>(n);) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + pos);
      if ((e->mask & IN_Q_OVERFLOW) != 0) {
        ForgetAll(c);
        return;
      }
      HandleEvent(c, *e);
      pos += sizeof(inotify_event) + e->len;
    }
    // A read that left room for another event emptied the queue as it stood when the lookup began.
    if (static_cast<std::size_t>(n) + kLargestEvent <= sizeof buffer) return;
  }
}

// Makes room for one more listing: past the bounds everything is forgotten at once. The entries may pass their bound
// by one directory's.
void MakeRoom(Cache& c) {
  if (c.listings.size() >= kMaxListings || c.names >= kMaxNames) ForgetAll(c);
}

// The entry of the listing whose name equals name without regard to ASCII letter case: the exact name when it is
// there, else the smallest. Empty when there is none.
std::string Find(const Listing& listing, const std::string& name) {
  const auto found = listing.byFoldedName.find(FoldCase(name));
  if (found == listing.byFoldedName.end()) return {};
  const std::vector<std::string>& entries = found->second;
  return std::binary_search(entries.begin(), entries.end(), name) ? name : entries.front();
}

enum class Watched { Yes, Missing, No };

// Notes that dir cannot be watched, so lookups there go to the file system without asking for a watch again.
void MarkUnwatchable(Cache& c, const std::string& dir) {
  MakeRoom(c);
  Listing marker;
  marker.unwatchable = true;
  c.listings.insert_or_assign(dir, std::move(marker));
}

// The watched listing of dir: the cached one, or a new watch and a fresh read. Missing: nothing is at dir. No: dir
// cannot be watched (no inotify, a refused watch, a symbolic link, a file system that does not report all changes);
// the time-stamp check takes over.
Watched WatchedListing(Cache& c, const std::string& dir, Listing** out) {
  auto it = c.listings.find(dir);
  if (it != c.listings.end() && it->second.watch >= 0) {
    *out = &it->second;
    return Watched::Yes;
  }
  if ((it != c.listings.end() && it->second.unwatchable) || !EnsureInotify(c)) return Watched::No;
  if (it != c.listings.end()) EraseListing(c, it);
  MakeRoom(c);
  if (!EnsureInotify(c)) return Watched::No;
  // The watch comes first: a change made while the directory is read is then reported, not lost. A symbolic link is
  // not followed: its target's parents are not watched, so a change above the target would go unseen.
  const int watch = inotify_add_watch(c.inotify, dir.c_str(), kWatchMask | IN_DONT_FOLLOW);
  if (watch < 0) {
    if (errno == ENOENT) return Watched::Missing;
    MarkUnwatchable(c, dir);
    return Watched::No;
  }
  c.watches[watch].push_back(dir);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  const bool reports = fd >= 0 && ReportsAllChanges(fd);
  Listing listing;
  if (!reports || !ReadListing(c, fd, &listing)) {
    if (fd >= 0 && !reports) ::close(fd);
    Unwatch(c, watch, dir);
    MarkUnwatchable(c, dir);
    return Watched::No;
  }
  listing.watch = watch;
  // Listings below were kept by a watch on this directory's names; with that watch gone they may have missed a
  // rename.
  ForgetBelow(c, dir);
  c.names += listing.names;
  *out = &c.listings.insert_or_assign(dir, std::move(listing)).first->second;
  return Watched::Yes;
}

// The lookup without a watch: the exact name by lstat, else the listing checked against the directory's identity and
// time stamps (a watched listing needs only the identity).
std::string LookUpUnwatched(Cache& c, const std::string& dir, const std::string& name) {
  struct stat st {};
  if (lstat(Join(dir, name).c_str(), &st) == 0) return name;
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  auto it = c.listings.find(dir);
  if (it != c.listings.end() && it->second.device == st.st_dev && it->second.inode == st.st_ino &&
      (it->second.watch >= 0 || (it->second.trusted && SameTime(it->second.modified, st.st_mtim)))) {
    return Find(it->second, name);
  }
  bool unwatchable = false;
  if (it != c.listings.end()) {
    unwatchable = it->second.unwatchable;
    EraseListing(c, it);
  }
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  Listing listing;
  if (fd < 0 || !ReadListing(c, fd, &listing)) return {};
  std::string found = Find(listing, name);
  listing.unwatchable = unwatchable;
  MakeRoom(c);
  c.names += listing.names;
  c.listings.insert_or_assign(dir, std::move(listing));
  return found;
}

// The entry of dir whose name equals name without regard to ASCII letter case. While *watchedChain holds, every
// directory resolved so far was answered from a watched listing; once one is not, the rest of the path is not either.
// An empty result: no such entry; *known tells whether a watched listing says so.
std::string LookUp(Cache& c, const std::string& dir, const std::string& name, bool* watchedChain, bool* known) {
  *known = false;
  if (*watchedChain) {
    Listing* listing = nullptr;
    switch (WatchedListing(c, dir, &listing)) {
      case Watched::Yes: {
        std::string found = Find(*listing, name);
        *known = found.empty();
        return found;
      }
      case Watched::Missing:
        *known = true;
        return {};
      case Watched::No:
        *watchedChain = false;
        return LookUpUnwatched(c, dir, name);
    }
  }
  return LookUpUnwatched(c, dir, name);
}

std::string NativeCurrentDirectory() {
  std::vector<char> buf(4096);
  if (getcwd(buf.data(), buf.size()) == nullptr) return "/";
  return buf.data();
}

Converter& ToUtf8() {
  thread_local Converter converter("UTF-8", "CP932");
  return converter;
}

Converter& ToCp932() {
  thread_local Converter converter("CP932", "UTF-8");
  return converter;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view text) { return IsAscii(text) ? std::string(text) : ToUtf8().Run(text); }
std::string Utf8ToCp932(std::string_view text) { return IsAscii(text) ? std::string(text) : ToCp932().Run(text); }

NativePath ResolveNativePath(std::string_view enginePath) {
  // Separators are ASCII and no CP932 trail byte is taken for one after the conversion to UTF-8.
  const std::string path = Cp932ToUtf8(enginePath);
  NativePath out;
  std::string& result = out.path;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':') {
    result = "/";
    pos = 2;
  } else if (!path.empty() && IsSeparator(path[0])) {
    result = "/";
  } else {
    result = NativeCurrentDirectory();
  }
  Cache& c = TheCache();
  std::lock_guard lock(c.mutex);
  ReadEvents(c);
  bool exists = true;        // once a component is missing, the rest keep the case they were given
  bool watchedChain = true;  // every directory so far was answered from a watched listing
  while (pos < path.size()) {
    while (pos < path.size() && IsSeparator(path[pos])) ++pos;
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (end == pos) break;
    std::string component = path.substr(pos, end - pos);
    pos = end;
    if (component == ".") continue;
    if (component == "..") {
      const size_t cut = result.find_last_of('/');
      result.resize(cut == 0 || cut == std::string::npos ? 1 : cut);
      exists = true;
      out.knownMissing = false;
      continue;
    }
    if (exists) {
      std::string actual = LookUp(c, result, component, &watchedChain, &out.knownMissing);
      if (actual.empty()) {
        exists = false;
      } else {
        component = std::move(actual);
      }
    }
    result = Join(result, component);
  }
  return out;
}

std::string ToNativePath(std::string_view enginePath) { return ResolveNativePath(enginePath).path; }

std::string ToEnginePath(std::string_view nativePath) {
  std::string out = "C:";
  for (char c : nativePath) out += c == '/' ? '\\' : c;
  if (out == "C:") out += '\\';
  return Utf8ToCp932(out);
}

std::size_t GetCurrentDirectoryEngine(char* out, std::size_t size) {
  const std::string dir = ToEnginePath(NativeCurrentDirectory());
  if (dir.size() + 1 > size) return 0;
  dir.copy(out, dir.size());
  out[dir.size()] = '\0';
  return dir.size();
}

bool SetCurrentDirectoryEngine(std::string_view enginePath) {
  return chdir(ToNativePath(enginePath).c_str()) == 0;
}

void ClearPathCache() {
  Cache& c = TheCache();
  std::lock_guard lock(c.mutex);
  ForgetAll(c);
}

void SetDirectoryWatching(bool enabled) {
  Cache& c = TheCache();
  std::lock_guard lock(c.mutex);
  ForgetAll(c);
  c.watchingWanted = enabled;
}

PathCacheCounts GetPathCacheCounts() {
  Cache& c = TheCache();
  std::lock_guard lock(c.mutex);
  PathCacheCounts counts;
  counts.listingsRead = c.listingsRead;
  counts.listingsHeld = c.listings.size();
  counts.watches = c.watches.size();
  return counts;
}

}  // namespace platform
