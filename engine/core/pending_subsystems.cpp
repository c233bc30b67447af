#include "engine/core/pending_subsystems.h"

#include "engine/graphics/draw_state.h"
#include "engine/graphics/screen_buffer.h"

PendingSubsystemCalls g_PendingCalls{};

// ---- Graphics --------------------------------------------------------------------------------------------------
int SetGraphRestoreHandler(void (*)()) { return 0; }
int HasGraphRestoreHandler() { return 1; }
int SetupScreenLog() { return 0; }
int DeleteFontToHandle(int) { return 0; }
int SelectDrawTargetBody(int target) {
  g_PendingCalls.drawTarget = target;
  // The surface side of the screens is real: the draw screen follows, with the whole screen as draw area.
  if (GetDirectDrawObject() != nullptr && (target == -2 || target == -4) && SetDrawScreenSurface(target) == 0) {
    int width = 0, height = 0;
    QueryScreenSizeBody(&width, &height);
    g_GraphDrawState.DrawArea = RECT{0, 0, width, height};
  }
  return 0;
}
int GetDrawTarget() { return g_PendingCalls.drawTarget; }
int SetDrawValidGraphCreateFlag(int) { return 0; }
int CreateEmptyGraph(int, int) { return 0x08000000; }
int DeleteGraphicBody(int, int) { return 0; }
int RestoreGraphDevice() {
  ++g_PendingCalls.restoreGraphDevice;
  return 0;
}
int RestoreAllSurface2D() { return 0; }
int RestoreAllSurface3DData() { return 0; }
int RestoreAllGraphSurface() { return 0; }
int SetFrontScreenDrawArea(const platform::Rect&) { return 0; }
int ReapplyDrawClipArea() { return 0; }
int GetDrawFilterMode() { return 0; }
int SetDrawFilterMode(int) { return 0; }
int CopyBackScreenToNewGraph() { return -1; }
int GetGraphicSize(int, int* width, int* height) {
  if (width != nullptr) *width = 0;
  if (height != nullptr) *height = 0;
  return -1;
}
int DrawGraphAtBody(int, int, int, int) { return -1; }
int DrawGraphStretchedBody(int, int, int, int, int, int) { return -1; }
int ReleaseKeptScreenImage() { return 0; }

// ---- Movies ----------------------------------------------------------------------------------------------------
int PlayAllMovieGraph() { return 0; }
int PauseAllMovieGraph() { return 0; }
int ReleaseAllMovieStream() { return 0; }

// ---- Sound and music -------------------------------------------------------------------------------------------
int InitializeSound() {
  g_PendingCalls.soundInitialised = 1;
  return 0;
}
int TerminateSound() {
  g_PendingCalls.soundInitialised = 0;
  return 0;
}
int StopMusicFileBody() { return 0; }
int UpdateStreamSounds() {
  ++g_PendingCalls.updateStreamSounds;
  return 0;
}
int UpdateMusicPlayState() { return 0; }
int HandleMidiNotify(platform::WParam, platform::LParam) { return 0; }
