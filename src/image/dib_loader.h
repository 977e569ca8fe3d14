// Loads a Windows DIB file (with or without the 14-byte file header) into
// tightly packed 24-bit RGB rows that glTexImage2D takes as GL_RGB.
#pragma once

#include <cstdint>

struct DibImage {
  std::int32_t width;
  std::int32_t height;     // rows; the first row in pixels is the bottom row
  std::uint8_t* pixels;    // width * height * 3 bytes: red, green, blue
};

// Decodes the file at `name`. Null on any failure, after exactly one message
// box telling the user why. The record and its pixels come from malloc.
DibImage* LoadDibImage(const char* name);

// Releases a record made by LoadDibImage and its pixels; null is ignored.
void FreeDibImage(DibImage* image);

// The number of colour-table entries of a bitmap header (core or info).
std::uint16_t DibColorCount(const void* header);
