// A General MIDI synthesiser that plays one Standard MIDI File at a time into the engine's mixer: the common part of
// the sequencer device (mci.h) and the DirectMusic-like performance (direct_music.h).
//
// It renders through FluidSynth with a General MIDI SoundFont. The song is timed by the samples rendered, not by a
// clock of its own, so on the headless output (virtual clock) the same calls give the same samples every run. The
// mixer pulls the samples under its own lock; the synthesiser's state has a lock of its own, taken after the
// mixer's, and nothing here calls into the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::midi {

// The SoundFont to play with: the system's default General MIDI SoundFont when one is installed, else the small
// one the set-up script installs; empty when there is none.
std::string FindGeneralMidiSoundFont();

class MidiSynth {
 public:
  // Called once when the song's last pass reaches its end. It runs on the mixing thread under the mixer's lock, so
  // it may only record or post something.
  using EndHandler = std::function<void()>;

  // A synthesiser with the SoundFont loaded, mixing from now on; null when no SoundFont can be loaded.
  static std::unique_ptr<MidiSynth> Create();
  ~MidiSynth();
  MidiSynth(const MidiSynth&) = delete;
  MidiSynth& operator=(const MidiSynth&) = delete;

  // Plays the song (a checked Standard MIDI File, see smf.h) from its start, replacing what played. repeats: how
  // many more times it plays after the first, -1 for ever. Notes still sounding are released. False when the
  // player refuses the song. *handlerDropped tells whether an end handler of the previous play was still waiting
  // (it is dropped).
  bool Play(const std::vector<std::uint8_t>& song, int repeats, EndHandler onEnd, bool* handlerDropped = nullptr);
  // Silences everything at once. Returns true when an end handler was still waiting (it is dropped).
  bool Stop();
  // From Play until the last pass ends or Stop.
  bool Playing() const;
  // Attenuation of the synthesiser's output in hundredths of a decibel (0 = as rendered; -10000 and below: silent;
  // up to +2000).
  void SetAttenuation(std::int32_t hundredthsDb);

  struct Core;

 private:
  MidiSynth() = default;
  static void Render(void* self, std::int32_t* accumulator, int frames);

  std::unique_ptr<Core> core_;
};

}  // namespace platform::midi
