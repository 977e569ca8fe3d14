// The seam between Voxra's portable code and the operating system.
//
// Everything the portable code (src/app, src/cube, src/render, src/image)
// needs from the platform is declared here, and nothing else. Each platform
// layer (src/platform/win32, src/platform/sdl) is a set of .cpp files that
// define these functions; one layer is linked into each build. No platform
// type crosses this header.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Shared window state (defined in window_state.cpp, written by the layer's
// window procedure or event pump, read by the frame loop and the controls).

extern bool KeyState[256];    // by Win32 virtual-key code; true while held
extern bool WindowActive;     // false while the window is minimised
extern bool FullscreenMode;   // true while the window is (to be) fullscreen

// Virtual-key codes the portable code reads.
enum VirtualKey : int {
  VkEscape = 27,
  VkLeft = 37,
  VkUp = 38,
  VkRight = 39,
  VkDown = 40,
  VkS = 83,
  VkNumpad0 = 96,  // keypad digit d is VkNumpad0 + d
  VkF1 = 112,
};

// ---------------------------------------------------------------------------
// The window.

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
// Clocks.

// The high-resolution counter's frequency in ticks per second; false (and 0)
// when there is none.
bool QueryCounterFrequency(std::int64_t* frequency);
// The counter's current value in ticks.
bool QueryCounter(std::int64_t* count);
// Milliseconds since some fixed point (system start), wrapping at 2^32.
std::uint32_t TickCountMs();

// ---------------------------------------------------------------------------
// Read-only file mapping: all bytes of a file, in memory, until unmapped.

struct MappedFile;  // opaque, owned by the layer

// Opens and maps the whole file named by a NUL-terminated path. Null when the
// file cannot be opened, mapped or viewed (an empty file cannot be mapped).
MappedFile* MapFileReadOnly(const char* name);
const std::uint8_t* MappedBytes(const MappedFile* file);
std::size_t MappedLength(const MappedFile* file);
void UnmapFile(MappedFile* file);

// ---------------------------------------------------------------------------
// DIB conversion into a 24-bit section.

struct DibSection;  // opaque, owned by the layer

enum class DibConvertResult {
  Ok,
  OutOfMemory,      // no context, no target header, no section, or no selection
  ConversionError,  // the conversion converted no rows
};

// Renders a packed DIB into a new 24-bit section of the same width and height
// (sign kept). `info` is a 40-byte info header followed by its colour table
// (and, for bit-field files, the three masks first), `infoLength` bytes in
// all; `bits` and `bitsLength` are the pixel data, which the caller has
// checked to be long enough. All |height| rows are converted. On Ok,
// *section holds rows of blue, green, red bytes, each row filled to a multiple
// of 4 bytes, in the source's row order.
DibConvertResult ConvertDibTo24(const void* info, std::size_t infoLength, const void* bits,
                                std::size_t bitsLength, DibSection** section);
const std::uint8_t* DibSectionBits(const DibSection* section);
void ReleaseDibSection(DibSection* section);

// Renders a packed DIB (arguments as for ConvertDibTo24) straight into a new
// block of tightly packed rows of red, green, blue bytes, 3 * width per row,
// bottom row first whatever the source's order. False in a layer that
// converts only into sections: it obtains nothing, and the caller converts
// with ConvertDibTo24. Otherwise true with *result: Ok with *rgb holding the
// rows in a block from malloc that the caller frees, or OutOfMemory, or
// ConversionError (as ConvertDibTo24 would return them).
bool ConvertDibToRgb(const void* info, std::size_t infoLength, const void* bits,
                     std::size_t bitsLength, std::uint8_t** rgb, DibConvertResult* result);

// ---------------------------------------------------------------------------
// Message boxes.

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
