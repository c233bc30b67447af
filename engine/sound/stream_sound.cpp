// Stream sounds: PCM decoded into a six-second ring buffer while it plays, topped up by every message pass.
#include <algorithm>
#include <cstring>

#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/mem_stream.h"
#include "engine/core/message.h"
#include "engine/sound/sound.h"
#include "platform/base/clock.h"

namespace {

constexpr int kUnfilled = -800;
// Entries that give no PCM at all would make a looping sound spin for ever; after this many empty advances in one
// refill the rest of the region is left silent.
constexpr int kMaxEmptyAdvances = 1024;

struct LockedRegion {
  std::uint8_t* part[2];
  std::uint32_t size[2];
  std::uint32_t written[2];
  std::uint32_t offset;  // ring offset of part 1
};

std::uint32_t Room(const LockedRegion& r) { return r.size[0] - r.written[0] + r.size[1] - r.written[1]; }

int FillRegionFromConverter(LockedRegion* region, SoundConverter* converter, std::uint32_t bytes) {
  std::uint32_t total = 0;
  for (int p = 0; p < 2 && bytes > 0; ++p) {
    const std::uint32_t room = region->size[p] - region->written[p];
    const std::uint32_t want = std::min(bytes, room);
    if (want == 0) continue;
    const int got = ConverterRead(converter, region->part[p] + region->written[p], static_cast<int>(want));
    if (got <= 0) break;
    region->written[p] += static_cast<std::uint32_t>(got);
    total += static_cast<std::uint32_t>(got);
    bytes -= static_cast<std::uint32_t>(got);
    if (static_cast<std::uint32_t>(got) < want) break;
  }
  return static_cast<int>(total);
}

void FillRegionWithSilence(const SoundRecord* record, LockedRegion* region, std::uint32_t bytes) {
  const int value = record->format.bitsPerSample == 8 ? 127 : 0;
  for (int p = 0; p < 2 && bytes > 0; ++p) {
    const std::uint32_t n = std::min(bytes, region->size[p] - region->written[p]);
    std::memset(region->part[p] + region->written[p], value, n);
    region->written[p] += n;
    bytes -= n;
  }
}

// Ring offset of the next byte the region would take.
std::uint32_t NextRingOffset(const LockedRegion& region) {
  if (region.written[0] < region.size[0]) return region.offset + region.written[0];
  return region.written[1];
}

// The slot of the buffer this stream sound plays through, or null when the owner is gone.
SoundBufferSlot* StreamSlot(SoundRecord* record) {
  if (record->bufferOwner == -1) return &record->slots[0];
  SoundRecord* owner = GetSoundRecord(record->bufferOwner);
  return owner != nullptr ? &owner->slots[0] : nullptr;
}
SoundRecord* BufferHolder(SoundRecord* record) {
  return record->bufferOwner == -1 ? record : GetSoundRecord(record->bufferOwner);
}
bool HoldsBuffer(int handle, SoundRecord* record) {
  SoundRecord* holder = BufferHolder(record);
  return holder != nullptr && holder->bufferUser == handle && holder->slots[0].valid == 1;
}
bool BufferPlaying(SoundBufferSlot* slot) {
  std::uint32_t status = 0;
  return SlotGetStatus(slot, &status) == 0 && (status & platform::kDsbStatusPlaying) != 0;
}

std::uint32_t Chunk(const SoundRecord* r) {
  const std::uint32_t s = r->format.avgBytesPerSec / 8;
  return s - s % r->format.blockAlign;
}

// More than four seconds behind the write position (the two seconds the refill has not reached).
bool CursorTooFarBehind(const SoundRecord* r, std::uint32_t k) {
  const auto w = static_cast<std::uint32_t>(r->ringWrite);
  const auto l = static_cast<std::uint32_t>(r->ringLimit);
  if (w < l) return w < k && k < l;
  return k < l || k > w;
}

void UpdateStreamPlayPosition(int handle, int cursor) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr || r->kind != 1 || r->primed == 0 || !HoldsBuffer(handle, r)) return;
  if (cursor == -1) {
    std::uint32_t play = 0;
    SlotGetPosition(StreamSlot(r), &play);
    cursor = static_cast<int>(play);
  }
  const int p = r->lastCursor, k = cursor, q = static_cast<int>(r->wrapPosition);
  const int ring = static_cast<int>(6 * r->format.avgBytesPerSec);
  if (k == p) return;
  bool crossed = false;
  if (r->wrapPending == 1) {
    if (p < k && p < q && q <= k) {
      r->playedBytes = k - q;
      crossed = true;
    } else if (p >= k && q > p) {
      r->playedBytes = ring - q + k;
      crossed = true;
    } else if (p >= k && q < k) {
      r->playedBytes = k - q;
      crossed = true;
    }
    if (crossed) r->wrapPending = 0;
  }
  if (!crossed) r->playedBytes += p < k ? k - p : ring - p + k;
  r->lastCursor = k;
}

// The current entry delivered its last byte: next repeat, next entry, the end or the wrap to entry 0.
int AdvanceStreamEntry(SoundRecord* r, LockedRegion* region, std::uint32_t cursor) {
  ++r->loopCounter;
  const SoundStreamEntry& entry = r->entries[r->currentEntry];
  if (entry.loopCount < r->loopCounter && static_cast<std::uint8_t>(entry.loopCount) != 255) {
    ++r->currentEntry;
    r->loopCounter = 0;
  }
  if (r->currentEntry >= r->entryCount) {
    r->ended = 1;
    if (r->streamPlayType != 3) {
      r->endWritten = 1;
      r->endPosition = NextRingOffset(*region);
      r->endCursor = cursor;
      FillRegionWithSilence(r, region, Chunk(r));
      return -1;
    }
    r->wrapPending = 1;
    r->currentEntry = 0;
    r->wrapPosition = NextRingOffset(*region);
  }
  const std::uint32_t blockAlign = r->format.blockAlign;
  r->entryStartByte = r->loopCounter > 0 ? static_cast<int>(blockAlign * r->entries[r->currentEntry].loopStart) : 0;
  ConverterSeek(&r->entries[r->currentEntry].converter, r->entryStartByte / static_cast<int>(blockAlign));
  return 0;
}

void ResetStreamPosition(SoundRecord* r) {
  r->ended = 0;
  r->entryStartByte = 0;
  r->playedBytes = 0;
  r->wrapPending = 0;
  r->loopCounter = 0;
  r->currentEntry = 0;
  r->primed = 0;
}

}  // namespace

int AddSreamSound(const StreamSource* source, int loopCount, int handle, int createMode, int* sourceKept,
                  int shareHandle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr || source == nullptr) return -1;
  if (r->entryCount > 0) {
    if (r->kind != 1) return WriteLog("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
    if (HoldsBuffer(handle, r) && BufferPlaying(StreamSlot(r)))
      return WriteLog("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
    if (r->entryCount >= kMaxStreamEntries) return WriteLog("ストリーム風サウンドの制御データ領域がいっぱいです\n");
  }
  if (createMode != 0 && createMode != 2 && createMode != 3) return -1;
  SoundStreamEntry& entry = r->entries[r->entryCount];
  std::memset(&entry, 0, sizeof entry);
  entry.createMode = static_cast<std::uint32_t>(createMode);
  source->functions.seek(source->handle, 0, 0);
  const StreamFunctions& mem = *GetMemStreamFunctions();
  if (createMode == 0) {
    void* whole = nullptr;
    int wholeSize = 0;
    if (ReadWholeSource(source, &whole, &wholeSize) == -1) return WriteLog("音声データの読み込みに失敗しました");
    MemStream* stream = OpenMemStream(whole, static_cast<std::uint32_t>(wholeSize));
    SoundConverter converter{};
    const StreamSource wholeSource{mem, reinterpret_cast<StreamHandle>(stream)};
    WaveFormatEx format{};
    void* pcm = nullptr;
    int pcmSize = 0;
    const bool opened = stream != nullptr && OpenSoundConverter(&wholeSource, &converter) == 0;
    const bool decoded = opened && DecodeAllToPcm(&converter, &format, &pcm, &pcmSize) == 0;
    if (opened) CloseConverter(&converter);
    if (stream != nullptr) CloseMemStream(reinterpret_cast<StreamHandle>(stream));
    MemFree(whole);
    if (!decoded) {
      if (pcm != nullptr) MemFree(pcm);
      return WriteLog("音声データの変換に失敗しました");
    }
    void* image = nullptr;
    int imageSize = 0;
    const int built = BuildWavImage(&image, &imageSize, &format, 18, pcm, pcmSize);
    MemFree(pcm);
    if (built == -1) return WriteLog("音声データの変換に失敗しました");
    entry.data = image;
    entry.dataSize = imageSize;
  } else if (createMode == 2) {
    if (ReadWholeSource(source, &entry.data, &entry.dataSize) == -1)
      return WriteLog("音声データの読み込みに失敗しました");
  }
  if (createMode != 3) {
    MemStream* stream = OpenMemStream(entry.data, static_cast<std::uint32_t>(entry.dataSize));
    entry.source = StreamSource{mem, reinterpret_cast<StreamHandle>(stream)};
    if (stream == nullptr || OpenSoundConverter(&entry.source, &entry.converter) == -1) {
      if (stream != nullptr) CloseMemStream(reinterpret_cast<StreamHandle>(stream));
      MemFree(entry.data);
      std::memset(&entry, 0, sizeof entry);
      return WriteLog("音声データのオープンに失敗しました");
    }
    *sourceKept = 1;
  } else {
    if (OpenSoundConverter(source, &entry.converter) == -1) {
      std::memset(&entry, 0, sizeof entry);
      return WriteLog("音声データのオープンに失敗しました");
    }
    *sourceKept = 0;
  }
  const WaveFormatEx format = entry.converter.outputFormat;
  if (r->entryCount > 0) {
    if (!SameWaveFormat(format, r->format)) {
      CloseConverter(&entry.converter);
      if (entry.source.handle != 0) CloseMemStream(entry.source.handle);
      if (entry.data != nullptr) MemFree(entry.data);
      std::memset(&entry, 0, sizeof entry);
      return WriteLog("フォーマットの違う音声データは同時に使うことは出来ません");
    }
  } else {
    r->format = format;
    SoundRecord* owner = shareHandle != handle ? GetSoundRecord(shareHandle) : nullptr;
    if (owner != nullptr && owner->kind == 1 && owner->bufferOwner == -1 && SameWaveFormat(owner->format, format)) {
      r->kind = 1;
      r->bufferCount = 1;
      LinkListInsert(&g_Sound.streamHead, &r->node, handle, r);
      r->bufferOwner = shareHandle;
      ++owner->shareCount;
    } else {
      SetupSoundBuffers(&format, static_cast<int>(6 * format.avgBytesPerSec), 1, 1, handle);
      r->ringSize = 6 * format.avgBytesPerSec;
      r->bufferOwner = -1;
    }
    r->shareCount = 0;
    r->bufferUser = -1;
    r->deletePending = 0;
  }
  entry.loopCount = static_cast<std::int8_t>(loopCount);
  ++r->entryCount;
  long long frames = 0;
  for (int i = 0; i < r->entryCount; ++i)
    frames += ConverterPcmSize(&r->entries[i].converter) / std::max<int>(1, r->format.blockAlign);
  r->totalFrames = static_cast<int>(std::min<long long>(frames, 0x7FFFFFFF));
  return 0;
}

int AddStreamSoundFile(const char* name, int loopCount, int handle, int createMode, int shareHandle) {
  const StreamHandle file = FileOpen(name, 0, 1);
  if (file == 0) return LogPrintf("右記のＷＡＶファイルのロードに失敗しました：%s \n", name);
  const StreamSource source{*GetFileStreamFunctions(), file};
  int kept = 0;
  if (AddSreamSound(&source, loopCount, handle, createMode, &kept, shareHandle) == -1) {
    FileClose(file);
    return LogPrintf("右記のＷＡＶファイルのセットアップに失敗しました：%s \n", name);
  }
  if (kept == 1) FileClose(file);
  SoundRecord* r = GetSoundRecord(handle);
  r->entryEngineOpened[r->entryCount - 1] = 1;
  return 0;
}

int AddStreamSoundMem(const void* image, int size, int loopCount, int handle, int createMode, int shareHandle) {
  if (createMode == 3) createMode = 2;
  MemStream* stream = image != nullptr && size >= 0 ? OpenMemStream(image, static_cast<std::uint32_t>(size)) : nullptr;
  if (stream == nullptr) return WriteLog("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
  const StreamSource source{*GetMemStreamFunctions(), reinterpret_cast<StreamHandle>(stream)};
  int kept = 0;
  const int result = AddSreamSound(&source, loopCount, handle, createMode, &kept, shareHandle);
  CloseMemStream(reinterpret_cast<StreamHandle>(stream));
  if (result == -1) return WriteLog("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
  return 0;
}

int AcquireStreamBuffer(int handle, SoundRecord* r, SoundBufferSlot** slot, int force) {
  if (r->kind != 1) {
    *slot = &r->slots[0];
    return 0;
  }
  SoundRecord* holder = BufferHolder(r);
  if (holder == nullptr || holder->slots[0].valid != 1) return -1;
  *slot = &holder->slots[0];
  if (holder->bufferUser == -1 || GetSoundRecord(holder->bufferUser) == nullptr) {
    holder->bufferUser = handle;
    return 0;
  }
  if (holder->bufferUser == handle) return 0;
  if (force == 0) return -1;
  StopStreamSound(holder->bufferUser);
  holder->bufferUser = handle;
  return 0;
}

int PrimeStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr || r->kind != 1 || r->entryCount == 0) return -1;
  SoundBufferSlot* slot = nullptr;
  if (AcquireStreamBuffer(handle, r, &slot, 0) == -1) return -1;
  if (BufferPlaying(slot)) return 0;
  if (r->primed == 0) {
    SlotSetPosition(slot, 0);
    r->lastCursor = 0;
    r->ringWrite = kUnfilled;
    r->ringLimit = -1;
    r->endWritten = 0;
    ConverterSeek(&r->entries[r->currentEntry].converter, r->entryStartByte / r->format.blockAlign);
    r->primed = 1;
    RefillStreamSound(handle);
  }
  return 0;
}

int PlayStreamSound(int handle, int playType, int fromTop) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr || r->kind != 1 || r->entryCount == 0) return -1;
  SoundBufferSlot* slot = nullptr;
  if (AcquireStreamBuffer(handle, r, &slot, 1) == -1) return -1;
  if (fromTop == 0 && BufferPlaying(slot)) return 0;
  StopStreamSound(handle);
  if (((r->streamPlayType ^ static_cast<std::uint32_t>(playType)) & 2) != 0 && r->ended == 1) ResetStreamPosition(r);
  if (fromTop != 0) {
    r->ended = 0;
    if (r->playedBytes != 0) ResetStreamPosition(r);
  }
  r->streamPlayType = static_cast<std::uint32_t>(playType);
  PrimeStreamSound(handle);
  SlotPlay(slot, 1);
  r->lastPlayTime = platform::MillisecondClock();
  if (playType == 0) {
    do {
      if (ProcessMessageBody() != 0) break;
    } while (CheckSoundHandlePlaying(handle) == 1);
  }
  return 0;
}

int StopStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  UpdateStreamPlayPosition(handle, -1);
  if (!HoldsBuffer(handle, r)) return 0;
  SoundRecord* holder = BufferHolder(r);
  if (r->bufferOwner != -1) holder->bufferUser = -1;
  std::uint32_t status = 0;
  if (SlotGetStatus(&holder->slots[0], &status) == -1) return -1;
  if ((status & platform::kDsbStatusPlaying) != 0) SlotStop(&holder->slots[0]);
  return 0;
}

int IsStreamSoundPlaying(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (!HoldsBuffer(handle, r)) return 0;
  return BufferPlaying(StreamSlot(r)) ? 1 : 0;
}

int RefillStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr || r->kind != 1 || r->primed == 0 || !HoldsBuffer(handle, r)) return 0;
  SoundBufferSlot* slot = StreamSlot(r);
  const std::uint32_t a = r->format.avgBytesPerSec;
  const std::uint32_t ring = 6 * a;
  const std::uint32_t s = Chunk(r);
  const std::uint32_t blockAlign = r->format.blockAlign;
  std::uint32_t k = 0;
  SlotGetPosition(slot, &k);
  UpdateStreamPlayPosition(handle, static_cast<int>(k));

  auto advanceWrite = [&](std::uint32_t bytes) {
    r->ringWrite = static_cast<int>((static_cast<std::uint32_t>(r->ringWrite) + bytes) % ring);
    long long limit = static_cast<long long>(r->ringWrite) - 4LL * a;
    if (limit < 0) limit += ring;
    r->ringLimit = static_cast<int>(limit);
  };
  auto lock = [&](std::uint32_t at, std::uint32_t bytes, LockedRegion* region) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    if (SlotLock(slot, at, bytes, &p1, &n1, &p2, &n2) == -1) return false;
    *region = LockedRegion{{static_cast<std::uint8_t*>(p1), static_cast<std::uint8_t*>(p2)}, {n1, n2}, {0, 0}, at};
    return true;
  };
  auto unlock = [&](LockedRegion& region) {
    SlotUnlock(slot, region.part[0], region.size[0], region.part[1], region.size[1]);
  };

  if (r->endWritten == 1) {
    if (k > r->endPosition && (r->endCursor < r->endPosition || k < r->endCursor)) {
      SlotStop(slot);
      r->endWritten = 0;
      return 0;
    }
    if (CursorTooFarBehind(r, k)) return -1;
    LockedRegion region{};
    if (s == 0 || !lock(static_cast<std::uint32_t>(r->ringWrite), s, &region)) return -1;
    FillRegionWithSilence(r, &region, s);
    unlock(region);
    advanceWrite(s);
    return 0;
  }

  std::uint32_t t;
  const bool firstFill = r->ringWrite == kUnfilled;
  std::uint32_t status = 0;
  SlotGetStatus(slot, &status);
  if ((status & platform::kDsbStatusPlaying) == 0) {
    if (!firstFill) return 0;
    t = 4 * a - (4 * a) % blockAlign;
  } else {
    if (firstFill) return 0;
    if (CursorTooFarBehind(r, k)) return -1;
    std::uint32_t w = static_cast<std::uint32_t>(r->ringWrite);
    std::uint32_t kk = k;
    if (r->ringWrite < r->ringLimit) {
      w += ring;
      if (kk < static_cast<std::uint32_t>(r->ringWrite)) kk += ring;
    }
    const std::uint64_t ahead = w - kk;
    const std::uint64_t aheadUnits = ahead * 128 / a;
    if (aheadUnits < 384) {
      t = static_cast<std::uint32_t>((384 - aheadUnits) * a / 128);
      t -= t % blockAlign;
    } else {
      t = s;
    }
  }
  if (t == 0) return 0;
  const std::uint32_t at = firstFill ? 0 : static_cast<std::uint32_t>(r->ringWrite);
  LockedRegion region{};
  if (!lock(at, t, &region)) return -1;
  int emptyAdvances = 0;
  while (Room(region) > 0 && r->endWritten == 0) {
    const int n = FillRegionFromConverter(&region, &r->entries[r->currentEntry].converter, Room(region));
    if (n > 0) {
      r->entryStartByte += n;
      emptyAdvances = 0;
      continue;
    }
    if (++emptyAdvances > kMaxEmptyAdvances) {
      FillRegionWithSilence(r, &region, Room(region));
      break;
    }
    AdvanceStreamEntry(r, &region, k);
  }
  unlock(region);
  if (firstFill) {
    r->ringWrite = static_cast<int>(4 * a);
    r->ringLimit = 0;
  } else {
    advanceWrite(t);
  }
  return 0;
}

int UpdateStreamSounds() {
  ++g_Sound.streamUpdateCalls;
  if (g_Sound.device == nullptr) return -1;
  for (ListNode* node = g_Sound.streamHead.next; node != nullptr && node != &g_Sound.streamTail;) {
    ListNode* next = node->next;
    RefillStreamSound(node->value);
    node = next;
  }
  return 0;
}
