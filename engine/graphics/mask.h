// The mask screen: one byte per screen pixel that decides which pixels a draw may change. While the mask is active
// every drawing operation draws into a screen-sized scratch copy of the destination (a MEMIMG on a software-rendered
// screen, a system-memory surface otherwise): the mask begin step copies the destination rectangle into the scratch,
// the draw lands there, and the mask end step turns every protected pixel into the key colour and copies the scratch
// back with that colour transparent. A mask byte of 0 lets drawing through; any other value protects the pixel (the
// reverse flag swaps the two).
//
// Nothing in the program makes a mask on its own: CreateMaskScreen makes one, FillMaskScreenRect writes its bytes.
#pragma once

#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/memimg.h"
#include "platform/display/ddraw.h"

struct MaskScreenState {
  std::uint8_t* data;   // one byte per screen pixel, null while no mask exists
  int pitch;            // bytes per row: screen width rounded up to a multiple of 4
  int height;
  std::uint32_t colorKey;
  int exists;
  int reverse;
  MEMIMG* scratch;      // the scratch software image, null when none
  MEMIMG scratchImage;  // the scratch image made here (software-rendered screens)
  int scratchValid;
  platform::dd::Surface* scratchSurface;  // the scratch surface (hardware screens)
};

extern MaskScreenState g_MaskScreen;

// Makes what is asked and missing: the zero-filled mask data, and the scratch (a MEMIMG on a software-rendered screen
// that is not 8-bit, else a screen-sized surface keyed with the mask colour key). A scratch that cannot be made ends
// the program. Returns 0.
int CreateMaskScreenParts(int dataFlag, int surfaceFlag);
// Frees the data and the scratch (the device rebuild makes them again when a mask exists).
void ReleaseMaskScratch();
// Switches the mask off when in use, frees everything and clears the mask-exists flag and MaskActive.
int DeleteMaskScreen();
// Forgets every mask record without freeing (graphics management start).
void ClearMaskScreen();

// Makes the mask (data and scratch, all bytes 0) and marks it existing; -1 without DirectDraw. The mask starts
// switched off: SetMaskScreenActive(1) switches it on.
int CreateMaskScreen();
// Writes value into the mask bytes of the rectangle (clipped to the mask); -1 without a mask.
int FillMaskScreenRect(int x1, int y1, int x2, int y2, int value);
int SetMaskReverseFlag(int flag);

// -1 when no mask data exists; else UseMaskScreen = flag, MaskActive = flag and a mask exists, and the target origin
// follows the flag.
int SetMaskScreenActive(int flag);
int GetUseMaskScreenFlag();
MEMIMG* GetMaskMemImg();
platform::dd::Surface* GetMaskSurface();
// Tests of the renderer's mask routing: a scratch image supplied from outside.
void SetMaskScratchMemImg(MEMIMG* image);

// The begin and end steps around one draw (rectangle in the draw target's frame). Exactly one of surface and image
// names the draw screen: its surface, or its software image.
int MaskDrawBegin(int x1, int y1, int x2, int y2, platform::dd::Surface* surface, MEMIMG* image);
int MaskDrawEnd(int x1, int y1, int x2, int y2, platform::dd::Surface* surface, MEMIMG* image);

// The screen layer's side: hands the steps the current draw screen (its software image when it has one).
int MaskBeginOnDrawScreen(const RECT& rect);
int MaskEndOnDrawScreen(const RECT& rect);
