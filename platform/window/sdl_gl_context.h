// The desktop's OpenGL context: made by the SDL window back-end when the 3D device is asked for, lent to the device
// (which draws into framebuffer objects with it) and used to show presented frames in the windows.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/display/ddraw.h"

namespace platform {

class SdlGlContext {
 public:
  SdlGlContext() = default;
  ~SdlGlContext();
  SdlGlContext(const SdlGlContext&) = delete;
  SdlGlContext& operator=(const SdlGlContext&) = delete;

  // Makes an OpenGL 3.3 core context on a hidden window of its own, so that it outlives the program's windows (they
  // are made again at screen-mode changes). False when SDL cannot make one.
  bool Create();
  // Makes the context current, on `window` when given (it must have been made with SDL_WINDOW_OPENGL), else on the
  // window it is current on already, else on its own hidden window.
  bool MakeCurrent(SDL_Window* window = nullptr);
  // Shows 32-bit frame pixels in `window` (or, without pixels, the held picture's framebuffer of this context),
  // scaled to its drawable size; with `keepAspect` the picture keeps its aspect between black bars.
  void Present(SDL_Window* window, const dd::Frame& frame, bool keepAspect);
  // Moves the context off a window about to be destroyed.
  void Forget(SDL_Window* window);

 private:
  // Shows width x height of a framebuffer whose rows run top-down in memory order.
  void Show(SDL_Window* window, std::uint32_t framebuffer, int width, int height, bool keepAspect);
  SDL_Window* anchor_ = nullptr;
  SDL_GLContext context_ = nullptr;
  SDL_Window* current_ = nullptr;
  std::uint32_t texture_ = 0, framebuffer_ = 0;
  int width_ = 0, height_ = 0;
};

}  // namespace platform
