#include "platform/audio/audio.h"

#include <errno.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/audio/mixer.h"
#include "platform/base/backend.h"
#include "platform/base/debug_output.h"
#include "platform/base/clock.h"

namespace platform {

void WaveFormatToBytes(const WaveFormat& f, std::uint8_t out[kWaveFormatBytes]) {
  auto put16 = [&](int at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put16(0, f.formatTag);
  put16(2, f.channels);
  put32(4, f.samplesPerSec);
  put32(8, f.avgBytesPerSec);
  put16(12, f.blockAlign);
  put16(14, f.bitsPerSample);
  put16(16, f.extraSize);
}

WaveFormat WaveFormatFromBytes(const std::uint8_t* bytes, int size) {
  std::uint8_t b[kWaveFormatBytes] = {};
  std::memcpy(b, bytes, static_cast<std::size_t>(std::clamp(size, 0, kWaveFormatBytes)));
  auto get16 = [&](int at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); };
  auto get32 = [&](int at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
  };
  return WaveFormat{get16(0), get16(2), get32(4), get32(8), get16(12), get16(14), get16(16)};
}

namespace mixer {

constexpr std::uint32_t kMaxBufferBytes = 0x0FFFFFFFu;
constexpr std::uint32_t kLockEntireBuffer = 0x2;

// Amplitude of an attenuation in hundredths of a decibel, in 1/32768 units.
int GainQ15(std::int32_t hundredthsDb) {
  if (hundredthsDb >= 0) return 32768;
  return static_cast<int>(std::lround(std::pow(10.0, hundredthsDb / 2000.0) * 32768.0));
}

MixerState& Mixer() {
  static MixerState* state = new MixerState;  // lives to the process end: the audio thread may outlast statics
  return *state;
}


class Buffer final : public SoundBuffer {
 public:
  Buffer(std::shared_ptr<std::vector<std::uint8_t>> memory, const WaveFormat& format)
      : memory_(std::move(memory)), format_(format) {
    frames_ = static_cast<std::uint32_t>(memory_->size() / format_.blockAlign);
    UpdateStep();
  }

  AudioResult Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* size1, void** part2,
                   std::uint32_t* size2, std::uint32_t flags) override {
    const std::uint32_t size = static_cast<std::uint32_t>(memory_->size());
    if (part1 == nullptr || size1 == nullptr) return kDsErrInvalidParam;
    if ((flags & kLockEntireBuffer) != 0) {
      offset = 0;
      bytes = size;
    }
    if (offset >= size || bytes > size || bytes == 0) return kDsErrInvalidParam;
    const std::uint32_t first = std::min(bytes, size - offset);
    *part1 = memory_->data() + offset;
    *size1 = first;
    if (part2 != nullptr) *part2 = first < bytes ? memory_->data() : nullptr;
    if (size2 != nullptr) *size2 = bytes - first;
    if (first < bytes && (part2 == nullptr || size2 == nullptr)) return kDsErrInvalidParam;
    return kDsOk;
  }
  AudioResult Unlock(void*, std::uint32_t, void*, std::uint32_t) override { return kDsOk; }

  AudioResult Play(std::uint32_t flags) override {
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    playing_ = true;
    looping_ = (flags & kDsbPlayLooping) != 0;
    return kDsOk;
  }
  AudioResult Stop() override {
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    playing_ = false;
    return kDsOk;
  }
  AudioResult GetStatus(std::uint32_t* status) override {
    if (status == nullptr) return kDsErrInvalidParam;
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    *status = playing_ ? (kDsbStatusPlaying | (looping_ ? kDsbStatusLooping : 0u)) : 0u;
    return kDsOk;
  }
  AudioResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) override {
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    const std::uint32_t frame = static_cast<std::uint32_t>(position_ >> 32);
    const std::uint32_t playByte = frame * format_.blockAlign;
    if (play != nullptr) *play = playByte;
    if (write != nullptr) {
      // The write cursor runs about 10 ms ahead of a playing cursor.
      const std::uint32_t lead = playing_ ? (format_.samplesPerSec / 100) * format_.blockAlign : 0;
      *write = static_cast<std::uint32_t>((playByte + static_cast<std::uint64_t>(lead)) % memory_->size());
    }
    return kDsOk;
  }
  AudioResult SetCurrentPosition(std::uint32_t offset) override {
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    if (offset >= memory_->size()) return kDsErrInvalidParam;
    position_ = static_cast<std::uint64_t>(offset / format_.blockAlign) << 32;
    return kDsOk;
  }
  AudioResult SetVolume(std::int32_t v) override {
    if (v < kDsbVolumeMin || v > kDsbVolumeMax) return kDsErrInvalidParam;
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    volume_ = v;
    UpdateGains();
    return kDsOk;
  }
  AudioResult GetVolume(std::int32_t* v) override {
    if (v == nullptr) return kDsErrInvalidParam;
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    *v = volume_;
    return kDsOk;
  }
  AudioResult SetFrequency(std::uint32_t hz) override {
    if (hz != 0 && (hz < 100 || hz > 200000)) return kDsErrInvalidParam;
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    frequency_ = hz;
    UpdateStep();
    return kDsOk;
  }
  AudioResult SetPan(std::int32_t pan) override {
    if (pan < -10000 || pan > 10000) return kDsErrInvalidParam;
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    pan_ = pan;
    UpdateGains();
    return kDsOk;
  }
  AudioResult SetFormat(const WaveFormat*) override { return kDsErrUnsupported; }

  void Release() override {
    MixerState& m = Mixer();
    {
      std::lock_guard lock(m.mutex);
      CatchUpLocked(m);
      m.buffers.erase(std::remove(m.buffers.begin(), m.buffers.end(), this), m.buffers.end());
    }
    delete this;
  }

  // Under the mixer lock: adds this buffer's next frames into acc (stereo, Q15-scaled samples).
  void MixInto(std::int32_t* acc, int frames) {
    if (!playing_ || frames_ == 0) return;
    const std::uint8_t* data = memory_->data();
    const bool stereo = format_.channels == 2;
    const bool wide = format_.bitsPerSample == 16;
    const std::uint64_t end = static_cast<std::uint64_t>(frames_) << 32;
    int i = 0;
    if (step_ == (std::uint64_t{1} << 32) && wide && stereo) {
      // The common case: 16-bit stereo at the mix rate, whole runs up to the buffer's end.
      while (i < frames) {
        std::uint32_t frame = static_cast<std::uint32_t>(position_ >> 32);
        const int run = static_cast<int>(std::min<std::uint64_t>(frames - i, frames_ - frame));
        const std::int16_t* s = reinterpret_cast<const std::int16_t*>(data) + static_cast<std::size_t>(frame) * 2;
        std::int32_t* a = acc + static_cast<std::size_t>(i) * 2;
        const std::int32_t gl = gainLeft_, gr = gainRight_;
        for (int k = 0; k < run; ++k) {
          a[2 * k] += (s[2 * k] * gl) >> 15;
          a[2 * k + 1] += (s[2 * k + 1] * gr) >> 15;
        }
        i += run;
        position_ += static_cast<std::uint64_t>(run) << 32;
        if (position_ >= end && !Wrap(end)) return;
      }
      return;
    }
    for (; i < frames; ++i) {
      const std::size_t frame = static_cast<std::size_t>(position_ >> 32);
      std::int32_t l, r;
      if (wide) {
        const std::int16_t* s = reinterpret_cast<const std::int16_t*>(data) + frame * format_.channels;
        l = s[0];
        r = stereo ? s[1] : l;
      } else {
        const std::uint8_t* s = data + frame * format_.channels;
        l = (s[0] - 128) << 8;
        r = stereo ? (s[1] - 128) << 8 : l;
      }
      acc[2 * i] += (l * gainLeft_) >> 15;
      acc[2 * i + 1] += (r * gainRight_) >> 15;
      position_ += step_;
      if (position_ >= end && !Wrap(end)) return;
    }
  }

  bool playing_ = false;

 private:
  // At or past the end: a looping buffer goes round, any other stops at 0. False when it stopped.
  bool Wrap(std::uint64_t end) {
    if (looping_) {
      position_ %= end;
      return true;
    }
    playing_ = false;
    position_ = 0;
    return false;
  }
  void UpdateStep() {
    const std::uint64_t rate = frequency_ != 0 ? frequency_ : format_.samplesPerSec;
    step_ = (rate << 32) / kMixRate;
    if (step_ == 0) step_ = 1;
  }
  void UpdateGains() {
    gainLeft_ = GainQ15(volume_ + (pan_ > 0 ? -pan_ : 0));
    gainRight_ = GainQ15(volume_ + (pan_ < 0 ? pan_ : 0));
  }

  std::shared_ptr<std::vector<std::uint8_t>> memory_;
  WaveFormat format_;
  std::uint32_t frames_ = 0;
  bool looping_ = false;
  std::uint64_t position_ = 0;  // frames, 32.32 fixed point
  std::uint64_t step_ = 0;
  std::uint32_t frequency_ = 0;
  std::int32_t volume_ = 0;
  std::int32_t pan_ = 0;
  std::int32_t gainLeft_ = 32768;
  std::int32_t gainRight_ = 32768;

  friend class Device;
};

// The primary buffer: only its format and play state are kept; the mixer's format does not change.
class PrimaryBuffer final : public SoundBuffer {
 public:
  AudioResult Lock(std::uint32_t, std::uint32_t, void**, std::uint32_t*, void**, std::uint32_t*,
                   std::uint32_t) override {
    return kDsErrUnsupported;
  }
  AudioResult Unlock(void*, std::uint32_t, void*, std::uint32_t) override { return kDsErrUnsupported; }
  AudioResult Play(std::uint32_t) override { return kDsOk; }
  AudioResult Stop() override { return kDsOk; }
  AudioResult GetStatus(std::uint32_t* status) override {
    if (status == nullptr) return kDsErrInvalidParam;
    *status = kDsbStatusPlaying | kDsbStatusLooping;
    return kDsOk;
  }
  AudioResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) override {
    if (play != nullptr) *play = 0;
    if (write != nullptr) *write = 0;
    return kDsOk;
  }
  AudioResult SetCurrentPosition(std::uint32_t) override { return kDsErrUnsupported; }
  AudioResult SetVolume(std::int32_t) override { return kDsOk; }
  AudioResult GetVolume(std::int32_t* v) override {
    if (v == nullptr) return kDsErrInvalidParam;
    *v = 0;
    return kDsOk;
  }
  AudioResult SetFrequency(std::uint32_t) override { return kDsErrUnsupported; }
  AudioResult SetPan(std::int32_t) override { return kDsOk; }
  AudioResult SetFormat(const WaveFormat* format) override {
    if (format == nullptr || format->formatTag != kWaveFormatPcm) return kDsErrInvalidParam;
    format_ = *format;
    return kDsOk;
  }
  void Release() override { delete this; }

 private:
  WaveFormat format_{};
};

bool ValidPcmFormat(const WaveFormat& f) {
  return f.formatTag == kWaveFormatPcm && (f.channels == 1 || f.channels == 2) &&
         (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.blockAlign == f.channels * f.bitsPerSample / 8 &&
         f.samplesPerSec >= 100 && f.samplesPerSec <= 200000;
}

class Device final : public SoundDevice {
 public:
  explicit Device(AudioOutput* output) : output_(output) {}
  AudioResult Initialize(const void*) override {
    if (initialised_) return kDsErrGeneric;
    initialised_ = true;
    return kDsOk;
  }
  AudioResult SetCooperativeLevel(std::uintptr_t, std::uint32_t) override { return kDsOk; }
  AudioResult CreateSoundBuffer(const SoundBufferDesc* desc, SoundBuffer** out) override {
    if (desc == nullptr || out == nullptr) return kDsErrInvalidParam;
    *out = nullptr;
    if ((desc->flags & kDsbCapsPrimaryBuffer) != 0) {
      if (desc->bufferBytes != 0 || desc->format != nullptr) return kDsErrInvalidParam;
      *out = new PrimaryBuffer;
      return kDsOk;
    }
    if (desc->format == nullptr || !ValidPcmFormat(*desc->format)) return kDsErrInvalidParam;
    if (desc->bufferBytes < 4 || desc->bufferBytes > kMaxBufferBytes) return kDsErrInvalidParam;
    const std::uint32_t bytes = desc->bufferBytes - desc->bufferBytes % desc->format->blockAlign;
    std::shared_ptr<std::vector<std::uint8_t>> memory;
    try {
      memory = std::make_shared<std::vector<std::uint8_t>>(bytes, std::uint8_t{0});
    } catch (const std::bad_alloc&) {
      return kDsErrOutOfMemory;
    }
    return Add(new Buffer(std::move(memory), *desc->format), out);
  }
  AudioResult DuplicateSoundBuffer(SoundBuffer* original, SoundBuffer** out) override {
    if (out == nullptr) return kDsErrInvalidParam;
    *out = nullptr;
    Buffer* source = dynamic_cast<Buffer*>(original);
    if (source == nullptr) return kDsErrInvalidParam;
    Buffer* copy = new Buffer(source->memory_, source->format_);
    {
      std::lock_guard lock(Mixer().mutex);
      copy->volume_ = source->volume_;
      copy->pan_ = source->pan_;
      copy->frequency_ = source->frequency_;
      copy->UpdateGains();
      copy->UpdateStep();
    }
    return Add(copy, out);
  }
  AudioResult GetCaps(SoundDeviceCaps* caps) override {
    if (caps == nullptr) return kDsErrInvalidParam;
    *caps = SoundDeviceCaps{kDsCapsPrimaryMono | kDsCapsPrimaryStereo | kDsCapsPrimary8Bit | kDsCapsPrimary16Bit |
                                kDsCapsSecondaryMono | kDsCapsSecondaryStereo | kDsCapsSecondary8Bit |
                                kDsCapsSecondary16Bit,
                            100, 200000, 0, 0};
    return kDsOk;
  }
  void Release() override;

 private:
  AudioResult Add(Buffer* buffer, SoundBuffer** out) {
    MixerState& m = Mixer();
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    m.buffers.push_back(buffer);
    *out = buffer;
    return kDsOk;
  }

  AudioOutput* output_;
  bool initialised_ = false;
};

void Device::Release() {
  AudioOutput* output = output_;
  output_ = nullptr;
  delete output;  // an output thread stops before the device goes
  MixerState& m = Mixer();
  {
    std::lock_guard lock(m.mutex);
    CatchUpLocked(m);
    m.deviceLive = false;
    m.active = AudioOutputKind::None;
  }
  delete this;
}

void MixLocked(MixerState& m, std::int16_t* out, int frames) {
  if (frames <= 0) return;
  m.accumulator.assign(static_cast<std::size_t>(frames) * kMixChannels, 0);
  for (Buffer* b : m.buffers) b->MixInto(m.accumulator.data(), frames);
  for (const auto& [source, context] : m.sources) source(context, m.accumulator.data(), frames);
  for (std::size_t i = 0; i < m.accumulator.size(); ++i)
    out[i] = static_cast<std::int16_t>(std::clamp(m.accumulator[i], -32768, 32767));
  CaptureLocked(m, out, frames);
  if (m.tap != nullptr) m.tap(m.tapContext, out, frames);
}

// A desktop run without sound says so once on stderr.
void ReportNoSound() {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "%s: no sound device could be opened; the game runs without sound\n",
               program_invocation_short_name);
}

AudioOutputKind OutputFromEnvironment(AudioOutputKind requested) {
  if (requested != AudioOutputKind::Automatic) return requested;
  const char* value = std::getenv("ENGINE_AUDIO");
  if (value != nullptr && std::strcmp(value, "none") == 0) return AudioOutputKind::None;
  return AudioOutputKind::Automatic;
}

}  // namespace mixer

using mixer::Buffer;
using mixer::CatchUpLocked;
using mixer::Device;
using mixer::Mixer;
using mixer::MixerState;
using mixer::MixLocked;
using mixer::OutputFromEnvironment;
using mixer::ReportNoSound;

AudioResult CreateSoundDevice(SoundDevice** out) {
  if (out == nullptr) return kDsErrInvalidParam;
  *out = nullptr;
  MixerState& m = Mixer();
  AudioOutputKind kind;
  {
    std::lock_guard lock(m.mutex);
    if (m.deviceLive) return kDsErrGeneric;
    kind = OutputFromEnvironment(m.requested);
  }
  if (kind == AudioOutputKind::None) return kDsErrNoDriver;
  AudioOutput* output = nullptr;
  if (kind == AudioOutputKind::Sdl) {
#if defined(PLATFORM_HAVE_SDL)
    output = OpenSdlAudioOutput();
#endif
    if (output == nullptr) return kDsErrNoDriver;
    kind = AudioOutputKind::Pulled;
  } else if (kind == AudioOutputKind::Automatic) {
    kind = AudioOutputKind::Clock;
#if defined(PLATFORM_HAVE_SDL)
    // A desktop without a working sound device (no card, no sound server) keeps the clock-paced output: sounds load
    // and play in silence, as headless, instead of the engine losing its sound and the game its sound data.
    if (Backend().Kind() == BackendKind::Sdl) {
      output = OpenSdlAudioOutput();
      if (output != nullptr) {
        kind = AudioOutputKind::Pulled;
      } else {
        ReportNoSound();
      }
    }
#endif
  }
  {
    std::lock_guard lock(m.mutex);
    m.deviceLive = true;
    m.active = kind;
    m.clockOriginNs = ObserveNanoseconds();
    m.clockFramesMixed = 0;
  }
  *out = new Device(output);
  return kDsOk;
}

bool EnumerateSoundDevices(int (*callback)(const char*, const char*, void*), void* context) {
  if (callback == nullptr) return false;
  callback("Primary Sound Driver", "", context);
  return true;
}

void MixAudio(std::int16_t* out, int frames) {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  MixLocked(m, out, frames);
}

int LiveSoundBufferCount() {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  return static_cast<int>(m.buffers.size());
}

int PlayingSoundBufferCount() {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  return static_cast<int>(std::count_if(m.buffers.begin(), m.buffers.end(), [](Buffer* b) { return b->playing_; }));
}

void MixUpToNow() {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
}

void AddMixSource(MixSource source, void* context) {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  m.sources.emplace_back(source, context);
}

void RemoveMixSource(MixSource source, void* context) {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  std::erase(m.sources, std::pair<MixSource, void*>(source, context));
}

void SetMixTap(MixTap tap, void* context) {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  CatchUpLocked(m);
  m.tap = tap;
  m.tapContext = context;
}

void RequestAudioOutput(AudioOutputKind kind) {
  MixerState& m = Mixer();
  std::lock_guard lock(m.mutex);
  m.requested = kind;
}

}  // namespace platform
