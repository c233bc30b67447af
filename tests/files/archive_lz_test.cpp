#include "engine/core/archive_lz.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/archive_format.h"
#include "files_test_util.h"

namespace {

using files_test::Bytes;

Bytes Block(std::uint32_t unpacked, std::uint8_t escape, const Bytes& tokens) {
  Bytes out(9);
  const auto packed = static_cast<std::uint32_t>(tokens.size() + 9);
  for (int i = 0; i < 4; ++i) {
    out[static_cast<size_t>(i)] = static_cast<std::uint8_t>(unpacked >> (8 * i));
    out[static_cast<size_t>(4 + i)] = static_cast<std::uint8_t>(packed >> (8 * i));
  }
  out[8] = escape;
  out.insert(out.end(), tokens.begin(), tokens.end());
  return out;
}

std::string Decode(const Bytes& block, std::uint32_t capacity, int* result) {
  std::string out(capacity, '\0');
  *result = DecodeArchiveLz(block.data(), static_cast<std::uint32_t>(block.size()), out.data(), capacity);
  return out;
}

std::string Repeat(const std::string& s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

struct TokenCase {
  const char* what;
  std::uint32_t unpacked;
  std::uint8_t escape;
  Bytes tokens;
  std::string expected;
};

TEST(ArchiveLz, DecodesTokens) {
  const TokenCase cases[] = {
      {"literals", 3, 0xF0, {'a', 'b', 'c'}, "abc"},
      {"escape twice is the escape byte", 3, 'x', {'a', 'x', 'x', 'b'}, "axb"},
      // Length field 6 (10 bytes), distance size 0, distance byte 0: t = 6 << 3 = 48 (below E = 0xF0).
      {"length 10 at distance 1 repeats the last byte", 11, 0xF0, {'z', 0xF0, 48, 0}, std::string(11, 'z')},
      // With E = 0x10, code 0x31 is above E and becomes t = 0x30: length 6 + 4, distance size 0, distance 2 + 1.
      {"a code above the escape is reduced by one", 13, 0x10, {'a', 'b', 'c', 0x10, 0x31, 2}, "abcabcabcabca"},
      // t = (1 << 3) | 4 | 1: length field 1 | (2 << 5) = 65 -> 69 bytes; two distance bytes 0x0002 -> 3.
      {"extra length byte and two distance bytes", 72, 0xF0, {'1', '2', '3', 0xF0, 13, 2, 2, 0}, Repeat("123", 24)},
  };
  for (const TokenCase& c : cases) {
    int result = 0;
    const std::string out = Decode(Block(c.unpacked, c.escape, c.tokens), c.unpacked, &result);
    EXPECT_EQ(out, c.expected) << c.what;
    EXPECT_EQ(result, static_cast<int>(c.unpacked)) << c.what;
  }
}

TEST(ArchiveLz, ThreeDistanceBytes) {
  // 70000 literal bytes would be long; use a match back 0x10000 + 1 bytes inside a block built by the encoder's
  // counterpart: literals, then a match with three distance bytes (t = 2, length 4).
  Bytes literals = files_test::RandomBytes(0x10001, 3);
  for (auto& b : literals) b = b == 0xFF ? 0xFE : b;  // keep the escape out of the literals
  Bytes tokens = literals;
  const std::uint32_t value = 0x10000;  // distance 0x10001
  tokens.insert(tokens.end(), {0xFF, 2, static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16)});
  const auto unpacked = static_cast<std::uint32_t>(literals.size() + 4);
  int result = 0;
  const std::string out = Decode(Block(unpacked, 0xFF, tokens), unpacked, &result);
  ASSERT_EQ(result, static_cast<int>(unpacked));
  EXPECT_EQ(out.substr(literals.size()), std::string(literals.begin(), literals.begin() + 4));
}

TEST(ArchiveLz, RefusesDamagedBlocks) {
  const TokenCase cases[] = {
      {"distance before the start", 8, 0xF0, {'a', 0xF0, 0, 1}, ""},
      {"distance size 3", 8, 0xF0, {'a', 0xF0, 3, 0, 0, 0}, ""},
      {"token cut after the escape", 2, 0xF0, {'a', 0xF0}, ""},
      {"token cut before the extra length byte", 40, 0xF0, {'a', 0xF0, 4}, ""},
      {"token cut in the distance", 8, 0xF0, {'a', 0xF0, 1, 0}, ""},
      {"output beyond the decompressed size", 2, 0xF0, {'a', 'b', 'c'}, ""},
      {"match beyond the decompressed size", 4, 0xF0, {'a', 0xF0, 0, 0}, ""},
      {"fewer bytes than the decompressed size", 5, 0xF0, {'a', 'b'}, ""},
      {"escape literal beyond the decompressed size", 1, 0xF0, {'a', 0xF0, 0xF0}, ""},
  };
  for (const TokenCase& c : cases) {
    int result = 0;
    Decode(Block(c.unpacked, c.escape, c.tokens), c.unpacked, &result);
    EXPECT_EQ(result, -1) << c.what;
  }
  // Header problems: shorter than 9 bytes, a packed size beyond the input or below 9, a destination too small.
  int result = 0;
  Bytes block = Block(3, 0xF0, {'a', 'b', 'c'});
  EXPECT_EQ(DecodeArchiveLz(block.data(), 8, nullptr, 0), -1);
  EXPECT_EQ(DecodeArchiveLz(block.data(), 11, nullptr, 0), -1);
  EXPECT_EQ(DecodeArchiveLz(block.data(), 12, nullptr, 0), 3);  // header only: the size
  Decode(block, 2, &result);
  EXPECT_EQ(result, -1);
  block[4] = 5;
  Decode(block, 3, &result);
  EXPECT_EQ(result, -1);
}

TEST(ArchiveLz, EncoderRoundTripsAndCompressesRepeats) {
  struct Case {
    const char* what;
    Bytes data;
    size_t maxBlock;  // largest acceptable block size
  };
  Bytes allEscapes(300, 0);
  for (size_t i = 0; i < allEscapes.size(); ++i) allEscapes[i] = static_cast<std::uint8_t>(i);  // every value
  Bytes longRun(100000, 'q');
  Bytes farRepeat = files_test::RandomBytes(70000, 9);
  farRepeat.insert(farRepeat.end(), farRepeat.begin(), farRepeat.begin() + 5000);
  const Case cases[] = {
      {"empty", {}, 9},
      {"one byte", {42}, 10},
      {"every byte value", allEscapes, 400},
      {"text", files_test::TextBytes(200000, 5), 200000 / 3},
      {"random", files_test::RandomBytes(50000, 6), 50000 + 50000 / 64},
      {"long run (longest matches)", longRun, 100},
      {"repeat beyond 65536 bytes", farRepeat, 71000},
  };
  for (const Case& c : cases) {
    const Bytes block = EncodeArchiveLz(c.data.data(), c.data.size());
    Bytes out(c.data.size());
    ASSERT_EQ(DecodeArchiveLz(block.data(), static_cast<std::uint32_t>(block.size()), out.data(),
                              static_cast<std::uint32_t>(out.size())),
              static_cast<int>(c.data.size()))
        << c.what;
    EXPECT_EQ(out, c.data) << c.what;
    EXPECT_LE(block.size(), c.maxBlock) << c.what;
  }
}

}  // namespace
