#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "engine/core/public_api.h"
#include "platform/base/clock.h"
#include "platform/files/path.h"
#include "platform/midi/mci.h"
#include "platform/midi/midi_synth.h"
#include "platform/midi/smf.h"
#include "tests/sound/sound_fixtures.h"

namespace sound_test {
namespace {

// The test song: its notes sound in the first 0.4 s of its 2 s, then release. Loudness bounds for it.
constexpr int kSongMs = 2000;
constexpr double kSounding = 300.0;
constexpr double kQuiet = 30.0;

// The song as music in a running engine whose mix is captured; music mode 0 (the sequencer) unless a test sets
// g_Sound.musicMode before StartEngine.
class MidiMusic : public SoundEngine {
 protected:
  void SetUp() override {
    SoundEngine::SetUp();
    if (platform::midi::FindGeneralMidiSoundFont().empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    WriteFile(directory_ + "/bgm/song.mid", MakeTestSong());
  }
  void TearDown() override {
    SoundEngine::TearDown();
    g_Sound.musicMode = 0;
  }
  void Start(int musicMode) {
    g_Sound.musicMode = musicMode;
    ASSERT_EQ(StartEngine(), 0);
    platform::StartAudioCapture();
  }
  MusicRecord* Current() {
    const int slot = g_Music.current & 0xFFFF;
    return g_Music.current != 0 && g_Music.currentIsSound == 0 ? g_Music.records[slot] : nullptr;
  }
  // Each of the given passes of the song in a capture: loud in its first 0.4 s, quiet in the end of its second half.
  void ExpectPasses(const std::vector<std::int16_t>& mix, int passes) {
    for (int s = 0; s < passes; ++s) {
      SCOPED_TRACE(s);
      EXPECT_GT(Rms(mix, kSongMs * s + 20, kSongMs * s + 400), kSounding);
      EXPECT_LT(Rms(mix, kSongMs * s + 1600, kSongMs * s + 1950), kQuiet);
    }
  }
};

TEST_F(MidiMusic, SequencerPlaysOnceThenClosesTheDevice) {
  Start(0);
  Captured();
  ASSERT_EQ(PlayMusicFile("bgm\\song.mid", 1), 0);
  EXPECT_EQ(g_Music.currentIsSound, 0);
  EXPECT_EQ(GetMusicPlaying(g_Music.current), 1);
  EXPECT_EQ(platform::mci::OpenDeviceCount(), 1);
  EXPECT_EQ(g_Music.tempFileExists, 1);
  EXPECT_TRUE(std::filesystem::exists(platform::ToNativePath(g_Music.tempPath)));
  RunFor(3000);
  // The end notification closed the device; the song sounded once.
  EXPECT_EQ(GetMusicPlaying(g_Music.current), 0);
  EXPECT_EQ(platform::mci::OpenDeviceCount(), 0);
  const std::vector<std::int16_t> mix = Captured();
  ExpectPasses(mix, 1);
  EXPECT_EQ(Rms(mix, kSongMs + 100, 3000), 0.0);
  // Music volume means nothing to the sequencer.
  EXPECT_EQ(SetMusicVolume(100), 0);
}

TEST_F(MidiMusic, SequencerReplaysFromTheTopOnEveryNotification) {
  Start(0);
  Captured();
  ASSERT_EQ(PlayMusicFile("bgm\\song.mid", 3), 0);
  RunFor(3 * kSongMs);
  EXPECT_EQ(GetMusicPlaying(g_Music.current), 1);
  EXPECT_EQ(platform::mci::OpenDeviceCount(), 1);
  ExpectPasses(Captured(), 3);

  // Stopping closes the device, removes the temporary file and silences the mix at once.
  const std::string temp = platform::ToNativePath(g_Music.tempPath);
  RunFor(100);
  ASSERT_EQ(StopMusicFile(), 0);
  EXPECT_EQ(g_Music.current, 0);
  EXPECT_EQ(platform::mci::OpenDeviceCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(temp));
  Captured();
  RunFor(500);
  EXPECT_EQ(Rms(Captured(), 0, 500), 0.0);
}

TEST_F(MidiMusic, PlayTypeZeroWaitsForTheEnd) {
  Start(0);
  const std::uint32_t before = platform::MillisecondClock();
  ASSERT_EQ(PlayMusicFile("bgm\\song.mid", 0), 0);
  EXPECT_GE(platform::MillisecondClock() - before, static_cast<std::uint32_t>(kSongMs));
  EXPECT_EQ(g_Music.midiPlaying, 0);
  EXPECT_EQ(g_Music.tempFileExists, 0);
}

TEST_F(MidiMusic, PlayingAgainStartsFromTheTopAndRendersTheSameSamples) {
  Start(0);
  ASSERT_EQ(PlayMusicFile("bgm\\song.mid", 1), 0);
  Captured();
  RunFor(300);
  const std::vector<std::int16_t> first = Captured();
  const int firstHandle = g_Music.current;
  ASSERT_EQ(PlayMusicFile("bgm\\song.mid", 1), 0);
  EXPECT_NE(g_Music.current, firstHandle);
  EXPECT_EQ(platform::mci::OpenDeviceCount(), 1);
  Captured();
  RunFor(300);
  const std::vector<std::int16_t> again = Captured();
  ASSERT_GE(first.size(), 20000u);
  ASSERT_GE(again.size(), 20000u);
  // Rendering follows the samples mixed, not a clock: the same start gives the same samples.
  EXPECT_GT(Rms(first, 0, 200), kSounding);
  EXPECT_TRUE(std::equal(first.begin() + 2000, first.begin() + 20000, again.begin() + 2000));
}

TEST_F(MidiMusic, FilesTheSequencerRefusesFallBackToStreamSounds) {
  Start(0);
  Bytes damaged = MakeTestSong();
  damaged.resize(damaged.size() - 5);  // the last track runs past the file's end
  WriteFile(directory_ + "/bgm/damaged.mid", damaged);
  EXPECT_EQ(PlayMusicFile("bgm\\damaged.mid", 1), -1);
  EXPECT_EQ(g_Music.current, 0);
  EXPECT_EQ(platform::mci::OpenDeviceCount(), 0);
  WriteFile(directory_ + "/bgm/tone.wav", MakeWav(2, 44100, 16, ToBytes(Ramp(4410, 2))));
  ASSERT_EQ(PlayMusicFile("bgm\\tone.wav", 1), 0);
  EXPECT_EQ(g_Music.currentIsSound, 1);
  EXPECT_EQ(g_Music.liveCount, 0);
}

TEST_F(MidiMusic, DirectMusicStartsWithItsPortsInTheLog) {
  Start(1);
  EXPECT_EQ(g_Sound.musicMode, 1);
  EXPECT_NE(g_Sound.performance, nullptr);
  EXPECT_EQ(g_Sound.primary, nullptr);
  const auto lines = Lines();
  EXPECT_GE(engine_test::FindLine(lines, "DirectSound8 の初期化を行います"), 0);
  EXPECT_GE(engine_test::FindLine(lines, "出力ポート  Device0:FluidSynth General MIDI Synthesizer"), 0);
  EXPECT_EQ(engine_test::FindLine(lines, "DirectSound の初期化を行います"), -1);
  EXPECT_GE(engine_test::FindLine(lines, "DirectSound の初期化は正常に終了しました"), 0);
  EndEngine();
  EXPECT_EQ(g_Sound.performance, nullptr);
  EXPECT_EQ(g_Sound.loader, nullptr);
  EXPECT_EQ(TerminateSound(), -1);
}

TEST_F(MidiMusic, DirectMusicRepeatsMapsTheVolumeAndStops) {
  Start(1);
  Captured();
  ASSERT_EQ(PlayMusicFile("bgm\\song.mid", 3), 0);
  EXPECT_EQ(g_Music.currentIsSound, 0);
  RunFor(2 * kSongMs);
  EXPECT_EQ(Current()->started, 1u);
  EXPECT_EQ(GetMusicPlaying(g_Music.current), 1);
  const std::vector<std::int16_t> full = Captured();
  ExpectPasses(full, 2);

  // The master volume goes from silence at 0 to the start-up value at 255, linear in hundredths of a decibel.
  const auto master = [] {
    std::int32_t value = 1;
    g_Sound.performance->GetGlobalParam(platform::dmusic::Param::PerfMasterVolume, &value, sizeof value);
    return value;
  };
  const struct {
    int volume;
    std::int32_t master;
  } volumes[] = {{128, -5000}, {0, -10000}, {255, 0}, {300, 0}, {230, -1016}};
  for (const auto& v : volumes) {
    ASSERT_EQ(SetMusicVolume(v.volume), 0);
    EXPECT_EQ(master(), v.master) << v.volume;
  }
  ASSERT_EQ(StopMusicFile(), 0);
  Captured();
  RunFor(500);
  EXPECT_LT(Rms(Captured(), 0, 500), 1.0);  // below one step of the 16-bit mix
}

TEST_F(MidiMusic, DirectMusicVolumeScalesTheSong) {
  // The same song in two runs of the engine renders the same samples; only the master volume differs.
  const auto pass = [&](int volume) {
    Start(1);
    SetMusicVolume(volume);
    Captured();
    PlayMusicFile("bgm\\song.mid", 1);
    RunFor(kSongMs);
    const std::vector<std::int16_t> mix = Captured();
    EndEngine();
    return mix;
  };
  const std::vector<std::int16_t> full = pass(255);
  const std::vector<std::int16_t> quieter = pass(230);
  EXPECT_GT(Rms(full, 20, 400), kSounding);
  EXPECT_NEAR(Rms(quieter, 20, 1000) / Rms(full, 20, 1000), std::pow(10.0, -1016 / 2000.0), 0.002);
}

TEST_F(MidiMusic, DirectMusicPlayOnceEndsThroughThePlayStatePoll) {
  Start(1);
  ASSERT_EQ(PlayMusicFile("bgm\\song.mid", 1), 0);
  RunFor(500);
  EXPECT_EQ(Current()->started, 1u);
  EXPECT_EQ(GetMusicPlaying(g_Music.current), 1);
  RunFor(kSongMs);
  EXPECT_EQ(GetMusicPlaying(g_Music.current), 0);
}

TEST(MidiFileCheck, Variants) {
  // One track of the given events after a format 0 header at 480 ticks a quarter.
  const auto file = [](const Bytes& events, int format = 0, int division = 480, int tracks = 1) {
    Bytes b{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<std::uint8_t>(format), 0, static_cast<std::uint8_t>(tracks),
            static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division), 'M', 'T', 'r', 'k', 0, 0,
            0, static_cast<std::uint8_t>(events.size())};
    b.resize(22 + events.size());
    std::copy(events.begin(), events.end(), b.begin() + 22);
    return b;
  };
  const Bytes note{0, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};
  const struct {
    const char* name;
    Bytes bytes;
    bool accepted;
  } cases[] = {
      {"a note", file(note), true},
      {"running status", file({0, 0x90, 60, 100, 0x60, 60, 0, 0, 0xFF, 0x2F, 0}), true},
      {"no end event", file({0, 0xC0, 5}), true},
      {"sysex", file({0, 0xF0, 2, 0x7E, 0xF7, 0, 0xFF, 0x2F, 0}), true},
      {"test song", MakeTestSong(), true},
      {"data byte without a status", file({0, 60, 100}), false},
      {"data byte with its top bit", file({0, 0x90, 0xBC, 100}), false},
      {"meta longer than the track", file({0, 0xFF, 0x01, 0x40, 'a'}), false},
      {"sysex longer than the track", file({0, 0xF0, 0x7F}), false},
      {"delta longer than four bytes", file({0x80, 0x80, 0x80, 0x80, 0x00, 0xC0, 1}), false},
      {"system real-time byte", file({0, 0xF8}), false},
      {"format 2", file(note, 2), false},
      {"format 0 of two tracks", file(note, 0, 480, 2), false},
      {"fewer tracks than the header says", file(note, 1, 480, 2), false},
      {"SMPTE time", file(note, 0, 0xE728), false},
      {"no division", file(note, 0, 0), false},
      {"header only", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0}, false},
      {"RIFF", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 0, 0}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::midi::IsStandardMidiFile(c.bytes.data(), c.bytes.size()), c.accepted);
  }
  Bytes cut = file(note);
  cut.pop_back();  // the track chunk claims one byte more than the file holds
  EXPECT_FALSE(platform::midi::IsStandardMidiFile(cut.data(), cut.size()));
}

TEST(SequencerDevice, RefusedCommands) {
  namespace mci = platform::mci;
  const std::string directory = engine_test::MakeTempDirectory("mci");
  const std::string song = directory + "/song.mid";
  WriteFile(song, MakeTestSong());
  WriteFile(directory + "/text.mid", Bytes{'M', 'T', 'h', 'd', 0, 0});
  const std::string text = directory + "/text.mid";
  const struct {
    const char* name;
    std::uint32_t flags;
    const char* type;
    std::string element;
    mci::MciError error;
  } opens[] = {
      {"no type", mci::kMciOpenElement, nullptr, song, mci::kMciErrMissingParameter},
      {"another device", mci::kMciOpenType | mci::kMciOpenElement, "waveaudio", song, mci::kMciErrInvalidDeviceName},
      {"no file", mci::kMciOpenType | mci::kMciOpenElement, "sequencer", directory + "/none.mid", mci::kMciErrFileNotFound},
      {"not a MIDI file", mci::kMciOpenType | mci::kMciOpenElement, "sequencer", text, mci::kMciErrInvalidFile},
  };
  for (const auto& c : opens) {
    SCOPED_TRACE(c.name);
    mci::MciOpenParms p{};
    p.deviceType = c.type;
    p.elementName = c.element.c_str();
    EXPECT_EQ(mci::SendCommand(0, mci::kMciOpen, c.flags, &p), c.error);
  }
  EXPECT_EQ(mci::SendCommand(12345, mci::kMciClose, 0, nullptr), mci::kMciErrInvalidDeviceId);
  EXPECT_EQ(mci::OpenDeviceCount(), 0);
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
}

}  // namespace
}  // namespace sound_test
