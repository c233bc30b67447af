// The process-wide draw state that every drawing call reads, and the rectangle helpers that clip with it.
//
// This header holds the fields the software renderer reads (draw area, blend mode and parameter, brightness, blend
// graphic and its two parameters, mask switch) and the graphics layer's MMX flag. The graphics layer owns the record
// and adds its remaining fields (draw target, matrices, creation options) here; the renderer only reads it.
#pragma once

#include <cstdint>

// A rectangle of pixels: right and bottom are exclusive.
struct RECT {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

struct GraphDrawState {
  RECT DrawArea;              // clip rectangle of all drawing, inside the draw target
  std::int32_t BlendMode;     // 0 none, 1 alpha, 2 add, 3 subtract, 4 multiply (stored unchanged by its setter)
  std::int32_t BlendParam;    // 0..255
  std::int32_t BlendGraph;    // graphic handle of the blend graphic, -1 none
  std::int32_t BlendGraphParam1;  // border, 0..255
  std::int32_t BlendGraphParam2;  // range, 0..255
  std::uint32_t Brightness;   // 0x00RRGGBB; 0xFFFFFF = no brightness
  std::int32_t MaskActive;    // nonzero while drawing goes through the mask image
};

inline constexpr std::uint32_t kNoBrightness = 0xFFFFFFu;

extern GraphDrawState g_GraphDrawState;

// 1 = the software transfers may use their MMX loops (copied at device start-up). The loops here give the same
// result either way; the flag is kept for the graphics layer.
extern std::int32_t g_GraphMmxFlag;

// Puts the draw state to its start values: draw area (0, 0, 0, 0), mode 0, parameter 0, no blend graphic,
// brightness 0xFFFFFF, no mask.
void ResetGraphDrawState();

// Clips A by B in place: right := left where right < left, bottom := top where bottom < top; then bottom and top are
// clamped into B's top..bottom, right and left into B's left..right. A rectangle outside B ends empty on B's
// border, never inverted. Returns 0.
int ClipRect(RECT* a, const RECT* b);
// Swaps left/right and top/bottom where inverted.
void NormalizeRect(RECT* a);
// right - left and bottom - top into whichever output is given.
void GetRectSize(const RECT* a, std::int32_t* width, std::int32_t* height);
