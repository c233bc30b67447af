// Music: one piece at a time, tried as MIDI through the sequencer and otherwise played as a stream sound. This
// platform has no MIDI sequencer, so opening it always fails and every piece takes the stream-sound path.
#include <cstring>
#include <string>

#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/message.h"
#include "engine/core/temp_file.h"
#include "engine/sound/sound.h"
#include "platform/files/file.h"

MusicSystem g_Music{};

namespace {

MusicRecord* GetMusicRecord(int handle) {
  if (g_Sound.device == nullptr || handle < 0 || (handle & 0x78000000) != kMusicHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kMaxMusicHandles) return nullptr;
  MusicRecord* record = g_Music.records[slot];
  if (record == nullptr || record->serial != ((static_cast<std::uint32_t>(handle) >> 16) & 0x7FFu)) return nullptr;
  return record;
}

// The MIDI sequencer device: none on this platform, so the open is refused.
bool OpenSequencer(const char*, int* deviceId) {
  *deviceId = 0;
  return false;
}

void DeleteTempMidiFile() {
  if (g_Music.tempPath[0] != '\0') platform::DeleteFileEngine(g_Music.tempPath);
}

}  // namespace

int AddMusicData() {
  if (g_Music.liveCount >= kMaxMusicHandles) return WriteLog("ミュージックデータの数が許容量を越えました終了します");
  int slot;
  bool atHint = false;
  if (g_Music.nextIndex >= kMaxMusicHandles) {
    for (slot = 0; g_Music.records[slot] != nullptr; ++slot) {
    }
  } else {
    slot = g_Music.nextIndex;
    atHint = true;
  }
  auto* record = static_cast<MusicRecord*>(ENGINE_ALLOC_ZEROED(static_cast<int>(sizeof(MusicRecord))));
  if (record == nullptr) return WriteLog("メモリ領域の確保に失敗しました in AddMusicData");
  record->serial = static_cast<std::uint32_t>(g_Music.nextSerial);
  g_Music.nextSerial = g_Music.nextSerial >= 2047 ? 0 : g_Music.nextSerial + 1;
  g_Music.records[slot] = record;
  ++g_Music.liveCount;
  if (atHint) g_Music.nextIndex = slot + 1;
  return static_cast<int>(((record->serial | 0x5800u) << 16) | static_cast<std::uint32_t>(slot));
}

int CreateMusicFromMemory(const void* data, int size) {
  if (g_Sound.device == nullptr || data == nullptr || size < 0) return -1;
  const int handle = AddMusicData();
  if (handle == -1) return -1;
  MusicRecord* record = GetMusicRecord(handle);
  record->midiData = ENGINE_ALLOC(size > 0 ? size : 1);
  if (record->midiData == nullptr) {
    WriteLog("ミュージックデータを一時的に保存しておくメモリ領域の確保に失敗しました\n");
    DeleteMusicHandle(handle);
    return -1;
  }
  std::memcpy(record->midiData, data, static_cast<std::size_t>(size));
  record->midiSize = static_cast<std::uint32_t>(size);
  record->playing = 0;
  return handle;
}

int LoadMusicMem(const char* name) {
  if (g_Sound.device == nullptr || name == nullptr) return -1;
  const StreamHandle file = FileOpen(name, 0, 1);
  if (file == 0) return LogPrintf("ミュージックファイル %s の読み込みに失敗しました in LoadMusicMem", name);
  FileSeek(file, 0, 2);
  const int size = FileTell(file);
  FileSeek(file, 0, 0);
  void* block = size >= 0 ? ENGINE_ALLOC(size > 0 ? size : 1) : nullptr;
  if (block == nullptr) {
    FileClose(file);
    return LogPrintf("ミュージックファイル %s を読み込むメモリ領域の確保に失敗しました in LoadMusicMem", name);
  }
  if (size > 0) FileRead(block, size, 1, file);
  FileClose(file);
  const int handle = CreateMusicFromMemory(block, size);
  MemFree(block);
  return handle;
}

int PlayMusicHandle(int handle, int playType) {
  MusicRecord* record = GetMusicRecord(handle);
  if (record == nullptr) return -1;
  if (g_Music.nowPlaying != 0) StopMusicHandle(g_Music.nowPlaying);
  DeleteTempMidiFile();
  char path[260] = {};
  platform::FileHandle temp = CreateTempFile(path);
  if (temp == platform::kInvalidFileHandle) return -1;
  std::uint32_t written = 0;
  platform::WriteToFile(temp, record->midiData, record->midiSize, &written);
  platform::CloseFile(temp);
  std::memcpy(g_Music.tempPath, path, sizeof g_Music.tempPath);
  int device = 0;
  if (!OpenSequencer(g_Music.tempPath, &device)) {
    DeleteTempMidiFile();
    return -1;
  }
  // Not reached on this platform: the sequencer never opens.
  g_Music.mciDevice = device;
  g_Music.tempFileExists = 1;
  g_Music.midiPlaying = 1;
  g_Music.nowPlaying = handle;
  g_Music.midiLoop = playType == 3 ? 1 : 0;
  record->playing = 1;
  record->started = 0;
  return 0;
}

int HandleMidiNotify(platform::WParam, platform::LParam) {
  if (g_Music.midiLoop == 1) {
    g_Music.midiPlaying = 1;
  } else if (g_Music.midiPlaying == 1) {
    g_Music.mciDevice = 0;
    g_Music.midiPlaying = 0;
  }
  return 0;
}

int StopMusicHandle(int handle) {
  MusicRecord* record = GetMusicRecord(handle);
  if (record == nullptr) return -1;
  g_Music.midiLoop = 0;
  HandleMidiNotify();
  for (int i = 0; i < 5; ++i) ProcessMessageBody();
  if (g_Music.tempFileExists == 1) {
    DeleteTempMidiFile();
    g_Music.tempFileExists = 0;
  }
  record->playing = 0;
  record->started = 0;
  return 0;
}

int GetMusicPlaying(int handle) {
  if (GetMusicRecord(handle) == nullptr) return -1;
  return g_Music.midiPlaying;
}

int DeleteMusicHandle(int handle) {
  MusicRecord* record = GetMusicRecord(handle);
  if (record == nullptr) return -1;
  if (GetMusicPlaying(handle) == 1) StopMusicHandle(handle);
  if (record->midiData != nullptr) MemFree(record->midiData);
  const int slot = handle & 0xFFFF;
  MemFree(record);
  g_Music.records[slot] = nullptr;
  --g_Music.liveCount;
  if (g_Music.nowPlaying == handle) g_Music.nowPlaying = 0;
  if (slot == g_Music.nextIndex - 1) {
    int top = slot - 1;
    while (top >= 0 && g_Music.records[top] == nullptr) --top;
    g_Music.nextIndex = g_Music.liveCount == 0 ? 0 : top + 1;
  }
  return 0;
}

int DeleteAllMusic() {
  if (g_Sound.device == nullptr) return -1;
  for (int slot = 0; slot < kMaxMusicHandles; ++slot) {
    MusicRecord* record = g_Music.records[slot];
    if (record != nullptr)
      DeleteMusicHandle(static_cast<int>(((record->serial | 0x5800u) << 16) | static_cast<std::uint32_t>(slot)));
  }
  return 0;
}

int UpdateMusicPlayState() {
  // Only the DirectMusic mode polls; the sequencer reports its end through HandleMidiNotify.
  return g_Sound.device == nullptr ? -1 : 0;
}

int PlayMusicFileBody(const char* name, int playType) {
  if (g_Music.current != 0) {
    if (g_Music.currentIsSound == 1) {
      DeleteSoundHandle(g_Music.current);
    } else {
      DeleteMusicHandle(g_Music.current);
    }
    g_Music.current = 0;
  }
  g_Music.current = LoadMusicMem(name);
  if (g_Music.current == -1) {
    g_Music.current = 0;
    return -1;
  }
  g_Music.currentIsSound = 0;
  if (PlayMusicHandle(g_Music.current, playType) != -1) return 0;
  DeleteMusicHandle(g_Music.current);
  const int mode = g_Sound.streamCreateMode;
  g_Sound.streamCreateMode = 2;
  g_Music.current = LoadSoundFileBody(name, 1, -1);
  g_Sound.streamCreateMode = mode;
  if (g_Music.current == -1) {
    g_Music.current = 0;
    return -1;
  }
  PlaySoundHandleBody(g_Music.current, playType, 1);
  g_Music.currentIsSound = 1;
  return 0;
}

int StopMusicFileBody() {
  if (g_Music.current == 0) return 0;
  if (g_Music.currentIsSound == 1) {
    StopSoundHandleBody(g_Music.current);
    DeleteSoundHandle(g_Music.current);
  } else {
    StopMusicHandle(g_Music.current);
    DeleteMusicHandle(g_Music.current);
  }
  g_Music.current = 0;
  return 0;
}

int SetMusicVolumeBody(int volume) {
  if (g_Sound.device == nullptr) return -1;
  if (g_Music.currentIsSound == 1) SetSoundHandleVolumeBody(volume, g_Music.current);
  return 0;
}
