#include "engine/graphics/draw_state.h"

#include <utility>

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/core/system_record.h"
#include "engine/graphics/blend_tables.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graphics_init.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/graph_load.h"
#include "engine/graphics/mask.h"
#include "engine/graphics/matrix.h"
#include "engine/graphics/movie.h"
#include "engine/graphics/present.h"
#include "engine/graphics/screen_format.h"
#include "engine/graphics/screen_palette.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"
#include "engine/input/input.h"
#include "engine/softrender/graphics_glue.h"

GraphDrawState g_GraphDrawState{{0, 0, 0, 0}, 0, 0, -1, 0, 0, kNoBrightness, 0};
std::int32_t g_GraphMmxFlag = 0;
std::int32_t Use3D = 0;

void ResetGraphDrawState() { g_GraphDrawState = GraphDrawState{{0, 0, 0, 0}, 0, 0, -1, 0, 0, kNoBrightness, 0}; }

int ClipRect(RECT* a, const RECT* b) {
  if (a->right < a->left) a->right = a->left;
  if (a->bottom < a->top) a->bottom = a->top;
  auto clamp = [](std::int32_t v, std::int32_t lo, std::int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); };
  a->bottom = clamp(a->bottom, b->top, b->bottom);
  a->top = clamp(a->top, b->top, b->bottom);
  a->right = clamp(a->right, b->left, b->right);
  a->left = clamp(a->left, b->left, b->right);
  return 0;
}

void NormalizeRect(RECT* a) {
  if (a->left > a->right) std::swap(a->left, a->right);
  if (a->top > a->bottom) std::swap(a->top, a->bottom);
}

void GetRectSize(const RECT* a, std::int32_t* width, std::int32_t* height) {
  if (width != nullptr) *width = a->right - a->left;
  if (height != nullptr) *height = a->bottom - a->top;
}

namespace {

RECT g_requestedClipArea{0, 0, 0, 0};

void StoreDrawArea(const RECT& r) {
  GraphDrawState& st = g_GraphDrawState;
  st.DrawArea = r;
  st.DrawAreaF[0] = static_cast<float>(r.left);
  st.DrawAreaF[1] = static_cast<float>(r.top);
  st.DrawAreaF[2] = static_cast<float>(r.right);
  st.DrawAreaF[3] = static_cast<float>(r.bottom);
  st.DrawAreaEmpty = (r.right - r.left == 0 || r.bottom - r.top == 0) ? 1 : 0;
}

// Size of a draw target: the screen for -4 and -2, else the graphic's. -1 when the graphic does not exist.
int TargetSize(int target, int* width, int* height) {
  if (target == -4 || target == -2) {
    int bits = 0;
    *width = 640;
    *height = 480;
    GetScreenModeInfo(width, height, &bits);
    return 0;
  }
  const GraphData* g = GetGraphData(target);
  if (g == nullptr) return -1;
  *width = g->Width;
  *height = g->Height;
  return 0;
}

int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

int SetBlendModeBody(int mode, int param) {
  GraphDrawState& st = g_GraphDrawState;
  if (st.BlendMode == mode && st.BlendParam == param) return 0;
  // The renderer and its tables know modes 0..4 only; mode 5 is the middle pass of mode 3 on the Direct3D path.
  if (mode < 0 || mode > (Use3D != 0 ? 5 : 4)) return -1;
  WaitWhileInactive();
  st.BlendMode = mode;
  st.BlendParam = Clamp255(param);
  if (Use3D != 0) UpdateD3DDrawColor();
  return 0;
}

int SetBlendGraph(int handle, int param1, int param2) {
  GraphDrawState& st = g_GraphDrawState;
  // While the engine shuts down nothing changes (the glyph cache's restore of the saved selection among it).
  if (g_System.endingFlag == 1) return 0;
  if (st.BlendGraph == handle && st.BlendGraphParam1 == param1 && st.BlendGraphParam2 == param2) return 0;
  if (handle != -1 && GetGraphData(handle) == nullptr) return -1;
  WaitWhileInactive();
  st.BlendGraph = handle;
  st.BlendGraphParam1 = Clamp255(param1);
  st.BlendGraphParam2 = Clamp255(param2);
  if (Use3D != 0) {
    const GraphData* blend = GetGraphData(handle);
    G_D3D_SetBlendGraph(blend != nullptr && blend->Flags.Texture != 0 ? blend : nullptr, st.BlendGraphParam1,
                        st.BlendGraphParam2);
  }
  BuildBlendGraphLevelTable(st.BlendGraphParam1, st.BlendGraphParam2);
  return 0;
}

int SetDrawBrightnessColor(std::uint32_t rgb) {
  g_GraphDrawState.Brightness = rgb & 0xFFFFFFu;
  if (Use3D != 0) UpdateD3DDrawColor();
  return 0;
}

int SetBrightnessRGBBody(int r, int g, int b) {
  const std::uint32_t v = (static_cast<std::uint32_t>(Clamp255(r)) << 16) |
                          (static_cast<std::uint32_t>(Clamp255(g)) << 8) | static_cast<std::uint32_t>(Clamp255(b));
  g_GraphDrawState.Brightness = v;
  if (Use3D != 0) UpdateD3DDrawColor();
  return 0;
}

int SetTextureFilterMode(int mode) {
  if (g_GraphDrawState.DrawMode == mode) return 0;
  g_GraphDrawState.DrawMode = mode;
  if (Use3D != 0) G_D3D_SetTextureFilterCurrent(mode);
  return 0;
}

int GetDrawMode() { return g_GraphDrawState.DrawMode; }

int SetUseTextureGraphicsBody(int flag) {
  g_GraphDrawState.UseTextureGraphics = flag;
  // Before the display device exists the flag also picks the screen model it will be made with.
  if (GetDirectDrawObject() == nullptr) SetHardwareRenderFlag(flag);
  return 0;
}

int SetTransparentColorBody(int r, int g, int b) {
  if (ScreenColorBits == 8) return 0;
  g_GraphDrawState.TransparentColor = ((static_cast<std::uint32_t>(r) & 0xFF) << 16) |
                                      ((static_cast<std::uint32_t>(g) & 0xFF) << 8) |
                                      (static_cast<std::uint32_t>(b) & 0xFF);
  return 0;
}

int SetDrawValidGraphCreateFlag(int flag) {
  g_GraphDrawState.DrawValid = flag;
  return 0;
}

int SetUseVideoMemoryFlagBody(int flag) {
  g_GraphDrawState.UseSystemMemory = flag != 1 ? 1 : 0;
  return 0;
}

int SetDrawAreaRect(const RECT* rect) {
  if (rect != nullptr) g_GraphDrawState.TargetOriginRect = *rect;
  return 0;
}

int SetDrawClipArea(int x1, int y1, int x2, int y2) {
  WaitWhileInactive();
  g_requestedClipArea = RECT{x1, y1, x2, y2};
  int w = 0, h = 0;
  if (TargetSize(g_GraphDrawState.DrawScreen, &w, &h) < 0) return 0;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  auto clamp = [](int v, int hi) { return v < 0 ? 0 : (v > hi ? hi : v); };
  StoreDrawArea(RECT{clamp(x1, w), clamp(y1, h), clamp(x2, w), clamp(y2, h)});
  if (Use3D != 0 && g_GraphDrawState.DrawAreaEmpty == 0 && G_D3D_SetViewportRect(&g_GraphDrawState.DrawArea) < 0) {
    const int s = g_GraphDrawState.DrawScreen;
    LogPrintf("ビューポートの設定に失敗しました %s", s == -4 ? "Front Buffer" : s == -2 ? "Back Buffer" : "Image Buffer");
  }
  return 0;
}

RECT RequestedDrawClipArea() { return g_requestedClipArea; }

int ReapplyDrawClipArea() {
  const RECT r = g_requestedClipArea;
  return SetDrawClipArea(r.left, r.top, r.right, r.bottom);
}

int SelectDrawTargetBody(int target) {
  GraphDrawState& st = g_GraphDrawState;
  if (st.GraphicsUp == 0) return -1;
  WaitWhileInactive();
  int w = 0, h = 0;
  if (TargetSize(target, &w, &h) < 0) return -1;
  const int useMask = st.UseMaskScreen;
  SetMaskScreenActive(0);
  const int previous = st.DrawScreen;
  int pw = 0, ph = 0;
  const bool previousKnown = TargetSize(previous, &pw, &ph) == 0;
  // The surface side: a target the screen layer refuses leaves the previous one selected.
  // With Direct3D the device's target switches too; the selection fails only when both sides refuse.
  const int d3dResult = Use3D != 0 ? G_D3D_SetDrawTarget(target) : -1;
  if (GetDirectDrawObject() != nullptr && SetDrawScreenSurface(target) < 0 && d3dResult < 0) {
    if (Use3D != 0 && previous != target) G_D3D_SetDrawTarget(previous);
    if (previous != target && (previous == -4 || previous == -2)) SetDrawScreenSurface(previous);
    SetMaskScreenActive(useMask);
    return -1;
  }
  st.DrawScreen = target;
  st.TargetOriginRect = RECT{0, 0, 0, 0};
  st.DrawScreenWidth = w;
  st.DrawScreenHeight = h;
  if (previousKnown && pw == w && ph == h) {
    const RECT a = st.DrawArea;
    SetDrawClipArea(a.left, a.top, a.right, a.bottom);
  } else {
    SetDrawClipArea(0, 0, w, h);
  }
  SetTargetMatrices(w, h);
  SetMaskScreenActive(useMask);
  return 0;
}

int CurrentDrawTarget() { return g_GraphDrawState.DrawScreen; }
int GetDrawTarget() { return g_GraphDrawState.DrawScreen; }

int GetDrawAreaRect(RECT* out) {
  if (out != nullptr) *out = g_GraphDrawState.DrawArea;
  return 0;
}

int InitGraphManage() {
  if (g_GraphDrawState.GraphicsUp == 1) return 0;
  WriteLog("グラフィック管理系の初期化を行います\n");
  IncreaseLogIndent();
  g_GraphDrawState = GraphDrawState{{0, 0, 0, 0}, 0, 0, -1, 0, 0, kNoBrightness, 0};
  ClearGraphTable();
  ClearSurfaceDataTable();
  ClearMaskScreen();
  ResetDefaultFontSettings();
  ClearFontTable();
  g_GraphDrawState.GraphicsUp = 1;
  if (GetDirectDrawObject() != nullptr) TerminateSurface2D();
  ClearSurface2DTable();
  Use3D = ResetSurface3DDataTable() != -1 ? 1 : 0;
  if (Use3D != 0) UpdateD3DDrawColor();
  WriteLog(Use3D == 1 ? "３Ｄグラフィック描画機能を使用します\n" : "３Ｄグラフィック描画機能は使用しません\n");
  g_GraphDrawState.DrawScreen = -2;
  g_GraphDrawState.MaskActive = g_MaskScreen.exists;
  SelectDrawTargetBody(-4);
  SetDrawClipArea(0, 0, g_GraphDrawState.DrawScreenWidth, g_GraphDrawState.DrawScreenHeight);
  InitFontToHandle();
  DecreaseLogIndent();
  WriteLog("グラフィック管理系の初期化は正常に終了しました\n");
  return 0;
}

int TerminateGraphManage() {
  if (g_GraphDrawState.GraphicsUp == 0) return 0;
  DeleteMaskScreen();
  DeleteAllImageSlots();
  DeleteAllGraph(0);
  CloseAllMovies();
  InitFontToHandle();
  DeleteFontToHandle(g_DefaultFont.Handle);
  g_DefaultFont.Handle = -1;
  g_GraphDrawState.GraphicsUp = 0;
  WriteLog("グラフィック管理系の終了処理は正常に終了しました\n");
  return 0;
}

int RestoreGraphDevice() {
  // Everything that lives on the device goes first, the Direct3D device and its textures leading; input lets its
  // devices go too (they are bound to the window's display) and starts again at its next query.
  const int useMask = g_GraphDrawState.UseMaskScreen;
  const int maskExisted = g_MaskScreen.exists;
  ReleaseDirect3DForRestore();
  ReleaseMaskScratch();
  ReleaseMainSurfaces();
  TerminateInput();
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
  // Direct3D comes back once the screen surfaces and their palette are back; every texture is then filled again by
  // the restore hook.
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
