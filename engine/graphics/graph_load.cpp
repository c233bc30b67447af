#include "engine/graphics/graph_load.h"

#include <cstring>

#include "engine/core/file_functions.h"
#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/image_decode.h"
#include "engine/graphics/movie.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"
#include "engine/softrender/graphics_glue.h"

namespace {

void (*g_restoreHandler)() = nullptr;
int g_restoreDecodes = 0;

constexpr int kPathBufferSize = 260;

void CopyName(char* out, int size, const char* name) {
  if (name == nullptr) name = "";
  std::size_t n = std::strlen(name);
  if (n >= static_cast<std::size_t>(size)) n = static_cast<std::size_t>(size) - 1;
  std::memcpy(out, name, n);
  out[n] = '\0';
}

}  // namespace

int MakeAlphaFileName(const char* name, char* out, int size) {
  if (name == nullptr || out == nullptr) return -1;
  const std::size_t n = std::strlen(name);
  if (n + 3 > static_cast<std::size_t>(size)) return -1;
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr) {
    std::memcpy(out, name, n);
    std::memcpy(out + n, "_a", 3);
    return 0;
  }
  const std::size_t head = static_cast<std::size_t>(dot - name);
  std::memcpy(out, name, head);
  std::memcpy(out + head, "_a", 2);
  std::memcpy(out + head + 2, dot, n - head + 1);
  return 0;
}

int DecodeImageWithAlpha(const char* name, const void* memory, int size, const void* alphaMemory, int alphaSize,
                         int fromMemory, int repack, GraphImage* image, GraphImage* alpha) {
  if (DecodeImageFile(name, memory, size, fromMemory, 0, repack, image, nullptr, nullptr) < 0) return -1;
  if (fromMemory == 1) {
    if (alphaMemory == nullptr) return 1;
    return DecodeImageFile(nullptr, alphaMemory, alphaSize, 1, 0, repack, alpha, nullptr, nullptr) < 0 ? 1 : 0;
  }
  if (fromMemory != 0) return 1;
  char alphaName[kPathBufferSize];
  if (MakeAlphaFileName(name, alphaName, kPathBufferSize) < 0) return 1;
  return DecodeImageFile(alphaName, nullptr, 0, 0, 0, repack, alpha, nullptr, nullptr) < 0 ? 1 : 0;
}

int SetGraphFileName(int handle, const char* name) {
  GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  CopyName(g->FileName, kGraphFileNameSize, name);
  char dir[kPathBufferSize * 2] = {};
  FileGetCurrentDir(dir);
  CopyName(g->Directory, kGraphDirectorySize, dir);
  return 0;
}

int CreateGraphForImage(const GraphImage* image, const GraphImage* alpha, int wantTexture) {
  WaitWhileInactive();
  if (alpha != nullptr && (alpha->width != image->width || alpha->height != image->height)) return -1;
  const int alphaFlag = (image->colorData.widthA != 0 || alpha != nullptr) ? 1 : 0;
  const int extra = (image->colorData.bitsPerPixel == 8 && alphaFlag == 0) ? 1 : 0;
  return CreateGraph(image->width, image->height, wantTexture, alphaFlag, extra);
}

int CreateGraphFromImage(GraphImage* image, GraphImage* alpha, int wantTexture, int mirror, int mirrorEnable) {
  UpdateUnusedBitsMask(&image->colorData);
  if (alpha != nullptr) UpdateUnusedBitsMask(&alpha->colorData);
  const bool mirrored = mirror == 1 && mirrorEnable == 1;
  if (mirrored) {
    MirrorGraphImage(image);
    if (alpha != nullptr) MirrorGraphImage(alpha);
  }
  int handle = CreateGraphForImage(image, alpha, wantTexture);
  if (handle >= 0 && RefillGraphFromImage(nullptr, image, alpha, 0, 0, handle, 0) < 0) {
    DeleteGraphicBody(handle, 0);
    handle = -1;
  }
  if (mirrored) {
    MirrorGraphImage(image);
    if (alpha != nullptr) MirrorGraphImage(alpha);
  }
  return handle;
}

int RefillGraphFromImage(const char* name, const GraphImage* image, const GraphImage* alpha, int sourceX, int sourceY,
                         int handle, unsigned fillOption) {
  GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  SetGraphFileName(handle, name);
  g->FillOption = fillOption;
  g->SourceX = sourceX;
  g->SourceY = sourceY;
  if (g->Flags.Texture != 0) return TransferImageToGraphTextures(sourceX, sourceY, g, image, alpha);
  return TransferImageToAllTiles(image, alpha, sourceX, sourceY, g);
}

int LoadGraphFromFile(const char* name, int wantTexture, int mirror, int movieOption) {
  G_D3D_EndScene();
  WaitWhileInactive();
  if (name == nullptr) return -1;
  GraphImage image{}, alpha{};
  const int decoded = DecodeImageWithAlpha(name, nullptr, 0, nullptr, 0, 0, 0, &image, &alpha);
  if (decoded >= 0) {
    GraphImage* alphaImage = decoded == 0 ? &alpha : nullptr;
    if (mirror == 1) {
      MirrorGraphImage(&image);
      if (alphaImage != nullptr) MirrorGraphImage(alphaImage);
    }
    const int handle = CreateGraphFromImage(&image, alphaImage, wantTexture, mirror, 0);
    if (handle >= 0) SetGraphFileName(handle, name);
    ReleaseGraphImage(&image);
    ReleaseGraphImage(&alpha);
    return handle;
  }
  // Not an image: the file is tried as a movie, whose frames go into a graphic of its size.
  GraphDrawState& st = g_GraphDrawState;
  const int useTexture = (st.UseTextureGraphics == 1 && Use3D != 0 && GetSoftwareRenderFlag() == 0 &&
                          GetTextureColorData(0, 0, 0, 0) != nullptr)
                             ? 1
                             : 0;
  const StreamHandle file = FileOpen(name);
  if (file == 0) return LogPrintf("グラフィックファイル %s がありません", name);
  FileClose(file);
  int width = 0, height = 0;
  const int movie = OpenMovieToGraph(name, &width, &height, movieOption);
  if (movie < 0) return LogPrintf("右記のグラフィックファイルのロードに失敗しました：%s \n", name);
  if (MovieMode(GetMovieData(movie)) != 0) {
    if (GetDirectDrawObject() == nullptr) SetNotUse3DFlag(1);
    st.UseTextureGraphics = 0;
  }
  // Movie graphics are made in the requested depth, in system memory.
  const int keptBits = st.ColorBitDepth, keptSystemMemory = st.UseSystemMemory;
  st.ColorBitDepth = GetScreenColorBitDepth();
  st.UseSystemMemory = 1;
  const int handle = CreateGraph(width, height, wantTexture, MovieAlphaFlag(GetMovieData(movie)), 0);
  st.ColorBitDepth = keptBits;
  st.UseSystemMemory = keptSystemMemory;
  SetUseTextureGraphicsBody(useTexture);
  if (handle < 0) {
    LogPrintf("右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s", name);
    CloseMovieHandle(movie);
    return -1;
  }
  GetGraphData(handle)->Movie = movie;
  SetGraphFileName(handle, name);
  return handle;
}

int LoadGraphicFileBody(const char* name) { return LoadGraphFromFile(name, 1, 0, 0); }

int DeriveGraph(int x, int y, int width, int height, int source) {
  const GraphData* src = GetGraphData(source);
  if (src == nullptr) return -1;
  // A negative position or an empty size would give negative source offsets.
  if (x < 0 || y < 0 || width <= 0 || height <= 0) return -1;
  if (x >= src->Width || y >= src->Height) return -1;
  if (width > src->Width - x) width = src->Width - x;
  if (height > src->Height - y) height = src->Height - y;
  GraphData* g = nullptr;
  const int handle = AddGraphData(width, height, src->Flags.Texture, &g, src->Flags.AlphaChFlag,
                                  src->Flags.ExtraByte);
  src = GetGraphData(source);
  g->Movie = src->Movie;
  std::memcpy(g->FileName, src->FileName, sizeof(g->FileName));
  std::memcpy(g->Directory, src->Directory, sizeof(g->Directory));
  g->SourceX = src->SourceX + x;
  g->SourceY = src->SourceY + y;
  g->Flags = src->Flags;
  g->FillOption = src->FillOption;
  const int derived = g->Flags.Texture != 0 ? DeriveGraphTextures(g, x, y, width, height, src)
                                            : DeriveGraphSurface2D(g, x, y, width, height, src);
  if (derived < 0) {
    DeleteGraphicBody(handle, 0);
    return WriteLog("グラフィックの派生に失敗しました終了します");
  }
  return handle;
}

int SetGraphRestoreHandler(void (*handler)()) {
  g_restoreHandler = handler != nullptr ? handler : &RestoreGraphFromFile;
  return 0;
}

int IsRestoreGraphCallbackSet() { return g_restoreHandler != nullptr ? 1 : 0; }
int HasGraphRestoreHandler() { return IsRestoreGraphCallbackSet(); }
int RestoreDecodeCount() { return g_restoreDecodes; }

void RestoreGraphFromFile() {
  WriteLog("グラフィックを復帰します\n");
  char savedDir[kPathBufferSize * 2] = {};
  FileGetCurrentDir(savedDir);
  g_restoreDecodes = 0;
  GraphImage image{}, alpha{};
  int held = -1;  // result of the held decode: 0 with alpha, 1 image only, -1 none
  const GraphData* previous = nullptr;
  char prevName[kGraphFileNameSize] = {}, prevDir[kGraphDirectorySize] = {};
  unsigned prevFill = 0;
  const int high = g_GraphTable.highMark;
  for (int i = 0; i < high; ++i) {
    GraphData* g = g_GraphTable.slots[i];
    if (g == nullptr || g->NeedsRestore == 0 || g->FileName[0] == '\0') continue;
    if (std::strlen(g->Directory) > 128 || std::strlen(g->FileName) > 64) {
      g->NeedsRestore = 0;
      continue;
    }
    const bool same = previous != nullptr && held >= 0 && std::strcmp(prevName, g->FileName) == 0 &&
                      std::strcmp(prevDir, g->Directory) == 0 && prevFill == g->FillOption;
    if (!same) {
      ReleaseGraphImage(&image);
      ReleaseGraphImage(&alpha);
      FileSetCurrentDir(g->Directory);
      LogPrintf("パス:%s ファイル:%s をロードします", g->Directory, g->FileName);
      held = DecodeImageWithAlpha(g->FileName, nullptr, 0, nullptr, 0, 0, static_cast<int>(g->FillOption), &image,
                                  &alpha);
      ++g_restoreDecodes;
      if (held < 0) {
        LogPrintf("パス:%s ファイル:%s がロードできませんでした", g->Directory, g->FileName);
        g->NeedsRestore = 0;
        previous = nullptr;
        continue;
      }
    }
    char name[kGraphFileNameSize];
    std::memcpy(name, g->FileName, sizeof(name));
    RefillGraphFromImage(name, &image, held == 0 ? &alpha : nullptr, g->SourceX, g->SourceY, g_GraphTable.HandleOf(i),
                         g->FillOption);
    g->NeedsRestore = 0;
    previous = g;
    std::memcpy(prevName, g->FileName, sizeof(prevName));
    std::memcpy(prevDir, g->Directory, sizeof(prevDir));
    prevFill = g->FillOption;
  }
  ReleaseGraphImage(&image);
  ReleaseGraphImage(&alpha);
  FileSetCurrentDir(savedDir);
}

int RestoreGraphHook() {
  int marked = 0;
  for (int i = 0; i < kMaxGraphs && marked < g_GraphTable.count; ++i) {
    if (g_GraphTable.slots[i] != nullptr) {
      g_GraphTable.slots[i]->NeedsRestore = 1;
      ++marked;
    }
  }
  if (g_restoreHandler != nullptr) g_restoreHandler();
  RecreateAllFonts();
  return 0;
}

int RestoreGraphSurface(int handle) {
  const GraphData* g = GetGraphData(handle);
  if (g == nullptr) return -1;
  // A movie's frames live in the graphic's own storage here, so its tiles or textures are all there is to restore.
  return g->Flags.Texture != 0 ? RestoreGraphTextures(g) : RestoreGraphSurface2D(g);
}

int RestoreAllGraphSurface() {
  if (g_GraphDrawState.GraphicsUp == 0) return 0;
  RestoreMainSurfaces();
  for (int i = 0; i < g_GraphTable.highMark; ++i) {
    const GraphData* g = g_GraphTable.slots[i];
    if (g != nullptr) RestoreGraphSurface(g->Handle);
  }
  return 0;
}

int TransferPixelsToGraph(const char* name, const GraphImage* image, const GraphImage* alpha, const ImageRect* srcRect,
                          int x, int y, int handle, unsigned fillOption) {
  GraphData* g = GetGraphData(handle);
  if (g == nullptr || srcRect == nullptr) return -1;
  SetGraphFileName(handle, name);
  g->FillOption = fillOption;
  g->SourceX = srcRect->left & 0xFFFF;
  g->SourceY = srcRect->top & 0xFFFF;
  if (g->Flags.Texture != 0) return TransferRectToGraphTextures(srcRect, x, y, g, image, alpha);
  return TransferImageToGraphTiles(image, alpha, srcRect, x, y, g);
}
