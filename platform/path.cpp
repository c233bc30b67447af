#include "platform/path.h"

#include <dirent.h>
#include <iconv.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {
namespace {

std::string Convert(std::string_view text, const char* to, const char* from) {
  bool ascii = true;
  for (unsigned char c : text) ascii = ascii && c < 0x80;
  if (ascii) return std::string(text);
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out;
  out.resize(text.size() * 4 + 4);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
      if (errno == E2BIG) break;
      // Keep an unconvertible byte as it is and go on after it.
      if (outLeft == 0) break;
      *dst++ = *in++;
      --inLeft;
      --outLeft;
    }
  }
  iconv_close(cd);
  out.resize(static_cast<size_t>(dst - out.data()));
  return out;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The entry of dir whose name equals name ignoring ASCII case; the exact name wins when it exists.
std::string LookUp(const std::string& dir, const std::string& name) {
  std::string exact = dir == "/" ? "/" + name : dir + "/" + name;
  struct stat st {};
  if (lstat(exact.c_str(), &st) == 0) return name;
  DIR* d = opendir(dir.c_str());
  if (!d) return name;
  std::string found = name;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

std::string NativeCurrentDirectory() {
  std::vector<char> buf(4096);
  if (getcwd(buf.data(), buf.size()) == nullptr) return "/";
  return buf.data();
}

}  // namespace

std::string Cp932ToUtf8(std::string_view text) { return Convert(text, "UTF-8", "CP932"); }
std::string Utf8ToCp932(std::string_view text) { return Convert(text, "CP932", "UTF-8"); }

std::string ToNativePath(std::string_view enginePath) {
  std::string path = Cp932ToUtf8(enginePath);
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
  while (pos < path.size()) {
    while (pos < path.size() && IsSeparator(path[pos])) ++pos;
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (end == pos) break;
    std::string component = path.substr(pos, end - pos);
    pos = end;
    if (component == ".") continue;
    if (component == "..") {
      size_t cut = result.find_last_of('/');
      result.resize(cut == 0 || cut == std::string::npos ? 1 : cut);
      continue;
    }
    std::string actual = LookUp(result, component);
    result = result == "/" ? "/" + actual : result + "/" + actual;
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
  std::string dir = ToEnginePath(NativeCurrentDirectory());
  if (dir.size() + 1 > size) return 0;
  dir.copy(out, dir.size());
  out[dir.size()] = '\0';
  return dir.size();
}

bool SetCurrentDirectoryEngine(std::string_view enginePath) {
  return chdir(ToNativePath(enginePath).c_str()) == 0;
}

}  // namespace platform
