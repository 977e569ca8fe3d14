// Helpers for the rendering tests: data folders in a temporary working
// directory, bitmap files written on the spot, recorded message boxes and
// pixels read back from the current context.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Rgb = std::array<int, 3>;

// Every ShowMessageBox call of the binary, in order: text and caption.
struct RecordedMessage {
  std::string text;
  std::string caption;
};
extern std::vector<RecordedMessage> RecordedMessages;

// A fresh folder with an empty Data/ inside, made the working directory for
// the helper's lifetime; the previous working directory is restored and the
// folder removed afterwards.
class TempWorkDir {
 public:
  TempWorkDir();
  ~TempWorkDir();
  TempWorkDir(const TempWorkDir&) = delete;
  TempWorkDir& operator=(const TempWorkDir&) = delete;

  // Data/DataN.dll inside the folder.
  std::filesystem::path DataFile(int n) const;

 private:
  std::filesystem::path previous_;
  std::filesystem::path root_;
};

// Writes a 24-bit bottom-up bitmap with the file header; `pixels` holds
// width * height colours, bottom row first.
void WriteBmp24(const std::filesystem::path& path, int width, int height,
                const std::vector<Rgb>& pixels);
// A bitmap of one colour.
void WriteSolidBmp(const std::filesystem::path& path, Rgb colour, int size = 8);
// A file whose bitmap header has size 108, which the loader rejects.
void WriteUnknownHeaderBmp(const std::filesystem::path& path);

// The image of the texture `name` in the current context, as RGB bytes.
std::vector<std::uint8_t> ReadTexture(unsigned name, int* width, int* height);

// A frame buffer read back with glReadPixels, origin at the lower left.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  static Frame Read(int width, int height);
  Rgb At(int x, int y) const;
};

// True when every channel differs by at most `tolerance`.
bool Near(const Rgb& a, const Rgb& b, int tolerance = 6);
std::string ToString(const Rgb& c);

// Bytes the process has allocated from the heap and not yet released. False
// where the platform offers no such count.
bool HeapBytesInUse(std::size_t* bytes);

// Window coordinates of a point under the given modelview matrix and the
// current projection and viewport.
struct WindowPoint {
  int x;
  int y;
};
WindowPoint Project(const double modelview[16], double x, double y, double z);
