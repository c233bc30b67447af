// The process-wide draw state that every drawing call reads, and the rectangle helpers that clip with it.
//
// The first fields are those the software renderer reads (draw area, blend mode and parameter, brightness, blend
// graphic and its two parameters, mask switch); the rest belong to the graphics layer: the draw target, the float copy
// of the draw area, the mask wish and the options with which new graphics are created.
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

  std::int32_t DrawScreen = -4;               // -4 front screen, -2 back screen, else a graphic handle
  std::int32_t DrawScreenInVideoMemory = 0;   // written by the screen layer's target selection
  RECT TargetOriginRect{0, 0, 0, 0};          // the target's rectangle on its surface
  float DrawAreaF[4] = {0, 0, 0, 0};          // DrawArea as floats
  std::int32_t DrawScreenWidth = 0, DrawScreenHeight = 0;
  std::int32_t ZBufferEnable = 0;
  std::int32_t ZWriteEnable = 1;
  std::int32_t DrawMode = 0;                  // texture filtering: 0 point, 1 bilinear
  std::int32_t UseMaskScreen = 1;             // the wish to draw through the mask screen
  std::int32_t MaskInVideoMemory = 0;
  std::int32_t ColorBitDepth = 0;             // colour depth for new graphics, 0 = the screen's
  std::int32_t UseTextureGraphics = 1;        // new graphics become textures when Direct3D is usable
  std::int32_t DrawValid = 0;                 // new graphics can be draw targets
  std::int32_t AlphaChFlag = 0;               // default alpha option for new graphics
  std::int32_t AlphaTestFlag = 1;
  std::int32_t UseSystemMemory = 0;           // new graphics' surfaces in system memory
  std::uint32_t TransparentColor = 0;         // 0x00RRGGBB colour key of new graphics
  std::int32_t DrawAreaEmpty = 0;             // DrawArea has no width or height: drawers return at once
  std::uint32_t GraphCreateOption = 0;        // create option word of new graphics
  std::int32_t TransferOption = 0;            // dither mode of the converting transfers into graphics (never set)
  std::int32_t GraphicsUp = 0;                // graphics management is initialised
};

inline constexpr std::uint32_t kNoBrightness = 0xFFFFFFu;

extern GraphDrawState g_GraphDrawState;

// 1 = the software transfers may use their MMX loops (copied at device start-up). The loops here give the same
// result either way; the flag is kept for the graphics layer.
extern std::int32_t g_GraphMmxFlag;

// 1 when the Direct3D device was created at initialisation (never here: the 2D path draws everything).
extern std::int32_t Use3D;

// Puts the draw state to its start values: draw area (0, 0, 0, 0), mode 0, parameter 0, no blend graphic,
// brightness 0xFFFFFF, no mask.
void ResetGraphDrawState();

// Setters of the draw state (0 unless said).
int SetBlendModeBody(int mode, int param);
int SetBlendGraph(int handle, int param1, int param2);  // -1 for a handle that is not a live graphic
int SetDrawBrightnessColor(std::uint32_t rgb);
int SetBrightnessRGBBody(int r, int g, int b);
int SetTextureFilterMode(int mode);
int SetUseTextureGraphicsBody(int flag);
int SetTransparentColorBody(int r, int g, int b);
int SetDrawValidGraphCreateFlag(int flag);
int SetUseVideoMemoryFlagBody(int flag);
int GetDrawMode();
int SetDrawAreaRect(const RECT* rect);
// Sets DrawArea to the rectangle ordered and clamped into the current target.
int SetDrawClipArea(int x1, int y1, int x2, int y2);
// -4, -2 or a live graphic handle; -1 before initialisation or for any other value (previous target kept).
int SelectDrawTargetBody(int target);
int CurrentDrawTarget();
int GetDrawTarget();
int GetDrawAreaRect(RECT* out);
int ReapplyDrawClipArea();
// The rectangle last given to SetDrawClipArea, as given (before ordering and clamping).
RECT RequestedDrawClipArea();

// Graphics management: the draw state, tables and mask to their defaults; and back.
int InitGraphManage();
int TerminateGraphManage();
// The whole device rebuilt after a lost device or a display change: everything on the device and input released,
// DirectDraw, the screens, the tiles' storage, Direct3D and the mask made again, every graphic reloaded through the
// restore hook and the movies reopened. Input starts again at its next query. Returns 0.
int RestoreGraphDevice();

// Clips A by B in place: right := left where right < left, bottom := top where bottom < top; then bottom and top are
// clamped into B's top..bottom, right and left into B's left..right. A rectangle outside B ends empty on B's
// border, never inverted. Returns 0.
int ClipRect(RECT* a, const RECT* b);
// Swaps left/right and top/bottom where inverted.
void NormalizeRect(RECT* a);
// right - left and bottom - top into whichever output is given.
void GetRectSize(const RECT* a, std::int32_t* width, std::int32_t* height);
