// Filling runs of pixels of 1 to 4 bytes with one value, at memset speed.
#pragma once

#include <cstdint>
#include <cstring>
#include <cwchar>

namespace platform {

// Stores the low `bytes` bytes of `value` (little-endian) at p, p + bytes, ... for `count` pixels.
inline void FillPixels(std::uint8_t* p, std::int64_t count, int bytes, std::uint32_t value) {
  if (count <= 0) return;
  const std::uint32_t mask = bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1u;
  value &= mask;
  const std::uint32_t low = value & 0xFFu;
  if (value == low * (0x01010101u & mask)) {  // every byte the same: a byte fill
    std::memset(p, static_cast<int>(low), static_cast<std::size_t>(count) * static_cast<std::size_t>(bytes));
    return;
  }
  if (bytes == 4 && (reinterpret_cast<std::uintptr_t>(p) & 3) == 0 && sizeof(wchar_t) == 4) {
    std::wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(value), static_cast<std::size_t>(count));
    return;
  }
  // A 48-byte pattern (a whole number of 1, 2, 3 and 4-byte pixels) stored block after block.
  std::uint8_t pattern[48];
  for (int i = 0; i < 48; ++i) pattern[i] = static_cast<std::uint8_t>(value >> (8 * (i % bytes)));
  std::size_t left = static_cast<std::size_t>(count) * static_cast<std::size_t>(bytes);
  for (; left >= 48; left -= 48, p += 48) std::memcpy(p, pattern, 48);
  std::memcpy(p, pattern, left);
}

}  // namespace platform
