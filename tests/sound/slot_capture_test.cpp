#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/core/public_api.h"
#include "platform/base/clock.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

class SlotsAndCapture : public HitSoundEngine {
 protected:
  static constexpr int kFrames = kHitFrames;
  void TearDown() override {
    HitSoundEngine::TearDown();
    g_Sound.ownBufferMode = 0;
  }
};

TEST_F(SlotsAndCapture, OwnBuffersHoldTheSamplesAndAPlayStateOfTheirOwn) {
  g_Sound.ownBufferMode = 1;
  const int h = LoadSoundFile("ssez\\hit.wav", 3, 0);
  ASSERT_NE(h, -1);
  EXPECT_EQ(platform::LiveSoundBufferCount(), 1);  // the silent buffer only: no device buffers
  SoundRecord* r = GetSoundRecord(h);
  ASSERT_EQ(r->bufferCount, 3);
  for (const SoundBufferSlot& slot : r->slots) {
    if (&slot - r->slots >= 3) {
      EXPECT_EQ(slot.valid, 0u);
      continue;
    }
    EXPECT_EQ(slot.valid, 1u);
    EXPECT_EQ(slot.buffer, nullptr);
    EXPECT_EQ(slot.length, kFrames);
    EXPECT_TRUE(SameWaveFormat(slot.format, r->format));
    EXPECT_EQ(std::memcmp(slot.memory, samples_.data(), samples_.size() * 2), 0);  // every buffer was filled
  }

  // Only the buffer made first gets the creation values; its duplicates take length and format.
  EXPECT_EQ(r->slots[0].volume, 255);
  EXPECT_EQ(r->slots[0].unknown, -1);
  EXPECT_EQ(r->slots[1].volume, 0);

  // Plays go round the buffers and set their flags; nothing mixes own buffers.
  Captured();
  ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
  ASSERT_EQ(PlaySoundHandle(h, 3, 1), 0);
  EXPECT_EQ(r->slots[1].playing, 1);
  EXPECT_EQ(r->slots[1].loop, 0);
  EXPECT_EQ(r->slots[2].playing, 1);
  EXPECT_EQ(r->slots[2].loop, 1);
  EXPECT_EQ(CheckSoundHandlePlaying(h), 1);
  platform::SleepMilliseconds(100);
  const std::vector<std::int16_t> mix = Captured();
  EXPECT_TRUE(std::all_of(mix.begin(), mix.end(), [](std::int16_t v) { return v == 0; }));
  ASSERT_EQ(StopSoundHandle(h), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(h), 0);

  // A play without from top starts where the previously current buffer stands.
  ASSERT_EQ(SlotSetPosition(&r->slots[2], 400), 0);
  EXPECT_EQ(r->slots[2].position, 100);
  ASSERT_EQ(PlaySoundHandle(h, 1, 0), 0);
  EXPECT_EQ(r->currentBuffer, 0);
  EXPECT_EQ(r->slots[0].position, 100);
  EXPECT_EQ(SlotSetPosition(&r->slots[0], kFrames * 4), -1);

  // The own volume law: 256 x 10^(v / 1000), truncated.
  const struct {
    int volume, slotVolume;
  } volumes[] = {{255, 256}, {128, 128}, {64, 64}, {1, 1}, {0, 0}};
  for (const auto& v : volumes) {
    ASSERT_EQ(SetSoundHandleVolume(v.volume, h), 0);
    EXPECT_EQ(r->slots[1].volume, v.slotVolume) << v.volume;
  }
  EXPECT_EQ(DeleteSoundHandle(h), 0);
}

TEST_F(SlotsAndCapture, OwnBufferLockWrapsAtTheEnd) {
  g_Sound.ownBufferMode = 1;
  const int h = LoadSoundFile("ssez\\hit.wav", 1, 0);
  SoundBufferSlot* slot = &GetSoundRecord(h)->slots[0];
  const std::uint32_t size = kFrames * 4;
  void* p1 = nullptr;
  void* p2 = nullptr;
  std::uint32_t n1 = 0, n2 = 0;
  ASSERT_EQ(SlotLock(slot, size - 8, 20, &p1, &n1, &p2, &n2), 0);
  EXPECT_EQ(p1, slot->memory + size - 8);
  EXPECT_EQ(n1, 8u);
  EXPECT_EQ(p2, slot->memory);
  EXPECT_EQ(n2, 12u);
  ASSERT_EQ(SlotLock(slot, 40, 20, &p1, &n1, &p2, &n2), 0);
  EXPECT_EQ(n1, 20u);
  EXPECT_EQ(p2, nullptr);
  EXPECT_EQ(n2, 0u);
  EXPECT_EQ(SlotUnlock(slot, p1, n1, p2, n2), 0);
  EXPECT_EQ(SlotLock(slot, size, 4, &p1, &n1, &p2, &n2), -1);
  EXPECT_EQ(SlotLock(slot, 0, size + 4, &p1, &n1, &p2, &n2), -1);
  // Slot operations on an empty slot fail; creating over a valid one fails.
  SoundBufferSlot empty{};
  std::uint32_t status = 0;
  EXPECT_EQ(SlotPlay(&empty, 0), -1);
  EXPECT_EQ(SlotGetStatus(&empty, &status), -1);
  EXPECT_EQ(SlotRelease(&empty), -1);
  const platform::SoundBufferDesc desc{36, 0x80E2, 400, &GetSoundRecord(h)->format};
  EXPECT_EQ(SlotCreateBuffer(slot, &desc), -1);
}

// The header table of the capture file: "RIFF", size, "WAVE", "fmt ", 18, the format, "data", size.
void ExpectCaptureHeader(const std::string& file, std::uint32_t frames) {
  ASSERT_EQ(file.size(), 46 + 4 * static_cast<std::size_t>(frames));
  const auto* b = reinterpret_cast<const std::uint8_t*>(file.data());
  const auto le32 = [&](int at) { return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24); };
  const auto le16 = [&](int at) { return b[at] | b[at + 1] << 8; };
  EXPECT_EQ(file.substr(0, 4), "RIFF");
  EXPECT_EQ(le32(4), 4 * frames + 38);
  EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(le32(16), 18u);
  EXPECT_EQ(le16(20), 1);
  EXPECT_EQ(le16(22), 2);
  EXPECT_EQ(le32(24), 44100u);
  EXPECT_EQ(le32(28), 176400u);
  EXPECT_EQ(le16(32), 4);
  EXPECT_EQ(le16(34), 16);
  EXPECT_EQ(le16(36), 0);
  EXPECT_EQ(file.substr(38, 4), "data");
  EXPECT_EQ(le32(42), 4 * frames);
}

TEST_F(SlotsAndCapture, TheCaptureFileHoldsTheMixWithItsHeader) {
  EXPECT_EQ(FinishCaptureFile(), -1);  // none open
  ASSERT_EQ(OpenCaptureFile("capture.wav"), 0);
  EXPECT_EQ(OpenCaptureFile("other.wav"), -1);
  const int h = LoadSoundFile("ssez\\hit.wav", 1, 0);
  ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
  platform::SleepMilliseconds(300);
  platform::CatchUpAudio();
  const std::uint32_t frames = g_Sound.captureFrames;
  EXPECT_GE(frames, 300u * 441 / 10);
  ASSERT_EQ(FinishCaptureFile(), 0);
  EXPECT_EQ(g_Sound.captureFrames, 0u);
  EXPECT_EQ(FinishCaptureFile(), -1);
  const std::string file = engine_test::ReadFile(directory_ + "/capture.wav");
  ExpectCaptureHeader(file, static_cast<std::uint32_t>((file.size() - 46) / 4));
  // The data is the mix: the sound's samples as they were played.
  std::vector<std::int16_t> data((file.size() - 46) / 2);
  std::memcpy(data.data(), file.data() + 46, data.size() * 2);
  EXPECT_NE(std::search(data.begin(), data.end(), samples_.begin(), samples_.end()), data.end());
}

TEST_F(SlotsAndCapture, SoundEndFinishesTheCaptureFile) {
  ASSERT_EQ(OpenCaptureFile("capture.wav"), 0);
  platform::SleepMilliseconds(100);
  ASSERT_EQ(EndEngine(), 0);
  const std::string file = engine_test::ReadFile(directory_ + "/capture.wav");
  ASSERT_GE(file.size(), 46u + 4 * 4410);
  ExpectCaptureHeader(file, static_cast<std::uint32_t>((file.size() - 46) / 4));
}

}  // namespace
}  // namespace sound_test
