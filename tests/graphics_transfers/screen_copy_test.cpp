// Copies between the draw screen and graphics, the part-stretched draw and pixel transfers into a graphic's tiles,
// in both screen models.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../engine_start/engine_fixture.h"
#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/graphics/color_data.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_ops.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/screen_copy.h"
#include "engine/graphics/surface2d.h"
#include "tests/support/context_mode.h"

namespace engine_test {
namespace {

std::uint32_t Pixel(const MEMIMG* image, int x, int y) {
  std::uint32_t v = 0;
  std::memcpy(&v, image->Image + static_cast<std::ptrdiff_t>(y) * image->Pitch + static_cast<std::ptrdiff_t>(x) * 4, 4);
  return v & 0xFFFFFFu;
}

// The graphic's pixel (32-bit screens).
std::uint32_t GraphPixel(int handle, int x, int y) {
  ApiLockGuard lock;
  const GraphData* g = GetGraphData(handle);
  MEMIMG view{};
  const MEMIMG* image = TileMemImg(GetSurface2D(g->Tiles[0]), &view);
  return Pixel(image, x, y);
}

std::uint32_t BackPixel(int x, int y) {
  ApiLockGuard lock;
  if (g_Screens.mainImagesInUse == 1) return Pixel(&g_Screens.backImage, x, y);
  std::uint8_t* p = nullptr;
  int pitch = 0;
  const platform::dd::Rect r{x, y, x + 1, y + 1};
  if (g_Screens.back->Lock(&r, platform::dd::kLockWait | platform::dd::kLockReadOnly, &p, &pitch) != 0) return ~0u;
  std::uint32_t v = 0;
  std::memcpy(&v, p, 4);
  g_Screens.back->Unlock();
  return v & 0xFFFFFFu;
}

class ScreenCopy : public HeadlessEngine, public ::testing::WithParamInterface<int> {
 protected:
  void TearDown() override {
    HeadlessEngine::TearDown();
    ResetDisplaySettings();
  }
  void Start() {
    ChangeWindowMode(1);
    ASSERT_EQ(StartEngine(), 0);
    ApiLockGuard lock;
    if (GetParam() == 1) SetHardwareRenderFlag(0);
    ASSERT_EQ(IsSoftwareScreenModel(), GetParam());
  }
  static int NewGraph(int w, int h) {
    ApiLockGuard lock;
    return CreateGraph(w, h, 0, 0, 0);
  }
  test_support::ContextModePin contextMode_;
};

TEST_P(ScreenCopy, ARectangleOfTheDrawScreenLandsInTheGraphic) {
  // The copy is checked in the graphic's 2D tile image, which a texture graphic does not have: software path only.
  contextMode_.Set();
  Start();
  for (const int screen : {-2, -4}) {
    SCOPED_TRACE(screen);
    ASSERT_EQ(SelectDrawTarget(screen), 0);
    ASSERT_EQ(DrawRectangle(10, 20, 30, 40, 0xFF0000, 1), 0);
    ASSERT_EQ(DrawRectangle(30, 20, 50, 40, 0x00FF00, 1), 0);
    const int graph = NewGraph(40, 20);
    ApiLockGuard lock;
    ASSERT_EQ(GetDrawScreenGraph(10, 20, 50, 40, graph, 0), 0);
    EXPECT_EQ(GraphPixel(graph, 0, 0), 0xFF0000u);
    EXPECT_EQ(GraphPixel(graph, 19, 19), 0xFF0000u);
    EXPECT_EQ(GraphPixel(graph, 20, 0), 0x00FF00u);
    EXPECT_EQ(GraphPixel(graph, 39, 19), 0x00FF00u);
    // Refused: a size other than the graphic's, a start below 0, an end past the screen, an empty rectangle.
    for (const RECT r : {RECT{10, 20, 51, 40}, RECT{-1, 0, 39, 20}, RECT{601, 0, 641, 20}, RECT{5, 5, 5, 25}}) {
      EXPECT_EQ(GetDrawScreenGraph(r.left, r.top, r.right, r.bottom, graph, 0), -1);
    }
    EXPECT_EQ(GetDrawScreenGraph(0, 0, 40, 20, -1, 0), -1);
    DeleteGraphicBody(graph, 0);
  }
}

TEST_P(ScreenCopy, TheBackScreenCopiedIntoANewGraphicComesBackWhenDrawn) {
  Start();
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(DrawRectangle(100, 100, 200, 150, 0x123456, 1), 0);
  int copy = -1;
  {
    ApiLockGuard lock;
    copy = CopyBackScreenToNewGraph();
  }
  ASSERT_GE(copy, 0);
  ASSERT_EQ(ClearCurrentDrawScreen(), 0);
  EXPECT_EQ(BackPixel(150, 120), 0u);
  ASSERT_EQ(DrawGraphAt(0, 0, copy, 0), 0);
  EXPECT_EQ(BackPixel(150, 120), 0x123456u);
  EXPECT_EQ(BackPixel(99, 120), 0u);
}

TEST_P(ScreenCopy, PartStretchedPutsTheSourceRectangleOnTheDestination) {
  Start();
  // A 4 x 4 graphic with a distinct colour per 1 x 1 cell.
  const int graph = NewGraph(4, 4);
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(DrawRectangle(x, y, x + 1, y + 1, 0x100000 * (x + 1) + 0x10 * (y + 1), 1), 0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  const auto cell = [](int x, int y) { return static_cast<std::uint32_t>(0x100000 * (x + 1) + 0x10 * (y + 1)); };
  const RECT area = g_GraphDrawState.DrawArea;
  struct Case {
    int x1, y1, x2, y2;
    bool mirrorX, mirrorY;
  };
  // Source cells (1, 1)..(2, 2) stretched 10 times onto (100, 100)..(120, 120), plainly and mirrored.
  for (const Case c : {Case{100, 100, 120, 120, false, false}, Case{120, 100, 100, 120, true, false},
                       Case{100, 120, 120, 100, false, true}}) {
    SCOPED_TRACE(testing::Message() << c.mirrorX << c.mirrorY);
    ASSERT_EQ(ClearCurrentDrawScreen(), 0);
    {
      ApiLockGuard lock;
      ASSERT_EQ(DrawGraphPartStretched(c.x1, c.y1, c.x2, c.y2, 1, 1, 2, 2, graph, 0), 0);
    }
    for (int y = 95; y < 125; ++y) {
      for (int x = 95; x < 125; ++x) {
        const bool inside = x >= 100 && x < 120 && y >= 100 && y < 120;
        int cx = 1 + (x - 100) / 10, cy = 1 + (y - 100) / 10;
        if (c.mirrorX) cx = 3 - cx;
        if (c.mirrorY) cy = 3 - cy;
        ASSERT_EQ(BackPixel(x, y), inside ? cell(cx, cy) : 0u) << x << "," << y;
      }
    }
    EXPECT_EQ(g_GraphDrawState.DrawArea.right, area.right);
  }
  ApiLockGuard lock;
  EXPECT_EQ(DrawGraphPartStretched(0, 0, 10, 10, 0, 0, 0, 2, graph, 0), -1);
}

TEST_P(ScreenCopy, PixelsTransferredIntoAGraphicLandAtTheirPlaceAndAreNoted) {
  Start();
  // An 8 x 8 32-bit image whose pixel value encodes its position.
  std::vector<std::uint32_t> pixels(64);
  for (int i = 0; i < 64; ++i) pixels[i] = 0x010101u * static_cast<std::uint32_t>(i + 1);
  GraphImage image{};
  CreateColorData(&image.colorData, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
  image.width = image.height = 8;
  image.pitch = 32;
  image.pixels = pixels.data();
  const int graph = NewGraph(16, 16);
  ApiLockGuard lock;
  const ImageRect src{2, 3, 6, 5};  // 4 x 2
  ASSERT_EQ(TransferPixelsToGraph(nullptr, &image, nullptr, &src, 10, 12, graph, 7), 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(GraphPixel(graph, 10 + x, 12 + y), pixels[(3 + y) * 8 + 2 + x]);
  EXPECT_EQ(GraphPixel(graph, 9, 12), 0u);
  const GraphData* g = GetGraphData(graph);
  EXPECT_EQ(g->SourceX, 2);
  EXPECT_EQ(g->SourceY, 3);
  EXPECT_EQ(g->FillOption, 7u);
  EXPECT_STREQ(g->FileName, "");
  // Cut at the graphic's edge; nothing inside the graphic at all is refused.
  ASSERT_EQ(TransferPixelsToGraph(nullptr, &image, nullptr, &src, 14, 0, graph, 0), 0);
  EXPECT_EQ(GraphPixel(graph, 15, 0), pixels[3 * 8 + 3]);
  EXPECT_EQ(TransferImageToSurface2D(&image, nullptr, &src, 16, 0, g->Tiles[0]), -1);
}

INSTANTIATE_TEST_SUITE_P(Models, ScreenCopy, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& p) { return p.param == 1 ? "Software" : "Hardware"; });

}  // namespace
}  // namespace engine_test
