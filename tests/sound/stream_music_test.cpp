#include <gtest/gtest.h>

#include <algorithm>

#include "engine/core/public_api.h"
#include "platform/base/clock.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

constexpr int kA = 176400;  // 44.1 kHz 16-bit stereo

std::vector<std::int16_t> Samples(const Bytes& pcm) {
  std::vector<std::int16_t> s(pcm.size() / 2);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
  return s;
}

// Offset in the mix at which the PCM starts (matched on a window well inside it), or -1.
long Align(const std::vector<std::int16_t>& mix, const std::vector<std::int16_t>& pcm) {
  const long from = 20000, length = 2000;
  for (long o = 0; o + from + length <= static_cast<long>(mix.size()) && o < 200000; o += 2)
    if (std::equal(pcm.begin() + from, pcm.begin() + from + length, mix.begin() + o + from)) return o;
  return -1;
}

class Music : public SoundEngine {
 protected:
  void SetUp() override {
    SoundEngine::SetUp();
    file_ = MakeMp3(44100, 2, 128, 1.5);
    pcm_ = Samples(DecodeAll(file_));
    WriteFile(directory_ + "/bgm/t.mp3", file_);
    ASSERT_EQ(StartEngine(), 0);
    platform::StartAudioCapture();
  }
  SoundRecord* Current() { return GetSoundRecord(g_Music.current); }

  Bytes file_;
  std::vector<std::int16_t> pcm_;
};

TEST_F(Music, AnMp3PlaysAsAStreamSoundWhoseRingIsPrimedAtOnce) {
  ASSERT_EQ(PlayMusicFile("bgm\\t.mp3", 3), 0);
  EXPECT_EQ(g_Music.currentIsSound, 1);
  EXPECT_EQ(g_Music.liveCount, 0);  // the music handle of the refused MIDI attempt is gone
  SoundRecord* r = Current();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->kind, 1);
  EXPECT_EQ(r->entries[0].createMode, 2u);
  EXPECT_EQ(r->ringSize, 1058400u);
  EXPECT_EQ(r->ringWrite, 4 * kA);
  EXPECT_EQ(r->ringLimit, 0);
  EXPECT_EQ(CheckSoundHandlePlaying(g_Music.current), 1);
  // Passes top the ring up to about three seconds ahead of the cursor.
  RunFor(2000);
  std::uint32_t cursor = 0;
  r->slots[0].buffer->GetCurrentPosition(&cursor, nullptr);
  const long ahead = (r->ringWrite - static_cast<long>(cursor) + 6L * kA) % (6L * kA);
  EXPECT_GE(ahead, 3L * kA - kA / 8 - 4 * 4410);
  EXPECT_LE(ahead, 4L * kA + kA / 8);  // at most one chunk past four seconds
}

TEST_F(Music, ALoopingStreamLoopsSeamlessly) {
  ASSERT_EQ(PlayMusicFile("bgm\\t.mp3", 3), 0);
  RunFor(5000);
  const std::vector<std::int16_t> mix = Captured();
  const long o = Align(mix, pcm_);
  ASSERT_GE(o, 0);
  const std::size_t length = pcm_.size();
  const std::size_t checked = std::min<std::size_t>(mix.size() - static_cast<std::size_t>(o), 4 * 44100 * 2);
  ASSERT_GT(checked, length * 3 / 2);  // across a loop point
  std::size_t mismatches = 0;
  for (std::size_t i = 0; i < checked; ++i)
    if (mix[static_cast<std::size_t>(o) + i] != pcm_[i % length]) ++mismatches;
  EXPECT_EQ(mismatches, 0u);
}

TEST_F(Music, PlayTypeOneEndsWithSilenceAndTheBufferStops) {
  ASSERT_EQ(PlayMusicFile("bgm\\t.mp3", 1), 0);
  RunFor(3000);
  EXPECT_EQ(CheckSoundHandlePlaying(g_Music.current), 0);
  EXPECT_EQ(Current()->endWritten, 0);  // cleared when the cursor passed the end
  const std::vector<std::int16_t> mix = Captured();
  const long o = Align(mix, pcm_);
  ASSERT_GE(o, 0);
  EXPECT_TRUE(std::equal(pcm_.begin(), pcm_.end(), mix.begin() + o));
  EXPECT_TRUE(std::all_of(mix.begin() + o + static_cast<long>(pcm_.size()), mix.end(),
                          [](std::int16_t v) { return v == 0; }));
}

TEST_F(Music, VolumeStopAndRestart) {
  ASSERT_EQ(PlayMusicFile("bgm\\t.mp3", 3), 0);
  ASSERT_EQ(SetMusicVolume(128), 0);
  std::int32_t v = 0;
  Current()->slots[0].buffer->GetVolume(&v);
  EXPECT_EQ(v, -299);

  // The same file again starts from the top with a new sound.
  RunFor(1000);
  const int first = g_Music.current;
  ASSERT_EQ(PlayMusicFile("bgm\\t.mp3", 3), 0);
  EXPECT_EQ(GetSoundRecord(first), nullptr);
  EXPECT_EQ(Current()->ringWrite, 4 * kA);
  Captured();
  RunFor(600);
  const std::vector<std::int16_t> mix = Captured();
  const long o = Align(mix, pcm_);
  EXPECT_GE(o, 0);
  EXPECT_LT(o, 2000);

  ASSERT_EQ(StopMusicFile(), 0);
  EXPECT_EQ(g_Music.current, 0);
  EXPECT_EQ(platform::LiveSoundBufferCount(), 1);  // only the silent buffer is left
  EXPECT_EQ(StopMusicFile(), 0);
  EXPECT_EQ(PlayMusicFile("bgm\\missing.mp3", 3), -1);
}

TEST_F(Music, StreamEntriesAndSharing) {
  const Bytes wav = MakeWav(2, 44100, 16, ToBytes(Ramp(44100, 2)));
  const Bytes mono = MakeWav(1, 22050, 16, ToBytes(Ramp(22050, 1)));
  const int a = AddSoundData(-1);
  ASSERT_EQ(AddStreamSoundMem(wav.data(), static_cast<int>(wav.size()), 0, a, 0, -1), 0);
  ASSERT_EQ(AddStreamSoundMem(wav.data(), static_cast<int>(wav.size()), 0, a, 2, -1), 0);
  EXPECT_EQ(AddStreamSoundMem(mono.data(), static_cast<int>(mono.size()), 0, a, 2, -1), -1);  // other format
  ASSERT_EQ(AddStreamSoundMem(wav.data(), static_cast<int>(wav.size()), 0, a, 3, -1), 0);
  EXPECT_EQ(AddStreamSoundMem(wav.data(), static_cast<int>(wav.size()), 0, a, 2, -1), -1);  // a fourth entry
  EXPECT_EQ(GetSoundRecord(a)->entryCount, 3);
  EXPECT_EQ(GetSoundRecord(a)->totalFrames, 3 * 44100);

  // Same format shares the ring; another format gets its own.
  const int b = AddSoundData(-1);
  ASSERT_EQ(AddStreamSoundMem(wav.data(), static_cast<int>(wav.size()), 0, b, 2, a), 0);
  EXPECT_EQ(GetSoundRecord(b)->bufferOwner, a);
  EXPECT_EQ(GetSoundRecord(a)->shareCount, 1);
  const int c = AddSoundData(-1);
  ASSERT_EQ(AddStreamSoundMem(mono.data(), static_cast<int>(mono.size()), 0, c, 2, a), 0);
  EXPECT_EQ(GetSoundRecord(c)->bufferOwner, -1);

  // Playing the sharer takes the ring from the owner.
  ASSERT_EQ(PlaySoundHandleBody(a, 1, 1), 0);
  ASSERT_EQ(PlaySoundHandleBody(b, 1, 1), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(a), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(b), 1);

  // Deleting the owner waits for its sharer.
  EXPECT_EQ(DeleteSoundHandle(a), 0);
  EXPECT_NE(GetSoundRecord(a), nullptr);
  EXPECT_EQ(GetSoundRecord(a)->deletePending, 1);
  EXPECT_EQ(DeleteSoundHandle(b), 0);
  EXPECT_EQ(GetSoundRecord(a), nullptr);
  EXPECT_EQ(GetSoundRecord(b), nullptr);
}

TEST_F(Music, AShortStreamEndsInsideTheFirstFill) {
  const Bytes wav = MakeWav(2, 44100, 16, ToBytes(Ramp(4410, 2)));
  const int h = AddSoundData(-1);
  ASSERT_EQ(AddStreamSoundMem(wav.data(), static_cast<int>(wav.size()), 0, h, 2, -1), 0);
  PrimeStreamSound(h);
  SoundRecord* r = GetSoundRecord(h);
  EXPECT_EQ(r->endWritten, 1);
  EXPECT_EQ(r->endPosition, 4410u * 4);
  Captured();
  ASSERT_EQ(PlaySoundHandleBody(h, 1, 1), 0);
  RunFor(500);
  EXPECT_EQ(CheckSoundHandlePlaying(h), 0);
  const std::vector<std::int16_t> mix = Captured();
  const auto ramp = Ramp(4410, 2);
  auto it = std::search(mix.begin(), mix.end(), ramp.begin(), ramp.end());
  ASSERT_NE(it, mix.end());
  EXPECT_TRUE(std::all_of(it + static_cast<long>(ramp.size()), mix.end(), [](std::int16_t v) { return v == 0; }));
}

}  // namespace
}  // namespace sound_test
