// What the software renderer's selectors need that still has no owner: the blend graphic's image and the Direct3D
// batch hooks. The display device, the draw-screen images and the screen lock are in ddraw_device.h and
// screen_buffer.h; the graphic, tile and surface-data records in graph_handle.h, surface2d.h and surface_data.h; the
// mask image in mask.h. All are included here for the selectors.
#pragma once

#include <cstdint>

#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/mask.h"
#include "engine/graphics/memimg.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"

// The blend graphic's image, or null when none is selected.
MEMIMG* GetBlendGraphMemImg();

void G_D3D_FlushVertexBatch();
void G_D3D_EndScene();

// Stand-in controls for drawing tests without a device: SetGlueDirectDrawReady(1) makes the DirectDraw object check
// pass.
void SetGlueDirectDrawReady(int ready);
void SetGlueBlendGraphMemImg(MEMIMG* graph);
void ResetGlue();
