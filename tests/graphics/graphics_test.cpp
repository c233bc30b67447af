// Graphics over a headless engine: handle layout and checks, loading PNG/BMP/JPEG files with alpha files, drawing on
// the back screen with the transparent colour, clipping, blend modes and brightness, primitives, and the reload of
// every graphic after a device rebuild.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/graphics/draw_ops.h"
#include "engine/graphics/blend_tables.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"
#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/graphics_glue.h"
#include "tests/engine_start/engine_fixture.h"
#include "tests/images/image_writers.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/context_mode.h"

namespace {

using testimg::Bytes;

constexpr std::uint32_t kKey = 0xFF00FF;
constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kGrey = 0x404040;

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An RGB PNG of 0xRRGGBB pixels, rows top first.
Bytes Png(int w, int h, const std::vector<std::uint32_t>& px) {
  testimg::PngShape s{w, h, PNG_COLOR_TYPE_RGB, 8, {}};
  for (std::uint32_t c : px) {
    s.rows.push_back(static_cast<std::uint8_t>(c >> 16));
    s.rows.push_back(static_cast<std::uint8_t>(c >> 8));
    s.rows.push_back(static_cast<std::uint8_t>(c));
  }
  return testimg::WritePng(s);
}

// A 24-bit BMP of the pixels, listed from the top row down.
Bytes Bmp(int w, int h, const std::vector<std::uint32_t>& px) {
  return test_bmp::Bmp24(w, h, [&px, w](int x, int y) { return px[static_cast<std::size_t>(y * w + x)]; });
}

class Graphics : public engine_test::HeadlessEngine {
 protected:
  void SetUp() override {
    HeadlessEngine::SetUp();
    ASSERT_EQ(StartEngine(), 0);
    ASSERT_EQ(SelectDrawTarget(-2), 0);
  }

  static std::uint32_t Pixel(int x, int y) {
    const platform::dd::Surface* back = GetBackSurface();
    std::uint32_t v;
    std::memcpy(&v, back->Pixels() + static_cast<std::ptrdiff_t>(y) * back->Pitch() + x * 4, 4);
    return v & 0xFFFFFF;
  }
  static void FillBack(std::uint32_t c) {
    g_GraphDrawState.BlendMode = 0;
    DrawRectangle(0, 0, 640, 480, static_cast<int>(c), 1);
  }
  // The 4 x 2 test picture: red, key, green, blue / blue, green, key, red.
  int LoadPicture(const char* name = "pic.png") {
    WriteFile(name, Png(4, 2, {kRed, kKey, kGreen, kBlue, kBlue, kGreen, kKey, kRed}));
    return LoadGraphicFile(name);
  }
};

// For the handle layout, the 2D tile tables and the 2D tile images of the 2D path (the 3D device makes graphics of its
// own at start-up and keeps texture tiles): software path only.
class GraphicsSoftware : public Graphics {
 protected:
  void SetUp() override {
    contextMode_.Set();
    Graphics::SetUp();
  }
  test_support::ContextModePin contextMode_;
};

TEST_F(GraphicsSoftware, HandleLayoutAfterStartAndAfterAModeChange) {
  // Start-up's temporary graphic took id 0.
  EXPECT_EQ(LoadPicture(), 0x08010000);
  ASSERT_EQ(SelectScreenMode(640, 480, 32, 60), 0);
  EXPECT_EQ(LoadPicture(), 0x08000000);
  EXPECT_EQ(LoadPicture(), 0x08010001);
}

TEST_F(Graphics, AModeChangeKeepsTheTransparentColourAndTheDefaultFontSize) {
  ASSERT_EQ(SetTransparentColor(255, 0, 255), 0);
  ASSERT_EQ(ChangeDefaultFontSize(12), 0);
  ASSERT_EQ(ChangeDefaultFontThickness(2), 0);
  ASSERT_EQ(SelectScreenMode(800, 600, 32, 60), 0);
  EXPECT_EQ(g_GraphDrawState.TransparentColor, kKey);
  int size = 0, thickness = 0;
  ASSERT_EQ(GetFontStateToHandle(nullptr, &size, &thickness, g_DefaultFont.Handle), 0);
  EXPECT_EQ(size, 12);
  EXPECT_EQ(thickness, 2);
  // A graphic loaded after the change is keyed with the kept colour.
  const int h = LoadPicture();
  ASSERT_GE(h, 0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  FillBack(kGrey);
  ASSERT_EQ(DrawGraphAt(0, 0, h, 1), 0);
  EXPECT_EQ(Pixel(1, 0), kGrey);
}

TEST_F(Graphics, DeletedHandleIsRefusedAndAReusedSlotFailsTheIdCheck) {
  const int a = LoadPicture();
  ASSERT_GE(a, 0);
  EXPECT_EQ(DeleteGraphic(a, 0), 0);
  EXPECT_EQ(DeleteGraphic(a, 0), -1);
  EXPECT_EQ(DrawGraphAt(0, 0, a, 0), -1);
  const int b = LoadPicture();
  EXPECT_EQ(b & 0xFFFF, a & 0xFFFF);  // the same slot, a later id
  EXPECT_NE(b, a);
  EXPECT_EQ(GetGraphData(a), nullptr);
  EXPECT_NE(GetGraphData(b), nullptr);
  for (int bad : {-1, 0, 0x10000000, 0x08007FFF, b | 0x7FFF}) EXPECT_EQ(GetGraphData(bad), nullptr) << bad;
}

TEST_F(GraphicsSoftware, HighMarkAndSlotReuse) {
  const int h0 = LoadPicture(), h1 = LoadPicture(), h2 = LoadPicture();
  EXPECT_EQ(g_GraphTable.highMark, 3);
  DeleteGraphic(h1, 0);
  EXPECT_EQ(g_GraphTable.highMark, 3);
  EXPECT_EQ(LoadPicture() & 0xFFFF, 3);  // the high mark, not the free slot below it
  DeleteGraphic(h2, 0);
  EXPECT_EQ(g_GraphTable.highMark, 4);
  DeleteGraphic(g_GraphTable.HandleOf(3), 0);
  EXPECT_EQ(g_GraphTable.highMark, 1);  // past the empty slots below
  DeleteGraphic(h0, 0);
  EXPECT_EQ(g_GraphTable.highMark, 0);
  EXPECT_EQ(g_SurfaceDataTable.count, 0);
  EXPECT_EQ(g_Surface2DTable.count, 0);
}

TEST_F(Graphics, LoadsPngBmpAndJpegFiles) {
  const std::vector<std::uint32_t> px = {kRed, kGreen, kBlue, kGrey, kGrey, kBlue, kGreen, kRed, kRed, kRed, kRed, kRed};
  WriteFile("a.png", Png(4, 3, px));
  WriteFile("b.bmp", Bmp(4, 3, px));
  testimg::JpegSpec j{8, 8, 3, Bytes(8 * 8 * 3, 0)};
  for (int i = 0; i < 64; ++i) j.samples[static_cast<std::size_t>(i * 3)] = 200;
  WriteFile("c.jpg", testimg::WriteJpeg(j));
  FillBack(0);
  for (const char* name : {"a.png", "b.bmp"}) {
    const int h = LoadGraphicFile(name);
    ASSERT_GE(h, 0) << name;
    int w = 0, hh = 0;
    EXPECT_EQ(GetGraphicSize(h, &w, &hh), 0);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(hh, 3);
    EXPECT_EQ(DrawGraphAt(100, 100, h, 0), 0);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(Pixel(100 + i % 4, 100 + i / 4), px[static_cast<std::size_t>(i)]) << name;
  }
  const int jh = LoadGraphicFile("c.jpg");
  ASSERT_GE(jh, 0);
  EXPECT_EQ(DrawGraphAt(0, 0, jh, 0), 0);
  EXPECT_NEAR(static_cast<int>(Pixel(3, 3) >> 16), 200, 3);
  EXPECT_EQ(LoadGraphicFile("missing.png"), -1);
  WriteFile("junk.png", Bytes{1, 2, 3});
  EXPECT_EQ(LoadGraphicFile("junk.png"), -1);
  const std::string log = Log();
  EXPECT_NE(log.find("グラフィックファイル missing.png がありません"), std::string::npos);
}

TEST_F(Graphics, AlphaFileBesideTheImage) {
  struct Case {
    const char* name;
    const char* alpha;
  } cases[] = {{"pic.png", "pic_a.png"}, {"dir\\x.y\\img", "dir\\x_a.y\\img"}, {"noext", "noext_a"},
               {"data.dir/img", "data_a.dir/img"}};
  for (const Case& c : cases) {
    char out[260];
    ASSERT_EQ(MakeAlphaFileName(c.name, out, sizeof out), 0);
    EXPECT_STREQ(out, c.alpha);
  }
  const std::string longName(258, 'x');
  char out[260];
  EXPECT_EQ(MakeAlphaFileName(longName.c_str(), out, sizeof out), -1);

  const int plain = LoadPicture("a.png");
  WriteFile("b_a.png", Png(4, 2, {0xFFFFFF, 0xFFFFFF, 0, 0, 0x808080, 0x808080, 0xFFFFFF, 0}));
  const int withAlpha = LoadPicture("b.png");
  ASSERT_GE(withAlpha, 0);
  EXPECT_EQ(GetGraphData(plain)->Flags.AlphaChFlag, 0);
  EXPECT_EQ(GetGraphData(withAlpha)->Flags.AlphaChFlag, 1);
  // Alpha 0 leaves the screen alone, alpha 255 covers it, alpha 128 mixes (blend mode 0 draws alpha images blended).
  FillBack(kGrey);
  EXPECT_EQ(DrawGraphAt(10, 10, withAlpha, 1), 0);
  EXPECT_EQ(Pixel(10, 10), kRed);
  EXPECT_EQ(Pixel(12, 10), kGrey);
  EXPECT_EQ(Pixel(13, 10), kGrey);
  const std::uint32_t mixed = Pixel(10, 11);
  EXPECT_GT(mixed & 0xFF, 0x40u);
  EXPECT_LT(mixed & 0xFF, 0xFFu);
  // An alpha file of another size refuses the load.
  WriteFile("c_a.png", Png(2, 2, {0, 0, 0, 0}));
  EXPECT_EQ(LoadPicture("c.png"), -1);
}

TEST_F(Graphics, TransparentColourIsSkippedByEveryGraphicDraw) {
  SetTransparentColor(255, 0, 255);
  const int h = LoadPicture();
  ASSERT_GE(h, 0);
  FillBack(kGrey);
  struct Expect {
    int x, y;
    std::uint32_t c;
  };
  auto check = [&](const char* what, std::vector<Expect> want) {
    for (const Expect& e : want) EXPECT_EQ(Pixel(e.x, e.y), e.c) << what << " at " << e.x << "," << e.y;
    FillBack(kGrey);
  };
  ASSERT_EQ(DrawGraphAt(10, 20, h, 1), 0);
  check("at", {{10, 20, kRed}, {11, 20, kGrey}, {12, 20, kGreen}, {13, 20, kBlue}, {12, 21, kGrey}, {14, 20, kGrey}});
  ASSERT_EQ(DrawGraphAt(10, 20, h, 0), 0);
  check("opaque", {{11, 20, kKey}});
  // Part: columns 1..2 of row 0 only.
  ASSERT_EQ(DrawGraphPart(30, 40, 1, 0, 2, 1, h, 1, 0), 0);
  check("part", {{29, 40, kGrey}, {30, 40, kGrey}, {31, 40, kGreen}, {32, 40, kGrey}, {31, 41, kGrey}});
  // Mirrored part: the same source columns, right to left.
  ASSERT_EQ(DrawGraphPart(30, 40, 1, 0, 2, 1, h, 1, 1), 0);
  check("part mirrored", {{30, 40, kGreen}, {31, 40, kGrey}, {32, 40, kGrey}, {29, 40, kGrey}});
  ASSERT_EQ(DrawGraphMirrored(50, 50, h, 1), 0);
  check("mirrored", {{50, 50, kBlue}, {51, 50, kGreen}, {52, 50, kGrey}, {53, 50, kRed}});
  // Stretched twice as large, and with reversed corners (upside down and mirrored).
  ASSERT_EQ(DrawGraphStretched(60, 60, 68, 64, h, 1), 0);
  check("stretched", {{60, 60, kRed}, {61, 61, kRed}, {62, 60, kGrey}, {64, 60, kGreen}, {66, 63, kRed}, {68, 60, kGrey}});
  ASSERT_EQ(DrawGraphStretched(68, 64, 60, 60, h, 1), 0);
  check("reversed", {{60, 60, kRed}, {62, 60, kGrey}, {66, 62, kRed}, {67, 63, kRed}, {64, 62, kGrey}});
}

TEST_F(Graphics, DrawsAreClippedByTheDrawArea) {
  WriteFile("solid.png", Png(8, 8, std::vector<std::uint32_t>(64, kRed)));
  const int h = LoadGraphicFile("solid.png");
  FillBack(0);
  SetDrawClipArea(102, 103, 106, 105);
  ASSERT_EQ(DrawGraphAt(100, 100, h, 0), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 640, 480, static_cast<int>(kBlue), 1), 0);
  ASSERT_EQ(DrawLineSegment(0, 104, 640, 104, static_cast<int>(kGreen)), 0);
  for (int y = 98; y < 110; ++y) {
    for (int x = 98; x < 110; ++x) {
      const bool inside = x >= 102 && x < 106 && y >= 103 && y < 105;
      const std::uint32_t want = inside ? (y == 104 ? kGreen : kBlue) : 0u;
      EXPECT_EQ(Pixel(x, y), want) << x << "," << y;
    }
  }
  // An empty area: every drawer returns 0 and draws nothing.
  SetDrawClipArea(100, 100, 100, 200);
  EXPECT_EQ(g_GraphDrawState.DrawAreaEmpty, 1);
  EXPECT_EQ(DrawGraphAt(0, 0, h, 0), 0);
  EXPECT_EQ(DrawGraphAt(0, 0, 12345, 0), 0);
  EXPECT_EQ(DrawRectangle(0, 0, 640, 480, 0xFFFFFF, 1), 0);
  EXPECT_EQ(Pixel(0, 0), 0u);
  // Part draws narrow the area and put it back.
  SetDrawClipArea(0, 0, 640, 480);
  EXPECT_EQ(DrawGraphPart(300, 300, 6, 6, 10, 10, h, 0, 0), 0);
  EXPECT_EQ(Pixel(300, 300), kRed);
  EXPECT_EQ(Pixel(302, 302), 0u);  // past the graphic
  const RECT whole{0, 0, 640, 480};
  EXPECT_EQ(std::memcmp(&g_GraphDrawState.DrawArea, &whole, sizeof whole), 0);
}

TEST_F(GraphicsSoftware, BlendModesAndBrightnessFollowTheRenderer) {
  WriteFile("solid.png", Png(4, 4, std::vector<std::uint32_t>(16, 0x80C040)));
  const int h = LoadGraphicFile("solid.png");
  const Surface2D* tile = GetSurface2D(GetGraphData(h)->Tiles[0]);
  const MEMIMG* src = &GetSurfaceData(tile->SurfaceDataHandle)->Image;
  MEMIMG ref{};
  ASSERT_EQ(MakeMemImg(&ref, 4, 4, 1), 0);
  struct Case {
    int mode, param, r, g, b;
  } cases[] = {{1, 128, 255, 255, 255}, {2, 200, 255, 255, 255}, {3, 255, 255, 255, 255}, {4, 255, 255, 255, 255},
               {0, 0, 128, 64, 255},    {2, 100, 200, 100, 50}};
  for (const Case& c : cases) {
    FillBack(0x608090);
    FillMemImg(&ref, nullptr, 0xFF608090u);
    ASSERT_EQ(SetBlendMode(c.mode, c.param), 0);
    ASSERT_EQ(SetBrightnessRGB(c.r, c.g, c.b), 0);
    ASSERT_EQ(DrawGraphAt(20, 20, h, 0), 0);
    const RECT saved = g_GraphDrawState.DrawArea;
    g_GraphDrawState.DrawArea = RECT{0, 0, 4, 4};
    DrawMemImg(&ref, src, 0, 0, 0, nullptr);
    g_GraphDrawState.DrawArea = saved;
    SetBlendMode(0, 0);
    SetBrightnessRGB(255, 255, 255);
    std::uint32_t want;
    std::memcpy(&want, ref.Image + ref.Pitch + 4, 4);
    EXPECT_EQ(Pixel(21, 21), want & 0xFFFFFF) << c.mode << " " << c.param;
    if (c.mode != 0 || c.r != 255) {
      EXPECT_NE(Pixel(21, 21), 0x80C040u) << c.mode;
    }
  }
  ReleaseMemImg(&ref);
  // The parameter is clamped, the mode must be one the renderer knows.
  EXPECT_EQ(SetBlendMode(1, 300), 0);
  EXPECT_EQ(g_GraphDrawState.BlendParam, 255);
  EXPECT_EQ(SetBlendMode(1, -5), 0);
  EXPECT_EQ(g_GraphDrawState.BlendParam, 0);
  EXPECT_EQ(SetBlendMode(7, 10), -1);
  EXPECT_EQ(g_GraphDrawState.BlendMode, 1);
  SetBrightnessRGB(300, -4, 16);
  EXPECT_EQ(g_GraphDrawState.Brightness, 0xFF0010u);
}

TEST_F(Graphics, RotatedDrawTurnsTheGraphic) {
  // A 8 x 2 bar: red left half, blue right half.
  std::vector<std::uint32_t> px;
  for (int i = 0; i < 16; ++i) px.push_back(i % 8 < 4 ? kRed : kBlue);
  WriteFile("bar.png", Png(8, 2, px));
  const int h = LoadGraphicFile("bar.png");
  FillBack(0);
  ASSERT_EQ(DrawGraphRotated(100, 100, 1.0, 0.0, h, 0, 0), 0);
  EXPECT_EQ(Pixel(97, 100), kRed);
  EXPECT_EQ(Pixel(102, 100), kBlue);
  FillBack(0);
  ASSERT_EQ(DrawGraphRotated(100, 100, 1.0, M_PI / 2, h, 0, 0), 0);  // turned clockwise: red on top
  EXPECT_EQ(Pixel(100, 97), kRed);
  EXPECT_EQ(Pixel(100, 102), kBlue);
  EXPECT_EQ(Pixel(97, 100), 0u);
  FillBack(0);
  ASSERT_EQ(DrawGraphRotated(100, 100, 1.0, 0.0, h, 0, 1), 0);  // mirrored
  EXPECT_EQ(Pixel(97, 100), kBlue);
  EXPECT_EQ(Pixel(102, 100), kRed);
}

TEST_F(Graphics, PrimitivesDraw) {
  FillBack(0);
  ASSERT_EQ(DrawRectangle(10, 10, 20, 20, static_cast<int>(kRed), 0), 0);
  EXPECT_EQ(Pixel(10, 10), kRed);
  EXPECT_EQ(Pixel(19, 15), kRed);
  EXPECT_EQ(Pixel(15, 15), 0u);
  EXPECT_EQ(Pixel(20, 20), 0u);
  ASSERT_EQ(DrawRectangle(30, 10, 40, 20, static_cast<int>(kGreen), 2), 0);
  EXPECT_EQ(Pixel(35, 15), kGreen);
  EXPECT_EQ(Pixel(40, 15), 0u);
  ASSERT_EQ(DrawLineSegment(50, 50, 60, 50, static_cast<int>(kBlue)), 0);
  EXPECT_EQ(Pixel(50, 50), kBlue);
  EXPECT_EQ(Pixel(59, 50), kBlue);
  EXPECT_EQ(Pixel(55, 51), 0u);
  ASSERT_EQ(DrawEllipse(100, 100, 10, 5, static_cast<int>(kRed), 1), 0);
  EXPECT_EQ(Pixel(100, 100), kRed);
  EXPECT_EQ(Pixel(100, 108), 0u);
  ASSERT_EQ(DrawEllipse(200, 100, 10, 10, static_cast<int>(kRed), 0), 0);
  EXPECT_EQ(Pixel(200, 100), 0u);
  EXPECT_EQ(Pixel(210, 100), kRed);
  EXPECT_EQ(DrawEllipse(300, 100, -1, 5, static_cast<int>(kRed), 1), 0);
  EXPECT_EQ(Pixel(300, 100), 0u);
}

TEST_F(Graphics, TargetsAndBlendGraphChecks) {
  const int h = LoadPicture();
  EXPECT_EQ(SelectDrawTarget(12345), -1);
  EXPECT_EQ(GetDrawTarget(), -2);
  int w = 0, hh = 0;
  EXPECT_EQ(QueryGraphSize(-2, &w, &hh), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(hh, 480);
  RECT a{700, 10, 800, 20};
  const RECT b{0, 0, 640, 480};
  ClipRectEntry(&a, &b);
  EXPECT_EQ(a.left, 640);
  EXPECT_EQ(a.right, 640);
  EXPECT_EQ(a.top, 10);
  EXPECT_EQ(a.bottom, 20);
  // A blend graphic smaller than the graphic refuses the draw.
  WriteFile("small.png", Png(2, 2, {0, 0, 0, 0}));
  const int small = LoadGraphicFile("small.png");
  ASSERT_EQ(SetBlendGraph(small, 0, 0), 0);
  EXPECT_EQ(DrawGraphAt(0, 0, h, 0), -1);
  EXPECT_EQ(SetBlendGraph(12345, 0, 0), -1);
  SetBlendGraph(-1, 0, 0);
  EXPECT_EQ(DrawGraphAt(0, 0, h, 0), 0);
}

TEST_F(GraphicsSoftware, TheBlendGraphicReachesTheRendererWithItsLevelTable) {
  const int blend = LoadPicture("blend.png");
  ASSERT_GE(blend, 0);
  EXPECT_EQ(GetBlendGraphMemImg(), nullptr);
  ASSERT_EQ(SetBlendGraph(blend, 0, 255), 0);
  const SurfaceData* data = GetSurfaceData(GetSurface2D(GetGraphData(blend)->Tiles[0])->SurfaceDataHandle);
  EXPECT_EQ(GetBlendGraphMemImg(), &data->Image);
  EXPECT_EQ(BlendGraphLevelTable[0], 255);  // border 0: every level at least 256, clamped
  ASSERT_EQ(SetBlendGraph(blend, 255, 255), 0);
  EXPECT_EQ(BlendGraphLevelTable[0], 0);    // 256 - 510 clamped
  EXPECT_EQ(BlendGraphLevelTable[255], 1);  // 255 - 254
  ASSERT_EQ(SetBlendGraph(-1, 0, 0), 0);
  EXPECT_EQ(GetBlendGraphMemImg(), nullptr);
}

TEST_F(Graphics, DeviceRebuildReloadsEveryGraphicFromItsFile) {
  SetTransparentColor(255, 0, 255);
  const int h = LoadPicture();
  std::vector<int> parts;
  for (int i = 0; i < 4; ++i) parts.push_back(DeriveGraph(i, 0, 1, 2, h));
  for (int p : parts) ASSERT_GE(p, 0);
  EXPECT_EQ(GetGraphData(parts[2])->SourceX, 2);
  EXPECT_EQ(DeriveGraph(4, 0, 1, 1, h), -1);
  EXPECT_EQ(DeriveGraph(-1, 0, 1, 1, h), -1);
  // A derived graphic of a derived graphic shows its own pixels.
  const int sub = DeriveGraph(0, 1, 1, 1, parts[3]);
  ASSERT_GE(sub, 0);
  FillBack(kGrey);
  DrawGraphAt(5, 5, sub, 0);
  EXPECT_EQ(Pixel(5, 5), kRed);
  // A second picture from another file.
  WriteFile("other.png", Png(1, 1, {kGreen}));
  const int other = LoadGraphicFile("other.png");
  FillGraphColor(h, 0, 0, 0, 255);
  FillGraphColor(other, 0, 0, 0, 255);
  ASSERT_EQ(RestoreGraphDevice(), 0);
  EXPECT_EQ(RestoreDecodeCount(), 2);  // one decode per file, the derived graphics reuse it
  FillBack(kGrey);
  DrawGraphAt(0, 0, h, 1);
  DrawGraphAt(10, 0, parts[2], 1);
  DrawGraphAt(20, 0, other, 1);
  EXPECT_EQ(Pixel(0, 0), kRed);
  EXPECT_EQ(Pixel(1, 0), kGrey);
  EXPECT_EQ(Pixel(10, 0), kGreen);
  EXPECT_EQ(Pixel(10, 1), kGrey);
  EXPECT_EQ(Pixel(20, 0), kGreen);
  const auto lines = Lines();
  EXPECT_GE(engine_test::FindLine(lines, "グラフィックを復帰します"), 0);
}

}  // namespace
