// Direct3D drawing: graphics held as textures drawn plain, stretched, rotated or onto four corners, and the filled
// box, line, box outline and oval, as pre-transformed vertices in the current device's batch; the draw target
// switch, the blend graphic and the clearing of a texture target; blend mode 3 in three passes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/core/start_engine.h"
#include "engine/graphics/color_data.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"
#include "engine/softrender/line.h"
#include "engine/softrender/oval.h"
#include "engine/softrender/fill_memimg_rect.h"

namespace d3d = platform::d3d;

namespace {

float g_blendScaleX = 0.0f, g_blendScaleY = 0.0f;

float OriginX() { return static_cast<float>(g_GraphDrawState.TargetOriginRect.left); }
float OriginY() { return static_cast<float>(g_GraphDrawState.TargetOriginRect.top); }

d3d::Texture* TextureOfTile(const Surface3DData* t) {
  const SurfaceData* s = GetSurfaceData(t->Texture);
  return s != nullptr ? static_cast<d3d::Texture*>(s->Surface) : nullptr;
}

// The common start of a graphic drawer: null (with *result set) when it ends there.
Direct3DDeviceRecord* StartGraphDraw(const GraphData* graph, const Surface3DData** first, int* result) {
  Direct3DDeviceRecord* r = CurrentD3DRecord();
  if (g_D3D.object == nullptr || r == nullptr || r->device == nullptr) {
    *result = -1;
    return nullptr;
  }
  if (g_D3D.suppressed == 1) {
    *result = 0;
    return nullptr;
  }
  G_D3D_BeginScene();
  *first = graph->TileCount > 0 ? GetSurface3DData(graph->Tiles[0]) : nullptr;
  if (*first == nullptr) {
    *result = -1;
    return nullptr;
  }
  return r;
}

// Binds the tile's texture and runs the stage set-up when something is pending. False when the vertex type is not
// a textured one.
bool PrepareTile(Direct3DDeviceRecord* r, const Surface3DData* tile) {
  G_D3D_SetTexture(g_D3D.currentDevice, TextureOfTile(tile));
  if (r->stageSetupPending != 0 || r->textureChangePending != 0) G_D3D_ApplyDrawStates(g_D3D.currentDevice);
  return r->vertexType == 1 || r->vertexType == 2;
}

struct Corner {
  float x, y, u, v, bu, bv;
};

// Writes a quad (corners TL, TR, BL, BR) as the triangle list TL, TR, BL, BR, BL, TR.
void WriteQuad(Direct3DDeviceRecord* r, const Corner c[4], std::uint32_t colour) {
  static const int order[6] = {0, 1, 2, 3, 2, 1};
  std::uint8_t* out = ReserveBatch(r, d3d::kTriangleList, 6);
  r->primitiveType = d3d::kTriangleList;
  for (int i = 0; i < 6; ++i) {
    const Corner& k = c[order[i]];
    if (r->vertexType == 2) {
      auto* v = reinterpret_cast<D3DBlendVertex*>(out) + i;
      v->x = k.x, v->y = k.y, v->colour = colour, v->bu = k.bu, v->bv = k.bv, v->u = k.u, v->v = k.v;
    } else {
      auto* v = reinterpret_cast<D3DVertex*>(out) + i;
      v->x = k.x, v->y = k.y, v->colour = colour, v->u = k.u, v->v = k.v;
    }
  }
  CommitBatch(r, 6);
}

// Clamps the corners to the float draw area (plus the origin), moving the texture coordinates with them.
void ClampCorners(Corner c[4], const Surface3DData* tile, float scaleX, float scaleY) {
  const SurfaceData* s = GetSurfaceData(tile->Texture);
  const float tw = s != nullptr ? s->Width : 1.0f, th = s != nullptr ? s->Height : 1.0f;
  const float* a = g_GraphDrawState.DrawAreaF;
  const float left = a[0] + OriginX(), top = a[1] + OriginY(), right = a[2] + OriginX(), bottom = a[3] + OriginY();
  for (int i = 0; i < 4; ++i) {
    Corner& k = c[i];
    auto move = [&](float* pos, float edge, float* t, float size, float* bt, float bscale, float scale) {
      const float d = edge - *pos;
      *pos = edge;
      *t += d / size / scale;
      *bt += d * bscale / scale;
    };
    if (k.x < left) move(&k.x, left, &k.u, tw, &k.bu, g_blendScaleX, scaleX);
    if (k.x > right) move(&k.x, right, &k.u, tw, &k.bu, g_blendScaleX, scaleX);
    if (k.y < top) move(&k.y, top, &k.v, th, &k.bv, g_blendScaleY, scaleY);
    if (k.y > bottom) move(&k.y, bottom, &k.v, th, &k.bv, g_blendScaleY, scaleY);
  }
}

Corner TileCorner(const Surface3DData* t, int i, float px, float py) {
  const D3DVertex& v = t->Vertices[i];
  return Corner{px, py, v.u, v.v, v.x * g_blendScaleX, v.y * g_blendScaleY};
}

void EndIfFlushing() {
  if (g_D3D.flushAfterEachDraw == 1) G_D3D_EndScene();
}

// Red, green, blue of a colour value in the screen's format.
void ColourChannels(std::uint32_t colour, int* r, int* g, int* b) {
  const ColorData* c = GetScreenColorData();
  auto channel = [colour](std::uint32_t mask, int shift, int width) {
    if (width == 0) return 0;
    const std::uint32_t v = (colour & mask) >> shift;
    const std::uint32_t max = (1u << width) - 1;
    return static_cast<int>((v * 255 + max / 2) / max);
  };
  *r = channel(c->maskR, c->shiftR, c->widthR);
  *g = channel(c->maskG, c->shiftG, c->widthG);
  *b = channel(c->maskB, c->shiftB, c->widthB);
}

// The draw colour with its colour channels multiplied by the given colour's.
std::uint32_t ModulatedColour(std::uint32_t colour) {
  int cr = 0, cg = 0, cb = 0;
  ColourChannels(colour, &cr, &cg, &cb);
  const std::uint32_t d = D3DDrawColor();
  const std::uint32_t r = ((d >> 16) & 0xFF) * static_cast<std::uint32_t>(cr) / 255;
  const std::uint32_t g = ((d >> 8) & 0xFF) * static_cast<std::uint32_t>(cg) / 255;
  const std::uint32_t b = (d & 0xFF) * static_cast<std::uint32_t>(cb) / 255;
  return (d & 0xFF000000) | (r << 16) | (g << 8) | b;
}

// Start of the primitive drawers: the scene, no texture, plain states.
Direct3DDeviceRecord* StartPrimitive() {
  Direct3DDeviceRecord* r = CurrentD3DRecord();
  if (r == nullptr || r->device == nullptr) return nullptr;
  G_D3D_BeginScene();
  G_D3D_SetTexture(g_D3D.currentDevice, nullptr);
  G_D3D_PrepareDrawState(0, nullptr);
  if (r->stageSetupPending != 0 || r->textureChangePending != 0) G_D3D_ApplyDrawStates(g_D3D.currentDevice);
  return r;
}

void WritePlain(Direct3DDeviceRecord* r, int primitive, const D3DPlainVertex* vertices, int count) {
  std::uint8_t* out = ReserveBatch(r, primitive, count);
  r->primitiveType = primitive;
  std::memcpy(out, vertices, static_cast<std::size_t>(count) * sizeof(D3DPlainVertex));
  CommitBatch(r, count);
}

}  // namespace

void G_D3D_PrepareDrawState(int flags, const Surface3DData* tile) {
  const int device = g_D3D.currentDevice;
  const GraphDrawState& st = g_GraphDrawState;
  int colorKey = 0, alphaTest = 0, alphaBlend = 0;
  if (tile != nullptr && (flags & 1) != 0) {
    const SurfaceData* s = GetSurfaceData(tile->Texture);
    if (s != nullptr && s->Flags.AlphaTestFlag == 0 && s->Flags.AlphaChFlag == 0) {
      colorKey = 1;
    } else if (st.BlendMode == 0 && ((flags & 2) != 0 || st.DrawMode != 1)) {
      alphaTest = s != nullptr ? s->Flags.AlphaTestFlag : 0;
      alphaBlend = s != nullptr ? s->Flags.AlphaChFlag : 0;
    } else {
      alphaBlend = 1;
    }
  }
  const int modulate = ((flags & 32) != 0 || (st.Brightness & 0xFFFFFF) != 0xFFFFFF) ? 1 : 0;
  const int alphaFromDiffuse = ((flags & 64) != 0 || st.BlendMode != 0) ? 1 : 0;
  G_D3D_SetTexturePerspective(device, (flags & 16) != 0 ? 1 : 0);
  G_D3D_SetDiffuseColorFlag(device, modulate);
  G_D3D_SetDiffuseAlphaFlag(device, alphaFromDiffuse);
  if (tile != nullptr) G_D3D_SetTexture(device, TextureOfTile(tile));
  G_D3D_SetShadeMode(device, (flags & 8) != 0 ? d3d::kShadeGouraud : d3d::kShadeFlat);
  G_D3D_SetBlendMode(device, st.BlendMode, alphaBlend, alphaTest);
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r != nullptr && (r->stageSetupPending != 0 || r->textureChangePending != 0)) G_D3D_ApplyDrawStates(device);
  G_D3D_SetColorKeyEnable(device, colorKey);
  if ((flags & 4) != 0) {
    G_D3D_SetZEnable(device, st.ZBufferEnable);
    G_D3D_SetZWriteEnable(device, st.ZWriteEnable);
  } else if (r != nullptr && r->zEnable != 0) {
    G_D3D_SetZEnable(device, 0);
  }
}

int G_D3D_DrawGraphAt(float x, float y, const GraphData* graph, int transparent, int integerFlag) {
  const Surface3DData* first = nullptr;
  int result = 0;
  Direct3DDeviceRecord* r = StartGraphDraw(graph, &first, &result);
  if (r == nullptr) return result;
  const RECT& area = g_GraphDrawState.DrawArea;
  const int ix = static_cast<int>(x), iy = static_cast<int>(y);
  const int w = graph->Width, h = graph->Height;
  if (ix >= area.right || iy >= area.bottom || ix + w <= area.left || iy + h <= area.top) return 0;
  const bool inside = ix >= area.left && iy >= area.top && ix + w <= area.right && iy + h <= area.bottom;
  G_D3D_PrepareDrawState(transparent | (integerFlag << 1), first);
  const float X = x - 0.5f + OriginX(), Y = y - 0.5f + OriginY();
  const std::uint32_t colour = D3DDrawColor();
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
    if (t == nullptr) return -1;
    if (!PrepareTile(r, t)) return 0;
    Corner c[4];
    for (int k = 0; k < 4; ++k) c[k] = TileCorner(t, k, X + t->Vertices[k].x, Y + t->Vertices[k].y);
    if (!inside) ClampCorners(c, t, 1.0f, 1.0f);
    WriteQuad(r, c, colour);
  }
  EndIfFlushing();
  return 0;
}

int G_D3D_DrawGraphStretched(float x1, float y1, float x2, float y2, const GraphData* graph, int transparent,
                             int integerFlag) {
  if (static_cast<int>(x1) == static_cast<int>(x2) || static_cast<int>(y1) == static_cast<int>(y2)) return -1;
  const Surface3DData* first = nullptr;
  int result = 0;
  Direct3DDeviceRecord* r = StartGraphDraw(graph, &first, &result);
  if (r == nullptr) return result;
  const RECT& area = g_GraphDrawState.DrawArea;
  const int l = static_cast<int>(std::min(x1, x2)), rr = static_cast<int>(std::max(x1, x2));
  const int t0 = static_cast<int>(std::min(y1, y2)), b = static_cast<int>(std::max(y1, y2));
  if (l >= area.right || t0 >= area.bottom || rr <= area.left || b <= area.top) return 0;
  const bool inside = l >= area.left && t0 >= area.top && rr <= area.right && b <= area.bottom;
  const int flags = transparent | ((integerFlag == 1 && g_GraphDrawState.DrawMode != 1) ? 2 : 0);
  G_D3D_PrepareDrawState(flags, first);
  const float sx = (x2 - x1) / static_cast<float>(graph->Width), sy = (y2 - y1) / static_cast<float>(graph->Height);
  const float X = x1 - 0.5f + OriginX(), Y = y1 - 0.5f + OriginY();
  const std::uint32_t colour = D3DDrawColor();
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
    if (t == nullptr) return -1;
    if (!PrepareTile(r, t)) return 0;
    Corner c[4];
    for (int k = 0; k < 4; ++k) c[k] = TileCorner(t, k, X + t->Vertices[k].x * sx, Y + t->Vertices[k].y * sy);
    if (!inside) ClampCorners(c, t, sx, sy);
    WriteQuad(r, c, colour);
  }
  EndIfFlushing();
  return 0;
}

int G_D3D_DrawGraphRotated(float x, float y, double scale, double angle, const GraphData* graph, int transparent,
                           int mirror) {
  if (scale == 0.0) return -1;
  const Surface3DData* first = nullptr;
  int result = 0;
  Direct3DDeviceRecord* r = StartGraphDraw(graph, &first, &result);
  if (r == nullptr) return result;
  x += OriginX();
  y += OriginY();
  const bool rotate = angle != 0.0;
  const float sn = rotate ? static_cast<float>(std::sin(angle)) : 0.0f;
  const float cs = rotate ? static_cast<float>(std::cos(angle)) : 1.0f;
  const int w = graph->Width, h = graph->Height;
  float cx = 0, cy = 0;
  const bool evenW = w % 2 == 0, evenH = h % 2 == 0;
  if (scale == 1.0 && evenW && evenH) {
    cx = static_cast<float>(w / 2), cy = static_cast<float>(h / 2);
    x -= 0.5f, y -= 0.5f;
  } else if (scale == 1.0 && !evenW && !evenH) {
    cx = w * 0.5f, cy = h * 0.5f;
  } else if (scale == 1.0) {
    cx = w * 0.5f - (evenW ? 0.5f : 0.0f);
    cy = h * 0.5f - (evenH ? 0.5f : 0.0f);
  } else {
    cx = w * 0.5f, cy = h * 0.5f;
    x -= 0.5f, y -= 0.5f;
  }
  G_D3D_PrepareDrawState(transparent, first);
  const float hs = static_cast<float>(mirror == 1 ? -scale : scale), vs = static_cast<float>(scale);
  const bool reflect = graph->TileCount == 1 && (scale != 1.0 || (!evenW && !evenH));
  const std::uint32_t colour = D3DDrawColor();
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
    if (t == nullptr) return -1;
    if (!PrepareTile(r, t)) return 0;
    Corner c[4];
    auto place = [&](int k) {
      const float dx = (t->Vertices[k].x - cx) * hs, dy = (t->Vertices[k].y - cy) * vs;
      const float px = rotate ? x + dx * cs - dy * sn : x + dx;
      const float py = rotate ? y + dx * sn + dy * cs : y + dy;
      c[k] = TileCorner(t, k, px, py);
    };
    place(0);
    place(1);
    if (reflect) {
      c[3] = TileCorner(t, 3, 2 * x - c[0].x, 2 * y - c[0].y);
      c[2] = TileCorner(t, 2, 2 * x - c[1].x, 2 * y - c[1].y);
    } else {
      place(2);
      place(3);
    }
    WriteQuad(r, c, colour);
  }
  EndIfFlushing();
  return 0;
}

namespace {

void DrawQuadTile(Direct3DDeviceRecord* r, const float tl[2], const float tr[2], const float bl[2], const float br[2],
                  const Surface3DData* t) {
  if (!PrepareTile(r, t)) return;
  const std::uint32_t colour = D3DDrawColor();
  const bool parallelogram = std::fabs((tr[0] - tl[0]) - (br[0] - bl[0])) < 1 &&
                             std::fabs((tr[1] - tl[1]) - (br[1] - bl[1])) < 1 &&
                             std::fabs((bl[0] - tl[0]) - (br[0] - tr[0])) < 1 &&
                             std::fabs((bl[1] - tl[1]) - (br[1] - tr[1])) < 1;
  if (parallelogram) {
    Corner c[4] = {TileCorner(t, 0, tl[0], tl[1]), TileCorner(t, 1, tr[0], tr[1]), TileCorner(t, 2, bl[0], bl[1]),
                   TileCorner(t, 3, br[0], br[1])};
    WriteQuad(r, c, colour);
    return;
  }
  // An 8 x 8 grid of vertices spread over the quad, drawn at once.
  D3DVertex grid[64];
  const D3DVertex& a = t->Vertices[0];
  const D3DVertex& d = t->Vertices[3];
  for (int row = 0; row < 8; ++row) {
    const float f = row / 7.0f;
    const float lx = tl[0] + f * (bl[0] - tl[0]), ly = tl[1] + f * (bl[1] - tl[1]);
    const float rx = tr[0] + f * (br[0] - tr[0]), ry = tr[1] + f * (br[1] - tr[1]);
    for (int col = 0; col < 8; ++col) {
      const float g = col / 7.0f;
      grid[row * 8 + col] = D3DVertex{lx + g * (rx - lx), ly + g * (ry - ly), 0.0f, 1.0f, colour,
                                      a.u + g * (d.u - a.u), a.v + f * (d.v - a.v)};
    }
  }
  G_D3D_DrawGridStrips(g_D3D.currentDevice, 8, grid, 8);
}

}  // namespace

int G_D3D_DrawGraphQuadF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                         const GraphData* graph, int transparent) {
  if (g_GraphDrawState.BlendGraph != -1) {
    return G_D3D_DrawGraphQuad(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
                               static_cast<int>(y2), static_cast<int>(x3), static_cast<int>(y3),
                               static_cast<int>(x4), static_cast<int>(y4), graph, transparent);
  }
  const Surface3DData* first = nullptr;
  int result = 0;
  Direct3DDeviceRecord* r = StartGraphDraw(graph, &first, &result);
  if (r == nullptr) return result;
  G_D3D_PrepareDrawState(transparent, first);
  const float ox = OriginX(), oy = OriginY();
  const float c1[2] = {x1 + ox, y1 + oy}, c2[2] = {x2 + ox, y2 + oy}, c3[2] = {x3 + ox, y3 + oy},
              c4[2] = {x4 + ox, y4 + oy};
  if (graph->TileCount == 1) {
    DrawQuadTile(r, c1, c2, c3, c4, first);
  } else {
    const float w = static_cast<float>(graph->Width), h = static_cast<float>(graph->Height);
    for (int i = 0; i < graph->TileCount; ++i) {
      const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
      if (t == nullptr) return -1;
      float p[4][2];
      for (int k = 0; k < 4; ++k) {
        const float tt = t->Vertices[k].y / h, s = t->Vertices[k].x / w;
        const float lx = c1[0] + tt * (c3[0] - c1[0]), ly = c1[1] + tt * (c3[1] - c1[1]);
        const float rx = c2[0] + tt * (c4[0] - c2[0]), ry = c2[1] + tt * (c4[1] - c2[1]);
        p[k][0] = lx + s * (rx - lx);
        p[k][1] = ly + s * (ry - ly);
      }
      DrawQuadTile(r, p[0], p[1], p[2], p[3], t);
    }
  }
  EndIfFlushing();
  return 0;
}

int G_D3D_DrawGraphQuad(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphData* graph,
                        int transparent) {
  if (x1 == x3 && x2 == x4 && y1 == y2 && y3 == y4) {
    return G_D3D_DrawGraphStretched(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x4),
                                    static_cast<float>(y4), graph, transparent, 1);
  }
  if (g_GraphDrawState.BlendGraph == -1 && g_D3D.fourCornerWord == 0) {
    return G_D3D_DrawGraphQuadF(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                                static_cast<float>(y2), static_cast<float>(x3), static_cast<float>(y3),
                                static_cast<float>(x4), static_cast<float>(y4), graph, transparent);
  }
  const Surface3DData* first = nullptr;
  int result = 0;
  Direct3DDeviceRecord* r = StartGraphDraw(graph, &first, &result);
  if (r == nullptr) return result;
  G_D3D_PrepareDrawState(transparent | 2, first);
  const float w = static_cast<float>(graph->Width), h = static_cast<float>(graph->Height);
  const float ox = OriginX() - 0.5f, oy = OriginY() - 0.5f;
  const float c1x = x1 + ox, c1y = y1 + oy, c4x = x4 + ox, c4y = y4 + oy;
  const std::uint32_t colour = D3DDrawColor();
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
    if (t == nullptr) return -1;
    if (!PrepareTile(r, t)) return 0;
    Corner c[4];
    for (int k = 0; k < 4; ++k) {
      const float px = t->Vertices[k].x, py = t->Vertices[k].y;
      float X = 0, Y = 0;
      if (t->CornerFlags[k] != 0) {
        X = c1x + px * (x2 - x1) / w + py * (x3 - x1) / h;
        Y = c1y + px * (y2 - y1) / w + py * (y3 - y1) / h;
      } else {
        const float bx = w - px, by = h - py;
        X = c4x + bx * (x3 - x4) / w + by * (x2 - x4) / h;
        Y = c4y + bx * (y3 - y4) / w + by * (y2 - y4) / h;
      }
      c[k] = TileCorner(t, k, X, Y);
    }
    WriteQuad(r, c, colour);
  }
  EndIfFlushing();
  return 0;
}

int G_D3D_DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_D3D.object == nullptr) return -1;
  if (g_D3D.suppressed == 1) return DrawFilledBoxSoft(x1, y1, x2, y2, colour);
  RECT box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  ClipRect(&box, &g_GraphDrawState.DrawArea);
  if (box.right <= box.left || box.bottom <= box.top) return 0;
  Direct3DDeviceRecord* r = StartPrimitive();
  if (r == nullptr) return -1;
  const float ox = OriginX(), oy = OriginY();
  const float l = box.left + ox, t = box.top + oy, rr = box.right + ox, b = box.bottom + oy;
  const std::uint32_t c = ModulatedColour(colour);
  const D3DPlainVertex v[6] = {{l, t, 0, 1, c}, {rr, t, 0, 1, c}, {l, b, 0, 1, c},
                               {rr, b, 0, 1, c}, {l, b, 0, 1, c}, {rr, t, 0, 1, c}};
  WritePlain(r, d3d::kTriangleList, v, 6);
  EndIfFlushing();
  return 0;
}

int G_D3D_DrawLineSegment(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_D3D.object == nullptr) return -1;
  if (g_D3D.suppressed == 1) return DrawLineSoft(x1, y1, x2, y2, colour);
  if (x1 == x2 && y1 == y2) return 0;
  Direct3DDeviceRecord* r = StartPrimitive();
  if (r == nullptr) return -1;
  const float ox = OriginX(), oy = OriginY();
  float ex = static_cast<float>(x2), ey = static_cast<float>(y2);
  if (x1 == x2) ey += y2 > y1 ? -0.1f : 0.1f;
  if (y1 == y2) ex += x2 > x1 ? -0.1f : 0.1f;
  const std::uint32_t c = ModulatedColour(colour);
  const D3DPlainVertex v[2] = {{x1 + ox, y1 + oy, 0, 1, c}, {ex + ox, ey + oy, 0, 1, c}};
  WritePlain(r, d3d::kLineList, v, 2);
  EndIfFlushing();
  return 0;
}

int G_D3D_DrawBoxFrame(int x1, int y1, int x2, int y2, std::uint32_t colour) {
  if (g_D3D.object == nullptr) return -1;
  if (g_D3D.suppressed == 1) return DrawBoxFrameSoft(x1, y1, x2, y2, colour);
  if (x1 > x2 || y1 > y2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  Direct3DDeviceRecord* r = StartPrimitive();
  if (r == nullptr) return -1;
  const float L = x1 + OriginX(), T = y1 + OriginY(), R = x2 + OriginX() - 1, B = y2 + OriginY() - 1;
  const std::uint32_t c = ModulatedColour(colour);
  const D3DPlainVertex v[8] = {{L, T, 0, 1, c},        {R - 0.1f, T, 0, 1, c},   {R, T, 0, 1, c},
                               {R, B - 0.1f, 0, 1, c}, {L, B, 0, 1, c},          {R + 0.9f, B, 0, 1, c},
                               {L, T + 1, 0, 1, c},    {L, B - 0.1f, 0, 1, c}};
  WritePlain(r, d3d::kLineList, v, 8);
  EndIfFlushing();
  return 0;
}

namespace {

// The oval's points (outline) or spans (fill), drawn at once outside the batch.
class OvalPlotter {
 public:
  OvalPlotter(Direct3DDeviceRecord* r, std::uint32_t colour, int left, int top, int right, int bottom)
      : r_(r), colour_(colour), left_(left), top_(top), right_(right), bottom_(bottom) {}
  void Point(int x, int y) {
    if (x < left_ || x > right_ || y < top_ || y > bottom_) return;
    points_[count_++] = D3DPlainVertex{static_cast<float>(x), static_cast<float>(y), 0.0f, 1.0f, colour_};
    if (count_ == kPoints) Flush();
  }
  // A span of row y from x1 to x2, once per row.
  void Span(int x1, int x2, int y, std::vector<std::uint8_t>* marks) {
    if (y < top_ || y > bottom_ || x2 < left_ || x1 > right_) return;
    auto& mark = (*marks)[static_cast<std::size_t>(y - top_)];
    if (mark != 0) return;
    mark = 1;
    const float l = static_cast<float>(std::max(x1, left_)), rr = static_cast<float>(std::min(x2, right_) + 1);
    spans_.push_back(D3DPlainVertex{l, static_cast<float>(y), 0.0f, 1.0f, colour_});
    spans_.push_back(D3DPlainVertex{rr, static_cast<float>(y), 0.0f, 1.0f, colour_});
  }
  void Flush() {
    if (count_ > 0 && r_->skipDrawing == 0) r_->device->DrawPrimitive(d3d::kPointList, 0x44, points_, count_, 0);
    count_ = 0;
    if (!spans_.empty() && r_->skipDrawing == 0)
      r_->device->DrawPrimitive(d3d::kLineList, 0x44, spans_.data(), static_cast<int>(spans_.size()), 0);
    spans_.clear();
  }

 private:
  static constexpr int kPoints = 40;
  Direct3DDeviceRecord* r_;
  std::uint32_t colour_;
  int left_, top_, right_, bottom_;
  D3DPlainVertex points_[kPoints];
  int count_ = 0;
  std::vector<D3DPlainVertex> spans_;
};

// The integer walk over one quadrant: calls visit(x, y) where the outline plots its four symmetric points (for the
// fill: where a step advanced y), and returns the last (x, y).
template <typename Visit>
void WalkOval(int rx, int ry, bool fill, Visit visit, int* lastX, int* lastY) {
  int x = rx, y = 0, a = 0, d1 = -2 * rx, d2 = -4 * rx + 3;
  bool flag = false;
  if (rx < ry) {
    const int k = ry * ry / rx;
    if (d1 + 3 < 0) {
      d1 += 9, d2 = -4 * rx + 7, y = 1, flag = true;
    } else if (d2 < 0) {
      flag = true, a = rx;
      if (k <= rx) x = rx - 1, a = rx - k;
      d1 += 9 - 4 * x, d2 += 6 - 4 * x, y = 1;
    } else {
      a = rx, flag = k <= rx;
      if (flag) x = rx - 1, a = rx - k;
      d1 += 3 - 4 * x, d2 += 2 - 4 * x;
    }
    while (x > 0) {
      if (flag) visit(x, y);
      if (d1 < 0) {
        y += 1, d1 += 2 + 4 * y, d2 += 4 * y, flag = true;
      } else if (d2 < 0) {
        a += rx, flag = true;
        if (a >= k) x -= 1, a -= k;
        y += 1, d1 += 2 + 4 * (y - x), d2 += 2 + 4 * (y - x);
      } else {
        a += rx;
        const bool step = a >= k;
        if (step) x -= 1, a -= k;
        d1 -= 4 * x, d2 += 2 - 4 * x;
        flag = fill ? false : step;
      }
    }
  } else {
    const int k = rx * rx / ry;
    if (d1 + 3 < 0) {
      a = ry;
      const int s = k <= ry ? 1 : 0;
      if (s == 1) a = ry - k;
      y = s, d1 += 5 + 4 * s, d2 += 4 * s, flag = s == 1;
    } else {
      x = rx - 1;
      if (d2 < 0) {
        a = ry;
        const int s = k <= ry ? 1 : 0;
        if (s == 1) a = ry - k;
        y = s, d1 += 5 + 4 * (s - x), d2 = -4 * rx + 5 + 4 * (s - x);
      } else {
        d1 += 3 - 4 * x, d2 += 2 - 4 * x;
      }
      flag = true;
    }
    while (x > 0) {
      if (flag) visit(x, y);
      if (d1 < 0) {
        a += ry, flag = a >= k;
        if (flag) y += 1, a -= k;
        d1 += 2 + 4 * y, d2 += 4 * y;
      } else {
        x -= 1;
        bool advanced = false;
        if (d2 < 0) {
          a += ry;
          if (a >= k) y += 1, a -= k, advanced = true;
          d1 += 2 + 4 * (y - x), d2 += 2 + 4 * (y - x);
        } else {
          d1 -= 4 * x, d2 += 2 - 4 * x;
        }
        flag = fill ? advanced : true;
      }
    }
  }
  if (fill && flag) visit(x, y);
  *lastX = x;
  *lastY = y;
}

}  // namespace

int G_D3D_DrawCircle(int x, int y, int rx, int ry, std::uint32_t colour, int fill) {
  G_D3D_FlushVertexBatch();
  if (g_D3D.object == nullptr) return -1;
  if (rx == 0 || ry == 0) return -1;
  if (g_D3D.suppressed == 1) return DrawOvalSoft(x, y, rx, ry, colour, fill);
  Direct3DDeviceRecord* r = StartPrimitive();
  if (r == nullptr) return -1;
  G_D3D_FlushDeviceBatch(g_D3D.currentDevice);
  rx = std::abs(rx);
  ry = std::abs(ry);
  const int ox = static_cast<int>(OriginX()), oy = static_cast<int>(OriginY());
  const int cx = x + ox, cy = y + oy;
  const RECT& area = g_GraphDrawState.DrawArea;
  // The fill reaches the draw area's last column, as the outline does.
  OvalPlotter plot(r, ModulatedColour(colour), area.left + ox, area.top + oy, area.right - 1 + ox,
                   area.bottom - 1 + oy);
  int lastX = 0, lastY = 0;
  if (fill == 0) {
    plot.Point(cx - rx, cy);
    plot.Point(cx + rx, cy);
    WalkOval(rx, ry, false, [&](int px, int py) {
      plot.Point(cx - px, cy + py);
      plot.Point(cx + px, cy + py);
      plot.Point(cx - px, cy - py);
      plot.Point(cx + px, cy - py);
    }, &lastX, &lastY);
    plot.Point(cx + lastX, cy - lastY);
    plot.Point(cx - lastX, cy + lastY);
  } else {
    std::vector<std::uint8_t> marks(static_cast<std::size_t>(std::max(area.bottom - area.top, 1)), 0);
    plot.Span(cx - rx, cx + rx, cy, &marks);
    WalkOval(rx, ry, true, [&](int px, int py) {
      plot.Span(cx - px, cx + px, cy + py, &marks);
      plot.Span(cx - px, cx + px, cy - py, &marks);
    }, &lastX, &lastY);
  }
  plot.Flush();
  EndIfFlushing();
  return 0;
}

int G_D3D_SetDrawTarget(int target) {
  Direct3DDeviceRecord* r = CurrentD3DRecord();
  if (g_D3D.object == nullptr || r == nullptr) return 0;
  const int device = g_D3D.currentDevice;
  G_D3D_EndScene();
  G_D3D_SetRenderTarget(device, d3d::RenderTarget{});
  G_D3D_SetTexture(device, nullptr);
  if (target == -4) {
    G_D3D_SetRenderTarget(device, d3d::RenderTarget{GetPrimarySurface(), nullptr});
    g_D3D.flushAfterEachDraw = 1;
    g_D3D.suppressed = 0;
    return 0;
  }
  if (target == -2) {
    G_D3D_SetRenderTarget(device, d3d::RenderTarget{GetBackSurface(), nullptr});
    g_D3D.flushAfterEachDraw = 0;
    g_D3D.suppressed = 0;
    return 0;
  }
  const GraphData* g = GetGraphData(target);
  if (g == nullptr) return -1;
  if (g->TileCount > 1) return 0;
  if (g->Flags.Texture != 0) {
    const Surface3DData* t = g->TileCount > 0 ? GetSurface3DData(g->Tiles[0]) : nullptr;
    const SurfaceData* s = t != nullptr ? GetSurfaceData(t->Texture) : nullptr;
    if (s == nullptr || s->Flags.DrawValid == 0) return -1;
    G_D3D_SetRenderTarget(device, d3d::RenderTarget{nullptr, static_cast<d3d::Texture*>(s->Surface)});
    g_D3D.flushAfterEachDraw = 0;
    g_D3D.suppressed = 0;
    return 0;
  }
  // 2D graphics keep their pixels in memory images, which the device cannot draw into.
  g_D3D.suppressed = 1;
  return -1;
}

int G_D3D_SetBlendGraph(const GraphData* graph, int param1, int param2) {
  Direct3DDeviceRecord* r = CurrentD3DRecord();
  if (graph == nullptr) {
    if (r != nullptr && (r->blendTexture != nullptr || r->resendAll != 0)) {
      G_D3D_FlushDeviceBatch(g_D3D.currentDevice);
      r->blendTexture = nullptr;
      if (param1 != -1) r->borderParam = param1;
      if (param2 != -1) r->borderRange = param2;
      r->stageSetupPending = 1;
    }
    return 0;
  }
  const Surface3DData* t = graph->TileCount > 0 ? GetSurface3DData(graph->Tiles[0]) : nullptr;
  if (t == nullptr) return -1;
  const SurfaceData* s = GetSurfaceData(t->Texture);
  if (s == nullptr) return -1;
  G_D3D_SetBlendTexture(g_D3D.currentDevice, static_cast<d3d::Texture*>(s->Surface), param1, param2);
  g_blendScaleX = 1.0f / static_cast<float>(s->Width);
  g_blendScaleY = 1.0f / static_cast<float>(s->Height);
  return 0;
}

int G_D3D_ClearDrawScreen() {
  if (g_D3D.object == nullptr) return -1;
  G_D3D_EndScene();
  const int target = g_GraphDrawState.DrawScreen;
  if (target == -4 || target == -3 || target == -2) return 0;
  const GraphData* g = GetGraphData(target);
  if (g == nullptr || g->Flags.Texture == 0 || g->TileCount == 0) return 0;
  const Surface3DData* t = GetSurface3DData(g->Tiles[0]);
  const SurfaceData* s = t != nullptr ? GetSurfaceData(t->Texture) : nullptr;
  if (s == nullptr || s->Surface == nullptr) return 0;
  static_cast<d3d::Texture*>(s->Surface)->Fill(nullptr, 0);
  return 0;
}

namespace {

struct Mode3Saved {
  std::uint32_t brightness;
  int param;
};

void WhiteBox(const RECT* rect) {
  GraphDrawState& st = g_GraphDrawState;
  st.Brightness = kNoBrightness;
  if (!(st.BlendMode == 3 && st.BlendParam == 255)) {
    WaitWhileInactive();
    st.BlendMode = 3;
    st.BlendParam = 255;
  }
  UpdateD3DDrawColor();
  G_D3D_DrawFilledBox(rect->left, rect->top, rect->right, rect->bottom,
                      static_cast<std::uint32_t>(MakeColorValueBody(255, 255, 255)));
}

Mode3Saved g_mode3{kNoBrightness, 0};

}  // namespace

void BeginBlendMode3Pass(const RECT* rect) {
  GraphDrawState& st = g_GraphDrawState;
  g_mode3 = Mode3Saved{st.Brightness, st.BlendParam};
  WhiteBox(rect);
  st.Brightness = g_mode3.brightness;
  SetBlendModeBody(5, g_mode3.param);
}

void EndBlendMode3Pass(const RECT* rect) {
  GraphDrawState& st = g_GraphDrawState;
  WhiteBox(rect);
  st.Brightness = g_mode3.brightness;
  SetBlendModeBody(3, g_mode3.param);
}
