// The frame loop over a scripted platform that logs every seam call.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>

#include "app/frame_loop.h"
#include "platform/platform.h"
#include "render/gl_scene.h"  // RenderFrame

// A message is a key-down of its code, or kQuit + n: quit with exit code n.
constexpr int kQuit = 1000;

static struct ScriptedPlatform {
  std::map<int, std::deque<int>> inbox;  // the queue after idle pass n (0: at start)
  std::deque<int> queue;
  std::string log;
  int failingOpen = 0;  // the open call that fails, from 1; 0 for none
  int passes = 0, openCalls = 0;
} Os;

bool OpenGlWindow(const char* title, int width, int height, int bits, bool fullscreen) {
  Os.log += "open " + std::string(title) + " " + std::to_string(width) + "x" +
            std::to_string(height) + "x" + std::to_string(bits) + (fullscreen ? " full|" : " win|");
  return ++Os.openCalls != Os.failingOpen;
}
void CloseGlWindow() { Os.log += "close|"; }
PumpResult PumpOneMessage(std::intptr_t* lastParam) {
  if (Os.queue.empty()) return PumpResult::Empty;
  const int m = Os.queue.front();
  Os.queue.pop_front();
  *lastParam = m % kQuit;
  if (m >= kQuit) return PumpResult::Quit;
  Os.log += "msg " + std::to_string(m) + "|";
  KeyState[m] = true;
  return PumpResult::Handled;
}
void SwapGlBuffers() { Os.log += "swap|"; }
bool RenderFrame() {
  Os.log += "render|";
  return true;
}
void UpdatePlay() {
  Os.log += "update|";
  Os.queue = Os.inbox[++Os.passes];
}

namespace {

TEST(FrameLoopTest, OrderExitCodesAndReopens) {
  const std::string open = "open Voxra - By Orvane v1.2 400x400x16 win|";
  const std::string reopen = "open Voxra - By Orvane v1.1 640x480x16 ";
  const std::string frame = "render|swap|update|";
  const struct {
    const char* name;
    std::map<int, std::deque<int>> inbox;
    bool active;
    int failingOpen, exitCode;
    std::string log;
  } cases[] = {
      // Escape leaves with 0 (not the key's parameter) before the frame is shown.
      {"escape", {{0, {VkEscape}}}, true, 0, 0, open + "msg 27|render|close|"},
      // Messages before frames; the quit code is returned as is.
      {"quit", {{1, {5, 6}}, {2, {kQuit + 3}}}, true, 0, 3,
       open + frame + "msg 5|msg 6|" + frame + "close|"},
      {"minimised", {{1, {VkEscape}}}, false, 0, 0, open + "swap|update|msg 27|close|"},
      // F1 reopens once per key-down, the mode inverted each time.
      {"F1 twice", {{1, {VkF1}}, {3, {VkF1}}, {5, {kQuit}}}, true, 0, 0,
       open + frame + "msg 112|" + frame + "close|" + reopen + "full|" + frame + "msg 112|" +
           frame + "close|" + reopen + "win|" + frame + "close|"},
      {"open fails", {}, true, 1, 0, open},
      {"reopen fails", {{0, {VkF1}}}, true, 2, 0,
       open + "msg 112|" + frame + "close|" + reopen + "full|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool& held : KeyState) held = false;
    WindowActive = c.active;
    FullscreenMode = false;
    Os = {c.inbox, {}, "", c.failingOpen};
    Os.queue = Os.inbox[0];
    EXPECT_EQ(RunVoxra(), c.exitCode);
    EXPECT_EQ(Os.log, c.log);
  }
}

}  // namespace
