#include "engine/softrender/soft_stretch.h"

#include <algorithm>
#include <cstring>

#include "engine/core/string_util.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/draw_memimg.h"

namespace {

int WordToInt(std::int32_t word, int intCoords) {
  if (intCoords == 1) return word;
  float f;
  std::memcpy(&f, &word, sizeof f);
  return FloatToInt(f);
}

}  // namespace

int DrawStretchGraphSoft(std::int32_t x1w, std::int32_t y1w, std::int32_t x2w, std::int32_t y2w,
                         const GraphData* graph, int transparent, int intCoords, int tileHandle) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr) return -1;
  const int x1 = WordToInt(x1w, intCoords), y1 = WordToInt(y1w, intCoords);
  const int x2 = WordToInt(x2w, intCoords), y2 = WordToInt(y2w, intCoords);
  const RECT ordered{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  const bool mirrorX = x1 > x2, mirrorY = y1 > y2;

  Surface2D* tile = GetSurface2D(tileHandle == -1 ? graph->Tiles[0] : tileHandle);
  if (tile == nullptr) return -1;
  const std::int64_t srcW = tileHandle == -1 ? graph->Width : tile->Width;
  const std::int64_t srcH = tileHandle == -1 ? graph->Height : tile->Height;
  MEMIMG* blendGraph = GetBlendGraphMemImg();
  const int rect[4] = {x1, y1, x2, y2};

  if (SoftwareRenderFlag == 1 && ScreenColorBits != 8) {
    MEMIMG view{};
    const MEMIMG* src = TileMemImg(tile, &view);
    MEMIMG* dest = g_GraphDrawState.MaskActive != 0 ? GetMaskMemImg() : DrawScreenMemImg;
    if (src != nullptr && dest != nullptr) DrawMemImgStretched(dest, src, rect, transparent, blendGraph);
    return 0;
  }

  G_D3D_FlushVertexBatch();
  if (DirectDrawStarted != 0) G_D3D_EndScene();
  const std::int64_t width = std::int64_t{ordered.right} - ordered.left;
  const std::int64_t height = std::int64_t{ordered.bottom} - ordered.top;
  if (width == 0 || height == 0) return -1;
  if (width == srcW && height == srcH && !mirrorX && !mirrorY) return DrawGraph2D(x1, y1, graph, transparent, 1);
  if (srcW <= 0 || srcH <= 0) return -1;
  // 16.16 destination pixels per source pixel; the rectangle's width and height stay below 2^47 here.
  const std::int64_t sx = (width << 16) / srcW, sy = (height << 16) / srcH;
  if (sx <= 0 || sy <= 0) return -1;
  RECT r = ordered;
  ClipRect(&r, &g_GraphDrawState.DrawArea);
  if (r.right == r.left || r.bottom == r.top) return -1;
  const std::int64_t sx0 = ordered.left < r.left ? ((std::int64_t{r.left} - ordered.left) << 16) / sx : 0;
  const std::int64_t sy0 = ordered.top < r.top ? ((std::int64_t{r.top} - ordered.top) << 16) / sy : 0;
  const std::int64_t nx = ((std::int64_t{r.right - r.left} << 16) + sx - 1) / sx;
  const std::int64_t ny = ((std::int64_t{r.bottom - r.top} << 16) + sy - 1) / sy;
  std::int64_t s[4] = {sx0, sy0, sx0 + nx, sy0 + ny};
  if (mirrorX) {
    s[0] = srcW - (sx0 + nx);
    s[2] = srcW - sx0;
  }
  if (mirrorY) {
    s[1] = srcH - (sy0 + ny);
    s[3] = srcH - sy0;
  }
  auto clampInt = [](std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); };
  const RECT srcRect{clampInt(s[0]), clampInt(s[1]), clampInt(s[2]), clampInt(s[3])};
  if (LockDrawScreenBuffer(tile, 0, &srcRect, &r, 0, nullptr, nullptr) < 0) return -1;
  DrawMemImgStretched(LockWorkMemImg, LockSourceMemImg, rect, transparent, blendGraph);
  UnlockDrawScreenBuffer();
  return 0;
}
