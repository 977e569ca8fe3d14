#include "image/dib_rows.h"

#include <cstddef>
#include <cstring>

namespace {

// Where converted rows go. Row y of the source (in its stored order) starts
// at first + y * stride; a negative stride fills upwards, which turns a
// top-down source bottom-up. Rows are written only within their 3 * width
// pixel bytes.
struct RowTarget {
  std::uint8_t* first;
  std::ptrdiff_t stride;

  std::uint8_t* Row(std::uint64_t y) const {
    return first + static_cast<std::ptrdiff_t>(y) * stride;
  }
};

// Whether GDI accepts the header (bits per pixel, compression, sizes, masks).
bool Acceptable(const DibDescription& d) {
  if (d.width <= 0 || d.height == 0 || d.planes == 0) return false;
  switch (d.bitsPerPixel) {
    case 1: case 4: case 8: case 24:
      if (d.compression == DibRgb) return true;
      if (d.compression == DibRle8 && d.bitsPerPixel == 8) break;
      if (d.compression == DibRle4 && d.bitsPerPixel == 4) break;
      return false;
    case 16: case 32:
      if (d.compression == DibRgb) return true;
      if (d.compression != DibBitfields) return false;
      return d.masks[0] != 0 && d.masks[1] != 0 && d.masks[2] != 0;
    default:
      return false;
  }
  // Run-length data: bottom-up only, and the image size bounds the stream.
  return d.height > 0 && d.imageSize != 0;
}

// Colour entries as red, green, blue and a 0; indices past the table are
// black.
struct Palette {
  std::uint8_t entry[256][4];
};

bool BuildPalette(const DibDescription& d, Palette* palette) {
  std::memset(palette, 0, sizeof *palette);
  const std::uint32_t full = 1u << d.bitsPerPixel;
  const std::uint32_t count = d.colorsUsed != 0 && d.colorsUsed < full ? d.colorsUsed : full;
  if (count > d.tableEntries) return false;  // the file's table is short
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = d.table + i * d.entryBytes;  // blue, green, red
    palette->entry[i][0] = e[2];
    palette->entry[i][1] = e[1];
    palette->entry[i][2] = e[0];
  }
  return true;
}

// One channel of a masked pixel: the field's top 8 bits, or a shorter field
// widened by repeating it from bit 7 down.
struct Channel {
  unsigned shift = 0;
  std::uint32_t mask = 0;
  std::uint8_t widen[256];
};

void BuildChannel(std::uint32_t fieldMask, Channel* c) {
  unsigned shift = 0;
  while ((fieldMask >> shift & 1u) == 0) ++shift;  // masks are never 0 here
  unsigned length = 0;
  while (shift + length < 32 && (fieldMask >> (shift + length) & 1u) != 0) ++length;
  if (length > 8) {
    shift += length - 8;
    length = 8;
  }
  c->shift = shift;
  c->mask = (1u << length) - 1;
  for (unsigned v = 0; v < 256; ++v) {
    const unsigned aligned = (v & c->mask) << (8 - length);
    c->widen[v] = static_cast<std::uint8_t>(aligned | (aligned >> length));
  }
}

// The word-wise row copies below assume the low byte of a word comes first.
bool LittleEndian() {
  const std::uint32_t one = 1;
  std::uint8_t first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}
const bool kLittleEndian = LittleEndian();

inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// Row converters: `src` one stored row, `dst` one target row.
void ConvertRow1(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                 const Palette& pal) {
  for (std::int32_t x = 0; x < width; ++x) {
    const unsigned index = (src[x >> 3] >> (7 - (x & 7))) & 1u;
    std::memcpy(dst + 3 * static_cast<std::size_t>(x), pal.entry[index], 3);
  }
}

void ConvertRow4(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                 const Palette& pal) {
  std::int32_t x = 0;
  for (; x + 1 < width; x += 2, dst += 6) {
    const unsigned b = src[x >> 1];
    std::memcpy(dst, pal.entry[b >> 4], 4);
    std::memcpy(dst + 3, pal.entry[b & 15u], 3);
  }
  if (x < width) std::memcpy(dst, pal.entry[src[x >> 1] >> 4], 3);
}

void ConvertRow8(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                 const Palette& pal) {
  std::int32_t x = 0;
  if (kLittleEndian) {
    // Four pixels into three whole words: 12 bytes, no byte stored twice.
    std::uint32_t e[256];
    static_assert(sizeof e == sizeof pal.entry, "four bytes per entry");
    std::memcpy(e, pal.entry, sizeof e);
    for (; x + 4 <= width; x += 4, dst += 12) {
      const std::uint32_t p0 = e[src[x]], p1 = e[src[x + 1]];
      const std::uint32_t p2 = e[src[x + 2]], p3 = e[src[x + 3]];
      Store32(dst, p0 | p1 << 24);
      Store32(dst + 4, p1 >> 8 | p2 << 16);
      Store32(dst + 8, p2 >> 16 | p3 << 8);
    }
  }
  for (; x < width; ++x, dst += 3) std::memcpy(dst, pal.entry[src[x]], 3);
}

template <int Bytes>
void ConvertRowMasked(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                      const Channel* ch) {
  for (std::int32_t x = 0; x < width; ++x, src += Bytes, dst += 3) {
    const std::uint32_t px = Bytes == 2 ? DibRead16(src) : DibRead32(src);
    for (int c = 0; c < 3; ++c) dst[c] = ch[c].widen[(px >> ch[c].shift) & ch[c].mask];
  }
}

// Blue, green, red (and a fourth byte skipped when Step is 4) into red,
// green, blue.
template <int Step>
void SwapRow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width) {
  std::int32_t x = 0;
  if (kLittleEndian && Step == 3) {
    // Four pixels (12 bytes) as three words each way.
    for (; x + 4 <= width; x += 4, src += 12, dst += 12) {
      const std::uint32_t a = Load32(src), b = Load32(src + 4), c = Load32(src + 8);
      // a = b0 g0 r0 b1, b = g1 r1 b2 g2, c = r2 b3 g3 r3 (low byte first)
      Store32(dst, (a >> 16 & 0xFFu) | (a & 0xFF00u) | (a & 0xFFu) << 16 | (b & 0xFF00u) << 16);
      Store32(dst + 4, (b & 0xFFu) | (a >> 16 & 0xFF00u) | (c & 0xFFu) << 16 |
                           (b & 0xFF000000u));
      Store32(dst + 8, (b >> 16 & 0xFFu) | (c >> 16 & 0xFF00u) | (c & 0xFF0000u) |
                           (c & 0xFF00u) << 16);
    }
  }
  for (; x < width; ++x, src += Step, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

std::int32_t ConvertUncompressed(const DibDescription& d, const RowTarget& out) {
  const std::uint64_t rows = d.Rows();
  std::uint64_t stride = 0;
  std::uint64_t need = 0;
  if (!DibSourceStride(d.width, d.bitsPerPixel, &stride) || !DibMultiply(stride, rows, &need) ||
      need > d.bitsLength) {
    return 0;  // Windows refuses data shorter than its rows
  }
  Palette pal;
  if (d.bitsPerPixel <= 8 && !BuildPalette(d, &pal)) return 0;
  Channel ch[3];
  if (d.bitsPerPixel == 16 || d.bitsPerPixel == 32) {
    std::uint32_t masks[3] = {d.masks[0], d.masks[1], d.masks[2]};
    if (d.compression == DibRgb) {
      const bool wide = d.bitsPerPixel == 32;
      masks[0] = wide ? 0xFF0000u : 0x7C00u;
      masks[1] = wide ? 0x00FF00u : 0x03E0u;
      masks[2] = wide ? 0x0000FFu : 0x001Fu;
    }
    for (int i = 0; i < 3; ++i) BuildChannel(masks[i], &ch[i]);
  }
  for (std::uint64_t y = 0; y < rows; ++y) {
    const std::uint8_t* src = d.bits + y * stride;
    std::uint8_t* dst = out.Row(y);
    switch (d.bitsPerPixel) {
      case 1: ConvertRow1(src, dst, d.width, pal); break;
      case 4: ConvertRow4(src, dst, d.width, pal); break;
      case 8: ConvertRow8(src, dst, d.width, pal); break;
      case 16: ConvertRowMasked<2>(src, dst, d.width, ch); break;
      case 24: SwapRow<3>(src, dst, d.width); break;
      default:
        if (d.compression == DibRgb) {
          SwapRow<4>(src, dst, d.width);
        } else {
          ConvertRowMasked<4>(src, dst, d.width, ch);
        }
        break;
    }
  }
  return static_cast<std::int32_t>(rows);
}

// Run-length data, bottom row first. Runs are clipped at the right edge;
// pixels the stream never reaches keep what the target held.
std::int32_t ConvertRunLength(const DibDescription& d, const RowTarget& out) {
  Palette pal;
  if (!BuildPalette(d, &pal)) return 0;
  const std::uint8_t* bits = d.bits;
  const bool rle4 = d.compression == DibRle4;
  const std::size_t limit = d.imageSize < d.bitsLength ? d.imageSize : d.bitsLength;
  const std::size_t width = static_cast<std::size_t>(d.width);
  const std::size_t rows = d.Rows();
  std::size_t x = 0;
  std::size_t y = 0;
  std::size_t p = 0;
  auto put = [&](unsigned index) {  // callers stop at the right edge
    std::memcpy(out.Row(y) + 3 * x, pal.entry[index], 3);
    ++x;
  };
  while (p + 2 <= limit && y < rows) {
    const unsigned count = bits[p];
    const unsigned code = bits[p + 1];
    p += 2;
    if (count != 0) {
      for (unsigned i = 0; i < count && x < width; ++i) {
        put(rle4 ? ((i & 1u) != 0 ? code & 15u : code >> 4) : code);
      }
      continue;
    }
    if (code == 0) {  // end of line
      x = 0;
      ++y;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // delta
      if (p + 2 > limit) break;
      x += bits[p];
      y += bits[p + 1];
      p += 2;
    } else {  // absolute run of `code` pixels
      const std::size_t bytes = rle4 ? (code + 1) / 2 : code;
      if (p + bytes > limit) break;
      for (unsigned i = 0; i < code && x < width; ++i) {
        const unsigned b = bits[p + (rle4 ? i / 2 : i)];
        put(rle4 ? ((i & 1u) != 0 ? b & 15u : b >> 4) : b);
      }
      p += (bytes + 1) & ~static_cast<std::size_t>(1);
    }
  }
  return static_cast<std::int32_t>(rows);
}

}  // namespace

std::int32_t ConvertDibRows(const DibDescription& dib, std::uint8_t* rgb) {
  std::size_t sectionBytes = 0;
  if (rgb == nullptr || dib.bits == nullptr || !Acceptable(dib) ||
      !Dib24SectionBytes(dib.width, dib.height, &sectionBytes)) {
    return 0;
  }
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(dib.width);
  const std::size_t rows = dib.Rows();
  const auto step = static_cast<std::ptrdiff_t>(rowBytes);
  const RowTarget out = dib.height < 0 ? RowTarget{rgb + (rows - 1) * rowBytes, -step}
                                       : RowTarget{rgb, step};
  if (dib.compression == DibRle8 || dib.compression == DibRle4) {
    // A run-length stream may leave pixels unwritten: they read as black.
    std::memset(rgb, 0, rowBytes * rows);
    return ConvertRunLength(dib, out);
  }
  return ConvertUncompressed(dib, out);
}
