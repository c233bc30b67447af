// 2D tiles: a graphic that is not drawn through textures is made of tiles, each a rectangle of a surface-data record.
// This file holds the tile table, the tiles of a graphic, the transfer of decoded images into tiles and the 2D draw
// of a tile, a graphic and a line list.
#pragma once

#include <cstdint>

#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/memimg.h"

struct LineRecord;

inline constexpr std::int32_t kSurface2DHandleType = 0x28000000;
inline constexpr int kMaxSurface2D = 32768;

struct Surface2D {
  std::uint32_t Id;
  std::int32_t* LostFlag;
  std::uint16_t TileX, TileY;      // position of the tile inside its graphic
  std::uint16_t SourceX, SourceY;  // position of the tile's pixels inside its surface data
  std::uint16_t Width, Height;
  std::int32_t Owner;              // graphic handle
  std::int32_t SurfaceDataHandle;  // one use counted per tile
};

using Surface2DTable = HandleTable<Surface2D, kMaxSurface2D, kSurface2DHandleType>;
extern Surface2DTable g_Surface2DTable;

int AddSurface2D(int width, int height, int tileX, int tileY, int owner, const Surface2D* shared, int sourceX,
                 int sourceY, const GraphFlagBytes* flags);
Surface2D* GetSurface2D(int handle);
int SetSurface2DLostFlag(int handle, std::int32_t* flag);
int DeleteSurface2D(int handle);
int DeleteAllSurface2D();
// Graphics management's end of the tiles: every tile deleted (-1 without the display device).
int TerminateSurface2D();
// On activation: the main surfaces, then every tile's storage restored when lost; the surface-data results ORed
// (-1 when one was lost). -1 without the display device.
int RestoreAllSurface2D();
int CreateGraphSurface2D(GraphData* graph);
int DeriveGraphSurface2D(GraphData* graph, int x, int y, int width, int height, const GraphData* parent);
int DeleteGraphSurface2D(GraphData* graph);
int RestoreGraphSurface2D(const GraphData* graph);
int FillGraphSurface2D(const GraphData* graph, int r, int g, int b, int a);
// Around a device rebuild: every tile's storage released, then made again (the pixels come back through the
// restore step).
int ReleaseAllSurface2DStorage();
int RecreateAllSurface2DStorage();
// Writes the source rectangle of the image (and alpha image) into the tile at (x, y) of the tile, cut to what lies
// inside both. -1 without the display device, for an invalid tile or when nothing of the rectangle is left.
int TransferImageToSurface2D(const GraphImage* image, const GraphImage* alpha, const ImageRect* srcRect, int x, int y,
                             int tile);
// The rectangle (x, y, x + tile width, y + tile height) of the image into the whole tile.
int TransferImageToTile(const GraphImage* image, const GraphImage* alpha, int x, int y, int tile);
// Writes the rectangle (x, y, x + tile width, y + tile height) of the image (and alpha image) into every tile,
// each tile at its own position (tile x + x, tile y + y). -1 at the first failure.
int TransferImageToAllTiles(const GraphImage* image, const GraphImage* alpha, int x, int y, const GraphData* graph);
// The source rectangle placed at (x, y) of the graphic: each tile it overlaps receives its part. -1 at the first
// failure or invalid tile.
int TransferImageToGraphTiles(const GraphImage* image, const GraphImage* alpha, const ImageRect* srcRect, int x, int y,
                              const GraphData* graph);
// The pixels of a tile as an image: the surface data's own image when the tile covers it, else `view` made over the
// tile's rectangle. Null when the storage is not a memory image.
const MEMIMG* TileMemImg(const Surface2D* tile, MEMIMG* view);

// Copies the rectangle of the draw screen into the graphic's first tile. -1 without the display device, for an
// empty rectangle, one whose size differs from the graphic's or that lies outside the draw target, or an invalid tile.
int GetDrawScreenGraph2D(int x1, int y1, int x2, int y2, const GraphData* graph);
int DrawSurface2D(int x, int y, int tile, int transparent);
// Draws the graphic's first tile at (x, y); with intFlag other than 1, x and y carry float bits.
int DrawGraph2D(int x, int y, const GraphData* graph, int transparent, int intFlag);
// Lines of (x1, y1, x2, y2, colour, parameter). -1 without the display device or when the lock fails.
int DrawLineSet(const LineRecord* lines, int n);
void ClearSurface2DTable();
