// Watches the top-level windows of an X display as the server reports them: each window made, shown, hidden and
// destroyed, and the process that owns it (the _NET_WM_PID property the window system's clients set).
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/types.h>
#include <time.h>

#include <optional>
#include <string>
#include <vector>

namespace test_support {

class XWindowWatch {
 public:
  struct TopWindow {
    unsigned long id = 0;
    long pid = -1;         // -1 until the owner sets it
    double created = 0;    // monotonic seconds
    double shown = 0;      // first map; 0 = never
    double hidden = 0;     // first unmap after it was shown; 0 = never
    double destroyed = 0;  // 0 = still there
  };

  XWindowWatch() = default;
  XWindowWatch(const XWindowWatch&) = delete;
  XWindowWatch& operator=(const XWindowWatch&) = delete;
  ~XWindowWatch() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  // Connects to `name` and starts watching; false when the display cannot be opened.
  bool Open(const std::string& name) {
    display_ = XOpenDisplay(name.c_str());
    if (display_ == nullptr) return false;
    // A window can be gone before its properties are read: such errors are expected and ignored.
    XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
    pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
    return true;
  }

  static double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
  }

  // Takes in what the server has reported, waiting up to `seconds` for more.
  void Pump(double seconds) {
    const double until = Now() + seconds;
    do {
      while (XPending(display_) > 0) {
        XEvent e;
        XNextEvent(display_, &e);
        Take(e);
      }
      const double left = until - Now();
      if (left <= 0) break;
      pollfd p{ConnectionNumber(display_), POLLIN, 0};
      poll(&p, 1, static_cast<int>(left * 1000) + 1);
    } while (true);
  }

  // Waits until a window of process `pid` is shown; that window, or nothing after `seconds`.
  std::optional<TopWindow> WaitForShown(pid_t pid, double seconds) {
    const double until = Now() + seconds;
    while (true) {
      for (const TopWindow& w : windows_)
        if (w.pid == pid && w.shown != 0) return w;
      const double left = until - Now();
      if (left <= 0) return std::nullopt;
      Pump(left < 0.05 ? left : 0.05);
    }
  }

  // Waits until window `id` shows something other than black; false after `seconds`, or once it is hidden or gone.
  bool WaitForPicture(unsigned long id, double seconds) {
    const double until = Now() + seconds;
    while (Now() < until) {
      if (ShowsPicture(id)) return true;
      Pump(0.1);
      const TopWindow* w = Find(id);
      if (w == nullptr || w->hidden != 0 || w->destroyed != 0) return false;
    }
    return false;
  }

  // The size of window `id` as the server has it now; false when it is gone.
  bool Size(unsigned long id, int* width, int* height) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, id, &attributes) == 0) return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
  }

  // The latest window with `id` (the server hands the ids of a client that has gone to the next one).
  const TopWindow* Find(unsigned long id) const {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
      if (it->id == id) return &*it;
    return nullptr;
  }

  // The windows seen so far that process `pid` owns.
  std::vector<TopWindow> WindowsOf(pid_t pid) const {
    std::vector<TopWindow> owned;
    for (const TopWindow& w : windows_)
      if (w.pid == pid) owned.push_back(w);
    return owned;
  }

 private:
  TopWindow* Lookup(unsigned long id) { return const_cast<TopWindow*>(Find(id)); }

  void ReadPid(TopWindow& w) {
    if (w.pid != -1 || w.destroyed != 0) return;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, w.id, pidAtom_, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
      // Xlib hands 32-bit properties back as longs.
      if (type == XA_CARDINAL && format == 32 && count == 1) w.pid = *reinterpret_cast<long*>(data);
      XFree(data);
    }
  }

  void Take(const XEvent& e) {
    const double now = Now();
    switch (e.type) {
      case CreateNotify: {
        TopWindow w;
        w.id = e.xcreatewindow.window;
        w.created = now;
        windows_.push_back(w);
        // The owner may set its process id after making the window: its property changes are watched.
        XSelectInput(display_, w.id, PropertyChangeMask);
        ReadPid(windows_.back());
        break;
      }
      case PropertyNotify:
        if (e.xproperty.atom == pidAtom_)
          if (TopWindow* w = Lookup(e.xproperty.window)) ReadPid(*w);
        break;
      case MapNotify:
        if (TopWindow* w = Lookup(e.xmap.window)) {
          ReadPid(*w);
          if (w->shown == 0) w->shown = now;
        }
        break;
      case UnmapNotify:
        if (TopWindow* w = Lookup(e.xunmap.window); w != nullptr && w->shown != 0 && w->hidden == 0) w->hidden = now;
        break;
      case DestroyNotify:
        if (TopWindow* w = Lookup(e.xdestroywindow.window)) w->destroyed = now;
        break;
      default:
        break;
    }
  }

  // Whether the window's picture holds a pixel other than black (a sample of every 8th pixel both ways).
  bool ShowsPicture(unsigned long id) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, id, &attributes) == 0 || attributes.map_state != IsViewable) return false;
    XImage* image = XGetImage(display_, id, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    bool picture = false;
    for (int y = 0; y < attributes.height && !picture; y += 8)
      for (int x = 0; x < attributes.width && !picture; x += 8) picture = (XGetPixel(image, x, y) & 0xFFFFFF) != 0;
    XDestroyImage(image);
    return picture;
  }

  ::Display* display_ = nullptr;
  Atom pidAtom_ = None;
  std::vector<TopWindow> windows_;
};

}  // namespace test_support
