#include "engine/softrender/quad.h"

#include <algorithm>

#include "engine/core/string_util.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/triangle.h"

namespace {

using i64 = std::int64_t;

void MakeBlocks(const std::int32_t* c, std::int32_t w, std::int32_t h, std::int32_t first[12],
                std::int32_t second[12]) {
  const std::int32_t a[12] = {c[0], c[1], 0, 0, c[2], c[3], w, 0, c[4], c[5], 0, h};
  const std::int32_t b[12] = {c[2], c[3], w, 0, c[4], c[5], 0, h, c[6], c[7], w, h};
  std::copy(a, a + 12, first);
  std::copy(b, b + 12, second);
}

int ClampInt(i64 v) {
  return static_cast<int>(std::clamp<i64>(v, INT32_MIN, INT32_MAX));
}

// The lock box of the vertices: smallest x and y to largest x and y.
RECT VertexBox(const std::int32_t* xy, int count, int stride) {
  i64 minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
  for (int i = 0; i < count; ++i) {
    const i64 x = xy[i * stride], y = xy[i * stride + 1];
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  }
  return RECT{ClampInt(minX), ClampInt(minY), ClampInt(maxX), ClampInt(maxY)};
}

bool SoftwareMode() { return SoftwareRenderFlag == 1 && ScreenColorBits != 8; }

MEMIMG* SoftwareTarget() {
  return g_GraphDrawState.MaskActive != 0 ? GetMaskMemImg() : DrawScreenMemImg;
}

// Draws one or two vertex blocks of the graphic's first tile; -1 on a refusal.
int DrawGraphTriangles(const std::int32_t* first, const std::int32_t* second, const GraphData* graph,
                       int transparent) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr) return -1;
  Surface2D* tile = GetSurface2D(graph->Tiles[0]);
  if (tile == nullptr) return -1;
  MEMIMG* blendGraph = GetBlendGraphMemImg();
  if (SoftwareMode()) {
    MEMIMG view{};
    const MEMIMG* src = TileMemImg(tile, &view);
    MEMIMG* dest = SoftwareTarget();
    if (src == nullptr || dest == nullptr) return -1;
    if (second != nullptr) DrawMemImgTrianglePair(dest, src, first, second, transparent, blendGraph);
    else DrawMemImgTriangle(dest, src, first, transparent, blendGraph, 0);
    return 0;
  }
  G_D3D_FlushVertexBatch();
  if (DirectDrawStarted != 0) G_D3D_EndScene();
  std::int32_t xy[12], uv[12];
  const int n = second != nullptr ? 6 : 3;
  for (int i = 0; i < 3; ++i) {
    xy[2 * i] = first[4 * i];
    xy[2 * i + 1] = first[4 * i + 1];
    uv[2 * i] = first[4 * i + 2];
    uv[2 * i + 1] = first[4 * i + 3];
    if (second != nullptr) {
      xy[6 + 2 * i] = second[4 * i];
      xy[6 + 2 * i + 1] = second[4 * i + 1];
      uv[6 + 2 * i] = second[4 * i + 2];
      uv[6 + 2 * i + 1] = second[4 * i + 3];
    }
  }
  const RECT destBox = VertexBox(xy, n, 2);
  const RECT srcBox = VertexBox(uv, n, 2);
  if (LockDrawScreenBuffer(tile, 0, &srcBox, &destBox, 0, nullptr, nullptr) < 0) return -1;
  if (second != nullptr) DrawMemImgTrianglePair(LockWorkMemImg, LockSourceMemImg, first, second, transparent, blendGraph);
  else DrawMemImgTriangle(LockWorkMemImg, LockSourceMemImg, first, transparent, blendGraph, 0);
  UnlockDrawScreenBuffer();
  return 0;
}

}  // namespace

void DrawMemImgQuad(MEMIMG* dest, const MEMIMG* src, const std::int32_t* corners, int transparent,
                    const MEMIMG* blendGraph) {
  if (dest == nullptr || src == nullptr || corners == nullptr) return;
  i64 minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
  for (int i = 0; i < 4; ++i) {
    minX = std::min<i64>(minX, corners[2 * i]);
    maxX = std::max<i64>(maxX, corners[2 * i]);
    minY = std::min<i64>(minY, corners[2 * i + 1]);
    maxY = std::max<i64>(maxY, corners[2 * i + 1]);
  }
  RECT box{ClampInt(minX - 2), ClampInt(minY - 2), ClampInt(maxX + 4), ClampInt(maxY + 4)};
  ClipRect(&box, &g_GraphDrawState.DrawArea);
  if (box.left == box.right || box.top == box.bottom) return;
  std::int32_t first[12], second[12];
  MakeBlocks(corners, src->Width, src->Height, first, second);
  DrawMemImgTrianglePair(dest, src, first, second, transparent, blendGraph);
}

int DrawFourCornerGraphSoftF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                             const GraphData* graph, int transparent) {
  return DrawFourCornerGraphSoft(FloatToInt(x1), FloatToInt(y1), FloatToInt(x2), FloatToInt(y2), FloatToInt(x3),
                                 FloatToInt(y3), FloatToInt(x4), FloatToInt(y4), graph, transparent);
}

int DrawFourCornerGraphSoft(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphData* graph,
                            int transparent) {
  if (graph == nullptr) return 0;
  const std::int32_t corners[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
  std::int32_t first[12], second[12];
  MakeBlocks(corners, graph->Width, graph->Height, first, second);
  DrawGraphTriangles(first, second, graph, transparent);
  return 0;
}

int DrawFourCornerTriangleSoft(const std::int32_t* vertices, const GraphData* graph, int transparent, int /*last*/) {
  if (vertices == nullptr) return -1;
  return DrawGraphTriangles(vertices, nullptr, graph, transparent);
}
