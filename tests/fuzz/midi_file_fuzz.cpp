// Feeds arbitrary bytes to the MIDI file check and plays whatever it accepts through the synthesiser for a moment:
// the player must take every file the check lets through.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/midi/midi_synth.h"
#include "platform/midi/smf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 16) || !platform::midi::IsStandardMidiFile(data, size)) return 0;
  static std::unique_ptr<platform::midi::MidiSynth> synth = platform::midi::MidiSynth::Create();
  if (synth == nullptr) return 0;
  synth->Play(std::vector<std::uint8_t>(data, data + size), 0, nullptr);
  std::vector<std::int16_t> mix(4096 * 2);
  platform::MixAudio(mix.data(), 4096);
  synth->Stop();
  return 0;
}
