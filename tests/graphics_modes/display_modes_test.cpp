// Display modes: the 8-bit mode with its palette (drawn pictures reach the display through it), the refused 24-bit
// modes, the stand-in's 24-bit presentation, the adapter report and caps, and the device rebuild.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "../engine_start/engine_fixture.h"
#include "engine/core/api_lock.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/public_api.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/mask.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/screen_palette.h"
#include "platform/display/ddraw.h"
#include "platform/display/headless_display.h"
#include "platform/input/input.h"
#include "platform/window/headless_window.h"

namespace engine_test {
namespace {

namespace dd = platform::dd;
using platform::headless::FramebufferPixel;

class DisplayModes : public HeadlessEngine {
 protected:
  void TearDown() override {
    HeadlessEngine::TearDown();
    ResetDisplaySettings();
    platform::SetVirtualKeyDown(0x10, false);
    dd::SetSixteenBitFormat(nullptr);
  }
};

TEST_F(DisplayModes, TheEightBitModeShowsDrawsThroughItsPalette) {
  ChangeWindowMode(0);
  ASSERT_EQ(StartEngine(), 0);
  ASSERT_EQ(SelectScreenMode(640, 480, 8, -1), 0);
  {
    ApiLockGuard lock;
    ASSERT_EQ(GetScreenBits(), 8);
    ASSERT_NE(GetScreenPalette(), nullptr);
    EXPECT_EQ(GetPrimarySurface()->GetPalette(), GetScreenPalette());
    const dd::PaletteEntry* p = DefaultPaletteEntries();
    EXPECT_EQ(p[0].red + p[0].green + p[0].blue, 0);
    EXPECT_EQ(p[255].red & p[255].green & p[255].blue, 255);
  }
  // A graphic made in the 32-bit work format, drawn on the 8-bit screen.
  int graph = -1;
  {
    ApiLockGuard lock;
    SetDrawValidGraphCreateFlag(1);
    graph = CreateEmptyGraph(16, 16);
    SetDrawValidGraphCreateFlag(0);
  }
  ASSERT_GE(graph, 0);
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 16, 16, MakeColorValue(0, 255, 0), 1), 0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(ClearCurrentDrawScreen(), 0);
  ASSERT_EQ(DrawRectangle(10, 10, 50, 50, MakeColorValue(255, 0, 0), 1), 0);
  ASSERT_EQ(DrawLineSegment(60, 10, 100, 10, MakeColorValue(255, 255, 255)), 0);
  ASSERT_EQ(DrawGraphAt(200, 200, graph, 0), 0);
  ASSERT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(30, 30), 0xFF0000u);
  EXPECT_EQ(FramebufferPixel(80, 10), 0xFFFFFFu);
  EXPECT_EQ(FramebufferPixel(205, 205), 0x00FF00u);
  EXPECT_EQ(FramebufferPixel(5, 5), 0u);
  // A colour between palette entries shows as its nearest entry.
  ASSERT_EQ(DrawRectangle(300, 300, 310, 310, MakeColorValue(250, 130, 10), 1), 0);
  ASSERT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(305, 305), 0xFF9100u);  // red 7/7, green 4/7, blue 0/3
}

// A 16-bit X1R5G5B5 desktop: draws reach the screen through the lock's conversion, in the screen's own layout.
TEST_F(DisplayModes, DrawsOnAnX1R5G5B5ScreenAreConvertedBothWays) {
  const dd::PixelFormat x1{32, dd::kPfRgb, 0, 16, 0x7C00, 0x03E0, 0x001F, 0};
  dd::SetSixteenBitFormat(&x1);
  platform::headless::SetDesktop(1920, 1080, 16);
  ASSERT_EQ(StartEngine(), 0);
  {
    ApiLockGuard lock;
    ASSERT_EQ(g_DisplayDevice.formatKind, 1u);
    ASSERT_EQ(IsSoftwareScreenModel(), 0);
  }
  int graph = -1;
  {
    ApiLockGuard lock;
    SetDrawValidGraphCreateFlag(1);
    graph = CreateEmptyGraph(16, 16);
    SetDrawValidGraphCreateFlag(0);
  }
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 16, 16, MakeColorValue(0, 255, 0), 1), 0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(ClearCurrentDrawScreen(), 0);
  ASSERT_EQ(DrawRectangle(10, 10, 50, 50, MakeColorValue(255, 0, 0), 1), 0);
  ASSERT_EQ(DrawGraphAt(100, 100, graph, 0), 0);
  ASSERT_EQ(DrawRectangle(200, 200, 210, 210, MakeColorValue(0, 0, 255), 0), 0);
  {
    ApiLockGuard lock;
    std::uint8_t* p = nullptr;
    int pitch = 0;
    const dd::Rect r{20, 20, 21, 21};
    ASSERT_EQ(GetBackSurface()->Lock(&r, dd::kLockWait | dd::kLockReadOnly, &p, &pitch), dd::kOk);
    std::uint16_t v = 0;
    std::memcpy(&v, p, 2);
    GetBackSurface()->Unlock();
    EXPECT_EQ(v, 0x7C00);
  }
  ASSERT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(30, 30), 0xFF0000u);
  EXPECT_EQ(FramebufferPixel(108, 108), 0x00FF00u);
  EXPECT_EQ(FramebufferPixel(200, 205), 0x0000FFu);
  EXPECT_EQ(FramebufferPixel(205, 205), 0u);
}

TEST_F(DisplayModes, TwentyFourBitModesAreRefusedAndTheModeStays) {
  ChangeWindowMode(0);
  ASSERT_EQ(StartEngine(), 0);
  EXPECT_EQ(SelectScreenMode(-1, -1, 24, -1), -1);
  ApiLockGuard lock;
  EXPECT_EQ(GetScreenBits(), 16);
}

TEST(DisplayStandIn, TwentyFourAndEightBitPrimariesPresentTheirColours) {
  platform::headless::ResetFramebuffer();
  std::unique_ptr<dd::DirectDraw> object;
  ASSERT_EQ(dd::CreateDirectDraw(&object), dd::kOk);
  ASSERT_EQ(object->SetCooperativeLevel(1, dd::kSclExclusive | dd::kSclFullScreen), dd::kOk);
  ASSERT_EQ(object->SetDisplayMode(640, 480, 24, 0, 0), dd::kOk);
  dd::Surface* primary = nullptr;
  ASSERT_EQ(object->CreateSurface(dd::SurfaceDesc{dd::kCapsPrimarySurface, 0, 0, 0, {}}, &primary), dd::kOk);
  const dd::Rect box{10, 10, 20, 20};
  ASSERT_EQ(primary->Blt(&box, nullptr, nullptr, dd::kBltColorFill, 0x123456), dd::kOk);
  EXPECT_EQ(FramebufferPixel(15, 15), 0x123456u);
  EXPECT_EQ(FramebufferPixel(25, 15), 0u);
  object->ReleaseSurface(primary);

  ASSERT_EQ(object->SetDisplayMode(640, 480, 8, 0, 0), dd::kOk);
  ASSERT_EQ(object->CreateSurface(dd::SurfaceDesc{dd::kCapsPrimarySurface, 0, 0, 0, {}}, &primary), dd::kOk);
  dd::PaletteEntry entries[256] = {};
  entries[7] = dd::PaletteEntry{0x12, 0x34, 0x56, 0};
  std::unique_ptr<dd::Palette> palette;
  ASSERT_EQ(object->CreatePalette(entries, &palette), dd::kOk);
  ASSERT_EQ(primary->SetPalette(palette.get()), dd::kOk);
  ASSERT_EQ(primary->Blt(&box, nullptr, nullptr, dd::kBltColorFill, 7), dd::kOk);
  EXPECT_EQ(FramebufferPixel(15, 15), 0x123456u);
  // A palette on a surface that is not 8-bit is refused.
  dd::Surface* plain = nullptr;
  ASSERT_EQ(object->CreateSurface(dd::SurfaceDesc{dd::kCapsOffscreenPlain, 8, 8, 0, dd::RgbFormat(32)}, &plain),
            dd::kOk);
  EXPECT_EQ(plain->SetPalette(palette.get()), dd::kErrInvalidParams);
  primary->SetPalette(nullptr);
}

TEST_F(DisplayModes, TheAdapterIsReportedOnlyWhileShiftIsHeld) {
  for (const bool shift : {false, true}) {
    SCOPED_TRACE(shift);
    platform::SetVirtualKeyDown(0x10, shift);
    ASSERT_EQ(StartEngine(), 0);
    {
      ApiLockGuard lock;
      EXPECT_STREQ(g_DisplayDevice.driverName, shift ? "memdisplay" : "");
      EXPECT_EQ(g_DisplayDevice.totalVideoMemory, 0x1000000u);
      dd::Caps caps{};
      ASSERT_EQ(GetDirectDrawCaps(&caps), 0);
      EXPECT_EQ(caps.totalVideoMemory, g_DisplayDevice.caps.totalVideoMemory);
      EXPECT_EQ(GetDirectDrawCaps(nullptr), -1);
    }
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(FindLine(lines, "ビデオカードドライバ:memdisplay") >= 0, shift);
    EndEngine();
    ResetDisplaySettings();
  }
}

TEST_F(DisplayModes, TheDeviceRebuildBringsBackScreensPaletteMaskAndGraphics) {
  ChangeWindowMode(0);
  ASSERT_EQ(StartEngine(), 0);
  ASSERT_EQ(SelectScreenMode(640, 480, 8, -1), 0);
  int graph = -1;
  {
    ApiLockGuard lock;
    SetDrawValidGraphCreateFlag(1);
    graph = CreateEmptyGraph(8, 8);
    SetDrawValidGraphCreateFlag(0);
    ASSERT_EQ(CreateMaskScreen(), 0);
    FillMaskScreenRect(0, 0, 320, 480, 1);
    ASSERT_EQ(SetMaskScreenActive(1), 0);
  }
  {
    ApiLockGuard lock;
    ASSERT_EQ(RestoreGraphDevice(), 0);
    EXPECT_NE(GetDirectDrawObject(), nullptr);
    EXPECT_NE(GetPrimarySurface(), nullptr);
    ASSERT_NE(GetScreenPalette(), nullptr);
    EXPECT_EQ(GetPrimarySurface()->GetPalette(), GetScreenPalette());
    EXPECT_NE(GetMaskSurface(), nullptr);
    EXPECT_EQ(g_GraphDrawState.MaskActive, 1);
    EXPECT_NE(GetGraphData(graph), nullptr);
  }
  // The mask came back zero-filled: every pixel lets drawing through again.
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 640, 480, MakeColorValue(255, 255, 255), 1), 0);
  ASSERT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(10, 10), 0xFFFFFFu);
  EXPECT_EQ(FramebufferPixel(600, 10), 0xFFFFFFu);
}

}  // namespace
}  // namespace engine_test
