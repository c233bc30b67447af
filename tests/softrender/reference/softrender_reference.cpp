#include "tests/softrender/reference/softrender_reference.h"

#include <algorithm>

namespace softref {
namespace {

using i64 = std::int64_t;

i64 FloorDiv(i64 a, i64 b) {  // b > 0
  i64 q = a / b;
  if ((a % b) != 0 && a < 0) --q;
  return q;
}

struct Layout {
  int shift[3];
  int bits[3];
};
constexpr Layout k32{{0, 8, 16}, {8, 8, 8}};
constexpr Layout k16{{0, 5, 11}, {5, 6, 5}};

int Component(std::uint32_t pixel, const Layout& l, int c) {
  return static_cast<int>((pixel >> l.shift[c]) & ((1u << l.bits[c]) - 1));
}

std::uint32_t Pack(const int comp[3], const Layout& l) {
  std::uint32_t v = 0;
  for (int c = 0; c < 3; ++c) v |= static_cast<std::uint32_t>(comp[c]) << l.shift[c];
  return v;
}

int BrightnessByte(std::uint32_t brightness, int c) { return static_cast<int>((brightness >> (8 * c)) & 0xFF); }

}  // namespace

int Scale(int r, int v) { return v * r / 255; }
int Delta(int r, int e) { return e * r / 255; }  // C++ division truncates toward zero
int Mix64(int k, int s, int d) { return (s * k + d * (63 - k)) / 63; }

int Level(int border, int range, int v) {
  border = std::clamp(border, 0, 255);
  range = std::clamp(range, 0, 255);
  const int offset = 256 - ((65536 / (range + 1) + 256) * border) / 256;
  return std::clamp(256 * v / (range + 1) + offset, 0, 255);
}

bool IsSkipPixel(const Source& source, std::uint32_t src) {
  if (source.alpha) return ((source.format == 0 ? src >> 16 : src >> 24) & 0xFF) == 0;
  if (source.palette) return (src & 0xFF) == (source.transColor & 0xFF);
  if (source.format == 0) return (src & 0xFFFF) == (source.transColor & 0xFFFF);
  return src == source.transColor;
}

RunKind RunKindOf(const Source& source, std::uint32_t src) {
  if (!source.alpha) return RunKind::kSolid;
  const std::uint32_t a = (source.format == 0 ? src >> 16 : src >> 24) & 0xFF;
  return a == 255 ? RunKind::kSolid : RunKind::kTranslucent;
}

std::uint32_t BlendPixel(const Source& source, const Draw& draw, std::uint32_t src, std::uint32_t dst, int level) {
  int mode = draw.mode;
  const int P = draw.param;
  if (mode < 0 || mode > 4) return dst;
  if (mode >= 1 && mode <= 3 && P == 0) return dst;
  if (mode == 1 && P == 255) mode = 0;

  const bool is32 = source.format == 1;
  const Layout& lay = is32 ? k32 : k16;

  // 1. Source colour and alpha.
  std::uint32_t colour;
  int a = 255;
  if (source.palette) {
    colour = source.entries[src & 0xFF];
    if (!is32) colour &= 0xFFFF;
  } else if (!is32) {
    colour = src & 0xFFFF;
    if (source.alpha) a = static_cast<int>((src >> 16) & 0xFF);
  } else {
    colour = src;
    if (source.alpha) a = static_cast<int>(src >> 24);
  }
  if (!is32) dst &= 0xFFFF;

  // 2. Brightness.
  const bool bright = (draw.brightness & 0xFFFFFF) != 0xFFFFFF;
  int s[3], d[3];
  for (int c = 0; c < 3; ++c) {
    const int raw = Component(colour, lay, c);
    s[c] = bright ? Scale(BrightnessByte(draw.brightness, c), raw) : raw;
    d[c] = Component(dst, lay, c);
  }

  // 3. Skipping and the alpha weight.
  bool alphaWeight = false;
  if (draw.path == Path::kRunCoded) {
    alphaWeight = source.alpha && draw.run == RunKind::kTranslucent;
  } else if (draw.transparent != 0) {
    if (IsSkipPixel(source, src)) return dst;
    alphaWeight = source.alpha && a != 255;
  } else {
    alphaWeight = source.alpha;
  }

  // 4. Weights other than P.
  i64 W = 1;
  int k = 0;
  if (draw.useLevel) { W *= level; ++k; }
  if (alphaWeight) { W *= a; ++k; }
  auto pow256 = [](int n) { return i64{1} << (8 * n); };
  auto weighted = [&](int dc, int sc, i64 w, int kk) {
    return static_cast<int>(dc + FloorDiv(static_cast<i64>(sc - dc) * w, pow256(kk)));
  };

  const std::uint32_t keepX = is32 ? (dst & 0xFF000000u) : 0;
  int r[3];
  switch (mode) {
    case 0:
      if (k == 0) {
        if (!bright) return is32 ? colour : (colour & 0xFFFF);
        return keepX | Pack(s, lay);
      }
      for (int c = 0; c < 3; ++c) r[c] = weighted(d[c], s[c], W, k);
      return keepX | Pack(r, lay);
    case 1:
      if (is32) {
        if (draw.path == Path::kPerPixel && P == 128 && !bright && !draw.useLevel && !source.alpha)
          return ((colour >> 1) & 0x007F7F7F) + ((dst >> 1) & 0x007F7F7F);
        for (int c = 0; c < 3; ++c) r[c] = weighted(d[c], s[c], W * P, k + 1);
        return keepX | Pack(r, lay);
      }
      if (draw.useLevel) {
        for (int c = 0; c < 3; ++c) r[c] = weighted(d[c], s[c], W * P, k + 1);
      } else if (alphaWeight) {
        for (int c = 0; c < 3; ++c) r[c] = weighted(d[c], s[c], static_cast<i64>(a) * P, 2);
      } else if (draw.path == Path::kPerPixel && !bright && !source.alpha) {
        if (P == 128) return ((colour >> 1) & 0x7BEF) + ((dst >> 1) & 0x7BEF);
        for (int c = 0; c < 3; ++c) r[c] = Mix64(P >> 2, s[c], d[c]);
      } else {
        for (int c = 0; c < 3; ++c) r[c] = d[c] + Delta(P, s[c] - d[c]);
      }
      return Pack(r, lay);
    case 2:
    case 3:
      for (int c = 0; c < 3; ++c) {
        int v;
        if (k == 0) v = Scale(P, s[c]);
        else if (is32) v = static_cast<int>(FloorDiv(s[c] * W * P, pow256(k + 1)));
        else v = Scale(P, static_cast<int>(FloorDiv(s[c] * W, pow256(k))));
        const int max = (1 << lay.bits[c]) - 1;
        r[c] = mode == 2 ? std::min(d[c] + v, max) : std::max(d[c] - v, 0);
      }
      return keepX | Pack(r, lay);
    default:  // 4: multiply; the weights say how much of the product applies
      for (int c = 0; c < 3; ++c) {
        const int product = (d[c] * s[c]) >> lay.bits[c];
        r[c] = k == 0 ? product : weighted(d[c], product, W, k);
      }
      return keepX | Pack(r, lay);
  }
}

std::uint32_t FillPixel(int format, int mode, int param, std::uint32_t brightness, std::uint32_t colour,
                        std::uint32_t dst) {
  if (mode < 0 || mode > 4) return dst;
  if (mode >= 1 && mode <= 3 && param == 0) return dst;
  if (mode == 1 && param == 255) mode = 0;
  const bool is32 = format == 1;
  const Layout& lay = is32 ? k32 : k16;
  if (!is32) {
    colour &= 0xFFFF;
    dst &= 0xFFFF;
  }
  int c[3], d[3], r[3];
  const bool bright = (brightness & 0xFFFFFF) != 0xFFFFFF;
  for (int i = 0; i < 3; ++i) {
    c[i] = Component(colour, lay, i);
    if (bright) c[i] = (c[i] * BrightnessByte(brightness, i)) >> 8;
    d[i] = Component(dst, lay, i);
  }
  const std::uint32_t keepX = is32 ? (dst & 0xFF000000u) : 0;
  switch (mode) {
    case 0:
      return is32 ? ((colour & 0xFF000000u) | Pack(c, lay)) : Pack(c, lay);
    case 1:
      for (int i = 0; i < 3; ++i)
        r[i] = is32 ? static_cast<int>(FloorDiv(256 * d[i] + (c[i] - d[i]) * param, 256)) : d[i] + Delta(param, c[i] - d[i]);
      return keepX | Pack(r, lay);
    case 2:
    case 3:
      for (int i = 0; i < 3; ++i) {
        const int v = Scale(param, c[i]);
        const int max = (1 << lay.bits[i]) - 1;
        r[i] = mode == 2 ? std::min(d[i] + v, max) : std::max(d[i] - v, 0);
      }
      return keepX | Pack(r, lay);
    default:
      for (int i = 0; i < 3; ++i) r[i] = (d[i] * c[i]) >> lay.bits[i];
      return keepX | Pack(r, lay);
  }
}

int StretchedSourceIndex(int j, int destSize, int sourceSize, bool stopAtZero) {
  const i64 step = (static_cast<i64>(destSize) * 65536) / sourceSize;
  i64 index = 0, acc = step;
  for (int k = 0; k < j; ++k) {
    acc -= 65536;
    if (acc > 0) continue;
    do {
      ++index;
      acc += step;
    } while (stopAtZero ? acc < 0 : acc <= 0);
  }
  return static_cast<int>(std::min<i64>(index, sourceSize - 1));
}

bool StretchStopsAtZero(const Source& source, const Draw& draw) {
  if (draw.useLevel || (draw.brightness & 0xFFFFFF) != 0xFFFFFF || source.alpha) return false;
  return draw.mode == 0 || (draw.mode == 1 && draw.param == 255) || (draw.mode == 3 && draw.param == 255);
}

}  // namespace softref
