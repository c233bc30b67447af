// What the software renderer's selectors need of the graphics layer: the draw screen and mask images, the graphic,
// tile and surface records, the blend graphic, the screen lock and the line-set draw.
//
// The display device, the draw-screen images and the screen lock are the graphics layer's (ddraw_device.h,
// screen_buffer.h, included here). Until the graphics layer provides the rest, this file holds minimal stand-ins with
// the same names: records and lookups over a small table, and SetGlueDirectDrawReady(1), which makes the DirectDraw
// object check pass without a device. The graphics layer replaces this file; the selectors use nothing else of it.
#pragma once

#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/memimg.h"
#include "engine/graphics/screen_buffer.h"

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

MEMIMG* GetMaskMemImg();
// The blend graphic's image, or null when none is selected.
MEMIMG* GetBlendGraphMemImg();
Surface2D* GetSurface2D(int handle);
SurfaceData* GetSurfaceData(int handle);

void G_D3D_FlushVertexBatch();
void G_D3D_EndScene();
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
