// platform/audio: the DirectSound stand-in and the mixer (this file, audio.cpp; mixer.h is internal to the folder)
// and its outputs: headless_audio.cpp (cursors follow the platform clock; headless_audio.h is the test hook that
// captures the mix) and sdl_audio.cpp (an SDL2 audio device pulls the mix). MIDI goes to platform/midi, movie sound
// to platform/movie; both feed this mixer.
//
// The sound device layer: a DirectSound-like device with sound buffers (play and write cursors, duplicates that
// share their sample memory, play / loop / stop, volume, frequency and pan), mixed by our own mixer into 16-bit
// stereo at 44100 Hz.
//
// The mixer has its own short lock and never calls into the engine. Where the mix goes is decided when the device
// is created, from the chosen window back-end:
// - headless: the play cursors follow the platform clock (every call first mixes up to the clock's present), and
//   the mix can be captured to memory or to a WAV file;
// - SDL: an SDL audio device pulls the mix from its own thread (the sound libraries' own complaints kept off
//   stderr); a desktop where no device opens plays in silence on the clock and says so in one line on stderr.
// With no output at all (SDL's audio cannot open, or a test or ENGINE_AUDIO=none switched it off), creating the
// device fails.
//
// Sample memory handed out by Lock is written without the mixer's lock, as with DirectSound: the engine writes only
// the parts the cursor is not playing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using AudioResult = std::int32_t;
inline constexpr AudioResult kDsOk = 0;
inline constexpr AudioResult kDsErrGeneric = static_cast<AudioResult>(0x80004005u);
inline constexpr AudioResult kDsErrInvalidParam = static_cast<AudioResult>(0x80070057u);
inline constexpr AudioResult kDsErrNoDriver = static_cast<AudioResult>(0x88780078u);
inline constexpr AudioResult kDsErrOutOfMemory = static_cast<AudioResult>(0x8007000Eu);
inline constexpr AudioResult kDsErrUnsupported = static_cast<AudioResult>(0x80004001u);
inline constexpr bool AudioSucceeded(AudioResult r) { return r >= 0; }

// WAVEFORMATEX, field by field (the file layout is 18 bytes; see WaveFormatToBytes).
struct WaveFormat {
  std::uint16_t formatTag;
  std::uint16_t channels;
  std::uint32_t samplesPerSec;
  std::uint32_t avgBytesPerSec;
  std::uint16_t blockAlign;
  std::uint16_t bitsPerSample;
  std::uint16_t extraSize;
};
inline constexpr int kWaveFormatBytes = 18;
void WaveFormatToBytes(const WaveFormat& format, std::uint8_t out[kWaveFormatBytes]);
WaveFormat WaveFormatFromBytes(const std::uint8_t* bytes, int size);  // size < 18: the missing fields are 0
inline constexpr std::uint16_t kWaveFormatPcm = 1;

// Buffer description flags.
inline constexpr std::uint32_t kDsbCapsPrimaryBuffer = 0x1;
inline constexpr std::uint32_t kDsbCapsStatic = 0x2;
inline constexpr std::uint32_t kDsbCapsCtrlFrequency = 0x20;
inline constexpr std::uint32_t kDsbCapsCtrlPan = 0x40;
inline constexpr std::uint32_t kDsbCapsCtrlVolume = 0x80;
inline constexpr std::uint32_t kDsbCapsGlobalFocus = 0x8000;
inline constexpr std::uint32_t kDsbCapsGetCurrentPosition2 = 0x10000;
inline constexpr std::uint32_t kDsbPlayLooping = 0x1;
inline constexpr std::uint32_t kDsbStatusPlaying = 0x1;
inline constexpr std::uint32_t kDsbStatusLooping = 0x4;
inline constexpr std::uint32_t kDsSclPriority = 2;
inline constexpr std::int32_t kDsbVolumeMin = -10000;
inline constexpr std::int32_t kDsbVolumeMax = 0;

// Device caps flags.
inline constexpr std::uint32_t kDsCapsPrimaryMono = 0x1;
inline constexpr std::uint32_t kDsCapsPrimaryStereo = 0x2;
inline constexpr std::uint32_t kDsCapsPrimary8Bit = 0x4;
inline constexpr std::uint32_t kDsCapsPrimary16Bit = 0x8;
inline constexpr std::uint32_t kDsCapsSecondaryMono = 0x100;
inline constexpr std::uint32_t kDsCapsSecondaryStereo = 0x200;
inline constexpr std::uint32_t kDsCapsSecondary8Bit = 0x400;
inline constexpr std::uint32_t kDsCapsSecondary16Bit = 0x800;

struct SoundBufferDesc {
  std::uint32_t size;  // 36, as the engine fills it
  std::uint32_t flags;
  std::uint32_t bufferBytes;
  const WaveFormat* format;
};

struct SoundDeviceCaps {
  std::uint32_t flags;
  std::uint32_t minSecondarySampleRate;
  std::uint32_t maxSecondarySampleRate;
  std::uint32_t totalHwMemBytes;
  std::uint32_t freeHwMemBytes;
};

// The mixer's output format.
inline constexpr int kMixRate = 44100;
inline constexpr int kMixChannels = 2;

class SoundBuffer {
 public:
  virtual ~SoundBuffer() = default;
  virtual AudioResult Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* size1,
                           void** part2, std::uint32_t* size2, std::uint32_t flags) = 0;
  virtual AudioResult Unlock(void* part1, std::uint32_t size1, void* part2, std::uint32_t size2) = 0;
  virtual AudioResult Play(std::uint32_t flags) = 0;
  virtual AudioResult Stop() = 0;
  virtual AudioResult GetStatus(std::uint32_t* status) = 0;
  // Byte offsets; either pointer may be null.
  virtual AudioResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) = 0;
  virtual AudioResult SetCurrentPosition(std::uint32_t offset) = 0;
  virtual AudioResult SetVolume(std::int32_t hundredthsDb) = 0;
  virtual AudioResult GetVolume(std::int32_t* hundredthsDb) = 0;
  virtual AudioResult SetFrequency(std::uint32_t hz) = 0;  // 0: the format's own rate
  virtual AudioResult SetPan(std::int32_t pan) = 0;        // -10000 left .. 10000 right, hundredths of a decibel
  virtual AudioResult SetFormat(const WaveFormat* format) = 0;  // primary buffer only
  virtual void Release() = 0;
};

class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  virtual AudioResult Initialize(const void* deviceGuid) = 0;
  virtual AudioResult SetCooperativeLevel(std::uintptr_t window, std::uint32_t level) = 0;
  virtual AudioResult CreateSoundBuffer(const SoundBufferDesc* desc, SoundBuffer** out) = 0;
  virtual AudioResult DuplicateSoundBuffer(SoundBuffer* original, SoundBuffer** out) = 0;
  virtual AudioResult GetCaps(SoundDeviceCaps* caps) = 0;
  virtual void Release() = 0;
};

// The device over the output of the chosen back-end; kDsErrNoDriver when there is none. One device at a time.
AudioResult CreateSoundDevice(SoundDevice** out);

// Device enumeration for the log: calls back (description, module) for each output; the callback returns 1 to go
// on. False when the enumeration function cannot be had.
bool EnumerateSoundDevices(int (*callback)(const char* description, const char* module, void* context),
                           void* context);

// ---- Mixer -----------------------------------------------------------------------------------------------------

// Mixes the next frames of every playing buffer into out (interleaved stereo), advancing their cursors. Called by
// the output; tests and the benchmark call it directly.
void MixAudio(std::int16_t* out, int frames);
// Number of buffers (primary excluded) that exist / play now.
int LiveSoundBufferCount();
int PlayingSoundBufferCount();

// Mixes what is due up to the present on an output that mixes only when asked (the headless clock output); nothing
// on the others. Lets a mix source notice where its samples have got to (a song's end) while nothing else asks.
void MixUpToNow();

// ---- Other sources and sinks of the mix ----------------------------------------------------------------------

// A source that adds its own frames to the mix (the MIDI synthesiser): called for every mixed block under the
// mixer's lock with the block's accumulator (interleaved stereo at 16-bit scale, before clipping). It must not call
// back into this layer.
using MixSource = void (*)(void* context, std::int32_t* accumulator, int frames);
void AddMixSource(MixSource source, void* context);
// Once this returns the source is no longer called.
void RemoveMixSource(MixSource source, void* context);
// A tap that receives every mixed block (interleaved stereo) under the mixer's lock, after the captures; null
// removes it. The mix is brought up to the present before the tap changes.
using MixTap = void (*)(void* context, const std::int16_t* samples, int frames);
void SetMixTap(MixTap tap, void* context);

// ---- Output control (tests and the back-ends) -----------------------------------------------------------------

enum class AudioOutputKind { Automatic, None, Clock, Pulled, Sdl };
// Before the device is created: Automatic follows the window back-end (headless: the clock; SDL: its audio device,
// or the clock when none opens); None: no output, device creation fails; Clock: cursors follow the platform clock;
// Pulled: nothing mixes until MixAudio is called (tests drive the mixer by hand). ENGINE_AUDIO=none in the
// environment means None.
void RequestAudioOutput(AudioOutputKind kind);

// An output that pulls the mix from its own thread.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
};
#if defined(PLATFORM_HAVE_SDL)
// Opens SDL's audio device at 44100 Hz stereo 16-bit; null when it cannot.
AudioOutput* OpenSdlAudioOutput();
#endif

}  // namespace platform
