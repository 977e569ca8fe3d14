// The null platform layer: the whole seam without a window system, for the
// game's tests. It records what the portable code asked of it (windows,
// swaps, message boxes), replays scripted messages, clocks and answers, and
// maps files and converts bitmaps as the SDL layer does.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "seam/platform.h"

struct NullWindow {
  std::string title;
  int width, height;
  bool fullscreen;
};

struct NullMessageBox {
  std::string text, caption;
  MessageButtons buttons;
  MessageIcon icon;
  MessageOwner owner;
};

// One scripted message: a key going down or up (written to KeyState as a
// window procedure would), or the quit message with its exit code.
struct NullMessage {
  enum Kind { KeyDown, KeyUp, Quit } kind;
  int value;  // the virtual key, or the exit code
  KeySource source = KeyFromKeyboard;  // which of the entry's keys
};

struct NullPlatformState {
  // Recorded.
  std::vector<NullWindow> windows;  // every OpenGlWindow call
  int closes = 0;
  std::vector<NullMessageBox> boxes;
  std::int64_t slept = 0;  // the ticks asked of every sleep, together
  // Scripted.
  std::deque<NullMessage> messages;  // PumpOneMessage takes one per call
  std::function<void()> onSwap;      // runs after each swap, e.g. to press keys
  bool runSetupGl = false;           // OpenGlWindow runs ResizeViewport and SetupGl
                                     // in the caller's current GL context
  bool refuseFullscreen = false;     // the display takes no fullscreen mode
  std::deque<MessageAnswer> answers;  // to Yes/No boxes, in turn; Yes when none is left
  const char* closeFailure = nullptr;  // CloseGlWindow reports this release as failed
  std::uint32_t tickCount = 0;       // what TickCountMs reads
  std::int64_t frequency = 1000000;
  std::int64_t counter = 0;
  std::int64_t counterStep = 0;  // added after each reading; 0 stops the clock, so a
                                 // paced frame would wait for ever
  std::int64_t sleepLate = 0;    // a sleep moves the counter on by the ticks asked and this
};

extern NullPlatformState NullPlatform;

// Back to the start state, KeyState, WindowActive and FullscreenMode included.
void ResetNullPlatform();
