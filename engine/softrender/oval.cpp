#include "engine/softrender/oval.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "engine/core/mem_alloc.h"
#include "engine/graphics/draw_state.h"
#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/fill_memimg_rect.h"
#include "engine/softrender/graphics_glue.h"

namespace {

using i64 = std::int64_t;

struct OvalTarget {
  MEMIMG* dest;
  const FillSpan* span;
  i64 L, T0, R, B;       // inclusive bounds of the draw area
  std::uint8_t* marks;   // one byte per row from T0 (filled ovals)
  i64 bytes;
  bool plain32;          // mode 0 on a 32-bit image: rows are plain stores
};

// A plain 32-bit fill of n pixels, 16 at a time.
void Store32(std::uint8_t* dst, std::int64_t n, std::uint32_t colour) {
  const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
  for (; n >= 16; n -= 16, dst += 64) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 48), c);
  }
  for (; n >= 4; n -= 4, dst += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), c);
  for (; n > 0; --n, dst += 4) std::memcpy(dst, &colour, 4);
}

void DrawRow(const OvalTarget& t, i64 yy, i64 xl, i64 xr) {
  if (xr < t.L || xl > t.R || yy < t.T0 || yy > t.B || t.marks[yy - t.T0] != 0) return;
  xl = std::max(xl, t.L);
  xr = std::min(xr, t.R);
  t.marks[yy - t.T0] = 1;
  std::uint8_t* dst = t.dest->Image + yy * t.dest->Pitch + xl * t.bytes;
  if (t.plain32) Store32(dst, xr - xl + 1, t.span->colour);
  else RunFillSpan(*t.span, dst, static_cast<int>(xr - xl + 1));
}

void Plot(const OvalTarget& t, i64 px, i64 py) {
  if (px < t.L || px > t.R || py < t.T0 || py > t.B) return;
  RunFillSpan(*t.span, t.dest->Image + py * t.dest->Pitch + px * t.bytes, 1);
}

}  // namespace

void DrawMemImgOval(MEMIMG* dest, int x, int y, int rx, int ry, std::uint32_t colour, int fill) {
  if (rx == 0 || ry == 0 || dest == nullptr || dest->Image == nullptr) return;
  const i64 a = rx < 0 ? -i64{rx} : rx;
  const i64 b = ry < 0 ? -i64{ry} : ry;
  if (a > kOvalMaxRadius || b > kOvalMaxRadius) return;
  const RECT area = SoftRenderClipArea(dest);
  if (area.left >= area.right || area.top >= area.bottom) return;
  if (dest->Format != kFormat16 && dest->Format != kFormat32) return;
  FillSpan span;
  if (PrepareFillSpan(&span, dest->Format, g_GraphDrawState, colour) != 0) return;

  OvalTarget t{dest, &span, area.left, area.top, area.right - 1, area.bottom - 1, nullptr,
               dest->Format == kFormat32 ? 4 : 2, dest->Format == kFormat32 && span.mode == 0};
  if (fill != 0) {
    t.marks = static_cast<std::uint8_t*>(MemAllocZeroed(area.bottom - area.top, "", 0));
    if (t.marks == nullptr) return;
  }
  dest->RunsValid = 0;

  i64 X = a, Y = 0, acc = 0, d1 = 3 - 2 * a, d2 = 3 - 4 * a;
  const bool wide = a >= b;
  const i64 tr = wide ? a * a / b : b * b / a;
  bool moved = false;
  // Steps that move nothing are taken in one go: a flat oval spends almost all of its walk (about
  // max(a, b)^2 / min(a, b) steps) filling the accumulator at an unchanged position, and skipping those steps whole
  // keeps the walk proportional to the radii while giving exactly the pixels of the step-by-step walk.
  auto skipStill = [&]() -> bool {
    i64 k = 0;
    if (wide && d1 < 0) {
      // acc += b, d1 += 4Y + 2, d2 += 4Y, as long as d1 stays negative and acc stays below the threshold.
      const i64 s = 4 * Y + 2;
      k = std::min((-d1 + s - 1) / s, (tr - acc - 1) / b);
      if (k <= 0) return false;
      acc += k * b;
      d1 += k * s;
      d2 += k * 4 * Y;
    } else if (!wide && d1 >= 0 && d2 >= 0) {
      // acc += a, d1 -= 4X, d2 += 2 - 4X, as long as both stay non-negative and acc stays below the threshold.
      k = std::min({d1 / (4 * X) + 1, d2 / (4 * X - 2) + 1, (tr - acc - 1) / a});
      if (k <= 0) return false;
      acc += k * a;
      d1 -= k * 4 * X;
      d2 += k * (2 - 4 * X);
    } else {
      return false;
    }
    moved = false;
    return true;
  };
  auto step = [&]() {
    if (skipStill()) return;
    const i64 oldX = X, oldY = Y;
    if (wide) {
      if (d1 < 0) {
        acc += b;
        if (acc >= tr) { ++Y; acc -= tr; }
        d1 += 4 * Y + 2;
        d2 += 4 * Y;
      } else if (d2 >= 0) {
        --X;
        d1 -= 4 * X;
        d2 += 2 - 4 * X;
      } else {
        --X;
        acc += b;
        if (acc >= tr) { ++Y; acc -= tr; }
        d1 += 4 * (Y - X) + 2;
        d2 += 4 * (Y - X) + 2;
      }
    } else {
      if (d1 < 0) {
        ++Y;
        d1 += 4 * Y + 2;
        d2 += 4 * Y;
      } else if (d2 >= 0) {
        acc += a;
        if (acc >= tr) { --X; acc -= tr; }
        d1 -= 4 * X;
        d2 += 2 - 4 * X;
      } else {
        acc += a;
        if (acc >= tr) { --X; acc -= tr; }
        ++Y;
        d1 += 4 * (Y - X) + 2;
        d2 += 4 * (Y - X) + 2;
      }
    }
    moved = fill != 0 ? Y != oldY : (X != oldX || Y != oldY);
  };

  const i64 cx = x, cy = y;
  if (fill != 0) {
    DrawRow(t, cy, cx - a, cx + a);
  } else {
    Plot(t, cx - a, cy);
    Plot(t, cx + a, cy);
  }
  step();
  while (X > 0) {
    if (moved) {
      if (fill != 0) {
        DrawRow(t, cy + Y, cx - X, cx + X);
        DrawRow(t, cy - Y, cx - X, cx + X);
      } else if (Y >= 1) {
        Plot(t, cx - X, cy + Y);
        Plot(t, cx + X, cy + Y);
        Plot(t, cx - X, cy - Y);
        Plot(t, cx + X, cy - Y);
      } else {
        Plot(t, cx - X, cy);
        Plot(t, cx + X, cy);
      }
    }
    step();
  }
  if (fill != 0) {
    DrawRow(t, cy - Y, cx - X, cx + X);
    DrawRow(t, cy + Y, cx - X, cx + X);
    MemFree(t.marks);
  } else {
    Plot(t, cx + X, cy - Y);
    Plot(t, cx - X, cy + Y);
  }
}

int DrawOvalSoft(int x, int y, int rx, int ry, std::uint32_t colour, int fill) {
  if (GetDirectDrawObject() == nullptr) return -1;
  if (SoftwareRenderFlag == 1 && ScreenColorBits != 8) {
    MEMIMG* dest = g_GraphDrawState.MaskActive != 0 ? GetMaskMemImg() : DrawScreenMemImg;
    DrawMemImgOval(dest, x, y, rx, ry, colour, fill);
    return 0;
  }
  G_D3D_FlushVertexBatch();
  if (DirectDrawStarted != 0) G_D3D_EndScene();
  if (rx == 0 || ry == 0) return 0;
  auto clampInt = [](i64 v) { return static_cast<std::int32_t>(std::clamp<i64>(v, INT32_MIN, INT32_MAX)); };
  const RECT rect{clampInt(i64{x} - rx - 1), clampInt(i64{y} - ry - 1), clampInt(i64{x} + rx + 1),
                  clampInt(i64{y} + ry + 1)};
  if (LockDrawScreenBuffer(nullptr, 0, nullptr, &rect, 1, &colour, nullptr) < 0) return -1;
  DrawMemImgOval(LockWorkMemImg, x, y, rx, ry, colour, fill);
  UnlockDrawScreenBuffer();
  return 0;
}
