// The archive LZ coder: arbitrary bytes as a compressed block (decoded into a buffer of the size the block's header
// claims, at most what its token bytes can yield), and as data for an encode-decode round trip that must give the
// bytes back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/archive_format.h"
#include "engine/core/archive_lz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const int claimed = DecodeArchiveLz(data, static_cast<std::uint32_t>(size), nullptr, 0);
  if (claimed >= 0) {
    const std::uint64_t yield = (size - kArchiveLzHeaderSize) * kArchiveLzMaxExpansion;
    const auto capacity = static_cast<std::uint32_t>(static_cast<std::uint64_t>(claimed) < yield ? claimed : yield);
    std::vector<std::uint8_t> out(capacity);
    const int result = DecodeArchiveLz(data, static_cast<std::uint32_t>(size), out.data(), capacity);
    if (result != -1 && result != claimed) std::abort();
  }

  const std::vector<std::uint8_t> block = EncodeArchiveLz(data, size);
  std::vector<std::uint8_t> back(size);
  if (DecodeArchiveLz(block.data(), static_cast<std::uint32_t>(block.size()), back.data(),
                      static_cast<std::uint32_t>(size)) != static_cast<int>(size) ||
      (size > 0 && std::memcmp(back.data(), data, size) != 0)) {
    std::abort();
  }
  return 0;
}
