#include "engine/softrender/rotate.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/core/string_util.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/quad.h"
#include "engine/softrender/triangle_texel_ops.h"

namespace {

using i64 = std::int64_t;

constexpr i64 kOne = i64{1} << 18;

// FloatToInt that reports a value it cannot convert (outside the int range, or not a number).
bool ToInt(float v, i64* out) {
  const int r = FloatToInt(v);
  if (r == INT_MIN) return false;
  *out = r;
  return true;
}

// A product rounded once to single precision (the operands' exact product first).
float RoundProduct(long double a, long double b) { return static_cast<float>(a * b); }

}  // namespace

void DrawMemImgRotated(MEMIMG* dest, const MEMIMG* src, int x, int y, float angle, float scale, int transparent,
                       int mirror, const MEMIMG* blendGraph) {
  if (dest == nullptr || src == nullptr) return;
  if (src->Format != dest->Format || dest->UsePalette == 1 || dest->UseAlpha == 1) return;
  if (!std::isfinite(angle) || !std::isfinite(scale) || scale == 0.0f) return;

  float sinN, cosN, sinP, cosP;
  SinCosFloat(-angle, &sinN, &cosN);
  SinCosFloat(angle, &sinP, &cosP);
  i64 SN, CN, SP, CP;
  if (!ToInt(sinN * 262144.0f, &SN) || !ToInt(cosN * 262144.0f, &CN) || !ToInt(sinP * 262144.0f, &SP) ||
      !ToInt(cosP * 262144.0f, &CP))
    return;

  const double hw = static_cast<double>(static_cast<std::uint32_t>(src->Width)) * static_cast<double>(scale) * 0.5;
  const double hh = static_cast<double>(static_cast<std::uint32_t>(src->Height)) * static_cast<double>(scale) * 0.5;
  const float a = RoundProduct(CP, hw), b = RoundProduct(SP, hw), c = RoundProduct(CP, hh), d = RoundProduct(SP, hh);
  // Corner offsets from (x, y): top-left, bottom-left, bottom-right, top-right of the source.
  const float offX[4] = {-a + d, -a - d, a - d, a + d};
  const float offY[4] = {-c - b, c - b, c + b, -c + b};
  i64 CX[4], CY[4];
  for (int i = 0; i < 4; ++i) {
    i64 ox, oy;
    if (!ToInt(offX[i], &ox) || !ToInt(offY[i], &oy)) return;
    CX[i] = i64{x} * kOne + ox;
    CY[i] = i64{y} * kOne + oy;
  }

  if (mirror != 0) {
    // The source's left column lands on the turned box's right edge: corners P3, P0, P2, P1 in row order.
    static constexpr int kOrder[4] = {3, 0, 2, 1};
    std::int32_t corners[8];
    for (int i = 0; i < 4; ++i) {
      const i64 px = CX[kOrder[i]] / kOne, py = CY[kOrder[i]] / kOne;
      if (px < INT32_MIN || px > INT32_MAX || py < INT32_MIN || py > INT32_MAX) return;
      corners[2 * i] = static_cast<std::int32_t>(px);
      corners[2 * i + 1] = static_cast<std::int32_t>(py);
    }
    DrawMemImgQuad(dest, src, corners, transparent, blendGraph);
    return;
  }

  const float r = static_cast<float>(1.0 / static_cast<double>(scale));
  i64 du, dv;
  if (!ToInt(RoundProduct(CP, 1.0L / static_cast<long double>(scale)), &du) || !ToInt(RoundProduct(SN, r), &dv))
    return;

  const i64 minX = *std::min_element(CX, CX + 4), maxX = *std::max_element(CX, CX + 4);
  const i64 minY = *std::min_element(CY, CY + 4), maxY = *std::max_element(CY, CY + 4);
  const RECT area = SoftRenderClipArea(dest);
  const i64 left = std::clamp<i64>(minX / kOne - 2, area.left, area.right);
  const i64 right = std::clamp<i64>(maxX / kOne + 4, area.left, area.right);
  const i64 top = std::clamp<i64>(minY / kOne - 2, area.top, area.bottom);
  const i64 bottom = std::clamp<i64>(maxY / kOne + 4, area.top, area.bottom);
  if (left >= right || top >= bottom) return;

  // Texel coordinates of pixel (px, py).
  auto texel = [&](i64 px, i64 py, i64* u, i64* v) {
    const i64 dx = px - x, dy = py - y;
    i64 uu, vv;
    if (!ToInt(RoundProduct(dx * CN - dy * SN, r), &uu) || !ToInt(RoundProduct(dy * CN + dx * SN, r), &vv))
      return false;
    *u = uu + i64{static_cast<std::uint32_t>(src->Width) >> 1} * kOne;
    *v = vv + i64{static_cast<std::uint32_t>(src->Height) >> 1} * kOne;
    return true;
  };
  i64 u0, v0, u1, v1;
  if (!texel(left, top, &u0, &v0) || !texel(left, bottom, &u1, &v1)) return;
  const i64 rows = bottom - top;
  const i64 width = right - left;
  const i64 uStep = (u1 - u0) / rows, vStep = (v1 - v0) / rows;

  texel::Setup s;
  if (!texel::PrepareDraw(dest, src, transparent, blendGraph, &s)) return;
  const texel::BoxFn box = texel::SelectBox(s.format, s.palette, s.mode, s.graph, s.bright, s.alpha, s.transparent);
  if (box == nullptr) return;
  const i64 bytes = s.format == 32 ? 4 : 2;
  texel::Box bx;
  bx.dst = dest->Image + top * dest->Pitch + left * bytes;
  bx.pitch = dest->Pitch;
  bx.width = width;
  bx.rows = rows;
  bx.u = u0;
  bx.v = v0;
  bx.du = du;
  bx.dv = dv;
  bx.rowDu = uStep - width * du;
  bx.rowDv = vStep - width * dv;
  dest->RunsValid = 0;
  box(s.ctx, bx);
}

int DrawRotatedGraphSoft(float x, float y, double scale, double angle, const GraphData* graph, int transparent,
                         int mirror) {
  const int xi = FloatToInt(x), yi = FloatToInt(y);
  if (GetDirectDrawObject() == nullptr || graph == nullptr) return -1;
  Surface2D* tile = GetSurface2D(graph->Tiles[0]);
  if (tile == nullptr) return -1;
  MEMIMG* blendGraph = GetBlendGraphMemImg();
  const float af = static_cast<float>(angle), sf = static_cast<float>(scale);
  if (SoftwareRenderFlag == 1 && ScreenColorBits != 8) {
    MEMIMG view{};
    const MEMIMG* src = TileMemImg(tile, &view);
    MEMIMG* dest = g_GraphDrawState.MaskActive != 0 ? GetMaskMemImg() : DrawScreenMemImg;
    if (src != nullptr && dest != nullptr) DrawMemImgRotated(dest, src, xi, yi, af, sf, transparent, mirror, blendGraph);
    return 0;
  }
  G_D3D_FlushVertexBatch();
  if (DirectDrawStarted != 0) G_D3D_EndScene();
  float sn, cs;
  SinCosFloat(af, &sn, &cs);
  const float hw = static_cast<float>(graph->Width * scale * 0.5);
  const float hh = static_cast<float>(graph->Height * scale * 0.5);
  const float cx[4] = {-hw, hw, -hw, hw};
  const float cy[4] = {-hh, -hh, hh, hh};
  i64 l = 1000000, t = 1000000, rr = -1000000, b = -1000000;
  for (int i = 0; i < 4; ++i) {
    const i64 X = i64{FloatToInt(cs * cx[i] - sn * cy[i])} + xi;
    const i64 Y = i64{FloatToInt(sn * cx[i] + cs * cy[i])} + yi;
    l = std::min(l, X);
    t = std::min(t, Y);
    rr = std::max(rr, X);
    b = std::max(b, Y);
  }
  auto clampInt = [](i64 v) { return static_cast<std::int32_t>(std::clamp<i64>(v, INT32_MIN, INT32_MAX)); };
  const RECT srcRect{0, 0, tile->Width, tile->Height};
  const RECT destRect{clampInt(l), clampInt(t), clampInt(rr), clampInt(b)};
  if (LockDrawScreenBuffer(tile, 0, &srcRect, &destRect, 0, nullptr, nullptr) < 0) return -1;
  DrawMemImgRotated(LockWorkMemImg, LockSourceMemImg, xi, yi, af, sf, transparent, mirror, blendGraph);
  UnlockDrawScreenBuffer();
  return 0;
}
