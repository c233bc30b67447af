#include "engine/graphics/mask.h"

#include "engine/core/mem_alloc.h"
#include "engine/graphics/draw_state.h"

MaskScreenState g_MaskScreen{};

int SetMaskScreenActive(int flag) {
  if (g_MaskScreen.data == nullptr) return -1;
  g_GraphDrawState.UseMaskScreen = flag;
  g_GraphDrawState.MaskActive = (flag != 0 && g_MaskScreen.exists != 0) ? 1 : 0;
  return 0;
}

int GetUseMaskScreenFlag() { return g_GraphDrawState.UseMaskScreen; }
MEMIMG* GetMaskMemImg() { return g_MaskScreen.scratch; }
void SetMaskScratchMemImg(MEMIMG* image) { g_MaskScreen.scratch = image; }

int DeleteMaskScreen() {
  if (g_MaskScreen.data != nullptr) MemFree(g_MaskScreen.data);
  g_MaskScreen.data = nullptr;
  g_MaskScreen.exists = 0;
  g_GraphDrawState.MaskActive = 0;
  return 0;
}

void ClearMaskScreen() {
  DeleteMaskScreen();
  g_MaskScreen = MaskScreenState{};
}
