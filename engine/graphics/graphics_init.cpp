#include "engine/graphics/graphics_init.h"

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/core/pending_subsystems.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/screen_buffer.h"

namespace {
int g_direct3DUp = 0;
}  // namespace

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
  ClearDrawScreenSurface();
  if (IsSoftwareScreenModel() == 1 && g_DrawScreenSurface.screen == -4) {
    int w = 0, h = 0;
    QueryScreenSizeBody(&w, &h);
    const RECT whole{0, 0, w, h};
    WriteFrontRect(&whole);
  }
  return 0;
}

int InitDirect3D() {
  if (g_direct3DUp == 1) return -1;
  WriteLog("Direct3D 関連の初期化を行います\n");
  WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
  void* direct3D = nullptr;
  if (DirectDrawDevice() == nullptr || DirectDrawDevice()->QueryDirect3D(&direct3D) != platform::dd::kOk)
    return WriteLog("Direct3Dオブジェクトの作成に失敗しました\n");
  return -1;
}

int TerminateDirect3D() { return g_direct3DUp == 1 ? 0 : -1; }
int IsDirect3DUp() { return g_direct3DUp; }
