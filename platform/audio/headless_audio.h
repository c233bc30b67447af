// The headless audio output and the capture of the mix, for tests and tools: with the Clock output (the headless
// default) the play cursors follow the platform clock; the capture records whatever any output mixes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Clock output: mixes up to the clock's present now.
void CatchUpAudio();
// Capture of the mix (every output kind): starts empty; Take returns what was captured and empties it.
void StartAudioCapture();
std::vector<std::int16_t> TakeCapturedAudio();
void StopAudioCapture();
// Also writes the mix to a WAV file (real path) until StopAudioCaptureFile, which completes its header.
bool StartAudioCaptureFile(const std::string& path);
void StopAudioCaptureFile();

}  // namespace platform
