// The portable DIB converter: renders the pixels of a described DIB file into
// red, green, blue rows the way GDI's SetDIBits renders them into a 24-bit
// section. The SDL and web layers convert with it.
#pragma once

#include <cstdint>

#include "image/dib_format.h"

// Converts into tightly packed rows of red, green, blue (3 * width bytes each,
// no fill), the bottom row first whatever the file's order: the layout of
// DibImage pixels. `rgb` has 3 * width * |height| bytes; when rows are
// returned all of them are written (pixels a run-length stream never reaches
// are black). Returns the rows converted (|height|), or 0 when GDI would
// refuse the picture.
std::int32_t ConvertDibRows(const DibDescription& dib, std::uint8_t* rgb);
