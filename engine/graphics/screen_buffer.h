// The screens the program draws into and shows: primary (front), back, Z and the two work surfaces in one of three
// models, rebuilt at every mode change (ddraw_device.h); the draw screen's surface side; clearing; and the lock
// protocol through which a 2D draw reaches a surface or a MEMIMG.
//
// Screen models (CreateScreenSurfaces):
//  - software (software rendering on, screen bits other than 8): system-memory primary and back surface, a front
//    MEMIMG, a back MEMIMG that maps the permanently locked back surface when the formats match, a Z MEMIMG;
//  - hardware window: primary plus an off-screen back surface; requested bits = screen bits;
//  - hardware full screen: a flip chain with 1 or 2 back buffers.
//  Both hardware models add two system-memory work surfaces (colour key 0) and a 16-bit Z surface on the back.
//
// The lock protocol, for every draw that does not go straight to a MEMIMG:
//   LockDrawScreenBuffer(tile or null, ...) -> draw on LockWorkMemImg (and read LockSourceMemImg) ->
//   UnlockDrawScreenBuffer(). One draw at a time (single global lock state).
#pragma once

#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"
#include "platform/display/ddraw.h"

struct Surface2D;

struct ScreenBuffers {
  platform::dd::Surface* primary;
  platform::dd::Surface* back;
  platform::dd::Surface* zSurface;
  platform::dd::Surface* work;
  platform::dd::Surface* work2;
  MEMIMG frontImage;
  MEMIMG backImage;
  MEMIMG zImage;
  int mainImagesInUse;  // 1 in the software model
  int backMapped;       // software model: the back image maps the locked back surface
  int frontStale;       // software model: the primary changed since the front image was read
  int backBufferCount;  // full-screen flip chain
  std::uint64_t presentCount;
};
extern ScreenBuffers g_Screens;

// Draw-screen surface state (SetDrawScreenSurface).
struct DrawScreenSurfaceState {
  int screen;                      // -4, -2 or a graphic handle
  platform::dd::Surface* target;   // or null
  int offsetX, offsetY;            // the target's position inside a shared surface
  MEMIMG* zImage;
  int width, height;               // size of the draw target
  int targetInVideoMemory;
};
extern DrawScreenSurfaceState g_DrawScreenSurface;

// The draw image (a MEMIMG the draws write directly, or null) and the images a successful lock hands out.
extern MEMIMG* DrawScreenMemImg;
extern MEMIMG* LockWorkMemImg;
extern MEMIMG* LockSourceMemImg;

int IsSoftwareScreenModel();  // software rendering on and screen bits other than 8

// -1 without DirectDraw or when a primary exists; fatal on a creation failure; else 0.
int CreateScreenSurfaces();
int ReleaseMainSurfaces();
int RestoreMainSurfaces();

// -4 front, -2 back, or a graphic handle: the graphic's tile image becomes the draw image. -1 for a graphic or
// tile that does not exist (the previous selection stays).
int SetDrawScreenSurface(int screen);
// A graphic being deleted while it is the draw target: the draw image no longer points into its storage.
void ForgetDrawTargetGraph(int handle);
// After the graphics' storage was made again: a graphic draw target points at its new pixels (-1 when it is gone).
int RefreshGraphDrawSurface();
// Clears the current draw screen (colour 0, depth 65535); -1 without DirectDraw.
int ClearDrawScreenSurface();

// destRect in the draw target's frame. 0 (also when a lock fails, leaving nothing locked: LockWorkMemImg is then
// null), -1 when the rectangle clipped by the draw area is empty. Software model: 0 at once.
int LockDrawScreenBuffer(Surface2D* tile, int bltAllowed, const RECT* srcRect, const RECT* destRect, int directWrite,
                         std::uint32_t* colour1, std::uint32_t* colour2);
int UnlockDrawScreenBuffer();
// Hardware screens whose pixels are not a standard layout (8-bit palette indices, X1R5G5B5 and others): a lock hands
// out an image in the standard format of the screen's depth, and colour values of the screen's format must be
// converted for it (the lock converts the two it is given).
int ScreenNeedsConversion();
std::uint32_t ScreenColourToDrawFormat(std::uint32_t value);

// The software front screen (draws aimed at the front screen in the software model).
int ReloadFrontMemImg();
int WriteFrontRect(const RECT* rect);

platform::dd::Surface* GetPrimarySurface();
platform::dd::Surface* GetBackSurface();
platform::dd::Surface* GetWorkSurface();
platform::dd::Surface* GetDrawTargetSurface();
int IsDrawingToFrontInWindow();
