#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <memory>

#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "platform/midi/mci.h"
#include "platform/midi/midi_synth.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

class MidiThread : public SoundEngine {};

// An output thread pulls the mix at about the real rate while a short song loops through the sequencer. The song's
// end is noticed and posted by the output thread even while the main thread holds the API lock; the replay follows
// on the next message pass.
TEST_F(MidiThread, TheSynthesiserRendersAndNotifiesWhileTheApiLockIsHeld) {
  if (platform::midi::FindGeneralMidiSoundFont().empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
  WriteFile(directory_ + "/bgm/short.mid", MakeMidi({{0, 0, 60, 0, 96}, {9, 0, 38, 0, 48}}, 192));  // 0.2 s
  platform::RequestAudioOutput(platform::AudioOutputKind::Pulled);
  ASSERT_EQ(StartEngine(), 0);
  auto output = std::make_unique<PulledOutput>();
  ASSERT_EQ(PlayMusicFile("bgm\\short.mid", 3), 0);
  for (int round = 0; round < 3; ++round) {
    ApiLock();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // past the song's end
    ApiUnlock();
    const long before = output->Loud();
    for (int i = 0; i < 30; ++i) {
      ProcessMessage();
      SetMusicVolume(100 + round);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GT(output->Loud(), before) << round;  // replayed after the notification
    EXPECT_EQ(g_Music.midiPlaying, 1);
  }
  ASSERT_EQ(StopMusicFile(), 0);
  EXPECT_EQ(platform::mci::OpenDeviceCount(), 0);
  output.reset();
  EXPECT_EQ(EndEngine(), 0);
}

}  // namespace
}  // namespace sound_test
