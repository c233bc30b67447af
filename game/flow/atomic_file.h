// Whole-file replacement that a crash, a kill, a full disk or a second writer cannot damage: readers and the file
// left behind always hold either the old contents or the new ones, complete.
#pragma once

#include <cstddef>

// Writes `size` bytes to a new file with a unique name in the directory of `path`, flushes it to the disk, renames
// it over `path` and flushes the directory. True once the new contents are in place; false when any step failed, in
// which case `path` is as it was and the temporary file is gone.
bool write_file_atomically(const char* path, const void* bytes, std::size_t size);
