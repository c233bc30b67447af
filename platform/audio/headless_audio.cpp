// The headless audio output: with no audio device, the play cursors follow the platform clock (every call into the
// sound device first mixes up to the clock's present), and the mix can be captured to memory or to a WAV file.
#include "platform/audio/headless_audio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/audio/mixer.h"
#include "platform/base/clock.h"

namespace platform {
namespace mixer {

void CatchUpLocked(MixerState& m) {
  if (!m.deviceLive || m.active != AudioOutputKind::Clock) return;
  const std::uint64_t elapsed = ObserveNanoseconds() - m.clockOriginNs;
  // Whole seconds and the rest separately, so the product stays inside 64 bits.
  const std::uint64_t due = elapsed / 1000000000u * kMixRate + elapsed % 1000000000u * kMixRate / 1000000000u;
  while (m.clockFramesMixed < due) {
    const int step = static_cast<int>(std::min<std::uint64_t>(due - m.clockFramesMixed, 4096));
    m.scratch.resize(static_cast<std::size_t>(step) * kMixChannels);
    MixLocked(m, m.scratch.data(), step);
    m.clockFramesMixed += static_cast<std::uint64_t>(step);
  }
}

void CaptureLocked(MixerState& m, const std::int16_t* out, int frames) {
  const std::size_t samples = static_cast<std::size_t>(frames) * kMixChannels;
  if (m.capturing) m.captured.insert(m.captured.end(), out, out + samples);
  if (m.captureFile != nullptr) {
    std::vector<std::uint8_t> bytes(samples * 2);
    for (std::size_t i = 0; i < samples; ++i) {
      bytes[2 * i] = static_cast<std::uint8_t>(out[i]);
      bytes[2 * i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(out[i]) >> 8);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m.captureFile) == bytes.size())
      m.captureFileFrames += static_cast<std::uint64_t>(frames);
  }
}

}  // namespace mixer

namespace {

void WriteWavHeader(std::FILE* file, std::uint64_t frames) {
  const std::uint32_t data = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames * 4, 0xFFFFFFD0u));
  std::uint8_t header[44];
  std::memcpy(header, "RIFF", 4);
  const std::uint32_t riff = data + 36;
  for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
  std::memcpy(header + 8, "WAVEfmt ", 8);
  header[16] = 16;
  header[17] = header[18] = header[19] = 0;
  WaveFormat f{kWaveFormatPcm, 2, kMixRate, kMixRate * 4, 4, 16, 0};
  std::uint8_t fmt[kWaveFormatBytes];
  WaveFormatToBytes(f, fmt);
  std::memcpy(header + 20, fmt, 16);
  std::memcpy(header + 36, "data", 4);
  for (int i = 0; i < 4; ++i) header[40 + i] = static_cast<std::uint8_t>(data >> (8 * i));
  std::fseek(file, 0, SEEK_SET);
  std::fwrite(header, 1, sizeof header, file);
}

}  // namespace

using mixer::CatchUpLocked;
using mixer::Mixer;
using mixer::MixerState;

void CatchUpAudio() { MixUpToNow(); }

void StartAudioCapture() {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  m.capturing = true;
  m.captured.clear();
}

std::vector<std::int16_t> TakeCapturedAudio() {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  std::vector<std::int16_t> out;
  out.swap(m.captured);
  return out;
}

void StopAudioCapture() {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  m.capturing = false;
  m.captured.clear();
  m.captured.shrink_to_fit();
}

bool StartAudioCaptureFile(const std::string& path) {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  if (m.captureFile != nullptr) return false;
  m.captureFile = std::fopen(path.c_str(), "wb");
  if (m.captureFile == nullptr) return false;
  m.captureFileFrames = 0;
  WriteWavHeader(m.captureFile, 0);
  return true;
}

void StopAudioCaptureFile() {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  if (m.captureFile == nullptr) return;
  WriteWavHeader(m.captureFile, m.captureFileFrames);
  std::fclose(m.captureFile);
  m.captureFile = nullptr;
}

}  // namespace platform
