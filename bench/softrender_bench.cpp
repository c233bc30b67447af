// Software renderer throughput (destination pixels per second) for the 32-bit main-road operations, each beside a
// memcpy of the same bytes and pixman's matching operation, at 640 x 480 and at sprite sizes (32 x 32, 120 x 150)
// drawn onto a 640 x 480 screen. The sprite sizes are also measured out of cache: 64 MB of sprites drawn one after
// the other, so every draw reads its source from memory, beside a memcpy of the same sprites.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <map>
#include <tuple>
#include <memory>
#include <random>
#include <vector>

#include "engine/graphics/blend_tables.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"
#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/fill_memimg_rect.h"

namespace {

constexpr int kScreenW = 640, kScreenH = 480;
constexpr std::uint32_t kKey = 0xFF00FF00u;

enum class Content { kOpaque, kKeyed, kAlpha };

// Pixels in runs of 1..32 of one kind: opaque colours, key colour, or alpha 0 / 255 / translucent.
void FillContent(MEMIMG* m, Content content, std::uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < m->Height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(m->Image + static_cast<std::int64_t>(y) * m->Pitch);
    int x = 0;
    while (x < m->Width) {
      const int n = std::min<int>(1 + static_cast<int>(rng() % 32), m->Width - x);
      const int kind = static_cast<int>(rng() % 10);
      for (int i = 0; i < n; ++i, ++x) {
        std::uint32_t c = (rng() & 0x00FFFFFFu) | 0xFF000000u;
        if (content == Content::kKeyed && kind < 5) c = kKey;
        if (content == Content::kAlpha) {
          const std::uint32_t a = kind < 3 ? 0 : (kind < 8 ? 255 : 1 + rng() % 254);
          c = (c & 0x00FFFFFFu) | a << 24;
        }
        std::memcpy(&row[x], &c, 4);
      }
    }
  }
}

// pixman's copy of a sprite: premultiplied alpha, the key colour as alpha 0, opaque content as alpha 255.
void Premultiply(const MEMIMG& sprite, Content content, std::uint32_t* out) {
  for (int y = 0; y < sprite.Height; ++y)
    for (int x = 0; x < sprite.Width; ++x) {
      std::uint32_t c;
      std::memcpy(&c, sprite.Image + static_cast<std::int64_t>(y) * sprite.Pitch + 4 * x, 4);
      std::uint32_t a = c >> 24;
      if (content == Content::kKeyed) a = c == kKey ? 0 : 255;
      if (content == Content::kOpaque) a = 255;
      const std::uint32_t r = ((c >> 16) & 0xFF) * a / 255, g = ((c >> 8) & 0xFF) * a / 255, b = (c & 0xFF) * a / 255;
      out[static_cast<std::size_t>(y) * sprite.Width + x] = a << 24 | r << 16 | g << 8 | b;
    }
}

struct Scene {
  MEMIMG screen{}, sprite{};
  pixman_image_t* pScreen = nullptr;
  pixman_image_t* pSprite = nullptr;
  std::vector<std::uint32_t> premultiplied;  // pixman wants premultiplied alpha
  Scene(int w, int h, Content content, bool alpha) {
    BuildBlendTables();
    MakeMemImg(&screen, kScreenW, kScreenH, kFormat32);
    std::memset(screen.Image, 0x40, static_cast<std::size_t>(screen.Pitch) * kScreenH);
    InitMemImg(&sprite, w, h, -1, kKey, kFormat32, 0, alpha ? 1 : 0, 1);
    FillContent(&sprite, content, 7);
    BuildMemImgRunTable(&sprite);
    pScreen = pixman_image_create_bits(PIXMAN_a8r8g8b8, kScreenW, kScreenH,
                                       reinterpret_cast<std::uint32_t*>(screen.Image), screen.Pitch);
    premultiplied.resize(static_cast<std::size_t>(w) * h);
    Premultiply(sprite, content, premultiplied.data());
    pSprite = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, premultiplied.data(), w * 4);
    ResetGraphDrawState();
    g_GraphDrawState.DrawArea = {0, 0, kScreenW, kScreenH};
  }
  ~Scene() {
    pixman_image_unref(pScreen);
    pixman_image_unref(pSprite);
    ReleaseMemImg(&screen);
    ReleaseMemImg(&sprite);
    ResetGraphDrawState();
  }
  int X() const { return (kScreenW - sprite.Width) / 2; }
  int Y() const { return (kScreenH - sprite.Height) / 2; }
};

void Finish(benchmark::State& state, int w, int h) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(w) * h);
}

#define SIZES ->Args({640, 480})->Args({120, 150})->Args({32, 32})

// Baseline: memcpy of the same bytes, row by row.
void BM_Memcpy(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Scene s(w, h, Content::kOpaque, false);
  for (auto _ : state) {
    for (int y = 0; y < h; ++y)
      std::memcpy(s.screen.Image + static_cast<std::int64_t>(s.Y() + y) * s.screen.Pitch + 4 * s.X(),
                  s.sprite.Image + static_cast<std::int64_t>(y) * s.sprite.Pitch, static_cast<std::size_t>(w) * 4);
    benchmark::ClobberMemory();
  }
  Finish(state, w, h);
}
BENCHMARK(BM_Memcpy) SIZES;

struct Op {
  Content content;
  bool alpha;
  int mode, param;
  std::uint32_t brightness;
  int transparent;
  // A sprite one pixel wider with its last column cut off by the draw area: the per-pixel path instead of the
  // run-coded one, over the same w x h pixels as the other cases and pixman's.
  bool clipOne;
  bool mirrored;
};

void RunOp(benchmark::State& state, const Op& op) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const int spriteW = op.clipOne ? w + 1 : w;
  Scene s(spriteW, h, op.content, op.alpha);
  g_GraphDrawState.BlendMode = op.mode;
  g_GraphDrawState.BlendParam = op.param;
  g_GraphDrawState.Brightness = op.brightness;
  if (op.clipOne) g_GraphDrawState.DrawArea = {0, 0, s.X() + w, kScreenH};
  const int rect[4] = {s.X() + spriteW, s.Y(), s.X(), s.Y() + h};
  for (auto _ : state) {
    if (op.mirrored) DrawMemImgStretched(&s.screen, &s.sprite, rect, op.transparent, nullptr);
    else DrawMemImg(&s.screen, &s.sprite, s.X(), s.Y(), op.transparent, nullptr);
    benchmark::ClobberMemory();
  }
  Finish(state, w, h);
}

void PixmanOp(benchmark::State& state, pixman_op_t pop, Content content, int maskAlpha, std::uint32_t maskRgb,
              bool mirrored) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Scene s(w, h, content, content == Content::kAlpha);
  pixman_image_t* mask = nullptr;
  if (maskAlpha >= 0) {
    const pixman_color_t c{static_cast<std::uint16_t>(((maskRgb >> 16) & 0xFF) * 257),
                           static_cast<std::uint16_t>(((maskRgb >> 8) & 0xFF) * 257),
                           static_cast<std::uint16_t>((maskRgb & 0xFF) * 257),
                           static_cast<std::uint16_t>(maskAlpha * 257)};
    mask = pixman_image_create_solid_fill(&c);
    if (maskRgb != 0xFFFFFF) pixman_image_set_component_alpha(mask, 1);
  }
  if (mirrored) {
    pixman_transform_t t;
    pixman_transform_init_identity(&t);
    pixman_transform_init_scale(&t, pixman_int_to_fixed(-1), pixman_int_to_fixed(1));
    pixman_transform_translate(nullptr, &t, pixman_int_to_fixed(w), 0);
    pixman_image_set_transform(s.pSprite, &t);
    pixman_image_set_filter(s.pSprite, PIXMAN_FILTER_NEAREST, nullptr, 0);
  }
  for (auto _ : state) {
    pixman_image_composite32(pop, s.pSprite, mask, s.pScreen, 0, 0, 0, 0, s.X(), s.Y(), w, h);
    benchmark::ClobberMemory();
  }
  if (mask != nullptr) pixman_image_unref(mask);
  Finish(state, w, h);
}

constexpr std::uint32_t kNone = 0xFFFFFF;

// Copy (mode 0).
void BM_Copy(benchmark::State& st) { RunOp(st, {Content::kOpaque, false, 0, 255, kNone, 0, false, false}); }
void BM_PixmanSrc(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_SRC, Content::kOpaque, -1, kNone, false); }
// Copy with the colour key: run-coded (whole sprite) and per-pixel (clipped by one pixel); pixman OVER with a
// binary alpha.
void BM_KeyedCopyRuns(benchmark::State& st) { RunOp(st, {Content::kKeyed, false, 0, 255, kNone, 1, false, false}); }
void BM_KeyedCopyPerPixel(benchmark::State& st) { RunOp(st, {Content::kKeyed, false, 0, 255, kNone, 1, true, false}); }
void BM_KeyedCopyMirrored(benchmark::State& st) { RunOp(st, {Content::kKeyed, false, 0, 255, kNone, 1, false, true}); }
void BM_PixmanOverBinary(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_OVER, Content::kKeyed, -1, kNone, false); }
void BM_PixmanOverBinaryMirrored(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_OVER, Content::kKeyed, -1, kNone, true); }
// Alpha-channel sprite.
void BM_AlphaSpriteRuns(benchmark::State& st) { RunOp(st, {Content::kAlpha, true, 0, 255, kNone, 1, false, false}); }
void BM_AlphaSpritePerPixel(benchmark::State& st) { RunOp(st, {Content::kAlpha, true, 0, 255, kNone, 1, true, false}); }
void BM_AlphaSpriteMirrored(benchmark::State& st) { RunOp(st, {Content::kAlpha, true, 0, 255, kNone, 1, false, true}); }
void BM_AlphaSpriteP200(benchmark::State& st) { RunOp(st, {Content::kAlpha, true, 1, 200, kNone, 1, true, false}); }
void BM_PixmanOverAlpha(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_OVER, Content::kAlpha, -1, kNone, false); }
void BM_PixmanOverAlphaMirrored(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_OVER, Content::kAlpha, -1, kNone, true); }
void BM_PixmanOverAlphaMask200(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_OVER, Content::kAlpha, 200, kNone, false); }
// Constant alpha P.
void BM_ConstAlpha200(benchmark::State& st) { RunOp(st, {Content::kOpaque, false, 1, 200, kNone, 0, false, false}); }
void BM_ConstAlpha128Half(benchmark::State& st) { RunOp(st, {Content::kOpaque, false, 1, 128, kNone, 0, false, false}); }
void BM_PixmanOverMask200(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_OVER, Content::kOpaque, 200, kNone, false); }
// Additive.
void BM_Add128(benchmark::State& st) { RunOp(st, {Content::kOpaque, false, 2, 128, kNone, 0, false, false}); }
void BM_Add255(benchmark::State& st) { RunOp(st, {Content::kOpaque, false, 2, 255, kNone, 0, false, false}); }
void BM_AddAlphaSprite(benchmark::State& st) { RunOp(st, {Content::kAlpha, true, 2, 48, kNone, 1, true, false}); }
void BM_PixmanAddMask128(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_ADD, Content::kOpaque, 128, kNone, false); }
void BM_PixmanAdd(benchmark::State& st) { PixmanOp(st, PIXMAN_OP_ADD, Content::kOpaque, -1, kNone, false); }
// Brightness copy (158, 158, 255); pixman: SRC through a component-alpha solid mask.
void BM_BrightCopy(benchmark::State& st) { RunOp(st, {Content::kOpaque, false, 0, 255, 0x9E9EFF, 0, false, false}); }
void BM_PixmanSrcComponentMask(benchmark::State& st) {
  PixmanOp(st, PIXMAN_OP_SRC, Content::kOpaque, 255, 0x9E9EFF, false);
}

BENCHMARK(BM_Copy) SIZES;
BENCHMARK(BM_PixmanSrc) SIZES;
BENCHMARK(BM_KeyedCopyRuns) SIZES;
BENCHMARK(BM_KeyedCopyPerPixel) SIZES;
BENCHMARK(BM_KeyedCopyMirrored) SIZES;
BENCHMARK(BM_PixmanOverBinary) SIZES;
BENCHMARK(BM_PixmanOverBinaryMirrored) SIZES;
BENCHMARK(BM_AlphaSpriteRuns) SIZES;
BENCHMARK(BM_AlphaSpritePerPixel) SIZES;
BENCHMARK(BM_AlphaSpriteMirrored) SIZES;
BENCHMARK(BM_AlphaSpriteP200) SIZES;
BENCHMARK(BM_PixmanOverAlpha) SIZES;
BENCHMARK(BM_PixmanOverAlphaMirrored) SIZES;
BENCHMARK(BM_PixmanOverAlphaMask200) SIZES;
BENCHMARK(BM_ConstAlpha200) SIZES;
BENCHMARK(BM_ConstAlpha128Half) SIZES;
BENCHMARK(BM_PixmanOverMask200) SIZES;
BENCHMARK(BM_Add128) SIZES;
BENCHMARK(BM_Add255) SIZES;
BENCHMARK(BM_AddAlphaSprite) SIZES;
BENCHMARK(BM_PixmanAddMask128) SIZES;
BENCHMARK(BM_PixmanAdd) SIZES;
BENCHMARK(BM_BrightCopy) SIZES;
BENCHMARK(BM_PixmanSrcComponentMask) SIZES;

// 64 MB of sprites of one size and content (each with its run table) and pixman's premultiplied copies, made once.
struct SpriteSet {
  static constexpr std::size_t kBytes = 64u << 20;
  std::vector<MEMIMG> sprites;
  std::vector<std::vector<std::uint32_t>> premultiplied;
  std::vector<pixman_image_t*> pixman;
  SpriteSet(int w, int h, Content content) {
    const std::size_t n = kBytes / (static_cast<std::size_t>(w) * h * 4);
    sprites.resize(n);
    premultiplied.resize(n);
    pixman.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      MEMIMG& m = sprites[i];
      m = MEMIMG{};
      InitMemImg(&m, w, h, -1, kKey, kFormat32, 0, content == Content::kAlpha ? 1 : 0, 1);
      FillContent(&m, content, static_cast<std::uint32_t>(i));
      BuildMemImgRunTable(&m);
      premultiplied[i].resize(static_cast<std::size_t>(w) * h);
      Premultiply(m, content, premultiplied[i].data());
      pixman[i] = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, premultiplied[i].data(), w * 4);
    }
  }
  static SpriteSet& Get(int w, int h, Content content) {
    static std::map<std::tuple<int, int, int>, std::unique_ptr<SpriteSet>> sets;
    auto& set = sets[{w, h, static_cast<int>(content)}];
    if (set == nullptr) set = std::make_unique<SpriteSet>(w, h, content);
    return *set;
  }
};

// One draw per sprite of the set, in order, each at the screen's centre.
void RunOpOutOfCache(benchmark::State& state, const Op& op) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  SpriteSet& set = SpriteSet::Get(w, h, op.content);
  Scene s(w, h, op.content, op.alpha);
  g_GraphDrawState.BlendMode = op.mode;
  g_GraphDrawState.BlendParam = op.param;
  std::size_t i = 0;
  for (auto _ : state) {
    DrawMemImg(&s.screen, &set.sprites[i], s.X(), s.Y(), op.transparent, nullptr);
    if (++i == set.sprites.size()) i = 0;
    benchmark::ClobberMemory();
  }
  Finish(state, w, h);
}

void PixmanOpOutOfCache(benchmark::State& state, pixman_op_t pop, Content content) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  SpriteSet& set = SpriteSet::Get(w, h, content);
  Scene s(w, h, content, content == Content::kAlpha);
  std::size_t i = 0;
  for (auto _ : state) {
    pixman_image_composite32(pop, set.pixman[i], nullptr, s.pScreen, 0, 0, 0, 0, s.X(), s.Y(), w, h);
    if (++i == set.pixman.size()) i = 0;
    benchmark::ClobberMemory();
  }
  Finish(state, w, h);
}

// Baseline: memcpy of each sprite of the set in turn, row by row, so it reads its source from memory too.
void BM_MemcpyOutOfCache(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  SpriteSet& set = SpriteSet::Get(w, h, Content::kOpaque);
  Scene s(w, h, Content::kOpaque, false);
  std::size_t i = 0;
  for (auto _ : state) {
    const MEMIMG& sprite = set.sprites[i];
    for (int y = 0; y < h; ++y)
      std::memcpy(s.screen.Image + static_cast<std::int64_t>(s.Y() + y) * s.screen.Pitch + 4 * s.X(),
                  sprite.Image + static_cast<std::int64_t>(y) * sprite.Pitch, static_cast<std::size_t>(w) * 4);
    if (++i == set.sprites.size()) i = 0;
    benchmark::ClobberMemory();
  }
  Finish(state, w, h);
}
void BM_CopyOutOfCache(benchmark::State& st) {
  RunOpOutOfCache(st, {Content::kOpaque, false, 0, 255, kNone, 0, false, false});
}
void BM_PixmanSrcOutOfCache(benchmark::State& st) { PixmanOpOutOfCache(st, PIXMAN_OP_SRC, Content::kOpaque); }
void BM_KeyedCopyRunsOutOfCache(benchmark::State& st) {
  RunOpOutOfCache(st, {Content::kKeyed, false, 0, 255, kNone, 1, false, false});
}
void BM_PixmanOverBinaryOutOfCache(benchmark::State& st) { PixmanOpOutOfCache(st, PIXMAN_OP_OVER, Content::kKeyed); }
void BM_AlphaSpriteRunsOutOfCache(benchmark::State& st) {
  RunOpOutOfCache(st, {Content::kAlpha, true, 0, 255, kNone, 1, false, false});
}
void BM_PixmanOverAlphaOutOfCache(benchmark::State& st) { PixmanOpOutOfCache(st, PIXMAN_OP_OVER, Content::kAlpha); }
#define SPRITE_SIZES ->Args({120, 150})->Args({32, 32})
BENCHMARK(BM_MemcpyOutOfCache) SPRITE_SIZES;
BENCHMARK(BM_CopyOutOfCache) SPRITE_SIZES;
BENCHMARK(BM_PixmanSrcOutOfCache) SPRITE_SIZES;
BENCHMARK(BM_KeyedCopyRunsOutOfCache) SPRITE_SIZES;
BENCHMARK(BM_PixmanOverBinaryOutOfCache) SPRITE_SIZES;
BENCHMARK(BM_AlphaSpriteRunsOutOfCache) SPRITE_SIZES;
BENCHMARK(BM_PixmanOverAlphaOutOfCache) SPRITE_SIZES;

// Fills: solid and alpha (P = 128) over the given box.
void FillOp(benchmark::State& state, int mode, int param, bool pixman) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Scene s(w, h, Content::kOpaque, false);
  g_GraphDrawState.BlendMode = mode;
  g_GraphDrawState.BlendParam = param;
  const RECT r{s.X(), s.Y(), s.X() + w, s.Y() + h};
  const pixman_color_t c{0x8080, 0x4040, 0xC0C0, static_cast<std::uint16_t>(mode == 0 ? 0xFFFF : param * 257)};
  pixman_image_t* solid = pixman_image_create_solid_fill(&c);
  for (auto _ : state) {
    if (pixman) pixman_image_composite32(mode == 0 ? PIXMAN_OP_SRC : PIXMAN_OP_OVER, solid, nullptr, s.pScreen, 0, 0, 0, 0, s.X(), s.Y(), w, h);
    else FillMemImgRect(&s.screen, &r, 0x00804020u);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(solid);
  Finish(state, w, h);
}
void BM_FillSolid(benchmark::State& st) { FillOp(st, 0, 255, false); }
void BM_PixmanFillSolid(benchmark::State& st) { FillOp(st, 0, 255, true); }
void BM_FillAlpha128(benchmark::State& st) { FillOp(st, 1, 128, false); }
void BM_PixmanFillOver128(benchmark::State& st) { FillOp(st, 1, 128, true); }
BENCHMARK(BM_FillSolid) SIZES;
BENCHMARK(BM_PixmanFillSolid) SIZES;
BENCHMARK(BM_FillAlpha128) SIZES;
BENCHMARK(BM_PixmanFillOver128) SIZES;

}  // namespace
