// Helpers of the image tests: DIB files made here, a scratch folder, the BMP
// corpus, and a message-box stand-in recording what the loader shows.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Texts of the boxes shown since the last Load; a box other than the loader's
// ("Error", OK, no icon, owned by the focus window) is marked "unexpected".
extern std::vector<std::string> Messages;

Bytes Le(std::initializer_list<std::uint32_t> values, int size = 4);  // little-endian
Bytes Concat(std::initializer_list<Bytes> parts);
Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bpp,
                 std::uint32_t compression = 0, std::uint32_t imageSize = 0,
                 std::uint32_t colorsUsed = 0);
Bytes WithFileHeader(const Bytes& packed, std::uint32_t bitsOffset);

Bytes ReadFileBytes(const std::string& path);
std::string ScratchPath(const std::string& name);  // private folder, removed at exit
std::string WriteScratch(const std::string& name, const Bytes& content);

struct Loaded {
  bool ok = false;
  std::int32_t width = 0, height = 0;
  Bytes pixels;
};
Loaded Load(const std::string& path);  // LoadDibImage, Messages cleared first

// The corpus: paths by name, e.g. "g/pal8.bmp".
std::map<std::string, std::string> CorpusFiles();

// Converts a packed DIB (40-byte header) into a section and into rgb rows and
// fails the test unless both hold the same pixels. Returns them as 0xRRGGBB,
// bottom row first; empty when refused.
std::vector<std::uint32_t> ConvertBoth(const Bytes& info, const Bytes& bits);
