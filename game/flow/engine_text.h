// Text drawing and the default font, reached like every engine service through its public function. Until the
// engine's public header carries these three, engine_text.cpp gives stand-ins that draw nothing; the engine's own
// definitions take their place as soon as they exist (the stand-ins are weak symbols).
#pragma once

int DrawTextFormatted(int x, int y, int colour, const char* format, ...);
int ChangeDefaultFontSize(int size);
int ChangeDefaultFontThickness(int thickness);
