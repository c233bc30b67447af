// Helpers of the geometry tests: the reference's view of images, the combinations of the draw state, and a fixture
// that builds the tables and resets the draw state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/graphics/blend_tables.h"
#include "engine/graphics/draw_state.h"
#include "tests/softrender/reference/geometry_reference.h"
#include "tests/softrender/test_images.h"

namespace geomtest {

using softtest::GetPixel;
using softtest::Image;
using softtest::PixelMaker;
using softtest::SetPixel;

constexpr int kBorder = 100, kRange = 80;

inline softref::Plane ToPlane(const MEMIMG* m) {
  softref::Plane p;
  p.w = m->Width;
  p.h = m->Height;
  for (int y = 0; y < m->Height; ++y)
    for (int x = 0; x < m->Width; ++x) p.px.push_back(GetPixel(m, x, y));
  return p;
}

// The levels a one-byte-per-pixel blend graphic gives with the test's border and range.
inline softref::Plane LevelPlane(const MEMIMG* map) {
  softref::Plane p;
  p.w = map->Width;
  p.h = map->Height;
  for (int y = 0; y < map->Height; ++y)
    for (int x = 0; x < map->Width; ++x)
      p.px.push_back(static_cast<std::uint32_t>(
          softref::Level(kBorder, kRange, map->Image[static_cast<std::int64_t>(y) * map->Pitch + x])));
  return p;
}

// A software image of the format with every pixel 0.
inline void MakeBlank(Image* out, int w, int h, int format) {
  MakeMemImg(out->get(), w, h, format);
  FillMemImg(out->get(), nullptr, 0);
}

inline void MakeMap(Image* out, int w, int h, PixelMaker& pm) {
  MakeMemImg(out->get(), w, h, kFormat8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out->get()->Image[static_cast<std::int64_t>(y) * out->get()->Pitch + x] =
        static_cast<std::uint8_t>(pm.Below(256));
}

struct Combo : softtest::BlendCombo {
  softref::Draw RefDraw() const {
    softref::Draw d;
    d.mode = mode;
    d.param = param;
    d.brightness = brightness;
    d.transparent = transparent;
    d.useLevel = map;
    return d;
  }
  void Apply(const RECT& area) const {
    g_GraphDrawState.DrawArea = area;
    g_GraphDrawState.BlendMode = mode;
    g_GraphDrawState.BlendParam = param;
    g_GraphDrawState.Brightness = brightness;
  }
};

inline std::vector<Combo> AllCombos() {
  std::vector<Combo> out;
  for (const softtest::BlendCombo& b : softtest::AllBlendCombos()) out.push_back(Combo{b});
  return out;
}

class GeometryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildBlendTables();
    BuildBlendGraphLevelTable(kBorder, kRange);
    ResetGraphDrawState();
  }
  void TearDown() override { ResetGraphDrawState(); }
};

// Pixels of the image that differ from the plane, as "(x, y) got / want" lines (at most a few).
inline std::string Diff(const MEMIMG* m, const softref::Plane& want) {
  std::string out;
  int shown = 0;
  for (int y = 0; y < m->Height; ++y)
    for (int x = 0; x < m->Width; ++x) {
      const std::uint32_t got = GetPixel(m, x, y);
      if (got != want.At(x, y) && shown++ < 5)
        out += "(" + std::to_string(x) + ", " + std::to_string(y) + ") got " + std::to_string(got) + " want " +
               std::to_string(want.At(x, y)) + "\n";
    }
  return out;
}

}  // namespace geomtest
