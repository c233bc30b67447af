// Speed of the software renderer's geometry (rotated, stretched, mirrored and quad drawing, filled ovals, lines) in
// megapixels drawn per second, each beside a peer doing the same work on the same images in the same run. Every
// figure counts the pixels the renderer's draw changes on a cleared screen, for both sides:
// - transformed draws: pixman's nearest-filter transformed composite (OVER of an opaque x8r8g8b8 source, which
//   copies inside the image and leaves the rest alone, as the renderer's plain mode does); for the rotated and quad
//   draws pixman composites through a clip region made of the spans the renderer drew, so it works over the drawn
//   pixels, not over the bounding box;
// - filled ovals: pixman filling the same rows as one box each;
// - lines: the same pixels stored one by one, each as a span of one pixel (the least any line drawer must do).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/blend_tables.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"
#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/line.h"
#include "engine/softrender/oval.h"
#include "engine/softrender/quad.h"
#include "engine/softrender/rotate.h"

namespace {

constexpr int kScreenW = 640, kScreenH = 480, kSrc = 256;

struct Fixture {
  MEMIMG screen{}, src{};
  pixman_image_t* pScreen = nullptr;
  pixman_image_t* pSrc = nullptr;
  Fixture() {
    BuildBlendTables();
    ResetGraphDrawState();
    g_GraphDrawState.DrawArea = RECT{0, 0, kScreenW, kScreenH};
    MakeMemImg(&screen, kScreenW, kScreenH, kFormat32);
    MakeMemImg(&src, kSrc, kSrc, kFormat32);
    src.TransColor = 0xFFFFFFFFu;
    for (int y = 0; y < kSrc; ++y)
      for (int x = 0; x < kSrc; ++x) {
        const std::uint32_t v = static_cast<std::uint32_t>((x * 7) ^ (y * 13)) * 0x010203u & 0x00FFFFFFu;
        std::memcpy(src.Image + y * src.Pitch + x * 4, &v, 4);
      }
    std::memset(screen.Image, 0, static_cast<std::size_t>(screen.Pitch) * kScreenH);
    pScreen = pixman_image_create_bits(PIXMAN_x8r8g8b8, kScreenW, kScreenH,
                                       reinterpret_cast<std::uint32_t*>(screen.Image), screen.Pitch);
    pSrc = pixman_image_create_bits(PIXMAN_x8r8g8b8, kSrc, kSrc, reinterpret_cast<std::uint32_t*>(src.Image),
                                    src.Pitch);
    pixman_image_set_filter(pSrc, PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_image_set_repeat(pSrc, PIXMAN_REPEAT_NONE);
  }
  ~Fixture() {
    pixman_image_unref(pScreen);
    pixman_image_unref(pSrc);
    ReleaseMemImg(&screen);
    ReleaseMemImg(&src);
  }
  // Pixels of the screen that are not 0 (the drawn pixels after a draw onto a cleared screen).
  std::int64_t Drawn() {
    std::int64_t n = 0;
    for (int y = 0; y < kScreenH; ++y)
      for (int x = 0; x < kScreenW; ++x) {
        std::uint32_t v;
        std::memcpy(&v, screen.Image + y * screen.Pitch + x * 4, 4);
        n += v != 0 ? 1 : 0;
      }
    return n;
  }
  void Clear() { std::memset(screen.Image, 0, static_cast<std::size_t>(screen.Pitch) * kScreenH); }
};

Fixture& F() {
  static Fixture f;
  return f;
}

pixman_fixed_t Fx(double v) { return pixman_double_to_fixed(v); }

// The rows of drawn (non-zero) pixels of the screen as boxes, one per run.
std::vector<pixman_box32_t> DrawnBoxes() {
  Fixture& f = F();
  std::vector<pixman_box32_t> boxes;
  for (int y = 0; y < kScreenH; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(f.screen.Image + y * f.screen.Pitch);
    for (int x = 0; x < kScreenW;) {
      if (row[x] == 0) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < kScreenW && row[x] != 0) ++x;
      boxes.push_back({start, y, x, y + 1});
    }
  }
  return boxes;
}

// Restricts pixman's drawing on the screen to the pixels the given renderer draw changes, for the lifetime of the
// object.
class DrawnClip {
 public:
  template <class Draw>
  explicit DrawnClip(Draw draw) {
    F().Clear();
    draw();
    const std::vector<pixman_box32_t> boxes = DrawnBoxes();
    pixman_region32_init_rects(&region_, boxes.data(), static_cast<int>(boxes.size()));
    pixman_image_set_clip_region32(F().pScreen, &region_);
  }
  ~DrawnClip() {
    pixman_image_set_clip_region32(F().pScreen, nullptr);
    pixman_region32_fini(&region_);
  }
  DrawnClip(const DrawnClip&) = delete;
  DrawnClip& operator=(const DrawnClip&) = delete;

 private:
  pixman_region32_t region_;
};

// Sets a transform mapping destination to source: the inverse of turning by `angle` and scaling by `scale` about
// the destination point (cx, cy), with the source's centre there.
void SetRotation(double angle, double scale, double cx, double cy, bool mirror) {
  const double c = std::cos(angle) / scale, s = std::sin(angle) / scale, m = mirror ? -1.0 : 1.0;
  // u = m * (c * dx + s * dy) + W/2, v = -s * dx + c * dy + H/2 with dx = X - cx, dy = Y - cy.
  pixman_transform_t t;
  t.matrix[0][0] = Fx(m * c);
  t.matrix[0][1] = Fx(m * s);
  t.matrix[0][2] = Fx(-m * (c * cx + s * cy) + kSrc / 2.0);
  t.matrix[1][0] = Fx(-s);
  t.matrix[1][1] = Fx(c);
  t.matrix[1][2] = Fx(s * cx - c * cy + kSrc / 2.0);
  t.matrix[2][0] = 0;
  t.matrix[2][1] = 0;
  t.matrix[2][2] = pixman_fixed_1;
  pixman_image_set_transform(F().pSrc, &t);
}

void ClearTransform() { pixman_image_set_transform(F().pSrc, nullptr); }

// Runs the draw, counts the pixels it draws once, and reports megapixels per second.
template <class Draw>
void Measure(benchmark::State& state, Draw draw) {
  Fixture& f = F();
  f.Clear();
  draw();
  const std::int64_t pixels = f.Drawn();
  for (auto _ : state) {
    draw();
    benchmark::ClobberMemory();
  }
  ClearTransform();
  state.SetItemsProcessed(state.iterations() * pixels);
  state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(pixels) * static_cast<double>(state.iterations()) / 1e6,
                                               benchmark::Counter::kIsRate);
}

constexpr double kAngle30 = 30.0 * 3.14159265358979323846 / 180.0;

void DrawRotated(float scale) {
  DrawMemImgRotated(&F().screen, &F().src, 320, 240, static_cast<float>(kAngle30), scale, 0, 0, nullptr);
}
void BM_Rotated(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0));
  Measure(state, [&] { DrawRotated(scale); });
}
void BM_PixmanRotated(benchmark::State& state) {
  const double scale = static_cast<double>(state.range(0));
  const int half = static_cast<int>(kSrc * scale * 0.71) + 2;
  const DrawnClip clip([&] { DrawRotated(static_cast<float>(scale)); });
  Measure(state, [&] {
    SetRotation(kAngle30, scale, 320, 240, false);
    pixman_image_composite32(PIXMAN_OP_OVER, F().pSrc, nullptr, F().pScreen, 320 - half, 240 - half, 0, 0,
                             320 - half, 240 - half, 2 * half, 2 * half);
  });
}
BENCHMARK(BM_Rotated)->Arg(1)->Arg(2);
BENCHMARK(BM_PixmanRotated)->Arg(1)->Arg(2);

// Stretched by a factor given in percent: 200 doubles, 50 halves.
void BM_Stretched(benchmark::State& state) {
  const int size = static_cast<int>(kSrc * state.range(0) / 100);
  const int rect[4] = {10, 10, 10 + std::min(size, 460), 10 + std::min(size, 460)};
  Measure(state, [&] { DrawMemImgStretched(&F().screen, &F().src, rect, 0, nullptr); });
}
void BM_PixmanStretched(benchmark::State& state) {
  const int size = std::min(static_cast<int>(kSrc * state.range(0) / 100), 460);
  const double k = 100.0 / static_cast<double>(state.range(0));
  Measure(state, [&] {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, Fx(k), Fx(k));
    pixman_image_set_transform(F().pSrc, &t);
    pixman_image_composite32(PIXMAN_OP_OVER, F().pSrc, nullptr, F().pScreen, 0, 0, 0, 0, 10, 10, size, size);
  });
}
BENCHMARK(BM_Stretched)->Arg(200)->Arg(50);
BENCHMARK(BM_PixmanStretched)->Arg(200)->Arg(50)->Arg(150);

// Stretched by 150 percent in each blend mode over a grey screen, each counting the 384 x 384 pixels it covers:
// 0 copy, 1 alpha at P = 128, 2 add and 3 subtract at P = 128, 4 multiply; the peer is pixman's stretched copy of
// the same rectangle (BM_PixmanStretched/150).
void BM_StretchedMode(benchmark::State& state) {
  Fixture& f = F();
  const int mode = static_cast<int>(state.range(0)), size = kSrc * 3 / 2;
  const int rect[4] = {10, 10, 10 + size, 10 + size};
  g_GraphDrawState.BlendMode = mode;
  g_GraphDrawState.BlendParam = mode == 0 ? 255 : 128;
  std::memset(f.screen.Image, 0x80, static_cast<std::size_t>(f.screen.Pitch) * kScreenH);
  for (auto _ : state) {
    DrawMemImgStretched(&f.screen, &f.src, rect, 0, nullptr);
    benchmark::ClobberMemory();
  }
  g_GraphDrawState.BlendMode = 0;
  g_GraphDrawState.BlendParam = 255;
  const std::int64_t pixels = static_cast<std::int64_t>(size) * size;
  state.SetItemsProcessed(state.iterations() * pixels);
  state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(pixels) * static_cast<double>(state.iterations()) / 1e6,
                                               benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StretchedMode)->DenseRange(0, 4);

void BM_Mirrored(benchmark::State& state) {
  const int rect[4] = {10 + kSrc, 10, 10, 10 + kSrc};
  Measure(state, [&] { DrawMemImgStretched(&F().screen, &F().src, rect, 0, nullptr); });
}
// The mirrored rotated draw at angle 0 and scale 1, which goes through the quad.
void BM_MirroredRotated(benchmark::State& state) {
  Measure(state, [&] { DrawMemImgRotated(&F().screen, &F().src, 10 + kSrc / 2, 10 + kSrc / 2, 0.0f, 1.0f, 0, 1, nullptr); });
}
void BM_PixmanMirrored(benchmark::State& state) {
  Measure(state, [&] {
    pixman_transform_t t;
    pixman_transform_init_identity(&t);
    t.matrix[0][0] = -pixman_fixed_1;
    t.matrix[0][2] = Fx(kSrc);
    pixman_image_set_transform(F().pSrc, &t);
    pixman_image_composite32(PIXMAN_OP_OVER, F().pSrc, nullptr, F().pScreen, 0, 0, 0, 0, 10, 10, kSrc, kSrc);
  });
}
BENCHMARK(BM_Mirrored);
BENCHMARK(BM_MirroredRotated);
BENCHMARK(BM_PixmanMirrored);

// A sheared quad (a parallelogram): the source's top edge from (100, 60) to (400, 110), its left edge down to
// (160, 400).
void DrawQuad() {
  const int c[8] = {100, 60, 400, 110, 160, 400, 460, 450};
  DrawMemImgQuad(&F().screen, &F().src, c, 0, nullptr);
}
void BM_Quad(benchmark::State& state) { Measure(state, DrawQuad); }
void BM_PixmanQuad(benchmark::State& state) {
  const DrawnClip clip(DrawQuad);
  Measure(state, [&] {
    // Destination = origin + u * (300, 50) / 256 + v * (60, 340) / 256; the transform is its inverse.
    const double a = 300.0 / kSrc, b = 60.0 / kSrc, cc = 50.0 / kSrc, d = 340.0 / kSrc, det = a * d - b * cc;
    pixman_transform_t t;
    t.matrix[0][0] = Fx(d / det);
    t.matrix[0][1] = Fx(-b / det);
    t.matrix[0][2] = Fx((-d * 100.0 + b * 60.0) / det);
    t.matrix[1][0] = Fx(-cc / det);
    t.matrix[1][1] = Fx(a / det);
    t.matrix[1][2] = Fx((cc * 100.0 - a * 60.0) / det);
    t.matrix[2][0] = 0;
    t.matrix[2][1] = 0;
    t.matrix[2][2] = pixman_fixed_1;
    pixman_image_set_transform(F().pSrc, &t);
    pixman_image_composite32(PIXMAN_OP_OVER, F().pSrc, nullptr, F().pScreen, 100, 60, 0, 0, 100, 60, 361, 391);
  });
}
BENCHMARK(BM_Quad);
BENCHMARK(BM_PixmanQuad);

void BM_FilledOval(benchmark::State& state) {
  Measure(state, [&] { DrawMemImgOval(&F().screen, 320, 240, 200, 150, 0x00FF8040u, 1); });
}
// The same rows as boxes (taken from one draw of the oval), filled by pixman.
void BM_PixmanFilledOval(benchmark::State& state) {
  Fixture& f = F();
  f.Clear();
  DrawMemImgOval(&f.screen, 320, 240, 200, 150, 0x00FF8040u, 1);
  std::vector<pixman_box32_t> boxes;
  for (int y = 0; y < kScreenH; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < kScreenW; ++x) {
      std::uint32_t v;
      std::memcpy(&v, f.screen.Image + y * f.screen.Pitch + x * 4, 4);
      if (v != 0) {
        if (first < 0) first = x;
        last = x;
      }
    }
    if (first >= 0) boxes.push_back({first, y, last + 1, y + 1});
  }
  const pixman_color_t colour{0xFFFF, 0x8080, 0x4040, 0xFFFF};
  Measure(state, [&] {
    pixman_image_fill_boxes(PIXMAN_OP_SRC, f.pScreen, &colour, static_cast<int>(boxes.size()), boxes.data());
  });
}
BENCHMARK(BM_FilledOval);
BENCHMARK(BM_PixmanFilledOval);

// 200 lines from the centre in every direction; the peer stores the same pixels one by one.
std::vector<LineRecord> Lines() {
  std::vector<LineRecord> out;
  for (int i = 0; i < 200; ++i) {
    const double a = i * 2.0 * 3.14159265358979323846 / 200.0;
    out.push_back({320, 240, 320 + static_cast<int>(230 * std::cos(a)), 240 + static_cast<int>(230 * std::sin(a)),
                   0x00FFFFFFu, 255});
  }
  return out;
}
void BM_Lines(benchmark::State& state) {
  const std::vector<LineRecord> lines = Lines();
  Measure(state, [&] { DrawMemImgLines(&F().screen, lines.data(), static_cast<int>(lines.size())); });
}
void BM_LinePixelsStored(benchmark::State& state) {
  const std::vector<LineRecord> lines = Lines();
  F().Clear();
  DrawMemImgLines(&F().screen, lines.data(), static_cast<int>(lines.size()));
  std::vector<std::uint32_t*> pixels;
  for (const pixman_box32_t& b : DrawnBoxes())
    for (int x = b.x1; x < b.x2; ++x)
      pixels.push_back(reinterpret_cast<std::uint32_t*>(F().screen.Image + b.y1 * F().screen.Pitch) + x);
  Measure(state, [&] {
    for (std::uint32_t* p : pixels) *p = 0x00FFFFFFu;
  });
}
BENCHMARK(BM_Lines);
BENCHMARK(BM_LinePixelsStored);

}  // namespace
