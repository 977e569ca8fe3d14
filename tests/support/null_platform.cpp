#include "null_platform.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "image/dib_rows.h"
#include "platform/window_reports.h"

NullPlatformState NullPlatform;

void ResetNullPlatform() {
  NullPlatform = NullPlatformState();
  std::memset(KeyState, 0, sizeof KeyState);
  WindowActive = true;
  FullscreenMode = false;
}

bool OpenGlWindow(const char* title, int width, int height, int /*bits*/, bool fullscreen) {
  NullPlatform.windows.push_back({title, width, height, fullscreen});
  FullscreenMode = fullscreen;
  if (!NullPlatform.runSetupGl) return true;
  ResizeViewport(width, height);
  if (!SetupGl()) return FailOpen("Initialization Failed.");
  return true;
}

void CloseGlWindow() { ++NullPlatform.closes; }

PumpResult PumpOneMessage(std::intptr_t* lastParam) {
  if (NullPlatform.messages.empty()) return PumpResult::Empty;
  const NullMessage m = NullPlatform.messages.front();
  NullPlatform.messages.pop_front();
  *lastParam = m.value;
  if (m.kind == NullMessage::Quit) return PumpResult::Quit;
  if (m.value >= 0 && m.value < 256) KeyState[m.value] = m.kind == NullMessage::KeyDown;
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

std::uint32_t TickCountMs() { return 0; }

struct MappedFile {
  std::vector<std::uint8_t> bytes;
};

MapResult MapFileReadOnly(const char* name, FileView* mapped) {
  *mapped = FileView{};
  std::error_code error;
  std::ifstream in;
  if (std::filesystem::is_regular_file(name, error)) in.open(name, std::ios::binary);
  if (!in.is_open()) return MapResult::NotOpened;
  auto file = std::make_unique<MappedFile>();
  file->bytes.assign(std::istreambuf_iterator<char>(in), {});
  if (file->bytes.empty()) return MapResult::NotMapped;  // an empty file cannot be mapped
  *mapped = {file.get(), file->bytes.data(), file->bytes.size()};
  file.release();
  return MapResult::Mapped;
}
void UnmapFile(MappedFile* file) { delete file; }

DibConvertResult ConvertDibToRgb(const DibDescription& dib, std::uint8_t* rgb) {
  return ConvertDibRows(dib, rgb) != 0 ? DibConvertResult::Ok : DibConvertResult::ConversionError;
}

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon, MessageOwner) {
  NullPlatform.boxes.push_back({text, caption});
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}
