// Reference model of the software renderer's pixel arithmetic: one plain function per rule, written straight from
// the formulas, per component, in 64-bit integers, with the table values computed on the spot. It shares no code
// with the renderer (not even the blend tables) and is what the renderer's loops are compared with.
//
// Add and subtract saturate per component: min(d + v, max) and max(d - v, 0) per 8-bit byte of a 32-bit pixel and
// per 5/6/5 field of a 16-bit pixel; v carries no fourth byte, so a 32-bit destination keeps its X byte.
#pragma once

#include <cstdint>

namespace softref {

// Which transfer a pixel is drawn by: the rules differ slightly between them.
enum class Path { kPerPixel, kRunCoded, kStretched };
// For the run-coded path: the kind of run the pixel lies in (skip runs draw nothing and are not passed).
enum class RunKind { kSolid, kTranslucent };

struct Source {
  int format = 1;          // 0 = 16-bit R5G6B5 (and the destination), 1 = 32-bit B, G, R, X
  bool palette = false;    // pixels are indices into `entries`
  bool alpha = false;      // pixels carry alpha (byte 3 of a 32-bit pixel, byte 2 of a 16-bit alpha pixel)
  std::uint32_t transColor = 0;
  const std::uint32_t* entries = nullptr;  // 256 palette entries: 16-bit words or 32-bit B, G, R, X values
};

struct Draw {
  int mode = 0;                      // blend mode word (anything outside 0..4 draws nothing)
  int param = 255;                   // blend parameter P
  std::uint32_t brightness = 0xFFFFFF;  // 0x00RRGGBB
  int transparent = 0;               // T
  bool useLevel = false;             // a blend graphic weighs the pixel by `level`
  Path path = Path::kPerPixel;
  RunKind run = RunKind::kSolid;     // run-coded path only
};

// Scale[r][v], Delta[r][e], Mix64[k][s][d] and the blend-graphic level of byte v.
int Scale(int r, int v);
int Delta(int r, int e);
int Mix64(int k, int s, int d);
int Level(int border, int range, int v);

// The destination pixel after drawing the raw source pixel `src` (a palette index, a 16-bit word, the 4-byte value
// of a 16-bit alpha pixel, or a 32-bit value) over `dst`; `dst` itself when the pixel is skipped or the draw refused.
std::uint32_t BlendPixel(const Source& source, const Draw& draw, std::uint32_t src, std::uint32_t dst, int level);

// The destination pixel after the constant-colour operation of a fill (also lines and ovals): colour in the
// destination's format, brightness 0x00RRGGBB applied with >> 8.
std::uint32_t FillPixel(int format, int mode, int param, std::uint32_t brightness, std::uint32_t colour,
                        std::uint32_t dst);

// True when the raw source pixel is left out by the transparent test (colour key, or alpha 0).
bool IsSkipPixel(const Source& source, std::uint32_t src);
// Run kind the run table gives a non-skip pixel.
RunKind RunKindOf(const Source& source, std::uint32_t src);

// Source column that destination column j (counted from the unclipped edge) of a stretched draw shows, before
// mirroring, stepped as the stretched loops step from the unclipped edge: step = (size * 65536) / source size, an
// accumulator of step less 65536 per destination pixel, the source advanced while the accumulator is at most 0, or
// (stopAtZero) advanced once and then while it is below 0; kept inside the source.
int StretchedSourceIndex(int j, int destSize, int sourceSize, bool stopAtZero);

// True for the stretched loops that stop at 0: plain copies (mode 0, or mode 1 at P = 255) and full-strength
// subtracts (mode 3 at P = 255), both without blend graphic, brightness or alpha channel.
bool StretchStopsAtZero(const Source& source, const Draw& draw);

}  // namespace softref
