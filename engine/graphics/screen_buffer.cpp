#include "engine/graphics/screen_buffer.h"

#include <cstring>

#include "engine/core/log.h"
#include "engine/core/start_engine.h"
#include "engine/core/system_record.h"
#include "engine/core/window.h"
#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/graphics_init.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/screen_format.h"
#include "engine/graphics/screen_palette.h"
#include "engine/graphics/surface2d.h"
#include "engine/graphics/surface_data.h"
#include "engine/softrender/graphics_glue.h"

namespace dd = platform::dd;

ScreenBuffers g_Screens{};
DrawScreenSurfaceState g_DrawScreenSurface{};
MEMIMG* DrawScreenMemImg = nullptr;
MEMIMG* LockWorkMemImg = nullptr;
MEMIMG* LockSourceMemImg = nullptr;

namespace {

// Lock state of the one draw in progress.
struct LockState {
  dd::Surface* destSurface;
  int destLocked;
  dd::Surface* sourceSurface;
  int sourceLocked;
  MEMIMG destImage;
  MEMIMG sourceImage;
  // Screens whose pixels the renderer cannot draw (8-bit palette indices, X1R5G5B5 and other layouts): the draw
  // works on a copy of the locked rectangle in the standard format, written back converted at the unlock.
  int converted;
  RECT convertedRect;
  std::uint8_t* lockedPixels;
  int lockedPitch;
  MEMIMG convertImage;
};
LockState g_lock{};

bool NeedsConversion() {
  const int bits = GetScreenBits();
  return bits == 8 || ((bits == 16 || bits == 32) && g_DisplayDevice.formatKind != 0 && g_DisplayDevice.formatKind != 2);
}

int WorkFormat() { return GetScreenBits() == 16 ? kFormat16 : kFormat32; }

// A colour value of the screen's format in the work format.
std::uint32_t ScreenColourToWork(std::uint32_t value) {
  if (GetScreenBits() == 8) return PaletteIndexToRgb(static_cast<std::uint8_t>(value));
  int r = 0, g = 0, b = 0;
  ColorValueToRGB(static_cast<int>(value), &r, &g, &b);
  return MakePixelValue(GetStandardColorData(WorkFormat(), 0, 0), r, g, b, 0);
}

// The work image of a converted draw, of the draw target's size, holding the locked rectangle's colours.
MEMIMG* ConvertFromScreen(const RECT& r, std::uint8_t* pixels, int pitch, int width, int height) {
  MEMIMG& img = g_lock.convertImage;
  if (img.Tag == kMemImgTag && (img.Width != width || img.Height != height || img.Format != WorkFormat()))
    ReleaseMemImg(&img);
  if (img.Tag != kMemImgTag) {
    std::memset(&img, 0, sizeof(MEMIMG));
    if (MakeMemImg(&img, width, height, WorkFormat()) != 0) return nullptr;
  }
  if (GetScreenBits() == 8) {
    for (int y = r.top; y < r.bottom; ++y) {
      const std::uint8_t* src = pixels + static_cast<std::ptrdiff_t>(y - r.top) * pitch;
      auto* dst = reinterpret_cast<std::uint32_t*>(img.Image + static_cast<std::ptrdiff_t>(y) * img.Pitch) + r.left;
      for (int x = 0; x < r.right - r.left; ++x) dst[x] = PaletteIndexToRgb(src[x]);
    }
  } else {
    const ImageRect src{0, 0, r.right - r.left, r.bottom - r.top};
    ConvertTransferRect(img.Image, img.Pitch, img.ColorInfo, pixels, pitch, GetScreenColorData(), nullptr, 0, nullptr,
                        r.left, r.top, &src, 0, 0, 0, 0, 0, 0, 0);
  }
  g_lock.converted = 1;
  g_lock.convertedRect = r;
  g_lock.lockedPixels = pixels;
  g_lock.lockedPitch = pitch;
  return &img;
}

void ConvertBackToScreen() {
  const RECT& r = g_lock.convertedRect;
  const MEMIMG& img = g_lock.convertImage;
  if (GetScreenBits() == 8) {
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint8_t* dst = g_lock.lockedPixels + static_cast<std::ptrdiff_t>(y - r.top) * g_lock.lockedPitch;
      const auto* src =
          reinterpret_cast<const std::uint32_t*>(img.Image + static_cast<std::ptrdiff_t>(y) * img.Pitch) + r.left;
      for (int x = 0; x < r.right - r.left; ++x) dst[x] = RgbToPaletteIndex(src[x] & 0xFFFFFFu);
    }
  } else {
    const ImageRect src{r.left, r.top, r.right, r.bottom};
    ConvertTransferRect(g_lock.lockedPixels, g_lock.lockedPitch, GetScreenColorData(), img.Image, img.Pitch,
                        img.ColorInfo, nullptr, 0, nullptr, 0, 0, &src, 0, 0, 0, 0, 0, 0, 0);
  }
  g_lock.converted = 0;
}

[[noreturn]] void Fatal(const char* message) {
  FatalExit(message);
  __builtin_unreachable();
}

int ScreenWidth() {
  int w = 0;
  QueryScreenSizeBody(&w, nullptr);
  return w;
}

int ScreenHeight() {
  int h = 0;
  QueryScreenSizeBody(nullptr, &h);
  return h;
}

dd::Surface* MakeSurface(std::uint32_t caps, int width, int height, const char* failure) {
  dd::Surface* s = nullptr;
  dd::SurfaceDesc desc{caps, width, height, 0, {}};
  if (DirectDrawDevice()->CreateSurface(desc, &s) != dd::kOk) Fatal(failure);
  return s;
}

// The back image over the locked back surface (software model).
void MapBackImage() {
  std::uint8_t* pixels = nullptr;
  int pitch = 0;
  if (g_Screens.back->Lock(nullptr, dd::kLockWait, &pixels, &pitch) != dd::kOk)
    Fatal("バックサーフェスのロックに失敗しました");
  std::memset(&g_Screens.backImage, 0, sizeof(MEMIMG));
  g_Screens.backImage.Image = pixels;
  if (InitMemImg(&g_Screens.backImage, ScreenWidth(), ScreenHeight(), pitch, 0,
                 ScreenRequestedBits() == 16 ? kFormat16 : kFormat32, 0, 0, 0) != 0)
    Fatal("バックサーフェス用の MEMIMG の作成に失敗しました\n");
}

const char* MemoryKind(const dd::Surface* s) {
  return (s->Caps() & dd::kCapsVideoMemory) != 0 ? "VIDEOMEMORY" : "SYSTEMMEMORY";
}

void ClipToScreenRect(dd::Rect* r, bool front) {
  const int w = ScreenWidth(), h = ScreenHeight();
  *r = dd::Rect{0, 0, w, h};
  if (front && g_System.windowMode == 1) {
    platform::Rect client{};
    GetClientRectWithToolbar(&client);
    *r = dd::Rect{client.left, client.top, client.left + w, client.top + h};
  }
}

}  // namespace

int IsSoftwareScreenModel() { return SoftwareRenderFlag == 1 && ScreenColorBits != 8 ? 1 : 0; }

int CreateScreenSurfaces() {
  if (DirectDrawDevice() == nullptr || g_Screens.primary != nullptr) return -1;
  WriteLog("出力画面用の DirectDrawSurface を作成します\n");
  IncreaseLogIndent();
  const int w = ScreenWidth(), h = ScreenHeight();
  ScreenBuffers& s = g_Screens;
  if (IsSoftwareScreenModel()) {
    s.mainImagesInUse = 1;
    s.primary = MakeSurface(dd::kCapsPrimarySurface | dd::kCapsSystemMemory, 0, 0, "プライマリサーフェスの作成に失敗しました");
    s.back = MakeSurface(dd::kCapsOffscreenPlain | dd::kCapsSystemMemory, w, h, "バックサーフェスの作成に失敗しました");
    s.back->Blt(nullptr, nullptr, nullptr, dd::kBltColorFill | dd::kBltWait, 0);
    if (MakeMemImg(&s.frontImage, w, h, ScreenRequestedBits() == 16 ? kFormat16 : kFormat32) != 0)
      Fatal("プライマリサーフェス用の MEMIMG の作成に失敗しました\n");
    s.back->PageLock();
    s.primary->PageLock();
    const std::uint32_t kind = g_DisplayDevice.formatKind;
    s.backMapped = ScreenRequestedBits() == GetScreenBits() &&
                           ((GetScreenBits() == 16 && kind == 0) || (GetScreenBits() == 32 && kind == 2))
                       ? 1
                       : 0;
    if (s.backMapped == 1) {
      MapBackImage();
    } else if (MakeMemImg(&s.backImage, w, h, ScreenRequestedBits() == 16 ? kFormat16 : kFormat32) != 0) {
      Fatal("バックサーフェス用の MEMIMG の作成に失敗しました\n");
    }
    if (MakeZBufferMemImg(&s.zImage, w, h) != 0) Fatal("Ｚバッファサーフェス用の MEMIMG の作成に失敗しました\n");
  } else {
    if (g_System.windowMode == 1 || GetFullScreenActiveFlag() == 0) {
      g_DisplayDevice.requestedBits = g_DisplayDevice.screenBits;
      g_ScreenFormat.requestedBits = g_DisplayDevice.screenBits;
      s.primary = MakeSurface(dd::kCapsPrimarySurface | dd::kCaps3DDevice, 0, 0, "プライマリサーフェスの作成に失敗しました");
      s.back = MakeSurface(dd::kCapsOffscreenPlain | dd::kCaps3DDevice, w, h, "バックサーフェスの作成に失敗しました");
      s.back->Blt(nullptr, nullptr, nullptr, dd::kBltColorFill | dd::kBltWait, 0);
      s.backBufferCount = 0;
    } else {
      const std::uint64_t need = 8ull * (GetScreenBits() / 8) * static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
      const std::uint32_t total = g_DisplayDevice.totalVideoMemory;
      s.backBufferCount = total >= 0x800000u && total >= need ? 2 : 1;
      dd::SurfaceDesc desc{dd::kCapsPrimarySurface | dd::kCaps3DDevice | dd::kCapsFlip | dd::kCapsComplex, 0, 0,
                           s.backBufferCount, {}};
      if (DirectDrawDevice()->CreateSurface(desc, &s.primary) != dd::kOk) Fatal("プライマリサーフェスの作成に失敗しました");
      s.back = s.primary->BackBuffer();
      if (s.back == nullptr) Fatal("バックバッファのポインタ取得に失敗しました");
      for (int i = 0; i < 3; ++i) {
        s.back->Blt(nullptr, nullptr, nullptr, dd::kBltColorFill | dd::kBltWait, 0);
        s.primary->Flip(nullptr, dd::kFlipWait);
      }
    }
    s.work = MakeSurface(dd::kCapsOffscreenPlain | dd::kCapsSystemMemory, w, h, "作業用サーフェスの作成に失敗しました");
    s.work->SetColorKey(0, 0);
    s.work2 = MakeSurface(dd::kCapsOffscreenPlain | dd::kCapsSystemMemory, w, h, "作業用サーフェス２の作成に失敗しました");
    s.work2->SetColorKey(0, 0);
    dd::Surface* z = nullptr;
    dd::SurfaceDesc zDesc{dd::kCapsZBuffer | dd::kCapsVideoMemory, w, h, 0, dd::ZBufferFormat16()};
    if (DirectDrawDevice()->CreateSurface(zDesc, &z) != dd::kOk) Fatal("Ｚバッファの作成に失敗しました");
    s.zSurface = z;
    s.back->AddAttachedSurface(z);
  }
  WriteLog("各スクリーンメモリの配置位置\n");
  IncreaseLogIndent();
  if (IsSoftwareScreenModel()) {
    WriteLog("PrimaryBuffer : SYSTEMMEMORY( MEMIMG ) ");
    WriteLog("BaskBuffer : SYSTEMMEMORY( MEMIMG ) ");
  } else {
    LogPrintf("PrimaryBuffer : %s  ", MemoryKind(s.primary));
    LogPrintf("BaskBuffer : %s  ", MemoryKind(s.back));
  }
  DecreaseLogIndent();
  DecreaseLogIndent();
  WriteLog("出力画面用の DirectDrawSurface の作成は正常に終了しました\n");
  return 0;
}

int ReleaseMainSurfaces() {
  dd::DirectDraw* object = DirectDrawDevice();
  if (object == nullptr) return -1;
  ScreenBuffers& s = g_Screens;
  if (s.mainImagesInUse == 1 && s.back != nullptr && s.backMapped == 1) s.back->Unlock();
  if (s.zSurface != nullptr) {
    if (s.back != nullptr) s.back->DeleteAttachedSurface(s.zSurface);
    object->ReleaseSurface(s.zSurface);
    s.zSurface = nullptr;
  }
  if (s.primary != nullptr) {
    WriteLog("メインサーフェスを破棄をします... 完了しました\n");
    s.primary->SetClipper(nullptr);
    // A flip chain's back buffer belongs to its primary.
    if (s.back != nullptr && s.back != s.primary->BackBuffer()) object->ReleaseSurface(s.back);
    object->ReleaseSurface(s.primary);
    s.primary = s.back = nullptr;
  }
  object->ReleaseSurface(s.work);
  object->ReleaseSurface(s.work2);
  s.work = s.work2 = nullptr;
  if (s.mainImagesInUse == 1) {
    ReleaseMemImg(&s.frontImage);
    ReleaseMemImg(&s.backImage);
    ReleaseMemImg(&s.zImage);
    std::memset(&s.frontImage, 0, sizeof(MEMIMG));
    std::memset(&s.backImage, 0, sizeof(MEMIMG));
    std::memset(&s.zImage, 0, sizeof(MEMIMG));
    s.mainImagesInUse = 0;
  }
  s.backMapped = 0;
  ReleaseMemImg(&g_lock.convertImage);
  // Nothing may keep pointing at the released screens.
  g_DrawScreenSurface.target = nullptr;
  g_DrawScreenSurface.zImage = nullptr;
  DrawScreenMemImg = nullptr;
  return 0;
}

int RestoreMainSurfaces() {
  if (DirectDrawDevice() == nullptr) return -1;
  for (dd::Surface* s : {g_Screens.primary, g_Screens.back, g_Screens.zSurface})
    if (s != nullptr && s->IsLost() == dd::kErrSurfaceLost) s->Restore();
  return 0;
}

namespace {

// The view of a graphic target's tile inside its storage (the storage may be shared with other graphics).
MEMIMG g_graphTargetView{};

// A graphic as draw target: its first tile's image becomes the draw image, so every draw path writes into the
// graphic's own pixels. Tiles are always held as MEMIMGs here; a graphic without a usable tile is refused, as is a
// texture graphic (there is no texture storage to draw into).
int SelectGraphDrawSurface(int handle, bool clipperWanted) {
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr || g->Flags.Texture != 0 || g->TileCount < 1) return -1;
  const Surface2D* tile = GetSurface2D(g->Tiles[0]);
  if (tile == nullptr || tile->Width < g->Width || tile->Height < g->Height) return -1;
  SurfaceData* data = GetSurfaceData(tile->SurfaceDataHandle);
  if (data == nullptr) return -1;
  MEMIMG view{};
  const MEMIMG* image = TileMemImg(tile, &view);
  if (image == nullptr) return -1;
  if (image == &view) {
    g_graphTargetView = view;
    image = &g_graphTargetView;
  }
  DrawScreenSurfaceState& d = g_DrawScreenSurface;
  d.screen = handle;
  d.target = nullptr;
  d.offsetX = d.offsetY = 0;
  d.width = g->Width;
  d.height = g->Height;
  DrawScreenMemImg = const_cast<MEMIMG*>(image);
  d.zImage = MemImgHasPixels(&data->ZImage) ? &data->ZImage : nullptr;
  if (clipperWanted && g_Screens.primary != nullptr) g_Screens.primary->SetClipper(g_DisplayDevice.clipper);
  d.targetInVideoMemory = 0;
  return 0;
}

}  // namespace

int SetDrawScreenSurface(int screen) {
  DrawScreenSurfaceState& d = g_DrawScreenSurface;
  const bool clipperWanted = g_System.windowMode == 1 || GetGDIVisibleMode() == 1 || GetMenuFlag() == 1;
  if (screen != -4 && screen != -2) return SelectGraphDrawSurface(screen, clipperWanted);
  d.screen = screen;
  d.offsetX = d.offsetY = 0;
  d.width = ScreenWidth();
  d.height = ScreenHeight();
  if (screen == -4) {
    d.target = g_Screens.primary;
    DrawScreenMemImg = g_Screens.mainImagesInUse == 1 ? &g_Screens.frontImage : nullptr;
    d.zImage = nullptr;
    if (clipperWanted && g_Screens.primary != nullptr) g_Screens.primary->SetClipper(nullptr);
  } else {
    d.target = g_Screens.back;
    DrawScreenMemImg = g_Screens.mainImagesInUse == 1 ? &g_Screens.backImage : nullptr;
    d.zImage = g_Screens.mainImagesInUse == 1 ? &g_Screens.zImage : nullptr;
    if (clipperWanted && g_Screens.primary != nullptr) g_Screens.primary->SetClipper(g_DisplayDevice.clipper);
  }
  d.targetInVideoMemory = d.target != nullptr && (d.target->Caps() & dd::kCapsVideoMemory) != 0 ? 1 : 0;
  return 0;
}

int RefreshGraphDrawSurface() {
  const int screen = g_DrawScreenSurface.screen;
  if (screen == -4 || screen == -2) return 0;
  if (SetDrawScreenSurface(screen) == 0) return 0;
  ForgetDrawTargetGraph(screen);
  return -1;
}

void ForgetDrawTargetGraph(int handle) {
  DrawScreenSurfaceState& d = g_DrawScreenSurface;
  if (handle == -4 || handle == -2 || d.screen != handle) return;
  DrawScreenMemImg = nullptr;
  d.zImage = nullptr;
  d.target = nullptr;
}

int ClearDrawScreenSurface() {
  if (GetDirectDrawObject() == nullptr || DirectDrawDevice() == nullptr) return -1;
  if (g_DisplayDevice.up == 1) G_D3D_EndScene();
  G_D3D_FlushVertexBatch();
  DrawScreenSurfaceState& d = g_DrawScreenSurface;
  if (IsSoftwareScreenModel() || (d.screen != -4 && d.screen != -2)) {
    if (DrawScreenMemImg != nullptr) FillMemImg(DrawScreenMemImg, nullptr, 0);
    if (d.zImage != nullptr) FillMemImg(d.zImage, nullptr, 65535);
    return 0;
  }
  if (d.target == nullptr) return 0;
  dd::Rect rect{};
  ClipToScreenRect(&rect, d.screen == -4);
  d.target->Blt(&rect, nullptr, nullptr, dd::kBltColorFill, 0);
  if (d.screen == -2 && g_Screens.zSurface != nullptr) {
    const dd::Rect whole{0, 0, ScreenWidth(), ScreenHeight()};
    g_Screens.zSurface->Blt(&whole, nullptr, nullptr, dd::kBltDepthFill | dd::kBltWait, 65535);
  }
  return 0;
}

namespace {
// The lock's source side: the tile's pixels as the lock's source image. Unlocks and gives -1 when they are missing.
int AttachLockSource(Surface2D* tile);
}  // namespace

int LockDrawScreenBuffer(Surface2D* tile, int, const RECT*, const RECT* destRect, int, std::uint32_t* colour1,
                         std::uint32_t* colour2) {
  if (IsSoftwareScreenModel()) return 0;
  if (destRect == nullptr) return -1;
  LockWorkMemImg = LockSourceMemImg = nullptr;
  // Hardware Blt needs a source tile held as a surface; tiles here are held as MEMIMGs, so the software path always
  // runs. The screen format is 16-bit R5G6B5 or 32-bit X8R8G8B8 (the device offers no other), so no conversion.
  RECT r = *destRect;
  ClipRect(&r, &g_GraphDrawState.DrawArea);
  if (r.left == r.right || r.top == r.bottom) return -1;
  DrawScreenSurfaceState& d = g_DrawScreenSurface;
  MEMIMG* mask = g_GraphDrawState.MaskActive != 0 ? GetMaskMemImg() : nullptr;
  if (mask != nullptr && MemImgHasPixels(mask)) {
    LockWorkMemImg = mask;
  } else if (g_GraphDrawState.MaskActive == 0 && DrawScreenMemImg != nullptr && MemImgHasPixels(DrawScreenMemImg)) {
    // Graphics keep standard pixels on screens whose colour values are of another layout (palette indices too).
    if (NeedsConversion()) {
      if (colour1 != nullptr) *colour1 = ScreenColourToWork(*colour1);
      if (colour2 != nullptr) *colour2 = ScreenColourToWork(*colour2);
    }
    if (d.offsetX == 0 && d.offsetY == 0) {
      LockWorkMemImg = DrawScreenMemImg;
    } else {
      std::memset(&g_lock.destImage, 0, sizeof(MEMIMG));
      DeriveMemImg(&g_lock.destImage, DrawScreenMemImg, d.offsetX, d.offsetY, d.width, d.height);
      LockWorkMemImg = &g_lock.destImage;
    }
  } else {
    // With the mask active the draw lands in the mask's scratch surface, which has the draw target's frame.
    dd::Surface* maskSurface = g_GraphDrawState.MaskActive != 0 ? GetMaskSurface() : nullptr;
    dd::Surface* surface = maskSurface != nullptr ? maskSurface : d.target;
    if (surface == nullptr) return -1;
    int ox = maskSurface != nullptr ? 0 : d.offsetX, oy = maskSurface != nullptr ? 0 : d.offsetY;
    // The front screen of a window is the client area of the primary, which spans the desktop.
    if (maskSurface == nullptr && d.screen == -4 && IsDrawingToFrontInWindow() == 1) {
      platform::Rect client{};
      GetClientRectWithToolbar(&client);
      ox += client.left;
      oy += client.top;
    }
    const dd::Rect lockRect{r.left + ox, r.top + oy, r.right + ox, r.bottom + oy};
    std::uint8_t* pixels = nullptr;
    int pitch = 0;
    // A lock that fails skips the draw; the caller sees -1 so that it never draws through a stale image.
    if (surface->Lock(&lockRect, dd::kLockWait, &pixels, &pitch) != dd::kOk) return -1;
    g_lock.destSurface = surface;
    g_lock.destLocked = 1;
    if (NeedsConversion()) {
      LockWorkMemImg = ConvertFromScreen(r, pixels, pitch, d.width, d.height);
      if (LockWorkMemImg == nullptr) {
        UnlockDrawScreenBuffer();
        return -1;
      }
      // The callers' colours are values of the screen's format.
      if (colour1 != nullptr) *colour1 = ScreenColourToWork(*colour1);
      if (colour2 != nullptr) *colour2 = ScreenColourToWork(*colour2);
      return AttachLockSource(tile);
    }
    const int bpp = GetScreenBits() == 16 ? 2 : 4;
    std::memset(&g_lock.destImage, 0, sizeof(MEMIMG));
    g_lock.destImage.Image = pixels - static_cast<std::ptrdiff_t>(r.left) * bpp - static_cast<std::ptrdiff_t>(r.top) * pitch;
    if (InitMemImg(&g_lock.destImage, d.width, d.height, pitch, 0, GetScreenBits() == 16 ? kFormat16 : kFormat32, 0,
                   0, 0) != 0) {
      UnlockDrawScreenBuffer();
      return -1;
    }
    LockWorkMemImg = &g_lock.destImage;
  }
  return AttachLockSource(tile);
}

namespace {

int AttachLockSource(Surface2D* tile) {
  if (tile != nullptr) {
    SurfaceData* data = GetSurfaceData(tile->SurfaceDataHandle);
    if (data == nullptr || !MemImgHasPixels(&data->Image)) {
      UnlockDrawScreenBuffer();
      return -1;
    }
    LockSourceMemImg = const_cast<MEMIMG*>(TileMemImg(tile, &g_lock.sourceImage));
  }
  return 0;
}

}  // namespace

int ScreenNeedsConversion() { return IsSoftwareScreenModel() == 0 && NeedsConversion() ? 1 : 0; }

std::uint32_t ScreenColourToDrawFormat(std::uint32_t value) {
  return ScreenNeedsConversion() == 1 ? ScreenColourToWork(value) : value;
}

int UnlockDrawScreenBuffer() {
  if (IsSoftwareScreenModel()) return 0;
  if (g_lock.converted == 1 && g_lock.destLocked == 1) ConvertBackToScreen();
  if (g_lock.destLocked == 1 && g_lock.destSurface != nullptr) g_lock.destSurface->Unlock();
  if (g_lock.sourceLocked == 1 && g_lock.sourceSurface != nullptr) g_lock.sourceSurface->Unlock();
  g_lock.destLocked = g_lock.sourceLocked = 0;
  g_lock.destSurface = g_lock.sourceSurface = nullptr;
  LockWorkMemImg = LockSourceMemImg = nullptr;
  return 0;
}

int ReloadFrontMemImg() {
  ScreenBuffers& s = g_Screens;
  if (s.frontStale == 0 || s.primary == nullptr || s.mainImagesInUse == 0) return 0;
  dd::Rect rect{};
  ClipToScreenRect(&rect, true);
  std::uint8_t* pixels = nullptr;
  int pitch = 0;
  if (s.primary->Lock(&rect, dd::kLockWait | dd::kLockReadOnly, &pixels, &pitch) != dd::kOk) return -1;
  const ImageRect src{0, 0, rect.right - rect.left, rect.bottom - rect.top};
  ConvertTransferRect(s.frontImage.Image, s.frontImage.Pitch, s.frontImage.ColorInfo, pixels, pitch,
                      GetScreenColorData(), nullptr, 0, nullptr, 0, 0, &src, 0, 0, 0, 0, 0, 0, 0);
  s.primary->Unlock();
  s.frontStale = 0;
  return 0;
}

int WriteFrontRect(const RECT* rect) {
  ScreenBuffers& s = g_Screens;
  if (s.primary == nullptr || s.mainImagesInUse == 0 || rect == nullptr) return 0;
  RECT r = *rect;
  const RECT screen{0, 0, ScreenWidth(), ScreenHeight()};
  ClipRect(&r, &screen);
  if (r.left == r.right || r.top == r.bottom) return 0;
  int ox = 0, oy = 0;
  if (g_System.windowMode == 1) {
    platform::Rect client{};
    GetClientRectWithToolbar(&client);
    ox = client.left;
    oy = client.top;
  }
  dd::Rect lockRect{r.left + ox, r.top + oy, r.right + ox, r.bottom + oy};
  const dd::Rect bounds{0, 0, s.primary->Width(), s.primary->Height()};
  lockRect.left = lockRect.left < bounds.left ? bounds.left : lockRect.left;
  lockRect.top = lockRect.top < bounds.top ? bounds.top : lockRect.top;
  lockRect.right = lockRect.right > bounds.right ? bounds.right : lockRect.right;
  lockRect.bottom = lockRect.bottom > bounds.bottom ? bounds.bottom : lockRect.bottom;
  if (lockRect.left >= lockRect.right || lockRect.top >= lockRect.bottom) return 0;
  std::uint8_t* pixels = nullptr;
  int pitch = 0;
  if (s.primary->Lock(&lockRect, dd::kLockWait | dd::kLockWriteOnly, &pixels, &pitch) != dd::kOk) return -1;
  const ImageRect src{lockRect.left - ox, lockRect.top - oy, lockRect.right - ox, lockRect.bottom - oy};
  ConvertTransferRect(pixels, pitch, GetScreenColorData(), s.frontImage.Image, s.frontImage.Pitch,
                      s.frontImage.ColorInfo, nullptr, 0, nullptr, 0, 0, &src, 0, 0, 0, 0, 0, 0, 0);
  s.primary->Unlock();
  return 0;
}

dd::Surface* GetPrimarySurface() { return g_Screens.primary; }
dd::Surface* GetBackSurface() { return g_Screens.back; }
dd::Surface* GetWorkSurface() { return g_Screens.work; }
dd::Surface* GetDrawTargetSurface() { return g_DrawScreenSurface.target; }
int IsDrawingToFrontInWindow() {
  return g_System.windowMode == 1 && g_DrawScreenSurface.target != nullptr &&
                 g_DrawScreenSurface.target == g_Screens.primary
             ? 1
             : 0;
}
