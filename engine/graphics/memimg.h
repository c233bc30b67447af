// MEMIMG, the engine's software image: screen buffers in system memory, masks, graphics held in memory and every
// image the software renderer reads or writes.
//
// Pixel layouts by Format: 0 R5G6B5 words; 1 32-bit B, G, R, X bytes (X is alpha when UseAlpha); 2 8-bit single
// channel; 3 16-bit depth. UsePalette: one index byte per pixel into Palette (u16 entries for Format 0, u32 B, G, R,
// X entries for Format 1). Format 0 with UseAlpha: 4 bytes per pixel (colour word, alpha byte, unused byte).
#pragma once

#include <cstdint>

#include "engine/graphics/color_data.h"
#include "engine/graphics/draw_state.h"

inline constexpr std::uint32_t kMemImgTag = 0x12345678u;

// Run table codes: bits 7-6 the kind, bits 5-0 the run length - 1 (1..64 pixels); 0xC0 ends a row.
inline constexpr std::uint8_t kRunSkip = 0;         // transparent colour, or alpha 0
inline constexpr std::uint8_t kRunSolid = 1;        // any other pixel; alpha 255 in an alpha image
inline constexpr std::uint8_t kRunTranslucent = 2;  // alpha 1..254 (alpha images only)
inline constexpr std::uint8_t kRunRowEnd = 0xC0;
inline constexpr int kRunMaxLength = 64;

struct MEMIMG {
  std::uint32_t Tag;            // kMemImgTag while initialised, else 0
  std::int32_t Width;           // pixels
  std::int32_t Height;          // pixels
  std::int32_t Pitch;           // bytes per row
  std::int32_t PitchShift;      // n when Pitch == 2^n and 2^n is the smallest power of two >= the row size; else -1
  const ColorData* ColorInfo;   // the standard format record of the image
  std::uint32_t TransColor;     // transparent colour in the image's own encoding (palette index for palette images)
  std::uint32_t Reserved;       // always 0
  std::int32_t Format;          // MemImgFormatKind
  std::int32_t UsePalette;      // 1: pixels are indices into Palette
  std::int32_t PaletteCount;    // palette colours written + 1
  std::int32_t UseAlpha;        // 1: pixels carry alpha
  std::int32_t PremulValid;     // 1: PremulImage holds the current image
  std::int32_t RunsValid;       // 1: RunTable describes the current pixels
  std::int32_t NotOwned;        // 1: Image was supplied by the caller (never freed here)
  std::uint8_t* Palette;        // 256 entries in use (this record's PaletteTable1, or a parent's for a view)
  std::uint8_t* Palette2;       // second table (copy of the first)
  alignas(16) std::uint8_t PaletteTable1[256 * 4];
  alignas(16) std::uint8_t PaletteTable2[256 * 4];
  std::uint8_t* Image;          // pixel 0 of row 0
  std::uint8_t* PremulImage;    // premultiplied plane (alpha images), Pitch x Height bytes, or null
  std::uint8_t* RunTable;       // (Width + 5) x Height bytes, or null
};

// Largest accepted width or height, and largest pixel buffer in bytes.
inline constexpr std::int32_t kMemImgMaxSide = 32768;
inline constexpr std::int64_t kMemImgMaxBytes = 0x40000000;  // 1 GiB

// Bytes per pixel by format kind and flags: 4 for kind 0 with alpha; 1 with a palette; else 2, 4, 1, 2.
int MemImgBytesPerPixel(const MEMIMG* image);

// Sets up a record. -1 when it already carries the tag, for a width or height outside 1..kMemImgMaxSide, a pitch
// too small for a row, a buffer above kMemImgMaxBytes, a format kind outside 0..3 or a failed allocation (the tag
// stays unset). Pitch -1 = bytes per pixel x width rounded up to a multiple of 16. The alpha flag is ignored with a
// palette; kinds 2 and 3 carry neither. A pixel pointer already set is used and marked not owned; otherwise Pitch x
// Height bytes are allocated. makeAux: an alpha image gets a premultiplied plane, any kind but 2 a run table.
int InitMemImg(MEMIMG* image, int width, int height, int pitch, std::uint32_t transColor, int format, int usePalette,
               int useAlpha, int makeAux);
// Zeroes the record, then InitMemImg with pitch -1, colour 0, no palette, no alpha, no aux buffers. Kind -1 = 0 when
// the requested screen bits are 16, else 1.
int MakeMemImg(MEMIMG* image, int width, int height, int format);
// Zeroes the record, then a kind-3 depth image with its own buffer.
int MakeZBufferMemImg(MEMIMG* image, int width, int height);
// Makes `view` an image over (x, y, width, height) of `parent` (the rectangle clipped to the parent): valid flags
// and not-owned cleared, palette tables shared with the parent, no aux buffers. A view is dropped without release.
void DeriveMemImg(MEMIMG* view, const MEMIMG* parent, int x, int y, int width, int height);
// Frees what a tagged record owns and clears its pointers and tag. Untagged records are left alone.
void ReleaseMemImg(MEMIMG* image);
int MemImgHasPixels(const MEMIMG* image);
// Writes `value` at 1, 2 or 4 bytes per pixel over the rectangle (null: the whole image) clipped to the image.
void FillMemImg(MEMIMG* image, const RECT* rect, std::uint32_t value);

// Rebuilds the run table from the current pixels (kinds 0 and 1 with a run table) and sets RunsValid. Returns 0, or
// -1 when the image has no run table or another kind.
int BuildMemImgRunTable(MEMIMG* image);
// Rebuilds the premultiplied plane of an alpha image (kinds 0 and 1 with a plane) and sets PremulValid: one 32-bit
// entry per pixel, the colour channels each times alpha shifted right by 8 (kind 0: in their 565 positions, alpha in
// the third byte; kind 1: alpha in the fourth byte). Returns 0, or -1 when the image has no plane or another kind.
int BuildMemImgPremulPlane(MEMIMG* image);
