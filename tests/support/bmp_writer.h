// A 24-bit bottom-up BMP file, built in memory for tests that write pictures for the game or the engine to load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace test_bmp {

// `colour(x, y)` gives the pixel at column x, row y (row 0 at the top) as 0xRRGGBB.
template <typename Colour>
std::vector<unsigned char> Bmp24(int w, int h, Colour colour) {
  const int pitch = (w * 3 + 3) / 4 * 4;
  std::vector<unsigned char> b(54 + static_cast<std::size_t>(pitch) * h, 0);
  auto put = [&b](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<std::uint32_t>(b.size()));
  put(10, 54);
  put(14, 40);
  put(18, static_cast<std::uint32_t>(w));
  put(22, static_cast<std::uint32_t>(h));
  b[26] = 1;   // planes
  b[28] = 24;  // bits per pixel
  for (int row = 0; row < h; ++row) {
    const int y = h - 1 - row;  // rows are stored bottom up
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = colour(x, y);
      unsigned char* p = &b[54 + static_cast<std::size_t>(row) * pitch + 3 * static_cast<std::size_t>(x)];
      p[0] = static_cast<unsigned char>(c);
      p[1] = static_cast<unsigned char>(c >> 8);
      p[2] = static_cast<unsigned char>(c >> 16);
    }
  }
  return b;
}

}  // namespace test_bmp
