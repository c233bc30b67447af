#include "engine/core/random.h"

namespace {

constexpr int kN = 624;
constexpr int kM = 397;
constexpr std::uint32_t kMatrix = 0x9908B0DFu;
constexpr std::uint32_t kUpper = 0x80000000u;
constexpr std::uint32_t kLower = 0x7FFFFFFFu;

struct RandomState {
  std::uint32_t mt[kN + 1];  // the extra word holds mt[0] while a block is generated
  std::uint32_t out[kN];
  int index = kN;
  int seeded = 0;
};
RandomState g_random;

std::uint32_t Twist(std::uint32_t a, std::uint32_t b, std::uint32_t far) {
  const std::uint32_t y = (a & kUpper) | (b & kLower);
  return far ^ (y >> 1) ^ ((y & 1u) != 0 ? kMatrix : 0u);
}

}  // namespace

void SeedRandom(std::uint32_t seed) {
  for (int i = 0; i < kN; ++i) {
    std::uint32_t word = seed & 0xFFFF0000u;
    seed = 69069u * seed + 1u;
    word |= seed >> 16;
    seed = 69069u * seed + 1u;
    g_random.mt[i] = word;
  }
  // The tempering below is already a single pass over the block; there is no separate fast path to choose.
  g_random.seeded = 1;
  GenerateRandomBlock();
}

void GenerateRandomBlock() {
  std::uint32_t* mt = g_random.mt;
  int k = 0;
  for (; k < kN - kM; ++k) mt[k] = Twist(mt[k], mt[k + 1], mt[k + kM]);
  mt[kN] = mt[0];
  for (; k < kN; ++k) mt[k] = Twist(mt[k], mt[k + 1], mt[k - (kN - kM)]);
  for (int i = 0; i < kN; ++i) {
    std::uint32_t y = mt[i];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    g_random.out[i] = y;
  }
  g_random.index = 0;
}

std::uint32_t NextRandomWord() {
  if (g_random.seeded == 0) SeedRandom(kDefaultRandomSeed);
  if (g_random.index >= kN) GenerateRandomBlock();
  return g_random.out[g_random.index++];
}

int RandomUpTo(int n) {
  const std::uint64_t w = NextRandomWord();
  const std::int64_t product = static_cast<std::int64_t>(w) * (static_cast<std::int64_t>(n) + 1);
  return static_cast<int>(product >> 32);
}

void* RandomStateBytes(std::size_t* size) {
  if (size != nullptr) *size = sizeof g_random;
  return &g_random;
}
