#include "platform/window/sdl_gl_context.h"

#include <epoxy/gl.h>


namespace platform {

SdlGlContext::~SdlGlContext() {
  if (context_ != nullptr) {
    MakeCurrent(anchor_);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteTextures(1, &texture_);
    SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(context_);
  }
  if (anchor_ != nullptr) SDL_DestroyWindow(anchor_);
}

bool SdlGlContext::Create() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  anchor_ = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (anchor_ == nullptr) return false;
  context_ = SDL_GL_CreateContext(anchor_);
  if (context_ == nullptr) {
    SDL_DestroyWindow(anchor_);
    anchor_ = nullptr;
    return false;
  }
  current_ = anchor_;
  // The engine waits for the vertical blank itself.
  SDL_GL_SetSwapInterval(0);
  glGenTextures(1, &texture_);
  glGenFramebuffers(1, &framebuffer_);
  return true;
}

bool SdlGlContext::MakeCurrent(SDL_Window* window) {
  if (context_ == nullptr) return false;
  if (window == nullptr) window = current_ != nullptr ? current_ : anchor_;
  if (window == current_ && SDL_GL_GetCurrentContext() == context_) return true;
  if (SDL_GL_MakeCurrent(window, context_) != 0) return false;
  current_ = window;
  return true;
}

void SdlGlContext::Forget(SDL_Window* window) {
  if (window == current_) MakeCurrent(anchor_);
}

void SdlGlContext::Present(SDL_Window* window, const dd::Frame& frame, bool keepAspect) {
  if (frame.width <= 0 || frame.height <= 0 || frame.pitch % 4 != 0 || !MakeCurrent(window)) return;
  if (frame.pixels == nullptr) {
    // The 3D device's copy of its drawing, in a framebuffer of this context: shown from there, nothing uploaded.
    if (frame.held == nullptr) return;
    Show(window, static_cast<std::uint32_t>(frame.held->handle), frame.width, frame.height, keepAspect);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, texture_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, frame.pitch / 4);
  if (frame.width != width_ || frame.height != height_) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, frame.width, frame.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, frame.pixels);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    width_ = frame.width;
    height_ = frame.height;
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frame.width, frame.height, GL_BGRA, GL_UNSIGNED_BYTE, frame.pixels);
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  Show(window, framebuffer_, frame.width, frame.height, keepAspect);
}

void SdlGlContext::Show(SDL_Window* window, std::uint32_t framebuffer, int width, int height, bool keepAspect) {
  int outWidth = 0, outHeight = 0;
  SDL_GL_GetDrawableSize(window, &outWidth, &outHeight);
  int x = 0, y = 0, w = outWidth, h = outHeight;
  if (keepAspect) {
    // The largest picture of the frame's aspect that fits, centred.
    if (static_cast<long long>(outWidth) * height > static_cast<long long>(outHeight) * width) {
      w = static_cast<int>(static_cast<long long>(outHeight) * width / height);
    } else {
      h = static_cast<int>(static_cast<long long>(outWidth) * height / width);
    }
    x = (outWidth - w) / 2;
    y = (outHeight - h) / 2;
  }
  // The device's draws set their own scissor, mask and framebuffer again.
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  // Memory rows run top-down, the window's bottom-up.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glBlitFramebuffer(0, 0, width, height, x, y + h, x + w, y, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  SDL_GL_SwapWindow(window);
}

}  // namespace platform
