// The capture file: the mix written to a WAV file as it is made, its header completed when the capture finishes.
#include "engine/core/log.h"
#include "engine/sound/sound.h"

namespace {

constexpr int kCaptureHeaderBytes = 46;  // the header with an 18-byte format
// Frames whose data size still fits the header's 32-bit sizes.
constexpr std::uint32_t kMaxCaptureFrames = (0xFFFFFFFFu - 38) / 4;

// Runs under the mixer's lock, on whichever thread mixes: appends the block and counts its frames.
void CaptureMix(void*, const std::int16_t* samples, int frames) {
  if (g_Sound.captureFileOpen == 0 || frames <= 0) return;
  const std::uint32_t room = kMaxCaptureFrames - g_Sound.captureFrames;
  const std::uint32_t take = static_cast<std::uint32_t>(frames) < room ? static_cast<std::uint32_t>(frames) : room;
  std::uint8_t bytes[4096 * 4];
  for (std::uint32_t done = 0; done < take;) {
    const std::uint32_t n = take - done < 4096 ? take - done : 4096;
    for (std::uint32_t i = 0; i < 2 * n; ++i) {
      const auto v = static_cast<std::uint16_t>(samples[2 * done + i]);
      bytes[2 * i] = static_cast<std::uint8_t>(v);
      bytes[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    std::uint32_t written = 0;
    platform::WriteToFile(g_Sound.captureFile, bytes, 4 * n, &written);
    g_Sound.captureFrames += written / 4;
    if (written != 4 * n) return;
    done += n;
  }
}

}  // namespace

int OpenCaptureFile(const char* path) {
  if (g_Sound.device == nullptr || path == nullptr || g_Sound.captureFileOpen != 0) return -1;
  platform::DeleteFileEngine(path);
  const platform::FileHandle file = platform::CreateNewFile(path);
  if (file == platform::kInvalidFileHandle) return -1;
  const std::uint8_t room[kCaptureHeaderBytes] = {};
  std::uint32_t written = 0;
  if (!platform::WriteToFile(file, room, sizeof room, &written) || written != sizeof room) {
    platform::CloseFile(file);
    platform::DeleteFileEngine(path);
    return -1;
  }
  g_Sound.captureFile = file;
  g_Sound.captureFrames = 0;
  g_Sound.captureFileOpen = 1;
  platform::SetMixTap(CaptureMix, nullptr);  // from the mix as it stands now
  return 0;
}

int FinishCaptureFile() {
  if (g_Sound.captureFileOpen == 0) return -1;
  platform::SetMixTap(nullptr, nullptr);  // mixes up to now first; no mixing thread writes past this point
  const WaveFormatEx format{platform::kWaveFormatPcm, 2, 44100, 176400, 4, 16, 0};
  std::uint8_t header[kCaptureHeaderBytes];
  FillWavHeader(header, &format, platform::kWaveFormatBytes, 4 * g_Sound.captureFrames);
  std::uint32_t written = 0;
  if (!platform::SetFilePosition(g_Sound.captureFile, 0) ||
      !platform::WriteToFile(g_Sound.captureFile, header, sizeof header, &written) || written != sizeof header)
    WriteLog("キャプチャファイルのヘッダの書き込みに失敗しました\n");
  platform::CloseFile(g_Sound.captureFile);
  g_Sound.captureFileOpen = 0;
  g_Sound.captureFile = platform::kInvalidFileHandle;
  g_Sound.captureFrames = 0;
  return 0;
}
