#include "platform/files/path.h"

#include <dirent.h>
#include <iconv.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
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

// Directory listings by native directory path, for case-blind lookups. A listing is trusted while the directory's
// identity and modification time are unchanged and that time lies clearly before the moment the listing was read
// (a change within the file system's timestamp granularity would otherwise go unseen). File systems that keep
// sub-second times stamp with the kernel's coarse clock, a few milliseconds behind; those that keep whole seconds
// (a modification time without nanoseconds) may be two seconds coarse. Every change, the engine's own included,
// moves the directory's modification time, so a listing is read again only after a change or while it is that
// recent.
struct Listing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  bool trusted = false;
  std::unordered_map<std::string, std::string> byFoldedName;  // folded name -> the entry (smallest name on ties)
};

constexpr size_t kMaxListings = 1024;
constexpr std::int64_t kRacyWindowNs = 50'000'000;          // sub-second time stamps
constexpr std::int64_t kCoarseRacyWindowNs = 2'000'000'000;  // whole-second time stamps

std::mutex g_listingMutex;
std::unordered_map<std::string, Listing> g_listings;

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool ReadListing(const std::string& dir, const struct stat& st, Listing* listing) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return false;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  listing->device = st.st_dev;
  listing->inode = st.st_ino;
  listing->modified = st.st_mtim;
  auto ns = [](const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
  const std::int64_t window = st.st_mtim.tv_nsec != 0 ? kRacyWindowNs : kCoarseRacyWindowNs;
  listing->trusted = ns(st.st_mtim) + window < ns(now);
  listing->byFoldedName.clear();
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    auto [it, inserted] = listing->byFoldedName.emplace(FoldCase(name), name);
    if (!inserted && name < it->second) it->second = name;
  }
  closedir(d);
  return true;
}

// The entry of dir whose name equals name without regard to ASCII letter case; the exact name wins when it exists.
// An empty result: no such entry.
std::string LookUp(const std::string& dir, const std::string& name) {
  struct stat st {};
  if (lstat(Join(dir, name).c_str(), &st) == 0) return name;
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  std::lock_guard lock(g_listingMutex);
  auto it = g_listings.find(dir);
  if (it == g_listings.end() || !it->second.trusted || it->second.device != st.st_dev ||
      it->second.inode != st.st_ino || !SameTime(it->second.modified, st.st_mtim)) {
    if (it == g_listings.end()) {
      if (g_listings.size() >= kMaxListings) g_listings.clear();
      it = g_listings.emplace(dir, Listing{}).first;
    }
    if (!ReadListing(dir, st, &it->second)) {
      g_listings.erase(it);
      return {};
    }
  }
  const auto found = it->second.byFoldedName.find(FoldCase(name));
  return found == it->second.byFoldedName.end() ? std::string() : found->second;
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

std::string ToNativePath(std::string_view enginePath) {
  // Separators are ASCII and no CP932 trail byte is taken for one after the conversion to UTF-8.
  const std::string path = Cp932ToUtf8(enginePath);
  std::string result;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':') {
    result = "/";
    pos = 2;
  } else if (!path.empty() && IsSeparator(path[0])) {
    result = "/";
  } else {
    result = NativeCurrentDirectory();
  }
  bool exists = true;  // once a component is missing, the rest keep the case they were given
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
      continue;
    }
    if (exists) {
      std::string actual = LookUp(result, component);
      if (actual.empty()) {
        exists = false;
      } else {
        component = std::move(actual);
      }
    }
    result = Join(result, component);
  }
  return result;
}

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
  std::lock_guard lock(g_listingMutex);
  g_listings.clear();
}

}  // namespace platform
