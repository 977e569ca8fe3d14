// The Win32 window on its own: the window procedure, the message pump, and
// opening and closing with GL setup replaced by a probe. Needs an X display
// under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/gl_window_win32.h"
#include "recorded_boxes.h"
#include "render/gl_scene.h"

// GL setup replaced: records what the window hands over.
namespace {
struct SceneProbe {
  bool setupResult = true;
  int setupCalls = 0;
  bool contextCurrentAtSetup = false;
  std::vector<std::pair<int, int>> viewports;
} Scene;
}  // namespace

void ResizeViewport(int width, int height) { Scene.viewports.emplace_back(width, height); }
bool SetupGl() {
  ++Scene.setupCalls;
  Scene.contextCurrentAtSetup = wglGetCurrentContext() != nullptr;
  return Scene.setupResult;
}
bool RenderFrame() { return true; }

namespace {

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// System commands that reached the default procedure (seen through the CBT
// hook, which also stops them from being carried out).
std::vector<WPARAM> SystemCommandsPassedOn;
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_SYSCOMMAND) {
    SystemCommandsPassedOn.push_back(wParam);
    return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DrainMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

bool ClassRegistered() {
  WNDCLASSA info;
  return GetClassInfoA(GetModuleHandleA(nullptr), "OpenGL", &info) != FALSE;
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    std::fill(std::begin(KeyState), std::end(KeyState), false);
    WindowActive = true;
    FullscreenMode = false;
    GlWindow = {};
    Boxes = {};
    Scene = {};
    DrainMessages();
  }
  void TearDown() override {
    if (GlWindow.WindowHandle) CloseGlWindow();
    if (plain_) DestroyWindow(plain_);
    DrainMessages();
  }

  // An ordinary window for the procedure tests to pass as the target.
  HWND PlainWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VoxraPlain";
    RegisterClassA(&wc);
    plain_ = CreateWindowExA(0, "VoxraPlain", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                             nullptr, wc.hInstance, nullptr);
    return plain_;
  }

  HWND plain_ = nullptr;
};

TEST_F(Win32Window, KeyMessagesFillTheTableWithinItsBounds) {
  HWND w = PlainWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(MainWindowProc(w, WM_KEYDOWN, VK_NUMPAD6, 0), 0);
  MainWindowProc(w, WM_KEYDOWN, VK_NUMPAD9, 0);
  MainWindowProc(w, WM_KEYDOWN, VK_NUMPAD9, 0);  // auto-repeat
  EXPECT_TRUE(KeyState[VkNumpad0 + 6]);
  EXPECT_TRUE(KeyState[VkNumpad0 + 9]);
  EXPECT_EQ(MainWindowProc(w, WM_KEYUP, VK_NUMPAD6, 0), 0);
  EXPECT_FALSE(KeyState[VkNumpad0 + 6]);
  EXPECT_TRUE(KeyState[VkNumpad0 + 9]);
  MainWindowProc(w, WM_KEYUP, VK_NUMPAD9, 0);

  // Codes past the table are dropped, not folded into it.
  MainWindowProc(w, WM_KEYDOWN, 256, 0);
  MainWindowProc(w, WM_KEYDOWN, 256 + VK_ESCAPE, 0);
  MainWindowProc(w, WM_KEYDOWN, 0x10000 + VK_F1, 0);
  EXPECT_EQ(std::count(std::begin(KeyState), std::end(KeyState), true), 0);

  // System keys (F10, Alt combinations) never reach the table.
  MainWindowProc(w, WM_SYSKEYDOWN, VK_F10, 0);
  MainWindowProc(w, WM_SYSKEYDOWN, 'X', 1 << 29);
  MainWindowProc(w, WM_SYSKEYUP, 'X', 1 << 29);
  EXPECT_FALSE(KeyState[VK_F10]);
  EXPECT_FALSE(KeyState['X']);
}

TEST_F(Win32Window, ActivationFollowsMinimisingOnlyAndSizeReachesTheViewport) {
  HWND w = PlainWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(MainWindowProc(w, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0), 0);
  EXPECT_FALSE(WindowActive);
  MainWindowProc(w, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
  EXPECT_TRUE(WindowActive);
  MainWindowProc(w, WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0);
  EXPECT_FALSE(WindowActive);
  MainWindowProc(w, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);  // focus lost, not minimised
  EXPECT_TRUE(WindowActive);

  EXPECT_EQ(MainWindowProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480)), 0);
  MainWindowProc(w, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
  ASSERT_EQ(Scene.viewports.size(), 2u);
  EXPECT_EQ(Scene.viewports[0], std::make_pair(640, 480));
  EXPECT_EQ(Scene.viewports[1], std::make_pair(0, 0));
}

TEST_F(Win32Window, ScreenSaverAndMonitorPowerAreSwallowedExactly) {
  HWND w = PlainWindow();
  ASSERT_NE(w, nullptr);
  SystemCommandsPassedOn.clear();
  HHOOK hook = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(MainWindowProc(w, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
  EXPECT_EQ(MainWindowProc(w, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
  MainWindowProc(w, WM_SYSCOMMAND, SC_SCREENSAVE | 1, 0);  // compared whole, so passed on
  MainWindowProc(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(SystemCommandsPassedOn, (std::vector<WPARAM>{SC_SCREENSAVE | 1, SC_MINIMIZE}));
}

TEST_F(Win32Window, CloseBoxPostsQuitZeroAndThePumpTakesOneMessageAtATime) {
  HWND w = PlainWindow();
  ASSERT_NE(w, nullptr);
  std::intptr_t last = 77;
  EXPECT_EQ(PumpOneMessage(&last), PumpResult::Empty);
  EXPECT_EQ(last, 77);

  // Keys go through dispatch to the window's procedure: use the real class.
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MainWindowProc));
  PostMessageA(w, WM_KEYDOWN, VK_LEFT, 0);
  PostMessageA(w, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(PumpOneMessage(&last), PumpResult::Handled);
  EXPECT_EQ(last, VK_LEFT);
  EXPECT_TRUE(KeyState[VK_LEFT]);
  EXPECT_FALSE(KeyState[VK_RIGHT]);
  EXPECT_EQ(PumpOneMessage(&last), PumpResult::Handled);
  EXPECT_TRUE(KeyState[VK_RIGHT]);

  EXPECT_EQ(MainWindowProc(w, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(IsWindow(w));  // left for the frame loop to close
  EXPECT_EQ(PumpOneMessage(&last), PumpResult::Quit);
  EXPECT_EQ(last, 0);
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PlainProc));
}

TEST_F(Win32Window, ClosingANeverOpenedWindowOnlyReportsTheUnregisteredClass) {
  CloseGlWindow();
  EXPECT_EQ(GlWindow.WindowHandle, nullptr);
  EXPECT_EQ(GlWindow.DeviceContext, nullptr);
  EXPECT_EQ(GlWindow.RenderContext, nullptr);
  EXPECT_EQ(GlWindow.InstanceHandle, nullptr);
  ASSERT_EQ(Boxes.boxes.size(), 1u);
  EXPECT_EQ(Boxes.boxes[0].text, "Could Not Unregister Class.");
  EXPECT_EQ(Boxes.boxes[0].caption, "SHUTDOWN ERROR");
  EXPECT_EQ(Boxes.boxes[0].icon, MessageIcon::Information);
  EXPECT_EQ(Boxes.boxes[0].owner, MessageOwner::None);
}

TEST_F(Win32Window, OpensWindowedWithTheExactClientAreaAndClosesCleanly) {
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  EXPECT_TRUE(Boxes.boxes.empty());
  HWND w = FindWindowA("OpenGL", "Voxra - By Orvane v1.2");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w, GlWindow.WindowHandle);
  EXPECT_EQ(GlWindow.InstanceHandle, GetModuleHandleA(nullptr));

  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right - client.left, 400);
  EXPECT_EQ(client.bottom - client.top, 400);
  const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
  EXPECT_EQ(style & (WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
            WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_EQ(GetWindowLongPtrA(w, GWL_EXSTYLE) & (WS_EX_APPWINDOW | WS_EX_WINDOWEDGE),
            WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
  EXPECT_EQ(GetClassLongPtrA(w, GCL_STYLE), CS_HREDRAW | CS_VREDRAW | CS_OWNDC);
  EXPECT_EQ(GetClassLongPtrA(w, GCLP_WNDPROC), reinterpret_cast<LONG_PTR>(MainWindowProc));

  PIXELFORMATDESCRIPTOR pfd;
  const int format = GetPixelFormat(GlWindow.DeviceContext);
  ASSERT_GT(format, 0);
  DescribePixelFormat(GlWindow.DeviceContext, format, sizeof pfd, &pfd);
  EXPECT_TRUE(pfd.dwFlags & PFD_DOUBLEBUFFER);
  EXPECT_TRUE(pfd.dwFlags & PFD_SUPPORT_OPENGL);
  EXPECT_GE(pfd.cDepthBits, 16);

  EXPECT_EQ(wglGetCurrentContext(), GlWindow.RenderContext);
  EXPECT_EQ(Scene.setupCalls, 1);
  EXPECT_TRUE(Scene.contextCurrentAtSetup);
  ASSERT_FALSE(Scene.viewports.empty());
  EXPECT_EQ(Scene.viewports.back(), std::make_pair(400, 400));

  CloseGlWindow();
  EXPECT_TRUE(Boxes.boxes.empty());
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_EQ(GlWindow.WindowHandle, nullptr);
  EXPECT_EQ(GlWindow.DeviceContext, nullptr);
  EXPECT_EQ(GlWindow.RenderContext, nullptr);
  EXPECT_FALSE(ClassRegistered());
}

TEST_F(Win32Window, RefusedFullscreenFallsBackToAWindowOnYes) {
  Boxes.yesNoAnswer = MessageAnswer::Yes;
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.1", 640, 480, 16, true));
  if (Boxes.boxes.empty()) {
    // This display accepted the mode: a popup window that covers it.
    EXPECT_TRUE(FullscreenMode);
    EXPECT_TRUE(GetWindowLongPtrA(GlWindow.WindowHandle, GWL_STYLE) & WS_POPUP);
    CloseGlWindow();
    GTEST_SKIP() << "the fullscreen mode was accepted here";
  }
  ASSERT_EQ(Boxes.boxes.size(), 1u);
  EXPECT_EQ(Boxes.boxes[0].text,
            "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
  EXPECT_EQ(Boxes.boxes[0].caption, "Tamo GL");
  EXPECT_EQ(Boxes.boxes[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(Boxes.boxes[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(Boxes.boxes[0].owner, MessageOwner::None);
  EXPECT_FALSE(FullscreenMode);

  RECT client;
  GetClientRect(GlWindow.WindowHandle, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_FALSE(GetWindowLongPtrA(GlWindow.WindowHandle, GWL_STYLE) & WS_POPUP);
  // The cursor was never hidden: one show brings the counter to 1.
  EXPECT_EQ(ShowCursor(TRUE), 1);
  ShowCursor(FALSE);
}

TEST_F(Win32Window, RefusedFullscreenDeclinedEndsWithoutAWindow) {
  Boxes.yesNoAnswer = MessageAnswer::No;
  const bool opened = OpenGlWindow("Voxra - By Orvane v1.1", 640, 480, 16, true);
  if (opened) {
    CloseGlWindow();
    GTEST_SKIP() << "the fullscreen mode was accepted here";
  }
  ASSERT_EQ(Boxes.boxes.size(), 2u);
  EXPECT_EQ(Boxes.boxes[0].caption, "Tamo GL");
  EXPECT_EQ(Boxes.boxes[1].text, "Program Will Now Close.");
  EXPECT_EQ(Boxes.boxes[1].caption, "ERROR");
  EXPECT_EQ(Boxes.boxes[1].buttons, MessageButtons::Ok);
  EXPECT_EQ(Boxes.boxes[1].icon, MessageIcon::Stop);
  EXPECT_EQ(GlWindow.WindowHandle, nullptr);
  EXPECT_EQ(FindWindowA("OpenGL", nullptr), nullptr);
  EXPECT_EQ(Scene.setupCalls, 0);
  EXPECT_TRUE(ClassRegistered());  // left registered, as nothing is released on this path
  UnregisterClassA("OpenGL", GetModuleHandleA(nullptr));
}

TEST_F(Win32Window, FailedSetupTearsDownBeforeReporting) {
  Scene.setupResult = false;
  EXPECT_FALSE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  ASSERT_EQ(Boxes.boxes.size(), 1u);
  EXPECT_EQ(Boxes.boxes[0].text, "Initialization Failed.");
  EXPECT_EQ(Boxes.boxes[0].caption, "ERROR");
  EXPECT_EQ(Boxes.boxes[0].buttons, MessageButtons::Ok);
  EXPECT_EQ(Boxes.boxes[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(Boxes.boxes[0].owner, MessageOwner::None);
  EXPECT_FALSE(Boxes.boxes[0].windowExisted);
  EXPECT_EQ(GlWindow.WindowHandle, nullptr);
  EXPECT_EQ(GlWindow.RenderContext, nullptr);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(ClassRegistered());
}

TEST_F(Win32Window, ATakenClassNameFailsBeforeAnythingIsMade) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "OpenGL";
  ASSERT_NE(RegisterClassA(&wc), 0);
  EXPECT_FALSE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  ASSERT_EQ(Boxes.boxes.size(), 1u);
  EXPECT_EQ(Boxes.boxes[0].text, "Failed To Register The Window Class.");
  EXPECT_EQ(Boxes.boxes[0].caption, "ERROR");
  EXPECT_EQ(FindWindowA("OpenGL", nullptr), nullptr);
  EXPECT_TRUE(ClassRegistered());
  UnregisterClassA("OpenGL", wc.hInstance);
}

}  // namespace
