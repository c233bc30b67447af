#include "tests/game_screens/draw_recorder.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace screen_test {
namespace {

bool g_recording = false;
FrameRecord g_frame;
std::map<int, std::string> g_files;
std::map<int, std::pair<int, int>> g_sizes;
int g_blendMode = 0;
int g_blendParam = 255;
bool g_fullBrightness = true;

std::string PathOf(int handle) {
  const auto it = g_files.find(handle);
  return it == g_files.end() ? std::string() : it->second;
}

void Record(int handle, int srcX, int srcY, int w, int h, int dstX, int dstY, int dstW, int dstH, bool part,
            bool stretched, bool mirrored) {
  if (!g_recording) return;
  const bool plain = g_blendMode == 0 && g_fullBrightness && !stretched;
  g_frame.draws.push_back(
      {PathOf(handle), handle, srcX, srcY, w, h, dstX, dstY, dstW, dstH, part, plain, mirrored, g_blendMode == 0});
}

}  // namespace

void StartRecording() {
  g_recording = true;
  g_frame = {};
}
void StopRecording() { g_recording = false; }
void ClearFrameRecord() { g_frame = {}; }
const FrameRecord& CurrentFrameRecord() { return g_frame; }
const std::map<int, std::string>& LoadedFiles() { return g_files; }

}  // namespace screen_test

using screen_test::Record;

// The wrapped engine functions: __real_X is the engine's own X, __wrap_X is what the game's calls reach.
extern "C" {
int __real__Z15LoadGraphicFilePKc(const char* name);
int __real__Z11DrawGraphAtiiii(int x, int y, int handle, int transparent);
int __real__Z13DrawGraphPartiiiiiiiii(int x, int y, int srcX, int srcY, int w, int h, int handle, int transparent,
                                      int mirror);
int __real__Z18DrawGraphStretchediiiiii(int x1, int y1, int x2, int y2, int handle, int transparent);
int __real__Z13DrawRectangleiiiiii(int x1, int y1, int x2, int y2, int colour, int fill);
int __real__Z12SetBlendModeii(int mode, int param);
int __real__Z16SetBrightnessRGBiii(int r, int g, int b);
int __real__Z17DrawTextFormattediiiPKcz(int x, int y, int colour, const char* format, ...);

int __wrap__Z15LoadGraphicFilePKc(const char* name) {
  const int handle = __real__Z15LoadGraphicFilePKc(name);
  if (handle != -1) screen_test::g_files[handle] = name;
  return handle;
}

int __wrap__Z11DrawGraphAtiiii(int x, int y, int handle, int transparent) {
  Record(handle, 0, 0, -1, -1, x, y, -1, -1, false, false, false);
  return __real__Z11DrawGraphAtiiii(x, y, handle, transparent);
}

int __wrap__Z13DrawGraphPartiiiiiiiii(int x, int y, int srcX, int srcY, int w, int h, int handle, int transparent,
                                      int mirror) {
  Record(handle, srcX, srcY, w, h, x, y, w, h, true, false, mirror != 0);
  return __real__Z13DrawGraphPartiiiiiiiii(x, y, srcX, srcY, w, h, handle, transparent, mirror);
}

int __wrap__Z18DrawGraphStretchediiiiii(int x1, int y1, int x2, int y2, int handle, int transparent) {
  Record(handle, 0, 0, -1, -1, x1, y1, x2 - x1, y2 - y1, false, true, false);
  return __real__Z18DrawGraphStretchediiiiii(x1, y1, x2, y2, handle, transparent);
}

int __wrap__Z13DrawRectangleiiiiii(int x1, int y1, int x2, int y2, int colour, int fill) {
  // A blended rectangle of strength 0 leaves the screen as it was; an outline covers only its edges.
  const bool invisible = screen_test::g_blendMode != 0 && screen_test::g_blendParam == 0;
  if (screen_test::g_recording && !invisible) {
    auto& fills = screen_test::g_frame.fills;
    const size_t before = screen_test::g_frame.draws.size();
    const bool opaque = screen_test::g_blendMode == 0;
    if (fill != 0) {
      fills.push_back({x1, y1, x2, y2, before, opaque, false});
    } else {
      fills.push_back({x1, y1, x2, y1 + 1, before, opaque, false});
      fills.push_back({x1, y2 - 1, x2, y2, before, opaque, false});
      fills.push_back({x1, y1, x1 + 1, y2, before, opaque, false});
      fills.push_back({x2 - 1, y1, x2, y2, before, opaque, false});
    }
  }
  return __real__Z13DrawRectangleiiiiii(x1, y1, x2, y2, colour, fill);
}

// Text covers what lies under it: taken as the band of its CP932 bytes, 6 pixels each (the game's 12-pixel font is
// 6 pixels wide a byte: 12 for a full-width character) with a margin, 16 pixels high.
int __wrap__Z17DrawTextFormattediiiPKcz(int x, int y, int colour, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
int __wrap__Z17DrawTextFormattediiiPKcz(int x, int y, int colour, const char* format, ...) {
  if (format == nullptr) return __real__Z17DrawTextFormattediiiPKcz(x, y, colour, nullptr);
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (screen_test::g_recording) {
    auto& frame = screen_test::g_frame;
    frame.texts.push_back({x, y, text, frame.draws.size(), frame.fills.size()});
    const int width = 6 * static_cast<int>(std::strlen(text));
    frame.fills.push_back({x - 1, y - 1, x + width + 4, y + 16, frame.draws.size(), true, true});
  }
  return __real__Z17DrawTextFormattediiiPKcz(x, y, colour, "%s", text);
}

int __wrap__Z12SetBlendModeii(int mode, int param) {
  screen_test::g_blendMode = mode;
  screen_test::g_blendParam = param;
  return __real__Z12SetBlendModeii(mode, param);
}

int __wrap__Z16SetBrightnessRGBiii(int r, int g, int b) {
  screen_test::g_fullBrightness = r == 255 && g == 255 && b == 255;
  return __real__Z16SetBrightnessRGBiii(r, g, b);
}
}
