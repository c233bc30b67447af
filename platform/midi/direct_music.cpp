#include "platform/midi/direct_music.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/midi/midi_synth.h"
#include "platform/midi/smf.h"

namespace platform::dmusic {
namespace {

constexpr char16_t kPortName[] = u"FluidSynth General MIDI Synthesizer";

class SegmentImpl final : public Segment {
 public:
  explicit SegmentImpl(std::vector<std::uint8_t> song) : song_(std::move(song)) {}
  // Every segment is a Standard MIDI File; the parameter is taken and changes nothing.
  Result SetParam(Param param, std::uint32_t, std::uint32_t, std::int32_t, const void*) override {
    return param == Param::StandardMidiFile ? kOk : kInvalidArg;
  }
  Result SetRepeats(std::uint32_t repeats) override {
    repeats_ = repeats;
    return kOk;
  }
  void Release() override {
    if (--references_ == 0) delete this;
  }
  void AddRef() { ++references_; }

  const std::vector<std::uint8_t>& Song() const { return song_; }
  // For the synthesiser: more plays after the first, -1 for ever.
  int Repeats() const { return repeats_ == kRepeatInfinite ? -1 : static_cast<int>(std::min<std::uint32_t>(repeats_, 0x7FFFFFFE)); }

 private:
  std::vector<std::uint8_t> song_;
  std::uint32_t repeats_ = 0;
  std::atomic<int> references_{1};
};

class LoaderImpl final : public Loader {
 public:
  Result GetSegmentFromMemory(const void* data, std::uint64_t size, Segment** out) override {
    if (out == nullptr) return kInvalidArg;
    *out = nullptr;
    if (data == nullptr) return kInvalidArg;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (size > 0x7FFFFFFF || !midi::IsStandardMidiFile(bytes, static_cast<std::size_t>(size))) return kUnsupportedStream;
    *out = new SegmentImpl(std::vector<std::uint8_t>(bytes, bytes + size));
    return kOk;
  }
  void Release() override { delete this; }
};

class DirectMusicImpl final : public DirectMusic {
 public:
  Result EnumPort(std::uint32_t index, PortCaps* caps) override {
    if (caps == nullptr) return kInvalidArg;
    if (index > 0) return kFalse;
    caps->flags = 0;
    caps->portClass = kPortClassOutput;
    caps->channelGroups = 1;
    std::memset(caps->description, 0, sizeof caps->description);
    std::copy(std::begin(kPortName), std::end(kPortName), caps->description);
    return kOk;
  }
  Result QueryInterface8(DirectMusic** out) override {
    if (out == nullptr) return kInvalidArg;
    ++references_;
    *out = this;
    return kOk;
  }
  void Release() override {
    if (--references_ == 0) delete this;
  }

 private:
  std::atomic<int> references_{1};
};

class PerformanceImpl final : public Performance {
 public:
  ~PerformanceImpl() override { CloseDown(); }

  Result InitAudio(DirectMusic** music, SoundDevice** soundDevice, std::uintptr_t, std::uint32_t, std::uint32_t,
                   std::uint32_t, AudioParams* params) override {
    if (synth_ != nullptr) return kAlreadyInitialized;
    if (params != nullptr && (params->validData & 4) != 0 && params->sampleRate != static_cast<std::uint32_t>(kMixRate))
      return kInvalidArg;
    SoundDevice* made = nullptr;
    if (soundDevice != nullptr && *soundDevice == nullptr) {
      if (!AudioSucceeded(CreateSoundDevice(&made)) || !AudioSucceeded(made->Initialize(nullptr))) {
        if (made != nullptr) made->Release();
        return kFail;
      }
    }
    synth_ = midi::MidiSynth::Create();
    if (synth_ == nullptr) {
      if (made != nullptr) made->Release();
      return kFail;
    }
    if (made != nullptr) *soundDevice = made;
    if (music != nullptr && *music == nullptr) *music = new DirectMusicImpl;
    ApplyVolume();
    return kOk;
  }

  Result Download(Segment* segment) override { return segment != nullptr ? kOk : kInvalidArg; }
  Result Unload(Segment* segment) override { return segment != nullptr ? kOk : kInvalidArg; }

  Result PlaySegmentEx(Segment* segment, std::uint32_t, std::int64_t) override {
    auto* s = static_cast<SegmentImpl*>(segment);
    if (s == nullptr) return kInvalidArg;
    if (synth_ == nullptr) return kNotInitialized;
    if (!synth_->Play(s->Song(), s->Repeats(), nullptr)) return kFail;
    Hold(s);
    return kOk;
  }

  Result StopEx(Segment* segment, std::int64_t, std::uint32_t) override {
    if (synth_ == nullptr) return kNotInitialized;
    if (segment == nullptr || segment == playing_) {
      synth_->Stop();
      Hold(nullptr);
    }
    return kOk;
  }

  Result IsPlaying(Segment* segment) override {
    if (synth_ == nullptr) return kNotInitialized;
    if (segment == nullptr) return kInvalidArg;
    return segment == playing_ && synth_->Playing() ? kOk : kFalse;
  }

  Result GetGlobalParam(Param param, void* data, std::uint32_t size) override {
    if (param != Param::PerfMasterVolume || data == nullptr || size < sizeof(std::int32_t)) return kInvalidArg;
    std::memcpy(data, &masterVolume_, sizeof masterVolume_);
    return kOk;
  }

  Result SetGlobalParam(Param param, const void* data, std::uint32_t size) override {
    if (param != Param::PerfMasterVolume || data == nullptr || size < sizeof(std::int32_t)) return kInvalidArg;
    std::int32_t v = 0;
    std::memcpy(&v, data, sizeof v);
    masterVolume_ = std::clamp(v, kMasterVolumeMin, kMasterVolumeMax);
    ApplyVolume();
    return kOk;
  }

  Result CloseDown() override {
    if (synth_ == nullptr) return kOk;
    synth_->Stop();
    Hold(nullptr);
    synth_.reset();
    return kOk;
  }

  void Release() override { delete this; }

 private:
  void ApplyVolume() {
    if (synth_ != nullptr) synth_->SetAttenuation(masterVolume_);
  }
  // The performance keeps the segment it plays alive.
  void Hold(SegmentImpl* segment) {
    if (segment != nullptr) segment->AddRef();
    if (playing_ != nullptr) playing_->Release();
    playing_ = segment;
  }

  std::unique_ptr<midi::MidiSynth> synth_;
  SegmentImpl* playing_ = nullptr;
  std::int32_t masterVolume_ = 0;
};

}  // namespace

Result CreateLoader(Loader** out) {
  if (out == nullptr) return kInvalidArg;
  *out = nullptr;
  if (midi::FindGeneralMidiSoundFont().empty()) return kFail;
  *out = new LoaderImpl;
  return kOk;
}

Result CreatePerformance(Performance** out) {
  if (out == nullptr) return kInvalidArg;
  *out = new PerformanceImpl;
  return kOk;
}

Result CreateDirectMusic(DirectMusic** out) {
  if (out == nullptr) return kInvalidArg;
  *out = new DirectMusicImpl;
  return kOk;
}

}  // namespace platform::dmusic
