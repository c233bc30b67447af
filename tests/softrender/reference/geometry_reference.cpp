#include "tests/softrender/reference/geometry_reference.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace softref {
namespace {

using i64 = std::int64_t;
constexpr i64 kOne = 262144;

i64 FloorDiv(i64 a, i64 b) {
  i64 q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}

// Truncation toward zero; nullopt-like false outside the int range.
bool Trunc(double v, i64* out) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return false;
  *out = static_cast<i64>(v);
  return true;
}

struct Seg {
  i64 x, slope, rows;
};

Seg MakeSeg(i64 x0, i64 y0, i64 x1, i64 y1) {
  const i64 rows = FloorDiv(y1 - y0, kOne);
  return Seg{x0, rows > 0 ? (x1 - x0) / rows : 0, rows};
}

// X of an edge made of segments at row r counted from the top row.
i64 EdgeX(const std::vector<Seg>& segs, i64 r) {
  for (const Seg& s : segs) {
    if (r < s.rows) return s.x + r * s.slope;
    r -= s.rows;
  }
  return 0;
}

}  // namespace

std::uint32_t TexelPixel(const Source& source, const Draw& draw, std::uint32_t src, std::uint32_t dst, int level) {
  Draw d = draw;
  d.path = Path::kStretched;
  // The transparent colour is compared whole: a palette index with one above 255, or a 16-bit word with one above
  // 0xFFFF, is never transparent (the stretched transfer compares only the low bits).
  if (!source.alpha && (source.palette ? source.transColor > 0xFFu
                                       : source.format == 0 && source.transColor > 0xFFFFu))
    d.transparent = 0;
  const bool weighsAlpha = source.alpha && (draw.transparent == 0 || ((src >> 16) & 0xFF) != 255);
  const bool bright = (draw.brightness & 0xFFFFFF) != 0xFFFFFF;
  if (source.format == 0 && source.alpha && !draw.useLevel && bright && weighsAlpha &&
      (draw.mode == 2 || draw.mode == 3) && draw.param != 0) {
    // 16-bit add and subtract with source alpha and brightness: the alpha weighs the raw component first.
    const int a = static_cast<int>((src >> 16) & 0xFF);
    if (draw.transparent != 0 && a == 0) return dst;
    const int shift[3] = {0, 5, 11}, bits[3] = {5, 6, 5};
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      const int max = (1 << bits[c]) - 1;
      const int s = static_cast<int>((src >> shift[c]) & static_cast<std::uint32_t>(max));
      const int dc = static_cast<int>((dst >> shift[c]) & static_cast<std::uint32_t>(max));
      const int b = static_cast<int>((draw.brightness >> (8 * c)) & 0xFF);
      const int v = Scale(draw.param, Scale(b, (s * a) >> 8));
      const int r = draw.mode == 2 ? std::min(dc + v, max) : std::max(dc - v, 0);
      out |= static_cast<std::uint32_t>(r) << shift[c];
    }
    return out;
  }
  return BlendPixel(source, d, src, dst, level);
}

std::vector<Sample> TriangleSamples(const int vb[12], const Area& area) {
  std::vector<Sample> out;
  i64 x[3], y[3], X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j)
      if (std::abs(static_cast<i64>(vb[4 * i + j])) > (1 << 24)) return out;
    x[i] = vb[4 * i];
    y[i] = vb[4 * i + 1];
    X[i] = x[i] * kOne + kOne / 2;
    Y[i] = y[i] * kOne + kOne / 2;
  }
  int xs[3] = {0, 1, 2}, ys[3] = {0, 1, 2};
  for (int i = 0; i < 2; ++i)
    for (int j = i + 1; j < 3; ++j) {
      if (X[xs[i]] > X[xs[j]]) std::swap(xs[i], xs[j]);
      if (Y[ys[i]] > Y[ys[j]]) std::swap(ys[i], ys[j]);
    }
  const int a0 = xs[0], a1 = xs[1], a2 = xs[2];
  auto d = [&](int i, int k, int c) { return static_cast<i64>(vb[4 * k + c]) - vb[4 * i + c]; };
  const i64 dx1 = d(a0, a1, 0), dx2 = d(a0, a2, 0), dy1 = d(a0, a1, 1), dy2 = d(a0, a2, 1);
  const i64 du1 = d(a0, a1, 2), du2 = d(a0, a2, 2), dv1 = d(a0, a1, 3), dv2 = d(a0, a2, 3);
  const i64 det = dy1 * dx2 - dy2 * dx1;
  if (det == 0) return out;
  i64 dudx, dudy, dvdx, dvdy;
  auto grad = [&](i64 num, i64* g) { return Trunc(static_cast<double>(num) * 262144.0 / static_cast<double>(det), g); };
  if (!grad(dy1 * du2 - dy2 * du1, &dudx) || !grad(du1 * dx2 - dx1 * du2, &dudy) ||
      !grad(dy1 * dv2 - dy2 * dv1, &dvdx) || !grad(dv1 * dx2 - dv2 * dx1, &dvdy))
    return out;

  const int top = ys[0], mid = ys[1], bot = ys[2];
  std::vector<Seg> left, right;
  if (Y[top] == Y[mid]) {
    const int ul = X[mid] < X[top] ? mid : top, ur = ul == top ? mid : top;
    left = {MakeSeg(X[ul], Y[ul], X[bot], Y[bot])};
    right = {MakeSeg(X[ur], Y[ur], X[bot], Y[bot])};
  } else if (Y[mid] == Y[bot]) {
    const int ll = X[mid] <= X[bot] ? mid : bot, lr = ll == mid ? bot : mid;
    left = {MakeSeg(X[top], Y[top], X[ll], Y[ll])};
    right = {MakeSeg(X[top], Y[top], X[lr], Y[lr])};
  } else {
    const double h1 = static_cast<double>(y[mid] - y[top]), h2 = static_cast<double>(y[bot] - y[top]);
    if (static_cast<double>(X[bot] - X[top]) / h2 > static_cast<double>(X[mid] - X[top]) / h1) {
      left = {MakeSeg(X[top], Y[top], X[mid], Y[mid]), MakeSeg(X[mid], Y[mid], X[bot], Y[bot])};
      right = {MakeSeg(X[top], Y[top], X[bot], Y[bot])};
    } else {
      left = {MakeSeg(X[top], Y[top], X[bot], Y[bot])};
      right = {MakeSeg(X[top], Y[top], X[mid], Y[mid]), MakeSeg(X[mid] + 1, Y[mid], X[bot], Y[bot])};
    }
  }
  for (const Seg& s : left)
    if (s.rows <= 0) return out;
  for (const Seg& s : right)
    if (s.rows <= 0) return out;
  const i64 rows = y[bot] - y[top];
  for (i64 r = 0; r < rows; ++r) {
    const i64 row = y[top] + r;
    if (row < area.top || row >= area.bottom) continue;
    const i64 xl = FloorDiv(EdgeX(left, r), kOne), xr = FloorDiv(EdgeX(right, r), kOne);
    for (i64 col = std::max<i64>(xl, area.left); col <= xr && col < area.right; ++col) {
      const i64 u = vb[4 * a0 + 2] * kOne + (col - x[a0]) * dudx + (row - y[a0]) * dudy;
      const i64 v = vb[4 * a0 + 3] * kOne + (col - x[a0]) * dvdx + (row - y[a0]) * dvdy;
      out.push_back(Sample{static_cast<int>(col), static_cast<int>(row), u, v});
    }
  }
  return out;
}

std::vector<bool> DrawSamples(const std::vector<Sample>& samples, const Source& source, const Draw& draw,
                              const Plane& src, const Plane* levelPlane, Plane* dst) {
  std::vector<bool> drawn(samples.size(), false);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const Sample& s = samples[i];
    if (s.u < 0 || s.v < 0 || s.u >= src.w * kOne || s.v >= src.h * kOne) continue;
    const int tx = static_cast<int>(s.u / kOne), ty = static_cast<int>(s.v / kOne);
    const int level = levelPlane != nullptr ? static_cast<int>(levelPlane->At(tx, ty)) : 0;
    dst->At(s.x, s.y) = TexelPixel(source, draw, src.At(tx, ty), dst->At(s.x, s.y), level);
    drawn[i] = true;
  }
  return drawn;
}

void DrawQuad(const int c[8], const Source& source, const Draw& draw, const Plane& src, const Plane* levelPlane,
              const Area& area, Plane* dst) {
  const int w = src.w, h = src.h;
  const int first[12] = {c[0], c[1], 0, 0, c[2], c[3], w, 0, c[4], c[5], 0, h};
  const int second[12] = {c[2], c[3], w, 0, c[4], c[5], 0, h, c[6], c[7], w, h};
  const std::vector<Sample> one = TriangleSamples(first, area);
  const std::vector<bool> drawn = DrawSamples(one, source, draw, src, levelPlane, dst);
  std::set<std::pair<int, int>> taken;
  for (std::size_t i = 0; i < one.size(); ++i)
    if (drawn[i]) taken.insert({one[i].x, one[i].y});
  std::vector<Sample> two;
  for (const Sample& s : TriangleSamples(second, area))
    if (taken.count({s.x, s.y}) == 0) two.push_back(s);
  DrawSamples(two, source, draw, src, levelPlane, dst);
}

std::vector<Sample> RotatedSamples(int srcW, int srcH, int x, int y, float angle, float scale, const Area& area) {
  std::vector<Sample> out;
  if (!std::isfinite(angle) || !std::isfinite(scale) || scale == 0.0f) return out;
  const float sinN = static_cast<float>(std::sin(static_cast<double>(-angle)));
  const float cosN = static_cast<float>(std::cos(static_cast<double>(-angle)));
  const float sinP = static_cast<float>(std::sin(static_cast<double>(angle)));
  const float cosP = static_cast<float>(std::cos(static_cast<double>(angle)));
  i64 SN, CN, SP, CP;
  if (!Trunc(sinN * 262144.0f, &SN) || !Trunc(cosN * 262144.0f, &CN) || !Trunc(sinP * 262144.0f, &SP) ||
      !Trunc(cosP * 262144.0f, &CP))
    return out;
  const long double hw = static_cast<long double>(srcW) * scale * 0.5L;
  const long double hh = static_cast<long double>(srcH) * scale * 0.5L;
  const float a = static_cast<float>(CP * hw), b = static_cast<float>(SP * hw);
  const float c = static_cast<float>(CP * hh), d = static_cast<float>(SP * hh);
  const float offX[4] = {-a + d, -a - d, a - d, a + d};
  const float offY[4] = {-c - b, c - b, c + b, -c + b};
  i64 minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
  for (int i = 0; i < 4; ++i) {
    i64 ox, oy;
    if (!Trunc(offX[i], &ox) || !Trunc(offY[i], &oy)) return out;
    minX = std::min(minX, x * kOne + ox);
    maxX = std::max(maxX, x * kOne + ox);
    minY = std::min(minY, y * kOne + oy);
    maxY = std::max(maxY, y * kOne + oy);
  }
  const float r = static_cast<float>(1.0 / scale);
  i64 du, dv;
  if (!Trunc(static_cast<float>(CP * (1.0L / scale)), &du) || !Trunc(static_cast<float>(SN * static_cast<long double>(r)), &dv))
    return out;
  const i64 left = std::clamp<i64>(minX / kOne - 2, area.left, area.right);
  const i64 right = std::clamp<i64>(maxX / kOne + 4, area.left, area.right);
  const i64 top = std::clamp<i64>(minY / kOne - 2, area.top, area.bottom);
  const i64 bottom = std::clamp<i64>(maxY / kOne + 4, area.top, area.bottom);
  if (left >= right || top >= bottom) return out;
  auto texel = [&](i64 px, i64 py, i64* u, i64* v) {
    const i64 dx = px - x, dy = py - y;
    i64 uu, vv;
    if (!Trunc(static_cast<float>(static_cast<long double>(dx * CN - dy * SN) * r), &uu) ||
        !Trunc(static_cast<float>(static_cast<long double>(dy * CN + dx * SN) * r), &vv))
      return false;
    *u = uu + (srcW >> 1) * kOne;
    *v = vv + (srcH >> 1) * kOne;
    return true;
  };
  i64 u0, v0, u1, v1;
  if (!texel(left, top, &u0, &v0) || !texel(left, bottom, &u1, &v1)) return out;
  const i64 us = (u1 - u0) / (bottom - top), vs = (v1 - v0) / (bottom - top);
  for (i64 j = 0; j < bottom - top; ++j)
    for (i64 i = 0; i < right - left; ++i)
      out.push_back(Sample{static_cast<int>(left + i), static_cast<int>(top + j), u0 + j * us + i * du,
                           v0 + j * vs + i * dv});
  return out;
}

std::vector<std::pair<int, int>> LinePixels(int x1, int y1, int x2, int y2, const Area& a) {
  std::vector<std::pair<int, int>> out;
  const int L = a.left, T = a.top, R = a.right, B = a.bottom;
  if (L >= R || T >= B) return out;
  if (std::min(y1, y2) >= B || std::min(x1, x2) >= R || std::max(y1, y2) < T || std::max(x1, x2) < L) return out;
  const double sxy = y1 == y2 ? 0.0 : (static_cast<double>(x2) - x1) / (static_cast<double>(y2) - y1);
  const double syx = x1 == x2 ? 0.0 : (static_cast<double>(y2) - y1) / (static_cast<double>(x2) - x1);
  const double bx = x1 - sxy * y1, by = y1 - syx * x1;
  auto tr = [](double v) {
    i64 r;
    return Trunc(v, &r) ? static_cast<int>(r) : INT32_MIN;
  };
  if (x1 < L) { x1 = L; y1 = tr(L * syx + by); } else if (x1 >= R) { x1 = R - 1; y1 = tr((R - 1) * syx + by); }
  if (x2 < L) { x2 = L - 1; y2 = tr((L - 1) * syx + by); } else if (x2 >= R) { x2 = R; y2 = tr(R * syx + by); }
  if (y1 < T) { y1 = T; x1 = tr(T * sxy + bx); } else if (y1 >= B) { y1 = B - 1; x1 = tr((B - 1) * sxy + bx); }
  if (y2 < T) { y2 = T - 1; x2 = tr((T - 1) * sxy + bx); } else if (y2 >= B) { y2 = B; x2 = tr(B * sxy + bx); }
  x1 = std::clamp(x1, L, R - 1);
  x2 = std::clamp(x2, L - 1, R);
  y1 = std::clamp(y1, T, B - 1);
  y2 = std::clamp(y2, T - 1, B);
  const i64 dx = i64{x2} - x1, dy = i64{y2} - y1;
  const i64 ax = std::abs(dx), ay = std::abs(dy);
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  const i64 n = std::max(ax, ay);
  for (i64 k = 0; k < n; ++k) {
    if (ax >= ay) out.push_back({static_cast<int>(x1 + k * sx), static_cast<int>(y1 + (k * ay / ax) * sy)});
    else out.push_back({static_cast<int>(x1 + (k * ax / ay) * sx), static_cast<int>(y1 + k * sy)});
  }
  return out;
}

}  // namespace softref
