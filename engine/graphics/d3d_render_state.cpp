// The Direct3D state cache: every render and stage state goes through a setter that sends only what changed (after
// drawing the batch gathered under the old value), and the stage set-up that turns the remembered draw settings
// into blend factors and a texture-stage program before the next primitive. Also the scene bracket, targets,
// viewport, transforms, the draw colour, the grid drawer and the release of devices.
#include <cstring>

#include "engine/core/log.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/surface_data.h"

namespace d3d = platform::d3d;

namespace {

constexpr std::uint32_t kFvf[3] = {0x044, 0x144, 0x2C4};
constexpr int kVertexSize[3] = {20, 28, 40};

std::uint32_t g_drawColour = 0xFFFFFFFF;

// Destination and source factor per blend mode; -1 leaves the device's factor.
constexpr int kBlendFactors[7][2] = {{-1, -1}, {6, 5}, {2, 5}, {1, 10}, {3, 1}, {2, 5}, {-1, -1}};
bool ModeBlends(int mode) { return mode >= 1 && mode <= 5; }

// Stage program: per stage alpha arg 1, alpha arg 2, alpha op, colour arg 1, colour arg 2, colour op; -1 = leave.
struct StageProgram {
  int stages;
  std::int16_t s[4][6];
};

constexpr std::int16_t kLeave = -1;

void SetStage(StageProgram* p, int i, std::int16_t a1, std::int16_t a2, std::int16_t aop, std::int16_t c1,
              std::int16_t c2, std::int16_t cop) {
  const std::int16_t v[6] = {a1, a2, aop, c1, c2, cop};
  std::memcpy(p->s[i], v, sizeof v);
}

// The program for the remembered settings (k: 1 alpha-blend flag, 2 alpha-test flag, 0 neither).
StageProgram BuildProgram(bool blendTexture, int k, bool alphaFromDiffuse, bool modulate) {
  StageProgram p{};
  for (int i = 0; i < 4; ++i) SetStage(&p, i, kLeave, kLeave, d3d::kOpDisable, kLeave, kLeave, d3d::kOpDisable);
  const std::int16_t texColourOp = modulate ? d3d::kOpModulate : d3d::kOpSelectArg1;
  const std::int16_t texColourArg2 = modulate ? static_cast<std::int16_t>(d3d::kTaDiffuse) : kLeave;
  if (!blendTexture) {
    p.stages = 1;
    if (k == 0) {
      SetStage(&p, 0, kLeave, d3d::kTaDiffuse, d3d::kOpSelectArg2, d3d::kTaTexture, texColourArg2, texColourOp);
    } else if (alphaFromDiffuse) {
      SetStage(&p, 0, d3d::kTaTexture, d3d::kTaDiffuse, d3d::kOpModulate, d3d::kTaTexture, texColourArg2, texColourOp);
    } else {
      SetStage(&p, 0, d3d::kTaTexture, kLeave, d3d::kOpSelectArg1, d3d::kTaTexture, texColourArg2, texColourOp);
    }
    return p;
  }
  SetStage(&p, 0, d3d::kTaTexture, d3d::kTaTFactor, d3d::kOpAdd, kLeave, d3d::kTaDiffuse, d3d::kOpSelectArg2);
  if (k == 0) {
    if (alphaFromDiffuse) {
      SetStage(&p, 1, d3d::kTaDiffuse, d3d::kTaCurrent, d3d::kOpModulate, d3d::kTaTexture, texColourArg2, texColourOp);
    } else {
      SetStage(&p, 1, d3d::kTaCurrent, kLeave, d3d::kOpSelectArg1, d3d::kTaTexture, texColourArg2, texColourOp);
    }
    p.stages = 2;
  } else if (k == 1) {
    SetStage(&p, 1, d3d::kTaSpecular, d3d::kTaCurrent, d3d::kOpModulate, d3d::kTaCurrent, kLeave, d3d::kOpSelectArg1);
    SetStage(&p, 2, d3d::kTaTexture, d3d::kTaCurrent, d3d::kOpModulate, d3d::kTaTexture, texColourArg2, texColourOp);
    p.stages = 3;
    if (alphaFromDiffuse) {
      SetStage(&p, 3, d3d::kTaDiffuse, d3d::kTaCurrent, d3d::kOpModulate, d3d::kTaCurrent, kLeave, d3d::kOpSelectArg1);
      p.stages = 4;
    }
  } else {
    SetStage(&p, 1, d3d::kTaTexture, d3d::kTaCurrent, d3d::kOpModulate, d3d::kTaTexture, texColourArg2, texColourOp);
    p.stages = 2;
    if (alphaFromDiffuse) {
      SetStage(&p, 2, d3d::kTaDiffuse, d3d::kTaCurrent, d3d::kOpModulate, d3d::kTaCurrent, kLeave, d3d::kOpSelectArg1);
      p.stages = 3;
    }
  }
  return p;
}

// Cached render-state send: nothing when cached (and no re-send), else draw the batch, send, cache.
int SendCached(int device, Direct3DDeviceRecord* r, std::int32_t* cache, d3d::RenderState state, std::int32_t value,
               bool flush = true) {
  if (*cache == value && r->resendAll == 0) return 0;
  if (flush) G_D3D_FlushDeviceBatch(device);
  *cache = value;
  return r->device->SetRenderState(state, static_cast<std::uint32_t>(value)) == platform::dd::kOk ? 0 : -1;
}

// Sends a state (factor, alpha function ...) of the stage set-up when it differs from the cache.
void SendState(Direct3DDeviceRecord* r, std::int32_t* cache, d3d::RenderState state, std::int32_t value) {
  if (*cache == value && r->resendAll == 0) return;
  *cache = value;
  r->device->SetRenderState(state, static_cast<std::uint32_t>(value));
}

void SelectVertexType(Direct3DDeviceRecord* r, int type) {
  r->vertexType = type;
  r->writePointer = r->buffers[type] + static_cast<std::ptrdiff_t>(r->pendingCount) * kVertexSize[type];
}

}  // namespace

std::uint8_t* ReserveBatch(Direct3DDeviceRecord* r, int primitiveType, int count) {
  if (r->pendingCount > 0 &&
      (r->primitiveType != primitiveType || r->pendingCount + count > kBatchCapacity[r->vertexType])) {
    G_D3D_FlushDeviceBatch(g_D3D.currentDevice);
  }
  return r->writePointer;
}

void CommitBatch(Direct3DDeviceRecord* r, int count) {
  r->writePointer += static_cast<std::ptrdiff_t>(count) * kVertexSize[r->vertexType];
  r->pendingCount += count;
}

int G_D3D_FlushDeviceBatch(int device) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr) return -1;
  if (r->pendingCount > 0 && r->skipDrawing == 0 && r->device != nullptr) {
    r->device->DrawPrimitive(static_cast<d3d::PrimitiveType>(r->primitiveType), kFvf[r->vertexType],
                             r->buffers[r->vertexType], r->pendingCount, 0);
  }
  r->pendingCount = 0;
  r->writePointer = r->buffers[r->vertexType];
  return 0;
}

void G_D3D_FlushVertexBatch() {
  if (CurrentD3DRecord() != nullptr) G_D3D_FlushDeviceBatch(g_D3D.currentDevice);
}

d3d::Device* G_D3D_GetDevice() {
  Direct3DDeviceRecord* r = CurrentD3DRecord();
  return r != nullptr ? r->device : nullptr;
}

int G_D3D_SetTexturePerspective(int device, int value) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  return SendCached(device, r, &r->perspective, d3d::kRsTexturePerspective, value, false);
}

int G_D3D_SetColorKeyEnable(int device, int value) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  SendCached(device, r, &r->colorKeyEnable, d3d::kRsColorKeyEnable, value);
  return 0;
}

int G_D3D_SetZEnable(int device, int value) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  SendCached(device, r, &r->zEnable, d3d::kRsZEnable, value == 1 ? 1 : 0);
  return 0;
}

int G_D3D_SetZWriteEnable(int device, int value) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  SendCached(device, r, &r->zWrite, d3d::kRsZWriteEnable, value);
  return 0;
}

int G_D3D_SetShadeMode(int device, int value) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  return SendCached(device, r, &r->shadeMode, d3d::kRsShadeMode, value);
}

int G_D3D_SetTextureFilter(int device, int filter) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  if (r->filter == filter && r->resendAll == 0) return 0;
  G_D3D_FlushDeviceBatch(device);
  if (filter != 0 && filter != 1) return -1;
  const std::uint32_t value = filter == 0 ? d3d::kFilterPoint : d3d::kFilterLinear;
  for (int i = 0; i < r->stagesInUse && i < 4; ++i) {
    r->device->SetTextureStageState(i, d3d::kTssMagFilter, value);
    r->device->SetTextureStageState(i, d3d::kTssMinFilter, value);
  }
  r->filter = filter;
  return 0;
}

int G_D3D_SetRenderTarget(int device, d3d::RenderTarget target) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  const bool base = target.surface == nullptr && target.texture == nullptr;
  if (base) {
    if (r->currentTarget == d3d::RenderTarget{} && r->resendAll == 0) return 0;
    G_D3D_FlushDeviceBatch(device);
    r->device->SetRenderTarget(r->baseTarget);
    r->currentTarget = {};
    return 0;
  }
  if (r->currentTarget == target && r->resendAll == 0) return 0;
  G_D3D_FlushDeviceBatch(device);
  r->currentTarget = target;
  return r->device->SetRenderTarget(target) == platform::dd::kOk ? 0 : -1;
}

int G_D3D_SetViewport(int device, const d3d::Viewport& viewport) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  const d3d::Viewport& c = r->viewport;
  if (c.x == viewport.x && c.y == viewport.y && c.width == viewport.width && c.height == viewport.height &&
      r->resendAll == 0)
    return 0;
  G_D3D_FlushDeviceBatch(device);
  r->viewport = viewport;
  if (r->device->SetViewport(viewport) != platform::dd::kOk) return WriteLog("ビューポートのセットに失敗しました\n");
  return 0;
}

int G_D3D_SetBlendMode(int device, int mode, int alphaBlend, int alphaTest) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr) return -1;
  if (r->blendMode == mode && r->alphaBlend == alphaBlend && r->alphaTest == alphaTest && r->resendAll == 0) return 0;
  G_D3D_FlushDeviceBatch(device);
  r->blendMode = mode;
  r->alphaBlend = alphaBlend;
  r->alphaTest = alphaTest;
  r->stageSetupPending = 1;
  return 0;
}

int G_D3D_SetTexture(int device, d3d::Texture* texture) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr) return -1;
  if (r->texture == texture) return 0;
  G_D3D_FlushDeviceBatch(device);
  r->textureChangePending = 1;
  if ((r->texture == nullptr) != (texture == nullptr)) r->stageSetupPending = 1;
  r->texture = texture;
  return 0;
}

int G_D3D_SetBlendTexture(int device, d3d::Texture* texture, int borderParam, int borderRange) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr) return -1;
  if (r->blendTexture == nullptr && texture == nullptr) return 0;
  if (r->blendTexture == texture && r->borderParam == borderParam && r->borderRange == borderRange) return 0;
  G_D3D_FlushDeviceBatch(device);
  r->blendTexture = texture;
  if (borderParam != -1) r->borderParam = borderParam;
  if (borderRange != -1) r->borderRange = borderRange;
  r->stageSetupPending = 1;
  return 0;
}

int G_D3D_SetDiffuseAlphaFlag(int device, int flag) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr) return -1;
  if (r->alphaFromDiffuse == flag) return 0;
  G_D3D_FlushDeviceBatch(device);
  r->alphaFromDiffuse = flag;
  r->stageSetupPending = 1;
  return 0;
}

int G_D3D_SetDiffuseColorFlag(int device, int flag) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr) return -1;
  if (r->modulateByDiffuse == flag) return 0;
  G_D3D_FlushDeviceBatch(device);
  r->modulateByDiffuse = flag;
  r->stageSetupPending = 1;
  return 0;
}

int G_D3D_ApplyDrawStates(int device) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  if (r->resendAll == 0 && r->stageSetupPending == 0 && r->textureChangePending == 0) return -1;
  const int drawStage = r->blendTexture == nullptr ? 0 : (r->alphaBlend == 1 ? 2 : 1);
  if (r->resendAll == 0 && r->stageSetupPending == 0) {
    r->device->SetTexture(drawStage, r->texture);
    r->stages[drawStage].texture = r->texture;
    r->textureChangePending = 0;
    return 0;
  }
  int dest = kBlendFactors[r->blendMode >= 0 && r->blendMode <= 6 ? r->blendMode : 0][0];
  int src = kBlendFactors[r->blendMode >= 0 && r->blendMode <= 6 ? r->blendMode : 0][1];
  r->stageSetupPending = r->textureChangePending = 0;
  std::uint32_t factor = 0xFFFFFFFF;
  d3d::Texture* stageTextures[4] = {nullptr, nullptr, nullptr, nullptr};
  StageProgram program{};
  int alphaTest = 0, alphaRef = r->alphaRef, alphaFunc = r->alphaFunc, alphaBlend = 0;
  const int k = r->alphaBlend == 1 ? 1 : r->alphaTest == 1 ? 2 : 0;
  if (r->texture == nullptr) {
    r->skipDrawing = 0;
    if (r->blendMode == 3) {
      program.stages = 1;
      for (int i = 0; i < 4; ++i) SetStage(&program, i, kLeave, kLeave, d3d::kOpDisable, kLeave, kLeave, d3d::kOpDisable);
      SetStage(&program, 0, kLeave, d3d::kTaDiffuse, d3d::kOpSelectArg2, d3d::kTaDiffuse, kLeave, d3d::kOpSelectArg1);
    } else {
      program.stages = r->stagesInUse;
      for (int i = 0; i < 4; ++i) std::memcpy(program.s[i], r->stages[i].states, sizeof program.s[i]);
    }
    factor = r->textureFactor;
    alphaBlend = ModeBlends(r->blendMode) ? 1 : 0;
    SelectVertexType(r, 0);
  } else if (r->blendTexture == nullptr) {
    r->skipDrawing = 0;
    SelectVertexType(r, 1);
    program = BuildProgram(false, k, r->alphaFromDiffuse != 0, r->modulateByDiffuse != 0);
    stageTextures[0] = r->texture;
    if (r->alphaTest == 1) {
      alphaTest = 1;
      alphaRef = 0x80;
      alphaFunc = d3d::kCmpGreater;
    } else if (r->alphaBlend == 1 && !ModeBlends(r->blendMode)) {
      dest = d3d::kBlendInvSrcAlpha;
      src = d3d::kBlendSrcAlpha;
    }
    alphaBlend = (r->alphaBlend == 1 || ModeBlends(r->blendMode)) ? 1 : 0;
  } else {
    SelectVertexType(r, 2);
    program = BuildProgram(true, k, r->alphaFromDiffuse != 0, r->modulateByDiffuse != 0);
    if (!ModeBlends(r->blendMode)) {
      dest = d3d::kBlendInvSrcAlpha;
      src = d3d::kBlendSrcAlpha;
    }
    r->skipDrawing = r->borderParam == 255 ? 1 : 0;
    stageTextures[0] = r->blendTexture;
    stageTextures[r->alphaBlend == 1 ? 2 : 1] = r->texture;
    const int p = r->borderParam < 0 ? 0 : r->borderParam;
    if (r->borderRange <= 1) {
      alphaTest = 1;
      alphaRef = (p == 0 && (r->alphaBlend == 1 || r->alphaTest == 1)) ? 1 : p;
      alphaFunc = d3d::kCmpGreaterEqual;
      alphaBlend = 0;
      factor = 0x00FFFFFF;
    } else {
      alphaBlend = 1;
      int s = 0x200, m = 0x100, f = 255, mm = 256;
      std::int16_t op = d3d::kOpModulate;
      if (r->borderRange <= 64) {
        s = 0x500, m = 0x400, f = 64, mm = 1024, op = d3d::kOpModulate4x;
      } else if (r->borderRange <= 128) {
        s = 0x300, m = 0x200, f = 128, mm = 512, op = d3d::kOpModulate2x;
      }
      const int v = s - (p * s) / 255;
      program.s[1][2] = op;
      std::uint32_t alpha = 0;
      if (v >= m) {
        program.s[0][2] = d3d::kOpAdd;
        alpha = static_cast<std::uint32_t>(((v - m) * f) / 256);
      } else {
        program.s[0][2] = d3d::kOpSubtract;
        alpha = static_cast<std::uint32_t>(255 - (v * 255) / mm) & 0xFF;
      }
      factor = (alpha << 24) | 0xFFFFFF;
    }
  }

  if (program.stages != r->stagesInUse) {
    r->stagesInUse = program.stages;
    const int saved = r->resendAll;
    r->resendAll = 1;
    G_D3D_SetTextureFilter(device, r->filter);
    r->resendAll = saved;
  }

  // Send.
  SendState(r, &r->alphaFunc, d3d::kRsAlphaFunc, alphaFunc);
  SendState(r, &r->alphaRef, d3d::kRsAlphaRef, alphaRef);
  SendState(r, &r->alphaTestEnable, d3d::kRsAlphaTestEnable, alphaTest);
  SendState(r, &r->alphaBlendEnable, d3d::kRsAlphaBlendEnable, alphaBlend);
  if (r->textureFactor != factor || r->resendAll != 0) {
    r->textureFactor = factor;
    r->device->SetRenderState(d3d::kRsTextureFactor, factor);
  }
  if (src != -1 || r->resendAll != 0) SendState(r, &r->srcBlend, d3d::kRsSrcBlend, src != -1 ? src : r->srcBlend);
  if (dest != -1 || r->resendAll != 0)
    SendState(r, &r->destBlend, d3d::kRsDestBlend, dest != -1 ? dest : r->destBlend);
  const int sent = program.stages < 4 ? program.stages + 1 : 4;
  static const d3d::StageState kOrder[6] = {d3d::kTssAlphaOp,   d3d::kTssAlphaArg1, d3d::kTssAlphaArg2,
                                            d3d::kTssColorOp,   d3d::kTssColorArg1, d3d::kTssColorArg2};
  static const int kIndex[6] = {2, 0, 1, 5, 3, 4};
  for (int i = 0; i < sent; ++i) {
    if (i >= 2 && program.s[i - 1][2] == d3d::kOpDisable) break;
    if (r->stages[i].texture != stageTextures[i] || r->resendAll != 0) {
      r->device->SetTexture(i, stageTextures[i]);
      r->stages[i].texture = stageTextures[i];
    }
    for (int k2 = 0; k2 < 6; ++k2) {
      const std::int16_t value = program.s[i][kIndex[k2]];
      if (value == kLeave) continue;
      if (r->stages[i].states[kIndex[k2]] == value && r->resendAll == 0) continue;
      r->stages[i].states[kIndex[k2]] = value;
      r->device->SetTextureStageState(i, kOrder[k2], static_cast<std::uint32_t>(value));
    }
  }
  return 0;
}

int G_D3D_ApplyDefaultStates(int device) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  G_D3D_FlushDeviceBatch(device);
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
  return 0;
}

int G_D3D_CopyDrawStates(int from, int to) {
  Direct3DDeviceRecord* a = D3DRecord(from);
  Direct3DDeviceRecord* b = D3DRecord(to);
  if (a == nullptr || b == nullptr) return -1;
  G_D3D_SetBlendMode(to, a->blendMode, a->alphaBlend, a->alphaTest);
  G_D3D_SetTextureFilter(to, a->filter);
  G_D3D_SetTexture(to, a->texture);
  G_D3D_ApplyDrawStates(to);
  return 0;
}

int G_D3D_BeginScene() {
  Direct3DDeviceRecord* r = CurrentD3DRecord();
  if (r == nullptr || r->device == nullptr) return -1;
  if (r->sceneOpen == 0) {
    r->device->BeginScene();
    r->sceneOpen = 1;
  }
  return 0;
}

int G_D3D_EndSceneOnDevice(int device) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr) return -1;
  if (r->sceneOpen == 0) return 0;
  G_D3D_FlushDeviceBatch(device);
  if (r->device != nullptr) r->device->EndScene();
  r->sceneOpen = 0;
  return 0;
}

int G_D3D_SetViewportRect(const RECT* rect) {
  if (g_D3D.initialised == 0) return -1;
  if (g_D3D.suppressed == 1) return 0;
  if (rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0) return -1;
  const RECT& origin = g_GraphDrawState.TargetOriginRect;
  const d3d::Viewport v{static_cast<std::uint32_t>(rect->left + origin.left),
                        static_cast<std::uint32_t>(rect->top + origin.top),
                        static_cast<std::uint32_t>(rect->right - rect->left),
                        static_cast<std::uint32_t>(rect->bottom - rect->top), 0.0f, 1.0f};
  return G_D3D_SetViewport(g_D3D.currentDevice, v);
}

namespace {
int SetTransform(d3d::TransformType type, const float* matrix) {
  d3d::Device* device = G_D3D_GetDevice();
  if (device == nullptr) return -1;
  d3d::Matrix m{};
  std::memcpy(m.m, matrix, sizeof m.m);
  device->SetTransform(type, m);
  return 0;
}
}  // namespace

int G_D3D_SetWorldTransform(const float* matrix) { return SetTransform(d3d::kTransformWorld, matrix); }
int G_D3D_SetViewTransform(const float* matrix) { return SetTransform(d3d::kTransformView, matrix); }
int G_D3D_SetProjectionTransform(const float* matrix) { return SetTransform(d3d::kTransformProjection, matrix); }

int G_D3D_SetTextureFilterCurrent(int filter) { return G_D3D_SetTextureFilter(g_D3D.currentDevice, filter); }

int UpdateD3DDrawColor() {
  const GraphDrawState& st = g_GraphDrawState;
  const std::uint32_t alpha = st.BlendMode != 0 ? static_cast<std::uint32_t>(st.BlendParam) & 0xFF : 255u;
  g_drawColour = (alpha << 24) | (st.Brightness & 0xFFFFFF);
  return 0;
}

std::uint32_t D3DDrawColor() { return g_drawColour; }

int G_D3D_DrawGridStrips(int device, int columns, const D3DVertex* vertices, int rows) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return -1;
  if (columns < 2 || rows < 2) return -1;
  G_D3D_FlushDeviceBatch(device);
  std::uint16_t indices[1000];
  int count = 0;
  auto draw = [&] {
    if (count > 0 && r->skipDrawing == 0) {
      r->device->DrawIndexedPrimitive(d3d::kTriangleStrip, 0x144, vertices, columns * rows, indices, count, 0);
    }
    count = 0;
  };
  for (int row = 0; row + 1 < rows; ++row) {
    const int need = 2 * columns + 2;
    if (count + need > 1000) draw();
    const bool join = count > 0;
    if (join) {
      indices[count] = indices[count - 1];
      ++count;
      indices[count++] = static_cast<std::uint16_t>((row + 1) * columns);
    }
    for (int c = 0; c < columns; ++c) {
      indices[count++] = static_cast<std::uint16_t>((row + 1) * columns + c);
      indices[count++] = static_cast<std::uint16_t>(row * columns + c);
    }
  }
  draw();
  return 0;
}

int G_D3D_ReleaseDeviceObjects(int device) {
  Direct3DDeviceRecord* r = D3DRecord(device);
  if (r == nullptr || r->device == nullptr) return 0;
  G_D3D_EndSceneOnDevice(device);
  for (int i = 0; i < g_Surface3DTable.highMark; ++i) {
    if (g_Surface3DTable.slots[i] != nullptr) ReleaseSurfaceDataStorage(g_Surface3DTable.slots[i]->Texture);
  }
  if (g_D3D.object != nullptr) g_D3D.object->ReleaseDevice(r->device);
  r->device = nullptr;
  WriteLog("Ｄｉｒｅｃｔ３Ｄデバイスを削除しました\n");
  return 0;
}

int G_D3D_ReleaseAllDevices() {
  for (auto& r : g_D3DDevices) {
    if (r.inUse == 0) continue;
    if (g_D3D.object != nullptr && r.device != nullptr) g_D3D.object->ReleaseDevice(r.device);
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    WriteLog("３Ｄデバイスの削除は正常に終了しました\n");
  }
  return 0;
}
