// The game's own files in the working directory: whole-file replacement that a crash, a kill, a full disk or a
// second writer cannot damage (readers and the file left behind always hold either the old contents or the new ones,
// complete), reading that tells a missing file from one that is there but cannot be read, and the start-up clean-up
// of what killed writers left behind.
#pragma once

#include <cstddef>
#include <string>

// Writes `size` bytes to a new file with a unique name in the directory of `path`, flushes it to the disk, renames
// it over `path` and flushes the directory. True once the new contents are in place; false when any step failed, in
// which case `path` is as it was, the temporary file is gone and errno tells the failure.
bool write_file_atomically(const char* path, const void* bytes, std::size_t size);

// The path of the game file `name` in the working directory, looked up with letter case ignored as the engine looks
// up its other files ("SST.DAT" serves for "sst.dat"); `name` itself when nothing under any case exists.
std::string game_file_path(const char* name);

enum class FileRead {
  read,        // the file was read: up to `capacity` bytes of it, *length of them
  missing,     // nothing is at the path
  unreadable,  // something is there but could not be read (permissions, a directory, a read error): leave it alone
};
// Reads the start of the file at `path` into `buffer`. errno tells the failure of an unreadable file.
FileRead read_file_start(const char* path, void* buffer, std::size_t capacity, std::size_t* length);

// One line on stderr (the game's log, as its diagnostic log is off): "selvarinthaxis: <what> <path>: <error>".
void report_file_problem(const char* what, const char* path, int error);

// Start-up: a write beyond the file-size limit fails with EFBIG instead of ending the process (SIGXFSZ ignored), and
// the temporary files that killed writers left beside the game's files are removed. Returns how many were removed.
int prepare_game_files();
// Removes, from the working directory, the regular files named "<name>.tmpXXXXXX" (the temporary name
// write_file_atomically uses, any letter case) for each of the `count` names. Returns how many were removed.
int remove_stale_temp_files(const char* const* names, int count);
