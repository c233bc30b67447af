// Copying a rectangle of the draw screen into a graphic held as textures: five methods with different needs, tried
// in a fixed order until one works; the winner is remembered per kind of graphic (plain, or with alpha) until the
// next mode change. The GDI steps of the methods (device contexts, BitBlt) are plain copies between locked pixels.
#include <algorithm>
#include <cstring>

#include "engine/core/log.h"
#include "engine/core/system_record.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/present.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface_data.h"
#include "platform/base/clock.h"

namespace dd = platform::dd;
namespace d3d = platform::d3d;

namespace {

// What the methods share: the source surface, its size and the copy origin on it.
struct Source {
  dd::Surface* surface;
  int width, height;
  int originX, originY;
};

// The whole desktop (the primary) when copying from the front screen of a window without the window-front flag;
// otherwise the draw screen, offset by the draw-area origin.
Source SourceOf(int windowFront) {
  Source s{GetDrawTargetSurface(), 0, 0, 0, 0};
  if (windowFront == 0 && g_System.windowMode == 1 && g_GraphDrawState.DrawScreen == -4) {
    dd::Surface* primary = GetPrimarySurface();
    s.surface = primary;
    s.width = primary != nullptr ? primary->Width() : 0;
    s.height = primary != nullptr ? primary->Height() : 0;
    return s;
  }
  QueryGraphSize(g_GraphDrawState.DrawScreen, &s.width, &s.height);
  s.originX = g_GraphDrawState.TargetOriginRect.left;
  s.originY = g_GraphDrawState.TargetOriginRect.top;
  return s;
}

bool RectangleFits(int x1, int y1, int x2, int y2, const GraphData* g, const Source& s) {
  return x1 >= 0 && x1 < x2 && y1 >= 0 && y1 < y2 && x1 <= s.width && y1 <= s.height && x2 - x1 <= g->Width &&
         y2 - y1 <= g->Height;
}

// The part of a tile inside the copied rectangle (tile-relative size), false when empty.
bool TilePart(const Surface3DData* t, int x1, int y1, int x2, int y2, int* w, int* h) {
  *w = std::min<int>(t->Width, x2 - x1 - t->X);
  *h = std::min<int>(t->Height, y2 - y1 - t->Y);
  return *w > 0 && *h > 0;
}

d3d::Texture* TextureOf(const SurfaceData* s) { return static_cast<d3d::Texture*>(s->Surface); }

// Converts a rectangle of the locked source surface into locked destination pixels of another format.
void ConvertFromSurface(std::uint8_t* dest, int destPitch, const ColorData* destFormat, int destX, int destY,
                        const std::uint8_t* src, int srcPitch, const ColorData* srcFormat, const ImageRect& rect,
                        const SurfaceData* texture) {
  ConvertTransferRect(dest, destPitch, destFormat, src, srcPitch, srcFormat, nullptr, 0, nullptr, destX, destY, &rect,
                      0, destFormat->widthA != 0 ? 1 : 0, texture->TransparentColor, 0, 0, 0, 0);
}

// Method 1: BltFast from the source into each tile's texture.
int CopyByBltFast(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  const Source s = SourceOf(windowFront);
  if (s.surface == nullptr || !RectangleFits(x1, y1, x2, y2, g, s)) return -1;
  for (int i = 0; i < g->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(g->Tiles[i]);
    if (t == nullptr) return -1;
    if (x1 + t->X > s.width || y1 + t->Y > s.height) continue;
    int w = 0, h = 0;
    if (!TilePart(t, x1, y1, x2, y2, &w, &h)) continue;
    w = std::min(w, s.width - (x1 + t->X));
    h = std::min(h, s.height - (y1 + t->Y));
    if (w <= 0 || h <= 0) continue;
    const SurfaceData* sd = GetSurfaceData(t->Texture);
    const int sx = s.originX + t->X + x1, sy = s.originY + t->Y + y1;
    const dd::Result r = TextureOf(sd)->BltFast(t->TextureX, t->TextureY, s.surface, dd::Rect{sx, sy, sx + w, sy + h});
    if (r != dd::kOk) return LogPrintf("Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d", r);
    SetSurfaceDataColorKey(t->Texture);
  }
  return 0;
}

// Method 2: the GDI copy straight into each tile's texture, converting the format.
int CopyByGdi(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  const Source s = SourceOf(windowFront);
  if (s.surface == nullptr || !RectangleFits(x1, y1, x2, y2, g, s)) return -1;
  std::uint8_t* src = nullptr;
  int srcPitch = 0;
  if (const dd::Result r = s.surface->Lock(nullptr, dd::kLockWait | dd::kLockReadOnly, &src, &srcPitch); r != dd::kOk)
    return LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction2  ＤＣ取得に失敗しました  GetDC ReturnValue:%d", r);
  for (int i = 0; i < g->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(g->Tiles[i]);
    if (t == nullptr) {
      s.surface->Unlock();
      return -1;
    }
    if (x1 + t->X > s.width || y1 + t->Y > s.height) continue;
    int w = 0, h = 0;
    if (!TilePart(t, x1, y1, x2, y2, &w, &h)) continue;
    w = std::min(w, s.width - (x1 + t->X));
    h = std::min(h, s.height - (y1 + t->Y));
    if (w <= 0 || h <= 0) continue;
    int pitch = 0;
    std::uint8_t* pixels = nullptr;
    const ColorData* format = nullptr;
    if (LockSurfaceData(t->Texture, &pitch, &pixels, 1, nullptr, &format) == -1) {
      s.surface->Unlock();
      return LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC "
                       "ReturnValue:%d",
                       -1);
    }
    const int sx = s.originX + t->X + x1, sy = s.originY + t->Y + y1;
    ConvertFromSurface(pixels, pitch, format, t->TextureX, t->TextureY, src, srcPitch, GetScreenColorData(),
                       ImageRect{sx, sy, sx + w, sy + h}, GetSurfaceData(t->Texture));
    UnlockSurfaceData(t->Texture, nullptr);
    SetSurfaceDataColorKey(t->Texture);
  }
  s.surface->Unlock();
  return 0;
}

// Methods 3 and 4: the screen rectangle goes into a system-memory work texture of the tile's texture format, then
// into the tile's texture by a converting copy (3) or the device's Load (4).
int CopyThroughWorkTexture(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront, bool load) {
  const char* name = load ? "Function4" : "Function3";
  const Source s = SourceOf(windowFront);
  if (!RectangleFits(x1, y1, x2, y2, g, s)) return -1;
  std::uint8_t* src = nullptr;
  int srcPitch = 0;
  if (s.surface == nullptr) return -1;
  if (const dd::Result r = s.surface->Lock(nullptr, dd::kLockWait | dd::kLockReadOnly, &src, &srcPitch); r != dd::kOk)
    return LogPrintf("Error  G_D3D_GetDrawScreenGraph%s 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%d", name, r);
  int result = 0;
  for (int i = 0; i < g->TileCount && result == 0; ++i) {
    const Surface3DData* t = GetSurface3DData(g->Tiles[i]);
    if (t == nullptr) {
      result = -1;
      break;
    }
    int w = 0, h = 0;
    if (!TilePart(t, x1, y1, x2, y2, &w, &h)) continue;
    const SurfaceData* sd = GetSurfaceData(t->Texture);
    const int formatIndex = static_cast<int>(sd->FormatIndex);
    const TextureFormatEntry* entry = GetTextureFormat(formatIndex);
    d3d::PixelFormat pf{};
    std::memcpy(&pf, &entry->pixelFormat, sizeof pf);
    d3d::Texture* work = nullptr;
    if (const dd::Result r = g_D3D.object->CreateTexture(sd->Width, sd->Height, pf, &work); r != dd::kOk) {
      result = LogPrintf("Error  G_D3D_GetDrawScreenGraph%s 　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  "
                         "ReturnValue:%d",
                         name, r);
      break;
    }
    std::uint8_t* workPixels = nullptr;
    int workPitch = 0;
    work->Lock(nullptr, dd::kLockWait, &workPixels, &workPitch);
    const int sx = x1 + t->X + s.originX, sy = y1 + t->Y + s.originY;
    ConvertFromSurface(workPixels, workPitch, &entry->colorData, t->TextureX, t->TextureY, src, srcPitch,
                       GetScreenColorData(), ImageRect{sx, sy, sx + w, sy + h}, sd);
    work->Unlock();
    if (!load) {
      int pitch = 0;
      std::uint8_t* pixels = nullptr;
      if (LockSurfaceData(t->Texture, &pitch, &pixels, 1, nullptr, nullptr) == -1) {
        result = LogPrintf("Error  G_D3D_GetDrawScreenGraph%s 　転送先テクスチャサーフェスのロックに失敗しました  Lock  "
                           "ReturnValue:%d",
                           name, -1);
      } else {
        work->Lock(nullptr, dd::kLockWait, &workPixels, &workPitch);
        const ImageRect whole{t->TextureX, t->TextureY, t->TextureX + w, t->TextureY + h};
        ConvertTransferRect(pixels, pitch, &entry->colorData, workPixels, workPitch, &entry->colorData, nullptr, 0,
                            nullptr, t->TextureX, t->TextureY, &whole, 0, 0, 0, 0, 0, 0, 0);
        work->Unlock();
        UnlockSurfaceData(t->Texture, nullptr);
      }
    } else {
      const dd::Rect rect{t->TextureX, t->TextureY, t->TextureX + w, t->TextureY + h};
      dd::Result r = dd::kErrSurfaceBusy;
      for (int attempt = 0; attempt < 10 && r == dd::kErrSurfaceBusy; ++attempt) {
        r = G_D3D_GetDevice()->Load(TextureOf(sd), t->TextureX, t->TextureY, work, &rect, 0);
        if (r == dd::kErrSurfaceBusy) {
          work->Restore();
          platform::SleepMilliseconds(1);
        }
      }
      if (r != dd::kOk) {
        LogPrintf("hr:%d  W:%d  H:%d  FullMode:%d  Point x:%d y:%d   Rect top:%d bottom:%d left:%d right:%d", r, w, h,
                  g_System.windowMode == 0 ? 1 : 0, t->TextureX, t->TextureY, rect.top, rect.bottom, rect.left,
                  rect.right);
        LogPrintf("AlphaCh:%d  AlphaTest:%d  ColorBitDepth:%d", sd->Flags.AlphaChFlag, sd->Flags.AlphaTestFlag,
                  sd->Flags.ColorBitDepth);
        int sw = 0, shh = 0;
        QueryScreenSizeBody(&sw, &shh);
        LogPrintf("ScreenColor:%d  SizeX:%d  SizeY:%d  DrawPointX:%d  DrawPointY:%d  WndRect.left:%d  WndRect.top:%d  "
                  "left:%d  top:%d",
                  GetScreenColorBitDepth(), sw, shh, s.originX, s.originY, 0, 0, x1, y1);
        result = -1;
      }
    }
    g_D3D.object->ReleaseTexture(work);
    if (result == 0) SetSurfaceDataColorKey(t->Texture);
  }
  s.surface->Unlock();
  return result;
}

int CopyByConvert(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  return CopyThroughWorkTexture(x1, y1, x2, y2, g, windowFront, false);
}

int CopyByLoad(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  return CopyThroughWorkTexture(x1, y1, x2, y2, g, windowFront, true);
}

// Method 5: the rectangle is copied to the work surface, then converted into each tile.
int CopyByWorkSurface(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  dd::Surface* source = GetDrawTargetSurface();
  dd::Surface* work = GetWorkSurface();
  int sw = 0, sh = 0;
  QueryGraphSize(g_GraphDrawState.DrawScreen, &sw, &sh);
  if (source == nullptr || work == nullptr) return -1;
  if (x1 < 0 || x1 >= x2 || y1 < 0 || y1 >= y2 || x1 > sw || y1 > sh || x2 - x1 > g->Width || y2 - y1 > g->Height)
    return -1;
  if (windowFront == 0 && g_System.windowMode == 1 && g_GraphDrawState.DrawScreen == -4) return -1;
  const int ox = g_GraphDrawState.TargetOriginRect.left, oy = g_GraphDrawState.TargetOriginRect.top;
  const int w = std::min(x2 - x1, work->Width()), h = std::min(y2 - y1, work->Height());
  const dd::Rect rect{x1 + ox, y1 + oy, x1 + ox + w, y1 + oy + h};
  if (CopySurfaceRect(work, source, 0, 0, &rect, -1) < 0) return -1;
  std::uint8_t* src = nullptr;
  int srcPitch = 0;
  const dd::Rect lockRect{0, 0, w, h};
  if (const dd::Result r = work->Lock(&lockRect, dd::kLockWait | dd::kLockWriteOnly, &src, &srcPitch); r != dd::kOk)
    return LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction5 　作業用テクスチャサーフェスのロックに失敗しました  Lock  "
                     "ReturnValue:%d",
                     r);
  for (int i = 0; i < g->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(g->Tiles[i]);
    if (t == nullptr) {
      work->Unlock();
      return -1;
    }
    int tw = 0, th = 0;
    if (!TilePart(t, x1, y1, x1 + w, y1 + h, &tw, &th)) continue;
    int pitch = 0;
    std::uint8_t* pixels = nullptr;
    const ColorData* format = nullptr;
    if (LockSurfaceData(t->Texture, &pitch, &pixels, 1, nullptr, &format) == -1) {
      work->Unlock();
      return LogPrintf("Error  G_D3D_GetDrawScreenGraphFunction5 　転送先テクスチャサーフェスのロックに失敗しました  Lock  "
                       "ReturnValue:%d",
                       -1);
    }
    ConvertFromSurface(pixels, pitch, format, t->TextureX, t->TextureY, src, srcPitch, GetScreenColorData(),
                       ImageRect{t->X, t->Y, t->X + tw, t->Y + th}, GetSurfaceData(t->Texture));
    UnlockSurfaceData(t->Texture, nullptr);
    SetSurfaceDataColorKey(t->Texture);
  }
  work->Unlock();
  return 0;
}

using CopyMethod = int (*)(int, int, int, int, const GraphData*, int);
// Index 0 is method 5, 1 method 1, 2 method 3, 3 method 2, 4 method 4.
const CopyMethod kMethods[5] = {CopyByWorkSurface, CopyByBltFast, CopyByConvert, CopyByGdi, CopyByLoad};

}  // namespace

int G_D3D_GetDrawScreenGraphFunction1(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  return CopyByBltFast(x1, y1, x2, y2, g, windowFront);
}
int G_D3D_GetDrawScreenGraphFunction2(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  return CopyByGdi(x1, y1, x2, y2, g, windowFront);
}
int G_D3D_GetDrawScreenGraphFunction3(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  return CopyByConvert(x1, y1, x2, y2, g, windowFront);
}
int G_D3D_GetDrawScreenGraphFunction4(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  return CopyByLoad(x1, y1, x2, y2, g, windowFront);
}
int G_D3D_GetDrawScreenGraphFunction5(int x1, int y1, int x2, int y2, const GraphData* g, int windowFront) {
  return CopyByWorkSurface(x1, y1, x2, y2, g, windowFront);
}

int G_D3D_CopyScreenToGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int windowFront) {
  if (g_D3D.object == nullptr || graph == nullptr) return -1;
  if (g_D3D.suppressed == 1) return 0;
  G_D3D_FlushDeviceBatch(g_D3D.currentDevice);
  G_D3D_EndSceneOnDevice(g_D3D.currentDevice);
  const Surface3DData* first = graph->TileCount > 0 ? GetSurface3DData(graph->Tiles[0]) : nullptr;
  const SurfaceData* sd = first != nullptr ? GetSurfaceData(first->Texture) : nullptr;
  if (sd == nullptr) return -1;
  int& word = (sd->Flags.AlphaChFlag != 0 || sd->Flags.AlphaTestFlag != 0) ? g_D3D.copyMethodAlpha
                                                                             : g_D3D.copyMethodPlain;
  if (word >= 0 && word < 5) {
    const int r = kMethods[word](x1, y1, x2, y2, graph, windowFront);
    if (r >= 0) return r;
  }
  int last = -1;
  for (word = 0; word < 5; ++word) {
    last = kMethods[word](x1, y1, x2, y2, graph, windowFront);
    if (last == 0) return 0;
  }
  word = -1;
  return last;
}
