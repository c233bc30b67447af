// Music: one piece at a time, tried as MIDI and otherwise played as a stream sound. In music mode 0 a MIDI file is
// written to a temporary file and played by the sequencer device; in mode 1 it plays as a DirectMusic segment. Both
// render through the MIDI synthesiser into the engine's mix.
#include <cstring>
#include <string>

#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/message.h"
#include "engine/core/system_record.h"
#include "engine/core/temp_file.h"
#include "engine/sound/sound.h"
#include "platform/audio/audio.h"
#include "platform/files/file.h"
#include "platform/midi/mci.h"

MusicSystem g_Music{};

namespace {

namespace mci = platform::mci;
namespace dmusic = platform::dmusic;

MusicRecord* GetMusicRecord(int handle) {
  if (g_Sound.device == nullptr || handle < 0 || (handle & 0x78000000) != kMusicHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kMaxMusicHandles) return nullptr;
  MusicRecord* record = g_Music.records[slot];
  if (record == nullptr || record->serial != ((static_cast<std::uint32_t>(handle) >> 16) & 0x7FFu)) return nullptr;
  return record;
}

int MakeMusicHandle(std::uint32_t serial, int slot) {
  return static_cast<int>(((serial | 0x5800u) << 16) | static_cast<std::uint32_t>(slot));
}

void DeleteTempMidiFile() {
  if (g_Music.tempPath[0] != '\0') platform::DeleteFileEngine(g_Music.tempPath);
}

void CloseSequencer() {
  mci::MciGenericParms close{};
  mci::SendCommand(static_cast<mci::DeviceId>(g_Music.mciDevice), mci::kMciClose, 0, &close);
}

// Writes the MIDI data to a new temporary file and plays it on the sequencer with an end notification to the main
// window. -1 on any failure, with the device closed again.
int PlayThroughSequencer(const MusicRecord* record) {
  DeleteTempMidiFile();
  char path[260] = {};
  const platform::FileHandle temp = CreateTempFile(path);
  if (temp == platform::kInvalidFileHandle) return -1;
  std::uint32_t written = 0;
  platform::WriteToFile(temp, record->midiData, record->midiSize, &written);
  platform::CloseFile(temp);
  std::memcpy(g_Music.tempPath, path, sizeof g_Music.tempPath);
  mci::MciOpenParms open{};
  open.deviceType = "sequencer";
  open.elementName = g_Music.tempPath;
  if (mci::SendCommand(0, mci::kMciOpen, mci::kMciOpenType | mci::kMciOpenElement, &open) != 0) {
    DeleteTempMidiFile();
    return -1;
  }
  g_Music.mciDevice = static_cast<int>(open.deviceId);
  mci::MciStatusParms status{};
  status.item = mci::kMciSeqStatusPort;
  if (mci::SendCommand(open.deviceId, mci::kMciStatus, mci::kMciStatusItem, &status) != 0) {
    CloseSequencer();
    WriteLog("ＭＩＤＩ演奏開始処理でエラーが起きました１\n");
    DeleteTempMidiFile();
    return -1;
  }
  if ((status.returnValue & 0xFFFF) != mci::kMciSeqMapper) {
    CloseSequencer();
    return WriteLog("ＭＩＤＩ演奏開始処理でエラーが起きました２\n");
  }
  mci::MciPlayParms play{};
  play.callback = g_System.mainWindow;
  if (mci::SendCommand(open.deviceId, mci::kMciPlay, mci::kMciNotify, &play) != 0) {
    CloseSequencer();
    return WriteLog("ＭＩＤＩ演奏に失敗しました\n");
  }
  g_Music.tempFileExists = 1;
  return 0;
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
  return MakeMusicHandle(record->serial, slot);
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
  if (g_Sound.musicMode == 1) {
    if (!dmusic::Succeeded(g_Sound.loader->GetSegmentFromMemory(record->midiData, record->midiSize, &record->segment))) {
      record->segment = nullptr;
      WriteLog("ミュージックデータから DirectMusicSegment8 を取得する処理が失敗しました\n");
      DeleteMusicHandle(handle);
      return -1;
    }
    record->segment->SetParam(dmusic::Param::StandardMidiFile, 0xFFFFFFFFu, 0, 0, nullptr);
    g_Sound.performance->Download(record->segment);
  }
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
  if (g_Sound.musicMode == 0) {
    if (PlayThroughSequencer(record) == -1) return -1;
  } else {
    record->segment->SetRepeats(playType == 3 ? dmusic::kRepeatInfinite : 0);
    g_Sound.performance->PlaySegmentEx(record->segment, dmusic::kSegFlagRefTime, 0);
    g_Music.tempFileExists = 0;
  }
  g_Music.midiPlaying = 1;
  g_Music.nowPlaying = handle;
  g_Music.midiLoop = playType == 3 ? 1 : 0;
  record->playing = 1;
  record->started = 0;
  if (playType == 0) {
    do {
      if (ProcessMessageBody() != 0) break;
    } while (GetMusicPlaying(handle) == 1);
    if (g_Music.tempFileExists == 1) {
      DeleteTempMidiFile();
      g_Music.tempFileExists = 0;
    }
  }
  return 0;
}

int HandleMidiNotify(platform::WParam, platform::LParam) {
  if (g_Music.midiLoop == 1) {
    mci::MciPlayParms play{};
    play.callback = g_System.mainWindow;
    play.from = 0;
    mci::SendCommand(static_cast<mci::DeviceId>(g_Music.mciDevice), mci::kMciPlay, mci::kMciNotify | mci::kMciFrom,
                     &play);
    g_Music.midiPlaying = 1;
  } else if (g_Music.midiPlaying == 1) {
    CloseSequencer();
    g_Music.midiPlaying = 0;
  }
  return 0;
}

int StopMusicHandle(int handle) {
  MusicRecord* record = GetMusicRecord(handle);
  if (record == nullptr) return -1;
  g_Music.midiLoop = 0;
  if (g_Sound.musicMode == 0) {
    HandleMidiNotify();
    for (int i = 0; i < 5; ++i) ProcessMessageBody();
  } else {
    g_Sound.performance->StopEx(record->segment, 0, 0);
  }
  if (g_Music.tempFileExists == 1) {
    DeleteTempMidiFile();
    g_Music.tempFileExists = 0;
  }
  record->playing = 0;
  record->started = 0;
  return 0;
}

int GetMusicPlaying(int handle) {
  const MusicRecord* record = GetMusicRecord(handle);
  if (record == nullptr) return -1;
  return g_Sound.musicMode == 0 ? g_Music.midiPlaying : static_cast<int>(record->playing);
}

int DeleteMusicHandle(int handle) {
  MusicRecord* record = GetMusicRecord(handle);
  if (record == nullptr) return -1;
  if (GetMusicPlaying(handle) == 1) StopMusicHandle(handle);
  if (record->midiData != nullptr) MemFree(record->midiData);
  if (record->segment != nullptr) {
    g_Sound.performance->Unload(record->segment);
    record->segment->Release();
  }
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
      DeleteMusicHandle(MakeMusicHandle(record->serial, slot));
  }
  return 0;
}

int UpdateMusicPlayState() {
  if (g_Sound.device == nullptr) return -1;
  if (g_Sound.musicMode == 0) {
    // The sequencer reports its end through HandleMidiNotify. The headless output mixes only when asked: let it
    // reach the present, so that a song's end is noticed and its notification posted.
    if (g_Music.midiPlaying == 1) platform::MixUpToNow();
    return 0;
  }
  for (int slot = 0; slot < g_Music.nextIndex && slot < kMaxMusicHandles; ++slot) {
    MusicRecord* record = g_Music.records[slot];
    if (record == nullptr || record->playing == 0 || record->segment == nullptr) continue;
    const bool plays = g_Sound.performance->IsPlaying(record->segment) != dmusic::kFalse;
    if (record->started == 1) {
      record->playing = plays ? 1 : 0;
    } else if (plays) {
      record->started = 1;
    }
  }
  return 0;
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
  if (g_Music.currentIsSound == 1) {
    SetSoundHandleVolumeBody(volume, g_Music.current);
  } else if (g_Sound.musicMode == 1) {
    // Volumes above 255 are taken as 255, as for sounds: the master volume never rises above its start-up value.
    const long long base = g_Sound.musicVolumeBase;
    const int v = volume > 255 ? 255 : volume;
    const std::int32_t master =
        v == 255 ? static_cast<std::int32_t>(base) : static_cast<std::int32_t>((base + 10000) * v / 256 - 10000);
    g_Sound.performance->SetGlobalParam(dmusic::Param::PerfMasterVolume, &master, sizeof master);
  }
  return 0;
}
