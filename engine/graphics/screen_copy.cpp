#include "engine/graphics/screen_copy.h"

#include "engine/core/message.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/surface2d.h"
#include "engine/softrender/graphics_glue.h"

int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int handle, int windowFront) {
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  WaitWhileInactive();
  if (g_DisplayDevice.up == 1) G_D3D_EndScene();
  if (g->Flags.Texture != 0) return G_D3D_CopyScreenToGraph(x1, y1, x2, y2, g, windowFront);
  return GetDrawScreenGraph2D(x1, y1, x2, y2, g);
}

int CopyBackScreenToNewGraph() {
  int w = 0, h = 0;
  QueryScreenSizeBody(&w, &h);
  const int handle = CreateGraph(w, h, 0, 0, 0);
  if (handle < 0) return -1;
  if (GetDrawScreenGraph(0, 0, w, h, handle, 0) < 0) {
    DeleteGraphicBody(handle, 0);
    return -1;
  }
  return handle;
}
