#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/core/public_api.h"
#include "platform/base/clock.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

class PlainSounds : public HitSoundEngine {
 protected:
  // Index of the first nonzero sample, or -1.
  static long FirstSound(const std::vector<std::int16_t>& mix) {
    auto it = std::find_if(mix.begin(), mix.end(), [](std::int16_t v) { return v != 0; });
    return it == mix.end() ? -1 : static_cast<long>(it - mix.begin());
  }
};

TEST_F(PlainSounds, APlayPutsTheFileSamplesIntoTheMix) {
  const int h = LoadSoundFile("ssez\\hit.wav", 3, 0);
  ASSERT_NE(h, -1);
  EXPECT_EQ(h & 0x78000000, 0x10000000);
  EXPECT_EQ(GetSoundRecord(h)->bufferCount, 3);
  Captured();
  ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
  platform::SleepMilliseconds(200);
  const std::vector<std::int16_t> mix = Captured();
  const long first = FirstSound(mix);
  ASSERT_GE(first, 0);
  ASSERT_GE(mix.size(), static_cast<std::size_t>(first) + samples_.size() + 100);
  EXPECT_TRUE(std::equal(samples_.begin(), samples_.end(), mix.begin() + first));
  // A one-shot play ends after its samples.
  EXPECT_TRUE(std::all_of(mix.begin() + first + static_cast<long>(samples_.size()), mix.end(),
                          [](std::int16_t v) { return v == 0; }));
  EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
}

TEST_F(PlainSounds, VolumeScalesTheSamplesByTheDecibelLaw) {
  const int h = LoadSoundFile("ssez\\hit.wav", 1, 0);
  ASSERT_EQ(SetSoundHandleVolume(128, h), 0);
  std::int32_t volume = 0;
  GetSoundRecord(h)->slots[0].buffer->GetVolume(&volume);
  EXPECT_EQ(volume, -299);
  Captured();
  PlaySoundHandle(h, 1, 1);
  platform::SleepMilliseconds(200);
  const std::vector<std::int16_t> mix = Captured();
  const long first = FirstSound(mix);
  ASSERT_GE(first, 0);
  const double gain = std::pow(10.0, -299 / 2000.0);
  EXPECT_NEAR(gain, 0.708, 0.001);
  for (std::size_t i = 0; i < samples_.size(); i += 97)
    EXPECT_NEAR(mix[static_cast<std::size_t>(first) + i], samples_[i] * gain, 1.01) << i;
}

TEST_F(PlainSounds, VolumeLaw) {
  const struct {
    int volume, attenuation;
  } cases[] = {{255, 0}, {300, 0}, {254, -1}, {128, -299}, {64, -600}, {1, -2406}, {0, -10000}, {-5, -10000}};
  const int h = LoadSoundFile("ssez\\hit.wav", 2, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volume);
    EXPECT_EQ(SoundVolumeToAttenuation(c.volume), c.attenuation);
    ASSERT_EQ(SetSoundHandleVolume(c.volume, h), 0);
    for (int b = 0; b < 2; ++b) {
      std::int32_t v = 1;
      GetSoundRecord(h)->slots[b].buffer->GetVolume(&v);
      EXPECT_EQ(v, c.attenuation);
    }
  }
}

TEST_F(PlainSounds, QuickPlaysOverlapRoundRobinAndStopSilencesAll) {
  const int h = LoadSoundFile("ssez\\hit.wav", 3, 0);
  SoundRecord* r = GetSoundRecord(h);
  const int expected[] = {1, 2, 0};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
    EXPECT_EQ(r->currentBuffer, expected[i]);
    platform::SleepMilliseconds(10);
  }
  std::uint32_t status = 0;
  for (int b = 0; b < 3; ++b) {
    r->slots[b].buffer->GetStatus(&status);
    EXPECT_EQ(status & platform::kDsbStatusPlaying, 1u) << b;
  }
  // The three plays overlap: the mix is louder than any one of them.
  const std::vector<std::int16_t> mix = Captured();
  EXPECT_GT(*std::max_element(mix.begin(), mix.end()), 2 * 1000);
  ASSERT_EQ(StopSoundHandle(h), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
  platform::SleepMilliseconds(50);
  const std::vector<std::int16_t> after = Captured();
  EXPECT_FALSE(after.empty());
  EXPECT_EQ(FirstSound(after), -1);
}

TEST_F(PlainSounds, PlayingAgainWithoutFromTopLeavesTheSoundOrRestartsIt) {
  const int h = LoadSoundFile("ssez\\hit.wav", 1, 0);
  platform::SoundBuffer* b = GetSoundRecord(h)->slots[0].buffer;
  PlaySoundHandle(h, 1, 1);
  platform::SleepMilliseconds(20);
  std::uint32_t before = 0, after = 0;
  b->GetCurrentPosition(&before, nullptr);
  EXPECT_GT(before, 0u);
  EXPECT_EQ(PlaySoundHandle(h, 1, 0), 0);
  b->GetCurrentPosition(&after, nullptr);
  EXPECT_GE(after, before);
  EXPECT_EQ(PlaySoundHandle(h, 1, 1), 0);
  b->GetCurrentPosition(&after, nullptr);
  EXPECT_LT(after, before);
}

TEST_F(PlainSounds, BufferCountsOutsideTheRange) {
  const int none = LoadSoundFile("ssez\\hit.wav", 0, 0);
  ASSERT_NE(none, -1);
  EXPECT_EQ(GetSoundRecord(none)->bufferCount, 0);
  EXPECT_EQ(PlaySoundHandle(none, 1, 1), -1);
  const int many = LoadSoundFile("ssez\\hit.wav", 11, 0);
  ASSERT_NE(many, -1);
  EXPECT_EQ(GetSoundRecord(many)->bufferCount, 10);
}

TEST_F(PlainSounds, PlayTypeZeroWaitsUntilTheEnd) {
  const int h = LoadSoundFile("ssez\\hit.wav", 1, 0);
  const std::uint32_t start = platform::MillisecondClock();
  EXPECT_EQ(PlaySoundHandle(h, 0, 1), 0);
  EXPECT_GE(platform::MillisecondClock() - start, 100u);
  EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
}

TEST_F(PlainSounds, BadHandlesAndStaleHandles) {
  const int h = LoadSoundFile("ssez\\hit.wav", 1, 0);
  EXPECT_EQ(DeleteSoundHandle(h), 0);
  const int again = LoadSoundFile("ssez\\hit.wav", 1, 0);
  EXPECT_EQ(again & 0xFFFF, h & 0xFFFF);
  EXPECT_NE(again, h);
  for (int bad : {h, -1, 0, 0x08000000 | (again & 0x07FFFFFF), again + 1}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(PlaySoundHandle(bad, 1, 1), -1);
    EXPECT_EQ(StopSoundHandle(bad), -1);
    EXPECT_EQ(SetSoundHandleVolume(100, bad), -1);
  }
  EXPECT_EQ(LoadSoundFile("ssez\\missing.wav", 1, 0), -1);
}

TEST_F(PlainSounds, EndEngineReleasesEveryBuffer) {
  LoadSoundFile("ssez\\hit.wav", 4, 0);
  EXPECT_EQ(platform::LiveSoundBufferCount(), 5);  // with the silent buffer
  EXPECT_EQ(EndEngine(), 0);
  EXPECT_EQ(platform::LiveSoundBufferCount(), 0);
  EXPECT_EQ(TerminateSound(), -1);
}

class NoAudioDevice : public SoundEngine {};

TEST_F(NoAudioDevice, TheEngineRunsSilent) {
  platform::RequestAudioOutput(platform::AudioOutputKind::None);
  WriteFile(directory_ + "/ssez/hit.wav", MakeWav(2, 44100, 16, ToBytes(Ramp(100, 2))));
  WriteFile(directory_ + "/bgm/t.mp3", MakeMp3(44100, 2, 128, 0.5));
  ASSERT_EQ(StartEngine(), 0);
  EXPECT_EQ(g_Sound.device, nullptr);
  EXPECT_EQ(LoadSoundFile("ssez\\hit.wav", 1, 0), -1);
  EXPECT_EQ(PlaySoundHandle(0x10000000, 1, 1), -1);
  EXPECT_EQ(StopSoundHandle(0x10000000), -1);
  EXPECT_EQ(SetSoundHandleVolume(100, 0x10000000), -1);
  EXPECT_EQ(PlayMusicFile("bgm\\t.mp3", 3), -1);
  EXPECT_EQ(SetMusicVolume(100), -1);
  EXPECT_EQ(StopMusicFile(), 0);  // nothing to stop
  EXPECT_EQ(ProcessMessage(), 0);
}

}  // namespace
}  // namespace sound_test

namespace sound_test {
namespace {

// Damaged files fail to load cleanly and leave no handle or buffer behind.
TEST_F(PlainSounds, DamagedFilesFailCleanly) {
  Bytes lying = MakeWav(2, 44100, 16, ToBytes(Ramp(100, 2)));
  lying[28] = 0xFF;  // average bytes per second far off: the format decides
  lying[29] = 0xFF;
  Bytes hugeFmt = MakeWav(2, 44100, 16, ToBytes(Ramp(100, 2)));
  hugeFmt[16] = 0xF0;
  hugeFmt[19] = 0x7F;
  const struct {
    const char* name;
    Bytes file;
    bool loads;
  } cases[] = {
      {"lying rate", lying, true},
      {"huge fmt chunk", hugeFmt, false},
      {"empty data", MakeWav(2, 44100, 16, Bytes()), false},
      {"zero channels", MakeWav(0, 44100, 16, ToBytes(Ramp(10, 2))), false},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o'}, false},
      {"nothing", Bytes(), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(directory_ + "/ssez/bad.wav", c.file);
    const int live = g_Sound.liveCount;
    const int buffers = platform::LiveSoundBufferCount();
    const int h = LoadSoundFile("ssez\\bad.wav", 2, 0);
    EXPECT_EQ(h != -1, c.loads);
    if (h == -1) {
      EXPECT_EQ(g_Sound.liveCount, live);
      EXPECT_EQ(platform::LiveSoundBufferCount(), buffers);
    } else {
      EXPECT_EQ(GetSoundRecord(h)->format.avgBytesPerSec, 176400u);
    }
  }
}

}  // namespace
}  // namespace sound_test
