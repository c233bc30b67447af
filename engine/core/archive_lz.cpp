#include "engine/core/archive_lz.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/core/archive_format.h"

namespace {

std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace

int DecodeArchiveLz(const void* compressed, std::uint32_t compressedSize, void* destination,
                    std::uint32_t destinationSize) {
  const auto* src = static_cast<const std::uint8_t*>(compressed);
  if (src == nullptr || compressedSize < kArchiveLzHeaderSize) return -1;
  const std::uint32_t unpacked = LoadU32(src);
  const std::uint32_t packed = LoadU32(src + 4);
  if (packed < kArchiveLzHeaderSize || packed > compressedSize || unpacked > 0x7FFFFFFFu) return -1;
  if (destination == nullptr) return static_cast<int>(unpacked);
  if (unpacked > destinationSize) return -1;

  const std::uint8_t escape = src[8];
  const std::uint8_t* in = src + kArchiveLzHeaderSize;
  const std::uint8_t* const inEnd = src + packed;
  auto* const outStart = static_cast<std::uint8_t*>(destination);
  std::uint8_t* out = outStart;
  std::uint8_t* const outEnd = outStart + unpacked;

  while (in < inEnd) {
    // A run of literals up to the next escape byte.
    const auto* next = static_cast<const std::uint8_t*>(std::memchr(in, escape, static_cast<size_t>(inEnd - in)));
    const std::uint8_t* runEnd = next != nullptr ? next : inEnd;
    const auto run = static_cast<size_t>(runEnd - in);
    if (run > static_cast<size_t>(outEnd - out)) return -1;
    std::memcpy(out, in, run);
    out += run;
    in = runEnd;
    if (in == inEnd) break;

    if (inEnd - in < 2) return -1;
    const std::uint8_t code = in[1];
    in += 2;
    if (code == escape) {
      if (out == outEnd) return -1;
      *out++ = escape;
      continue;
    }
    const unsigned t = code < escape ? code : code - 1u;
    size_t length = t >> 3;
    if ((t & 4) != 0) {
      if (in == inEnd) return -1;
      length |= static_cast<size_t>(*in++) << 5;
    }
    length += kArchiveLzMinMatch;
    const unsigned distanceBytes = (t & 3) + 1;
    if (distanceBytes == 4 || static_cast<unsigned>(inEnd - in) < distanceBytes) return -1;
    size_t distance = in[0];
    if (distanceBytes >= 2) distance |= static_cast<size_t>(in[1]) << 8;
    if (distanceBytes == 3) distance |= static_cast<size_t>(in[2]) << 16;
    distance += 1;
    in += distanceBytes;
    if (distance > static_cast<size_t>(out - outStart) || length > static_cast<size_t>(outEnd - out)) return -1;

    const std::uint8_t* from = out - distance;
    if (distance >= length) {
      std::memcpy(out, from, length);
      out += length;
    } else {
      // Overlapping: the copied bytes repeat the last distance bytes. Each round copies what is already there,
      // doubling the chunk.
      while (length > 0) {
        const size_t n = std::min(length, static_cast<size_t>(out - from));
        std::memcpy(out, from, n);
        out += n;
        length -= n;
      }
    }
  }
  return out == outEnd ? static_cast<int>(unpacked) : -1;
}

namespace {

constexpr int kMaxHashBits = 16;
constexpr int kMaxChain = 64;
constexpr int kGoodEnough = 256;  // stop searching the chain once a match this long is found

std::uint32_t Hash4(const std::uint8_t* p, int bits) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return (v * 2654435761u) >> (32 - bits);
}

// Small inputs get a small hash table.
int HashBits(size_t size) {
  int bits = 8;
  while (bits < kMaxHashBits && (size_t{1} << bits) < size) ++bits;
  return bits;
}

int DistanceBytes(size_t distance) {
  const size_t value = distance - 1;
  return value < 0x100 ? 1 : value < 0x10000 ? 2 : 3;
}

int MatchCost(size_t length, size_t distance) {
  return 2 + (length - kArchiveLzMinMatch >= 32 ? 1 : 0) + DistanceBytes(distance);
}

struct Match {
  size_t length = 0;
  size_t distance = 0;
  long gain = 0;  // bytes saved against literals
};

class Encoder {
 public:
  Encoder(const std::uint8_t* data, size_t size)
      : data_(data), size_(size), hashBits_(HashBits(size)), prev_(size), head_(size_t{1} << hashBits_, -1) {
    std::array<size_t, 256> counts{};
    for (size_t i = 0; i < size; ++i) ++counts[data[i]];
    escape_ = static_cast<std::uint8_t>(std::min_element(counts.begin(), counts.end()) - counts.begin());
    // Literal cost prefix sums: 1 byte each, 2 for the escape byte.
    literalCost_.resize(size + 1);
    literalCost_[0] = 0;
    for (size_t i = 0; i < size; ++i) literalCost_[i + 1] = literalCost_[i] + (data[i] == escape_ ? 2 : 1);
  }

  std::vector<std::uint8_t> Run() {
    out_.assign(kArchiveLzHeaderSize, 0);
    out_.reserve(size_ / 2 + 64);
    size_t i = 0;
    Match current = Find(i);
    while (i < size_) {
      if (current.gain <= 0) {
        EmitLiteral(i);
        Insert(i);
        ++i;
        current = Find(i);
        continue;
      }
      // One step of lazy matching: a better match one byte later wins over this one.
      Insert(i);
      const Match later = Find(i + 1);
      if (later.gain > current.gain + (data_[i] == escape_ ? 2 : 1)) {
        EmitLiteral(i);
        ++i;
        current = later;
        continue;
      }
      EmitMatch(current);
      for (size_t k = 1; k < current.length; ++k) Insert(i + k);
      i += current.length;
      current = Find(i);
    }
    StoreU32(out_.data(), static_cast<std::uint32_t>(size_));
    StoreU32(out_.data() + 4, static_cast<std::uint32_t>(out_.size()));
    out_[8] = escape_;
    return std::move(out_);
  }

 private:
  void Insert(size_t i) {
    if (i + 4 > size_ || inserted_ > i) return;
    const std::uint32_t h = Hash4(data_ + i, hashBits_);
    prev_[i] = head_[h];
    head_[h] = static_cast<std::int32_t>(i);
    inserted_ = i + 1;
  }

  Match Find(size_t i) const {
    Match best;
    if (i + kArchiveLzMinMatch > size_) return best;
    const size_t maxLength = std::min<size_t>(kArchiveLzMaxMatch, size_ - i);
    std::int32_t candidate = head_[Hash4(data_ + i, hashBits_)];
    for (int chain = 0; candidate >= 0 && chain < kMaxChain; ++chain, candidate = prev_[candidate]) {
      const auto c = static_cast<size_t>(candidate);
      const size_t distance = i - c;
      if (distance == 0 || distance > kArchiveLzMaxDistance) break;
      if (best.length < maxLength && data_[c + best.length] != data_[i + best.length]) continue;
      size_t length = 0;
      while (length < maxLength && data_[c + length] == data_[i + length]) ++length;
      if (length < static_cast<size_t>(kArchiveLzMinMatch)) continue;
      const long gain = static_cast<long>(literalCost_[i + length] - literalCost_[i]) - MatchCost(length, distance);
      if (gain > best.gain) best = {length, distance, gain};
      if (length >= kGoodEnough || length == maxLength) break;
    }
    return best;
  }

  void EmitLiteral(size_t i) {
    out_.push_back(data_[i]);
    if (data_[i] == escape_) out_.push_back(escape_);
  }

  void EmitMatch(const Match& m) {
    const size_t field = m.length - kArchiveLzMinMatch;
    const unsigned distanceSize = static_cast<unsigned>(DistanceBytes(m.distance) - 1);
    unsigned t = distanceSize;
    if (field < 32) {
      t |= static_cast<unsigned>(field) << 3;
    } else {
      t |= static_cast<unsigned>(field & 31) << 3 | 4;
    }
    out_.push_back(escape_);
    out_.push_back(static_cast<std::uint8_t>(t < escape_ ? t : t + 1));
    if (field >= 32) out_.push_back(static_cast<std::uint8_t>(field >> 5));
    const size_t value = m.distance - 1;
    for (unsigned b = 0; b <= distanceSize; ++b) out_.push_back(static_cast<std::uint8_t>(value >> (8 * b)));
  }

  const std::uint8_t* data_;
  size_t size_;
  int hashBits_;
  std::uint8_t escape_ = 0;
  std::vector<std::int32_t> prev_;
  std::vector<std::int32_t> head_;
  std::vector<std::uint32_t> literalCost_;
  std::vector<std::uint8_t> out_;
  size_t inserted_ = 0;
};

}  // namespace

std::vector<std::uint8_t> EncodeArchiveLz(const std::uint8_t* data, size_t size) {
  Encoder encoder(data, size);
  return encoder.Run();
}
