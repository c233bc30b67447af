// Test helpers: a memory StreamSource over a byte vector and little-endian byte builders.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/core/mem_alloc.h"
#include "engine/core/stream.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/image_decode.h"

namespace testimg {

using Bytes = std::vector<std::uint8_t>;

// A read-only stream over a byte block: tell, seek (clamped), read of whole items.
struct MemSourceState {
  const std::uint8_t* data;
  int size;
  int position;
};

inline MemSourceState* State(StreamHandle h) { return reinterpret_cast<MemSourceState*>(h); }
inline int MemTell(StreamHandle h) { return State(h)->position; }
inline int MemSeek(StreamHandle h, int offset, int origin) {
  MemSourceState* s = State(h);
  long long target = origin == 0 ? offset : origin == 1 ? static_cast<long long>(s->position) + offset
                                                         : static_cast<long long>(s->size) + offset;
  s->position = static_cast<int>(std::clamp<long long>(target, 0, s->size));
  return 0;
}
inline int MemRead(void* buffer, int itemSize, int count, StreamHandle h) {
  MemSourceState* s = State(h);
  if (itemSize <= 0 || count <= 0) return 0;
  const int remaining = s->size - s->position;
  long long n = count;
  if (static_cast<long long>(itemSize) * count > remaining) n = remaining / itemSize;
  if (n == 0) return 0;
  std::memcpy(buffer, s->data + s->position, static_cast<size_t>(n * itemSize));
  s->position += static_cast<int>(n * itemSize);
  return static_cast<int>(n);
}
inline int MemEof(StreamHandle h) { return State(h)->position >= State(h)->size ? 1 : 0; }
inline int MemIdle(StreamHandle) { return 1; }
inline int MemClose(StreamHandle) { return 0; }

class MemSource {
 public:
  explicit MemSource(const Bytes& bytes) : MemSource(bytes.data(), bytes.size()) {}
  MemSource(const std::uint8_t* data, size_t size) : state_{data, static_cast<int>(size), 0} {
    source_.functions = {MemTell, MemSeek, MemRead, MemEof, MemIdle, MemClose};
    source_.handle = reinterpret_cast<StreamHandle>(&state_);
  }
  StreamSource* get() { return &source_; }

 private:
  MemSourceState state_;
  StreamSource source_{};
};

// Runs one decoder over the bytes; the image owns its pixels afterwards (release with ReleaseGraphImage).
inline int Decode(ImageDecoder decoder, const Bytes& bytes, GraphImage* image) {
  std::memset(image, 0, sizeof(*image));
  MemSource source(bytes);
  return decoder(source.get(), image);
}

struct Writer {
  Bytes bytes;
  Writer& U8(int v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Writer& U16(int v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  Writer& U32(std::uint32_t v) { return U16(static_cast<int>(v & 0xFFFF)).U16(static_cast<int>(v >> 16)); }
  Writer& Raw(const Bytes& b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
  }
  Writer& Raw(std::initializer_list<int> list) {
    for (int v : list) U8(v);
    return *this;
  }
  Writer& Text(const std::string& s) {
    for (char c : s) U8(static_cast<std::uint8_t>(c));
    return *this;
  }
  Writer& Zeros(size_t n) {
    bytes.insert(bytes.end(), n, 0);
    return *this;
  }
};

// Pixel bytes at (x, y) of a decoded image.
inline const std::uint8_t* At(const GraphImage& image, int x, int y) {
  return static_cast<const std::uint8_t*>(image.pixels) + static_cast<std::ptrdiff_t>(y) * image.pitch +
         static_cast<std::ptrdiff_t>(x) * image.colorData.bytesPerPixel;
}
inline std::uint32_t Pixel(const GraphImage& image, int x, int y) {
  const std::uint8_t* p = At(image, x, y);
  std::uint32_t v = 0;
  std::memcpy(&v, p, image.colorData.bytesPerPixel);
  return v;
}

// Holds a decoded image and releases it at the end of the test.
struct Decoded {
  GraphImage image{};
  int result = -1;
  Decoded(ImageDecoder decoder, const Bytes& bytes) { result = Decode(decoder, bytes, &image); }
  ~Decoded() {
    if (image.pixels != nullptr) ReleaseGraphImage(&image);
  }
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
};

}  // namespace testimg
