// Sound start-up and shut-down: the sound device, its primary buffer (or in music mode 1 the DirectMusic performance
// that makes the device) and the silent buffer that loops for the whole run.
#include <cstring>

#include "engine/core/log.h"
#include "engine/sound/sound.h"
#include "platform/files/file.h"

SoundSystem g_Sound{};

int SoundDeviceEnumCallback(const char* description, const char* module, void*) {
  LogPrintf("モジュール名:%15s  ドライバ記述:%s ", module, description);
  return 1;
}

namespace {

int EnumThunk(const char* description, const char* module, void* context) {
  return SoundDeviceEnumCallback(description, module, context);
}

const char* Ok(std::uint32_t flags, std::uint32_t bit) { return (flags & bit) != 0 ? "OK" : "NO"; }

void ReleaseDevice() {
  g_Sound.device->Release();
  g_Sound.device = nullptr;
}

namespace dmusic = platform::dmusic;

// Releases the DirectMusic objects of a start-up that failed before a sound device existed.
void ReleaseMusicObjects() {
  if (g_Sound.performance != nullptr) g_Sound.performance->Release();
  if (g_Sound.loader != nullptr) g_Sound.loader->Release();
  g_Sound.performance = nullptr;
  g_Sound.loader = nullptr;
}

// A port description in the ANSI code page: ASCII as it is, anything else as '?'.
void PortDescription(const char16_t* wide, char* out, int size) {
  int n = 0;
  for (; n < size - 1 && n < 128 && wide[n] != 0; ++n) out[n] = wide[n] < 0x80 ? static_cast<char>(wide[n]) : '?';
  out[n] = '\0';
}

void LogMusicPorts(dmusic::DirectMusic* music) {
  for (std::uint32_t index = 0;; ++index) {
    dmusic::PortCaps caps{};
    caps.size = 308;
    if (music->EnumPort(index, &caps) != dmusic::kOk) break;
    char description[256];
    PortDescription(caps.description, description, sizeof description);
    LogPrintf("%s  Device%d:%s ", caps.portClass == dmusic::kPortClassOutput ? "出力ポート" : "入力ポート",
              static_cast<int>(index), description);
  }
}

// Music mode 1: the loader, the performance and its sound device. 0 when started, 1 when DirectMusic cannot be had
// and the music mode fell back to 0, -1 on failure.
int StartDirectMusic() {
  WriteLog("DirectSound8 の初期化を行います\n");
  if (!dmusic::Succeeded(dmusic::CreateLoader(&g_Sound.loader))) {
    g_Sound.loader = nullptr;
    WriteLog("DirectMusicLoader8 オブジェクトの作成に失敗しました\n");
    WriteLog("前バージョンでの初期化処理に移ります\n");
    g_Sound.musicMode = 0;
    return 1;
  }
  if (!dmusic::Succeeded(dmusic::CreatePerformance(&g_Sound.performance))) {
    g_Sound.performance = nullptr;
    WriteLog("DirectMusicPerformance オブジェクトの作成に失敗しました\n");
    ReleaseMusicObjects();
    return -1;
  }
  dmusic::DirectMusic* music = nullptr;
  dmusic::DirectMusic* music8 = nullptr;
  if (!dmusic::Succeeded(dmusic::CreateDirectMusic(&music))) {
    WriteLog("DirectMusic オブジェクトの取得に失敗しました\n");
    ReleaseMusicObjects();
    return -1;
  }
  if (!dmusic::Succeeded(music->QueryInterface8(&music8))) {
    music->Release();
    WriteLog("DirectMusic8 オブジェクトの取得に失敗しました\n");
    ReleaseMusicObjects();
    return -1;
  }
  LogMusicPorts(music8);
  music8->Release();
  music->Release();
  dmusic::DirectMusic* given = nullptr;
  platform::SoundDevice* device = nullptr;
  dmusic::AudioParams params{40, 1, 5, dmusic::kAudioFeaturesAll, 0, 44100};
  if (!dmusic::Succeeded(g_Sound.performance->InitAudio(&given, &device, 0, dmusic::kAudioPathSharedStereoPlusReverb,
                                                         64, dmusic::kAudioFeaturesAll, &params))) {
    WriteLog("DirectMusicPerformanceオブジェクトの初期化に失敗しました\n");
    ReleaseMusicObjects();
    return -1;
  }
  if (given != nullptr) given->Release();
  g_Sound.device = device;
  g_Sound.performance->GetGlobalParam(dmusic::Param::PerfMasterVolume, &g_Sound.musicVolumeBase,
                                      sizeof g_Sound.musicVolumeBase);
  return 0;
}

// Music mode 0: the sound device with its primary buffer. 0 or -1.
int StartDirectSound() {
  WriteLog("DirectSound の初期化を行います\n");
  WriteLog("DirectSound インターフェースの取得を行います....  ");
  platform::SoundDevice* device = nullptr;
  if (!platform::AudioSucceeded(platform::CreateSoundDevice(&device))) {
    g_Sound.device = nullptr;
    return WriteLog("DirectSoundインターフェースの作成に失敗しました\n");
  }
  g_Sound.device = device;
  WriteLog("成功\n");
  WriteLog("引き続きインターフェースの初期化処理...  ");
  if (!platform::AudioSucceeded(device->Initialize(nullptr))) {
    WriteLog("初期化に失敗しました\n");
    ReleaseDevice();
    return -1;
  }
  WriteLog("成功\n");
  if (!platform::AudioSucceeded(device->SetCooperativeLevel(0, platform::kDsSclPriority))) {
    WriteLog("DirectSoundの協調レベルの設定に失敗しました\n");
    ReleaseDevice();
    return -1;
  }
  platform::SoundBufferDesc primaryDesc{36, platform::kDsbCapsPrimaryBuffer, 0, nullptr};
  if (!platform::AudioSucceeded(device->CreateSoundBuffer(&primaryDesc, &g_Sound.primary))) {
    WriteLog("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n");
    g_Sound.primary = nullptr;
    ReleaseDevice();
    return -1;
  }
  platform::SoundDeviceCaps caps{};
  device->GetCaps(&caps);
  WaveFormatEx primaryFormat{};
  primaryFormat.formatTag = platform::kWaveFormatPcm;
  primaryFormat.channels = (caps.flags & platform::kDsCapsPrimaryStereo) != 0 ? 2 : 1;
  primaryFormat.bitsPerSample = (caps.flags & platform::kDsCapsPrimary16Bit) != 0 ? 16 : 8;
  primaryFormat.samplesPerSec = caps.maxSecondarySampleRate > 44100 ? 44100 : caps.maxSecondarySampleRate;
  primaryFormat.blockAlign = static_cast<std::uint16_t>(primaryFormat.bitsPerSample / 8 * primaryFormat.channels);
  primaryFormat.avgBytesPerSec = primaryFormat.blockAlign * primaryFormat.samplesPerSec;
  if (!platform::AudioSucceeded(g_Sound.primary->SetFormat(&primaryFormat)))
    WriteLog("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
  return 0;
}

}  // namespace

int InitializeSound() {
  if (g_Sound.device != nullptr) return -1;
  if (g_Sound.musicMode == 1) {
    const int started = StartDirectMusic();
    if (started == 1) return InitializeSound();
    if (started == -1) return -1;
  } else if (StartDirectSound() == -1) {
    return -1;
  }
  platform::SoundDevice* device = g_Sound.device;
  platform::SoundDeviceCaps caps{};

  // The silent buffer: 100 frames of silence looping for the whole run.
  const WaveFormatEx silentFormat{platform::kWaveFormatPcm, 2, 44100, 176400, 4, 16, 0};
  platform::SoundBufferDesc silentDesc{36, platform::kDsbCapsStatic | platform::kDsbCapsGlobalFocus, 400,
                                       &silentFormat};
  if (!platform::AudioSucceeded(device->CreateSoundBuffer(&silentDesc, &g_Sound.silent))) {
    g_Sound.silent = nullptr;
    WriteLog("無音バッファの作成に失敗しました");
  } else {
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    if (!platform::AudioSucceeded(g_Sound.silent->Lock(0, 400, &p1, &n1, &p2, &n2, 0))) {
      WriteLog("無音バッファのロックに失敗しました");
      g_Sound.silent->Release();
      g_Sound.silent = nullptr;
    } else {
      std::memset(p1, 0, n1);
      if (p2 != nullptr) std::memset(p2, 0, n2);
      g_Sound.silent->Unlock(p1, n1, p2, n2);
      g_Sound.silent->Play(platform::kDsbPlayLooping);
    }
  }

  g_Sound.streamCreateMode = 0;
  g_Sound.oggBytesPerSample = 2;
  InitLinkList(&g_Sound.streamHead, &g_Sound.streamTail);

  IncreaseLogIndent();
  device->GetCaps(&caps);
  WriteLog("DirectSound デバイスを列挙します\n");
  IncreaseLogIndent();
  if (!platform::EnumerateSoundDevices(EnumThunk, nullptr)) {
    WriteLog("DirectSound デバイスの列挙用関数のポインタ取得に失敗しました\n");
  }
  DecreaseLogIndent();
  LogPrintf("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ", caps.maxSecondarySampleRate / 1000.0,
            caps.minSecondarySampleRate / 1000.0);
  LogPrintf("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n", caps.totalHwMemBytes / 1024.0,
            caps.freeHwMemBytes / 1024.0);
  WriteLog("利用可能サンプリング精度\n");
  LogPrintf(" プライマリ １６bit = %s  ８bit = %s ", Ok(caps.flags, platform::kDsCapsPrimary16Bit),
            Ok(caps.flags, platform::kDsCapsPrimary8Bit));
  LogPrintf(" セカンダリ １６bit = %s  ８bit = %s \n", Ok(caps.flags, platform::kDsCapsSecondary16Bit),
            Ok(caps.flags, platform::kDsCapsSecondary8Bit));
  WriteLog("利用可能チャンネル\n");
  LogPrintf(" プライマリ MONO = %s  STEREO = %s ", Ok(caps.flags, platform::kDsCapsPrimaryMono),
            Ok(caps.flags, platform::kDsCapsPrimaryStereo));
  LogPrintf(" セカンダリ MONO = %s  STEREO = %s \n", Ok(caps.flags, platform::kDsCapsSecondaryMono),
            Ok(caps.flags, platform::kDsCapsSecondaryStereo));
  DecreaseLogIndent();

  WriteLog("DirectSound の初期化は正常に終了しました\n");
  DeleteAllSounds(0);
  return 0;
}

int TerminateSound() {
  if (g_Sound.device == nullptr) return -1;
  FinishCaptureFile();
  DeleteAllSounds(0);
  DeleteAllMusic();
  // Only a MIDI file this run made: an empty name would resolve to the working directory itself.
  if (g_Music.tempPath[0] != '\0') platform::DeleteFileEngine(g_Music.tempPath);
  g_Music.tempPath[0] = '\0';
  if (g_Sound.performance != nullptr) {
    g_Sound.performance->StopEx(nullptr, 0, 0);
    g_Sound.performance->CloseDown();
    g_Sound.performance->Release();
    g_Sound.performance = nullptr;
  }
  if (g_Sound.loader != nullptr) {
    g_Sound.loader->Release();
    g_Sound.loader = nullptr;
  }
  if (g_Sound.primary != nullptr) {
    g_Sound.primary->Stop();
    g_Sound.primary->Release();
    g_Sound.primary = nullptr;
  }
  if (g_Sound.silent != nullptr) {
    g_Sound.silent->Stop();
    g_Sound.silent->Release();
    g_Sound.silent = nullptr;
  }
  ReleaseDevice();
  WriteLog("DirectSound の終了処理は正常に終了しました\n");
  return 0;
}

int DeleteAllSounds(int value) {
  if (g_Sound.device == nullptr) return -1;
  for (int slot = 0; slot < kMaxSoundHandles; ++slot) {
    SoundRecord* record = g_Sound.records[slot];
    if (record == nullptr) continue;
    DeleteSoundHandle(static_cast<int>(((record->serial | 0x1000u) << 16) | static_cast<std::uint32_t>(slot)), value);
  }
  return 0;
}
