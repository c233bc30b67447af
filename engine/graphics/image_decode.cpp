#include "engine/graphics/image_decode.h"

#include "engine/graphics/image_decode_io.h"
#include "engine/graphics/jpeg_loader.h"
#include "engine/graphics/png_loader.h"

using namespace image_io;

const ImageDecoder ImageDecoderTable[] = {DecodeBmpImage,  LoadJpegImage,  LoadPngImage,
                                          DecodeBgraImage, DecodeTgaImage, DecodeDdsImage, nullptr};

ImageDecoder g_UserImageDecoders[kMaxUserImageDecoders];
int g_UserImageDecoderCount = 0;

int DecodeGraphImage(StreamSource* source, GraphImage* image) {
  for (int i = 0; i < g_UserImageDecoderCount && i < kMaxUserImageDecoders; ++i) {
    if (g_UserImageDecoders[i] == nullptr) continue;
    source->functions.seek(source->handle, 0, 0);
    if (g_UserImageDecoders[i](source, image) == 0) return 0;
  }
  for (int i = 0; ImageDecoderTable[i] != nullptr; ++i) {
    source->functions.seek(source->handle, 0, 0);
    if (ImageDecoderTable[i](source, image) == 0) return 0;
  }
  return -1;
}

void SetupARGB32ColorData(ColorData* record) { CreateColorData(record, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u); }

void SetupXRGB1555ColorData(ColorData* record) { CreateColorData(record, 16, 0x7C00, 0x3E0, 0x1F, 0); }

// "BGRA" raw file: magic, channel layout, width, height, then width x height pixels (B, G, R, A), rows top first.
int DecodeBgraImage(StreamSource* source, GraphImage* image) {
  std::uint8_t header[16];
  if (!ReadExact(source, header, 16)) return -1;
  if (std::memcmp(header, "BGRA", 4) != 0) return -1;
  const std::uint32_t layout = U32(header + 4);
  if (layout != 0x08080808u && layout != 0x10101010u) return -1;
  const std::uint32_t width = U32(header + 8);
  const std::uint32_t height = U32(header + 12);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF / 8 || height > 0x7FFFFFFF) return -1;
  const std::int64_t size = static_cast<std::int64_t>(width) * height * 4;
  PixelBuffer pixels(AllocPixels(size));
  if (pixels.get() == nullptr) return -1;
  if (layout == 0x08080808u) {
    if (!ReadExact(source, pixels.get(), size)) return -1;
  } else {
    PixelBuffer row(AllocPixels(static_cast<std::int64_t>(width) * 8));
    if (row.get() == nullptr) return -1;
    for (std::uint32_t y = 0; y < height; ++y) {
      if (!ReadExact(source, row.get(), static_cast<std::int64_t>(width) * 8)) return -1;
      std::uint8_t* out = pixels.get() + static_cast<std::int64_t>(y) * width * 4;
      for (std::uint32_t i = 0; i < width * 4; ++i) out[i] = row.get()[i * 2 + 1];
    }
  }
  SetupARGB32ColorData(&image->colorData);
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pitch = static_cast<int>(width * 4);
  image->pixels = pixels.Release();
  return 0;
}
