// The mixer mixing ten playing buffers into one second of 44.1 kHz stereo, against a plain loop that sums the same
// samples with the same gains in the same run; one second of ten stream sounds in a running engine (mixing with the
// message passes that refill their rings); and one second of a MIDI song rendered by the synthesiser with the
// SoundFont, mixed the same way.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/api_lock.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/public_api.h"
#include "engine/sound/sound.h"
#include "platform/audio/audio.h"
#include "platform/base/backend.h"
#include "platform/base/clock.h"
#include "platform/midi/midi_synth.h"
#include "platform/window/window.h"

namespace {

constexpr int kBuffers = 10;
constexpr int kFrames = 44100;

std::vector<std::int16_t> Tone(int seed) {
  std::vector<std::int16_t> s(static_cast<std::size_t>(kFrames) * 2);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>((i * 37 + static_cast<std::size_t>(seed) * 1000) % 6000 - 3000);
  return s;
}

void MixerTenBuffers(benchmark::State& state) {
  platform::RequestAudioOutput(platform::AudioOutputKind::Pulled);
  platform::SoundDevice* device = nullptr;
  if (platform::CreateSoundDevice(&device) != platform::kDsOk) {
    state.SkipWithError("no device");
    return;
  }
  const platform::WaveFormat format{1, 2, 44100, 176400, 4, 16, 0};
  std::vector<platform::SoundBuffer*> buffers;
  for (int b = 0; b < kBuffers; ++b) {
    platform::SoundBufferDesc desc{36, 0x80E2, kFrames * 4, &format};
    platform::SoundBuffer* buffer = nullptr;
    device->CreateSoundBuffer(&desc, &buffer);
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    buffer->Lock(0, kFrames * 4, &p1, &n1, &p2, &n2, 0);
    const std::vector<std::int16_t> tone = Tone(b);
    std::copy(tone.begin(), tone.end(), static_cast<std::int16_t*>(p1));
    buffer->Unlock(p1, n1, p2, n2);
    buffer->SetVolume(-100 * b);
    buffer->Play(platform::kDsbPlayLooping);
    buffers.push_back(buffer);
  }
  std::vector<std::int16_t> out(static_cast<std::size_t>(kFrames) * 2);
  for (auto _ : state) {
    platform::MixAudio(out.data(), kFrames);
    benchmark::DoNotOptimize(out.data());
  }
  for (platform::SoundBuffer* b : buffers) b->Release();
  device->Release();
  platform::RequestAudioOutput(platform::AudioOutputKind::Automatic);
}
BENCHMARK(MixerTenBuffers)->Unit(benchmark::kMicrosecond);

// Baseline: the same sums and gains in one plain loop over ten arrays.
void PlainSumTenBuffers(benchmark::State& state) {
  std::vector<std::vector<std::int16_t>> tones;
  std::vector<std::int32_t> gains;
  for (int b = 0; b < kBuffers; ++b) {
    tones.push_back(Tone(b));
    gains.push_back(32768 - 1000 * b);
  }
  std::vector<std::int32_t> acc(static_cast<std::size_t>(kFrames) * 2);
  std::vector<std::int16_t> out(acc.size());
  for (auto _ : state) {
    std::fill(acc.begin(), acc.end(), 0);
    for (int b = 0; b < kBuffers; ++b)
      for (std::size_t i = 0; i < acc.size(); ++i) acc[i] += (tones[static_cast<std::size_t>(b)][i] * gains[static_cast<std::size_t>(b)]) >> 15;
    for (std::size_t i = 0; i < acc.size(); ++i) out[i] = static_cast<std::int16_t>(std::clamp(acc[i], -32768, 32767));
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(PlainSumTenBuffers)->Unit(benchmark::kMicrosecond);

// Ten stream sounds of two seconds each, looping in a headless engine whose mix is pulled by hand.
void StreamSoundsTenOneSecond(benchmark::State& state) {
  char dirTemplate[] = "/tmp/sound-bench-XXXXXX";
  const char* made = mkdtemp(dirTemplate);
  if (made == nullptr || chdir(made) != 0) {
    state.SkipWithError("no directory");
    return;
  }
  const std::string directory = made;
  platform::RequestBackend(platform::BackendKind::Headless);
  platform::SetClockMode(platform::ClockMode::Virtual);
  platform::SetInstanceLockDirectory(directory);
  platform::RequestAudioOutput(platform::AudioOutputKind::Pulled);
  ChangeWindowMode(1);
  SetLogFileOutput(0);
  if (StartEngine() != 0) {
    state.SkipWithError("no engine");
    return;
  }
  std::vector<std::int16_t> pcm(static_cast<std::size_t>(kFrames) * 2 * 2);
  for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<std::int16_t>((i * 53) % 8000 - 4000);
  const WaveFormatEx format{platform::kWaveFormatPcm, 2, 44100, 176400, 4, 16, 0};
  void* wav = nullptr;
  int wavSize = 0;
  ApiLock();
  BuildWavImage(&wav, &wavSize, &format, platform::kWaveFormatBytes, pcm.data(), static_cast<int>(pcm.size() * 2));
  for (int i = 0; i < kBuffers; ++i) {
    const int handle = AddSoundData(-1);
    AddStreamSoundMem(wav, wavSize, 0, handle, 2, -1);
    PrimeStreamSound(handle);
    PlaySoundHandleBody(handle, 3, 1);
  }
  MemFree(wav);
  ApiUnlock();
  if (platform::PlayingSoundBufferCount() != kBuffers + 1) state.SkipWithError("the streams do not play");  // + silence
  constexpr int kSteps = 8;  // a message pass after every eighth of a second
  std::vector<std::int16_t> out(static_cast<std::size_t>(kFrames / kSteps) * 2);
  for (auto _ : state) {
    for (int step = 0; step < kSteps; ++step) {
      platform::MixAudio(out.data(), kFrames / kSteps);
      ProcessMessage();
    }
    benchmark::DoNotOptimize(out.data());
  }
  if (platform::PlayingSoundBufferCount() != kBuffers + 1) state.SkipWithError("the streams stopped");
  EndEngine();
  platform::RequestAudioOutput(platform::AudioOutputKind::Automatic);
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
}
BENCHMARK(StreamSoundsTenOneSecond)->Unit(benchmark::kMicrosecond);

// A one-second song looped: eight channels of eight-note chords struck every eighth of a second, drums on channel 10.
std::vector<std::uint8_t> BusySong() {
  std::vector<std::uint8_t> track;
  const auto event = [&](std::uint8_t delta, std::initializer_list<std::uint8_t> bytes) {
    track.push_back(delta);
    track.insert(track.end(), bytes);
  };
  for (std::uint8_t c = 0; c < 9; ++c) event(0, {static_cast<std::uint8_t>(0xC0 | c), static_cast<std::uint8_t>(c * 8)});
  for (int step = 0; step < 8; ++step) {
    for (std::uint8_t c = 0; c < 8; ++c)
      event(0, {static_cast<std::uint8_t>(0x90 | c), static_cast<std::uint8_t>(48 + c * 3 + step), 100});
    event(0, {0x99, static_cast<std::uint8_t>(step % 2 == 0 ? 36 : 38), 110});
    event(120, {0x99, static_cast<std::uint8_t>(step % 2 == 0 ? 36 : 38), 0});  // 120 ticks: 1/8 s at 120 bpm
    for (std::uint8_t c = 0; c < 8; ++c)
      event(0, {static_cast<std::uint8_t>(0x80 | c), static_cast<std::uint8_t>(48 + c * 3 + step), 0});
  }
  event(0, {0xFF, 0x2F, 0});
  std::vector<std::uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  for (int i = 3; i >= 0; --i) file.push_back(static_cast<std::uint8_t>(track.size() >> (8 * i)));
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

void MidiSynthOneSecond(benchmark::State& state) {
  platform::RequestAudioOutput(platform::AudioOutputKind::Pulled);
  std::unique_ptr<platform::midi::MidiSynth> synth = platform::midi::MidiSynth::Create();
  if (synth == nullptr) {
    state.SkipWithError("no General MIDI SoundFont");
    return;
  }
  synth->Play(BusySong(), -1, nullptr);
  std::vector<std::int16_t> out(static_cast<std::size_t>(kFrames) * 2);
  for (auto _ : state) {
    platform::MixAudio(out.data(), kFrames);
    benchmark::DoNotOptimize(out.data());
  }
  synth.reset();
  platform::RequestAudioOutput(platform::AudioOutputKind::Automatic);
}
BENCHMARK(MidiSynthOneSecond)->Unit(benchmark::kMicrosecond);

}  // namespace
