// Fonts and text drawing on a started headless engine: a font made from fuzzed parameters and face name (CP932),
// then a fuzzed CP932 string measured, drawn into a small memory image through the glyph cache (clipped, horizontal
// or vertical, scaled or not) and drawn on the draw screen. The header bytes pick the parameters; the rest is the
// face name up to the first NUL, then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/graphics/font.h"
#include "engine/graphics/memimg.h"
#include "tests/fuzz/fuzz_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeader = 10;
  if (size < kHeader || size > 2048) return 0;
  fuzz::StartEngineOnce();
  // Mostly sizes a game uses; now and then anything the limits allow.
  const int size16 = static_cast<std::int16_t>(data[0] | data[1] << 8);
  const int fontSize = (data[2] & 0xF0) == 0xF0 ? size16 : size16 % 64;
  const int thickness = static_cast<std::int8_t>(data[3]) % 12;
  const int fontType = static_cast<std::int8_t>(data[4]) % 8;
  const int charSet = static_cast<std::int8_t>(data[5]) % 4;
  const int edge = static_cast<std::int8_t>(data[6]) % 6;
  const int italic = data[7] & 1;
  const int vertical = (data[7] >> 1) & 1;
  const int scaled = (data[7] >> 2) & 1;
  const int x = static_cast<std::int8_t>(data[8]);
  const int y = static_cast<std::int8_t>(data[9]);
  const std::string rest(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
  const std::size_t nul = rest.find('\0');
  const std::string face = nul == std::string::npos ? std::string() : rest.substr(0, nul);
  std::string text = nul == std::string::npos ? rest : rest.substr(nul + 1);
  text = text.substr(0, text.find('\0'));

  fuzz::EngineLock lock;
  const int font = CreateFontToHandle(face.empty() ? nullptr : face.c_str(), fontSize, thickness, fontType, charSet,
                                      edge, italic, -1, -1);
  if (font == -1) return 0;
  GlyphCacheDrawString(0, 0, 0, 0, 1, 1, text.c_str(), 0, nullptr, nullptr, 1, font, 0, -1, vertical, nullptr);
  MEMIMG dest{};
  if (MakeMemImg(&dest, 48, 32, (data[2] & 1) != 0 ? kFormat32 : kFormat16) == 0) {
    const RECT clip{2, 3, 40, 30};
    int drawn[2] = {};
    GlyphCacheDrawString(1, x, y, scaled, scaled != 0 ? 1.5 : 1.0, scaled != 0 ? 0.75 : 1.0, text.c_str(), 0xFFFFFF,
                         &dest, &clip, data[2] & 2, font, 0x0000FF, -1, vertical, drawn);
    ReleaseMemImg(&dest);
  }
  DrawStringWithFont(x, y, text.c_str(), 0xFFFFFF, font, 0, vertical);
  DeleteFontToHandle(font);
  return 0;
}
