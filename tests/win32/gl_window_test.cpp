// The Win32 window on its own: the window procedure, opening and closing, with
// GL setup, the viewport and the message boxes replaced by recorders.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/gl_window_win32.h"
#include "render/gl_scene.h"

namespace {
using Box = std::tuple<std::string, std::string, MessageButtons, MessageIcon>;  // caption, text
struct Recorder {
  std::vector<Box> boxes;
  MessageAnswer answer = MessageAnswer::Yes;
  bool windowAtLastBox = false;  // a window of class "OpenGL" existed when the last box came up
  bool setupResult = true;
  bool contextAtSetup = false;
  std::vector<std::pair<int, int>> viewports;
} Record;
}  // namespace

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner) {
  Record.boxes.emplace_back(caption, text, buttons, icon);
  Record.windowAtLastBox = FindWindowA("OpenGL", nullptr) != nullptr;
  return buttons == MessageButtons::YesNo ? Record.answer : MessageAnswer::Ok;
}
void ResizeViewport(int width, int height) { Record.viewports.emplace_back(width, height); }
bool SetupGl() {
  Record.contextAtSetup = wglGetCurrentContext() != nullptr;
  return Record.setupResult;
}

namespace {

// System commands that reached the default procedure; the hook stops them there.
std::vector<WPARAM> SystemCommandsPassedOn;
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HCBT_SYSCOMMAND) return CallNextHookEx(nullptr, code, wParam, lParam);
  SystemCommandsPassedOn.push_back(wParam);
  return 1;
}

TEST(Win32Window, ProcedureKeepsKeyStateAndActivitySwallowsScreenSaverAndQuitsWithZero) {
  const HWND w = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  const struct {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<int> held;
    bool active;
  } steps[] = {
      {WM_KEYDOWN, VK_NUMPAD6, 0, {102}, true},
      {WM_KEYDOWN, VK_NUMPAD9, 0, {102, 105}, true},
      {WM_KEYUP, VK_NUMPAD6, 0, {105}, true},
      {WM_KEYUP, VK_NUMPAD9, 0, {}, true},
      {WM_KEYDOWN, 256 + VK_ESCAPE, 0, {}, true},  // past the table: dropped, not folded in
      {WM_KEYDOWN, 0x10000 + VK_F1, 0, {}, true},
      {WM_SYSKEYDOWN, VK_F10, 0, {}, true},
      {WM_SYSKEYDOWN, 'X', 1 << 29, {}, true},  // Alt+X
      {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, {}, false},  // minimised
      {WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0, {}, true},
      {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0, {}, true},  // the focus lost, not minimised
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(testing::Message() << "message " << step.message << " code " << step.wParam);
    MainWindowProc(w, step.message, step.wParam, step.lParam);
    std::vector<int> held;
    for (int k = 0; k < 256; ++k) {
      if (KeyState[k]) held.push_back(k);
    }
    EXPECT_EQ(held, step.held);
    EXPECT_EQ(WindowActive, step.active);
  }
  MainWindowProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
  EXPECT_EQ(Record.viewports, (std::vector<std::pair<int, int>>{{640, 480}}));

  HHOOK hook = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  for (const WPARAM command : {SC_SCREENSAVE, SC_MONITORPOWER, SC_SCREENSAVE | 1, SC_MINIMIZE}) {
    MainWindowProc(w, WM_SYSCOMMAND, command, 2);
  }
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(SystemCommandsPassedOn, (std::vector<WPARAM>{SC_SCREENSAVE | 1, SC_MINIMIZE}));

  std::intptr_t exitCode = 77;
  EXPECT_EQ(MainWindowProc(w, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(IsWindow(w));  // left for the frame loop to close
  EXPECT_EQ(PumpOneMessage(&exitCode), PumpResult::Quit);
  EXPECT_EQ(exitCode, 0);
  DestroyWindow(w);
}

// Closing when nothing is open, then each open (the fullscreen rows last: a
// display that takes the mode skips them).
TEST(Win32Window, OpensWithTheExactClientAreaOrTearsDownBeforeReporting) {
  CloseGlWindow();
  EXPECT_EQ(Record.boxes, (std::vector<Box>{{"SHUTDOWN ERROR", "Could Not Unregister Class.",
                                             MessageButtons::Ok, MessageIcon::Information}}));
  const Box question{"Tamo GL",
                     "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. "
                     "Use Windowed Mode Instead?",
                     MessageButtons::YesNo, MessageIcon::Exclamation};
  const struct {
    int width, height;
    bool fullscreen, setupResult;
    MessageAnswer answer;
    std::vector<Box> boxes;
  } opens[] = {
      {400, 400, false, true, MessageAnswer::Yes, {}},
      {400, 400, false, false, MessageAnswer::Yes,
       {{"ERROR", "Initialization Failed.", MessageButtons::Ok, MessageIcon::Exclamation}}},
      {640, 480, true, true, MessageAnswer::Yes, {question}},
      {640, 480, true, true, MessageAnswer::No,
       {question, {"ERROR", "Program Will Now Close.", MessageButtons::Ok, MessageIcon::Stop}}},
  };
  for (const auto& open : opens) {
    SCOPED_TRACE(testing::Message() << "open " << &open - opens);
    Record = {};
    Record.answer = open.answer;
    Record.setupResult = open.setupResult;
    const bool opened =
        OpenGlWindow("Voxra - By Orvane v1.2", open.width, open.height, 16, open.fullscreen);
    if (open.fullscreen && opened && Record.boxes.empty()) {
      CloseGlWindow();
      GTEST_SKIP() << "this display took the fullscreen mode";
    }
    ASSERT_EQ(opened, open.setupResult && open.answer == MessageAnswer::Yes);
    EXPECT_EQ(Record.boxes, open.boxes);
    EXPECT_FALSE(Record.windowAtLastBox);
    EXPECT_EQ(FullscreenMode, open.fullscreen && !opened);
    if (opened) {
      RECT client;
      GetClientRect(GlWindow.WindowHandle, &client);
      EXPECT_EQ(client.right, open.width);
      EXPECT_EQ(client.bottom, open.height);
      EXPECT_EQ(GetWindowLongPtrA(GlWindow.WindowHandle, GWL_STYLE) & (WS_VISIBLE | WS_POPUP),
                WS_VISIBLE);
      EXPECT_TRUE(Record.contextAtSetup);
      EXPECT_EQ(Record.viewports.back(), std::make_pair(open.width, open.height));
      EXPECT_EQ(ShowCursor(TRUE), 1);  // never hidden: one show brings the count to 1
      ShowCursor(FALSE);
      CloseGlWindow();
      EXPECT_EQ(Record.boxes, open.boxes);
    }
    EXPECT_EQ(FindWindowA("OpenGL", nullptr), nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    // The class is left registered only when the windowed fallback was declined.
    const bool stillRegistered = UnregisterClassA("OpenGL", GetModuleHandleA(nullptr)) != 0;
    EXPECT_EQ(stillRegistered, open.fullscreen && !opened);
  }
}

}  // namespace
