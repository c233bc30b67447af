#include "engine/graphics/draw_ops.h"

#include <algorithm>
#include <cmath>

#include "engine/core/message.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/mask.h"
#include "engine/graphics/movie.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"
#include "engine/softrender/fill_memimg_rect.h"
#include "engine/softrender/line.h"
#include "engine/softrender/oval.h"
#include "engine/softrender/quad.h"
#include "engine/softrender/rotate.h"
#include "engine/softrender/soft_stretch.h"

namespace {

// The checks every graphic draw starts with: the graphic, and a blend graphic at least as large. Null when refused.
const GraphData* CheckedGraph(int handle) {
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr) return nullptr;
  if (g_GraphDrawState.BlendGraph != -1 && CheckBlendGraphSize(g) < 0) return nullptr;
  WaitWhileInactive();
  // A movie graphic first takes the frame due now.
  if (g->Movie != -1) {
    UpdateMovieFrame(handle, 0);
    g = GetGraphData(handle);
  }
  return g;
}

// In the software model the front screen is drawn as its own image: it is read back from the primary before a draw
// aimed at it and the drawn rectangle is written to the primary afterwards, so the draw shows at once.
bool FrontHeldAsImage() {
  return g_GraphDrawState.DrawScreen == -4 && IsSoftwareScreenModel() == 1 && g_Screens.mainImagesInUse == 1;
}

// The steps around a 2D draw: the mask's begin and end (the draw lands in the mask's scratch in between) and the
// software front screen's reload and write-back. The destination rectangle is worked out only when needed. The front
// image is reloaded before the mask copies from it, so the scratch never starts from a stale picture.
template <typename Dest, typename Draw>
int Framed(Dest dest, Draw draw) {
  const bool front = FrontHeldAsImage();
  const bool mask = g_GraphDrawState.MaskActive != 0;
  RECT rect{};
  if (front || mask) rect = dest();
  if (front) ReloadFrontMemImg();
  if (mask) MaskBeginOnDrawScreen(rect);
  const int result = draw();
  if (mask) MaskEndOnDrawScreen(rect);
  if (front) WriteFrontRect(&rect);
  return result;
}

// Coordinates far outside any screen are pulled in so that the rectangle arithmetic stays defined.
int Near(double v) { return std::isnan(v) ? 0 : static_cast<int>(std::clamp(v, -1.0e9, 1.0e9)); }
int Sum(int a, int b) { return Near(static_cast<double>(a) + b); }

RECT Ordered(int x1, int y1, int x2, int y2) {
  return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// Bounding box of the graphic turned by angle and scaled about its centre placed at (x, y), widened by 5 pixels.
RECT RotatedBounds(int x, int y, double scale, double angle, const GraphData* g) {
  const double c = std::cos(angle), s = std::sin(angle);
  const int hw = g->Width / 2, hh = g->Height / 2;
  const int cx[4] = {-hw, hw, hw, -hw};
  const int cy[4] = {-hh, -hh, hh, hh};
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (int i = 0; i < 4; ++i) {
    const double px = x + (cx[i] * c - cy[i] * s) * scale;
    const double py = y + (cy[i] * c + cx[i] * s) * scale;
    if (i == 0 || px < minX) minX = px;
    if (i == 0 || px > maxX) maxX = px;
    if (i == 0 || py < minY) minY = py;
    if (i == 0 || py > maxY) maxY = py;
  }
  return RECT{Near(minX) - 5, Near(minY) - 5, Near(maxX) + 5, Near(maxY) + 5};
}

// Narrows DrawArea (and its float copy) to a rectangle clipped by the current area for the life of the scope.
class NarrowedArea {
 public:
  explicit NarrowedArea(RECT rect) : area_(g_GraphDrawState.DrawArea), empty_(g_GraphDrawState.DrawAreaEmpty) {
    GraphDrawState& st = g_GraphDrawState;
    for (int i = 0; i < 4; ++i) areaF_[i] = st.DrawAreaF[i];
    ClipRect(&rect, &area_);
    st.DrawArea = rect;
    st.DrawAreaF[0] = static_cast<float>(rect.left);
    st.DrawAreaF[1] = static_cast<float>(rect.top);
    st.DrawAreaF[2] = static_cast<float>(rect.right);
    st.DrawAreaF[3] = static_cast<float>(rect.bottom);
    st.DrawAreaEmpty = (rect.right == rect.left || rect.bottom == rect.top) ? 1 : 0;
  }
  ~NarrowedArea() {
    GraphDrawState& st = g_GraphDrawState;
    st.DrawArea = area_;
    for (int i = 0; i < 4; ++i) st.DrawAreaF[i] = areaF_[i];
    st.DrawAreaEmpty = empty_;
  }
  NarrowedArea(const NarrowedArea&) = delete;
  NarrowedArea& operator=(const NarrowedArea&) = delete;

 private:
  RECT area_;
  float areaF_[4];
  int empty_;
};

// ---- Direct3D branches ----------------------------------------------------------------------------------------
// A graphic held as textures goes to the device; blend mode 3 there is drawn in three passes over the destination.
template <typename Dest, typename Draw>
int DrawOnDevice(Dest dest, Draw draw) {
  if (g_GraphDrawState.BlendMode != 3) return draw();
  const RECT rect = dest();
  BeginBlendMode3Pass(&rect);
  const int result = draw();
  EndBlendMode3Pass(&rect);
  return result;
}

// Lines, boxes and ovals take the device when texture graphics are in use on a hardware screen.
bool PrimitivesOnDevice() {
  return g_GraphDrawState.UseTextureGraphics != 0 && Use3D != 0 && IsSoftwareScreenModel() == 0;
}

}  // namespace

int DrawGraphAtBody(int x, int y, int handle, int transparent) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = CheckedGraph(handle);
  if (g == nullptr) return -1;
  const auto dest = [&] { return RECT{x, y, Sum(x, g->Width), Sum(y, g->Height)}; };
  if (g->Flags.Texture != 0) {
    return DrawOnDevice(dest, [&] {
      return G_D3D_DrawGraphAt(static_cast<float>(x), static_cast<float>(y), g, transparent, 1);
    });
  }
  return Framed(dest, [&] { return DrawGraph2D(x, y, g, transparent, 1); });
}

int DrawGraphStretchedBody(int x1, int y1, int x2, int y2, int handle, int transparent) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = CheckedGraph(handle);
  if (g == nullptr) return -1;
  const auto dest = [&] { return Ordered(x1, y1, x2, y2); };
  if (g->Flags.Texture != 0) {
    return DrawOnDevice(dest, [&] {
      return G_D3D_DrawGraphStretched(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                                      static_cast<float>(y2), g, transparent, 1);
    });
  }
  return Framed(dest, [&] { return DrawStretchGraphSoft(x1, y1, x2, y2, g, transparent, 1, -1); });
}

int DrawGraphMirroredBody(int x, int y, int handle, int transparent) {
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr) return g_GraphDrawState.DrawAreaEmpty != 0 ? 0 : -1;
  return DrawGraphStretchedBody(x + g->Width, y, x, y + g->Height, handle, transparent);
}

int DrawGraphPartBody(int x, int y, int srcX, int srcY, int width, int height, int handle, int transparent,
                      int mirror) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  const NarrowedArea narrowed(RECT{x, y, x + width, y + height});
  const int gw = g->Width;
  return mirror != 0 ? DrawGraphMirroredBody(x - gw + srcX + width, y - srcY, handle, transparent)
                     : DrawGraphAtBody(x - srcX, y - srcY, handle, transparent);
}

int DrawGraphPartStretched(int x1, int y1, int x2, int y2, int srcX, int srcY, int srcW, int srcH, int handle,
                           int transparent) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr || srcW <= 0 || srcH <= 0) return -1;
  const bool mirrorX = x2 < x1, mirrorY = y2 < y1;
  const RECT dest = Ordered(x1, y1, x2, y2);
  const NarrowedArea narrowed(dest);
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  // The whole graphic scaled so that the source rectangle covers the destination; a mirrored axis is placed from
  // the destination's other edge.
  const double sx = static_cast<double>(dest.right - dest.left) / srcW;
  const double sy = static_cast<double>(dest.bottom - dest.top) / srcH;
  const int gw = Near(g->Width * sx), gh = Near(g->Height * sy);
  int left = Near(dest.left - srcX * sx), top = Near(dest.top - srcY * sy);
  int right = Sum(left, gw), bottom = Sum(top, gh);
  if (mirrorX) {
    left = Near(dest.right + srcX * sx);
    right = Sum(left, -gw);
  }
  if (mirrorY) {
    top = Near(dest.bottom + srcY * sy);
    bottom = Sum(top, -gh);
  }
  return DrawGraphStretchedBody(left, top, right, bottom, handle, transparent);
}

int DrawRotatedGraphF(float x, float y, double scale, double angle, int handle, int transparent, int mirror) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = CheckedGraph(handle);
  if (g == nullptr) return -1;
  const auto dest = [&] { return RotatedBounds(Near(x), Near(y), scale, angle, g); };
  if (g->Flags.Texture != 0) {
    return DrawOnDevice(dest, [&] { return G_D3D_DrawGraphRotated(x, y, scale, angle, g, transparent, mirror); });
  }
  return Framed(dest, [&] { return DrawRotatedGraphSoft(x, y, scale, angle, g, transparent, mirror); });
}

int DrawGraphRotatedBody(int x, int y, double scale, double angle, int handle, int transparent, int mirror) {
  return DrawRotatedGraphF(static_cast<float>(x), static_cast<float>(y), scale, angle, handle, transparent, mirror);
}

int DrawQuadGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int handle,
                  int transparent) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = CheckedGraph(handle);
  if (g == nullptr) return -1;
  const auto dest = [&] {
    const int xs[4] = {Near(x1), Near(x2), Near(x3), Near(x4)};
    const int ys[4] = {Near(y1), Near(y2), Near(y3), Near(y4)};
    return RECT{*std::min_element(xs, xs + 4), *std::min_element(ys, ys + 4), *std::max_element(xs, xs + 4),
                *std::max_element(ys, ys + 4)};
  };
  if (g->Flags.Texture != 0) {
    return DrawOnDevice(dest, [&] { return G_D3D_DrawGraphQuadF(x1, y1, x2, y2, x3, y3, x4, y4, g, transparent); });
  }
  return Framed(dest, [&] { return DrawFourCornerGraphSoftF(x1, y1, x2, y2, x3, y3, x4, y4, g, transparent); });
}

int DrawLineSegmentBody(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  WaitWhileInactive();
  const auto dest = [&] {
    RECT r = Ordered(x1, y1, x2, y2);
    r.right = Sum(r.right, 1);
    r.bottom = Sum(r.bottom, 1);
    return r;
  };
  if (PrimitivesOnDevice()) return DrawOnDevice(dest, [&] { return G_D3D_DrawLineSegment(x1, y1, x2, y2, colour); });
  return Framed(dest, [&] { return DrawLineSoft(x1, y1, x2, y2, colour); });
}

int DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  WaitWhileInactive();
  const auto dest = [&] { return Ordered(x1, y1, x2, y2); };
  if (PrimitivesOnDevice()) return DrawOnDevice(dest, [&] { return G_D3D_DrawFilledBox(x1, y1, x2, y2, colour); });
  return Framed(dest, [&] { return DrawFilledBoxSoft(x1, y1, x2, y2, colour); });
}

int DrawBoxFrame(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  WaitWhileInactive();
  const auto dest = [&] { return Ordered(x1, y1, x2, y2); };
  if (PrimitivesOnDevice()) return DrawOnDevice(dest, [&] { return G_D3D_DrawBoxFrame(x1, y1, x2, y2, colour); });
  return Framed(dest, [&] { return DrawBoxFrameSoft(x1, y1, x2, y2, colour); });
}

int DrawRectangleBody(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill) {
  return fill == 0 ? DrawBoxFrame(x1, y1, x2, y2, colour) : DrawFilledBox(x1, y1, x2, y2, colour);
}

int DrawEllipseBody(int x, int y, int rx, int ry, std::uint32_t colour, int fill) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  if (rx < 0 || ry < 0) return 0;
  WaitWhileInactive();
  const auto dest = [&] {
    return RECT{Sum(x, -Sum(rx, 1)), Sum(y, -Sum(ry, 1)), Sum(x, Sum(rx, 1)), Sum(y, Sum(ry, 1))};
  };
  if (PrimitivesOnDevice()) return DrawOnDevice(dest, [&] { return G_D3D_DrawCircle(x, y, rx, ry, colour, fill); });
  return Framed(dest, [&] { return DrawOvalSoft(x, y, rx, ry, colour, fill); });
}
