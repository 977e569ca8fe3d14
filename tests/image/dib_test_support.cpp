#include "dib_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "image/dib_convert.h"
#include "image/dib_loader.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

std::vector<std::string> Messages;

MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons buttons,
                             MessageIcon icon, MessageOwner owner) {
  const bool usual = std::string(caption) == "Error" && buttons == MessageButtons::Ok &&
                     icon == MessageIcon::None && owner == MessageOwner::Focus;
  Messages.push_back(usual ? text : "unexpected box: " + std::string(text));
  return MessageAnswer::Ok;
}

Bytes Le(std::initializer_list<std::uint32_t> values, int size) {
  Bytes b;
  for (std::uint32_t v : values) {
    for (int i = 0; i < size; ++i) b.push_back(static_cast<std::uint8_t>(v >> 8 * i));
  }
  return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bpp,
                 std::uint32_t compression, std::uint32_t imageSize, std::uint32_t colorsUsed) {
  return Concat({Le({40, std::uint32_t(width), std::uint32_t(height)}), Le({1, bpp}, 2),
                 Le({compression, imageSize, 2835, 2835, colorsUsed, 0})});
}

Bytes WithFileHeader(const Bytes& packed, std::uint32_t bitsOffset) {
  return Concat({{'B', 'M'}, Le({std::uint32_t(packed.size() + 14), 0, bitsOffset}), packed});
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ScratchPath(const std::string& name) {
  static const struct Dir {
    fs::path path = fs::temp_directory_path() / ("voxra-dib-" + std::to_string(std::random_device{}()));
    Dir() { fs::create_directories(path); }
    ~Dir() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } dir;
  return (dir.path / name).string();
}

std::string WriteScratch(const std::string& name, const Bytes& content) {
  const std::string path = ScratchPath(name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(content.data()),
                                              std::streamsize(content.size()));
  return path;
}

Loaded Load(const std::string& path) {
  Messages.clear();
  Loaded out;
  if (DibImage* image = LoadDibImage(path.c_str())) {
    const std::uint8_t* p = image->pixels;
    out = {true, image->width, image->height, Bytes(p, p + 3 * std::size_t(image->width) * image->height)};
    FreeDibImage(image);
  }
  return out;
}

std::map<std::string, std::string> CorpusFiles() {
  std::map<std::string, std::string> files;
  const fs::path root(VOXRA_BMPSUITE_DIR);
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    if (it->path().extension() == ".bmp") {
      files[it->path().lexically_relative(root).generic_string()] = it->path().string();
    }
  }
  return files;
}

std::vector<std::uint32_t> ConvertBoth(const Bytes& info, const Bytes& bits) {
  // Buffers of the exact size, so the sanitizer build sees a write outside the
  // rows; the rgb rows start neither black nor empty.
  const auto width = std::int32_t(DibRead32(&info[4])), height = std::int32_t(DibRead32(&info[8]));
  std::size_t bytes = 0;
  const bool sized = Dib24SectionBytes(width, height, &bytes);
  const std::size_t w = sized ? std::size_t(width) : 0, h = sized ? std::size_t(std::abs(height)) : 0;
  Bytes section(bytes), rgb(3 * w * h, 0xA5);
  const std::int32_t rows = ConvertDibRows(info.data(), info.size(), bits.data(), bits.size(), section.data());
  EXPECT_EQ(ConvertDibRowsRgb(info.data(), info.size(), bits.data(), bits.size(), rgb.data()), rows);
  std::vector<std::uint32_t> pixels;
  for (std::size_t i = 0; rows != 0 && i < w * h; ++i) {
    const std::size_t x = i % w, y = i / w;
    const std::uint8_t* s = &section[(height < 0 ? h - 1 - y : y) * Dib24Stride(width) + 3 * x];
    const std::uint8_t* d = &rgb[3 * i];
    if (d[0] != s[2] || d[1] != s[1] || d[2] != s[0]) {
      ADD_FAILURE() << "pixel " << x << ", " << y << " of " << width << " x " << height
                    << ": rgb rows and section differ";
      return {};
    }
    pixels.push_back(std::uint32_t(d[0] << 16 | d[1] << 8 | d[2]));
  }
  return pixels;
}
