// The blend tables of the software renderer, built once at device start-up and read-only afterwards, and the
// blend-graphic level table rebuilt whenever the blend graphic or its border and range change.
#pragma once

#include <cstdint>

// Row r, entry v = trunc(v * r / 255).
extern std::int32_t BlendScaleTable[256][256];
// Row r, entry kBlendDeltaZero + e = e * r / 255 rounded toward zero, for e = -255..255 (stride 512 entries).
extern std::int32_t BlendDeltaTable[256][512];
inline constexpr int kBlendDeltaZero = 255;
// Block k, row s, column d = trunc((s * k + d * (63 - k)) / 63).
extern std::uint8_t BlendMixTable64[64][64][64];
// Level 0..255 for each blend-graphic byte; all 0 until the first build.
extern std::uint8_t BlendGraphLevelTable[256];

// 1 once the three blend tables are built.
extern std::int32_t g_BlendTablesReady;

// Builds BlendScaleTable, BlendDeltaTable and BlendMixTable64 (once; later calls do nothing) and sets the ready flag.
void BuildBlendTables();
// Marks the tables as not built (device shut-down); their contents stay valid.
void ReleaseBlendTables();

// Rebuilds BlendGraphLevelTable from the blend border and range (each clamped to 0..255):
// offset = 256 - ((65536 / (range + 1) + 256) * border) / 256, level[v] = clamp(256 * v / (range + 1) + offset).
void BuildBlendGraphLevelTable(int border, int range);
