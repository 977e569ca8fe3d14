// The null layer: the seam without a window system. Its files are the POSIX
// ones (platform/posix), its DIB conversion the portable converter.
#include "platform/null/null_platform.h"

NullPlatformState NullPlatform;

void ResetNullPlatform() {
  NullPlatform = NullPlatformState();
  ReleaseAllKeys();
  WindowActive = true;
  FullscreenMode = false;
}

bool OpenGlWindow(const char* title, int width, int height, int /*bits*/, bool fullscreen) {
  FullscreenMode = fullscreen;
  if (FullscreenMode && NullPlatform.refuseFullscreen && !AcceptWindowedFallback()) return false;
  NullPlatform.windows.push_back({title, width, height, FullscreenMode});
  if (!NullPlatform.runSetupGl) return true;
  ResizeViewport(width, height);
  if (!SetupGl()) return FailOpen("Initialization Failed.");
  return true;
}

void CloseGlWindow() {
  ++NullPlatform.closes;
  if (NullPlatform.closeFailure != nullptr) ReportCloseError(NullPlatform.closeFailure);
}

PumpResult PumpOneMessage(std::intptr_t* lastParam) {
  if (NullPlatform.messages.empty()) return PumpResult::Empty;
  const NullMessage m = NullPlatform.messages.front();
  NullPlatform.messages.pop_front();
  *lastParam = m.value;
  if (m.kind == NullMessage::Quit) return PumpResult::Quit;
  if (m.kind == NullMessage::KeyDown) {
    PressKey(m.value, m.source);
  } else {
    ReleaseKey(m.value, m.source);
  }
  return PumpResult::Handled;
}

void SwapGlBuffers() {
  if (NullPlatform.onSwap) NullPlatform.onSwap();
}

bool QueryCounterFrequency(std::int64_t* frequency) {
  *frequency = NullPlatform.frequency;
  return true;
}

bool QueryCounter(std::int64_t* count) {
  *count = NullPlatform.counter;
  NullPlatform.counter += NullPlatform.counterStep;
  return true;
}

std::uint32_t TickCountMs() { return NullPlatform.tickCount; }

// Time passes at once: the counter moves on as if the sleep had been taken.
void SleepForTicks(std::int64_t ticks) {
  NullPlatform.slept += ticks;
  NullPlatform.counter += ticks + NullPlatform.sleepLate;
}

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner) {
  NullPlatform.boxes.push_back({text, caption, buttons, icon, owner});
  if (buttons != MessageButtons::YesNo) return MessageAnswer::Ok;
  if (NullPlatform.answers.empty()) return MessageAnswer::Yes;
  const MessageAnswer answer = NullPlatform.answers.front();
  NullPlatform.answers.pop_front();
  return answer;
}
