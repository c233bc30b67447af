// The mask screen in its inactive form: nothing in the program creates a mask, so the mask-exists flag stays 0,
// MaskActive stays 0 and the switch refuses. The scratch image the renderer would draw into while a mask is active
// can be supplied from outside (tests of the renderer's mask routing).
#pragma once

#include <cstdint>

#include "engine/graphics/memimg.h"

struct MaskScreenState {
  std::uint8_t* data;   // one byte per screen pixel, null while no mask exists
  int pitch;
  std::uint32_t colorKey;
  int exists;
  int reverse;
  MEMIMG* scratch;      // the scratch software image, null when none
};

extern MaskScreenState g_MaskScreen;

// -1 when no mask data exists; else UseMaskScreen = flag, MaskActive = flag and a mask exists.
int SetMaskScreenActive(int flag);
int GetUseMaskScreenFlag();
MEMIMG* GetMaskMemImg();
void SetMaskScratchMemImg(MEMIMG* image);
// Frees the mask and clears its records (graphics end).
int DeleteMaskScreen();
void ClearMaskScreen();
