// Builders of small DIB files for the loader and converter tests, and a
// scratch folder to put them in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes* b, std::uint32_t v);
void Put32(Bytes* b, std::uint32_t v);

// A 40-byte info header.
Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bpp,
                 std::uint32_t compression = 0, std::uint32_t imageSize = 0,
                 std::uint32_t colorsUsed = 0);
// A 12-byte core header.
Bytes CoreHeader(std::uint16_t width, std::uint16_t height, std::uint16_t bpp);

// The 14-byte file header in front of a packed DIB, with the pixel data at
// `bitsOffset` (file offset).
Bytes WithFileHeader(const Bytes& packed, std::uint32_t bitsOffset);
Bytes Concat(std::initializer_list<Bytes> parts);

// Reads a whole file; empty when it cannot be read.
Bytes ReadFileBytes(const std::string& path);

// A folder private to the test process, removed at exit.
const std::string& ScratchDir();
std::string WriteScratch(const std::string& name, const Bytes& content);
