// Files on the Linux file system, named by engine paths (see platform/files/path.h). A file handle is a descriptor;
// kInvalidFileHandle marks failure.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using FileHandle = int;
inline constexpr FileHandle kInvalidFileHandle = -1;

// Opens an existing regular file for reading. Directories are refused.
FileHandle OpenFileForRead(const char* enginePath);
// Creates a new file for writing; fails when the name exists.
FileHandle CreateNewFile(const char* enginePath);

// Reads up to size bytes at the file's position, retrying short reads until the end of the file. False on an error;
// *done holds the bytes transferred either way.
bool ReadFromFile(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* done);
bool WriteToFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t* done);
// Moves the file's position to an offset from its start; false for a negative offset or a refusal.
bool SetFilePosition(FileHandle file, std::int64_t offset);
// The file's size in bytes, or -1.
std::int64_t GetFileSize(FileHandle file);
bool CloseFile(FileHandle file);
bool DeleteFileEngine(const char* enginePath);

// The directory for temporary files ($TMPDIR, else /tmp) in engine form, with a trailing backslash; false when it
// cannot be had.
bool GetTempDirectory(std::string* enginePath);
// Creates a new, empty, uniquely named file "tmp*.tmp" in that directory, opened for writing, and gives its engine
// path.
FileHandle CreateTempFileIn(const std::string& engineDirectory, std::string* enginePath);

}  // namespace platform
