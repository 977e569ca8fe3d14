// The page layer: Voxra in a browser, built with Emscripten.
//
// The window is the page's canvas, filling the page's stage. Its WebGL
// context is the one the page made as it started (page_start.js), taken on by
// Emscripten's fixed-function GL emulation (CreatePageContext). Keys come from
// the DOM by KeyboardEvent.code and from the page's on-screen pad
// (VoxraPadKey), the message boxes are the page's own dialogs, the counter is
// performance.now(), and the portable frame loop runs unchanged: with
// ASYNCIFY the loop gives the browser its turn once per frame, inside
// SwapGlBuffers (see there). Files (the Data files are packed into the page's
// in-memory file system) and their conversion are the POSIX ones,
// platform/posix/files_posix.cpp.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>

#include "seam/platform.h"

// ---------------------------------------------------------------------------
// The page's side, in JavaScript.

// Waits for the browser's next animation frame, which is when it presents
// what the frame loop drew. A hidden page gets no animation frames: a timer
// keeps the loop (and a turn in progress) going there, as on a minimised
// window.
EM_ASYNC_JS(void, WaitForNextFrame, (), {
  await new Promise(function(resume) {
    var timer = setTimeout(resume, 250);
    requestAnimationFrame(function() {
      clearTimeout(timer);
      resume();
    });
  });
});

// Asks for fullscreen on the game's area (#game: the canvas with the on-screen
// pad, so a touch screen keeps its keys), or on the bare canvas of a page
// without one; 1 when granted. A browser that refuses (no recent key press or
// tap, a frame without permission, no Fullscreen API) or does not answer
// within two seconds counts as a refused display mode; a grant that comes
// after that is undone. Every promise is settled here, so no rejection is
// left unhandled whatever the answer.
EM_ASYNC_JS(int, EnterPageFullscreen, (), {
  var area = document.getElementById("game") || Module["canvas"];
  var late = false;
  var timer = 0;
  var granted = await new Promise(function(answer) {
    timer = setTimeout(function() {
      late = true;
      answer(false);
    }, 2000);
    try {
      area.requestFullscreen({navigationUI : "hide"}).then(function() {
        if (late && document.fullscreenElement) document.exitFullscreen().catch(function() {});
        answer(true);
      }, function() { answer(false); });
    } catch (refused) {
      answer(false);
    }
  });
  clearTimeout(timer);
  if (!granted) return 0;
  // Escape is the game's key, as in a fullscreen window: ask the browser to
  // pass it on instead of leaving fullscreen with it (Chromium only).
  if (navigator.keyboard && navigator.keyboard.lock) {
    navigator.keyboard.lock([ "Escape" ]).catch(function() {});
  }
  Module["canvas"].style.cursor = "none";
  return 1;
});

// The rest of the page's side, in page_layer.js: what each does is said there.
extern "C" {
void LeavePageFullscreen();
void ShowCanvas(const char* title, int shown);
int CreatePageContext();
void AdaptPageContext();
void RemakePageContext();
void ShowLostContextNote(int shown);
int ShowPageDialog(const char* text, const char* caption, int yesNo);
void ShowEndedPage(int exitCode, const char* reason, const char* detail);
std::uint32_t WallClockMs();
void FitCanvasToStage(int* size);
}

// ---------------------------------------------------------------------------
// The window.

namespace {

enum class PageEventType : std::uint8_t {
  KeyDown, KeyUp, FocusLost, Hidden, Shown, ContextLost, ContextRestored
};

struct PageEvent {
  PageEventType type;
  std::uint8_t virtualKey;
  KeySource source;
};

// The window's client area is the stage, the part of the page the game
// fills. Its size changes with the screen (resized, rotated, another pixel
// density), with fullscreen, and when the page shows or hides its pad or
// legend; the page then calls VoxraStageChanged. The browser may also leave
// fullscreen on its own (Escape without the keyboard lock, F11, a system
// gesture). Both wait for the pump, which takes them as messages, as WM_SIZE
// is taken on Windows.
// The browser can also take the canvas's WebGL context away (a phone short of
// memory, a GPU reset) and give it back empty; meanwhile nothing is drawn.
struct PageWindowState {
  std::deque<PageEvent> pending;  // what the DOM reported, one taken per pass
  bool open = false;               // from a successful open to the next close
  bool stageChanged = false;       // the stage changed size since the pump took it
  bool fullscreenChanged = false;  // the page entered or left fullscreen since
  bool hidden = false;             // the page is hidden (another tab, minimised)
  bool contextLost = false;        // the context is away, from the pump's point of view
  std::uint32_t lostAtMs = 0;      // TickCountMs when the pump took its loss
  bool lostNoteShown = false;      // the page says that the context is away
  std::string stopReason;          // the last "ERROR" message: why an open failed
  const char* stopDetail = "";     // what the page knows of that failure's cause
};

PageWindowState PageWindow;

// A key is read by KeyboardEvent.code, and S by its label, KeyboardEvent.key,
// where that is one ASCII character. A key pressed under Alt is a system key, which leaves KeyState alone, as on
// Windows; every release clears its key whatever the modifiers, so none stays
// held because Alt went down before it came up. The browser's own use of the
// game's keys (scrolling, help, leaving fullscreen) is stopped, but for its
// shortcuts under Ctrl or Meta (Ctrl+L, Ctrl+7, ...).
EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent* event, void*) {
  const char* label = event->key;
  const KeyEntry key = KeyOfCode(event->code, label[0] != '\0' && label[1] == '\0' ? label[0] : '\0');
  const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
  if (key.virtualKey == 0 || (down && IsSystemKeyPress(event->altKey, event->ctrlKey))) {
    return EM_FALSE;
  }
  const auto type = down ? PageEventType::KeyDown : PageEventType::KeyUp;
  PageWindow.pending.push_back({type, static_cast<std::uint8_t>(key.virtualKey), key.source});
  return event->ctrlKey || event->metaKey ? EM_FALSE : EM_TRUE;  // EM_TRUE: preventDefault
}

// A page that loses the focus never hears of the keys released meanwhile:
// all are let go.
EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
  PageWindow.pending.push_back({PageEventType::FocusLost, 0, KeyFromKeyboard});
  return EM_FALSE;
}

// The browser entered or left fullscreen; taken by the pump (TakeFullscreenChange).
EM_BOOL OnFullscreenChange(int, const EmscriptenFullscreenChangeEvent*, void*) {
  PageWindow.fullscreenChanged = true;
  return EM_FALSE;
}

// A hidden page (another tab, a minimised browser) is a minimised window.
EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*) {
  PageWindow.pending.push_back(
      {event->hidden ? PageEventType::Hidden : PageEventType::Shown, 0, KeyFromKeyboard});
  return EM_FALSE;
}

void ListenToPage() {
  const char* page = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(page, nullptr, true, OnKey);
  emscripten_set_keyup_callback(page, nullptr, true, OnKey);
  emscripten_set_blur_callback(page, nullptr, true, OnBlur);
  emscripten_set_visibilitychange_callback(nullptr, true, OnVisibility);
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, true,
                                           OnFullscreenChange);
  EmscriptenVisibilityChangeEvent visibility;
  if (emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS) {
    PageWindow.hidden = visibility.hidden;
  }
  WindowActive = !PageWindow.hidden;
}

// The window draws while the page is shown and its context is there.
void UpdateActivity() { WindowActive = !PageWindow.hidden && !PageWindow.contextLost; }

// The page's note that the context is away, shown in place of the picture or taken down.
void SayContextAway(bool shown) {
  if (shown != PageWindow.lostNoteShown) ShowLostContextNote(shown ? 1 : 0);
  PageWindow.lostNoteShown = shown;
}

// The context is back, empty: the GL emulation's own buffers and programs and
// the game's textures, GL state and viewport are made anew; the puzzle, the
// view and the scramble's sequence are kept. False when the required texture
// could not be loaded again (reported, as at an open).
bool TakeContextBack() {
  PageWindow.contextLost = false;
  UpdateActivity();
  SayContextAway(false);
  RemakePageContext();
  if (!PageWindow.open) return true;  // the next open sets the rest up
  int size[2] = {0, 0};
  FitCanvasToStage(size);
  if (RestoreGl(size[0], size[1])) return true;
  ReportOpenError("Initialization Failed.");
  return false;
}

// How long the context may be away before the page says so.
constexpr std::uint32_t kLostContextNoteMs = 3000;

// A new client size: the canvas follows the stage and the projection the
// canvas, as after WM_SIZE.
bool TakeStageChange() {
  if (!PageWindow.stageChanged || !PageWindow.open) return false;
  PageWindow.stageChanged = false;
  int size[2] = {0, 0};
  FitCanvasToStage(size);
  ResizeViewport(size[0], size[1]);
  return true;
}

// Fullscreen left by the browser, not by F1: the page is windowed again (the
// cursor shown, the keyboard unlocked; the stage's new size follows as its
// own message), and FullscreenMode says so, so the next F1 asks for
// fullscreen again rather than for the windowed mode already shown. The
// puzzle is left as it is: only F1 reopens the window. The mode is read when
// the message is taken, not when the event came, so a request granted since
// then is not undone.
bool TakeFullscreenChange() {
  if (!PageWindow.fullscreenChanged) return false;
  PageWindow.fullscreenChanged = false;
  EmscriptenFullscreenChangeEvent status;
  const bool fullscreen = emscripten_get_fullscreen_status(&status) == EMSCRIPTEN_RESULT_SUCCESS &&
                          status.isFullscreen;
  if (FullscreenMode && !fullscreen) {
    FullscreenMode = false;
    LeavePageFullscreen();
  }
  return true;
}


}  // namespace

// Called by the page when the stage may have changed size.
extern "C" EMSCRIPTEN_KEEPALIVE void VoxraStageChanged() { PageWindow.stageChanged = true; }

// Called by the page when the browser took the canvas's context away
// (restored == 0) or gave it back; queued, so the pump takes each in turn.
extern "C" EMSCRIPTEN_KEEPALIVE void VoxraContextChanged(int restored) {
  const auto type = restored ? PageEventType::ContextRestored : PageEventType::ContextLost;
  PageWindow.pending.push_back({type, 0, KeyFromKeyboard});
}

// A key of the page's on-screen pad, named by the KeyboardEvent.code it
// stands for, pressed (down != 0) or released: queued as that key of the
// keyboard would be, as the pad's own, so the pad and the keyboard holding
// one key do not release each other. The pad has no layout: its keys are
// read where they sit, S too.
extern "C" EMSCRIPTEN_KEEPALIVE void VoxraPadKey(const char* code, int down) {
  const int virtualKey = KeyOfCode(code, '\0').virtualKey;
  if (virtualKey == 0) return;
  const auto type = down ? PageEventType::KeyDown : PageEventType::KeyUp;
  PageWindow.pending.push_back({type, static_cast<std::uint8_t>(virtualKey), KeyFromScreen});
}

// The colour request (bits) has no meaning for WebGL, which gives 8 bits a
// channel; the depth buffer, 16 bits or more, and no alpha or stencil are the
// page's (page_start.js).
bool OpenGlWindow(const char* title, int width, int height, int /*bits*/, bool fullscreen) {
  FullscreenMode = fullscreen;
  // The display mode of a page is its game's area filling the screen, the
  // canvas sized to it as to any stage. It is asked for before the window
  // exists, as ChangeDisplaySettings is.
  if (FullscreenMode) {
    ShowCanvas(title, 1);  // a hidden canvas cannot go fullscreen on a page without #game
    if (!EnterPageFullscreen()) {
      ShowCanvas(title, 0);
      if (!AcceptWindowedFallback()) return false;  // nothing was made
    }
  }

  if (!CreatePageContext()) {
    PageWindow.stopDetail = "The browser gives this page no WebGL (turned off or not supported).";
    return FailOpen("Can't Create A GL Rendering Context.");
  }
  AdaptPageContext();

  ShowCanvas(title, 1);
  ResizeViewport(width, height);
  if (!SetupGl()) return FailOpen("Initialization Failed.");
  // The window opens at the size asked for, then takes the stage's, as a
  // window manager that fits new windows to the screen would do.
  PageWindow.open = true;
  PageWindow.stageChanged = true;
  return true;
}

// The page keeps its one WebGL context for every window, where Windows makes a
// new one per window.
void CloseGlWindow() {
  PageWindow.open = false;
  PageWindow.lostNoteShown = false;  // the next open shows the canvas, and the note again
  if (FullscreenMode) LeavePageFullscreen();
  ShowCanvas("", 0);
}

PumpResult PumpOneMessage(std::intptr_t* lastParam) {
  // The window's own changes come before the queued events, as one message each.
  if (TakeStageChange() || TakeFullscreenChange()) {
    *lastParam = 0;
    return PumpResult::Handled;
  }
  if (PageWindow.pending.empty()) return PumpResult::Empty;
  const PageEvent event = PageWindow.pending.front();
  PageWindow.pending.pop_front();
  *lastParam = event.virtualKey;
  switch (event.type) {
    case PageEventType::KeyDown: PressKey(event.virtualKey, event.source); break;  // repeats re-set it
    case PageEventType::KeyUp: ReleaseKey(event.virtualKey, event.source); break;
    case PageEventType::FocusLost: ReleaseAllKeys(); break;
    case PageEventType::Hidden:
    case PageEventType::Shown:
      PageWindow.hidden = event.type == PageEventType::Hidden;
      UpdateActivity();
      break;
    case PageEventType::ContextLost:
      PageWindow.contextLost = true;
      PageWindow.lostAtMs = TickCountMs();
      UpdateActivity();
      break;
    case PageEventType::ContextRestored:
      if (!TakeContextBack()) {
        *lastParam = 1;  // as after a failed open
        return PumpResult::Quit;
      }
      break;
  }
  return PumpResult::Handled;
}

// The browser presents a WebGL canvas only when script gives control back to
// it, so the swap is where the loop yields: the frame just drawn is shown
// exactly once, the events of the wait are queued for the next passes, and
// the message pump stays a plain read of the queue. The loop calls this on
// every idle pass, drawn or not, so it yields on every one. A context away for
// a few seconds is said so on the page, in place of the picture.
void SwapGlBuffers() {
  WaitForNextFrame();
  if (PageWindow.contextLost && PageWindow.open && TickCountMs() - PageWindow.lostAtMs >= kLostContextNoteMs)
    SayContextAway(true);
}

// ---------------------------------------------------------------------------
// Clocks: the counter is performance.now() in microseconds.

bool QueryCounterFrequency(std::int64_t* frequency) {
  *frequency = 1000000;
  return true;
}

bool QueryCounter(std::int64_t* count) {
  *count = static_cast<std::int64_t>(emscripten_get_now() * 1000.0);
  return true;
}

std::uint32_t TickCountMs() { return WallClockMs(); }

// The page does not sleep inside a frame: its thread cannot block without
// handing the browser its turn, and a turn there would present the frame
// before its deadline and split the frame's one yield in two. The loop
// already sleeps once a frame, until the next animation frame, in
// SwapGlBuffers; whatever the frame timer waits beyond that, it spins.
void SleepForTicks(std::int64_t) {}

// ---------------------------------------------------------------------------
// Message boxes. The icon has no place in a page dialog; the owner is always
// the page.

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon, MessageOwner) {
  if (std::strcmp(caption, "ERROR") == 0) PageWindow.stopReason = text;  // a failed open's message
  const bool yesNo = buttons == MessageButtons::YesNo;
  const bool agreed = ShowPageDialog(text, caption, yesNo ? 1 : 0) != 0;
  if (!yesNo) return MessageAnswer::Ok;
  return agreed ? MessageAnswer::Yes : MessageAnswer::No;
}

// ---------------------------------------------------------------------------
// The entry point: straight into the portable frame loop. The ended page
// carries the exit code (1 when the window could not be opened) and, after a
// failed open, its message.

int main() {
  ListenToPage();
  const int exitCode = RunVoxra();
  ShowEndedPage(exitCode, PageWindow.stopReason.c_str(), PageWindow.stopDetail);
  return exitCode;
}
