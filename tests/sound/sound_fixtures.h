// Sound test fixtures: WAV, MP3 and Ogg files made in the test, and a running headless engine whose mix is
// captured.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
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
// A Standard MIDI File (format 1, 480 ticks to the quarter at 120 beats a minute, so 960 ticks a second): a tempo
// track and one track per note below, the song ending at endTick (its loop point).
struct MidiNote {
  int channel, program, key, startTick, ticks;
};
Bytes MakeMidi(const std::vector<MidiNote>& notes, int endTick);
// Notes on three channels (piano, strings, drums on channel 10) sounding in the first 0.4 s of a 2 s song.
Bytes MakeTestSong();

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
  // Root mean square of the samples [from, to) in milliseconds of a capture.
  static double Rms(const std::vector<std::int16_t>& mix, int fromMs, int toMs);
};

// A started engine with "ssez\\hit.wav" (0.1 s of a stereo ramp, held in samples_) and the mix being captured.
class HitSoundEngine : public SoundEngine {
 protected:
  static constexpr int kHitFrames = 4410;
  void SetUp() override;
  std::vector<std::int16_t> samples_;
};

// A thread that pulls the mix at about the real rate, as an output device would, counting the nonzero samples.
class PulledOutput {
 public:
  PulledOutput();
  ~PulledOutput();
  long Loud() const { return loud_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<long> loud_{0};
  std::thread thread_;
};

}  // namespace sound_test
