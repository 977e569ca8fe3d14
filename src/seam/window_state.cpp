// The window state shared between the platform layer and the portable code:
// the keys held, the window's activity and its mode.
#include <cstring>

#include "seam/platform.h"

bool KeyState[256] = {};
bool WindowActive = true;
bool FullscreenMode = false;

namespace {

// The sources (KeySource bits) holding each entry of KeyState.
std::uint8_t KeyHolders[256] = {};

}  // namespace

void PressKey(int vk, KeySource source) {
  if (vk < 0 || vk >= 256) return;
  KeyHolders[vk] |= source;
  KeyState[vk] = true;
}

void ReleaseKey(int vk, KeySource source) {
  if (vk < 0 || vk >= 256) return;
  KeyHolders[vk] &= static_cast<std::uint8_t>(~source);
  KeyState[vk] = KeyHolders[vk] != 0;
}

void ConsumeKey(int vk) {
  if (vk < 0 || vk >= 256) return;
  KeyHolders[vk] = 0;
  KeyState[vk] = false;
}

void ReleaseAllKeys() {
  std::memset(KeyHolders, 0, sizeof KeyHolders);
  std::memset(KeyState, 0, sizeof KeyState);
}
