// The image decoder chain as the loader runs it: arbitrary bytes from memory through every decoder in turn, handed
// out as an image (optionally repacked through the converting transfer) or as a bitmap header and bits. The first
// byte picks the form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/core/mem_alloc.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const int wantDib = data[0] & 1;
  const int repack = (data[0] >> 1) & 1;
  const int blocksBefore = g_MemAlloc.blockCount;
  GraphImage image{};
  BitmapInfo256* header = nullptr;
  void* bits = nullptr;
  if (DecodeImageFile(nullptr, data + 1, static_cast<int>(size - 1), 1, wantDib, repack, &image, &header, &bits) == 0) {
    if (wantDib != 0) {
      MemFree(header);
      MemFree(bits);
    } else {
      ReleaseGraphImage(&image);
    }
  }
  if (g_MemAlloc.blockCount != blocksBefore) std::abort();  // every block is given back
  return 0;
}
