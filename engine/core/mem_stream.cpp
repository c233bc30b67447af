#include "engine/core/mem_stream.h"

#include <cstring>

#include "engine/core/mem_alloc.h"

namespace {

MemStream* AsStream(StreamHandle handle) { return reinterpret_cast<MemStream*>(handle); }

}  // namespace

MemStream* OpenMemStream(const void* data, std::uint32_t size) {
  // Positions are 32-bit signed.
  if (size > 0x7FFFFFFFu) return nullptr;
  auto* stream = static_cast<MemStream*>(ENGINE_ALLOC(sizeof(MemStream)));
  if (stream == nullptr) return nullptr;
  stream->data = data;
  stream->size = size;
  stream->position = 0;
  stream->eof = 0;
  return stream;
}

int CloseMemStream(StreamHandle stream) {
  if (stream == 0) return -1;
  MemFree(AsStream(stream));
  return 0;
}

int MemStreamTell(StreamHandle stream) { return stream == 0 ? -1 : AsStream(stream)->position; }

int MemStreamSeek(StreamHandle stream, int offset, int origin) {
  if (stream == 0) return -1;
  MemStream* s = AsStream(stream);
  std::int64_t target = offset;
  if (origin == 1) target += s->position;
  if (origin == 2) target += s->size;
  s->eof = 0;
  if (target < 0) target = 0;
  if (target > static_cast<std::int64_t>(s->size)) target = s->size;
  s->position = static_cast<std::int32_t>(target);
  return 0;
}

int MemStreamRead(void* buffer, int itemSize, int itemCount, StreamHandle stream) {
  if (stream == 0) return -1;
  MemStream* s = AsStream(stream);
  if (static_cast<std::uint32_t>(s->position) == s->size) {
    s->eof = 1;
    return 0;
  }
  if (itemSize <= 0 || itemCount <= 0) return 0;
  const std::uint64_t remaining = s->size - static_cast<std::uint32_t>(s->position);
  std::uint64_t count = static_cast<std::uint64_t>(itemCount);
  if (static_cast<std::uint64_t>(itemSize) * count > remaining) count = remaining / static_cast<std::uint64_t>(itemSize);
  if (count == 0) {
    // Less than one whole item is left: report the end instead of a whole item that never arrived.
    s->eof = 1;
    return 0;
  }
  const std::uint64_t bytes = count * static_cast<std::uint64_t>(itemSize);
  std::memcpy(buffer, static_cast<const char*>(s->data) + s->position, bytes);
  s->position += static_cast<std::int32_t>(bytes);
  s->eof = 0;
  return static_cast<int>(count);
}

int MemStreamEof(StreamHandle stream) { return stream == 0 ? -1 : AsStream(stream)->eof; }

int MemStreamIdleCheck(StreamHandle) { return 1; }
