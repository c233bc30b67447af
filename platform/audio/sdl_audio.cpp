// The SDL2 audio output: an SDL audio device at 44100 Hz, 16-bit stereo, whose callback pulls the mix.
#include <SDL.h>

#include "platform/audio/audio.h"

namespace platform {
namespace {

class SdlAudioOutput final : public AudioOutput {
 public:
  explicit SdlAudioOutput(SDL_AudioDeviceID device) : device_(device) {}
  ~SdlAudioOutput() override {
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

 private:
  SDL_AudioDeviceID device_;
};

void Callback(void*, Uint8* stream, int bytes) {
  MixAudio(reinterpret_cast<std::int16_t*>(stream), bytes / (2 * kMixChannels));
}

}  // namespace

AudioOutput* OpenSdlAudioOutput() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  SDL_AudioSpec want{};
  want.freq = kMixRate;
  want.format = AUDIO_S16SYS;
  want.channels = kMixChannels;
  want.samples = 1024;
  want.callback = Callback;
  SDL_AudioSpec have{};
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  SDL_PauseAudioDevice(device, 0);
  return new SdlAudioOutput(device);
}

}  // namespace platform
