// Records the picture draws the game makes (through link-time wraps of the engine's public drawing functions): the
// file each handle was loaded from, every source rectangle drawn with its destination, and the blend state it was
// drawn in.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace screen_test {

struct RecordedDraw {
  std::string path;  // file the handle was loaded from; empty for a handle no load returned
  int handle;
  int srcX, srcY, width, height;  // the source rectangle; the whole picture for DrawGraphAt and DrawGraphStretched
  int dstX, dstY, dstW, dstH;     // where it landed on the draw screen
  bool part;                      // drawn by DrawGraphPart
  bool plain;                     // no blending, full brightness, not stretched: the pixels land as they are
  bool mirrored;
  bool opaque;                    // no blending: the pixels drawn replace what lay there
};

// A rectangle drawn over the screen (DrawRectangle, filled or outlined: either covers what lay there).
struct RecordedFill {
  int x1, y1, x2, y2;
  size_t drawsBefore;  // picture draws recorded before it in the frame
  bool opaque;         // no blending: it replaces what lay there
  bool text;           // the band of a text (its glyphs cover only part of it)
};

// A text drawn with DrawTextFormatted: where, what (CP932 bytes) and the draws and fills recorded before it.
struct RecordedText {
  int x, y;
  std::string text;
  size_t drawsBefore, fillsBefore;
};

// Everything drawn since the last Clear, in order.
struct FrameRecord {
  std::vector<RecordedDraw> draws;
  std::vector<RecordedFill> fills;
  std::vector<RecordedText> texts;
};

void StartRecording();
void StopRecording();
// Empties the frame record (the handle-to-file map is kept).
void ClearFrameRecord();
const FrameRecord& CurrentFrameRecord();
// The file each live handle was loaded from.
const std::map<int, std::string>& LoadedFiles();

}  // namespace screen_test
