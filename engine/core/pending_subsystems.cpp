#include "engine/core/pending_subsystems.h"

PendingSubsystemCalls g_PendingCalls{};

// ---- Graphics --------------------------------------------------------------------------------------------------
int GetNotUse3DFlag() { return 0; }
int SetHardwareRenderFlag(int) { return 0; }
int GetScreenColorBitDepth() { return 32; }
int SetGraphRestoreHandler(void (*)()) { return 0; }
int HasGraphRestoreHandler() { return 1; }
int InitGraphics(platform::WindowHandle) {
  if (g_PendingCalls.initGraphicsResult < 0) return g_PendingCalls.initGraphicsResult;
  g_PendingCalls.graphicsInitialised = 1;
  return 0;
}
int TerminateGraphics() {
  g_PendingCalls.graphicsInitialised = 0;
  return 0;
}
int SetFlipWaitForVBlank(int wait) {
  g_PendingCalls.flipWait = wait;
  return 0;
}
int GetFlipWaitForVBlank() { return g_PendingCalls.flipWait; }
int SetupScreenLog() { return 0; }
int DeleteFontToHandle(int) { return 0; }
int SelectDrawTargetBody(int target) {
  g_PendingCalls.drawTarget = target;
  return 0;
}
int GetDrawTarget() { return g_PendingCalls.drawTarget; }
int SetDrawValidGraphCreateFlag(int) { return 0; }
int CreateEmptyGraph(int, int) { return 0x08000000; }
int DeleteGraphicBody(int, int) { return 0; }
int QueryScreenSizeBody(int* width, int* height) {
  if (width != nullptr) *width = 640;
  if (height != nullptr) *height = 480;
  return 0;
}
int ChangeScreenMode(int, int, int, int, int) {
  ++g_PendingCalls.changeScreenMode;
  return 0;
}
int GetScreenModeInfo(int* width, int* height, int* bits) {
  if (width != nullptr) *width = 640;
  if (height != nullptr) *height = 480;
  if (bits != nullptr) *bits = 32;
  return 0;
}
int UpdateScreenColorData() { return 0; }
int RestoreGraphDevice() {
  ++g_PendingCalls.restoreGraphDevice;
  return 0;
}
int RestoreAllSurface2D() { return 0; }
int RestoreAllSurface3DData() { return 0; }
int RestoreAllGraphSurface() { return 0; }
int IsFullScreenSurfaceActive() { return 0; }
int CopyBackScreenToFront() {
  ++g_PendingCalls.copyBackScreenToFront;
  return 0;
}
int IsGdiVisibleMode() { return 0; }
int UpdateGdiVisibleMode() { return 0; }
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

// ---- Network and HTTP ------------------------------------------------------------------------------------------
int ClearHttpJobTable() { return 0; }
int DeleteAllHttpJobs() { return 0; }
int EndNetWork() { return 0; }
int ProcessNetWorkMessages(int) { return 0; }
int UpdateHttpJobs() { return 0; }
int GetHttpJobCount() { return 0; }
int HttpJobSlotInUse(int) { return 0; }
int HttpJobStep(int) { return 0; }
platform::LResult OnSocketMessage(platform::WParam, platform::LParam) { return 0; }
