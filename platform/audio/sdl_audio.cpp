// The SDL2 audio output: an SDL audio device at 44100 Hz, 16-bit stereo, whose callback pulls the mix.
#include <SDL.h>
#include <dlfcn.h>

#include "platform/audio/audio.h"

// ALSA's error reports, dropped: SDL tries ALSA's devices one after another, and on a machine without a sound card
// each attempt would print its "ALSA lib ..." line on stderr. The outcome is known from SDL's own result.
extern "C" void platform_sdl_audio_alsa_quiet(const char*, int, const char*, int, const char*, ...) {}

namespace platform {
namespace {

// Sets ALSA's error handler to the quiet one in the ALSA library SDL loads (the same library, loaded once), and keeps
// the library loaded so the handler stays while SDL loads and unloads it. Nothing when ALSA is not installed.
void QuietAlsa() {
  static const bool done = [] {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (alsa == nullptr) return false;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (set != nullptr) set(platform_sdl_audio_alsa_quiet);
    return true;
  }();
  (void)done;
}

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
  QuietAlsa();
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
