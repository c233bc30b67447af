#include "engine/core/pending_subsystems.h"

#include "engine/graphics/d3d_state.h"
#include "engine/graphics/mask.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/screen_palette.h"
#include "engine/graphics/surface2d.h"

PendingSubsystemCalls g_PendingCalls{};

// ---- Graphics --------------------------------------------------------------------------------------------------
int RestoreGraphDevice() {
  ++g_PendingCalls.restoreGraphDevice;
  // Everything that lives on the device goes first, in this order, the Direct3D device and its textures leading.
  // Direct3D comes back once the screen surfaces and their palette are back; every texture is then filled again by
  // the restore hook.
  const int useMask = g_GraphDrawState.UseMaskScreen;
  const int maskExisted = g_MaskScreen.exists;
  ReleaseDirect3DForRestore();
  ReleaseMaskScratch();
  ReleaseMainSurfaces();
  ReleaseAllSurface2DStorage();
  ReleaseClipper();
  if (GetGDIVisibleMode() != 1) {
    ReleaseDirectDraw();
    RecreateDirectDraw();  // also sets the display mode and re-creates the tiles' storage and the clipper
  } else {
    ReapplyDisplayMode();
    RecreateAllSurface2DStorage();
    RecreateClipper();
  }
  CreateScreenSurfaces();
  RefreshScreenPalette();
  ReacquireDirect3D();
  if (SetDrawScreenSurface(g_GraphDrawState.DrawScreen) < 0) ForgetDrawTargetGraph(g_GraphDrawState.DrawScreen);
  ClearDrawScreenSurface();
  CopyBackScreenToFront();
  RestoreGraphHook();
  ReopenAllMovieStream();
  if (maskExisted != 0) {
    CreateMaskScreenParts(1, 1);
    g_MaskScreen.exists = 1;
    if (useMask != 0) SetMaskScreenActive(1);
  }
  return 0;
}
int RestoreAllSurface2D() { return 0; }


