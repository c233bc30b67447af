// Decoding a 640 x 480 PNG and JPEG through the engine's loaders against libpng / libjpeg called directly into a
// plain buffer. The difference is the engine's own overhead (stream callbacks, allocation, format set-up).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <random>

#include "engine/core/file_functions.h"
#include "engine/core/mem_stream.h"
#include "engine/graphics/jpeg_loader.h"
#include "engine/graphics/png_loader.h"
#include "tests/images/image_writers.h"

namespace {

using testimg::Bytes;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A picture with smooth areas, edges and some noise, like game art.
Bytes Picture() {
  Bytes rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  std::mt19937 rng(1);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      const bool box = ((x / 40) + (y / 40)) % 3 == 0;
      p[0] = static_cast<std::uint8_t>(box ? 200 : x * 255 / kWidth);
      p[1] = static_cast<std::uint8_t>(box ? 60 : y * 255 / kHeight);
      p[2] = static_cast<std::uint8_t>((x ^ y) + (rng() & 7));
    }
  return rgb;
}

const Bytes& PngFile() {
  static const Bytes file = testimg::WritePng(
      {.width = kWidth, .height = kHeight, .colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 8, .rows = Picture()});
  return file;
}
const Bytes& JpegFile() {
  static const Bytes file =
      testimg::WriteJpeg({.width = kWidth, .height = kHeight, .components = 3, .samples = Picture(), .quality = 90});
  return file;
}

int DecodeWithEngine(int (*loader)(StreamSource*, GraphImage*), const Bytes& file) {
  MemStream* stream = OpenMemStream(file.data(), static_cast<std::uint32_t>(file.size()));
  StreamSource source{};
  source.functions = *GetMemStreamFunctions();
  source.handle = reinterpret_cast<StreamHandle>(stream);
  GraphImage image{};
  const int result = loader(&source, &image);
  benchmark::DoNotOptimize(image.pixels);
  ReleaseGraphImage(&image);
  CloseMemStream(source.handle);
  return result;
}

void BM_PngEngineLoader(benchmark::State& state) {
  const Bytes& file = PngFile();
  for (auto _ : state)
    if (DecodeWithEngine(LoadPngImage, file) != 0) state.SkipWithError("decode failed");
}
BENCHMARK(BM_PngEngineLoader)->Unit(benchmark::kMillisecond);

// The whole decoder table (the BMP and JPEG decoders refuse first); the JPEG library's refusal message goes to
// standard error, which is silenced for this measurement.
void BM_PngEngineDecoderTable(benchmark::State& state) {
  const Bytes& file = PngFile();
  const int saved = dup(2);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, 2);
  for (auto _ : state) {
    MemStream* stream = OpenMemStream(file.data(), static_cast<std::uint32_t>(file.size()));
    StreamSource source{};
    source.functions = *GetMemStreamFunctions();
    source.handle = reinterpret_cast<StreamHandle>(stream);
    GraphImage image{};
    if (DecodeGraphImage(&source, &image) != 0) state.SkipWithError("decode failed");
    ReleaseGraphImage(&image);
    CloseMemStream(source.handle);
  }
  dup2(saved, 2);
  close(saved);
  close(null);
}
BENCHMARK(BM_PngEngineDecoderTable)->Unit(benchmark::kMillisecond);

struct PngMemory {
  const Bytes* file;
  size_t position;
};

void BM_PngLibpngDirect(benchmark::State& state) {
  const Bytes& file = PngFile();
  std::vector<std::uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  std::vector<png_bytep> rows(kHeight);
  for (int y = 0; y < kHeight; ++y) rows[static_cast<size_t>(y)] = &pixels[static_cast<size_t>(y) * kWidth * 3];
  for (auto _ : state) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    PngMemory memory{&file, 0};
    png_set_read_fn(png, &memory, [](png_structp p, png_bytep data, png_size_t length) {
      auto* m = static_cast<PngMemory*>(png_get_io_ptr(p));
      if (m->position + length > m->file->size()) png_error(p, "short");
      std::memcpy(data, m->file->data() + m->position, length);
      m->position += length;
    });
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    png_read_image(png, rows.data());
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_PngLibpngDirect)->Unit(benchmark::kMillisecond);

void BM_JpegEngineLoader(benchmark::State& state) {
  const Bytes& file = JpegFile();
  for (auto _ : state)
    if (DecodeWithEngine(LoadJpegImage, file) != 0) state.SkipWithError("decode failed");
}
BENCHMARK(BM_JpegEngineLoader)->Unit(benchmark::kMillisecond);

void BM_JpegEngineDecoderTable(benchmark::State& state) {
  const Bytes& file = JpegFile();
  for (auto _ : state) {
    MemStream* stream = OpenMemStream(file.data(), static_cast<std::uint32_t>(file.size()));
    StreamSource source{};
    source.functions = *GetMemStreamFunctions();
    source.handle = reinterpret_cast<StreamHandle>(stream);
    GraphImage image{};
    if (DecodeGraphImage(&source, &image) != 0) state.SkipWithError("decode failed");
    ReleaseGraphImage(&image);
    CloseMemStream(source.handle);
  }
}
BENCHMARK(BM_JpegEngineDecoderTable)->Unit(benchmark::kMillisecond);

void BM_JpegLibjpegDirect(benchmark::State& state) {
  const Bytes& file = JpegFile();
  std::vector<std::uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = &pixels[static_cast<size_t>(cinfo.output_scanline) * kWidth * 3];
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_JpegLibjpegDirect)->Unit(benchmark::kMillisecond);

}  // namespace
