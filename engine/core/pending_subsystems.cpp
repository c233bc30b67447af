#include "engine/core/pending_subsystems.h"

// ---- Graphics --------------------------------------------------------------------------------------------------
int SetFrontScreenDrawArea(const platform::Rect&) { return 0; }
int GetDrawFilterMode() { return 0; }
int SetDrawFilterMode(int) { return 0; }
int ReleaseKeptScreenImage() { return 0; }


