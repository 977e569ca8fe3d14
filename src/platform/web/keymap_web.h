// Keyboard translation for the page: KeyboardEvent.code (the key's position,
// whatever the layout and NumLock say) to the Win32 virtual-key numbers that
// index KeyState, the same numbers the SDL layer produces.
#pragma once

#include <cstdint>
#include <cstring>

namespace keymap_web {

struct CodePair {
  const char* code;
  std::uint8_t virtualKey;
};

// Keys whose codes do not follow a pattern. Modifiers map to the side-neutral
// codes, as WM_KEYDOWN carries them; the keypad Enter is VK_RETURN.
constexpr CodePair kNamedKeys[] = {
    {"Enter", 13}, {"Escape", 27}, {"Backspace", 8}, {"Tab", 9}, {"Space", 32},
    {"Minus", 189}, {"Equal", 187}, {"BracketLeft", 219}, {"BracketRight", 221},
    {"Backslash", 220}, {"Semicolon", 186}, {"Quote", 222}, {"Backquote", 192},
    {"Comma", 188}, {"Period", 190}, {"Slash", 191}, {"IntlBackslash", 226},
    {"CapsLock", 20}, {"PrintScreen", 44}, {"ScrollLock", 145}, {"Pause", 19},
    {"Insert", 45}, {"Home", 36}, {"PageUp", 33}, {"Delete", 46}, {"End", 35},
    {"PageDown", 34}, {"ArrowRight", 39}, {"ArrowLeft", 37}, {"ArrowDown", 40},
    {"ArrowUp", 38}, {"NumLock", 144}, {"NumpadDivide", 111}, {"NumpadMultiply", 106},
    {"NumpadSubtract", 109}, {"NumpadAdd", 107}, {"NumpadEnter", 13}, {"NumpadDecimal", 110},
    {"NumpadComma", 110}, {"NumpadEqual", 146}, {"NumpadClear", 12}, {"ShiftLeft", 16},
    {"ShiftRight", 16}, {"ControlLeft", 17}, {"ControlRight", 17}, {"AltLeft", 18},
    {"AltRight", 18}, {"MetaLeft", 91}, {"MetaRight", 92}, {"ContextMenu", 93},
    {"Sleep", 95}, {"Help", 47}, {"Select", 41},
};

// "<prefix><one digit or letter>" as an offset from `first`, or -1.
inline int PatternKey(const char* code, const char* prefix, char low, char high) {
  const std::size_t length = std::strlen(prefix);
  if (std::strncmp(code, prefix, length) != 0) return -1;
  const char c = code[length];
  return c >= low && c <= high && code[length + 1] == '\0' ? c - low : -1;
}

// The virtual-key number of a key by its KeyboardEvent.code; 0 for keys
// without one.
inline int VirtualKeyFromCode(const char* code) {
  int offset = -1;
  if ((offset = PatternKey(code, "Key", 'A', 'Z')) >= 0) return 'A' + offset;
  if ((offset = PatternKey(code, "Digit", '0', '9')) >= 0) return '0' + offset;
  if ((offset = PatternKey(code, "Numpad", '0', '9')) >= 0) return 96 + offset;
  if (code[0] == 'F' && code[1] >= '1' && code[1] <= '9') {  // F1 .. F24
    const int number = code[2] == '\0' ? code[1] - '0'
                       : code[3] == '\0' && code[2] >= '0' && code[2] <= '9'
                           ? (code[1] - '0') * 10 + code[2] - '0'
                           : 0;
    if (number >= 1 && number <= 24) return 111 + number;
  }
  for (const CodePair& pair : kNamedKeys) {
    if (std::strcmp(code, pair.code) == 0) return pair.virtualKey;
  }
  return 0;
}

// True when Windows would deliver the key as a system key (F10, Alt itself,
// any key while Alt is held and Ctrl is not): such keys leave KeyState alone.
inline bool IsSystemKey(int virtualKey, bool altHeld, bool ctrlHeld) {
  if (virtualKey == 121) return true;  // F10
  if (ctrlHeld) return false;          // AltGr is Ctrl+Alt
  return virtualKey == 18 || altHeld;
}

}  // namespace keymap_web
