// The selectors between the graphics layer and the blitters: destination choice (screen or mask), source tile,
// results, and the lock path, over the graphics records and the display stand-ins.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/graphics_glue.h"
#include "engine/softrender/line.h"
#include "engine/softrender/oval.h"
#include "engine/softrender/quad.h"
#include "engine/softrender/rotate.h"
#include "engine/softrender/soft_stretch.h"
#include "tests/softrender_geometry/geometry_test_util.h"

namespace {

using namespace geomtest;

// A tile over (x, y, w, h) of an image the test owns: the surface-data record holds a view of the image.
int AddTestTile(const MEMIMG* image, int x, int y, int w, int h) {
  SurfaceData* s = nullptr;
  const int data = g_SurfaceDataTable.Add(&s);
  DeriveMemImg(&s->Image, image, 0, 0, image->Width, image->Height);
  s->Image.NotOwned = 1;
  s->Width = static_cast<std::uint16_t>(image->Width);
  s->Height = static_cast<std::uint16_t>(image->Height);
  s->UseCount = 1;
  s->MemoryImage = 1;
  Surface2D* t = nullptr;
  const int tile = g_Surface2DTable.Add(&t);
  t->SourceX = static_cast<std::uint16_t>(x);
  t->SourceY = static_cast<std::uint16_t>(y);
  t->Width = static_cast<std::uint16_t>(w);
  t->Height = static_cast<std::uint16_t>(h);
  t->SurfaceDataHandle = data;
  return tile;
}

GraphData TestGraph(int w, int h, int tile) {
  GraphData g{};
  g.Width = w;
  g.Height = h;
  g.Tiles[0] = tile;
  g.TileCount = 1;
  return g;
}

void DeleteTestTiles() {
  for (int i = 0; i < g_Surface2DTable.highMark; ++i) {
    if (g_Surface2DTable.slots[i] != nullptr) DeleteSurface2D(g_Surface2DTable.HandleOf(i));
  }
}

class Selectors : public GeometryTest {
 protected:
  void SetUp() override {
    GeometryTest::SetUp();
    ResetGlue();
    PixelMaker pm(3);
    softtest::MakeSource(&sheet_, kFormat32, softtest::kDirect, 60, 40, pm);
    MakeBlank(&screen_, 200, 120, kFormat32);
    MakeBlank(&mask_, 200, 120, kFormat32);
    MakeBlank(&expect_, 200, 120, kFormat32);
    DrawScreenMemImg = screen_.get();
    SetMaskScratchMemImg(mask_.get());
    SetGlueDirectDrawReady(1);
    g_GraphDrawState.DrawArea = RECT{0, 0, 200, 120};
    whole_ = TestGraph(60, 40, AddTestTile(sheet_.get(), 0, 0, 60, 40));
    part_ = TestGraph(20, 10, AddTestTile(sheet_.get(), 30, 20, 20, 10));
  }
  void TearDown() override {
    DeleteTestTiles();
    ResetGlue();
    GeometryTest::TearDown();
  }
  Image sheet_, screen_, mask_, expect_;
  GraphData whole_{}, part_{};
};

TEST_F(Selectors, RefuseWithoutTheDirectDrawObjectOrTile) {
  SetGlueDirectDrawReady(0);
  EXPECT_EQ(DrawRotatedGraphSoft(50, 50, 1.0, 0.0, &whole_, 0, 0), -1);
  EXPECT_EQ(DrawStretchGraphSoft(0, 0, 10, 10, &whole_, 0, 1, -1), -1);
  EXPECT_EQ(DrawLineSoft(0, 0, 10, 10, 0xFFu), -1);
  EXPECT_EQ(DrawBoxFrameSoft(0, 0, 10, 10, 0xFFu), -1);
  EXPECT_EQ(DrawOvalSoft(50, 50, 5, 5, 0xFFu, 1), -1);
  const int v[12] = {0, 0, 0, 0, 10, 0, 10, 0, 0, 10, 0, 10};
  EXPECT_EQ(DrawFourCornerTriangleSoft(v, &whole_, 0, 0), -1);
  EXPECT_EQ(DrawFourCornerGraphSoft(0, 0, 10, 0, 0, 10, 10, 10, &whole_, 0), 0);
  SetGlueDirectDrawReady(1);
  GraphData bad = TestGraph(10, 10, 99);
  EXPECT_EQ(DrawRotatedGraphSoft(50, 50, 1.0, 0.0, &bad, 0, 0), -1);
  EXPECT_EQ(DrawStretchGraphSoft(0, 0, 10, 10, &bad, 0, 1, -1), -1);
  EXPECT_EQ(DrawFourCornerTriangleSoft(v, &bad, 0, 0), -1);
  EXPECT_EQ(softtest::Snapshot(screen_.get()), softtest::Snapshot(expect_.get()));
}

TEST_F(Selectors, SoftwareModeDrawsIntoTheScreenOrTheMask) {
  EXPECT_EQ(DrawRotatedGraphSoft(100.7f, 50.2f, 1.0, 0.0, &whole_, 0, 0), 0);
  DrawMemImgRotated(expect_.get(), sheet_.get(), 100, 50, 0.0f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(softtest::Snapshot(screen_.get()), softtest::Snapshot(expect_.get()));

  g_GraphDrawState.MaskActive = 1;
  EXPECT_EQ(DrawOvalSoft(30, 30, 5, 3, 0x00FFFFFFu, 1), 0);
  EXPECT_EQ(DrawLineSoft(0, 100, 50, 100, 0x00FFFFFFu), 0);
  EXPECT_NE(GetPixel(mask_.get(), 30, 30), 0u);
  EXPECT_NE(GetPixel(mask_.get(), 10, 100), 0u);
  EXPECT_EQ(GetPixel(screen_.get(), 10, 100), 0u);
}

TEST_F(Selectors, APartialTileDrawsFromItsOwnRectangle) {
  EXPECT_EQ(DrawRotatedGraphSoft(50, 50, 1.0, 0.0, &part_, 0, 0), 0);
  MEMIMG view{};
  DeriveMemImg(&view, sheet_.get(), 30, 20, 20, 10);
  DrawMemImgRotated(expect_.get(), &view, 50, 50, 0.0f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(softtest::Snapshot(screen_.get()), softtest::Snapshot(expect_.get()));
}

TEST_F(Selectors, FourCornerFloatCornersAreTruncated) {
  DrawFourCornerGraphSoftF(10.9f, -10.9f, 70.9f, 5.2f, 3.7f, 60.1f, 90.99f, 80.5f, &whole_, 0);
  std::vector<std::uint32_t> a = softtest::Snapshot(screen_.get());
  FillMemImg(screen_.get(), nullptr, 0);
  DrawFourCornerGraphSoft(10, -10, 70, 5, 3, 60, 90, 80, &whole_, 0);
  EXPECT_EQ(a, softtest::Snapshot(screen_.get()));
  const int corners[8] = {10, -10, 70, 5, 3, 60, 90, 80};
  DrawMemImgQuad(expect_.get(), sheet_.get(), corners, 0, nullptr);
  EXPECT_EQ(a, softtest::Snapshot(expect_.get()));
}

TEST_F(Selectors, StretchedDrawMirrorsAndScales) {
  PixelMaker pm(9);
  Image small;
  softtest::MakeSource(&small, kFormat32, softtest::kDirect, 50, 20, pm);
  const GraphData g = TestGraph(50, 20, AddTestTile(small.get(), 0, 0, 50, 20));
  EXPECT_EQ(DrawStretchGraphSoft(100, 50, 0, 90, &g, 0, 1, -1), 0);
  const int rect[4] = {100, 50, 0, 90};
  DrawMemImgStretched(expect_.get(), small.get(), rect, 0, nullptr);
  EXPECT_EQ(softtest::Snapshot(screen_.get()), softtest::Snapshot(expect_.get()));
  // Float words.
  FillMemImg(screen_.get(), nullptr, 0);
  const float f[4] = {100.6f, 50.2f, 0.9f, 90.9f};
  std::int32_t w[4];
  std::memcpy(w, f, sizeof w);
  EXPECT_EQ(DrawStretchGraphSoft(w[0], w[1], w[2], w[3], &g, 0, 0, -1), 0);
  EXPECT_EQ(softtest::Snapshot(screen_.get()), softtest::Snapshot(expect_.get()));
}

TEST_F(Selectors, LockPathResults) {
  SoftwareRenderFlag = 0;
  // Rotated: scale 0 gives an empty lock rectangle.
  EXPECT_EQ(DrawRotatedGraphSoft(50, 50, 0.0, 0.3, &whole_, 0, 0), -1);
  EXPECT_EQ(DrawRotatedGraphSoft(50, 50, 1.0, 0.0, &whole_, 0, 0), 0);
  DrawMemImgRotated(expect_.get(), sheet_.get(), 50, 50, 0.0f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(softtest::Snapshot(screen_.get()), softtest::Snapshot(expect_.get()));
  // Stretched: zero width refused, exact size takes the unscaled draw, outside the area refused.
  EXPECT_EQ(DrawStretchGraphSoft(10, 10, 10, 30, &whole_, 0, 1, -1), -1);
  EXPECT_EQ(DrawStretchGraphSoft(300, 10, 400, 30, &whole_, 0, 1, -1), -1);
  FillMemImg(screen_.get(), nullptr, 0);
  FillMemImg(expect_.get(), nullptr, 0);
  EXPECT_EQ(DrawStretchGraphSoft(5, 6, 65, 46, &whole_, 0, 1, -1), 0);
  DrawMemImg(expect_.get(), sheet_.get(), 5, 6, 0, nullptr);
  EXPECT_EQ(softtest::Snapshot(screen_.get()), softtest::Snapshot(expect_.get()));
  // Mirrored at exact size goes through the stretched blitter.
  FillMemImg(screen_.get(), nullptr, 0);
  FillMemImg(expect_.get(), nullptr, 0);
  EXPECT_EQ(DrawStretchGraphSoft(65, 6, 5, 46, &whole_, 0, 1, -1), 0);
  const int rect[4] = {65, 6, 5, 46};
  DrawMemImgStretched(expect_.get(), sheet_.get(), rect, 0, nullptr);
  EXPECT_EQ(softtest::Snapshot(screen_.get()), softtest::Snapshot(expect_.get()));
  // Ovals and lines.
  EXPECT_EQ(DrawOvalSoft(50, 50, 0, 5, 0xFFu, 1), 0);
  EXPECT_EQ(DrawOvalSoft(-500, -500, 5, 5, 0xFFu, 1), -1);
  EXPECT_EQ(DrawLineSoft(3, 3, 3, 3, 0xFFu), 0);
  EXPECT_EQ(DrawLineSoft(-50, -50, -10, -20, 0xFFu), -1);
  EXPECT_EQ(DrawBoxFrameSoft(10, 10, 20, 20, 0xFFu), 0);
  // Four-corner triangles: three equal x give an empty lock box.
  const int flat[12] = {10, 10, 0, 0, 10, 20, 0, 0, 10, 30, 0, 0};
  EXPECT_EQ(DrawFourCornerTriangleSoft(flat, &whole_, 0, 0), -1);
}

}  // namespace
