// Fuzz target: the JPEG decoder over arbitrary bytes.
#include "engine/graphics/jpeg_loader.h"
#include "engine/graphics/png_loader.h"
#include "tests/fuzz/image_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzImageDecoder(LoadJpegImage, data, size);
  return 0;
}
