#include "engine/graphics/ddraw_device.h"

#include <cstring>
#include <memory>

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/start_engine.h"
#include "engine/core/system_record.h"
#include "engine/core/timing.h"
#include "engine/core/window.h"
#include "engine/graphics/blend_tables.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graphics_init.h"
#include "engine/graphics/present.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/screen_format.h"
#include "engine/graphics/screen_palette.h"
#include "engine/graphics/surface2d.h"
#include "platform/base/clock.h"
#include "platform/input/input.h"

namespace dd = platform::dd;

namespace {
constexpr int kVirtualKeyShift = 0x10;
}  // namespace

DisplayDeviceState g_DisplayDevice{};
std::int32_t SoftwareRenderFlag = 0;
std::int32_t ScreenColorBits = 32;
std::int32_t DirectDrawStarted = 0;

namespace {

// The object and clipper live here; the state record holds plain pointers to them.
std::unique_ptr<dd::DirectDraw> g_object;
std::unique_ptr<dd::Clipper> g_clipper;
int g_objectStandIn = 0;
int g_standInMarker = 0;

DisplayDeviceState InitialState() {
  DisplayDeviceState s{};
  s.gdiVisibleApplied = -1;
  s.overlayFormat = -1;
  s.frameTime = -1;
  s.vblankThreshold = -1;
  return s;
}

void SyncScreenFormat() {
  g_ScreenFormat.requestedBits = g_DisplayDevice.requestedBits;
  g_ScreenFormat.softwareRender = g_DisplayDevice.softwareRender;
  SoftwareRenderFlag = static_cast<std::int32_t>(g_DisplayDevice.softwareRender);
  ScreenColorBits = static_cast<std::int32_t>(g_DisplayDevice.screenBits != 0 ? g_DisplayDevice.screenBits : 16);
}

std::uint32_t Elapsed(std::uint32_t since) { return platform::MillisecondClock() - since; }

// Creates the object and reports the adapter.
int CreateDirectDrawObject() {
  WriteLog("DirectDraw オブジェクトの取得を行います....  ");
  std::unique_ptr<dd::DirectDraw> object;
  if (dd::CreateDirectDraw(&object) != dd::kOk) return WriteLog("オブジェクトの取得に失敗しました\n");
  WriteLog("引き続き初期化処理... ");
  WriteLog("初期化に成功しました\n");
  WriteLog("ビデオカードの情報\n");
  IncreaseLogIndent();
  // The adapter is asked only while the Shift key is held down; otherwise the defaults stand.
  DisplayDeviceState& d = g_DisplayDevice;
  std::uint8_t keys[256] = {};
  platform::GetSystemKeyboardState(keys);
  std::uint64_t version = 0;
  if ((keys[kVirtualKeyShift] & 0x80) != 0 &&
      object->GetDeviceIdentifier(d.driverName, sizeof d.driverName, d.driverDescription, sizeof d.driverDescription,
                                  &version) == dd::kOk) {
    LogPrintf("ビデオカードドライバ:%s バージョン:%u.%u.%u.%u ", d.driverName,
              static_cast<unsigned>((version >> 48) & 0xFFFF), static_cast<unsigned>((version >> 32) & 0xFFFF),
              static_cast<unsigned>((version >> 16) & 0xFFFF), static_cast<unsigned>(version & 0xFFFF));
    LogPrintf("ドライバ記述:%s \n", d.driverDescription);
    std::uint32_t total = 0, free = 0;
    object->GetAvailableVidMem(&total, &free);
    LogPrintf("ビデオメモリ総量:%.2fMB ビデオメモリ空き容量:%.2fMB", total / 1048576.0, free / 1048576.0);
    d.totalVideoMemory = total;
    d.freeVideoMemory = free;
  } else {
    d.driverName[0] = '\0';
    d.driverDescription[0] = '\0';
    d.freeVideoMemory = 0;
    d.totalVideoMemory = 0x1000000;
  }
  DecreaseLogIndent();
  g_object = std::move(object);
  g_DisplayDevice.object = g_object.get();
  return 0;
}

void ReleaseDirectDrawObject() {
  g_object.reset();
  g_DisplayDevice.object = nullptr;
}

int CreateClipperForWindow(platform::WindowHandle window) {
  std::unique_ptr<dd::Clipper> clipper;
  if (g_object->CreateClipper(&clipper) != dd::kOk || clipper->SetHWnd(window) != dd::kOk)
    return WriteLog("ＤｉｒｅｃｔＤｒａｗＣｌｉｐｐｅｒオブジェクトの作成に失敗しました\n");
  g_clipper = std::move(clipper);
  g_DisplayDevice.clipper = g_clipper.get();
  return 0;
}

bool ToleratedLevelError(dd::Result r) {
  return r == dd::kOk || r == static_cast<dd::Result>(0x88760245u) || r == static_cast<dd::Result>(0x8876023Bu) ||
         r == static_cast<dd::Result>(0x8876023Au);
}

void SetLevel(std::uint32_t flags) {
  const dd::Result r = g_object->SetCooperativeLevel(g_DisplayDevice.window, flags);
  if (flags == dd::kSclNormal ? r != dd::kOk : !ToleratedLevelError(r))
    FatalExit("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
  g_DisplayDevice.cooperativeFlags = flags;
}

// One attempt at a mode: cooperative level and display mode. 0 or -1.
int SetDisplayModeAndLevel(int desktopWidth, int desktopHeight, int width, int height, int bits, int windowFlag) {
  LogPrintf("画面モードの変更処理を開始します %u x %u  %u bit ", static_cast<unsigned>(width),
            static_cast<unsigned>(height), static_cast<unsigned>(bits));
  IncreaseLogIndent();
  if (windowFlag != 1) {
    if (bits == 24) {
      DecreaseLogIndent();
      return -1;
    }
    WriteLog("画面解像度を変更します... ");
    SetLevel(dd::kSclExclusive | dd::kSclFullScreen);
    if (g_object->SetDisplayMode(width, height, bits, static_cast<int>(g_DisplayDevice.refresh), 0) != dd::kOk) {
      g_DisplayDevice.refresh = 0;
      if (g_object->SetDisplayMode(width, height, bits, 0, 0) != dd::kOk) {
        WriteLog("画面モードの変更に失敗しました\n");
        DecreaseLogIndent();
        return -1;
      }
    }
    g_DisplayDevice.screenBits = static_cast<std::uint32_t>(bits);
    g_DisplayDevice.fullScreenActive = 1;
    WriteLog("成功しました\n");
  } else {
    WriteLog("ウインドウモードにします\n");
    if (width > desktopWidth || height > desktopHeight)
      FatalExit("デスクトップ画面のサイズが足りません、ソフトを終了します");
    if (g_DisplayDevice.fullScreenActive == 1) {
      WriteLog("フルスクリーンモードから抜けます\n");
      g_object->RestoreDisplayMode();
      g_DisplayDevice.fullScreenActive = 0;
    }
    const int desktopBits = platform::GetDesktopInfo().bits;
    if (desktopBits == 24) {
      DecreaseLogIndent();
      return -1;
    }
    g_DisplayDevice.screenBits = static_cast<std::uint32_t>(desktopBits);
    SetLevel(dd::kSclNormal);
  }
  DecreaseLogIndent();
  WriteLog("画面モードの変更は正常に終了しました \n");
  return 0;
}

// The first set-up of a mode (before the blend tables exist), with its fall-backs. Returns 0 or -2.
int FirstModeSetUp(std::uint32_t oldWidth, std::uint32_t oldHeight, std::uint32_t oldBits, std::uint32_t oldRefresh) {
  DisplayDeviceState& d = g_DisplayDevice;
  const int windowMode = g_System.windowMode;
  if (windowMode != 1) ApplyWindowStyle();
  const platform::DesktopInfo desktop = platform::GetDesktopInfo();
  if (d.width == 0) d.width = 640;
  if (d.height == 0) d.height = 480;
  if (d.screenBits == 0) d.screenBits = 16;
  const std::uint32_t tryWidth = d.width, tryHeight = d.height, tryBits = d.screenBits;
  if (SetDisplayModeAndLevel(desktop.width, desktop.height, static_cast<int>(d.width), static_cast<int>(d.height),
                             static_cast<int>(d.screenBits), windowMode) == 0)
    return 0;
  d.width = oldWidth;
  d.height = oldHeight;
  d.screenBits = oldBits;
  d.refresh = oldRefresh;
  if (windowMode != 1) ApplyWindowStyle();
  if ((oldWidth != tryWidth || oldHeight != tryHeight || oldBits != tryBits || oldRefresh != 0) && oldWidth != 0 &&
      oldHeight != 0 &&
      SetDisplayModeAndLevel(desktop.width, desktop.height, static_cast<int>(oldWidth), static_cast<int>(oldHeight),
                             static_cast<int>(oldBits), windowMode) == 0)
    return 0;
  d.width = 640;
  d.height = 480;
  d.screenBits = 16;
  d.refresh = 0;
  if (windowMode == 1) ApplyWindowStyle();
  if (SetDisplayModeAndLevel(desktop.width, desktop.height, 640, 480, 16, windowMode) != 0)
    FatalExit("予期せぬ画面モード変更不能現象が起きました\n");
  return -2;
}

// A later change: a new object, the level and, in full screen, the mode with its fall-backs. Returns 0 or -2.
int LaterModeChange(std::uint32_t oldWidth, std::uint32_t oldHeight, std::uint32_t oldBits, std::uint32_t oldRefresh) {
  DisplayDeviceState& d = g_DisplayDevice;
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  DeleteAllSurface2D();
  g_object->SetCooperativeLevel(d.window, dd::kSclNormal);
  ReleaseDirectDrawObject();
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  if (CreateDirectDrawObject() != 0) FatalExit("DirectDrawオブジェクトの作成に失敗しました");
  if (g_clipper == nullptr) CreateClipperForWindow(d.window);
  int result = 0;
  if (g_System.windowMode == 1) {
    SetLevel(dd::kSclNormal);
    d.fullScreenActive = 0;
  } else {
    SetLevel(dd::kSclExclusive | dd::kSclFullScreen);
    d.fullScreenActive = 0;
    WriteLog("画面解像度を変更します... ");
    auto attempt = [&](std::uint32_t w, std::uint32_t h, std::uint32_t bits, std::uint32_t refresh) {
      return g_object->SetDisplayMode(static_cast<int>(w), static_cast<int>(h), static_cast<int>(bits),
                                      static_cast<int>(refresh), 0) == dd::kOk;
    };
    if (attempt(d.width, d.height, d.screenBits, d.refresh)) {
    } else if (attempt(d.width, d.height, d.screenBits, 0)) {
      d.refresh = 0;
    } else if (attempt(oldWidth, oldHeight, oldBits, oldRefresh)) {
      d.width = oldWidth;
      d.height = oldHeight;
      d.screenBits = oldBits;
      d.refresh = oldRefresh;
    } else if (attempt(640, 480, 16, 0)) {
      d.width = 640;
      d.height = 480;
      d.screenBits = 16;
      d.refresh = 0;
      result = -2;
    } else {
      FatalExit("予期せぬ画面モード変更不能現象が起きました2\n");
    }
    d.fullScreenActive = 1;
    WriteLog("成功しました\n");
  }
  return result;
}

// Times 8 copies of each method from the primary into the work surface; BitBlt wins ties.
void ChooseCopyMethod() {
  dd::Surface* primary = GetPrimarySurface();
  dd::Surface* work = GetWorkSurface();
  if (primary == nullptr || work == nullptr) return;
  const dd::Rect rect{0, 0, static_cast<int>(g_DisplayDevice.width), static_cast<int>(g_DisplayDevice.height)};
  std::int64_t start = GetMicrosecondCount(0);
  for (int i = 0; i < 8; ++i) work->BltFast(0, 0, primary, &rect, 0);
  const std::int64_t bltFast = GetMicrosecondCount(0) - start;
  start = GetMicrosecondCount(0);
  for (int i = 0; i < 8; ++i) CopySurfaceRect(work, primary, 0, 0, &rect, 1);
  const std::int64_t bitBlt = GetMicrosecondCount(0) - start;
  g_DisplayDevice.copyMethod = bitBlt <= bltFast ? 1 : 0;
  LogPrintf("サーフェス間転送には %s を使用します", g_DisplayDevice.copyMethod == 1 ? "BitBlt" : "BltFast");
  LogPrintf("BitBlt:%.0lfμs   BltFast:%.0lfμs", static_cast<double>(bitBlt), static_cast<double>(bltFast));
}

bool InBlank() {
  bool blank = false;
  g_object->GetVerticalBlankStatus(&blank);
  return blank;
}

int ScanLine() {
  int line = 0;
  g_object->GetScanLine(&line);
  return line;
}

// Waits until the scan line falls or the blank begins.
void WaitLineFallOrBlank() {
  int last = ScanLine();
  for (int guard = 0; guard < 10000000; ++guard) {
    if (InBlank()) return;
    const int line = ScanLine();
    if (line < last) return;
    last = line;
  }
}

void WaitWhileBlank() {
  for (int guard = 0; guard < 10000000 && InBlank(); ++guard) {
  }
}

void MeasureFrameTime() {
  DisplayDeviceState& d = g_DisplayDevice;
  dd::DisplayMode mode{};
  g_object->GetDisplayMode(&mode);
  d.screenLines = static_cast<std::uint32_t>(mode.height);
  LogPrintf("スキャンラインの数:%d\n", static_cast<int>(d.screenLines));
  for (int i = 0; i < 3; ++i) {
    WaitLineFallOrBlank();
    WaitWhileBlank();
  }
  WaitLineFallOrBlank();
  d.frameTime = -1;
  int trials[4] = {0, 0, 0, 0};
  for (int series = 0; series < 5 && d.frameTime == -1; ++series) {
    for (int& t : trials) {
      const std::uint32_t start = platform::MillisecondClock();
      WaitWhileBlank();
      WaitLineFallOrBlank();
      t = static_cast<int>(Elapsed(start));
    }
    if (series == 4) break;
    for (int i = 0; i < 4 && d.frameTime == -1; ++i)
      for (int j = i + 1; j < 4; ++j)
        if (trials[i] == trials[j]) {
          d.frameTime = trials[i];
          break;
        }
  }
  if (d.frameTime == -1) {
    WriteLog("１フレームの時間を正常に取得できませんでした\n");
  } else {
    LogPrintf("１フレーム当たりの時間は %d msecです", d.frameTime);
  }
  for (int i = 0; i < 4; ++i) LogPrintf("\tTri%02d:%d msec", i, trials[i]);
  d.vblankThreshold = d.frameTime == -1 ? -1 : (2 * d.frameTime - 4) / 3;
}

}  // namespace

void ResetDisplaySettings() {
  g_object.reset();
  g_clipper.reset();
  g_DisplayDevice = InitialState();
  g_objectStandIn = 0;
  ResetScreenFormat();
  SoftwareRenderFlag = 0;
  ScreenColorBits = 32;
  DirectDrawStarted = 0;
}

// ---- Public workers ---------------------------------------------------------------------------------------------

int SelectScreenModeBody(int width, int height, int bits, int refresh) {
  DeleteAllGraph(0);
  if (width == 0 || height == 0 || (bits != -1 && bits != 8 && bits != 16 && bits != 32)) return -1;
  DisplayDeviceState& d = g_DisplayDevice;
  const std::uint32_t before[4] = {d.width, d.height, d.screenBits, d.refresh};
  if (bits != -1) {
    d.requestedBits = static_cast<std::uint32_t>(bits);
    SyncScreenFormat();
  }
  ChangeScreenMode(width, height, bits, 0, refresh);
  const std::uint32_t now[4] = {d.width, d.height, d.screenBits, d.refresh};
  const std::uint32_t asked[4] = {width == -1 ? before[0] : static_cast<std::uint32_t>(width),
                                  height == -1 ? before[1] : static_cast<std::uint32_t>(height),
                                  bits == -1 ? before[2] : static_cast<std::uint32_t>(bits),
                                  refresh == -1 ? before[3] : static_cast<std::uint32_t>(refresh)};
  if (std::memcmp(now, asked, sizeof now) == 0) return 0;
  if (std::memcmp(now, before, sizeof now) == 0) return -1;
  if (now[0] == 640 && now[1] == 480 && now[2] == 16 && now[3] == 0) return -2;
  return -1;
}

int QueryScreenSizeBody(int* width, int* height) {
  if (width != nullptr) *width = g_DisplayDevice.width != 0 ? static_cast<int>(g_DisplayDevice.width) : 640;
  if (height != nullptr) *height = g_DisplayDevice.height != 0 ? static_cast<int>(g_DisplayDevice.height) : 480;
  return 0;
}

const DDPixelFormat* QueryScreenPixelFormatBody() { return &g_ScreenFormat.pixelFormat; }

// ---- Accessors --------------------------------------------------------------------------------------------------

int SetFlipWaitForVBlank(int flag) {
  g_DisplayDevice.waitVSync = static_cast<std::uint32_t>(flag);
  return 0;
}
int GetWaitVSyncFlag() { return static_cast<int>(g_DisplayDevice.waitVSync); }
int GetFlipWaitForVBlank() { return GetWaitVSyncFlag(); }
int SetNotUse3DFlag(int flag) {
  g_DisplayDevice.notUse3D = static_cast<std::uint32_t>(flag);
  return 0;
}
int GetNotUse3DFlag() { return static_cast<int>(g_DisplayDevice.notUse3D); }
void* GetDirectDrawObject() {
  if (g_DisplayDevice.object != nullptr) return g_DisplayDevice.object;
  return g_objectStandIn != 0 ? &g_standInMarker : nullptr;
}
dd::DirectDraw* DirectDrawDevice() { return g_DisplayDevice.object; }
int GetFullScreenActiveFlag() { return static_cast<int>(g_DisplayDevice.fullScreenActive); }
int IsFullScreenSurfaceActive() {
  return g_DisplayDevice.fullScreenActive == 1 && g_DisplayDevice.object != nullptr ? 1 : 0;
}
int GetSoftwareRenderFlag() { return static_cast<int>(g_DisplayDevice.softwareRender); }
int GetGDIVisibleMode() { return static_cast<int>(g_DisplayDevice.gdiVisibleMode); }
int IsGdiVisibleMode() { return GetGDIVisibleMode(); }
const ColorData* GetScreenColorData() { return &g_ScreenFormat.colorData; }
int GetScreenColorBitDepth() {
  return g_DisplayDevice.requestedBits != 0 ? static_cast<int>(g_DisplayDevice.requestedBits) : 16;
}
int GetScreenBits() { return g_DisplayDevice.screenBits != 0 ? static_cast<int>(g_DisplayDevice.screenBits) : 16; }
void SetDirectDrawObjectStandIn(int present) { g_objectStandIn = present; }

int GetScreenModeInfo(int* width, int* height, int* bits) {
  QueryScreenSizeBody(width, height);
  *bits = GetScreenColorBitDepth();
  return 0;
}

int SetHardwareRenderFlag(int flag) {
  g_DisplayDevice.softwareRender = flag == 0 ? 1 : 0;
  SyncScreenFormat();
  if (g_DisplayDevice.object == nullptr) return 0;
  const int screen = GetDrawTarget();
  DeleteAllGraph(0);
  ChangeScreenMode(-1, -1, -1, 1, -1);
  if (screen == -4 || screen == -2) SelectDrawTargetBody(screen);
  return 0;
}

int SetGDIVisibleMode(int flag) {
  const int effective = flag == 1 ? 1 : GetMenuFlag();
  if (effective == g_DisplayDevice.gdiVisibleApplied) return 0;
  g_DisplayDevice.gdiVisibleMode = static_cast<std::uint32_t>(flag);
  if (g_DisplayDevice.object == nullptr) return 0;
  if (effective == 1) g_DisplayDevice.object->FlipToGDISurface();
  const RECT area = g_GraphDrawState.DrawArea;
  const int screen = GetDrawTarget();
  SelectDrawTargetBody(-2);
  SelectDrawTargetBody(-4);
  SelectDrawTargetBody(screen);
  g_GraphDrawState.DrawArea = area;
  g_DisplayDevice.gdiVisibleApplied = effective;
  return 0;
}

int UpdateGdiVisibleMode() { return SetGDIVisibleMode(static_cast<int>(g_DisplayDevice.gdiVisibleMode)); }

// ---- Start-up, mode changes, shutdown -------------------------------------------------------------------------

int InitDirectDraw() {
  if (g_DisplayDevice.object != nullptr) return -1;
  WriteLog("DirectDraw 関連の初期化を行います\n");
  IncreaseLogIndent();
  g_DisplayDevice.window = g_System.mainWindow;
  // A new device: no mode change or vertical-blank wait has happened on it yet.
  g_DisplayDevice.lastModeChangeTime = 0;
  g_DisplayDevice.lastVBlankTime = 0;
  if (CreateDirectDrawObject() != 0) FatalExit("DirectDrawオブジェクトの作成に失敗しました");
  if (CreateClipperForWindow(g_DisplayDevice.window) != 0)
    FatalExit("DirectDrawClipperオブジェクトの作成時にエラーが発生しました");
  DisplayDeviceState& d = g_DisplayDevice;
  if (d.width == 0) d.width = 640;
  if (d.height == 0) d.height = 480;
  if (d.screenBits == 0) d.screenBits = 16;
  d.requestedBits = d.screenBits;
  SyncScreenFormat();
  ChangeScreenMode(-1, -1, -1, 1, -1);
  if (IsWindowRegionSet() == 0) {
    SelectDrawTargetBody(-2);
    ClearCurrentDrawScreenBody();
    CopyBackScreenToFront();
    SelectDrawTargetBody(-4);
  }
  d.up = 1;
  DirectDrawStarted = 1;
  d.mmxFlag = static_cast<std::uint32_t>(GetMmxFlag());
  g_GraphMmxFlag = static_cast<std::int32_t>(d.mmxFlag);
  g_object->GetCaps(&d.caps);
  // The overlay probe runs only for drivers that can stretch overlays; the device reports none.
  d.overlayFormat = -1;
  WriteLog("オーバーレイサーフェスは使用しません\n");
  DecreaseLogIndent();
  WriteLog("DirectDraw 関連の初期化は正常に終了しました\n");
  BuildBlendTables();
  return 0;
}

int ChangeScreenMode(int width, int height, int bits, int force, int refresh) {
  DisplayDeviceState& d = g_DisplayDevice;
  const int tablesReady = g_BlendTablesReady;
  // The transparent colour survives the re-initialisation of the draw state.
  const std::uint32_t transparentColor = g_GraphDrawState.TransparentColor;
  const std::uint32_t newWidth = width == -1 ? d.width : static_cast<std::uint32_t>(width);
  const std::uint32_t newHeight = height == -1 ? d.height : static_cast<std::uint32_t>(height);
  const std::uint32_t newBits = bits == -1 ? d.screenBits : static_cast<std::uint32_t>(bits);
  const std::uint32_t newRefresh = refresh == -1 ? d.refresh : static_cast<std::uint32_t>(refresh);
  if (newWidth == d.width && newHeight == d.height && newBits == d.screenBits && newRefresh == d.refresh && force == 0)
    return 0;
  WriteLog("画面モード変更処理を開始します\n");
  IncreaseLogIndent();
  // The default font's size and thickness are set up again once graphics management has been re-initialised.
  int fontSize = 0, fontThickness = 0;
  const bool fontNoted = GetFontStateToHandle(nullptr, &fontSize, &fontThickness, g_DefaultFont.Handle) == 0;
  const std::uint32_t oldWidth = d.width, oldHeight = d.height, oldBits = d.screenBits, oldRefresh = d.refresh;
  d.width = newWidth;
  d.height = newHeight;
  d.screenBits = newBits;
  d.refresh = newRefresh;
  if (d.object == nullptr) {
    DecreaseLogIndent();
    return 0;
  }
  d.gdiVisibleApplied = -1;
  // Pacing: mode changes at least 2060 ms apart, 60 ms otherwise.
  const std::uint32_t elapsed = Elapsed(d.lastModeChangeTime);
  if (d.lastModeChangeTime != 0 && elapsed < 2000) {
    platform::SleepMilliseconds(2060 - elapsed);
  } else {
    platform::SleepMilliseconds(60);
  }
  d.lastModeChangeTime = platform::MillisecondClock();
  if (d.lastModeChangeTime == 0) d.lastModeChangeTime = 1;

  DeleteAllGraph(0);
  TerminateGraphManage();
  TerminateDirect3D();
  ReleaseScreenPalette();
  ReleaseMainSurfaces();
  int result = 0;
  if (tablesReady == 0) {
    result = FirstModeSetUp(oldWidth, oldHeight, oldBits, oldRefresh);
  } else {
    result = LaterModeChange(oldWidth, oldHeight, oldBits, oldRefresh);
  }
  DecreaseLogIndent();

  UpdateScreenColorData();
  if (g_System.windowMode == 1) ApplyWindowStyle();
  CreateScreenSurfaces();
  if (d.notUse3D == 0 && d.softwareRender == 0) InitDirect3D();
  InitGraphManage();
  if (fontNoted) SetFontSizeAndThickness(fontSize, fontThickness);
  SetupScreenLog();
  CreateScreenPalette();
  if (!(d.softwareRender == 1 && d.screenBits != 8)) ChooseCopyMethod();
  MeasureFrameTime();
  if (tablesReady != 0) g_GraphDrawState.TransparentColor = transparentColor;
  WriteLog("画面モード変更処理は正常に終了しました\n");
  ProcessMessageBody();
  ResetPresentFrameCounters();
  return result;
}

int UpdateScreenColorData() {
  if (g_DisplayDevice.object == nullptr) return -1;
  dd::DisplayMode mode{};
  g_DisplayDevice.object->GetDisplayMode(&mode);
  DDPixelFormat format{};
  static_assert(sizeof(format) == sizeof(mode.format));
  std::memcpy(&format, &mode.format, sizeof format);
  SetScreenPixelFormat(&format);
  WriteLog("カラー情報\n");
  IncreaseLogIndent();
  LogPrintf("A:%08x  B:%08x  G:%08x  B:%08x", format.maskA, format.maskR, format.maskG, format.maskB);
  DecreaseLogIndent();
  g_DisplayDevice.screenBits = format.rgbBitCount;
  if (format.maskR == 0xF800 && format.maskG == 0x07E0 && format.maskB == 0x001F) {
    g_DisplayDevice.formatKind = 0;
  } else if (format.maskR == 0x7C00 && format.maskG == 0x03E0 && format.maskB == 0x001F) {
    g_DisplayDevice.formatKind = 1;
  } else if (format.maskR == 0xFF0000 && format.maskG == 0xFF00 && format.maskB == 0xFF) {
    g_DisplayDevice.formatKind = 2;
  } else {
    g_DisplayDevice.formatKind = 3;
  }
  SyncScreenFormat();
  return 0;
}

int WaitVSync() {
  DisplayDeviceState& d = g_DisplayDevice;
  if (d.object == nullptr) return -1;
  const std::int32_t since = static_cast<std::int32_t>(platform::MillisecondClock() - d.lastVBlankTime);
  if (since >= d.vblankThreshold) {
    platform::SleepMilliseconds(0);
    bool blank = false;
    d.object->GetVerticalBlankStatus(&blank);
    if (!blank) d.object->WaitForVerticalBlank();
  } else {
    while (static_cast<std::int32_t>(platform::MillisecondClock() - d.lastVBlankTime) < d.vblankThreshold)
      platform::SleepMilliseconds(1);
    d.object->WaitForVerticalBlank();
  }
  d.lastVBlankTime = platform::MillisecondClock();
  return 0;
}

int TerminateDirectDraw() {
  DisplayDeviceState& d = g_DisplayDevice;
  if (d.object == nullptr) return 0;
  WriteLog("DirectDraw 関連の終了処理をおこないます\n");
  IncreaseLogIndent();
  ReleaseScreenPalette();
  TerminateGraphManage();
  DeleteAllSurface2D();
  TerminateDirect3D();
  ReleaseMainSurfaces();
  g_clipper.reset();
  d.clipper = nullptr;
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  const bool exclusive = (d.cooperativeFlags & dd::kSclExclusive) != 0;
  if (exclusive) {
    g_object->SetCooperativeLevel(d.window, dd::kSclNormal);
    g_object->RestoreDisplayMode();
  }
  ReleaseDirectDrawObject();
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  d.fullScreenActive = 0;
  WriteLog("画面モードを元に戻す処理は正常に終了しました\n");
  DecreaseLogIndent();
  WriteLog("DirectDraw 関連の終了処理は正常に終了しました\n");
  ReleaseBlendTables();
  d.up = 0;
  DirectDrawStarted = 0;
  return 0;
}

int GetDirectDrawCaps(dd::Caps* out) {
  if (out == nullptr) return -1;
  *out = g_DisplayDevice.caps;
  return 0;
}

// ---- Device rebuild steps ----------------------------------------------------------------------------------------

int ReleaseDirectDraw() {
  DisplayDeviceState& d = g_DisplayDevice;
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  if (g_object == nullptr) {
    WriteLog("既に解放されています\n");
    return 0;
  }
  ReleaseAllSurface2DStorage();
  if (g_System.windowMode != 1 && d.fullScreenActive == 1) {
    g_object->SetCooperativeLevel(d.window, dd::kSclNormal);
    g_object->RestoreDisplayMode();
    d.fullScreenActive = 0;
  }
  ReleaseScreenPalette();
  ReleaseClipper();
  ReleaseDirectDrawObject();
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  return 0;
}

int ReapplyDisplayMode() {
  const DisplayDeviceState& d = g_DisplayDevice;
  if (g_object == nullptr) return -1;
  const platform::DesktopInfo desktop = platform::GetDesktopInfo();
  SetDisplayModeAndLevel(desktop.width, desktop.height, static_cast<int>(d.width), static_cast<int>(d.height),
                         static_cast<int>(d.screenBits), g_System.windowMode);
  return 0;
}

int RecreateDirectDraw() {
  if (g_object != nullptr) return 0;
  if (CreateDirectDrawObject() != 0) FatalExit("DirectDraw オブジェクトの作成処理時にエラーが発生しました");
  ReapplyDisplayMode();
  RecreateAllSurface2DStorage();
  RecreateClipper();
  return 0;
}

int ReleaseClipper() {
  if (g_Screens.primary != nullptr && g_Screens.primary->GetClipper() == g_clipper.get())
    g_Screens.primary->SetClipper(nullptr);
  g_clipper.reset();
  g_DisplayDevice.clipper = nullptr;
  return 0;
}

int RecreateClipper() {
  if (g_object == nullptr || g_clipper != nullptr) return 0;
  if (CreateClipperForWindow(g_DisplayDevice.window) != 0) FatalExit("クリッパーオブジェクトの作成失敗しました");
  return 0;
}
