// What the software renderer's selectors need of the graphics layer: the draw screen and mask images, the graphic,
// tile and surface records, the blend graphic, the screen lock and the line-set draw.
//
// Until the graphics layer provides them, this file holds minimal stand-ins with the same names: records and lookups
// over a small table, a "DirectDraw object" that is present once SetGlueDirectDrawReady(1) is called, and a screen
// lock that clips the destination rectangle by the draw area and hands out the draw screen's own image. The graphics
// layer replaces this file; the selectors use nothing else of it.
#pragma once

#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"

struct LineRecord;

// A graphic: its size and the handle of its first 2D tile.
struct GraphData {
  std::int32_t Width;
  std::int32_t Height;
  std::int32_t FirstTile;  // Surface2D handle
};

// A 2D tile: its rectangle inside its surface data.
struct Surface2D {
  std::uint16_t X, Y, Width, Height;
  std::int32_t SurfaceDataHandle;
};

// A surface held in system memory.
struct SurfaceData {
  MEMIMG Image;
  std::uint16_t Width, Height;
};

extern std::int32_t SoftwareRenderFlag;
extern std::int32_t ScreenColorBits;
extern std::int32_t DirectDrawStarted;
extern MEMIMG* DrawScreenMemImg;
extern MEMIMG* LockWorkMemImg;
extern MEMIMG* LockSourceMemImg;

// Non-null once the (stand-in) DirectDraw object exists.
void* GetDirectDrawObject();
MEMIMG* GetMaskMemImg();
// The blend graphic's image, or null when none is selected.
MEMIMG* GetBlendGraphMemImg();
Surface2D* GetSurface2D(int handle);
SurfaceData* GetSurfaceData(int handle);

void G_D3D_FlushVertexBatch();
void G_D3D_EndScene();
// -1 when the destination rectangle clipped by the draw area is empty; else 0 with LockWorkMemImg (the draw screen)
// and LockSourceMemImg (the tile's pixels, or null without a tile) set.
int LockDrawScreenBuffer(Surface2D* surface, int blit, const RECT* srcRect, const RECT* destRect, int overwrite,
                         std::uint32_t* colour1, std::uint32_t* colour2);
int UnlockDrawScreenBuffer();
// Draws the graphic's first tile unscaled at (x, y) (coordinates are ints when intFlag is 1, else floats' bits).
int DrawGraph2D(int x, int y, const GraphData* graph, int transparent, int intFlag);
// Draws n line records: -1 without a DirectDraw object or when the lock finds nothing to draw.
int DrawLineSet(const LineRecord* lines, int n);

// The source image of a tile: the surface's own image when the tile covers it, else `view` made over the tile.
// Null when the surface has no pixels.
const MEMIMG* GlueTileImage(const Surface2D* tile, MEMIMG* view);

// Stand-in controls (tests and the start-up code until the graphics layer takes over).
void SetGlueDirectDrawReady(int ready);
void SetGlueMaskMemImg(MEMIMG* mask);
void SetGlueBlendGraphMemImg(MEMIMG* graph);
// Registers a tile over a surface image; returns the tile handle (-1 when the table is full). The surface record
// keeps a view of `image` (not owned).
int RegisterGlueTile(MEMIMG* image, int x, int y, int width, int height);
void ResetGlue();
