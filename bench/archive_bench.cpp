// The archive LZ coder against zlib on the same data, measured in the same run: decoding throughput (MB/s of
// decoded output) against inflate, and the packer's compressed size against deflate level 6.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/core/archive_lz.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr size_t kSize = 1 << 20;

// Script-like text: words from a vocabulary, numbers and line breaks.
Bytes Text() {
  static const char* const kWords[] = {"stage",  "enemy", "sword",  "the",   "hero",  "attack", "magic", "return",
                                       "player", "gsx",   "effect", "sound", "label", "if",     "else",  "wait"};
  std::mt19937 gen(1);
  std::string out;
  while (out.size() < kSize) {
    out += kWords[gen() % 16];
    out += gen() % 7 == 0 ? "\r\n" : " ";
    if (gen() % 11 == 0) out += std::to_string(gen() % 1000) + ",";
  }
  out.resize(kSize);
  return Bytes(out.begin(), out.end());
}

// 32-bit sprite sheet pixels: flat key-colour background, shaded blocks, some noisy texture.
Bytes Pixels() {
  std::mt19937 gen(2);
  Bytes out(kSize);
  const int width = 512;
  for (size_t p = 0; p < kSize / 4; ++p) {
    const int x = static_cast<int>(p % width);
    const int y = static_cast<int>(p / width);
    std::uint8_t r = 255, g = 0, b = 255;
    if ((x / 64 + y / 64) % 3 == 0) {
      r = static_cast<std::uint8_t>(x * 2);
      g = static_cast<std::uint8_t>(y);
      b = 40;
    } else if ((x / 64 + y / 64) % 3 == 1 && (x % 64) > 8) {
      r = static_cast<std::uint8_t>(100 + gen() % 32);
      g = static_cast<std::uint8_t>(80 + gen() % 16);
      b = 60;
    }
    out[4 * p] = b;
    out[4 * p + 1] = g;
    out[4 * p + 2] = r;
    out[4 * p + 3] = 255;
  }
  return out;
}

// 16-bit stereo PCM: two tones with a little noise.
Bytes Pcm() {
  std::mt19937 gen(3);
  Bytes out(kSize);
  for (size_t i = 0; i < kSize / 4; ++i) {
    const double t = static_cast<double>(i) / 22050.0;
    const auto left = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * t) + static_cast<int>(gen() % 64));
    const auto right = static_cast<std::int16_t>(6000 * std::sin(2 * M_PI * 660 * t) + static_cast<int>(gen() % 64));
    std::memcpy(&out[4 * i], &left, 2);
    std::memcpy(&out[4 * i + 2], &right, 2);
  }
  return out;
}

Bytes Random() {
  std::mt19937 gen(4);
  Bytes out(kSize);
  for (auto& b : out) b = static_cast<std::uint8_t>(gen());
  return out;
}

const Bytes& Data(int which) {
  static const Bytes sets[] = {Text(), Pixels(), Pcm(), Random()};
  return sets[which];
}

Bytes Deflate(const Bytes& data, int level) {
  uLongf size = compressBound(data.size());
  Bytes out(size);
  compress2(out.data(), &size, data.data(), data.size(), level);
  out.resize(size);
  return out;
}

void SetName(benchmark::State& state) {
  static const char* const kNames[] = {"text", "pixels", "pcm", "random"};
  state.SetLabel(kNames[state.range(0)]);
}

// Decoding is measured only on data the packer stores compressed: it stores an LZ block that is not smaller as it
// stands, and such a file is never decoded. zlib is measured on the same sets.
bool PackerCompresses(const Bytes& data) { return EncodeArchiveLz(data.data(), data.size()).size() < data.size(); }

void BM_LzDecode(benchmark::State& state) {
  const Bytes& data = Data(static_cast<int>(state.range(0)));
  SetName(state);
  if (!PackerCompresses(data)) {
    state.SkipWithError("stored uncompressed by the packer");
    return;
  }
  const Bytes block = EncodeArchiveLz(data.data(), data.size());
  Bytes out(data.size());
  for (auto _ : state) {
    const int n = DecodeArchiveLz(block.data(), static_cast<std::uint32_t>(block.size()), out.data(),
                                  static_cast<std::uint32_t>(out.size()));
    benchmark::DoNotOptimize(n);
    benchmark::ClobberMemory();
  }
  if (out != data) state.SkipWithError("round trip differs");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void BM_ZlibInflate(benchmark::State& state) {
  const Bytes& data = Data(static_cast<int>(state.range(0)));
  SetName(state);
  if (!PackerCompresses(data)) {
    state.SkipWithError("stored uncompressed by the packer");
    return;
  }
  const Bytes block = Deflate(data, 6);
  Bytes out(data.size());
  for (auto _ : state) {
    uLongf size = out.size();
    benchmark::DoNotOptimize(uncompress(out.data(), &size, block.data(), block.size()));
    benchmark::ClobberMemory();
  }
  if (out != data) state.SkipWithError("round trip differs");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

// Compressed size as a share of the original: the packer's LZ block (stored when that is not smaller, as the
// packer does) and zlib level 6. Timed part: the LZ encoder.
void BM_LzEncodeRatio(benchmark::State& state) {
  const Bytes& data = Data(static_cast<int>(state.range(0)));
  size_t lzSize = 0;
  for (auto _ : state) {
    const Bytes block = EncodeArchiveLz(data.data(), data.size());
    lzSize = block.size();
    benchmark::DoNotOptimize(block.data());
  }
  const size_t packed = std::min(lzSize, data.size());
  state.counters["lz_ratio"] = static_cast<double>(packed) / static_cast<double>(data.size());
  state.counters["zlib6_ratio"] = static_cast<double>(Deflate(data, 6).size()) / static_cast<double>(data.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  SetName(state);
}

void BM_ZlibDeflate6(benchmark::State& state) {
  const Bytes& data = Data(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Deflate(data, 6).data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  SetName(state);
}

BENCHMARK(BM_LzDecode)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZlibInflate)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LzEncodeRatio)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDeflate6)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
