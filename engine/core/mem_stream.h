// Memory streams: the stream operations over a block the caller keeps alive.
#pragma once

#include <cstdint>

#include "engine/core/stream.h"

struct MemStream {
  const void* data;  // not owned
  std::uint32_t size;
  std::int32_t position;  // 0..size
  int eof;
};

// A new stream at position 0 (the handle is its address); NULL when allocation fails or size is 2 GiB or more.
MemStream* OpenMemStream(const void* data, std::uint32_t size);
int CloseMemStream(StreamHandle stream);

int MemStreamTell(StreamHandle stream);
// Clamps the target to 0..size and clears the eof flag. Returns 0.
int MemStreamSeek(StreamHandle stream, int offset, int origin);
// Whole items only; when not even one whole item is left, nothing is delivered, the eof flag is set and 0 returned.
int MemStreamRead(void* buffer, int itemSize, int itemCount, StreamHandle stream);
// 1 at the end, else 0.
int MemStreamEof(StreamHandle stream);
int MemStreamIdleCheck(StreamHandle stream);
