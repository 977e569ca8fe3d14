#include "message_recorder.h"

std::vector<RecordedMessage> RecordedMessages;

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner) {
  RecordedMessages.push_back({text, caption, buttons, icon, owner});
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}
