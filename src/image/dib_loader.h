// Loads a Windows DIB file (with or without the 14-byte file header) into
// tightly packed 24-bit RGB rows that glTexImage2D takes as GL_RGB.
#pragma once

#include <cstddef>
#include <cstdint>

struct DibImage {
  std::int32_t width;
  std::int32_t height;     // rows; the first row in pixels is the bottom row
  std::uint8_t* pixels;    // width * height * 3 bytes: red, green, blue
};

// Decodes a whole DIB file held in memory. Null on failure, with *failure
// set to the message the user is to be shown ("Out of memory." and the
// like); the record and its pixels come from malloc.
DibImage* DecodeDibImage(const std::uint8_t* bytes, std::size_t length, const char** failure);

// What to do about a file that cannot be opened at all (missing, or not a
// regular file): tell the user, or pass over it without a word.
enum class DibMissingFile { Report, Skip };

// Maps and decodes the file at `name`. Null on any failure, after exactly one
// message box telling the user why (none for a file skipped as missing).
DibImage* LoadDibImage(const char* name, DibMissingFile missing = DibMissingFile::Report);

// Releases a record made by DecodeDibImage or LoadDibImage and its pixels;
// null is ignored.
void FreeDibImage(DibImage* image);
