#include "platform/display/headless_display.h"

#include <emmintrin.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace platform::headless {
namespace {

std::mutex g_mutex;
Framebuffer g_framebuffer;
std::function<void(std::uint8_t*, int)> g_pending;  // reads the last frame's pixels, until they are read

void DropTopBytes(const std::uint8_t* rows, int pitch) {
  std::uint32_t* out = g_framebuffer.pixels.data();
  const int width = g_framebuffer.width;
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  for (int y = 0; y < g_framebuffer.height; ++y, rows += pitch, out += width) {
    int x = 0;
    for (; x + 4 <= width; x += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows + 4 * static_cast<std::ptrdiff_t>(x)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_and_si128(v, rgb));
    }
    for (; x < width; ++x) {
      std::uint32_t v;
      std::memcpy(&v, rows + 4 * static_cast<std::ptrdiff_t>(x), 4);
      out[x] = v & 0x00FFFFFFu;
    }
  }
}

// Called with g_mutex held.
void ReadPending() {
  if (!g_pending) return;
  const auto read = std::move(g_pending);
  g_pending = nullptr;
  auto* pixels = reinterpret_cast<std::uint8_t*>(g_framebuffer.pixels.data());
  read(pixels, g_framebuffer.width * 4);
  DropTopBytes(pixels, g_framebuffer.width * 4);
}

}  // namespace

Framebuffer GetFramebuffer() {
  std::lock_guard lock(g_mutex);
  ReadPending();
  return g_framebuffer;
}

std::uint32_t FramebufferPixel(int x, int y) {
  std::lock_guard lock(g_mutex);
  ReadPending();
  if (x < 0 || y < 0 || x >= g_framebuffer.width || y >= g_framebuffer.height) return 0xFFFFFFFFu;
  return g_framebuffer.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(g_framebuffer.width) +
                              static_cast<std::size_t>(x)];
}

void ResetFramebuffer() {
  std::lock_guard lock(g_mutex);
  g_framebuffer = Framebuffer{};
  g_pending = nullptr;
}

void StoreFrameLater(WindowHandle window, int width, int height, std::function<void(std::uint8_t*, int)> read) {
  std::lock_guard lock(g_mutex);
  g_framebuffer.width = width;
  g_framebuffer.height = height;
  g_framebuffer.window = window;
  g_framebuffer.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  g_pending = std::move(read);
  ++g_framebuffer.frames;
}

void StoreFrame(WindowHandle window, int width, int height, const std::uint32_t* pixels) {
  std::lock_guard lock(g_mutex);
  g_framebuffer.width = width;
  g_framebuffer.height = height;
  g_framebuffer.window = window;
  g_framebuffer.pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  g_pending = nullptr;
  ++g_framebuffer.frames;
}

void StoreFrameRows(WindowHandle window, int width, int height, const std::uint8_t* rows, int pitch) {
  std::lock_guard lock(g_mutex);
  g_framebuffer.width = width;
  g_framebuffer.height = height;
  g_framebuffer.window = window;
  g_framebuffer.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  g_pending = nullptr;
  DropTopBytes(rows, pitch);
  ++g_framebuffer.frames;
}

namespace {

// Writes the rows; false when libpng reports an error (it jumps back here).
bool WriteRows(png_structp png, png_infop info, std::FILE* file, const Framebuffer* fb, png_byte* row) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(fb->width), static_cast<png_uint_32>(fb->height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < fb->height; ++y) {
    const std::uint32_t* p = fb->pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(fb->width);
    for (int x = 0; x < fb->width; ++x) {
      row[static_cast<std::size_t>(x) * 3] = static_cast<png_byte>(p[x] >> 16);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<png_byte>(p[x] >> 8);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<png_byte>(p[x]);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool SaveFramebufferPng(const std::string& path) {
  const Framebuffer fb = GetFramebuffer();
  if (fb.width <= 0 || fb.height <= 0) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<std::size_t>(fb.width) * 3);
  const bool ok = info != nullptr && WriteRows(png, info, file, &fb, row.data());
  png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  return std::fclose(file) == 0 && ok;
}

}  // namespace platform::headless
