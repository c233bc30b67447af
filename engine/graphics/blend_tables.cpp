#include "engine/graphics/blend_tables.h"

#include <algorithm>

std::int32_t BlendScaleTable[256][256];
std::int32_t BlendDeltaTable[256][512];
std::uint8_t BlendMixTable64[64][64][64];
std::uint8_t BlendGraphLevelTable[256];
std::int32_t g_BlendTablesReady = 0;

namespace {
bool g_built = false;
}

void BuildBlendTables() {
  if (!g_built) {
    for (int r = 0; r < 256; ++r) {
      for (int v = 0; v < 256; ++v) BlendScaleTable[r][v] = v * r / 255;
      for (int e = -255; e <= 255; ++e) BlendDeltaTable[r][kBlendDeltaZero + e] = e * r / 255;  // C++ truncates
      BlendDeltaTable[r][511] = 0;
    }
    for (int k = 0; k < 64; ++k)
      for (int s = 0; s < 64; ++s)
        for (int d = 0; d < 64; ++d) BlendMixTable64[k][s][d] = static_cast<std::uint8_t>((s * k + d * (63 - k)) / 63);
    g_built = true;
  }
  g_BlendTablesReady = 1;
}

void ReleaseBlendTables() { g_BlendTablesReady = 0; }

void BuildBlendGraphLevelTable(int border, int range) {
  border = std::clamp(border, 0, 255);
  range = std::clamp(range, 0, 255);
  const int q = 65536 / (range + 1);
  const int offset = 256 - ((q + 256) * border) / 256;
  for (int v = 0; v < 256; ++v)
    BlendGraphLevelTable[v] = static_cast<std::uint8_t>(std::clamp(256 * v / (range + 1) + offset, 0, 255));
}
