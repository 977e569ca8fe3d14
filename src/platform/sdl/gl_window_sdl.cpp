// The one GL window on SDL2: video start-up, window, GL context and their
// release, the event pump, the swap and message boxes. It behaves as the
// Win32 window does: same titles, client sizes, message boxes and shared state.
#include <SDL.h>

#include <cstdint>

#include "platform/sdl/gl_window_sdl.h"
#include "seam/platform.h"

namespace {

// What OpenGlWindow obtained; every member is reset once released.
struct SdlWindowState {
  // The video subsystem (the display connection) lives from the first open to
  // the end of the program: closing it between windows would make an X server
  // that has no other client reset itself on every mode toggle.
  bool videoStarted = false;
  SDL_Window* WindowHandle = nullptr;
  SDL_GLContext RenderContext = nullptr;
  // The window has the keyboard focus: given when it is shown, followed by
  // the focus events after that (SDL learns of it only from those).
  bool focused = false;
};

SdlWindowState GlWindow;

// The display's own mode of exactly width x height, if it has one. As with
// ChangeDisplaySettings, no other size is taken in its place; the colour
// depth is left to the display (an X server does not change it).
bool FindDisplayMode(int width, int height, SDL_DisplayMode* mode) {
  SDL_DisplayMode wanted;
  SDL_zero(wanted);
  wanted.w = width;
  wanted.h = height;
  if (!SDL_GetClosestDisplayMode(0, &wanted, mode)) return false;
  return mode->w == width && mode->h == height;
}

// Checks the fullscreen mode; false when the user declined the windowed
// fallback (already told that the program closes).
bool FindFullscreenModeOrFallBack(int width, int height, SDL_DisplayMode* mode) {
  if (FindDisplayMode(width, height, mode)) return true;
  return AcceptWindowedFallback();
}

// Switches the shown window to the display mode; false, with the window
// windowed again, when the display did not take it. Only a shown window is
// switched at once: on a hidden one SDL merely notes the wish and carries it
// out when the window is shown, where no one hears of a refusal.
// NOTE: once the driver has said yes, SDL reports the mode it asked for as the
// display's; a driver that does not switch (Wayland's) leaves the display's
// own mode there, which the size check catches. An X server that takes the
// switch but shows another mode goes unseen.
bool EnterFullscreen(const SDL_DisplayMode& mode) {
  SDL_Window* window = GlWindow.WindowHandle;
  SDL_DisplayMode now;
  const bool switched =
      SDL_SetWindowDisplayMode(window, &mode) == 0 &&
      SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0 &&
      (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0 &&
      SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &now) == 0 &&
      now.w == mode.w && now.h == mode.h;
  if (!switched) SDL_SetWindowFullscreen(window, 0);
  return switched;
}

// The pixel format: double-buffered RGBA with a 16-bit depth buffer and the
// requested colour depth (16 from the game, deliberately), nothing else.
void RequestPixelFormat(int bits) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, bits & 0xFF);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

void ResizeToDrawable() {
  int width = 0;
  int height = 0;
  SDL_GL_GetDrawableSize(GlWindow.WindowHandle, &width, &height);
  ResizeViewport(width, height);
}

void HandleWindowEvent(const SDL_WindowEvent& event) {
  // Events of a window closed by a mode toggle may still be queued.
  if (!GlWindow.WindowHandle || event.windowID != SDL_GetWindowID(GlWindow.WindowHandle)) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
      WindowActive = false;
      break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
      WindowActive = true;
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      ResizeToDrawable();  // in pixels: on a high-DPI screen the drawable is larger
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      GlWindow.focused = true;
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Keys released elsewhere never send their key-up here.
      GlWindow.focused = false;
      ReleaseAllKeys();
      break;
    default:
      break;
  }
}

// The KeyState entry of a key: by its scancode (a USB usage), and S by its
// label, the key code, which is a character key's Unicode character.
KeyEntry KeyOf(const SDL_Keysym& key) {
  const bool ascii = key.sym > 0 && key.sym < 0x80;
  return KeyOfUsbUsage(key.scancode, ascii ? static_cast<char>(key.sym) : '\0');
}

// Key events as the window procedure sees them: a key pressed under Alt is a
// system key, which leaves KeyState alone (Alt+F4 asks to close), as on
// Windows; every release clears its key, so none stays held because Alt went
// down before it came up.
void HandleKeyEvent(const SDL_KeyboardEvent& event) {
  const bool down = event.type == SDL_KEYDOWN;
  const Uint16 mod = event.keysym.mod;
  if (down && IsSystemKeyPress((mod & KMOD_ALT) != 0, (mod & KMOD_CTRL) != 0)) {
    if (event.keysym.scancode == SDL_SCANCODE_F4) {
      SDL_Event quit;
      SDL_zero(quit);
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
    }
    return;
  }
  const KeyEntry key = KeyOf(event.keysym);
  if (key.virtualKey == 0) return;
  if (down) {
    PressKey(key.virtualKey, key.source);  // a repeat re-sets a held key
  } else {
    ReleaseKey(key.virtualKey, key.source);
  }
}

}  // namespace

bool OpenGlWindow(const char* title, int width, int height, int bits, bool fullscreen) {
  FullscreenMode = fullscreen;

  if (!GlWindow.videoStarted) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      ReportOpenError("Failed To Register The Window Class.");
      return false;
    }
    GlWindow.videoStarted = true;
  }

  SDL_DisplayMode mode;
  SDL_zero(mode);
  if (FullscreenMode && !FindFullscreenModeOrFallBack(width, height, &mode)) {
    return false;  // nothing was made
  }

  RequestPixelFormat(bits);
  GlWindow.WindowHandle = SDL_CreateWindow(
      title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!GlWindow.WindowHandle) return FailOpen("Window Creation Error.");
  GlWindow.RenderContext = SDL_GL_CreateContext(GlWindow.WindowHandle);
  if (!GlWindow.RenderContext) return FailOpen("Can't Create A GL Rendering Context.");
  if (SDL_GL_MakeCurrent(GlWindow.WindowHandle, GlWindow.RenderContext) != 0) {
    return FailOpen("Can't Activate The GL Rendering Context.");
  }

  SDL_ShowWindow(GlWindow.WindowHandle);
  // A listed mode the display then refuses gets the same question as a
  // missing one; No closes what was made.
  if (FullscreenMode && !EnterFullscreen(mode) && !AcceptWindowedFallback()) {
    FullscreenMode = false;  // the display was not switched
    CloseGlWindow();
    return false;
  }
  if (FullscreenMode) SDL_ShowCursor(SDL_DISABLE);
  // In the foreground with the keyboard focus, also where no window manager
  // hands the focus out.
  SDL_RaiseWindow(GlWindow.WindowHandle);
  SDL_SetWindowInputFocus(GlWindow.WindowHandle);
  GlWindow.focused = true;
  ResizeToDrawable();

  if (!SetupGl()) return FailOpen("Initialization Failed.");
  return true;
}

void CloseGlWindow() {
  if (FullscreenMode) {
    if (GlWindow.WindowHandle) SDL_SetWindowFullscreen(GlWindow.WindowHandle, 0);
    SDL_ShowCursor(SDL_ENABLE);
  }
  GlWindow.focused = false;
  if (GlWindow.RenderContext) {
    if (SDL_GL_MakeCurrent(GlWindow.WindowHandle, nullptr) != 0) {
      ReportCloseError("Release Of DC And RC Failed.");
    }
    SDL_GL_DeleteContext(GlWindow.RenderContext);
    GlWindow.RenderContext = nullptr;
  }
  if (GlWindow.WindowHandle) {
    SDL_DestroyWindow(GlWindow.WindowHandle);
    GlWindow.WindowHandle = nullptr;
  }
}

void EndSdlVideo() {
  CloseGlWindow();
  if (GlWindow.videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    GlWindow.videoStarted = false;
  }
}

PumpResult PumpOneMessage(std::intptr_t* lastParam) {
  SDL_Event event;
  if (!SDL_PollEvent(&event)) return PumpResult::Empty;
  *lastParam = 0;
  switch (event.type) {
    case SDL_QUIT:
      return PumpResult::Quit;  // the close box: exit code 0
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      HandleKeyEvent(event.key);
      break;
    default:
      break;
  }
  return PumpResult::Handled;
}

void SwapGlBuffers() {
  if (GlWindow.WindowHandle) SDL_GL_SwapWindow(GlWindow.WindowHandle);
}

// SDL_ShowMessageBox works before the video subsystem is up, so the
// window-opening failures can be reported too.
MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner) {
  enum { AnswerOk, AnswerYes, AnswerNo };
  const SDL_MessageBoxButtonData ok[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
       AnswerOk, "OK"},
  };
  const SDL_MessageBoxButtonData yesNo[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, AnswerYes, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, AnswerNo, "No"},
  };
  Uint32 flags = 0;
  switch (icon) {
    case MessageIcon::None: break;
    case MessageIcon::Exclamation: flags = SDL_MESSAGEBOX_WARNING; break;
    case MessageIcon::Stop: flags = SDL_MESSAGEBOX_ERROR; break;
    case MessageIcon::Information: flags = SDL_MESSAGEBOX_INFORMATION; break;
  }
  const bool askYesNo = buttons == MessageButtons::YesNo;
  SDL_MessageBoxData data{};
  data.flags = flags;
  // The focus window is the game's own from the moment it is shown and
  // focused, before SDL has pumped the event that would tell SDL so.
  data.window = owner == MessageOwner::Focus && GlWindow.focused ? GlWindow.WindowHandle : nullptr;
  data.title = caption;
  data.message = text;
  data.numbuttons = askYesNo ? 2 : 1;
  data.buttons = askYesNo ? yesNo : ok;
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed < 0) {
    // No box could be shown (or it was closed): take the Return key's answer.
    pressed = askYesNo ? AnswerYes : AnswerOk;
  }
  switch (pressed) {
    case AnswerYes: return MessageAnswer::Yes;
    case AnswerNo: return MessageAnswer::No;
    default: return MessageAnswer::Ok;
  }
}
