// The engine's end with a working SDL sound device (SDL's dummy driver, real clock): a playing sound and playing
// music must not hold the shut-down up.
#if defined(PLATFORM_HAVE_SDL)

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "engine/core/public_api.h"
#include "platform/base/clock.h"
#include "platform/midi/midi_synth.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

class SdlSoundShutdown : public SoundEngine {
 protected:
  void SetUp() override {
    SoundEngine::SetUp();
    platform::SetClockMode(platform::ClockMode::Real);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::RequestAudioOutput(platform::AudioOutputKind::Sdl);
    WriteFile(directory_ + "/ssez/hit.wav", MakeWav(2, 44100, 16, ToBytes(Ramp(44100, 2))));
    WriteFile(directory_ + "/bgm/t.ogg", MakeOgg(44100, 2, 3.0));
    WriteFile(directory_ + "/bgm/song.mid", MakeTestSong());
  }
  void TearDown() override {
    SoundEngine::TearDown();
    unsetenv("SDL_AUDIODRIVER");
  }

  // Plays a looping sound and the given music for a while, then ends the engine; the seconds EndEngine took.
  double PlayThenEnd(const char* music) {
    EXPECT_EQ(StartEngine(), 0);
    const int hit = LoadSoundFile("ssez\\hit.wav", 1, 0);
    EXPECT_NE(hit, -1);
    EXPECT_EQ(PlaySoundHandle(hit, 3, 1), 0);
    EXPECT_EQ(PlayMusicFile(music, 3), 0);
    for (int i = 0; i < 20; ++i) {
      ProcessMessage();
      platform::SleepMilliseconds(10);
    }
    const auto start = std::chrono::steady_clock::now();
    EndEngine();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

// An idle machine ends in under 0.1 s (most of it closing the SDL device); the bound of half a second only catches a
// shut-down that waits (it took about 1 s).
constexpr double kEndBound = 0.5;

TEST_F(SdlSoundShutdown, EndsPromptlyWithStreamMusicPlaying) { EXPECT_LT(PlayThenEnd("bgm\\t.ogg"), kEndBound); }

TEST_F(SdlSoundShutdown, EndsPromptlyWithMidiMusicPlaying) {
  if (platform::midi::FindGeneralMidiSoundFont().empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
  EXPECT_LT(PlayThenEnd("bgm\\song.mid"), kEndBound);
}

}  // namespace
}  // namespace sound_test

#endif
