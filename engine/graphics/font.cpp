#include "engine/graphics/font.h"

#include <cstring>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/graphics/color_data.h"
#include "engine/graphics/d3d_state.h"
#include "engine/graphics/ddraw_device.h"
#include "engine/graphics/draw_ops.h"
#include "engine/graphics/graph_handle.h"
#include "engine/graphics/graph_image.h"
#include "engine/graphics/graph_load.h"
#include "platform/text/font.h"

DefaultFontSettings g_DefaultFont{};

namespace {

FontData* g_fonts[kMaxFonts] = {};
std::uint32_t g_nextFontId = 0;
bool g_glyphFailureLogged = false;

constexpr int kGdiCharSets[3] = {platform::kCharsetDefault, platform::kCharsetShiftJis, platform::kCharsetHangeul};

// Edge patterns for edge sizes 1..4: row dy + s, column dx + s.
constexpr const char* kEdgePatterns[4] = {
    "010"
    "111"
    "010",
    "01110"
    "11111"
    "11111"
    "11111"
    "01110",
    "0001000"
    "0111110"
    "0111110"
    "1111111"
    "0111110"
    "0111110"
    "0001000",
    "001111100"
    "011111110"
    "111111111"
    "111111111"
    "111111111"
    "111111111"
    "111111111"
    "011111110"
    "001111100",
};

int HandleOf(const FontData* f, int slot) {
  return kFontHandleType | static_cast<int>((f->Id & 0x7FF) << 16) | slot;
}

void ResetGlyphCache(FontData* f) {
  std::memset(f->Codes, 0, sizeof(f->Codes));
  std::memset(f->Glyphs, 0, sizeof(f->Glyphs));
  for (std::uint32_t k = 0; k < f->Capacity; ++k) f->Glyphs[k].CellIndex = k;
  f->Glyphs[f->Capacity].CellIndex = 0xFFFFFFFFu;
  f->ReuseCursor = 0;
}

int RoundUp(int v, int m) { return (v + m - 1) / m * m; }

bool IsSpace(std::uint16_t code) { return code == 0x20 || code == 0x4081; }

// Splits the string into character codes (single byte, or first + second x 256). A lead byte without its second
// byte ends the string. `length` -1 = the whole string.
template <typename Fn>
void WalkString(const char* text, int length, int charSet, Fn&& fn) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  std::size_t n = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
  for (std::size_t i = 0; i < n && p[i] != 0;) {
    if (CheckMultiByteChar(reinterpret_cast<const char*>(p + i), charSet) == 1) {
      if (i + 1 >= n || p[i + 1] == 0) break;
      fn(static_cast<std::uint16_t>(p[i] | (p[i + 1] << 8)), 2);
      i += 2;
    } else {
      fn(static_cast<std::uint16_t>(p[i]), 1);
      i += 1;
    }
  }
}

// The texture cache needs 16-bit 4:4:4:4 (anti-aliased types) and 1:5:5:5 (the others) texture formats.
bool TextureFormatsFitTheCache() {
  const ColorData* alpha = GetTextureColorData(1, 0, 0, 0);
  const ColorData* keyed = GetTextureColorData(0, 1, 0, 0);
  return alpha != nullptr && keyed != nullptr && alpha->bitsPerPixel == 16 && alpha->maskA == 0xF000 &&
         alpha->maskR == 0x0F00 && keyed->bitsPerPixel == 16 && keyed->maskA == 0x8000 && keyed->maskR == 0x7C00;
}

void DeleteCacheGraph(FontData* f) {
  if (GetGraphData(f->CacheEdgeGraph) != nullptr) DeleteGraphicBody(f->CacheEdgeGraph, 0);
  if (GetGraphData(f->CacheGraph) != nullptr) DeleteGraphicBody(f->CacheGraph, 0);
  f->CacheGraph = f->CacheEdgeGraph = -1;
}

// Makes the cache graphic (and for edge types the derived graphic of its right half), white at alpha 0, and empties
// the cache. The graphic creation settings are kept as they were.
int MakeCacheGraph(FontData* f) {
  DeleteCacheGraph(f);
  GraphDrawState& st = g_GraphDrawState;
  const GraphDrawState saved = st;
  const int alpha = (f->FontType & kFontTypeAntialias) != 0 ? 1 : 0;
  const bool edged = (f->FontType & kFontTypeEdge) != 0;
  st.AlphaChFlag = alpha;
  st.AlphaTestFlag = alpha != 0 ? 0 : 1;
  st.ColorBitDepth = 16;
  st.UseTextureGraphics = 1;
  st.DrawValid = 0;
  f->CacheGraph = CreateGraph(f->CacheWidth * (edged ? 2 : 1), f->CacheHeight, 1, alpha, 0);
  st.AlphaChFlag = saved.AlphaChFlag;
  st.AlphaTestFlag = saved.AlphaTestFlag;
  st.ColorBitDepth = saved.ColorBitDepth;
  st.UseTextureGraphics = saved.UseTextureGraphics;
  st.DrawValid = saved.DrawValid;
  const GraphData* g = GetGraphData(f->CacheGraph);
  if (g == nullptr || g->Flags.Texture == 0) {
    DeleteCacheGraph(f);
    return -1;
  }
  if (edged) {
    f->CacheEdgeGraph = DeriveGraph(f->CacheWidth, 0, f->CacheWidth, f->CacheHeight, f->CacheGraph);
    if (GetGraphData(f->CacheEdgeGraph) == nullptr) {
      DeleteCacheGraph(f);
      return -1;
    }
  }
  FillGraphColor(f->CacheGraph, 255, 255, 255, 0);
  SetGraphLostFlag(f->CacheGraph, &f->CacheGraphLost);
  ResetGlyphCache(f);
  return 0;
}

// Makes the cache graphic again when it was lost or deleted (every screen-mode change deletes all graphics).
bool EnsureCacheGraph(FontData* f) {
  if (f->TextureCache == 0) return true;
  const bool edged = (f->FontType & kFontTypeEdge) != 0;
  if (f->CacheGraphLost == 0 && GetGraphData(f->CacheGraph) != nullptr &&
      (!edged || GetGraphData(f->CacheEdgeGraph) != nullptr))
    return true;
  return MakeCacheGraph(f) == 0;
}

// Writes the staging image's glyph cell (and edge cell) into the cache graphic.
void WriteCellToCacheGraph(FontData* f, const GlyphEntry* e) {
  const int cw = f->CellWidth;
  const int cellX = cw * static_cast<int>(e->CellIndex / static_cast<std::uint32_t>(f->CellsPerColumn));
  const int cellY = cw * static_cast<int>(e->CellIndex % static_cast<std::uint32_t>(f->CellsPerColumn));
  GraphImage image{};
  image.colorData = *f->StagingFormat;
  image.width = f->StagingWidth;
  image.height = f->StagingHeight;
  image.pitch = f->StagingPitch;
  image.pixels = f->Staging;
  const ImageRect glyph{0, 0, cw, cw};
  TransferPixelsToGraph(nullptr, &image, nullptr, &glyph, cellX, cellY, f->CacheGraph, 0);
  if ((f->FontType & kFontTypeEdge) != 0) {
    const ImageRect edge{cw, 0, 2 * cw, cw};
    TransferPixelsToGraph(nullptr, &image, nullptr, &edge, f->CacheWidth + cellX, cellY, f->CacheGraph, 0);
  }
}

void PrepareString(FontData* f, const char* text, int length) {
  std::uint16_t list[256];
  int count = 0;
  const int limit = static_cast<int>(f->Capacity) < 256 ? static_cast<int>(f->Capacity) : 256;
  WalkString(text, length, f->CharSet, [&](std::uint16_t code, int) {
    if (count >= limit || f->Codes[code].Present != 0) return;
    for (int i = 0; i < count; ++i) {
      if (list[i] == code) return;
    }
    list[count++] = code;
  });
  if (count > 0) RasterizeGlyphs(f, count, list);
}

// The texture cache's first column of pixels: white, alpha from the coverage level 0..16 (4:4:4:4: level - 1;
// 1:5:5:5: full where covered).
std::uint16_t TexturePixel(bool gray, int level) {
  if (gray) return static_cast<std::uint16_t>(0x0FFF | ((level > 0 ? level - 1 : 0) << 12));
  return static_cast<std::uint16_t>(0x7FFF | (level != 0 ? 0x8000 : 0));
}

std::uint8_t* CellRow(FontData* f, const GlyphEntry* e, int row) {
  const int cellY = f->CellWidth * static_cast<int>(e->CellIndex % static_cast<std::uint32_t>(f->CellsPerColumn));
  const int cellX = f->CellWidth * static_cast<int>(e->CellIndex / static_cast<std::uint32_t>(f->CellsPerColumn));
  return f->Cache + static_cast<std::ptrdiff_t>(cellY + row) * f->CachePitch + cellX * f->CacheBits / 8;
}

int CellValue(FontData* f, const GlyphEntry* e, int u, int v) {
  const std::uint8_t* row = CellRow(f, e, v);
  if (f->CacheBits == 1) return (row[u >> 3] >> (7 - (u & 7))) & 1;
  return row[u];
}

void ScaleByBrightness(std::uint32_t colour, int* r, int* g, int* b) {
  ColorValueToRGB(static_cast<int>(colour), r, g, b);
  const std::uint32_t br = g_GraphDrawState.Brightness;
  *r = *r * static_cast<int>((br >> 16) & 0xFF) / 255;
  *g = *g * static_cast<int>((br >> 8) & 0xFF) / 255;
  *b = *b * static_cast<int>(br & 0xFF) / 255;
}

std::uint32_t Pack(int is32, int r, int g, int b) {
  if (is32) return static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
  return static_cast<std::uint32_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

struct DrawColours {
  std::uint32_t colour, edge;  // screen colour values
  int r, g, b, er, eg, eb;     // their components
};

// The pixel a cell value gives, or false for no coverage.
bool GlyphPixel(const FontData* f, int value, int is32, const DrawColours& c, std::uint32_t* out) {
  switch (f->FontType) {
    case 0:
      *out = c.colour;
      return value != 0;
    case 1:
      if (value == 0) return false;
      *out = value == 1 ? c.colour : c.edge;
      return true;
    case 2: {
      const std::uint32_t mask = is32 ? 0xFFFFFFu : 0xFFFFu;
      *out = (c.colour & mask) | (static_cast<std::uint32_t>(value) << (is32 ? 28 : 20));
      return value != 0;
    }
    default: {
      const int g = value & 15, e = value >> 4;
      const int shift = is32 ? 24 : 16;
      if (g == 0 && e == 0) return false;
      if (g == 0) {
        *out = (c.edge & (is32 ? 0xFFFFFFu : 0xFFFFu)) | (static_cast<std::uint32_t>(e * 16) << shift);
        return true;
      }
      if (g == 15) {
        *out = (c.colour & (is32 ? 0xFFFFFFu : 0xFFFFu)) | (255u << shift);
        return true;
      }
      const int a = (15 - g) * e + 16 * g;
      const int k = (g * 4096) / a;
      const int r = c.er + ((c.r - c.er) * k / 256), gg = c.eg + ((c.g - c.eg) * k / 256),
                b = c.eb + ((c.b - c.eb) * k / 256);
      *out = Pack(is32, r, gg, b) | (static_cast<std::uint32_t>(a > 255 ? 255 : a) << shift);
      return true;
    }
  }
}

void DrawGlyph(FontData* f, const GlyphEntry* e, int bx, int by, int vertical, MEMIMG* dest, const RECT& clip,
               int transparent, const DrawColours& c) {
  const int bpp = MemImgBytesPerPixel(dest);
  const int is32 = dest->Format == 1 ? 1 : 0;
  if (bpp != 2 && bpp != 4) return;
  if ((f->FontType & kFontTypeAntialias) != 0 && bpp != 4) return;
  const int w = vertical ? e->Height : e->Width, h = vertical ? e->Width : e->Height;
  const int x0 = bx > clip.left ? bx : clip.left, y0 = by > clip.top ? by : clip.top;
  const int x1 = bx + w < clip.right ? bx + w : clip.right, y1 = by + h < clip.bottom ? by + h : clip.bottom;
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* row = dest->Image + static_cast<std::ptrdiff_t>(y) * dest->Pitch;
    for (int x = x0; x < x1; ++x) {
      // Vertical text turns the glyph 90 degrees clockwise.
      const int u = vertical ? y - by : x - bx;
      const int v = vertical ? e->Height - 1 - (x - bx) : y - by;
      std::uint32_t px = 0;
      if (!GlyphPixel(f, CellValue(f, e, u, v), is32, c, &px)) {
        if (transparent != 0) continue;
        px = 0;
      }
      if (bpp == 2) {
        const std::uint16_t v16 = static_cast<std::uint16_t>(px);
        std::memcpy(row + x * 2, &v16, 2);
      } else {
        std::memcpy(row + x * 4, &px, 4);
      }
    }
  }
}

int StringSize(const FontData* f, double position, int vertical, int* sizeOut) {
  if (sizeOut != nullptr) {
    sizeOut[0] = vertical != 0 ? f->CellHeight : static_cast<int>(position);
    sizeOut[1] = vertical != 0 ? static_cast<int>(position) : f->CellHeight;
  }
  return static_cast<int>(position);
}

// One glyph from a cache graphic (the glyphs, or the derived graphic of their edges) with the graphic operations.
// Vertical text turns the glyph 90 degrees clockwise: the whole graphic is drawn turned, so that the cell lands at
// the glyph's place, with the draw area narrowed to that place.
void DrawCell(const FontData* f, const GlyphEntry* e, int graph, int x, int y, double position, int scaleFlag,
              double sx, double sy, int vertical) {
  const int cw = f->CellWidth;
  const int cellX = cw * static_cast<int>(e->CellIndex / static_cast<std::uint32_t>(f->CellsPerColumn));
  const int cellY = cw * static_cast<int>(e->CellIndex % static_cast<std::uint32_t>(f->CellsPerColumn));
  if (vertical == 0) {
    if (scaleFlag == 0) {
      DrawGraphPartBody(x + static_cast<int>(position) + e->X, y + e->Y, cellX, cellY, e->Width, e->Height, graph, 1,
                        0);
      return;
    }
    const int left = x + static_cast<int>(e->X * sx + position), top = y + static_cast<int>(e->Y * sy);
    DrawGraphPartStretched(left, top, left + static_cast<int>(e->Width * sx), top + static_cast<int>(e->Height * sy),
                           cellX, cellY, e->Width, e->Height, graph, 1);
    return;
  }
  int gw = 0, gh = 0;
  QueryGraphSize(graph, &gw, &gh);
  const int right = x + f->CellHeight - e->Y, top = y + static_cast<int>(position) + e->X;
  // The glyph's place, inside the draw area in force (the narrowed area never reaches past it).
  const RECT requested = RequestedDrawClipArea();
  RECT place{right - e->Height - 1, top, right + 1, top + e->Width};
  ClipRect(&place, &g_GraphDrawState.DrawArea);
  if (place.right <= place.left || place.bottom <= place.top) return;
  SetDrawClipArea(place.left, place.top, place.right, place.bottom);
  const float ox = static_cast<float>(right + cellY) - 0.5f, oy = static_cast<float>(top - cellX) - 0.5f;
  // Corners in the order the four-corner draw takes them: top-left, top-right, bottom-left, bottom-right.
  DrawQuadGraph(ox, oy, ox, oy + static_cast<float>(gw), ox - static_cast<float>(gh), oy, ox - static_cast<float>(gh),
                oy + static_cast<float>(gw), graph, 1);
  SetDrawClipArea(requested.left, requested.top, requested.right, requested.bottom);
}

// Mode 1 on the texture cache: the edge (edge types) in the edge colour, then the glyph in the colour, each drawn
// white under the brightness; the blend graphic is off meanwhile.
int DrawFromTextureCache(FontData* f, int x, int y, int scaleFlag, double sx, double sy, const char* text,
                         int length, int vertical, std::uint32_t colourRgb, std::uint32_t edgeRgb, int* sizeOut) {
  GraphDrawState& st = g_GraphDrawState;
  const int blend = st.BlendGraph, blend1 = st.BlendGraphParam1, blend2 = st.BlendGraphParam2;
  const std::uint32_t brightness = st.Brightness;
  if (blend != -1) SetBlendGraph(-1, blend1, blend2);
  const double scale = vertical != 0 ? sy : sx;
  const bool edged = (f->FontType & kFontTypeEdge) != 0;
  double position = 0.0;
  WalkString(text, length, f->CharSet, [&](std::uint16_t code, int) {
    if (f->Codes[code].Present == 0) RasterizeGlyphs(f, 1, &code);
    const GlyphEntry* e = f->Codes[code].Entry;
    if (!IsSpace(code) && e->Width != 0 && e->Height != 0) {
      if (edged) {
        SetDrawBrightnessColor(edgeRgb);
        DrawCell(f, e, f->CacheEdgeGraph, x, y, position, scaleFlag, sx, sy, vertical);
      }
      SetDrawBrightnessColor(colourRgb);
      DrawCell(f, e, f->CacheGraph, x, y, position, scaleFlag, sx, sy, vertical);
    }
    position += (e->Advance + f->Spacing) * scale;
  });
  SetDrawBrightnessColor(brightness);
  if (blend != -1) SetBlendGraph(blend, blend1, blend2);
  return StringSize(f, position, vertical, sizeOut);
}

}  // namespace

void ResetDefaultFontSettings() {
  std::memset(&g_DefaultFont, 0, sizeof(g_DefaultFont));
  g_DefaultFont.Size = 16;
  g_DefaultFont.Thickness = 6;
  g_DefaultFont.FontType = 0;
  g_DefaultFont.CharSet = 1;
  g_DefaultFont.EdgeSize = 1;
  g_DefaultFont.Handle = -1;
}

void ClearFontTable() {
  for (FontData*& f : g_fonts) f = nullptr;
  g_nextFontId = 0;
}

int CheckMultiByteChar(const char* p, int charSet) {
  if (p == nullptr) return 0;
  const unsigned c = static_cast<unsigned char>(*p);
  if (charSet == 2) return (c & 0x80) != 0 ? 1 : 0;
  return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 1 : 0;
}

FontData* GetFontData(int handle) {
  if (handle < 0 || (handle & 0x78000000) != kFontHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kMaxFonts || g_fonts[slot] == nullptr) return nullptr;
  if (((g_fonts[slot]->Id & 0x7FF) << 16) != static_cast<std::uint32_t>(handle & 0x07FF0000)) return nullptr;
  return g_fonts[slot];
}

int CheckFontHandleValid(int handle) { return GetFontData(handle) != nullptr ? 1 : 0; }

int GetFontSizeToHandle(int handle) {
  const FontData* f = GetFontData(handle);
  return f == nullptr ? -1 : f->Size;
}

int GetFontStateToHandle(char* faceName, int* size, int* thickness, int handle) {
  const FontData* f = GetFontData(handle);
  if (f == nullptr) return -1;
  if (faceName != nullptr) std::memcpy(faceName, f->FaceName, kFontFaceNameSize);
  if (size != nullptr) *size = f->Size;
  if (thickness != nullptr) *thickness = f->Thickness;
  return 0;
}

int SetFontLostFlag(int handle, std::int32_t* flag) {
  FontData* f = GetFontData(handle);
  if (f == nullptr) return -1;
  f->LostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int SetFontSpaceToHandle(int spacing, int handle) {
  FontData* f = GetFontData(handle);
  if (f == nullptr) return -1;
  f->Spacing = spacing;
  return 0;
}

int GetDefaultFontHandle() { return g_DefaultFont.Handle; }

int CountLiveFonts() {
  int n = 0;
  for (const FontData* f : g_fonts) n += f != nullptr ? 1 : 0;
  return n;
}

int DeleteFontToHandle(int handle) {
  FontData* f = GetFontData(handle);
  if (f == nullptr) return -1;
  const int slot = handle & 0xFFFF;
  platform::DeleteGdiFont(f->Gdi);
  if (f->Cache != nullptr) MemFree(f->Cache);
  DeleteCacheGraph(f);
  if (f->Staging != nullptr) MemFree(f->Staging);
  if (f->FontScreen != -1 && GetGraphData(f->FontScreen) != nullptr) DeleteGraphicBody(f->FontScreen, 0);
  if (f->LostFlag != nullptr) *f->LostFlag = 1;
  MemFree(f);
  g_fonts[slot] = nullptr;
  return 0;
}

int CreateFontToHandle(const char* face, int size, int thickness, int fontType, int charSet, int edgeSize, int italic,
                       int slot, int id) {
  if (GetDirectDrawObject() == nullptr) return -1;
  if (size == -1) size = 16;
  if (thickness == -1) thickness = 6;
  if (fontType == -1) fontType = 0;
  if (edgeSize == -1) edgeSize = 1;
  if (charSet == -1) charSet = 1;
  if (edgeSize > 1) fontType |= kFontTypeEdge;
  // Edge sizes have patterns for 1..4 only; others are clamped into that range.
  edgeSize = edgeSize < 1 ? 1 : (edgeSize > 4 ? 4 : edgeSize);
  fontType &= 3;
  if (charSet < 0 || charSet > 2) charSet = 1;
  if (slot != -1) {
    if (slot < 0 || slot >= kMaxFonts || g_fonts[slot] != nullptr) return -1;
  } else {
    for (int i = 0; i < kMaxFonts && slot == -1; ++i) {
      if (g_fonts[i] == nullptr) slot = i;
    }
    if (slot == -1) return LogPrintf("作成できるフォントハンドル数 %d の限界を超えました", kMaxFonts);
  }
  if (size < -kMaxFontSize || size > kMaxFontSize || thickness < 0 || thickness > 10) {
    return WriteLog("フォントの作成に失敗しました\n");
  }
  auto* f = static_cast<FontData*>(MemAlloc(static_cast<int>(sizeof(FontData)), __FILE__, __LINE__));
  if (f == nullptr) return WriteLog("フォント管理用メモリ領域の確保に失敗しました\n");
  std::memset(f, 0, sizeof(FontData));
  f->FontScreen = -1;
  f->CacheGraph = f->CacheEdgeGraph = -1;
  if (GetScreenBits() == 8) fontType &= ~kFontTypeAntialias;
  f->EdgeSize = edgeSize;
  f->FontType = fontType;
  f->Size = size;
  f->Thickness = thickness;
  f->Italic = italic != 0 ? 1 : 0;
  if (id == -1) {
    f->Id = g_nextFontId;
    g_nextFontId = g_nextFontId + 1 >= 2048 ? 0 : g_nextFontId + 1;
  } else {
    f->Id = static_cast<std::uint32_t>(id) & 0x7FF;
  }
  if (face != nullptr) {
    std::strncpy(f->FaceName, face, kFontFaceNameSize - 1);
    f->FaceName[kFontFaceNameSize - 1] = '\0';
  }
  g_fonts[slot] = f;
  const int handle = HandleOf(f, slot);
  auto fail = [&](const char* line) {
    DeleteFontToHandle(handle);
    return WriteLog(line);
  };
  const int weight = thickness * 100;
  if (f->FaceName[0] != '\0') {
    f->Gdi = platform::CreateGdiFont(size, weight, f->Italic, kGdiCharSets[charSet], f->FaceName);
    if (f->Gdi == nullptr) f->Gdi = platform::CreateGdiFont(size, weight, f->Italic, 1, f->FaceName);
    if (f->Gdi == nullptr) f->Gdi = platform::CreateGdiFont(size, weight, f->Italic, 128, f->FaceName);
    if (f->Gdi == nullptr) return fail("指定のフォントの作成に失敗しました\n");
  } else {
    f->Gdi = platform::CreateGdiFont(size, weight, f->Italic, kGdiCharSets[charSet], "");
    if (f->Gdi == nullptr) f->Gdi = platform::CreateGdiFont(size, weight, 0, 1, "");
    if (f->Gdi == nullptr) return fail("フォントの作成に失敗しました\n");
  }
  platform::GdiTextMetrics tm{};
  if (platform::GetGdiTextMetrics(f->Gdi, &tm) < 0) return fail("ＤＣの取得に失敗しました\n");
  const int edgeExtra = (fontType & kFontTypeEdge) != 0 ? 2 * edgeSize : 0;
  f->CellWidth = RoundUp(tm.maxCharWidth + edgeExtra, 8);
  f->CellHeight = RoundUp(tm.height + edgeExtra, 2);
  if (f->CellWidth < 8) f->CellWidth = 8;
  const int cw = f->CellWidth;
  // Texture cache: 512 x 512 to start with, the smaller side doubled until ten cells fit. A cache larger than the
  // device's textures stays in memory.
  if (CanUseTextureGlyphCache() == 1 && TextureFormatsFitTheCache()) {
    int w = 512, h = 512;
    auto cells = [&] { return (h / cw) * (w / cw); };
    while (cells() < 10) {
      if (w > h) {
        h *= 2;
      } else {
        w *= 2;
      }
    }
    const bool edged = (fontType & kFontTypeEdge) != 0;
    if ((edged ? 2 * w : w) <= g_D3D.maxTextureLength && h <= g_D3D.maxTextureLength) {
      f->TextureCache = 1;
      f->Capacity = static_cast<std::uint32_t>(cells() > kMaxGlyphCapacity ? kMaxGlyphCapacity : cells());
      f->CacheWidth = w;
      f->CacheHeight = h;
      f->CellsPerColumn = h / cw;
      if (MakeCacheGraph(f) < 0) {
        WriteLog("テクスチャ文字キャッシュの作成に失敗しました\n");
        f->TextureCache = 0;
      }
    }
  }
  if (f->TextureCache == 1) {
    const bool gray = (fontType & kFontTypeAntialias) != 0;
    f->StagingFormat = GetTextureColorData(gray ? 1 : 0, gray ? 0 : 1, 0, 0);
    f->StagingWidth = (fontType & kFontTypeEdge) != 0 ? 2 * cw : cw;
    f->StagingHeight = cw;
    f->StagingPitch = f->StagingWidth * 2;
    const int bytes = f->StagingPitch * f->StagingHeight;
    f->Staging = static_cast<std::uint8_t*>(MemAlloc(bytes, __FILE__, __LINE__));
    if (f->Staging == nullptr) return fail("文字キャッシュ処理用メモリの確保に失敗しました\n");
    std::memset(f->Staging, 0, static_cast<std::size_t>(bytes));
    f->CharSet = charSet;
    f->LostFlag = nullptr;
    return handle;
  }
  // Memory cache: one column of square cells.
  f->CacheBits = fontType == 0 ? 1 : 8;
  int capacity = 0x50000 / (f->CellWidth * f->CellWidth);
  capacity = capacity < 20 ? 20 : (capacity > kMaxGlyphCapacity ? kMaxGlyphCapacity : capacity);
  f->Capacity = static_cast<std::uint32_t>(capacity);
  f->CacheWidth = f->CellWidth;
  f->CacheHeight = capacity * f->CellWidth;
  f->CachePitch = (f->CellWidth * f->CacheBits + 7) / 8;
  f->CellsPerColumn = f->CacheHeight / f->CellWidth;
  const std::int64_t bytes = static_cast<std::int64_t>(f->CachePitch) * f->CacheHeight;
  f->Cache = static_cast<std::uint8_t*>(MemAlloc(static_cast<int>(bytes), __FILE__, __LINE__));
  if (f->Cache == nullptr) {
    DeleteFontToHandle(handle);
    return WriteLog("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
  }
  std::memset(f->Cache, 0, static_cast<std::size_t>(bytes));
  ResetGlyphCache(f);
  f->CharSet = charSet;
  f->LostFlag = nullptr;
  return handle;
}

GlyphEntry* RasterizeGlyphs(FontData* f, int count, const std::uint16_t* codes) {
  GlyphEntry* last = nullptr;
  if (f == nullptr || codes == nullptr) return nullptr;
  const bool gray = (f->FontType & kFontTypeAntialias) != 0;
  const bool edged = (f->FontType & kFontTypeEdge) != 0;
  const int s = edged ? f->EdgeSize : 0;
  platform::GdiTextMetrics tm{};
  platform::GetGdiTextMetrics(f->Gdi, &tm);
  std::vector<std::uint8_t> bits;
  std::vector<std::uint8_t> levels;  // glyph levels 0..16 over the cell
  const int cw = f->CellWidth;
  for (int n = 0; n < count; ++n) {
    const std::uint16_t code = codes[n];
    GlyphEntry* e = &f->Glyphs[f->ReuseCursor];
    if (e->InUse != 0 && e->Slot != nullptr) {
      e->Slot->Present = 0;
      e->Slot->Entry = nullptr;
    }
    FontCodeSlot* slot = &f->Codes[code];
    slot->Present = 1;
    slot->Entry = e;
    e->Slot = slot;
    e->InUse = 1;
    if (f->TextureCache != 0) {
      std::memset(f->Staging, 0, static_cast<std::size_t>(f->StagingPitch) * f->StagingHeight);
    } else {
      for (int row = 0; row < cw; ++row) std::memset(CellRow(f, e, row), 0, static_cast<std::size_t>(f->CachePitch));
    }
    e->X = e->Y = 0;
    e->Width = e->Height = 0;
    const unsigned gdiCode = code > 0xFF ? static_cast<unsigned>((code & 0xFF) << 8 | (code >> 8)) : code;
    platform::GdiGlyphMetrics gm{};
    const int format = gray ? platform::kGgoGray4Bitmap : platform::kGgoBitmap;
    long size = IsSpace(code) ? 0 : platform::GetGdiGlyphOutline(f->Gdi, gdiCode, format, &gm, 0, nullptr);
    if (IsSpace(code)) {
      platform::GetGdiGlyphOutline(f->Gdi, gdiCode, format, &gm, 0, nullptr);
      gm.blackBoxX = gm.blackBoxY = 0;
    } else if (size > 0) {
      bits.assign(static_cast<std::size_t>(size), 0);
      size = platform::GetGdiGlyphOutline(f->Gdi, gdiCode, format, &gm, bits.size(), bits.data());
    }
    if (size < 0) {
      // A character the font cannot give is drawn as an empty box of half (single byte) or full width.
      if (!g_glyphFailureLogged) WriteLog("GetGlyphOutline 関数が失敗しました\n");
      g_glyphFailureLogged = true;
      gm = platform::GdiGlyphMetrics{0, 0, 0, 0, code > 0xFF ? tm.maxCharWidth : (tm.maxCharWidth + 1) / 2};
      size = 0;
    }
    // The glyph is clipped to its square cell (less the edge margins).
    const int gw = gm.blackBoxX < cw - 2 * s ? gm.blackBoxX : cw - 2 * s;
    const int gh = gm.blackBoxY < cw - 2 * s ? gm.blackBoxY : cw - 2 * s;
    e->X = static_cast<std::int16_t>(gm.originX);
    e->Y = static_cast<std::int16_t>(tm.ascent - gm.originY);
    e->Advance = static_cast<std::int16_t>(gm.cellIncX);
    if (size > 0 && gw > 0 && gh > 0) {
      e->Width = static_cast<std::uint16_t>(gw);
      e->Height = static_cast<std::uint16_t>(gh);
      levels.assign(static_cast<std::size_t>(cw * cw), 0);
      const std::size_t pitch = gray ? static_cast<std::size_t>((gm.blackBoxX + 3) & ~3)
                                     : static_cast<std::size_t>((gm.blackBoxX + 31) / 32) * 4;
      for (int y = 0; y < gh; ++y) {
        for (int x = 0; x < gw; ++x) {
          const std::uint8_t* src = bits.data() + static_cast<std::size_t>(y) * pitch;
          const int level = gray ? src[x] : (((src[x >> 3] >> (7 - (x & 7))) & 1) != 0 ? 16 : 0);
          levels[static_cast<std::size_t>((y + s) * cw + x + s)] = static_cast<std::uint8_t>(level);
        }
      }
      const char* pattern = edged ? kEdgePatterns[s - 1] : nullptr;
      const int side = 2 * s + 1;
      for (int y = 0; y < cw; ++y) {
        std::uint8_t* row = f->TextureCache != 0 ? nullptr : CellRow(f, e, y);
        auto* staging = reinterpret_cast<std::uint16_t*>(f->Staging + static_cast<std::ptrdiff_t>(y) * f->StagingPitch);
        for (int x = 0; x < cw; ++x) {
          const int level = levels[static_cast<std::size_t>(y * cw + x)];
          int edge = 0;       // type 1: any glyph neighbour; type 3: highest neighbouring level - 1
          int coverage = 0;   // texture edge: the union of the neighbours' coverage, 0..16
          if (pattern != nullptr) {
            for (int dy = -s; dy <= s; ++dy) {
              for (int dx = -s; dx <= s; ++dx) {
                const int nx = x - dx, ny = y - dy;
                if (nx < 0 || ny < 0 || nx >= cw || ny >= cw || pattern[(dy + s) * side + dx + s] != '1') continue;
                const int nl = levels[static_cast<std::size_t>(ny * cw + nx)];
                if (nl > edge) edge = nl;  // the highest neighbouring level
                coverage = (256 - (16 - coverage) * (16 - nl)) / 16;
              }
            }
          }
          if (row == nullptr) {
            staging[x] = TexturePixel(gray, level);
            if (pattern != nullptr) staging[cw + x] = TexturePixel(gray, coverage);
            continue;
          }
          switch (f->FontType) {
            case 0:
              if (level != 0) row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
              break;
            case 1:
              row[x] = level != 0 ? 1 : (edge != 0 ? 2 : 0);
              break;
            case 2:
              row[x] = static_cast<std::uint8_t>(level > 0 ? level - 1 : 0);
              break;
            default:
              row[x] = static_cast<std::uint8_t>((level > 0 ? level - 1 : 0) | ((edge > 0 ? edge - 1 : 0) << 4));
              break;
          }
        }
      }
      if (f->TextureCache != 0) WriteCellToCacheGraph(f, e);
    }
    if (edged) {
      e->Advance = static_cast<std::int16_t>(e->Advance + 2 * s);
      if (e->Width != 0) e->Width = static_cast<std::uint16_t>(e->Width + 2 * s);
      if (e->Height != 0) e->Height = static_cast<std::uint16_t>(e->Height + 2 * s);
    }
    last = e;
    f->ReuseCursor = f->ReuseCursor + 1 >= f->Capacity ? 0 : f->ReuseCursor + 1;
  }
  return last;
}

int GlyphCacheDrawString(int mode, int x, int y, int scaleFlag, double scaleX, double scaleY, const char* text,
                         std::uint32_t colour, MEMIMG* dest, const RECT* clip, int transparent, int fontHandle,
                         std::uint32_t edgeColour, int length, int vertical, int* sizeOut) {
  if (GetDirectDrawObject() == nullptr) return -1;
  FontData* f = GetFontData(fontHandle);
  if (f == nullptr) return -1;
  if ((mode == 1 && scaleFlag == 0) || f->TextureCache == 0) {
    scaleX = scaleY = 1.0;
    scaleFlag = 0;
  }
  const double scale = vertical != 0 ? scaleY : scaleX;
  DrawColours c{};
  ScaleByBrightness(colour, &c.r, &c.g, &c.b);
  ScaleByBrightness(edgeColour, &c.er, &c.eg, &c.eb);
  c.colour = static_cast<std::uint32_t>(MakeColorValueBody(c.r, c.g, c.b));
  c.edge = static_cast<std::uint32_t>(MakeColorValueBody(c.er, c.eg, c.eb));
  double position = 0.0;
  if (text != nullptr && text[0] != '\0') {
    if (!EnsureCacheGraph(f)) return -1;
    PrepareString(f, text, length);
    if (mode == 1 && f->TextureCache != 0) {
      const std::uint32_t colourRgb = static_cast<std::uint32_t>((c.r << 16) | (c.g << 8) | c.b);
      const std::uint32_t edgeRgb = static_cast<std::uint32_t>((c.er << 16) | (c.eg << 8) | c.eb);
      return DrawFromTextureCache(f, x, y, scaleFlag, scaleX, scaleY, text, length, vertical, colourRgb, edgeRgb,
                                  sizeOut);
    }
    const bool canDraw = mode == 1 && dest != nullptr && dest->Image != nullptr && clip != nullptr;
    RECT area{};
    if (canDraw) {
      const RECT bounds{0, 0, dest->Width, dest->Height};
      area = *clip;
      ClipRect(&area, &bounds);
    }
    WalkString(text, length, f->CharSet, [&](std::uint16_t code, int) {
      if (f->Codes[code].Present == 0) RasterizeGlyphs(f, 1, &code);
      const GlyphEntry* e = f->Codes[code].Entry;
      if (canDraw && !IsSpace(code) && e->Width != 0 && e->Height != 0) {
        const int pos = static_cast<int>(position);
        if (vertical != 0) {
          const int right = x + f->CellHeight - e->Y;
          DrawGlyph(f, e, right - e->Height, y + pos + e->X, 1, dest, area, transparent, c);
        } else {
          DrawGlyph(f, e, x + pos + e->X, y + e->Y, 0, dest, area, transparent, c);
        }
      }
      position += (e->Advance + f->Spacing) * scale;
    });
  }
  return StringSize(f, position, vertical, sizeOut);
}

int RefreshDefaultFont() {
  DefaultFontSettings& d = g_DefaultFont;
  const FontData* f = GetFontData(d.Handle);
  if (f != nullptr && std::strcmp(f->FaceName, d.FaceName) == 0 && f->FontType == d.FontType && f->Size == d.Size &&
      f->Thickness == d.Thickness && f->CharSet == d.CharSet && f->EdgeSize == d.EdgeSize && f->Italic == d.Italic) {
    return 0;
  }
  if (f != nullptr) DeleteFontToHandle(d.Handle);
  d.Handle = CreateFontToHandle(d.FaceName, d.Size, d.Thickness, d.FontType, d.CharSet,
                                (d.FontType & kFontTypeEdge) != 0 ? d.EdgeSize : -1, d.Italic, -1, -1);
  if (d.Handle == -1) return -1;
  SetFontSpaceToHandle(d.Spacing, d.Handle);
  return 0;
}

int ChangeDefaultFontSizeBody(int size) {
  g_DefaultFont.Size = size == -1 ? 16 : size;
  RefreshDefaultFont();
  return 0;
}

int ChangeDefaultFontThicknessBody(int thickness) {
  g_DefaultFont.Thickness = thickness == -1 ? 6 : thickness;
  RefreshDefaultFont();
  return 0;
}

int SetFontSizeAndThickness(int size, int thickness) {
  if (GetDirectDrawObject() == nullptr) return -1;
  g_DefaultFont.Size = size == -1 ? 16 : size;
  g_DefaultFont.Thickness = thickness == -1 ? 6 : thickness;
  RefreshDefaultFont();
  return 0;
}

int InitFontToHandle() {
  if (GetDirectDrawObject() == nullptr) return -1;
  WriteLog("フォントの初期化を行います\n");
  IncreaseLogIndent();
  char face[kFontFaceNameSize] = {};
  int size = 16, thickness = 6, type = -1, charSet = -1, edge = -1, italic = -1;
  if (const FontData* d = GetFontData(g_DefaultFont.Handle)) {
    std::memcpy(face, d->FaceName, sizeof(face));
    size = d->Size;
    thickness = d->Thickness;
    type = d->FontType;
    charSet = d->CharSet;
    edge = d->EdgeSize;
    italic = d->Italic;
  }
  for (int i = 0; i < kMaxFonts; ++i) {
    if (g_fonts[i] != nullptr) DeleteFontToHandle(HandleOf(g_fonts[i], i));
  }
  g_DefaultFont.Handle = CreateFontToHandle(face, size, thickness, type, charSet, edge, italic, -1, -1);
  DecreaseLogIndent();
  WriteLog("フォントの初期化は正常に終了しました\n");
  return 0;
}

int RecreateAllFonts() {
  for (int i = 0; i < kMaxFonts; ++i) {
    const FontData* f = g_fonts[i];
    if (f == nullptr) continue;
    char face[kFontFaceNameSize];
    std::memcpy(face, f->FaceName, sizeof(face));
    const int size = f->Size, thickness = f->Thickness, type = f->FontType, charSet = f->CharSet,
              edge = f->EdgeSize, italic = f->Italic, spacing = f->Spacing, id = static_cast<int>(f->Id);
    std::int32_t* lost = f->LostFlag;
    DeleteFontToHandle(HandleOf(f, i));
    const int handle = CreateFontToHandle(face, size, thickness, type, charSet, edge, italic, i, id);
    if (handle == -1) continue;
    SetFontSpaceToHandle(spacing, handle);
    if (lost != nullptr) SetFontLostFlag(handle, lost);
  }
  return 0;
}
