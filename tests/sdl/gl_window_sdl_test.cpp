// The SDL window layer on SDL's offscreen driver (no X server; its display
// takes any mode), and on the X11 driver where a display is at hand for what
// needs a real list of display modes. GL setup, the viewport and the message
// boxes are replaced by recorders here, so the tests see exactly what the
// layer asks for.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/gl_window_sdl.h"
#include "render/gl_scene.h"

namespace {

struct ShownBox {
  std::string text;
  std::string caption;
  MessageButtons buttons;
  MessageIcon icon;
  MessageOwner owner;
  bool contextCurrent;  // a GL context was still current when the box came up
};

struct Recorder {
  std::vector<ShownBox> boxes;
  MessageAnswer answer = MessageAnswer::Yes;  // for Yes/No questions
  int setupCalls = 0;
  bool setupResult = true;
  int viewportWidth = -1;
  int viewportHeight = -1;
};

Recorder Record;

}  // namespace

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner) {
  Record.boxes.push_back(
      {text, caption, buttons, icon, owner, SDL_GL_GetCurrentContext() != nullptr});
  return buttons == MessageButtons::YesNo ? Record.answer : MessageAnswer::Ok;
}

bool SetupGl() {
  ++Record.setupCalls;
  return Record.setupResult;
}

void ResizeViewport(int width, int height) {
  Record.viewportWidth = width;
  Record.viewportHeight = height;
}

namespace {

const char kQuestion[] =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";

class SdlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    Record = Recorder{};
    std::fill(std::begin(KeyState), std::end(KeyState), false);
    WindowActive = true;
    FullscreenMode = false;
  }
  void TearDown() override {
    EndSdlVideo();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
  }

  static SDL_Window* Window() { return SDL_GL_GetCurrentWindow(); }

  // Takes every pending event, so that the next ones are the test's own.
  // SDL ends each round of polling with one empty poll, which may be queued
  // before events pushed later: two rounds drain everything.
  static void Drain() {
    std::intptr_t param = 0;
    for (int round = 0; round < 2; ++round) {
      while (PumpOneMessage(&param) != PumpResult::Empty) {
      }
    }
  }

  // Switches to the X11 driver; false when there is no X display.
  static bool UseX11() {
    const char* display = SDL_getenv("DISPLAY");
    if (!display || !*display) return false;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    return true;
  }

  static void PushKey(Uint32 type, SDL_Scancode scancode, Uint16 mod) {
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }

  static void PushWindowEvent(Uint8 what) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    event.window.windowID = SDL_GetWindowID(Window());
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }

  static PumpResult Pump() {
    std::intptr_t param = -1;
    return PumpOneMessage(&param);
  }
};

TEST_F(SdlWindowTest, OpensClosesAndReopensWithTitleSizeAndContext) {
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  ASSERT_NE(Window(), nullptr);
  EXPECT_NE(SDL_GL_GetCurrentContext(), nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(Window()), "Voxra - By Orvane v1.2");
  int w = 0, h = 0;
  SDL_GetWindowSize(Window(), &w, &h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 400);
  EXPECT_EQ(Record.viewportWidth, 400);
  EXPECT_EQ(Record.viewportHeight, 400);
  EXPECT_EQ(Record.setupCalls, 1);
  int depth = 0;
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
  EXPECT_GE(depth, 16);
  EXPECT_EQ(SDL_GetWindowFlags(Window()) & SDL_WINDOW_SHOWN, SDL_WINDOW_SHOWN);
  EXPECT_FALSE(SDL_IsScreenSaverEnabled());
  SwapGlBuffers();
  const Uint32 firstWindow = SDL_GetWindowID(Window());

  CloseGlWindow();
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
  EXPECT_EQ(SDL_GetWindowFromID(firstWindow), nullptr);
  EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "the display connection is kept for the reopen";
  CloseGlWindow();  // a second close finds nothing to release

  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.1", 640, 480, 16, false));
  EXPECT_STREQ(SDL_GetWindowTitle(Window()), "Voxra - By Orvane v1.1");
  SDL_GetWindowSize(Window(), &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(Record.viewportWidth, 640);
  EXPECT_EQ(Record.setupCalls, 2);
  EXPECT_TRUE(Record.boxes.empty());

  // A late event of the closed window does not reach the new one's state.
  Drain();
  SDL_Event stale;
  SDL_zero(stale);
  stale.type = SDL_WINDOWEVENT;
  stale.window.event = SDL_WINDOWEVENT_MINIMIZED;
  stale.window.windowID = firstWindow;
  ASSERT_EQ(SDL_PushEvent(&stale), 1);
  Drain();
  EXPECT_TRUE(WindowActive);
}

// A size no display offers exactly; SDL would pick a larger mode in its place.
constexpr int kOddWidth = 641;
constexpr int kOddHeight = 479;

TEST_F(SdlWindowTest, RefusedFullscreenModeAnsweredYesOpensWindowed) {
  if (!UseX11()) GTEST_SKIP() << "no X display";
  Record.answer = MessageAnswer::Yes;
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.1", kOddWidth, kOddHeight, 16, true))
      << (Record.boxes.empty() ? "" : Record.boxes.back().text) << " " << SDL_GetError();
  ASSERT_EQ(Record.boxes.size(), 1u);
  EXPECT_EQ(Record.boxes[0].text, kQuestion);
  EXPECT_EQ(Record.boxes[0].caption, "Tamo GL");
  EXPECT_EQ(Record.boxes[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(Record.boxes[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(Record.boxes[0].owner, MessageOwner::None);
  EXPECT_FALSE(FullscreenMode);
  EXPECT_EQ(SDL_GetWindowFlags(Window()) & SDL_WINDOW_FULLSCREEN, 0u);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  int w = 0, h = 0;
  SDL_GetWindowSize(Window(), &w, &h);
  EXPECT_EQ(w, kOddWidth);
  EXPECT_EQ(h, kOddHeight);
  int doubleBuffer = 0;
  SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer);
  EXPECT_EQ(doubleBuffer, 1);
}

TEST_F(SdlWindowTest, RefusedFullscreenModeAnsweredNoEndsWithoutWindow) {
  if (!UseX11()) GTEST_SKIP() << "no X display";
  Record.answer = MessageAnswer::No;
  EXPECT_FALSE(OpenGlWindow("Voxra - By Orvane v1.1", kOddWidth, kOddHeight, 16, true));
  ASSERT_EQ(Record.boxes.size(), 2u);
  EXPECT_EQ(Record.boxes[0].caption, "Tamo GL");
  EXPECT_EQ(Record.boxes[1].text, "Program Will Now Close.");
  EXPECT_EQ(Record.boxes[1].caption, "ERROR");
  EXPECT_EQ(Record.boxes[1].buttons, MessageButtons::Ok);
  EXPECT_EQ(Record.boxes[1].icon, MessageIcon::Stop);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(Record.setupCalls, 0);
  EXPECT_TRUE(FullscreenMode);
}

TEST_F(SdlWindowTest, FullscreenAtAnOfferedModeHidesTheCursorUntilClosed) {
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.1", 1024, 768, 16, true));
  EXPECT_TRUE(Record.boxes.empty());
  EXPECT_TRUE(FullscreenMode);
  EXPECT_EQ(SDL_GetWindowFlags(Window()) & SDL_WINDOW_FULLSCREEN, SDL_WINDOW_FULLSCREEN);
  SDL_DisplayMode mode;
  ASSERT_EQ(SDL_GetWindowDisplayMode(Window(), &mode), 0);
  EXPECT_EQ(mode.w, 1024);
  EXPECT_EQ(mode.h, 768);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

  // The toggle back: windowed, cursor shown again.
  CloseGlWindow();
  FullscreenMode = !FullscreenMode;
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.1", 640, 480, 16, FullscreenMode));
  EXPECT_EQ(SDL_GetWindowFlags(Window()) & SDL_WINDOW_FULLSCREEN, 0u);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(SdlWindowTest, FailedSetupIsReportedAfterTheWindowIsGone) {
  Record.setupResult = false;
  EXPECT_FALSE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  ASSERT_EQ(Record.boxes.size(), 1u);
  EXPECT_EQ(Record.boxes[0].text, "Initialization Failed.");
  EXPECT_EQ(Record.boxes[0].caption, "ERROR");
  EXPECT_EQ(Record.boxes[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(Record.boxes[0].owner, MessageOwner::None);
  EXPECT_FALSE(Record.boxes[0].contextCurrent);
  EXPECT_EQ(Window(), nullptr);
}

TEST_F(SdlWindowTest, KeysReachKeyStateOneEventPerPass) {
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  Drain();
  // A chord with NumLock on and off gives the same numpad codes.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_KP_6, KMOD_NUM);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_KP_9, KMOD_NONE);
  EXPECT_EQ(Pump(), PumpResult::Handled);
  EXPECT_TRUE(KeyState[102]);
  EXPECT_FALSE(KeyState[105]) << "the second event was taken in the same pass";
  EXPECT_EQ(Pump(), PumpResult::Handled);
  EXPECT_TRUE(KeyState[105]);
  EXPECT_EQ(Pump(), PumpResult::Empty);

  PushKey(SDL_KEYUP, SDL_SCANCODE_KP_6, KMOD_NONE);
  Drain();
  EXPECT_FALSE(KeyState[102]);
  EXPECT_TRUE(KeyState[105]);

  // System keys leave the table alone, down and up.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_KP_1, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_F10, KMOD_NONE);
  PushKey(SDL_KEYUP, SDL_SCANCODE_KP_9, KMOD_LALT);
  Drain();
  EXPECT_FALSE(KeyState[18]);
  EXPECT_FALSE(KeyState[97]);
  EXPECT_FALSE(KeyState[121]);
  EXPECT_TRUE(KeyState[105]);
  const int held = static_cast<int>(std::count(std::begin(KeyState), std::end(KeyState), true));
  EXPECT_EQ(held, 1);
}

TEST_F(SdlWindowTest, WindowEventsDriveActivityAndViewport) {
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  Drain();
  PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  EXPECT_EQ(Pump(), PumpResult::Handled);
  EXPECT_FALSE(WindowActive);
  Drain();
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);  // losing the focus alone changes nothing
  PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
  EXPECT_EQ(Pump(), PumpResult::Handled);
  EXPECT_FALSE(WindowActive);
  EXPECT_EQ(Pump(), PumpResult::Handled);
  EXPECT_TRUE(WindowActive);

  SDL_SetWindowSize(Window(), 300, 200);
  Drain();
  Record.viewportWidth = Record.viewportHeight = -1;
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
  Drain();
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(Window(), &dw, &dh);
  EXPECT_EQ(Record.viewportWidth, dw);
  EXPECT_EQ(Record.viewportHeight, dh);
  EXPECT_EQ(dw, 300);
}

TEST_F(SdlWindowTest, CloseBoxAndAltF4QuitWithCodeZero) {
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  Drain();
  SDL_Event quit;
  SDL_zero(quit);
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);
  std::intptr_t param = 77;
  EXPECT_EQ(PumpOneMessage(&param), PumpResult::Quit);
  EXPECT_EQ(param, 0);
  Drain();

  // Alt+F4 is taken as a key, and the quit follows on a later pass.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_F4, KMOD_LALT);
  EXPECT_EQ(Pump(), PumpResult::Handled);
  EXPECT_FALSE(KeyState[115]);
  param = 77;
  PumpResult result = PumpResult::Empty;
  for (int pass = 0; pass < 3 && result != PumpResult::Quit; ++pass) {
    result = PumpOneMessage(&param);
  }
  EXPECT_EQ(result, PumpResult::Quit);
  EXPECT_EQ(param, 0);
}

}  // namespace
