// The headless display: the last frame the display device presented, for tests to read or save as PNG.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window/window.h"

namespace platform::headless {

struct Framebuffer {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row after row
  std::uint64_t frames = 0;           // frames presented so far
  WindowHandle window = 0;
};

// A copy of the current framebuffer.
Framebuffer GetFramebuffer();
// 0x00RRGGBB at (x, y), or 0xFFFFFFFF outside.
std::uint32_t FramebufferPixel(int x, int y);
// Clears it (size 0, no frames).
void ResetFramebuffer();
// Stores a presented frame.
void StoreFrame(WindowHandle window, int width, int height, const std::uint32_t* pixels);
// Stores a presented frame from rows of 32-bit pixels `pitch` bytes apart; the top byte of each pixel is dropped.
void StoreFrameRows(WindowHandle window, int width, int height, const std::uint8_t* rows, int pitch);
// Stores a presented frame whose pixels are read only when the framebuffer is first read (a picture the 3D device
// holds on the GPU): `read` writes width x height 32-bit pixels, rows `pitch` bytes apart (the top byte is dropped).
// It runs on the reading thread, so device frames are read on the thread that draws.
void StoreFrameLater(WindowHandle window, int width, int height, std::function<void(std::uint8_t*, int)> read);
// Writes the framebuffer as an 8-bit RGB PNG (file name in UTF-8). False when empty or on a write failure.
bool SaveFramebufferPng(const std::string& path);

}  // namespace platform::headless
