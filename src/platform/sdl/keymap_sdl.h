// Keyboard translation for the SDL layer: SDL scancodes to the Win32
// virtual-key numbers that index KeyState, and the rule that keeps system
// keys (F10, Alt combinations) out of KeyState as Windows does.
#pragma once

#include <SDL_keycode.h>
#include <SDL_scancode.h>

// The virtual-key number of a key, by its position (scancode), so that keypad
// digits give 96..105 whatever the NumLock state. 0 for keys without one.
int VirtualKeyFromScancode(SDL_Scancode scancode);

// True when Windows would deliver this key event as a system key
// (WM_SYSKEYDOWN / WM_SYSKEYUP): F10, Alt itself, or any key while Alt is held
// and Ctrl is not. `modifiers` is the event's modifier state.
bool IsSystemKey(SDL_Scancode scancode, Uint16 modifiers);
