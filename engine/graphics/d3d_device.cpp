// The Direct3D layer's start-up, shut-down and rebuild: the object, the device choice, the Z and texture formats,
// the device record with its default states, and the small device-level operations.
#include <algorithm>
#include <cstring>

#include "engine/core/log.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface_data.h"

namespace d3d = platform::d3d;

Direct3DState g_D3D{};
Direct3DDeviceRecord g_D3DDevices[kMaxD3DDevices];

namespace {

DDPixelFormat ToDD(const d3d::PixelFormat& f) {
  DDPixelFormat out{};
  static_assert(sizeof(out) == sizeof(f));
  std::memcpy(&out, &f, sizeof out);
  return out;
}

// Vertices carry z 0 and rhw 1 from the start (the drawers write positions, colours and coordinates only); the
// blend format's specular colour is white.
void PrefillBuffers(Direct3DDeviceRecord* r) {
  r->buffers[0] = r->buffer0;
  r->buffers[1] = r->buffer1;
  r->buffers[2] = r->buffer2;
  const D3DPlainVertex plain{0, 0, 0.0f, 1.0f, 0};
  for (int i = 0; i < kBatchCapacity[0]; ++i) std::memcpy(r->buffer0 + i * 20, &plain, 20);
  const D3DVertex textured{0, 0, 0.0f, 1.0f, 0, 0, 0};
  for (int i = 0; i < kBatchCapacity[1]; ++i) std::memcpy(r->buffer1 + i * 28, &textured, 28);
  const D3DBlendVertex blend{0, 0, 0.0f, 1.0f, 0, 0xFFFFFFFF, 0, 0, 0, 0};
  for (int i = 0; i < kBatchCapacity[2]; ++i) std::memcpy(r->buffer2 + i * 40, &blend, 40);
}

// The fixed device states: addressing, coordinate sets and the render states the layer never changes.
void SendFixedStates(Direct3DDeviceRecord* r) {
  static const std::uint32_t coordIndex[4] = {0, 1, 1, 0};
  for (int i = 0; i < 4; ++i) {
    r->device->SetTextureStageState(i, d3d::kTssAddress, static_cast<std::uint32_t>(r->addressMode));
    r->device->SetTextureStageState(i, d3d::kTssTexCoordIndex, coordIndex[i]);
  }
  r->device->SetRenderState(d3d::kRsTexturePerspective, static_cast<std::uint32_t>(r->perspective));
  r->device->SetRenderState(d3d::kRsShadeMode, static_cast<std::uint32_t>(r->shadeMode));
  r->device->SetRenderState(d3d::kRsColorKeyEnable, static_cast<std::uint32_t>(r->colorKeyEnable));
  r->device->SetRenderState(d3d::kRsLighting, static_cast<std::uint32_t>(r->lighting));
  r->device->SetRenderState(d3d::kRsCullMode, 1);
  r->device->SetRenderState(d3d::kRsDitherEnable, 0);
}

void LogCapabilities() {
  IncreaseLogIndent();
  LogPrintf("テクスチャ最大幅:%u 最小幅:%u ", static_cast<unsigned>(g_D3D.maxTextureLength),
            static_cast<unsigned>(g_D3D.minTextureLength));
  LogPrintf("描画制限: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d ",
            (g_D3D.deviceDesc.textureCaps & d3d::kTextureCapsPow2) != 0 ? 1 : 0,
            (g_D3D.deviceDesc.textureCaps & d3d::kTextureCapsSquareOnly) != 0 ? 1 : 0);
  WriteLog("テクスチャピクセルフォーマット\n");
  WriteLog("\t通常グラフィック用\n");
  for (int i = 0; i < 2; ++i) {
    const ColorData& c = g_D3D.formats[i].colorData;
    LogPrintf("\t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u ", c.bitsPerPixel, c.widthR, c.widthG, c.widthB);
    LogPrintf("\t\t RED:%06x GREEN:%06x BLUE:%06x \n", c.maskR, c.maskG, c.maskB);
  }
  WriteLog("\tアルファチャンネル付きグラフィック用\n");
  for (int i = 2; i < 4; ++i) {
    const ColorData& c = g_D3D.formats[i].colorData;
    LogPrintf("\t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u ", c.bitsPerPixel, c.widthA, c.widthR, c.widthG,
              c.widthB);
    LogPrintf("\t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x \n", c.maskA, c.maskR, c.maskG, c.maskB);
  }
  DecreaseLogIndent();
}

int FailInit(const char* message, bool releaseRecords) {
  if (message != nullptr) WriteLog(message);
  if (releaseRecords) G_D3D_ReleaseAllDevices();
  g_D3D.object.reset();
  return -1;
}

}  // namespace

Direct3DDeviceRecord* D3DRecord(int device) {
  if (g_D3D.initialised == 0 && g_D3D.object == nullptr) return nullptr;
  const int index = device & 0xFFFF;
  if (index < 0 || index >= kMaxD3DDevices || g_D3DDevices[index].inUse == 0) return nullptr;
  return &g_D3DDevices[index];
}

Direct3DDeviceRecord* CurrentD3DRecord() { return D3DRecord(g_D3D.currentDevice); }

int IsDirect3DUp() { return g_D3D.initialised; }

int InitDirect3D() {
  if (g_D3D.object != nullptr) return -1;
  WriteLog("Direct3D 関連の初期化を行います\n");
  g_D3D.currentDevice = 0;
  g_D3D.deviceDesc = {};
  g_D3D.zFormat = {};
  std::memset(static_cast<void*>(g_D3D.formats), 0, sizeof g_D3D.formats);
  g_D3D.minTextureLength = g_D3D.maxTextureLength = 0;
  g_D3D.flushAfterEachDraw = g_D3D.suppressed = g_D3D.fourCornerWord = g_D3D.initialised = 0;
  g_D3D.copyMethodPlain = g_D3D.copyMethodAlpha = 0;
  WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
  if (DirectDrawDevice() == nullptr || d3d::CreateDirect3D(DirectDrawDevice(), &g_D3D.object) != platform::dd::kOk)
    return WriteLog("Direct3Dオブジェクトの作成に失敗しました\n");
  g_D3D.object->SetBeforeReadBack(G_D3D_FlushVertexBatch);
  WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました\n");

  // Device: the T&L HAL when it renders at the screen depth, else the last HAL that does.
  bool found = false;
  const int bits = GetScreenColorBitDepth();
  g_D3D.object->EnumDevices([&](const std::string&, const std::string&, const d3d::DeviceDesc& desc) {
    if (desc.guid != d3d::DeviceGuid::kHal && desc.guid != d3d::DeviceGuid::kTnLHal) return true;
    const std::uint32_t need = bits == 16 ? d3d::kBitDepth16 : bits == 32 ? d3d::kBitDepth32 : 0;
    if (need == 0 || (desc.renderBitDepths & need) == 0) return true;
    found = true;
    g_D3D.deviceDesc = desc;
    return desc.guid != d3d::DeviceGuid::kTnLHal;
  });
  if (!found) return FailInit("現在の画面モードで使用できる描画デバイスが見つかりませんでした\n", false);

  bool zFound = false;
  g_D3D.object->EnumZBufferFormats(d3d::DeviceGuid::kHal, [&](const d3d::PixelFormat* f) {
    if (f == nullptr) return false;
    if (f->flags != platform::dd::kPfZBuffer || f->fourCC != 0 || f->bitCount != 16) return true;
    g_D3D.zFormat = ToDD(*f);
    zFound = true;
    return false;
  });
  if (!zFound) return FailInit("使用可能なＺバッファが見つかりませんでした\n", true);

  const int handle = CreateDirect3DDevice(GetBackSurface());
  if (handle < 0) return FailInit(nullptr, false);
  g_D3D.currentDevice = handle;
  Direct3DDeviceRecord* r = &g_D3DDevices[handle];
  for (int stage = 3; stage >= 0; --stage) {
    if (r->device->SetTextureStageState(stage, d3d::kTssAddress, d3d::kAddressClamp) != platform::dd::kOk &&
        stage == 0)
      return FailInit(nullptr, true);
  }

  // Texture formats.
  bool found16 = false;
  const ColorData* screen = GetScreenColorData();
  r->device->EnumTextureFormats([&](const d3d::PixelFormat& f) {
    if ((f.flags & (d3d::kPfLuminance | d3d::kPfBumpLuminance | d3d::kPfBumpDuDv)) != 0 ||
        (f.flags & platform::dd::kPfFourCC) != 0 || (f.flags & d3d::kPfAlpha) != 0)
      return true;
    DDPixelFormat pf = ToDD(f);
    ColorData c{};
    CreateColorDataFromPixelFormat(&pf, &c);
    auto place = [&](int slot) { g_D3D.formats[slot] = TextureFormatEntry{pf, c}; };
    if ((f.flags & platform::dd::kPfAlphaPixels) != 0) {
      if (f.maskA == 0xF000) place(2);
      else if (f.maskA == 0x8000) place(4);
      else if (f.maskA == 0xFF000000) {
        place(3);
        place(5);
      }
      return true;
    }
    const int slot = f.bitCount == 16 ? 0 : f.bitCount == 32 ? 1 : -1;
    if (slot < 0) return true;
    if (slot == 0) found16 = true;
    if (g_D3D.formats[slot].colorData.bitsPerPixel == 0 || (screen != nullptr && IsSameColorFormat(&c, screen) != 0))
      place(slot);
    return true;
  });
  if (!found16) return FailInit("使用可能なテクスチャフォーマットが見つかりませんでした\n", true);
  auto fill = [](int slot, int from) {
    if (g_D3D.formats[slot].colorData.bitsPerPixel == 0) g_D3D.formats[slot] = g_D3D.formats[from];
  };
  fill(1, 0);
  fill(3, 2);
  fill(4, 2);
  fill(5, 3);
  fill(6, 0);
  fill(7, 1);
  fill(8, 3);

  g_D3D.flushAfterEachDraw = 1;
  const d3d::DeviceDesc& desc = g_D3D.deviceDesc;
  const std::uint32_t minEdge = std::min(desc.minTextureWidth, desc.minTextureHeight);
  const std::uint32_t maxEdge = std::min(desc.maxTextureWidth, desc.maxTextureHeight);
  g_D3D.minTextureLength = minEdge == 0 ? 32 : static_cast<int>(minEdge);
  g_D3D.maxTextureLength = maxEdge == 0 ? 256 : static_cast<int>(maxEdge);
  g_D3D.copyMethodPlain = g_D3D.copyMethodAlpha = -1;
  g_D3D.suppressed = 0;
  g_D3D.fourCornerWord = 0;
  LogCapabilities();
  LogPrintf("描画デバイス: %s\n", g_D3D.object->RendererName().c_str());
  WriteLog("Direct3D 関連の初期化は正常に終了しました\n");
  g_D3D.initialised = 1;
  return 0;
}

int CreateDirect3DDevice(platform::dd::Surface* target) {
  if (g_D3D.object == nullptr || target == nullptr) return -1;
  int index = -1;
  for (int i = 0; i < kMaxD3DDevices && index < 0; ++i) {
    if (g_D3DDevices[i].inUse == 0) index = i;
  }
  if (index < 0) return -1;
  Direct3DDeviceRecord* r = &g_D3DDevices[index];
  std::memset(static_cast<void*>(r), 0, sizeof *r);
  WriteLog("３Ｄデバイスを作成します... ");
  d3d::Device* device = nullptr;
  if (g_D3D.object->CreateDevice(g_D3D.deviceDesc.guid, target, &device) != platform::dd::kOk)
    return WriteLog("３Ｄデバイスの作成に失敗しました\n");
  r->device = device;
  PrefillBuffers(r);
  for (int i = 0; i < 4; ++i) device->SetTextureStageState(i, d3d::kTssAddress, d3d::kAddressClamp);
  for (int i = 0; i < 4; ++i) {
    device->SetTextureStageState(i, d3d::kTssMagFilter, d3d::kFilterPoint);
    device->SetTextureStageState(i, d3d::kTssMinFilter, d3d::kFilterPoint);
  }
  device->SetRenderState(d3d::kRsColorKeyBlendEnable, 0);
  device->SetRenderState(d3d::kRsCullMode, 1);
  device->SetRenderState(d3d::kRsLighting, 0);
  device->SetRenderState(d3d::kRsTexturePerspective, 0);
  device->SetRenderState(d3d::kRsShadeMode, d3d::kShadeFlat);
  device->SetRenderState(d3d::kRsColorKeyEnable, 0);
  device->SetRenderState(d3d::kRsDitherEnable, 0);
  // The cache as the device now holds it.
  r->borderParam = -1;
  r->stageSetupPending = 1;
  for (auto& s : r->stages) {
    s.texture = nullptr;
    s.states[0] = d3d::kTaDiffuse;
    s.states[1] = d3d::kTaCurrent;
    s.states[2] = d3d::kOpSelectArg1;
    s.states[3] = d3d::kTaDiffuse;
    s.states[4] = d3d::kTaCurrent;
    s.states[5] = d3d::kOpSelectArg1;
  }
  r->filter = 0;
  r->zEnable = 1;
  r->zWrite = 1;
  r->shadeMode = d3d::kShadeFlat;
  r->addressMode = d3d::kAddressClamp;
  r->perspective = 0;
  r->colorKeyEnable = 0;
  r->writePointer = r->buffers[1];
  r->vertexType = 1;
  r->primitiveType = 0;
  r->viewport = d3d::Viewport{0, 0, static_cast<std::uint32_t>(target->Width()),
                              static_cast<std::uint32_t>(target->Height()), 0.0f, 1.0f};
  r->inUse = 1;
  r->baseTarget = d3d::RenderTarget{target, nullptr};
  ReapplyDeviceStates(index);
  WriteLog("３Ｄデバイスの作成に成功しました\n");
  return index;
}

void ReapplyDeviceStates(int handle) {
  Direct3DDeviceRecord* r = D3DRecord(handle);
  if (r == nullptr || r->device == nullptr) return;
  r->resendAll = 1;
  G_D3D_SetViewport(handle, r->viewport);
  const int key = r->colorKeyEnable;
  G_D3D_SetColorKeyEnable(handle, key);
  G_D3D_SetColorKeyEnable(handle, 0);
  SendFixedStates(r);
  G_D3D_SetTextureFilter(handle, r->filter);
  G_D3D_ApplyDrawStates(handle);
  G_D3D_SetZEnable(handle, r->zEnable);
  G_D3D_SetZWriteEnable(handle, r->zWrite);
  G_D3D_SetTexturePerspective(handle, r->perspective);
  G_D3D_SetShadeMode(handle, r->shadeMode);
  r->resendAll = 0;
}

int TerminateDirect3D() {
  if (g_D3D.object == nullptr) return -1;
  WriteLog("Direct3D 関連の終了処理を行います\n");
  G_D3D_EndScene();
  g_D3D.flushAfterEachDraw = 0;
  G_D3D_SetTexture(g_D3D.currentDevice, nullptr);
  DeleteAllSurface3DData();
  G_D3D_ReleaseAllDevices();
  g_D3D.object.reset();
  WriteLog("Direct3D 関連の終了処理は正常に終了しました\n");
  g_D3D.initialised = 0;
  return 0;
}

int ReleaseDirect3DForRestore() {
  if (g_D3D.initialised == 0) return -1;
  G_D3D_ReleaseDeviceObjects(g_D3D.currentDevice);
  WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放します\n");
  if (g_D3D.object == nullptr) {
    WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に解放されています\n");
    return 0;
  }
  g_D3D.object.reset();
  WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放しました\n");
  return 0;
}

int ReacquireDirect3D() {
  if (g_D3D.initialised == 0) return 0;
  WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
  if (g_D3D.object != nullptr) {
    WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に取得されていますn");
    return 0;
  }
  if (DirectDrawDevice() == nullptr || d3d::CreateDirect3D(DirectDrawDevice(), &g_D3D.object) != platform::dd::kOk)
    return WriteLog("Direct3Dオブジェクトの作成に失敗しました\n");
  g_D3D.object->SetBeforeReadBack(G_D3D_FlushVertexBatch);
  WriteLog("Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました\n");
  Direct3DDeviceRecord* r = CurrentD3DRecord();
  if (r != nullptr) {
    // The device draws into the back surface as at start-up; the current target is selected again below.
    r->baseTarget = d3d::RenderTarget{GetBackSurface(), nullptr};
    r->currentTarget = d3d::RenderTarget{};
  }
  return RecreateDirect3DDevice(g_D3D.currentDevice);
}

int RecreateDirect3DDevice(int handle) {
  Direct3DDeviceRecord* r = D3DRecord(handle);
  if (g_D3D.object == nullptr || r == nullptr) return -1;
  if (r->device != nullptr) return 0;
  WriteLog("３Ｄデバイスを作成します... ");
  d3d::Device* device = nullptr;
  if (g_D3D.object->CreateDevice(g_D3D.deviceDesc.guid, r->baseTarget.surface, &device) != platform::dd::kOk)
    return WriteLog("３Ｄデバイスの作成に失敗しました\n");
  r->device = device;
  device->SetRenderState(d3d::kRsDitherEnable, 0);
  WriteLog("３Ｄデバイスの作成に成功しました\n");
  r->resendAll = 1;
  for (auto& s : r->stages) s.texture = nullptr;
  r->texture = nullptr;
  r->blendTexture = nullptr;
  r->pendingCount = 0;
  r->writePointer = r->buffers[r->vertexType];
  r->sceneOpen = 0;
  // Every texture gets its storage back and its pixels reloaded.
  int met = 0;
  for (int i = 0; i < kMaxSurface3D && met < g_Surface3DTable.count; ++i) {
    Surface3DData* tile = g_Surface3DTable.slots[i];
    if (tile == nullptr) continue;
    ++met;
    CreateSurfaceData(tile->Texture);
  }
  G_D3D_SetTargetViewport(0);
  ReapplyDeviceStates(handle);
  G_D3D_ApplyDrawStates(handle);
  r->resendAll = 0;
  return 0;
}

int G_D3D_SetTargetViewport(int maskTarget) {
  if (g_D3D.object == nullptr) return -1;
  G_D3D_FlushVertexBatch();
  Direct3DDeviceRecord* r = CurrentD3DRecord();
  if (r == nullptr) return -1;
  // There is no mask surface on this path: the mask target is the draw target's surface as well.
  (void)maskTarget;
  G_D3D_SetRenderTarget(g_D3D.currentDevice, r->currentTarget);
  return G_D3D_SetViewportRect(&g_GraphDrawState.DrawArea) < 0 ? -1 : 0;
}

void G_D3D_EndScene() {
  if (CurrentD3DRecord() == nullptr) return;
  G_D3D_FlushDeviceBatch(g_D3D.currentDevice);
  G_D3D_EndSceneOnDevice(g_D3D.currentDevice);
}

int DeleteAllSurface3DData() {
  if (g_D3D.object == nullptr && g_D3D.initialised == 0) return -1;
  for (int i = 0; i < g_Surface3DTable.highMark; ++i) {
    if (g_Surface3DTable.slots[i] != nullptr) DeleteSurface3DData(g_Surface3DTable.HandleOf(i));
  }
  return 0;
}

int ResetSurface3DDataTable() { return g_D3D.object != nullptr ? DeleteAllSurface3DData() : -1; }

const ColorData* GetTextureColorData(int alphaChannel, int alphaTest, int bits32, int drawValid) {
  GraphFlagBytes flags{};
  flags.AlphaChFlag = static_cast<std::uint8_t>(alphaChannel);
  flags.AlphaTestFlag = static_cast<std::uint8_t>(alphaTest);
  flags.DrawValid = static_cast<std::uint8_t>(drawValid);
  flags.ColorBitDepth = static_cast<std::uint8_t>(bits32 != 0 ? 32 : 16);
  return SelectTextureColorData(&flags);
}

int GetTextureFormatIndex(const GraphFlagBytes* flags) {
  const int d = flags->ColorBitDepth == 16 ? 0 : 1;
  if (flags->DrawValid != 0) return (flags->AlphaChFlag == 1 || flags->AlphaTestFlag == 1) ? 8 : 6 + d;
  if (flags->AlphaChFlag != 0) return 2 + d;
  if (flags->AlphaTestFlag != 0) return 4 + d;
  return d;
}

const ColorData* SelectTextureColorData(const GraphFlagBytes* flags) {
  return &g_D3D.formats[GetTextureFormatIndex(flags)].colorData;
}

const TextureFormatEntry* GetTextureFormat(int index) {
  return index >= 0 && index < 9 ? &g_D3D.formats[index] : nullptr;
}

const ColorData* GetTextureFormatColorData(int index) {
  return index >= 0 && index < 9 ? &g_D3D.formats[index].colorData : nullptr;
}

const DDPixelFormat* GetZBufferPixelFormat() { return &g_D3D.zFormat; }
