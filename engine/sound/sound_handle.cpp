// Sound handles: the handle table, plain sounds whose whole PCM lies in one to ten buffers, playing, stopping,
// volume and deletion. Stream sounds branch off to stream_sound.cpp.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/mem_stream.h"
#include "engine/core/message.h"
#include "engine/core/start_engine.h"
#include "engine/sound/sound.h"
#include "platform/base/clock.h"

namespace {

constexpr std::uint32_t kPlainFlags = 0x80E2;
constexpr std::uint32_t kPlainFallbackFlags = 0xC2;
constexpr std::uint32_t kStreamFlags = 0x180E2;

int MakeSoundHandle(std::uint32_t serial, int slot) {
  return static_cast<int>(((serial | 0x1000u) << 16) | static_cast<std::uint32_t>(slot));
}

}  // namespace

SoundRecord* GetSoundRecord(int handle) {
  if (g_Sound.device == nullptr || handle < 0) return nullptr;
  if ((handle & 0x78000000) != kSoundHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kMaxSoundHandles) return nullptr;
  SoundRecord* record = g_Sound.records[slot];
  if (record == nullptr || record->serial != ((static_cast<std::uint32_t>(handle) >> 16) & 0x7FFu)) return nullptr;
  return record;
}

int SoundVolumeToAttenuation(int volume) {
  if (volume > 255) volume = 255;
  if (volume <= 0) return -10000;
  const int value = static_cast<int>(1000.0 * std::log10(volume / 255.0));  // truncated toward zero
  return value < -10000 ? -10000 : value;
}

int AddSoundData(int handle) {
  int slot = -1;
  bool atHint = false;
  if (handle >= 0 && (handle & 0x78000000) == kSoundHandleType && (handle & 0xFFFF) < kMaxSoundHandles &&
      g_Sound.records[handle & 0xFFFF] == nullptr) {
    slot = handle & 0xFFFF;
  } else {
    handle = -1;
    if (g_Sound.liveCount >= kMaxSoundHandles) return WriteLog("サウンドの数が許容量を越えました\n");
    if (g_Sound.nextIndex >= kMaxSoundHandles) {
      for (slot = 0; g_Sound.records[slot] != nullptr; ++slot) {
      }
    } else {
      slot = g_Sound.nextIndex;
      atHint = true;
    }
  }
  auto* record = static_cast<SoundRecord*>(ENGINE_ALLOC_ZEROED(static_cast<int>(sizeof(SoundRecord))));
  if (record == nullptr) return WriteLog("メモリ領域の確保に失敗しました in AddSoundData");
  if (handle != -1) {
    record->serial = (static_cast<std::uint32_t>(handle) >> 16) & 0x7FFu;
  } else {
    record->serial = static_cast<std::uint32_t>(g_Sound.nextSerial);
    g_Sound.nextSerial = g_Sound.nextSerial >= 2047 ? 0 : g_Sound.nextSerial + 1;
  }
  record->bufferOwner = -1;
  record->bufferUser = -1;
  g_Sound.records[slot] = record;
  ++g_Sound.liveCount;
  if (atHint) g_Sound.nextIndex = slot + 1;
  return handle != -1 ? handle : MakeSoundHandle(record->serial, slot);
}

int SetupSoundBuffers(const WaveFormatEx* format, int bytes, int kind, int bufferCount, int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (record == nullptr) return -1;
  if (kind == 1) {
    platform::SoundBufferDesc desc{36, kStreamFlags, 6 * format->avgBytesPerSec, format};
    if (SlotCreateBuffer(&record->slots[0], &desc) == -1) FatalExit("ストリーム風サウンドバッファの作成に失敗しました");
    record->bufferCount = 1;
  } else if (bufferCount > 0) {
    platform::SoundBufferDesc desc{36, kPlainFlags, static_cast<std::uint32_t>(bytes), format};
    if (SlotCreateBuffer(&record->slots[0], &desc) == -1) {
      desc.flags = kPlainFallbackFlags;
      if (SlotCreateBuffer(&record->slots[0], &desc) == -1) FatalExit("DirectSoundBuffer の作成に失敗しました");
    }
    int made = 1;
    while (made < bufferCount && SlotDuplicateBuffer(&record->slots[0], &record->slots[made]) == 0) ++made;
    record->bufferCount = made;
    for (int i = 0; i < made; ++i) record->bufferStates[i] = 0;
  } else {
    record->bufferCount = 0;
  }
  record->kind = kind;
  if (kind == 1) LinkListInsert(&g_Sound.streamHead, &record->node, handle, record);
  return 0;
}

int LoadSoundFileBody(const char* name, int bufferCount, int shareHandle) {
  if (g_Sound.device == nullptr || name == nullptr) return -1;
  if (g_Sound.streamCreateMode != 0) {
    const int handle = AddSoundData(-1);
    if (handle == -1) return -1;
    if (AddStreamSoundFile(name, 0, handle, g_Sound.streamCreateMode, shareHandle) == -1) {
      DeleteSoundHandle(handle);
      return -1;
    }
    PrimeStreamSound(handle);
    return handle;
  }
  void* image = nullptr;
  int size = 0;
  if (LoadFileToMemory(name, &image, &size) == -1) return LogPrintf("右記の音声ファイルのロードに失敗しました_1：%s", name);
  const int handle = LoadSoundMemImage(image, size, std::min(bufferCount, kMaxSoundBuffers), -1);
  MemFree(image);
  if (handle == -1) return LogPrintf("右記の音声ファイルのロードに失敗しました_2：%s", name);
  return handle;
}

int LoadSoundFileForward(const char* name, int bufferCount, int shareHandle) {
  return LoadSoundFileBody(name, bufferCount, shareHandle);
}

int LoadSoundMemImage(const void* image, int size, int bufferCount, int shareHandle) {
  if (g_Sound.device == nullptr || image == nullptr || size < 0) return -1;
  if (bufferCount > kMaxSoundBuffers) return -1;
  const int handle = AddSoundData(-1);
  if (handle == -1) return -1;
  if (g_Sound.streamCreateMode != 0) {
    if (AddStreamSoundMem(image, size, 0, handle, g_Sound.streamCreateMode, shareHandle) == -1) {
      DeleteSoundHandle(handle);
      return -1;
    }
    PrimeStreamSound(handle);
    return handle;
  }
  MemStream* stream = OpenMemStream(image, static_cast<std::uint32_t>(size));
  SoundConverter converter{};
  StreamSource source{*GetMemStreamFunctions(), reinterpret_cast<StreamHandle>(stream)};
  if (stream == nullptr || OpenSoundConverter(&source, &converter) == -1) {
    WriteLog("音声ファイルのＰＣＭへの変換に失敗しました");
    DeleteSoundHandle(handle);
    if (stream != nullptr) CloseMemStream(reinterpret_cast<StreamHandle>(stream));
    CloseConverter(&converter);
    return -1;
  }
  WaveFormatEx format{};
  void* pcm = nullptr;
  int pcmSize = 0;
  const int decoded = DecodeAllToPcm(&converter, &format, &pcm, &pcmSize);
  CloseConverter(&converter);
  CloseMemStream(reinterpret_cast<StreamHandle>(stream));
  if (decoded == -1) {
    WriteLog("音声ファイルを格納するメモリ領域の確保に失敗しました");
    if (pcm != nullptr) MemFree(pcm);
    DeleteSoundHandle(handle);
    return -1;
  }
  // A sound without a single sample frame gets no buffer (creating one would end the program).
  if (pcmSize < format.blockAlign || SetupSoundBuffers(&format, pcmSize, 0, bufferCount, handle) == -1) {
    WriteLog("音声ファイルを格納するメモリ領域の確保に失敗しました");
    MemFree(pcm);
    DeleteSoundHandle(handle);
    return -1;
  }
  SoundRecord* record = GetSoundRecord(handle);
  record->format = format;
  record->pcm = pcm;
  record->pcmSize = static_cast<std::uint32_t>(pcmSize);
  for (int i = 0; i < record->bufferCount && pcmSize > 0; ++i) {
    if (record->bufferStates[i] != 0) continue;
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    if (SlotLock(&record->slots[i], 0, static_cast<std::uint32_t>(pcmSize), &p1, &n1, &p2, &n2) == -1) {
      WriteLog("サウンドデータの転送に失敗しました_1");
      DeleteSoundHandle(handle);
      return -1;
    }
    std::memcpy(p1, pcm, n1);
    if (p2 != nullptr) std::memcpy(p2, static_cast<const std::uint8_t*>(pcm) + n1, n2);
    SlotUnlock(&record->slots[i], p1, n1, p2, n2);
  }
  return handle;
}

int PlaySoundHandleBody(int handle, int playType, int fromTop) {
  SoundRecord* record = GetSoundRecord(handle);
  if (record == nullptr) return -1;
  if (record->kind == 1) return PlayStreamSound(handle, playType, fromTop);
  if (record->bufferCount <= 0) return -1;
  std::uint32_t position = 0;
  if (record->currentBuffer >= 0 && record->currentBuffer < kMaxSoundBuffers)
    SlotGetPosition(&record->slots[record->currentBuffer], &position);
  int next = record->currentBuffer + 1;
  if (next >= record->bufferCount) next = 0;
  record->currentBuffer = next;
  SoundBufferSlot* slot = &record->slots[next];
  std::uint32_t status = 0;
  if (SlotGetStatus(slot, &status) == -1) return -1;
  if ((status & platform::kDsbStatusPlaying) != 0) {
    if (fromTop == 0) return 0;
    SlotStop(slot);
  }
  SlotSetPosition(slot, fromTop == 1 ? 0 : position);
  if (SlotPlay(slot, playType == 3 ? 1 : 0) == -1) return -1;
  record->lastPlayTime = platform::MillisecondClock();
  if (playType == 0) {
    if (ProcessMessageBody() != 0) return 0;
    do {
      if (CheckSoundHandlePlaying(handle) != 1) break;
      platform::SleepMilliseconds(1);
    } while (ProcessMessageBody() == 0);
  }
  return 0;
}

int StopSoundHandleBody(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (record == nullptr) return -1;
  if (record->kind == 1) return StopStreamSound(handle);
  for (int i = 0; i < record->bufferCount; ++i) {
    std::uint32_t status = 0;
    if (SlotGetStatus(&record->slots[i], &status) == -1) return -1;
    if ((status & platform::kDsbStatusPlaying) != 0) SlotStop(&record->slots[i]);
  }
  return 0;
}

int CheckSoundHandlePlaying(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (record == nullptr) return -1;
  if (record->kind == 1) return IsStreamSoundPlaying(handle);
  for (int i = 0; i < record->bufferCount; ++i) {
    std::uint32_t status = 0;
    if (SlotGetStatus(&record->slots[i], &status) == 0 && (status & platform::kDsbStatusPlaying) != 0)
      return 1;
  }
  return 0;
}

int SetSoundHandleVolumeBody(int volume, int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (record == nullptr) return -1;
  const int attenuation = SoundVolumeToAttenuation(volume);
  for (int i = 0; i < kMaxSoundBuffers; ++i)
    SlotSetVolume(&record->slots[i], attenuation);
  return 0;
}

int DeleteSoundHandle(int handle, int) {
  SoundRecord* record = GetSoundRecord(handle);
  if (record == nullptr) return -1;
  if (record->kind == 1) {
    StopStreamSound(handle);
    if (record->bufferOwner != -1) {
      SoundRecord* owner = GetSoundRecord(record->bufferOwner);
      if (owner != nullptr) {
        --owner->shareCount;
        if (owner->bufferUser == handle) owner->bufferUser = -1;
        if (owner->deletePending == 1 && owner->shareCount <= 0) DeleteSoundHandle(record->bufferOwner);
      }
    }
    if (record->shareCount != 0) {
      record->deletePending = 1;
      return 0;
    }
    LinkListUnlink(&record->node);
    for (int i = 0; i < record->entryCount; ++i) {
      SoundStreamEntry& entry = record->entries[i];
      const StreamSource converterSource = entry.converter.source;
      CloseConverter(&entry.converter);
      if (entry.data != nullptr) MemFree(entry.data);
      if (record->entryEngineOpened[i] == 1 && entry.createMode == 3 && converterSource.functions.close != nullptr)
        converterSource.functions.close(converterSource.handle);
      if (entry.source.handle != 0 && entry.source.functions.close != nullptr)
        entry.source.functions.close(entry.source.handle);
    }
    if (record->bufferOwner == -1) SlotRelease(&record->slots[0]);
  } else {
    if (record->slots[0].valid == 1) StopSoundHandleBody(handle);
    for (int i = 0; i < kMaxSoundBuffers; ++i) SlotRelease(&record->slots[i]);
    if (record->pcm != nullptr) MemFree(record->pcm);
  }
  const int slot = handle & 0xFFFF;
  MemFree(record);
  g_Sound.records[slot] = nullptr;
  --g_Sound.liveCount;
  if (slot == g_Sound.nextIndex - 1) {
    if (g_Sound.liveCount == 0) {
      g_Sound.nextIndex = 0;
    } else {
      int top = slot - 1;
      while (top >= 0 && g_Sound.records[top] == nullptr) --top;
      g_Sound.nextIndex = top + 1;
    }
  }
  return 0;
}
