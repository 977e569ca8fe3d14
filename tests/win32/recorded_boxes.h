// A ShowMessageBox that records each box instead of showing it, and answers
// with a preset button, for tests that drive the Win32 window.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct RecordedBox {
  std::string text;
  std::string caption;
  MessageButtons buttons;
  MessageIcon icon;
  MessageOwner owner;
  bool windowExisted;  // a window of class "OpenGL" existed when the box came up
};

struct BoxRecorder {
  std::vector<RecordedBox> boxes;
  MessageAnswer yesNoAnswer = MessageAnswer::Yes;
};

extern BoxRecorder Boxes;
