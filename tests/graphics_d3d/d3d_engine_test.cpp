// The Direct3D layer of the engine on the headless device: start-up and formats, texture division and tiles, the
// state cache and stage set-up, device loss and rebuild.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "engine/core/pending_subsystems.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/matrix.h"
#include "engine/graphics/movie.h"
#include "engine/graphics/screen_copy.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface_data.h"
#include "platform/base/clock.h"
#include "platform/d3d/egl_context.h"
#include "platform/display/headless_display.h"
#include "tests/support/movie_writer.h"
#include "tests/engine_start/engine_fixture.h"
#include "tests/images/image_writers.h"
#include "tests/support/context_mode.h"

namespace {

namespace d3d = platform::d3d;

class D3DEngine : public engine_test::HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    contextMode_.Set(d3d::ContextMode::kEgl);
    ASSERT_EQ(StartEngine(), 0);
    ASSERT_EQ(Use3D, 1);
    ASSERT_EQ(SelectDrawTarget(-2), 0);
  }
  test_support::ContextModePin contextMode_;
  static Direct3DDeviceRecord* Record() { return CurrentD3DRecord(); }
  static std::uint32_t BackPixel(int x, int y) {
    ApiLockGuard lock;
    G_D3D_EndScene();
    const platform::dd::Surface* back = GetBackSurface();
    std::uint32_t v = 0;
    std::memcpy(&v, back->Pixels() + static_cast<std::ptrdiff_t>(y) * back->Pitch() + x * 4, 4);
    return v & 0xFFFFFF;
  }
  // A w x h picture of distinct colours per pixel, loaded as a graphic.
  static int LoadPicture(int w, int h) {
    testimg::PngShape s{w, h, PNG_COLOR_TYPE_RGB, 8, {}};
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        s.rows.push_back(static_cast<std::uint8_t>(x));
        s.rows.push_back(static_cast<std::uint8_t>(y));
        s.rows.push_back(static_cast<std::uint8_t>(x / 256 * 16 + y / 256 + 1));
      }
    }
    const testimg::Bytes bytes = testimg::WritePng(s);
    std::ofstream("pic.png", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
    return LoadGraphicFile("pic.png");
  }
  static std::uint32_t PictureColour(int x, int y) {
    return static_cast<std::uint32_t>(x & 0xFF) << 16 | static_cast<std::uint32_t>(y & 0xFF) << 8 |
           static_cast<std::uint32_t>(x / 256 * 16 + y / 256 + 1);
  }
};

TEST_F(D3DEngine, StartUpChoosesTheDeviceAndFillsEveryFormatSlot) {
  EXPECT_EQ(g_D3D.deviceDesc.guid, d3d::DeviceGuid::kTnLHal);
  EXPECT_EQ(g_D3D.zFormat.rgbBitCount, 16u);
  for (int i = 0; i < 9; ++i) EXPECT_NE(g_D3D.formats[i].colorData.bitsPerPixel, 0) << i;
  EXPECT_EQ(g_D3D.formats[0].colorData.bitsPerPixel, 16);
  EXPECT_EQ(g_D3D.formats[1].colorData.bitsPerPixel, 32);
  EXPECT_EQ(g_D3D.formats[2].colorData.maskA, 0xF000u);
  EXPECT_EQ(g_D3D.formats[4].colorData.maskA, 0x8000u);
  EXPECT_EQ(g_D3D.formats[8].colorData.maskA, 0xFF000000u);
  EXPECT_EQ(g_D3D.copyMethodPlain, -1);
  EXPECT_EQ(InitDirect3D(), -1) << "already up";
  const std::vector<std::string> lines = Lines();
  EXPECT_GE(engine_test::FindLine(lines, "Direct3D 関連の初期化は正常に終了しました"), 0);
  EXPECT_GE(engine_test::FindLine(lines, "３Ｄグラフィック描画機能を使用します"), 0);
}

// Draws still in the vertex batch reach the back screen's memory when it is locked, with the scene still open, even
// when they are the device's first draws into it; a lock for writing then keeps its change under the next draws.
TEST_F(D3DEngine, BatchedDrawsAreInTheBackScreenWhenItIsLocked) {
  auto lockedPixel = [](int x, int y, std::uint32_t flags, const std::uint32_t* write) {
    ApiLockGuard lock;
    platform::dd::Surface* back = GetBackSurface();
    std::uint8_t* p = nullptr;
    int pitch = 0;
    EXPECT_EQ(back->Lock(nullptr, flags, &p, &pitch), platform::dd::kOk);
    std::uint32_t v = 0;
    std::memcpy(&v, p + static_cast<std::ptrdiff_t>(y) * pitch + x * 4, 4);
    if (write != nullptr) std::memcpy(p + static_cast<std::ptrdiff_t>(y) * pitch + x * 4, write, 4);
    back->Unlock();
    return v & 0xFFFFFF;
  };
  ASSERT_EQ(DrawRectangle(0, 0, 10, 10, 0xFF0000, 1), 0);
  EXPECT_EQ(lockedPixel(5, 5, platform::dd::kLockReadOnly, nullptr), 0xFF0000u);
  const std::uint32_t white = 0xFFFFFFFF;
  ASSERT_EQ(DrawRectangle(20, 0, 30, 10, 0x00FF00, 1), 0);
  EXPECT_EQ(lockedPixel(25, 5, platform::dd::kLockWait, &white), 0x00FF00u);
  ASSERT_EQ(DrawRectangle(40, 0, 50, 10, 0x0000FF, 1), 0);
  EXPECT_EQ(BackPixel(25, 5), 0xFFFFFFu);
  EXPECT_EQ(BackPixel(45, 5), 0x0000FFu);
  EXPECT_EQ(BackPixel(5, 5), 0xFF0000u);
}

TEST_F(D3DEngine, MovieFramesReachTheirTextures) {
  // Frame n paints red n * 8, green x * 4, blue y * 4; raw frames keep the values exact.
  const auto painted = [](int n, int x, int y) {
    return static_cast<std::uint32_t>(n * 8) << 16 | static_cast<std::uint32_t>(x * 4) << 8 |
           static_cast<std::uint32_t>(y * 4);
  };
  movie_test::MovieParams params;
  params.fps = 10;
  params.frames = 20;
  ASSERT_TRUE(movie_test::WriteMovie("clip.avi", params, painted));
  const int h = LoadGraphicFile("clip.avi");
  ASSERT_GE(h, 0);
  {
    ApiLockGuard lock;
    EXPECT_NE(GetGraphData(h)->Flags.Texture, 0u);
    ASSERT_EQ(PlayMovieGraph(h), 0);
  }
  platform::SleepMilliseconds(350);
  ASSERT_EQ(DrawGraphAt(10, 20, h, 0), 0);
  EXPECT_EQ(BackPixel(10 + 5, 20 + 7), painted(3, 5, 7));
  EXPECT_EQ(BackPixel(10 + 63, 20 + 47), painted(3, 63, 47));
}

TEST_F(D3DEngine, AnAlphaMoviesRightHalfIsItsTexturesAlpha) {
  // 64 x 48 frames: the left half the picture, the right half its alpha (clear in its first 16 columns, opaque after).
  const auto painted = [](int n, int x, int y) -> std::uint32_t {
    if (x >= 32) return x - 32 < 16 ? 0u : 0xFFFFFFu;
    return static_cast<std::uint32_t>(n * 8) << 16 | static_cast<std::uint32_t>(x * 4) << 8 |
           static_cast<std::uint32_t>(y * 4);
  };
  movie_test::MovieParams params;
  params.fps = 10;
  params.frames = 20;
  ASSERT_TRUE(movie_test::WriteMovie("alpha.avi", params, painted));
  g_MovieAlphaSetting = 1;
  const int h = LoadGraphicFile("alpha.avi");
  g_MovieAlphaSetting = 0;
  ASSERT_GE(h, 0);
  int w = 0, height = 0;
  ASSERT_EQ(GetGraphicSize(h, &w, &height), 0);
  EXPECT_EQ(w, 32);
  {
    ApiLockGuard lock;
    EXPECT_NE(GetGraphData(h)->Flags.Texture, 0u);
    ASSERT_EQ(PlayMovieGraph(h), 0);
  }
  ASSERT_EQ(DrawRectangle(0, 0, 100, 100, 0x102030, 1), 0);
  platform::SleepMilliseconds(350);
  ASSERT_EQ(DrawGraphAt(10, 20, h, 1), 0);
  EXPECT_EQ(BackPixel(10 + 5, 20 + 7), 0x102030u);  // clear: the background stays
  EXPECT_EQ(BackPixel(10 + 20, 20 + 7), painted(3, 20, 7));
  EXPECT_EQ(BackPixel(10 + 31, 20 + 47), painted(3, 31, 47));
  EXPECT_EQ(BackPixel(10 + 40, 20 + 7), 0x102030u);  // nothing beyond the graphic's half width
}

TEST_F(D3DEngine, TextureLengthsDivideByTheScreenWidth) {
  struct Case {
    int length, flag;
    std::vector<int> lengths;
  };
  const Case cases[] = {
      {640, 0, {512, 128}}, {480, 0, {512}},  {300, 0, {512}},       {1000, 0, {1024}},
      {700, 0, {512, 128, 64}}, {20, 0, {32}}, {10, 0, {16}},        {640, 1, {1024}},
      {1, 0, {1}},           {33, 0, {64}},   {1500, 0, {1024, 512}},
  };
  for (const Case& c : cases) {
    int out[65] = {};
    const int n = DivideTextureLength(c.length, out, c.flag);
    EXPECT_EQ(std::vector<int>(out, out + n), c.lengths) << c.length << " flag " << c.flag;
  }
}

TEST_F(D3DEngine, GraphicsAreTiledAndTooManyTilesAreRefused) {
  ApiLockGuard lock;
  const int h = CreateEmptyGraph(640, 480);
  ASSERT_GE(h, 0);
  const GraphData* g = GetGraphData(h);
  ASSERT_EQ(g->TileCount, 2);
  const Surface3DData* a = GetSurface3DData(g->Tiles[0]);
  const Surface3DData* b = GetSurface3DData(g->Tiles[1]);
  EXPECT_EQ(GetSurfaceData(a->Texture)->Width, 512);
  EXPECT_EQ(a->Height, 480);
  EXPECT_EQ(b->X, 512);
  EXPECT_EQ(GetSurfaceData(b->Texture)->Width, 128);
  EXPECT_EQ(GetSurfaceData(b->Texture)->Height, 512);
  EXPECT_EQ(a->CornerFlags[0], 1);
  EXPECT_EQ(a->CornerFlags[3], 0);
  const int live = g_Surface3DTable.count;
  EXPECT_EQ(CreateEmptyGraph(9 * 1024, 8 * 1024), -1);
  EXPECT_EQ(g_Surface3DTable.count, live);
  EXPECT_EQ(GetSurface3DData(0x28000000 | (g->Tiles[0] & 0x07FFFFFF)), nullptr) << "another handle family";
  EXPECT_EQ(DeleteGraphicBody(h, 0), 0);
  EXPECT_EQ(g_Surface3DTable.count, live - 2);
}

TEST_F(D3DEngine, DerivedGraphicsShareTexturesThatOutliveTheirParent) {
  const int parent = LoadPicture(700, 40);
  ASSERT_GE(parent, 0);
  int child = -1, texture = -1;
  {
    ApiLockGuard lock;
    ASSERT_EQ(GetGraphData(parent)->TileCount, 3);
    child = DeriveGraph(500, 5, 100, 20, parent);
    ASSERT_GE(child, 0);
    const GraphData* c = GetGraphData(child);
    ASSERT_EQ(c->TileCount, 2) << "the part crosses the texture edge at 512";
    const Surface3DData* first = GetSurface3DData(c->Tiles[0]);
    EXPECT_EQ(first->Width, 12);
    EXPECT_EQ(first->TextureX, 500);
    texture = first->Texture;
    EXPECT_EQ(GetSurfaceData(texture)->UseCount, 2u);
    ASSERT_EQ(DeleteGraphicBody(parent, 0), 0);
    EXPECT_EQ(GetSurfaceData(texture)->UseCount, 1u);
  }
  // The child still draws its pixels: its first column is the parent's column 500.
  ASSERT_EQ(DrawGraphAt(10, 10, child, 0), 0);
  EXPECT_EQ(BackPixel(10, 10), PictureColour(500, 5));
  EXPECT_EQ(BackPixel(10 + 99, 10 + 19), PictureColour(599, 24));
}

TEST_F(D3DEngine, StateCacheSendsOnlyChanges) {
  ApiLockGuard lock;
  const int dev = g_D3D.currentDevice;
  Direct3DDeviceRecord* r = Record();
  ASSERT_NE(r, nullptr);
  G_D3D_SetBlendMode(dev, 1, 0, 0);
  r->pendingCount = 3;  // a batch gathered under the current states
  EXPECT_EQ(G_D3D_SetBlendMode(dev, 1, 0, 0), 0);
  EXPECT_EQ(r->pendingCount, 3) << "the same settings leave the batch pending";
  G_D3D_SetViewport(dev, d3d::Viewport{0, 0, 640, 480, 0.5f, 0.7f});
  EXPECT_EQ(r->pendingCount, 3) << "only the z range differs";
  r->pendingCount = 0;
  EXPECT_EQ(G_D3D_SetTextureFilter(dev, 2), -1);

  // Multiply: destination SRCCOLOR, source ZERO.
  G_D3D_SetTexture(dev, nullptr);
  G_D3D_SetBlendMode(dev, 4, 0, 0);
  ASSERT_EQ(G_D3D_ApplyDrawStates(dev), 0);
  EXPECT_EQ(r->destBlend, d3d::kBlendSrcColor);
  EXPECT_EQ(r->srcBlend, d3d::kBlendZero);
  EXPECT_EQ(r->device->GetRenderState(d3d::kRsDestBlend), static_cast<std::uint32_t>(d3d::kBlendSrcColor));
  EXPECT_EQ(G_D3D_ApplyDrawStates(dev), -1) << "nothing pending";

  // A blend graphic with range 64 and border 128: stage 0 subtracts factor alpha 97, stage 1 multiplies by 4.
  const int h = CreateEmptyGraph(32, 32);
  const GraphData* g = GetGraphData(h);
  d3d::Texture* texture =
      static_cast<d3d::Texture*>(GetSurfaceData(GetSurface3DData(g->Tiles[0])->Texture)->Surface);
  G_D3D_SetBlendMode(dev, 0, 0, 0);
  G_D3D_SetTexture(dev, texture);
  G_D3D_SetBlendTexture(dev, texture, 128, 64);
  ASSERT_EQ(G_D3D_ApplyDrawStates(dev), 0);
  EXPECT_EQ(r->vertexType, 2);
  EXPECT_EQ(r->stages[0].states[2], d3d::kOpSubtract);
  EXPECT_EQ(r->stages[1].states[2], d3d::kOpModulate4x);
  EXPECT_EQ(r->textureFactor >> 24, 97u);
  EXPECT_EQ(r->device->GetTexture(1), texture);

  // Switching between two textures only marks the texture; the next set-up sends one SetTexture.
  G_D3D_SetBlendTexture(dev, nullptr, -1, -1);
  G_D3D_ApplyDrawStates(dev);
  const int other = CreateEmptyGraph(32, 32);
  d3d::Texture* texture2 = static_cast<d3d::Texture*>(
      GetSurfaceData(GetSurface3DData(GetGraphData(other)->Tiles[0])->Texture)->Surface);
  G_D3D_SetTexture(dev, texture2);
  EXPECT_EQ(r->stageSetupPending, 0);
  EXPECT_EQ(r->textureChangePending, 1);
  ASSERT_EQ(G_D3D_ApplyDrawStates(dev), 0);
  EXPECT_EQ(r->device->GetTexture(0), texture2);

  // A 2 x 2 grid is one strip.
  G_D3D_BeginScene();
  const std::uint64_t calls = r->device->DrawCalls();
  const D3DVertex grid[4] = {};
  EXPECT_EQ(G_D3D_DrawGridStrips(dev, 2, grid, 2), 0);
  EXPECT_EQ(r->device->DrawCalls(), calls + 1);
  EXPECT_EQ(G_D3D_DrawGridStrips(dev, 1, grid, 4), -1);
}

// Device loss: the textures lose their pixels; the rebuild re-creates the device and reloads every graphic from its
// file, tiled ones included, and the frame comes out as before.
TEST_F(D3DEngine, DeviceLossAndRebuildBringEveryTextureBack) {
  const int big = LoadPicture(700, 300);
  ASSERT_GE(big, 0);
  ASSERT_GT(GetGraphData(big)->TileCount, 1);
  auto frame = [&] {
    DrawRectangle(0, 0, 640, 480, 0, 1);
    DrawGraphAt(-20, 10, big, 0);
    std::vector<std::uint32_t> px;
    for (int y = 0; y < 480; y += 7) {
      for (int x = 0; x < 640; x += 5) px.push_back(BackPixel(x, y));
    }
    return px;
  };
  const std::vector<std::uint32_t> before = frame();
  EXPECT_EQ(BackPixel(0, 10), PictureColour(20, 0));
  EXPECT_EQ(BackPixel(511 - 20, 299 + 10), PictureColour(511, 299)) << "last column of the first texture";
  EXPECT_EQ(BackPixel(512 - 20, 10), PictureColour(512, 0)) << "first column of the second texture";
  {
    ApiLockGuard lock;
    g_D3D.object->SimulateDeviceLoss();
    EXPECT_EQ(RestoreGraphTextures(GetGraphData(big)), -1);
    RestoreGraphDevice();
  }
  EXPECT_EQ(frame(), before);
  const std::vector<std::string> lines = Lines();
  EXPECT_GE(engine_test::FindLine(lines, "Ｄｉｒｅｃｔ３Ｄデバイスを削除しました"), 0);
  EXPECT_GE(engine_test::FindLine(lines, "Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました"), 0);
}

// Text from the texture glyph cache, scaled twice in both directions, is the unscaled text stretched by point
// sampling, edge included, and measures twice as long.
TEST_F(D3DEngine, ScaledTextIsTheUnscaledTextStretched) {
  int font = -1, plain = 0, scaled = 0;
  {
    ApiLockGuard lock;
    font = CreateFontToHandle(nullptr, 16, 6, kFontTypeEdge, -1, 1, 0, -1, -1);
    ASSERT_GE(font, 0);
    ASSERT_EQ(GetFontData(font)->TextureCache, 1);
    const RECT area = g_GraphDrawState.DrawArea;
    const std::uint32_t colour = static_cast<std::uint32_t>(MakeColorValueBody(255, 255, 0));
    const std::uint32_t edge = static_cast<std::uint32_t>(MakeColorValueBody(0, 0, 255));
    plain = GlyphCacheDrawString(1, 10, 10, 0, 1.0, 1.0, "Aq\x82\xa0", colour, nullptr, &area, 1, font, edge, -1, 0,
                                 nullptr);
    scaled = GlyphCacheDrawString(1, 10, 100, 1, 2.0, 2.0, "Aq\x82\xa0", colour, nullptr, &area, 1, font, edge, -1, 0,
                                  nullptr);
  }
  ASSERT_GT(plain, 20);
  EXPECT_EQ(scaled, 2 * plain);
  int differing = 0, inked = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 2 * plain + 8; ++x) {
      const std::uint32_t want = BackPixel(10 + x / 2, 10 + y / 2);
      inked += want != 0 ? 1 : 0;
      differing += BackPixel(10 + x, 100 + y) != want ? 1 : 0;
    }
  }
  EXPECT_GT(inked, 200);
  EXPECT_EQ(differing, 0);
  ApiLockGuard lock;
  DeleteFontToHandle(font);
}

// Text from the texture cache stays inside the draw area, turned glyphs included (each is drawn with the area
// narrowed to its own place, never widened past the area in force), and the area is the same afterwards.
TEST_F(D3DEngine, TextStaysInsideTheDrawArea) {
  ApiLockGuard lock;
  const int font = CreateFontToHandle(nullptr, 24, 6, kFontTypeEdge, -1, 2, 0, -1, -1);
  ASSERT_GE(font, 0);
  ASSERT_EQ(GetFontData(font)->TextureCache, 1);
  DrawRectangle(0, 0, 640, 480, 0, 1);
  SetDrawClipArea(100, 100, 200, 200);
  const RECT area = g_GraphDrawState.DrawArea;
  EXPECT_EQ(DrawStringWithFont(180, 90, "WWWW", 0xFFFFFF, font, 0xFF0000, 1), 0);
  EXPECT_EQ(DrawStringWithFont(60, 180, "WWWWWWWWW", 0xFFFFFF, font, 0xFF0000, 0), 0);
  EXPECT_EQ(g_GraphDrawState.DrawArea.left, area.left);
  EXPECT_EQ(g_GraphDrawState.DrawArea.right, area.right);
  EXPECT_EQ(RequestedDrawClipArea().right, 200);
  int inside = 0, outside = 0;
  for (int y = 60; y < 260; ++y) {
    for (int x = 40; x < 260; ++x) {
      const bool in = x >= 100 && x < 200 && y >= 100 && y < 200;
      (in ? inside : outside) += BackPixel(x, y) != 0 ? 1 : 0;
    }
  }
  EXPECT_GT(inside, 100);
  EXPECT_EQ(outside, 0);
  SetDrawClipArea(0, 0, 640, 480);
  DeleteFontToHandle(font);
}

// A device loss takes the glyph cache's texture with it; the fonts come back with their slots and ids, and the
// same string draws the same pixels again.
TEST_F(D3DEngine, TextDrawsTheSameAfterADeviceLoss) {
  int font = -1;
  {
    ApiLockGuard lock;
    font = CreateFontToHandle(nullptr, 20, 6, kFontTypeAntialias | kFontTypeEdge, -1, 2, 0, -1, -1);
    ASSERT_GE(font, 0);
  }
  auto frame = [&] {
    DrawRectangle(0, 0, 640, 480, MakeColorValue(40, 80, 120), 1);
    {
      ApiLockGuard lock;
      EXPECT_EQ(DrawStringWithFont(20, 30, "Lost \x82\xa0 found", 0xFFFFFF, font, 0xFF0000, 0), 0);
      EXPECT_EQ(DrawStringWithFont(300, 30, "Turned", 0xFFFFFF, font, 0xFF0000, 1), 0);
    }
    std::vector<std::uint32_t> px;
    for (int y = 20; y < 200; ++y) {
      for (int x = 10; x < 400; ++x) px.push_back(BackPixel(x, y));
    }
    return px;
  };
  const std::vector<std::uint32_t> before = frame();
  {
    ApiLockGuard lock;
    g_D3D.object->SimulateDeviceLoss();
    RestoreGraphDevice();
    EXPECT_EQ(CheckFontHandleValid(font), 1);
    EXPECT_EQ(GetFontData(font)->TextureCache, 1);
  }
  EXPECT_EQ(frame(), before);
}

// Headless, a present leaves the frame on the GPU (a copy in a window, the flipped buffer in full screen): the
// framebuffer reads it when it is read, so frames nobody reads are never read back.
TEST_F(D3DEngine, HeadlessFramesAreReadBackOnlyWhenTheFramebufferIsRead) {
  for (const int windowed : {1, 0}) {
    SCOPED_TRACE(windowed == 1 ? "window" : "full screen");
    if (windowed == 0) {
      ASSERT_EQ(SelectScreenMode(640, 480, 32, 60), 0);
      ASSERT_EQ(ChangeWindowMode(0), 0);
      ASSERT_EQ(Use3D, 1);
      ASSERT_EQ(SelectDrawTarget(-2), 0);
      ASSERT_NE(g_Screens.primary->BackBuffer(), nullptr) << "no flip chain";
    }
    const d3d::Direct3D* object = g_D3D.object.get();
    ASSERT_NE(object, nullptr);
    for (int frame = 0; frame < 4; ++frame) {
      const int shade = 60 + frame * 50;
      ASSERT_EQ(ClearCurrentDrawScreen(), 0);
      DrawRectangle(0, 0, 320, 240, MakeColorValue(shade, 0, 0), 1);
      DrawRectangle(320, 240, 640, 480, MakeColorValue(0, 0, shade), 1);
      const std::uint64_t readBacks = object->SurfaceReadBacks();
      ASSERT_EQ(PresentBackScreen(), 0);
      EXPECT_EQ(object->SurfaceReadBacks(), readBacks) << "frame " << frame << " was read back at its present";
      if (frame % 2 == 0) continue;
      EXPECT_EQ(platform::headless::FramebufferPixel(10, 10), static_cast<std::uint32_t>(shade) << 16);
      EXPECT_EQ(platform::headless::FramebufferPixel(630, 470), static_cast<std::uint32_t>(shade));
      EXPECT_EQ(platform::headless::FramebufferPixel(630, 10), 0u);
      EXPECT_EQ(object->SurfaceReadBacks(), readBacks + 1) << "frame " << frame;
    }
  }
  // A frame nobody read before the device went is still there to read.
  ASSERT_EQ(ClearCurrentDrawScreen(), 0);
  DrawRectangle(0, 0, 320, 240, MakeColorValue(0, 250, 0), 1);
  ASSERT_EQ(PresentBackScreen(), 0);
  EXPECT_EQ(EndEngine(), 0);
  EXPECT_EQ(platform::headless::FramebufferPixel(10, 10), 0x00FA00u);
}

TEST_F(D3DEngine, ANewModeRebuildsTheLayer) {
  ASSERT_EQ(SelectScreenMode(640, 480, 32, 60), 0);
  EXPECT_EQ(Use3D, 1);
  EXPECT_EQ(g_D3D.initialised, 1);
  EXPECT_GE(LoadPicture(8, 8), 0);
}

}  // namespace

namespace {

// A graphic without alpha (plain) or with alpha test, of the given size.
int MakeGraph(int w, int h, int alphaTest) {
  ApiLockGuard lock;
  g_GraphDrawState.AlphaTestFlag = alphaTest;
  const int handle = CreateEmptyGraph(w, h);
  g_GraphDrawState.AlphaTestFlag = 1;
  return handle;
}

int GetDrawScreenGraphLocked(int x1, int y1, int x2, int y2, int handle, int windowFront) {
  ApiLockGuard lock;
  return GetDrawScreenGraph(x1, y1, x2, y2, handle, windowFront);
}

class D3DScreenCopy : public D3DEngine {
 protected:
  void SetUp() override {
    D3DEngine::SetUp();
    // A pattern of boxes on the back screen.
    for (int i = 0; i < 8; ++i) {
      DrawRectangle(i * 10, 0, i * 10 + 10, 40, MakeColorValue(i * 30, 255 - i * 30, i * 16), 1);
    }
  }
  // The graphic drawn at (200, 200) shows the copied rectangle of (x, y) w x h.
  void ExpectCopied(int graph, int x, int y, int w, int h) {
    DrawRectangle(200, 200, 200 + w, 200 + h, 0, 1);
    ASSERT_EQ(DrawGraphAt(200, 200, graph, 0), 0);
    for (int j = 0; j < h; j += 3) {
      for (int i = 0; i < w; i += 3) ASSERT_EQ(BackPixel(200 + i, 200 + j), BackPixel(x + i, y + j)) << i << "," << j;
    }
  }
};

TEST_F(D3DScreenCopy, EveryMethodCopiesTheRectangle) {
  using Method = int (*)(int, int, int, int, const GraphData*, int);
  const Method methods[5] = {G_D3D_GetDrawScreenGraphFunction1, G_D3D_GetDrawScreenGraphFunction2,
                             G_D3D_GetDrawScreenGraphFunction3, G_D3D_GetDrawScreenGraphFunction4,
                             G_D3D_GetDrawScreenGraphFunction5};
  for (int alpha = 0; alpha < 2; ++alpha) {
    const int graph = MakeGraph(50, 30, alpha);
    for (int m = 0; m < 5; ++m) {
      SCOPED_TRACE(testing::Message() << "method " << m + 1 << " alpha " << alpha);
      {
        ApiLockGuard lock;
        FillGraphColor(graph, 0, 0, 0, 255);
        G_D3D_EndScene();
        ASSERT_EQ(methods[m](15, 5, 65, 35, GetGraphData(graph), 0), 0);
        EXPECT_EQ(methods[m](15, 5, 15, 35, GetGraphData(graph), 0), -1) << "empty rectangle";
        EXPECT_EQ(methods[m](15, 5, 70, 35, GetGraphData(graph), 0), -1) << "wider than the graphic";
      }
      ExpectCopied(graph, 15, 5, 50, 30);
    }
  }
}

TEST_F(D3DScreenCopy, TheWinnerIsRememberedPerKindOfGraphic) {
  const int plain = MakeGraph(40, 40, 0);
  const int alpha = MakeGraph(40, 40, 1);
  EXPECT_EQ(g_D3D.copyMethodPlain, -1);
  ASSERT_EQ(GetDrawScreenGraphLocked(0, 0, 40, 40, plain, 0), 0);
  EXPECT_EQ(g_D3D.copyMethodPlain, 0) << "the work-surface method comes first and works";
  EXPECT_EQ(g_D3D.copyMethodAlpha, -1) << "the other kind is untouched";
  ExpectCopied(plain, 0, 0, 40, 40);
  ASSERT_EQ(GetDrawScreenGraphLocked(0, 0, 40, 40, alpha, 0), 0);
  EXPECT_EQ(g_D3D.copyMethodAlpha, 0);

  // A rectangle every method refuses: the word is given up.
  EXPECT_EQ(GetDrawScreenGraphLocked(5, 0, 5, 40, plain, 0), -1);
  EXPECT_EQ(g_D3D.copyMethodPlain, -1);

  // The front screen of a window without the window-front flag: the work-surface method refuses, the next one
  // (BltFast from the desktop) wins.
  ASSERT_EQ(SelectDrawTarget(-4), 0);
  ASSERT_EQ(GetDrawScreenGraphLocked(0, 0, 40, 40, plain, 0), 0);
  EXPECT_EQ(g_D3D.copyMethodPlain, 1);
}

}  // namespace

namespace {

TEST_F(D3DEngine, TargetMatricesReachTheDevice) {
  Matrix4 m{};
  EXPECT_EQ(BuildPerspectiveMatrix(&m, 0.01f, 1.0f, 100.0f), -1);
  EXPECT_EQ(BuildPerspectiveMatrix(&m, 1.0f, 5.0f, 5.005f), -1);
  Matrix4 a{}, id{}, out{};
  BuildIdentityMatrix(&id);
  BuildScreenMatrix(&a, 320.0f, 240.0f, 640.0f, 480.0f);
  MultiplyMatrix(&out, &a, &id);
  EXPECT_EQ(std::memcmp(&out, &a, sizeof a), 0);
  EXPECT_EQ(a.m[1][1], -240.0f);
  EXPECT_EQ(a.m[3][0], 320.0f);
  // The camera looks at the target's centre from in front of z 0: a point on the target's centre stays there.
  const Matrix4& view = g_DrawMatrices.view;
  EXPECT_NEAR(320.0f * view.m[0][0] + 240.0f * view.m[1][0] + view.m[3][0], 0.0f, 1e-3);
  ApiLockGuard lock;
  d3d::Matrix world{};
  ASSERT_EQ(G_D3D_GetDevice()->GetTransform(d3d::kTransformWorld, &world), platform::dd::kOk);
  EXPECT_EQ(std::memcmp(&world, &id, sizeof id), 0);
  d3d::Matrix projection{};
  G_D3D_GetDevice()->GetTransform(d3d::kTransformProjection, &projection);
  EXPECT_EQ(projection.m[2][3], 1.0f);
}

}  // namespace
