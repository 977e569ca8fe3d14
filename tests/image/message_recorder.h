// A stand-in for the layer's ShowMessageBox that records every call instead
// of showing a box, so the loader's messages can be checked.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct RecordedMessage {
  std::string text;
  std::string caption;
  MessageButtons buttons;
  MessageIcon icon;
  MessageOwner owner;
};

extern std::vector<RecordedMessage> RecordedMessages;
