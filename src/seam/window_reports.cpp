// The messages every window layer shows while opening and closing the window.
#include "seam/platform.h"

void ReportOpenError(const char* text) {
  ShowMessageBox(text, "ERROR", MessageButtons::Ok, MessageIcon::Exclamation, MessageOwner::None);
}

void ReportCloseError(const char* text) {
  ShowMessageBox(text, "SHUTDOWN ERROR", MessageButtons::Ok, MessageIcon::Information,
                 MessageOwner::None);
}

bool FailOpen(const char* text) {
  CloseGlWindow();
  ReportOpenError(text);
  return false;
}

bool AcceptWindowedFallback() {
  const MessageAnswer answer = ShowMessageBox(
      "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
      "Tamo GL", MessageButtons::YesNo, MessageIcon::Exclamation, MessageOwner::None);
  if (answer == MessageAnswer::Yes) {
    FullscreenMode = false;
    return true;
  }
  ShowMessageBox("Program Will Now Close.", "ERROR", MessageButtons::Ok, MessageIcon::Stop,
                 MessageOwner::None);
  return false;
}
