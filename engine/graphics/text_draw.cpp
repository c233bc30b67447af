// Strings on the current draw screen: straight into the draw image (or the locked screen) for plain fonts without
// blending, otherwise through the font's screen-sized work graphic, which is then drawn with the blend settings.
#include <cstring>

#include "engine/core/log.h"
#include "engine/core/message.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/font.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/mask.h"
#include "engine/graphics/screen_buffer.h"
#include "engine/graphics/surface2d.h"
#include "engine/softrender/graphics_glue.h"

namespace {

// The font's work graphic, made when first needed or after it was deleted (every screen-mode change deletes all
// graphics): a screen-sized 2D graphic in system memory, with an alpha channel for anti-aliased fonts.
GraphData* FontScreen(FontData* f) {
  if (GraphData* g = GetGraphData(f->FontScreen)) return g;
  GraphDrawState& st = g_GraphDrawState;
  const GraphDrawState saved = st;
  const int alpha = (f->FontType & kFontTypeAntialias) != 0 ? 1 : 0;
  st.AlphaChFlag = alpha;
  st.AlphaTestFlag = alpha != 0 ? 0 : 1;
  st.UseTextureGraphics = 0;
  st.DrawValid = 0;
  st.UseSystemMemory = 1;
  st.ColorBitDepth = GetScreenColorBitDepth();
  int w = 640, h = 480;
  QueryScreenSizeBody(&w, &h);
  f->FontScreen = CreateGraph(w, h, 0, alpha, 0);
  st.AlphaChFlag = saved.AlphaChFlag;
  st.AlphaTestFlag = saved.AlphaTestFlag;
  st.UseTextureGraphics = saved.UseTextureGraphics;
  st.DrawValid = saved.DrawValid;
  st.UseSystemMemory = saved.UseSystemMemory;
  st.ColorBitDepth = saved.ColorBitDepth;
  return GetGraphData(f->FontScreen);
}

struct SavedArea {
  RECT area;
  float areaF[4];
  int empty;
  std::uint32_t brightness;
};

SavedArea SaveArea() {
  const GraphDrawState& st = g_GraphDrawState;
  SavedArea s{st.DrawArea, {st.DrawAreaF[0], st.DrawAreaF[1], st.DrawAreaF[2], st.DrawAreaF[3]}, st.DrawAreaEmpty,
              st.Brightness};
  return s;
}

void SetArea(const RECT& r) {
  GraphDrawState& st = g_GraphDrawState;
  st.DrawArea = r;
  st.DrawAreaF[0] = static_cast<float>(r.left);
  st.DrawAreaF[1] = static_cast<float>(r.top);
  st.DrawAreaF[2] = static_cast<float>(r.right);
  st.DrawAreaF[3] = static_cast<float>(r.bottom);
  st.DrawAreaEmpty = (r.right == r.left || r.bottom == r.top) ? 1 : 0;
}

void RestoreArea(const SavedArea& s) {
  GraphDrawState& st = g_GraphDrawState;
  st.DrawArea = s.area;
  for (int i = 0; i < 4; ++i) st.DrawAreaF[i] = s.areaF[i];
  st.DrawAreaEmpty = s.empty;
  st.Brightness = s.brightness;
}

int DrawThroughWorkGraphic(int x, int y, const char* text, std::uint32_t colour, int fontHandle,
                           std::uint32_t edgeColour, int vertical, FontData* f, int w, int h) {
  GraphData* g = FontScreen(f);
  Surface2D* tile = g != nullptr ? GetSurface2D(g->Tiles[0]) : nullptr;
  MEMIMG view{};
  auto* canvas = tile != nullptr ? const_cast<MEMIMG*>(TileMemImg(tile, &view)) : nullptr;
  if (canvas == nullptr) return -1;
  const SavedArea saved = SaveArea();
  int sw = 640, sh = 480;
  QueryScreenSizeBody(&sw, &sh);
  RECT canvasArea{0, 0, canvas->Width, canvas->Height};
  const RECT screen{0, 0, sw, sh};
  ClipRect(&canvasArea, &screen);
  SetArea(canvasArea);
  std::uint32_t key = canvas->UseAlpha != 0 ? 0 : canvas->TransColor;
  if (canvas->UseAlpha == 0) {
    while (key == colour || key == edgeColour) ++key;
    canvas->TransColor = key;
  }
  const RECT textRect{0, 0, w, h};
  FillMemImg(canvas, &textRect, key);
  const int r = GlyphCacheDrawString(1, 0, 0, 0, 1.0, 1.0, text, colour, canvas, &canvasArea, 1, fontHandle,
                                     edgeColour, -1, vertical, nullptr);
  canvas->RunsValid = 0;
  canvas->PremulValid = 0;
  if (r < 0) {
    RestoreArea(saved);
    return -1;
  }
  g_GraphDrawState.Brightness = kNoBrightness;
  RECT area{x, y, x + w, y + h};
  ClipRect(&area, &saved.area);
  SetArea(area);
  if (g_GraphDrawState.DrawAreaEmpty == 0) DrawSurface2D(x, y, g->Tiles[0], 1);
  RestoreArea(saved);
  return 0;
}

}  // namespace

int DrawString2D(int x, int y, const char* text, std::uint32_t colour, int fontHandle, std::uint32_t edgeColour,
                 int vertical) {
  if (GetDirectDrawObject() == nullptr) return -1;
  FontData* f = GetFontData(fontHandle);
  if (f == nullptr) return -1;
  if (f->TextureCache != 0) return DrawStringWithFontTexture(x, y, text, colour, fontHandle, edgeColour, vertical);
  int size[2] = {0, 0};
  if (GlyphCacheDrawString(0, x, y, 0, 1.0, 1.0, text, colour, nullptr, nullptr, 1, fontHandle, edgeColour, -1,
                           vertical, size) < 0) {
    return -1;
  }
  const GraphDrawState& st = g_GraphDrawState;
  const bool plain = (f->FontType & kFontTypeAntialias) == 0 &&
                     (st.BlendMode == 0 || (st.BlendMode == 1 && st.BlendParam == 255));
  if (GetScreenBits() != 8 && !plain) {
    return DrawThroughWorkGraphic(x, y, text, colour, fontHandle, edgeColour, vertical, f, size[0], size[1]);
  }
  if (IsSoftwareScreenModel() == 1) {
    MEMIMG* dest = st.MaskActive != 0 ? GetMaskMemImg() : DrawScreenMemImg;
    if (dest == nullptr) return -1;
    GlyphCacheDrawString(1, x, y, 0, 1.0, 1.0, text, colour, dest, &st.DrawArea, 1, fontHandle, edgeColour, -1,
                         vertical, nullptr);
    return 0;
  }
  G_D3D_EndScene();
  G_D3D_FlushVertexBatch();
  const RECT rect{x, y, x + size[0], y + size[1]};
  std::uint32_t c = colour, e = edgeColour;
  if (LockDrawScreenBuffer(nullptr, 0, nullptr, &rect, 1, &c, &e) < 0) return -1;
  // A lock that failed leaves no image: nothing is drawn and the failure is reported.
  if (LockWorkMemImg == nullptr) {
    UnlockDrawScreenBuffer();
    return -1;
  }
  GlyphCacheDrawString(1, x, y, 0, 1.0, 1.0, text, c, LockWorkMemImg, &st.DrawArea, 1, fontHandle, e, -1, vertical,
                       nullptr);
  UnlockDrawScreenBuffer();
  return 0;
}

int DrawStringWithFontTexture(int x, int y, const char* text, std::uint32_t colour, int fontHandle,
                              std::uint32_t edgeColour, int vertical) {
  const FontData* f = GetFontData(fontHandle);
  if (f == nullptr) return -1;
  if (f->TextureCache == 0) return DrawString2D(x, y, text, colour, fontHandle, edgeColour, vertical);
  if (g_D3D.suppressed == 1) return -1;
  if (GlyphCacheDrawString(1, x, y, 0, 1.0, 1.0, text, colour, nullptr, &g_GraphDrawState.DrawArea, 1, fontHandle,
                           edgeColour, -1, vertical, nullptr) < 0)
    return -1;
  return 0;
}

int DrawStringWithFont(int x, int y, const char* text, std::uint32_t colour, int fontHandle, std::uint32_t edgeColour,
                       int vertical) {
  if (g_GraphDrawState.DrawAreaEmpty != 0) return 0;
  if (text == nullptr || text[0] == '\0') return 0;
  const FontData* f = GetFontData(fontHandle);
  if (f == nullptr) return WriteLog("フォントハンドル値が異常です\n");
  WaitWhileInactive();
  // In the software model a string aimed at the front screen is drawn into the front image, which is read back
  // from the primary first; the rows it may cover are written to the primary afterwards.
  // With the mask active the string goes through the mask's scratch, bracketed by the mask steps.
  const GraphDrawState& st = g_GraphDrawState;
  const bool front = st.DrawScreen == -4 && IsSoftwareScreenModel() == 1 && g_Screens.mainImagesInUse == 1;
  // A texture-cached string is drawn by the device, which the mask does not reach.
  const bool mask = st.MaskActive != 0 && f->TextureCache == 0;
  // Blend mode 3 on the device takes its passes over the string's rectangle.
  const bool pass3 = f->TextureCache != 0 && st.BlendMode == 3;
  if (!front && !mask && !pass3) return DrawString2D(x, y, text, colour, fontHandle, edgeColour, vertical);
  if (x >= st.DrawArea.right) return 0;
  const long long bottom = static_cast<long long>(y) + f->Size + 3;
  const RECT dest{x, y, st.DrawArea.right, static_cast<int>(bottom > 1000000000 ? 1000000000 : bottom)};
  if (front) ReloadFrontMemImg();
  if (mask) MaskBeginOnDrawScreen(dest);
  if (pass3) BeginBlendMode3Pass(&dest);
  const int result = DrawString2D(x, y, text, colour, fontHandle, edgeColour, vertical);
  if (pass3) EndBlendMode3Pass(&dest);
  if (mask) MaskEndOnDrawScreen(dest);
  if (front) WriteFrontRect(&dest);
  return result;
}

int DrawStringDefaultFont(int x, int y, const char* text, std::uint32_t colour, std::uint32_t edgeColour) {
  RefreshDefaultFont();
  return DrawStringWithFont(x, y, text, colour, g_DefaultFont.Handle, edgeColour, 0);
}
