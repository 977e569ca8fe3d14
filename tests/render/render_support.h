// Helpers for the rendering tests: a temporary Data/ folder, bitmaps written
// on the spot and recorded message boxes.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

using Rgb = std::array<int, 3>;

struct RecordedMessage {
  std::string text, caption;
};
extern std::vector<RecordedMessage> RecordedMessages;  // every ShowMessageBox call

// A fresh folder holding an empty Data/, the working directory while it lives.
class TempWorkDir {
 public:
  TempWorkDir();
  ~TempWorkDir();
  std::filesystem::path DataFile(int n) const;  // Data/DataN.dll

 private:
  std::filesystem::path previous_, root_;
};

// A 24-bit bitmap; `pixels` holds width * height colours, bottom row first.
void WriteBmp24(const std::filesystem::path& path, int width, int height,
                const std::vector<Rgb>& pixels);
void WriteSolidBmp(const std::filesystem::path& path, Rgb colour, int size = 8);

// Success when every channel of `got` is within `tolerance` of `want`.
testing::AssertionResult ColourNear(const Rgb& got, const Rgb& want, int tolerance = 6);
