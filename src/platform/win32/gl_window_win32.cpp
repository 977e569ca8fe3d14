// The one GL window on Win32: class, window, pixel format and WGL context,
// their release, the window procedure, the message pump, the swap and
// message boxes.
#include <windows.h>

#include <cstring>

#include "seam/platform.h"

namespace {

// Everything the open window owns; all null while closed.
struct GlWindowState {
  HWND WindowHandle = nullptr;
  HDC DeviceContext = nullptr;
  HGLRC RenderContext = nullptr;
  HINSTANCE InstanceHandle = nullptr;
};

GlWindowState GlWindow;

const char kClassName[] = "OpenGL";

static_assert(sizeof(DEVMODEA) == 156, "the display mode is the 156-byte ANSI DEVMODE");

PIXELFORMATDESCRIPTOR PixelFormatFor(int bits) {
  PIXELFORMATDESCRIPTOR pfd;
  std::memset(&pfd, 0, sizeof pfd);
  pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = static_cast<BYTE>(bits);  // only the low byte is meaningful
  pfd.cDepthBits = 16;
  pfd.iLayerType = PFD_MAIN_PLANE;
  return pfd;
}

// Asks for the fullscreen display mode; false when the user declined the
// windowed fallback (already told that the program closes).
bool EnterFullscreenOrFallBack(int width, int height, int bits) {
  DEVMODEA mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof(DEVMODEA);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmBitsPerPel = static_cast<DWORD>(bits);
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
    return true;
  }
  return AcceptWindowedFallback();
}

// Makes a key message's entry held or released: the keypad and the laptop's
// embedded keypad by their scan codes (bits 16-23, the extended bit 24),
// whatever NumLock and the layout say, every other key by its virtual key.
void SetKey(WPARAM wParam, LPARAM lParam, bool down) {
  const KeyEntry key = KeyOfScanCode(static_cast<unsigned>(lParam >> 16) & 0xFF,
                                     ((lParam >> 24) & 1) != 0, wParam);
  if (key.virtualKey == 0) return;
  if (down) {
    PressKey(key.virtualKey, key.source);  // a repeat re-sets a held key
  } else {
    ReleaseKey(key.virtualKey, key.source);
  }
}

// The window class's procedure: fills KeyState and WindowActive, resizes the
// viewport, posts the quit message on close and swallows screen-saver and
// monitor power-down requests.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      // Only minimising counts: a window that merely loses the focus stays active.
      WindowActive = HIWORD(wParam) == 0;
      return 0;
    case WM_SYSCOMMAND:
      if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
      break;
    case WM_CLOSE:
      PostQuitMessage(0);  // the frame loop ends and closes the window
      return 0;
    case WM_KEYDOWN:
      SetKey(wParam, lParam, true);
      return 0;
    case WM_KEYUP:
      SetKey(wParam, lParam, false);
      return 0;
    case WM_SYSKEYUP:
      // A key released while Alt is down comes as a system key: it is still
      // released. The default handling (menus, Alt+F4) follows.
      SetKey(wParam, lParam, false);
      break;
    case WM_KILLFOCUS:
      // Keys released in another window never send their key-up here.
      ReleaseAllKeys();
      break;
    case WM_SIZE:
      ResizeViewport(LOWORD(lParam), HIWORD(lParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool OpenGlWindow(const char* title, int width, int height, int bits, bool fullscreen) {
  RECT rect;
  rect.left = 0;
  rect.top = 0;
  rect.right = width;
  rect.bottom = height;
  FullscreenMode = fullscreen;

  GlWindow.InstanceHandle = GetModuleHandleA(nullptr);

  WNDCLASSA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = GlWindow.InstanceHandle;
  windowClass.hIcon = LoadIcon(nullptr, IDI_WINLOGO);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass)) {
    ReportOpenError("Failed To Register The Window Class.");
    return false;
  }

  if (FullscreenMode && !EnterFullscreenOrFallBack(width, height, bits)) {
    return false;  // the class stays registered; nothing else was made
  }

  DWORD exStyle;
  DWORD style;
  if (FullscreenMode) {
    exStyle = WS_EX_APPWINDOW;
    style = WS_POPUP;
    ShowCursor(FALSE);
  } else {
    exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    style = WS_OVERLAPPEDWINDOW;
  }
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);

  GlWindow.WindowHandle =
      CreateWindowExA(exStyle, kClassName, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                      rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                      GlWindow.InstanceHandle, nullptr);
  if (!GlWindow.WindowHandle) return FailOpen("Window Creation Error.");

  GlWindow.DeviceContext = GetDC(GlWindow.WindowHandle);
  if (!GlWindow.DeviceContext) return FailOpen("Can't Create A GL Device Context.");

  const PIXELFORMATDESCRIPTOR pfd = PixelFormatFor(bits);
  const int pixelFormat = ChoosePixelFormat(GlWindow.DeviceContext, &pfd);
  if (pixelFormat == 0) return FailOpen("Can't Find A Suitable PixelFormat.");
  if (!SetPixelFormat(GlWindow.DeviceContext, pixelFormat, &pfd)) {
    return FailOpen("Can't Set The PixelFormat.");
  }

  GlWindow.RenderContext = wglCreateContext(GlWindow.DeviceContext);
  if (!GlWindow.RenderContext) return FailOpen("Can't Create A GL Rendering Context.");
  if (!wglMakeCurrent(GlWindow.DeviceContext, GlWindow.RenderContext)) {
    return FailOpen("Can't Activate The GL Rendering Context.");
  }

  ShowWindow(GlWindow.WindowHandle, SW_SHOW);
  SetForegroundWindow(GlWindow.WindowHandle);
  SetFocus(GlWindow.WindowHandle);
  ResizeViewport(width, height);  // the client size asked for, not the outer size

  if (!SetupGl()) return FailOpen("Initialization Failed.");
  return true;
}

void CloseGlWindow() {
  if (FullscreenMode) {
    ChangeDisplaySettingsA(nullptr, 0);
    ShowCursor(TRUE);
  }
  if (GlWindow.RenderContext) {
    if (!wglMakeCurrent(nullptr, nullptr)) ReportCloseError("Release Of DC And RC Failed.");
    if (!wglDeleteContext(GlWindow.RenderContext)) {
      ReportCloseError("Release Rendering Context Failed.");
    }
    GlWindow.RenderContext = nullptr;
  }
  if (GlWindow.DeviceContext) {
    if (!ReleaseDC(GlWindow.WindowHandle, GlWindow.DeviceContext)) {
      ReportCloseError("Release Device Context Failed.");
    }
    GlWindow.DeviceContext = nullptr;
  }
  if (GlWindow.WindowHandle) {
    if (!DestroyWindow(GlWindow.WindowHandle)) ReportCloseError("Could Not Release hWnd.");
    GlWindow.WindowHandle = nullptr;
  }
  if (!UnregisterClassA(kClassName, GlWindow.InstanceHandle)) {
    ReportCloseError("Could Not Unregister Class.");
  }
  GlWindow.InstanceHandle = nullptr;
}

PumpResult PumpOneMessage(std::intptr_t* lastParam) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return PumpResult::Empty;
  *lastParam = static_cast<std::intptr_t>(msg.wParam);
  if (msg.message == WM_QUIT) return PumpResult::Quit;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return PumpResult::Handled;
}

void SwapGlBuffers() { SwapBuffers(GlWindow.DeviceContext); }

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner) {
  UINT style = buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
  switch (icon) {
    case MessageIcon::None: break;
    case MessageIcon::Exclamation: style |= MB_ICONEXCLAMATION; break;
    case MessageIcon::Stop: style |= MB_ICONSTOP; break;
    case MessageIcon::Information: style |= MB_ICONINFORMATION; break;
  }
  HWND window = owner == MessageOwner::Focus ? GetFocus() : nullptr;
  switch (MessageBoxA(window, text, caption, style)) {
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    default: return MessageAnswer::Ok;
  }
}
