// The stream interface every decoder reads through: six operations and the data handle they work on. One
// StreamFunctions instance serves files (through the installed file-function table), one serves memory blocks.
#pragma once

#include <cstdint>

// A file handle from FileOpen, or the address of a MemStream.
using StreamHandle = std::intptr_t;

struct StreamFunctions {
  int (*tell)(StreamHandle handle);
  int (*seek)(StreamHandle handle, int offset, int origin);  // origin 0 start, 1 current, 2 end
  int (*read)(void* buffer, int itemSize, int itemCount, StreamHandle handle);
  int (*eof)(StreamHandle handle);
  int (*idleCheck)(StreamHandle handle);
  int (*close)(StreamHandle handle);
};

struct StreamSource {
  StreamFunctions functions;
  StreamHandle handle;
};
