// The steps around every drawing operation in the software screen model (the front screen is its own image, read
// back from the primary before a draw and written to it after), and graphics selected as draw targets.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "../engine_start/engine_fixture.h"
#include "engine/core/api_lock.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/public_api.h"
#include "engine/core/system_record.h"
#include "engine/core/window.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_ops.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"
#include "platform/display/ddraw.h"
#include "platform/display/headless_display.h"
#include "tests/support/context_mode.h"

namespace engine_test {
namespace {

namespace dd = platform::dd;

std::uint32_t ImagePixel(const MEMIMG* image, int x, int y) {
  const std::uint8_t* p = image->Image + static_cast<std::ptrdiff_t>(y) * image->Pitch +
                          static_cast<std::ptrdiff_t>(x) * MemImgBytesPerPixel(image);
  std::uint32_t v = 0;
  if (MemImgBytesPerPixel(image) == 4) {
    std::memcpy(&v, p, 4);
    return v & 0xFFFFFFu;
  }
  std::uint16_t w = 0;
  std::memcpy(&w, p, 2);
  return w;
}

class DrawFrame : public HeadlessEngine {
 protected:
  void TearDown() override {
    HeadlessEngine::TearDown();
    ResetDisplaySettings();
  }
  test_support::ContextModePin contextMode_;
  // Window mode, software screen model (32-bit screen).
  void StartSoftware() {
    ChangeWindowMode(1);
    ASSERT_EQ(StartEngine(), 0);
    ApiLockGuard lock;
    SetHardwareRenderFlag(0);
    ASSERT_EQ(IsSoftwareScreenModel(), 1);
  }
  // The primary's pixel at (x, y) of the client area.
  static std::uint32_t PrimaryPixel(int x, int y) {
    ApiLockGuard lock;
    platform::Rect client{};
    GetClientRectWithToolbar(&client);
    dd::Surface* primary = g_Screens.primary;
    const dd::Rect r{client.left + x, client.top + y, client.left + x + 1, client.top + y + 1};
    std::uint8_t* pixels = nullptr;
    int pitch = 0;
    if (primary->Lock(&r, dd::kLockWait | dd::kLockReadOnly, &pixels, &pitch) != dd::kOk) return 0xFFFFFFFFu;
    std::uint32_t v = 0;
    std::memcpy(&v, pixels, 4);
    primary->Unlock();
    return v & 0xFFFFFFu;
  }
  static int MakeTargetGraph(int w, int h) {
    ApiLockGuard lock;
    SetDrawValidGraphCreateFlag(1);
    const int handle = CreateEmptyGraph(w, h);
    SetDrawValidGraphCreateFlag(0);
    return handle;
  }
  static const MEMIMG* GraphPixels(int handle, MEMIMG* view) {
    const GraphData* g = GetGraphData(handle);
    if (g == nullptr) return nullptr;
    const Surface2D* tile = GetSurface2D(g->Tiles[0]);
    return tile == nullptr ? nullptr : TileMemImg(tile, view);
  }
};

TEST_F(DrawFrame, EveryOperationOnTheSoftwareFrontScreenReachesThePrimary) {
  StartSoftware();
  const int graph = MakeTargetGraph(8, 8);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 8, 8, 0x00FF00, 1), 0);
  ASSERT_EQ(SelectDrawTarget(-4), 0);

  struct Case {
    const char* name;
    std::function<int()> draw;
    int x, y;         // a pixel the draw covers
    int outX, outY;   // a pixel beside it that it leaves alone
  };
  const Case cases[] = {
      {"filled box", [] { return DrawRectangle(10, 10, 20, 20, 0xFF0000, 1); }, 15, 15, 20, 15},
      {"box frame", [] { return DrawRectangle(30, 10, 40, 20, 0xFF0000, 0); }, 30, 15, 35, 15},
      {"line", [] { return DrawLineSegment(50, 10, 60, 10, 0xFF0000); }, 55, 10, 55, 11},
      {"oval", [] { return DrawEllipse(80, 15, 4, 4, 0xFF0000, 1); }, 80, 15, 80, 21},
      {"graphic", [&] { return DrawGraphAt(100, 10, graph, 0); }, 107, 17, 108, 17},
      {"stretched graphic", [&] { return DrawGraphStretched(120, 10, 140, 30, graph, 0); }, 139, 29, 140, 29},
      {"part of a graphic", [&] { return DrawGraphPart(150, 10, 2, 2, 4, 4, graph, 0, 0); }, 153, 13, 154, 13},
      {"rotated graphic", [&] { return DrawGraphRotated(180, 20, 1.0, 0.5, graph, 0, 0); }, 180, 20, 190, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t before = PrimaryPixel(c.x, c.y);
    ASSERT_EQ(c.draw(), 0);
    EXPECT_NE(PrimaryPixel(c.x, c.y), before);
    EXPECT_EQ(PrimaryPixel(c.x, c.y), ImagePixel(&g_Screens.frontImage, c.x, c.y));
    EXPECT_EQ(PrimaryPixel(c.outX, c.outY), 0u);
  }
  EXPECT_EQ(g_Screens.primary->LockCount(), 0);
}

TEST_F(DrawFrame, TextOnTheSoftwareFrontScreenReachesThePrimary) {
  StartSoftware();
  ASSERT_EQ(SelectDrawTarget(-4), 0);
  ASSERT_EQ(DrawTextFormatted(10, 10, 0xFFFFFF, "%s", "AB"), 0);
  int lit = 0;
  for (int y = 10; y < 30; ++y) {
    for (int x = 10; x < 40; ++x) {
      const std::uint32_t p = PrimaryPixel(x, y);
      ASSERT_EQ(p, ImagePixel(&g_Screens.frontImage, x, y)) << x << "," << y;
      if (p != 0) ++lit;
    }
  }
  EXPECT_GT(lit, 0);
  // A string starting at or right of the draw area's right edge draws nothing.
  EXPECT_EQ(DrawTextFormatted(640, 10, 0xFFFFFF, "%s", "AB"), 0);
}

TEST_F(DrawFrame, TheFrontImageIsReadBackBeforeADrawSoAPresentedPictureSurvives) {
  StartSoftware();
  // A presented picture reaches the primary only; the front image is stale afterwards.
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 100, 100, 0x0000FF, 1), 0);
  ASSERT_EQ(PresentBackScreen(), 0);
  ASSERT_EQ(g_Screens.frontStale, 1);
  ASSERT_EQ(SelectDrawTarget(-4), 0);
  // A box outline writes its whole rectangle back: the inside must still show the presented picture.
  ASSERT_EQ(DrawRectangle(10, 10, 50, 50, 0xFF0000, 0), 0);
  EXPECT_EQ(g_Screens.frontStale, 0);
  EXPECT_EQ(PrimaryPixel(10, 10), 0xFF0000u);
  EXPECT_EQ(PrimaryPixel(30, 30), 0x0000FFu);
  EXPECT_EQ(PrimaryPixel(99, 99), 0x0000FFu);
}

TEST_F(DrawFrame, DrawsOnTheBackScreenLeaveThePrimaryAlone) {
  StartSoftware();
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(DrawRectangle(10, 10, 20, 20, 0xFF0000, 1), 0);
  EXPECT_EQ(PrimaryPixel(15, 15), 0u);
  EXPECT_EQ(ImagePixel(&g_Screens.backImage, 15, 15), 0xFF0000u);
}

// Both screen models: the hardware window model (draws through the screen lock) and the software model.
class GraphTarget : public DrawFrame, public ::testing::WithParamInterface<int> {
 protected:
  void StartModel() {
    if (GetParam() == 1) {
      StartSoftware();
    } else {
      // The draws are checked in the graphics' 2D tile images, which texture graphics do not have: software path only.
      contextMode_.Set();
      ChangeWindowMode(1);
      ASSERT_EQ(StartEngine(), 0);
    }
  }
};

TEST_P(GraphTarget, DrawsLandInTheSelectedGraphicAndTheBackScreenAgainAfterwards) {
  StartModel();
  const int graph = MakeTargetGraph(64, 32);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  EXPECT_EQ(GetDrawTarget(), graph);
  const RECT area = g_GraphDrawState.DrawArea;
  EXPECT_EQ(area.right, 64);
  EXPECT_EQ(area.bottom, 32);
  ASSERT_EQ(ClearCurrentDrawScreen(), 0);
  ASSERT_EQ(DrawRectangle(4, 4, 100, 100, 0xFF0000, 1), 0);  // clipped to the graphic
  MEMIMG view{};
  const MEMIMG* pixels = GraphPixels(graph, &view);
  ASSERT_NE(pixels, nullptr);
  const std::uint32_t red = ImagePixel(pixels, 4, 4);
  EXPECT_NE(red, 0u);
  EXPECT_EQ(ImagePixel(pixels, 63, 31), red);
  EXPECT_EQ(ImagePixel(pixels, 3, 4), 0u);

  // Back to the back screen: the draw shows after the present, the graphic keeps its pixels.
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  EXPECT_EQ(g_GraphDrawState.DrawArea.right, 640);
  ASSERT_EQ(ClearCurrentDrawScreen(), 0);
  ASSERT_EQ(DrawRectangle(200, 200, 210, 210, 0x00FF00, 1), 0);
  EXPECT_EQ(ImagePixel(pixels, 4, 4), red);
  ASSERT_EQ(DrawGraphAt(300, 300, graph, 0), 0);
  ASSERT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(platform::headless::FramebufferPixel(205, 205), 0x00FF00u);
  EXPECT_EQ(platform::headless::FramebufferPixel(310, 310), 0xFF0000u);
  EXPECT_EQ(platform::headless::FramebufferPixel(302, 302), 0u);
}

TEST_P(GraphTarget, MissingGraphicsAreRefusedAndADeletedTargetIsNoLongerDrawnInto) {
  StartModel();
  const int graph = MakeTargetGraph(16, 16);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  for (int bad : {12345, graph + 1, -3}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(SelectDrawTarget(bad), -1);
    EXPECT_EQ(GetDrawTarget(), -2);
  }
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  ASSERT_EQ(DeleteGraphic(graph, 0), 0);
  EXPECT_EQ(SelectDrawTarget(graph), -1);
  // The storage is gone: nothing points into it any more (a draw now writes nothing).
  EXPECT_EQ(DrawScreenMemImg, nullptr);
  DrawRectangle(0, 0, 8, 8, 0xFFFFFF, 1);
  EXPECT_EQ(SelectDrawTarget(-2), 0);
  EXPECT_EQ(DrawRectangle(0, 0, 8, 8, 0xFFFFFF, 1), 0);
}

TEST_P(GraphTarget, ADerivedGraphicDrawsIntoItsOwnPartOfTheSharedPixelsAlsoAfterARebuild) {
  StartModel();
  const int parent = MakeTargetGraph(64, 32);
  ASSERT_GE(parent, 0);
  int child = -1;
  {
    ApiLockGuard lock;
    child = DeriveGraph(8, 4, 16, 8, parent);
  }
  ASSERT_GE(child, 0);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(SelectDrawTarget(parent), 0);
    ASSERT_EQ(ClearCurrentDrawScreen(), 0);
    ASSERT_EQ(SelectDrawTarget(child), 0);
    if (round == 1) {
      // The storage is made again while the child is selected: the draw target follows it.
      ApiLockGuard lock;
      RestoreGraphDevice();
    }
    EXPECT_EQ(g_GraphDrawState.DrawArea.right, 16);
    EXPECT_EQ(g_GraphDrawState.DrawArea.bottom, 8);
    ASSERT_EQ(DrawRectangle(-10, -10, 100, 100, 0xFF0000, 1), 0);
    MEMIMG view{};
    const MEMIMG* pixels = GraphPixels(parent, &view);
    ASSERT_NE(pixels, nullptr);
    EXPECT_NE(ImagePixel(pixels, 8, 4), 0u);
    EXPECT_NE(ImagePixel(pixels, 23, 11), 0u);
    EXPECT_EQ(ImagePixel(pixels, 7, 4), 0u);
    EXPECT_EQ(ImagePixel(pixels, 24, 11), 0u);
    EXPECT_EQ(ImagePixel(pixels, 8, 12), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Models, GraphTarget, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& i) { return i.param == 1 ? "Software" : "Hardware"; });

}  // namespace
}  // namespace engine_test
