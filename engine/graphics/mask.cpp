#include "engine/graphics/mask.h"

#include <algorithm>
#include <cstring>

#include "engine/core/mem_alloc.h"
#include "engine/core/message.h"
#include "engine/core/start_engine.h"
#include "engine/core/system_record.h"
#include "engine/core/window.h"
#include "engine/graphics/convert_transfer.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/softrender/graphics_glue.h"

namespace dd = platform::dd;

MaskScreenState g_MaskScreen{};

namespace {

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

// Bytes per screen pixel: 1, 2 or 4 (16 bits while unset).
int ScreenPixelBytes() {
  const int bits = g_DisplayDevice.screenBits == 0 ? 16 : static_cast<int>(g_DisplayDevice.screenBits);
  return bits / 8;
}

bool SoftwareScratch() { return IsSoftwareScreenModel() == 1; }

bool ScratchExists() {
  const MaskScreenState& m = g_MaskScreen;
  return SoftwareScratch() ? m.scratch != nullptr && MemImgHasPixels(m.scratch) : m.scratchSurface != nullptr;
}

void EndSceneWhenUp() {
  if (g_DisplayDevice.up == 1) G_D3D_EndScene();
}

// The rectangle clipped to the draw area; false when nothing is left.
bool ClipToDrawArea(int x1, int y1, int x2, int y2, RECT* out) {
  *out = RECT{x1, y1, x2, y2};
  ClipRect(out, &g_GraphDrawState.DrawArea);
  return out->left < out->right && out->top < out->bottom;
}

// The front screen of a hardware-drawn screen lies at the window's client origin on the primary.
void ClientShift(int* dx, int* dy) {
  *dx = *dy = 0;
  if (g_GraphDrawState.DrawScreen != -4 || SoftwareScratch() || g_System.windowMode != 1) return;
  platform::Rect client{};
  GetClientRectWithToolbar(&client);
  *dx = client.left;
  *dy = client.top;
}

// Same-format rows copy from one image to the other (the scratch has the screen's format).
void CopyImageRect(MEMIMG* dest, const MEMIMG* src, const RECT& r) {
  const int bpp = MemImgBytesPerPixel(src);
  const std::size_t bytes = static_cast<std::size_t>(r.right - r.left) * bpp;
  for (int y = r.top; y < r.bottom; ++y) {
    std::memcpy(dest->Image + static_cast<std::ptrdiff_t>(y) * dest->Pitch + static_cast<std::ptrdiff_t>(r.left) * bpp,
                src->Image + static_cast<std::ptrdiff_t>(y) * src->Pitch + static_cast<std::ptrdiff_t>(r.left) * bpp,
                bytes);
  }
}

// Copies every pixel of the rectangle that is not the key colour from src to dest (same formats).
template <typename Pixel>
void CopyKeyedRows(std::uint8_t* dest, int destPitch, const std::uint8_t* src, int srcPitch, int width, int height,
                   std::uint32_t key) {
  const Pixel k = static_cast<Pixel>(key);
  for (int y = 0; y < height; ++y) {
    Pixel* d = reinterpret_cast<Pixel*>(dest + static_cast<std::ptrdiff_t>(y) * destPitch);
    const Pixel* s = reinterpret_cast<const Pixel*>(src + static_cast<std::ptrdiff_t>(y) * srcPitch);
    for (int x = 0; x < width; ++x)
      if (s[x] != k) d[x] = s[x];
  }
}

void CopyKeyed(std::uint8_t* dest, int destPitch, const std::uint8_t* src, int srcPitch, int width, int height,
               int bpp, std::uint32_t key) {
  if (bpp == 1) CopyKeyedRows<std::uint8_t>(dest, destPitch, src, srcPitch, width, height, key);
  else if (bpp == 2) CopyKeyedRows<std::uint16_t>(dest, destPitch, src, srcPitch, width, height, key);
  else CopyKeyedRows<std::uint32_t>(dest, destPitch, src, srcPitch, width, height, key);
}

// Turns every pixel of the rectangle that the mask protects into the key colour. `pixels` addresses the rectangle's
// first pixel. The mask is walked four bytes at a time, a tail of 1 to 3 bytes after.
template <typename Pixel>
void KeyProtectedRows(std::uint8_t* pixels, int pitch, const RECT& r) {
  const MaskScreenState& m = g_MaskScreen;
  const Pixel key = static_cast<Pixel>(m.colorKey);
  const int width = r.right - r.left;
  const int quads = width / 4;
  const int tail = width % 4;
  const std::uint8_t flip = m.reverse != 0 ? 1 : 0;
  for (int y = r.top; y < r.bottom; ++y) {
    const std::uint8_t* mask = m.data + static_cast<std::ptrdiff_t>(y) * m.pitch + r.left;
    Pixel* p = reinterpret_cast<Pixel*>(pixels + static_cast<std::ptrdiff_t>(y - r.top) * pitch);
    for (int q = 0; q < quads; ++q, mask += 4, p += 4) {
      std::uint32_t four = 0;
      std::memcpy(&four, mask, 4);
      if (flip == 0 && four == 0) continue;                 // all four let through
      if (flip != 0 && (four & 0xFF) && (four & 0xFF00) && (four & 0xFF0000) && (four & 0xFF000000u)) continue;
      for (int i = 0; i < 4; ++i)
        if ((mask[i] != 0) != (flip != 0)) p[i] = key;
    }
    for (int i = 0; i < tail; ++i)
      if ((mask[i] != 0) != (flip != 0)) p[i] = key;
  }
}

void KeyProtected(std::uint8_t* pixels, int pitch, const RECT& r, int bpp) {
  if (g_MaskScreen.data == nullptr) return;
  if (bpp == 1) KeyProtectedRows<std::uint8_t>(pixels, pitch, r);
  else if (bpp == 2) KeyProtectedRows<std::uint16_t>(pixels, pitch, r);
  else KeyProtectedRows<std::uint32_t>(pixels, pitch, r);
}

std::uint8_t* PixelAt(const MEMIMG* image, int x, int y) {
  return image->Image + static_cast<std::ptrdiff_t>(y) * image->Pitch +
         static_cast<std::ptrdiff_t>(x) * MemImgBytesPerPixel(image);
}

// The mask bytes stay inside the mask: draws never reach past the screen, but a graphic target can be larger.
bool ClipToMask(RECT* r) {
  const RECT bounds{0, 0, g_MaskScreen.pitch, g_MaskScreen.height};
  ClipRect(r, &bounds);
  return r->left < r->right && r->top < r->bottom;
}

}  // namespace

int CreateMaskScreenParts(int dataFlag, int surfaceFlag) {
  MaskScreenState& m = g_MaskScreen;
  const int w = ScreenWidth(), h = ScreenHeight();
  if (dataFlag != 0 && m.data == nullptr) {
    m.pitch = (w + 3) / 4 * 4;
    m.height = h;
    m.data = static_cast<std::uint8_t*>(ENGINE_ALLOC_ZEROED(m.pitch * h));
    if (m.data == nullptr) return -1;
  }
  if (surfaceFlag != 0 && m.scratch == nullptr && m.scratchSurface == nullptr) {
    if (SoftwareScratch()) {
      std::memset(&m.scratchImage, 0, sizeof(MEMIMG));
      if (MakeMemImg(&m.scratchImage, w, h, -1) != 0) FatalExit("マスク用 MEMIMG の作成に失敗しました");
      m.scratch = &m.scratchImage;
      m.scratchValid = 1;
      g_GraphDrawState.MaskInVideoMemory = 0;
    } else {
      dd::DirectDraw* object = DirectDrawDevice();
      const std::uint32_t caps = SoftwareRenderFlag == 1 ? dd::kCapsOffscreenPlain | dd::kCapsSystemMemory
                                                         : dd::kCapsOffscreenPlain | dd::kCaps3DDevice;
      dd::SurfaceDesc desc{caps, w, h, 0, {}};
      if (object == nullptr || object->CreateSurface(desc, &m.scratchSurface) != dd::kOk) {
        m.scratchSurface = nullptr;
        FatalExit("マスク用サーフェスの作成に失敗しました");
      }
      m.scratchSurface->SetColorKey(m.colorKey, m.colorKey);
      g_GraphDrawState.MaskInVideoMemory = (m.scratchSurface->Caps() & dd::kCapsVideoMemory) != 0 ? 1 : 0;
    }
  }
  return 0;
}

void ReleaseMaskScratch() {
  MaskScreenState& m = g_MaskScreen;
  if (m.data != nullptr) MemFree(m.data);
  m.data = nullptr;
  if (m.scratchSurface != nullptr && DirectDrawDevice() != nullptr) DirectDrawDevice()->ReleaseSurface(m.scratchSurface);
  m.scratchSurface = nullptr;
  if (m.scratchValid == 1) ReleaseMemImg(&m.scratchImage);
  m.scratchValid = 0;
  m.scratch = nullptr;
}

int DeleteMaskScreen() {
  WaitWhileInactive();
  if (g_GraphDrawState.UseMaskScreen != 0 && g_MaskScreen.data != nullptr) SetMaskScreenActive(0);
  ReleaseMaskScratch();
  g_MaskScreen.exists = 0;
  g_GraphDrawState.MaskActive = 0;
  return 0;
}

void ClearMaskScreen() {
  const std::uint32_t key = g_MaskScreen.colorKey;
  g_MaskScreen = MaskScreenState{};
  g_MaskScreen.colorKey = key;
}

int CreateMaskScreen() {
  if (GetDirectDrawObject() == nullptr || DirectDrawDevice() == nullptr) return -1;
  if (CreateMaskScreenParts(1, 1) != 0) return -1;
  g_MaskScreen.exists = 1;
  return 0;
}

int FillMaskScreenRect(int x1, int y1, int x2, int y2, int value) {
  MaskScreenState& m = g_MaskScreen;
  if (m.data == nullptr) return -1;
  RECT r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (!ClipToMask(&r)) return 0;
  for (int y = r.top; y < r.bottom; ++y)
    std::memset(m.data + static_cast<std::ptrdiff_t>(y) * m.pitch + r.left, value & 0xFF,
                static_cast<std::size_t>(r.right - r.left));
  return 0;
}

int SetMaskReverseFlag(int flag) {
  g_MaskScreen.reverse = flag != 0 ? 1 : 0;
  return 0;
}

int SetMaskScreenActive(int flag) {
  if (g_MaskScreen.data == nullptr) return -1;
  GraphDrawState& st = g_GraphDrawState;
  st.UseMaskScreen = flag;
  st.MaskActive = (flag != 0 && g_MaskScreen.exists != 0) ? 1 : 0;
  const bool windowPrimary = g_System.windowMode == 1 && GetDrawTargetSurface() != nullptr &&
                             GetDrawTargetSurface() == GetPrimarySurface();
  if (windowPrimary && flag == 0 && (SoftwareRenderFlag != 1 || ScreenColorBits == 8)) {
    platform::Rect client{};
    GetClientRectWithToolbar(&client);
    st.TargetOriginRect = RECT{client.left, client.top, client.right, client.bottom};
  } else {
    st.TargetOriginRect = RECT{0, 0, st.DrawScreenWidth, st.DrawScreenHeight};
  }
  return 0;
}

int GetUseMaskScreenFlag() { return g_GraphDrawState.UseMaskScreen; }
MEMIMG* GetMaskMemImg() { return g_MaskScreen.scratch; }
dd::Surface* GetMaskSurface() { return g_MaskScreen.scratchSurface; }
void SetMaskScratchMemImg(MEMIMG* image) { g_MaskScreen.scratch = image; }

int MaskDrawBegin(int x1, int y1, int x2, int y2, dd::Surface* surface, MEMIMG* image) {
  MaskScreenState& m = g_MaskScreen;
  if (!ScratchExists()) return 0;
  EndSceneWhenUp();
  RECT r{};
  if (!ClipToDrawArea(x1, y1, x2, y2, &r) || !ClipToMask(&r)) return 0;
  int dx = 0, dy = 0;
  ClientShift(&dx, &dy);
  if (SoftwareScratch()) {
    if (image == nullptr || !MemImgHasPixels(image)) return 0;
    if (image->ColorInfo == m.scratch->ColorInfo) {
      CopyImageRect(m.scratch, image, r);
    } else {
      const ImageRect src{r.left, r.top, r.right, r.bottom};
      ConvertTransferRect(PixelAt(m.scratch, r.left, r.top), m.scratch->Pitch, m.scratch->ColorInfo, image->Image,
                          image->Pitch, image->ColorInfo, nullptr, 0, nullptr, 0, 0, &src, 0, 0, 0, 0, 0, 0, 0);
    }
    return 0;
  }
  if (surface != nullptr) {
    const dd::Rect src{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    m.scratchSurface->BltFast(r.left, r.top, surface, &src, dd::kBltFastWait);
  } else if (image != nullptr && MemImgHasPixels(image)) {
    const dd::Rect lockRect{r.left, r.top, r.right, r.bottom};
    std::uint8_t* pixels = nullptr;
    int pitch = 0;
    if (m.scratchSurface->Lock(&lockRect, dd::kLockWait | dd::kLockWriteOnly, &pixels, &pitch) != dd::kOk) return 0;
    const ImageRect src{r.left, r.top, r.right, r.bottom};
    ConvertTransferRect(pixels, pitch, GetScreenColorData(), image->Image, image->Pitch, image->ColorInfo, nullptr, 0,
                        nullptr, 0, 0, &src, 0, 0, 0, 0, 0, 0, 0);
    m.scratchSurface->Unlock();
  }
  return 0;
}

int MaskDrawEnd(int x1, int y1, int x2, int y2, dd::Surface* surface, MEMIMG* image) {
  MaskScreenState& m = g_MaskScreen;
  if (g_GraphDrawState.MaskActive == 0 || !ScratchExists()) return 0;
  EndSceneWhenUp();
  RECT r{};
  if (!ClipToDrawArea(x1, y1, x2, y2, &r) || !ClipToMask(&r)) return 0;
  int dx = 0, dy = 0;
  ClientShift(&dx, &dy);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (SoftwareScratch()) {
    const int bpp = MemImgBytesPerPixel(m.scratch);
    KeyProtected(PixelAt(m.scratch, r.left, r.top), m.scratch->Pitch, r, bpp);
    if (image == nullptr || !MemImgHasPixels(image)) return 0;
    if (image->ColorInfo == m.scratch->ColorInfo) {
      CopyKeyed(PixelAt(image, r.left, r.top), image->Pitch, PixelAt(m.scratch, r.left, r.top), m.scratch->Pitch,
                width, height, bpp, m.colorKey);
    } else {
      const ImageRect src{r.left, r.top, r.right, r.bottom};
      ConvertTransferRect(PixelAt(image, r.left, r.top), image->Pitch, image->ColorInfo, m.scratch->Image,
                          m.scratch->Pitch, m.scratch->ColorInfo, nullptr, 0, nullptr, 0, 0, &src, 0, 0, m.colorKey,
                          0, 0, 0, 1);
    }
    return 0;
  }
  const dd::Rect lockRect{r.left, r.top, r.right, r.bottom};
  std::uint8_t* pixels = nullptr;
  int pitch = 0;
  if (m.scratchSurface->Lock(&lockRect, dd::kLockWait, &pixels, &pitch) != dd::kOk) return 0;
  KeyProtected(pixels, pitch, r, ScreenPixelBytes());
  if (surface != nullptr) {
    m.scratchSurface->Unlock();
    surface->BltFast(r.left + dx, r.top + dy, m.scratchSurface, &lockRect, dd::kBltFastSrcColorKey | dd::kBltFastWait);
    return 0;
  }
  if (image != nullptr && MemImgHasPixels(image)) {
    const ImageRect src{0, 0, width, height};
    ConvertTransferRect(PixelAt(image, r.left, r.top), image->Pitch, image->ColorInfo, pixels, pitch,
                        GetScreenColorData(), nullptr, 0, nullptr, 0, 0, &src, 0, 0, m.colorKey, 0, 0, 0, 1);
  }
  m.scratchSurface->Unlock();
  return 0;
}

int MaskBeginOnDrawScreen(const RECT& rect) {
  MEMIMG* image = DrawScreenMemImg != nullptr && MemImgHasPixels(DrawScreenMemImg) ? DrawScreenMemImg : nullptr;
  return MaskDrawBegin(rect.left, rect.top, rect.right, rect.bottom, image == nullptr ? GetDrawTargetSurface() : nullptr,
                       image);
}

int MaskEndOnDrawScreen(const RECT& rect) {
  MEMIMG* image = DrawScreenMemImg != nullptr && MemImgHasPixels(DrawScreenMemImg) ? DrawScreenMemImg : nullptr;
  return MaskDrawEnd(rect.left, rect.top, rect.right, rect.bottom, image == nullptr ? GetDrawTargetSurface() : nullptr,
                     image);
}
