#include "engine/graphics/present.h"

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/core/pending_subsystems.h"
#include "engine/core/start_engine.h"
#include "engine/core/system_record.h"
#include "engine/core/window.h"
#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/softrender/graphics_glue.h"
#include "platform/base/clock.h"

namespace dd = platform::dd;

namespace {

std::uint64_t g_frameCounters[2] = {0, 0};

// The on-screen log is drawn over the picture before it is shown (whole-screen draw area, no blend, full
// brightness); the draw state is put back afterwards.
void DrawScreenLogIfAny() {
  if (GetScreenLogLineCount() == 0) return;
  GraphDrawState& st = g_GraphDrawState;
  const RECT area = st.DrawArea;
  float areaF[4];
  for (int i = 0; i < 4; ++i) areaF[i] = st.DrawAreaF[i];
  const int empty = st.DrawAreaEmpty, mode = st.BlendMode, param = st.BlendParam;
  const std::uint32_t brightness = st.Brightness;
  int w = 640, h = 480;
  QueryScreenSizeBody(&w, &h);
  SetDrawClipArea(0, 0, w, h);
  st.BlendMode = 0;
  st.BlendParam = 0;
  st.Brightness = kNoBrightness;
  DrawScreenLog();
  st.DrawArea = area;
  for (int i = 0; i < 4; ++i) st.DrawAreaF[i] = areaF[i];
  st.DrawAreaEmpty = empty;
  st.BlendMode = mode;
  st.BlendParam = param;
  st.Brightness = brightness;
}

void CountPresent() { ++g_Screens.presentCount; }

bool ExclusiveHardwareFullScreen() {
  return IsSoftwareScreenModel() == 0 && GetGDIVisibleMode() == 0 && g_System.windowMode == 0 && GetMenuFlag() == 0 &&
         GetFullScreenActiveFlag() == 1;
}

void ScreenSize(int* w, int* h) { QueryScreenSizeBody(w, h); }

// Source and destination rectangles of the copy to the primary.
void CopyRects(dd::Rect* src, dd::Rect* dest) {
  int w = 0, h = 0;
  ScreenSize(&w, &h);
  *src = dd::Rect{0, 0, w, h};
  *dest = *src;
  if (g_System.windowMode == 1) {
    platform::Rect client{};
    GetClientRectWithToolbar(&client);
    const double scale = GetWindowScale();
    *dest = dd::Rect{client.left, client.top, client.left + static_cast<int>(w * scale),
                     client.top + static_cast<int>(h * scale)};
  }
}

}  // namespace

int PresentBackScreenBody() {
  if (GetDirectDrawObject() == nullptr || DirectDrawDevice() == nullptr) return -1;
  WaitWhileInactive();
  if (!ExclusiveHardwareFullScreen()) return CopyBackScreenToFront();
  DrawScreenLogIfAny();
  if (g_DrawScreenSurface.screen == -4 && GetWaitVSyncFlag() == 1) {
    CountPresent();
    return WaitVBlankPumping(1);
  }
  G_D3D_FlushVertexBatch();
  G_D3D_EndScene();
  if (GetWaitVSyncFlag() == 1) {
    g_Screens.primary->Flip(nullptr, dd::kFlipWait);
    platform::SleepMilliseconds(1);
  } else {
    g_Screens.primary->Flip(nullptr, dd::kFlipWait | dd::kFlipNoVSync);
  }
  CountPresent();
  return 0;
}

int CopyBackScreenToFront() {
  if (GetDirectDrawObject() == nullptr || DirectDrawDevice() == nullptr || g_Screens.primary == nullptr) return -1;
  DrawScreenLogIfAny();
  if (g_DrawScreenSurface.screen == -4) {
    CountPresent();
    return WaitVBlankPumping(1);
  }
  dd::Rect src{}, dest{};
  CopyRects(&src, &dest);
  ScreenBuffers& s = g_Screens;
  const bool wait = GetWaitVSyncFlag() == 1;
  if (IsSoftwareScreenModel() == 0) {
    G_D3D_FlushVertexBatch();
    G_D3D_EndScene();
    if (wait) WaitVSync();
    if (g_System.windowMode == 0 && GetGDIVisibleMode() == 0 && GetMenuFlag() == 0) {
      s.primary->BltFast(0, 0, s.back, &src, dd::kBltFastWait);
    } else if (g_System.windowMode == 0) {
      s.primary->Blt(nullptr, s.back, nullptr, dd::kBltWait, 0);
    } else {
      s.primary->Blt(&dest, s.back, &src, dd::kBltWait, 0);
    }
  } else {
    if (s.backMapped == 1) {
      s.back->Unlock();
      if (wait) WaitVSync();
      s.primary->Blt(&dest, s.back, &src, dd::kBltWait, 0);
      std::uint8_t* pixels = nullptr;
      int pitch = 0;
      if (s.back->Lock(nullptr, dd::kLockWait, &pixels, &pitch) != dd::kOk)
        FatalExit("バックサーフェスのロックに失敗しました");
      s.backImage.Image = pixels;
      s.backImage.Pitch = pitch;
    } else {
      std::uint8_t* pixels = nullptr;
      int pitch = 0;
      if (s.back->Lock(nullptr, dd::kLockWait, &pixels, &pitch) != dd::kOk)
        FatalExit("バックサーフェスのロックに失敗しました");
      const ImageRect whole{0, 0, s.backImage.Width, s.backImage.Height};
      ConvertTransferRect(pixels, pitch, GetScreenColorData(), s.backImage.Image, s.backImage.Pitch,
                          s.backImage.ColorInfo, nullptr, 0, nullptr, 0, 0, &whole, 0, 0, 0, 0, 0, 0, 0);
      s.back->Unlock();
      if (wait) WaitVSync();
      s.primary->Blt(&dest, s.back, &src, dd::kBltWait, 0);
    }
    s.frontStale = 1;
  }
  CountPresent();
  return 0;
}

int WaitVBlankPumping(int frames) {
  dd::DirectDraw* object = DirectDrawDevice();
  if (object == nullptr) return -1;
  WaitWhileInactive();
  auto blank = [object] {
    bool b = false;
    object->GetVerticalBlankStatus(&b);
    return b;
  };
  // Polls until the blank is in the wanted state; a nonzero pass result ends the wait.
  auto pollUntil = [&](bool wanted) -> int {
    while (blank() != wanted) {
      const int r = ProcessMessageBody();
      if (r < 0) return -1;
      if (r != 0) return 1;
    }
    return 0;
  };
  if (frames <= 0) return pollUntil(true) < 0 ? -1 : 0;
  for (int i = 0; i < frames; ++i) {
    int r = pollUntil(false);
    if (r == 0) r = pollUntil(true);
    if (r < 0) return -1;
    if (r > 0) break;
  }
  return 0;
}

std::uint64_t GetPresentCount() { return g_Screens.presentCount; }

void ResetPresentFrameCounters() { g_frameCounters[0] = g_frameCounters[1] = 0; }

int CopySurfaceRect(dd::Surface* destination, dd::Surface* source, int x, int y, const dd::Rect* sourceRect,
                    int method) {
  if (destination == nullptr || source == nullptr || sourceRect == nullptr) return -1;
  if (method == -1) method = static_cast<int>(g_DisplayDevice.copyMethod);
  if (method == 0) return destination->BltFast(x, y, source, sourceRect, 0) == dd::kOk ? 0 : -1;
  const dd::Rect dest{x, y, x + (sourceRect->right - sourceRect->left), y + (sourceRect->bottom - sourceRect->top)};
  dd::Clipper* clipper = destination->GetClipper();
  destination->SetClipper(nullptr);
  const dd::Result r = destination->Blt(&dest, source, sourceRect, dd::kBltWait, 0);
  destination->SetClipper(clipper);
  return r == dd::kOk ? 0 : -1;
}
