// Throws random triangles, quads, rotations, stretches, lines and ovals, with random draw states and extreme
// coordinates, at the software renderer. A draw must never touch a pixel outside the draw area (checked) nor read
// or write outside its images (the sanitizers check).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
#include "engine/softrender/triangle.h"

namespace {

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return v;
  }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // Mostly small coordinates around the image, sometimes anything.
  std::int32_t Coord() {
    const std::uint8_t kind = Byte();
    if (kind < 200) return static_cast<std::int32_t>(Byte()) - 100;
    if (kind < 240) return static_cast<std::int32_t>(static_cast<std::int16_t>(U32()));
    return static_cast<std::int32_t>(U32());
  }
  float Float() {
    const std::uint8_t kind = Byte();
    if (kind < 220) return static_cast<float>(static_cast<std::int16_t>(U32() & 0xFFFF)) / 1000.0f;
    const std::uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  bool More() const { return pos_ < size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

struct Images {
  MEMIMG dest{}, src{}, map{};
  ~Images() {
    ReleaseMemImg(&dest);
    ReleaseMemImg(&src);
    ReleaseMemImg(&map);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BuildBlendTables();
  Reader in(data, size);
  const int format = (in.Byte() & 1) != 0 ? kFormat32 : kFormat16;
  const std::uint8_t kind = in.Byte();
  const int palette = (kind & 3) == 1 ? 1 : 0;
  const int alpha = (kind & 3) == 2 ? 1 : 0;
  Images im;
  const int w = 1 + in.Byte() % 24, h = 1 + in.Byte() % 24;
  if (InitMemImg(&im.dest, 48, 40, -1, 0, format, 0, 0, 0) != 0) return 0;
  if (InitMemImg(&im.src, w, h, -1, in.U32(), format, palette, alpha, 0) != 0) return 0;
  if (MakeMemImg(&im.map, 1 + in.Byte() % 30, 1 + in.Byte() % 30, kFormat8) != 0) return 0;
  for (int i = 0; i < im.src.Pitch * h; ++i) im.src.Image[i] = in.Byte();
  for (int i = 0; i < im.map.Pitch * im.map.Height; ++i) im.map.Image[i] = static_cast<std::uint8_t>(i * 37);
  for (int i = 0; i < im.dest.Pitch * im.dest.Height; ++i) im.dest.Image[i] = static_cast<std::uint8_t>(i * 13);

  ResetGraphDrawState();
  RECT area{in.Byte() % 50 - 2, in.Byte() % 42 - 2, in.Byte() % 52, in.Byte() % 44};
  g_GraphDrawState.DrawArea = area;
  g_GraphDrawState.BlendMode = in.Byte() % 7 - 1;
  g_GraphDrawState.BlendParam = in.Byte();
  g_GraphDrawState.Brightness = (in.Byte() & 1) != 0 ? kNoBrightness : in.U32() & 0xFFFFFF;
  BuildBlendGraphLevelTable(in.Byte(), in.Byte());
  const MEMIMG* map = (in.Byte() & 1) != 0 ? &im.map : nullptr;

  // Pixels outside the draw area (clipped to the image) must keep their values.
  const RECT inside = SoftRenderClipArea(&im.dest);
  const std::vector<std::uint8_t> before(im.dest.Image, im.dest.Image + im.dest.Pitch * im.dest.Height);

  for (int n = 0; n < 4 && in.More(); ++n) {
    const int transparent = in.Byte() % 3;
    switch (in.Byte() % 6) {
      case 0: {
        std::int32_t v[12];
        for (std::int32_t& c : v) c = in.Coord();
        DrawMemImgTriangle(&im.dest, &im.src, v, transparent, map, 0);
        break;
      }
      case 1: {
        std::int32_t c[8];
        for (std::int32_t& v : c) v = in.Coord();
        DrawMemImgQuad(&im.dest, &im.src, c, transparent, map);
        break;
      }
      case 2: {
        const int x = in.Coord(), y = in.Coord();
        const float angle = in.Float(), scale = in.Float();
        DrawMemImgRotated(&im.dest, &im.src, x, y, angle, scale, transparent, in.Byte() & 1, map);
        break;
      }
      case 3: {
        const int rect[4] = {in.Coord(), in.Coord(), in.Coord(), in.Coord()};
        DrawMemImgStretched(&im.dest, &im.src, rect, transparent, map);
        break;
      }
      case 4: {
        const int x1 = in.Coord(), y1 = in.Coord(), x2 = in.Coord(), y2 = in.Coord();
        DrawMemImgLine(&im.dest, x1, y1, x2, y2, in.U32());
        break;
      }
      default: {
        const int x = in.Coord(), y = in.Coord(), rx = in.Coord(), ry = in.Coord();
        DrawMemImgOval(&im.dest, x, y, rx, ry, in.U32(), in.Byte() & 1);
        break;
      }
    }
  }

  const int bpp = MemImgBytesPerPixel(&im.dest);
  for (int y = 0; y < im.dest.Height; ++y)
    for (int x = 0; x < im.dest.Width; ++x) {
      if (x >= inside.left && x < inside.right && y >= inside.top && y < inside.bottom) continue;
      const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(im.dest.Pitch) +
                             static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp);
      if (std::memcmp(&before[at], im.dest.Image + at, static_cast<std::size_t>(bpp)) != 0) std::abort();
    }
  return 0;
}
