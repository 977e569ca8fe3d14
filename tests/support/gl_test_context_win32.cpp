#include "gl_test_context.h"

#include <windows.h>

namespace {
const char kClass[] = "VoxraTestGl";
}

GlTestContext::GlTestContext(int width, int height) : width_(width), height_(height) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);  // may already exist from an earlier context

  RECT r = {0, 0, width, height};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
  HWND hwnd = CreateWindowExA(0, kClass, "test", WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              0, 0, r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return;
  window_ = hwnd;
  HDC dc = GetDC(hwnd);
  if (!dc) return;
  device_ = dc;
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.cDepthBits = 16;
  pfd.iLayerType = PFD_MAIN_PLANE;
  int format = ChoosePixelFormat(dc, &pfd);
  if (!format || !SetPixelFormat(dc, format, &pfd)) return;
  HGLRC rc = wglCreateContext(dc);
  if (!rc) return;
  context_ = rc;
  ok_ = wglMakeCurrent(dc, rc) != FALSE;
}

GlTestContext::~GlTestContext() {
  if (context_) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(static_cast<HGLRC>(context_));
  }
  if (device_) ReleaseDC(static_cast<HWND>(window_), static_cast<HDC>(device_));
  if (window_) DestroyWindow(static_cast<HWND>(window_));
}
