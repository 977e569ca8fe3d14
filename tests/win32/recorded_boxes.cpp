#include "recorded_boxes.h"

#include <windows.h>

BoxRecorder Boxes;

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner) {
  const bool windowExisted = FindWindowA("OpenGL", nullptr) != nullptr;
  Boxes.boxes.push_back({text, caption, buttons, icon, owner, windowExisted});
  return buttons == MessageButtons::YesNo ? Boxes.yesNoAnswer : MessageAnswer::Ok;
}
