// The DirectMusic interfaces as far as the engine uses them: a loader that makes segments of Standard MIDI Files in
// memory, a performance that plays one segment at a time through a synthesiser (midi_synth.h) into the engine's
// mixer with repeats and a master volume, and the DirectMusic object whose ports are listed in the log. Objects are
// made by the Create functions in place of COM's CoCreateInstance and released with Release.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/audio.h"

namespace platform::dmusic {

using Result = std::int32_t;
inline constexpr Result kOk = 0;
inline constexpr Result kFalse = 1;
inline constexpr Result kFail = static_cast<Result>(0x80004005u);
inline constexpr Result kInvalidArg = static_cast<Result>(0x80070057u);
inline constexpr Result kNotInitialized = static_cast<Result>(0x88781011u);
inline constexpr Result kAlreadyInitialized = static_cast<Result>(0x88781012u);
inline constexpr Result kNotFound = static_cast<Result>(0x88781161u);
inline constexpr Result kUnsupportedStream = static_cast<Result>(0x88781172u);
inline constexpr bool Succeeded(Result r) { return r >= 0; }

inline constexpr std::uint32_t kRepeatInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kSegFlagRefTime = 0x40;
inline constexpr std::uint32_t kAudioPathSharedStereoPlusReverb = 1;
inline constexpr std::uint32_t kAudioFeaturesAll = 0x3F;
inline constexpr std::uint32_t kPortClassInput = 0;
inline constexpr std::uint32_t kPortClassOutput = 1;
inline constexpr std::int32_t kMasterVolumeMin = -20000;
inline constexpr std::int32_t kMasterVolumeMax = 2000;

// Parameters, in place of their GUIDs.
enum class Param { PerfMasterVolume, StandardMidiFile };

struct AudioParams {
  std::uint32_t size;  // 40
  int initNow;
  std::uint32_t validData;
  std::uint32_t features;
  std::uint32_t voices;
  std::uint32_t sampleRate;
};

struct PortCaps {
  std::uint32_t size;  // 308
  std::uint32_t flags;
  std::uint32_t portClass;
  std::uint32_t channelGroups;
  char16_t description[128];
};

class Segment {
 public:
  virtual ~Segment() = default;
  virtual Result SetParam(Param param, std::uint32_t group, std::uint32_t index, std::int32_t time,
                          const void* data) = 0;
  virtual Result SetRepeats(std::uint32_t repeats) = 0;
  virtual void Release() = 0;
};

class Loader {
 public:
  virtual ~Loader() = default;
  // A segment over a copy of a Standard MIDI File in memory; kUnsupportedStream when the bytes are not one.
  virtual Result GetSegmentFromMemory(const void* data, std::uint64_t size, Segment** out) = 0;
  virtual void Release() = 0;
};

class DirectMusic {
 public:
  virtual ~DirectMusic() = default;
  // kOk with the port's caps, kFalse past the last port.
  virtual Result EnumPort(std::uint32_t index, PortCaps* caps) = 0;
  // The DirectMusic 8 interface of the same object (one more reference).
  virtual Result QueryInterface8(DirectMusic** out) = 0;
  virtual void Release() = 0;
};

class Performance {
 public:
  virtual ~Performance() = default;
  // Makes the sound device (*soundDevice null) or uses the given one, and the synthesiser. *music, when asked,
  // receives a DirectMusic object. The sample rate must be the mixer's.
  virtual Result InitAudio(DirectMusic** music, SoundDevice** soundDevice, std::uintptr_t window,
                           std::uint32_t defaultPathType, std::uint32_t channels, std::uint32_t flags,
                           AudioParams* params) = 0;
  virtual Result Download(Segment* segment) = 0;
  virtual Result Unload(Segment* segment) = 0;
  // Plays the segment from its start as the one segment, replacing what played.
  virtual Result PlaySegmentEx(Segment* segment, std::uint32_t flags, std::int64_t startTime) = 0;
  // Stops the segment when it is the one playing; a null segment stops whatever plays.
  virtual Result StopEx(Segment* segment, std::int64_t time, std::uint32_t flags) = 0;
  // kOk while the segment plays, kFalse when not.
  virtual Result IsPlaying(Segment* segment) = 0;
  virtual Result GetGlobalParam(Param param, void* data, std::uint32_t size) = 0;
  virtual Result SetGlobalParam(Param param, const void* data, std::uint32_t size) = 0;
  // Stops, leaves the mix and drops the synthesiser; the sound device stays with whoever holds it.
  virtual Result CloseDown() = 0;
  virtual void Release() = 0;
};

// kFail when no SoundFont is installed (DirectMusic would have no instruments).
Result CreateLoader(Loader** out);
Result CreatePerformance(Performance** out);
Result CreateDirectMusic(DirectMusic** out);

}  // namespace platform::dmusic
