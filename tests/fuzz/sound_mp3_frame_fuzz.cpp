// The MPEG frame-header parser and the MP3 frame walk alone, on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/core/file_functions.h"
#include "engine/core/mem_stream.h"
#include "engine/sound/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 4) {
    MpegFrameHeader header{};
    if (ParseMpegFrameHeader(data, &header) == 0 && (header.frameBytes <= 0 || header.samples <= 0)) __builtin_trap();
  }
  if (size > (1u << 20)) return 0;
  MemStream* stream = OpenMemStream(data, static_cast<std::uint32_t>(size));
  if (stream == nullptr) return 0;
  SoundConverter converter{};
  converter.source = StreamSource{*GetMemStreamFunctions(), reinterpret_cast<StreamHandle>(stream)};
  if (OpenMp3Acm(&converter) == 0) {
    if (converter.dataStart < 0 || converter.dataSize <= 0 ||
        converter.dataStart + converter.dataSize > static_cast<int>(size))
      __builtin_trap();
    converter.open = 1;
    CloseConverter(&converter);
  }
  CloseMemStream(reinterpret_cast<StreamHandle>(stream));
  return 0;
}
