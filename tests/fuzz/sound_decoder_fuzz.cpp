// Feeds arbitrary bytes to the sound converter (PCM WAV, compressed WAV, Ogg Vorbis and the MP3 frame walk) and
// decodes whatever it accepts.
#include <cstddef>
#include <cstdint>

#include "engine/core/file_functions.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/mem_stream.h"
#include "engine/sound/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  MemStream* stream = OpenMemStream(data, static_cast<std::uint32_t>(size));
  if (stream == nullptr) return 0;
  const StreamSource source{*GetMemStreamFunctions(), reinterpret_cast<StreamHandle>(stream)};
  SoundConverter converter{};
  if (OpenSoundConverter(&source, &converter) == 0) {
    std::uint8_t buffer[4096];
    for (int i = 0; i < 64 && ConverterRead(&converter, buffer, sizeof buffer) > 0; ++i) {
    }
    ConverterSeek(&converter, 0);
    ConverterRead(&converter, buffer, sizeof buffer);
    CloseConverter(&converter);
  }
  CloseMemStream(reinterpret_cast<StreamHandle>(stream));
  return 0;
}
