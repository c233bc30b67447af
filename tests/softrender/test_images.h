// Test helpers: software images filled with seeded random pixels rich in the special values, and the reference's
// view of an image.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/graphics/memimg.h"
#include "tests/softrender/reference/softrender_reference.h"

namespace softtest {

enum SourceKind { kDirect = 0, kAlpha = 1, kPalette = 2 };

// An owned MEMIMG released on scope exit.
struct Image {
  MEMIMG img{};
  Image() = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  ~Image() { ReleaseMemImg(&img); }
  MEMIMG* get() { return &img; }
};

inline int BytesOf(const MEMIMG* m) { return MemImgBytesPerPixel(m); }

inline std::uint32_t GetPixel(const MEMIMG* m, int x, int y) {
  const int b = BytesOf(m);
  std::uint32_t v = 0;
  std::memcpy(&v, m->Image + static_cast<std::int64_t>(y) * m->Pitch + static_cast<std::int64_t>(x) * b,
              static_cast<std::size_t>(b));
  return v;
}

inline void SetPixel(MEMIMG* m, int x, int y, std::uint32_t v) {
  const int b = BytesOf(m);
  std::memcpy(m->Image + static_cast<std::int64_t>(y) * m->Pitch + static_cast<std::int64_t>(x) * b, &v,
              static_cast<std::size_t>(b));
}

inline std::vector<std::uint32_t> Snapshot(const MEMIMG* m) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < m->Height; ++y)
    for (int x = 0; x < m->Width; ++x) out.push_back(GetPixel(m, x, y));
  return out;
}

class PixelMaker {
 public:
  explicit PixelMaker(std::uint32_t seed) : rng_(seed) {}
  int Below(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }
  // A component of `bits` width: often 0, 1, max - 1 or max.
  std::uint32_t Field(int bits) {
    const std::uint32_t max = (1u << bits) - 1;
    switch (Below(6)) {
      case 0: return 0;
      case 1: return 1;
      case 2: return max - 1;
      case 3: return max;
      default: return rng_() & max;
    }
  }
  std::uint32_t Alpha() {
    static constexpr std::uint32_t kSpecial[] = {0, 1, 128, 254, 255};
    return Below(3) == 0 ? (rng_() & 0xFF) : kSpecial[Below(5)];
  }
  std::uint32_t Colour(int format) {
    if (format == kFormat32) return Field(8) | Field(8) << 8 | Field(8) << 16 | (rng_() & 0xFFu) << 24;
    return Field(5) | Field(6) << 5 | Field(5) << 11;
  }
  std::uint32_t Raw() { return static_cast<std::uint32_t>(rng_()); }

 private:
  std::mt19937 rng_;
};

// Makes a source image with a run table, random pixels (1 in 5 the transparent colour, and for 32-bit direct
// sources 1 in 10 the transparent colour with another X byte), random palette; builds the run table.
inline void MakeSource(Image* out, int format, SourceKind kind, int w, int h, PixelMaker& pm) {
  const std::uint32_t trans = kind == kPalette ? 7u : (format == kFormat32 ? 0xFF102030u : 0x1234u);
  InitMemImg(out->get(), w, h, -1, trans, format, kind == kPalette, kind == kAlpha, 1);
  MEMIMG* m = out->get();
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t c = pm.Colour(format);
    std::memcpy(m->Palette + i * (format == kFormat32 ? 4 : 2), &c, format == kFormat32 ? 4 : 2);
  }
  m->PaletteCount = 256;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint32_t v;
      if (kind == kPalette) {
        v = pm.Below(5) == 0 ? trans : static_cast<std::uint32_t>(pm.Below(256));
      } else if (kind == kAlpha) {
        v = format == kFormat32 ? ((pm.Colour(format) & 0xFFFFFFu) | pm.Alpha() << 24)
                                : (pm.Colour(format) | pm.Alpha() << 16 | (pm.Raw() & 0xFFu) << 24);
      } else {
        const int r = pm.Below(10);
        v = r < 2 ? trans : (r == 2 && format == kFormat32 ? (trans & 0xFFFFFFu) | 0x01000000u : pm.Colour(format));
      }
      SetPixel(m, x, y, v);
    }
  BuildMemImgRunTable(m);
}

inline void MakeDest(Image* out, int format, int w, int h, PixelMaker& pm) {
  MakeMemImg(out->get(), w, h, format);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(out->get(), x, y, pm.Colour(format));
}

// The reference's description of a source image; entries must outlive it.
inline softref::Source RefSource(const MEMIMG* m, std::vector<std::uint32_t>* entries) {
  entries->assign(256, 0);
  for (int i = 0; i < 256; ++i) {
    if (m->Format == kFormat32) std::memcpy(&(*entries)[i], m->Palette + 4 * i, 4);
    else std::memcpy(&(*entries)[i], m->Palette + 2 * i, 2);
  }
  softref::Source s;
  s.format = m->Format;
  s.palette = m->UsePalette == 1;
  s.alpha = m->UseAlpha == 1;
  s.transColor = m->TransColor;
  s.entries = entries->data();
  return s;
}

// One case of the table the renderer's tests run: format x source kind x blend mode (5 and -1 included) x P x
// brightness x transparent flag x blend graphic.
struct BlendCombo {
  int format;
  SourceKind kind;
  int mode;
  int param;
  std::uint32_t brightness;
  int transparent;
  bool map;
  std::string Name() const {
    return "format " + std::to_string(format) + " kind " + std::to_string(kind) + " mode " + std::to_string(mode) +
           " P " + std::to_string(param) + " bright " + std::to_string(brightness) + " T " +
           std::to_string(transparent) + " map " + std::to_string(map);
  }
};

inline std::vector<BlendCombo> AllBlendCombos() {
  static constexpr std::uint32_t kBrightness[] = {0xFFFFFF, 0xFF9E9E, 0x80FF00, 0xFEFFFF};
  static constexpr int kParams[] = {0, 1, 128, 254, 255};
  static constexpr int kModes[] = {0, 1, 2, 3, 4, 5, -1};
  std::vector<BlendCombo> out;
  for (int format : {kFormat16, kFormat32})
    for (auto kind : {kDirect, kAlpha, kPalette})
      for (int mode : kModes)
        for (int param : kParams)
          for (std::uint32_t br : kBrightness)
            for (int t : {0, 1})
              for (bool map : {false, true}) out.push_back({format, kind, mode, param, br, t, map});
  return out;
}

}  // namespace softtest
