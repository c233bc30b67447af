// Starting and ending the graphics layer's device and screens, and the parts of graphics management and of the
// Direct3D layer that the device's mode changes call.
//
// Minimal paths (marked "minimal" below): the graphic, 2D-surface and font tables do not exist yet, so deleting every
// graphic or 2D surface does nothing, and graphics management keeps only its up flag, the 3D-usable flag, its log
// lines and the draw-target selection. The layer that builds those tables replaces these functions.
#pragma once

#include "platform/window.h"

// Notes the main window and starts DirectDraw. Returns 0 (a device failure is fatal).
int InitGraphics(platform::WindowHandle window);
// Ends DirectDraw. Returns 0.
int TerminateGraphics();

// Public worker of ClearCurrentDrawScreen: clears the draw screen; in the software model with the front screen as
// target also writes the whole front image to the primary. Returns 0.
int ClearCurrentDrawScreenBody();

// Minimal: no graphic table yet.
int DeleteAllGraph(int logFlag);
// Minimal: no 2D-surface table yet.
int DeleteAllSurface2D();
// Minimal graphics management: 1 between InitGraphManage and TerminateGraphManage.
extern int GraphicsUp;
// 1 when the Direct3D layer came up at the last InitGraphManage (never, here).
extern int Use3D;
int InitGraphManage();
int TerminateGraphManage();

// The Direct3D layer: its object cannot be obtained from the display device, so it stays down and every draw takes
// the 2D and software paths. -1 on every start.
int InitDirect3D();
int TerminateDirect3D();
int IsDirect3DUp();
