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

int GetMenuItemByPosition(std::intptr_t menu, int position);
int BuildMenuItemTable(std::intptr_t menu);
int GetMenuItemNameById(int id, char* out);

int FindToolbarButton(int id);
int GetToolbarHeight();
int DeleteAllToolbarButtons();

// WM_COMMAND: toolbar buttons and menu commands.
int HandleCommandMessage(platform::WParam wParam);
platform::LResult HandleImeMessage(platform::WindowHandle window, std::uint32_t message, platform::WParam wParam,
                                   platform::LParam lParam);
