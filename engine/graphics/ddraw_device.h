// The display device of the graphics layer: the DirectDraw object (platform/display/ddraw.h) with its clipper, the display
// mode and every change of it (pacing, fall-backs), the screen pixel format, the timed choice of the surface-copy
// method, the display's frame time and the vertical-blank wait, start-up and shutdown. One device per process; main
// thread only, under the API lock.
//
// For the layers built on top: GetDirectDrawObject() being non-null is the test that graphics are up. Every mode
// change deletes all graphics (DeleteAllGraph), ends graphics management and the Direct3D layer, releases and
// rebuilds the screen surfaces (screen_buffer.h) and starts graphics management again, so graphics must be loaded
// again after it.
#pragma once

#include <cstdint>

#include "engine/graphics/color_data.h"
#include "platform/display/ddraw.h"
#include "platform/window/window.h"

struct DisplayDeviceState {
  platform::dd::DirectDraw* object;  // owned (see ddraw_device.cpp); null before start-up and after shutdown
  platform::dd::Clipper* clipper;    // owned; bound to the main window
  platform::WindowHandle window;
  std::uint32_t width, height;       // 0 = unset (read as 640 x 480)
  std::uint32_t screenBits;          // 0 = unset; the display's real bit count after a mode change
  std::uint32_t requestedBits;       // 0 = unset (read as 16)
  std::uint32_t refresh;             // Hz, 0 = the driver's default
  std::uint32_t cooperativeFlags;
  std::uint32_t fullScreenActive;
  std::uint32_t softwareRender;
  std::uint32_t notUse3D;
  std::uint32_t gdiVisibleMode;
  std::int32_t gdiVisibleApplied;    // -1 = apply again
  std::uint32_t waitVSync;
  platform::dd::Caps caps;
  std::int32_t overlayFormat;        // -1 = no overlay
  std::uint32_t formatKind;          // 0 R5G6B5, 1 X1R5G5B5, 2 X8R8G8B8, 3 other
  std::uint32_t copyMethod;          // 0 BltFast, 1 BitBlt
  std::int32_t frameTime;            // ms per display frame, -1 = not measured
  std::int32_t vblankThreshold;      // ms, -1 = not measured
  std::uint32_t lastVBlankTime;
  std::uint32_t lastModeChangeTime;  // 0 = none yet
  std::uint32_t screenLines;
  std::uint32_t up;                  // 1 from the end of the first mode set-up on
  std::uint32_t mmxFlag;
  char driverName[256];
  char driverDescription[256];
  std::uint32_t freeVideoMemory, totalVideoMemory;
};
extern DisplayDeviceState g_DisplayDevice;

// Back to the state before any start-up (the settings too). For tests that start the engine more than once.
void ResetDisplaySettings();

// ---- Public workers -------------------------------------------------------------------------------------------
// -1 keeps each value. 0: the mode now set equals the request; -1: refused (zero size, bits other than 8, 16, 32)
// or the mode before the call was kept or restored; -2: fell back to 640 x 480 x 16 at refresh 0. Deletes every
// graphic first in every case.
int SelectScreenModeBody(int width, int height, int bits, int refresh);
int QueryScreenSizeBody(int* width, int* height);  // 640 x 480 while unset; either pointer may be null
const DDPixelFormat* QueryScreenPixelFormatBody();

// ---- Accessors and setters -------------------------------------------------------------------------------------
int SetFlipWaitForVBlank(int flag);
int GetWaitVSyncFlag();
int GetFlipWaitForVBlank();  // the same flag
int SetNotUse3DFlag(int flag);
int GetNotUse3DFlag();
void* GetDirectDrawObject();
platform::dd::DirectDraw* DirectDrawDevice();
int GetFullScreenActiveFlag();
int IsFullScreenSurfaceActive();  // full-screen mode active and DirectDraw present
int GetSoftwareRenderFlag();
int GetGDIVisibleMode();
int IsGdiVisibleMode();
const ColorData* GetScreenColorData();
int GetScreenColorBitDepth();  // the requested depth, 16 while unset
int GetScreenBits();           // the display's bit count, 16 while unset
int SetHardwareRenderFlag(int flag);
int SetGDIVisibleMode(int flag);
int UpdateGdiVisibleMode();  // applies the GDI-visible mode again (after the menu changed)
int GetScreenModeInfo(int* width, int* height, int* bits);
// Copies the driver caps read at start-up; -1 for a null pointer.
int GetDirectDrawCaps(platform::dd::Caps* out);

// ---- Internal operations ---------------------------------------------------------------------------------------
int InitDirectDraw();
int TerminateDirectDraw();
// Returns 0, or -2 when the 640 x 480 x 16 fall-back was used. Fatal when no mode at all can be set.
int ChangeScreenMode(int width, int height, int bits, int force, int refresh);
int UpdateScreenColorData();
// The timed vertical-blank wait before a window-mode copy.
int WaitVSync();

// Device rebuild steps (RestoreGraphDevice releases, then re-creates). ReleaseDirectDraw releases the tiles'
// storage, leaves an exclusive full screen, and releases palette, clipper and object; RecreateDirectDraw (only
// without an object; failure ends the program) makes the object again, re-applies the display mode, re-creates the
// tiles' storage and the clipper.
int ReleaseDirectDraw();
int RecreateDirectDraw();
int ReapplyDisplayMode();
int ReleaseClipper();
int RecreateClipper();

// Drawing-code tests without a device: makes GetDirectDrawObject non-null while no object exists (0 undoes it).
void SetDirectDrawObjectStandIn(int present);

// Software-renderer globals kept in step with the device: 1 = software model; the display's bit count; 1 once the
// device is up (an open Direct3D scene is ended only then).
extern std::int32_t SoftwareRenderFlag;
extern std::int32_t ScreenColorBits;
extern std::int32_t DirectDrawStarted;
