// Stand-ins for the entry points of subsystems that are not built yet: graphics, sound, music, movies and the
// network. Start-up, shut-down, the window procedure and the message pass call them under
// their final names; each subsystem deletes its stand-ins from here (and only from here) when it lands.
//
// The stand-ins keep just enough state to give the results the callers look at.
#pragma once

#include "platform/window.h"

// ---- Graphics --------------------------------------------------------------------------------------------------
int GetNotUse3DFlag();
int SetHardwareRenderFlag(int flag);
int GetScreenColorBitDepth();  // the requested screen depth
int SetGraphRestoreHandler(void (*handler)());
int HasGraphRestoreHandler();
int InitGraphics(platform::WindowHandle window);
int TerminateGraphics();
int SetFlipWaitForVBlank(int wait);
int GetFlipWaitForVBlank();
int SetupScreenLog();
int DeleteFontToHandle(int handle);
int SelectDrawTargetBody(int target);
int GetDrawTarget();
int SetDrawValidGraphCreateFlag(int flag);
int CreateEmptyGraph(int width, int height);
int DeleteGraphicBody(int handle, int logFlag);
int QueryScreenSizeBody(int* width, int* height);
int ChangeScreenMode(int width, int height, int bits, int windowModeChange, int refreshRate);
int GetScreenModeInfo(int* width, int* height, int* bits);
int UpdateScreenColorData();
int RestoreGraphDevice();
int RestoreAllSurface2D();
int RestoreAllSurface3DData();
int RestoreAllGraphSurface();
int IsFullScreenSurfaceActive();  // full-screen surfaces exist and DirectDraw is present
int CopyBackScreenToFront();
int IsGdiVisibleMode();
int UpdateGdiVisibleMode();
int SetFrontScreenDrawArea(const platform::Rect& client);  // raw draw area of the front screen, mask screen off
int ReapplyDrawClipArea();
// The kept inactive-window image.
int GetDrawFilterMode();
int SetDrawFilterMode(int mode);
int CopyBackScreenToNewGraph();
int GetGraphicSize(int handle, int* width, int* height);
int DrawGraphAtBody(int x, int y, int handle, int transparent);
int DrawGraphStretchedBody(int x1, int y1, int x2, int y2, int handle, int transparent);
int ReleaseKeptScreenImage();

// ---- Movies ----------------------------------------------------------------------------------------------------
int PlayAllMovieGraph();
int PauseAllMovieGraph();
int ReleaseAllMovieStream();

// ---- Sound and music -------------------------------------------------------------------------------------------
#include "engine/sound/sound.h"

// ---- Network and HTTP ------------------------------------------------------------------------------------------
int ClearHttpJobTable();
int DeleteAllHttpJobs();
int EndNetWork();
int ProcessNetWorkMessages(int flag);
int UpdateHttpJobs();
int GetHttpJobCount();
int HttpJobSlotInUse(int slot);
int HttpJobStep(int slot);
inline constexpr int kHttpJobSlots = 64;
platform::LResult OnSocketMessage(platform::WParam wParam, platform::LParam lParam);

// What the stand-ins were asked, for tests of the callers.
struct PendingSubsystemCalls {
  int initGraphicsResult;     // what InitGraphics returns
  int graphicsInitialised;
  int restoreGraphDevice;
  int copyBackScreenToFront;
  int drawTarget;
  int flipWait;
  int changeScreenMode;
};
extern PendingSubsystemCalls g_PendingCalls;
