// Small helpers the image decoders share: exact reads through a StreamSource, little-endian fields and bounded
// pixel allocation.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/core/mem_alloc.h"
#include "engine/core/stream.h"
#include "engine/graphics/image_decode.h"

namespace image_io {

// Reads exactly size bytes (item size 1, so every stream table counts bytes).
inline bool ReadExact(StreamSource* source, void* buffer, std::int64_t size) {
  if (size < 0 || size > 0x7FFFFFFF) return false;
  if (size == 0) return true;
  return source->functions.read(buffer, 1, static_cast<int>(size), source->handle) == static_cast<int>(size);
}

inline bool SeekTo(StreamSource* source, std::int64_t offset) {
  if (offset < 0 || offset > 0x7FFFFFFF) return false;
  return source->functions.seek(source->handle, static_cast<int>(offset), 0) == 0;
}

// The stream's size; the position is left at the start.
inline std::int64_t StreamSize(StreamSource* source) {
  source->functions.seek(source->handle, 0, 2);
  const int size = source->functions.tell(source->handle);
  source->functions.seek(source->handle, 0, 0);
  return size < 0 ? 0 : size;
}

inline std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

// A pixel buffer of size bytes, or null when the size is 0 or above kMaxImageBytes or memory is short.
inline std::uint8_t* AllocPixels(std::int64_t size, bool zeroed = false) {
  if (size <= 0 || size > kMaxImageBytes) return nullptr;
  void* p = zeroed ? MemAllocZeroed(static_cast<int>(size), __FILE__, __LINE__)
                   : MemAlloc(static_cast<int>(size), __FILE__, __LINE__);
  return static_cast<std::uint8_t*>(p);
}

// Frees a buffer when it goes out of scope unless released.
class PixelBuffer {
 public:
  PixelBuffer() = default;
  explicit PixelBuffer(std::uint8_t* p) : p_(p) {}
  ~PixelBuffer() {
    if (p_ != nullptr) MemFree(p_);
  }
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;
  void Reset(std::uint8_t* p) {
    if (p_ != nullptr) MemFree(p_);
    p_ = p;
  }
  std::uint8_t* get() const { return p_; }
  std::uint8_t* Release() {
    std::uint8_t* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  std::uint8_t* p_ = nullptr;
};

}  // namespace image_io
