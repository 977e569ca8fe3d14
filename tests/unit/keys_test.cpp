// Every layer's reading of the keys the game knows, from its own names: Windows's scan code (0xE0..
// extended) and virtual key, SDL's scancode (a USB usage), the page's KeyboardEvent.code, the label
// for S. The keypad with NumLock off (Windows names its keys Insert, End, Down, ...), the laptop's
// keys on Dvorak (G C R / H T N at U I O / J K L), S on Dvorak and on a Cyrillic layout.
#include <gtest/gtest.h>

#include <utility>

#include "seam/platform.h"

namespace {

TEST(Keys, EveryLayerReadsEachKeyWhereItSitsAndSByItsLabel) {
  constexpr KeySource kb = KeyFromKeyboard, lt = KeyFromLaptop;
  struct Row { const char* code; unsigned usb, scan, vk; char label; int entry; KeySource source; };
  const Row rows[] = {
      {"Numpad0", 0x62, 0x52, 0x2D, 0, 96, kb},   {"Numpad1", 0x59, 0x4F, 0x23, 0, 97, kb},
      {"Numpad2", 0x5A, 0x50, 0x28, 0, 98, kb},   {"Numpad3", 0x5B, 0x51, 0x22, 0, 99, kb},
      {"Numpad4", 0x5C, 0x4B, 0x25, 0, 100, kb},  {"Numpad5", 0x5D, 0x4C, 0x0C, 0, 101, kb},
      {"Numpad6", 0x5E, 0x4D, 0x27, 0, 102, kb},  {"Numpad7", 0x5F, 0x47, 0x24, 0, 103, kb},
      {"Numpad8", 0x60, 0x48, 0x26, 0, 104, kb},  {"Numpad9", 0x61, 0x49, 0x21, 0, 105, kb},
      {"Digit7", 0x24, 0x08, '7', '7', 103, lt},  {"Digit8", 0x25, 0x09, '8', '8', 104, lt},
      {"Digit9", 0x26, 0x0A, '9', '9', 105, lt},  {"KeyU", 0x18, 0x16, 'G', 'g', 100, lt},
      {"KeyI", 0x0C, 0x17, 'C', 'c', 101, lt},    {"KeyO", 0x12, 0x18, 'R', 'r', 102, lt},
      {"KeyJ", 0x0D, 0x24, 'H', 'h', 97, lt},     {"KeyK", 0x0E, 0x25, 'T', 't', 98, lt},
      {"KeyL", 0x0F, 0x26, 'N', 'n', 99, lt},     {"KeyM", 0x10, 0x32, 'M', 'm', 96, lt},
      {"ArrowLeft", 0x50, 0xE04B, 0x25, 0, 37, kb}, {"ArrowUp", 0x52, 0xE048, 0x26, 0, 38, kb},
      {"ArrowRight", 0x4F, 0xE04D, 0x27, 0, 39, kb}, {"ArrowDown", 0x51, 0xE050, 0x28, 0, 40, kb},
      {"Escape", 0x29, 0x01, 0x1B, 0, 27, kb},    {"F1", 0x3A, 0x3B, 0x70, 0, 112, kb},
      {"Semicolon", 0x33, 0x27, 'S', 's', 83, kb}, {"KeyS", 0x16, 0x1F, 'O', 'o', 0, kb},
      {"KeyS", 0x16, 0x1F, 'S', 'S', 83, kb},     {"KeyS", 0x16, 0x1F, 'S', 0, 83, kb},
      {"Semicolon", 0x33, 0x27, 0xBA, 0, 0, kb},
  };
  const auto got = [](KeyEntry key) { return std::make_pair(key.virtualKey, key.source); };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.code << ", label " << int(row.label));
    const auto want = std::make_pair(row.entry, row.source);
    EXPECT_EQ(got(KeyOfCode(row.code, row.label)), want) << "the page";
    EXPECT_EQ(got(KeyOfUsbUsage(row.usb, row.label)), want) << "SDL";
    const auto windows = std::make_pair(row.entry ? row.entry : int(row.vk), row.source);  // a key not read: its own
    EXPECT_EQ(got(KeyOfScanCode(row.scan & 0xFF, row.scan >> 8 == 0xE0, row.vk)), windows) << "Windows";
  }
}

}  // namespace
