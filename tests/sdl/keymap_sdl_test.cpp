#include "platform/sdl/keymap_sdl.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/platform.h"

namespace {

TEST(KeymapSdl, KeypadDigitsAreNumpadCodes) {
  const SDL_Scancode digits[10] = {SDL_SCANCODE_KP_0, SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_2,
                                   SDL_SCANCODE_KP_3, SDL_SCANCODE_KP_4, SDL_SCANCODE_KP_5,
                                   SDL_SCANCODE_KP_6, SDL_SCANCODE_KP_7, SDL_SCANCODE_KP_8,
                                   SDL_SCANCODE_KP_9};
  for (int d = 0; d < 10; ++d) EXPECT_EQ(VirtualKeyFromScancode(digits[d]), VkNumpad0 + d) << d;
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_MULTIPLY), 106);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_PLUS), 107);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_MINUS), 109);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_PERIOD), 110);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_DIVIDE), 111);
}

TEST(KeymapSdl, GameKeysAndRanges) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_ESCAPE), VkEscape);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFT), VkLeft);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UP), VkUp);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RIGHT), VkRight);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_DOWN), VkDown);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_S), VkS);
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(VirtualKeyFromScancode(static_cast<SDL_Scancode>(SDL_SCANCODE_A + i)), 'A' + i);
  }
  for (int i = 0; i < 9; ++i) {  // the scancodes run 1..9, 0
    EXPECT_EQ(VirtualKeyFromScancode(static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i)), '1' + i);
  }
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_0), '0');
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(VirtualKeyFromScancode(static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i)), VkF1 + i);
  }
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RETURN), 13);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SPACE), 32);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_TAB), 9);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_BACKSPACE), 8);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LSHIFT), 16);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RCTRL), 17);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LALT), 18);
  // Unknown and out-of-range scancodes have no code rather than a stray read.
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(VirtualKeyFromScancode(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES)), 0);
  EXPECT_EQ(VirtualKeyFromScancode(static_cast<SDL_Scancode>(-1)), 0);
}

TEST(KeymapSdl, NoTwoKeysShareACodeExceptTheDocumentedPairs) {
  // Only side pairs of modifiers and the two Enter/backslash/decimal keys may
  // share a code; anything else would be a typo in the table.
  const std::set<int> shared = {13, 16, 17, 18, 110, 220};
  std::set<int> seen;
  for (int s = 0; s < SDL_NUM_SCANCODES; ++s) {
    const int vk = VirtualKeyFromScancode(static_cast<SDL_Scancode>(s));
    if (vk == 0 || shared.count(vk)) continue;
    EXPECT_TRUE(seen.insert(vk).second) << "scancode " << s << " repeats code " << vk;
  }
}

TEST(KeymapSdl, SystemKeysAreF10AndAltCombinations) {
  EXPECT_TRUE(IsSystemKey(SDL_SCANCODE_F10, KMOD_NONE));
  EXPECT_TRUE(IsSystemKey(SDL_SCANCODE_LALT, KMOD_LALT));
  EXPECT_TRUE(IsSystemKey(SDL_SCANCODE_RALT, KMOD_NONE));  // Alt's own release
  EXPECT_TRUE(IsSystemKey(SDL_SCANCODE_KP_6, KMOD_LALT));
  EXPECT_TRUE(IsSystemKey(SDL_SCANCODE_F4, KMOD_RALT | KMOD_NUM));
  EXPECT_FALSE(IsSystemKey(SDL_SCANCODE_F1, KMOD_NONE));
  EXPECT_FALSE(IsSystemKey(SDL_SCANCODE_KP_6, KMOD_NUM));
  EXPECT_FALSE(IsSystemKey(SDL_SCANCODE_KP_6, KMOD_LSHIFT | KMOD_CAPS));
  EXPECT_FALSE(IsSystemKey(SDL_SCANCODE_S, KMOD_LCTRL | KMOD_LALT));  // Ctrl+Alt is ordinary
}

}  // namespace
