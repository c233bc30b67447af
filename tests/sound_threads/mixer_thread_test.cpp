#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <memory>

#include "engine/core/public_api.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

class MixerThread : public SoundEngine {};

// An output thread pulls the mix at about the real rate while the engine loads, plays, stops and deletes sounds
// and refills a stream: the mixer's own lock is all the two sides share.
TEST_F(MixerThread, PullingTheMixWhileTheEngineWorks) {
  WriteFile(directory_ + "/ssez/hit.wav", MakeWav(2, 44100, 16, ToBytes(Ramp(4410, 2))));
  WriteFile(directory_ + "/bgm/t.mp3", MakeMp3(44100, 2, 128, 1.0));
  platform::RequestAudioOutput(platform::AudioOutputKind::Pulled);
  ASSERT_EQ(StartEngine(), 0);
  auto output = std::make_unique<PulledOutput>();
  ASSERT_EQ(PlayMusicFile("bgm\\t.mp3", 3), 0);
  for (int i = 0; i < 30; ++i) {
    const int h = LoadSoundFile("ssez\\hit.wav", 3, -1);
    ASSERT_NE(h, -1);
    PlaySoundHandle(h, 1, 1);
    SetSoundHandleVolume(100 + i, h);
    PlaySoundHandle(h, 1, 1);
    ProcessMessage();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (i % 2 == 0) StopSoundHandle(h);
    SetMusicVolume(200);
  }
  StopMusicFile();
  EXPECT_GT(output->Loud(), 0);
  output.reset();
  EXPECT_EQ(EndEngine(), 0);
}

}  // namespace
}  // namespace sound_test
