#include "platform/d3d/egl_context.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

namespace platform::d3d {
namespace {

std::optional<ContextMode> g_override;
std::function<bool()> g_windowContext;

struct EglContext {
  bool tried = false;
  bool ok = false;
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
};
EglContext g_egl;

// EGL's surfaceless platform: no window system, rendering into framebuffer objects only.
bool MakeEglContext() {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (clientExtensions == nullptr || std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless") == nullptr ||
      std::strstr(clientExtensions, "EGL_EXT_platform_base") == nullptr)
    return false;
  g_egl.display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (g_egl.display == EGL_NO_DISPLAY) return false;
  EGLint major = 0, minor = 0;
  if (eglInitialize(g_egl.display, &major, &minor) == EGL_FALSE) return false;
  if (eglBindAPI(EGL_OPENGL_API) == EGL_FALSE) return false;
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
  g_egl.context = eglCreateContext(g_egl.display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (g_egl.context == EGL_NO_CONTEXT) {
    eglTerminate(g_egl.display);
    return false;
  }
  return eglMakeCurrent(g_egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, g_egl.context) == EGL_TRUE;
}

}  // namespace

ContextMode RequestedContextMode() {
  if (g_override) return *g_override;
  const char* value = std::getenv("ENGINE_D3D");
  if (value == nullptr || *value == '\0') return ContextMode::kWindow;
  if (std::strcmp(value, "egl") == 0 || std::strcmp(value, "on") == 0 || std::strcmp(value, "1") == 0)
    return ContextMode::kEgl;
  return ContextMode::kOff;
}

void SetContextMode(ContextMode mode) { g_override = mode; }
void ClearContextModeOverride() { g_override.reset(); }

void SetWindowContext(std::function<bool()> makeCurrent) {
  ReleaseGlContext();
  g_windowContext = std::move(makeCurrent);
}

bool UsesWindowContext() { return g_windowContext != nullptr && RequestedContextMode() == ContextMode::kWindow; }

bool EnsureGlContext() {
  const ContextMode mode = RequestedContextMode();
  if (mode == ContextMode::kOff) return false;
  if (mode == ContextMode::kWindow) return g_windowContext && g_windowContext();
  if (!g_egl.tried) {
    g_egl.tried = true;
    g_egl.ok = MakeEglContext();
  }
  if (!g_egl.ok) return false;
  return eglGetCurrentContext() == g_egl.context ||
         eglMakeCurrent(g_egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, g_egl.context) == EGL_TRUE;
}

namespace {
int g_openScenes = 0;
thread_local int t_scopeDepth = 0;  // scopes open on this thread: only the outermost takes the context off
}  // namespace

GlScope::GlScope() {
  ok_ = EnsureGlContext();
  ++t_scopeDepth;
}

GlScope::~GlScope() {
  --t_scopeDepth;
  if (ok_ && g_openScenes == 0 && t_scopeDepth == 0) ReleaseGlContext();
}

void GlScope::SceneOpened() { ++g_openScenes; }
void GlScope::SceneClosed() {
  if (g_openScenes > 0) --g_openScenes;
}

void ReleaseGlContext() {
  if (g_egl.ok && eglGetCurrentContext() == g_egl.context)
    eglMakeCurrent(g_egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::string GlRendererName() {
  if (!UsesWindowContext() && !g_egl.ok) return {};
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return name != nullptr ? name : "";
}

}  // namespace platform::d3d
