// A small audio-compression layer with the steps the converter uses: suggest a PCM output format for a source
// format, open a conversion stream, convert whole source blocks, estimate the output size, close. Source formats
// are WAVEFORMATEX bytes with their extra bytes. PCM, IMA ADPCM and Microsoft ADPCM are decoded here; MPEG audio
// (format tag 0x55) by libmpg123.
#pragma once

#include <cstdint>

#include "engine/sound/sound.h"

inline constexpr std::uint16_t kWaveFormatMsAdpcm = 0x0002;
inline constexpr std::uint16_t kWaveFormatALaw = 0x0006;
inline constexpr std::uint16_t kWaveFormatMuLaw = 0x0007;
inline constexpr std::uint16_t kWaveFormatImaAdpcm = 0x0011;
inline constexpr std::uint16_t kWaveFormatMpegLayer3 = 0x0055;

// 0, or -1 when no decoder takes the source format.
int AcmFormatSuggest(const std::uint8_t* source, int sourceSize, WaveFormatEx* out);
// Null when the formats cannot be converted.
AcmStream* AcmStreamOpen(const std::uint8_t* source, int sourceSize, const WaveFormatEx& output);
// Converts from the source bytes into the destination, whole blocks only. 0, or -1 on failure.
int AcmStreamConvert(AcmStream* stream, const std::uint8_t* source, int sourceBytes, std::uint8_t* destination,
                     int destinationBytes, int* sourceUsed, int* destinationUsed);
// Output bytes for the given source bytes; -1 when the decoder cannot tell.
int AcmStreamSize(AcmStream* stream, int sourceBytes);
void AcmStreamClose(AcmStream* stream);
