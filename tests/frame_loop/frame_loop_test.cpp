// The frame loop over a scripted platform: every seam call is logged, the
// message queue is a script, and keys are pressed between passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/play.h"
#include "platform/platform.h"
#include "render/gl_scene.h"

namespace {

struct Message {
  PumpResult result;
  std::intptr_t param;
  std::function<void()> effect;  // what dispatching it does (a key press, ...)
};

struct ScriptedPlatform {
  std::deque<Message> queue;
  std::vector<std::string> log;
  std::vector<bool> openResults;  // by call; true once the list runs out
  bool renderResult = true;
  int idlePasses = 0;
  std::function<void(int)> afterUpdate;  // called with the idle pass's number
} Os;

}  // namespace

bool OpenGlWindow(const char* title, int width, int height, int bits, bool fullscreen) {
  Os.log.push_back("open " + std::string(title) + " " + std::to_string(width) + "x" +
                   std::to_string(height) + "x" + std::to_string(bits) + (fullscreen ? " full" : " win"));
  const std::size_t n = std::count_if(Os.log.begin(), Os.log.end(),
                                      [](const std::string& s) { return s.rfind("open", 0) == 0; });
  return n > Os.openResults.size() ? true : bool(Os.openResults[n - 1]);
}
void CloseGlWindow() { Os.log.push_back("close"); }
PumpResult PumpOneMessage(std::intptr_t* lastParam) {
  if (Os.queue.empty()) return PumpResult::Empty;
  Message m = Os.queue.front();
  Os.queue.pop_front();
  *lastParam = m.param;
  if (m.result == PumpResult::Handled) {
    Os.log.push_back("msg " + std::to_string(m.param));
    if (m.effect) m.effect();
  }
  return m.result;
}
void SwapGlBuffers() { Os.log.push_back("swap"); }
bool RenderFrame() {
  Os.log.push_back("render");
  return Os.renderResult;
}
void UpdatePlay() {
  Os.log.push_back("update");
  if (Os.afterUpdate) Os.afterUpdate(++Os.idlePasses);
}
void ResizeViewport(int, int) {}
bool SetupGl() { return true; }

namespace {

Message KeyDown(int code) {
  return {PumpResult::Handled, code, [code] { KeyState[code] = true; }};
}
Message Quit(std::intptr_t code) { return {PumpResult::Quit, code, nullptr}; }

using Log = std::vector<std::string>;

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::fill(std::begin(KeyState), std::end(KeyState), false);
    WindowActive = true;
    FullscreenMode = false;
    Os = {};
  }
};

TEST_F(FrameLoop, EscapeLeavesWithZeroBeforeTheFrameIsShown) {
  Os.queue = {KeyDown(VkEscape)};
  EXPECT_EQ(RunVoxra(), 0);  // not the key-down's parameter, 27
  EXPECT_EQ(Os.log, (Log{"open Voxra - By Orvane v1.2 400x400x16 win", "msg 27", "render", "close"}));
}

TEST_F(FrameLoop, QuitCodeIsReturnedAsIsAndMessagesComeBeforeFrames) {
  Os.afterUpdate = [](int pass) {
    if (pass == 1) Os.queue = {{PumpResult::Handled, 5, nullptr}, {PumpResult::Handled, 6, nullptr}};
    if (pass == 2) Os.queue = {Quit(3)};
  };
  EXPECT_EQ(RunVoxra(), 3);
  EXPECT_EQ(Os.log, (Log{"open Voxra - By Orvane v1.2 400x400x16 win", "render", "swap", "update",
                         "msg 5", "msg 6", "render", "swap", "update", "close"}));

  SetUp();
  Os.queue = {{PumpResult::Handled, 9, nullptr}, Quit(0)};
  EXPECT_EQ(RunVoxra(), 0);
}

TEST_F(FrameLoop, InactiveWindowSkipsDrawingButStillSwapsAndUpdates) {
  WindowActive = false;
  Os.afterUpdate = [](int pass) {
    if (pass == 1) Os.queue = {KeyDown(VkEscape)};
  };
  EXPECT_EQ(RunVoxra(), 0);
  EXPECT_EQ(Os.log, (Log{"open Voxra - By Orvane v1.2 400x400x16 win", "swap", "update", "msg 27", "close"}));
}

TEST_F(FrameLoop, F1ReopensOncePerKeyDownWithTheModeInverted) {
  Os.afterUpdate = [](int pass) {
    if (pass == 1) Os.queue = {KeyDown(VkF1)};
    if (pass == 3) Os.queue = {KeyDown(VkF1)};
    if (pass == 5) Os.queue = {Quit(0)};
  };
  EXPECT_EQ(RunVoxra(), 0);
  const Log frame{"render", "swap", "update"};
  Log expected{"open Voxra - By Orvane v1.2 400x400x16 win"};
  expected.insert(expected.end(), frame.begin(), frame.end());
  expected.push_back("msg 112");
  expected.insert(expected.end(), frame.begin(), frame.end());
  expected.insert(expected.end(), {"close", "open Voxra - By Orvane v1.1 640x480x16 full"});
  expected.insert(expected.end(), frame.begin(), frame.end());  // F1 was consumed
  expected.push_back("msg 112");
  expected.insert(expected.end(), frame.begin(), frame.end());
  expected.insert(expected.end(), {"close", "open Voxra - By Orvane v1.1 640x480x16 win"});
  expected.insert(expected.end(), frame.begin(), frame.end());
  expected.push_back("close");
  EXPECT_EQ(Os.log, expected);
  EXPECT_FALSE(KeyState[VkF1]);
  EXPECT_FALSE(FullscreenMode);
}

TEST_F(FrameLoop, FailedOpensAndAFailedFrameEndTheProgram) {
  Os.openResults = {false};
  EXPECT_EQ(RunVoxra(), 0);
  EXPECT_EQ(Os.log, (Log{"open Voxra - By Orvane v1.2 400x400x16 win"}));

  SetUp();
  Os.openResults = {true, false};
  Os.queue = {KeyDown(VkF1)};
  EXPECT_EQ(RunVoxra(), 0);
  EXPECT_EQ(Os.log, (Log{"open Voxra - By Orvane v1.2 400x400x16 win", "msg 112", "render", "swap",
                         "update", "close", "open Voxra - By Orvane v1.1 640x480x16 full"}));

  SetUp();
  Os.renderResult = false;
  Os.queue = {{PumpResult::Handled, 4, nullptr}};
  EXPECT_EQ(RunVoxra(), 0);
  EXPECT_EQ(Os.log, (Log{"open Voxra - By Orvane v1.2 400x400x16 win", "msg 4", "render", "close"}));
}

}  // namespace
