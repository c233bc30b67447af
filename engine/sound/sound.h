// The sound subsystem: the sound device, sound handles with their playback buffers, decoding to PCM, stream sounds
// decoded while they play, and music. Every worker runs under the API lock.
#pragma once

#include <cstdint>

#include "engine/core/link_list.h"
#include "engine/core/stream.h"
#include "platform/audio/audio.h"
#include "platform/files/file.h"
#include "platform/midi/direct_music.h"
#include "platform/window/window.h"

using WaveFormatEx = platform::WaveFormat;
// Byte-for-byte equality of the 18-byte forms.
bool SameWaveFormat(const WaveFormatEx& a, const WaveFormatEx& b);
struct AcmStream;
struct OggVorbis_File;

// ---- Decoding to PCM -------------------------------------------------------------------------------------------

inline constexpr int kConverterPcmWav = 0;
inline constexpr int kConverterAcm = 1;
inline constexpr int kConverterOgg = 2;

struct SoundConverter {
  std::uint32_t open;
  std::uint32_t endReached;
  int kind;
  StreamSource source;
  int fmtPosition;
  int fmtSize;
  int dataStart;
  int dataSize;
  WaveFormatEx outputFormat;
  // ACM kinds.
  std::uint8_t* acmSourceFormat;  // WAVEFORMATEX bytes with their extra bytes
  int acmSourceFormatSize;
  AcmStream* acmMain;
  AcmStream* acmSpare;
  std::uint8_t* encoded;
  int encodedSize;
  int encodedPosition;
  int totalFrames;  // -1 unknown
  std::uint32_t spareProduced;
  std::uint32_t spareConsumed;
  std::uint8_t* scratch;
  // Ogg.
  int oggOpen;
  OggVorbis_File* ogg;
  int oggBytesPerSample;
  // Work buffer.
  std::uint8_t* work;
  int workSize;
  int held;
  int readOffset;
  int pcmPosition;
  std::uint32_t warmupTarget;
};

int OpenSoundConverter(const StreamSource* source, SoundConverter* converter);
int ConverterRead(SoundConverter* converter, void* destination, int bytes);
int ConverterSeek(SoundConverter* converter, int frame);
int ConverterPcmSize(SoundConverter* converter);
void GetConverterFormat(const SoundConverter* converter, WaveFormatEx* out);
int CloseConverter(SoundConverter* converter);
int DecodeAllToPcm(SoundConverter* converter, WaveFormatEx* format, void** pcm, int* size);
int LoadFileToMemory(const char* name, void** data, int* size);
int ReadWholeSource(const StreamSource* source, void** data, int* size);
// The RIFF WAVE header of BuildWavImage (28 + formatSize bytes) for PCM of the given size.
void FillWavHeader(std::uint8_t* out, const WaveFormatEx* format, int formatSize, std::uint32_t pcmSize);
int BuildWavImage(void** out, int* outSize, const WaveFormatEx* format, int formatSize, const void* pcm, int pcmSize);
// The capture file: from OpenCaptureFile on, every mixed sample frame is written to the file (a real path) behind
// room for its header; FinishCaptureFile writes the header, closes the file and clears the frame counter. Sound end
// finishes it. OpenCaptureFile: 0, or -1 when sound is not started, a capture file is open or the file cannot be
// made.
int OpenCaptureFile(const char* path);
int FinishCaptureFile();

// The individual decoders (OpenSoundConverter tries them in this order).
int OpenWavPcm(SoundConverter* converter);
int OpenAcmWav(SoundConverter* converter);
int OpenMp3Acm(SoundConverter* converter);
int AcmConvertStep(SoundConverter* converter);

struct MpegFrameHeader {
  int mpeg1;  // 1 MPEG-1, 0 MPEG-2
  int layer;  // 0 Layer I, 1 Layer II, 2 Layer III
  int bitrate;  // kbit/s
  int sampleRate;
  int padding;
  int channels;
  int frameBytes;
  int samples;
};
// 0, -1 (invalid field) or -2 (no frame start).
int ParseMpegFrameHeader(const std::uint8_t header[4], MpegFrameHeader* out);

// Ogg Vorbis glue.
int OggStreamOpen(SoundConverter* converter);
int OggReadPcm(SoundConverter* converter);
void OggPcmSeek(SoundConverter* converter, int frame);
int OggPcmTotal(SoundConverter* converter);
int OggStreamClose(SoundConverter* converter);

// ---- Sound handles ---------------------------------------------------------------------------------------------

inline constexpr int kSoundHandleType = 0x10000000;
inline constexpr int kMaxSoundHandles = 4096;
inline constexpr int kMaxSoundBuffers = 10;
inline constexpr int kMaxStreamEntries = 3;

struct SoundStreamEntry {
  std::int8_t loopCount;
  std::uint32_t createMode;  // 0 decoded image, 2 copied source, 3 caller's source
  void* data;
  int dataSize;
  StreamSource source;  // over data (modes 0 and 2)
  std::uint32_t loopStart;
  SoundConverter converter;
};

// A playback buffer of a sound: a sound-device buffer, or in the own-buffer mode engine memory with its own play
// state (which nothing mixes or advances).
struct SoundBufferSlot {
  std::uint32_t valid;
  platform::SoundBuffer* buffer;
  // Own-buffer mode.
  std::uint8_t* memory;
  int playing;
  int position;  // sample frames
  int loop;
  int reserved;  // zeroed at creation
  int volume;    // 0..256, 255 at creation
  int unknown;   // -1 at creation
  int length;    // sample frames
  WaveFormatEx format;
};

// The slot operations. Each returns 0, or -1 when the slot is not valid (creation: when it is) or the operation
// fails. They act on the device's buffer, or on the slot's own memory while g_Sound.ownBufferMode is set.
int SlotCreateBuffer(SoundBufferSlot* slot, const platform::SoundBufferDesc* desc);
int SlotDuplicateBuffer(SoundBufferSlot* source, SoundBufferSlot* slot);
int SlotRelease(SoundBufferSlot* slot);
int SlotPlay(SoundBufferSlot* slot, int loop);
int SlotStop(SoundBufferSlot* slot);
int SlotGetStatus(SoundBufferSlot* slot, std::uint32_t* status);  // bit 0: playing
int SlotGetPosition(SoundBufferSlot* slot, std::uint32_t* play);  // play cursor in bytes
int SlotLock(SoundBufferSlot* slot, std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* size1,
             void** part2, std::uint32_t* size2);
int SlotUnlock(SoundBufferSlot* slot, void* part1, std::uint32_t size1, void* part2, std::uint32_t size2);
int SlotSetVolume(SoundBufferSlot* slot, int hundredthsDb);
int SlotSetPosition(SoundBufferSlot* slot, std::uint32_t offset);

struct SoundRecord {
  std::uint32_t serial;
  SoundBufferSlot slots[kMaxSoundBuffers];
  WaveFormatEx format;
  int kind;  // 0 plain, 1 stream
  std::uint32_t streamPlayType;
  std::uint32_t lastPlayTime;
  int bufferOwner;
  int shareCount;
  int bufferUser;
  int deletePending;
  std::uint32_t ringSize;
  int ringWrite;
  int ringLimit;
  SoundStreamEntry entries[kMaxStreamEntries];
  std::uint8_t entryEngineOpened[kMaxStreamEntries];
  int entryCount;
  int currentEntry;
  int loopCounter;
  int entryStartByte;
  int totalFrames;
  int playedBytes;
  int lastCursor;
  std::uint8_t primed;
  std::uint8_t endWritten;
  std::uint8_t wrapPending;
  std::uint8_t ended;
  std::uint32_t endPosition;
  std::uint32_t endCursor;
  std::uint32_t wrapPosition;
  ListNode node;
  std::uint32_t pcmSize;
  void* pcm;
  int bufferStates[kMaxSoundBuffers];
  int bufferCount;
  int currentBuffer;
};

struct SoundSystem {
  platform::SoundDevice* device;  // null: sound not started
  platform::SoundBuffer* primary;
  platform::SoundBuffer* silent;
  int musicMode;  // 0: music through the sequencer; 1: through DirectMusic (nothing in the game selects it)
  platform::dmusic::Loader* loader;            // mode 1
  platform::dmusic::Performance* performance;  // mode 1
  std::int32_t musicVolumeBase;                // mode 1: the performance's master volume at start-up
  int ownBufferMode;                           // slots hold engine memory instead of device buffers
  int streamCreateMode;
  int oggBytesPerSample;
  ListNode streamHead;
  ListNode streamTail;
  SoundRecord* records[kMaxSoundHandles];
  int liveCount;
  int nextIndex;
  int nextSerial;
  int captureFileOpen;
  platform::FileHandle captureFile;
  std::uint32_t captureFrames;
  int streamUpdateCalls;  // every UpdateStreamSounds call, for tests of the message pass
};
extern SoundSystem g_Sound;

// Start-up and shut-down.
int InitializeSound();
int TerminateSound();
int SoundDeviceEnumCallback(const char* description, const char* module, void* context);
int DeleteAllSounds(int value);

// The record of a valid sound handle, or null.
SoundRecord* GetSoundRecord(int handle);
int AddSoundData(int handle);
int SetupSoundBuffers(const WaveFormatEx* format, int bytes, int kind, int bufferCount, int handle);
int LoadSoundFileBody(const char* name, int bufferCount, int shareHandle);
int LoadSoundFileForward(const char* name, int bufferCount, int shareHandle);
int LoadSoundMemImage(const void* image, int size, int bufferCount, int shareHandle);
int PlaySoundHandleBody(int handle, int playType, int fromTop);
int StopSoundHandleBody(int handle);
int CheckSoundHandlePlaying(int handle);
int SetSoundHandleVolumeBody(int volume, int handle);
int DeleteSoundHandle(int handle, int value = 0);
// The volume law: 0..255 to hundredths of a decibel.
int SoundVolumeToAttenuation(int volume);

// Stream sounds.
int AddSreamSound(const StreamSource* source, int loopCount, int handle, int createMode, int* sourceKept,
                  int shareHandle);
int AddStreamSoundFile(const char* name, int loopCount, int handle, int createMode, int shareHandle);
int AddStreamSoundMem(const void* image, int size, int loopCount, int handle, int createMode, int shareHandle);
int PrimeStreamSound(int handle);
int PlayStreamSound(int handle, int playType, int fromTop);
int StopStreamSound(int handle);
int IsStreamSoundPlaying(int handle);
int AcquireStreamBuffer(int handle, SoundRecord* record, SoundBufferSlot** slot, int force);
int RefillStreamSound(int handle);
int UpdateStreamSounds();

// Music.
inline constexpr int kMusicHandleType = 0x58000000;
inline constexpr int kMaxMusicHandles = 256;

struct MusicRecord {
  std::uint32_t serial;
  std::uint32_t playing;
  std::uint32_t started;
  void* midiData;
  std::uint32_t midiSize;
  platform::dmusic::Segment* segment;  // mode 1
};

struct MusicSystem {
  MusicRecord* records[kMaxMusicHandles];
  int liveCount;
  int nextIndex;
  int nextSerial;
  int current;
  int currentIsSound;
  int nowPlaying;
  int mciDevice;
  int midiLoop;
  int midiPlaying;
  char tempPath[260];
  int tempFileExists;
};
extern MusicSystem g_Music;

int AddMusicData();
int CreateMusicFromMemory(const void* data, int size);
int LoadMusicMem(const char* name);
int PlayMusicHandle(int handle, int playType);
int StopMusicHandle(int handle);
int DeleteMusicHandle(int handle);
int DeleteAllMusic();
int GetMusicPlaying(int handle);
int UpdateMusicPlayState();
int HandleMidiNotify(platform::WParam wParam = 0, platform::LParam lParam = 0);
int PlayMusicFileBody(const char* name, int playType);
int StopMusicFileBody();
int SetMusicVolumeBody(int volume);
