// Lost surfaces and the device rebuild in a running headless engine: surfaces lost while the window was inactive come
// back with their pixels on activation, the rebuild lets input go until its next query, and the draw-state setters
// that act before the device exists or while the engine ends.
#include <gtest/gtest.h>

#include "../engine_start/engine_fixture.h"
#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"
#include "engine/input/input.h"
#include "platform/display/ddraw.h"
#include "platform/display/headless_display.h"
#include "platform/window/window.h"
#include "tests/support/context_mode.h"

namespace engine_test {
namespace {

namespace dd = platform::dd;
namespace win = platform::win;
using platform::headless::FramebufferPixel;

class Restore : public HeadlessEngine {
 protected:
  void TearDown() override {
    HeadlessEngine::TearDown();
    ResetDisplaySettings();
  }
  void Start() {
    contextMode_.Set();  // the 2D path: tiles and screens are the surfaces that get lost
    ChangeWindowMode(1);
    ASSERT_EQ(StartEngine(), 0);
    for (int i = 0; i < 3; ++i) ProcessMessage();
  }
  static void Send(std::uint32_t message, platform::WParam wParam) {
    ApiLockGuard lock;
    platform::SendMessage(g_System.mainWindow, message, wParam, 0);
  }
  // An 8 x 8 graphic drawn green through itself as draw target.
  static int GreenGraph() {
    int graph = -1;
    {
      ApiLockGuard lock;
      SetDrawValidGraphCreateFlag(1);
      graph = CreateEmptyGraph(8, 8);
      SetDrawValidGraphCreateFlag(0);
    }
    EXPECT_EQ(SelectDrawTarget(graph), 0);
    EXPECT_EQ(DrawRectangle(0, 0, 8, 8, MakeColorValue(0, 255, 0), 1), 0);
    EXPECT_EQ(SelectDrawTarget(-2), 0);
    return graph;
  }
  static std::uint32_t BackPixel(int x, int y) {
    const dd::Surface* back = g_Screens.back;
    const std::uint8_t* p = back->Pixels() + y * back->Pitch() + x * 4;
    return (p[0] | p[1] << 8 | p[2] << 16) & 0xFFFFFFu;
  }
  test_support::ContextModePin contextMode_;
};

TEST_F(Restore, ScreensLostWhileInactiveComeBackWithTheirPixelsOnActivation) {
  Start();
  const int graph = GreenGraph();
  ASSERT_EQ(DrawRectangle(0, 0, 32, 32, MakeColorValue(255, 255, 255), 1), 0);
  ASSERT_EQ(PresentBackScreen(), 0);
  Send(win::kWmActivate, 0);
  ASSERT_EQ(g_System.active, 0);
  g_Screens.primary->MarkLost();
  g_Screens.back->MarkLost();
  Send(win::kWmActivate, 1);
  EXPECT_EQ(g_Screens.primary->IsLost(), dd::kOk);
  EXPECT_EQ(g_Screens.back->IsLost(), dd::kOk);
  EXPECT_EQ(BackPixel(10, 10), 0xFFFFFFu);
  // The graphic's pixels went nowhere: drawn after the restore it shows green beside the white box.
  ASSERT_EQ(DrawGraphAt(100, 100, graph, 0), 0);
  ASSERT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(10, 10), 0xFFFFFFu);
  EXPECT_EQ(FramebufferPixel(104, 104), 0x00FF00u);
  // The restore of one graphic and of all of them, with the main surfaces first.
  g_Screens.back->MarkLost();
  {
    ApiLockGuard lock;
    EXPECT_EQ(RestoreGraphSurface(graph), 0);
    EXPECT_EQ(RestoreGraphSurface(graph + 1), -1);
    EXPECT_EQ(g_Screens.back->IsLost(), dd::kErrSurfaceLost);
    EXPECT_EQ(RestoreAllGraphSurface(), 0);
    EXPECT_EQ(g_Screens.back->IsLost(), dd::kOk);
    EXPECT_EQ(RestoreAllSurface2D(), 0);
    EXPECT_EQ(TerminateSurface2D(), 0);
    EXPECT_EQ(g_Surface2DTable.count, 0);
  }
}

TEST_F(Restore, TheRebuildLetsInputGoAndTheNextQueryStartsItAgain) {
  Start();
  ASSERT_NE(g_Input.directInput, nullptr);
  const int graph = GreenGraph();
  {
    ApiLockGuard lock;
    ASSERT_EQ(RestoreGraphDevice(), 0);
  }
  EXPECT_EQ(g_Input.directInput, nullptr);
  EXPECT_NE(GetGraphData(graph), nullptr);
  EXPECT_EQ(IsKeyDown(1), 0);
  EXPECT_NE(g_Input.directInput, nullptr);
}

TEST_F(Restore, AZBufferComesAndGoesAndIsMadeAgainWithTheStorage) {
  Start();
  const int graph = GreenGraph();
  ApiLockGuard lock;
  const int data = GetSurface2D(GetGraphData(graph)->Tiles[0])->SurfaceDataHandle;
  SurfaceData* s = GetSurfaceData(data);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SetSurfaceDataZBuffer(data, 0), 0);  // already without one
  EXPECT_NE(s->ZImage.Tag, kMemImgTag);
  ASSERT_EQ(SetSurfaceDataZBuffer(data, 1), 0);
  EXPECT_EQ(s->ZImage.Tag, kMemImgTag);
  EXPECT_EQ(s->ZImage.Width, 8);
  EXPECT_EQ(s->ZBufferWanted, 1u);
  const std::uint8_t* pixels = s->ZImage.Image;
  EXPECT_EQ(SetSurfaceDataZBuffer(data, 1), 0);  // nothing made twice
  EXPECT_EQ(s->ZImage.Image, pixels);
  // The rebuild lets the storage go and makes it again, with its Z buffer.
  ASSERT_EQ(RestoreGraphDevice(), 0);
  EXPECT_EQ(s->ZImage.Tag, kMemImgTag);
  ASSERT_EQ(SetSurfaceDataZBuffer(data, 0), 0);
  EXPECT_NE(s->ZImage.Tag, kMemImgTag);
  EXPECT_EQ(s->ZBufferWanted, 0u);
  EXPECT_EQ(SetSurfaceDataZBuffer(data + 1, 1), -1);
}

TEST_F(Restore, DrawStateSettersBeforeTheDeviceAndWhileTheEngineEnds) {
  // Before the device exists the texture flag chooses the screen model; afterwards it only marks new graphics.
  {
    ApiLockGuard lock;
    SetUseTextureGraphicsBody(0);
    EXPECT_EQ(GetSoftwareRenderFlag(), 1);
    SetUseTextureGraphicsBody(1);
    EXPECT_EQ(GetSoftwareRenderFlag(), 0);
  }
  Start();
  {
    ApiLockGuard lock;
    SetUseTextureGraphicsBody(0);
    EXPECT_EQ(GetSoftwareRenderFlag(), 0);
    EXPECT_EQ(g_GraphDrawState.UseTextureGraphics, 0);
  }
  // While the engine ends the blend graphic stays as it is, even for a handle that would be refused.
  const int graph = GreenGraph();
  ApiLockGuard lock;
  ASSERT_EQ(SetBlendGraph(graph, 10, 20), 0);
  g_System.endingFlag = 1;
  EXPECT_EQ(SetBlendGraph(-1, 0, 0), 0);
  EXPECT_EQ(SetBlendGraph(graph + 1, 0, 0), 0);
  EXPECT_EQ(g_GraphDrawState.BlendGraph, graph);
  EXPECT_EQ(g_GraphDrawState.BlendGraphParam1, 10);
  g_System.endingFlag = 0;
  EXPECT_EQ(SetBlendGraph(-1, 0, 0), 0);
  EXPECT_EQ(g_GraphDrawState.BlendGraph, -1);
}

}  // namespace
}  // namespace engine_test
