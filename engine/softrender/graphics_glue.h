// What the software renderer's selectors need of the display layer that does not exist yet: the screen-model flags,
// the draw screen image, the blend graphic's image, the Direct3D batch hooks and the screen lock.
//
// These are minimal stand-ins with the final names: a "DirectDraw object" that is present once
// SetGlueDirectDrawReady(1) is called, and a screen lock that clips the destination rectangle by the draw area and
// hands out the draw screen's own image. The graphic, tile and surface-data records come from the graphics layer.
#pragma once

#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/mask.h"
#include "engine/graphics/memimg.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"

extern std::int32_t SoftwareRenderFlag;
extern std::int32_t ScreenColorBits;
extern std::int32_t DirectDrawStarted;
extern MEMIMG* DrawScreenMemImg;
extern MEMIMG* LockWorkMemImg;
extern MEMIMG* LockSourceMemImg;

// Non-null once the (stand-in) DirectDraw object exists.
void* GetDirectDrawObject();
// The blend graphic's image, or null when none is selected.
MEMIMG* GetBlendGraphMemImg();

void G_D3D_FlushVertexBatch();
void G_D3D_EndScene();
// -1 when the destination rectangle clipped by the draw area is empty; else 0 with LockWorkMemImg (the draw screen)
// and LockSourceMemImg (the tile's pixels, or null without a tile) set.
int LockDrawScreenBuffer(Surface2D* surface, int blit, const RECT* srcRect, const RECT* destRect, int overwrite,
                         std::uint32_t* colour1, std::uint32_t* colour2);
int UnlockDrawScreenBuffer();

// Stand-in controls (tests and the start-up code until the display layer takes over).
void SetGlueDirectDrawReady(int ready);
void SetGlueBlendGraphMemImg(MEMIMG* graph);
void ResetGlue();
