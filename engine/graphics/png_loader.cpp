#include "engine/graphics/png_loader.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "engine/core/mem_alloc.h"
#include "engine/graphics/image_decode.h"

namespace {

// libpng's message for a stream that does not start with the PNG signature.
constexpr const char* kNotPngMessage = "Not a PNG file";

// What the read callback needs: the stream and how many bytes it holds from the position at set-up.
struct PngReadContext {
  StreamSource* source;
  std::uint32_t available;
};

void PngStreamRead(png_structp png, png_bytep data, png_size_t length) {
  auto* context = static_cast<PngReadContext*>(png_get_io_ptr(png));
  StreamSource* source = context->source;
  const int position = source->functions.tell(source->handle);
  if (position < 0 || length > INT_MAX ||
      context->available - static_cast<std::uint32_t>(position) < static_cast<std::uint32_t>(length))
    png_error(png, "Read Error");
  if (source->functions.read(data, 1, static_cast<int>(length), source->handle) != static_cast<int>(length))
    png_error(png, "Read Error");
}

void SetPngStreamReader(png_structp png, PngReadContext* context, StreamSource* source) {
  const int position = source->functions.tell(source->handle);
  source->functions.seek(source->handle, 0, 2);
  const int end = source->functions.tell(source->handle);
  source->functions.seek(source->handle, position, 0);
  context->source = source;
  context->available = static_cast<std::uint32_t>(end - position);
  png_set_read_fn(png, context, PngStreamRead);
}

// libpng's own report ("libpng error: ..." on standard error) except for a stream without the PNG signature, which
// is simply another format (the decoders are tried in turn); then back to the loader's jump buffer.
[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  if (std::strcmp(message, kNotPngMessage) != 0) std::fprintf(stderr, "libpng error: %s\n", message);
  png_longjmp(png, 1);
}

}  // namespace

int LoadPngImage(StreamSource* source, GraphImage* image) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, nullptr);
  if (png == nullptr) return -1;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return -1;
  }
  // Set before any library call that can fail, freed again on the error path.
  png_bytep* volatile rows = nullptr;
  std::uint8_t* volatile pixels = nullptr;
  PngReadContext context{};
  if (setjmp(png_jmpbuf(png))) {
    if (rows != nullptr) MemFree(rows);
    if (pixels != nullptr) MemFree(pixels);
    png_destroy_read_struct(&png, &info, nullptr);
    return -1;
  }

  SetPngStreamReader(png, &context, source);
#ifdef ENGINE_FUZZ_BUILD
  // Mutated inputs almost never carry a valid CRC or Adler-32; the fuzz build reads past them to reach the decoder.
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#endif
  png_set_sig_bytes(png, 0);
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  int interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  // Refused before the library sets up its row buffers: at most 4 bytes per pixel come out.
  if (static_cast<std::uint64_t>(width) * height * 4 > static_cast<std::uint64_t>(kMaxImageBytes))
    png_error(png, "Image too large");

  png_set_strip_16(png);
  png_set_packing(png);
  png_set_packswap(png);
  bool expanded = false;
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if ((colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) || transparency) {
    png_set_expand(png);
    expanded = transparency;
  }
  // Grey with an alpha channel (or a transparent grey) becomes RGBA, so its alpha survives.
  if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA || (colorType == PNG_COLOR_TYPE_GRAY && transparency))
    png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const png_size_t rowBytes = png_get_rowbytes(png, info);
  const int channels = png_get_channels(png, info);
  if (rowBytes == 0 || static_cast<std::uint64_t>(rowBytes) * height > static_cast<std::uint64_t>(kMaxImageBytes))
    png_error(png, "Image too large");

  rows = static_cast<png_bytep*>(ENGINE_ALLOC(static_cast<int>(sizeof(png_bytep) * height)));
  pixels = static_cast<std::uint8_t*>(ENGINE_ALLOC(static_cast<int>(rowBytes * height)));
  if (rows == nullptr || pixels == nullptr) png_error(png, "Out of memory");
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + static_cast<std::size_t>(y) * rowBytes;
  png_read_image(png, rows);
  MemFree(rows);
  rows = nullptr;
  png_read_end(png, info);

  ColorData& format = image->colorData;
  if (colorType == PNG_COLOR_TYPE_PALETTE && !expanded) {
    SetupPalette8ColorData(&format);
    std::memset(format.palette, 0, sizeof format.palette);
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries) != 0 && palette != nullptr) {
      for (int i = 0; i < entries && i < 256; ++i) {
        format.palette[i][0] = palette[i].blue;
        format.palette[i][1] = palette[i].green;
        format.palette[i][2] = palette[i].red;
      }
    }
  } else if (channels == 1) {
    SetupGray8ColorData(&format);
  } else if (channels == 4) {
    SetupARGB32ColorData(&format);
  } else if (channels == 3) {
    SetupRGB24ColorData(&format);
  } else {
    png_error(png, "Unsupported channel count");
  }
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pitch = static_cast<int>(rowBytes);
  image->pixels = pixels;
  pixels = nullptr;
  png_destroy_read_struct(&png, &info, nullptr);
  return 0;
}
