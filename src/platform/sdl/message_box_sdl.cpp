// Message boxes through SDL. SDL_ShowMessageBox works before the video
// subsystem is up, so the window-opening failures can be reported too.
#include <SDL.h>

#include "platform/platform.h"

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner) {
  enum { AnswerOk, AnswerYes, AnswerNo };
  const SDL_MessageBoxButtonData ok[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
       AnswerOk, "OK"},
  };
  const SDL_MessageBoxButtonData yesNo[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, AnswerYes, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, AnswerNo, "No"},
  };
  Uint32 flags = 0;
  switch (icon) {
    case MessageIcon::None: break;
    case MessageIcon::Exclamation: flags = SDL_MESSAGEBOX_WARNING; break;
    case MessageIcon::Stop: flags = SDL_MESSAGEBOX_ERROR; break;
    case MessageIcon::Information: flags = SDL_MESSAGEBOX_INFORMATION; break;
  }
  const bool askYesNo = buttons == MessageButtons::YesNo;
  SDL_MessageBoxData data{};
  data.flags = flags;
  data.window = owner == MessageOwner::Focus ? SDL_GetKeyboardFocus() : nullptr;
  data.title = caption;
  data.message = text;
  data.numbuttons = askYesNo ? 2 : 1;
  data.buttons = askYesNo ? yesNo : ok;
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed < 0) {
    // No box could be shown (or it was closed): take the Return key's answer.
    pressed = askYesNo ? AnswerYes : AnswerOk;
  }
  switch (pressed) {
    case AnswerYes: return MessageAnswer::Yes;
    case AnswerNo: return MessageAnswer::No;
    default: return MessageAnswer::Ok;
  }
}
