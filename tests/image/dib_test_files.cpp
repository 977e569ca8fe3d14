#include "dib_test_files.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

void Put16(Bytes* b, std::uint32_t v) {
  b->push_back(static_cast<std::uint8_t>(v));
  b->push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes* b, std::uint32_t v) {
  Put16(b, v);
  Put16(b, v >> 16);
}

Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bpp,
                 std::uint32_t compression, std::uint32_t imageSize, std::uint32_t colorsUsed) {
  Bytes b;
  Put32(&b, 40);
  Put32(&b, static_cast<std::uint32_t>(width));
  Put32(&b, static_cast<std::uint32_t>(height));
  Put16(&b, 1);
  Put16(&b, bpp);
  Put32(&b, compression);
  Put32(&b, imageSize);
  Put32(&b, 2835);
  Put32(&b, 2835);
  Put32(&b, colorsUsed);
  Put32(&b, 0);
  return b;
}

Bytes CoreHeader(std::uint16_t width, std::uint16_t height, std::uint16_t bpp) {
  Bytes b;
  Put32(&b, 12);
  Put16(&b, width);
  Put16(&b, height);
  Put16(&b, 1);
  Put16(&b, bpp);
  return b;
}

Bytes WithFileHeader(const Bytes& packed, std::uint32_t bitsOffset) {
  Bytes b = {0x42, 0x4D};
  Put32(&b, static_cast<std::uint32_t>(packed.size() + 14));
  Put32(&b, 0);
  Put32(&b, bitsOffset);
  b.insert(b.end(), packed.begin(), packed.end());
  return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {
std::filesystem::path MakeScratch() {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("voxra-dib-" +
                               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                               "-" + std::to_string(reinterpret_cast<std::uintptr_t>(&dir) & 0xFFFFF));
  std::filesystem::create_directories(dir);
  return dir;
}

struct Scratch {
  std::filesystem::path dir = MakeScratch();
  std::string name = dir.string();
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};
}  // namespace

const std::string& ScratchDir() {
  static Scratch scratch;
  return scratch.name;
}

std::string WriteScratch(const std::string& name, const Bytes& content) {
  const std::string path = (std::filesystem::path(ScratchDir()) / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(content.data()),
            static_cast<std::streamsize>(content.size()));
  return path;
}
