// The Win32 layer's key translation: which KeyState entry a key message
// holds. The laptop's embedded-keypad keys are read by their scan code, so
// they sit where the laptop prints them whatever the layout; every other key
// by the virtual key Windows gives (S by its label, the keypad digits as
// VK_NUMPAD0..9, which Windows sends with NumLock on).
#pragma once

#include <cstdint>

#include "seam/platform.h"

// The entry of a WM_KEYDOWN, WM_KEYUP or WM_SYSKEYUP with these parameters,
// and which of the entry's keys it is; -1 for a virtual key past the table.
inline int KeyEntryOfMessage(std::uintptr_t wParam, std::intptr_t lParam, KeySource* source) {
  const unsigned scanCode = static_cast<unsigned>(lParam >> 16) & 0xFF;
  const bool extended = ((lParam >> 24) & 1) != 0;
  *source = KeyFromKeyboard;
  for (const KeyPosition& position : kKeyPositions) {
    if (!extended && position.scanCode != 0 && position.scanCode == scanCode) {
      *source = position.source;
      return position.virtualKey;
    }
  }
  return wParam < 256 ? static_cast<int>(wParam) : -1;
}
