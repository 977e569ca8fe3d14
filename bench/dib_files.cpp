#include "dib_files.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

void Put16(std::vector<std::uint8_t>* b, unsigned v) {
  b->push_back(static_cast<std::uint8_t>(v));
  b->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>* b, unsigned v) {
  Put16(b, v);
  Put16(b, v >> 16);
}

// A whole BMP file: file header, info header, table, pixel data.
std::vector<std::uint8_t> BmpFile(int bpp, unsigned compression, unsigned colors,
                                  const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> b = {'B', 'M'};
  const unsigned offset = 14 + 40 + 4 * colors;
  Put32(&b, offset + static_cast<unsigned>(data.size()));
  Put32(&b, 0);
  Put32(&b, offset);
  Put32(&b, 40);
  Put32(&b, kBenchSide);
  Put32(&b, kBenchSide);
  Put16(&b, 1);
  Put16(&b, static_cast<unsigned>(bpp));
  Put32(&b, compression);
  Put32(&b, static_cast<unsigned>(data.size()));
  Put32(&b, 2835);
  Put32(&b, 2835);
  Put32(&b, colors);
  Put32(&b, 0);
  for (unsigned i = 0; i < colors; ++i) {
    b.insert(b.end(), {static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                       static_cast<std::uint8_t>(i * 3), 0});
  }
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

}  // namespace

std::map<std::string, std::string> MakeBenchFiles(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  std::mt19937 random(12345);
  auto byte = [&] { return static_cast<std::uint8_t>(random()); };
  auto write = [&](const std::string& name, const std::vector<std::uint8_t>& content) {
    const std::string path = (dir / (name + ".bmp")).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    files[name] = path;
  };
  std::vector<std::uint8_t> data;
  // Smooth gradients with noise, so no reader gets an easy constant picture.
  for (int y = 0; y < kBenchSide; ++y) {
    for (int x = 0; x < kBenchSide; ++x) {
      data.insert(data.end(), {static_cast<std::uint8_t>(x + (byte() & 7)),
                               static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x ^ y)});
    }
  }
  write("24bpp", BmpFile(24, 0, 0, data));
  data.clear();
  for (int i = 0; i < kBenchSide * kBenchSide; ++i) data.push_back(byte());
  write("8bpp", BmpFile(8, 0, 256, data));
  data.resize(kBenchSide * kBenchSide / 2);
  write("4bpp", BmpFile(4, 0, 16, data));
  // RLE8: encoded runs of 1..32 pixels and short absolute runs, one line each row.
  data.clear();
  for (int y = 0; y < kBenchSide; ++y) {
    int x = 0;
    while (x < kBenchSide) {
      const int left = kBenchSide - x;
      if ((random() & 3) == 0 && left >= 8) {
        data.insert(data.end(), {0, 6});
        for (int i = 0; i < 6; ++i) data.push_back(byte());
        x += 6;
      } else {
        const int run = std::min(left, 1 + static_cast<int>(random() % 32));
        data.insert(data.end(), {static_cast<std::uint8_t>(run), byte()});
        x += run;
      }
    }
    data.insert(data.end(), {0, 0});
  }
  data.insert(data.end(), {0, 1});
  write("rle8", BmpFile(8, 1, 256, data));
  return files;
}
