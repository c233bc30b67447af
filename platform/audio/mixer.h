// The mixer's state, shared by the sound device stand-in (audio.cpp: buffers, mixing, the output choice) and the
// headless output (headless_audio.cpp: cursors that follow the clock, capture of the mix). Internal to
// platform/audio; nothing outside this folder includes it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/audio/audio.h"

namespace platform::mixer {

class Buffer;

struct MixerState {
  std::mutex mutex;
  std::vector<Buffer*> buffers;  // secondary buffers, in creation order
  AudioOutputKind requested = AudioOutputKind::Automatic;
  AudioOutputKind active = AudioOutputKind::None;  // of the live device
  bool deviceLive = false;
  std::uint64_t clockOriginNs = 0;
  std::uint64_t clockFramesMixed = 0;
  bool capturing = false;
  std::vector<std::int16_t> captured;
  std::FILE* captureFile = nullptr;
  std::uint64_t captureFileFrames = 0;
  std::vector<std::pair<MixSource, void*>> sources;  // in the order added
  MixTap tap = nullptr;
  void* tapContext = nullptr;
  std::vector<std::int32_t> accumulator;
  std::vector<std::int16_t> scratch;
};

MixerState& Mixer();

// The functions below are called with m.mutex held.
// Mixes the next frames of every playing buffer and every mix source into out (interleaved stereo) and hands them
// to the captures and the tap.
void MixLocked(MixerState& m, std::int16_t* out, int frames);
// Clock output: mixes up to the clock's present (nothing for other outputs).
void CatchUpLocked(MixerState& m);
// Appends a mixed block to the memory and file captures that are on.
void CaptureLocked(MixerState& m, const std::int16_t* out, int frames);

}  // namespace platform::mixer
