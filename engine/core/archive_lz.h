// The archive's LZ coding. A compressed block is a 9-byte header (u32 decompressed size, u32 compressed size with the
// header, u8 escape byte E) and a token stream: a byte other than E is itself; E E is the byte E; E c (c != E) is a
// match: t = c < E ? c : c - 1, length field t >> 3 (with bit 2 of t, one more byte x gives (t >> 3) | x << 5),
// length = field + 4, then t & 3 + 1 little-endian distance bytes, distance = value + 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes the block at compressed (compressedSize bytes available) into destination (destinationSize bytes).
// Returns the header's decompressed size, or -1 when the block is damaged: a header outside the input, a
// decompressed size above destinationSize or 2 GiB, a token cut off, distance size 3, a distance before the start
// of the output, output beyond the decompressed size, or fewer bytes than it. With destination NULL only the header
// is checked and nothing is written.
int DecodeArchiveLz(const void* compressed, std::uint32_t compressedSize, void* destination,
                    std::uint32_t destinationSize);

// Encodes size bytes as one compressed block (header included). The escape byte is the least frequent byte value.
std::vector<std::uint8_t> EncodeArchiveLz(const std::uint8_t* data, std::size_t size);
