// The benchmark pictures: 2048 x 2048 BMP files at 24, 8 and 4 bits per pixel
// and RLE8, the same bytes on every run (fixed seed).
#pragma once

#include <filesystem>
#include <map>
#include <string>

constexpr int kBenchSide = 2048;

// The names of the formats, in the order the benchmarks print them.
constexpr const char* kBenchFormats[] = {"24bpp", "8bpp", "4bpp", "rle8"};

// Writes the files into `dir` (which must exist); format name -> path.
std::map<std::string, std::string> MakeBenchFiles(const std::filesystem::path& dir);
