// Stand-ins for the graphics layer's services to the software selectors (see graphics_glue.h).
#include "engine/softrender/graphics_glue.h"

#include <cstring>

#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/line.h"


namespace {

constexpr int kMaxTiles = 64;

struct GlueState {
  int ready = 0;
  MEMIMG* mask = nullptr;
  MEMIMG* blendGraph = nullptr;
  int tileCount = 0;
  Surface2D tiles[kMaxTiles];
  SurfaceData surfaces[kMaxTiles];
  MEMIMG lockSourceView;
};

GlueState& Glue() {
  static GlueState state;
  return state;
}

}  // namespace

MEMIMG* GetMaskMemImg() { return Glue().mask; }
MEMIMG* GetBlendGraphMemImg() { return Glue().blendGraph; }

Surface2D* GetSurface2D(int handle) {
  if (handle < 0 || handle >= Glue().tileCount) return nullptr;
  return &Glue().tiles[handle];
}

SurfaceData* GetSurfaceData(int handle) {
  if (handle < 0 || handle >= Glue().tileCount) return nullptr;
  return &Glue().surfaces[handle];
}

void G_D3D_FlushVertexBatch() {}
void G_D3D_EndScene() {}

const MEMIMG* GlueTileImage(const Surface2D* tile, MEMIMG* view) {
  SurfaceData* data = GetSurfaceData(tile->SurfaceDataHandle);
  if (data == nullptr || data->Image.Image == nullptr) return nullptr;
  if (tile->Width == data->Width && tile->Height == data->Height) return &data->Image;
  DeriveMemImg(view, &data->Image, tile->X, tile->Y, tile->Width, tile->Height);
  return view;
}

int DrawGraph2D(int x, int y, const GraphData* graph, int transparent, int /*intFlag*/) {
  if (graph == nullptr || DrawScreenMemImg == nullptr) return -1;
  Surface2D* tile = GetSurface2D(graph->FirstTile);
  if (tile == nullptr) return -1;
  MEMIMG view{};
  const MEMIMG* src = GlueTileImage(tile, &view);
  if (src == nullptr) return -1;
  DrawMemImg(DrawScreenMemImg, src, x, y, transparent, GetBlendGraphMemImg());
  return 0;
}

int DrawLineSet(const LineRecord* lines, int n) {
  if (GetDirectDrawObject() == nullptr) return -1;
  if (SoftwareRenderFlag == 1 && ScreenColorBits != 8) {
    DrawMemImgLines(g_GraphDrawState.MaskActive != 0 ? GetMaskMemImg() : DrawScreenMemImg, lines, n);
    return 0;
  }
  G_D3D_FlushVertexBatch();
  if (DirectDrawStarted != 0) G_D3D_EndScene();
  if (lines == nullptr || n <= 0) return -1;
  std::int64_t l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
  for (int i = 0; i < n; ++i) {
    const std::int64_t xs[2] = {lines[i].x1, lines[i].x2}, ys[2] = {lines[i].y1, lines[i].y2};
    for (int j = 0; j < 2; ++j) {
      l = xs[j] < l ? xs[j] : l;
      r = xs[j] > r ? xs[j] : r;
      t = ys[j] < t ? ys[j] : t;
      b = ys[j] > b ? ys[j] : b;
    }
  }
  auto clampInt = [](std::int64_t v) {
    return static_cast<std::int32_t>(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
  };
  const RECT rect{clampInt(l), clampInt(t), clampInt(r + 1), clampInt(b + 1)};
  if (LockDrawScreenBuffer(nullptr, 0, nullptr, &rect, 0, nullptr, nullptr) < 0) return -1;
  DrawMemImgLines(LockWorkMemImg, lines, n);
  UnlockDrawScreenBuffer();
  return 0;
}

void SetGlueDirectDrawReady(int ready) {
  Glue().ready = ready;
  SetDirectDrawObjectStandIn(ready);
}
void SetGlueMaskMemImg(MEMIMG* mask) { Glue().mask = mask; }
void SetGlueBlendGraphMemImg(MEMIMG* graph) { Glue().blendGraph = graph; }

int RegisterGlueTile(MEMIMG* image, int x, int y, int width, int height) {
  GlueState& g = Glue();
  if (image == nullptr || g.tileCount >= kMaxTiles) return -1;
  const int h = g.tileCount++;
  SurfaceData& s = g.surfaces[h];
  std::memset(&s.Image, 0, sizeof(MEMIMG));
  DeriveMemImg(&s.Image, image, 0, 0, image->Width, image->Height);
  s.Width = static_cast<std::uint16_t>(image->Width);
  s.Height = static_cast<std::uint16_t>(image->Height);
  g.tiles[h] = Surface2D{static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                         static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), h};
  return h;
}

void ResetGlue() {
  GlueState& g = Glue();
  g.ready = 0;
  SetDirectDrawObjectStandIn(0);
  g.mask = nullptr;
  g.blendGraph = nullptr;
  g.tileCount = 0;
  SoftwareRenderFlag = 1;
  ScreenColorBits = 32;
  DirectDrawStarted = 0;
  DrawScreenMemImg = LockWorkMemImg = LockSourceMemImg = nullptr;
}
