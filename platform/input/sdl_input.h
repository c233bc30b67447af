// The SDL back-end's input: keyboard scancodes become DirectInput key codes, game controllers (through SDL's
// game-controller database; other joysticks as they are) become pads, with hot plug and rumble.
#pragma once

#include <SDL.h>

namespace platform::sdl {

// Feeds the input devices from one SDL event: keys, controller and joystick events, device arrival and removal,
// and the window losing the keyboard focus (every key reads up then). Other events are ignored. Returns true when
// the event was one of these. Runs on the thread that pumps SDL's events.
bool HandleInputEvent(const SDL_Event& event);

// Starts the controller subsystem and attaches the pads present now (once SDL's video runs). The input devices
// call it whenever they are opened, so this normally needs no caller.
void StartInput();
// Closes every controller and stops the subsystem.
void StopInput();

// The DirectInput key code for an SDL scancode, or 0 when it has none.
int KeyCodeForScancode(SDL_Scancode scancode);

}  // namespace platform::sdl
