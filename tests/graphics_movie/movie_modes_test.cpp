// Movie modes through LoadGraphFromFile: frames kept as 24-bit RGB (mode 2) or in the screen's format, the
// creation settings put back afterwards, and alpha movies (the right half of each frame is the alpha of the left)
// on the 2D path.
#include <gtest/gtest.h>

#include <cstring>

#include "../engine_start/engine_fixture.h"
#include "../support/movie_writer.h"
#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/graphics/color_data.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/movie.h"
#include "engine/graphics/surface2d.h"
#include "platform/base/clock.h"
#include "tests/support/context_mode.h"

namespace engine_test {
namespace {

std::uint32_t Painted(int n, int x, int y) {
  return (static_cast<std::uint32_t>(n * 8) << 16) | static_cast<std::uint32_t>(x * 4) << 8 |
         static_cast<std::uint32_t>(y * 4);
}

// 64 x 48: the left 32 columns the picture, the right 32 its alpha: clear in their first 16 columns, opaque after.
std::uint32_t PaintedWithAlpha(int n, int x, int y) {
  if (x < 32) return Painted(n, x, y);
  return x - 32 < 16 ? 0u : 0xFFFFFFu;
}

// The 32-bit pixel of the graphic's first tile.
std::uint32_t TilePixel(int handle, int x, int y) {
  ApiLockGuard lock;
  const GraphData* g = GetGraphData(handle);
  MEMIMG view{};
  const MEMIMG* image = TileMemImg(GetSurface2D(g->Tiles[0]), &view);
  std::uint32_t v = 0;
  std::memcpy(&v, image->Image + static_cast<std::ptrdiff_t>(y) * image->Pitch + x * 4, 4);
  return v;
}

class MovieModes : public HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    contextMode_.Set();
    ASSERT_EQ(StartEngine(), 0);
  }
  void TearDown() override {
    g_MovieAlphaSetting = 0;
    HeadlessEngine::TearDown();
    ResetDisplaySettings();
  }
  static void PlayAndDraw(int handle, int ms) {
    {
      ApiLockGuard lock;
      ASSERT_EQ(PlayMovieGraph(handle), 0);
    }
    platform::SleepMilliseconds(static_cast<std::uint32_t>(ms));
    ASSERT_EQ(DrawGraphAt(0, 0, handle, 0), 0);
  }
  test_support::ContextModePin contextMode_;
};

TEST_F(MovieModes, FramesAreKeptInTheModesFormatAndTheCreationSettingsComeBack) {
  movie_test::MovieParams params;
  params.frames = 20;
  ASSERT_TRUE(movie_test::WriteMovie(directory_ + "/clip.avi", params, Painted));
  struct Case {
    int option, storedMode, frameBits;
  };
  for (const Case c : {Case{2, 2, 24}, Case{1, 0, 32}, Case{0, 0, 32}}) {
    SCOPED_TRACE(c.option);
    int handle = -1;
    {
      ApiLockGuard lock;
      g_GraphDrawState.UseTextureGraphics = 1;
      const int bits = g_GraphDrawState.ColorBitDepth, systemMemory = g_GraphDrawState.UseSystemMemory;
      handle = LoadGraphFromFile("clip.avi", 1, 0, c.option);
      ASSERT_GE(handle, 0);
      EXPECT_EQ(g_GraphDrawState.ColorBitDepth, bits);
      EXPECT_EQ(g_GraphDrawState.UseSystemMemory, systemMemory);
      // No 3D device: the use-texture flag ends as 0.
      EXPECT_EQ(g_GraphDrawState.UseTextureGraphics, 0);
      const MovieData* movie = GetMovieData(GetGraphData(handle)->Movie);
      ASSERT_NE(movie, nullptr);
      EXPECT_EQ(MovieMode(movie), c.storedMode);
      EXPECT_EQ(MovieFrameImage(movie)->colorData.bitsPerPixel, c.frameBits);
    }
    PlayAndDraw(handle, 350);
    EXPECT_EQ(TilePixel(handle, 5, 7) & 0xFFFFFF, Painted(3, 5, 7));
    EXPECT_EQ(TilePixel(handle, 63, 47) & 0xFFFFFF, Painted(3, 63, 47));
    ASSERT_EQ(DeleteGraphic(handle, 0), 0);
  }
}

TEST_F(MovieModes, AnAlphaMoviesRightHalfIsTheAlphaOfItsLeftHalf) {
  movie_test::MovieParams params;
  params.frames = 20;
  ASSERT_TRUE(movie_test::WriteMovie(directory_ + "/alpha.avi", params, PaintedWithAlpha));
  g_MovieAlphaSetting = 1;
  const int handle = LoadGraphicFile("alpha.avi");
  ASSERT_GE(handle, 0);
  int w = 0, h = 0;
  ASSERT_EQ(GetGraphicSize(handle, &w, &h), 0);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 48);
  PlayAndDraw(handle, 350);
  for (const int x : {0, 5, 15, 16, 20, 31}) {
    SCOPED_TRACE(x);
    const std::uint32_t v = TilePixel(handle, x, 9);
    EXPECT_EQ(v & 0xFFFFFF, Painted(3, x, 9));
    EXPECT_EQ(v >> 24, x < 16 ? 0u : 255u);
  }
  // Without the setting the same file is a plain movie of the whole width.
  g_MovieAlphaSetting = 0;
  const int plain = LoadGraphicFile("alpha.avi");
  ASSERT_GE(plain, 0);
  ASSERT_EQ(GetGraphicSize(plain, &w, &h), 0);
  EXPECT_EQ(w, 64);
}

}  // namespace
}  // namespace engine_test
