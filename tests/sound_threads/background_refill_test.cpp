#include <gtest/gtest.h>

#include <algorithm>

#include "engine/core/public_api.h"
#include "engine/core/system_record.h"
#include "platform/base/clock.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

class BackgroundRefill : public SoundEngine {};

// While the main thread does not pass messages, the background message thread's passes keep the ring topped up,
// and the music keeps playing without a gap.
TEST_F(BackgroundRefill, TheBackgroundThreadKeepsTheRingFilled) {
  const Bytes file = MakeMp3(44100, 2, 128, 1.0);
  const Bytes pcmBytes = DecodeAll(file);
  std::vector<std::int16_t> pcm(pcmBytes.size() / 2);
  for (std::size_t i = 0; i < pcm.size(); ++i)
    pcm[i] = static_cast<std::int16_t>(pcmBytes[2 * i] | (pcmBytes[2 * i + 1] << 8));
  WriteFile(directory_ + "/bgm/t.mp3", file);
  ASSERT_EQ(StartEngine(), 0);
  ASSERT_NE(g_System.backgroundThread, nullptr);
  platform::StartAudioCapture();
  ASSERT_EQ(PlayMusicFile("bgm\\t.mp3", 3), 0);
  int backgroundPasses;
  {
    ApiLockGuard lock;
    backgroundPasses = g_MessagePassCounters.backgroundPasses;
  }
  // The main thread only waits, in frame-sized steps, for far longer than the first fill holds.
  for (int i = 0; i < 500; ++i) platform::SleepMilliseconds(16);
  std::vector<std::int16_t> mix = platform::TakeCapturedAudio();
  {
    ApiLockGuard lock;
    EXPECT_GT(g_MessagePassCounters.backgroundPasses, backgroundPasses + 100);
  }
  const long from = 20000, length = 2000;
  long o = -1;
  for (long i = 0; i < 100000 && o < 0; i += 2)
    if (std::equal(pcm.begin() + from, pcm.begin() + from + length, mix.begin() + i + from)) o = i;
  ASSERT_GE(o, 0);
  const std::size_t checked = std::min<std::size_t>(mix.size() - static_cast<std::size_t>(o), 7 * 44100 * 2);
  std::size_t mismatches = 0;
  for (std::size_t i = 0; i < checked; ++i)
    if (mix[static_cast<std::size_t>(o) + i] != pcm[i % pcm.size()]) ++mismatches;
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace sound_test
