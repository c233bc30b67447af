// Weak stand-ins for the engine's text functions (see engine_text.h). Delete this file once the engine's public
// header declares them.
#include "game/flow/engine_text.h"

__attribute__((weak)) int DrawTextFormatted(int, int, int, const char*, ...) { return 0; }
__attribute__((weak)) int ChangeDefaultFontSize(int) { return 0; }
__attribute__((weak)) int ChangeDefaultFontThickness(int) { return 0; }
