// platform/text: the GDI font stand-in over FreeType and fontconfig (this file, font.cpp); one implementation, no
// back-end files.
//
// GDI-like fonts over FreeType and fontconfig: a font made from a face name, cell height, weight and italic flag,
// its text metrics, and glyph bitmaps in the two formats the glyph cache reads (1 bit per pixel, or 17 grey levels).
// Character codes are the font's multi-byte codes: a single byte, or first byte x 256 + second byte, converted to
// Unicode from CP932 (or CP949 for the Hangeul character set).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct GdiFont;

inline constexpr int kCharsetDefault = 1;
inline constexpr int kCharsetShiftJis = 128;
inline constexpr int kCharsetHangeul = 129;
inline constexpr int kMaxFontHeight = 4096;  // larger cell heights are refused

// height > 0: cell height in pixels; height < 0: character (em) height; 0: 16. weight >= 600 is drawn emboldened.
// An empty or null face takes the system's fixed-pitch Japanese face; an unknown face is substituted, as GDI does.
// Null when no face can be loaded or the height is out of range.
GdiFont* CreateGdiFont(int height, int weight, int italic, int charset, const char* faceCp932);
void DeleteGdiFont(GdiFont* font);

struct GdiTextMetrics {
  int height;        // ascent + descent
  int ascent;
  int descent;
  int maxCharWidth;
};
int GetGdiTextMetrics(const GdiFont* font, GdiTextMetrics* out);  // 0 or -1

struct GdiGlyphMetrics {
  int blackBoxX, blackBoxY;  // bitmap size
  int originX, originY;      // left edge from the pen position; top edge above the baseline
  int cellIncX;              // advance
};

inline constexpr int kGgoBitmap = 1;       // 1 bit per pixel, rows padded to 4 bytes, most significant bit first
inline constexpr int kGgoGray4Bitmap = 5;  // 1 byte per pixel, levels 0..16, rows padded to 4 bytes

// Fills the metrics and, when buffer is given and bufferSize is large enough, the bitmap. Returns the bitmap's size
// in bytes, or -1 for a code that does not convert or a glyph that cannot be rendered.
long GetGdiGlyphOutline(GdiFont* font, unsigned code, int format, GdiGlyphMetrics* metrics, std::size_t bufferSize,
                        void* buffer);

}  // namespace platform
