#include "render_support.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "platform/platform.h"

std::vector<RecordedMessage> RecordedMessages;

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons, MessageIcon,
                             MessageOwner) {
  RecordedMessages.push_back({text ? text : "", caption ? caption : ""});
  return MessageAnswer::Ok;
}

namespace fs = std::filesystem;

TempWorkDir::TempWorkDir() : previous_(fs::current_path()) {
  static int serial = 0;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  root_ = fs::temp_directory_path() /
          ("voxra-render-" + std::to_string(stamp) + "-" + std::to_string(++serial));
  fs::create_directories(root_ / "Data");
  fs::current_path(root_);
}

TempWorkDir::~TempWorkDir() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
  fs::remove_all(root_, ignored);
}

fs::path TempWorkDir::DataFile(int n) const {
  return root_ / "Data" / ("Data" + std::to_string(n) + ".dll");
}

void WriteBmp24(const fs::path& path, int width, int height, const std::vector<Rgb>& pixels) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<std::uint8_t> out = {'B', 'M'};
  auto put = [&out](int v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(i < 4 ? v >> (8 * i) : 0));
  };
  for (int v : {54 + stride * height, 0, 54, 40, width, height}) put(v, 4);
  put(1, 2);
  put(24, 2);
  put(0, 24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb& c = pixels[static_cast<std::size_t>(y * width + x)];
      put(c[2] | c[1] << 8 | c[0] << 16, 3);
    }
    put(0, stride - width * 3);
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
}

void WriteSolidBmp(const fs::path& path, Rgb colour, int size) {
  WriteBmp24(path, size, size, std::vector<Rgb>(static_cast<std::size_t>(size * size), colour));
}

testing::AssertionResult ColourNear(const Rgb& got, const Rgb& want, int tolerance) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(got[i] - want[i]) > tolerance) {
      return testing::AssertionFailure() << testing::PrintToString(got) << " is not near "
                                         << testing::PrintToString(want);
    }
  }
  return testing::AssertionSuccess();
}
