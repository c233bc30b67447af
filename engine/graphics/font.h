// Font handles and their glyph caches: each font owns a platform font and a cache of rasterised characters in square
// cells; strings are prepared into the cache once and drawn from it. The cache is a texture graphic drawn with the
// graphic operations when the 3D device can hold it, else one column of cells in memory copied into memory images.
// A default font serves the public text function and the on-screen log.
#pragma once

#include <cstdint>

#include "engine/graphics/color_data.h"
#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"

namespace platform {
struct GdiFont;
}

inline constexpr std::int32_t kFontHandleType = 0x20000000;
inline constexpr int kMaxFonts = 40;
inline constexpr int kGlyphEntryCount = 2025;
inline constexpr int kMaxGlyphCapacity = 2024;
inline constexpr int kMaxFontSize = 1024;  // larger sizes are refused (the cache would take gigabytes)
inline constexpr int kFontFaceNameSize = 256;

struct FontCodeSlot;
struct GlyphEntry {
  std::uint16_t InUse;
  std::int16_t X, Y;        // offset of the glyph box from the pen position and the cell's top
  std::int16_t Advance;
  std::uint32_t CellIndex;
  std::uint16_t Width, Height;
  FontCodeSlot* Slot;       // the code-table slot that refers to this entry
};
struct FontCodeSlot {
  std::uint32_t Present;
  GlyphEntry* Entry;
};

struct FontData {
  std::uint32_t Id;
  std::int32_t* LostFlag;
  GlyphEntry Glyphs[kGlyphEntryCount];
  FontCodeSlot Codes[65536];
  std::uint32_t ReuseCursor;
  std::uint32_t Capacity;
  std::uint8_t* Cache;        // memory cache: one column of cells
  std::int32_t CachePitch;
  std::int32_t CacheBits;     // 1 or 8
  char FaceName[kFontFaceNameSize];
  std::int32_t Thickness, Size, CellHeight, Italic, Spacing, CellWidth;
  platform::GdiFont* Gdi;
  std::int32_t FontType;      // bit 0 edge, bit 1 anti-alias
  std::int32_t CharSet;       // 0 default, 1 Shift-JIS, 2 Hangeul
  std::int32_t EdgeSize;
  std::int32_t CacheWidth, CacheHeight, CellsPerColumn;
  std::int32_t FontScreen;    // work graphic of the string draw, -1 until first needed
  // Texture cache: the cache graphic (glyphs; for edge types their edges in the right half, shown by the derived
  // graphic), the flag its loss sets, and the staging image of one cell (glyph, then edge, side by side).
  std::int32_t CacheGraph, CacheEdgeGraph;
  std::int32_t CacheGraphLost;
  const ColorData* StagingFormat;
  std::int32_t StagingWidth, StagingHeight, StagingPitch;
  std::uint8_t* Staging;
  std::int32_t TextureCache;  // 1: cache in a texture graphic
};

inline constexpr int kFontTypeEdge = 1;
inline constexpr int kFontTypeAntialias = 2;

// Process-wide default font settings and handle.
struct DefaultFontSettings {
  char FaceName[kFontFaceNameSize];
  std::int32_t Size, Thickness, FontType, CharSet, EdgeSize, Italic, Spacing;
  std::int32_t Handle;
};
extern DefaultFontSettings g_DefaultFont;
void ResetDefaultFontSettings();
void ClearFontTable();  // forgets every record (graphics management start); frees nothing

int CreateFontToHandle(const char* face, int size, int thickness, int fontType, int charSet, int edgeSize, int italic,
                       int slot, int id);
int DeleteFontToHandle(int handle);
FontData* GetFontData(int handle);
int CheckFontHandleValid(int handle);
int GetFontSizeToHandle(int handle);
int GetFontStateToHandle(char* faceName, int* size, int* thickness, int handle);
int SetFontLostFlag(int handle, std::int32_t* flag);
int SetFontSpaceToHandle(int spacing, int handle);
int GetDefaultFontHandle();
int ChangeDefaultFontSizeBody(int size);
int ChangeDefaultFontThicknessBody(int thickness);
int SetFontSizeAndThickness(int size, int thickness);
int RefreshDefaultFont();
int InitFontToHandle();       // all fonts deleted, the default font made again
int RecreateAllFonts();       // after a device loss: every font made again in its slot with its id
int CountLiveFonts();

int CheckMultiByteChar(const char* p, int charSet);
GlyphEntry* RasterizeGlyphs(FontData* font, int count, const std::uint16_t* codes);

// Mode 1 draws into `dest` (clipped by `clip`), mode 0 only measures. Returns the string's length in pixels along
// its direction, -1 for a refused font.
int GlyphCacheDrawString(int mode, int x, int y, int scaleFlag, double scaleX, double scaleY, const char* text,
                         std::uint32_t colour, MEMIMG* dest, const RECT* clip, int transparent, int fontHandle,
                         std::uint32_t edgeColour, int length, int vertical, int* sizeOut);

// Drawing a string on the current draw screen. A font with a texture cache draws through the graphic operations.
int DrawStringWithFontTexture(int x, int y, const char* text, std::uint32_t colour, int fontHandle,
                              std::uint32_t edgeColour, int vertical);
int DrawString2D(int x, int y, const char* text, std::uint32_t colour, int fontHandle, std::uint32_t edgeColour,
                 int vertical);
int DrawStringWithFont(int x, int y, const char* text, std::uint32_t colour, int fontHandle, std::uint32_t edgeColour,
                       int vertical);
int DrawStringDefaultFont(int x, int y, const char* text, std::uint32_t colour, std::uint32_t edgeColour);
