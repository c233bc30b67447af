// Temporary files for players that need a real file (archive members copied out).
#pragma once

#include "platform/files/file.h"

// A new, empty file in the system's temporary directory, opened for writing. When pathOut is given it receives the
// file's full engine path (kMaxPath bytes). kInvalidFileHandle when the file cannot be made.
platform::FileHandle CreateTempFile(char* pathOut);
