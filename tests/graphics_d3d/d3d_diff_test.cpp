// The same scenes drawn by a headless engine twice, once through the Direct3D path (EGL surfaceless, Mesa's
// software rasteriser) and once through the software path, compared pixel by pixel on the back screen.
//
// Tolerances, per operation:
//  - point-sampled copies (plain, clipped, transparent, stretched by whole factors, mirrored, rotated by quarter
//    turns, tiled graphics) and untextured boxes: exact colour, every pixel;
//  - blends and brightness: each channel within 2, every pixel (the device blends in floating point and rounds,
//    the software loops use 8-bit fixed point with truncation);
//  - lines, box outlines and free rotations: the colours are the same, but the rasterisers choose some edge
//    pixels differently (GL's diamond-exit line rule against a Bresenham walk, edge tests against the software
//    span walk), so a small share of the pixels may differ.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/d3d_state.h"
#include "engine/graphics/draw_ops.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/screen_buffer.h"
#include "platform/d3d/egl_context.h"
#include "tests/engine_start/engine_fixture.h"
#include "tests/images/image_writers.h"
#include "tests/support/context_mode.h"

namespace {

using testimg::Bytes;

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A PNG of 0xAARRGGBB pixels (RGBA when alpha is wanted, else RGB).
Bytes Png(int w, int h, bool alpha, const std::function<std::uint32_t(int, int)>& pixel) {
  testimg::PngShape s{w, h, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = pixel(x, y);
      s.rows.push_back(static_cast<std::uint8_t>(c >> 16));
      s.rows.push_back(static_cast<std::uint8_t>(c >> 8));
      s.rows.push_back(static_cast<std::uint8_t>(c));
      if (alpha) s.rows.push_back(static_cast<std::uint8_t>(c >> 24));
    }
  }
  return testimg::WritePng(s);
}

struct Graphs {
  int solid;   // 20 x 14 of one colour with a key-coloured corner
  int sprite;  // 40 x 30, a colour ramp with a key-coloured frame
  int alpha;   // 32 x 32 with an alpha ramp
  int big;     // 700 x 500, split into several textures
};

using Frame = std::vector<std::uint32_t>;

class D3DDiff : public engine_test::HeadlessEngine {
 protected:
  test_support::ContextModePin contextMode_;

  // Starts the engine on the chosen path, loads the graphics, draws the scene and returns the back screen.
  Frame Run(bool device, const std::function<void(const Graphs&)>& scene) {
    contextMode_.Set(device ? platform::d3d::ContextMode::kEgl : platform::d3d::ContextMode::kOff);
    EXPECT_EQ(StartEngine(), 0);
    EXPECT_EQ(Use3D, device ? 1 : 0) << "the Direct3D path could not be started";
    EXPECT_EQ(SelectDrawTarget(-2), 0);
    EXPECT_EQ(SetTransparentColor(255, 0, 255), 0);
    WriteFile("sprite.png", Png(40, 30, false, [](int x, int y) -> std::uint32_t {
                if (x == 0 || y == 0 || x == 39 || y == 29 || (x == 10 && y == 10)) return 0xFF00FF;
                return static_cast<std::uint32_t>(x * 6) << 16 | static_cast<std::uint32_t>(y * 8) << 8 | 0x40;
              }));
    WriteFile("alpha.png", Png(32, 32, true, [](int x, int y) -> std::uint32_t {
                return static_cast<std::uint32_t>(x * 8) << 24 | 0x20C0E0u | static_cast<std::uint32_t>(y) << 2;
              }));
    WriteFile("big.png", Png(700, 500, false, [](int x, int y) -> std::uint32_t {
                return static_cast<std::uint32_t>(x & 0xFF) << 16 | static_cast<std::uint32_t>(y & 0xFF) << 8 |
                       static_cast<std::uint32_t>((x + y) & 0xFF);
              }));
    WriteFile("solid.png", Png(20, 14, false, [](int x, int y) -> std::uint32_t {
                return x < 3 && y < 3 ? 0xFF00FF : 0x30A050;
              }));
    Graphs g{LoadGraphicFile("solid.png"), LoadGraphicFile("sprite.png"), LoadGraphicFile("alpha.png"), LoadGraphicFile("big.png")};
    EXPECT_GE(g.sprite, 0);
    EXPECT_GE(g.alpha, 0);
    EXPECT_GE(g.big, 0);
    if (device) {
      EXPECT_EQ(GetGraphData(g.sprite)->Flags.Texture, 1);
      EXPECT_GT(GetGraphData(g.big)->TileCount, 1);
    }
    // A background of four colour fields, so blends have something to work on.
    const std::uint32_t fields[4] = {0x202020, 0xC08040, 0x4080C0, 0xF0F0F0};
    for (int i = 0; i < 4; ++i) DrawRectangle(i * 160, 0, i * 160 + 160, 480, static_cast<int>(fields[i]), 1);
    scene(g);
    Frame frame(640 * 480);
    {
      ApiLockGuard lock;
      G_D3D_EndScene();
      const platform::dd::Surface* back = GetBackSurface();
      for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
          std::uint32_t v = 0;
          std::memcpy(&v, back->Pixels() + static_cast<std::ptrdiff_t>(y) * back->Pitch() + x * 4, 4);
          frame[static_cast<std::size_t>(y) * 640 + x] = v & 0xFFFFFF;
        }
      }
    }
    EndEngine();
    return frame;
  }

  // Draws the scene both ways; returns the number of pixels whose channels differ by more than tolerance.
  int Differences(const std::function<void(const Graphs&)>& scene, int tolerance, std::string* first) {
    const Frame device = Run(true, scene);
    HeadlessEngine::TearDown();
    HeadlessEngine::SetUp();
    const Frame software = Run(false, scene);
    if (const char* dump = std::getenv("D3D_DIFF_DUMP"); dump != nullptr) {
      // Both frames as PPM files, for looking at a failure.
      static int serial = 0;
      ++serial;
      for (int k = 0; k < 2; ++k) {
        std::ofstream out(std::string(dump) + "/" + std::to_string(serial) + (k == 0 ? "-device.ppm" : "-software.ppm"),
                          std::ios::binary);
        out << "P6 640 480 255\n";
        for (std::uint32_t v : k == 0 ? device : software) {
          const char rgb[3] = {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
          out.write(rgb, 3);
        }
      }
    }
    int count = 0;
    for (std::size_t i = 0; i < device.size(); ++i) {
      int worst = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((device[i] >> shift) & 0xFF) -
                                         static_cast<int>((software[i] >> shift) & 0xFF)));
      }
      if (worst > tolerance) {
        if (count == 0 && first != nullptr) {
          char text[128];
          std::snprintf(text, sizeof text, "first at (%zu, %zu): device %06X software %06X", i % 640, i / 640,
                        device[i], software[i]);
          *first = text;
        }
        ++count;
      }
    }
    return count;
  }
};

struct Case {
  const char* name;
  std::function<void(const Graphs&)> scene;
  int tolerance;      // per channel
  int allowedPixels;  // pixels beyond the tolerance
};

TEST_F(D3DDiff, ScenesMatchTheSoftwarePath) {
  const Case cases[] = {
      {"plain, clipped and transparent graphics",
       [](const Graphs& g) {
         DrawGraphAt(10, 10, g.sprite, 0);
         DrawGraphAt(100, 10, g.sprite, 1);
         DrawGraphAt(-15, 200, g.sprite, 1);
         DrawGraphAt(620, 460, g.sprite, 1);
         {
           ApiLockGuard lock;
           SetDrawClipArea(200, 100, 230, 120);
         }
         DrawGraphAt(190, 95, g.sprite, 1);
         ApiLockGuard lock;
         SetDrawClipArea(0, 0, 640, 480);
       },
       0, 0},
      {"stretched and mirrored",
       [](const Graphs& g) {
         DrawGraphStretched(10, 50, 90, 110, g.sprite, 1);
         DrawGraphMirrored(200, 50, g.sprite, 1);
         DrawGraphStretched(400, 300, 320, 240, g.sprite, 0);
       },
       0, 0},
      {"a graphic of several textures",
       [](const Graphs& g) {
         DrawGraphAt(-30, -10, g.big, 0);
       },
       0, 0},
      {"quarter-turn rotation",
       [](const Graphs& g) {
         DrawGraphRotated(100, 100, 1.0, 3.14159265358979 / 2, g.solid, 1, 0);
         DrawGraphRotated(300, 300, 1.0, 0.0, g.sprite, 1, 0);
       },
       0, 40},
      {"part of a graphic",
       [](const Graphs& g) {
         ApiLockGuard lock;
         DrawGraphPartBody(100, 100, 20, 5, 10, 10, g.sprite, 1, 0);
         DrawGraphPartBody(200, 100, 0, 0, 10, 10, g.sprite, 1, 0);
       },
       0, 0},
      {"untextured boxes",
       [](const Graphs&) {
         DrawRectangle(5, 5, 50, 40, static_cast<int>(MakeColorValue(255, 0, 0)), 1);
         DrawRectangle(630, 470, 700, 500, static_cast<int>(MakeColorValue(0, 0, 255)), 1);
       },
       0, 0},
      {"blend modes and brightness",
       [](const Graphs& g) {
         for (int mode = 1; mode <= 4; ++mode) {
           SetBlendMode(mode, 128);
           DrawGraphAt(20 + mode * 150 - 150, 20, g.sprite, 0);
           if (mode != 4) DrawGraphAt(100 + mode * 150 - 150, 120, g.alpha, 1);
           DrawRectangle(20 + mode * 150 - 150, 200, 120 + mode * 150 - 150, 260, static_cast<int>(MakeColorValue(200, 100, 50)),
                   1);
         }
         SetBlendMode(0, 0);
         SetBrightnessRGB(128, 200, 64);
         DrawGraphAt(30, 300, g.sprite, 1);
         DrawRectangle(330, 300, 400, 340, static_cast<int>(MakeColorValue(255, 255, 255)), 1);
         SetBrightnessRGB(255, 255, 255);
         DrawGraphAt(200, 400, g.alpha, 1);
       },
       2, 0},
      {"lines and outlines",
       [](const Graphs&) {
         DrawLineSegment(10, 10, 200, 10, static_cast<int>(MakeColorValue(255, 255, 0)));
         DrawLineSegment(10, 20, 10, 200, static_cast<int>(MakeColorValue(255, 255, 0)));
         DrawLineSegment(30, 30, 230, 130, static_cast<int>(MakeColorValue(0, 255, 255)));
         DrawRectangle(300, 50, 400, 120, static_cast<int>(MakeColorValue(255, 0, 0)), 0);
       },
       // Axis-aligned lines and the outline match exactly; the diagonal of slope 1/2 passes exactly between two
       // pixels at every other column, where each rasteriser picks its own (100 columns, two pixels each).
       0, 200},
      {"ovals",
       [](const Graphs&) {
         DrawEllipse(100, 100, 6, 6, static_cast<int>(MakeColorValue(255, 255, 0)), 0);
         DrawEllipse(200, 100, 40, 20, static_cast<int>(MakeColorValue(255, 0, 255)), 1);
         DrawEllipse(300, 100, 15, 45, static_cast<int>(MakeColorValue(0, 255, 255)), 0);
         DrawEllipse(400, 100, 12, 30, static_cast<int>(MakeColorValue(0, 255, 0)), 1);
         SetBlendMode(1, 128);
         DrawEllipse(500, 300, 50, 50, static_cast<int>(MakeColorValue(255, 255, 255)), 1);
         SetBlendMode(0, 0);
         DrawEllipse(630, 470, 30, 30, static_cast<int>(MakeColorValue(255, 0, 0)), 1);
       },
       2, 0},
      {"free rotation and four corners",
       [](const Graphs& g) {
         DrawGraphRotated(200, 200, 1.5, 0.4, g.solid, 1, 0);
         ApiLockGuard lock;
         DrawQuadGraph(400, 100, 440, 110, 390, 130, 430, 140, g.solid, 1);
       },
       0, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string first;
    const int differing = Differences(c.scene, c.tolerance, &first);
    EXPECT_LE(differing, c.allowedPixels) << first;
    HeadlessEngine::TearDown();
    HeadlessEngine::SetUp();
  }
}


// Text through the texture glyph cache (device) against the memory glyph cache (software path): the same glyph
// coverage, drawn through the graphic operations. 1-bit fonts, with and without edge, horizontal and turned:
// exact. Anti-aliased fonts: both caches keep the level less one in 4 bits, which the device's 4:4:4:4 texture reads
// as k / 15 and the screen layer as k / 16: each channel within 1/16 of the distance between text and background
// colour, 16 here. With an edge as well, the two caches also mix edge and glyph differently (the texture's edge
// takes the union of its neighbours' coverage and the glyph is laid over it; the memory cell takes the highest
// neighbour and blends both into one coverage): within 64 where edge and glyph overlap.
TEST_F(D3DDiff, TextMatchesTheMemoryGlyphCache) {
  struct TextCase {
    const char* name;
    int type, edge, vertical;
    int tolerance, allowedPixels;
  };
  const TextCase cases[] = {
      {"plain", 0, -1, 0, 0, 0},
      {"edged", 1, 2, 0, 0, 0},
      {"plain, vertical", 0, -1, 1, 0, 0},
      {"edged, vertical", 1, 1, 1, 0, 0},
      {"anti-aliased", 2, -1, 0, 16, 0},
      {"anti-aliased with edge", 3, 1, 0, 96, 0},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string first;
    const int differing = Differences(
        [&](const Graphs&) {
          ApiLockGuard lock;
          const int font = CreateFontToHandle(nullptr, 20, 6, c.type, -1, c.edge, 0, -1, -1);
          ASSERT_GE(font, 0);
          EXPECT_EQ(GetFontData(font)->TextureCache, Use3D);
          const std::uint32_t colour = static_cast<std::uint32_t>(MakeColorValueBody(250, 240, 40));
          const std::uint32_t edge = static_cast<std::uint32_t>(MakeColorValueBody(20, 30, 200));
          // Across the four background fields, partly clipped at the right and bottom.
          for (int row = 0; row < 3; ++row) {
            const char* text = row == 0 ? "Agj Wq 0123 \x82\xa0\x8a\xbf" : "The quick brown fox jumps";
            const int x = c.vertical != 0 ? 40 + row * 200 : 10 + row * 250, y = c.vertical != 0 ? 20 : 30 + row * 200;
            EXPECT_EQ(DrawStringWithFont(x, y, text, colour, font, edge, c.vertical), 0);
          }
          DeleteFontToHandle(font);
        },
        c.tolerance, &first);
    EXPECT_LE(differing, c.allowedPixels) << first;
    HeadlessEngine::TearDown();
    HeadlessEngine::SetUp();
  }
}

}  // namespace
