// The display device in a running headless engine: start-up, clearing, drawing through the screen lock and
// presenting into the headless framebuffer, screen-mode changes with their fall-backs and pacing, the three screen
// models and the present with the front screen as target.
#include <gtest/gtest.h>

#include <filesystem>

#include "../engine_start/engine_fixture.h"
#include "engine/core/api_lock.h"
#include "engine/core/public_api.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/graphics_init.h"
#include "engine/graphics/present.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/softrender/fill_memimg_rect.h"
#include "platform/base/clock.h"
#include "platform/display/ddraw.h"
#include "platform/display/headless_display.h"
#include "platform/files/path.h"
#include "tests/support/context_mode.h"

namespace engine_test {
namespace {

namespace dd = platform::dd;
using platform::headless::FramebufferPixel;

class Display : public HeadlessEngine {
 protected:
  void TearDown() override {
    dd::SetModeFilter(nullptr);
    HeadlessEngine::TearDown();
    ResetDisplaySettings();
  }
  test_support::ContextModePin contextMode_;
  void Start(int windowMode) {
    ChangeWindowMode(windowMode);
    ASSERT_EQ(StartEngine(), 0);
  }
  // Fills a box on the draw screen the way the drawing operations do (through the screen lock).
  static int FillBox(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    ApiLockGuard lock;
    return DrawFilledBoxSoft(x1, y1, x2, y2, colour);
  }
  static int Select(int target) {
    ApiLockGuard lock;
    return SelectDrawTargetBody(target);
  }
};

TEST_F(Display, StartUpShowsABlack640x480FrameAndLogsTheDeviceInOrder) {
  // The start-up of the 2D path, whose log says the 3D device could not be had: software path only.
  contextMode_.Set();
  Start(1);
  const platform::headless::Framebuffer fb = platform::headless::GetFramebuffer();
  ASSERT_EQ(fb.width, 640);
  ASSERT_EQ(fb.height, 480);
  EXPECT_GE(fb.frames, 1u);
  EXPECT_EQ(fb.window, g_System.mainWindow);
  for (std::uint32_t p : fb.pixels) ASSERT_EQ(p, 0u);
  int w = 0, h = 0;
  EXPECT_EQ(QueryScreenSize(&w, &h), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  const DDPixelFormat* format = QueryScreenPixelFormat();
  EXPECT_EQ(format->rgbBitCount, 32u);
  EXPECT_EQ(format->maskR, 0xFF0000u);
  EXPECT_EQ(GetScreenColorBitDepth(), 32);  // the window model takes the desktop's depth
  EXPECT_EQ(Use3D, 0);
  EXPECT_EQ(g_DisplayDevice.up, 1u);
  EXPECT_GT(g_DisplayDevice.frameTime, 0);

  const auto lines = Lines();
  int at = 0;
  for (const char* prefix : {"DirectDraw 関連の初期化を行います", "DirectDraw オブジェクトの取得を行います....  引き続き初期化処理... 初期化に成功しました",
                             "ビデオカードの情報", "画面モード変更処理を開始します", "画面モードの変更処理を開始します 640 x 480  16 bit ",
                             "ウインドウモードにします", "画面モードの変更は正常に終了しました ", "カラー情報",
                             "A:00000000  B:00ff0000  G:0000ff00  B:000000ff", "出力画面用の DirectDrawSurface を作成します",
                             "各スクリーンメモリの配置位置", "PrimaryBuffer : SYSTEMMEMORY  ", "BaskBuffer : SYSTEMMEMORY  ",
                             "出力画面用の DirectDrawSurface の作成は正常に終了しました", "Direct3D 関連の初期化を行います",
                             "Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します", "Direct3Dオブジェクトの作成に失敗しました",
                             "グラフィック管理系の初期化を行います", "３Ｄグラフィック描画機能は使用しません",
                             "グラフィック管理系の初期化は正常に終了しました", "サーフェス間転送には ", "BitBlt:", "スキャンラインの数:1080",
                             "１フレーム当たりの時間は ", "Tri00:", "画面モード変更処理は正常に終了しました",
                             "オーバーレイサーフェスは使用しません", "DirectDraw 関連の初期化は正常に終了しました"}) {
    const int found = FindLine(lines, prefix, at);
    ASSERT_NE(found, -1) << "missing or out of order: " << platform::Cp932ToUtf8(prefix);
    at = found + 1;
  }
  ASSERT_EQ(EndEngine(), 0);
  EXPECT_EQ(GetDirectDrawObject(), nullptr);
  const auto after = Lines();
  at = FindLine(after, "DirectDraw 関連の終了処理をおこないます");
  ASSERT_NE(at, -1);
  EXPECT_NE(FindLine(after, "DirectDraw 関連の終了処理は正常に終了しました", at), -1);
}

TEST_F(Display, AFillOnTheBackScreenShowsAfterThePresent) {
  Start(1);
  ASSERT_EQ(Select(-2), 0);
  EXPECT_EQ(ClearCurrentDrawScreen(), 0);
  const std::uint64_t frames = platform::headless::GetFramebuffer().frames;
  ASSERT_EQ(FillBox(100, 50, 300, 200, 0x00FF8000u), 0);
  EXPECT_EQ(platform::headless::GetFramebuffer().frames, frames);  // nothing shows before the present
  const std::uint64_t presents = GetPresentCount();
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(GetPresentCount(), presents + 1);
  EXPECT_EQ(FramebufferPixel(100, 50), 0xFF8000u);
  EXPECT_EQ(FramebufferPixel(299, 199), 0xFF8000u);
  EXPECT_EQ(FramebufferPixel(300, 199), 0u);
  EXPECT_EQ(FramebufferPixel(99, 50), 0u);
  EXPECT_EQ(FramebufferPixel(100, 200), 0u);
  // The lock is balanced: the back surface is free again.
  EXPECT_EQ(GetBackSurface()->LockCount(), 0);
  const std::string png = directory_ + "/frame.png";
  EXPECT_TRUE(platform::headless::SaveFramebufferPng(png));
  EXPECT_GT(std::filesystem::file_size(png), 100u);

  // Clearing the back screen and presenting again shows black.
  EXPECT_EQ(ClearCurrentDrawScreen(), 0);
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(150, 100), 0u);
}

TEST_F(Display, TheLockRefusesEmptyRectanglesAndClipsByTheDrawArea) {
  Start(1);
  ASSERT_EQ(Select(-2), 0);
  EXPECT_EQ(FillBox(700, 10, 800, 20, 0xFFFFFFu), -1);  // outside the screen: empty after clipping
  EXPECT_EQ(FillBox(600, 400, 900, 900, 0x0000FFu), 0);  // clipped to the screen's edge
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(639, 479), 0x0000FFu);
  EXPECT_EQ(FramebufferPixel(599, 479), 0u);
}

TEST_F(Display, PresentingWithTheFrontScreenAsTargetWaitsOneBlankAndCopiesNothing) {
  Start(1);
  ASSERT_EQ(Select(-2), 0);
  ASSERT_EQ(FillBox(0, 0, 10, 10, 0x00FF00u), 0);
  ASSERT_EQ(Select(-4), 0);
  const std::uint64_t frames = dd::PresentedFrames();
  const std::uint64_t presents = GetPresentCount();
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(dd::PresentedFrames(), frames);
  EXPECT_EQ(FramebufferPixel(5, 5), 0u);
  EXPECT_EQ(GetPresentCount(), presents + 1);
  // The wait ends right at the start of a blank.
  bool blank = false;
  DirectDrawDevice()->GetVerticalBlankStatus(&blank);
  EXPECT_TRUE(blank);
}

TEST_F(Display, ThePresentWaitsForTheVerticalBlank) {
  Start(1);
  ASSERT_EQ(Select(-2), 0);
  const std::uint64_t waits = dd::VerticalBlankWaits();
  PresentBackScreen();
  PresentBackScreen();
  EXPECT_GE(dd::VerticalBlankWaits(), waits + 1);
  {
    ApiLockGuard lock;
    SetFlipWaitForVBlank(0);
  }
  const std::uint64_t before = dd::VerticalBlankWaits();
  PresentBackScreen();
  EXPECT_EQ(dd::VerticalBlankWaits(), before);
}

struct ModeCase {
  const char* name;
  int width, height, bits, refresh;
  int expected;
  int wantWidth, wantBits, wantRefresh;
};

TEST_F(Display, SelectScreenModeInWindowMode) {
  Start(1);
  const ModeCase cases[] = {
      {"the game's mode", 640, 480, 32, 60, 0, 640, 32, 60},
      {"24 bits refused", 640, 480, 24, 60, -1, 640, 32, 60},
      {"zero width refused", 0, 480, 32, 60, -1, 640, 32, 60},
      {"-1 keeps everything", -1, -1, -1, -1, 0, 640, 32, 60},
      {"16 bits on a 32-bit desktop stays 32", -1, -1, 16, -1, -1, 640, 32, 60},
      {"a larger window", 800, 600, 32, 0, 0, 800, 32, 0},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SelectScreenMode(c.width, c.height, c.bits, c.refresh), c.expected);
    int w = 0;
    QueryScreenSize(&w, nullptr);
    EXPECT_EQ(w, c.wantWidth);
    EXPECT_EQ(GetScreenBits(), c.wantBits);
    EXPECT_EQ(static_cast<int>(g_DisplayDevice.refresh), c.wantRefresh);
  }
  // The new mode is shown: the window's frame follows the screen size.
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(platform::headless::GetFramebuffer().width, 800);
}

TEST_F(Display, FullScreenModesTheDeviceRefusesFallBack) {
  Start(0);
  EXPECT_EQ(GetFullScreenActiveFlag(), 1);
  EXPECT_EQ(GetScreenBits(), 16);  // full screen starts at 640 x 480 x 16
  EXPECT_EQ(SelectScreenMode(640, 480, 32, 60), 0);
  // Only 640 x 480 at 32 bits and 16 bits are offered.
  dd::SetModeFilter([](int w, int h, int, int) { return w == 640 && h == 480; });
  EXPECT_EQ(SelectScreenMode(800, 600, 32, 60), -1);  // back to the mode before
  int w = 0, h = 0;
  QueryScreenSize(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(GetScreenBits(), 32);
  // Now the previous mode is refused too: 640 x 480 x 16 at the driver's refresh.
  dd::SetModeFilter([](int w2, int h2, int bits, int) { return w2 == 640 && h2 == 480 && bits == 16; });
  EXPECT_EQ(SelectScreenMode(800, 600, 32, 60), -2);
  EXPECT_EQ(GetScreenBits(), 16);
  EXPECT_EQ(QueryScreenPixelFormat()->maskR, 0xF800u);
  // A refresh rate the device refuses is retried at 0.
  dd::SetModeFilter([](int, int, int bits, int refresh) { return bits == 32 && refresh == 0; });
  EXPECT_EQ(SelectScreenMode(640, 480, 32, 75), -1);
  EXPECT_EQ(g_DisplayDevice.refresh, 0u);
  EXPECT_EQ(GetScreenBits(), 32);
  // Frames still reach the display through the flip chain.
  ASSERT_EQ(Select(-2), 0);
  ASSERT_EQ(FillBox(0, 0, 640, 480, 0x123456u), 0);
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(320, 240), 0x123456u);
}

TEST_F(Display, ASecondModeChangeWithinTwoSecondsWaitsUntil2060ms) {
  Start(1);
  ASSERT_EQ(SelectScreenMode(800, 600, 32, 0), 0);
  const std::uint32_t first = g_DisplayDevice.lastModeChangeTime;
  ASSERT_EQ(SelectScreenMode(640, 480, 32, 0), 0);
  const std::uint32_t second = g_DisplayDevice.lastModeChangeTime;
  EXPECT_GE(second - first, 2060u);
  EXPECT_LT(second - first, 2070u);
  // Once two seconds have passed, only the 60 ms step remains.
  platform::SleepMilliseconds(3000);
  const std::uint32_t before = platform::MillisecondClock();
  ASSERT_EQ(SelectScreenMode(800, 600, 32, 0), 0);
  EXPECT_GE(g_DisplayDevice.lastModeChangeTime - before, 60u);
  EXPECT_LT(g_DisplayDevice.lastModeChangeTime - before, 70u);
}

TEST_F(Display, ScreenModels) {
  // Hardware window model: primary spanning the desktop, off-screen back, two keyed work surfaces, Z on the back.
  Start(1);
  EXPECT_EQ(g_Screens.primary->Width(), 1920);
  EXPECT_EQ(g_Screens.back->Width(), 640);
  EXPECT_EQ(g_Screens.back->AttachedSurface(), g_Screens.zSurface);
  EXPECT_EQ(g_Screens.zSurface->Format().bitCount, 16u);
  EXPECT_TRUE(g_Screens.work->HasColorKey());
  EXPECT_TRUE(g_Screens.work2->HasColorKey());
  EXPECT_EQ(g_Screens.mainImagesInUse, 0);
  EXPECT_EQ(DrawScreenMemImg, nullptr);

  // Software model: MEMIMG screens; the back image maps the locked back surface (formats match).
  {
    ApiLockGuard lock;
    SetHardwareRenderFlag(0);
  }
  EXPECT_EQ(IsSoftwareScreenModel(), 1);
  EXPECT_EQ(g_Screens.mainImagesInUse, 1);
  EXPECT_EQ(g_Screens.work, nullptr);
  EXPECT_EQ(g_Screens.backMapped, 1);
  EXPECT_EQ(g_Screens.back->LockCount(), 1);
  EXPECT_EQ(g_Screens.backImage.Pitch, g_Screens.back->Pitch());
  EXPECT_EQ(g_Screens.backImage.NotOwned, 1);
  EXPECT_EQ(g_Screens.frontImage.Pitch, 640 * 4);
  EXPECT_EQ(g_Screens.zImage.Format, kFormatDepth16);
  ASSERT_EQ(Select(-2), 0);
  EXPECT_EQ(DrawScreenMemImg, &g_Screens.backImage);
  ASSERT_EQ(FillBox(10, 10, 20, 20, 0xFF0000u), 0);
  EXPECT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(FramebufferPixel(15, 15), 0xFF0000u);
  EXPECT_EQ(g_Screens.back->LockCount(), 1);  // locked again after the present
  EXPECT_EQ(g_Screens.frontStale, 1);
  ASSERT_EQ(EndEngine(), 0);

  // Hardware full-screen model: a flip chain, two back buffers with the default 16 MB at 640 x 480 x 32.
  ResetDisplaySettings();
  Start(0);
  EXPECT_EQ(g_Screens.backBufferCount, 2);
  EXPECT_EQ(g_Screens.primary->BackBuffer(), g_Screens.back);
  EXPECT_EQ(g_Screens.primary->Width(), 640);
  {
    ApiLockGuard lock;
    SelectScreenModeBody(1024, 768, 32, 0);
  }
  EXPECT_EQ(g_Screens.backBufferCount, 1);
}

TEST_F(Display, SurfacesLostAreRestoredAndAFailedLockSkipsTheDraw) {
  Start(1);
  ASSERT_EQ(Select(-2), 0);
  g_Screens.back->MarkLost();
  EXPECT_EQ(FillBox(0, 0, 10, 10, 0xFFFFFFu), -1);
  EXPECT_EQ(g_Screens.back->LockCount(), 0);
  {
    ApiLockGuard lock;
    RestoreMainSurfaces();
  }
  EXPECT_EQ(g_Screens.back->IsLost(), dd::kOk);
  EXPECT_EQ(FillBox(0, 0, 10, 10, 0xFFFFFFu), 0);
}

}  // namespace
}  // namespace engine_test
