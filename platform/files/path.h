// platform/files: the Windows file calls over POSIX. Engine paths (this file) and file handles (file.h); one
// implementation, no back-end files.
//
// The engine's paths are Windows-style CP932 byte strings: a drive letter, backslashes, often upper-cased. This layer
// maps them onto the Linux file system: drive "C:" is the root "/", "\" and "/" both separate, each component is
// looked up case-insensitively in its directory, and names convert between CP932 and UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// CP932 <-> UTF-8. Bytes that do not convert are kept as they are.
std::string Cp932ToUtf8(std::string_view text);
std::string Utf8ToCp932(std::string_view text);

// The native path for an engine path. Relative paths are taken from the current directory. Components that exist
// under another letter case resolve to the existing entry (the exact name first, else the smallest of the names that
// differ from it only in ASCII letter case); the rest keep the case they were given. Directory listings are cached;
// a change to a directory, by this process or any other, is seen by the next lookup.
std::string ToNativePath(std::string_view enginePath);

struct NativePath {
  std::string path;
  bool knownMissing = false;  // a listing kept current by change notification shows that nothing is at the path
};
// ToNativePath, and whether the cache already knows the path does not exist (so opening it would fail).
NativePath ResolveNativePath(std::string_view enginePath);

// The engine form ("C:\dir\file", CP932) of an absolute native path.
std::string ToEnginePath(std::string_view nativePath);

// Current directory in engine form. Returns the length written (without terminator), or 0 when it does not fit.
std::size_t GetCurrentDirectoryEngine(char* out, std::size_t size);
// Sets the current directory from an engine path; false when it does not exist.
bool SetCurrentDirectoryEngine(std::string_view enginePath);

// Forgets the cached directory listings.
void ClearPathCache();

// Whether listings are kept current by the kernel's change notification where it has it (the default), or checked
// against their directory's time stamps on every lookup. Forgets the cached listings.
void SetDirectoryWatching(bool enabled);

struct PathCacheCounts {
  std::uint64_t listingsRead = 0;  // directory listings read since the program started
  std::size_t listingsHeld = 0;
  std::size_t watches = 0;
};
PathCacheCounts GetPathCacheCounts();

}  // namespace platform
