// The layout of a DIB file: its header read once into a typed description
// (DibDescription, seam/platform.h) that has been checked against the file's
// length, ready for conversion.
#pragma once

#include <cstddef>
#include <cstdint>

#include "seam/platform.h"

// Little-endian reads that need no alignment.
inline std::uint16_t DibRead16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t DibRead32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(DibRead16(p)) |
         (static_cast<std::uint32_t>(DibRead16(p + 2)) << 16);
}

enum class DibLayoutResult {
  Ok,
  OutOfMemory,    // no section of that size: width <= 0, height 0, or over kDibMaxBufferBytes
  UnknownFormat,  // the header is not 12 or 40 bytes, or not all of it is in the file
  Malformed,      // bad sizes, or a table or the pixel data reach past the file's end
};

// The largest 24-bit section or pixel buffer the loader will make, in bytes.
constexpr std::uint64_t kDibMaxBufferBytes = 0x7FFFFFFF;

// Reads and checks a whole DIB file (with or without the 14-byte file header)
// once. Nothing outside [file, file + length) is read, and on Ok every span of
// `dib` lies inside the file, including all the pixel data its rows need.
DibLayoutResult DescribeDibFile(const std::uint8_t* file, std::size_t length, DibDescription* dib);

// The colour-table entry count of a core (12-byte) or info header: the low 16
// bits of colours used when that field is not 0, else 2, 16 or 256 by bits
// per pixel, else 0. Reads up to byte 36 of the header for sizes other than 12.
std::uint16_t DibColorCount(const void* header);

// The bytes of a 24-bit section of width x |height|, rows filled to 4 bytes.
// False when width <= 0, height == 0 or the size passes kDibMaxBufferBytes.
bool Dib24SectionBytes(std::int32_t width, std::int32_t height, std::size_t* bytes);

// a * b into *product; false when it does not fit 64 bits.
inline bool DibMultiply(std::uint64_t a, std::uint64_t b, std::uint64_t* product) {
  if (a != 0 && b > UINT64_MAX / a) return false;
  *product = a * b;
  return true;
}

// Bytes of one stored row of an uncompressed picture; false on overflow.
inline bool DibSourceStride(std::int32_t width, std::uint32_t bpp, std::uint64_t* stride) {
  std::uint64_t bitsPerRow = 0;
  if (width < 0 || !DibMultiply(static_cast<std::uint64_t>(width), bpp, &bitsPerRow)) return false;
  *stride = (bitsPerRow + 31) / 32 * 4;
  return true;
}
