// The SDL audio output, on SDL's disk audio driver: the mix of a playing buffer arrives in the driver's output
// file. No sound card needed.
#if defined(PLATFORM_HAVE_SDL)

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/audio/audio.h"

namespace {

TEST(SdlAudio, TheMixReachesTheDevice) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("sdl-audio-" + std::to_string(getpid()) + ".raw")).string();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  platform::RequestAudioOutput(platform::AudioOutputKind::Sdl);
  platform::SoundDevice* device = nullptr;
  ASSERT_EQ(platform::CreateSoundDevice(&device), platform::kDsOk);
  const platform::WaveFormat format{1, 2, 44100, 176400, 4, 16, 0};
  platform::SoundBufferDesc desc{36, 0x80E2, 4410 * 4, &format};
  platform::SoundBuffer* buffer = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&desc, &buffer), platform::kDsOk);
  void* p1 = nullptr;
  void* p2 = nullptr;
  std::uint32_t n1 = 0, n2 = 0;
  ASSERT_EQ(buffer->Lock(0, 4410 * 4, &p1, &n1, &p2, &n2, 0), platform::kDsOk);
  auto* samples = static_cast<std::int16_t*>(p1);
  for (std::uint32_t i = 0; i < n1 / 2; ++i) samples[i] = 1234;
  buffer->Unlock(p1, n1, p2, n2);
  buffer->SetVolume(-600);
  ASSERT_EQ(buffer->Play(platform::kDsbPlayLooping), platform::kDsOk);
  // The device pulls in real time; the cursor moves on its own.
  std::uint32_t cursor = 0;
  for (int i = 0; i < 100 && cursor == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    buffer->GetCurrentPosition(&cursor, nullptr);
  }
  EXPECT_GT(cursor, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  buffer->Release();
  device->Release();
  platform::RequestAudioOutput(platform::AudioOutputKind::Automatic);

  std::ifstream in(path, std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  ASSERT_GE(raw.size(), 4096u);
  int loud = 0;
  const int expected = (1234 * 16423) >> 15;  // -6 dB: 10^(-600/2000) in 1/32768 units
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
    const auto v = static_cast<std::int16_t>(static_cast<std::uint8_t>(raw[i]) | (raw[i + 1] << 8));
    if (v == expected) ++loud;
  }
  EXPECT_GT(loud, 1000);
}

}  // namespace

#endif
