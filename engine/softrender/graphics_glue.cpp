// Stand-ins for the services of graphics_glue.h that still have no owner.
#include "engine/softrender/graphics_glue.h"

namespace {

MEMIMG* g_blendGraph = nullptr;

}  // namespace

// The image of the draw state's blend graphic when it is a 2D graphic whose first tile is held as a memory image;
// otherwise the stand-in set by a test (null unless set).
MEMIMG* GetBlendGraphMemImg() {
  const GraphData* graph = GetGraphData(g_GraphDrawState.BlendGraph);
  if (graph != nullptr && graph->Flags.Texture == 0 && graph->TileCount > 0) {
    const Surface2D* tile = GetSurface2D(graph->Tiles[0]);
    SurfaceData* data = tile != nullptr ? GetSurfaceData(tile->SurfaceDataHandle) : nullptr;
    if (data != nullptr && data->MemoryImage == 1 && data->Image.Tag == kMemImgTag) return &data->Image;
    return nullptr;
  }
  return g_blendGraph;
}


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
