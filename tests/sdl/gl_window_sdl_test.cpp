// The SDL window layer on the offscreen driver (one display mode, 1024 x 768) and on
// X11 where a display is at hand; GL setup, viewport and message boxes are recorders.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/gl_window_sdl.h"
#include "render/gl_scene.h"

namespace {
using Box = std::tuple<std::string, std::string, MessageButtons, MessageIcon>;  // caption, text
struct Recorder {
  std::vector<Box> boxes;
  MessageAnswer answer = MessageAnswer::Yes;
  std::pair<int, int> viewport;
} Record;
}  // namespace

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner) {
  Record.boxes.emplace_back(caption, text, buttons, icon);
  return buttons == MessageButtons::YesNo ? Record.answer : MessageAnswer::Ok;
}
bool SetupGl() { return true; }
void ResizeViewport(int width, int height) { Record.viewport = {width, height}; }

namespace {

SDL_Event KeyEvent(Uint32 type, SDL_Scancode scancode, int mod) {
  SDL_Event event{};
  event.type = type;
  event.key.keysym.scancode = scancode;
  event.key.keysym.mod = static_cast<Uint16>(mod);
  return event;
}

SDL_Event WindowEvent(Uint8 what, Uint32 windowId) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = what;
  event.window.windowID = windowId;
  return event;
}

class SdlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    Record = Recorder{};
  }
  void TearDown() override {
    EndSdlVideo();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
  }
  static SDL_Window* Window() { return SDL_GL_GetCurrentWindow(); }
  static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
  // Takes every pending event: a round of polling ends with one empty poll,
  // which may come before events pushed later, so two rounds.
  static void Drain() {
    std::intptr_t param = 0;
    for (int empty = 0; empty < 2;) empty += PumpOneMessage(&param) == PumpResult::Empty;
  }
};

TEST_F(SdlWindowTest, OpensClosesAndReopensFullscreenAsTheToggleDoes) {
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  EXPECT_NE(SDL_GL_GetCurrentContext(), nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(Window()), "Voxra - By Orvane v1.2");
  EXPECT_EQ(Record.viewport, std::make_pair(400, 400));  // the window's drawable size
  EXPECT_FALSE(SDL_IsScreenSaverEnabled());
  const Uint32 first = SDL_GetWindowID(Window());
  CloseGlWindow();
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
  EXPECT_EQ(SDL_GetWindowFromID(first), nullptr);
  CloseGlWindow();  // nothing left to release

  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.1", 1024, 768, 16, true));
  EXPECT_STREQ(SDL_GetWindowTitle(Window()), "Voxra - By Orvane v1.1");
  EXPECT_EQ(SDL_GetWindowFlags(Window()) & SDL_WINDOW_FULLSCREEN, SDL_WINDOW_FULLSCREEN);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  EXPECT_TRUE(Record.boxes.empty());
  Drain();  // a late event of the closed window does not reach the new one's state
  Push(WindowEvent(SDL_WINDOWEVENT_MINIMIZED, first));
  Drain();
  EXPECT_TRUE(WindowActive);
  CloseGlWindow();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(SdlWindowTest, RefusedFullscreenModeAsksForAWindow) {
  if (!SDL_getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No}) {
    const bool yes = answer == MessageAnswer::Yes;
    Record = Recorder{{}, answer, {}};
    // No display offers 641 x 479, and a larger mode is not taken in its place.
    EXPECT_EQ(OpenGlWindow("Voxra - By Orvane v1.1", 641, 479, 16, true), yes);
    std::vector<Box> expected{{"Tamo GL",
                               "The Requested Fullscreen Mode Is Not Supported By\n"
                               "Your Video Card. Use Windowed Mode Instead?",
                               MessageButtons::YesNo, MessageIcon::Exclamation}};
    if (!yes) {
      expected.emplace_back("ERROR", "Program Will Now Close.", MessageButtons::Ok, MessageIcon::Stop);
    }
    EXPECT_EQ(Record.boxes, expected);
    EXPECT_EQ(FullscreenMode, !yes);
    EXPECT_EQ(Window() != nullptr, yes);
    EXPECT_EQ(Record.viewport, yes ? std::make_pair(641, 479) : std::make_pair(0, 0));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    CloseGlWindow();
  }
}

// All events are queued at once and each pass takes one: keys by position
// (keypad digits whatever NumLock says), system keys (F10, Alt combinations)
// that leave KeyState alone, minimise and restore, and Alt+F4's quit.
TEST_F(SdlWindowTest, EventsReachTheSharedStateOnePerPass) {
  struct Key {
    SDL_Scancode scancode;
    int mod;
    int held;  // 0: KeyState left alone
  };
  std::vector<Key> keys = {
      {SDL_SCANCODE_ESCAPE, 0, VkEscape}, {SDL_SCANCODE_LEFT, 0, VkLeft},
      {SDL_SCANCODE_UP, 0, VkUp},         {SDL_SCANCODE_RIGHT, 0, VkRight},
      {SDL_SCANCODE_DOWN, 0, VkDown},     {SDL_SCANCODE_S, KMOD_LSHIFT, VkS},
      {SDL_SCANCODE_F1, 0, VkF1},         {SDL_SCANCODE_S, KMOD_LCTRL | KMOD_LALT, VkS},  // AltGr
      {SDL_SCANCODE_F10, 0, 0},           {SDL_SCANCODE_LALT, KMOD_LALT, 0},
      {SDL_SCANCODE_F1, KMOD_RALT, 0},    {SDL_SCANCODE_KP_1, KMOD_LALT | KMOD_NUM, 0},
      {SDL_Scancode(SDL_NUM_SCANCODES), 0, 0}};  // past the keymap
  for (int d = 0; d < 10; ++d) {
    const SDL_Scancode digit = d ? SDL_Scancode(SDL_SCANCODE_KP_1 + d - 1) : SDL_SCANCODE_KP_0;
    keys.insert(keys.end(), {{digit, KMOD_NUM, VkNumpad0 + d}, {digit, KMOD_NONE, VkNumpad0 + d}});
  }
  struct Step {
    SDL_Event event;
    int held;
    bool active;
  };
  std::vector<Step> steps;
  for (const Key& k : keys) {
    steps.push_back({KeyEvent(SDL_KEYDOWN, k.scancode, k.mod), k.held, true});
    steps.push_back({KeyEvent(SDL_KEYUP, k.scancode, k.mod), 0, true});
  }
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  const Uint32 id = SDL_GetWindowID(Window());
  for (const auto& [event, active] :
       {std::make_pair(SDL_WINDOWEVENT_MINIMIZED, false), {SDL_WINDOWEVENT_FOCUS_LOST, false},
        {SDL_WINDOWEVENT_RESTORED, true}, {SDL_WINDOWEVENT_MINIMIZED, false},
        {SDL_WINDOWEVENT_MAXIMIZED, true}, {SDL_WINDOWEVENT_FOCUS_LOST, true}}) {
    steps.push_back({WindowEvent(event, id), 0, active});
  }
  steps.push_back({KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_F4, KMOD_LALT), 0, true});
  Drain();
  for (const Step& step : steps) Push(step.event);
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    std::intptr_t param = 0;
    EXPECT_EQ(PumpOneMessage(&param), PumpResult::Handled);
    EXPECT_EQ(std::count(std::begin(KeyState), std::end(KeyState), true), steps[i].held ? 1 : 0);
    EXPECT_EQ(KeyState[steps[i].held], steps[i].held != 0);
    EXPECT_EQ(WindowActive, steps[i].active);
  }
  // Alt+F4, the last step, asked to close: the quit (as from the close box)
  // comes on a later pass, with exit code 0.
  std::intptr_t exitCode = 77;
  PumpResult result = PumpResult::Empty;
  for (int pass = 0; pass < 3 && result != PumpResult::Quit; ++pass) {
    result = PumpOneMessage(&exitCode);
  }
  EXPECT_EQ(result, PumpResult::Quit);
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
