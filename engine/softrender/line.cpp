#include "engine/softrender/line.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/core/string_util.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/fill_memimg_rect.h"
#include "engine/softrender/graphics_glue.h"

namespace {

// Stores colour c at the `major` pixels of a line from p: pixel k lies k steps along the major axis and
// (k * f) >> 32 steps along the minor one. The column step (4 or -4 bytes) is fixed per instance; the row step is
// `rowStep`. Along x (Steep false) the major step is the column step, along y it is the row step. Four pixels per
// pass, each from its own accumulator, keep the loop short.
template <int kColumnStep, bool Steep = false>
void StoreLine(std::uint8_t* p, std::int64_t rowStep, int major, std::uint64_t f, std::uint32_t c) {
  auto offset = [&](std::int64_t along, std::uint64_t acc) {
    const std::int64_t across = static_cast<std::int64_t>(acc >> 32);
    return Steep ? along * rowStep + across * kColumnStep : along * kColumnStep + across * rowStep;
  };
  auto put = [&](std::int64_t along, std::uint64_t acc) { std::memcpy(p + offset(along, acc), &c, 4); };
  std::uint64_t acc = 0;
  int k = 0;
  for (; k + 4 <= major; k += 4, acc += 4 * f) {
    put(k, acc);
    put(k + 1, acc + f);
    put(k + 2, acc + 2 * f);
    put(k + 3, acc + 3 * f);
  }
  for (; k < major; ++k, acc += f) put(k, acc);
}

// The line in the clip area `area` of dest (SoftRenderClipArea).
void DrawLineInArea(MEMIMG* dest, const RECT& area, int x1, int y1, int x2, int y2, std::uint32_t colour) {
  const int L = area.left, T = area.top, R = area.right, B = area.bottom;
  if (L >= R || T >= B) return;
  if (std::min(y1, y2) >= B || std::min(x1, x2) >= R || std::max(y1, y2) < T || std::max(x1, x2) < L) return;

  if (x1 < L || x1 >= R || x2 < L || x2 >= R || y1 < T || y1 >= B || y2 < T || y2 >= B) {
    // Slopes and intercepts from the caller's endpoints; recomputed coordinates are truncated toward zero.
    const double fx1 = x1, fy1 = y1, fx2 = x2, fy2 = y2;
    const double sxy = y1 == y2 ? 0.0 : (fx2 - fx1) / (fy2 - fy1);
    const double syx = x1 == x2 ? 0.0 : (fy2 - fy1) / (fx2 - fx1);
    const double bx = fx1 - sxy * fy1;
    const double by = fy1 - syx * fx1;
    auto atX = [&](int x) { return DoubleToInt(x * syx + by); };
    auto atY = [&](int y) { return DoubleToInt(y * sxy + bx); };
    if (x1 < L) { x1 = L; y1 = atX(L); } else if (x1 >= R) { x1 = R - 1; y1 = atX(R - 1); }
    if (x2 < L) { x2 = L - 1; y2 = atX(L - 1); } else if (x2 >= R) { x2 = R; y2 = atX(R); }
    if (y1 < T) { y1 = T; x1 = atY(T); } else if (y1 >= B) { y1 = B - 1; x1 = atY(B - 1); }
    if (y2 < T) { y2 = T - 1; x2 = atY(T - 1); } else if (y2 >= B) { y2 = B; x2 = atY(B); }
  }
  x1 = std::clamp(x1, L, R - 1);
  x2 = std::clamp(x2, L - 1, R);
  y1 = std::clamp(y1, T, B - 1);
  y2 = std::clamp(y2, T - 1, B);

  const int dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0) return;
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  const int ax = std::abs(dx), ay = std::abs(dy);

  FillSpan span;
  if (PrepareFillSpan(&span, dest->Format, g_GraphDrawState, colour) != 0) return;
  if (dest->Format != kFormat16 && dest->Format != kFormat32) return;
  dest->RunsValid = 0;
  const std::int64_t bytes = dest->Format == kFormat32 ? 4 : 2;
  const std::int64_t pitch = dest->Pitch;
  auto at = [&](int x, int y) { return dest->Image + y * pitch + x * bytes; };
  if (dest->Format == kFormat32 && span.mode == 0) {
    // Plain stores of the colour.
    const std::uint32_t c = span.colour;
    const int major = std::max(ax, ay), minor = std::min(ax, ay);
    // Pixel k's minor offset floor(k * minor / major) as the top half of k * f, f = floor(minor * 2^32 / major)
    // + 1: the excess k * (f - minor * 2^32 / major) / 2^32 stays below 1 / major while k * major < 2^32, so it
    // never carries into the next whole step. Each pixel's address then comes without a branch and without a chain
    // through the previous pixel's error term.
    static_assert(kMemImgMaxSide <= 65536, "a clipped line's major length must keep k * major below 2^32");
    const std::uint64_t f = (static_cast<std::uint64_t>(minor) << 32) / static_cast<std::uint64_t>(major) + 1;
    std::uint8_t* p = at(x1, y1);
    if (ax >= ay) {
      if (sx > 0) StoreLine<4>(p, sy * pitch, major, f, c);
      else StoreLine<-4>(p, sy * pitch, major, f, c);
    } else {
      if (sx > 0) StoreLine<4, true>(p, sy * pitch, major, f, c);
      else StoreLine<-4, true>(p, sy * pitch, major, f, c);
    }
    return;
  }
  if (ax >= ay) {
    // Runs along a row are handed over whole.
    int e = 0, x = x1, y = y1, runStart = x1, run = 0;
    for (int k = 0; k < ax; ++k) {
      ++run;
      e += ay;
      x += sx;
      if (e >= ax || k + 1 == ax) {
        RunFillSpan(span, at(sx > 0 ? runStart : runStart - run + 1, y), run);
        run = 0;
        runStart = x;
      }
      if (e >= ax) {
        y += sy;
        e -= ax;
      }
    }
  } else {
    int e = 0, x = x1, y = y1;
    for (int k = 0; k < ay; ++k) {
      RunFillSpan(span, at(x, y), 1);
      e += ax;
      y += sy;
      if (e >= ay) {
        x += sx;
        e -= ay;
      }
    }
  }
}

}  // namespace

void DrawMemImgLine(MEMIMG* dest, int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (dest == nullptr || dest->Image == nullptr) return;
  DrawLineInArea(dest, SoftRenderClipArea(dest), x1, y1, x2, y2, colour);
}

void DrawMemImgLines(MEMIMG* dest, const LineRecord* records, int n) {
  if (records == nullptr || dest == nullptr || dest->Image == nullptr) return;
  const RECT area = SoftRenderClipArea(dest);  // the same for every line of the list
  for (int i = 0; i < n; ++i)
    DrawLineInArea(dest, area, records[i].x1, records[i].y1, records[i].x2, records[i].y2, records[i].colour);
}

int DrawLineSoft(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (GetDirectDrawObject() == nullptr) return -1;
  if (SoftwareRenderFlag == 1 && ScreenColorBits != 8) {
    MEMIMG* dest = g_GraphDrawState.MaskActive != 0 ? GetMaskMemImg() : DrawScreenMemImg;
    DrawMemImgLine(dest, x1, y1, x2, y2, colour);
    return 0;
  }
  G_D3D_FlushVertexBatch();
  if (DirectDrawStarted != 0) G_D3D_EndScene();
  if (x1 == x2 && y1 == y2) return 0;
  auto plusOne = [](int v) { return v == INT32_MAX ? v : v + 1; };
  const RECT rect{std::min(x1, x2), std::min(y1, y2), plusOne(std::max(x1, x2)), plusOne(std::max(y1, y2))};
  if (LockDrawScreenBuffer(nullptr, 0, nullptr, &rect, 1, &colour, nullptr) < 0) return -1;
  DrawMemImgLine(LockWorkMemImg, x1, y1, x2, y2, colour);
  UnlockDrawScreenBuffer();
  return 0;
}

int DrawBoxFrameSoft(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  const std::int32_t p = g_GraphDrawState.BlendParam;
  const int r = x2 == INT32_MIN ? x2 : x2 - 1, b = y2 == INT32_MIN ? y2 : y2 - 1;
  const LineRecord lines[4] = {
      {x1, y1, r, y1, colour, p},
      {r, y1, r, b, colour, p},
      {r, b, x1, b, colour, p},
      {x1, b, x1, y1, colour, p},
  };
  return DrawLineSet(lines, 4);
}
