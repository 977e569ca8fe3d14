// The seam between Voxra's portable code and the operating system, both ways.
//
// Down: what the portable code (src/app, src/render, src/image, src/cube)
// calls. Each platform layer (src/platform/win32, sdl, web, null) defines
// every function of that part; one layer is linked into each build.
//
// Up: everything a layer may call or write in the portable code, and nothing
// else. A layer includes no other header of the portable code, and no
// platform type crosses this one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// ===========================================================================
// Up: what a layer may touch in the portable code.
//
//   RunVoxra         the program's body: the layer's entry calls it once
//   KeyState[vk]     read; written through PressKey and ReleaseKey (and by
//                    the frame loop through ConsumeKey)
//   KeyOfScanCode, KeyOfUsbUsage, KeyOfCode
//                    a key event's entry, from the layer's own names for the key
//   PressKey, ReleaseKey, ReleaseAllKeys
//                    a key event; ReleaseAllKeys when the window loses the
//                    keyboard focus
//   WindowActive     cleared while the window is minimised, set when restored
//   FullscreenMode   read, and set by OpenGlWindow (cleared when the user
//                    accepts the windowed fallback, and by the page when the
//                    browser leaves fullscreen on its own)
//   ResizeViewport   on a new client size, and once when a window opens
//   SetupGl          once a new window's GL context is current and the window
//                    is shown; a false result fails the open
//   RestoreGl        when a context the browser took away is back, empty
//   ReportOpenError, ReportCloseError, FailOpen, AcceptWindowedFallback
//                    the messages of opening and closing the window
//   kTurnNames, PuzzleSolved, ReplayTurns, PickSticker
//                    for a layer that keeps the player's history (the page):
//                    the turns by number, whether each side shows one slot,
//                    turns applied at once, what lies under a point of the
//                    picture

// Runs Voxra until Escape, the quit message or a failed (re)open, and returns
// the process exit code: the quit message's code, 0 after Escape, 1 after a
// failed open.
int RunVoxra();

extern bool KeyState[256];    // by Win32 virtual-key number; true while held
extern bool WindowActive;     // false while the window is minimised
extern bool FullscreenMode;   // true while the window is (to be) fullscreen

// The virtual-key numbers the game reads.
enum VirtualKey : std::uint8_t {
  VkEscape = 27,
  VkLeft = 37,
  VkUp = 38,
  VkRight = 39,
  VkDown = 40,
  VkS = 83,
  VkNumpad0 = 96,  // keypad digit d is VkNumpad0 + d
  VkF1 = 112,
};

// Which key holds an entry of KeyState. A keypad digit has a second key on a
// laptop, and the page has its on-screen pad: the entry is held while any of
// its keys is.
enum KeySource : std::uint8_t {
  KeyFromKeyboard = 1,  // the key itself, or any key a layer reads by its own code
  KeyFromLaptop = 2,    // the laptop letter or digit printed with a keypad digit
  KeyFromScreen = 4,    // the page's on-screen pad
};

// The keys the game reads by where they sit on the keyboard, whatever the
// layout and NumLock say, in each layer's names for positions. S is read by
// its label instead (IsKeyS).
struct KeyPosition {
  std::uint8_t virtualKey;  // the KeyState entry it holds
  KeySource source;
  std::uint8_t usbUsage;    // the USB HID usage, which is SDL's scancode
  std::uint8_t scanCode;    // WM_KEYDOWN's scan code of the keys Windows reads by
                            // position, sent without the extended bit (the
                            // arrows send the keypad's codes with it); 0 where
                            // it reads its own virtual key
  const char* code;         // KeyboardEvent.code
};

inline constexpr KeyPosition kKeyPositions[] = {
    {VkNumpad0 + 0, KeyFromKeyboard, 0x62, 0x52, "Numpad0"},
    {VkNumpad0 + 1, KeyFromKeyboard, 0x59, 0x4F, "Numpad1"},
    {VkNumpad0 + 2, KeyFromKeyboard, 0x5A, 0x50, "Numpad2"},
    {VkNumpad0 + 3, KeyFromKeyboard, 0x5B, 0x51, "Numpad3"},
    {VkNumpad0 + 4, KeyFromKeyboard, 0x5C, 0x4B, "Numpad4"},
    {VkNumpad0 + 5, KeyFromKeyboard, 0x5D, 0x4C, "Numpad5"},
    {VkNumpad0 + 6, KeyFromKeyboard, 0x5E, 0x4D, "Numpad6"},
    {VkNumpad0 + 7, KeyFromKeyboard, 0x5F, 0x47, "Numpad7"},
    {VkNumpad0 + 8, KeyFromKeyboard, 0x60, 0x48, "Numpad8"},
    {VkNumpad0 + 9, KeyFromKeyboard, 0x61, 0x49, "Numpad9"},
    // A laptop's embedded keypad: 7 8 9 / U I O / J K L / M.
    {VkNumpad0 + 7, KeyFromLaptop, 0x24, 0x08, "Digit7"},
    {VkNumpad0 + 8, KeyFromLaptop, 0x25, 0x09, "Digit8"},
    {VkNumpad0 + 9, KeyFromLaptop, 0x26, 0x0A, "Digit9"},
    {VkNumpad0 + 4, KeyFromLaptop, 0x18, 0x16, "KeyU"},
    {VkNumpad0 + 5, KeyFromLaptop, 0x0C, 0x17, "KeyI"},
    {VkNumpad0 + 6, KeyFromLaptop, 0x12, 0x18, "KeyO"},
    {VkNumpad0 + 1, KeyFromLaptop, 0x0D, 0x24, "KeyJ"},
    {VkNumpad0 + 2, KeyFromLaptop, 0x0E, 0x25, "KeyK"},
    {VkNumpad0 + 3, KeyFromLaptop, 0x0F, 0x26, "KeyL"},
    {VkNumpad0 + 0, KeyFromLaptop, 0x10, 0x32, "KeyM"},
    {VkLeft, KeyFromKeyboard, 0x50, 0, "ArrowLeft"},
    {VkUp, KeyFromKeyboard, 0x52, 0, "ArrowUp"},
    {VkRight, KeyFromKeyboard, 0x4F, 0, "ArrowRight"},
    {VkDown, KeyFromKeyboard, 0x51, 0, "ArrowDown"},
    {VkEscape, KeyFromKeyboard, 0x29, 0, "Escape"},
    {VkF1, KeyFromKeyboard, 0x3A, 0, "F1"},
};

// Where S sits on a US keyboard, in the same names; S is not read there but
// as IsKeyS says (Windows by its own virtual key).
inline constexpr KeyPosition kPositionOfS = {VkS, KeyFromKeyboard, 0x16, 0, "KeyS"};

// S is the key labelled S where the label is a Latin letter, and the key at
// kPositionOfS where it is not (a Cyrillic or Greek layout, or a key with no
// layout, such as the page's pad), which is where Windows puts its own
// virtual key S. `label`: the key's character where it is one ASCII
// character, else 0.
constexpr bool IsKeyS(char label, bool atPositionOfS) {
  const bool latin = (label >= 'a' && label <= 'z') || (label >= 'A' && label <= 'Z');
  return latin ? label == 's' || label == 'S' : atPositionOfS;
}

// The KeyState entry a key event holds (0: a key the game does not read),
// and which of the entry's keys it is.
struct KeyEntry {
  int virtualKey;
  KeySource source;
};

// The entry of the table's first position that `isKey` names, else entry
// `otherwise` of the keyboard.
template <typename IsKey>
KeyEntry FindKeyPosition(IsKey isKey, int otherwise) {
  for (const KeyPosition& position : kKeyPositions) {
    if (isKey(position)) return {position.virtualKey, position.source};
  }
  return {otherwise, KeyFromKeyboard};
}

// Each layer's translation, from its own names for the key.
// Windows: WM_KEYDOWN's scan code and extended bit, and its virtual key,
// which names every key outside the table (S included: Windows's virtual keys
// already follow IsKeyS).
inline KeyEntry KeyOfScanCode(unsigned scanCode, bool extended, std::uintptr_t virtualKey) {
  return FindKeyPosition(
      [&](const KeyPosition& p) { return !extended && p.scanCode != 0 && p.scanCode == scanCode; },
      virtualKey < 256 ? static_cast<int>(virtualKey) : 0);
}
// SDL: the scancode (a USB usage) and the key code's character.
inline KeyEntry KeyOfUsbUsage(unsigned usage, char label) {
  return FindKeyPosition([&](const KeyPosition& p) { return p.usbUsage == usage; },
                         IsKeyS(label, usage == kPositionOfS.usbUsage) ? VkS : 0);
}
// The page: KeyboardEvent.code, and KeyboardEvent.key's character.
inline KeyEntry KeyOfCode(const char* code, char label) {
  return FindKeyPosition([&](const KeyPosition& p) { return std::strcmp(p.code, code) == 0; },
                         IsKeyS(label, std::strcmp(code, kPositionOfS.code) == 0) ? VkS : 0);
}

// A key of `source` went down (a repeat re-sets it) or came up; KeyState[vk]
// is held while any source holds it. vk >= 256 is ignored.
void PressKey(int vk, KeySource source);
void ReleaseKey(int vk, KeySource source);
// The entry cleared and let go by all its keys, so that only a new key-down
// sets it again: F1, once the frame loop has acted on it.
void ConsumeKey(int vk);
// Every key released: the window lost the keyboard focus, so the releases
// that follow go elsewhere.
void ReleaseAllKeys();

// A key pressed while Alt is held and Ctrl is not (AltGr is Ctrl+Alt) comes
// as a system key, which leaves KeyState alone; its release still counts.
inline bool IsSystemKeyPress(bool altHeld, bool ctrlHeld) { return altHeld && !ctrlHeld; }

// Sets the viewport and a 45-degree perspective for a client area of the
// given size (a height of 0 counts as 1).
void ResizeViewport(int width, int height);

// Loads the textures and sets the GL state of a new context; seeds the
// scramble's random generator and applies the solved colouring. False when the
// required texture could not be loaded.
bool SetupGl();

// Makes anew what a context lost and given back empty held (the page's WebGL
// context, taken away by the browser): loads the textures, sets the GL state
// of SetupGl and the viewport for a client area of the given size. The puzzle,
// the view and the random generator are kept. False when the required texture
// could not be loaded.
bool RestoreGl(int width, int height);

// An "ERROR" box for a step of opening that failed.
void ReportOpenError(const char* text);
// A "SHUTDOWN ERROR" box for a release that failed; closing goes on.
void ReportCloseError(const char* text);
// Tears down what was built so far, then reports the failed step. Always false.
bool FailOpen(const char* text);
// The fullscreen mode was refused: asks whether to go on windowed. Yes clears
// FullscreenMode and returns true; otherwise tells the user the program
// closes and returns false.
bool AcceptWindowedFallback();

// The puzzle's turns by number, as the play update makes them and
// PuzzleChanged reports them: 0..17 a quarter turn of one slab (axis 0 X,
// 1 Y, 2 Z; slab -1, 0 or +1 on it; sense +90 or -90 by the right-hand rule)
// and the keypad chord that makes it; 18 and 19 the whole cube about Y, +90
// and -90 (made by the view's spin; no chord). Turn 2k and 2k + 1 undo each
// other.
struct TurnName {
  std::int8_t axis, slab;
  std::int16_t sense;
  std::uint8_t chord[2];  // keypad digits
};
constexpr int kLayerTurnCount = 18;
constexpr int kCubeTurnPlus = 18, kCubeTurnMinus = 19, kTurnNameCount = 20;
inline constexpr TurnName kTurnNames[kTurnNameCount] = {
    {0, +1, -90, {6, 9}}, {0, +1, +90, {6, 3}}, {1, -1, +90, {2, 3}}, {1, -1, -90, {2, 1}},
    {0, -1, -90, {4, 7}}, {0, -1, +90, {4, 1}}, {1, +1, +90, {8, 9}}, {1, +1, -90, {8, 7}},
    {0, 0, -90, {5, 8}},  {0, 0, +90, {5, 2}},  {1, 0, +90, {5, 6}},  {1, 0, -90, {5, 4}},
    {2, -1, +90, {0, 7}}, {2, -1, -90, {0, 9}}, {2, 0, +90, {0, 4}},  {2, 0, -90, {0, 6}},
    {2, +1, +90, {0, 1}}, {2, +1, -90, {0, 3}}, {1, 2, +90, {0, 0}},  {1, 2, -90, {0, 0}},
};

// True when each of the puzzle's six sides shows one slot, whichever it is.
bool PuzzleSolved();

// Applies turns (numbers of kTurnNames) at once, without animation, through
// the model's own turns. False, and nothing applied, when a turn is running
// or any number is out of range.
bool ReplayTurns(const std::uint8_t* turns, int count);

// What lies under a point of the last drawn picture.
struct StickerPick {
  int cubie;       // its index into the cube state
  int face;        // the face of that cubie (CubieFace order: front, back, top, bottom, right, left)
  int normalAxis;  // that face's outward normal: its axis (0 X, 1 Y, 2 Z)
  int outward;     // and its sign, +1 or -1
  float at[3];     // the point, in puzzle units (the puzzle spans -1.5..1.5 on each axis)
  // The picture's pixels per puzzle unit along +X, +Y and +Z at that point:
  // a sticker's edges as drawn, however the view is spun and tilted.
  float axisOnScreen[3][2];
};
// x, y in pixels of the client area, from its top left corner. False off the
// puzzle (the backdrop, or the black around it).
bool PickSticker(float x, float y, StickerPick* pick);

// ===========================================================================
// Down: the puzzle's changes, for a layer that keeps the player's history.

constexpr int kSolvedColouring = 20;  // a change that is no turn: a new window made it solved

// After each committed turn (its number in kTurnNames; `byScramble` when the
// scramble made it) and after a new window's solved colouring. The desktop
// layers leave it empty.
void PuzzleChanged(int change, bool byScramble);

// ===========================================================================
// Down: the window.

// Opens the one GL window with a client area of width x height, makes its
// context current, sets the viewport and runs SetupGl. False after the failure
// has been reported to the user in a message box.
bool OpenGlWindow(const char* title, int width, int height, int bits, bool fullscreen);

// Releases everything OpenGlWindow obtained; safe on a partly opened window.
void CloseGlWindow();

enum class PumpResult {
  Empty,    // no message was waiting: an idle pass
  Handled,  // one message was taken and dispatched
  Quit,     // the quit message was taken
};

// Takes at most one message from the queue and dispatches it. `lastParam`
// receives the parameter of every message taken (the quit message's exit code).
PumpResult PumpOneMessage(std::intptr_t* lastParam);

// Presents the back buffer of the current window.
void SwapGlBuffers();

// ---------------------------------------------------------------------------
// Down: clocks, and sleeping.

// The high-resolution counter's frequency in ticks per second; false (and 0)
// when there is none.
bool QueryCounterFrequency(std::int64_t* frequency);
// The counter's current value in ticks.
bool QueryCounter(std::int64_t* count);
// Milliseconds since some fixed point (system start), wrapping at 2^32.
std::uint32_t TickCountMs();
// Lets the calling thread sleep for about `ticks` of the counter, without
// using the processor. It may wake a little late, or early (a layer that
// cannot sleep there returns at once): the frame timer sleeps only through
// the part of a wait well before its deadline and spins on the counter for
// the rest.
void SleepForTicks(std::int64_t ticks);

// ---------------------------------------------------------------------------
// Down: read-only file mapping, all bytes of a file in memory until unmapped.

struct MappedFile;  // opaque, owned by the layer

enum class MapResult {
  Mapped,
  NotOpened,  // missing, or not a regular file
  NotMapped,  // opened, but not mapped or viewed (an empty file cannot be mapped)
};

// A mapped file: its bytes stay valid until UnmapFile(file).
struct FileView {
  MappedFile* file = nullptr;
  const std::uint8_t* bytes = nullptr;
  std::size_t length = 0;
};

// Opens and maps the whole file named by a NUL-terminated path; on Mapped,
// *view holds it until UnmapFile(view->file), and is empty otherwise. Never
// blocks on a device or a pipe.
MapResult MapFileReadOnly(const char* name, FileView* view);
void UnmapFile(MappedFile* file);

// ---------------------------------------------------------------------------
// Down: DIB conversion.

// Compression codes of the info header.
enum DibCompression : std::uint32_t {
  DibRgb = 0,
  DibRle8 = 1,
  DibRle4 = 2,
  DibBitfields = 3,
};

// Everything a conversion needs to know about one DIB file, read and checked
// once by image/dib_format.h. The pointers lie inside the file's bytes, which
// must outlive the description; every span they name is inside the file.
struct DibDescription {
  std::int32_t width = 0;
  std::int32_t height = 0;              // negative: rows stored top row first
  std::uint16_t planes = 0;
  std::uint16_t bitsPerPixel = 0;
  std::uint32_t compression = DibRgb;
  std::uint32_t imageSize = 0;          // as stored, or computed when 0
  std::uint32_t colorsUsed = 0;         // as stored, or the table's entries when 0
  std::uint32_t masks[3] = {0, 0, 0};   // red, green, blue (bit-field files)
  const std::uint8_t* table = nullptr;  // the colour table as stored
  std::uint16_t tableEntries = 0;       // DibColorCount of the header
  std::uint8_t entryBytes = 4;          // 3 in a core-header file, else 4
  const std::uint8_t* bits = nullptr;   // the pixel data
  std::size_t bitsLength = 0;           // bytes from `bits` to the end of the file

  // The number of rows, whatever their order.
  std::size_t Rows() const {
    return height < 0 ? 0 - static_cast<std::size_t>(height) : static_cast<std::size_t>(height);
  }
};

enum class DibConvertResult {
  Ok,
  OutOfMemory,      // no context, no target header, no section, or no selection
  ConversionError,  // the conversion converted no rows
};

// Renders the described pixels into `rgb`: 3 * width * |height| bytes of
// tightly packed red, green, blue rows, bottom row first whatever the file's
// order. GDI on Windows; every other layer links the portable converter
// (image/dib_rows.h).
DibConvertResult ConvertDibToRgb(const DibDescription& dib, std::uint8_t* rgb);

// ---------------------------------------------------------------------------
// Down: message boxes.

enum class MessageIcon { None, Exclamation, Stop, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageOwner {
  None,   // no owner window
  Focus,  // the window that has the keyboard focus, if any
};
enum class MessageAnswer { Ok, Yes, No };

// Shows a modal message box and returns the button pressed.
MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner);
