// Starting and ending the graphics layer's device and screens, and the parts of graphics management and of the
// Direct3D layer that the device's mode changes call.
//
// Minimal paths (marked "minimal" below): the graphic, 2D-surface and font tables do not exist yet, so deleting every
// graphic or 2D surface does nothing, and graphics management keeps only its up flag, the 3D-usable flag, its log
// lines and the draw-target selection. The layer that builds those tables replaces these functions.
#pragma once

#include "platform/window/window.h"

// Notes the main window and starts DirectDraw. Returns 0 (a device failure is fatal).
int InitGraphics(platform::WindowHandle window);
// Ends DirectDraw. Returns 0.
int TerminateGraphics();

// Public worker of ClearCurrentDrawScreen: clears the draw screen; in the software model with the front screen as
// target also writes the whole front image to the primary. Returns 0.
int ClearCurrentDrawScreenBody();

// Graphics management (InitGraphManage, TerminateGraphManage, DeleteAllGraph, DeleteAllSurface2D, Use3D) is in
// draw_state.h, graph_handle.h and surface2d.h.
#include "engine/graphics/draw_state.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/surface2d.h"

// The Direct3D layer (InitDirect3D, TerminateDirect3D, IsDirect3DUp) is in d3d_state.h.
#include "engine/graphics/d3d_state.h"
