#include "engine/core/pending_subsystems.h"

#include "engine/graphics/d3d_state.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"

PendingSubsystemCalls g_PendingCalls{};

// ---- Graphics --------------------------------------------------------------------------------------------------
int RestoreGraphDevice() {
  ++g_PendingCalls.restoreGraphDevice;
  // The Direct3D device and its textures go first and come back once the surfaces are back; every texture is
  // then filled again by the restore hook.
  ReleaseDirect3DForRestore();
  ReleaseAllSurface2DStorage();
  RecreateAllSurface2DStorage();
  RefreshGraphDrawSurface();
  ReacquireDirect3D();
  RestoreGraphHook();
  return 0;
}
int RestoreAllSurface2D() { return 0; }
int SetFrontScreenDrawArea(const platform::Rect&) { return 0; }
int GetDrawFilterMode() { return 0; }
int SetDrawFilterMode(int) { return 0; }
int CopyBackScreenToNewGraph() { return -1; }
int ReleaseKeptScreenImage() { return 0; }

// ---- Movies ----------------------------------------------------------------------------------------------------
int PlayAllMovieGraph() { return 0; }
int PauseAllMovieGraph() { return 0; }
int ReleaseAllMovieStream() { return 0; }

