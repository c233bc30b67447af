// Sound test fixtures: WAV, MP3 and Ogg files made in the test, and a running headless engine whose mix is
// captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/sound/sound.h"
#include "platform/audio/audio.h"
#include "platform/audio/headless_audio.h"
#include "tests/engine_start/engine_fixture.h"

namespace sound_test {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, int v);
void Put32(Bytes& b, std::uint32_t v);
// A RIFF WAVE file: fmt chunk of fmtSize (16 or 18) bytes, then the extra chunks, then data.
Bytes MakeWav(int channels, int rate, int bits, const Bytes& pcm, int fmtSize = 16, const Bytes& extraChunks = {});
// Interleaved 16-bit PCM with a distinct value per sample.
std::vector<std::int16_t> Ramp(int frames, int channels, int start = 1000);
Bytes ToBytes(const std::vector<std::int16_t>& samples);
// A tone encoded by LAME (CBR); frames of 1152 samples, no info frame.
Bytes MakeMp3(int rate, int channels, int kbps, double seconds, double hz = 440.0);
// An Ogg Vorbis file of a tone; files of distinct serials joined together make a chained file.
Bytes MakeOgg(int rate, int channels, double seconds, int serial = 1);
// Hand-made MPEG frame with a zero payload.
Bytes MpegFrame(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, int bytes);

void WriteFile(const std::string& path, const Bytes& data);

// The whole PCM a converter over the bytes gives.
Bytes DecodeAll(const Bytes& file, WaveFormatEx* format = nullptr);

class SoundEngine : public engine_test::HeadlessEngine {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Runs message passes for the given milliseconds of virtual time, in steps of stepMs.
  void RunFor(int ms, int stepMs = 10);
  // The mix captured since the last call (interleaved stereo).
  std::vector<std::int16_t> Captured() { return platform::TakeCapturedAudio(); }
};

}  // namespace sound_test
