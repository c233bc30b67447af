// The OpenGL context the 3D device draws with. By default it is the SDL window's context (the window back-end makes
// and registers it on the desktop), and headless runs have none, so they draw through the 2D path. ENGINE_D3D=egl
// asks for an EGL surfaceless one instead, desktop or not, made once per process on first use and kept (contexts are
// costly to make and the device is re-created at every screen-mode change); ENGINE_D3D=off asks for none. Current on
// the thread that made it.
#pragma once

#include <functional>
#include <string>

namespace platform::d3d {

enum class ContextMode { kOff, kEgl, kWindow };

// ENGINE_D3D: unset or "" -> kWindow; "off" or "0" -> kOff; "egl", "on" or "1" -> kEgl; any other value -> kOff.
// SetContextMode overrides it (tests).
ContextMode RequestedContextMode();
void SetContextMode(ContextMode mode);
void ClearContextModeOverride();

// The window back-end's context (made only in kWindow mode): `makeCurrent` makes it current on the calling thread
// (false when it cannot). While one is set, the device draws with it; null removes it.
void SetWindowContext(std::function<bool()> makeCurrent);
bool UsesWindowContext();

// Makes the context when needed and makes it current. False when the mode is off, when kWindow has no window
// context, or when no context can be made.
bool EnsureGlContext();
// Takes the surfaceless context off the thread, so that another GL user there can make its own current; the next GL
// use makes it current again. The window's context stays current: the window back-end presents with it.
void ReleaseGlContext();
// The GL_RENDERER string, empty without a context.
std::string GlRendererName();

// Makes the device's context current for the length of a scope (another GL user on the thread may have made its
// own current in between), and takes it off the thread again at the end of the outermost scope unless a scene is
// open.
class GlScope {
 public:
  GlScope();
  ~GlScope();
  // Scenes open on any device: while there are some, the context stays current between calls.
  static void SceneOpened();
  static void SceneClosed();
  GlScope(const GlScope&) = delete;
  GlScope& operator=(const GlScope&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

}  // namespace platform::d3d
