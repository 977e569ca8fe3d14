// Windows only: which KeyState entry each key message holds. The laptop's
// embedded keypad is read by position (scan code) whatever the layout says
// the key is; everything else by its virtual key, S by its label.
#include <gtest/gtest.h>

#include "platform/win32/keys_win32.h"

namespace {

std::intptr_t Params(unsigned scanCode, bool extended) {
  return 1 | static_cast<std::intptr_t>(scanCode) << 16 | static_cast<std::intptr_t>(extended) << 24;
}

TEST(Win32Keys, LaptopKeysByPositionTheRestByVirtualKey) {
  struct Row {
    unsigned virtualKey, scanCode;
    bool extended;
    int entry;
    KeySource source;
  };
  const Row rows[] = {
      // The laptop's keypad on a US layout: 7 8 9 / U I O / J K L / M.
      {'7', 0x08, false, 103, KeyFromLaptop}, {'8', 0x09, false, 104, KeyFromLaptop},
      {'9', 0x0A, false, 105, KeyFromLaptop}, {'U', 0x16, false, 100, KeyFromLaptop},
      {'I', 0x17, false, 101, KeyFromLaptop}, {'O', 0x18, false, 102, KeyFromLaptop},
      {'J', 0x24, false, 97, KeyFromLaptop},  {'K', 0x25, false, 98, KeyFromLaptop},
      {'L', 0x26, false, 99, KeyFromLaptop},  {'M', 0x32, false, 96, KeyFromLaptop},
      // The same positions on Dvorak (G C R / H T N / M) and AZERTY (the M
      // position holds the comma): still the keypad digits.
      {'G', 0x16, false, 100, KeyFromLaptop}, {'N', 0x26, false, 99, KeyFromLaptop},
      {0xBC, 0x32, false, 96, KeyFromLaptop},
      // S by its label: at QWERTY's semicolon on Dvorak, not at QWERTY's S.
      {'S', 0x1F, false, 'S', KeyFromKeyboard}, {'S', 0x27, false, 'S', KeyFromKeyboard},
      {'O', 0x1F, false, 'O', KeyFromKeyboard},
      // Keypad digits, arrows, Escape and F1 as Windows names them; an
      // extended key with a laptop key's scan code is not one.
      {0x64, 0x4B, false, 100, KeyFromKeyboard}, {0x60, 0x52, false, 96, KeyFromKeyboard},
      {0x26, 0x48, true, 38, KeyFromKeyboard},   {0x1B, 0x01, false, 27, KeyFromKeyboard},
      {0x70, 0x3B, false, 112, KeyFromKeyboard}, {0xFF, 0x16, true, 0xFF, KeyFromKeyboard},
      {0x1234, 0x00, false, -1, KeyFromKeyboard},
  };
  for (const Row& row : rows) {
    KeySource source = KeyFromScreen;
    EXPECT_EQ(KeyEntryOfMessage(row.virtualKey, Params(row.scanCode, row.extended), &source), row.entry)
        << "virtual key " << row.virtualKey << ", scan code " << row.scanCode;
    EXPECT_EQ(source, row.source) << "virtual key " << row.virtualKey;
  }
}

}  // namespace
