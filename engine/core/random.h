// The engine's pseudo-random generator: MT19937 with the 1998 seeding routine, regenerated 624 words at a time.
#pragma once

#include <cstddef>
#include <cstdint>

void SeedRandom(std::uint32_t seed);
std::uint32_t NextRandomWord();
// 0..n inclusive for n >= 0, by scaling the word (not by a remainder).
int RandomUpTo(int n);
void GenerateRandomBlock();
// The generator's whole state as raw bytes, so that a tool can save a run and later resume it exactly.
void* RandomStateBytes(std::size_t* size);

inline constexpr std::uint32_t kDefaultRandomSeed = 4357;
