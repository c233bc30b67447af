#include "engine/graphics/graphics_init.h"

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/core/pending_subsystems.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/screen_buffer.h"

int InitGraphics(platform::WindowHandle window) {
  g_DisplayDevice.window = window;
  InitDirectDraw();
  return 0;
}

int TerminateGraphics() {
  TerminateDirectDraw();
  return 0;
}

int ClearCurrentDrawScreenBody() {
  WaitWhileInactive();
  if (Use3D != 0) G_D3D_ClearDrawScreen();
  ClearDrawScreenSurface();
  if (IsSoftwareScreenModel() == 1 && g_DrawScreenSurface.screen == -4) {
    int w = 0, h = 0;
    QueryScreenSizeBody(&w, &h);
    const RECT whole{0, 0, w, h};
    WriteFrontRect(&whole);
  }
  return 0;
}
