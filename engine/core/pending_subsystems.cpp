#include "engine/core/pending_subsystems.h"

#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"

PendingSubsystemCalls g_PendingCalls{};

// ---- Graphics --------------------------------------------------------------------------------------------------
int RestoreGraphDevice() {
  ++g_PendingCalls.restoreGraphDevice;
  ReleaseAllSurface2DStorage();
  RecreateAllSurface2DStorage();
  RefreshGraphDrawSurface();
  RestoreGraphHook();
  return 0;
}
int RestoreAllSurface2D() { return 0; }
int RestoreAllSurface3DData() { return 0; }
int SetFrontScreenDrawArea(const platform::Rect&) { return 0; }
int GetDrawFilterMode() { return 0; }
int SetDrawFilterMode(int) { return 0; }
int ReleaseKeptScreenImage() { return 0; }

// ---- Movies ----------------------------------------------------------------------------------------------------
int PlayAllMovieGraph() { return 0; }
int PauseAllMovieGraph() { return 0; }
int ReleaseAllMovieStream() { return 0; }

