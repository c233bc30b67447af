// Stand-ins for the services of graphics_glue.h that still have no owner.
#include "engine/softrender/graphics_glue.h"

namespace {

MEMIMG* g_blendGraph = nullptr;

}  // namespace

MEMIMG* GetBlendGraphMemImg() { return g_blendGraph; }

void G_D3D_FlushVertexBatch() {}
void G_D3D_EndScene() {}

void SetGlueDirectDrawReady(int ready) { SetDirectDrawObjectStandIn(ready); }
void SetGlueBlendGraphMemImg(MEMIMG* graph) { g_blendGraph = graph; }

void ResetGlue() {
  SetDirectDrawObjectStandIn(0);
  g_blendGraph = nullptr;
  SetMaskScratchMemImg(nullptr);
  SoftwareRenderFlag = 1;
  ScreenColorBits = 32;
  DirectDrawStarted = 0;
  DrawScreenMemImg = LockWorkMemImg = LockSourceMemImg = nullptr;
}
