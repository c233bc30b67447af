#include "engine/softrender/triangle.h"

#include <cmath>
#include <utility>

#include "engine/graphics/draw_state.h"
#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/triangle_texel_ops.h"

namespace {

using i64 = std::int64_t;

constexpr i64 kOne = i64{1} << 18;

// F / 2^18 rounded down.
i64 Whole(i64 f) { return f >= 0 ? f / kOne : -((-f + kOne - 1) / kOne); }

struct Segment {
  i64 x;      // start X (14.18)
  i64 slope;  // per row (14.18)
  i64 rows;
  i64 y;      // row the segment starts on
};

struct Edge {
  Segment seg[2];
  int count;
  int index;
  i64 x, slope, rows;
};

// The rasterisation state of one triangle: the current row and both edges, and the texture gradients.
struct Raster {
  Edge left, right;
  i64 y;
  bool done;
  i64 refX, refY, refU, refV;
  i64 dudx, dudy, dvdx, dvdy;
};

void StartEdge(Edge* e) {
  e->index = 0;
  e->x = e->seg[0].x;
  e->slope = e->seg[0].slope;
  e->rows = e->seg[0].rows;
}

bool MakeSegment(Segment* s, i64 x0, i64 y0, i64 x1, i64 y1) {
  s->rows = Whole(y1 - y0);
  if (s->rows <= 0) return false;
  s->x = x0;
  s->slope = (x1 - x0) / s->rows;
  s->y = Whole(y0);
  return true;
}

// Gradient numerator * 2^18 / det truncated toward zero; false when it leaves the 32-bit range.
bool Gradient(i64 numerator, i64 det, i64* out) {
  const double g = static_cast<double>(numerator) * 262144.0 / static_cast<double>(det);
  if (!(std::fabs(g) < 2147483648.0)) return false;
  *out = static_cast<i64>(g);
  return true;
}

bool SetupRaster(const std::int32_t* vb, Raster* t) {
  i64 px[3], py[3], X[3], Y[3], U[3], V[3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      const std::int32_t c = vb[4 * i + j];
      if (c > kTriangleMaxCoord || c < -kTriangleMaxCoord) return false;
    }
    px[i] = vb[4 * i];
    py[i] = vb[4 * i + 1];
    X[i] = px[i] * kOne + kOne / 2;
    Y[i] = py[i] * kOne + kOne / 2;
    U[i] = i64{vb[4 * i + 2]} * kOne;
    V[i] = i64{vb[4 * i + 3]} * kOne;
  }
  int xs[3] = {0, 1, 2}, ys[3] = {0, 1, 2};
  for (int i = 0; i < 2; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (X[xs[i]] > X[xs[j]]) std::swap(xs[i], xs[j]);
      if (Y[ys[i]] > Y[ys[j]]) std::swap(ys[i], ys[j]);
    }
  }
  const int a0 = xs[0], a1 = xs[1], a2 = xs[2];
  const i64 dx1 = px[a1] - px[a0], dx2 = px[a2] - px[a0];
  const i64 dy1 = py[a1] - py[a0], dy2 = py[a2] - py[a0];
  const i64 du1 = i64{vb[4 * a1 + 2]} - vb[4 * a0 + 2], du2 = i64{vb[4 * a2 + 2]} - vb[4 * a0 + 2];
  const i64 dv1 = i64{vb[4 * a1 + 3]} - vb[4 * a0 + 3], dv2 = i64{vb[4 * a2 + 3]} - vb[4 * a0 + 3];
  const i64 det = dy1 * dx2 - dy2 * dx1;
  if (det == 0) return false;
  if (!Gradient(dy1 * du2 - dy2 * du1, det, &t->dudx) || !Gradient(du1 * dx2 - dx1 * du2, det, &t->dudy) ||
      !Gradient(dy1 * dv2 - dy2 * dv1, det, &t->dvdx) || !Gradient(dv1 * dx2 - dv2 * dx1, det, &t->dvdy))
    return false;
  t->refX = px[a0];
  t->refY = py[a0];
  t->refU = U[a0];
  t->refV = V[a0];

  const int top = ys[0], mid = ys[1], bot = ys[2];
  Edge& l = t->left;
  Edge& r = t->right;
  if (Y[top] == Y[mid]) {
    // Flat top: the upper vertex with the smaller X starts the left edge (the first in Y order on a tie).
    const int ul = X[mid] < X[top] ? mid : top;
    const int ur = ul == top ? mid : top;
    if (!MakeSegment(&l.seg[0], X[ul], Y[ul], X[bot], Y[bot]) || !MakeSegment(&r.seg[0], X[ur], Y[ur], X[bot], Y[bot]))
      return false;
    l.count = r.count = 1;
  } else if (Y[mid] == Y[bot]) {
    const int ll = X[mid] <= X[bot] ? mid : bot;
    const int lr = ll == mid ? bot : mid;
    if (!MakeSegment(&l.seg[0], X[top], Y[top], X[ll], Y[ll]) || !MakeSegment(&r.seg[0], X[top], Y[top], X[lr], Y[lr]))
      return false;
    l.count = r.count = 1;
  } else {
    const double h1 = static_cast<double>(Y[mid] - Y[top]) / 262144.0;
    const double h2 = static_cast<double>(Y[bot] - Y[top]) / 262144.0;
    const double longSlope = static_cast<double>(X[bot] - X[top]) / h2;
    const double shortSlope = static_cast<double>(X[mid] - X[top]) / h1;
    if (longSlope > shortSlope) {
      // The middle vertex is on the left.
      if (!MakeSegment(&l.seg[0], X[top], Y[top], X[mid], Y[mid]) ||
          !MakeSegment(&l.seg[1], X[mid], Y[mid], X[bot], Y[bot]) ||
          !MakeSegment(&r.seg[0], X[top], Y[top], X[bot], Y[bot]))
        return false;
      l.count = 2;
      r.count = 1;
    } else {
      // On the right; its lower segment starts one unit right of the vertex.
      if (!MakeSegment(&l.seg[0], X[top], Y[top], X[bot], Y[bot]) ||
          !MakeSegment(&r.seg[0], X[top], Y[top], X[mid], Y[mid]) ||
          !MakeSegment(&r.seg[1], X[mid] + 1, Y[mid], X[bot], Y[bot]))
        return false;
      l.count = 1;
      r.count = 2;
    }
  }
  StartEdge(&l);
  StartEdge(&r);
  t->y = Whole(Y[top]);
  t->done = false;
  return true;
}

// Moves both edges on by k rows (k no more than either edge's rows left), switching segments where one ends.
void Advance(Raster* t, i64 k) {
  t->left.x += k * t->left.slope;
  t->right.x += k * t->right.slope;
  t->left.rows -= k;
  t->right.rows -= k;
  t->y += k;
  if (t->left.rows == 0) {
    Edge& e = t->left;
    if (e.index + 1 >= e.count) {
      t->done = true;
      return;
    }
    ++e.index;
    e.x = e.seg[e.index].x;
    e.slope = e.seg[e.index].slope;
    e.rows = e.seg[e.index].rows;
    t->y = e.seg[e.index].y;
  }
  if (t->right.rows == 0) {
    Edge& e = t->right;
    if (e.index + 1 >= e.count) {
      t->done = true;
      return;
    }
    ++e.index;
    e.x = e.seg[e.index].x;
    e.slope = e.seg[e.index].slope;
    e.rows = e.seg[e.index].rows;
  }
}

// Skips the rows above row `y` without visiting them one by one.
void SkipTo(Raster* t, i64 y) {
  while (!t->done && t->y < y) {
    i64 k = y - t->y;
    if (k > t->left.rows) k = t->left.rows;
    if (k > t->right.rows) k = t->right.rows;
    Advance(t, k);
  }
}

i64 RowU(const Raster& t, i64 x, i64 y) { return t.refU + (x - t.refX) * t.dudx + (y - t.refY) * t.dudy; }
i64 RowV(const Raster& t, i64 x, i64 y) { return t.refV + (x - t.refX) * t.dvdx + (y - t.refY) * t.dvdy; }

struct Target {
  std::uint8_t* image;
  i64 pitch;
  i64 bytes;
  RECT area;  // draw area within the image
};

bool MakeTarget(MEMIMG* dest, Target* out) {
  const RECT area = SoftRenderClipArea(dest);
  if (area.left >= area.right || area.top >= area.bottom) return false;
  out->image = dest->Image;
  out->pitch = dest->Pitch;
  out->bytes = dest->Format == kFormat32 ? 4 : 2;
  out->area = area;
  return true;
}

// The clipped span of the current row: first column and pixel count; false when nothing of it lies in the area.
bool ClippedSpan(const Raster& t, const RECT& area, i64* x0, i64* n) {
  i64 xl = Whole(t.left.x);
  const i64 xr = Whole(t.right.x);
  if (xl < area.left) xl = area.left;
  i64 count = xr - xl + 1;
  if (xl >= area.right || count <= 0) return false;
  if (count > area.right - xl) count = area.right - xl;
  *x0 = xl;
  *n = count;
  return true;
}

void DrawRows(Raster* t, const Target& tg, const texel::Setup& s, texel::SpanFn span) {
  SkipTo(t, tg.area.top);
  while (!t->done && t->y < tg.area.bottom) {
    i64 x0, n;
    if (ClippedSpan(*t, tg.area, &x0, &n)) {
      span(s.ctx, tg.image + t->y * tg.pitch + x0 * tg.bytes, n, RowU(*t, x0, t->y), RowV(*t, x0, t->y), t->dudx,
           t->dvdx);
    }
    Advance(t, 1);
  }
}

bool Prepare(MEMIMG* dest, const MEMIMG* src, int transparent, const MEMIMG* blendGraph, Target* tg,
             texel::Setup* s, texel::SpanFn* span) {
  if (!texel::PrepareDraw(dest, src, transparent, blendGraph, s)) return false;
  if (!MakeTarget(dest, tg)) return false;
  *span = texel::SelectSpan(s->format, s->palette, s->mode, s->graph, s->bright, s->alpha, s->transparent);
  if (*span == nullptr) return false;
  dest->RunsValid = 0;
  return true;
}

}  // namespace

void DrawMemImgTriangle(MEMIMG* dest, const MEMIMG* src, const std::int32_t* vertices, int transparent,
                        const MEMIMG* blendGraph, int /*reserved*/) {
  if (vertices == nullptr) return;
  Target tg;
  texel::Setup s;
  texel::SpanFn span;
  if (!Prepare(dest, src, transparent, blendGraph, &tg, &s, &span)) return;
  Raster t;
  if (!SetupRaster(vertices, &t)) return;
  DrawRows(&t, tg, s, span);
}

void DrawMemImgTrianglePair(MEMIMG* dest, const MEMIMG* src, const std::int32_t* first, const std::int32_t* second,
                            int transparent, const MEMIMG* blendGraph) {
  Target tg;
  texel::Setup s;
  texel::SpanFn span;
  if (!Prepare(dest, src, transparent, blendGraph, &tg, &s, &span)) return;
  Raster one, other;
  const bool haveFirst = SetupRaster(first, &one);
  if (haveFirst) {
    Raster drawn = one;
    DrawRows(&drawn, tg, s, span);
  }
  if (!SetupRaster(second, &other)) return;
  if (!haveFirst) {
    DrawRows(&other, tg, s, span);
    return;
  }
  // The second triangle, row by row beside the first one's rows: the columns where the first one drew are left out.
  SkipTo(&other, tg.area.top);
  while (!other.done && other.y < tg.area.bottom) {
    i64 x0, n;
    if (ClippedSpan(other, tg.area, &x0, &n)) {
      const i64 y = other.y;
      SkipTo(&one, y);
      i64 ox0 = 0, on = 0;
      const bool overlap = !one.done && one.y == y && ClippedSpan(one, tg.area, &ox0, &on) && ox0 < x0 + n &&
                           x0 < ox0 + on;
      std::uint8_t* row = tg.image + y * tg.pitch;
      if (!overlap) {
        span(s.ctx, row + x0 * tg.bytes, n, RowU(other, x0, y), RowV(other, x0, y), other.dudx, other.dvdx);
      } else {
        const i64 end = x0 + n;
        const i64 oEnd = ox0 + on;
        // Left of the first one's span, then its columns one by one, then right of it.
        if (x0 < ox0) span(s.ctx, row + x0 * tg.bytes, ox0 - x0, RowU(other, x0, y), RowV(other, x0, y), other.dudx,
                           other.dvdx);
        const i64 mStart = x0 > ox0 ? x0 : ox0;
        const i64 mEnd = end < oEnd ? end : oEnd;
        for (i64 x = mStart; x < mEnd; ++x) {
          const i64 u1 = RowU(one, x, y), v1 = RowV(one, x, y);
          if (static_cast<std::uint64_t>(u1) < s.ctx.uBound && static_cast<std::uint64_t>(v1) < s.ctx.vBound)
            continue;
          span(s.ctx, row + x * tg.bytes, 1, RowU(other, x, y), RowV(other, x, y), 0, 0);
        }
        if (end > oEnd) span(s.ctx, row + oEnd * tg.bytes, end - oEnd, RowU(other, oEnd, y), RowV(other, oEnd, y),
                             other.dudx, other.dvdx);
      }
    }
    Advance(&other, 1);
  }
}
