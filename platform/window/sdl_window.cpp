// The SDL2 back-end of the window system: real windows, and SDL events turned into the window messages the engine's
// window procedure handles (focus, close, keys, characters, paint, move and size, mouse, dropped files).
#include <SDL.h>
#if defined(PLATFORM_HAVE_X11)
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#if defined(PLATFORM_HAVE_XSHAPE)
#include <X11/extensions/shape.h>
#endif
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/backend.h"
#include "platform/d3d/egl_context.h"
#include "platform/display/ddraw.h"
#include "platform/files/path.h"
#include "platform/input/sdl_input.h"
#include "platform/window/sdl_gl_context.h"
#include "platform/window/window.h"

namespace platform {
namespace {

namespace dd = platform::dd;
namespace d3d = platform::d3d;

#if defined(PLATFORM_HAVE_X11)
// A broken X connection is fatal to Xlib: the process cannot go on drawing or reading events. It ends here with
// what a window close leaves behind: a close writes nothing at exit, and this runs on the thread that owns the
// windows, inside an event pump or a present, so none of the program's own file writes is cut short. One line says
// why, instead of Xlib's report and its failure status.
int OnDisplayLost(Display*) {
  std::fprintf(stderr, "%s: the display connection was lost; ending\n", program_invocation_short_name);
  std::_Exit(0);
}
#endif

namespace vk {
constexpr WParam kShift = 0x10, kControl = 0x11, kMenu = 0x12, kPause = 0x13, kCapital = 0x14, kSpace = 0x20,
                 kPrior = 0x21, kNext = 0x22, kEnd = 0x23, kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27,
                 kDown = 0x28, kInsert = 0x2D, kDelete = 0x2E, kNumpad0 = 0x60, kF1 = 0x70;
}  // namespace vk

// The virtual key of an SDL key, or 0 for keys the window layer has no code for.
WParam VirtualKeyFromSdl(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<WParam>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<WParam>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return vk::kF1 + static_cast<WParam>(key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return vk::kNumpad0 + 1 + static_cast<WParam>(key - SDLK_KP_1);
  switch (key) {
    case SDLK_KP_0: return vk::kNumpad0;
    case SDLK_BACKSPACE: return win::kVkBack;
    case SDLK_TAB: return win::kVkTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return win::kVkReturn;
    case SDLK_ESCAPE: return win::kVkEscape;
    case SDLK_SPACE: return vk::kSpace;
    case SDLK_PAGEUP: return vk::kPrior;
    case SDLK_PAGEDOWN: return vk::kNext;
    case SDLK_END: return vk::kEnd;
    case SDLK_HOME: return vk::kHome;
    case SDLK_LEFT: return vk::kLeft;
    case SDLK_UP: return vk::kUp;
    case SDLK_RIGHT: return vk::kRight;
    case SDLK_DOWN: return vk::kDown;
    case SDLK_INSERT: return vk::kInsert;
    case SDLK_DELETE: return vk::kDelete;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return vk::kShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return vk::kControl;
    case SDLK_LALT:
    case SDLK_RALT: return vk::kMenu;
    case SDLK_PAUSE: return vk::kPause;
    case SDLK_CAPSLOCK: return vk::kCapital;
    default: return 0;
  }
}

LParam PackPoint(int x, int y) {
  return static_cast<LParam>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
}

class SdlBackend final : public WindowBackend {
 public:
  SdlBackend() {
    dd::SetPresentHook([this](const dd::Frame& frame) { Present(frame); });
    // By default the windows are OpenGL windows and the 3D device draws with their context; the frames are shown
    // through it too. Without a context (or with the device forced off or onto EGL) the frames go through SDL's
    // renderer and the device, if any, draws on its own.
    if (d3d::RequestedContextMode() == d3d::ContextMode::kWindow) {
      gl_ = std::make_unique<SdlGlContext>();
      if (gl_->Create()) {
        d3d::SetWindowContext([this] { return gl_->MakeCurrent(); });
      } else {
        gl_.reset();
      }
    }
  }

  ~SdlBackend() override {
    dd::SetPresentHook(nullptr);
    if (gl_ != nullptr) d3d::SetWindowContext(nullptr);
    for (auto& [handle, view] : views_) DestroyView(view);
    for (auto& [handle, window] : windows_) {
      if (gl_ != nullptr) gl_->Forget(window);
      SDL_DestroyWindow(window);
    }
    gl_.reset();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  BackendKind Kind() const override { return BackendKind::Sdl; }

  bool OpenWindow(WindowHandle window, const std::string& title, const Rect& client, bool visible) override {
    Uint32 flags = visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (gl_ != nullptr) flags |= SDL_WINDOW_OPENGL;
    SDL_Window* w = SDL_CreateWindow(Cp932ToUtf8(title).c_str(), client.left, client.top,
                                     std::max(client.right - client.left, 1), std::max(client.bottom - client.top, 1),
                                     flags);
    if (w == nullptr) {
      std::fprintf(stderr, "%s: the window system refused a window: %s\n", program_invocation_short_name,
                   SDL_GetError());
      return false;
    }
    windows_[window] = w;
    byId_[SDL_GetWindowID(w)] = window;
    return true;
  }

  void CloseWindow(WindowHandle window) override {
    SDL_Window* w = Find(window);
    if (w == nullptr) return;
    byId_.erase(SDL_GetWindowID(w));
    windows_.erase(window);
    if (auto it = views_.find(window); it != views_.end()) {
      DestroyView(it->second);
      views_.erase(it);
    }
    if (gl_ != nullptr) gl_->Forget(w);
    SDL_DestroyWindow(w);
  }

  void SetTitle(WindowHandle window, const std::string& title) override {
    if (SDL_Window* w = Find(window)) SDL_SetWindowTitle(w, Cp932ToUtf8(title).c_str());
  }

  void SetClientRect(WindowHandle window, const Rect& client) override {
    SDL_Window* w = Find(window);
    if (w == nullptr) return;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(w, &x, &y);
    SDL_GetWindowSize(w, &width, &height);
    if (x != client.left || y != client.top) SDL_SetWindowPosition(w, client.left, client.top);
    const int newWidth = std::max(client.right - client.left, 1), newHeight = std::max(client.bottom - client.top, 1);
    if (width != newWidth || height != newHeight) SDL_SetWindowSize(w, newWidth, newHeight);
  }

  void SetVisible(WindowHandle window, bool visible) override {
    SDL_Window* w = Find(window);
    if (w == nullptr) return;
    if (visible) {
      SDL_ShowWindow(w);
    } else {
      SDL_HideWindow(w);
    }
  }

  void SetDecoration(WindowHandle window, bool bordered, bool topmost) override {
    SDL_Window* w = Find(window);
    if (w == nullptr) return;
    SDL_SetWindowBordered(w, bordered ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowAlwaysOnTop(w, topmost ? SDL_TRUE : SDL_FALSE);
  }

  void Raise(WindowHandle window) override {
    if (SDL_Window* w = Find(window)) SDL_RaiseWindow(w);
  }

  // The presenting layer owns the window's pixels; until something is presented the window shows what the display
  // server gives it.
  void FillBlack(WindowHandle, const Rect&) override {}

  // The X window's bounding shape: only the rectangles show, and only they take the pointer.
  void SetShape(WindowHandle window, const std::vector<Rect>& client) override {
#if defined(PLATFORM_HAVE_X11) && defined(PLATFORM_HAVE_XSHAPE)
    ::Display* display = nullptr;
    ::Window xwindow = 0;
    if (!X11WindowOf(window, &display, &xwindow)) return;
    int event = 0, error = 0;
    if (XShapeQueryExtension(display, &event, &error) == 0) return;
    if (client.empty()) {
      XShapeCombineMask(display, xwindow, ShapeBounding, 0, 0, 0, ShapeSet);
    } else {
      std::vector<XRectangle> rects;
      for (const Rect& r : client) {
        if (r.right <= r.left || r.bottom <= r.top) continue;
        rects.push_back(XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                                   static_cast<unsigned short>(r.right - r.left),
                                   static_cast<unsigned short>(r.bottom - r.top)});
      }
      XShapeCombineRectangles(display, xwindow, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()),
                              ShapeSet, Unsorted);
    }
    XFlush(display);
#else
    (void)window;
    (void)client;
#endif
  }

  // SDL grabs the keyboard while the window has the focus; on X the grab is also taken at once, so it holds even
  // before the window manager (if any) gives the focus.
  void SetKeyboardGrab(WindowHandle window, bool grabbed) override {
    SDL_Window* w = Find(window);
    if (w == nullptr) return;
    SDL_SetWindowKeyboardGrab(w, grabbed ? SDL_TRUE : SDL_FALSE);
#if defined(PLATFORM_HAVE_X11)
    ::Display* display = nullptr;
    ::Window xwindow = 0;
    if (!X11WindowOf(window, &display, &xwindow)) return;
    if (grabbed) {
      XGrabKeyboard(display, xwindow, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    } else {
      XUngrabKeyboard(display, CurrentTime);
    }
    XFlush(display);
#endif
  }

  void PumpEvents() override {
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) Handle(e);
  }

  DesktopInfo Desktop() override {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return DesktopInfo{640, 480, 32};
    // Bits as stored per pixel: a 24-bit X visual keeps 4 bytes a pixel.
    return DesktopInfo{mode.w, mode.h, static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8};
  }

  void SetCursorVisible(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

  void GetCursorPos(int* x, int* y) override { SDL_GetGlobalMouseState(x, y); }

  void SetScreenSaverEnabled(bool enabled) override {
    if (enabled) {
      SDL_EnableScreenSaver();
    } else {
      SDL_DisableScreenSaver();
    }
  }

  std::string DefaultLockDirectory() override {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && *runtime != '\0' ? std::string(runtime) : std::string("/tmp");
  }

 private:
  // What a window shows presented frames with: a renderer and a streaming texture of the frame's size.
  struct View {
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;
    bool failed = false;  // no renderer could be made for the window
  };

  // The index of SDL's software renderer, or -1. It draws into the window system's shared-memory image of the very
  // window it is given. SDL's OpenGL renderers would first make the window again as an OpenGL window (a new X window,
  // and none at all for a moment: seconds under load, for good if loading OpenGL then fails), so windows that show
  // frames through SDL's renderer get this one by index, whatever SDL_RENDER_DRIVER asks.
  static int SoftwareRendererIndex() {
    for (int i = 0, n = SDL_GetNumRenderDrivers(); i < n; ++i) {
      SDL_RendererInfo info{};
      if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name != nullptr && std::strcmp(info.name, "software") == 0)
        return i;
    }
    return -1;
  }

  static void DestroyView(View& view) {
    if (view.texture != nullptr) SDL_DestroyTexture(view.texture);
    if (view.renderer != nullptr) SDL_DestroyRenderer(view.renderer);
    view = View{};
  }

  // A presented frame goes to its window straight from the engine's pixels (the texture's format ignores the top
  // byte), scaled to the window's size by the renderer. An exclusive full-screen frame turns the window into a
  // desktop-sized full screen with the picture scaled, its aspect kept.
  void Present(const dd::Frame& frame) {
    SDL_Window* w = Find(frame.window);
    if (w == nullptr && windows_.size() == 1) w = windows_.begin()->second;
    if (w == nullptr) return;
    const bool isFull = (SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (frame.fullScreen != isFull) {
      if (frame.fullScreen) {
        // Without a window manager the full-screen state alone does not resize the window: it covers the desktop
        // first (SDL keeps a full-screen window's size requests for when it leaves full screen).
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(w), &bounds) == 0) {
          SDL_SetWindowBordered(w, SDL_FALSE);
          SDL_SetWindowPosition(w, bounds.x, bounds.y);
          SDL_SetWindowSize(w, bounds.w, bounds.h);
        }
        SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
      } else {
        SDL_SetWindowFullscreen(w, 0);
        SDL_SetWindowBordered(w, SDL_TRUE);
      }
    }
    if (gl_ != nullptr) {
      gl_->Present(w, frame, frame.fullScreen);
      return;
    }
    const WindowHandle handle = frame.window != 0 ? frame.window : windows_.begin()->first;
    View& view = views_[handle];
    if (view.renderer == nullptr && !view.failed) {
      view.renderer = SDL_CreateRenderer(w, SoftwareRendererIndex(), SDL_RENDERER_SOFTWARE);
      if (view.renderer == nullptr) {
        // A window that can show nothing is no game to play: said once, and closed as its close box would.
        std::fprintf(stderr, "%s: the window cannot show pictures: %s; ending\n", program_invocation_short_name,
                     SDL_GetError());
        view.failed = true;
        PostMessage(handle, win::kWmClose, 0, 0);
      }
    }
    if (view.renderer == nullptr) return;
    if (view.texture == nullptr || view.width != frame.width || view.height != frame.height) {
      if (view.texture != nullptr) SDL_DestroyTexture(view.texture);
      view.texture = SDL_CreateTexture(view.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, frame.width,
                                       frame.height);
      view.width = frame.width;
      view.height = frame.height;
      if (view.texture == nullptr) return;
    }
    if (frame.pixels != nullptr) {
      SDL_UpdateTexture(view.texture, nullptr, frame.pixels, frame.pitch);
    } else if (frame.held != nullptr) {
      std::vector<std::uint8_t> pixels(static_cast<std::size_t>(frame.width) * frame.height * 4);
      frame.held->read(pixels.data(), frame.width * 4);
      SDL_UpdateTexture(view.texture, nullptr, pixels.data(), frame.width * 4);
    }
    if (frame.fullScreen) {
      SDL_RenderSetLogicalSize(view.renderer, frame.width, frame.height);
    } else {
      SDL_RenderSetLogicalSize(view.renderer, 0, 0);
    }
    SDL_SetRenderDrawColor(view.renderer, 0, 0, 0, 255);
    SDL_RenderClear(view.renderer);
    SDL_RenderCopy(view.renderer, view.texture, nullptr, nullptr);
    SDL_RenderPresent(view.renderer);
  }

#if defined(PLATFORM_HAVE_X11)
  bool X11WindowOf(WindowHandle window, ::Display** display, ::Window* xwindow) {
    SDL_Window* w = Find(window);
    if (w == nullptr) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(w, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return false;
    *display = info.info.x11.display;
    *xwindow = info.info.x11.window;
    return true;
  }
#endif

  SDL_Window* Find(WindowHandle window) {
    auto it = windows_.find(window);
    return it != windows_.end() ? it->second : nullptr;
  }

  WindowHandle HandleOf(Uint32 id) {
    auto it = byId_.find(id);
    return it != byId_.end() ? it->second : 0;
  }

  void PostToAll(std::uint32_t message, WParam wParam, LParam lParam) {
    for (auto& [handle, window] : windows_) PostMessage(handle, message, wParam, lParam);
  }

  void HandleWindowEvent(const SDL_WindowEvent& e) {
    const WindowHandle h = HandleOf(e.windowID);
    if (h == 0) return;
    switch (e.event) {
      case SDL_WINDOWEVENT_CLOSE:
        PostMessage(h, win::kWmClose, 0, 0);
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        PostMessage(h, win::kWmActivateApp, 1, 0);
        PostMessage(h, win::kWmActivate, win::kWaActive, 0);
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        PostMessage(h, win::kWmActivateApp, 0, 0);
        PostMessage(h, win::kWmActivate, win::kWaInactive, 0);
        break;
      case SDL_WINDOWEVENT_EXPOSED:
        InvalidateWindow(h);
        break;
      case SDL_WINDOWEVENT_MOVED:
        NotifyWindowMoved(h, e.data1, e.data2);
        break;
      case SDL_WINDOWEVENT_SIZE_CHANGED:
        NotifyWindowResized(h, e.data1, e.data2, win::kSizeRestored);
        break;
      case SDL_WINDOWEVENT_MINIMIZED:
        PostMessage(h, win::kWmSize, win::kSizeMinimized, 0);
        break;
      case SDL_WINDOWEVENT_MAXIMIZED:
        PostMessage(h, win::kWmSize, win::kSizeMaximized, 0);
        break;
      default:
        break;
    }
  }

  void HandleKey(const SDL_KeyboardEvent& e) {
    const WindowHandle h = HandleOf(e.windowID);
    const WParam key = VirtualKeyFromSdl(e.keysym.sym);
    if (h == 0 || key == 0) return;
    const bool down = e.type == SDL_KEYDOWN;
    const bool alt = (e.keysym.mod & KMOD_ALT) != 0;
    std::uint32_t message = down ? win::kWmKeyDown : win::kWmKeyUp;
    if (alt) message = down ? win::kWmSysKeyDown : win::kWmSysKeyUp;
    LParam lParam = 1 | (static_cast<LParam>(e.keysym.scancode & 0xFF) << 16);
    if (e.repeat != 0) lParam |= LParam{1} << 30;
    if (!down) lParam |= (LParam{1} << 30) | (LParam{1} << 31);
    if (alt) lParam |= LParam{1} << 29;
    PostMessage(h, message, key, lParam);
  }

  void HandleText(const SDL_TextInputEvent& e) {
    const WindowHandle h = HandleOf(e.windowID);
    if (h == 0) return;
    // Text the input method commits ends its composition; other text arrives as characters, a double-byte
    // character as two WM_CHAR messages, lead byte first.
    const std::string text = Utf8ToCp932(e.text);
    if (ImeEnabled(h) && ImeCommit(h, text)) return;
    for (const char c : text) PostMessage(h, win::kWmChar, static_cast<std::uint8_t>(c), 1);
  }

  // The desktop input method's composition (UTF-8, the cursor counted in characters) as the window's IME state.
  void HandleEditing(std::uint32_t windowId, const char* utf8, int cursorChars) {
    const WindowHandle h = HandleOf(windowId);
    if (h == 0 || utf8 == nullptr || !ImeEnabled(h)) return;
    // The cursor's byte offset in the CP932 text: the CP932 length of the characters before it.
    std::string before;
    const char* p = utf8;
    for (int i = 0; i < cursorChars && *p != '\0'; ++i) {
      int n = 1;
      while ((p[n] & 0xC0) == 0x80) ++n;
      before.append(p, static_cast<std::size_t>(n));
      p += n;
    }
    ImeCompositionChanged(h, Utf8ToCp932(utf8), static_cast<int>(Utf8ToCp932(before).size()));
  }

  void HandleMouse(const SDL_Event& e) {
    switch (e.type) {
      case SDL_MOUSEMOTION:
        if (WindowHandle h = HandleOf(e.motion.windowID)) PostMessage(h, win::kWmMouseMove, 0, PackPoint(e.motion.x, e.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        const WindowHandle h = HandleOf(e.button.windowID);
        if (h == 0) break;
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        std::uint32_t message = 0;
        if (e.button.button == SDL_BUTTON_LEFT) message = down ? win::kWmLButtonDown : win::kWmLButtonUp;
        if (e.button.button == SDL_BUTTON_RIGHT) message = down ? win::kWmRButtonDown : win::kWmRButtonUp;
        if (e.button.button == SDL_BUTTON_MIDDLE) message = down ? win::kWmMButtonDown : win::kWmMButtonUp;
        if (message != 0) PostMessage(h, message, 0, PackPoint(e.button.x, e.button.y));
        break;
      }
      case SDL_MOUSEWHEEL:
        if (WindowHandle h = HandleOf(e.wheel.windowID)) {
          const auto delta = static_cast<std::uint16_t>(static_cast<std::int16_t>(e.wheel.y * 120));
          PostMessage(h, win::kWmMouseWheel, static_cast<WParam>(delta) << 16, 0);
        }
        break;
      default:
        break;
    }
  }

  void Handle(const SDL_Event& e) {
    // Keys, game controllers, joysticks and the loss of focus also feed the input devices.
    sdl::HandleInputEvent(e);
    switch (e.type) {
      case SDL_QUIT:
        PostToAll(win::kWmClose, 0, 0);
        break;
      case SDL_WINDOWEVENT:
        HandleWindowEvent(e.window);
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        HandleKey(e.key);
        break;
      case SDL_TEXTEDITING:
        HandleEditing(e.edit.windowID, e.edit.text, e.edit.start);
        break;
      case SDL_TEXTEDITING_EXT:
        HandleEditing(e.editExt.windowID, e.editExt.text, e.editExt.start);
        SDL_free(e.editExt.text);
        break;
      case SDL_TEXTINPUT:
        HandleText(e.text);
        break;
      case SDL_MOUSEMOTION:
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
      case SDL_MOUSEWHEEL:
        HandleMouse(e);
        break;
      case SDL_DROPFILE:
        if (e.drop.file != nullptr) {
          dropped_.push_back(Utf8ToCp932(e.drop.file));
          SDL_free(e.drop.file);
        }
        break;
      case SDL_DROPCOMPLETE:
        if (!dropped_.empty()) {
          WindowHandle h = HandleOf(e.drop.windowID);
          if (h == 0 && !windows_.empty()) h = windows_.begin()->first;
          if (h != 0) PostDroppedFiles(h, dropped_);
          dropped_.clear();
        }
        break;
      default:
        break;
    }
  }

  std::map<WindowHandle, SDL_Window*> windows_;
  std::map<Uint32, WindowHandle> byId_;
  std::map<WindowHandle, View> views_;
  std::vector<std::string> dropped_;
  std::unique_ptr<SdlGlContext> gl_;
};

}  // namespace

std::unique_ptr<WindowBackend> MakeSdlBackend() {
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Interrupts and terminations are the platform's quit requests, not SDL's.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Compositions longer than a plain text-editing event holds arrive whole; the input method draws its own
  // candidate window.
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
  SDL_SetHint(SDL_HINT_IME_SHOW_UI, "1");
  // The window's own image is the X server's shared-memory image, never a texture of a renderer SDL would make for
  // it (an OpenGL one would make the window again).
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
#if defined(PLATFORM_HAVE_X11)
  XSetIOErrorHandler(OnDisplayLost);
#endif
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  return std::make_unique<SdlBackend>();
}

}  // namespace platform
