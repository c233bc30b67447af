// Standard MIDI Files: the check that a block of bytes is one the synthesiser can play.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::midi {

// True for a Standard MIDI File of format 0 or 1 with metrical time (ticks per quarter note) whose header and every
// track chunk lie inside the bytes and whose track events are well formed. Chunks of other types are skipped.
bool IsStandardMidiFile(const std::uint8_t* data, std::size_t size);

}  // namespace platform::midi
