// The Win32 GL window's module state and window procedure, visible to the
// layer's own tests. The portable code reaches the window through platform.h.
#pragma once

#include <windows.h>

// Everything the open window owns; all null while closed.
struct GlWindowState {
  HWND WindowHandle = nullptr;
  HDC DeviceContext = nullptr;
  HGLRC RenderContext = nullptr;
  HINSTANCE InstanceHandle = nullptr;
};

extern GlWindowState GlWindow;

// The window class's procedure: fills KeyState and WindowActive, resizes the
// viewport, posts the quit message on close and swallows screen-saver and
// monitor power-down requests.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
