// Window accessories: the mouse cursor's visibility (hidden in full screen), the optional menu (in full screen
// shown only while the mouse is near the top edge), the optional toolbar, the mouse position in screen pixels, and
// the input-method messages that feed composed text into the character ring.
#pragma once

#include <cstdint>

#include "platform/window/window.h"

int UpdateCursorVisibility(int request);
int UpdateMenuVisibility(int shown);
int UpdateFullScreenMenu();
int GetMousePointInScreen(int* x, int* y);

// What GetMenuItemByPosition read of an item; the name points into one buffer that the next read overwrites.
struct MenuItemQuery {
  std::uint32_t state;
  std::uint32_t id;
  std::intptr_t submenu;
  std::uint32_t type;
  const char* name;
};
// -1 on failure, 1 for a separator (nothing read), else 0 with the item in out.
int GetMenuItemByPosition(std::intptr_t menu, int position, MenuItemQuery* out);
int BuildMenuItemTable(std::intptr_t menu);
int GetMenuItemNameById(int id, char* out);

int FindToolbarButton(int id);
int GetToolbarHeight();
int DeleteAllToolbarButtons();

// WM_COMMAND: toolbar buttons and menu commands.
int HandleCommandMessage(platform::WParam wParam);
platform::LResult HandleImeMessage(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                   platform::LParam lParam);
