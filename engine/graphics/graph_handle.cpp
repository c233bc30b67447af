#include "engine/graphics/graph_handle.h"

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/core/start_engine.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/movie.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/screen_format.h"
#include "engine/graphics/surface2d.h"

GraphTable g_GraphTable{};

void ClearGraphTable() { g_GraphTable.Clear(); }

GraphData* GetGraphData(int handle) { return g_GraphTable.Get(handle); }

int GraphHandleOfRecord(const GraphData* record) { return record != nullptr ? record->Handle : -1; }

int AddGraphData(int width, int height, int wantTexture, GraphData** outRecord, int alphaFlag, int extraByte) {
  if (g_GraphTable.Full()) FatalExit("グラフィックの数が許容量を越えました終了します");
  GraphData* g = nullptr;
  const int handle = g_GraphTable.Add(&g);
  if (handle < 0) FatalExit("メモリの確保に失敗しました");
  const GraphDrawState& st = g_GraphDrawState;
  g->Handle = handle;
  g->Width = width;
  g->Height = height;
  g->Movie = -1;
  g->CreateOption = st.GraphCreateOption;
  g->Flags.Texture =
      (wantTexture != 0 && st.UseTextureGraphics != 0 && Use3D != 0 && GetSoftwareRenderFlag() == 0) ? 1 : 0;
  if (st.DrawValid == 1) {
    g->Flags.DrawValid = 1;
  } else {
    g->Flags.AlphaChFlag = static_cast<std::uint8_t>(alphaFlag);
    g->Flags.AlphaTestFlag = static_cast<std::uint8_t>(st.AlphaTestFlag);
    g->Flags.OptionByte = static_cast<std::uint8_t>(g->CreateOption & 0xFF);
  }
  const int screenBits = ScreenRequestedBits();
  if (g->Flags.Texture != 0) {
    g->Flags.ColorBitDepth = static_cast<std::uint8_t>(st.ColorBitDepth != 0 ? st.ColorBitDepth
                                                                             : (alphaFlag == 1 ? 32 : screenBits));
    if (g->CreateOption == 1) {
      g->Flags.ColorBitDepth = 32;
      g->Flags.AlphaTestFlag = 0;
      g->Flags.AlphaChFlag = 1;
      g->Flags.DrawValid = 0;
    }
  } else {
    g->Flags.ColorBitDepth = static_cast<std::uint8_t>(st.ColorBitDepth != 0 ? st.ColorBitDepth : screenBits);
    g->Flags.SystemMemory = static_cast<std::uint8_t>(st.UseSystemMemory);
    g->Flags.ExtraByte = static_cast<std::uint8_t>(extraByte);
  }
  if (outRecord != nullptr) *outRecord = g;
  return handle;
}

int CreateGraph(int width, int height, int wantTexture, int alphaFlag, int extraByte) {
  GraphData* g = nullptr;
  const int handle = AddGraphData(width, height, wantTexture, &g, alphaFlag, extraByte);
  const int made = g->Flags.Texture != 0 ? CreateGraphTextures(g) : CreateGraphSurface2D(g);
  if (made < 0) {
    // The record goes again: a graphic without tiles could never be drawn or told apart from a live one.
    g_GraphTable.Release(handle & kHandleSlotMask);
    return WriteLog("グラフィックの作成に失敗しました\n");
  }
  return handle;
}

int CreateEmptyGraph(int width, int height) { return CreateGraph(width, height, 1, g_GraphDrawState.AlphaChFlag, 0); }

int SetGraphLostFlag(int handle, std::int32_t* flag) {
  GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  g->LostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int QueryGraphSize(int handle, int* width, int* height) {
  if (handle == -2 || handle == -4) {
    int w = 640, h = 480, bits = 0;
    GetScreenModeInfo(&w, &h, &bits);
    if (width != nullptr) *width = w;
    if (height != nullptr) *height = h;
    return 0;
  }
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  if (width != nullptr) *width = g->Width;
  if (height != nullptr) *height = g->Height;
  return 0;
}

int GetGraphicSize(int handle, int* width, int* height) { return QueryGraphSize(handle, width, height); }

int GetTransferOptionWord() { return g_GraphDrawState.TransferOption; }

int CheckBlendGraphSize(const GraphData* record) {
  const GraphData* blend = GetGraphData(g_GraphDrawState.BlendGraph);
  if (blend == nullptr || record == nullptr) return -1;
  if (blend->Width < record->Width || blend->Height < record->Height) return -1;
  return 0;
}

int DeleteGraphicBody(int handle, int logFlag) {
  GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  ForgetDrawTargetGraph(handle);
  CloseMovie(handle);
  if (g->Flags.Texture != 0) {
    DeleteGraphTextures(g);
  } else {
    DeleteGraphSurface2D(g);
  }
  if (logFlag != 0) LogPrintf("グラフィック %s の削除", g->FileName);
  if (g->OwnedBlock != nullptr) MemFree(g->OwnedBlock);
  g_GraphTable.Release(handle & kHandleSlotMask);
  return 0;
}

int DeleteAllGraph(int logFlag) {
  if (g_GraphDrawState.GraphicsUp == 0) return 0;
  for (int i = 0; i < g_GraphTable.highMark; ++i) {
    if (g_GraphTable.slots[i] != nullptr) DeleteGraphicBody(g_GraphTable.HandleOf(i), logFlag);
  }
  return 0;
}

int CanUseTextureGlyphCache() {
  if (g_GraphDrawState.UseTextureGraphics != 1 || Use3D == 0 || g_D3D.suppressed != 0 || IsSoftwareScreenModel() != 0)
    return 0;
  const ColorData* format = GetTextureColorData(0, 0, 0, 0);
  return format != nullptr && format->bitsPerPixel != 0 ? 1 : 0;
}

int FillGraphColor(int handle, int r, int g, int b, int a) {
  const GraphData* graph = GetGraphData(handle);
  if (graph == nullptr) return -1;
  if (graph->Flags.Texture != 0) return FillGraphTextures(graph, r, g, b, a);
  return FillGraphSurface2D(graph, r, g, b, a);
}
