#include "engine/graphics/draw_ops.h"

#include "engine/core/message.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph_handle.h"
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
  return g;
}

}  // namespace

int DrawGraphAtBody(int x, int y, int handle, int transparent) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = CheckedGraph(handle);
  if (g == nullptr) return -1;
  return DrawGraph2D(x, y, g, transparent, 1);
}

int DrawGraphStretchedBody(int x1, int y1, int x2, int y2, int handle, int transparent) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = CheckedGraph(handle);
  if (g == nullptr) return -1;
  return DrawStretchGraphSoft(x1, y1, x2, y2, g, transparent, 1, -1);
}

int DrawGraphMirroredBody(int x, int y, int handle, int transparent) {
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr) return g_GraphDrawState.DrawAreaEmpty != 0 ? 0 : -1;
  return DrawGraphStretchedBody(x + g->Width, y, x, y + g->Height, handle, transparent);
}

int DrawGraphPartBody(int x, int y, int srcX, int srcY, int width, int height, int handle, int transparent,
                      int mirror) {
  GraphDrawState& st = g_GraphDrawState;
  if (st.DrawAreaEmpty != 0) return 0;
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  const RECT savedArea = st.DrawArea;
  float savedF[4];
  for (int i = 0; i < 4; ++i) savedF[i] = st.DrawAreaF[i];
  const int savedEmpty = st.DrawAreaEmpty;
  RECT area{x, y, x + width, y + height};
  ClipRect(&area, &savedArea);
  st.DrawArea = area;
  st.DrawAreaF[0] = static_cast<float>(area.left);
  st.DrawAreaF[1] = static_cast<float>(area.top);
  st.DrawAreaF[2] = static_cast<float>(area.right);
  st.DrawAreaF[3] = static_cast<float>(area.bottom);
  st.DrawAreaEmpty = (area.right == area.left || area.bottom == area.top) ? 1 : 0;
  const int gw = g->Width;
  const int result = mirror != 0 ? DrawGraphMirroredBody(x - gw + srcX + width, y - srcY, handle, transparent)
                                 : DrawGraphAtBody(x - srcX, y - srcY, handle, transparent);
  st.DrawArea = savedArea;
  for (int i = 0; i < 4; ++i) st.DrawAreaF[i] = savedF[i];
  st.DrawAreaEmpty = savedEmpty;
  return result;
}

int DrawRotatedGraphF(float x, float y, double scale, double angle, int handle, int transparent, int mirror) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = CheckedGraph(handle);
  if (g == nullptr) return -1;
  return DrawRotatedGraphSoft(x, y, scale, angle, g, transparent, mirror);
}

int DrawGraphRotatedBody(int x, int y, double scale, double angle, int handle, int transparent, int mirror) {
  return DrawRotatedGraphF(static_cast<float>(x), static_cast<float>(y), scale, angle, handle, transparent, mirror);
}

int DrawQuadGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int handle,
                  int transparent) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  const GraphData* g = CheckedGraph(handle);
  if (g == nullptr) return -1;
  return DrawFourCornerGraphSoftF(x1, y1, x2, y2, x3, y3, x4, y4, g, transparent);
}

int DrawLineSegmentBody(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  WaitWhileInactive();
  return DrawLineSoft(x1, y1, x2, y2, colour);
}

int DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  WaitWhileInactive();
  return DrawFilledBoxSoft(x1, y1, x2, y2, colour);
}

int DrawBoxFrame(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  WaitWhileInactive();
  return DrawBoxFrameSoft(x1, y1, x2, y2, colour);
}

int DrawRectangleBody(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill) {
  return fill == 0 ? DrawBoxFrame(x1, y1, x2, y2, colour) : DrawFilledBox(x1, y1, x2, y2, colour);
}

int DrawEllipseBody(int x, int y, int rx, int ry, std::uint32_t colour, int fill) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  if (rx < 0 || ry < 0) return 0;
  WaitWhileInactive();
  return DrawOvalSoft(x, y, rx, ry, colour, fill);
}
