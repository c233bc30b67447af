// Shared body of the image decoder fuzz targets: decode the input through the engine's memory stream, then read
// every pixel of the result back through the converting transfer so that a buffer smaller than its declared size
// shows up as an out-of-bounds read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/core/file_functions.h"
#include "engine/core/mem_stream.h"
#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/image_decode.h"

inline void FuzzImageDecoder(ImageDecoder decoder, const std::uint8_t* data, std::size_t size) {
  MemStream* stream = OpenMemStream(data, static_cast<std::uint32_t>(size));
  if (stream == nullptr) return;
  StreamSource source{};
  source.functions = *GetMemStreamFunctions();
  source.handle = reinterpret_cast<StreamHandle>(stream);
  GraphImage image{};
  if (decoder(&source, &image) == 0) {
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 ||
        image.pitch < image.width * image.colorData.bytesPerPixel)
      __builtin_trap();
    // Touch every pixel: the last byte of the last row must be inside the buffer.
    const std::uint8_t* last = static_cast<const std::uint8_t*>(image.pixels) +
                               static_cast<std::ptrdiff_t>(image.height - 1) * image.pitch +
                               static_cast<std::ptrdiff_t>(image.width) * image.colorData.bytesPerPixel - 1;
    volatile std::uint8_t sink = *last;
    (void)sink;
    if (static_cast<std::int64_t>(image.width) * image.height <= 1 << 20) {
      std::vector<std::uint32_t> out(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
      ColorData argb{};
      CreateColorData(&argb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
      const ImageRect rect{0, 0, image.width, image.height};
      ConvertTransferRect(out.data(), image.width * 4, &argb, image.pixels, image.pitch, &image.colorData, nullptr,
                          0, nullptr, 0, 0, &rect, 1, 0, 0, 0, 0, 0, 0);
    }
    ReleaseGraphImage(&image);
  }
  CloseMemStream(source.handle);
}
