// The seam between Voxra's portable code and the operating system, both ways.
//
// Down: what the portable code (src/app, src/cube, src/render, src/image)
// calls. Each platform layer (src/platform/win32, sdl, web) defines every
// function of that part; one layer is linked into each build, and the null
// layer in tests/support stands in for it in the tests and the fuzzer.
//
// Up: everything a layer may call or write in the portable code, and nothing
// else. No platform type crosses this header.
#pragma once

#include <cstddef>
#include <cstdint>

struct DibDescription;  // image/dib_format.h

// ===========================================================================
// Up: what a layer may touch in the portable code.
//
//   KeyState[vk]     set on a key press, cleared on its release whatever the
//                    modifiers (vk < 256); all cleared when the window loses
//                    the keyboard focus
//   WindowActive     cleared while the window is minimised, set when restored
//   FullscreenMode   read, and set by OpenGlWindow (cleared when the user
//                    accepts the windowed fallback)
//   ResizeViewport   on a new client size, and once when a window opens
//   SetupGl          once a new window's GL context is current and the window
//                    is shown; a false result fails the open
//   ReportOpenError, ReportCloseError, FailOpen, AcceptWindowedFallback:
//                    the open and close messages (platform/window_reports.h)

extern bool KeyState[256];    // by Win32 virtual-key code; true while held
extern bool WindowActive;     // false while the window is minimised
extern bool FullscreenMode;   // true while the window is (to be) fullscreen

void ResizeViewport(int width, int height);  // render/gl_scene.cpp
bool SetupGl();                              // render/gl_scene.cpp

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
// Down: clocks.

// The high-resolution counter's frequency in ticks per second; false (and 0)
// when there is none.
bool QueryCounterFrequency(std::int64_t* frequency);
// The counter's current value in ticks.
bool QueryCounter(std::int64_t* count);
// Milliseconds since some fixed point (system start), wrapping at 2^32.
std::uint32_t TickCountMs();

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

enum class DibConvertResult {
  Ok,
  OutOfMemory,      // no context, no target header, no section, or no selection
  ConversionError,  // the conversion converted no rows
};

// Renders the described pixels into `rgb`: 3 * width * |height| bytes of
// tightly packed red, green, blue rows, bottom row first whatever the file's
// order. GDI on Windows, the portable converter (image/dib_rows.h) elsewhere.
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
