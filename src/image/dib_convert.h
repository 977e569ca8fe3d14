// The portable half of DIB loading: laying out a DIB file for conversion, and
// a converter that renders a packed DIB into a 24-bit section the way GDI's
// SetDIBits does. No platform calls; the SDL layer converts with it and the
// Windows tests compare it with GDI.
#pragma once

#include <cstddef>
#include <cstdint>

// Compression codes of the info header.
enum DibCompression : std::uint32_t {
  DibRgb = 0,
  DibRle8 = 1,
  DibRle4 = 2,
  DibBitfields = 3,
};

// Little-endian reads that need no alignment.
inline std::uint16_t DibRead16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t DibRead32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(DibRead16(p)) |
         (static_cast<std::uint32_t>(DibRead16(p + 2)) << 16);
}
inline void DibWrite16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void DibWrite32(std::uint8_t* p, std::uint32_t v) {
  DibWrite16(p, v);
  DibWrite16(p + 2, v >> 16);
}

// The colour-table entry count of a core (12-byte) or info header: the low 16
// bits of colours used when that field is not 0, else 2, 16 or 256 by bits
// per pixel, else 0.
// Reads up to byte 36 of the header for sizes other than 12.
std::uint16_t DibHeaderColorCount(const std::uint8_t* header);

// The largest 24-bit section or pixel buffer the loader will make, in bytes.
constexpr std::uint64_t DibMaxBufferBytes = 0x7FFFFFFF;

// The bytes of a 24-bit section of width x |height|, rows filled to 4 bytes.
// False when width <= 0, height == 0 or the size passes DibMaxBufferBytes.
bool Dib24SectionBytes(std::int32_t width, std::int32_t height, std::size_t* bytes);

// The bytes of one 24-bit section row: 3 * width filled to a multiple of 4.
inline std::size_t Dib24Stride(std::int32_t width) {
  return ((static_cast<std::size_t>(width) * 24 + 31) / 32) * 4;
}

// One row of blue, green, red pixels into red, green, blue.
void DibSwapRowToRgb(const std::uint8_t* bgr, std::uint8_t* rgb, std::int32_t width);

// Converts a packed DIB into a 24-bit section of the same width and height.
// `info` holds a 12-byte or 40-byte (or larger) header followed by its colour
// table, or by the three masks for BI_BITFIELDS; `infoLength` bytes of it may
// be read. `bits`, `bitsLength`: the pixel data. `section` has
// Dib24SectionBytes bytes; only pixel bytes are written, rows in the source's
// order. Returns the rows converted (|height|), 0 when GDI would refuse the
// picture or the data are too short for it.
std::int32_t ConvertDibRows(const void* info, std::size_t infoLength, const void* bits,
                            std::size_t bitsLength, std::uint8_t* section);

// The same conversion into tightly packed rows of red, green, blue (3 * width
// bytes each, no fill), the bottom row first whatever the source's order: the
// layout of DibImage pixels. `rgb` has 3 * width * |height| bytes; when rows
// are returned all of them are written (pixels a run-length stream never
// reaches are black). Returns what ConvertDibRows returns for the same input.
std::int32_t ConvertDibRowsRgb(const void* info, std::size_t infoLength, const void* bits,
                               std::size_t bitsLength, std::uint8_t* rgb);

// A DIB file laid out for conversion: the normalised conversion header (a
// 40-byte info header, the masks of a bit-field file, the colour table and a
// spare entry) and the span of the pixel data inside the file. Owns `info`.
struct DibConversionInput {
  std::uint8_t* info = nullptr;
  std::size_t infoLength = 0;
  const std::uint8_t* bits = nullptr;
  std::size_t bitsLength = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;

  DibConversionInput() = default;
  DibConversionInput(const DibConversionInput&) = delete;
  DibConversionInput& operator=(const DibConversionInput&) = delete;
  ~DibConversionInput();
};

enum class DibLayoutResult {
  Ok,
  OutOfMemory,    // the conversion header, or the picture exceeds DibMaxBufferBytes
  UnknownFormat,  // the header is not 12 or 40 bytes, or not all of it is in the file
  Malformed,      // bad sizes, or a table or the pixel data reach past the file's end
};

// Checks a whole DIB file (with or without the 14-byte file header) against
// its length and fills `input`. Nothing outside [file, file + length) is read,
// and on Ok the conversion may read input->bitsLength bytes of pixel data.
DibLayoutResult LayOutDibFile(const std::uint8_t* file, std::size_t length,
                              DibConversionInput* input);
