// The page layer: Voxra in a browser, built with Emscripten.
//
// The window is the page's canvas, filling the page's stage. Its WebGL
// context comes from Emscripten's built-in SDL 1.2 (SDL_SetVideoMode), because
// the fixed-function GL emulation is set up only for a context made that way;
// nothing else of SDL is used. Keys come from the DOM by KeyboardEvent.code and
// from the page's on-screen pad (VoxraPadKey), the message boxes are
// the page's own dialogs, the counter is performance.now(), and the portable
// frame loop runs unchanged: with ASYNCIFY the loop gives the browser its turn
// once per frame, inside SwapGlBuffers (see there). Files (the Data files are
// packed into the page's in-memory file system) and their conversion are the
// POSIX ones, platform/posix/files_posix.cpp.
#include <SDL/SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>

#include "app/frame_loop.h"
#include "platform/platform.h"
#include "platform/web/keymap_web.h"
#include "platform/window_reports.h"
#include "render/gl_scene.h"

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

// The windowed page again: the cursor shown, the keyboard unlocked, and
// fullscreen left if the page still has it (after the browser left it on its
// own, nothing is left to exit).
EM_JS(void, LeavePageFullscreen, (), {
  Module["canvas"].style.cursor = "";
  if (navigator.keyboard && navigator.keyboard.unlock) navigator.keyboard.unlock();
  if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
});

// Shows the canvas under the window's title (the page's title and its
// header), or hides it. Its size is the stage's (FitCanvasToStage).
EM_JS(void, ShowCanvas, (const char* title, int shown), {
  var canvas = Module["canvas"];
  if (shown) {
    document.title = UTF8ToString(title);
    var header = document.getElementById("title");
    if (header) header.textContent = document.title;
  }
  canvas.style.display = shown ? "block" : "none";
  var note = document.getElementById("note");  // "Loading", until the first window
  if (note && shown) note.style.display = "none";
  if (shown) canvas.focus();
});

// True when the canvas has a WebGL context. Emscripten's SDL_SetVideoMode
// returns a surface even when the browser gave it none (WebGL turned off or
// unsupported), and the GL emulation would then throw on its first call.
EM_JS(int, PageHasGlContext, (), {
  return typeof GLctx != "undefined" && GLctx && !GLctx.isContextLost() ? 1 : 0;
});

// Adapts the new context to the game. SDL_SetVideoMode hands the canvas's
// mouse and touch events to SDL's own queue, which nothing here reads, so
// they are taken back. WebGL knows texture formats only by name, where
// OpenGL 1.1 also takes the number of components (1 to 4; the game uploads
// with 3), so the numbers are named on the way in. And where OpenGL draws a
// face bound to texture 0 (a Data file that could not be loaded) untextured,
// in its plain white, WebGL samples black: texture 0 is given one white texel.
EM_JS(void, AdaptPageContext, (), {
  [ "touchstart", "touchend", "touchmove", "mousedown", "mouseup", "mousemove",
    "DOMMouseScroll", "mousewheel", "wheel", "mouseout" ]
      .forEach(function(type) { Module["canvas"].removeEventListener(type, SDL.receiveEvent, true); });
  if (GLctx.texImage2D.adapted) return;
  var white = GLctx.createTexture();
  GLctx.bindTexture(GLctx.TEXTURE_2D, white);
  GLctx.texImage2D(GLctx.TEXTURE_2D, 0, GLctx.RGB, 1, 1, 0, GLctx.RGB, GLctx.UNSIGNED_BYTE,
                   new Uint8Array([ 255, 255, 255 ]));
  var bind = GLctx.bindTexture;
  GLctx.bindTexture = function(target, texture) {
    return bind.call(GLctx, target, texture || (target == GLctx.TEXTURE_2D ? white : null));
  };
  var named = [ 0, GLctx.LUMINANCE, GLctx.LUMINANCE_ALPHA, GLctx.RGB, GLctx.RGBA ];
  var upload = GLctx.texImage2D;
  GLctx.texImage2D = function(target, level, format) {
    var args = Array.prototype.slice.call(arguments);
    if (args.length == 9 && format >= 1 && format <= 4) args[2] = named[format];
    return upload.apply(GLctx, args);
  };
  GLctx.texImage2D.adapted = true;
});

// The page's modal dialogs carry no caption of their own (the browser puts
// the site there), so the caption leads the text. 1 for OK or Yes.
EM_JS(int, ShowPageDialog, (const char* text, const char* caption, int yesNo), {
  var message = UTF8ToString(caption) + "\n\n" + UTF8ToString(text);
  if (yesNo) return confirm(message) ? 1 : 0;
  alert(message);
  return 1;
});

// The still page left when the game ends: the canvas goes, a line says so;
// after a failed start it says why (the failure's message, and what the
// page knows of its cause).
EM_JS(void, ShowEndedPage, (int exitCode, const char* reason, const char* detail), {
  Module["canvas"].style.display = "none";
  document.title = "Voxra";
  var note = document.getElementById("note");
  if (!note) {
    note = document.createElement("p");
    note.id = "note";
    document.body.appendChild(note);
  }
  var why = UTF8ToString(reason);
  var more = UTF8ToString(detail);
  note.textContent = exitCode != 0 && why
      ? "Voxra stopped: " + why + (more ? " " + more : "") + " Reload the page to try again."
      : "The game has ended. Reload the page to play again.";
  note.style.display = "";
  document.body.setAttribute("data-exit-code", String(exitCode));
});

// Milliseconds of the wall clock, wrapped to 32 bits like GetTickCount: the
// scramble's seed differs from one page load to the next.
EM_JS(std::uint32_t, WallClockMs, (), { return Date.now() >>> 0; });

// Sizes the canvas to the stage, the part of the page the game's window
// fills, and writes its size in device pixels to size[0], size[1]. The canvas
// takes the stage's whole width in whole device pixels, so stickers are drawn
// at the screen's own resolution. Its height is the stage's, but never more
// than width / 0.7: the puzzle sits right of and above the line of sight, and
// at a narrower aspect its right side leaves the picture at some spins. Left
// over height is shared above and below.
EM_JS(void, FitCanvasToStage, (int* size), {
  var canvas = Module["canvas"];
  var stage = document.getElementById("stage") || canvas.parentNode;
  var ratio = window.devicePixelRatio || 1;
  var box = stage.getBoundingClientRect();
  var width = Math.max(1, Math.floor(box.width * ratio));
  var height = Math.max(1, Math.min(Math.floor(box.height * ratio), Math.floor(width / 0.7)));
  if (canvas.width != width) canvas.width = width;
  if (canvas.height != height) canvas.height = height;
  canvas.style.width = width / ratio + "px";
  canvas.style.height = height / ratio + "px";
  canvas.style.top = Math.max(0, (box.height - height / ratio) / 2) + "px";
  HEAP32[size >> 2] = width;
  HEAP32[(size >> 2) + 1] = height;
});

// ---------------------------------------------------------------------------
// The window.

namespace {

enum class PageEventType : std::uint8_t { KeyDown, KeyUp, FocusLost, Hidden, Shown };

struct PageEvent {
  PageEventType type;
  std::uint8_t virtualKey;
};

struct PageWindowState {
  SDL_Surface* Screen = nullptr;  // the canvas's video mode, once set
  std::deque<PageEvent> Pending;  // what the DOM reported, one taken per pass
};

PageWindowState PageWindow;

// The keys the game reads: the browser's own use of them (scrolling, help,
// leaving fullscreen) is stopped.
bool IsGameKey(int virtualKey) {
  return virtualKey == VkEscape || virtualKey == VkF1 || virtualKey == VkS ||
         (virtualKey >= VkLeft && virtualKey <= VkDown) ||
         (virtualKey >= VkNumpad0 && virtualKey <= VkNumpad0 + 9);
}

// System key presses (F10, Alt combinations) leave KeyState alone, as on
// Windows; every release clears its key whatever the modifiers, so none stays
// held because Alt went down before it came up.
EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent* event, void*) {
  const int virtualKey = keymap_web::VirtualKeyFromCode(event->code);
  const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
  if (virtualKey == 0 ||
      (down && keymap_web::IsSystemKey(virtualKey, event->altKey, event->ctrlKey))) {
    return EM_FALSE;
  }
  const auto type = down ? PageEventType::KeyDown : PageEventType::KeyUp;
  PageWindow.Pending.push_back({type, static_cast<std::uint8_t>(virtualKey)});
  return IsGameKey(virtualKey) ? EM_TRUE : EM_FALSE;  // EM_TRUE: preventDefault
}

// A page that loses the focus never hears of the keys released meanwhile:
// all are let go.
EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
  PageWindow.Pending.push_back({PageEventType::FocusLost, 0});
  return EM_FALSE;
}

// A hidden page (another tab, a minimised browser) is a minimised window.
EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*) {
  PageWindow.Pending.push_back({event->hidden ? PageEventType::Hidden : PageEventType::Shown, 0});
  return EM_FALSE;
}

void ListenToPage() {
  const char* page = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(page, nullptr, true, OnKey);
  emscripten_set_keyup_callback(page, nullptr, true, OnKey);
  emscripten_set_blur_callback(page, nullptr, true, OnBlur);
  emscripten_set_visibilitychange_callback(nullptr, true, OnVisibility);
  EmscriptenVisibilityChangeEvent visibility;
  if (emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS) {
    WindowActive = !visibility.hidden;
  }
}

// ---------------------------------------------------------------------------
// The window's size and mode as the page changes them, and why it stopped.
//
// The window's client area is the stage. Its size changes with the screen
// (resized, rotated, another pixel density), with fullscreen, and when the
// page shows or hides its pad or legend; the page then calls
// VoxraStageChanged. The browser may also leave fullscreen on its own
// (Escape without the keyboard lock, F11, a system gesture). Both wait for
// the pump, which takes them as messages, as WM_SIZE is taken on Windows.

struct PageViewState {
  bool WindowOpen = false;         // from a successful open to the next close
  bool StageChanged = false;       // the stage changed size since the pump took it
  bool FullscreenChanged = false;  // the page entered or left fullscreen since
  std::string StopReason;          // the last "ERROR" message: why an open failed
  const char* StopDetail = "";     // what the page knows of that failure's cause
};

PageViewState PageView;

// A new client size: the canvas follows the stage and the projection the
// canvas, as after WM_SIZE.
bool TakeStageChange() {
  if (!PageView.StageChanged || !PageView.WindowOpen) return false;
  PageView.StageChanged = false;
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
  if (!PageView.FullscreenChanged) return false;
  PageView.FullscreenChanged = false;
  EmscriptenFullscreenChangeEvent status;
  const bool fullscreen = emscripten_get_fullscreen_status(&status) == EMSCRIPTEN_RESULT_SUCCESS &&
                          status.isFullscreen;
  if (FullscreenMode && !fullscreen) {
    FullscreenMode = false;
    LeavePageFullscreen();
  }
  return true;
}

EM_BOOL OnFullscreenChange(int, const EmscriptenFullscreenChangeEvent*, void*) {
  PageView.FullscreenChanged = true;
  return EM_FALSE;
}

void ListenToStage() {
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, true,
                                           OnFullscreenChange);
}

}  // namespace

// Called by the page when the stage may have changed size.
extern "C" EMSCRIPTEN_KEEPALIVE void VoxraStageChanged() { PageView.StageChanged = true; }

// A key of the page's on-screen pad, named by the KeyboardEvent.code it
// stands for, pressed (down != 0) or released: queued as that key of the
// keyboard would be.
extern "C" EMSCRIPTEN_KEEPALIVE void VoxraPadKey(const char* code, int down) {
  const int virtualKey = keymap_web::VirtualKeyFromCode(code);
  if (virtualKey == 0) return;
  const auto type = down ? PageEventType::KeyDown : PageEventType::KeyUp;
  PageWindow.Pending.push_back({type, static_cast<std::uint8_t>(virtualKey)});
}

bool OpenGlWindow(const char* title, int width, int height, int bits, bool fullscreen) {
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

  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  PageWindow.Screen = SDL_SetVideoMode(width, height, bits & 0xFF, SDL_OPENGL);
  if (PageWindow.Screen == nullptr || !PageHasGlContext()) {
    PageView.StopDetail = "The browser gives this page no WebGL (turned off or not supported).";
    return FailOpen("Can't Create A GL Rendering Context.");
  }
  AdaptPageContext();

  ShowCanvas(title, 1);
  ResizeViewport(width, height);
  if (!SetupGl()) return FailOpen("Initialization Failed.");
  // The window opens at the size asked for, then takes the stage's, as a
  // window manager that fits new windows to the screen would do.
  PageView.WindowOpen = true;
  PageView.StageChanged = true;
  return true;
}

// The page keeps its one WebGL context for every window, where Windows makes a
// new one per window.
void CloseGlWindow() {
  PageView.WindowOpen = false;
  if (FullscreenMode) LeavePageFullscreen();
  ShowCanvas("", 0);
}

PumpResult PumpOneMessage(std::intptr_t* lastParam) {
  // The window's own changes come before the queued events, as one message each.
  if (TakeStageChange() || TakeFullscreenChange()) {
    *lastParam = 0;
    return PumpResult::Handled;
  }
  if (PageWindow.Pending.empty()) return PumpResult::Empty;
  const PageEvent event = PageWindow.Pending.front();
  PageWindow.Pending.pop_front();
  *lastParam = event.virtualKey;
  switch (event.type) {
    case PageEventType::KeyDown: KeyState[event.virtualKey] = true; break;  // repeats re-set it
    case PageEventType::KeyUp: KeyState[event.virtualKey] = false; break;
    case PageEventType::FocusLost:
      for (bool& held : KeyState) held = false;
      break;
    case PageEventType::Hidden: WindowActive = false; break;
    case PageEventType::Shown: WindowActive = true; break;
  }
  return PumpResult::Handled;
}

// The browser presents a WebGL canvas only when script gives control back to
// it, so the swap is where the loop yields: the frame just drawn is shown
// exactly once, the events of the wait are queued for the next passes, and
// the message pump stays a plain read of the queue. The loop calls this on
// every idle pass, drawn or not, so it yields on every one.
void SwapGlBuffers() { WaitForNextFrame(); }

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

// ---------------------------------------------------------------------------
// Message boxes. The icon has no place in a page dialog; the owner is always
// the page.

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon, MessageOwner) {
  if (std::strcmp(caption, "ERROR") == 0) PageView.StopReason = text;  // a failed open's message
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
  ListenToStage();
  const int exitCode = RunVoxra();
  ShowEndedPage(exitCode, PageView.StopReason.c_str(), PageView.StopDetail);
  return exitCode;
}
