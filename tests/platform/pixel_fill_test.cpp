// The pixel fill helper against a pixel-by-pixel store.
#include "platform/base/pixel_fill.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// The fill against a pixel-by-pixel store, for each pixel size, values with equal and unequal bytes, counts around
// the fill's block size, and starts off any alignment; the bytes after the run stay as they were.
TEST(PixelFill, MatchesAPerPixelStore) {
  const std::uint32_t values[] = {0, 0xFFFFFFFFu, 0x12345678u, 0x00FF00FFu, 0x80808080u, 0xA5A5A5u};
  for (int bytes = 1; bytes <= 4; ++bytes)
    for (const std::uint32_t value : values)
      for (const int count : {1, 2, 11, 12, 16, 47, 48, 49, 100, 640})
        for (const int offset : {0, 1, 2, 3}) {
          std::vector<std::uint8_t> got(static_cast<std::size_t>(offset + count * bytes + 8), 0x3C);
          std::vector<std::uint8_t> want = got;
          for (int i = 0; i < count; ++i) std::memcpy(&want[offset + i * bytes], &value, bytes);
          platform::FillPixels(got.data() + offset, count, bytes, value);
          ASSERT_EQ(got, want) << bytes << " bytes, value " << value << ", " << count << " pixels at +" << offset;
        }
}

}  // namespace
