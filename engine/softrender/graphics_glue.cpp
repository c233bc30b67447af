// Stand-ins for the display layer's services to the software selectors (see graphics_glue.h).
#include "engine/softrender/graphics_glue.h"

#include <cstring>

std::int32_t SoftwareRenderFlag = 1;
std::int32_t ScreenColorBits = 32;
std::int32_t DirectDrawStarted = 0;
MEMIMG* DrawScreenMemImg = nullptr;
MEMIMG* LockWorkMemImg = nullptr;
MEMIMG* LockSourceMemImg = nullptr;

namespace {

struct GlueState {
  int ready = 0;
  MEMIMG* blendGraph = nullptr;
  MEMIMG lockSourceView;
};

GlueState& Glue() {
  static GlueState state;
  return state;
}

int g_ddObjectMarker;

}  // namespace

void* GetDirectDrawObject() { return Glue().ready != 0 ? &g_ddObjectMarker : nullptr; }
MEMIMG* GetBlendGraphMemImg() { return Glue().blendGraph; }

void G_D3D_FlushVertexBatch() {}
void G_D3D_EndScene() {}

int LockDrawScreenBuffer(Surface2D* surface, int /*blit*/, const RECT* /*srcRect*/, const RECT* destRect,
                         int /*overwrite*/, std::uint32_t* /*colour1*/, std::uint32_t* /*colour2*/) {
  if (DrawScreenMemImg == nullptr || destRect == nullptr) return -1;
  RECT r = *destRect;
  ClipRect(&r, &g_GraphDrawState.DrawArea);
  if (r.left == r.right || r.top == r.bottom) return -1;
  LockWorkMemImg = DrawScreenMemImg;
  LockSourceMemImg = nullptr;
  if (surface != nullptr) {
    LockSourceMemImg = const_cast<MEMIMG*>(TileMemImg(surface, &Glue().lockSourceView));
    if (LockSourceMemImg == nullptr) return -1;
  }
  return 0;
}

int UnlockDrawScreenBuffer() {
  LockWorkMemImg = nullptr;
  LockSourceMemImg = nullptr;
  return 0;
}

void SetGlueDirectDrawReady(int ready) { Glue().ready = ready; }
void SetGlueBlendGraphMemImg(MEMIMG* graph) { Glue().blendGraph = graph; }

void ResetGlue() {
  GlueState& g = Glue();
  g.ready = 0;
  g.blendGraph = nullptr;
  SetMaskScratchMemImg(nullptr);
  SoftwareRenderFlag = 1;
  ScreenColorBits = 32;
  DirectDrawStarted = 0;
  DrawScreenMemImg = LockWorkMemImg = LockSourceMemImg = nullptr;
}
