#include "engine/graphics/surface2d.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/window.h"
#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface_data.h"
#include "engine/softrender/draw_memimg.h"
#include "engine/softrender/graphics_glue.h"
#include "engine/softrender/line.h"

Surface2DTable g_Surface2DTable{};

namespace {

bool SoftwareScreen() { return IsSoftwareScreenModel() == 1; }

MEMIMG* SoftwareDestination() { return g_GraphDrawState.MaskActive != 0 ? GetMaskMemImg() : DrawScreenMemImg; }

// Writes a rectangle of the image (and alpha image) into a memory image at (dx, dy).
int TransferImageToMemImgRect(const GraphImage* image, const GraphImage* alpha, MEMIMG* dest, int x, int y, int width,
                              int height, int dx, int dy) {
  const ImageRect src{x, y, x + width, y + height};
  const int r = ConvertTransferRect(dest->Image, dest->Pitch, dest->ColorInfo, image->pixels, image->pitch,
                                    &image->colorData, alpha != nullptr ? alpha->pixels : nullptr,
                                    alpha != nullptr ? alpha->pitch : 0, alpha != nullptr ? &alpha->colorData : nullptr,
                                    dx, dy, &src, 0, 0, dest->TransColor, GetTransferOptionWord(), 0, 0, 0);
  if (r < 0) return -1;
  if (dest->UsePalette != 0 && image->colorData.bitsPerPixel == 8) {
    // The palette of the image becomes the image's tables in its own kind.
    for (int i = 0; i < 256; ++i) {
      const std::uint8_t* e = image->colorData.palette[i];
      if (dest->Format == 0) {
        const std::uint16_t v = static_cast<std::uint16_t>(((e[2] >> 3) << 11) | ((e[1] >> 2) << 5) | (e[0] >> 3));
        std::memcpy(dest->PaletteTable1 + i * 2, &v, 2);
      } else {
        std::memcpy(dest->PaletteTable1 + i * 4, e, 4);
      }
    }
    std::memcpy(dest->PaletteTable2, dest->PaletteTable1, sizeof(dest->PaletteTable1));
    dest->PaletteCount = r + 1;
  }
  dest->PremulValid = 0;
  dest->RunsValid = 0;
  if (dest->RunTable != nullptr) BuildMemImgRunTable(dest);
  // An alpha image written whole keeps its premultiplied plane in step with its pixels.
  if (dx == 0 && dy == 0 && width == dest->Width && height == dest->Height) BuildMemImgPremulPlane(dest);
  return 0;
}

}  // namespace

Surface2D* GetSurface2D(int handle) { return g_Surface2DTable.Get(handle); }

void ClearSurface2DTable() { g_Surface2DTable.Clear(); }

int AddSurface2D(int width, int height, int tileX, int tileY, int owner, const Surface2D* shared, int sourceX,
                 int sourceY, const GraphFlagBytes* flags) {
  if (GetDirectDrawObject() == nullptr) return WriteLog("VEdudivが初期化されていません\n");
  if (g_Surface2DTable.Full()) return WriteLog("２Ｄグラフィックの量が許容量を越えました\n");
  int dataHandle;
  if (shared != nullptr) {
    dataHandle = shared->SurfaceDataHandle;
    if (IncSurfaceDataUse(dataHandle) < 0) return -1;
  } else {
    dataHandle = AddSurfaceData(1, width, height, g_GraphDrawState.TransparentColor, flags);
    if (dataHandle < 0) return WriteLog("メモリの確保に失敗しました in AddSurface2D \n");
  }
  Surface2D* tile = nullptr;
  const int handle = g_Surface2DTable.Add(&tile);
  if (handle < 0) {
    if (DecSurfaceDataUse(dataHandle) == 0) DeleteSurfaceData(dataHandle);
    return WriteLog("メモリの確保に失敗しました in AddSurface2D \n");
  }
  tile->TileX = static_cast<std::uint16_t>(tileX);
  tile->TileY = static_cast<std::uint16_t>(tileY);
  tile->SourceX = static_cast<std::uint16_t>(sourceX);
  tile->SourceY = static_cast<std::uint16_t>(sourceY);
  tile->Width = static_cast<std::uint16_t>(width);
  tile->Height = static_cast<std::uint16_t>(height);
  tile->Owner = owner;
  tile->SurfaceDataHandle = dataHandle;
  return handle;
}

int SetSurface2DLostFlag(int handle, std::int32_t* flag) {
  Surface2D* tile = GetSurface2D(handle);
  if (tile == nullptr) return -1;
  tile->LostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int DeleteSurface2D(int handle) {
  Surface2D* tile = GetSurface2D(handle);
  if (tile == nullptr) return 0;
  if (DecSurfaceDataUse(tile->SurfaceDataHandle) == 0) DeleteSurfaceData(tile->SurfaceDataHandle);
  g_Surface2DTable.Release(handle & kHandleSlotMask);
  return 0;
}

int DeleteAllSurface2D() {
  if (GetDirectDrawObject() == nullptr) return -1;
  for (int i = 0; i < g_Surface2DTable.highMark; ++i) {
    if (g_Surface2DTable.slots[i] != nullptr) DeleteSurface2D(g_Surface2DTable.HandleOf(i));
  }
  return 0;
}

int TerminateSurface2D() { return DeleteAllSurface2D(); }

int RestoreAllSurface2D() {
  if (GetDirectDrawObject() == nullptr) return -1;
  int result = RestoreMainSurfaces();
  for (int i = 0; i < g_Surface2DTable.highMark; ++i) {
    if (g_Surface2DTable.slots[i] != nullptr) result |= RestoreSurfaceData(g_Surface2DTable.slots[i]->SurfaceDataHandle);
  }
  return result;
}

int CreateGraphSurface2D(GraphData* graph) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr) return -1;
  const int tile = AddSurface2D(graph->Width, graph->Height, 0, 0, graph->Handle, nullptr, 0, 0, &graph->Flags);
  if (tile < 0) return -1;
  graph->Tiles[0] = tile;
  graph->TileCount = 1;
  return 0;
}

int DeriveGraphSurface2D(GraphData* graph, int x, int y, int width, int height, const GraphData* parent) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr || parent == nullptr) return -1;
  const Surface2D* parentTile = GetSurface2D(parent->Tiles[0]);
  if (parentTile == nullptr) return -1;
  // The parent tile's own position inside its storage is added, so a graphic derived from a derived graphic shows
  // the pixels its record says it does.
  const int tile = AddSurface2D(width, height, 0, 0, graph->Handle, parentTile, parentTile->SourceX + x,
                                parentTile->SourceY + y, &graph->Flags);
  if (tile < 0) return -1;
  graph->Tiles[0] = tile;
  graph->TileCount = 1;
  return 0;
}

int DeleteGraphSurface2D(GraphData* graph) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr) return -1;
  for (int i = 0; i < graph->TileCount; ++i) DeleteSurface2D(graph->Tiles[i]);
  graph->TileCount = 0;
  return 0;
}

int RestoreGraphSurface2D(const GraphData* graph) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr) return -1;
  int result = 0;
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface2D* tile = GetSurface2D(graph->Tiles[i]);
    if (tile == nullptr) return -1;
    result |= RestoreSurfaceData(tile->SurfaceDataHandle);
  }
  return result;
}

int FillGraphSurface2D(const GraphData* graph, int r, int g, int b, int a) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr) return -1;
  G_D3D_EndScene();
  G_D3D_FlushVertexBatch();
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface2D* tile = GetSurface2D(graph->Tiles[i]);
    if (tile == nullptr) return -1;
    FillSurfaceDataColor(tile->SurfaceDataHandle, r, g, b, a);
  }
  return 0;
}

int ReleaseAllSurface2DStorage() {
  if (GetDirectDrawObject() == nullptr) return -1;
  for (int i = 0; i < g_Surface2DTable.highMark; ++i) {
    if (g_Surface2DTable.slots[i] != nullptr) ReleaseSurfaceDataStorage(g_Surface2DTable.slots[i]->SurfaceDataHandle);
  }
  return 0;
}

int RecreateAllSurface2DStorage() {
  if (GetDirectDrawObject() == nullptr) return -1;
  for (int i = 0; i < g_Surface2DTable.highMark; ++i) {
    if (g_Surface2DTable.slots[i] != nullptr) CreateSurfaceData(g_Surface2DTable.slots[i]->SurfaceDataHandle);
  }
  return 0;
}

const MEMIMG* TileMemImg(const Surface2D* tile, MEMIMG* view) {
  SurfaceData* data = GetSurfaceData(tile->SurfaceDataHandle);
  if (data == nullptr || data->Image.Tag != kMemImgTag || data->Image.Image == nullptr) return nullptr;
  if (tile->SourceX == 0 && tile->SourceY == 0 && tile->Width == data->Width && tile->Height == data->Height) {
    return &data->Image;
  }
  std::memset(view, 0, sizeof(MEMIMG));
  DeriveMemImg(view, &data->Image, tile->SourceX, tile->SourceY, tile->Width, tile->Height);
  return view;
}

namespace {

// A palettised image takes the draw state's transparent colour, looked up among its palette colours, as its key
// index (index 0 when no colour matches).
void PickPaletteKey(SurfaceData* data) {
  if (data->Image.UsePalette == 0 || data->Flags.ExtraByte == 0) return;
  const ColorData* format = GetStandardColorData(data->Image.Format, 0, 0);
  const std::uint32_t c = g_GraphDrawState.TransparentColor;
  const std::uint32_t key = MakePixelValue(format, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 255);
  std::uint32_t index = 0;
  for (std::uint32_t i = 0; i < 256; ++i) {
    bool match = false;
    if (data->Image.Format == 0) {
      std::uint16_t w16;
      std::memcpy(&w16, data->Image.PaletteTable1 + i * 2, 2);
      match = w16 == (key & 0xFFFF);
    } else {
      std::uint32_t w32;
      std::memcpy(&w32, data->Image.PaletteTable1 + i * 4, 4);
      match = (w32 & 0xFFFFFF) == (key & 0xFFFFFF);
    }
    if (match) {
      index = i;
      break;
    }
  }
  data->Image.TransColor = index;
  if (data->Image.RunTable != nullptr) BuildMemImgRunTable(&data->Image);
}

}  // namespace

int TransferImageToSurface2D(const GraphImage* image, const GraphImage* alpha, const ImageRect* srcRect, int x, int y,
                             int tileHandle) {
  if (GetDirectDrawObject() == nullptr || image == nullptr || srcRect == nullptr) return -1;
  const Surface2D* tile = GetSurface2D(tileHandle);
  if (tile == nullptr) return -1;
  SurfaceData* data = GetSurfaceData(tile->SurfaceDataHandle);
  if (data == nullptr || data->Image.Tag != kMemImgTag) return -1;
  // The part of the source rectangle that lies inside the image and the tile; the rest of the tile keeps its pixels.
  ImageRect r = *srcRect;
  if (r.left < 0 || r.top < 0 || r.left >= image->width || r.top >= image->height) return -1;
  if (r.right > image->width) r.right = image->width;
  if (r.bottom > image->height) r.bottom = image->height;
  if (x < 0 || y < 0) return -1;
  if (r.right - r.left > tile->Width - x) r.right = r.left + tile->Width - x;
  if (r.bottom - r.top > tile->Height - y) r.bottom = r.top + tile->Height - y;
  if (r.right <= r.left || r.bottom <= r.top) return -1;
  if (alpha != nullptr && (alpha->width < r.right || alpha->height < r.bottom)) return -1;
  if (TransferImageToMemImgRect(image, alpha, &data->Image, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                tile->SourceX + x, tile->SourceY + y) < 0) {
    return -1;
  }
  PickPaletteKey(data);
  return 0;
}

int TransferImageToTile(const GraphImage* image, const GraphImage* alpha, int x, int y, int tileHandle) {
  const Surface2D* tile = GetSurface2D(tileHandle);
  if (tile == nullptr) return -1;
  const ImageRect src{x, y, x + tile->Width, y + tile->Height};
  return TransferImageToSurface2D(image, alpha, &src, 0, 0, tileHandle);
}

int TransferImageToAllTiles(const GraphImage* image, const GraphImage* alpha, int x, int y, const GraphData* graph) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr || image == nullptr) return -1;
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface2D* tile = GetSurface2D(graph->Tiles[i]);
    if (tile == nullptr || TransferImageToTile(image, alpha, tile->TileX + x, tile->TileY + y, graph->Tiles[i]) < 0)
      return -1;
  }
  return 0;
}

int TransferImageToGraphTiles(const GraphImage* image, const GraphImage* alpha, const ImageRect* srcRect, int x, int y,
                              const GraphData* graph) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr || image == nullptr || srcRect == nullptr) return -1;
  const int w = srcRect->right - srcRect->left, h = srcRect->bottom - srcRect->top;
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface2D* tile = GetSurface2D(graph->Tiles[i]);
    if (tile == nullptr) return -1;
    // The overlap of the destination (x, y, x + w, y + h) with the tile, in the graphic's frame.
    const int left = std::max(x, static_cast<int>(tile->TileX));
    const int top = std::max(y, static_cast<int>(tile->TileY));
    const int right = std::min(x + w, tile->TileX + tile->Width);
    const int bottom = std::min(y + h, tile->TileY + tile->Height);
    if (right <= left || bottom <= top) continue;
    const ImageRect part{srcRect->left + left - x, srcRect->top + top - y, srcRect->left + right - x,
                         srcRect->top + bottom - y};
    if (TransferImageToSurface2D(image, alpha, &part, left - tile->TileX, top - tile->TileY, graph->Tiles[i]) < 0)
      return -1;
  }
  return 0;
}

int DrawSurface2D(int x, int y, int tileHandle, int transparent) {
  if (GetDirectDrawObject() == nullptr) return -1;
  Surface2D* tile = GetSurface2D(tileHandle);
  if (tile == nullptr) return -1;
  if (SoftwareScreen()) {
    MEMIMG view{};
    const MEMIMG* src = TileMemImg(tile, &view);
    MEMIMG* dest = SoftwareDestination();
    if (src == nullptr || dest == nullptr) return -1;
    DrawMemImg(dest, src, x, y, transparent, GetBlendGraphMemImg());
    return 0;
  }
  if (DirectDrawStarted != 0) G_D3D_EndScene();
  G_D3D_FlushVertexBatch();
  RECT dest{x, y, x + tile->Width, y + tile->Height};
  ClipRect(&dest, &g_GraphDrawState.DrawArea);
  if (dest.left == dest.right || dest.top == dest.bottom) return 0;
  const RECT src{dest.left - x, dest.top - y, dest.right - x, dest.bottom - y};
  if (LockDrawScreenBuffer(tile, 1, &src, &dest, 0, nullptr, nullptr) < 0) return -1;
  if (LockWorkMemImg == nullptr || LockSourceMemImg == nullptr) {
    UnlockDrawScreenBuffer();
    return 0;
  }
  DrawMemImg(LockWorkMemImg, LockSourceMemImg, x, y, transparent, GetBlendGraphMemImg());
  UnlockDrawScreenBuffer();
  return 0;
}

int DrawGraph2D(int x, int y, const GraphData* graph, int transparent, int intFlag) {
  G_D3D_FlushVertexBatch();
  if (graph == nullptr) return -1;
  if (intFlag != 1) {
    x = static_cast<int>(std::bit_cast<float>(x));
    y = static_cast<int>(std::bit_cast<float>(y));
  }
  return DrawSurface2D(x, y, graph->Tiles[0], transparent);
}

int DrawLineSet(const LineRecord* lines, int n) {
  if (GetDirectDrawObject() == nullptr) return -1;
  if (SoftwareScreen()) {
    DrawMemImgLines(SoftwareDestination(), lines, n);
    return 0;
  }
  G_D3D_FlushVertexBatch();
  if (DirectDrawStarted != 0) G_D3D_EndScene();
  if (lines == nullptr || n <= 0) return -1;
  std::int64_t l = 1000000, t = 1000000, r = -1000000, b = -1000000;
  for (int i = 0; i < n; ++i) {
    const std::int64_t xs[2] = {lines[i].x1, lines[i].x2}, ys[2] = {lines[i].y1, lines[i].y2};
    for (int j = 0; j < 2; ++j) {
      l = xs[j] < l ? xs[j] : l;
      r = xs[j] > r ? xs[j] : r;
      t = ys[j] < t ? ys[j] : t;
      b = ys[j] > b ? ys[j] : b;
    }
  }
  auto clampInt = [](std::int64_t v) {
    return static_cast<std::int32_t>(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
  };
  const RECT rect{clampInt(l), clampInt(t), clampInt(r + 1), clampInt(b + 1)};
  if (LockDrawScreenBuffer(nullptr, 0, nullptr, &rect, 0, nullptr, nullptr) < 0) return -1;
  if (LockWorkMemImg != nullptr && ScreenNeedsConversion() == 1) {
    std::vector<LineRecord> converted(lines, lines + n);
    for (LineRecord& line : converted) line.colour = ScreenColourToDrawFormat(line.colour);
    DrawMemImgLines(LockWorkMemImg, converted.data(), n);
  } else if (LockWorkMemImg != nullptr) {
    DrawMemImgLines(LockWorkMemImg, lines, n);
  }
  UnlockDrawScreenBuffer();
  return 0;
}

int GetDrawScreenGraph2D(int x1, int y1, int x2, int y2, const GraphData* graph) {
  if (GetDirectDrawObject() == nullptr || graph == nullptr || graph->TileCount < 1) return -1;
  if (x2 <= x1 || y2 <= y1 || x2 - x1 != graph->Width || y2 - y1 != graph->Height) return -1;
  const GraphDrawState& st = g_GraphDrawState;
  if (x1 < 0 || y1 < 0 || x2 > st.DrawScreenWidth || y2 > st.DrawScreenHeight) return -1;
  const Surface2D* tile = GetSurface2D(graph->Tiles[0]);
  if (tile == nullptr) return -1;
  SurfaceData* data = GetSurfaceData(tile->SurfaceDataHandle);
  if (data == nullptr || !MemImgHasPixels(&data->Image)) return -1;
  MEMIMG* dest = &data->Image;
  const int dx = tile->SourceX, dy = tile->SourceY;
  if (SoftwareScreen() && st.DrawScreen == -4) ReloadFrontMemImg();
  int result = 0;
  if (DrawScreenMemImg != nullptr && MemImgHasPixels(DrawScreenMemImg)) {
    // The draw screen held as an image (every screen in the software model, graphic targets otherwise).
    const ImageRect src{x1, y1, x2, y2};
    result = ConvertTransferRect(dest->Image, dest->Pitch, dest->ColorInfo, DrawScreenMemImg->Image,
                                 DrawScreenMemImg->Pitch, DrawScreenMemImg->ColorInfo, nullptr, 0, nullptr, dx, dy,
                                 &src, 0, 0, 0, 0, 0, 0, 0);
  } else {
    platform::dd::Surface* surface = GetDrawTargetSurface();
    if (surface == nullptr) return -1;
    if (g_DisplayDevice.up == 1) G_D3D_EndScene();
    G_D3D_FlushVertexBatch();
    int ox = 0, oy = 0;
    if (st.DrawScreen == -4 && IsDrawingToFrontInWindow() == 1) {
      platform::Rect client{};
      GetClientRectWithToolbar(&client);
      ox = client.left;
      oy = client.top;
    }
    const platform::dd::Rect lockRect{x1 + ox, y1 + oy, x2 + ox, y2 + oy};
    std::uint8_t* pixels = nullptr;
    int pitch = 0;
    if (surface->Lock(&lockRect, platform::dd::kLockWait | platform::dd::kLockReadOnly, &pixels, &pitch) !=
        platform::dd::kOk) {
      return -1;
    }
    const ImageRect src{0, 0, x2 - x1, y2 - y1};
    result = ConvertTransferRect(dest->Image, dest->Pitch, dest->ColorInfo, pixels, pitch, GetScreenColorData(),
                                 nullptr, 0, nullptr, dx, dy, &src, 0, 0, 0, 0, 0, 0, 0);
    surface->Unlock();
  }
  if (result < 0) return -1;
  // Bits of no channel (the X byte of X8R8G8B8) are set to ones, as a display surface reads them.
  const ImageRect filled{dx, dy, dx + (x2 - x1), dy + (y2 - y1)};
  FillUnusedBitsRect(&filled, dest->Image, dest->Pitch, dest->ColorInfo, 0xFF);
  dest->PremulValid = 0;
  dest->RunsValid = 0;
  if (dest->RunTable != nullptr) BuildMemImgRunTable(dest);
  return 0;
}
