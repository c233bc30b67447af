// Texture tiles: a texture graphic is cut into power-of-two textures (at most 64 tiles), each tile a screen-space
// quad over a rectangle of one texture; pixels move into the tiles through the colour-converting transfer.
#include <algorithm>
#include <cstring>

#include "engine/core/log.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/surface_data.h"

namespace d3d = platform::d3d;

Surface3DTable g_Surface3DTable{};

namespace {

void BuildVertices(Surface3DData* t, int textureWidth, int textureHeight) {
  const float invW = 1.0f / static_cast<float>(textureWidth);
  const float invH = 1.0f / static_cast<float>(textureHeight);
  const float x0 = t->X, y0 = t->Y, x1 = static_cast<float>(t->X + t->Width), y1 = static_cast<float>(t->Y + t->Height);
  const float u0 = t->TextureX * invW, u1 = static_cast<float>(t->TextureX + t->Width) * invW;
  const float v0 = t->TextureY * invH, v1 = static_cast<float>(t->TextureY + t->Height) * invH;
  t->Vertices[0] = D3DVertex{x0, y0, 0.0f, 1.0f, 0xFFFFFFFF, u0, v0};
  t->Vertices[1] = D3DVertex{x1, y0, 0.0f, 1.0f, 0xFFFFFFFF, u1, v0};
  t->Vertices[2] = D3DVertex{x0, y1, 0.0f, 1.0f, 0xFFFFFFFF, u0, v1};
  t->Vertices[3] = D3DVertex{x1, y1, 0.0f, 1.0f, 0xFFFFFFFF, u1, v1};
}

// 1 for a vertex on or above the diagonal from the graphic's bottom-left to its top-right.
void SetCornerFlags(Surface3DData* t, int w, int h) {
  for (int i = 0; i < 4; ++i) {
    const double vx = t->Vertices[i].x, vy = t->Vertices[i].y;
    const double W = w, H = h;
    t->CornerFlags[i] = (H - vx * (H / W) >= vy) ? 1 : 0;
  }
}

bool Ready() { return g_D3D.initialised != 0 && g_D3D.object != nullptr; }

}  // namespace

Surface3DData* GetSurface3DData(int handle) { return g_Surface3DTable.Get(handle); }

void ResetSurface3DTableForTests() { g_Surface3DTable.Clear(); }

int AddSurface3DData(int textureWidth, int textureHeight, int x, int y, int width, int height, int sourceX,
                     int sourceY, int owner, const Surface3DData* parent, int textureX, int textureY,
                     const GraphFlagBytes* flags) {
  if (!Ready()) return WriteLog("３Ｄグラフィックエンジンが初期化されていません\n");
  if (g_Surface3DTable.Full()) return WriteLog("３Ｄグラフィックの数が許容量を越えました。\n");
  Surface3DData* t = nullptr;
  const int handle = g_Surface3DTable.Add(&t);
  if (handle < 0) return WriteLog("メモリの確保に失敗しました in AddSurface3DData \n");
  if (parent != nullptr) {
    IncSurfaceDataUse(parent->Texture);
    t->Texture = parent->Texture;
  } else {
    t->Texture = AddSurfaceData(1, textureWidth, textureHeight, g_GraphDrawState.TransparentColor, flags);
    if (t->Texture < 0) {
      g_Surface3DTable.Release(handle & kHandleSlotMask);
      return -1;
    }
  }
  t->X = static_cast<std::uint16_t>(x);
  t->Y = static_cast<std::uint16_t>(y);
  t->Width = static_cast<std::uint16_t>(width);
  t->Height = static_cast<std::uint16_t>(height);
  t->SourceX = static_cast<std::uint16_t>(sourceX);
  t->SourceY = static_cast<std::uint16_t>(sourceY);
  t->TextureX = static_cast<std::uint16_t>(textureX);
  t->TextureY = static_cast<std::uint16_t>(textureY);
  t->Owner = owner;
  if (parent != nullptr) {
    t->TextureX = static_cast<std::uint16_t>(t->TextureX + parent->TextureX);
    t->TextureY = static_cast<std::uint16_t>(t->TextureY + parent->TextureY);
    t->SourceX = static_cast<std::uint16_t>(t->SourceX + parent->SourceX);
    t->SourceY = static_cast<std::uint16_t>(t->SourceY + parent->SourceY);
  }
  const SurfaceData* s = GetSurfaceData(t->Texture);
  BuildVertices(t, s != nullptr ? s->Width : textureWidth, s != nullptr ? s->Height : textureHeight);
  return handle;
}

int DeleteSurface3DData(int handle) {
  Surface3DData* t = GetSurface3DData(handle);
  if (t == nullptr) return -1;
  if (DecSurfaceDataUse(t->Texture) == 0) DeleteSurfaceData(t->Texture);
  g_Surface3DTable.Release(handle & kHandleSlotMask);
  return 0;
}

int UnlockSurface3DDataTexture(int handle, const RECT* rect) {
  const Surface3DData* t = GetSurface3DData(handle);
  if (t == nullptr) return -1;
  return UnlockSurfaceData(t->Texture, rect);
}

int RestoreGraphTextures(const GraphData* graph) {
  if (!Ready()) return -1;
  int result = 0;
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
    if (t == nullptr) return -1;
    result |= RestoreSurfaceData(t->Texture);
  }
  return result;
}

int RestoreAllSurface3DData() {
  if (!Ready()) return -1;
  for (int i = 0; i < g_Surface3DTable.highMark; ++i) {
    if (g_Surface3DTable.slots[i] != nullptr) RestoreSurfaceData(g_Surface3DTable.slots[i]->Texture);
  }
  return 0;
}

int DivideTextureLength(int length, int* lengths, int flag) {
  const int minLength = g_D3D.minTextureLength > 0 ? g_D3D.minTextureLength : 32;
  const int maxLength = g_D3D.maxTextureLength > 0 ? g_D3D.maxTextureLength : 256;
  int screenWidth = 640;
  QueryScreenSizeBody(&screenWidth, nullptr);
  const int m = minLength > 32 ? minLength : 32;
  if (length <= m) {
    int c = m;
    while (c > minLength && c / 2 >= length) c /= 2;
    lengths[0] = c;
    return 1;
  }
  // The largest texture: the device's maximum for draw-valid graphics, else the screen width rounded up to a
  // power of two; a screen wider than the device can hold takes the device's maximum.
  int largest = maxLength;
  if (flag != 1 && screenWidth <= maxLength) {
    largest = 8;
    while (largest < screenWidth) largest *= 2;
  }
  int c = largest;
  while (c > m && c > length) c /= 2;
  if ((flag == 1 || length < screenWidth) && 2 * c <= largest) {
    if (c < length) c *= 2;
    lengths[0] = c;
    return 1;
  }
  int n = 0;
  int rest = length;
  for (;;) {
    lengths[n] = c;
    rest -= c;
    if (rest <= 0) break;
    if (rest > (3 * c) / 4 && c < largest) {
      lengths[n] = 2 * c;
      break;
    }
    while (rest < c && c > m) c /= 2;
    ++n;
    if (n >= kMaxGraphTiles) break;
  }
  if (n > 0 && lengths[n - 1] == lengths[n] && 2 * lengths[n - 1] <= largest) {
    --n;
    lengths[n] *= 2;
  }
  return n + 1;
}

int CreateGraphTextures(GraphData* graph) {
  if (!Ready()) return -1;
  const int flag = (graph->Flags.DrawValid != 0 || graph->CreateOption != 0) ? 1 : 0;
  int widths[kMaxGraphTiles + 1], heights[kMaxGraphTiles + 1];
  const int columns = DivideTextureLength(graph->Width, widths, flag);
  const int rows = DivideTextureLength(graph->Height, heights, flag);
  if (columns * rows > kMaxGraphTiles) return LogPrintf("エラー：画像の分割数が最大数の %d を超えました", kMaxGraphTiles);
  struct Piece {
    int x, y, w, h;
  };
  Piece pieces[kMaxGraphTiles];
  int count = 0;
  for (int r = 0, y = 0; r < rows; y += heights[r], ++r) {
    for (int c = 0, x = 0; c < columns; x += widths[c], ++c) pieces[count++] = Piece{x, y, widths[c], heights[r]};
  }
  // A device that takes square textures only: non-square tiles become squares of their shorter side (never more
  // tiles than a graphic can list).
  if ((g_D3D.deviceDesc.textureCaps & d3d::kTextureCapsSquareOnly) != 0) {
    const int original = count;
    for (int i = 0; i < original; ++i) {
      Piece& p = pieces[i];
      if (p.w == p.h) continue;
      const int side = std::min(p.w, p.h);
      const int extra = std::max(p.w, p.h) / side - 1;
      for (int k = 1; k <= extra; ++k) {
        if (count >= kMaxGraphTiles)
          return LogPrintf("エラー：画像の分割数が最大数の %d を超えました", kMaxGraphTiles);
        pieces[count++] = p.w < p.h ? Piece{p.x, p.y + k * side, side, side} : Piece{p.x + k * side, p.y, side, side};
      }
      p.w = p.h = side;
    }
  }
  for (int i = 0; i < count; ++i) {
    const Piece& p = pieces[i];
    const int drawnW = std::min(graph->Width - p.x, p.w);
    const int drawnH = std::min(graph->Height - p.y, p.h);
    const int tile = AddSurface3DData(p.w, p.h, p.x, p.y, std::max(drawnW, 0), std::max(drawnH, 0), p.x, p.y,
                                      graph->Handle, nullptr, 0, 0, &graph->Flags);
    graph->Tiles[i] = tile;
    if (tile < 0) {
      // The tiles made so far go again, so the graphic holds no half-built list.
      for (int k = 0; k < i; ++k) DeleteSurface3DData(graph->Tiles[k]);
      return -1;
    }
    SetCornerFlags(GetSurface3DData(tile), graph->Width, graph->Height);
  }
  graph->TileCount = count;
  return 0;
}

int DeriveGraphTextures(GraphData* graph, int x, int y, int width, int height, const GraphData* parent) {
  graph->TileCount = 0;
  if (parent->TileCount == 1) {
    const Surface3DData* t = GetSurface3DData(parent->Tiles[0]);
    if (t == nullptr) return -1;
    const int tile = AddSurface3DData(0, 0, 0, 0, width, height, x, y, graph->Handle, t, x, y, &graph->Flags);
    if (tile < 0) return -1;
    graph->Tiles[0] = tile;
    graph->TileCount = 1;
    SetCornerFlags(GetSurface3DData(tile), graph->Width, graph->Height);
    return 0;
  }
  for (int i = 0; i < parent->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(parent->Tiles[i]);
    int tile = -1;
    if (t != nullptr) {
      // Horizontal and vertical part of the tile inside the rectangle.
      auto part = [](int tilePos, int tileLen, int start, int len, int* pos, int* offset, int* source, int* size) {
        if (tilePos >= start) {
          if (tilePos >= start + len) return false;
          *pos = tilePos - start;
          *offset = 0;
          *source = tilePos;
          *size = std::min(tilePos + tileLen, start + len) - tilePos;
        } else {
          if (tilePos + tileLen <= start) return false;
          *pos = 0;
          *offset = start - tilePos;
          *source = start;
          *size = std::min(tilePos + tileLen, start + len) - start;
        }
        return *size > 0;
      };
      int px = 0, ox = 0, sx = 0, w = 0, py = 0, oy = 0, sy = 0, h = 0;
      if (!part(t->X, t->Width, x, width, &px, &ox, &sx, &w) || !part(t->Y, t->Height, y, height, &py, &oy, &sy, &h))
        continue;
      // Source arguments are relative to the parent tile's own source position, which AddSurface3DData adds.
      tile = AddSurface3DData(0, 0, px, py, w, h, sx - t->X, sy - t->Y, graph->Handle, t, ox, oy, &graph->Flags);
    }
    if (tile < 0) {
      for (int k = 0; k < graph->TileCount; ++k) DeleteSurface3DData(graph->Tiles[k]);
      graph->TileCount = 0;
      return -1;
    }
    graph->Tiles[graph->TileCount++] = tile;
    SetCornerFlags(GetSurface3DData(tile), graph->Width, graph->Height);
  }
  return 0;
}

int DeleteGraphTextures(GraphData* graph) {
  if (!Ready()) return -1;
  for (int i = 0; i < graph->TileCount; ++i) DeleteSurface3DData(graph->Tiles[i]);
  graph->TileCount = 0;
  return 0;
}

int FillGraphTextures(const GraphData* graph, int r, int g, int b, int a) {
  if (!Ready()) return -1;
  if (g_D3D.suppressed == 1) return 0;
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
    if (t == nullptr) return -1;
    FillSurfaceDataColor(t->Texture, r, g, b, a);
  }
  return 0;
}

int TransferImageToTexture(const ImageRect* rect, int destX, int destY, int tileHandle, const GraphImage* image,
                           const GraphImage* alpha, int option) {
  if (!Ready()) return -1;
  G_D3D_FlushDeviceBatch(g_D3D.currentDevice);
  const Surface3DData* t = GetSurface3DData(tileHandle);
  if (t == nullptr) return -1;
  SurfaceData* s = GetSurfaceData(t->Texture);
  if (s == nullptr) return -1;
  const ColorData* dest = GetTextureFormatColorData(static_cast<int>(s->FormatIndex));
  const RECT lockRect{destX, destY, destX + (rect->right - rect->left), destY + (rect->bottom - rect->top)};
  int pitch = 0;
  std::uint8_t* pixels = nullptr;
  // A lost texture cannot take pixels; the restore fills it again later.
  if (LockSurfaceData(t->Texture, &pitch, &pixels, 1, nullptr, nullptr) == -1) return -1;
  const int keyToAlpha = (dest->widthA != 0 && image->colorData.widthA == 0 && alpha == nullptr) ? 1 : 0;
  ConvertTransferRect(pixels, pitch, dest, image->pixels, image->pitch, &image->colorData,
                      alpha != nullptr ? alpha->pixels : nullptr, alpha != nullptr ? alpha->pitch : 0,
                      alpha != nullptr ? &alpha->colorData : nullptr, destX, destY, rect, 0, keyToAlpha,
                      s->TransparentColor, GetTransferOptionWord(), 0, option, 0);
  UnlockSurface3DDataTexture(tileHandle, &lockRect);
  SetSurfaceDataColorKey(t->Texture);
  return 0;
}

int TransferImageToGraphTextures(int sourceX, int sourceY, const GraphData* graph, const GraphImage* image,
                                 const GraphImage* alpha) {
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
    if (t == nullptr) return -1;
    const ImageRect rect{t->X + sourceX, t->Y + sourceY, t->X + sourceX + t->Width, t->Y + sourceY + t->Height};
    if (rect.right <= rect.left || rect.bottom <= rect.top) continue;
    if (TransferImageToTexture(&rect, t->TextureX, t->TextureY, graph->Tiles[i], image, alpha,
                               static_cast<int>(graph->CreateOption)) < 0)
      return -1;
  }
  return 0;
}

int TransferRectToGraphTextures(const ImageRect* rect, int x, int y, const GraphData* graph,
                                const GraphImage* image, const GraphImage* alpha) {
  const int w = rect->right - rect->left, h = rect->bottom - rect->top;
  for (int i = 0; i < graph->TileCount; ++i) {
    const Surface3DData* t = GetSurface3DData(graph->Tiles[i]);
    if (t == nullptr) return -1;
    const int left = std::max(x, static_cast<int>(t->X)), top = std::max(y, static_cast<int>(t->Y));
    const int right = std::min(x + w, t->X + t->Width), bottom = std::min(y + h, t->Y + t->Height);
    if (right <= left || bottom <= top) continue;
    const ImageRect part{rect->left + (left - x), rect->top + (top - y), rect->left + (right - x),
                         rect->top + (bottom - y)};
    if (TransferImageToTexture(&part, left - t->X, top - t->Y, graph->Tiles[i], image, alpha, 0) < 0) return -1;
  }
  return 0;
}
