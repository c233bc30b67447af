// Finds a game window on an X display by its client size, for tests that drive the desktop back-end in-process.
#pragma once

#include <X11/Xlib.h>

namespace test_support {

// The first viewable top-level window that is the given client size, or 0.
inline ::Window FindViewableWindow(::Display* display, int width, int height) {
  ::Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) return 0;
  ::Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display, children[i], &a) != 0 && a.map_state == IsViewable && a.width == width &&
        a.height == height)
      found = children[i];
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace test_support
