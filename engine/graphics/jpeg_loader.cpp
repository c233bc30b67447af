#include "engine/graphics/jpeg_loader.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>

#include "engine/core/mem_alloc.h"
#include "engine/graphics/image_decode.h"

namespace {

constexpr int kJpegInputBufferSize = 4096;

// libjpeg's error manager followed by the loader's jump buffer.
struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// libjpeg's source manager followed by the stream state.
struct JpegSourceManager {
  jpeg_source_mgr pub;
  JOCTET* buffer;
  std::uint32_t startOfFile;
  StreamSource* source;
  std::uint32_t available;
};

// A stream that does not start like a JPEG file is simply another format (the decoders are tried in turn), so that
// refusal goes unreported; every other error is printed as libjpeg does.
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  if (cinfo->err->msg_code != JERR_NO_SOI) (*cinfo->err->output_message)(cinfo);
  std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

void JpegInitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<JpegSourceManager*>(cinfo->src)->startOfFile = 1;
}

boolean JpegFillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<JpegSourceManager*>(cinfo->src);
  StreamSource* stream = src->source;
  const int position = stream->functions.tell(stream->handle);
  std::uint32_t n = position < 0 ? 0 : src->available - static_cast<std::uint32_t>(position);
  if (n > static_cast<std::uint32_t>(src->available)) n = 0;
  if (n > kJpegInputBufferSize) n = kJpegInputBufferSize;
  int got = 0;
  if (n > 0) got = stream->functions.read(src->buffer, 1, static_cast<int>(n), stream->handle);
  if (got > 0) {
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(got);
    src->startOfFile = 0;
    return TRUE;
  }
  if (src->startOfFile != 0) ERREXIT(cinfo, JERR_INPUT_EMPTY);
  WARNMS(cinfo, JWRN_JPEG_EOF);
  // A fake end-of-image marker.
  src->buffer[0] = 0xFF;
  src->buffer[1] = JPEG_EOI;
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = 2;
  src->startOfFile = 0;
  return TRUE;
}

void JpegSkipInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  while (count > static_cast<long>(src->bytes_in_buffer)) {
    count -= static_cast<long>(src->bytes_in_buffer);
    JpegFillInput(cinfo);
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

void JpegTermSource(j_decompress_ptr) {}

void SetJpegStreamSource(j_decompress_ptr cinfo, StreamSource* source) {
  if (cinfo->src == nullptr) {
    auto* manager = static_cast<JpegSourceManager*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSourceManager)));
    manager->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo),
                                                                      JPOOL_PERMANENT, kJpegInputBufferSize));
    cinfo->src = &manager->pub;
  }
  auto* manager = reinterpret_cast<JpegSourceManager*>(cinfo->src);
  manager->pub.init_source = JpegInitSource;
  manager->pub.fill_input_buffer = JpegFillInput;
  manager->pub.skip_input_data = JpegSkipInput;
  manager->pub.resync_to_restart = jpeg_resync_to_restart;
  manager->pub.term_source = JpegTermSource;
  const int position = source->functions.tell(source->handle);
  source->functions.seek(source->handle, 0, 2);
  const int end = source->functions.tell(source->handle);
  source->functions.seek(source->handle, position, 0);
  manager->source = source;
  manager->available = static_cast<std::uint32_t>(end - position);
  manager->pub.bytes_in_buffer = 0;
  manager->pub.next_input_byte = nullptr;
}

}  // namespace

int LoadJpegImage(StreamSource* source, GraphImage* image) {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = JpegErrorExit;
  std::uint8_t* volatile pixels = nullptr;
  if (setjmp(error.jump)) {
    if (pixels != nullptr) MemFree(pixels);
    jpeg_destroy_decompress(&cinfo);
    return -1;
  }
  jpeg_create_decompress(&cinfo);
  SetJpegStreamSource(&cinfo, source);
  jpeg_read_header(&cinfo, TRUE);
  // Refused before the library sets up its buffers for the picture.
  if (static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height * cinfo.num_components > kMaxImageBytes) {
    jpeg_destroy_decompress(&cinfo);
    return -1;
  }
  // Colour comes out as blue, green, red; grey as one byte. Four-component (CMYK) images are refused.
  if (cinfo.num_components == 3 && (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB)) {
    cinfo.out_color_space = JCS_EXT_BGR;
  } else if (cinfo.num_components != 1) {
    jpeg_destroy_decompress(&cinfo);
    return -1;
  }
  jpeg_start_decompress(&cinfo);
  const int components = cinfo.output_components;
  const std::int64_t rowSize = static_cast<std::int64_t>(components) * cinfo.output_width;
  if ((components != 1 && components != 3) || rowSize * cinfo.output_height > kMaxImageBytes) {
    jpeg_destroy_decompress(&cinfo);
    return -1;
  }
  pixels = static_cast<std::uint8_t*>(ENGINE_ALLOC(static_cast<int>(rowSize * cinfo.output_height)));
  if (pixels == nullptr) {
    jpeg_destroy_decompress(&cinfo);
    return -1;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels + static_cast<std::int64_t>(cinfo.output_scanline) * rowSize;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) ERREXIT(&cinfo, JERR_INPUT_EMPTY);
  }
  jpeg_finish_decompress(&cinfo);
  if (components == 1) {
    SetupGray8ColorData(&image->colorData);
  } else {
    SetupRGB24ColorData(&image->colorData);
  }
  image->width = static_cast<int>(cinfo.output_width);
  image->height = static_cast<int>(cinfo.output_height);
  image->pitch = static_cast<int>(rowSize);
  image->pixels = pixels;
  jpeg_destroy_decompress(&cinfo);
  return 0;
}
