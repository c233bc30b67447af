#include "engine/graphics/surface_data.h"

#include <cstring>

#include "engine/core/log.h"
#include "engine/graphics/color_data.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/screen_format.h"
#include "engine/softrender/graphics_glue.h"

SurfaceDataTable g_SurfaceDataTable{};

namespace {

int KindOf(const SurfaceData* s) { return s->Flags.ColorBitDepth == 16 ? 0 : 1; }

std::uint32_t PackedKey(const SurfaceData* s) {
  const ColorData* format = GetStandardColorData(KindOf(s), 0, 0);
  const std::uint32_t c = s->TransparentColor;
  return MakePixelValue(format, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 255);
}

// ---- Direct3D texture storage -----------------------------------------------------------------------------------

platform::d3d::Texture* TextureOf(const SurfaceData* s) {
  return s->Flags.Texture != 0 ? static_cast<platform::d3d::Texture*>(s->Surface) : nullptr;
}

int CreateTextureStorage(SurfaceData* s) {
  s->FormatIndex = static_cast<std::uint32_t>(GetTextureFormatIndex(&s->Flags));
  const TextureFormatEntry* entry = GetTextureFormat(static_cast<int>(s->FormatIndex));
  platform::d3d::Texture* texture = nullptr;
  platform::dd::PixelFormat format{};
  std::memcpy(&format, &entry->pixelFormat, sizeof format);
  if (g_D3D.object == nullptr ||
      g_D3D.object->CreateTexture(s->Width, s->Height, format, &texture) != platform::dd::kOk) {
    WriteLog("テクスチャサーフェスの作成に失敗しました\n");
    return LogPrintf("DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d", s->Flags.DrawValid,
                     s->Flags.AlphaChFlag, s->Flags.AlphaTestFlag, s->Flags.ColorBitDepth);
  }
  texture->Fill(nullptr, 0);
  s->Surface = texture;
  return 0;
}

}  // namespace

SurfaceData* GetSurfaceData(int handle) { return g_SurfaceDataTable.Get(handle); }

void ClearSurfaceDataTable() { g_SurfaceDataTable.Clear(); }

int AddSurfaceData(int useCount, int width, int height, std::uint32_t transparentColor, const GraphFlagBytes* flags) {
  if (g_SurfaceDataTable.Full()) return WriteLog("サーフェスのデータ数が許容量を越えました。\n");
  SurfaceData* s = nullptr;
  const int handle = g_SurfaceDataTable.Add(&s);
  if (handle < 0) return WriteLog("サーフェス用データを保存するメモリ領域の確保に失敗しました\n");
  s->Flags = *flags;
  s->Width = static_cast<std::uint16_t>(width);
  s->Height = static_cast<std::uint16_t>(height);
  s->UseCount = static_cast<std::uint32_t>(useCount);
  s->TransparentColor = transparentColor;
  if (s->Flags.Texture == 0) {
    if (s->Flags.AlphaChFlag == 1 || s->Flags.OptionByte == 1) s->Flags.SystemMemory = 1;
    s->Flags.DrawValid = 1;
    s->Flags.AlphaTestFlag = 0;
  } else {
    s->Flags.SystemMemory = 0;
    if (s->Flags.DrawValid == 1 || s->Flags.AlphaChFlag == 1) s->Flags.AlphaTestFlag = 0;
  }
  // 2D storage is always a memory image: the display's surfaces all live in system memory, and the screen lock
  // reads tiles as images. Texture storage is a texture of the 3D device.
  s->MemoryImage = s->Flags.Texture != 0 ? 0 : 1;
  if (CreateSurfaceData(handle) < 0) {
    DeleteSurfaceData(handle);
    return -1;
  }
  SetSurfaceDataColorKey(handle);
  return handle;
}

int CreateSurfaceData(int handle) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr || GetDirectDrawObject() == nullptr) return -1;
  if (s->Surface != nullptr || s->Image.Tag == kMemImgTag) return 0;
  if (s->Flags.Texture != 0) return CreateTextureStorage(s);
  if (s->MemoryImage == 1) {
    // Every 2D record ends draw-valid, so the storage follows the colour depth (an 8-bit single-channel image could
    // not hold the graphic's pixels).
    const int kind = KindOf(s);
    const int alpha = s->Flags.AlphaChFlag != 0 ? 1 : 0;
    s->FormatIndex = static_cast<std::uint32_t>((kind == 0 ? 10 : 12) + alpha);
    const std::uint32_t key = s->Flags.ExtraByte != 0 ? 0xFFFFu : PackedKey(s);
    std::memset(&s->Image, 0, sizeof(MEMIMG));
    if (InitMemImg(&s->Image, s->Width, s->Height, -1, key, kind, s->Flags.ExtraByte != 0 ? 1 : 0, alpha, 1) < 0) {
      std::memset(&s->Image, 0, sizeof(MEMIMG));
      return WriteLog("メモリイメージの作成に失敗しました\n");
    }
    FillMemImg(&s->Image, nullptr, 0);
    return s->ZBufferWanted == 1 ? SetSurfaceDataZBuffer(handle, 1) : 0;
  }
  s->FormatIndex = 9;
  return WriteLog("標準サーフェスの作成に失敗しました\n");
}

int SetSurfaceDataZBuffer(int handle, int want) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr || GetDirectDrawObject() == nullptr) return -1;
  const bool has = s->ZSurface != nullptr || s->ZImage.Tag == kMemImgTag;
  if (has == (want == 1)) return 0;
  if (s->Flags.DrawValid == 0) return -1;
  if (want != 1) {
    ReleaseMemImg(&s->ZImage);
    s->ZSurface = nullptr;
  } else if (s->MemoryImage != 1 || MakeZBufferMemImg(&s->ZImage, s->Width, s->Height) < 0) {
    std::memset(&s->ZImage, 0, sizeof(MEMIMG));
    return WriteLog("Ｚバッファの作成に失敗しました");
  }
  s->ZBufferWanted = want == 1 ? 1 : 0;
  return 0;
}

int ReleaseSurfaceDataStorage(int handle) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr) return -1;
  if (platform::d3d::Texture* texture = TextureOf(s); texture != nullptr && g_D3D.object != nullptr) {
    // Vertices still waiting in the batch may sample the texture: they are drawn first.
    G_D3D_FlushDeviceBatch(g_D3D.currentDevice);
    g_D3D.object->ReleaseTexture(texture);
  }
  ReleaseMemImg(&s->Image);
  ReleaseMemImg(&s->ZImage);
  s->Surface = nullptr;
  s->ZSurface = nullptr;
  s->LockCount = 0;
  s->LockPointer = nullptr;
  return 0;
}

int DeleteSurfaceData(int handle) {
  if (GetSurfaceData(handle) == nullptr) return -1;
  ReleaseSurfaceDataStorage(handle);
  g_SurfaceDataTable.Release(handle & kHandleSlotMask);
  return 0;
}

int IncSurfaceDataUse(int handle) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr) return -1;
  return static_cast<int>(++s->UseCount);
}

int DecSurfaceDataUse(int handle) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr) return -1;
  if (s->UseCount > 0) --s->UseCount;
  return static_cast<int>(s->UseCount);
}

int SetSurfaceDataColorKey(int handle) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr) return -1;
  if (s->Surface == nullptr) return 0;
  if (platform::d3d::Texture* texture = TextureOf(s); texture != nullptr) {
    // The transparent colour in the texture's format, with every bit outside the colour channels set.
    const ColorData* format = GetTextureFormatColorData(static_cast<int>(s->FormatIndex));
    const std::uint32_t c = s->TransparentColor;
    const std::uint32_t key =
        MakePixelValue(format, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 255) | format->maskA | format->unusedMask;
    if (texture->SetColorKey(key, key) != platform::dd::kOk)
      return WriteLog("テクスチャサーフェスのカラーキーの設定に失敗しました\n");
  }
  return 0;
}

int RestoreSurfaceData(int handle) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr) return -1;
  if (platform::d3d::Texture* texture = TextureOf(s); texture != nullptr && texture->IsLost() != platform::dd::kOk) {
    texture->Restore();
    return -1;
  }
  return 0;
}

int LockSurfaceData(int handle, int* pitch, std::uint8_t** pointer, int writeOnly, const RECT* rect,
                    const ColorData** format) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr) return -1;
  if (platform::d3d::Texture* texture = TextureOf(s); texture != nullptr) {
    if (format != nullptr) *format = GetTextureFormatColorData(static_cast<int>(s->FormatIndex));
    if (s->LockCount > 0) {
      const int bytes = static_cast<int>((texture->Format().bitCount + 7) / 8);
      if (pitch != nullptr) *pitch = static_cast<int>(s->LockPitch);
      if (pointer != nullptr)
        *pointer = s->LockPointer + (rect != nullptr ? rect->top * static_cast<int>(s->LockPitch) + rect->left * bytes : 0);
      ++s->LockCount;
      return -2;
    }
    std::uint8_t* p = nullptr;
    int lockPitch = 0;
    if (texture->Lock(nullptr, platform::dd::kLockWait | (writeOnly == 1 ? platform::dd::kLockWriteOnly : 0), &p,
                      &lockPitch) != platform::dd::kOk)
      return WriteLog("グラフィックのロックに失敗しました");
    s->LockPitch = static_cast<std::uint32_t>(lockPitch);
    s->LockPointer = p;
    s->LockCount = 1;
    if (pitch != nullptr) *pitch = lockPitch;
    if (pointer != nullptr) {
      const int bytes = static_cast<int>((texture->Format().bitCount + 7) / 8);
      *pointer = p + (rect != nullptr ? rect->top * lockPitch + rect->left * bytes : 0);
    }
    return 0;
  }
  if (s->Image.Tag != kMemImgTag) return -1;
  if (format != nullptr) *format = s->Image.ColorInfo;
  const int bpp = MemImgBytesPerPixel(&s->Image);
  std::uint8_t* p = s->Image.Image;
  if (rect != nullptr) {
    if (rect->left < 0 || rect->top < 0 || rect->right > s->Width || rect->bottom > s->Height ||
        rect->left > rect->right || rect->top > rect->bottom) {
      return WriteLog("グラフィックのロックに失敗しました");
    }
    p += static_cast<std::ptrdiff_t>(rect->top) * s->Image.Pitch + static_cast<std::ptrdiff_t>(rect->left) * bpp;
  }
  // A nested lock gets the pointer of its own rectangle, not the first lock's.
  if (pitch != nullptr) *pitch = s->Image.Pitch;
  if (pointer != nullptr) *pointer = p;
  if (s->LockCount > 0) {
    ++s->LockCount;
    return -2;
  }
  s->LockPitch = static_cast<std::uint32_t>(s->Image.Pitch);
  s->LockPointer = p;
  s->LockCount = 1;
  return 0;
}

int UnlockSurfaceData(int handle, const RECT* /*rect*/) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr || s->LockCount == 0) return -1;
  --s->LockCount;
  if (s->LockCount == 0) {
    s->LockPointer = nullptr;
    if (platform::d3d::Texture* texture = TextureOf(s); texture != nullptr) texture->Unlock();
  }
  return 0;
}

int FillSurfaceDataColor(int handle, int r, int g, int b, int a) {
  SurfaceData* s = GetSurfaceData(handle);
  if (s == nullptr || GetDirectDrawObject() == nullptr) return -1;
  if (s->Image.Tag == kMemImgTag) {
    FillMemImg(&s->Image, nullptr, MakePixelValue(s->Image.ColorInfo, r, g, b, a));
    s->Image.RunsValid = 0;
    s->Image.PremulValid = 0;
    if (s->Image.RunTable != nullptr) BuildMemImgRunTable(&s->Image);
    return 0;
  }
  if (platform::d3d::Texture* texture = TextureOf(s); texture != nullptr) {
    G_D3D_FlushVertexBatch();
    texture->Fill(nullptr, MakePixelValue(GetTextureFormatColorData(static_cast<int>(s->FormatIndex)), r, g, b, a));
    return 0;
  }
  return -1;
}
